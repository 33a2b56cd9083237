// Forms through page operations: resources merged category by category, fields of merged
// documents under names that do not clash, and the fields of extracted and deleted pages.
#include <gtest/gtest.h>

#include <cctype>

#include "FormTestUtil.h"
#include "parser/ParserTestUtil.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvResourceMerge.h"

using formtest::FieldLines;
using formtest::FormPdf;
using kv::TkvPDFDocument;

namespace {

kv::TkvPDFObjectPtr Parse(const std::string& text) {
  kvtest::TextInput in(text);
  return in.Reader.ReadObject();
}

// `text` is `head`, one or more digits, then `tail`.
bool IsNumbered(const std::string& text, const std::string& head, const std::string& tail) {
  if (text.size() <= head.size() + tail.size() || text.rfind(head, 0) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  for (size_t i = head.size(); i < text.size() - tail.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

kv::TkvPDFDictObject& Dict(kv::TkvPDFObjectPtr& obj) { return static_cast<kv::TkvPDFDictObject&>(*obj); }

// Three pages: "p1" on page 1, "both" with a widget on pages 1 and 2, "p3" on page 3,
// and "hidden" without any widget. Every widget's appearance holds a marker text.
std::string ThreePageForm() {
  auto ap = [](const char* mark) {
    return std::string("<< /Length %LEN% >>\nstream\nBT (") + mark + ") Tj ET\nendstream";
  };
  const std::string w = " /Subtype /Widget /Rect [10 10 100 30]";
  return FormPdf("<< /Fields [7 0 R 8 0 R 11 0 R 16 0 R] /CO [7 0 R 11 0 R] /DA (/Helv 0 Tf 0 g) >>",
                 {"7 0 R 9 0 R", "10 0 R", "11 0 R"},
                 {"<< /T (p1) /FT /Tx /V (one) /P 4 0 R /AP << /N 12 0 R >>" + w + " >>",
                  "<< /T (both) /FT /Tx /V (two) /Kids [9 0 R 10 0 R] >>",
                  "<< /Parent 8 0 R /P 4 0 R /AP << /N 13 0 R >>" + w + " >>",
                  "<< /Parent 8 0 R /P 5 0 R /AP << /N 14 0 R >>" + w + " >>",
                  "<< /T (p3) /FT /Tx /V (three) /P 6 0 R /AP << /N 15 0 R >>" + w + " >>", ap("MARK-p1"),
                  ap("MARK-both-1"), ap("MARK-both-2"), ap("MARK-p3"), "<< /T (hidden) /FT /Tx >>"});
}

// Field lines, kid counts and calculation order as pypdf reads them.
std::string FormFacts(const kvtest::TempDir& dir, const std::string& pdf) {
  return kvtest::Python(dir, "from pypdf import PdfReader\nr = PdfReader(" + kvtest::ShellQuote(pdf) +
                                 ")\nform = r.trailer['/Root']['/AcroForm']\n"
                                 "for f in form['/Fields']:\n"
                                 "    f = f.get_object()\n"
                                 "    print(f['/T'], len(f.get('/Kids', [])))\n"
                                 "print('CO', [c.get_object()['/T'] for c in form.get('/CO', [])])\n");
}

}  // namespace

TEST(ResourceMerge, CategoryByCategory) {
  struct Row {
    const char* source;
    const char* target;
    const char* merged;
  };
  const Row rows[] = {
      // Only the source has it: the target gets the same entry (here: the same object).
      {"<< /XObject 9 0 R >>", "<< /Font << /F1 6 0 R >> >>", "<< /Font << /F1 6 0 R >> /XObject 9 0 R >>"},
      // Both have it: the source's entries join, a name both use keeps the target's.
      {"<< /Font << /F1 7 0 R /F2 8 0 R >> >>", "<< /Font << /F1 6 0 R >> >>", "<< /Font << /F1 6 0 R /F2 8 0 R >> >>"},
      {"<< /ProcSet [/PDF /Text] >>", "<< /ProcSet [/PDF /ImageB] >>", "<< /ProcSet [ /PDF /ImageB /Text ] >>"},
      // Neither has it, or only the target: nothing changes.
      {"<< >>", "<< /Shading << /S 1 0 R >> >>", "<< /Shading << /S 1 0 R >> >>"},
      // Categories arrive in their fixed order; entries of other kinds are not merged.
      {"<< /Properties << /P 1 0 R >> /Foo 3 /ExtGState << /G 2 0 R >> /Pattern << /Q 4 0 R >> >>", "<< >>",
       "<< /ExtGState << /G 2 0 R >> /Pattern << /Q 4 0 R >> /Properties << /P 1 0 R >> >>"},
  };
  kv::TkvPDFObjectStore store;
  for (const Row& r : rows) {
    kv::TkvPDFObjectPtr source = Parse(r.source), target = Parse(r.target);
    kv::TkvPDFDictObject& merged = kv::MergeResources(store, Dict(source), Dict(target));
    EXPECT_EQ(&Dict(target), &merged);
    EXPECT_EQ(r.merged, kvtest::NormaliseSpace(kvtest::ToText(target.get()))) << r.source << " into " << r.target;
  }
  // A category the target keeps behind a reference is merged where it is stored.
  store.Add(std::make_unique<kv::TkvPDFIndirectObject>(7, 12, 0, Parse("<< /F1 5 0 R >>"), 1));
  kv::TkvPDFObjectPtr source = Parse("<< /Font << /F2 8 0 R >> >>"), target = Parse("<< /Font 12 0 R >>");
  kv::MergeResources(store, Dict(source), Dict(target));
  EXPECT_EQ("<< /Font 12 0 R >>", kvtest::NormaliseSpace(kvtest::ToText(target.get())));
  EXPECT_EQ("<< /F1 5 0 R /F2 8 0 R >>", kvtest::NormaliseSpace(kvtest::ToText(store.GetAt(0)->Value.get())));
}

// Merging a document with itself gives every field twice; the second copies of the
// top-level fields get numbers appended to /T, so every full name stays unique and the
// names under them follow.
TEST(FormMerge, SameFormTwice) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  kvtest::TempDir dir;
  std::string pdf = FormPdf(
      "<< /Fields [5 0 R 6 0 R] /CO [5 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv 8 0 R "
      ">> >> >>",
      {"5 0 R 7 0 R"},
      {"<< /T (total) /FT /Tx /V (10) /Subtype /Widget /P 4 0 R /Rect [0 0 50 20] >>", "<< /T (addr) /Kids [7 0 R] >>",
       "<< /T (street) /FT /Tx /Parent 6 0 R /Subtype /Widget /P 4 0 R /Rect [0 30 50 50] >>",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  std::string a = kvtest::Put(dir, "a.pdf", pdf), b = kvtest::Put(dir, "b.pdf", pdf);
  TkvPDFDocument doc;
  doc.MergeDocuments({a, b, a});
  std::vector<std::string> lines = FieldLines(doc);
  ASSERT_EQ(6u, lines.size());
  EXPECT_EQ("total|Text|10|", lines[0]);
  EXPECT_EQ("addr.street|Text||", lines[1]);
  for (int copy = 1; copy <= 2; ++copy) {
    std::string total = lines[2 * copy], street = lines[2 * copy + 1];
    EXPECT_TRUE(IsNumbered(total, "total", "|Text|10|")) << total;
    EXPECT_TRUE(IsNumbered(street, "addr", ".street|Text||")) << street;
  }
  EXPECT_NE(lines[2], lines[4]);
  EXPECT_NE(lines[3], lines[5]);
  std::string out = dir.File("merged.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  std::vector<std::string> read = formtest::PypdfFields(dir, out);
  ASSERT_EQ(7u, read.size());
  EXPECT_EQ("resolved 6/6", read.back());
  for (int i = 0; i < 6; ++i) {
    std::string line = lines[static_cast<size_t>(i)];
    EXPECT_EQ(line.substr(0, line.find('|')), read[static_cast<size_t>(i)].substr(0, read[i].find('=')));
  }
  std::string facts = FormFacts(dir, out);
  EXPECT_NE(std::string::npos, facts.find("CO ['total', 'total"));
  EXPECT_EQ("/Helvetica\n",
            kvtest::Python(dir, "from pypdf import PdfReader\nprint(PdfReader(" + kvtest::ShellQuote(out) +
                                    ").trailer['/Root']['/AcroForm']['/DR']['/Font']['/Helv']"
                                    "['/BaseFont'])\n"));
}

// A form arrives in a merge that started without one; a document without a form leaves
// the merged form as it was. Fields keep the look of their own form's /DA.
TEST(FormMerge, DocumentsWithAndWithoutForms) {
  kvtest::TempDir dir;
  std::string plain = kvtest::Put(dir, "plain.pdf", kvtest::MakePdf(kvtest::OnePageObjects()));
  std::string courier = kvtest::Put(dir, "courier.pdf",
                                    FormPdf("<< /Fields [5 0 R] /DA (/Cour 9 Tf 0 g) >>", {"5 0 R"},
                                            {"<< /T (x) /FT /Tx /Subtype /Widget /P 4 0 R /Rect [0 0 50 20] >>"}));
  std::string helv = kvtest::Put(dir, "helv.pdf",
                                 FormPdf("<< /Fields [5 0 R] /DA (/Helv 0 Tf 0 g) >>", {"5 0 R"},
                                         {"<< /T (y) /FT /Tx /Subtype /Widget /P 4 0 R /Rect [0 0 50 20] >>"}));
  TkvPDFDocument doc;
  doc.MergeDocuments({plain, courier, plain, helv});
  EXPECT_EQ(4, doc.PageCount());
  EXPECT_EQ((std::vector<std::string>{"x|Text||", "y|Text||"}), FieldLines(doc));
  EXPECT_EQ("/Cour", doc.FormFields()->Field(0).FontInfo.FontName);
  EXPECT_EQ("/Helv", doc.FormFields()->Field(1).FontInfo.FontName);
  TkvPDFDocument none;
  none.MergeDocuments({plain, plain});
  EXPECT_EQ(0, none.FieldCount());
  EXPECT_EQ(nullptr, none.FormFields());
}

// The extracted document keeps the fields whose widgets are on its pages, with those
// widgets only; what the dropped widgets alone used is not written.
TEST(FormPages, ExtractKeepsTheFieldsOfThePagesTaken) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  struct Row {
    const char* range;
    std::vector<std::string> fields;
    const char* facts;
    std::vector<std::string> marks;
  };
  const Row rows[] = {
      {"2", {"both|Text|two|"}, "both 1\nCO []\n", {"MARK-both-2"}},
      {"1,3",
       {"p1|Text|one|", "both|Text|two|", "p3|Text|three|"},
       "p1 0\nboth 1\np3 0\nCO ['p1', 'p3']\n",
       {"MARK-p1", "MARK-both-1", "MARK-p3"}},
      {"1-3",
       {"p1|Text|one|", "both|Text|two|", "p3|Text|three|"},
       "p1 0\nboth 2\np3 0\nCO ['p1', 'p3']\n",
       {"MARK-p1", "MARK-both-1", "MARK-both-2", "MARK-p3"}},
  };
  for (const Row& r : rows) {
    kvtest::TempDir dir;
    TkvPDFDocument source, target;
    ASSERT_TRUE(kvtest::LoadText(source, dir, ThreePageForm()));
    source.ExtractPagesTo(target, r.range);
    EXPECT_EQ(r.fields, FieldLines(target)) << r.range;
    std::string out = dir.File("extract.pdf");
    target.SaveToFileAs(out);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out)) << r.range;
    EXPECT_EQ(r.facts, FormFacts(dir, out)) << r.range;
    std::string bytes = kvtest::ReadFile(out);
    for (const char* mark : {"MARK-p1", "MARK-both-1", "MARK-both-2", "MARK-p3"}) {
      bool expected = std::find(r.marks.begin(), r.marks.end(), mark) != r.marks.end();
      EXPECT_EQ(expected, bytes.find(mark) != std::string::npos) << r.range << " " << mark;
    }
  }
}

// Deleting pages takes their widgets out of the form, and fields left without widgets
// with them; a field that never had a widget stays.
TEST(FormPages, DeleteDropsTheFieldsOfDeletedPages) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  struct Row {
    const char* range;
    std::vector<std::string> fields;
    const char* facts;
    std::vector<std::string> gone;
  };
  const Row rows[] = {
      {"1",
       {"both|Text|two|", "p3|Text|three|", "hidden|Text||"},
       "both 1\np3 0\nhidden 0\nCO ['p3']\n",
       {"MARK-p1", "MARK-both-1"}},
      {"2,1",
       {"p3|Text|three|", "hidden|Text||"},
       "p3 0\nhidden 0\nCO ['p3']\n",
       {"MARK-p1", "MARK-both-1", "MARK-both-2"}},
      {"3", {"p1|Text|one|", "both|Text|two|", "hidden|Text||"}, "p1 0\nboth 2\nhidden 0\nCO ['p1']\n", {"MARK-p3"}},
  };
  for (const Row& r : rows) {
    kvtest::TempDir dir;
    TkvPDFDocument doc;
    ASSERT_TRUE(kvtest::LoadText(doc, dir, ThreePageForm()));
    doc.DeletePages(r.range);
    EXPECT_EQ(r.fields, FieldLines(doc)) << r.range;
    std::string out = dir.File("deleted.pdf");
    doc.SaveToFileAs(out);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out)) << r.range;
    EXPECT_EQ(r.facts, FormFacts(dir, out)) << r.range;
    std::string bytes = kvtest::ReadFile(out);
    for (const std::string& mark : r.gone) EXPECT_EQ(std::string::npos, bytes.find(mark)) << r.range << " " << mark;
  }
}
