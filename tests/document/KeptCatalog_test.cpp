// Catalog entries the document does not build itself survive a rewrite with what they
// refer to, and page operations turn references to pages that are gone into null.
// Checked with pypdf and qpdf.
#include <gtest/gtest.h>

#include <functional>

#include "document/DocTestUtil.h"

namespace {

using kvtest::Python;
using kvtest::TempDir;

// Three pages (the second with content of its own) and a catalog holding page labels,
// language, tagged structure naming page 2, embedded files and JavaScript next to the
// destinations, a URI base, an article thread on page 3 and optional content.
std::string RichCatalogPdf(const std::string& labels = "<< /Nums [0 << /S /r >> 2 << /S /D /P (A-) >>] >>") {
  return kvtest::MakePdf({
      "<< /Type /Catalog /Pages 2 0 R /PageLabels 7 0 R /Lang (de-CH) /MarkInfo << /Marked true >> "
      "/StructTreeRoot 8 0 R /Names 10 0 R /URI << /Base (http://example.org/) >> /Threads [11 0 R] "
      "/OCProperties << /OCGs [17 0 R] /D << /Order [17 0 R] >> >> /Dests << /Two [4 0 R /Fit] >> >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 200 200] >>",
      "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 12 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 6 0 R /B [15 0 R] >>",
      "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (shared) Tj ET\nendstream",
      labels,
      "<< /Type /StructTreeRoot /K [9 0 R] >>",
      "<< /Type /StructElem /S /P /P 8 0 R /Pg 4 0 R /K 0 >>",
      "<< /EmbeddedFiles << /Names [(a.txt) 13 0 R] >> /JavaScript << /Names [(init) 14 0 R] >> "
      "/Dests << /Names [(Three) [5 0 R /Fit]] >> >>",
      "<< /Type /Thread /F 15 0 R >>",
      "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (PAGE-TWO-ONLY) Tj ET\nendstream",
      "<< /Type /Filespec /F (a.txt) /EF << /F 16 0 R >> >>",
      "<< /S /JavaScript /JS (app.alert\\(1\\)) >>",
      "<< /Type /Bead /T 11 0 R /N 15 0 R /V 15 0 R /P 5 0 R /R [0 0 10 10] >>",
      "<< /Type /EmbeddedFile /Length %LEN% >>\nstream\nhello\nendstream",
      "<< /Type /OCG /Name (Layer) >>",
  });
}

// What pypdf reads of the catalog entries above.
const char* const kCatalogFacts = R"PY(
import sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
root = r.trailer['/Root']
print('keys', sorted(k for k in root.keys() if k not in ('/Type', '/Pages')))
print('labels', r.page_labels)
print('lang', root['/Lang'], 'marked', root['/MarkInfo']['/Marked'])
names = root['/Names'].get_object()
print('names', sorted(names.keys()))
files = names['/EmbeddedFiles']['/Names']
print('files', files[0], files[1].get_object()['/EF']['/F'].get_object().get_data())
print('js', names['/JavaScript']['/Names'][1].get_object()['/JS'])
print('uri', root['/URI']['/Base'])
print('layers', [g.get_object()['/Name'] for g in root['/OCProperties']['/OCGs']])
index = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
pg = root['/StructTreeRoot']['/K'][0].get_object().get('/Pg')
print('structure page', index.get(pg.idnum, 'not a page') if hasattr(pg, 'idnum') else None)
bead = root['/Threads'][0].get_object()['/F'].get_object()
print('bead page', index.get(bead.raw_get('/P').idnum, 'not a page'))
)PY";

std::string CatalogFacts(const TempDir& dir, const std::string& pdf) {
  kvtest::WriteFile(dir.File("catalog.py"), kCatalogFacts);
  kvtest::CommandResult r = kvtest::Run("/usr/bin/python3 " + kvtest::ShellQuote(dir.File("catalog.py")) + " " +
                                        kvtest::ShellQuote(pdf) + " 2>&1");
  EXPECT_EQ(r.ExitCode, 0) << r.Output;
  return r.Output;
}

TEST(KeptCatalog, RewriteKeepsEveryEntryTheDocumentDoesNotBuild) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(kvtest::LoadText(doc, dir, RichCatalogPdf()));
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << check;
  EXPECT_EQ(CatalogFacts(dir, out),
            "keys ['/Lang', '/MarkInfo', '/Names', '/OCProperties', '/PageLabels', '/StructTreeRoot', '/Threads', "
            "'/URI']\n"
            "labels ['i', 'ii', 'A-1']\n"
            "lang de-CH marked True\n"
            "names ['/EmbeddedFiles', '/JavaScript']\n"
            "files a.txt b'hello'\n"
            "js app.alert(1)\n"
            "uri http://example.org/\n"
            "layers ['Layer']\n"
            "structure page 2\n"
            "bead page 3\n");
}

TEST(KeptCatalog, PagesDeletedLaterAreNullWhereEntriesNameThem) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(kvtest::LoadText(doc, dir, RichCatalogPdf()));
  doc.DeletePages("2");
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << check;
  std::string facts = CatalogFacts(dir, out);
  // The structure element loses its page rather than pulling it back in; the thread's
  // bead follows its page to its new number.
  EXPECT_NE(facts.find("structure page None\n"), std::string::npos) << facts;
  EXPECT_NE(facts.find("bead page 2\n"), std::string::npos) << facts;
  EXPECT_EQ(kvtest::ReadFile(out).find("PAGE-TWO-ONLY"), std::string::npos) << "the deleted page's content was written";
  EXPECT_EQ(kvtest::Run("qpdf --show-npages " + kvtest::ShellQuote(out)).Output, "2\n");
}

// Page labels as pypdf reads them.
std::string Labels(const TempDir& dir, const std::string& pdf) {
  return Python(dir, "from pypdf import PdfReader\nprint(PdfReader(" + kvtest::ShellQuote(pdf) + ").page_labels)\n");
}

TEST(KeptCatalog, PageLabelsFollowTheirPages) {
  struct Case {
    std::function<void(kv::TkvPDFDocument& doc, kv::TkvPDFDocument& other)> Operation;
    std::string Labels;
  };
  const Case cases[] = {
      {[](auto& doc, auto&) { doc.DeletePages("1"); }, "['ii', 'A-1']"},
      {[](auto& doc, auto&) { doc.DeletePages("2"); }, "['i', 'A-1']"},
      // Pages taken in continue the numbering of the page before them.
      {[](auto& doc, auto& other) { doc.InsertPagesFrom(other, "1-2", 1); }, "['i', 'ii', 'iii', 'ii', 'A-1']"},
      {[](auto& doc, auto& other) { doc.InsertPagesFrom(other, "1", 0); }, "['1', 'i', 'ii', 'A-1']"},
      {[](auto& doc, auto& other) { doc.AppendPagesFrom(other, "2"); }, "['i', 'ii', 'A-1', 'A-2']"},
      {[](auto& doc, auto&) { doc.InsertPagesFrom(doc, "3", 0); }, "['A-1', 'i', 'ii', 'A-1']"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    kv::TkvPDFDocument doc, other;
    ASSERT_TRUE(kvtest::LoadText(doc, dir, RichCatalogPdf()));
    ASSERT_TRUE(kvtest::LoadText(other, dir, kvtest::PagesPdf({"X", "Y"}), "other.pdf"));
    c.Operation(doc, other);
    std::string out = dir.File("out.pdf");
    doc.SaveToFileAs(out);
    EXPECT_EQ(Labels(dir, out), c.Labels + "\n");
    // The old label tree is not written beside the new one.
    std::string bytes = kvtest::ReadFile(out);
    EXPECT_EQ(bytes.find("/Nums"), bytes.rfind("/Nums")) << c.Labels;
  }
}

TEST(KeptCatalog, LabelTreesThatCannotBeReadAreLeftAlone) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  // A tree whose node is its own kid, and ranges that do not start at the first page.
  for (const char* tree : {"<< /Kids [7 0 R 7 0 R] >>", "<< /Nums [1 << /S /R >>] >>", "<< /Nums [0 (x)] >>"}) {
    ASSERT_TRUE(kvtest::LoadText(doc, dir, RichCatalogPdf(tree)));
    doc.DeletePages("1");
    const kv::TkvPDFObject* kept = doc.Catalog->Others->GetValue("/PageLabels");
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->IsReference()) << tree << " was rewritten";
    std::string check;
    kvtest::SaveBytes(doc, dir);
    EXPECT_TRUE(kvtest::QpdfCheckClean(dir.File("out.pdf"), &check)) << check;
  }
}

// An entry nested past the parser's bound is left out with a warning; the others stay.
TEST(KeptCatalog, UnreadableEntryIsLeftOutWithAWarning) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  std::vector<std::string> warnings;
  doc.OnWarning = [&](kv::TkvCustomPDFDocument*, const std::string& text) { warnings.push_back(text); };
  ASSERT_TRUE(kvtest::LoadText(
      doc, dir,
      kvtest::MakePdf(
          {"<< /Type /Catalog /Pages 2 0 R /Deep 4 0 R /Lang (en) >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>", std::string(300, '[') + std::string(300, ']')})));
  EXPECT_EQ(doc.Catalog->Others->GetValue("/Deep"), nullptr);
  EXPECT_NE(doc.Catalog->Others->GetValue("/Lang"), nullptr);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("The catalog entry /Deep cannot be read (", 0), 0u) << warnings[0];
}

TEST(KeptCatalog, EveryInformationEntryIsReadable) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(kvtest::LoadText(
      doc, dir,
      kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>",
                       "<< /Title 5 0 R /ModDate (D:20240101) /Trapped /True /Pages 3 /Gone null /Missing 9 0 R "
                       "/Ratio 0.5 >>",
                       "(Late title)"},
                      "/Info 4 0 R")));
  std::vector<std::string> entries;
  for (const auto& [key, value] : doc.InfoEntries()) entries.push_back(key + "=" + value->ToText());
  EXPECT_EQ(entries, (std::vector<std::string>{"Title=(Late title)", "ModDate=(D:20240101)", "Trapped=/True", "Pages=3",
                                               "Ratio=0.5"}));
  EXPECT_EQ(doc.GetTitle(), "Late title");
}

}  // namespace
