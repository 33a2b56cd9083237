// Turning pages, merging pages of loaded documents, loading from memory, and what
// encrypted output needs (its version, its file identifier).
#include <gtest/gtest.h>

#include "document/DocTestUtil.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/security/kvPDFCrypt.h"

namespace {

using kvtest::TempDir;

// Each page's rotation as pypdf reports it.
std::string Rotations(const TempDir& dir, const std::string& pdf) {
  return kvtest::Python(dir, "from pypdf import PdfReader\nprint([p.rotation for p in PdfReader(" +
                                 kvtest::ShellQuote(pdf) + ").pages])\n");
}

// Page 1 inherits 90 from its node, page 2 has its own 270, page 3 an indirect 180,
// page 4 a damaged value (every case turns it), page 5 none.
std::string RotatedPdf() {
  return kvtest::MakePdf({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [8 0 R 5 0 R 6 0 R 9 0 R] /Count 5 /MediaBox [0 0 100 200] >>",
      "<< /Type /Page /Parent 8 0 R >>",
      "<< /Type /Page /Parent 8 0 R /Rotate 270 >>",
      "<< /Type /Page /Parent 2 0 R /Rotate 7 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Rotate (ninety) >>",
      "180",
      "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 /Rotate 90 >>",
      "<< /Type /Page /Parent 2 0 R >>",
  });
}

TEST(TurnPages, AnglesAddToWhatEachPageHas) {
  struct Case {
    std::string Range;
    int32_t Angle;
    std::string Expected;
  };
  const Case cases[] = {
      {"", 90, "[180, 0, 270, 90, 90]"},     {"", -90, "[0, 180, 90, 270, 270]"},
      {"2,4", 180, "[90, 90, 180, 180, 0]"}, {"1,1,4", 90, "[180, 270, 180, 90, 0]"},  // a page named twice turns once
      {"4,5", 360, "[90, 270, 180, 0, 0]"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    kv::TkvPDFDocument doc;
    ASSERT_TRUE(kvtest::LoadText(doc, dir, RotatedPdf()));
    doc.RotatePages(c.Range, c.Angle);
    std::string out = dir.File("out.pdf");
    doc.SaveToFileAs(out);
    EXPECT_EQ(Rotations(dir, out), c.Expected + "\n") << c.Range << " by " << c.Angle;
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << check;
  }
}

TEST(TurnPages, AnIndirectRotationIsNoLongerWrittenOnceReplaced) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(kvtest::LoadText(doc, dir, RotatedPdf()));
  const std::string before = kvtest::SaveBytes(doc, dir, "before.pdf");
  doc.RotatePages("3,4", 90);
  const std::string after = kvtest::SaveBytes(doc, dir, "after.pdf");
  auto objects = [](const std::string& pdf) {
    size_t n = 0;
    for (size_t p = pdf.find(" 0 obj"); p != std::string::npos; p = pdf.find(" 0 obj", p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(objects(after), objects(before) - 1);
}

TEST(TurnPages, RefusesWhatIsNoQuarterTurnAndPagesOutOfRange) {
  TempDir dir;
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(kvtest::LoadText(doc, dir, RotatedPdf()));
  kvtest::ExpectRaises<kv::EPDFException>([&] { doc.RotatePages("", 45); },
                                          "Invalid page rotation (45): pages turn by multiples of 90 degrees");
  kvtest::ExpectRaises<kv::EInvalidPageError>([&] { doc.RotatePages("6", 90); }, "Invalid page number (6)");
}

TEST(MergePages, TakesTheRangeOfEachLoadedDocument) {
  TempDir dir;
  kv::TkvPDFDocument first, second, empty, merged;
  ASSERT_TRUE(kvtest::LoadText(first, dir, kvtest::PagesPdf({"A1", "A2", "A3"}), "a.pdf"));
  ASSERT_TRUE(kvtest::LoadText(second, dir, kvtest::PagesPdf({"B1", "B2"}), "b.pdf"));
  merged.MergePagesFrom(first, "3,1");
  merged.MergePagesFrom(second, "");
  merged.MergePagesFrom(empty, "");  // a document without pages adds none
  EXPECT_TRUE(merged.DocumentLoaded());
  kvtest::ExpectRaises<kv::EInvalidPageError>([&] { merged.MergePagesFrom(second, "3"); }, "Invalid page number (3)");
  std::string out = dir.File("out.pdf");
  merged.SaveToFileAs(out);
  EXPECT_EQ(kvtest::AllPageTexts(out), (std::vector<std::string>{"A3", "A1", "B1", "B2"}));
  EXPECT_EQ(merged.PDFVersion(), 4);
}

TEST(LoadFromMemory, LoadsAsFromAFileAndTriesAgainAfterAWrongPassword) {
  TempDir dir;
  auto bytes = std::make_shared<const std::string>(kvtest::ReadFile(kvtest::DataPath("rc4-128-userpw.pdf")));
  kv::TkvPDFDocument doc;
  std::string password;
  doc.OnPassword = [&password](kv::TkvCustomPDFDocument*, std::string& pw, bool& cont) {
    pw = password;
    cont = true;
  };
  password = "wrong";
  kvtest::ExpectRaises<kv::EPasswordError>([&] { doc.LoadFromMemory(bytes, "piped"); }, "Wrong password.");
  password = "user128";
  ASSERT_TRUE(doc.LoadFromMemory(bytes, "piped"));
  EXPECT_EQ(doc.FileName(), "piped");
  EXPECT_EQ(doc.PageCount(), 1);
  // An empty input fails as an empty file does.
  kv::TkvPDFDocument none;
  EXPECT_THROW(none.LoadFromMemory(std::make_shared<const std::string>(), "-"), kv::Exception);
}

TEST(EncryptedOutput, HundredTwentyEightBitsNeedPdf14) {
  TempDir dir;
  for (auto [level, header] : {std::pair{kv::el128bit, "%PDF-1.4"}, std::pair{kv::el40bit, "%PDF-1.2"}}) {
    kv::TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(kvtest::DataPath("isorot-rotman.v1.2.pdf")));
    doc.EncryptionSettings().SetEnabled(true);
    doc.EncryptionSettings().SetLevel(level);
    doc.EncryptionSettings().SetOwnerPassword("owner");
    std::string out = dir.File("out.pdf");
    doc.SaveToFileAs(out);
    EXPECT_EQ(kvtest::ReadFile(out).substr(0, 8), header);
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, "owner")) << check;
  }
}

TEST(EncryptedOutput, AMergedDocumentGetsAFileIdentifier) {
  TempDir dir;
  std::string a = kvtest::Put(dir, "a.pdf", kvtest::PagesPdf({"A1"}));
  std::string b = kvtest::Put(dir, "b.pdf", kvtest::PagesPdf({"B1"}));
  kv::TkvPDFDocument doc;
  doc.MergeDocuments({a, b});
  doc.EncryptionSettings().SetEnabled(true);
  doc.EncryptionSettings().SetLevel(kv::el128bit);
  doc.EncryptionSettings().SetUserPassword("user");
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string trailer = kvtest::Run("qpdf --show-object=trailer --password=user " + kvtest::ShellQuote(out)).Output;
  EXPECT_NE(trailer.find("/ID [ <"), std::string::npos) << trailer;
  EXPECT_EQ(kvtest::Run("pdftotext -upw user " + kvtest::ShellQuote(out) + " -").Output.find("A1"), 0u);
}

}  // namespace
