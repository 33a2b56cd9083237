#include "app/pages/kvFormsPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>

#include "app/kvAppText.h"
#include "app/kvWizardHost.h"
#include "app/pages/kvPagesConsts.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

namespace {
constexpr int kValueColumn = 2;
}  // namespace

TkvFormsPage::TkvFormsPage(TkvPDFDocument& document, TkvWizardHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host) {
  setObjectName("tsForms");
  grdFields = new QTableWidget(0, static_cast<int>(std::size(ui::SGridHeaders)), this);
  grdFields->setObjectName("grdFields");
  QStringList headers;
  for (const char* h : ui::SGridHeaders) headers << h;
  grdFields->setHorizontalHeaderLabels(headers);
  grdFields->verticalHeader()->setVisible(false);
  grdFields->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdFields->setSelectionMode(QAbstractItemView::SingleSelection);
  grdFields->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdFields->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  grdFields->horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);

  lstOptions = new QListWidget(this);
  lstOptions->setObjectName("lstFieldOptions");
  memValue = new QPlainTextEdit(this);
  memValue->setObjectName("memFieldValue");
  cmbChoice = new QComboBox(this);
  cmbChoice->setObjectName("cmbFieldChoice");
  btnSetValue = new QPushButton(ui::SSetValue, this);
  btnSetValue->setObjectName("btnSetValue");

  connect(grdFields, &QTableWidget::currentCellChanged, this, [this](int row) { RowSelected(row); });
  connect(btnSetValue, &QPushButton::clicked, this, [this] { SetValue(); });

  auto* editors = new QVBoxLayout;
  editors->addWidget(lstOptions);
  editors->addWidget(memValue);
  editors->addWidget(cmbChoice);
  editors->addStretch();
  editors->addWidget(btnSetValue);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(grdFields, 3);
  layout->addLayout(editors, 2);
  ResetControls();
}

void TkvFormsPage::AddRow(const QStringList& cells) {
  const int row = grdFields->rowCount();
  grdFields->insertRow(row);
  for (int c = 0; c < grdFields->columnCount(); ++c)
    grdFields->setItem(row, c, new QTableWidgetItem(c < cells.size() ? cells[c] : QString()));
}

void TkvFormsPage::ResetControls() {
  FEditedField = -1;
  QSignalBlocker quiet(grdFields);
  grdFields->setRowCount(0);
  AddRow({});
  memValue->clear();
  HideEditors();
  btnSetValue->setEnabled(false);
}

void TkvFormsPage::Fill() {
  {
    QSignalBlocker quiet(grdFields);
    FEditedField = -1;
    grdFields->setRowCount(0);
    for (int32_t i = 0; i < FDocument.FieldCount(); ++i)
      AddRow({QString::number(i), FromAnsi(FDocument.FieldName(i)), FromAnsi(FDocument.FieldValue(i)),
              FDocument.FieldReadOnly(i) ? ui::STrue : ui::SFalse, FieldTypeName(FDocument.FieldType(i))});
    AddRow({});
    grdFields->setCurrentCell(0, 0);
  }
  RowSelected(0);
}

std::optional<QString> TkvFormsPage::EditorValue() const {
  if (!memValue->isHidden()) return memValue->toPlainText();
  if (!cmbChoice->isHidden()) return cmbChoice->currentText();
  if (!lstOptions->isHidden() && lstOptions->currentItem()) return lstOptions->currentItem()->text();
  return std::nullopt;
}

bool TkvFormsPage::Store(int field, const QString& value) {
  try {
    FDocument.SetFieldValue(field, ToAnsi(value));
  } catch (const std::exception& e) {
    FHost.ShowMessage(this, TkvMessageKind::mkError, QString::fromStdString(e.what()));
    return false;
  }
  // What the document keeps (a value cut to the field's length, say) is what shows.
  const QString stored = FromAnsi(FDocument.FieldValue(field));
  if (QTableWidgetItem* cell = grdFields->item(field, kValueColumn)) cell->setText(stored);
  if (!memValue->isHidden()) memValue->setPlainText(stored);
  return true;
}

void TkvFormsPage::RowSelected(int row) {
  btnSetValue->setEnabled(row >= 0);
  // A value left in the previous field's editor is not lost by moving on.
  if (FEditedField >= 0 && FEditedField < FDocument.FieldCount()) {
    std::optional<QString> pending = EditorValue();
    if (pending && *pending != FromAnsi(FDocument.FieldValue(FEditedField))) Store(FEditedField, *pending);
  }
  HideEditors();
  if (row < 0 || row >= FDocument.FieldCount()) {
    FEditedField = -1;
    btnSetValue->setEnabled(false);
    return;
  }
  FEditedField = row;
  ShowEditorFor(row);
}

void TkvFormsPage::ShowEditorFor(int field) {
  const QString value = FromAnsi(FDocument.FieldValue(field));
  const bool readOnly = FDocument.FieldReadOnly(field);
  QStringList options;
  for (const std::string& o : FDocument.FieldOptions(field)) options << FromAnsi(o);
  switch (FDocument.FieldType(field)) {
    case ftRadio:
    case ftCheckBox:
      lstOptions->clear();
      lstOptions->addItems(options);
      if (QList<QListWidgetItem*> cur = lstOptions->findItems(value, Qt::MatchExactly); !cur.isEmpty())
        lstOptions->setCurrentItem(cur.first());
      lstOptions->setEnabled(!readOnly);
      lstOptions->show();
      break;
    case ftText:
      memValue->setPlainText(value);
      memValue->setReadOnly(readOnly);
      memValue->show();
      break;
    case ftChoice: {
      const TkvAcroFormFields* fields = FDocument.FormFields();
      const int32_t flags = fields ? fields->Field(field).Flags : -1;
      // An editable combo box takes any text; other choices only their options.
      const bool editable = flags != -1 && (flags & kFfCombo) && (flags & kFfEdit);
      cmbChoice->clear();
      cmbChoice->setEditable(editable);
      cmbChoice->addItems(options);
      cmbChoice->setCurrentIndex(options.indexOf(value));
      if (editable) cmbChoice->setEditText(value);
      cmbChoice->setEnabled(!readOnly);
      cmbChoice->show();
      break;
    }
    case ftButton:
    case ftSignature:
      break;
  }
}

void TkvFormsPage::HideEditors() {
  lstOptions->hide();
  memValue->hide();
  cmbChoice->hide();
}

void TkvFormsPage::SetValue() {
  if (FEditedField < 0) return;
  std::optional<QString> value = EditorValue();
  if (value) Store(FEditedField, *value);
}

}  // namespace kv
