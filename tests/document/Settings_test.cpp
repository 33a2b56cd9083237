// Document settings reach the written file: information entries under both code-page
// rules, page layout and mode, viewer preferences and page transitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"

using namespace kv;
using namespace kvtest;

namespace {

struct CodePage {
  explicit CodePage(int cp) : Old(GetACP()) { SetACP(cp); }
  ~CodePage() { SetACP(Old); }
  int Old;
};

// pdfinfo's value of `key`, or "" when it shows none.
std::string PdfInfo(const std::string& pdf, const std::string& key) {
  for (const std::string& line : Lines(Run("pdfinfo -enc UTF-8 " + ShellQuote(pdf)).Output))
    if (line.rfind(key + ":", 0) == 0) return line.substr(line.find_first_not_of(' ', key.size() + 1));
  return "";
}

TEST(Settings, InformationUnderBothCodePageRules) {
  struct Row {
    int CodePage;
    std::string Title;        // as the host gives it, in the code page
    std::string StoredTitle;  // as the file holds it
    std::string Shown;        // as pdfinfo shows it (UTF-8)
  } rows[] = {
      {1252, "Report", "/Title (Report)\r\n", "Report"},
      {65001, "Report", "/Title <FEFF005200650070006F00720074>\r\n", "Report"},
      {1252, "Caf\xE9 (draft) \\1", "/Title (Caf\xE9 \\(draft\\) \\\\1)\r\n", "Caf\xC3\xA9 (draft) \\1"},
      {65001, "Caf\xC3\xA9", "/Title <FEFF00430061006600E9>\r\n", "Caf\xC3\xA9"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Title);
    CodePage cp(row.CodePage);
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
    doc.SetTitle(row.Title);
    doc.SetAuthor("Ann Author");
    doc.SetSubject("On subjects");
    doc.SetKeywords("one two");
    doc.SetProducer("replaced at save");
    EXPECT_EQ(row.Title, doc.GetTitle());
    std::string out = dir.File("info.pdf");
    doc.SaveToFileAs(out);
    EXPECT_NE(std::string::npos, ReadFile(out).find(row.StoredTitle));
    EXPECT_EQ(row.Shown, PdfInfo(out, "Title"));
    EXPECT_EQ("Ann Author", PdfInfo(out, "Author"));
    EXPECT_EQ("On subjects", PdfInfo(out, "Subject"));
    EXPECT_EQ("one two", PdfInfo(out, "Keywords"));
    EXPECT_EQ("Kestrova Folioworks V1.02", PdfInfo(out, "Producer"));
    // Read back by a new load as well.
    TkvPDFDocument again;
    ASSERT_TRUE(again.LoadFromFile(out));
    EXPECT_EQ(row.Title, again.GetTitle());
  }
}

TEST(Settings, LayoutModeAndViewerPreferences) {
  TempDir dir;
  std::string in = Put(dir, "in.pdf", MakePdf(OnePageObjects()));
  const char* layouts[] = {"None", "/SinglePage", "/OneColumn", "/TwoColumnLeft", "/TwoColumnRight"};
  const char* modes[] = {"None", "/UseOutlines", "/UseThumbs", "/FullScreen"};
  std::string program =
      "from pypdf import PdfReader\nimport sys\nfor f in sys.argv[1:]:\n"
      "    r = PdfReader(f).trailer['/Root']\n"
      "    v = r.get('/ViewerPreferences')\n"
      "    print(r.get('/PageLayout'), r.get('/PageMode'), sorted(v.items()) if v else None)\n";
  WriteFile(dir.File("view.py"), program);
  std::string files;
  for (int i = 0; i < 5; ++i) {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(in));
    doc.PageLayout = static_cast<uint8_t>(i);
    doc.PageMode = static_cast<uint8_t>(i % 4);
    if (i == 4) {
      doc.ViewerPreferences().SetHideToolbar(true);
      doc.ViewerPreferences().SetCenterWindow(true);
      doc.ViewerPreferences().SetDisplayDocTitle(true);
    }
    std::string out = dir.File("view" + std::to_string(i) + ".pdf");
    doc.SaveToFileAs(out);
    files += " " + ShellQuote(out);
  }
  CommandResult r = kvtest::Run("/usr/bin/python3 " + ShellQuote(dir.File("view.py")) + files);
  std::vector<std::string> expected;
  for (int i = 0; i < 5; ++i)
    expected.push_back(
        std::string(layouts[i]) + " " + modes[i % 4] + " " +
        (i == 4 ? "[('/CenterWindow', True), ('/DisplayDocTitle', True), ('/HideToolbar', True)]" : "None"));
  EXPECT_EQ(expected, Lines(r.Output)) << r.Output;
}

TEST(Settings, PageTransitionsForEveryEffect) {
  // Effect i on page i + 1, then effect 13 on every page of a second document.
  const char* expected[] = {
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/R'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Split', '/Dm': '/H', '/M': '/I'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Split', '/Dm': '/H', '/M': '/O'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Split', '/Dm': '/V', '/M': '/I'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Split', '/Dm': '/V', '/M': '/O'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Blinds', '/Dm': '/H'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Blinds', '/Dm': '/V'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Box', '/M': '/I'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Box', '/M': '/O'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Wipe', '/Di': 0}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Wipe', '/Di': 90}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Wipe', '/Di': 180}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Wipe', '/Di': 270}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Dissolve'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Glitter', '/Di': 0}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Glitter', '/Di': 270}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/Glitter', '/Di': 315}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/R'}",
      "{'/Type': '/Trans', '/D': 0.5, '/S': '/R'}",
  };
  constexpr int kPages = 19;
  TempDir dir;
  std::vector<std::string> texts;
  for (int i = 0; i < kPages; ++i) texts.push_back("P" + std::to_string(i));
  std::string in = Put(dir, "in.pdf", PagesPdf(texts));
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(in));
  doc.SetPageTransition("", 13, 7);  // replaced below, page by page
  for (int i = 0; i < kPages; ++i)
    doc.SetPageTransition("\"" + std::to_string(i + 1) + "\"", static_cast<uint8_t>(i == kPages - 1 ? 255 : i), 0.5f);
  std::string out = dir.File("trans.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(QpdfCheckClean(out));
  std::vector<std::string> got = Lines(
      Python(dir, "from pypdf import PdfReader\nfor p in PdfReader('" + out + "').pages: print(dict(p['/Trans']))\n"));
  EXPECT_EQ(std::vector<std::string>(std::begin(expected), std::end(expected)), got);

  TkvPDFDocument all;
  ASSERT_TRUE(all.LoadFromFile(in));
  ExpectRaises<EInvalidPageError>([&] { all.SetPageTransition("x", 13, 2); }, "Invalid page range (x)");
  all.SetPageTransition("", 13, 2);
  std::string bytes = SaveBytes(all, dir);
  EXPECT_EQ(static_cast<size_t>(kPages), [&] {
    size_t n = 0;
    std::string what = "/Trans <<\r\n/Type /Trans\r\n/D 2\r\n/S /Dissolve\r\n>>\r\n";
    for (size_t p = bytes.find(what); p != std::string::npos; p = bytes.find(what, p + 1)) ++n;
    return n;
  }());
}

}  // namespace
