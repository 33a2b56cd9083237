// Outlines of real files no one here wrote: kept by a rewrite, trimmed by deleting pages,
// joined by merging, as an independent reader sees the result.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "features/OutlineTestUtil.h"
#include "pdf/document/kvPDFDoc.h"

using namespace kv;
using namespace kvtest;
using outlinetest::json;

namespace {

void Load(TkvPDFDocument& doc, const std::string& name) {
  std::string password = outlinetest::Expected()[name]["password"].is_string()
                             ? outlinetest::Expected()[name]["password"].get<std::string>()
                             : "";
  doc.OnPassword = [password](TkvCustomPDFDocument*, std::string& pw, bool& cont) {
    pw = password;
    cont = true;
  };
  ASSERT_TRUE(doc.LoadFromFile(DataPath(name)));
}

json ExpectedTree(const std::string& name) { return outlinetest::Expected()[name]["outline"]; }

// Saves `doc`, checks the file with qpdf and returns its outline.
json SavedTree(const TempDir& dir, TkvPDFDocument& doc, const std::string& name, const std::string& password = "") {
  std::string out = dir.File(name);
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check, password)) << check;
  return outlinetest::Tree(dir, out, password);
}

TEST(OutlineRealFiles, ARewriteKeepsEveryTree) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  TempDir dir;
  size_t files = 0;
  for (const auto& [name, facts] : outlinetest::Expected().items()) {
    SCOPED_TRACE(name);
    TkvPDFDocument doc;
    Load(doc, name);
    std::string password = facts["password"].is_string() ? facts["password"].get<std::string>() : "";
    EXPECT_EQ(ExpectedTree(name), SavedTree(dir, doc, name, password));
    ++files;
  }
  EXPECT_GE(files, 18u);
}

// Deleting pages drops the items that point at them, children included; the others keep
// their order and follow their pages to the new numbers.
TEST(OutlineRealFiles, DeletingPagesTrimsTheTree) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  const std::pair<const char*, const char*> cases[] = {
      {"groff-mom-pdf.pdf", "1,5-6"}, {"gen-outline-fit-types.pdf", "2,4,12"},      {"gen-dests-dict.pdf", "8"},
      {"xforms-manual.pdf", "19-40"}, {"developers-reference.pdf", "1-10,100-114"},
  };
  TempDir dir;
  for (const auto& [file, range] : cases) {
    SCOPED_TRACE(file);
    TkvPDFDocument doc;
    Load(doc, file);
    std::set<int> gone;
    for (int32_t p : TkvCustomPDFDocument::ParsePageRange(range, doc.PageCount())) gone.insert(p);
    doc.DeletePages(range);
    json expected = outlinetest::WithoutPages(ExpectedTree(file), gone);
    ASSERT_NE(expected, ExpectedTree(file));
    EXPECT_EQ(expected, SavedTree(dir, doc, std::string("del-") + file));
  }
}

// A merge gives the first file's items followed by the next file's, whose pages come after
// the first file's pages. The same file twice gives its tree twice, each on its own pages.
TEST(OutlineRealFiles, MergingJoinsTheTrees) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  TempDir dir;
  const std::vector<std::vector<std::string>> lists = {
      {"groff-mom-pdf.pdf", "gen-outline-fit-types.pdf", "pdftools-hello.pdf"},
      {"gen-reportlab-outline.pdf", "gen-reportlab-outline.pdf"},
      {"glpk-cnfsat.pdf", "prosper-tour.pdf", "glpk-cnfsat.pdf", "gen-dests-dict.pdf"},
  };
  for (const auto& list : lists) {
    std::vector<std::string> paths;
    json expected = json::array();
    int pages = 0;
    for (const std::string& name : list) {
      paths.push_back(DataPath(name));
      TkvPDFDocument one;
      ASSERT_TRUE(one.LoadFromFile(DataPath(name)));
      if (outlinetest::Expected().contains(name))
        for (const json& item : outlinetest::Shifted(ExpectedTree(name), pages)) expected.push_back(item);
      pages += one.PageCount();
    }
    TkvPDFDocument doc;
    doc.MergeDocuments(paths);
    EXPECT_EQ(expected, SavedTree(dir, doc, "merged.pdf"));
  }
}

// Appending and inserting keep the receiving document's outline on its own pages;
// extracting starts a document without one.
TEST(OutlineRealFiles, PageTransfersKeepTheReceiversTree) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  TempDir dir;
  const std::string mom = "groff-mom-pdf.pdf";
  {
    TkvPDFDocument doc, other;
    Load(doc, mom);
    Load(other, "gen-reportlab-outline.pdf");
    doc.InsertPagesFrom(other, "2,1", 3);
    json expected = outlinetest::WithoutPages(ExpectedTree(mom), {});
    for (json& item : expected) {
      std::function<void(json&)> shift = [&](json& i) {
        if (i[1].is_number() && i[1].get<int>() > 3) i[1] = i[1].get<int>() + 2;
        for (json& c : i[2]) shift(c);
      };
      shift(item);
    }
    EXPECT_EQ(expected, SavedTree(dir, doc, "insert.pdf"));
    doc.AppendPagesFrom(other, "");
    EXPECT_EQ(expected, SavedTree(dir, doc, "append.pdf"));
  }
  {
    TkvPDFDocument doc, target;
    Load(doc, mom);
    doc.ExtractPagesTo(target, "2-4");
    std::string out = dir.File("extract.pdf");
    target.SaveToFileAs(out);
    EXPECT_FALSE(outlinetest::ReadOutline(dir, out)["has_outlines"].get<bool>());
  }
}

}  // namespace
