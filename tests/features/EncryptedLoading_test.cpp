// Opening protected files through the document class: files qpdf encrypted here and
// real encrypted files, either password, the password event, identifiers of unusual
// form, and algorithms we do not read. What a password unlocked is checked against
// qpdf, and the text of every page against pdftotext of the original.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "features/EncryptionTestUtil.h"
#include "pdf/security/kvPDFCrypt.h"

using namespace enctest;
using kv::TkvPDFDocument;
using kv::TkvUserPermissions;

namespace {

// pdftotext of a file without password, computed once per path.
const std::vector<std::string>& PlainTexts(const std::string& path) {
  static std::map<std::string, std::vector<std::string>> cache;
  auto it = cache.find(path);
  if (it == cache.end()) it = cache.emplace(path, PageTexts(path)).first;
  return it->second;
}

// The permissions a user password gives at this key length: a 40-bit file's /P holds
// only the four oldest, so the others stay granted.
TkvUserPermissions ExpectedUserPermissions(const QpdfEncryption& qpdf) {
  if (qpdf.R >= 3) return qpdf.Permissions;
  return TkvUserPermissions::FromBits(
      static_cast<uint8_t>((qpdf.Permissions.Bits() & kRevision2Bits) | (0xFF & ~kRevision2Bits)));
}

struct QpdfCase {
  const char* Name;
  std::string User;
  std::string KeyArgs;
};
void PrintTo(const QpdfCase& c, std::ostream* os) { *os << c.Name; }

class QpdfEncryptedFile : public ::testing::TestWithParam<QpdfCase> {};

// The owner password unlocks everything and may drop the encryption; the user password
// gets what /P allows, and a re-save keeps the protection and the permissions.
TEST_P(QpdfEncryptedFile, OpensWithEitherPasswordAndKeepsEveryPage) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  const QpdfCase& c = GetParam();
  const std::string owner = "owner-pw";
  kvtest::TempDir dir;
  std::string enc = dir.File("enc.pdf");
  QpdfEncrypt(SourcePath(), enc, c.User, owner, c.KeyArgs);
  const auto& original = PlainTexts(SourcePath());
  ASSERT_EQ(3u, original.size());
  QpdfEncryption asUser = ReadQpdfEncryption(enc, c.User);
  ASSERT_TRUE(asUser.UserMatched);
  kv::TkvPDFEncryptionLevel level = asUser.Bits == 40 ? kv::el40bit : kv::el128bit;

  {
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadWithPassword(doc, enc, owner));
    EXPECT_TRUE(doc.Encrypted());
    EXPECT_EQ(3, doc.PageCount());
    ASSERT_NE(nullptr, doc.Decryptor());
    EXPECT_TRUE(doc.Decryptor()->IsOwner);
    EXPECT_EQ(TkvUserPermissions::All(), doc.Decryptor()->Permissions);
    auto& s = doc.EncryptionSettings();
    EXPECT_TRUE(s.CanChange());
    EXPECT_TRUE(s.Enabled());
    EXPECT_EQ(level, s.Level());
    EXPECT_EQ(owner, s.OwnerPassword());
    EXPECT_EQ(c.User, s.UserPassword());
    // What users of the file may do is kept for a re-save; only the owner gets everything.
    EXPECT_EQ(ExpectedUserPermissions(asUser).Bits(), s.UserPermissions().Bits());

    s.SetEnabled(false);
    std::string plain = dir.File("plain.pdf");
    doc.SaveToFileAs(plain);
    std::string out;
    EXPECT_TRUE(kvtest::QpdfCheckClean(plain, &out)) << out;
    EXPECT_FALSE(ReadQpdfEncryption(plain, "").Encrypted);
    EXPECT_EQ(original, PageTexts(plain));
  }

  TkvPDFDocument doc;
  if (c.User.empty())
    ASSERT_TRUE(doc.LoadFromFile(enc));  // the empty password is tried without asking
  else
    ASSERT_TRUE(LoadWithPassword(doc, enc, c.User));
  ASSERT_NE(nullptr, doc.Decryptor());
  EXPECT_FALSE(doc.Decryptor()->IsOwner);
  EXPECT_EQ(ExpectedUserPermissions(asUser).Bits(), doc.Decryptor()->Permissions.Bits());
  auto& s = doc.EncryptionSettings();
  EXPECT_FALSE(s.CanChange());
  EXPECT_TRUE(s.Enabled());
  EXPECT_EQ(level, s.Level());
  EXPECT_EQ("", s.OwnerPassword());
  EXPECT_EQ(c.User, s.UserPassword());
  EXPECT_EQ(doc.Decryptor()->Permissions, s.UserPermissions());

  // The user may save, but the result stays protected as the owner wanted, under an
  // owner password this user was never told.
  std::string resaved = dir.File("resaved.pdf");
  doc.SaveToFileAs(resaved);
  std::string out;
  EXPECT_TRUE(kvtest::QpdfCheckClean(resaved, &out, c.User)) << out;
  QpdfEncryption again = ReadQpdfEncryption(resaved, c.User);
  EXPECT_TRUE(again.UserMatched);
  EXPECT_FALSE(again.OwnerMatched);
  EXPECT_EQ(asUser.Bits, again.Bits);
  EXPECT_EQ(asUser.R, again.R);
  EXPECT_EQ(asUser.P, again.P);
  EXPECT_EQ(asUser.Permissions.Bits(), again.Permissions.Bits());
  EXPECT_FALSE(ReadQpdfEncryption(resaved, owner).OwnerMatched);
  EXPECT_EQ(original, PageTexts(resaved, c.User));
}

INSTANTIATE_TEST_SUITE_P(
    Rc4, QpdfEncryptedFile,
    ::testing::Values(QpdfCase{"Bits40NoPrintNoModify", "user-pw", "40 --print=n --modify=n"},
                      QpdfCase{"Bits40EmptyUserNoCopyNoAnnotate", "", "40 --extract=n --annotate=n"},
                      QpdfCase{"Bits128LowPrintNoCopyNoAssembly", "user-pw",
                               "128 --use-aes=n --print=low --extract=n --assemble=n"},
                      QpdfCase{"Bits128EmptyUserFormsOnly", "", "128 --use-aes=n --modify=form --accessibility=n"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- real encrypted files ----

struct FixtureCase {
  const char* Name;
  std::string Open;   // the password that opens it for reading
  std::string Owner;  // the owner password
  int Pages;
};
void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.Name; }

class EncryptedFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(EncryptedFixture, OpensAndSavesTheSameText) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  const FixtureCase& c = GetParam();
  std::string path = kvtest::DataPath(c.Name);
  std::vector<std::string> expected = PageTexts(path, c.Open);
  ASSERT_EQ(static_cast<size_t>(c.Pages), expected.size());
  QpdfEncryption qpdf = ReadQpdfEncryption(path, c.Open);
  ASSERT_TRUE(qpdf.Opened);

  {
    TkvPDFDocument doc;
    if (c.Open.empty())
      ASSERT_TRUE(doc.LoadFromFile(path));
    else
      ASSERT_TRUE(LoadWithPassword(doc, path, c.Open));
    EXPECT_EQ(c.Pages, doc.PageCount());
    ASSERT_NE(nullptr, doc.Decryptor());
    bool owner = c.Open == c.Owner;
    EXPECT_EQ(owner, doc.Decryptor()->IsOwner);
    EXPECT_EQ(owner, doc.EncryptionSettings().CanChange());
    TkvUserPermissions want = owner ? TkvUserPermissions::All() : ExpectedUserPermissions(qpdf);
    EXPECT_EQ(want.Bits(), doc.Decryptor()->Permissions.Bits());
  }

  TkvPDFDocument doc;
  doc.SetUseFileStreams(true);  // decrypting while reading from the file, not from memory
  ASSERT_TRUE(LoadWithPassword(doc, path, c.Owner));
  EXPECT_TRUE(doc.Decryptor()->IsOwner);
  doc.EncryptionSettings().SetEnabled(false);
  kvtest::TempDir dir;
  std::string plain = dir.File("plain.pdf");
  doc.SaveToFileAs(plain);
  EXPECT_FALSE(ReadQpdfEncryption(plain, "").Encrypted);
  EXPECT_EQ(expected, PageTexts(plain));
}

INSTANTIATE_TEST_SUITE_P(Real, EncryptedFixture,
                         ::testing::Values(FixtureCase{"rc4-128-userpw.pdf", "user128", "owner128", 1},
                                           FixtureCase{"rc4-40-emptyuser.pdf", "", "owner40", 6},
                                           FixtureCase{"rc4-40-restricted.pdf", "", "owner40", 2},
                                           FixtureCase{"real-pdftools-password.pdf", "test", "test", 4},
                                           FixtureCase{"real-aplus-acroch5.pdf", "", "", 5}),
                         [](const auto& info) {
                           std::string n = info.param.Name;
                           n = n.substr(0, n.size() - 4);
                           for (char& ch : n)
                             if (ch == '-') ch = '_';
                           return n;
                         });

// Form fields hold strings in objects the pages do not reach directly; their values
// come out of the decryption whole, and go back into an encrypted save whole.
TEST(EncryptedForm, FieldValuesSurvive) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  std::string source = kvtest::DataPath("gen-reportlab-fields.pdf");
  std::string enc = dir.File("enc.pdf");
  QpdfEncrypt(source, enc, "u", "o", "40");
  std::string plain = dir.File("plain.pdf"), resaved = dir.File("resaved.pdf");
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadWithPassword(doc, enc, "o"));
    doc.EncryptionSettings().SetEnabled(false);
    doc.SaveToFileAs(plain);
  }
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadWithPassword(doc, enc, "u"));
    doc.SaveToFileAs(resaved);
  }
  kvtest::WriteFile(dir.File("fields.py"), R"(
import sys
from pypdf import PdfReader
def fields(path, pw):
    r = PdfReader(path)
    if pw: r.decrypt(pw)
    return sorted((k, str(v.get('/FT')), str(v.get('/V'))) for k, v in (r.get_fields() or {}).items())
a = fields(sys.argv[1], None)
print(len(a), fields(sys.argv[2], None) == a, fields(sys.argv[3], 'u') == a)
)");
  auto r = kvtest::Run("/usr/bin/python3 " + dir.File("fields.py") + " " + source + " " + plain + " " + resaved +
                       " 2>/dev/null");
  EXPECT_EQ("11 True True\n", r.Output);
}

// ---- the password event ----

TEST(PasswordEvent, CancelLeavesTheDocumentReset) {
  std::string enc = kvtest::DataPath("rc4-128-userpw.pdf");
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(SourcePath()));
  int calls = 0;
  doc.OnPassword = [&](kv::TkvCustomPDFDocument* sender, std::string& pw, bool& cont) {
    EXPECT_EQ(&doc, sender);
    ++calls;
    pw = "user128";  // typed, then the dialog was cancelled
    cont = false;
  };
  EXPECT_FALSE(doc.LoadFromFile(enc));
  EXPECT_EQ(1, calls);
  EXPECT_FALSE(doc.DocumentLoaded());
  EXPECT_FALSE(doc.Encrypted());
  EXPECT_EQ(0, doc.PageCount());
  EXPECT_EQ("", doc.FileName());
  EXPECT_EQ(nullptr, doc.Decryptor());
  EXPECT_FALSE(doc.EncryptionSettings().Enabled());
  EXPECT_TRUE(doc.EncryptionSettings().CanChange());

  // The same document opens the file once the password is given.
  EXPECT_TRUE(LoadWithPassword(doc, enc, "user128"));
  EXPECT_EQ(1, doc.PageCount());
}

TEST(PasswordEvent, WrongPasswordRaisesAndTheDocumentCanRetry) {
  std::string enc = kvtest::DataPath("rc4-128-userpw.pdf");
  TkvPDFDocument doc;
  ExpectRaises<kv::EPasswordError>([&] { LoadWithPassword(doc, enc, "user129"); }, "Wrong password.");
  ExpectRaises<kv::EPasswordError>([&] { LoadWithPassword(doc, enc, ""); }, "Wrong password.");
  doc.OnPassword = nullptr;
  ExpectRaises<kv::EPasswordError>([&] { doc.LoadFromFile(enc); }, "Wrong password.");
  EXPECT_EQ(0, doc.PageCount());
  EXPECT_EQ(nullptr, doc.Decryptor());

  int calls = 0;
  EXPECT_TRUE(LoadWithPassword(doc, enc, "owner128", &calls));
  EXPECT_EQ(1, calls);
  EXPECT_TRUE(doc.Decryptor()->IsOwner);
}

TEST(PasswordEvent, NotAskedForUnencryptedFiles) {
  TkvPDFDocument doc;
  int calls = 0;
  EXPECT_TRUE(LoadWithPassword(doc, SourcePath(), "unused", &calls));
  EXPECT_EQ(0, calls);
  EXPECT_FALSE(doc.Encrypted());
  EXPECT_EQ(nullptr, doc.Decryptor());
}

// Merging asks for each encrypted file's password through the document's event and
// takes its pages decrypted; pages of a file opened with its user password only keep
// that file's protection in the merged result.
TEST(PasswordEvent, MergeOpensEncryptedFiles) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  TkvPDFDocument doc;
  int calls = 0;
  doc.OnPassword = [&](kv::TkvCustomPDFDocument*, std::string& pw, bool& cont) {
    ++calls;
    pw = "user128";
    cont = true;
  };
  doc.MergeDocuments({kvtest::DataPath("rc4-128-userpw.pdf"), SourcePath()});
  EXPECT_EQ(1, calls);
  ASSERT_EQ(4, doc.PageCount());
  kvtest::TempDir dir;
  std::string merged = dir.File("merged.pdf");
  doc.SaveToFileAs(merged);
  std::vector<std::string> expected = PageTexts(kvtest::DataPath("rc4-128-userpw.pdf"), "user128");
  for (const auto& t : PlainTexts(SourcePath())) expected.push_back(t);
  EXPECT_TRUE(doc.EncryptionSettings().Enabled());
  EXPECT_FALSE(doc.EncryptionSettings().CanChange());
  EXPECT_EQ(expected, PageTexts(merged, "user128"));
}

// ---- file identifiers of unusual form ----

std::vector<std::string> TemplateObjects(const std::string& text) {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
          ">> >>",
          "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (" + text + ") Tj ET\nendstream",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
          "<< /Title (" + text + ") >>"};
}

// Opens `path` with the user password "u", checks the decrypted page and title, then
// checks the re-saved (re-encrypted) file with pdftotext.
void ExpectOpensWithText(const std::string& path, const std::string& text, const kvtest::TempDir& dir) {
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadWithPassword(doc, path, "u"));
  ASSERT_EQ(1, doc.PageCount());
  EXPECT_EQ(text, doc.GetTitle());
  std::string resaved = dir.File("resaved.pdf");
  doc.SaveToFileAs(resaved);
  EXPECT_EQ(std::vector<std::string>{text}, PageTexts(resaved, "u"));
}

// qpdf keeps the first identifier of its input, so a short one reaches the key.
TEST(FileIdentifier, ShortHexStringOpens) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  const std::string text = "Short identifier";
  kvtest::WriteFile(dir.File("in.pdf"),
                    kvtest::MakePdf(TemplateObjects(text), "/Info 6 0 R /ID [<0102030405060708> <0102030405060708>]"));
  for (const char* keyArgs : {"40", "128 --use-aes=n"}) {
    SCOPED_TRACE(keyArgs);
    std::string enc = dir.File("enc.pdf");
    QpdfEncrypt(dir.File("in.pdf"), enc, "u", "o", keyArgs);
    ASSERT_NE(std::string::npos, kvtest::ReadFile(enc).find("/ID [<0102030405060708>"));
    ExpectOpensWithText(enc, text, dir);
  }
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// Older writers put the identifier's raw bytes in a literal string.
TEST(FileIdentifier, LiteralStringOfRawBytesOpens) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  const std::string text = "Literal identifier";
  const std::string id(
      "\x00\xFF(\\)\n\x80"
      "A\x01\x7F)(\xE9\xFE\x10\x20",
      16);
  const std::string hexId = kv::BytesToHex(id);
  kvtest::WriteFile(dir.File("in.pdf"),
                    kvtest::MakePdf(TemplateObjects(text), "/Info 6 0 R /ID [<" + hexId + "> <" + hexId + ">]"));
  for (const char* keyArgs : {"40", "128 --use-aes=n"}) {
    SCOPED_TRACE(keyArgs);
    std::string enc = dir.File("enc.pdf");
    QpdfEncrypt(dir.File("in.pdf"), enc, "u", "o", keyArgs);
    std::string pdf = kvtest::ReadFile(enc);
    // The trailer follows the cross-reference table: rewriting it in place with the
    // same length keeps every offset.
    size_t at = pdf.rfind("/ID [<");
    ASSERT_NE(std::string::npos, at);
    at += 5;
    ASSERT_EQ(Lower(hexId), Lower(pdf.substr(at + 1, 32))) << pdf.substr(at, 34);
    std::string literal = "(";
    for (char ch : id) {
      if (ch == '(' || ch == ')' || ch == '\\') literal += '\\';
      literal += ch;
    }
    literal += ')';
    literal.resize(34, ' ');
    pdf.replace(at, 34, literal);
    kvtest::WriteFile(enc, pdf);
    ASSERT_TRUE(ReadQpdfEncryption(enc, "u").UserMatched);
    ExpectOpensWithText(enc, text, dir);
  }
}

// A protected file without /ID, written here the way the standard security handler is
// published (MD5 from hashlib, RC4 by hand), so no checked tool or engine of ours made
// it. Arguments: path, user, owner, bits, text, and "direct" to put /Encrypt in the
// trailer itself.
constexpr const char* kNoIdentifierWriter = R"(
import hashlib, struct, sys
PAD = bytes.fromhex('28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A')
def rc4(key, data):
    s = list(range(256)); j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 255; s[i], s[j] = s[j], s[i]
    out = bytearray(); i = j = 0
    for b in data:
        i = (i + 1) & 255; j = (j + s[i]) & 255; s[i], s[j] = s[j], s[i]
        out.append(b ^ s[(s[i] + s[j]) & 255])
    return bytes(out)
def md5(b): return hashlib.md5(b).digest()
def pad(pw): return (pw.encode('latin-1') + PAD)[:32]
path, user, owner, bits, text = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5].encode()
n = 5 if bits == 40 else 16
P = -4
k = md5(pad(owner))
if n == 16:
    for _ in range(50): k = md5(k[:16])
k = k[:n]
O = pad(user)
for i in (range(20) if n == 16 else [0]): O = rc4(bytes(b ^ i for b in k), O)
key = md5(pad(user) + O + struct.pack('<i', P))
if n == 16:
    for _ in range(50): key = md5(key[:16])
key = key[:n]
if n == 5:
    U = rc4(key, PAD)
else:
    U = md5(PAD)
    for i in range(20): U = rc4(bytes(b ^ i for b in key), U)
    U += bytes(16)
def crypt(num, data): return rc4(md5(key + struct.pack('<i', num)[:3] + b'\0\0')[:min(n + 5, 16)], data)
content = b'BT /F1 24 Tf 72 700 Td (' + text + b') Tj ET'
objs = [b'<< /Type /Catalog /Pages 2 0 R >>', b'<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
        b'<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>',
        b'<< /Length %d >>\nstream\n' % len(content) + crypt(4, content) + b'\nendstream',
        b'<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>',
        b'<< /Title <' + crypt(6, text).hex().encode() + b'> >>',
        b'<< /Filter /Standard /V %d /R %d /Length %d /P %d /O <%s> /U <%s> >>' % (
            1 if n == 5 else 2, 2 if n == 5 else 3, bits, P, O.hex().encode(), U.hex().encode())]
pdf = b'%PDF-1.4\n'
offsets = []
for i, o in enumerate(objs):
    offsets.append(len(pdf)); pdf += b'%d 0 obj\n' % (i + 1) + o + b'\nendobj\n'
xref = len(pdf)
pdf += b'xref\n0 %d\n0000000000 65535 f\r\n' % (len(objs) + 1) + b''.join(b'%010d 00000 n\r\n' % o for o in offsets)
encrypt = objs[6] if len(sys.argv) > 6 and sys.argv[6] == 'direct' else b'7 0 R'
pdf += b'trailer\n<< /Size %d /Root 1 0 R /Info 6 0 R /Encrypt %s >>\nstartxref\n%d\n%%%%EOF\n' % (len(objs) + 1, encrypt, xref)
open(path, 'wb').write(pdf)
)";

// Also with the encryption dictionary written directly in the trailer.
TEST(FileIdentifier, MissingIdentifierOpens) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  kvtest::WriteFile(dir.File("writer.py"), kNoIdentifierWriter);
  const std::string text = "No identifier here";
  // Key length, and whether /Encrypt is a dictionary in the trailer.
  for (const char* args : {"40", "128", "128 direct"}) {
    SCOPED_TRACE(args);
    std::string enc = dir.File("noid.pdf");
    std::string bits = args, direct;
    if (size_t space = bits.find(' '); space != std::string::npos) {
      direct = bits.substr(space);
      bits.resize(space);
    }
    auto r = kvtest::Run("/usr/bin/python3 " + dir.File("writer.py") + " " + enc + " u o " + bits + " " +
                         kvtest::ShellQuote(text) + direct);
    ASSERT_EQ(0, r.ExitCode) << r.Output;
    // The writer is right: pdftotext reads the file with the password.
    ASSERT_EQ(std::vector<std::string>{text}, PageTexts(enc, "u"));
    ExpectOpensWithText(enc, text, dir);
  }
}

// ---- hostile encryption dictionaries ----

// A 2 KB file whose /Encrypt refers to an array of 40 references to an array of 40
// references... six levels deep once made the loader copy 40^6 objects.
TEST(HostileEncrypt, ReferencesFanningOutEndQuickly) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"};
  for (int n = 3; n < 9; ++n) {
    std::string refs;
    for (int i = 0; i < 40; ++i) refs += std::to_string(n + 1) + " 0 R ";
    objects.push_back("[" + refs + "]");
  }
  objects.push_back("1");
  kvtest::TempDir dir;
  std::string path = dir.File("fan.pdf");
  kvtest::WriteFile(path, kvtest::MakePdf(objects, "/Encrypt 3 0 R"));
  TkvPDFDocument doc;
  ExpectRaises<kv::EUnexpectedObjectError>([&] { LoadWithPassword(doc, path, "x"); },
                                           "Unexpected PDF object encountered");
}

TEST(HostileEncrypt, ReferenceLoopEnds) {
  kvtest::TempDir dir;
  std::string path = dir.File("loop.pdf");
  kvtest::WriteFile(path, kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                           "<< /Filter /Standard /O 3 0 R /U 3 0 R >>"},
                                          "/Encrypt 3 0 R"));
  TkvPDFDocument doc;
  ExpectRaises<kv::EUnexpectedObjectError>([&] { doc.LoadFromFile(path); }, "Unexpected PDF object encountered");
}

// ---- algorithms we do not read ----

// AES needs PDF 1.6, which the header check refuses. Under a 1.4 header (files whose
// header lags behind their content exist) the refusal comes from the security handler
// and names the algorithm, whatever the password. Either way nothing is loaded.
TEST(UnsupportedEncryption, AesFilesAreRefusedByName) {
  if (!HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools missing";
  kvtest::TempDir dir;
  for (const char* keyArgs : {"128 --use-aes=y", "256"}) {
    SCOPED_TRACE(keyArgs);
    std::string natural = dir.File("aes-natural.pdf");
    QpdfEncrypt(SourcePath(), natural, "u", "o", keyArgs);
    {
      TkvPDFDocument doc;
      EXPECT_THROW(LoadWithPassword(doc, natural, "u"), kv::EUnsupportedVersion);
      EXPECT_EQ(0, doc.PageCount());
    }

    std::string pdf = kvtest::ReadFile(natural);
    ASSERT_TRUE(pdf.starts_with("%PDF-1.6") || pdf.starts_with("%PDF-1.7")) << pdf.substr(0, 8);
    pdf.replace(0, 8, "%PDF-1.4");
    std::string enc = dir.File("aes.pdf");
    kvtest::WriteFile(enc, pdf);
    ASSERT_TRUE(ReadQpdfEncryption(enc, "u").UserMatched);
    for (const char* password : {"u", "o", "wrong"}) {
      TkvPDFDocument doc;
      try {
        LoadWithPassword(doc, enc, password);
        ADD_FAILURE() << "opened with " << password;
      } catch (const kv::EUnsupportedEncryptionError& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("AES")) << e.what();
      }
      EXPECT_EQ(0, doc.PageCount());
      EXPECT_EQ(nullptr, doc.Decryptor());
    }
    TkvPDFDocument doc;
    EXPECT_THROW(doc.LoadFromFile(enc), kv::EUnsupportedEncryptionError);
  }
}

}  // namespace
