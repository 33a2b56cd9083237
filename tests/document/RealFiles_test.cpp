// Real files no one here wrote: every one is rewritten and checked with qpdf, pdftotext
// and pypdf against the original; page operations on them keep text, sizes and links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocTestUtil.h"

using namespace kv;
using namespace kvtest;

namespace {

const std::vector<std::string> kRewritten = {"bzip2-manual.pdf",
                                             "cups-classified.pdf",
                                             "cups-default-testpage.pdf",
                                             "cxxtest-guide.pdf",
                                             "developers-reference.pdf",
                                             "fop-cid-fonts.pdf",
                                             "forensics-a-text.pdf",
                                             "gitmagic.pdf",
                                             "gitmagic.v1.5.pdf",
                                             "glpk-cnfsat.pdf",
                                             "groff-letter.pdf",
                                             "groff-letter.v1.3.pdf",
                                             "groff-mom-pdf.pdf",
                                             "groff-slide-demo.pdf",
                                             "isorot-rotman.pdf",
                                             "isorot-rotman.v1.2.pdf",
                                             "iwb-radio.pdf",
                                             "iwb-radio.v1.3.pdf",
                                             "newlfm-wine.pdf",
                                             "pdftools-active-links.pdf",
                                             "pdftools-hello.pdf",
                                             "pdftools-hello.v1.5.pdf",
                                             "prosper-tour.pdf",
                                             "xforms-manual.pdf",
                                             "gen-dests-dict.pdf",
                                             "gen-outline-fit-types.pdf",
                                             "gen-reportlab-outline.pdf"};

// pypdf's verdict on pairs of files: page count, MediaBoxes, link and outline targets.
size_t ExpectSameFacts(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string args = "--compare";
  for (const auto& [original, copy] : pairs) args += " " + ShellQuote(original) + " " + ShellQuote(copy);
  std::vector<std::string> lines = PdfFacts(dir, args);
  EXPECT_EQ(3 * pairs.size(), lines.size());
  if (lines.size() != 3 * pairs.size()) return 0;
  size_t links = 0;
  for (size_t i = 0; i < lines.size(); i += 3) {
    std::string name = lines[i].substr(0, lines[i].find(' '));
    std::string pages = lines[i].substr(lines[i].find(" pages ") + 7);
    EXPECT_EQ(pages.substr(0, pages.find(' ')), pages.substr(pages.find(' ') + 1)) << lines[i];
    EXPECT_EQ(name + " boxes same", lines[i + 1]);
    std::string same = name + " links same ";
    EXPECT_EQ(same, lines[i + 2].substr(0, same.size()));
    if (lines[i + 2].rfind(same, 0) == 0) links += std::stoul(lines[i + 2].substr(same.size()));
  }
  return links;
}

TEST(RealFiles, EveryFileSurvivesARewrite) {
  TempDir dir;
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const std::string& name : kRewritten) {
    SCOPED_TRACE(name);
    std::string original = DataPath(name);
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(original));
    std::string copy = dir.File(name);
    doc.SaveToFileAs(copy);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(copy, &check)) << check;
    EXPECT_EQ(ReadFile(original).substr(0, 8), ReadFile(copy).substr(0, 8));
    std::vector<std::string> texts = AllPageTexts(copy);
    EXPECT_EQ(static_cast<size_t>(doc.PageCount()), texts.size());
    EXPECT_EQ(AllPageTexts(original), texts);
    pairs.emplace_back(original, copy);
  }
  // Thousands of links and bookmarks among them, all compared.
  EXPECT_GT(ExpectSameFacts(dir, pairs), 5000u);
}

TEST(RealFiles, MergeKeepsEveryPageWithItsTextAndSize) {
  TempDir dir;
  const std::vector<std::string> files = {DataPath("groff-letter.pdf"), DataPath("glpk-cnfsat.pdf"),
                                          DataPath("fop-cid-fonts.pdf"), DataPath("groff-letter.v1.3.pdf")};
  TkvPDFDocument doc;
  doc.MergeDocuments(files);
  std::string out = dir.File("merged.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  std::vector<std::string> texts, boxes;
  for (const std::string& file : files) {
    for (const std::string& t : AllPageTexts(file)) texts.push_back(t);
    for (const std::string& b : MediaBoxes(dir, file)) boxes.push_back(b);
  }
  EXPECT_EQ(11, doc.PageCount());
  EXPECT_EQ(texts, AllPageTexts(out));
  EXPECT_EQ(boxes, MediaBoxes(dir, out));
}

// Page i of the result is page map[i] (1-based) of the original: checks text, size and
// that links keep their targets (mapped to the new numbers, null where the target went).
void ExpectPagesOf(const TempDir& dir, const std::string& original, const std::string& result,
                   const std::vector<int>& map) {
  std::vector<std::string> texts = AllPageTexts(original), boxes = MediaBoxes(dir, original);
  std::vector<std::string> expectedTexts, expectedBoxes, expectedLinks;
  for (int p : map) {
    expectedTexts.push_back(texts[static_cast<size_t>(p - 1)]);
    expectedBoxes.push_back(boxes[static_cast<size_t>(p - 1)]);
  }
  std::vector<std::string> links = LinkTargets(dir, original);
  for (size_t i = 0; i < map.size(); ++i)
    for (const std::string& link : links) {
      if (link.rfind(std::to_string(map[i]) + ":", 0) != 0) continue;
      int target = std::stoi(link.substr(link.find(':') + 1));
      std::string mapped = "nullpage";
      for (size_t j = 0; j < map.size(); ++j)
        if (map[j] == target) {
          mapped = std::to_string(j + 1);
          break;
        }
      expectedLinks.push_back(std::to_string(i + 1) + ":" + mapped);
    }
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(result, &check)) << check;
  EXPECT_EQ(expectedTexts, AllPageTexts(result));
  EXPECT_EQ(expectedBoxes, MediaBoxes(dir, result));
  std::vector<std::string> got;
  for (const std::string& link : LinkTargets(dir, result))
    if (link.rfind("outline:", 0) != 0) got.push_back(link);
  EXPECT_EQ(expectedLinks, got);
}

TEST(RealFiles, ExtractDeleteAndInsertKeepLinksPointingAtTheRightPages) {
  TempDir dir;
  const std::string mom = DataPath("groff-mom-pdf.pdf");
  TkvPDFDocument source;
  ASSERT_TRUE(source.LoadFromFile(mom));
  {
    TkvPDFDocument target;
    source.ExtractPagesTo(target, "2-4,7");
    target.SaveToFileAs(dir.File("extract.pdf"));
    ExpectPagesOf(dir, mom, dir.File("extract.pdf"), {2, 3, 4, 7});
  }
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(mom));
    doc.DeletePages("1,5-6,5");
    doc.SaveToFileAs(dir.File("delete.pdf"));
    ExpectPagesOf(dir, mom, dir.File("delete.pdf"), {2, 3, 4, 7, 8});
  }
  {
    // Pages of another file in the middle: mom's own pages and links move by two.
    TkvPDFDocument doc, glpk;
    ASSERT_TRUE(doc.LoadFromFile(mom));
    ASSERT_TRUE(glpk.LoadFromFile(DataPath("glpk-cnfsat.pdf")));
    doc.InsertPagesFrom(glpk, "2,1", 3);
    std::string out = dir.File("insert.pdf");
    doc.SaveToFileAs(out);
    std::vector<std::string> mine = AllPageTexts(mom), theirs = AllPageTexts(DataPath("glpk-cnfsat.pdf"));
    std::vector<std::string> texts = AllPageTexts(out);
    ASSERT_EQ(10u, texts.size());
    EXPECT_EQ(theirs[1], texts[3]);
    EXPECT_EQ(theirs[0], texts[4]);
    texts.erase(texts.begin() + 3, texts.begin() + 5);
    EXPECT_EQ(mine, texts);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    std::vector<std::string> expected;
    for (const std::string& link : LinkTargets(dir, mom)) {
      if (link.rfind("outline:", 0) == 0) continue;
      auto shift = [](int p) { return p > 3 ? p + 2 : p; };
      int page = std::stoi(link), target = std::stoi(link.substr(link.find(':') + 1));
      expected.push_back(std::to_string(shift(page)) + ":" + std::to_string(shift(target)));
    }
    std::vector<std::string> got;
    for (const std::string& link : LinkTargets(dir, out))
      if (link.rfind("outline:", 0) != 0) got.push_back(link);
    EXPECT_EQ(expected, got);
  }
}

TEST(RealFiles, OutputFiltersOnARealFile) {
  TempDir dir;
  const std::string original = DataPath("pdftools-active-links.pdf");
  std::vector<std::string> texts = AllPageTexts(original);
  for (uint8_t ascii : {0, 1}) {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(original));
    doc.Compression().Active = true;
    doc.ASCIIEncode().Active = true;
    doc.ASCIIEncode().Method = ascii;
    std::string out = dir.File("filtered.pdf");
    doc.SaveToFileAs(out);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    EXPECT_EQ(texts, AllPageTexts(out));
    EXPECT_NE(std::string::npos, ReadFile(out).find(ascii ? "/Filter [ /ASCII85Decode /FlateDecode /DCTDecode ]"
                                                          : "/Filter [ /ASCIIHexDecode /FlateDecode /DCTDecode ]"));
  }
}

}  // namespace
