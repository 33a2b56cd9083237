// AES as files carry it: files qpdf encrypts (AES-128, AES-256 of revisions 5 and 6, RC4
// crypt filters, metadata in the clear) open with either password when modern files are
// read, and are refused as before otherwise; what we write at the AES levels opens in
// qpdf, pypdf and poppler with the right passwords and permissions.
#include <gtest/gtest.h>

#include "features/EncryptionTestUtil.h"

using namespace kv;
using namespace kvtest;
using namespace enctest;

namespace {

const std::string kSource = "groff-letter.pdf";

struct QpdfMade {
  const char* KeyArgs;
  TkvPDFEncryptionLevel Level;
  int WrittenRevision;  // of the file written again at the same strength
  // Refused by default: AES files have newer headers than the library reads by default.
  const char* StrictMessage;
};

const QpdfMade kQpdfMade[] = {
    {"256", elAES256, 6, "Unsupported PDF Version (%PDF-1.7)"},
    {"256 --force-R5", elAES256, 5, "Unsupported PDF Version (%PDF-1.7)"},
    {"128 --use-aes=y", elAES128, 4, "Unsupported PDF Version (%PDF-1.6)"},
    {"128 --force-V4 --use-aes=n", el128bit, 3, "Unsupported encryption (crypt filters, /V 4)"},
};

// Loads with ReadModernFiles (or not) and `password`; the document is kept for checks.
std::string Load(TkvPDFDocument& doc, const std::string& path, const std::string& password, bool modern = true) {
  doc.SetReadModernFiles(modern);
  try {
    LoadWithPassword(doc, path, password);
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

TEST(AESFiles, QpdfFilesOpenWithEitherPassword) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo missing";
  kvtest::TempDir dir;
  const std::vector<std::string> texts = PageTexts(kvtest::DataPath(kSource));
  for (const QpdfMade& m : kQpdfMade) {
    SCOPED_TRACE(m.KeyArgs);
    const std::string in = dir.File("in.pdf");
    // Printing and copying withheld from the user.
    QpdfEncrypt(kvtest::DataPath(kSource), in, "usr", "own", std::string(m.KeyArgs) + " --print=none --extract=n");
    for (const char* password : {"usr", "own"}) {
      TkvPDFDocument doc;
      ASSERT_EQ("", Load(doc, in, password)) << password;
      TkvPDFEncryptionSettings& s = doc.EncryptionSettings();
      EXPECT_EQ(m.Level, s.Level());
      EXPECT_EQ(std::string(password) == "own", s.CanChange());
      EXPECT_FALSE(s.UserPermissions().Contains(AllowPrint));
      EXPECT_FALSE(s.UserPermissions().Contains(AllowCopy));
      EXPECT_TRUE(s.UserPermissions().Contains(AllowAnnotation));
      // Written again, it keeps its protection at the same strength and both passwords.
      const std::string out = dir.File(std::string("out-") + password + ".pdf");
      doc.SaveToFileAs(out);
      // Opened with the user password, an RC4 or AES-128 file gets an owner password of
      // our own, as the handler has always done; AES-256 keeps the owner's key material.
      const bool ownerKept = std::string(password) == "own" || m.Level == elAES256;
      for (const char* again : {"usr", "own"}) {
        QpdfEncryption e = ReadQpdfEncryption(out, again);
        const bool owner = std::string(again) == "own";
        if (owner && !ownerKept) continue;
        EXPECT_TRUE(owner ? e.OwnerMatched : e.UserMatched) << password << " then " << again;
        EXPECT_EQ(m.WrittenRevision, e.R) << password;
        EXPECT_FALSE(e.Permissions.Contains(AllowPrint));
      }
      EXPECT_EQ(texts, PageTexts(out, "usr")) << password;
    }
    TkvPDFDocument wrong, strict;
    EXPECT_EQ("Wrong password.", Load(wrong, in, "neither"));
    EXPECT_EQ(m.StrictMessage, Load(strict, in, "usr", false));
  }
}

TEST(AESFiles, OurOutputOpensInQpdfPypdfAndPoppler) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo missing";
  kvtest::TempDir dir;
  const std::string source = kvtest::DataPath(kSource);
  const std::vector<std::string> texts = PageTexts(source);
  const struct {
    TkvPDFEncryptionLevel Level;
    const char* Header;
    int R;
    const char* Algorithm;
  } levels[] = {{elAES128, "%PDF-1.6", 4, "algorithm:AES)"}, {elAES256, "%PDF-1.7", 6, "algorithm:AES-256)"}};
  for (const auto& l : levels) {
    SCOPED_TRACE(l.Header);
    TkvPDFDocument doc;
    doc.LoadFromFile(source);
    TkvPDFEncryptionSettings& s = doc.EncryptionSettings();
    s.SetEnabled(true);
    s.SetLevel(l.Level);
    s.SetOwnerPassword("own");
    s.SetUserPassword("usr");
    s.SetUserPermissions({AllowPrint, AllowCopy});
    const std::string out = dir.File("out.pdf");
    doc.SaveToFileAs(out);
    const std::string bytes = kvtest::ReadFile(out);
    EXPECT_EQ(l.Header, bytes.substr(0, 8));
    if (l.Level == elAES256) {
      EXPECT_NE(std::string::npos, bytes.find("/ExtensionLevel 8"));
    }

    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, "usr")) << check;
    QpdfEncryption user = ReadQpdfEncryption(out, "usr"), owner = ReadQpdfEncryption(out, "own");
    EXPECT_TRUE(user.UserMatched && !user.OwnerMatched);
    EXPECT_TRUE(owner.OwnerMatched);
    EXPECT_EQ(l.R, user.R);
    EXPECT_EQ(TkvUserPermissions({AllowPrint, AllowCopy}), user.Permissions);
    EXPECT_FALSE(ReadQpdfEncryption(out, "neither").Opened);

    EXPECT_EQ(texts, PageTexts(out, "usr"));
    EXPECT_EQ(texts, PageTexts(out, "own", "-opw"));
    const std::string info = PdfInfoField(out, "Encrypted", "usr");
    EXPECT_NE(std::string::npos, info.find(l.Algorithm)) << info;

    // pypdf: 1 for the user password, 2 for the owner's, 0 for anything else; same text.
    const std::string script = dir.File("open.py");
    kvtest::WriteFile(script,
                      "import pypdf,sys\nfor pw in ['usr','own','x']:\n r=pypdf.PdfReader(sys.argv[1])\n"
                      " print(int(r.decrypt(pw)), len(r.pages[0].extract_text()) > 0 if pw != 'x' else '')\n");
    auto r = kvtest::Run("/usr/bin/python3 " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(out));
    EXPECT_EQ("1 True\n2 True\n0 \n", r.Output);
  }
}

// A file whose metadata stays in the clear: the metadata stream is not decrypted, and
// reads the same after the file is written again (encrypted this time).
TEST(AESFiles, MetadataLeftInTheClear) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo missing";
  kvtest::TempDir dir;
  const std::string in = dir.File("in.pdf"), out = dir.File("out.pdf");
  QpdfEncrypt(kvtest::DataPath("l3pdffield-textfield.pdf"), in, "usr", "own", "128 --use-aes=y --cleartext-metadata");
  TkvPDFDocument doc;
  ASSERT_EQ("", Load(doc, in, "own"));
  doc.SaveToFileAs(out);
  const std::string program =
      "import pypdf,sys\nfor f in sys.argv[1:]:\n r=pypdf.PdfReader(f)\n if r.is_encrypted: r.decrypt('usr')\n"
      " print(len(r.trailer['/Root']['/Metadata'].get_object().get_data()))";
  const std::string script = dir.File("meta.py");
  kvtest::WriteFile(script, program);
  auto r =
      kvtest::Run("/usr/bin/python3 " + kvtest::ShellQuote(script) + " " +
                  kvtest::ShellQuote(kvtest::DataPath("l3pdffield-textfield.pdf")) + " " + kvtest::ShellQuote(out));
  ASSERT_EQ(0, r.ExitCode) << r.Output;
  const auto eol = r.Output.find('\n');
  EXPECT_EQ(r.Output.substr(0, eol + 1), r.Output.substr(eol + 1)) << r.Output;
}

// A stream naming its own identity crypt filter is left in the clear by its file; written
// with our encryption it must be readable, so the filter goes.
TEST(AESFiles, StreamsWithTheirOwnIdentityCryptFilter) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo missing";
  kvtest::TempDir dir;
  const std::string in = dir.File("in.pdf"), out = dir.File("out.pdf");
  kvtest::WriteFile(
      in, kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                           "/Resources << /Font << /F1 5 0 R >> >> >>",
                           "<< /Length %LEN% /Filter [/Crypt] /DecodeParms [<< /Name /Identity >>] >>\nstream\n"
                           "BT /F1 24 Tf 72 700 Td (In the clear) Tj ET\nendstream",
                           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}));
  for (TkvPDFEncryptionLevel level : {elAES128, elAES256, el128bit}) {
    TkvPDFDocument doc;
    doc.LoadFromFile(in);
    doc.EncryptionSettings().SetEnabled(true);
    doc.EncryptionSettings().SetLevel(level);
    doc.EncryptionSettings().SetUserPassword("usr");
    doc.SaveToFileAs(out);
    EXPECT_EQ(std::vector<std::string>{"In the clear"}, PageTexts(out, "usr")) << level;
    EXPECT_EQ(std::string::npos, kvtest::ReadFile(out).find("/Crypt")) << level;
  }
}

// folio reads AES unless --strict, and writes it with --encrypt aes128|aes256.
TEST(AESFiles, TheToolReadsAndWritesAES) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo missing";
  kvtest::TempDir dir;
  const std::string folio = kvtest::ShellQuote(FOLIO_CLI_PATH);
  const std::string in = dir.File("in.pdf"), out = dir.File("out.pdf"), again = dir.File("again.pdf");
  QpdfEncrypt(kvtest::DataPath(kSource), in, "usr", "own", "256");
  auto r =
      kvtest::Run(folio + " copy --strict --password own " + kvtest::ShellQuote(in) + " -o " + kvtest::ShellQuote(out));
  EXPECT_EQ(1, r.ExitCode);
  EXPECT_NE(std::string::npos, r.Output.find("Unsupported PDF Version (%PDF-1.7)")) << r.Output;
  // Opened with the owner password, written again as it was: the user password still opens it.
  r = kvtest::Run(folio + " copy --password own " + kvtest::ShellQuote(in) + " -o " + kvtest::ShellQuote(out));
  ASSERT_EQ(0, r.ExitCode) << r.Output;
  EXPECT_TRUE(ReadQpdfEncryption(out, "usr").UserMatched);
  EXPECT_EQ(6, ReadQpdfEncryption(out, "usr").R);
  for (const char* level : {"aes128", "aes256"}) {
    r = kvtest::Run(folio + " copy --encrypt " + level + " --user-password u --owner-password o " +
                    kvtest::ShellQuote(kvtest::DataPath(kSource)) + " -o " + kvtest::ShellQuote(again));
    ASSERT_EQ(0, r.ExitCode) << r.Output;
    EXPECT_EQ(std::string(level) == "aes128" ? 4 : 6, ReadQpdfEncryption(again, "u").R) << level;
  }
}

}  // namespace
