// Page operations on documents made from templates: ranges, append, insert, extract,
// delete and merge, checked with pdftotext, pypdf and qpdf on the written files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "document/DocTestUtil.h"

using namespace kv;
using namespace kvtest;

namespace {

std::string Box(int index) { return PagesPdfBox(index); }

// Saves `doc`, checks the file with qpdf, and returns its page texts.
std::vector<std::string> SavedTexts(TkvCustomPDFDocument& doc, const TempDir& dir,
                                    const std::string& name = "out.pdf") {
  std::string out = dir.File(name);
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  return AllPageTexts(out);
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

using Pages = std::vector<int32_t>;

TEST(PageRange, ItemsInOrderWithDuplicatesAndQuotes) {
  struct Row {
    std::string Text;
    Pages Expected;
  } rows[] = {
      {"1,3,5-7", {1, 3, 5, 6, 7}}, {"2 4", {2, 4}},           {"", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"\"5 - 7\"", {5, 6, 7}},     {"3,3,1", {3, 3, 1}},      {" 1 ,\t2\r\n10 ", {1, 2, 10}},
      {"4-4,2-3", {4, 2, 3}},       {"1, \"2\",3", {1, 2, 3}},
  };
  for (const Row& row : rows) EXPECT_EQ(row.Expected, TkvCustomPDFDocument::ParsePageRange(row.Text, 10)) << row.Text;
}

TEST(PageRange, Errors) {
  struct Row {
    std::string Text, Message;
  } pageErrors[] = {
      {"5-3", "Invalid page range (5-3)"},   {"0", "Invalid page number (0)"},
      {"x", "Invalid page range (x)"},       {"1,x", "Invalid page range (1,x)"},
      {"11", "Invalid page number (11)"},    {"0-2", "Invalid page range (0-2)"},
      {"9-11", "Invalid page range (9-11)"}, {"2,3 5x", "Invalid page range (2,3 5x)"},
  };
  for (const Row& row : pageErrors)
    ExpectRaises<EInvalidPageError>([&] { TkvCustomPDFDocument::ParsePageRange(row.Text, 10); }, row.Message);
  Row conversions[] = {{"a-3", "'a' is not a valid integer value"}, {"4-", "'' is not a valid integer value"}};
  for (const Row& row : conversions)
    ExpectRaises<EConvertError>([&] { TkvCustomPDFDocument::ParsePageRange(row.Text, 10); }, row.Message);
  ExpectRaises<EInvalidPageError>([&] { TkvCustomPDFDocument::ParsePageRange("", 0); }, "Invalid page range (1-0)");
}

class PageOps : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = Put(dir_, "abc.pdf", PagesPdf({"Alpha", "Bravo", "Charlie"}, "%PDF-1.3"));
    target_ = Put(dir_, "xy.pdf", PagesPdf({"Xray", "Yankee"}));
    ASSERT_TRUE(abc_.LoadFromFile(source_));
    ASSERT_TRUE(xy_.LoadFromFile(target_));
  }
  TempDir dir_;
  std::string source_, target_;
  TkvPDFDocument abc_, xy_;
};

TEST_F(PageOps, AppendKeepsOrderSizesAndReportsProgress) {
  EventLog log;
  log.Attach(xy_);
  xy_.AppendPagesFrom(abc_, "3,1");
  EXPECT_EQ((std::vector<std::string>{"status Appending Pages...", "op 1 0/2", "op 1 1/2"}), log.Lines);
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee", "Charlie", "Alpha"}), SavedTexts(xy_, dir_));
  EXPECT_EQ((std::vector<std::string>{Box(0), Box(1), Box(2), Box(0)}), MediaBoxes(dir_, dir_.File("out.pdf")));
  // The giver is unchanged and still writes its three pages.
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie"}), SavedTexts(abc_, dir_, "abc-out.pdf"));
}

TEST_F(PageOps, InsertAtStartMiddleAndEnd) {
  struct Row {
    int Position;
    std::vector<std::string> Expected;
  } rows[] = {{0, {"Bravo", "Charlie", "Xray", "Yankee"}},
              {1, {"Xray", "Bravo", "Charlie", "Yankee"}},
              {2, {"Xray", "Yankee", "Bravo", "Charlie"}}};
  for (const Row& row : rows) {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(target_));
    EventLog log;
    log.Attach(doc);
    doc.InsertPagesFrom(abc_, "2-3", row.Position);
    EXPECT_EQ((std::vector<std::string>{"status Inserting Pages...", "op 2 1/2", "op 2 2/2"}), log.Lines);
    EXPECT_EQ(row.Expected, SavedTexts(doc, dir_)) << row.Position;
  }
  for (int bad : {-1, 3}) {
    ExpectRaises<EInvalidPageError>([&] { xy_.InsertPagesFrom(abc_, "1", bad); },
                                    "Invalid page number (" + std::to_string(bad) + ")");
  }
  ExpectRaises<EInvalidPageError>([&] { xy_.InsertPagesFrom(abc_, "1,4", 1); }, "Invalid page number (4)");
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee"}), SavedTexts(xy_, dir_));
}

TEST_F(PageOps, ExtractResetsTheTargetAndTakesTheVersion) {
  EventLog giverLog, targetLog;
  giverLog.Attach(abc_);
  targetLog.Attach(xy_);
  // A bad range leaves the target as it was.
  ExpectRaises<EInvalidPageError>([&] { abc_.ExtractPagesTo(xy_, "2,9"); }, "Invalid page number (9)");
  EXPECT_EQ(2, xy_.PageCount());
  EXPECT_TRUE(giverLog.Lines.empty());

  abc_.ExtractPagesTo(xy_, "3,1");
  EXPECT_EQ((std::vector<std::string>{"status Extracting Pages...", "op 3 1/2", "op 3 2/2"}), giverLog.Lines);
  EXPECT_TRUE(xy_.DocumentLoaded());
  EXPECT_EQ(3, xy_.PDFVersion());
  std::vector<std::string> texts = SavedTexts(xy_, dir_);
  EXPECT_EQ((std::vector<std::string>{"Charlie", "Alpha"}), texts);
  EXPECT_EQ("%PDF-1.3", ReadFile(dir_.File("out.pdf")).substr(0, 8));
  // Into a new document as well.
  TkvPDFDocument fresh;
  abc_.ExtractPagesTo(fresh, "");
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie"}), SavedTexts(fresh, dir_));
}

TEST_F(PageOps, SamePageTwiceGivesTwoWrittenCopiesSharingOneFont) {
  xy_.AppendPagesFrom(abc_, "2,2");
  xy_.AppendPagesFrom(abc_, "2");
  EXPECT_EQ(5, xy_.PageCount());
  EXPECT_NE(xy_.Pages[2], xy_.Pages[3]);
  std::vector<std::string> texts = SavedTexts(xy_, dir_);
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee", "Bravo", "Bravo", "Bravo"}), texts);
  std::string bytes = ReadFile(dir_.File("out.pdf"));
  EXPECT_EQ(5u, Occurrences(bytes, "/Type /Page\r\n"));
  // One font from each document; Bravo's content stream once.
  EXPECT_EQ(2u, Occurrences(bytes, "/BaseFont /Helvetica"));
  EXPECT_EQ(1u, Occurrences(bytes, "(Bravo)"));
  // Deleting one copy keeps the others whole.
  xy_.DeletePages("4");
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee", "Bravo", "Bravo"}), SavedTexts(xy_, dir_));
}

TEST_F(PageOps, PageTakenAgainAfterItsDeletion) {
  xy_.AppendPagesFrom(abc_, "2");
  xy_.DeletePages("3");
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee"}), SavedTexts(xy_, dir_));
  xy_.AppendPagesFrom(abc_, "2,3");
  EXPECT_EQ((std::vector<std::string>{"Xray", "Yankee", "Bravo", "Charlie"}), SavedTexts(xy_, dir_));
}

TEST_F(PageOps, PagesOutliveTheirGiver) {
  {
    TkvPDFDocument giver;
    ASSERT_TRUE(giver.LoadFromFile(source_));
    xy_.AppendPagesFrom(giver, "1");
    giver.Reset();
    xy_.InsertPagesFrom(abc_, "3", 0);
  }
  EXPECT_EQ((std::vector<std::string>{"Charlie", "Xray", "Yankee", "Alpha"}), SavedTexts(xy_, dir_));
}

// Three pages; page 2 alone uses an image and links to page 3; page 1 links to page 2.
std::vector<std::string> LinkedPages() {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R /Resources << /Font << /F1 9 0 R >> "
          ">> /Annots [11 0 R] >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 7 0 R /Resources << /Font << /F1 9 0 R >> "
          "/XObject << /Im 10 0 R >> >> /Annots [12 0 R] >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 8 0 R /Resources << /Font << /F1 9 0 R >> "
          ">> >>",
          "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (One) Tj ET\nendstream",
          "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (Two) Tj ET q 10 0 0 10 0 0 cm /Im Do Q\nendstream",
          "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (Three) Tj ET\nendstream",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
          "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Length "
          "%LEN% >>\nstream\nZ\nendstream",
          "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [4 0 R /Fit] >>",
          "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [5 0 R /Fit] >>"};
}

TEST(PageDelete, UnusedObjectsGoAndLinksToThemBecomeNull) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(LinkedPages())));
  EventLog log;
  log.Attach(doc);
  doc.DeletePages("2,2");
  EXPECT_EQ(std::vector<std::string>{"status 1 pages deleted"}, log.Lines);
  EXPECT_EQ((std::vector<std::string>{"One", "Three"}), SavedTexts(doc, dir));
  std::string bytes = ReadFile(dir.File("out.pdf"));
  EXPECT_EQ(std::string::npos, bytes.find("(Two)"));
  EXPECT_EQ(std::string::npos, bytes.find("/Subtype /Image"));
  EXPECT_EQ(1u, Occurrences(bytes, "/BaseFont /Helvetica"));
  // Page 1's link lost its target; page 3, which page 2 linked to, stays.
  EXPECT_EQ(std::vector<std::string>{"1:nullpage"}, LinkTargets(dir, dir.File("out.pdf")));
  EXPECT_NE(std::string::npos, bytes.find("/Dest [ null /Fit ]"));
}

TEST(PageDelete, BadRangeChangesNothing) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(LinkedPages())));
  EventLog log;
  log.Attach(doc);
  ExpectRaises<EInvalidPageError>([&] { doc.DeletePages("1,4"); }, "Invalid page number (4)");
  ExpectRaises<EInvalidPageError>([&] { doc.DeletePages("2-5"); }, "Invalid page range (2-5)");
  EXPECT_TRUE(log.Lines.empty());
  EXPECT_EQ((std::vector<std::string>{"One", "Two", "Three"}), SavedTexts(doc, dir));
  doc.DeletePages("");
  EXPECT_EQ(0, doc.PageCount());
  std::string bytes = SaveBytes(doc, dir);
  EXPECT_NE(std::string::npos, bytes.find("/Count 0\r\n/Kids [ ]"));
  EXPECT_NE(std::string::npos, bytes.find("/Size 4\r\n"));
}

TEST(PageDelete, PageListedTwiceInTheTree) {
  TempDir dir;
  std::string pdf = MakePdf(
      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 5 0 R 3 0 R] /Count 3 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 4 0 R /Resources << /Font << /F1 7 0 R >> >> >>",
       "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (Alpha) Tj ET\nendstream",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 210 310] /Contents 6 0 R /Resources << /Font << /F1 7 0 R >> >> >>",
       "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (Bravo) Tj ET\nendstream",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, pdf));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Alpha"}), SavedTexts(doc, dir));
  doc.DeletePages("1");
  EXPECT_EQ((std::vector<std::string>{"Bravo", "Alpha"}), SavedTexts(doc, dir));
  doc.DeletePages("2");
  EXPECT_EQ((std::vector<std::string>{"Bravo"}), SavedTexts(doc, dir));
}

TEST(PageOpsSelf, InsertAndExtractWithinOneDocument) {
  TempDir dir;
  std::string file = Put(dir, "abc.pdf", PagesPdf({"Alpha", "Bravo", "Charlie"}));
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(file));
  doc.InsertPagesFrom(doc, "2-3", 0);
  EXPECT_EQ((std::vector<std::string>{"Bravo", "Charlie", "Alpha", "Bravo", "Charlie"}), SavedTexts(doc, dir));
  doc.AppendPagesFrom(doc, "1,3");
  EXPECT_EQ((std::vector<std::string>{"Bravo", "Charlie", "Alpha", "Bravo", "Charlie", "Bravo", "Alpha"}),
            SavedTexts(doc, dir));
  // Extracting into itself would empty the document before it gives its pages.
  ExpectRaises<EPDFException>([&] { doc.ExtractPagesTo(doc, "3,1"); },
                              "Pages cannot be extracted into the document they come from");
  EXPECT_EQ(7, doc.PageCount());
}

// Random sequences of taking, repeating and deleting pages, checked after every step
// against a list of the texts the pages should show.
TEST(PageOpsSequence, RandomEditsKeepEveryRemainingPageWhole) {
  TempDir dir;
  const std::vector<std::string> names = {"Alpha", "Bravo", "Charlie", "Delta"};
  std::string file = Put(dir, "abcd.pdf", PagesPdf(names));
  TkvPDFDocument giver;
  ASSERT_TRUE(giver.LoadFromFile(file));
  std::mt19937 random(20240601);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 3; ++round) {
    TkvPDFDocument doc;
    std::vector<std::string> model;
    for (int step = 0; step < 10; ++step) {
      int kind = pick(4);
      std::vector<int> pages;
      std::string range;
      int from = kind == 3 && !model.empty() ? static_cast<int>(model.size()) : 4;
      for (int k = 0, count = 1 + pick(3); k < count; ++k) {
        pages.push_back(1 + pick(from));
        range += std::to_string(pages.back()) + " ";
      }
      if (kind == 0 || (kind == 3 && model.empty())) {
        doc.AppendPagesFrom(giver, range);
        for (int p : pages) model.push_back(names[static_cast<size_t>(p - 1)]);
      } else if (kind == 1) {
        int at = pick(static_cast<int>(model.size()) + 1);
        doc.InsertPagesFrom(giver, range, at);
        for (size_t k = 0; k < pages.size(); ++k)
          model.insert(model.begin() + at + static_cast<int>(k), names[static_cast<size_t>(pages[k] - 1)]);
      } else if (kind == 2 && !model.empty()) {
        int at = pick(static_cast<int>(model.size()) + 1);
        std::vector<std::string> taken;
        std::string own;
        for (int k = 0, count = 1 + pick(2); k < count; ++k) {
          int p = 1 + pick(static_cast<int>(model.size()));
          own += std::to_string(p) + ",";
          taken.push_back(model[static_cast<size_t>(p - 1)]);
        }
        own.pop_back();
        doc.InsertPagesFrom(doc, own, at);
        model.insert(model.begin() + at, taken.begin(), taken.end());
      } else if (kind == 3) {
        doc.DeletePages(range);
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        for (auto it = pages.rbegin(); it != pages.rend(); ++it) model.erase(model.begin() + (*it - 1));
      }
      SCOPED_TRACE("round " + std::to_string(round) + " step " + std::to_string(step) + " kind " +
                   std::to_string(kind) + " range " + range);
      ASSERT_EQ(model, SavedTexts(doc, dir));
    }
  }
}

TEST(Merge, FilesInOrderWithEvents) {
  TempDir dir;
  std::string a = Put(dir, "a.pdf", PagesPdf({"Alpha", "Bravo"}, "%PDF-1.2"));
  std::string empty =
      Put(dir, "empty.pdf", MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"}));
  std::string b = Put(dir, "b.pdf", PagesPdf({"Charlie"}));
  std::vector<std::string> info = OnePageObjects("Loaded first");
  info.push_back("<< /Title (Loaded) >>");
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(info, "/Info 6 0 R"), "loaded.pdf"));
  EventLog log;
  log.Attach(doc);
  doc.MergeDocuments({a, empty, b, a});
  EXPECT_EQ(
      (std::vector<std::string>{"status Merging File: a.pdf", "op 0 1/4", "status Merging File: empty.pdf", "op 0 2/4",
                                "status Merging File: b.pdf", "op 0 3/4", "status Merging File: a.pdf", "op 0 4/4",
                                "status 4 documents merged successfully"}),
      log.Lines);
  EXPECT_TRUE(doc.DocumentLoaded());
  EXPECT_EQ(4, doc.PDFVersion());
  EXPECT_EQ("", doc.GetTitle());
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Alpha", "Bravo"}), SavedTexts(doc, dir));
  EXPECT_EQ((std::vector<std::string>{Box(0), Box(1), Box(0), Box(0), Box(1)}), MediaBoxes(dir, dir.File("out.pdf")));
  EXPECT_EQ("%PDF-1.4", ReadFile(dir.File("out.pdf")).substr(0, 8));
}

TEST(Merge, CancelledPasswordStopsWithTheFirstFilesPages) {
  TempDir dir;
  std::string a = Put(dir, "a.pdf", PagesPdf({"Alpha", "Bravo"}));
  std::string locked =
      Put(dir, "locked.pdf",
          MakePdf(OnePageObjects(), "/Encrypt << /Filter /Standard /V 1 /R 2 /O <" + std::string(64, 'A') + "> /U <" +
                                        std::string(64, 'B') + "> /P -4 >> /ID [<0011> <0011>]"));
  std::string c = Put(dir, "c.pdf", PagesPdf({"Charlie"}));
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  int asked = 0;
  doc.OnPassword = [&](TkvCustomPDFDocument*, std::string&, bool& cont) {
    ++asked;
    cont = false;
  };
  EXPECT_NO_THROW(doc.MergeDocuments({a, locked, c}));
  EXPECT_EQ(1, asked);
  EXPECT_FALSE(doc.DocumentLoaded());
  EXPECT_EQ(2, doc.PageCount());
  EXPECT_EQ(std::vector<std::string>{"op 0 1/3"}, log.With("op "));
  EXPECT_EQ((std::vector<std::string>{"status Merging File: a.pdf", "status Merging File: locked.pdf"}),
            log.With("status"));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), SavedTexts(doc, dir));
}

TEST(Merge, UnreadableFileRaisesAndKeepsEarlierPages) {
  TempDir dir;
  std::string a = Put(dir, "a.pdf", PagesPdf({"Alpha"}));
  TkvPDFDocument doc;
  EXPECT_ANY_THROW(doc.MergeDocuments({a, DataPath("garbage.pdf")}));
  EXPECT_FALSE(doc.DocumentLoaded());
  EXPECT_EQ((std::vector<std::string>{"Alpha"}), SavedTexts(doc, dir));
}

}  // namespace
