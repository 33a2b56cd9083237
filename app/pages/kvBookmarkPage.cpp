#include "app/pages/kvBookmarkPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/kvWizardHost.h"
#include "app/pages/kvPagesConsts.h"
#include "app/widgets/kvInputFilters.h"
#include "app/widgets/kvZoomEdit.h"
#include "core/kvClasses.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

namespace {

// A tree deeper than this is shown down to here: the library bounds the depth it reads,
// and the tree widget recurses as deep as it is given.
constexpr int kMaxShownDepth = 256;

QLineEdit* NewCoordinate(QWidget* parent, const char* name) {
  auto* edit = WithFilter(new QLineEdit(parent), NewDecimalFilter);
  edit->setObjectName(name);
  return edit;
}

QString Coordinate(double v) { return v == -1 ? QString() : QLocale().toString(v, 'g', 6); }

}  // namespace

TkvBookmarkPage::TkvBookmarkPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host) {
  setObjectName("tsBookmark");
  tvOutline = new QTreeWidget(this);
  tvOutline->setObjectName("tvOutline");
  tvOutline->setHeaderHidden(true);
  tvOutline->setSelectionMode(QAbstractItemView::SingleSelection);
  tvOutline->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);

  Properties = new QWidget(this);
  edCaption = new QLineEdit(Properties);
  edCaption->setObjectName("edBookmarkCaption");
  cmbPage = new QComboBox(Properties);
  cmbPage->setObjectName("cmbBookmarkPage");
  cmbFitType = new QComboBox(Properties);
  cmbFitType->setObjectName("cmbFitType");
  for (const char* t : ui::SFitTypeTexts) cmbFitType->addItem(t);
  edLeft = NewCoordinate(Properties, "edLeft");
  edRight = NewCoordinate(Properties, "edRight");
  edTop = NewCoordinate(Properties, "edTop");
  edBottom = NewCoordinate(Properties, "edBottom");
  edZoom = new TkvZoomEdit(Properties);
  cmbUnits = new QComboBox(Properties);
  cmbUnits->setObjectName("cmbBookmarkUnits");
  for (const char* t : ui::SUnitTexts) cmbUnits->addItem(t);
  auto* form = new QFormLayout(Properties);
  form->addRow(ui::SCaption, edCaption);
  form->addRow(ui::SPage, cmbPage);
  form->addRow(ui::SFitType, cmbFitType);
  form->addRow(ui::SLeft, edLeft);
  form->addRow(ui::SRight, edRight);
  form->addRow(ui::STop, edTop);
  form->addRow(ui::SBottom, edBottom);
  form->addRow(ui::SZoom, edZoom);
  form->addRow(ui::SUnits, cmbUnits);

  Operations = new QWidget(this);
  btnInsertAfter = new QPushButton(ui::SInsertAfterNode, Operations);
  btnInsertAfter->setObjectName("btnInsertAfter");
  btnInsertChild = new QPushButton(ui::SInsertChildNode, Operations);
  btnInsertChild->setObjectName("btnInsertChild");
  btnApply = new QPushButton(ui::SApplyEdits, Operations);
  btnApply->setObjectName("btnApplyEdits");
  btnDelete = new QPushButton(ui::SDeleteNode, Operations);
  btnDelete->setObjectName("btnDeleteNode");
  auto* ops = new QGridLayout(Operations);
  ops->addWidget(btnInsertAfter, 0, 0);
  ops->addWidget(btnInsertChild, 0, 1);
  ops->addWidget(btnApply, 1, 0);
  ops->addWidget(btnDelete, 1, 1);

  connect(tvOutline, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!FUpdating) ShowSelected();
  });
  connect(tvOutline, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { CaptionEdited(item); });
  connect(cmbFitType, &QComboBox::currentIndexChanged, this, [this] { EnableByFitType(); });
  connect(cmbUnits, &QComboBox::activated, this, [this](int i) { UnitChosen(i); });
  connect(btnInsertAfter, &QPushButton::clicked, this, [this] { InsertAfter(); });
  connect(btnInsertChild, &QPushButton::clicked, this, [this] { InsertChild(); });
  connect(btnApply, &QPushButton::clicked, this, [this] { ApplyEdits(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteNode(); });

  auto* side = new QVBoxLayout;
  side->addWidget(Properties);
  side->addWidget(Operations);
  side->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tvOutline, 1);
  layout->addLayout(side);
  ResetControls();
}

TkvPDFOutline* TkvBookmarkPage::NodeOf(const QTreeWidgetItem* item) {
  return item ? reinterpret_cast<TkvPDFOutline*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* TkvBookmarkPage::NewItem(TkvPDFOutline* node) {
  auto* item = new QTreeWidgetItem({QString::fromStdString(node->TitleUtf8())});
  item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  return item;
}

void TkvBookmarkPage::AddSubtree(QTreeWidgetItem* parent, TkvPDFOutline* first, int depth) {
  if (depth > kMaxShownDepth) return;
  for (TkvPDFOutline* node = first; node; node = node->Next()) {
    QTreeWidgetItem* item = NewItem(node);
    if (parent)
      parent->addChild(item);
    else
      tvOutline->addTopLevelItem(item);
    AddSubtree(item, node->FirstChild(), depth + 1);
  }
}

void TkvBookmarkPage::Fill() {
  if (!FDocument.DocumentLoaded()) return;
  FUpdating = true;
  tvOutline->clear();
  edCaption->clear();
  cmbPage->clear();
  for (int i = 1; i <= FDocument.PageCount(); ++i) cmbPage->addItem(QString::number(i));
  cmbFitType->setCurrentIndex(0);
  if (TkvPDFOutline* root = FDocument.Outlines()) AddSubtree(nullptr, root->FirstChild(), 0);
  FUpdating = false;
  for (QWidget* w : {static_cast<QWidget*>(tvOutline), Properties, Operations}) w->setEnabled(true);
  if (tvOutline->topLevelItemCount() > 0) tvOutline->setCurrentItem(tvOutline->topLevelItem(0));
  ShowSelected();
}

void TkvBookmarkPage::ResetControls() {
  FUpdating = true;
  tvOutline->clear();
  FUpdating = false;
  for (QLineEdit* e : {edCaption, edLeft, edTop, edRight, edBottom}) e->clear();
  edZoom->SetText(QString());
  cmbPage->clear();
  for (QWidget* w : {static_cast<QWidget*>(tvOutline), Properties, Operations}) w->setEnabled(false);
}

void TkvBookmarkPage::ShowUnits() { cmbUnits->setCurrentIndex(FDocument.MeasurementUnit()); }

QTreeWidgetItem* TkvBookmarkPage::Selected() const {
  QList<QTreeWidgetItem*> items = tvOutline->selectedItems();
  return items.isEmpty() ? nullptr : items.first();
}

void TkvBookmarkPage::ShowSelected() {
  TkvPDFOutline* node = NodeOf(Selected());
  std::unique_ptr<TkvPDFDestination> dest;
  if (node) {
    edCaption->setText(QString::fromStdString(node->TitleUtf8()));
    // A destination the file spells in a way the library does not take is shown as none.
    try {
      dest = node->Destination();
    } catch (const std::exception&) {
    }
  }
  if (!dest) {
    cmbPage->setCurrentIndex(-1);
    cmbFitType->setCurrentIndex(-1);
    for (QLineEdit* e : {edLeft, edTop, edRight, edBottom}) e->clear();
  } else {
    cmbPage->setCurrentIndex(dest->Page >= 1 ? dest->Page - 1 : -1);
    cmbFitType->setCurrentIndex(dest->DestType);
    edTop->setText(Coordinate(dest->Top));
    edLeft->setText(Coordinate(dest->Left));
    edRight->setText(Coordinate(dest->Right));
    edBottom->setText(Coordinate(dest->Bottom));
    edZoom->SetText(QLocale().toString(dest->Zoom(), 'g', 12));
  }
  EnableByFitType();
}

void TkvBookmarkPage::EnableByFitType() {
  // Left, Top, Right, Bottom, Zoom for each fit type in list order.
  static const bool kUses[8][5] = {
      {true, true, false, false, true},     // XYZ
      {false, false, false, false, false},  // Fit
      {false, true, false, false, false},   // FitH
      {true, false, false, false, false},   // FitV
      {true, true, true, true, false},      // FitR
      {false, false, false, false, false},  // FitB
      {false, true, false, false, false},   // FitBH
      {true, false, false, false, false},   // FitBV
  };
  const int fit = cmbFitType->currentIndex();
  QWidget* fields[5] = {edLeft, edTop, edRight, edBottom, edZoom};
  for (int i = 0; i < 5; ++i) fields[i]->setEnabled(fit >= 0 && fit < 8 && kUses[fit][i]);
}

std::unique_ptr<TkvPDFDestination> TkvBookmarkPage::FieldsDestination() const {
  const int32_t page = cmbPage->currentIndex() + 1;
  const double left = ReadDecimal(edLeft->text(), -1);
  const double top = ReadDecimal(edTop->text(), -1);
  const double right = ReadDecimal(edRight->text(), -1);
  const double bottom = ReadDecimal(edBottom->text(), -1);
  switch (cmbFitType->currentIndex()) {
    case dtXYZ: {
      auto dest = std::make_unique<TkvPDFDestination>(page, dtXYZ, left, top, 0);
      // An empty zoom is no zoom (the viewer keeps its own), not a zoom of -1 %.
      dest->ZoomFactor = edZoom->Text().isEmpty() ? -1 : ReadDigits(edZoom->Text(), 0) / 100.0;
      return dest;
    }
    case dtFit:
      return std::make_unique<TkvPDFDestination>(page, dtFit);
    case dtFitB:
      return std::make_unique<TkvPDFDestination>(page, dtFitB);
    case dtFitH:
      return std::make_unique<TkvPDFDestination>(page, top, dtFitH);
    case dtFitBH:
      return std::make_unique<TkvPDFDestination>(page, top, dtFitBH);
    case dtFitV:
      return std::make_unique<TkvPDFDestination>(page, left, dtFitV);
    case dtFitBV:
      return std::make_unique<TkvPDFDestination>(page, left, dtFitBV);
    case dtFitR:
      return std::make_unique<TkvPDFDestination>(page, dtFitR, left, bottom, right, top);
    default:
      throw Exception(ui::SUnknownDestType);
  }
}

void TkvBookmarkPage::Tell(const char* message) { FHost.ShowMessage(this, TkvMessageKind::mkInformation, message); }

template <class F>
bool TkvBookmarkPage::Guarded(F&& call) {
  try {
    call();
    return true;
  } catch (const std::exception& e) {
    FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(e.what()));
    return false;
  }
}

void TkvBookmarkPage::InsertAfter() { Insert(false); }
void TkvBookmarkPage::InsertChild() { Insert(true); }

void TkvBookmarkPage::Insert(bool asChild) {
  if (edCaption->text().isEmpty()) return Tell(ui::SEnterBookmarkTitle);
  if (cmbPage->currentIndex() < 0) return Tell(ui::SNoPageSelected);
  QTreeWidgetItem* selected = Selected();
  if (tvOutline->topLevelItemCount() > 0 && !selected) return Tell(ui::SSelectBookmarkToAdd);
  const std::string title = edCaption->text().toStdString();
  TkvPDFOutline* node = nullptr;
  if (!Guarded([&] {
        std::unique_ptr<TkvPDFDestination> dest = FieldsDestination();
        if (!selected) {
          node = FDocument.CreateOutline("", dest.get());
        } else if (!asChild) {
          node = NodeOf(selected)->AddNext("", dest.get());
        } else {
          // Appended after the last child, in the document as in the tree.
          TkvPDFOutline* parent = NodeOf(selected);
          TkvPDFOutline* last = parent->FirstChild();
          while (last && last->Next()) last = last->Next();
          node = last ? last->AddNext("", dest.get()) : parent->AddChild("", dest.get());
        }
        node->SetTitleUtf8(title);
      }))
    return;
  FUpdating = true;
  QTreeWidgetItem* item = NewItem(node);
  if (!selected) {
    tvOutline->addTopLevelItem(item);
  } else if (asChild) {
    selected->addChild(item);
    selected->setExpanded(true);
  } else if (QTreeWidgetItem* parent = selected->parent()) {
    parent->insertChild(parent->indexOfChild(selected) + 1, item);
  } else {
    tvOutline->insertTopLevelItem(tvOutline->indexOfTopLevelItem(selected) + 1, item);
  }
  FUpdating = false;
  tvOutline->setCurrentItem(item);
}

void TkvBookmarkPage::ApplyEdits() {
  QTreeWidgetItem* selected = Selected();
  if (!selected) return Tell(ui::SSelectBookmarkToChange);
  if (edCaption->text().isEmpty()) return Tell(ui::SEnterBookmarkCaption);
  TkvPDFOutline* node = NodeOf(selected);
  const std::string title = edCaption->text().toStdString();
  if (!Guarded([&] {
        // Without a page and fit type only the caption changes: a bookmark whose target
        // the editor cannot show (a link, another file) keeps it.
        if (cmbFitType->currentIndex() >= 0 && cmbPage->currentIndex() >= 0) {
          std::unique_ptr<TkvPDFDestination> dest = FieldsDestination();
          node->Modify("", dest.get());
        }
        node->SetTitleUtf8(title);
      }))
    return;
  FUpdating = true;
  selected->setText(0, edCaption->text());
  FUpdating = false;
}

void TkvBookmarkPage::DeleteNode() {
  if (tvOutline->topLevelItemCount() == 0) return;
  QTreeWidgetItem* selected = Selected();
  if (!selected) return Tell(ui::SSelectBookmarkToDelete);
  TkvPDFOutline* node = NodeOf(selected);
  if (!Guarded([&] {
        if (node->Prev())
          node->Prev()->DeleteNext();
        else if (node->Parent())
          node->Parent()->DeleteChild();
        else
          FDocument.Outlines()->DeleteChild();
      }))
    return;
  FUpdating = true;
  delete selected;
  FUpdating = false;
  ShowSelected();
}

void TkvBookmarkPage::UnitChosen(int index) {
  if (index < 0) return;
  FDocument.SetMeasurementUnit(static_cast<TkvMeasurementUnit>(index));
  ShowSelected();
}

void TkvBookmarkPage::CaptionEdited(QTreeWidgetItem* item) {
  if (FUpdating || item != Selected()) return;
  edCaption->setText(item->text(0));
  ApplyEdits();
}

}  // namespace kv
