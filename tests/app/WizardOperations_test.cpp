// Each page operation from the start page to the done page, by clicking, on real files;
// the saved file is checked with qpdf and pypdf, and its pages by their text.
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "WizardFixture.h"
#include "app/pages/kvMergePage.h"
#include "app/pages/kvThumbnailPage.h"
#include "pdf/document/kvPDFDoc.h"

namespace kvtest {
namespace {

using kv::TkvWizardOperation;

// The start of a page's text, which identifies it among the pages of the fixtures.
std::string Opening(const std::string& pdf, int page) { return PageText(pdf, page).substr(0, 40); }

// The pages of `out` are, in order, the given pages of the given files.
void ExpectPages(const std::string& out, const std::vector<std::pair<std::string, int>>& pages) {
  ASSERT_TRUE(QpdfCheckClean(out)) << out;
  nlohmann::json facts = PdfFacts(out);
  ASSERT_EQ(facts["pages"], pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string expected = Opening(pages[i].first, pages[i].second);
    ASSERT_FALSE(expected.empty());
    EXPECT_NE(PageText(out, static_cast<int>(i) + 1).find(expected), std::string::npos)
        << "page " << i + 1 << " should be page " << pages[i].second << " of " << pages[i].first;
  }
}

TEST_F(WizardTest, MergeInTheListsOrder) {
  const std::string a = Data("groff-letter.pdf"), b = Data("iwb-radio.pdf"), c = Data("forensics-a-text.pdf");
  Next();
  host.OpenFilesAnswers.push_back({Q(a), Q(b)});
  host.OpenFilesAnswers.push_back({Q(c)});
  Click(W().tsMerge->btnAdd);
  Click(W().tsMerge->btnAdd);
  // The last file moves to the top.
  W().tsMerge->lstFiles->topLevelItem(2)->setSelected(true);
  Click(W().tsMerge->btnUp);
  Click(W().tsMerge->btnUp);
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_EQ(W().PDFDoc().PageCount(), 6);
  Finish(Out("merged.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ExpectPages(Out("merged.pdf"), {{c, 1}, {c, 2}, {a, 1}, {b, 1}, {b, 2}, {b, 3}});
}

TEST_F(WizardTest, AppendAPageRangeOfASecondDocument) {
  const std::string src = Data("iwb-radio.pdf"), second = Data("forensics-a-text.pdf");
  OpenSource(TkvWizardOperation::woAppend, src);
  ASSERT_EQ(Page(), W().tsAppend);
  EXPECT_FALSE(W().btnNext->isEnabled());
  host.OpenFileAnswers.push_back(Q(second));
  Click(W().tsAppend->File->SelectButton());
  EXPECT_EQ(W().tsAppend->File->Text(), Q(second));
  Click(W().tsAppend->rbPages);
  Type(W().tsAppend->edPages, "2");
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_FALSE(W().PDFTmpDoc().DocumentLoaded()) << "the second document is let go";
  EXPECT_FALSE(W().btnBack->isEnabled()) << "the pages are in the document already";
  Finish(Out("appended.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ExpectPages(Out("appended.pdf"), {{src, 1}, {src, 2}, {src, 3}, {second, 2}});
}

TEST_F(WizardTest, InsertAllPagesAfterAPage) {
  const std::string src = Data("iwb-radio.pdf"), second = Data("forensics-a-text.pdf");
  OpenSource(TkvWizardOperation::woAppend, src);
  Type(W().tsAppend->File->Edit(), Q(second));
  // Text left in the greyed "Pages:" field is not used while "All Pages" is chosen.
  Click(W().tsAppend->rbPages);
  Type(W().tsAppend->edPages, "1");
  Click(W().tsAppend->rbAllPages);
  Click(W().tsAppend->rbInsertAfter);
  Type(W().tsAppend->edInsertAfter, "1");
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  Finish(Out("inserted.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ExpectPages(Out("inserted.pdf"), {{src, 1}, {second, 1}, {second, 2}, {src, 2}, {src, 3}});
}

TEST_F(WizardTest, AppendFailureLeavesTheDocumentAndForgetsTheSecond) {
  const std::string src = Data("iwb-radio.pdf");
  OpenSource(TkvWizardOperation::woAppend, src);
  Type(W().tsAppend->File->Edit(), Q(Data("forensics-a-text.pdf")));
  Click(W().tsAppend->rbPages);
  Type(W().tsAppend->edPages, "5");
  Next();
  EXPECT_EQ(Page(), W().tsAppend);
  ASSERT_EQ(host.Messages.size(), 1u);
  EXPECT_EQ(host.Messages[0].Text, "Invalid page number (5)");
  EXPECT_EQ(W().PDFDoc().PageCount(), 3);
  EXPECT_FALSE(W().PDFTmpDoc().DocumentLoaded());
  // A new name typed (not chosen with Select) is the file that is appended.
  Type(W().tsAppend->File->Edit(), Q(Data("groff-letter.pdf")));
  Type(W().tsAppend->edPages, "1");
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_EQ(W().PDFDoc().PageCount(), 4);
  Finish(Out("appended.pdf"));
  ExpectPages(Out("appended.pdf"), {{src, 1}, {src, 2}, {src, 3}, {Data("groff-letter.pdf"), 1}});
}

TEST_F(WizardTest, ExtractMakesTheRangeTheDocument) {
  const std::string src = Data("glpk-cnfsat.pdf");
  Choose(TkvWizardOperation::woExtract);
  Next();
  Type(W().tsExtract->File->Edit(), Q(src));
  Type(W().tsExtract->edRange, "5,2-3");
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_EQ(W().PDFDoc().PageCount(), 3);
  // Back to the extract page and on again: the same three pages, not six.
  Back();
  EXPECT_EQ(Page(), W().tsExtract);
  Next();
  ASSERT_EQ(Page(), W().tsFinish) << host.AllMessages();
  EXPECT_EQ(W().PDFDoc().PageCount(), 3);
  Finish(Out("extract.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ExpectPages(Out("extract.pdf"), {{src, 5}, {src, 2}, {src, 3}});
}

TEST_F(WizardTest, DeletePagesAndSave) {
  const std::string src = Data("glpk-cnfsat.pdf");
  OpenSource(TkvWizardOperation::woDelete, src);
  Type(W().tsDelete->edRange, "1,3-4");
  Next();
  Finish(Out("deleted.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ExpectPages(Out("deleted.pdf"), {{src, 2}, {src, 5}, {src, 6}});
}

TEST_F(WizardTest, ThumbnailsChosenPerPageAreAttached) {
  const std::string src = Data("iwb-radio.pdf");
  OpenSource(TkvWizardOperation::woThumbnails, src);
  kv::TkvThumbnailPage& t = *W().tsThumbnails;
  ASSERT_EQ(t.lstPages->topLevelItemCount(), 3);
  EXPECT_EQ(t.lstPages->topLevelItem(2)->text(0), "3");
  EXPECT_FALSE(t.btnClearImage->isEnabled());
  // Page 1 by the button, page 3 by a double click; page 2 gets one and loses it again.
  const QString jpeg = Q(Data("pictures/rose-rgb-baseline.jpg"));
  const QString bmp = Q(Data("pictures/gradient-37x23-24bit.bmp"));
  const QString png = Q(Data("pictures/rose-palette.png"));
  host.PictureAnswers = {jpeg, png, bmp};
  t.lstPages->setCurrentItem(t.lstPages->topLevelItem(0));
  Click(t.btnSelectImage);
  EXPECT_TRUE(t.btnClearImage->isEnabled());
  EXPECT_TRUE(t.PreviewShown());
  t.lstPages->setCurrentItem(t.lstPages->topLevelItem(1));
  EXPECT_FALSE(t.btnClearImage->isEnabled()) << "a row without a picture";
  EXPECT_FALSE(t.PreviewShown());
  Click(t.btnSelectImage);
  Click(t.btnClearImage);
  EXPECT_FALSE(t.btnClearImage->isEnabled());
  EXPECT_TRUE(t.lstPages->topLevelItem(1)->text(1).isEmpty());
  QTreeWidgetItem* third = t.lstPages->topLevelItem(2);
  t.lstPages->setCurrentItem(third);
  QRect cell = t.lstPages->visualItemRect(third);
  // A double click is a press, a release and a second press that is the double click.
  QTest::mouseClick(t.lstPages->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(t.lstPages->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_EQ(third->text(1), bmp);
  // Clicking back to a row with a picture shows it again.
  t.lstPages->setCurrentItem(t.lstPages->topLevelItem(0));
  EXPECT_TRUE(t.PreviewShown());
  EXPECT_TRUE(t.btnClearImage->isEnabled());
  Next();
  Finish(Out("thumbs.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ASSERT_TRUE(QpdfCheckClean(Out("thumbs.pdf")));
  nlohmann::json facts = PdfFacts(Out("thumbs.pdf"));
  EXPECT_EQ(facts["thumbs"][0], nlohmann::json({210, 138}));
  EXPECT_TRUE(facts["thumbs"][1].is_null());
  EXPECT_EQ(facts["thumbs"][2], nlohmann::json({37, 23}));
}

TEST_F(WizardTest, UnreadableThumbnailIsToldAndNothingIsSaved) {
  OpenSource(TkvWizardOperation::woThumbnails, Data("groff-letter.pdf"));
  kv::TkvThumbnailPage& t = *W().tsThumbnails;
  t.lstPages->setCurrentItem(t.lstPages->topLevelItem(0));
  host.PictureAnswers = {Q(Data("groff-letter.pdf"))};  // not a picture
  Click(t.btnSelectImage);
  Next();
  Finish(Out("thumbs.pdf"));
  EXPECT_EQ(Page(), W().tsFinish);
  ASSERT_FALSE(host.Messages.empty());
  EXPECT_EQ(host.Messages.back().Kind, kv::TkvMessageKind::mkError);
  EXPECT_NE(host.Messages.back().Text.indexOf("Unsupported image format"), -1) << host.AllMessages();
  EXPECT_FALSE(FileExists(Out("thumbs.pdf")));
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

TEST_F(WizardTest, EverySavedPageCarriesTheTwoDemoLines) {
  OpenSource(kv::TkvWizardOperation::woDelete, Data("glpk-cnfsat.pdf"));
  Type(W().tsDelete->edRange, "6");
  Next();
  Finish(Out("stamped.pdf"));
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  ASSERT_TRUE(QpdfCheckClean(Out("stamped.pdf")));
  for (int page = 1; page <= 5; ++page) {
    // In content order: on a busy page the layout mode interleaves the stamp with the text.
    std::string text = kvtest::Run("pdftotext -raw -f " + std::to_string(page) + " -l " + std::to_string(page) + " " +
                                   ShellQuote(Out("stamped.pdf")) + " -")
                           .Output;
    EXPECT_NE(text.find("This document was created using Kestrova Folioworks Demo"), std::string::npos) << page;
    EXPECT_NE(text.find("https://folioworks.example/"), std::string::npos) << page;
  }
  // The product line above the middle, the address below it, 50 pixels (37.5 points)
  // from it (pdftotext -bbox: y from the top).
  CommandResult r =
      kvtest::Run("pdftotext -bbox -f 1 -l 1 " + ShellQuote(Out("stamped.pdf")) + " - | grep -E '>(Kestrova|https)'");
  ASSERT_EQ(r.ExitCode, 0) << r.Output;
  auto yMin = [&r](const std::string& word) {
    size_t at = r.Output.find(">" + word);
    size_t y = r.Output.rfind("yMin=\"", at);
    return std::stod(r.Output.substr(y + 6));
  };
  const double middle = 792.0 / 2;  // glpk-cnfsat's pages are letter size
  EXPECT_LT(yMin("Kestrova"), middle);
  EXPECT_GT(yMin("Kestrova"), middle - 80);
  EXPECT_GT(yMin("https"), middle);
  EXPECT_LT(yMin("https"), middle + 80);
}

}  // namespace
}  // namespace kvtest
