// The security handler against files made by others (real encrypted files, files that
// qpdf encrypted) and files we encrypt read by qpdf. qpdf's view of a file is the
// oracle: its decrypted strings and stream data must equal ours, byte for byte.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdf/security/kvPDFCrypt.h"
#include "security/SecurityTestSupport.h"
#include "support/TestSupport.h"

namespace {

using kv::TkvUserPermissions;
using sectest::json;
using sectest::QpdfView;

// Decrypts every stream and every string entry of every object with `crypt` and compares
// with qpdf; returns the strings decrypted.
std::set<std::string> ExpectDecryptsLikeQpdf(const QpdfView& view, kv::TkvBasePDFCrypt& crypt, int& streams) {
  std::set<std::string> strings;
  streams = 0;
  int encryptNumber = view.EncryptNumber();
  for (const auto& [key, obj] : view.Objects.items()) {
    int number = 0, generation = 0;
    if (std::sscanf(key.c_str(), "obj:%d %d R", &number, &generation) != 2 || number == encryptNumber) continue;
    if (!view.Offsets.count(number)) continue;
    if (obj.contains("stream")) {
      // qpdf shows no /Length; RC4 keeps the length of the data.
      std::string plain = sectest::Base64Decode(obj.at("stream").at("data").get<std::string>());
      std::string data = sectest::RawStreamData(view, number, plain.size());
      crypt.DecryptString(data, number, generation);
      EXPECT_EQ(data, plain) << "stream " << key;
      ++streams;
      continue;
    }
    const json& value = obj.at("value");
    if (!value.is_object()) continue;
    for (const auto& [entry, v] : value.items()) {
      std::string bytes;
      if (!v.is_string() || !sectest::RawStringAfterKey(view, number, entry, bytes)) continue;
      crypt.DecryptString(bytes, number, generation);
      bool same = false;
      if (!sectest::ComparableString(v, bytes, same)) continue;
      EXPECT_TRUE(same) << key << " " << entry << ": " << v << " vs " << kv::BytesToHex(bytes);
      strings.insert(bytes);
    }
  }
  return strings;
}

// The permissions qpdf reads from /P, in our terms. Revision 2 has only the four oldest.
TkvUserPermissions QpdfPermissions(const json& capabilities, int revision) {
  TkvUserPermissions p = TkvUserPermissions::All();
  auto take = [&](const char* name, kv::TkvUserPermissionsType m) {
    if (!capabilities.at(name).get<bool>()) p.Exclude(m);
  };
  take("printlow", kv::AllowPrint);
  take("modifyother", kv::AllowModify);
  take("extract", kv::AllowCopy);
  take("modifyannotations", kv::AllowAnnotation);
  if (revision >= 3) {
    take("modifyforms", kv::AllowFormFill);
    take("accessibility", kv::AllowAccessibility);
    take("modifyassembly", kv::AllowDocAssembly);
    take("printhigh", kv::AllowHighResPrint);
  }
  return p;
}

struct FileCase {
  std::string Name;
  std::string UserPassword;
  std::string OwnerPassword;
};

// Opens `path` with both passwords and a wrong one, checks the permissions each gives
// and decrypts the whole file. Returns the strings decrypted.
std::set<std::string> CheckFile(const std::string& path, const FileCase& c) {
  QpdfView view = sectest::ReadWithQpdf(path, c.OwnerPassword);
  auto dict = view.EncryptDict();
  auto id = view.IDArray();
  int revision = view.Encrypt.at("parameters").at("R").get<int>();
  bool sameOwner = c.UserPassword == c.OwnerPassword;

  kv::TkvPDFEncryptionSettings ownerSettings;
  auto owner = kv::OpenStandardSecurity(*dict, id.get());
  EXPECT_EQ(owner->EffectiveRevision(), revision);
  EXPECT_TRUE(owner->Authenticate(ownerSettings, c.OwnerPassword));
  EXPECT_TRUE(owner->IsOwner);
  EXPECT_EQ(owner->Permissions, TkvUserPermissions::All());
  EXPECT_EQ(ownerSettings.UserPassword(), c.UserPassword);
  EXPECT_TRUE(ownerSettings.CanChange());

  kv::TkvPDFEncryptionSettings userSettings;
  auto user = kv::OpenStandardSecurity(*dict, id.get());
  EXPECT_TRUE(user->Authenticate(userSettings, c.UserPassword));
  EXPECT_EQ(user->IsOwner, sameOwner);
  EXPECT_EQ(user->Key, owner->Key);
  if (!sameOwner) {
    TkvUserPermissions expected = QpdfPermissions(view.Encrypt.at("capabilities"), revision);
    EXPECT_EQ(user->Permissions.Bits(), expected.Bits()) << "P " << user->PValue();
    EXPECT_FALSE(userSettings.CanChange());
  }

  kv::TkvPDFEncryptionSettings ignored;
  EXPECT_FALSE(kv::OpenStandardSecurity(*dict, id.get())->Authenticate(ignored, c.UserPassword + "x"));

  int streams = 0;
  auto strings = ExpectDecryptsLikeQpdf(view, *user, streams);
  EXPECT_GT(streams, 0);
  EXPECT_FALSE(strings.empty());
  return strings;
}

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.Name; }

class FixtureFiles : public ::testing::TestWithParam<FileCase> {};

TEST_P(FixtureFiles, OpenAndDecryptLikeQpdf) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  CheckFile(kvtest::DataPath(GetParam().Name), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Encrypted, FixtureFiles,
                         ::testing::Values(FileCase{"rc4-40-emptyuser.pdf", "", "owner40"},
                                           FileCase{"rc4-40-restricted.pdf", "", "owner40"},
                                           FileCase{"rc4-128-userpw.pdf", "user128", "owner128"},
                                           FileCase{"real-pdftools-password.pdf", "test", "test"},
                                           FileCase{"real-aplus-acroch5.pdf", "", ""}),
                         [](const auto& info) {
                           std::string n = info.param.Name.substr(0, info.param.Name.size() - 4);
                           for (char& ch : n)
                             if (ch == '-') ch = '_';
                           return n;
                         });

// ---- files qpdf encrypts ----

std::string SourcePdf() {
  return kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                          "/Resources << /Font << /F1 5 0 R >> >> >>",
                          "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (Secret stream text) Tj ET\nendstream",
                          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                          "<< /Title (Secret title string) /Subject <0001FF80> >>"},
                         "/Info 6 0 R");
}

struct QpdfCase {
  std::string Name;
  std::string UserPassword;
  std::string KeyArgs;  // key length and its options
};

void PrintTo(const QpdfCase& c, std::ostream* os) { *os << c.Name; }

class QpdfEncrypted : public ::testing::TestWithParam<QpdfCase> {};

TEST_P(QpdfEncrypted, OpenAndDecryptLikeQpdf) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  const auto& c = GetParam();
  kvtest::TempDir dir;
  kvtest::WriteFile(dir.File("in.pdf"), SourcePdf());
  auto r = kvtest::Run(
      "qpdf --allow-weak-crypto --object-streams=disable --compress-streams=n --decode-level=none "
      "--encrypt " +
      kvtest::ShellQuote(c.UserPassword) + " owner-pw " + c.KeyArgs + " -- " + dir.File("in.pdf") + " " +
      dir.File("out.pdf"));
  ASSERT_TRUE(r.ExitCode == 0 || r.ExitCode == 3) << r.Output;
  auto strings = CheckFile(dir.File("out.pdf"), FileCase{"", c.UserPassword, "owner-pw"});
  EXPECT_TRUE(strings.count("Secret title string"));
  EXPECT_TRUE(strings.count(std::string("\x00\x01\xFF\x80", 4)));
}

INSTANTIATE_TEST_SUITE_P(
    Qpdf, QpdfEncrypted,
    ::testing::Values(QpdfCase{"Rc4_40_NoPrint", "user-pw", "40 --print=n"},
                      QpdfCase{"Rc4_40_Restricted", "user-pw", "40 --modify=n --extract=n --annotate=n"},
                      QpdfCase{"Rc4_128_NoPrintNoModify", "user-pw", "128 --use-aes=n --print=none --modify=none"},
                      QpdfCase{"Rc4_128_Mixed", "user-pw",
                               "128 --use-aes=n --print=low --modify=form --extract=n --accessibility=n"},
                      QpdfCase{"Rc4_128_EmptyUser", "", "128 --use-aes=n"}),
    [](const auto& info) { return info.param.Name; });

TEST(QpdfEncrypted, AesFilesAreRefusedByName) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  struct Case {
    const char* KeyArgs;
    const char* Message;
  };
  const Case cases[] = {{"128 --use-aes=y", "Unsupported encryption (AES, /V 4)"},
                        {"256", "Unsupported encryption (AES-256, /V 5)"}};
  kvtest::TempDir dir;
  kvtest::WriteFile(dir.File("in.pdf"), SourcePdf());
  for (const auto& c : cases) {
    auto r = kvtest::Run(std::string("qpdf --allow-weak-crypto --encrypt u o ") + c.KeyArgs + " -- " +
                         dir.File("in.pdf") + " " + dir.File("aes.pdf"));
    ASSERT_TRUE(r.ExitCode == 0 || r.ExitCode == 3) << r.Output;
    QpdfView view = sectest::ReadWithQpdf(dir.File("aes.pdf"), "o");
    auto dict = view.EncryptDict();
    try {
      kv::OpenStandardSecurity(*dict, view.IDArray().get());
      ADD_FAILURE() << "opened " << c.KeyArgs;
    } catch (const kv::EUnsupportedEncryptionError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

// ---- files we encrypt, read by qpdf ----

// The write context of a document that encrypts: strings and streams go through the
// engine exactly as the writer hands them over.
class EncryptingContext : public kv::TkvPDFWriteContext {
 public:
  explicit EncryptingContext(kv::TkvPDFEncryption& engine) : engine_(engine) {}
  int32_t OutputNumberOf(const kv::TkvPDFIndirectReference& ref) override { return ref.ObjectNumber; }
  bool IsEncrypting() override { return true; }
  std::string EncryptString(const std::string& bytes, int32_t n) override { return engine_.EncryptString(bytes, n); }
  bool FilterStreamForOutput(const kv::TkvPDFStreamObject&, std::unique_ptr<kv::TkvPDFDictObject>&,
                             std::string&) override {
    return false;
  }

 private:
  kv::TkvPDFEncryption& engine_;
};

const std::string kContent = "BT /F1 24 Tf 72 700 Td (Our secret) Tj ET";

std::string EncryptedPdf(kv::TkvPDFEncryption& engine) {
  EncryptingContext ctx(engine);
  kv::TkvPDFDictObject info;
  info.AddObject("/Title", std::make_unique<kv::TkvPDFStringObject>("<FEFF004800E920AC>", true));  // "Hé€"
  info.AddObject("/Author", std::make_unique<kv::TkvPDFStringObject>("(Plain (author))", false));
  auto dict = std::make_unique<kv::TkvPDFDictObject>();
  dict->AddInteger("/Length", static_cast<int32_t>(kContent.size()));
  kv::TkvPDFStreamObject stream(std::move(dict), std::make_unique<kv::TkvMemoryStream>(kContent));
  return kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                          "/Resources << /Font << /F1 5 0 R >> >> >>",
                          stream.ToText(&ctx, 4), "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                          info.ToText(&ctx, 6), kv::BuildEncryptionDictionary(engine)->ToText()},
                         "/Info 6 0 R /Encrypt 7 0 R /ID " + kv::BuildFileIDArray(engine)->ToText());
}

struct OutputCase {
  const char* Name;
  kv::TkvPDFEncryptionLevel Level;
  TkvUserPermissions Permissions;
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.Name; }

class OurOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OurOutput, QpdfOpensAndDecryptsIt) {
  if (!kvtest::HaveTool("qpdf")) GTEST_SKIP() << "qpdf not installed";
  const auto& c = GetParam();
  kv::TkvPDFEncryptionSettings settings;
  settings.SetEnabled(true);
  settings.SetLevel(c.Level);
  settings.SetOwnerPassword("owner-pw");
  settings.SetUserPassword("user-pw");
  settings.SetUserPermissions(c.Permissions);
  auto engine = kv::TkvPDFEncryption::Create("Output1.pdf", settings, "D:20240101");
  kvtest::TempDir dir;
  std::string path = dir.File("ours.pdf");
  kvtest::WriteFile(path, EncryptedPdf(*engine));

  std::string out;
  EXPECT_TRUE(kvtest::QpdfCheckClean(path, &out, "user-pw")) << out;
  QpdfView asOwner = sectest::ReadWithQpdf(path, "owner-pw");
  EXPECT_TRUE(asOwner.Encrypt.at("ownerpasswordmatched").get<bool>());
  QpdfView asUser = sectest::ReadWithQpdf(path, "user-pw");
  EXPECT_TRUE(asUser.Encrypt.at("userpasswordmatched").get<bool>());
  EXPECT_FALSE(asUser.Encrypt.at("ownerpasswordmatched").get<bool>());

  const json& info = asUser.Object("6 0 R").at("value");
  EXPECT_EQ(info.at("/Title").get<std::string>(), "u:H\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(info.at("/Author").get<std::string>(), "u:Plain (author)");
  EXPECT_EQ(sectest::Base64Decode(asUser.Object("4 0 R").at("stream").at("data").get<std::string>()), kContent);

  int revision = c.Level == kv::el40bit ? 2 : 3;
  TkvUserPermissions expected = c.Permissions;
  if (revision == 2) {
    for (auto m : {kv::AllowFormFill, kv::AllowAccessibility, kv::AllowDocAssembly, kv::AllowHighResPrint})
      expected.Include(m);
  } else if (!expected.Contains(kv::AllowPrint)) {
    expected.Exclude(kv::AllowHighResPrint);
  }
  EXPECT_EQ(QpdfPermissions(asUser.Encrypt.at("capabilities"), revision).Bits(), expected.Bits());
}

INSTANTIATE_TEST_SUITE_P(
    Levels, OurOutput,
    ::testing::Values(OutputCase{"All40", kv::el40bit, TkvUserPermissions::All()},
                      OutputCase{"PrintCopy40", kv::el40bit, {kv::AllowPrint, kv::AllowCopy}},
                      OutputCase{"All128", kv::el128bit, TkvUserPermissions::All()},
                      OutputCase{"FormsAssembly128", kv::el128bit, {kv::AllowFormFill, kv::AllowDocAssembly}},
                      OutputCase{"HighResWithoutPrint128", kv::el128bit, {kv::AllowHighResPrint, kv::AllowCopy}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
