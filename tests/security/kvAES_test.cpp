// AES and SHA-2 through libcrypto (published vectors), the password hashing of AES-256
// (answers computed with pypdf), and the handler's AES levels end to end: the engine's
// dictionary opened again with each password, strings both ways, and the key material an
// opened file keeps for writing it again.
#include "pdf/security/kvAES.h"

#include <gtest/gtest.h>

#include "core/kvPDFUtils.h"
#include "pdf/security/kvPDFCrypt.h"

namespace kv {
namespace {

std::string Bytes(const std::string& hex) { return HexToBytes(hex); }
std::string Hex(const std::string& bytes) { return BytesToHex(bytes); }

TEST(AES, PublishedVectors) {
  // NIST SP 800-38A, F.2.1 and F.2.5: the first CBC block of each.
  const std::string iv = Bytes("000102030405060708090A0B0C0D0E0F");
  const std::string plain = Bytes("6BC1BEE22E409F96E93D7E117393172A");
  const struct {
    std::string Key, Cipher;
  } rows[] = {{"2B7E151628AED2A6ABF7158809CF4F3C", "7649ABAC8119B246CEE98E9B12E9197D"},
              {"603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4", "F58C4C04D6E5F1BA779EABFB5F7BFBD6"}};
  for (const auto& r : rows) {
    EXPECT_EQ(r.Cipher, Hex(AESCryptRaw(Bytes(r.Key), iv, plain, true)));
    const std::string padded = AESEncryptCBC(Bytes(r.Key), iv, plain);
    EXPECT_EQ(48u, padded.size());  // IV, the block, a whole block of padding
    EXPECT_EQ(r.Cipher, Hex(padded.substr(16, 16)));
    EXPECT_EQ(plain, AESDecryptCBC(Bytes(r.Key), padded));
  }
  EXPECT_EQ("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", Hex(SHA2(256, "abc")));
  EXPECT_EQ("CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7",
            Hex(SHA2(384, "abc")));
  EXPECT_EQ(64u, SHA2(512, "abc").size());
  EXPECT_NE(RandomBytes(16), RandomBytes(16));
}

// What files hold is often not quite right; decryption gives what it can and never fails.
TEST(AES, DecryptionOfDamagedData) {
  const std::string key(16, 'k'), iv(16, 'i');
  const std::string good = AESEncryptCBC(key, iv, "twenty-one characters");
  EXPECT_EQ("", AESDecryptCBC(key, ""));
  EXPECT_EQ("", AESDecryptCBC(key, iv));                                 // an IV alone
  EXPECT_EQ("twenty-one characters", AESDecryptCBC(key, good + "xyz"));  // a partial block dropped
  EXPECT_EQ(16u, AESDecryptCBC(key, good.substr(0, 32)).size());         // padding block lost
  EXPECT_EQ(16u, AESDecryptCBC(key, iv + AESCryptRaw(key, iv, std::string(16, '\x20'), true)).size());
  EXPECT_THROW(AESDecryptCBC("short", good), Exception);
}

TEST(AES256Handler, PasswordHashesOfRevisionsFiveAndSix) {
  // /U and /O of a file whose hashes are those pypdf computes for these passwords and salts.
  const std::string userSalt = Bytes("0102030405060708"), ownerSalt = Bytes("0807060504030201");
  const std::string u6 =
      Bytes("17424B40EAD366F7DDEF0FF073608AA68BA701714B5CEF3409B94C4FFA763726") + userSalt + std::string(8, '\0');
  const std::string o6 =
      Bytes("A5D797C6EB81A2AF442D3F7926C903F365CB47C95AF9AEA5F3BFD3D4139020A4") + ownerSalt + std::string(8, '\0');
  // /U of the owner hash is the 48 bytes 0 to 47 in that known answer.
  std::string u48;
  for (int i = 0; i < 48; ++i) u48 += static_cast<char>(i);
  struct Probe : TkvBasePDFCrypt {
    using TkvBasePDFCrypt::CheckAES256Owner;
    using TkvBasePDFCrypt::CheckAES256User;
  };
  Probe six;
  six.Revision = 6;
  six.AES256 = {o6, u6, std::string(32, '\0'), std::string(32, '\0'), ""};
  EXPECT_TRUE(six.CheckAES256User("user"));
  EXPECT_FALSE(six.CheckAES256User("User"));
  six.AES256.U = u48;
  EXPECT_TRUE(six.CheckAES256Owner("owner"));
  EXPECT_FALSE(six.CheckAES256Owner("user"));
  Probe five;
  five.Revision = 5;
  five.AES256.U =
      Bytes("AD7C98E251CB1C7B3E2830B6F0BECBD8352A6AB712232D6E82F2FCA45F304DCC") + userSalt + std::string(8, '\0');
  five.AES256.UE = std::string(32, '\0');
  EXPECT_TRUE(five.CheckAES256User("user"));
}

TkvPDFEncryptionSettings Settings(TkvPDFEncryptionLevel level, const std::string& owner, const std::string& user,
                                  TkvUserPermissions permissions) {
  TkvPDFEncryptionSettings s;
  s.SetEnabled(true);
  s.SetLevel(level);
  s.SetOwnerPassword(owner);
  s.SetUserPassword(user);
  s.SetUserPermissions(permissions);
  return s;
}

// The dictionary and identifier a written file would carry, opened as a reader opens them.
std::unique_ptr<TkvPDFDecrypt> Reopen(const TkvPDFEncryption& engine, bool modern = true) {
  auto dict = BuildEncryptionDictionary(engine);
  auto id = BuildFileIDArray(engine);
  return OpenStandardSecurity(*dict, id.get(), modern);
}

TEST(AESHandler, EachLevelOpensWithEitherPasswordAndDecryptsWhatItEncrypts) {
  const TkvUserPermissions copyOnly = {AllowCopy};
  for (TkvPDFEncryptionLevel level : {elAES128, elAES256}) {
    SCOPED_TRACE(level);
    TkvPDFEncryption engine("x", Settings(level, "own", "usr", copyOnly), "D:2024");
    const std::string secret = engine.EncryptString("a string of the document", 12);
    EXPECT_EQ(engine.EncryptedLength(24), static_cast<int64_t>(secret.size()));
    for (const char* password : {"own", "usr"}) {
      auto crypt = Reopen(engine);
      TkvPDFEncryptionSettings opened;
      ASSERT_TRUE(crypt->Authenticate(opened, password)) << password;
      EXPECT_EQ(level, opened.Level());
      EXPECT_EQ(copyOnly, opened.UserPermissions());
      EXPECT_EQ(std::string(password) == "own", opened.CanChange());
      std::string bytes = secret;
      crypt->DecryptString(bytes, 12, 0);
      EXPECT_EQ("a string of the document", bytes);
    }
    EXPECT_FALSE(Reopen(engine)->Authenticate(*std::make_unique<TkvPDFEncryptionSettings>(), "neither"));
  }
  // Read strictly, the same dictionaries are refused as before.
  TkvPDFEncryption aes128("x", Settings(elAES128, "o", "u", {}), "");
  TkvPDFEncryption aes256("x", Settings(elAES256, "o", "u", {}), "");
  for (const auto* e : {&aes128, &aes256}) {
    try {
      Reopen(*e, false);
      ADD_FAILURE();
    } catch (const EUnsupportedEncryptionError& error) {
      EXPECT_STREQ(e == &aes128 ? "Unsupported encryption (AES, /V 4)" : "Unsupported encryption (AES-256, /V 5)",
                   error.what());
    }
  }
}

// Neither AES-256 password can be recovered from the other: a file written again keeps
// the key material of each password that was not changed.
TEST(AESHandler, AES256KeptKeyMaterial) {
  TkvPDFEncryption first("x", Settings(elAES256, "own", "usr", TkvUserPermissions::All()), "");
  TkvPDFEncryptionSettings opened;
  ASSERT_TRUE(Reopen(first)->Authenticate(opened, "own"));
  EXPECT_EQ("", opened.UserPassword());  // unknown

  TkvPDFEncryption same("y", opened, "");
  EXPECT_EQ(first.AES256.U, same.AES256.U);
  EXPECT_EQ(first.AES256.O, same.AES256.O);
  TkvPDFEncryptionSettings again;
  EXPECT_TRUE(Reopen(same)->Authenticate(again, "usr"));

  opened.SetOwnerPassword("new owner");
  TkvPDFEncryption newOwner("y", opened, "");
  EXPECT_EQ(first.AES256.U, newOwner.AES256.U);
  EXPECT_NE(first.AES256.O, newOwner.AES256.O);
  EXPECT_TRUE(Reopen(newOwner)->Authenticate(again, "usr"));
  EXPECT_TRUE(Reopen(newOwner)->Authenticate(again, "new owner"));
  EXPECT_FALSE(Reopen(newOwner)->Authenticate(again, "own"));

  opened.SetUserPassword("new user");
  TkvPDFEncryption newUser("y", opened, "");
  EXPECT_NE(first.AES256.U, newUser.AES256.U);
  EXPECT_TRUE(Reopen(newUser)->Authenticate(again, "new user"));
  EXPECT_FALSE(Reopen(newUser)->Authenticate(again, "usr"));

  // Another level cannot reuse the user's material: without a new user password the file
  // would open for anyone, so writing it fails instead.
  TkvPDFEncryptionSettings weaker;
  ASSERT_TRUE(Reopen(first)->Authenticate(weaker, "own"));
  weaker.SetLevel(elAES128);
  try {
    TkvPDFEncryption refused("w", weaker, "");
    ADD_FAILURE() << "written with an unknown user password";
  } catch (const Exception& e) {
    EXPECT_STREQ("The user password of this file is unknown: give a new one to change its encryption", e.what());
  }
  weaker.SetUserPassword("");  // an explicit choice this time
  TkvPDFEncryption open("w", weaker, "");
  EXPECT_TRUE(Reopen(open)->Authenticate(again, ""));

  // Opened with the user password: locked, and written with the owner's material intact.
  TkvPDFEncryptionSettings byUser;
  ASSERT_TRUE(Reopen(first)->Authenticate(byUser, "usr"));
  EXPECT_FALSE(byUser.CanChange());
  TkvPDFEncryption kept("z", byUser, "");
  EXPECT_TRUE(Reopen(kept)->Authenticate(again, "own"));
  EXPECT_TRUE(again.CanChange());
}

}  // namespace
}  // namespace kv
