// Revisions 5 and 6 of the standard security handler (AES-256): passwords are hashed with
// SHA-2 (revision 6 iterates AES and SHA-2 over them), each password's hash unlocks the
// 32-byte file key from /UE or /OE, and /Perms holds the permissions encrypted with it.
#include <cstring>

#include "core/kvUtils.h"
#include "pdf/security/kvAES.h"
#include "pdf/security/kvPDFCrypt.h"

namespace kv {

namespace {

// Passwords are UTF-8 and count at most this many bytes.
constexpr size_t kMaxPasswordBytes = 127;
// Revision 6 hashes at least this many rounds, then until the last byte of a round's
// output allows it to stop (at most 255 + 32 rounds in all).
constexpr int kMinHashRounds = 64;
constexpr size_t kSaltSize = 8;
constexpr size_t kHashSize = 32;

std::string PreparePassword(std::string_view password) {
  std::string utf8 = AnsiToUtf8(password);
  if (utf8.size() > kMaxPasswordBytes) utf8.resize(kMaxPasswordBytes);
  return utf8;
}

// The hash of a password with an 8-byte salt and, for the owner, the 48 bytes of /U.
std::string Hash(int32_t revision, std::string_view password, std::string_view salt, std::string_view userKey) {
  std::string k = SHA2(256, std::string(password) + std::string(salt) + std::string(userKey));
  if (revision < 6) return k;
  for (int round = 1;; ++round) {
    const std::string block = std::string(password) + k + std::string(userKey);
    std::string k1;
    k1.reserve(block.size() * 64);
    for (int i = 0; i < 64; ++i) k1 += block;
    const std::string e = AESCryptRaw(k.substr(0, 16), k.substr(16, 16), k1, true);
    // The first 16 bytes as a 128-bit number modulo 3 (the sum of the bytes gives it, as
    // 256 is 1 modulo 3) choose the next digest.
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[static_cast<size_t>(i)]);
    k = SHA2(256 + 128 * static_cast<int>(sum % 3), e);
    // Rounds count from 1 here.
    if (round >= kMinHashRounds && static_cast<unsigned char>(e.back()) <= round - 32) break;
  }
  return k.substr(0, kHashSize);
}

bool SetKeyFrom(std::array<uint8_t, 32>& key, const std::string& hash, const std::string& encryptedKey) {
  if (encryptedKey.size() < 32) return false;
  const std::string fileKey = AESCryptRaw(hash, std::string(), encryptedKey.substr(0, 32), false);
  if (fileKey.size() != 32) return false;
  std::memcpy(key.data(), fileKey.data(), 32);
  return true;
}

}  // namespace

bool TkvBasePDFCrypt::CheckAES256User(std::string_view password) {
  const std::string& u = AES256.U;
  if (u.size() < 48) return false;
  const std::string p = PreparePassword(password);
  const int32_t r = EffectiveRevision();
  if (Hash(r, p, u.substr(32, kSaltSize), {}) != u.substr(0, kHashSize)) return false;
  return SetKeyFrom(Key, Hash(r, p, u.substr(40, kSaltSize), {}), AES256.UE);
}

bool TkvBasePDFCrypt::CheckAES256Owner(std::string_view password) {
  const std::string& o = AES256.O;
  if (o.size() < 48 || AES256.U.size() < 48) return false;
  const std::string p = PreparePassword(password);
  const std::string u = AES256.U.substr(0, 48);
  const int32_t r = EffectiveRevision();
  if (Hash(r, p, o.substr(32, kSaltSize), u) != o.substr(0, kHashSize)) return false;
  return SetKeyFrom(Key, Hash(r, p, o.substr(40, kSaltSize), u), AES256.OE);
}

bool TkvBasePDFCrypt::AuthenticateAES256(TkvPDFEncryptionSettings& settings, std::string_view password) {
  const bool owner = CheckAES256Owner(password);
  if (!owner && !CheckAES256User(password)) return false;
  auto kept = std::make_shared<TkvKeptKeys>();
  kept->Revision = EffectiveRevision();
  kept->FileKey.assign(reinterpret_cast<const char*>(Key.data()), 32);
  kept->U = AES256.U.substr(0, 48);
  kept->UE = AES256.UE.substr(0, 32);
  kept->O = AES256.O.substr(0, 48);
  kept->OE = AES256.OE.substr(0, 32);
  IsOwner = owner;
  ReducePermissionsByP();
  // Neither password can be recovered from the other: the one not given stays unknown
  // (empty), and the output keeps its key material (see TkvKeptKeys).
  if (owner) {
    TkvUserPermissions userPermissions = Permissions;
    Permissions = TkvUserPermissions::All();
    settings.AssignUnlocked(Level, std::string(password), std::string(), userPermissions, true);
  } else {
    settings.AssignUnlocked(Level, std::string(), std::string(password), Permissions, false);
  }
  settings.KeepKeys(std::move(kept), !owner);
  return true;
}

void TkvPDFEncryption::MakeAES256Entries(const TkvPDFEncryptionSettings& settings) {
  TkvPDFEncryption& crypt = *this;
  const std::string& userPassword = UserPassword;
  const std::string& ownerPassword = OwnerPassword;
  const TkvKeptKeys* keptUser = settings.KeptUserKeys();
  const TkvKeptKeys* keptOwner = settings.KeptOwnerKeys();
  const TkvKeptKeys* kept = keptUser ? keptUser : keptOwner;
  const int32_t r = kept ? kept->Revision : 6;
  crypt.Revision = r;
  const std::string fileKey = keptUser ? keptUser->FileKey : RandomBytes(32);
  std::memcpy(crypt.Key.data(), fileKey.data(), 32);
  TkvAES256Entries& e = crypt.AES256;
  if (keptUser) {
    e.U = keptUser->U;
    e.UE = keptUser->UE;
  } else {
    const std::string p = PreparePassword(userPassword), salts = RandomBytes(2 * kSaltSize);
    e.U = Hash(r, p, salts.substr(0, kSaltSize), {}) + salts;
    e.UE = AESCryptRaw(Hash(r, p, salts.substr(kSaltSize), {}), std::string(), fileKey, true);
  }
  if (keptOwner && keptUser) {
    e.O = keptOwner->O;
    e.OE = keptOwner->OE;
  } else {
    const std::string p = PreparePassword(ownerPassword.empty() ? userPassword : ownerPassword);
    const std::string salts = RandomBytes(2 * kSaltSize);
    e.O = Hash(r, p, salts.substr(0, kSaltSize), e.U) + salts;
    e.OE = AESCryptRaw(Hash(r, p, salts.substr(kSaltSize), e.U), std::string(), fileKey, true);
  }
  // /Perms: /P (low byte first), four bytes FF, whether metadata is encrypted, "adb" and
  // four random bytes, encrypted with the file key as one block.
  std::string perms(reinterpret_cast<const char*>(crypt.P.data()), 4);
  perms += "\xFF\xFF\xFF\xFF";
  perms += crypt.EncryptMetadata ? 'T' : 'F';
  perms += "adb";
  perms += RandomBytes(4);
  e.Perms = AESCryptRaw(fileKey, std::string(), perms, true);
}

}  // namespace kv
