#include "app/pages/kvSimplePages.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"
#include "app/widgets/kvInputFilters.h"

namespace kv {

namespace {

QLineEdit* NewEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QPushButton* NewButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

void SetFieldUsable(QLineEdit* edit, bool usable) { edit->setEnabled(usable); }

// ---- start page ----

TkvStartPage::TkvStartPage(QWidget* parent) : QWidget(parent) {
  setObjectName("tsStart");
  const char* texts[] = {ui::SOpMerge,      ui::SOpAppend,     ui::SOpExtract,   ui::SOpDelete,
                         ui::SOpThumbnails, ui::SOpWatermarks, ui::SOpBookmarks, ui::SOpAcroForms};
  const char* names[] = {"btnOpMerge",      "btnOpAppend",     "btnOpExtract",   "btnOpDelete",
                         "btnOpThumbnails", "btnOpWatermarks", "btnOpBookmarks", "btnOpAcroForms"};
  FButtons = new QButtonGroup(this);
  FButtons->setExclusive(true);
  auto* grid = new QGridLayout(this);
  for (int i = 0; i < 8; ++i) {
    QPushButton* b = NewButton(texts[i], names[i], this);
    b->setCheckable(true);
    b->setMinimumHeight(44);
    // The chosen operation stands out from the seven others.
    connect(b, &QPushButton::toggled, b, [b](bool down) {
      QFont f = b->font();
      f.setBold(down);
      b->setFont(f);
    });
    FButtons->addButton(b, i);
    grid->addWidget(b, i % 4, i / 4);
  }
  ResetControls();
}

TkvWizardOperation TkvStartPage::Operation() const {
  int id = FButtons->checkedId();
  return static_cast<TkvWizardOperation>(id < 0 ? 0 : id);
}

QPushButton* TkvStartPage::Button(TkvWizardOperation op) const {
  return static_cast<QPushButton*>(FButtons->button(static_cast<int>(op)));
}

void TkvStartPage::ResetControls() { Button(TkvWizardOperation::woMerge)->setChecked(true); }

// ---- file field ----

TkvFileField::TkvFileField(TkvWizardHost& host, const char* name, bool forSaving, QWidget* parent) : QWidget(parent) {
  FEdit = NewEdit(this, name);
  FSelect = NewButton(ui::SSelect, (std::string(name) + "Select").c_str(), this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FEdit, 1);
  layout->addWidget(FSelect);
  connect(FSelect, &QPushButton::clicked, this, [this, &host, forSaving] {
    QString chosen = forSaving ? host.ChooseSaveFile(this, ui::SPdfFilter) : host.ChooseOpenFile(this, ui::SPdfFilter);
    if (chosen.isEmpty()) return;
    FEdit->setText(chosen);
    if (OnChosen) OnChosen();
  });
}

QString TkvFileField::Text() const { return FEdit->text(); }

// ---- source page ----

TkvSourcePage::TkvSourcePage(TkvWizardHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName("tsSourceDoc");
  File = new TkvFileField(host, "edSourceFile", false, this);
  btnInfo = NewButton(ui::SInfo, "btnSourceInfo", this);
  auto* row = new QHBoxLayout;
  row->addWidget(File, 1);
  row->addWidget(btnInfo);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addStretch();
  ResetControls();
}

void TkvSourcePage::ResetControls() {
  File->Edit()->clear();
  btnInfo->setEnabled(false);
}

// ---- append page ----

TkvAppendPage::TkvAppendPage(TkvWizardHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName("tsAppend");
  File = new TkvFileField(host, "edAppendFile", false, this);
  btnInfo = NewButton(ui::SInfo, "btnAppendInfo", this);

  auto* rangeBox = new QGroupBox(this);
  rbAllPages = new QRadioButton(ui::SAllPages, rangeBox);
  rbAllPages->setObjectName("rbAppendAll");
  rbPages = new QRadioButton(ui::SPages, rangeBox);
  rbPages->setObjectName("rbAppendPages");
  edPages = WithFilter(NewEdit(rangeBox, "edAppendPages"), NewPageRangeFilter);
  auto* rangeGroup = new QButtonGroup(rangeBox);
  rangeGroup->addButton(rbAllPages);
  rangeGroup->addButton(rbPages);
  auto* rangeLayout = new QGridLayout(rangeBox);
  rangeLayout->addWidget(rbAllPages, 0, 0);
  rangeLayout->addWidget(rbPages, 1, 0);
  rangeLayout->addWidget(edPages, 1, 1);

  auto* modeBox = new QGroupBox(this);
  rbAppend = new QRadioButton(ui::SAppendToEnd, modeBox);
  rbAppend->setObjectName("rbAppendToEnd");
  rbInsertAfter = new QRadioButton(ui::SInsertAfter, modeBox);
  rbInsertAfter->setObjectName("rbInsertAfter");
  edInsertAfter = WithFilter(NewEdit(modeBox, "edInsertAfter"), NewDigitsFilter);
  auto* modeGroup = new QButtonGroup(modeBox);
  modeGroup->addButton(rbAppend);
  modeGroup->addButton(rbInsertAfter);
  auto* modeLayout = new QGridLayout(modeBox);
  modeLayout->addWidget(rbAppend, 0, 0, 1, 2);
  modeLayout->addWidget(rbInsertAfter, 1, 0);
  modeLayout->addWidget(edInsertAfter, 1, 1);

  for (QRadioButton* rb : {rbAllPages, rbPages, rbAppend, rbInsertAfter})
    connect(rb, &QRadioButton::toggled, this, [this] { SyncFields(); });

  auto* row = new QHBoxLayout;
  row->addWidget(File, 1);
  row->addWidget(btnInfo);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(rangeBox);
  layout->addWidget(modeBox);
  layout->addStretch();
  ResetControls();
}

void TkvAppendPage::SyncFields() {
  SetFieldUsable(edPages, rbPages->isChecked());
  SetFieldUsable(edInsertAfter, rbInsertAfter->isChecked());
}

void TkvAppendPage::ResetControls() {
  File->Edit()->clear();
  edPages->clear();
  edInsertAfter->clear();
  rbAllPages->setChecked(true);
  rbAppend->setChecked(true);
  SyncFields();
}

// ---- extract page ----

TkvExtractPage::TkvExtractPage(TkvWizardHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName("tsExtract");
  File = new TkvFileField(host, "edExtractFile", false, this);
  btnInfo = NewButton(ui::SInfo, "btnExtractInfo", this);
  edRange = WithFilter(NewEdit(this, "edExtractRange"), NewPageRangeFilter);
  auto* row = new QHBoxLayout;
  row->addWidget(File, 1);
  row->addWidget(btnInfo);
  auto* form = new QFormLayout;
  form->addRow(ui::SPages, edRange);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(form);
  layout->addStretch();
  ResetControls();
}

void TkvExtractPage::ResetControls() {
  File->Edit()->clear();
  edRange->clear();
  btnInfo->setEnabled(false);
}

// ---- delete page ----

TkvDeletePage::TkvDeletePage(QWidget* parent) : QWidget(parent) {
  setObjectName("tsDelete");
  edRange = WithFilter(NewEdit(this, "edDeleteRange"), NewPageRangeFilter);
  auto* form = new QFormLayout;
  form->addRow(ui::SPages, edRange);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch();
}

void TkvDeletePage::ResetControls() { edRange->clear(); }

// ---- finish page ----

TkvFinishPage::TkvFinishPage(TkvWizardHost& host, QWidget* parent) : QWidget(parent) {
  setObjectName("tsFinish");
  File = new TkvFileField(host, "edOutputFile", true, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(File);
  layout->addStretch();
}

void TkvFinishPage::ResetControls() { File->Edit()->clear(); }

// ---- done page ----

TkvDonePage::TkvDonePage(QWidget* parent) : QWidget(parent) {
  setObjectName("tsDone");
  lblDone = new QLabel(QString(ui::SDoneText).replace("\r\n", "\n"), this);
  lblDone->setObjectName("lblDone");
  lblDone->setAlignment(Qt::AlignCenter);
  btnRestart = NewButton(ui::SRestart, "btnDoneRestart", this);
  btnRestart->setMinimumSize(220, 64);
  QFont big = btnRestart->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  btnRestart->setFont(big);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  layout->addWidget(lblDone);
  layout->addWidget(btnRestart, 0, Qt::AlignCenter);
  layout->addStretch();
}

}  // namespace kv
