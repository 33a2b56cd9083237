// Deferred page loading against the eager path, on real files and on damaged ones: the
// same extracted files byte for byte, the same page sizes, the same errors for the pages
// used, and no error for damage only unused pages hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocTestUtil.h"

using namespace kv;
using namespace kvtest;

namespace {

struct Source {
  const char* File;
  const char* Range;
};

// Links and outlines, named destinations, forms (loaded whole), modern structure, rotated
// pages, an encrypted file (loaded whole), a file of many pages.
const Source kSources[] = {
    {"pdftools-active-links.pdf", "1"},   {"gen-dests-dict.pdf", "2,1"},
    {"gen-reportlab-outline.pdf", "2-3"}, {"cups-form-english.pdf", "1"},
    {"xref-stream-only.pdf", "1"},        {"isorot-rotman.pdf", "3,1"},
    {"encrypted-aes128-r4.pdf", "1"},     {"developers-reference.pdf", "5-7,60,2"},
    {"groff-mom-pdf.pdf", "2"},           {"real-lepton-rf-amp-datasheet.pdf", "1"},
};

void Open(TkvPDFDocument& doc, const std::string& path, bool defer) {
  doc.SetReadModernFiles(true);
  doc.SetDeferPageLoading(defer);
  ASSERT_TRUE(doc.LoadFromFile(path)) << path;
}

std::string Extracted(const std::string& path, const std::string& range, bool defer, const TempDir& dir) {
  TkvPDFDocument doc;
  Open(doc, path, defer);
  TkvPDFDocument target;
  doc.ExtractPagesTo(target, range);
  return SaveBytes(target, dir, defer ? "deferred.pdf" : "eager.pdf");
}

TEST(DeferredPages, ExtractionWritesWhatTheEagerPathWrites) {
  for (const Source& s : kSources) {
    SCOPED_TRACE(s.File);
    TempDir dir;
    const std::string path = DataPath(s.File);
    const std::string eager = Extracted(path, s.Range, false, dir);
    const std::string deferred = Extracted(path, s.Range, true, dir);
    // Encryption draws new random bytes each time: there both must read back alike.
    if (std::string(s.File).rfind("encrypted", 0) != 0) {
      EXPECT_TRUE(deferred == eager) << "the files differ";
      continue;
    }
    TkvPDFDocument a, b;
    Open(a, Put(dir, "a.pdf", eager), false);
    Open(b, Put(dir, "b.pdf", deferred), false);
    EXPECT_EQ(a.ObjectStore->Count(), b.ObjectStore->Count());
    EXPECT_EQ(a.PageCount(), b.PageCount());
  }
}

TEST(DeferredPages, PageSizesAreKnownWithoutLoadingThePages) {
  for (const Source& s : kSources) {
    SCOPED_TRACE(s.File);
    TkvPDFDocument eager, deferred;
    Open(eager, DataPath(s.File), false);
    Open(deferred, DataPath(s.File), true);
    ASSERT_EQ(deferred.PageCount(), eager.PageCount());
    EXPECT_LE(deferred.ObjectStore->Count(), eager.ObjectStore->Count());
    for (int32_t p = 1; p <= eager.PageCount(); ++p) {
      TkvPDFRect a = eager.GetPageMediaBox(p), b = deferred.GetPageMediaBox(p);
      EXPECT_EQ(std::vector<double>({a.Left, a.Bottom, a.Right, a.Top}),
                std::vector<double>({b.Left, b.Bottom, b.Right, b.Top}))
          << "page " << p;
    }
  }
}

TEST(DeferredPages, WholeLoadingWhereEveryPageCounts) {
  struct Row {
    const char* File;
    bool Deferred;  // pages still deferred after loading
  };
  const Row rows[] = {{"pdftools-active-links.pdf", true},
                      {"cups-form-english.pdf", false},     // a form
                      {"encrypted-aes128-r4.pdf", false}};  // encryption
  for (const Row& r : rows) {
    SCOPED_TRACE(r.File);
    TkvPDFDocument doc;
    Open(doc, DataPath(r.File), true);
    EXPECT_EQ(doc.IsPageDeferred(1), r.Deferred);
    doc.LoadAllDeferredPages();
    EXPECT_FALSE(doc.IsPageDeferred(1));
  }
}

// Page 3 of this file refers to contents whose object is damaged.
std::string DamagedThirdPage() {
  const std::string content = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (Page) Tj ET\nendstream";
  auto page = [](const std::string& contents) {
    return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " + contents + " >>";
  };
  return MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 5 0 R 6 0 R] /Count 3 >>",
                  page("4 0 R"), content, page("4 0 R"), page("[4 0 R 7 0 R]"), "<< /Length 5 >>\nstream\n"});
}

TEST(DeferredPages, DamageIsReportedForThePagesUsedOnly) {
  TempDir dir;
  const std::string path = Put(dir, "damaged.pdf", DamagedThirdPage());
  std::string eagerError;
  try {
    TkvPDFDocument eager;
    eager.LoadFromFile(path);
    ADD_FAILURE() << "the damage went unnoticed";
  } catch (const std::exception& e) {
    eagerError = e.what();
  }
  TkvPDFDocument doc;
  Open(doc, path, true);
  EXPECT_EQ(doc.PageCount(), 3);
  TkvPDFDocument first;
  doc.ExtractPagesTo(first, "1-2");
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(Put(dir, "first.pdf", SaveBytes(first, dir)), &check)) << check;
  try {
    doc.LoadDeferredPage(3);
    ADD_FAILURE() << "the damage went unnoticed";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), eagerError);
  }
}

TEST(DeferredPages, RepeatedPagesAreLoadedWhole) {
  const std::string content = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (Again) Tj ET\nendstream";
  const std::string pdf =
      MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 3 0 R 5 0 R] /Count 3 >>",
               "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R >>", content,
               "<< /Type /Page /MediaBox [0 0 300 300] /Contents 4 0 R >>"});
  TempDir dir;
  const std::string path = Put(dir, "repeated.pdf", pdf);
  TkvPDFDocument doc;
  Open(doc, path, true);
  for (int32_t p = 1; p <= 3; ++p) EXPECT_FALSE(doc.IsPageDeferred(p)) << p;
  EXPECT_EQ(Extracted(path, "3,2,1", true, dir), Extracted(path, "3,2,1", false, dir));
}

TEST(DeferredPages, SavingWritesEveryPageWithWhatItUses) {
  TempDir dir;
  const std::string path = DataPath("gen-reportlab-outline.pdf");
  TkvPDFDocument doc;
  Open(doc, path, true);
  ASSERT_TRUE(doc.IsPageDeferred(2));
  const std::string out = Put(dir, "saved.pdf", SaveBytes(doc, dir, "written.pdf"));
  EXPECT_FALSE(doc.IsPageDeferred(2));
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  if (HaveTool("pdftotext")) {
    for (int32_t p = 1; p <= doc.PageCount(); ++p) EXPECT_EQ(PageText(out, p), PageText(path, p)) << "page " << p;
  }
}

}  // namespace
