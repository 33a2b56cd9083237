// Whole documents of the modern kind, read with ReadModernFiles: real files with
// cross-reference and object streams, qpdf's modern copies of the classic fixtures, the
// versions written back, and damaged files rebuilt by scanning. By default the library
// refuses each of them as it always did.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocTestUtil.h"
#include "support/ModernPdf.h"

using namespace kv;
using namespace kvtest;

namespace {

struct Read {
  bool Loaded = false;
  int Pages = -1;
  std::string Error;
  std::vector<std::string> Warnings;
  std::string Header;  // of the file written from it
  std::string Saved;
};

Read ReadModern(const TempDir& dir, const std::string& path, bool modern = true, bool fileStreams = false) {
  Read r;
  try {
    TkvPDFDocument doc;
    doc.SetReadModernFiles(modern);
    doc.SetUseFileStreams(fileStreams);
    doc.OnWarning = [&](TkvCustomPDFDocument*, const std::string& w) { r.Warnings.push_back(w); };
    r.Loaded = doc.LoadFromFile(path);
    r.Pages = doc.PageCount();
    r.Saved = dir.File("saved-" + std::to_string(r.Pages) + ".pdf");
    doc.SaveToFileAs(r.Saved);
    r.Header = ReadFile(r.Saved).substr(0, 8);
  } catch (const Exception& e) {
    r.Error = e.what();
  }
  return r;
}

// The copy passes qpdf --check and has the original's text on every page.
void ExpectFaithfulCopy(const std::string& original, const Read& r, const std::string& what) {
  ASSERT_EQ("", r.Error) << what;
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(r.Saved, &check)) << what << ": " << check;
  const std::vector<std::string> texts = AllPageTexts(original);
  EXPECT_EQ(texts.size(), static_cast<size_t>(r.Pages)) << what;
  EXPECT_EQ(texts, AllPageTexts(r.Saved)) << what;
}

TEST(ModernFiles, RealFilesWithCrossReferenceAndObjectStreams) {
  if (!HaveTool("qpdf") || !HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or pdftotext missing";
  TempDir dir;
  // Page counts as qpdf reports them (the fixtures' manifest).
  const std::pair<const char*, int> files[] = {{"xref-streams/cxxtest-guide.pdf", 45},
                                               {"xref-streams/glpk-cnfsat.pdf", 6},
                                               {"xref-streams/pdftools-hello.pdf", 1}};
  std::string pairs;
  for (const auto& [name, pages] : files) {
    const std::string path = DataPath(name);
    Read r = ReadModern(dir, path);
    EXPECT_EQ(pages, r.Pages) << name;
    EXPECT_TRUE(r.Warnings.empty()) << name << ": " << (r.Warnings.empty() ? "" : r.Warnings[0]);
    EXPECT_EQ("%PDF-1.5", r.Header) << name;
    ExpectFaithfulCopy(path, r, name);
    pairs += " " + ShellQuote(path) + " " + ShellQuote(r.Saved);
    EXPECT_EQ("Error reading PDF trailer", ReadModern(dir, path, false).Error) << name;
    // Links and outlines lead where they led (pypdf's reading of both files).
    for (const std::string& line : PdfFacts(dir, "--compare" + pairs)) {
      if (line.find(" links ") != std::string::npos) {
        EXPECT_EQ(0u, line.find(line.substr(0, line.find(' ')) + " links same"));
      }
    }
    pairs.clear();
  }
}

// qpdf's modern forms of classic fixtures: object streams, newer headers, linearized.
TEST(ModernFiles, QpdfCopiesOfTheClassicFixtures) {
  if (!HaveTool("qpdf") || !HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or pdftotext missing";
  TempDir dir;
  const struct {
    const char* Options;
    const char* Header;
    const char* StrictError;
  } variants[] = {
      {"--object-streams=generate", "%PDF-1.5", "Error reading PDF trailer"},
      {"--force-version=1.7", "%PDF-1.7", "Unsupported PDF Version (%PDF-1.7)"},
      {"--object-streams=generate --force-version=2.0", "%PDF-2.0", "Invalid PDF Header (%PDF-2.)"},
      {"--linearize --object-streams=generate", "%PDF-1.5", "Error reading PDF trailer"},
  };
  for (const char* name : {"groff-letter.pdf", "pdftools-active-links.pdf", "isorot-rotman.v1.2.pdf",
                           "gen-outline-fit-types.pdf", "fop-cid-fonts.pdf"}) {
    for (const auto& v : variants) {
      const std::string what = std::string(name) + " " + v.Options;
      const std::string copy = dir.File("variant.pdf");
      ASSERT_EQ(0, kvtest::Run(std::string("qpdf --static-id ") + v.Options + " " + ShellQuote(DataPath(name)) + " " +
                               ShellQuote(copy))
                       .ExitCode)
          << what;
      Read r = ReadModern(dir, copy);
      EXPECT_EQ(v.Header, r.Header) << what;
      ExpectFaithfulCopy(DataPath(name), r, what);
      EXPECT_EQ(v.StrictError, ReadModern(dir, copy, false).Error) << what;
    }
  }
}

const std::vector<std::string> kTwoPages = {
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (First page) Tj ET\nendstream",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Contents 7 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 20 200 Td (Second page) Tj ET\nendstream"};

std::vector<std::string> Texts(const Read& r) {
  return r.Error.empty() ? AllPageTexts(r.Saved) : std::vector<std::string>{};
}

// Files made here: every object that may live in an object stream does, compressed with
// Flate or LZW, with a plain, predicted or hybrid cross-reference section.
TEST(ModernFiles, TemplatesOfEveryCrossReferenceForm) {
  TempDir dir;
  const std::vector<std::string> expected = {"First page", "Second page"};
  for (bool lzw : {false, true})
    for (bool hybrid : {false, true})
      for (bool predictor : {false, true}) {
        ModernPdfOptions o;
        o.InObjectStream = {1, 2, 3, 5, 6};
        o.LZW = lzw;
        o.Hybrid = hybrid;
        o.Predictor = predictor;
        const std::string path = Put(dir, "t.pdf", MakeModernPdf(kTwoPages, o));
        Read r = ReadModern(dir, path);
        const std::string what =
            std::string(lzw ? "lzw" : "flate") + (hybrid ? " hybrid" : "") + (predictor ? " png" : "");
        EXPECT_EQ(2, r.Pages) << what << ": " << r.Error;
        if (HaveTool("pdftotext")) {
          EXPECT_EQ(expected, Texts(r)) << what;
        }
      }
}

// Damage that rebuilding the cross-reference data mends, each with the warning; what a
// scan cannot mend still fails with the reader's message.
TEST(ModernFiles, DamagedFilesRebuiltByScanning) {
  TempDir dir;
  const std::string pdf = MakePdf(kTwoPages);
  const size_t startxref = pdf.rfind("startxref");
  const std::vector<long> at = ObjectOffsets(pdf);
  auto entryOffset = [&](std::string file, int n, long offset) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%010ld", offset);
    return file.replace(file.rfind("xref\n0 ") + 10 + 20 * n + std::to_string(kTwoPages.size() + 1).size() - 1, 10,
                        digits);
  };
  ModernPdfOptions packed;
  packed.InObjectStream = {2, 3, 5, 6};
  std::string modern = MakeModernPdf(kTwoPages, packed);
  const struct {
    const char* What;
    std::string File;
    bool Warns;
  } rows[] = {
      {"startxref into an object", pdf.substr(0, startxref) + "startxref\n" + std::to_string(at[2] + 3) + "\n%%EOF\n",
       true},
      {"no startxref", pdf.substr(0, startxref), true},
      {"no table, no trailer", pdf.substr(0, pdf.rfind("xref\n0 ")), true},
      {"a page's offset into its middle", entryOffset(pdf, 3, at[2] + 5), true},
      {"offsets counted from before leading bytes", "\x89junk bytes\n" + pdf, false},
      {"offsets counted from the file's start, before the header", MakePdf(kTwoPages, "", "garbage\n%PDF-1.4"), true},
      {"content /Length too long",
       MakePdf({kTwoPages[0], kTwoPages[1], kTwoPages[2],
                "<< /Length 999 >>\nstream\nBT /F1 24 Tf 72 700 Td (First page) Tj ET\nendstream", kTwoPages[4],
                kTwoPages[5], kTwoPages[6]}),
       false},
      {"object streams behind a lost startxref", modern.substr(0, modern.rfind("startxref")), true},
  };
  for (const auto& row : rows) {
    // Read through a file stream too, which is read in windows rather than held whole.
    EXPECT_EQ(2, ReadModern(dir, Put(dir, "damaged.pdf", row.File), true, true).Pages) << row.What;
    Read r = ReadModern(dir, Put(dir, "damaged.pdf", row.File));
    EXPECT_EQ(2, r.Pages) << row.What << ": " << r.Error;
    EXPECT_EQ(row.Warns ? 1u : 0u, r.Warnings.size()) << row.What;
    if (row.Warns && !r.Warnings.empty()) {
      EXPECT_EQ(0u, r.Warnings[0].find("The cross-reference data is damaged (")) << r.Warnings[0];
    }
    if (HaveTool("pdftotext")) {
      EXPECT_EQ((std::vector<std::string>{"First page", "Second page"}), Texts(r)) << row.What;
    }
    EXPECT_NE("", ReadModern(dir, Put(dir, "damaged.pdf", row.File), false).Error) << row.What;
  }
  // Nothing to rebuild from: the reader's own message.
  EXPECT_EQ("Error reading document. Unable to read offset",
            ReadModern(dir, Put(dir, "none.pdf", "%PDF-1.7\nno objects at all\n")).Error);
}

TEST(ModernFiles, VersionsWrittenBackAndCarriedByPages) {
  TempDir dir;
  ModernPdfOptions v20Options;
  v20Options.Header = "%PDF-2.0";
  const std::string v20 = Put(dir, "v20.pdf", MakeModernPdf(kTwoPages, v20Options));
  EXPECT_EQ("%PDF-2.0", ReadModern(dir, v20).Header);
  // Pages of a 1.7 file raise the version of the document that takes them; older
  // versions do not.
  const std::string v17 = Put(dir, "v17.pdf", MakePdf(kTwoPages, "", "%PDF-1.7"));
  const std::string v12 = Put(dir, "v12.pdf", MakePdf(kTwoPages, "", "%PDF-1.2"));
  for (const auto& [giver, header] : {std::pair{v17, "%PDF-1.7"}, std::pair{v12, "%PDF-1.3"}}) {
    TkvPDFDocument receiver, source;
    receiver.SetReadModernFiles(true);
    source.SetReadModernFiles(true);
    receiver.LoadFromFile(Put(dir, "v13.pdf", MakePdf(kTwoPages, "", "%PDF-1.3")));
    source.LoadFromFile(giver);
    receiver.AppendPagesFrom(source, "1");
    EXPECT_EQ(header, SaveBytes(receiver, dir).substr(0, 8));
  }
  // A merge reads every file as the merging document does.
  TkvPDFDocument merged;
  merged.SetReadModernFiles(true);
  merged.MergeDocuments({v12, v20});
  EXPECT_EQ(4, merged.PageCount());
  EXPECT_EQ("%PDF-2.0", SaveBytes(merged, dir).substr(0, 8));
  TkvPDFDocument strict;
  EXPECT_THROW(strict.MergeDocuments({v12, v20}), EInvalidHeader);
}

}  // namespace
