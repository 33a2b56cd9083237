// The wizard's window: owns the two documents and the page history, and decides what
// Next, Back, Restart and Exit do on each page. The pages' editors and the dialogs are
// their own classes; every PDF effect is one call into the library.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <stack>
#include <string>

#include "app/pages/kvSimplePages.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace kv {

class TkvPDFDocument;
class TkvWizardHost;
class TkvMergePage;
class TkvThumbnailPage;
class TkvBookmarkPage;
class TkvMarkingPage;
class TkvFormsPage;
class TfrmProgress;
class TfrmSettings;
class TfrmAbout;
class TkvBusyScope;

class TfrmMain : public QWidget {
 public:
  explicit TfrmMain(TkvWizardHost& host, QWidget* parent = nullptr);
  ~TfrmMain() override;

  TkvPDFDocument& PDFDoc() { return *FPDFDoc; }
  TkvPDFDocument& PDFTmpDoc() { return *FPDFTmpDoc; }
  TfrmProgress& Progress() { return *FProgress; }
  TfrmSettings& Settings() { return *FSettings; }
  TfrmAbout& About() { return *FAbout; }

  QWidget* CurrentPage() const;
  // The header panel's texts as the user reads them.
  QString Heading() const;
  QString InfoText() const;
  bool HeaderShown() const;
  int HistoryDepth() const { return static_cast<int>(FHistory.size()); }
  TkvWizardOperation Operation() const { return tsStart->Operation(); }

  void NextClicked();
  void BackClicked();
  void RestartClicked();
  void AboutClicked();

  // ---- pages ----
  TkvStartPage* tsStart;
  TkvMergePage* tsMerge;
  TkvSourcePage* tsSourceDoc;
  TkvAppendPage* tsAppend;
  TkvExtractPage* tsExtract;
  TkvDeletePage* tsDelete;
  TkvBookmarkPage* tsBookmark;
  TkvThumbnailPage* tsThumbnails;
  TkvMarkingPage* tsWatermark;
  TkvFormsPage* tsForms;
  TkvFinishPage* tsFinish;
  TkvDonePage* tsDone;

  // ---- button bar ----
  QPushButton *btnAbout, *btnRestart, *btnBack, *btnNext, *btnExit;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildWindow();
  void BuildPages();
  void WireFields();
  void WireDocumentEvents(TkvPDFDocument& doc, bool withWarnings);
  void ShowPage(QWidget* page);
  void ResetControls();
  void Stay();
  bool FinishBackLocked() const;

  // Next, page by page.
  void NextFromStart();
  void NextFromSource();
  void NextFromMerge();
  void NextFromAppend();
  void NextFromExtract();
  void NextFromDelete();
  void NextFromFinish();
  // The finish step: false when a step failed (the user was told and stays).
  bool ApplyMarkings();
  bool ApplyThumbnails();
  bool StampDemo();
  bool SaveDocument();
  void MailDocument(const std::string& savedName);

  // The loading procedure: busy cursor, progress window, `LoadFromFile`, and every
  // failure told to the user; true when the document is loaded.
  bool LoadDocument(TkvPDFDocument& doc, const QString& fileName);
  // Loads `doc` from `fileName` unless it already holds that file.
  bool EnsureLoaded(TkvPDFDocument& doc, const QString& fileName);
  void ShowDocumentInfo(TkvPDFDocument& doc, const QString& fileName);
  void ShowError(const QString& text);
  // Starts one piece of long work: busy cursor and progress window until destroyed.
  TkvBusyScope Busy();
  // Runs one piece of long work under Busy(); a failure is told with the library's message
  // and gives false. The page operations fail this way without leaving the wizard.
  bool RunBusy(const std::function<void()>& work);

  TkvWizardHost& FHost;
  std::unique_ptr<TkvPDFDocument> FPDFDoc;
  std::unique_ptr<TkvPDFDocument> FPDFTmpDoc;
  std::stack<QWidget*> FHistory;
  // Warnings already shown during the current piece of work: a damaged file that repeats
  // one warning for each of its objects shows it once.
  std::set<std::string> FWarningsShown;
  // What the finish step has already put into the document, so that a save that failed
  // and is tried again does not stamp the document twice.
  int FMarkingsStamped = 0;
  bool FThumbnailsSet = false;
  bool FDemoStamped = false;

  QWidget* pnlHeader;
  QLabel* lblHeading;
  QLabel* lblInfo;
  QStackedWidget* FPages;
  TfrmProgress* FProgress;
  TfrmSettings* FSettings;
  TfrmAbout* FAbout;
};

// A file name as the file system spells it.
std::string FileSystemName(const QString& fileName);
// The name under which the library saves `fileName` (".pdf" added to another extension).
std::string SavedFileName(const std::string& fileName);
// A text of the string tables as a label shows it (line breaks without CR).
QString DisplayText(const char* text);

}  // namespace kv
