#include "app/pages/kvMergePage.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>

#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"

namespace kv {

namespace {

constexpr int kRepeatMs = 250;

// The local PDF files among dropped URLs, in drop order.
QStringList DroppedPdfFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    QString path = url.toLocalFile();
    if (path.endsWith(".pdf", Qt::CaseInsensitive)) files << path;
  }
  return files;
}

}  // namespace

TkvMergeListView::TkvMergeListView(QWidget* parent) : QTreeWidget(parent) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
}

void TkvMergeListView::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPdfFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TkvMergeListView::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedPdfFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TkvMergeListView::dropEvent(QDropEvent* event) {
  QStringList files = DroppedPdfFiles(event->mimeData());
  if (files.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (OnFilesDropped) OnFilesDropped(files);
}

TkvMergePage::TkvMergePage(TkvWizardHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName("tsMerge");
  lstFiles = new TkvMergeListView(this);
  lstFiles->setObjectName("lstMergeFiles");
  lstFiles->setHeaderLabels({"Doc #", "File"});
  lstFiles->setRootIsDecorated(false);
  lstFiles->setSelectionMode(QAbstractItemView::ContiguousSelection);
  lstFiles->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  lstFiles->OnFilesDropped = [this](const QStringList& files) { AddFiles(files); };

  btnAdd = new QPushButton("Add File", this);
  btnAdd->setObjectName("btnMergeAdd");
  btnDelete = new QPushButton("Delete File", this);
  btnDelete->setObjectName("btnMergeDelete");
  btnUp = new QPushButton("Move Up", this);
  btnUp->setObjectName("btnMergeUp");
  btnDown = new QPushButton("Move Down", this);
  btnDown->setObjectName("btnMergeDown");
  for (QPushButton* b : {btnUp, btnDown}) {
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(kRepeatMs);
    b->setAutoRepeatInterval(kRepeatMs);
  }

  connect(btnAdd, &QPushButton::clicked, this, [this, &host] { AddFiles(host.ChooseOpenFiles(this, ui::SPdfFilter)); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
  connect(btnUp, &QPushButton::clicked, this, [this] { MoveUp(); });
  connect(btnDown, &QPushButton::clicked, this, [this] { MoveDown(); });
  connect(lstFiles, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {btnAdd, btnDelete, btnUp, btnDown}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(lstFiles, 1);
  layout->addLayout(buttons);
  UpdateButtons();
}

int TkvMergePage::RowCount() const { return lstFiles->topLevelItemCount(); }

QStringList TkvMergePage::Files() const {
  QStringList files;
  for (int i = 0; i < RowCount(); ++i) files << lstFiles->topLevelItem(i)->text(1);
  return files;
}

void TkvMergePage::AddFiles(const QStringList& files) {
  if (files.isEmpty()) return;
  for (const QString& f : files) new QTreeWidgetItem(lstFiles, {QString::number(RowCount() + 1), f});
  RowsChanged();
}

std::pair<int, int> TkvMergePage::SelectedBlock() const {
  int first = -1, last = -1;
  for (int i = 0; i < RowCount(); ++i) {
    if (!lstFiles->topLevelItem(i)->isSelected()) continue;
    if (first < 0) first = i;
    last = i;
  }
  return {first, last};
}

void TkvMergePage::DeleteSelected() {
  if (RowCount() == 0) return;
  for (int i = RowCount() - 1; i >= 0; --i)
    if (lstFiles->topLevelItem(i)->isSelected()) delete lstFiles->takeTopLevelItem(i);
  Renumber();
  RowsChanged();
}

void TkvMergePage::MoveUp() {
  auto [first, last] = SelectedBlock();
  if (first <= 0) return;
  // The row above the block moves below it: every selected row goes up by one.
  QTreeWidgetItem* above = lstFiles->takeTopLevelItem(first - 1);
  lstFiles->insertTopLevelItem(last, above);
  Renumber();
  SelectBlock(first - 1, last - 1);
}

void TkvMergePage::MoveDown() {
  auto [first, last] = SelectedBlock();
  if (first < 0 || RowCount() < 2 || last >= RowCount() - 1) return;
  QTreeWidgetItem* below = lstFiles->takeTopLevelItem(last + 1);
  lstFiles->insertTopLevelItem(first, below);
  Renumber();
  SelectBlock(first + 1, last + 1);
}

void TkvMergePage::ResetControls() {
  lstFiles->clear();
  RowsChanged();
}

void TkvMergePage::Renumber() {
  for (int i = 0; i < RowCount(); ++i) lstFiles->topLevelItem(i)->setText(0, QString::number(i + 1));
}

void TkvMergePage::SelectBlock(int first, int last) {
  // Quietly: a selection that is empty for a moment would disable the held move button,
  // and a disabled button ends its auto-repeat.
  QSignalBlocker quiet(lstFiles);
  lstFiles->clearSelection();
  for (int i = first; i <= last; ++i) lstFiles->topLevelItem(i)->setSelected(true);
  lstFiles->setCurrentItem(lstFiles->topLevelItem(first), 0, QItemSelectionModel::NoUpdate);
  quiet.unblock();
  UpdateButtons();
}

void TkvMergePage::UpdateButtons() {
  auto [first, last] = SelectedBlock();
  btnDelete->setEnabled(RowCount() > 0);
  // Disabling a held button also ends its auto-repeat: the block has reached the end.
  btnUp->setEnabled(first > 0);
  btnDown->setEnabled(first >= 0 && last < RowCount() - 1);
}

void TkvMergePage::RowsChanged() {
  UpdateButtons();
  if (OnRowsChanged) OnRowsChanged(RowCount());
}

}  // namespace kv
