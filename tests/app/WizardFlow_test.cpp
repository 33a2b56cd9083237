// The page sequence: what each page shows, which fields gate Next, what Back, Restart
// and Exit ask and undo, the loading procedure's messages, and the page history.
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "WizardFixture.h"
#include "app/dialogs/kvPasswordDlg.h"
#include "app/kvSimpleDemoConsts.h"
#include "app/pages/kvMergePage.h"
#include "app/pages/kvThumbnailPage.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvMessageKind;
using kv::TkvWizardOperation;
namespace ui = kv::ui;

TEST_F(WizardTest, StartPageOffersEightOperationsWithMergeChosen) {
  EXPECT_EQ(Page(), W().tsStart);
  EXPECT_EQ(W().Heading(), ui::SHeadStart);
  EXPECT_EQ(W().InfoText(), kv::DisplayText(ui::SInfoStart));
  EXPECT_EQ(W().windowTitle(), "Kestrova Folioworks Demo");
  EXPECT_FALSE(W().btnBack->isEnabled());
  EXPECT_TRUE(W().btnNext->isEnabled());
  EXPECT_TRUE(W().btnRestart->isVisible());
  EXPECT_FALSE(W().btnRestart->isEnabled());
  EXPECT_EQ(W().btnRestart->toolTip(), "Abort current operation and start from menu");
  EXPECT_EQ(W().Operation(), TkvWizardOperation::woMerge);
  // Exactly one button is down: choosing another releases the first.
  Choose(TkvWizardOperation::woBookmarks);
  EXPECT_EQ(W().Operation(), TkvWizardOperation::woBookmarks);
  EXPECT_FALSE(W().tsStart->Button(TkvWizardOperation::woMerge)->isChecked());
  const char* labels[] = {"Merge a list of documents",
                          "Append/Insert Pages",
                          "Extract pages from a document",
                          "Delete pages from a document",
                          "Insert Thumbnails for Pages",
                          "Stamp the document",
                          "Manage Bookmarks",
                          "Fill AcroForms in the document"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(W().tsStart->Button(static_cast<TkvWizardOperation>(i))->text(), labels[i]);
}

// Where Next leads from the start page and, for the operations on one document, from the
// source page; and what each page says.
struct Route {
  TkvWizardOperation Op;
  const char* FirstHeading;
  const char* OperationHeading;  // after the source page, or nullptr
  const char* OperationInfo;
};
void PrintTo(const Route& r, std::ostream* os) { *os << (r.OperationHeading ? r.OperationHeading : r.FirstHeading); }

std::string RouteName(const ::testing::TestParamInfo<Route>& info) {
  const char* names[] = {"Merge", "Append", "Extract", "Delete", "Thumbnails", "Watermarks", "Bookmarks", "Forms"};
  return names[static_cast<int>(info.param.Op)];
}

class WizardRoutes : public WizardTest, public ::testing::WithParamInterface<Route> {};

TEST_P(WizardRoutes, NextLeadsToTheOperationsPage) {
  const Route& r = GetParam();
  Choose(r.Op);
  Next();
  EXPECT_EQ(W().Heading(), r.FirstHeading);
  EXPECT_TRUE(W().btnBack->isEnabled());
  EXPECT_TRUE(W().btnRestart->isEnabled());
  if (!r.OperationHeading) return;
  EXPECT_FALSE(W().btnNext->isEnabled()) << "no file named yet";
  Type(W().tsSourceDoc->File->Edit(), Q(Data("iwb-radio.pdf")));
  EXPECT_TRUE(W().tsSourceDoc->btnInfo->isEnabled());
  Next();
  EXPECT_TRUE(W().PDFDoc().DocumentLoaded()) << host.AllMessages();
  EXPECT_EQ(W().Heading(), r.OperationHeading);
  EXPECT_EQ(W().InfoText(), kv::DisplayText(r.OperationInfo));
  EXPECT_EQ(W().HistoryDepth(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, WizardRoutes,
    ::testing::Values(Route{TkvWizardOperation::woMerge, ui::SHeadMerge, nullptr, nullptr},
                      Route{TkvWizardOperation::woExtract, ui::SHeadExtract, nullptr, nullptr},
                      Route{TkvWizardOperation::woAppend, ui::SHeadSource, ui::SHeadAppend, ui::SInfoAppend},
                      Route{TkvWizardOperation::woDelete, ui::SHeadSource, ui::SHeadDelete, ui::SInfoDelete},
                      Route{TkvWizardOperation::woThumbnails, ui::SHeadSource, ui::SHeadThumbnails,
                            ui::SInfoThumbnails},
                      Route{TkvWizardOperation::woWatermarks, ui::SHeadSource, ui::SHeadWatermark, ui::SInfoWatermark},
                      Route{TkvWizardOperation::woBookmarks, ui::SHeadSource, ui::SHeadBookmarks, ui::SInfoBookmarks},
                      Route{TkvWizardOperation::woAcroForms, ui::SHeadSource, ui::SHeadForms, ui::SInfoForms}),
    RouteName);

TEST_F(WizardTest, FieldsKeepNextInStepWhileTheyAreEdited) {
  Choose(TkvWizardOperation::woExtract);
  Next();
  QLineEdit* file = W().tsExtract->File->Edit();
  EXPECT_FALSE(W().tsExtract->btnInfo->isEnabled());
  Type(file, "x");
  EXPECT_TRUE(W().btnNext->isEnabled());
  EXPECT_TRUE(W().tsExtract->btnInfo->isEnabled());
  Type(file, "");
  EXPECT_FALSE(W().btnNext->isEnabled());
  EXPECT_FALSE(W().tsExtract->btnInfo->isEnabled());
}

TEST_F(WizardTest, RangeAndNumberFieldsDropOtherCharacters) {
  struct Case {
    QLineEdit* Edit;
    const char* Typed;
    const char* Kept;
  };
  const Case cases[] = {
      {W().tsDelete->edRange, "1, 3-5;a7", "1,3-57"},
      {W().tsExtract->edRange, "2-x4,,9", "2-4,,9"},
      {W().tsAppend->edPages, "1 2", "12"},
      {W().tsAppend->edInsertAfter, "1-2,x3", "123"},
  };
  for (const Case& c : cases) {
    c.Edit->setEnabled(true);
    Type(c.Edit, c.Typed);
    EXPECT_EQ(c.Edit->text(), c.Kept) << c.Typed;
  }
}

TEST_F(WizardTest, AppendChoicesGreyTheirFields) {
  kv::TkvAppendPage& p = *W().tsAppend;
  EXPECT_TRUE(p.rbAllPages->isChecked());
  EXPECT_TRUE(p.rbAppend->isChecked());
  EXPECT_FALSE(p.edPages->isEnabled());
  EXPECT_FALSE(p.edInsertAfter->isEnabled());
  p.rbPages->setChecked(true);
  p.rbInsertAfter->setChecked(true);
  EXPECT_TRUE(p.edPages->isEnabled());
  EXPECT_TRUE(p.edInsertAfter->isEnabled());
  p.rbAllPages->setChecked(true);
  EXPECT_FALSE(p.edPages->isEnabled());
}

TEST_F(WizardTest, SameSourceIsKeptAndAnotherIsLoaded) {
  OpenSource(TkvWizardOperation::woDelete, Data("iwb-radio.pdf"));
  ASSERT_EQ(Page(), W().tsDelete);
  const int first = W().PDFDoc().DocumentId();
  Back();
  EXPECT_EQ(Page(), W().tsSourceDoc);
  EXPECT_TRUE(W().PDFDoc().DocumentLoaded()) << "Back from an operation page keeps the document";
  EXPECT_TRUE(host.Questions.empty());
  Next();
  EXPECT_EQ(W().PDFDoc().DocumentId(), first) << "the same name is not loaded again";
  Back();
  Type(W().tsSourceDoc->File->Edit(), Q(Data("groff-letter.pdf")));
  Next();
  EXPECT_NE(W().PDFDoc().DocumentId(), first);
  EXPECT_EQ(W().PDFDoc().PageCount(), 1);
}

TEST_F(WizardTest, LoadingFailuresAreToldAndTheSourcePageStays) {
  struct Case {
    std::string File;
    QString Message;  // empty: the library's message, whatever it says
  };
  const Case cases[] = {
      {Out("missing.pdf"), ui::SCannotOpen},
      {std::string(FOLIO_APP_TEST_DIR), ui::SCannotOpen},  // a folder
      {Data("garbage.pdf"), QString()},
  };
  Choose(TkvWizardOperation::woDelete);
  Next();
  for (const Case& c : cases) {
    host.Messages.clear();
    Type(W().tsSourceDoc->File->Edit(), Q(c.File));
    Next();
    EXPECT_EQ(Page(), W().tsSourceDoc) << c.File;
    ASSERT_EQ(host.Messages.size(), 1u) << c.File;
    EXPECT_EQ(host.Messages[0].Kind, TkvMessageKind::mkError);
    if (!c.Message.isEmpty()) {
      EXPECT_EQ(host.Messages[0].Text, c.Message);
    }
    EXPECT_FALSE(W().PDFDoc().DocumentLoaded());
    EXPECT_EQ(W().HistoryDepth(), 1) << "the history is as before";
    EXPECT_TRUE(W().btnNext->isEnabled());
  }
}

TEST_F(WizardTest, EncryptedSourceAsksForThePassword) {
  Choose(TkvWizardOperation::woDelete);
  Next();
  Type(W().tsSourceDoc->File->Edit(), Q(Data("rc4-128-userpw.pdf")));
  // Cancel first: nothing loads, nothing is said.
  host.DialogAnswers.push_back(Press("btnCancel"));
  Next();
  EXPECT_EQ(Page(), W().tsSourceDoc);
  EXPECT_FALSE(W().PDFDoc().DocumentLoaded());
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
  // Then the password, typed into the masked field.
  host.DialogAnswers.push_back(PressAfter([](QDialog& d) {
    auto* field = d.findChild<QLineEdit*>("edPassword");
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.windowTitle(), "Password Dialog");
    QTest::keyClicks(field, "user128");
  }));
  Next();
  EXPECT_EQ(Page(), W().tsDelete) << host.AllMessages();
  EXPECT_EQ(host.DialogsShown, (std::vector<QString>{"frmPassword", "frmPassword"}));
}

TEST_F(WizardTest, MergeNeedsTwoDocuments) {
  Next();
  ASSERT_EQ(Page(), W().tsMerge);
  EXPECT_FALSE(W().btnNext->isEnabled()) << "an empty list keeps Next disabled";
  W().tsMerge->AddFiles({Q(Data("groff-letter.pdf"))});
  EXPECT_TRUE(W().btnNext->isEnabled());
  Next();
  EXPECT_EQ(Page(), W().tsMerge);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, TkvMessageKind::mkWarning);
  EXPECT_EQ(host.Messages[0].Text, "Add two or more files to merge!");
  EXPECT_EQ(W().HistoryDepth(), 1);
}

TEST_F(WizardTest, MergeOfAnUnreadableFileStaysWithTheMessage) {
  Next();
  W().tsMerge->AddFiles({Q(Data("groff-letter.pdf")), Q(Data("garbage.pdf"))});
  Next();
  EXPECT_EQ(Page(), W().tsMerge);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, TkvMessageKind::mkError);
  EXPECT_FALSE(W().PDFDoc().DocumentLoaded());
  EXPECT_TRUE(W().btnNext->isEnabled());
}

TEST_F(WizardTest, AppendAndExtractValidateTheirFields) {
  struct Case {
    TkvWizardOperation Op;
    std::function<void()> Fill;
    QString Message;
  };
  const Case cases[] = {
      {TkvWizardOperation::woAppend,
       [this] {
         Type(W().tsAppend->File->Edit(), Q(Data("groff-letter.pdf")));
         W().tsAppend->rbPages->setChecked(true);
       },
       "Enter pages to insert or append"},
      {TkvWizardOperation::woAppend,
       [this] {
         Type(W().tsAppend->File->Edit(), Q(Data("groff-letter.pdf")));
         W().tsAppend->rbInsertAfter->setChecked(true);
       },
       "Enter the page after which the pages are to be inserted"},
      {TkvWizardOperation::woExtract, [this] { Type(W().tsExtract->File->Edit(), Q(Data("iwb-radio.pdf"))); },
       "Enter the page range to extract"},
  };
  for (const Case& c : cases) {
    host.DefaultConfirm = true;
    W().RestartClicked();
    host.Messages.clear();
    if (c.Op == TkvWizardOperation::woAppend)
      OpenSource(c.Op, Data("iwb-radio.pdf"));
    else {
      Choose(c.Op);
      Next();
    }
    QWidget* page = Page();
    const int depth = W().HistoryDepth();
    c.Fill();
    Next();
    EXPECT_EQ(Page(), page);
    EXPECT_EQ(W().HistoryDepth(), depth);
    ASSERT_EQ(host.Messages.size(), 1u) << c.Message.toStdString();
    EXPECT_EQ(host.Messages[0].Kind, TkvMessageKind::mkInformation);
    EXPECT_EQ(host.Messages[0].Text, c.Message);
    EXPECT_FALSE(W().PDFTmpDoc().DocumentLoaded()) << "nothing loaded before the fields are complete";
  }
}

TEST_F(WizardTest, DeleteAsksFirstAndReportsABadRange) {
  OpenSource(TkvWizardOperation::woDelete, Data("iwb-radio.pdf"));
  Type(W().tsDelete->edRange, "2");
  // No: the page, its range and the history stay as they were.
  host.ConfirmAnswers = {false};
  Next();
  EXPECT_EQ(host.Questions.back(), "Are you sure you want to delete pages?");
  EXPECT_EQ(Page(), W().tsDelete);
  EXPECT_EQ(W().tsDelete->edRange->text(), "2");
  EXPECT_EQ(W().PDFDoc().PageCount(), 3);
  EXPECT_TRUE(W().btnNext->isEnabled());
  EXPECT_EQ(W().HistoryDepth(), 2);
  // A range beyond the document: the library's reason after the wizard's words.
  Type(W().tsDelete->edRange, "7");
  Next();
  EXPECT_EQ(Page(), W().tsDelete);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Kind, TkvMessageKind::mkError);
  EXPECT_EQ(host.Messages[0].Text, "Error Deleting Pages! Invalid page number (7)");
  EXPECT_FALSE(W().btnNext->isEnabled()) << "until the range is edited";
  EXPECT_EQ(W().PDFDoc().PageCount(), 3);
  // Then Back leads to the source page.
  Back();
  EXPECT_EQ(Page(), W().tsSourceDoc);
  // And a good range deletes; the finish page then has no way back.
  Next();
  Type(W().tsDelete->edRange, "2-3");
  Next();
  EXPECT_EQ(Page(), W().tsFinish);
  EXPECT_EQ(W().PDFDoc().PageCount(), 1);
  EXPECT_FALSE(W().btnBack->isEnabled());
}

TEST_F(WizardTest, BackFromALoadedSourceAsksAndClearsEveryField) {
  OpenSource(TkvWizardOperation::woThumbnails, Data("iwb-radio.pdf"));
  ASSERT_EQ(Page(), W().tsThumbnails);
  EXPECT_EQ(W().tsThumbnails->lstPages->topLevelItemCount(), 3);
  // No: nothing changes.
  host.ConfirmAnswers = {false};
  Back();
  EXPECT_EQ(host.Questions.back(), kv::DisplayText(ui::SConfirmDiscard));
  EXPECT_EQ(Page(), W().tsThumbnails);
  EXPECT_TRUE(W().PDFDoc().DocumentLoaded());
  // Yes: the document is dropped and every page's fields are cleared.
  Back();
  EXPECT_EQ(Page(), W().tsSourceDoc);
  EXPECT_FALSE(W().PDFDoc().DocumentLoaded());
  EXPECT_EQ(W().tsThumbnails->lstPages->topLevelItemCount(), 0);
  EXPECT_TRUE(W().tsSourceDoc->File->Text().isEmpty());
  EXPECT_FALSE(W().tsSourceDoc->btnInfo->isEnabled());
  EXPECT_FALSE(W().btnNext->isEnabled());
  Back();
  EXPECT_EQ(Page(), W().tsStart);
  EXPECT_FALSE(W().btnBack->isEnabled());
  EXPECT_EQ(W().HistoryDepth(), 0);
}

TEST_F(WizardTest, BackspaceReceivedByTheWindowStepsBack) {
  Choose(TkvWizardOperation::woDelete);
  Next();
  // Typed into a field, Backspace edits the field.
  Type(W().tsSourceDoc->File->Edit(), "ab");
  QTest::keyClick(W().tsSourceDoc->File->Edit(), Qt::Key_Backspace);
  EXPECT_EQ(W().tsSourceDoc->File->Text(), "a");
  EXPECT_EQ(Page(), W().tsSourceDoc);
  QTest::keyClick(&W(), Qt::Key_Backspace);
  EXPECT_EQ(Page(), W().tsStart);
  // On the start page Back is disabled, and so is Backspace.
  QTest::keyClick(&W(), Qt::Key_Backspace);
  EXPECT_EQ(Page(), W().tsStart);
}

TEST_F(WizardTest, RestartAsksUnlessDoneAndStartsOver) {
  OpenSource(TkvWizardOperation::woDelete, Data("iwb-radio.pdf"));
  host.ConfirmAnswers = {false};
  Click(W().btnRestart);
  EXPECT_EQ(host.Questions.back(), "Are you sure you want to restart?");
  EXPECT_EQ(Page(), W().tsDelete);
  Click(W().btnRestart);
  EXPECT_EQ(Page(), W().tsStart);
  EXPECT_FALSE(W().PDFDoc().DocumentLoaded());
  EXPECT_FALSE(W().btnBack->isEnabled());
  EXPECT_FALSE(W().btnRestart->isEnabled());
  EXPECT_TRUE(W().HeaderShown());
  EXPECT_EQ(W().Operation(), TkvWizardOperation::woDelete) << "the choice of operation is kept";
}

TEST_F(WizardTest, ExitAndClosingAskBeforeEnding) {
  host.ConfirmAnswers = {false, true};
  Click(W().btnExit);
  EXPECT_EQ(host.Questions.back(), "Do you want to end your Folioworks session?");
  EXPECT_TRUE(W().isVisible());
  W().close();
  EXPECT_EQ(host.Questions.size(), 2u);
  EXPECT_FALSE(W().isVisible());
}

TEST_F(WizardTest, CancelledSettingsLeaveTheDocumentUnsaved) {
  OpenSource(TkvWizardOperation::woBookmarks, Data("iwb-radio.pdf"));
  Next();
  ASSERT_EQ(Page(), W().tsFinish);
  EXPECT_FALSE(W().btnNext->isEnabled()) << "no output named";
  Type(W().tsFinish->File->Edit(), Q(Out("out.pdf")));
  host.DialogAnswers.push_back(Press("btnCancel"));
  Next();
  EXPECT_EQ(host.DialogsShown.back(), "frmSettings");
  EXPECT_EQ(Page(), W().tsFinish);
  EXPECT_TRUE(W().btnNext->isEnabled());
  EXPECT_TRUE(W().btnBack->isEnabled());
  EXPECT_FALSE(FileExists(Out("out.pdf")));
  EXPECT_EQ(W().HistoryDepth(), 3);
}

TEST_F(WizardTest, FailedSaveIsToldAndTheFinishPageStays) {
  OpenSource(TkvWizardOperation::woBookmarks, Data("iwb-radio.pdf"));
  Next();
  Finish(Out("no-such-folder/out.pdf"));
  EXPECT_EQ(Page(), W().tsFinish);
  ASSERT_FALSE(host.Messages.empty());
  EXPECT_EQ(host.Messages.back().Kind, TkvMessageKind::mkError);
  EXPECT_EQ(host.Messages.back().Text, "Error saving file. The file could be in use by another process.");
  EXPECT_TRUE(W().btnNext->isEnabled());
  // Named anew, the same document is saved.
  Finish(Out("out.pdf"));
  EXPECT_EQ(Page(), W().tsDone);
  EXPECT_TRUE(QpdfCheckClean(Out("out.pdf")));
}

TEST_F(WizardTest, DonePageHidesTheHeaderAndItsRestartNeedsNoConfirmation) {
  OpenSource(TkvWizardOperation::woBookmarks, Data("groff-letter.pdf"));
  Next();
  Finish(Out("done.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  EXPECT_FALSE(W().HeaderShown());
  EXPECT_FALSE(W().btnRestart->isVisible());
  EXPECT_FALSE(W().btnNext->isEnabled());
  EXPECT_FALSE(W().btnBack->isEnabled());
  EXPECT_EQ(W().tsDone->lblDone->text(),
            "Document has been successfully saved.\nClick Restart to manage a new document.");
  // "Open After Save" is checked when the dialog first shows: the saved file is opened.
  EXPECT_EQ(host.Launched, std::vector<std::string>{Out("done.pdf")});
  const size_t asked = host.Questions.size();
  Click(W().tsDone->btnRestart);
  EXPECT_EQ(host.Questions.size(), asked);
  EXPECT_EQ(Page(), W().tsStart);
  EXPECT_TRUE(W().HeaderShown());
  EXPECT_TRUE(W().btnRestart->isVisible());
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

TEST_F(WizardTest, EveryButtonIsReachableFromTheKeyboard) {
  // Return steps forward like the default button.
  QTest::keyClick(&W(), Qt::Key_Return);
  EXPECT_EQ(Page(), W().tsMerge);
  QTest::keyClick(&W(), Qt::Key_Backspace);
  EXPECT_EQ(Page(), W().tsStart);
  // Every button takes the focus by Tab; the bar's buttons also have their Alt letters.
  for (QAbstractButton* b : W().findChildren<QAbstractButton*>()) {
    // The zoom arrows (the field steps by keys) and the grid's corner are no controls of their own.
    if (qobject_cast<QToolButton*>(b) || QByteArray(b->metaObject()->className()) == "QTableCornerButton") continue;
    EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus) << b->objectName().toStdString();
  }
  for (QPushButton* b : {W().btnRestart, W().btnBack, W().btnNext, W().btnExit})
    EXPECT_FALSE(b->shortcut().isEmpty()) << b->text().toStdString();
}

}  // namespace
}  // namespace kvtest
