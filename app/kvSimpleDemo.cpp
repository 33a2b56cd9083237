// The window itself: building it, showing pages, the history, Back, Restart, Exit, the
// document events and the loading procedure. Next and the finish step are in
// kvSimpleDemoFlow.cpp.
#include "app/kvSimpleDemo.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/dialogs/kvAboutDlg.h"
#include "app/dialogs/kvDocInfoDlg.h"
#include "app/dialogs/kvPasswordDlg.h"
#include "app/dialogs/kvProgressDlg.h"
#include "app/dialogs/kvSettingsDlg.h"
#include "app/kvAppText.h"
#include "app/kvSimpleDemoConsts.h"
#include "app/kvWizardHost.h"
#include "app/pages/kvBookmarkPage.h"
#include "app/pages/kvFormsPage.h"
#include "app/pages/kvMarkingPage.h"
#include "app/pages/kvMergePage.h"
#include "app/pages/kvThumbnailPage.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

namespace {

struct PageText {
  const char* heading;
  const char* info;
};

QPushButton* NewBarButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

std::string FileSystemName(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

QString DisplayText(const char* text) { return QString(text).replace("\r\n", "\n").trimmed(); }

TfrmMain::TfrmMain(TkvWizardHost& host, QWidget* parent) : QWidget(parent), FHost(host) {
  setObjectName("frmMain");
  setWindowTitle(ui::SAppTitle);
  FPDFDoc = std::make_unique<TkvPDFDocument>();
  FPDFDoc->SetUseFileStreams(true);
  FPDFDoc->SetOpenAfterSave(false);
  FPDFDoc->SetEMailAfterSave(false);
  FPDFTmpDoc = std::make_unique<TkvPDFDocument>();
  FPDFTmpDoc->SetUseFileStreams(false);
  // Showing the saved file goes through the host, so tests never start a viewer.
  FPDFDoc->Launcher = [this](const std::string& name) { FHost.Launch(name); };
  WireDocumentEvents(*FPDFDoc, true);
  WireDocumentEvents(*FPDFTmpDoc, false);

  BuildWindow();
  BuildPages();
  WireFields();
  // The dialogs in the order the application has always made them (the password dialog
  // is made for each request).
  FProgress = new TfrmProgress(this);
  FSettings = new TfrmSettings(FHost, this);
  FAbout = new TfrmAbout(this);

  ResetControls();
  ShowPage(tsStart);
  resize(760, 520);
}

TfrmMain::~TfrmMain() {
  // The pages point into the documents (the bookmark tree holds outline nodes): they go
  // first, while the documents are still whole.
  delete FPages;
}

void TfrmMain::BuildWindow() {
  pnlHeader = new QWidget(this);
  pnlHeader->setObjectName("pnlHeader");
  pnlHeader->setAutoFillBackground(true);
  QPalette pal = pnlHeader->palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Base));
  pnlHeader->setPalette(pal);
  lblHeading = new QLabel(pnlHeader);
  lblHeading->setObjectName("lblHeading");
  QFont bold = lblHeading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  lblHeading->setFont(bold);
  lblInfo = new QLabel(pnlHeader);
  lblInfo->setObjectName("lblInfo");
  lblInfo->setMinimumHeight(lblInfo->fontMetrics().lineSpacing() * 3);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* header = new QVBoxLayout(pnlHeader);
  header->addWidget(lblHeading);
  header->addWidget(lblInfo);

  FPages = new QStackedWidget(this);
  FPages->setObjectName("pcWizard");

  btnAbout = NewBarButton(ui::SAbout, "btnAbout", this);
  btnRestart = NewBarButton(ui::SRestart, "btnRestart", this);
  btnRestart->setToolTip(ui::SRestartHint);
  btnBack = NewBarButton(ui::SBack, "btnBack", this);
  btnNext = NewBarButton(ui::SNext, "btnNext", this);
  btnNext->setDefault(true);
  btnExit = NewBarButton(ui::SExit, "btnExit", this);
  connect(btnAbout, &QPushButton::clicked, this, [this] { AboutClicked(); });
  connect(btnRestart, &QPushButton::clicked, this, [this] { RestartClicked(); });
  connect(btnBack, &QPushButton::clicked, this, [this] { BackClicked(); });
  connect(btnNext, &QPushButton::clicked, this, [this] { NextClicked(); });
  connect(btnExit, &QPushButton::clicked, this, [this] { close(); });

  auto* bar = new QHBoxLayout;
  bar->addWidget(btnAbout);
  bar->addStretch();
  for (QPushButton* b : {btnRestart, btnBack, btnNext, btnExit}) bar->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlHeader);
  layout->addWidget(FPages, 1);
  layout->addLayout(bar);
}

void TfrmMain::BuildPages() {
  tsStart = new TkvStartPage(this);
  tsMerge = new TkvMergePage(FHost, this);
  tsSourceDoc = new TkvSourcePage(FHost, this);
  tsAppend = new TkvAppendPage(FHost, this);
  tsExtract = new TkvExtractPage(FHost, this);
  tsDelete = new TkvDeletePage(this);
  tsBookmark = new TkvBookmarkPage(*FPDFDoc, FHost, this);
  tsThumbnails = new TkvThumbnailPage(FHost, this);
  tsWatermark = new TkvMarkingPage(*FPDFDoc, FHost, this);
  tsForms = new TkvFormsPage(*FPDFDoc, FHost, this);
  tsFinish = new TkvFinishPage(FHost, this);
  tsDone = new TkvDonePage(this);
  for (QWidget* page :
       {static_cast<QWidget*>(tsStart), static_cast<QWidget*>(tsMerge), static_cast<QWidget*>(tsSourceDoc),
        static_cast<QWidget*>(tsAppend), static_cast<QWidget*>(tsExtract), static_cast<QWidget*>(tsDelete),
        static_cast<QWidget*>(tsBookmark), static_cast<QWidget*>(tsThumbnails), static_cast<QWidget*>(tsWatermark),
        static_cast<QWidget*>(tsForms), static_cast<QWidget*>(tsFinish), static_cast<QWidget*>(tsDone)})
    FPages->addWidget(page);
}

void TfrmMain::WireFields() {
  // Fields that gate Next: Next follows them while their page is showing.
  auto gate = [this](QLineEdit* edit, QWidget* page, QPushButton* info) {
    connect(edit, &QLineEdit::textChanged, this, [this, page, info](const QString& text) {
      if (info) info->setEnabled(!text.isEmpty());
      if (CurrentPage() == page) btnNext->setEnabled(!text.isEmpty());
    });
  };
  gate(tsSourceDoc->File->Edit(), tsSourceDoc, tsSourceDoc->btnInfo);
  gate(tsAppend->File->Edit(), tsAppend, tsAppend->btnInfo);
  gate(tsExtract->File->Edit(), tsExtract, tsExtract->btnInfo);
  gate(tsDelete->edRange, tsDelete, nullptr);
  gate(tsFinish->File->Edit(), tsFinish, nullptr);
  tsMerge->OnRowsChanged = [this](int rows) {
    if (CurrentPage() == tsMerge) btnNext->setEnabled(rows > 0);
  };
  tsWatermark->OnCountChanged = [this](int count) {
    if (CurrentPage() == tsWatermark) btnNext->setEnabled(count > 0);
  };
  // A second document chosen anew is loaded anew.
  tsAppend->File->OnChosen = [this] { FPDFTmpDoc->Reset(); };

  connect(tsSourceDoc->btnInfo, &QPushButton::clicked, this,
          [this] { ShowDocumentInfo(*FPDFDoc, tsSourceDoc->File->Text()); });
  connect(tsAppend->btnInfo, &QPushButton::clicked, this,
          [this] { ShowDocumentInfo(*FPDFTmpDoc, tsAppend->File->Text()); });
  connect(tsExtract->btnInfo, &QPushButton::clicked, this,
          [this] { ShowDocumentInfo(*FPDFTmpDoc, tsExtract->File->Text()); });
  connect(tsDone->btnRestart, &QPushButton::clicked, this, [this] { RestartClicked(); });
}

void TfrmMain::WireDocumentEvents(TkvPDFDocument& doc, bool withWarnings) {
  doc.OnIOProgress = [this](TkvCustomPDFDocument*, int percentage) { FProgress->SetPosition(percentage); };
  doc.OnOperationProgress = [this](TkvCustomPDFDocument*, TkvOperation, int current, int total) {
    if (total > 0) FProgress->SetPosition(static_cast<int>(int64_t{current} * 100 / total));
  };
  doc.OnStatusMessage = [this](TkvCustomPDFDocument*, const std::string& text) {
    FProgress->SetStatus(QString::fromStdString(text));
  };
  if (withWarnings) {
    doc.OnWarning = [this](TkvCustomPDFDocument*, const std::string& warning) {
      if (!FWarningsShown.insert(warning).second) return;
      FHost.ShowMessage(this, TkvMessageKind::mkPlain, QString::fromStdString(warning));
    };
  }
  doc.OnPassword = [this](TkvCustomPDFDocument*, std::string& password, bool& cont) {
    TfrmPassword dialog(FromAnsi(password), this);
    cont = FHost.ExecDialog(dialog) == QDialog::Accepted;
    if (cont) password = ToAnsi(dialog.Password());
  };
}

QWidget* TfrmMain::CurrentPage() const { return FPages->currentWidget(); }
QString TfrmMain::Heading() const { return lblHeading->text(); }
QString TfrmMain::InfoText() const { return lblInfo->text(); }
bool TfrmMain::HeaderShown() const { return pnlHeader->isVisibleTo(this); }

void TfrmMain::ShowPage(QWidget* page) {
  static const std::pair<const char*, PageText> kTexts[] = {
      {"tsStart", {ui::SHeadStart, ui::SInfoStart}},
      {"tsMerge", {ui::SHeadMerge, ui::SInfoMerge}},
      {"tsSourceDoc", {ui::SHeadSource, ui::SInfoSource}},
      {"tsAppend", {ui::SHeadAppend, ui::SInfoAppend}},
      {"tsExtract", {ui::SHeadExtract, ui::SInfoExtract}},
      {"tsDelete", {ui::SHeadDelete, ui::SInfoDelete}},
      {"tsBookmark", {ui::SHeadBookmarks, ui::SInfoBookmarks}},
      {"tsThumbnails", {ui::SHeadThumbnails, ui::SInfoThumbnails}},
      {"tsWatermark", {ui::SHeadWatermark, ui::SInfoWatermark}},
      {"tsForms", {ui::SHeadForms, ui::SInfoForms}},
      {"tsFinish", {ui::SHeadFinish, ui::SInfoFinish}},
  };
  FPages->setCurrentWidget(page);
  for (const auto& [name, text] : kTexts) {
    if (page->objectName() != name) continue;
    lblHeading->setText(text.heading);
    lblInfo->setText(DisplayText(text.info));
  }
  btnRestart->setVisible(page != tsDone);
  if (page == tsStart) {
    btnBack->setEnabled(false);
    btnNext->setEnabled(true);
    btnRestart->setEnabled(false);
  } else if (page == tsMerge) {
    btnNext->setEnabled(tsMerge->RowCount() > 0);
  } else if (page == tsSourceDoc) {
    bool named = !tsSourceDoc->File->Text().isEmpty();
    btnNext->setEnabled(named);
    tsSourceDoc->btnInfo->setEnabled(named);
  } else if (page == tsAppend) {
    btnNext->setEnabled(!tsAppend->File->Text().isEmpty());
  } else if (page == tsDelete) {
    btnNext->setEnabled(!tsDelete->edRange->text().isEmpty());
  } else if (page == tsBookmark) {
    tsBookmark->ShowUnits();
  } else if (page == tsWatermark) {
    btnNext->setEnabled(tsWatermark->Count() > 0);
    tsWatermark->PageShown();
  } else if (page == tsFinish) {
    btnNext->setEnabled(!tsFinish->File->Text().isEmpty());
    if (FinishBackLocked()) btnBack->setEnabled(false);
  } else if (page == tsDone) {
    pnlHeader->setVisible(false);
  }
}

bool TfrmMain::FinishBackLocked() const {
  // Deleted or added pages are already in the document, and so is whatever the finish
  // step stamped before a failed save: going back would apply them a second time.
  TkvWizardOperation op = Operation();
  return op == TkvWizardOperation::woDelete || op == TkvWizardOperation::woAppend || FMarkingsStamped > 0 ||
         FThumbnailsSet || FDemoStamped;
}

void TfrmMain::Stay() {
  if (!FHistory.empty()) FHistory.pop();
}

void TfrmMain::ResetControls() {
  tsForms->ResetControls();
  tsThumbnails->ResetControls();
  tsMerge->ResetControls();
  tsSourceDoc->ResetControls();
  tsAppend->ResetControls();
  tsExtract->ResetControls();
  tsDelete->ResetControls();
  tsFinish->ResetControls();
  tsBookmark->ResetControls();
  FMarkingsStamped = 0;
  FThumbnailsSet = false;
  FDemoStamped = false;
}

void TfrmMain::BackClicked() {
  QWidget* current = CurrentPage();
  if (current == tsSourceDoc || current == tsExtract || current == tsMerge || current == tsThumbnails) {
    if (FPDFDoc->DocumentLoaded()) {
      if (!FHost.Confirm(this, DisplayText(ui::SConfirmDiscard))) return;
      FPDFDoc->Reset();
    }
    FPDFTmpDoc->Reset();
    ResetControls();
  }
  btnNext->setEnabled(true);
  if (FHistory.empty()) return;
  QWidget* previous = FHistory.top();
  FHistory.pop();
  ShowPage(previous);
  if (previous == tsStart) btnBack->setEnabled(false);
}

void TfrmMain::RestartClicked() {
  if (CurrentPage() != tsDone && !FHost.Confirm(this, ui::SConfirmRestart)) return;
  FPDFDoc->Reset();
  FPDFTmpDoc->Reset();
  ResetControls();
  FHistory = {};
  ShowPage(tsStart);
  btnBack->setEnabled(false);
  FSettings->ResetFields();
  pnlHeader->setVisible(true);
}

void TfrmMain::AboutClicked() { FHost.ExecDialog(*FAbout); }

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (FHost.Confirm(this, ui::SConfirmExit))
    event->accept();
  else
    event->ignore();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // Keys that no field took: Backspace steps back, Return and Enter step forward.
  if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
    if (btnBack->isEnabled()) BackClicked();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && btnNext->isEnabled() &&
      btnNext->isVisible()) {
    NextClicked();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmMain::ShowError(const QString& text) { FHost.ShowMessage(this, TkvMessageKind::mkError, text); }

TkvBusyScope TfrmMain::Busy() {
  FWarningsShown.clear();
  return TkvBusyScope(*FProgress);
}

bool TfrmMain::LoadDocument(TkvPDFDocument& doc, const QString& fileName) {
  auto openable = [&fileName] {
    QFile file(fileName);
    return QFileInfo(fileName).isFile() && file.open(QIODevice::ReadOnly);
  };
  if (!openable()) {
    ShowError(ui::SCannotOpen);
    return false;
  }
  try {
    TkvBusyScope busy = Busy();
    return doc.LoadFromFile(FileSystemName(fileName));
  } catch (const std::exception& e) {
    doc.Reset();
    ShowError(openable() ? QString::fromStdString(e.what()) : QString(ui::SCannotOpen));
    return false;
  }
}

bool TfrmMain::EnsureLoaded(TkvPDFDocument& doc, const QString& fileName) {
  if (doc.DocumentLoaded() && doc.FileName() == FileSystemName(fileName)) return true;
  return LoadDocument(doc, fileName);
}

void TfrmMain::ShowDocumentInfo(TkvPDFDocument& doc, const QString& fileName) {
  if (!EnsureLoaded(doc, fileName)) return;
  TfrmDocInfo dialog(doc, FHost, this);
  FHost.ExecDialog(dialog);
}

}  // namespace kv
