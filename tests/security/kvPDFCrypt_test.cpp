// The security handler on its own: dictionary values, password checks both ways, the
// settings lock, and round trips from the output engine to the decryptor.
#include "pdf/security/kvPDFCrypt.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "pdf/security/kvMD5.h"

namespace {

using kv::TkvUserPermissions;

template <typename E, typename F>
void ExpectFailure(F&& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.what()), message);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception class: " << e.what();
  }
}

std::string PBytes(const kv::TkvBasePDFCrypt& c) {
  return kv::BytesToHex(std::string_view(reinterpret_cast<const char*>(c.P.data()), 4));
}

TEST(StandardSecurityValues, PTakesTheLow32Bits) {
  struct Case {
    int64_t Value;
    const char* Bytes;
  };
  const Case cases[] = {{-4, "FCFFFFFF"},           {4294967292LL, "FCFFFFFF"}, {-64, "C0FFFFFF"},
                        {4294967232LL, "C0FFFFFF"}, {-3904, "C0F0FFFF"},        {65532, "FCFF0000"},
                        {0x0001FFFC, "FCFF0100"}};
  for (const auto& c : cases) {
    kv::TkvPDFDecrypt crypt;
    crypt.SetP(c.Value);
    EXPECT_EQ(PBytes(crypt), c.Bytes) << c.Value;
    EXPECT_EQ(crypt.PValue(), static_cast<int32_t>(static_cast<uint32_t>(c.Value))) << c.Value;
  }
}

TEST(StandardSecurityValues, FileIdMustBe32HexDigits) {
  kv::TkvPDFDecrypt crypt;
  crypt.SetFileID("00112233445566778899aabbccddeeff");
  EXPECT_EQ(kv::BytesToHex(crypt.FileID), "00112233445566778899AABBCCDDEEFF");
  for (const char* bad :
       {"0011223344556677889AABBCCDDEEFF", "00112233445566778899AABBCCDDEEFF0", "0011223344556677889XAABBCCDDEEFF", ""})
    ExpectFailure<kv::Exception>([&] { crypt.SetFileID(bad); }, "Invalid FileId.");
}

TEST(StandardSecurityValues, OwnerAndUserKeysFromStringValues) {
  kv::TkvPDFDecrypt crypt;
  crypt.SetOwnerKey("<0102 03ff>");
  EXPECT_EQ(crypt.OwnerKey[0], 1);
  EXPECT_EQ(crypt.OwnerKey[3], 0xFF);
  EXPECT_EQ(crypt.OwnerKey[4], 0);
  crypt.SetUserKey("(" + std::string(40, 'u') + ")");  // literal bytes, cut to 32
  EXPECT_EQ(crypt.UserKey[31], 'u');
  crypt.SetUserKey("<ABC>");  // odd final digit counts as followed by 0
  EXPECT_EQ(crypt.UserKey[1], 0xC0);
  ExpectFailure<kv::Exception>([&] { crypt.SetOwnerKey(""); }, "Invalid Owner Key.");
  ExpectFailure<kv::Exception>([&] { crypt.SetUserKey(""); }, "Invalid User Key.");
}

TEST(StandardSecurityValues, PaddingIsUndoneExactly) {
  const std::string passwords[] = {
      "", "a", "user", std::string(31, 'x'), std::string(32, 'y'), std::string("ab\x28\xBF", 4), "("};
  for (const auto& pw : passwords)
    EXPECT_EQ(kv::TkvBasePDFCrypt::UnpadPassword(kv::TkvBasePDFCrypt::PadPassword(pw)), pw);
  EXPECT_EQ(kv::TkvBasePDFCrypt::UnpadPassword(kv::TkvBasePDFCrypt::PadPassword(std::string(40, 'z'))),
            std::string(32, 'z'));
}

// ---- settings ----

TEST(EncryptionSettings, DefaultsAndLock) {
  kv::TkvPDFEncryptionSettings s;
  EXPECT_TRUE(s.CanChange());
  EXPECT_FALSE(s.Enabled());
  EXPECT_EQ(s.Level(), kv::el128bit);
  EXPECT_EQ(s.UserPermissions(), TkvUserPermissions::All());

  s.AssignUnlocked(kv::el40bit, "hidden", "user", TkvUserPermissions{kv::AllowCopy}, false);
  EXPECT_FALSE(s.CanChange());
  EXPECT_TRUE(s.Enabled());
  EXPECT_EQ(s.OwnerPassword(), "");
  EXPECT_EQ(s.UserPassword(), "user");
  const std::string locked = "User cannot change encryption settings";
  ExpectFailure<kv::Exception>([&] { s.SetEnabled(false); }, locked);
  ExpectFailure<kv::Exception>([&] { s.SetLevel(kv::el128bit); }, locked);
  ExpectFailure<kv::Exception>([&] { s.SetOwnerPassword("x"); }, locked);
  ExpectFailure<kv::Exception>([&] { s.SetUserPassword("x"); }, locked);
  ExpectFailure<kv::Exception>([&] { s.SetUserPermissions(TkvUserPermissions::All()); }, locked);
  ExpectFailure<kv::Exception>([&] { s.Assign(kv::TkvPDFEncryptionSettings()); }, locked);

  // A copy carries the lock, so copying cannot lift it.
  kv::TkvPDFEncryptionSettings copy;
  copy.Assign(s);
  EXPECT_FALSE(copy.CanChange());
  EXPECT_EQ(copy.OwnerPassword(), "");
}

// ---- round trips ----

struct Saved {
  std::unique_ptr<kv::TkvPDFEncryption> Engine;
  std::unique_ptr<kv::TkvPDFDictObject> Dict;
  std::unique_ptr<kv::TkvPDFArrayObject> ID;
  std::unique_ptr<kv::TkvPDFDecrypt> Open() const { return kv::OpenStandardSecurity(*Dict, ID.get()); }
};

Saved Save(const kv::TkvPDFEncryptionSettings& settings, const std::string& date = "D:20240101120000") {
  Saved s;
  s.Engine = kv::TkvPDFEncryption::Create("Output1.pdf", settings, date);
  s.Dict = kv::BuildEncryptionDictionary(*s.Engine);
  s.ID = kv::BuildFileIDArray(*s.Engine);
  return s;
}

kv::TkvPDFEncryptionSettings Settings(kv::TkvPDFEncryptionLevel level, const std::string& owner,
                                      const std::string& user, TkvUserPermissions perms) {
  kv::TkvPDFEncryptionSettings s;
  s.SetEnabled(true);
  s.SetLevel(level);
  s.SetOwnerPassword(owner);
  s.SetUserPassword(user);
  s.SetUserPermissions(perms);
  return s;
}

struct RoundTripCase {
  const char* Name;
  kv::TkvPDFEncryptionLevel Level;
  TkvUserPermissions Granted;
  TkvUserPermissions UserGets;  // what the user password unlocks
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.Name; }

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, BothPasswordsOpenWhatTheEngineWrote) {
  const auto& c = GetParam();
  Saved saved = Save(Settings(c.Level, "owner pw", "user pw", c.Granted));

  kv::TkvPDFEncryptionSettings asOwner;
  auto owner = saved.Open();
  ASSERT_TRUE(owner->Authenticate(asOwner, "owner pw"));
  EXPECT_TRUE(owner->IsOwner);
  EXPECT_EQ(owner->Permissions, TkvUserPermissions::All());
  EXPECT_EQ(owner->Key, saved.Engine->Key);
  EXPECT_TRUE(asOwner.CanChange());
  EXPECT_TRUE(asOwner.Enabled());
  EXPECT_EQ(asOwner.Level(), c.Level);
  EXPECT_EQ(asOwner.OwnerPassword(), "owner pw");
  EXPECT_EQ(asOwner.UserPassword(), "user pw");

  kv::TkvPDFEncryptionSettings asUser;
  auto user = saved.Open();
  ASSERT_TRUE(user->Authenticate(asUser, "user pw"));
  EXPECT_FALSE(user->IsOwner);
  EXPECT_EQ(user->Permissions.Bits(), c.UserGets.Bits());
  EXPECT_EQ(user->Key, saved.Engine->Key);
  EXPECT_FALSE(asUser.CanChange());
  EXPECT_EQ(asUser.OwnerPassword(), "");
  EXPECT_EQ(asUser.UserPassword(), "user pw");
  EXPECT_EQ(asUser.UserPermissions().Bits(), c.UserGets.Bits());

  kv::TkvPDFEncryptionSettings untouched;
  EXPECT_FALSE(saved.Open()->Authenticate(untouched, "user pw "));
  EXPECT_FALSE(saved.Open()->Authenticate(untouched, ""));
  EXPECT_FALSE(untouched.Enabled());

  // Unicode text keeps every byte, marker included; strings and streams of one object
  // share its key, and another generation is another key.
  const std::string text("\xFE\xFF\x00H\x00\xE9\x00l\x20\xAC", 10);
  std::string bytes = saved.Engine->EncryptString(text, 12);
  EXPECT_NE(bytes, text);
  std::string copy = bytes;
  user->DecryptString(copy, 12, 0);
  EXPECT_EQ(copy, text);
  auto stream = user->DecryptStream(std::make_unique<kv::TkvMemoryStream>(bytes), 12, 0);
  EXPECT_EQ(stream->Bytes(), text);
  copy = bytes;
  user->DecryptString(copy, 12, 1);
  EXPECT_NE(copy, text);
}

const TkvUserPermissions kAll = TkvUserPermissions::All();
const TkvUserPermissions kNoPrint = {kv::AllowCopy,        kv::AllowModify,        kv::AllowAnnotation,
                                     kv::AllowFormFill,    kv::AllowAccessibility, kv::AllowDocAssembly,
                                     kv::AllowHighResPrint};
const TkvUserPermissions kCopyOnly = {kv::AllowCopy};

INSTANTIATE_TEST_SUITE_P(
    Levels, RoundTrip,
    ::testing::Values(RoundTripCase{"All40", kv::el40bit, kAll, kAll},
                      // At 40 bits only the four oldest permission bits exist; the others stay granted.
                      RoundTripCase{"CopyOnly40",
                                    kv::el40bit,
                                    kCopyOnly,
                                    {kv::AllowCopy, kv::AllowFormFill, kv::AllowAccessibility, kv::AllowDocAssembly,
                                     kv::AllowHighResPrint}},
                      RoundTripCase{"All128", kv::el128bit, kAll, kAll},
                      RoundTripCase{"CopyOnly128", kv::el128bit, kCopyOnly, kCopyOnly},
                      // High-resolution printing is not granted without printing.
                      RoundTripCase{"NoPrint128",
                                    kv::el128bit,
                                    kNoPrint,
                                    {kv::AllowCopy, kv::AllowModify, kv::AllowAnnotation, kv::AllowFormFill,
                                     kv::AllowAccessibility, kv::AllowDocAssembly}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(EncryptionEngine, EmptyOwnerPasswordMeansTheUserPassword) {
  Saved saved = Save(Settings(kv::el128bit, "", "same", kCopyOnly));
  kv::TkvPDFEncryptionSettings s;
  auto crypt = saved.Open();
  ASSERT_TRUE(crypt->Authenticate(s, "same"));
  EXPECT_TRUE(crypt->IsOwner);
}

TEST(EncryptionEngine, EmptyUserPasswordOpensAsUser) {
  Saved saved = Save(Settings(kv::el40bit, "owner", "", kCopyOnly));
  kv::TkvPDFEncryptionSettings s;
  auto crypt = saved.Open();
  ASSERT_TRUE(crypt->Authenticate(s, ""));
  EXPECT_FALSE(crypt->IsOwner);
  EXPECT_FALSE(crypt->Permissions.Contains(kv::AllowPrint));
}

// A user who opened a file with the user password and saves it again must not become
// its owner: the saved file keeps an owner password the user does not know.
TEST(EncryptionEngine, ResaveByUserKeepsAHiddenOwner) {
  Saved original = Save(Settings(kv::el128bit, "owner", "user", kCopyOnly));
  kv::TkvPDFEncryptionSettings opened;
  ASSERT_TRUE(original.Open()->Authenticate(opened, "user"));
  ASSERT_FALSE(opened.CanChange());

  Saved resaved = Save(opened);
  kv::TkvPDFEncryptionSettings s;
  auto crypt = resaved.Open();
  ASSERT_TRUE(crypt->Authenticate(s, "user"));
  EXPECT_FALSE(crypt->IsOwner);
  EXPECT_EQ(crypt->Permissions, kCopyOnly);

  // Opening another file with its owner password lifts the lock again.
  ASSERT_TRUE(original.Open()->Authenticate(opened, "owner"));
  EXPECT_TRUE(opened.CanChange());
  EXPECT_EQ(opened.OwnerPassword(), "owner");
}

TEST(EncryptionEngine, DictionaryEntriesInOrder) {
  struct Case {
    kv::TkvPDFEncryptionLevel Level;
    TkvUserPermissions Perms;
    int64_t P;
    int V, R, Length;
  };
  const Case cases[] = {{kv::el40bit, kAll, 4294967292LL, 1, 2, 40},
                        {kv::el40bit, TkvUserPermissions::None(), 4294967232LL, 1, 2, 40},
                        {kv::el128bit, kAll, 4294967292LL, 2, 3, 128},
                        {kv::el128bit, TkvUserPermissions::None(), 4294963392LL, 2, 3, 128}};
  for (const auto& c : cases) {
    Saved saved = Save(Settings(c.Level, "o", "u", c.Perms));
    const auto& d = *saved.Dict;
    ASSERT_EQ(d.Count(), 7);
    const char* keys[] = {"/Filter", "/O", "/U", "/P", "/V", "/R", "/Length"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(d.GetKeyAt(i)->Value, keys[i]);
    EXPECT_EQ(d.GetValue("/Filter")->ToText(), "/Standard");
    auto o = static_cast<kv::TkvPDFStringObject*>(d.GetValue("/O"));
    EXPECT_TRUE(o->IsHex);
    EXPECT_EQ(o->Value.size(), 66u);
    EXPECT_EQ(d.GetValue("/P")->ToText(), std::to_string(c.P));
    EXPECT_EQ(d.GetValue("/V")->ToText(), std::to_string(c.V));
    EXPECT_EQ(d.GetValue("/R")->ToText(), std::to_string(c.R));
    EXPECT_EQ(d.GetValue("/Length")->ToText(), std::to_string(c.Length));
  }
}

TEST(EncryptionEngine, FileIdentifierFollowsNameAndCreationDate) {
  auto settings = Settings(kv::el40bit, "o", "u", kAll);
  Saved a = Save(settings, "D:20240101");
  Saved b = Save(settings, "D:20240101");
  Saved c = Save(settings, "D:20240102");
  EXPECT_EQ(a.Engine->FileID, b.Engine->FileID);
  EXPECT_NE(a.Engine->FileID, c.Engine->FileID);
  auto md5 = kv::TkvMD5::Hash("Output1.pdfD:20240101");
  EXPECT_EQ(a.Engine->FileID, std::string(reinterpret_cast<const char*>(md5.data()), 16));
  ASSERT_EQ(a.ID->Count(), 2);
  std::string hex = "<" + kv::BytesToHex(a.Engine->FileID) + ">";
  EXPECT_EQ(a.ID->GetItem(0)->ToText(), hex);
  EXPECT_EQ(a.ID->GetItem(1)->ToText(), hex);
}

// ---- opening dictionaries ----

// An engine whose file identifier, revision and key length are chosen by the test, as
// other writers choose them.
class CustomEngine : public kv::TkvPDFEncryption {
 public:
  CustomEngine(const kv::TkvPDFEncryptionSettings& s, std::string fileID, int revision, int keyLength)
      : TkvPDFEncryption("x", s, "") {
    FileID = std::move(fileID);
    Revision = revision;
    KeyLength = keyLength;
    OwnerKey = PaddedUserPassword;
    CryptRounds(OwnerRC4Key(PaddedOwnerPassword), OwnerKey.data(), OwnerKey.size(), true);
    Key = ComputeFileKey(PaddedUserPassword);
    UserKey = ComputeUserKey(Key);
  }
};

std::unique_ptr<kv::TkvPDFArrayObject> IdArray(kv::TkvPDFObjectPtr first) {
  auto a = std::make_unique<kv::TkvPDFArrayObject>();
  a->Add(std::move(first));
  return a;
}

TEST(OpenStandardSecurity, FileIdentifierInAnyStringForm) {
  struct Case {
    const char* Name;
    std::string FileID;
    kv::TkvPDFObjectPtr (*Make)();
  };
  const Case cases[] = {
      {"hex", std::string("\x01\x23\x45\x67\x89\xAB\xCD\xEF\x01\x23\x45\x67\x89\xAB\xCD\xEF", 16),
       [] { return kv::TkvPDFObjectPtr(new kv::TkvPDFStringObject("<0123456789abcdef0123456789ABCDEF>", true)); }},
      {"literal", std::string("raw(\x00\xff) id", 10),
       [] { return kv::TkvPDFObjectPtr(new kv::TkvPDFStringObject(std::string("(raw(\x00\xff) id)", 12), false)); }},
      {"short hex", "\xAB\xCD\xEF", [] { return kv::TkvPDFObjectPtr(new kv::TkvPDFStringObject("<ABCDEF>", true)); }},
      {"missing", "", nullptr},
      {"not a string", "", [] { return kv::TkvPDFObjectPtr(new kv::TkvPDFIntegerObject(7)); }},
  };
  auto settings = Settings(kv::el128bit, "o", "u", kAll);
  for (const auto& c : cases) {
    CustomEngine engine(settings, c.FileID, 3, 16);
    auto dict = kv::BuildEncryptionDictionary(engine);
    auto id = c.Make ? IdArray(c.Make()) : nullptr;
    auto crypt = kv::OpenStandardSecurity(*dict, id.get());
    EXPECT_EQ(crypt->FileID, c.FileID) << c.Name;
    kv::TkvPDFEncryptionSettings s;
    EXPECT_TRUE(crypt->Authenticate(s, "u")) << c.Name;
    EXPECT_TRUE(crypt->Authenticate(s, "o")) << c.Name;
  }
}

// Writers also pair a 40-bit key with revision 3, or use keys between 40 and 128 bits.
TEST(OpenStandardSecurity, RevisionAndKeyLengthFromTheDictionary) {
  struct Case {
    int Revision, KeyLength;
  };
  for (const auto& c : {Case{3, 5}, Case{3, 7}, Case{3, 16}, Case{2, 5}}) {
    auto settings = Settings(c.KeyLength == 5 ? kv::el40bit : kv::el128bit, "own", "usr", kCopyOnly);
    CustomEngine engine(settings, "0123456789abcdef", c.Revision, c.KeyLength);
    auto dict = kv::BuildEncryptionDictionary(engine);
    auto id = kv::BuildFileIDArray(engine);
    auto crypt = kv::OpenStandardSecurity(*dict, id.get());
    EXPECT_EQ(crypt->EffectiveRevision(), c.Revision);
    EXPECT_EQ(crypt->EffectiveKeyLength(), static_cast<size_t>(c.KeyLength));
    kv::TkvPDFEncryptionSettings s;
    ASSERT_TRUE(crypt->Authenticate(s, "usr")) << c.Revision << "/" << c.KeyLength;
    EXPECT_EQ(crypt->Key, engine.Key);
    EXPECT_EQ(crypt->ObjectKey(1, 0).Length, std::min<size_t>(c.KeyLength + 5, 16));
    ASSERT_TRUE(crypt->Authenticate(s, "own"));
    EXPECT_TRUE(crypt->IsOwner);
  }
}

// Three bytes of the object number and two of the generation enter the key.
TEST(OpenStandardSecurity, ObjectKeysUseThreeNumberBytesAndTwoGenerationBytes) {
  kv::TkvPDFDecrypt crypt;
  crypt.Key.fill(0x5A);
  for (auto level : {kv::el40bit, kv::el128bit}) {
    crypt.Level = level;
    auto key = [&](int32_t n, int32_t g) { return crypt.ObjectKey(n, g).Bytes; };
    EXPECT_EQ(crypt.ObjectKey(1, 0).Length, level == kv::el40bit ? 10u : 16u);
    EXPECT_NE(key(0x010001, 0), key(1, 0));
    EXPECT_NE(key(0x000101, 0), key(1, 0));
    EXPECT_EQ(key(0x01000001, 0), key(1, 0));
    EXPECT_NE(key(1, 0x0100), key(1, 0));
    EXPECT_EQ(key(1, 0x010000), key(1, 0));
  }
}

std::unique_ptr<kv::TkvPDFDictObject> StandardDict() {
  Saved saved = Save(Settings(kv::el128bit, "o", "u", kAll));
  return std::move(saved.Dict);
}

TEST(OpenStandardSecurity, UnsupportedHandlersAndAlgorithmsAreNamed) {
  struct Case {
    void (*Edit)(kv::TkvPDFDictObject&);
    const char* Message;
  };
  const Case cases[] = {
      {[](kv::TkvPDFDictObject& d) { d.SetName("/Filter", "/Adobe.PubSec"); },
       "Unsupported security handler (/Adobe.PubSec)"},
      {[](kv::TkvPDFDictObject& d) { d.Remove("/Filter"); }, "Unsupported security handler (no /Filter)"},
      {[](kv::TkvPDFDictObject& d) {
         d.SetInteger("/V", 4);
         d.SetInteger("/R", 4);
         auto cf = std::make_unique<kv::TkvPDFDictObject>();
         auto stdcf = std::make_unique<kv::TkvPDFDictObject>();
         stdcf->AddName("/CFM", "/AESV2");
         cf->AddObject("/StdCF", std::move(stdcf));
         d.AddObject("/CF", std::move(cf));
       },
       "Unsupported encryption (AES, /V 4)"},
      {[](kv::TkvPDFDictObject& d) { d.SetInteger("/V", 4); }, "Unsupported encryption (crypt filters, /V 4)"},
      {[](kv::TkvPDFDictObject& d) {
         d.SetInteger("/V", 5);
         d.SetInteger("/R", 6);
       },
       "Unsupported encryption (AES-256, /V 5)"},
      {[](kv::TkvPDFDictObject& d) { d.SetInteger("/V", 3); }, "Unsupported encryption (/V 3)"},
      {[](kv::TkvPDFDictObject& d) { d.SetInteger("/R", 4); }, "Unsupported encryption (/R 4)"},
      {[](kv::TkvPDFDictObject& d) { d.SetInteger("/Length", 36); }, "Unsupported encryption (/Length 36)"},
      {[](kv::TkvPDFDictObject& d) { d.SetInteger("/Length", 256); }, "Unsupported encryption (/Length 256)"},
  };
  for (const auto& c : cases) {
    auto dict = StandardDict();
    c.Edit(*dict);
    ExpectFailure<kv::EUnsupportedEncryptionError>([&] { kv::OpenStandardSecurity(*dict, nullptr); }, c.Message);
  }
}

TEST(OpenStandardSecurity, BrokenEntries) {
  auto noP = StandardDict();
  noP->Remove("/P");
  ExpectFailure<kv::EInvalidPermission>([&] { kv::OpenStandardSecurity(*noP, nullptr); },
                                        "Invalid permission in encryption dictionary");
  auto nameP = StandardDict();
  nameP->SetName("/P", "/All");
  ExpectFailure<kv::EInvalidPermission>([&] { kv::OpenStandardSecurity(*nameP, nullptr); },
                                        "Invalid permission in encryption dictionary");
  auto noO = StandardDict();
  noO->Remove("/O");
  ExpectFailure<kv::Exception>([&] { kv::OpenStandardSecurity(*noO, nullptr); }, "Invalid Owner Key.");
  auto badU = StandardDict();
  badU->SetInteger("/U", 3);
  ExpectFailure<kv::Exception>([&] { kv::OpenStandardSecurity(*badU, nullptr); }, "Invalid User Key.");
  kv::TkvPDFIntegerObject notADict(1);
  ExpectFailure<kv::EPDFException>([&] { kv::OpenStandardSecurity(&notADict, nullptr); },
                                   "Invalid encryption dictionary");
}

TEST(OpenStandardSecurity, WrongPasswordRaisesAndRightOneFillsTheSettings) {
  Saved saved = Save(Settings(kv::el128bit, "o", "u", kAll));
  kv::TkvPDFIndirectObject wrapped(1, 9, 0, std::move(saved.Dict));
  kv::TkvPDFEncryptionSettings s;
  ExpectFailure<kv::EPasswordError>([&] { kv::AuthenticateStandardSecurity(&wrapped, saved.ID.get(), "nope", s); },
                                    "Wrong password.");
  EXPECT_FALSE(s.Enabled());
  auto crypt = kv::AuthenticateStandardSecurity(&wrapped, saved.ID.get(), "u", s);
  ASSERT_NE(crypt, nullptr);
  EXPECT_TRUE(s.Enabled());
  EXPECT_FALSE(s.CanChange());
  kv::TkvPDFDecryptor* reader = crypt.get();  // what the reader is given
  std::string text = "abc";
  reader->DecryptString(text, 1, 0);
  EXPECT_EQ(text.size(), 3u);
}

}  // namespace
