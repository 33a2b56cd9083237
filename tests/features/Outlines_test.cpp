// The outline tree: editing it, what is written for it, what reading a hostile one does,
// titles in any language, named targets and merging.
#include <gtest/gtest.h>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "features/OutlineTestUtil.h"
#include "pdf/document/kvPDFDoc.h"

using namespace kv;
using namespace kvtest;
using outlinetest::json;

namespace {

// A document of `pages` Letter pages (objects 3 ..), then `more` objects numbered on from
// 3 + pages; the catalog gets `catalogExtra`.
std::string Doc(int pages, const std::vector<std::string>& more, const std::string& catalogExtra = "") {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>"};
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i) objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  objects.insert(objects.end(), more.begin(), more.end());
  return MakePdf(objects);
}

// Four pages; outline root 7 with items 8 (page 1, children 9 and 10 on pages 2 and 3) and
// 11 (page 4).
std::string FourPagesWithOutline() {
  return Doc(4,
             {"<< /Type /Outlines /First 8 0 R /Last 11 0 R /Count 2 >>",
              "<< /Title (One) /Parent 7 0 R /Next 11 0 R /First 9 0 R /Last 10 0 R /Count 2 /Dest [3 0 R /Fit] >>",
              "<< /Title (One.A) /Parent 8 0 R /Next 10 0 R /Dest [4 0 R /Fit] >>",
              "<< /Title (One.B) /Parent 8 0 R /Prev 9 0 R /Dest [5 0 R /Fit] >>",
              "<< /Title (Two) /Parent 7 0 R /Prev 8 0 R /Dest [6 0 R /FitH 700] >>"},
             "/Outlines 7 0 R");
}

json Item(const std::string& title, json page, json children = json::array()) {
  return json::array({title, page, children});
}

json Saved(const TempDir& dir, TkvPDFDocument& doc, const std::string& name = "out.pdf") {
  std::string out = dir.File(name);
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  return outlinetest::Tree(dir, out);
}

class Outlines : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  }
  TempDir dir_;
};

TEST_F(Outlines, ReadAndWrittenWithCountsAndLinks) {
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir_, FourPagesWithOutline()));
  TkvPDFOutline* root = doc.Outlines();
  ASSERT_TRUE(root);
  ASSERT_TRUE(root->Dictionary());  // /Type is kept, the links are not
  EXPECT_EQ(1, root->Dictionary()->Count());
  TkvPDFOutline* one = root->FirstChild();
  EXPECT_EQ("One", one->Title());
  EXPECT_EQ(8, one->ObjectNumber);
  EXPECT_EQ(root, one->Parent());
  EXPECT_EQ("One.B", one->FirstChild()->Next()->Title());
  EXPECT_EQ(one->FirstChild(), one->FirstChild()->Next()->Prev());
  EXPECT_EQ("Two", one->Next()->Title());
  // No links are kept in the item dictionaries: the nodes hold them.
  for (const char* key : {"/Parent", "/Next", "/First", "/Last", "/Count"})
    EXPECT_EQ(nullptr, one->Dictionary()->GetValue(key)) << key;
  json expected = {Item("One", 1, {Item("One.A", 2), Item("One.B", 3)}), Item("Two", 4)};
  EXPECT_EQ(expected, Saved(dir_, doc));
  // A document is written again the same way.
  EXPECT_EQ(expected, Saved(dir_, doc, "again.pdf"));
}

TEST_F(Outlines, EditingTheTree) {
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir_, FourPagesWithOutline()));
  TkvPDFOutline* root = doc.Outlines();
  TkvPDFDestination p3(3, dtFit), p4(4, dtFit);
  // AddChild puts the new item first; twice gives the second item first.
  TkvPDFOutline* a = root->AddChild("A", &p3);
  TkvPDFOutline* b = root->AddChild("B", &p4);
  EXPECT_EQ(b, root->FirstChild());
  EXPECT_EQ(a, b->Next());
  EXPECT_EQ(b, a->Prev());
  EXPECT_EQ(root, b->Parent());
  EXPECT_EQ(0, b->ObjectNumber);
  // AddNext links right after; three children under A.
  TkvPDFOutline* c1 = a->AddChild("C1", nullptr);
  c1->AddNext("C3", &p3);
  c1->AddNext("C2", &p4);
  EXPECT_EQ(a, c1->Next()->Parent());
  // Deleting the first child and a next sibling, with their subtrees.
  TkvPDFOutline* two = root->FirstChild()->Next()->Next()->Next();  // B, A, One, Two
  ASSERT_EQ("Two", two->Title());
  root->FirstChild()->Next()->Next()->DeleteNext();  // Two
  EXPECT_EQ(nullptr, root->FirstChild()->Next()->Next()->Next());
  root->DeleteChild();  // B
  EXPECT_EQ(a, root->FirstChild());
  EXPECT_EQ(nullptr, a->Prev());
  // Modify replaces title and target and drops any action.
  a->Dictionary()->SetValue("/A", std::make_unique<TkvPDFDictObject>());
  a->Modify("A'", &p4);
  EXPECT_EQ(nullptr, a->Dictionary()->GetValue("/A"));
  EXPECT_EQ(4, a->Destination()->Page);
  json expected = {Item("A'", 4, {Item("C1", nullptr), Item("C2", 4), Item("C3", 3)}),
                   Item("One", 1, {Item("One.A", 2), Item("One.B", 3)})};
  EXPECT_EQ(expected, Saved(dir_, doc));
}

TEST_F(Outlines, FailuresLeaveTheTreeAsItWas) {
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir_, FourPagesWithOutline()));
  TkvPDFOutline* root = doc.Outlines();
  TkvPDFOutline* leaf = root->FirstChild()->Next();
  TkvPDFDestination bad(5, dtFit);
  ExpectRaises<EInvalidPageError>([&] { root->AddChild("X", &bad); }, "Invalid page number (5)");
  ExpectRaises<EInvalidPageError>([&] { leaf->AddNext("X", &bad); }, "Invalid page number (5)");
  ExpectRaises<EInvalidPageError>([&] { leaf->Modify("X", &bad); }, "Invalid page number (5)");
  ExpectRaises<EInvalidPageError>([&] { doc.CreateOutline("X", &bad); }, "Invalid page number (5)");
  ExpectRaises<EOutlineError>([&] { leaf->DeleteChild(); }, "Outline node does not have children!");
  ExpectRaises<EOutlineError>([&] { leaf->DeleteNext(); }, "Outline node does not have next nodes!");
  EXPECT_EQ(root, doc.Outlines());
  EXPECT_EQ("Two", leaf->Title());
  EXPECT_EQ((json{Item("One", 1, {Item("One.A", 2), Item("One.B", 3)}), Item("Two", 4)}), Saved(dir_, doc));
}

TEST_F(Outlines, CreatedAndRemoved) {
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir_, Doc(2, {})));
  EXPECT_EQ(nullptr, doc.Outlines());
  TkvPDFDestination p2(2, 100.0, dtFitH);
  TkvPDFOutline* item = doc.CreateOutline("First", &p2);
  EXPECT_EQ(doc.Outlines(), item->Parent());
  ExpectRaises<EOutlineError>([&] { doc.Outlines()->Modify("X", nullptr); }, "Unexpected PDF object encountered");
  EXPECT_EQ(item, doc.Outlines()->FirstChild());
  EXPECT_EQ(nullptr, item->Next());
  EXPECT_EQ(json::array({Item("First", 2)}), Saved(dir_, doc));
  doc.CreateOutline("Replaced", nullptr);
  EXPECT_EQ(json::array({Item("Replaced", nullptr)}), Saved(dir_, doc));
  doc.DeleteOutlines();
  doc.SaveToFileAs(dir_.File("none.pdf"));
  EXPECT_FALSE(outlinetest::ReadOutline(dir_, dir_.File("none.pdf"))["has_outlines"].get<bool>());
}

// Items whose page was deleted go with their children; when the last of its siblings
// goes, the chain ends at the last item written.
TEST_F(Outlines, ItemsOfDeletedPagesAreDropped) {
  // Range, what is written, and the page the second top-level item names in memory.
  const std::tuple<const char*, json, int> cases[] = {
      {"2", json::array({Item("One", 1, json::array({Item("One.B", 2)})), Item("Two", 3)}), 3},
      {"3", json::array({Item("One", 1, json::array({Item("One.A", 2)})), Item("Two", 3)}), 3},
      {"4", json::array({Item("One", 1, {Item("One.A", 2), Item("One.B", 3)})}), -1},
      {"1", json::array({Item("Two", 3)}), 3},
      {"2-3", json::array({Item("One", 1), Item("Two", 2)}), 2},
  };
  for (const auto& [range, expected, second] : cases) {
    SCOPED_TRACE(range);
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadText(doc, dir_, FourPagesWithOutline()));
    doc.DeletePages(range);
    EXPECT_EQ(expected, Saved(dir_, doc));
    // The tree in memory stays whole: the dropped items only name no page.
    EXPECT_EQ(second, doc.Outlines()->FirstChild()->Next()->Destination()->Page);
  }
}

TEST_F(Outlines, KeptEntriesAndWarnings) {
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  ASSERT_TRUE(LoadText(doc, dir_,
                       Doc(1,
                           {"<< /First 5 0 R /Last 6 0 R /Count 2 >>",
                            "<< /Title 7 0 R /Parent 4 0 R /Next 6 0 R /Dest [3 0 R /Fit] /C [1 0 0] /F 3 /SE 8 0 R >>",
                            "<< /Title (Elsewhere) /Parent 4 0 R /Prev 5 0 R /Dest [2 /Fit] >>", "(Indirect title)",
                            "<< /S /P /Alt (structure) >>"},
                           "/Outlines 4 0 R")));
  EXPECT_EQ("Indirect title", doc.Outlines()->FirstChild()->Title());
  std::string out = dir_.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(log.Has("warning Expected Page Indirect Reference in Outline Destination!"));
  EXPECT_EQ((json{Item("Indirect title", 1), Item("Elsewhere", nullptr)}), outlinetest::Tree(dir_, out));
  // Colour, style and the structure element it names are written with the item.
  std::string item = Python(dir_,
                            "from pypdf import PdfReader\n"
                            "o = PdfReader('" +
                                out +
                                "').trailer['/Root']['/Outlines']['/First']\n"
                                "print(list(o['/C']), o['/F'], o['/SE']['/Alt'])\n");
  EXPECT_EQ("[1, 0, 0] 3 structure\n", item);
}

TEST_F(Outlines, MalformedItemsFailTheLoad) {
  const std::pair<std::string, std::string> cases[] = {
      {"/Title 42", "Unexpected PDF object encountered"},
      {"/Title (T) /A 42", "Unexpected Error"},
      {"/Title (T) /A 6 0 R", "Unexpected Error"},
  };
  for (const auto& [entries, message] : cases) {
    SCOPED_TRACE(entries);
    TkvPDFDocument doc;
    std::string pdf = Doc(1, {"<< /First 5 0 R >>", "<< " + entries + " /Parent 4 0 R >>", "[1 2]"}, "/Outlines 4 0 R");
    try {
      LoadText(doc, dir_, pdf);
      ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(message, e.what());
    }
  }
}

// Links that do not form a tree end the reading at the item met again, with a warning;
// nothing loops, and what was read is written as a proper tree.
TEST_F(Outlines, LoopsEndWithAWarning) {
  const std::vector<std::pair<std::vector<std::string>, json>> cases = {
      // /Next back to the first item.
      {{"<< /First 5 0 R >>", "<< /Title (A) /Next 6 0 R >>", "<< /Title (B) /Next 7 0 R >>",
        "<< /Title (C) /Next 5 0 R >>"},
       {Item("A", nullptr), Item("B", nullptr), Item("C", nullptr)}},
      // /First naming an ancestor, and an item its own next.
      {{"<< /First 5 0 R >>", "<< /Title (A) /First 6 0 R /Next 7 0 R >>", "<< /Title (A1) /First 4 0 R >>",
        "<< /Title (B) /Next 7 0 R >>"},
       {Item("A", nullptr, json::array({Item("A1", nullptr)})), Item("B", nullptr)}},
  };
  const std::vector<std::string> loopAt = {
      "warning Outline item 5 is linked more than once: the outline is read up to it",
      "warning Outline item 4 is linked more than once: the outline is read up to it"};
  for (size_t i = 0; i < cases.size(); ++i) {
    TkvPDFDocument doc;
    EventLog log;
    log.Attach(doc);
    ASSERT_TRUE(LoadText(doc, dir_, Doc(1, cases[i].first, "/Outlines 4 0 R")));
    EXPECT_EQ(loopAt[i], log.With("warning").at(0));
    EXPECT_EQ(cases[i].second, Saved(dir_, doc));
  }
}

// Thousands of items naming one large title that the document holds anyway (here as the
// information's title) refer to it: copied into each, a small file would take gigabytes.
TEST_F(Outlines, SharedObjectsAreReferredToNotCopied) {
  constexpr int kItems = 2000;
  const std::string big(200000, 'x');
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /Outlines 4 0 R >>",
                                      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
                                      "<< /First 7 0 R /Last " + std::to_string(6 + kItems) + " 0 R >>",
                                      "(" + big + ")",
                                      "<< /Title 5 0 R >>"};
  for (int i = 0; i < kItems; ++i)
    objects.push_back("<< /Title 5 0 R /Parent 4 0 R /Dest [3 0 R /Fit]" +
                      (i + 1 < kItems ? " /Next " + std::to_string(8 + i) + " 0 R" : std::string()) + " >>");
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(Put(dir_, "shared.pdf", MakePdf(objects, "/Info 6 0 R"))));
  EXPECT_EQ(big, doc.Outlines()->FirstChild()->Title());
  EXPECT_TRUE(doc.Outlines()->FirstChild()->Dictionary()->GetValue("/Title")->IsReference());
  std::string out = dir_.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_LT(ReadFile(out).size(), big.size() + kItems * 200);  // the title once, and small items
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  TkvPDFDocument again;
  ASSERT_TRUE(again.LoadFromFile(out));
  int count = 0;
  for (TkvPDFOutline* n = again.Outlines()->FirstChild(); n; n = n->Next()) count += n->Title() == big;
  EXPECT_EQ(kItems, count);
}

// Thousands of levels or siblings: reading, writing and freeing never recurse that deep.
TEST_F(Outlines, DeepAndLongTreesAreBounded) {
  constexpr int kItems = 20000;
  for (bool nested : {true, false}) {
    SCOPED_TRACE(nested ? "nested" : "siblings");
    std::vector<std::string> objects = {"<< /First 5 0 R >>"};
    for (int i = 0; i < kItems; ++i) {
      std::string link = i + 1 < kItems ? (nested ? " /First " : " /Next ") + std::to_string(6 + i) + " 0 R" : "";
      objects.push_back("<< /Title (I" + std::to_string(i) + ") /Dest [3 0 R /Fit]" + link + " >>");
    }
    TkvPDFDocument doc;
    EventLog log;
    log.Attach(doc);
    ASSERT_TRUE(LoadText(doc, dir_, Doc(1, objects, "/Outlines 4 0 R")));
    int depth = 0, count = 0;
    for (TkvPDFOutline* n = doc.Outlines()->FirstChild(); n; n = nested ? n->FirstChild() : n->Next()) {
      ++count;
      depth = nested ? count : 1;
    }
    EXPECT_EQ(nested ? 256 : kItems, count);
    EXPECT_EQ(nested ? 256 : 1, depth);
    EXPECT_EQ(nested, log.Has("warning Outline nested more than 256 levels deep: deeper items are left out"));
    std::string out = dir_.File("long.pdf");
    doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    TkvPDFDocument again;
    ASSERT_TRUE(again.LoadFromFile(out));
  }
}

}  // namespace
