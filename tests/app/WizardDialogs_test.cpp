// The information dialog behind the "Info" buttons, the about box, and the progress
// window as the document's events drive it.
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "WizardFixture.h"
#include "app/dialogs/kvDocInfoDlg.h"
#include "app/dialogs/kvProgressDlg.h"
#include "app/pages/kvMergePage.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvWizardOperation;

// Reads the information dialog's fields, then closes it (or views the file first).
TestHost::DialogAnswer ReadInfo(std::vector<QString>& fields, bool view = false) {
  return [&fields, view](QDialog& d) {
    d.show();
    EXPECT_EQ(d.windowTitle(), "Document Information");
    auto& info = static_cast<kv::TfrmDocInfo&>(d);
    for (int i = 0; i < kv::TfrmDocInfo::kFieldCount; ++i) {
      fields.push_back(info.Field(i)->text());
      EXPECT_TRUE(info.Field(i)->isReadOnly());
    }
    if (view) QTest::mouseClick(d.findChild<QAbstractButton*>("btnViewPdf"), Qt::LeftButton);
    QTest::mouseClick(d.findChild<QAbstractButton*>("btnClose"), Qt::LeftButton);
    return d.result();
  };
}

TEST_F(WizardTest, InfoShowsTheNamedDocumentAndViewsIt) {
  Choose(TkvWizardOperation::woDelete);
  Next();
  const std::string file = Data("iwb-radio.v1.3.pdf");
  Type(W().tsSourceDoc->File->Edit(), Q(file));
  std::vector<QString> fields;
  host.DialogAnswers.push_back(ReadInfo(fields, true));
  Click(W().tsSourceDoc->btnInfo);
  ASSERT_EQ(fields.size(), 9u) << host.AllMessages();
  EXPECT_EQ(fields[0], Q(file));
  EXPECT_EQ(fields[7], "1.3 (Acrobat 4.x)");
  EXPECT_EQ(fields[8], "3");
  EXPECT_EQ(fields[6].toStdString(), W().PDFDoc().GetProducer());
  EXPECT_EQ(host.Launched, std::vector<std::string>{file}) << "View PDF opens the file";
  // The document Info loaded is the one Next uses: it is not loaded again.
  const int id = W().PDFDoc().DocumentId();
  Next();
  EXPECT_EQ(Page(), W().tsDelete);
  EXPECT_EQ(W().PDFDoc().DocumentId(), id);
}

TEST_F(WizardTest, InfoOfTheSecondDocumentsLoadsItAside) {
  OpenSource(TkvWizardOperation::woAppend, Data("iwb-radio.pdf"));
  Type(W().tsAppend->File->Edit(), Q(Data("forensics-a-text.pdf")));
  std::vector<QString> fields;
  host.DialogAnswers.push_back(ReadInfo(fields));
  Click(W().tsAppend->btnInfo);
  ASSERT_EQ(fields.size(), 9u);
  EXPECT_EQ(fields[8], "2");
  EXPECT_EQ(W().PDFDoc().PageCount(), 3) << "the main document is untouched";
  EXPECT_TRUE(W().PDFTmpDoc().DocumentLoaded());
  // An unreadable file: the loading procedure's message, and no dialog.
  Type(W().tsAppend->File->Edit(), Q(Out("none.pdf")));
  Click(W().tsAppend->btnInfo);
  EXPECT_EQ(host.LastMessage(), "The file specified could not be opened.");
  EXPECT_EQ(host.DialogsShown.size(), 1u);
}

TEST_F(WizardTest, AboutNamesTheProductAndVersion) {
  host.DialogAnswers.push_back([](QDialog& d) {
    d.show();
    EXPECT_EQ(d.findChild<QLabel*>("lblProduct")->text(), "Kestrova Folioworks Demo");
    EXPECT_TRUE(d.findChild<QLabel*>("lblVersion")->text().startsWith("Version "));
    QTest::mouseClick(d.findChild<QAbstractButton*>("btnOK"), Qt::LeftButton);
    return d.result();
  });
  Click(W().btnAbout);
  EXPECT_EQ(host.DialogsShown, std::vector<QString>{"frmAbout"});
}

TEST_F(WizardTest, ProgressWindowFollowsTheDocumentsEvents) {
  kv::TfrmProgress& p = W().Progress();
  EXPECT_EQ(p.windowTitle(), "Document Processing Progress");
  EXPECT_TRUE(p.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(p.windowFlags() & Qt::Tool);
  EXPECT_FALSE(p.windowFlags() & Qt::WindowCloseButtonHint);
  kv::TkvPDFDocument& doc = W().PDFDoc();
  struct Case {
    int Current, Total, Gauge;
  };
  // current * 100 div total; a total of 0 leaves the gauge as it was.
  const Case cases[] = {{1, 3, 33}, {2, 3, 66}, {3, 3, 100}, {5, 0, 100}, {1, 8, 12}};
  p.Start();
  EXPECT_TRUE(p.isVisible());
  for (const Case& c : cases) {
    doc.OnOperationProgress(&doc, kv::opMerge, c.Current, c.Total);
    EXPECT_EQ(p.Gauge()->value(), c.Gauge) << c.Current << "/" << c.Total;
  }
  doc.OnIOProgress(&doc, 45);
  EXPECT_EQ(p.Gauge()->value(), 45);
  doc.OnStatusMessage(&doc, "Traversing Pages...");
  EXPECT_EQ(p.StatusLine()->text(), "Traversing Pages...");
  p.Finish();
  EXPECT_FALSE(p.isVisible());
}

TEST_F(WizardTest, ProgressWindowIsShownWhileMergingAndHiddenAfter) {
  Next();
  W().tsMerge->AddFiles({Q(Data("groff-letter.pdf")), Q(Data("iwb-radio.pdf"))});
  // What the window showed while the library worked, seen from the library's own events.
  std::vector<QString> statuses;
  bool shownDuringWork = false;
  kv::TkvPDFDocument& doc = W().PDFDoc();
  auto previous = doc.OnStatusMessage;
  doc.OnStatusMessage = [&](kv::TkvCustomPDFDocument* sender, const std::string& text) {
    previous(sender, text);
    statuses.push_back(W().Progress().StatusLine()->text());
    shownDuringWork = shownDuringWork || W().Progress().isVisible();
  };
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_TRUE(shownDuringWork);
  EXPECT_FALSE(W().Progress().isVisible());
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), "2 documents merged successfully");
}

TEST_F(WizardTest, EachWarningIsShownOncePerPieceOfWork) {
  kv::TkvPDFDocument& doc = W().PDFDoc();
  doc.OnWarning(&doc, "Unexpected Error");
  doc.OnWarning(&doc, "Unexpected Error");
  doc.OnWarning(&doc, "Another");
  ASSERT_EQ(host.Messages.size(), 2u);
  EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkPlain);
  EXPECT_EQ(host.Messages[0].Text, "Unexpected Error");
}

}  // namespace
}  // namespace kvtest
