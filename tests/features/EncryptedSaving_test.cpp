// Saving protected files through the document class: what qpdf, pypdf and poppler make
// of our encrypted output at both key lengths, and what a reader may change depending on
// the password that opened the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "features/EncryptionTestUtil.h"
#include "pdf/security/kvPDFCrypt.h"

using namespace enctest;
using kv::TkvPDFDocument;
using kv::TkvUserPermissions;

namespace {

// Decrypts a file with pypdf: argv path, user, owner, source. Prints what each password
// unlocked (0 none, 1 user, 2 owner), then the text of every page of the file and of the
// unencrypted source, one page a line.
constexpr const char* kPypdfProgram = R"(
import sys
from pypdf import PdfReader
path, user, owner, source = sys.argv[1:5]
def texts(r): return [' '.join(p.extract_text().split()) for p in r.pages]
r = PdfReader(path)
print(int(r.decrypt(user)))
print(int(PdfReader(path).decrypt(owner)))
print(r.metadata.title)
print('\n'.join(texts(r)))
print('--')
print('\n'.join(texts(PdfReader(source))))
)";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

struct OutputCase {
  const char* Name;
  kv::TkvPDFEncryptionLevel Level;
  TkvUserPermissions Permissions;
  std::string User;
  std::string Owner;  // empty: the user password is the owner password too
  int64_t P;          // /P as qpdf reports it, signed
};
void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.Name; }

// What a reader of the file may do: revision 2 has only the four oldest permissions, and
// high-resolution printing is printing first.
TkvUserPermissions GrantedBy(const OutputCase& c) {
  TkvUserPermissions p = c.Permissions;
  if (c.Level == kv::el40bit) return TkvUserPermissions::FromBits(p.Bits() | static_cast<uint8_t>(~kRevision2Bits));
  if (!p.Contains(kv::AllowPrint)) p.Exclude(kv::AllowHighResPrint);
  return p;
}

class OurEncryptedOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OurEncryptedOutput, IndependentReadersOpenIt) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  const OutputCase& c = GetParam();
  const std::string owner = c.Owner.empty() ? c.User : c.Owner;
  const std::string title = "Chiffr\xC3\xA9 \xE2\x82\xAC title";
  kvtest::TempDir dir;
  std::string out = dir.File("out.pdf");
  {
    CodePage utf8(65001);
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(SourcePath()));
    doc.SetTitle(title);
    auto& s = doc.EncryptionSettings();
    s.SetEnabled(true);
    s.SetLevel(c.Level);
    s.SetUserPassword(c.User);
    s.SetOwnerPassword(c.Owner);
    s.SetUserPermissions(c.Permissions);
    doc.SaveToFileAs(out);
  }

  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, c.User)) << check;
  QpdfEncryption asUser = ReadQpdfEncryption(out, c.User);
  ASSERT_TRUE(asUser.Encrypted);
  EXPECT_TRUE(asUser.UserMatched);
  EXPECT_EQ(c.Owner.empty(), asUser.OwnerMatched);
  EXPECT_EQ(c.Level == kv::el40bit ? 40 : 128, asUser.Bits);
  EXPECT_EQ(c.Level == kv::el40bit ? 2 : 3, asUser.R);
  EXPECT_EQ(c.P, asUser.P);
  uint8_t compared = c.Level == kv::el40bit ? kRevision2Bits : 0xFF;
  EXPECT_EQ(GrantedBy(c).Bits() & compared, asUser.Permissions.Bits() & compared);
  EXPECT_TRUE(ReadQpdfEncryption(out, owner).OwnerMatched);
  EXPECT_FALSE(ReadQpdfEncryption(out, owner + "x").Opened);
  // /P is written as the unsigned 32-bit number.
  EXPECT_NE(std::string::npos, kvtest::ReadFile(out).find("/P " + std::to_string(static_cast<uint32_t>(c.P)) + "\r\n"));

  const auto source = PageTexts(SourcePath());
  EXPECT_EQ(source, PageTexts(out, c.User, "-upw"));
  EXPECT_EQ(source, PageTexts(out, owner, "-opw"));
  EXPECT_EQ(title, PdfInfoField(out, "Title", c.User));
  EXPECT_EQ(PdfInfoField(SourcePath(), "Creator"), PdfInfoField(out, "Creator", c.User));

  kvtest::WriteFile(dir.File("check.py"), kPypdfProgram);
  auto r = kvtest::Run("/usr/bin/python3 " + dir.File("check.py") + " " + out + " " + kvtest::ShellQuote(c.User) + " " +
                       kvtest::ShellQuote(owner) + " " + SourcePath() + " 2>/dev/null");
  ASSERT_EQ(0, r.ExitCode) << r.Output;
  std::vector<std::string> lines = Lines(r.Output);
  ASSERT_GE(lines.size(), 4u) << r.Output;
  EXPECT_EQ(c.Owner.empty() ? "2" : "1", lines[0]);
  EXPECT_EQ("2", lines[1]);
  EXPECT_EQ(title, lines[2]);
  auto sep = std::find(lines.begin(), lines.end(), "--");
  ASSERT_NE(lines.end(), sep);
  EXPECT_EQ(std::vector<std::string>(sep + 1, lines.end()), std::vector<std::string>(lines.begin() + 3, sep));
  EXPECT_EQ(3, sep - lines.begin() - 3);

  // And we read back what we wrote, with either password.
  TkvPDFDocument user;
  ASSERT_TRUE(LoadWithPassword(user, out, c.User));
  EXPECT_EQ(c.Owner.empty(), user.Decryptor()->IsOwner);
  if (!c.Owner.empty()) {
    EXPECT_EQ(GrantedBy(c).Bits(), user.Decryptor()->Permissions.Bits());
    EXPECT_FALSE(user.EncryptionSettings().CanChange());
  }
  EXPECT_EQ(c.Level, user.EncryptionSettings().Level());
  TkvPDFDocument full;
  ASSERT_TRUE(LoadWithPassword(full, out, owner));
  EXPECT_TRUE(full.Decryptor()->IsOwner);
  EXPECT_EQ(c.User, full.EncryptionSettings().UserPassword());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, OurEncryptedOutput,
    ::testing::Values(OutputCase{"All40", kv::el40bit, TkvUserPermissions::All(), "user-pw", "owner-pw", -4},
                      OutputCase{"PrintOnly40EmptyUser", kv::el40bit, {kv::AllowPrint}, "", "owner-pw", -60},
                      OutputCase{"CopyAnnotate40",
                                 kv::el40bit,
                                 {kv::AllowCopy, kv::AllowAnnotation, kv::AllowFormFill},
                                 "user-pw",
                                 "owner-pw",
                                 -16},
                      OutputCase{"OwnerIsUser40", kv::el40bit, {kv::AllowPrint, kv::AllowCopy}, "only-pw", "", -44},
                      OutputCase{"All128", kv::el128bit, TkvUserPermissions::All(), "user-pw", "owner-pw", -4},
                      OutputCase{"None128", kv::el128bit, TkvUserPermissions::None(), "user-pw", "owner-pw", -3904},
                      OutputCase{"CopyAccessForms128EmptyUser",
                                 kv::el128bit,
                                 {kv::AllowCopy, kv::AllowAccessibility, kv::AllowFormFill},
                                 "",
                                 "owner-pw",
                                 -3120},
                      OutputCase{"HighResWithoutPrint128",
                                 kv::el128bit,
                                 {kv::AllowHighResPrint, kv::AllowCopy, kv::AllowDocAssembly},
                                 "user-pw",
                                 "owner-pw",
                                 -2864}),
    [](const auto& info) { return std::string(info.param.Name); });

// Strings and streams outside the pages: the catalog (written as object 1), the
// information (2), an annotation, an outline item and the XMP stream each decrypt on
// reading and are encrypted on writing with their own object's key.
TEST(EncryptedSave, StringsOfEveryKindOfObjectSurvive) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  const std::vector<std::string> texts = {"Open action target", "Annotation text", "Outline title", "Secret metadata",
                                          "Info title"};
  const std::string pdf = kvtest::MakePdf(
      {"<< /Type /Catalog /Pages 2 0 R /Metadata 6 0 R /Outlines 8 0 R /OpenAction << /S /URI /URI (" + texts[0] +
           ") >> >>",
       "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
       ">> /Annots [7 0 R] >>",
       "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (Page text) Tj ET\nendstream",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
       "<< /Type /Metadata /Subtype /XML /Length %LEN% >>\nstream\n<x:xmpmeta>" + texts[3] + "</x:xmpmeta>\nendstream",
       "<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] /Contents (" + texts[1] + ") >>",
       "<< /Type /Outlines /First 9 0 R /Last 9 0 R /Count 1 >>",
       "<< /Title (" + texts[2] + ") /Parent 8 0 R /Dest [3 0 R /XYZ 0 792 0] >>", "<< /Title (" + texts[4] + ") >>"},
      "/Info 10 0 R");
  auto expectAll = [&](const std::string& bytes, const char* what) {
    for (const auto& t : texts) EXPECT_NE(std::string::npos, bytes.find(t)) << what << ": " << t;
  };
  kvtest::TempDir dir;
  kvtest::WriteFile(dir.File("in.pdf"), pdf);

  // Written encrypted by us, read by qpdf.
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(dir.File("in.pdf")));
  auto& s = doc.EncryptionSettings();
  s.SetEnabled(true);
  s.SetLevel(kv::el128bit);
  s.SetUserPassword("u");
  s.SetOwnerPassword("o");
  std::string ours = dir.File("ours.pdf");
  doc.SaveToFileAs(ours);
  std::string bytes = kvtest::ReadFile(ours);
  for (const auto& t : texts) EXPECT_EQ(std::string::npos, bytes.find(t)) << "in clear: " << t;
  auto r = kvtest::Run("qpdf --password=u --decrypt --qdf " + ours + " -");
  expectAll(r.Output, "decrypted by qpdf");

  // Encrypted by qpdf, written in clear by us.
  std::string enc = dir.File("enc.pdf");
  QpdfEncrypt(dir.File("in.pdf"), enc, "u", "o", "40", "--compress-streams=n");
  TkvPDFDocument owner;
  ASSERT_TRUE(LoadWithPassword(owner, enc, "o"));
  owner.EncryptionSettings().SetEnabled(false);
  std::string plain = dir.File("plain.pdf");
  owner.SaveToFileAs(plain);
  expectAll(kvtest::ReadFile(plain), "decrypted by us");
}

// ---- what the opening password allows ----

TEST(UserOpenedDocument, RefusesEveryChange) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  std::string enc = dir.File("enc.pdf");
  QpdfEncrypt(SourcePath(), enc, "user-pw", "owner-pw", "128 --use-aes=n --print=none --modify=none");
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadWithPassword(doc, enc, "user-pw"));
  auto& s = doc.EncryptionSettings();
  const TkvUserPermissions granted = s.UserPermissions();
  kv::TkvPDFEncryptionSettings other;
  const std::string message = "User cannot change encryption settings";
  ExpectRaises<kv::Exception>([&] { s.SetEnabled(false); }, message);
  ExpectRaises<kv::Exception>([&] { s.SetEnabled(true); }, message);
  ExpectRaises<kv::Exception>([&] { s.SetLevel(kv::el40bit); }, message);
  ExpectRaises<kv::Exception>([&] { s.SetOwnerPassword(""); }, message);
  ExpectRaises<kv::Exception>([&] { s.SetUserPassword("user-pw"); }, message);
  ExpectRaises<kv::Exception>([&] { s.SetUserPermissions(TkvUserPermissions::All()); }, message);
  ExpectRaises<kv::Exception>([&] { s.Assign(other); }, message);
  EXPECT_TRUE(s.Enabled());
  EXPECT_EQ(kv::el128bit, s.Level());
  EXPECT_EQ("user-pw", s.UserPassword());
  EXPECT_EQ("", s.OwnerPassword());
  EXPECT_EQ(granted, s.UserPermissions());
  EXPECT_FALSE(granted.Contains(kv::AllowPrint));
  EXPECT_FALSE(granted.Contains(kv::AllowModify));

  // Saving is allowed and keeps the owner's restrictions.
  std::string resaved = dir.File("resaved.pdf");
  doc.SaveToFileAs(resaved);
  auto r = kvtest::Run("qpdf --show-encryption --password=user-pw " + resaved);
  EXPECT_NE(std::string::npos, r.Output.find("Supplied password is user password")) << r.Output;
  EXPECT_NE(std::string::npos, r.Output.find("print low resolution: not allowed")) << r.Output;
  EXPECT_NE(std::string::npos, r.Output.find("modify other: not allowed")) << r.Output;
  EXPECT_NE(std::string::npos, r.Output.find("extract for any purpose: allowed")) << r.Output;

  // Opening again with the owner password unlocks the same document.
  ASSERT_TRUE(LoadWithPassword(doc, enc, "owner-pw"));
  EXPECT_TRUE(doc.EncryptionSettings().CanChange());
  EXPECT_EQ("owner-pw", doc.EncryptionSettings().OwnerPassword());
  doc.EncryptionSettings().SetLevel(kv::el40bit);
}

TEST(OwnerOpenedDocument, CanDropOrChangeTheProtection) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  std::string enc = dir.File("enc.pdf");
  QpdfEncrypt(SourcePath(), enc, "user-pw", "owner-pw", "40 --print=n --extract=n");
  const auto source = PageTexts(SourcePath());
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadWithPassword(doc, enc, "owner-pw"));
  auto& s = doc.EncryptionSettings();
  ASSERT_EQ(kv::el40bit, s.Level());

  s.SetEnabled(false);
  std::string plain = dir.File("plain.pdf");
  doc.SaveToFileAs(plain);
  EXPECT_FALSE(ReadQpdfEncryption(plain, "").Encrypted);
  EXPECT_EQ(source, PageTexts(plain));

  s.SetEnabled(true);
  s.SetLevel(kv::el128bit);
  s.SetUserPassword("new-user");
  s.SetUserPermissions({kv::AllowPrint});
  std::string stronger = dir.File("stronger.pdf");
  doc.SaveToFileAs(stronger);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(stronger, &check, "new-user")) << check;
  QpdfEncryption e = ReadQpdfEncryption(stronger, "new-user");
  EXPECT_TRUE(e.UserMatched);
  EXPECT_EQ(128, e.Bits);
  EXPECT_EQ(3, e.R);
  EXPECT_EQ(-3900, e.P);
  EXPECT_FALSE(ReadQpdfEncryption(stronger, "user-pw").Opened);
  EXPECT_TRUE(ReadQpdfEncryption(stronger, "owner-pw").OwnerMatched);
  EXPECT_EQ(source, PageTexts(stronger, "new-user"));
}

// The identifier comes from the creation date, so saving a document twice gives one
// identifier, and another creation date another.
TEST(EncryptedSave, IdentifierFollowsTheCreationDate) {
  auto makeDoc = [](const kvtest::TempDir& dir, const std::string& date, TkvPDFDocument& doc) {
    std::string path = dir.File(date + ".pdf");
    kvtest::WriteFile(
        path, kvtest::MakePdf(
                  {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>", "<< /CreationDate (" + date + ") >>"},
                  "/Info 4 0 R"));
    ASSERT_TRUE(doc.LoadFromFile(path));
    doc.EncryptionSettings().SetEnabled(true);
  };
  auto id = [](const std::string& pdf) {
    size_t at = pdf.rfind("/ID [");
    return at == std::string::npos ? std::string() : pdf.substr(at, pdf.find(']', at) - at);
  };
  kvtest::TempDir dir;
  TkvPDFDocument a, b;
  makeDoc(dir, "D:20240101120000", a);
  makeDoc(dir, "D:20240101120001", b);
  a.SaveToFileAs(dir.File("a1.pdf"));
  a.SaveToFileAs(dir.File("a2.pdf"));
  b.SaveToFileAs(dir.File("b.pdf"));
  std::string first = id(kvtest::ReadFile(dir.File("a1.pdf")));
  ASSERT_EQ(2u, std::count(first.begin(), first.end(), '<')) << first;
  EXPECT_EQ(first, id(kvtest::ReadFile(dir.File("a2.pdf"))));
  EXPECT_NE(first, id(kvtest::ReadFile(dir.File("b.pdf"))));
}

}  // namespace
