// Outline titles in any language, targets given by name or through actions, and the
// trees that merging documents gives.
#include <gtest/gtest.h>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "features/OutlineTestUtil.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvPDFTextUtf8.h"
#include "support/CodePage.h"

using namespace kv;
using namespace kvtest;
using outlinetest::json;

namespace {

using kvtest::CodePage;

// `pages` Letter pages (objects 3 ..), an outline root (3 + pages) whose items are `items`
// (numbered on from 4 + pages, linked in order as top-level items), then `more`.
std::string DocWithItems(int pages, const std::vector<std::string>& items, const std::vector<std::string>& more = {},
                         const std::string& catalogExtra = "") {
  int root = 3 + pages;
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /Outlines " + std::to_string(root) + " 0 R " +
                                      catalogExtra + " >>"};
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i) objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  auto n = [&](size_t i) { return std::to_string(root + 1 + static_cast<int>(i)) + " 0 R"; };
  objects.push_back(items.empty() ? "<< /Type /Outlines /Count 0 >>"
                                  : "<< /Type /Outlines /First " + n(0) + " /Last " + n(items.size() - 1) + " >>");
  for (size_t i = 0; i < items.size(); ++i)
    objects.push_back("<< " + items[i] + " /Parent " + std::to_string(root) + " 0 R" +
                      (i + 1 < items.size() ? " /Next " + n(i + 1) : "") + " >>");
  objects.insert(objects.end(), more.begin(), more.end());
  return MakePdf(objects);
}

class OutlineTargets : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  }
  std::string Save(TkvPDFDocument& doc, const std::string& name = "out.pdf") {
    std::string out = dir_.File(name);
    doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    return out;
  }
  // Titles as pypdf reads them, in tree order.
  std::vector<std::string> Titles(const std::string& pdf) {
    std::vector<std::string> out;
    std::function<void(const json&)> walk = [&](const json& items) {
      for (const json& item : items) {
        out.push_back(item[0].get<std::string>());
        walk(item[2]);
      }
    };
    walk(outlinetest::Tree(dir_, pdf));
    return out;
  }
  TempDir dir_;
};

TEST_F(OutlineTargets, TitlesFromTheFileAreWrittenAsTheyWere) {
  const std::string utf16 = "<FEFF03A9006D0065006700610020D83DDE00>";
  TkvPDFDocument doc;
  ASSERT_TRUE(
      LoadText(doc, dir_,
               DocWithItems(1, {"/Title " + utf16, "/Title (\\376\\377\\000A\\000\\351)", "/Title (\\204 caf\\351)"})));
  EXPECT_EQ("\xCE\xA9mega \xF0\x9F\x98\x80", doc.Outlines()->FirstChild()->TitleUtf8());
  EXPECT_EQ("\xE2\x80\x94 caf\xC3\xA9", doc.Outlines()->FirstChild()->Next()->Next()->TitleUtf8());
  std::string out = Save(doc);
  EXPECT_NE(std::string::npos, ReadFile(out).find("/Title " + utf16));
  EXPECT_EQ((std::vector<std::string>{"\xCE\xA9mega \xF0\x9F\x98\x80", "A\xC3\xA9", "\xE2\x80\x94 caf\xC3\xA9"}),
            Titles(out));
}

// Titles given to the library in the process code page, and in UTF-8 whatever the code
// page, are written so that readers show the same text.
TEST_F(OutlineTargets, TitlesGivenInAnyLanguage) {
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC";  // 日本
  TkvPDFDestination p1(1, dtFit);
  {
    CodePage utf8(65001);
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadText(doc, dir_, DocWithItems(1, {})));
    TkvPDFOutline* item = doc.CreateOutline("\xCE\xA9mega \xE2\x80\x93 " + japanese, &p1);
    item->AddNext("Report", &p1)->AddNext("", &p1)->SetTitleUtf8(japanese + " \xE2\x82\xAC");
    EXPECT_EQ((std::vector<std::string>{"\xCE\xA9mega \xE2\x80\x93 " + japanese, "Report", japanese + " \xE2\x82\xAC"}),
              Titles(Save(doc, "utf8.pdf")));
  }
  {
    CodePage western(1252);
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadText(doc, dir_, DocWithItems(1, {})));
    // The euro sign and the dash sit where the document encoding has other characters.
    doc.CreateOutline("\x80 \x96 r\xE9sum\xE9", &p1)->AddNext("Report", &p1)->AddNext("", &p1)->SetTitleUtf8(japanese);
    std::string out = Save(doc, "western.pdf");
    EXPECT_EQ((std::vector<std::string>{"\xE2\x82\xAC \xE2\x80\x93 r\xC3\xA9sum\xC3\xA9", "Report", japanese}),
              Titles(out));
    EXPECT_NE(std::string::npos, ReadFile(out).find("/Title (Report)"));
  }
}

TEST_F(OutlineTargets, NamedTargetsAreResolved) {
  const std::vector<std::string> items = {
      "/Title (Dests name) /Dest /intro",
      "/Title (Tree string) /Dest (chap)",
      "/Title (GoTo name) /A << /S /GoTo /D /two >>",
      "/Title (Indirect array) /Dest 13 0 R",
      "/Title (Unknown) /Dest /missing",
      "/Title (Remote) /A << /S /GoToR /F (other.pdf) /D /intro >>",
      "/Title (Web) /A 14 0 R",
  };
  const std::vector<std::string> more = {"[3 0 R /Fit]", "<< /S /URI /URI 15 0 R >>", "(https://example.org/)"};
  TkvPDFDocument doc;
  doc.SetMeasurementUnit(muPoints);
  ASSERT_TRUE(LoadText(doc, dir_,
                       DocWithItems(2, items, more,
                                    "/Dests << /intro [3 0 R /Fit] /two [4 0 R /FitH 500] >> "
                                    "/Names << /Dests << /Names [(chap) [4 0 R /XYZ 0 0 0]] >> >>")));
  std::vector<std::string> got;
  for (TkvPDFOutline* n = doc.Outlines()->FirstChild(); n; n = n->Next()) {
    try {
      std::unique_ptr<TkvPDFDestination> d = n->Destination();
      got.push_back(d ? std::to_string(d->Page) + " " + std::to_string(d->DestType) : "none");
    } catch (const EOutlineError& e) {
      got.push_back(e.what());
    }
  }
  EXPECT_EQ((std::vector<std::string>{"1 1", "2 0", "2 2", "1 1", "Unexpected PDF object encountered", "none", "none"}),
            got);
  std::string out = Save(doc);
  EXPECT_EQ((json{{"Dests name", 1, json::array()},
                  {"Tree string", 2, json::array()},
                  {"GoTo name", 2, json::array()},
                  {"Indirect array", 1, json::array()},
                  {"Unknown", nullptr, json::array()},
                  {"Remote", nullptr, json::array()},
                  {"Web", nullptr, json::array()}}),
            outlinetest::Tree(dir_, out));
  // The remote target names a place in the other file, not ours; the web address came along.
  EXPECT_EQ("/intro https://example.org/\n", Python(dir_,
                                                    "from pypdf import PdfReader\n"
                                                    "o = PdfReader('" +
                                                        out +
                                                        "').trailer['/Root']['/Outlines']['/Last']\n"
                                                        "print(o['/Prev']['/A']['/D'], o['/A']['/URI'])\n"));
}

TEST(OutlineText, PDFTextToUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"\x80\x8D\x8E\xA0", "\xE2\x80\xA2\xE2\x80\x9C\xE2\x80\x9D\xE2\x82\xAC"},
      {std::string("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00", 8), "A\xF0\x9F\x98\x80"},
      {std::string("\xFE\xFF\xDC\x00\x00", 5), "\xEF\xBF\xBD"},  // lone low surrogate, odd byte
      {"\xEF\xBB\xBFna\xC3\xAFve", "na\xC3\xAFve"},
  };
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(utf8, PDFTextToUtf8(bytes));
  EXPECT_EQ("(ASCII)", MakeUtf8TextString("ASCII")->Value);
  EXPECT_EQ("<FEFF0041D83DDE00FFFD>", MakeUtf8TextString("A\xF0\x9F\x98\x80\xFF")->Value);
}

// Merging: the first file's tree followed by the next one's, on their pages in the result.
TEST_F(OutlineTargets, MergingDocuments) {
  const std::string a =
      Put(dir_, "a.pdf", DocWithItems(2, {"/Title (A1) /Dest [3 0 R /Fit]", "/Title (A2) /Dest [4 0 R /Fit]"}));
  const std::string none = Put(dir_, "none.pdf", MakePdf(OnePageObjects()));
  const std::string empty = Put(dir_, "empty.pdf", DocWithItems(1, {}));
  const std::string d =
      Put(dir_, "d.pdf",
          DocWithItems(2, {"/Title (D1) /Dest [4 0 R /Fit] /First 8 0 R /Last 8 0 R", "/Title (Web) /A 9 0 R"},
                       {"<< /Title (D1a) /Parent 6 0 R /Dest [3 0 R /Fit] >>", "<< /S /URI /URI 10 0 R >>",
                        "(https://example.org/)"}));
  auto item = [](const char* t, json p, json kids = json::array()) { return json::array({t, p, kids}); };
  const std::vector<std::pair<std::vector<std::string>, json>> cases = {
      {{none, a}, json::array({item("A1", 2), item("A2", 3)})},
      {{a, none}, json::array({item("A1", 1), item("A2", 2)})},
      {{empty, a}, json::array({item("A1", 2), item("A2", 3)})},
      {{a, a}, json::array({item("A1", 1), item("A2", 2), item("A1", 3), item("A2", 4)})},
      {{a, d},
       json::array({item("A1", 1), item("A2", 2), item("D1", 4, json::array({item("D1a", 3)})), item("Web", nullptr)})},
  };
  for (const auto& [files, expected] : cases) {
    TkvPDFDocument doc;
    doc.MergeDocuments(files);
    std::string out = Save(doc, "merged.pdf");
    EXPECT_EQ(expected, outlinetest::Tree(dir_, out));
    if (files.back() == d) {
      EXPECT_NE(std::string::npos, ReadFile(out).find("https://example.org/"));
    }
  }
  // A source whose outline has no items gives none.
  TkvPDFDocument doc;
  doc.MergeDocuments({none, empty});
  EXPECT_EQ(nullptr, doc.Outlines());
  EXPECT_FALSE(outlinetest::ReadOutline(dir_, Save(doc, "none.pdf"))["has_outlines"].get<bool>());
}

}  // namespace
