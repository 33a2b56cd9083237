#include "pdf/security/kvPDFCrypt.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>

#include "pdf/security/kvAES.h"
#include "pdf/security/kvMD5.h"
#include "pdf/security/kvPDFCryptConsts.h"
#include "pdf/security/kvRC4.h"

namespace kv {

namespace {

// Revision 3 strengthens key derivation by hashing the digest again this many times and
// encrypting the password check this many times with varied keys.
constexpr int kRehashCount = 50;
constexpr int kRC4Rounds = 20;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// White space between hex digits is skipped and an odd final digit counts as followed by
// 0, as readers of PDF agree.
std::string TkvBasePDFCrypt::StringBytes(std::string_view value) {
  if (value.size() < 2) return {};
  std::string_view inner = value.substr(1, value.size() - 2);
  if (value.front() != '<') return std::string(inner);
  std::string out;
  out.reserve(inner.size() / 2 + 1);
  int pending = -1;
  for (char c : inner) {
    int v = HexDigit(c);
    if (v < 0) continue;
    if (pending < 0) {
      pending = v;
    } else {
      out += static_cast<char>(pending * 16 + v);
      pending = -1;
    }
  }
  if (pending >= 0) out += static_cast<char>(pending * 16);
  return out;
}

namespace {

void CopyKeyBytes(std::string_view value, std::array<uint8_t, 32>& target, const char* missingMessage) {
  if (value.empty()) throw Exception(missingMessage);
  std::string bytes = TkvBasePDFCrypt::StringBytes(value);
  target.fill(0);
  std::memcpy(target.data(), bytes.data(), std::min(bytes.size(), target.size()));
}

// The owner password given to a file opened with its user password only: the settings
// must hold one, and none the user could guess.
std::string MakeHiddenOwnerPassword() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
  std::random_device device;
  std::uniform_int_distribution<int32_t> below(0, 2147483646);
  return std::string("Kestrova") + stamp + std::to_string(below(device));
}

}  // namespace

// ---- key lengths and dictionary values ----

int32_t TkvBasePDFCrypt::EffectiveRevision() const {
  if (Revision != 0) return Revision;
  switch (Level) {
    case el40bit:
      return 2;
    case el128bit:
      return 3;
    case elAES128:
      return 4;
    default:
      return 6;
  }
}

size_t TkvBasePDFCrypt::EffectiveKeyLength() const {
  if ((KeyLength >= 5 && KeyLength <= 16) || KeyLength == 32) return static_cast<size_t>(KeyLength);
  return Level == el40bit ? 5 : Level == elAES256 ? 32 : 16;
}

TkvCryptMethod TkvBasePDFCrypt::LevelMethod() const {
  return Level == elAES128 ? cmAESV2 : Level == elAES256 ? cmAESV3 : cmRC4;
}

void TkvBasePDFCrypt::SetFileID(std::string_view text) {
  if (text.size() != 32 || !std::all_of(text.begin(), text.end(), [](char c) { return HexDigit(c) >= 0; }))
    throw Exception(msg::SInvalidFileId);
  FileID = StringBytes("<" + std::string(text) + ">");
}

void TkvBasePDFCrypt::SetOwnerKey(std::string_view value) { CopyKeyBytes(value, OwnerKey, msg::SInvalidOwnerKey); }

void TkvBasePDFCrypt::SetUserKey(std::string_view value) { CopyKeyBytes(value, UserKey, msg::SInvalidUserKey); }

void TkvBasePDFCrypt::SetP(int64_t value) {
  auto bits = static_cast<uint32_t>(static_cast<uint64_t>(value));
  for (int i = 0; i < 4; ++i) P[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int32_t TkvBasePDFCrypt::PValue() const {
  uint32_t bits = static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) |
                  (static_cast<uint32_t>(P[2]) << 16) | (static_cast<uint32_t>(P[3]) << 24);
  return static_cast<int32_t>(bits);
}

// ---- passwords and keys ----

TkvBasePDFCrypt::TPadded TkvBasePDFCrypt::PadPassword(std::string_view password) {
  TPadded out;
  size_t n = std::min(password.size(), out.size());
  std::memcpy(out.data(), password.data(), n);
  std::memcpy(out.data() + n, kPasswordPadding.data(), out.size() - n);
  return out;
}

std::string TkvBasePDFCrypt::UnpadPassword(const TPadded& padded) {
  // The shortest password whose padding fills the rest exactly; a password that itself
  // holds the padding's first bytes is kept whole.
  for (size_t n = 0; n < padded.size(); ++n) {
    if (std::memcmp(padded.data() + n, kPasswordPadding.data(), padded.size() - n) == 0)
      return std::string(reinterpret_cast<const char*>(padded.data()), n);
  }
  return std::string(reinterpret_cast<const char*>(padded.data()), padded.size());
}

std::array<uint8_t, 32> TkvBasePDFCrypt::ComputeFileKey(const TPadded& paddedUser) const {
  TkvMD5 md5;
  md5.Update(paddedUser.data(), paddedUser.size());
  md5.Update(OwnerKey.data(), OwnerKey.size());
  md5.Update(P.data(), P.size());
  md5.Update(FileID);
  // Revision 4 keys of files whose metadata stays in the clear differ, so that the two
  // cannot be exchanged.
  if (EffectiveRevision() >= 4 && !EncryptMetadata) md5.Update("\xFF\xFF\xFF\xFF");
  TkvMD5::Digest digest = md5.Final();
  size_t n = std::min<size_t>(EffectiveKeyLength(), 16);
  if (EffectiveRevision() >= 3) {
    for (int i = 0; i < kRehashCount; ++i) digest = TkvMD5::Hash(digest.data(), n);
  }
  std::array<uint8_t, 32> key{};
  std::memcpy(key.data(), digest.data(), n);
  return key;
}

std::array<uint8_t, 16> TkvBasePDFCrypt::OwnerRC4Key(const TPadded& paddedOwner) const {
  TkvMD5::Digest digest = TkvMD5::Hash(paddedOwner.data(), paddedOwner.size());
  if (EffectiveRevision() >= 3) {
    for (int i = 0; i < kRehashCount; ++i) digest = TkvMD5::Hash(digest.data(), digest.size());
  }
  std::array<uint8_t, 16> key{};
  std::memcpy(key.data(), digest.data(), std::min<size_t>(EffectiveKeyLength(), 16));
  return key;
}

void TkvBasePDFCrypt::CryptRounds(const uint8_t* key, uint8_t* data, size_t length, bool encrypting) const {
  size_t n = std::min<size_t>(EffectiveKeyLength(), 16);
  if (EffectiveRevision() < 3) {
    TkvRC4(key, n).Crypt(data, length);
    return;
  }
  for (int round = 0; round < kRC4Rounds; ++round) {
    auto x = static_cast<uint8_t>(encrypting ? round : kRC4Rounds - 1 - round);
    std::array<uint8_t, 16> roundKey;
    for (size_t i = 0; i < n; ++i) roundKey[i] = key[i] ^ x;
    TkvRC4(roundKey.data(), n).Crypt(data, length);
  }
}

std::array<uint8_t, 32> TkvBasePDFCrypt::ComputeUserKey(const std::array<uint8_t, 32>& fileKey) const {
  std::array<uint8_t, 32> u{};
  if (EffectiveRevision() < 3) {
    std::memcpy(u.data(), kPasswordPadding.data(), u.size());
    CryptRounds(fileKey, u.data(), u.size(), true);
    return u;
  }
  TkvMD5 md5;
  md5.Update(kPasswordPadding.data(), kPasswordPadding.size());
  md5.Update(FileID);
  TkvMD5::Digest digest = md5.Final();
  std::memcpy(u.data(), digest.data(), digest.size());
  CryptRounds(fileKey, u.data(), 16, true);
  return u;
}

bool TkvBasePDFCrypt::CheckPaddedUserPassword(const TPadded& paddedUser) {
  std::array<uint8_t, 32> fileKey = ComputeFileKey(paddedUser);
  std::array<uint8_t, 32> expected = ComputeUserKey(fileKey);
  // Revision 3 defines only the first 16 bytes of /U; the rest is arbitrary.
  size_t compared = EffectiveRevision() < 3 ? 32 : 16;
  if (std::memcmp(expected.data(), UserKey.data(), compared) != 0) return false;
  Key = fileKey;
  return true;
}

bool TkvBasePDFCrypt::CheckOwnerPassword(std::string_view password, TPadded& paddedUser) {
  std::array<uint8_t, 16> key = OwnerRC4Key(PadPassword(password));
  paddedUser = OwnerKey;
  CryptRounds(key, paddedUser.data(), paddedUser.size(), false);
  return CheckPaddedUserPassword(paddedUser);
}

void TkvBasePDFCrypt::ReducePermissionsByP() {
  auto bits = static_cast<uint32_t>(PValue());
  auto granted = [bits](int bitNumber) { return ((bits >> (bitNumber - 1)) & 1u) != 0; };
  Permissions = TkvUserPermissions::All();
  if (!granted(3)) Permissions.Exclude(AllowPrint);
  if (!granted(4)) Permissions.Exclude(AllowModify);
  if (!granted(5)) Permissions.Exclude(AllowCopy);
  if (!granted(6)) Permissions.Exclude(AllowAnnotation);
  if (EffectiveRevision() >= 3) {
    if (!granted(9)) Permissions.Exclude(AllowFormFill);
    if (!granted(10)) Permissions.Exclude(AllowAccessibility);
    if (!granted(11)) Permissions.Exclude(AllowDocAssembly);
    if (!granted(12)) Permissions.Exclude(AllowHighResPrint);
  }
}

bool TkvBasePDFCrypt::Authenticate(TkvPDFEncryptionSettings& settings, std::string_view password) {
  if (EffectiveRevision() >= 5) return AuthenticateAES256(settings, password);
  TPadded paddedUser;
  if (CheckOwnerPassword(password, paddedUser)) {
    IsOwner = true;
    // The owner may do everything; the saved file keeps what its users were allowed,
    // so re-saving with the owner password does not lift the restrictions.
    ReducePermissionsByP();
    TkvUserPermissions userPermissions = Permissions;
    Permissions = TkvUserPermissions::All();
    settings.AssignUnlocked(Level, std::string(password), UnpadPassword(paddedUser), userPermissions, true);
    return true;
  }
  if (CheckPaddedUserPassword(PadPassword(password))) {
    IsOwner = false;
    ReducePermissionsByP();
    settings.AssignUnlocked(Level, MakeHiddenOwnerPassword(), std::string(password), Permissions, false);
    return true;
  }
  return false;
}

// ---- strings and streams ----

namespace {

// MD5 of the file key's first `n` bytes, the three low bytes of the object number and the
// two low bytes of the generation (low byte first), and `salt`.
TkvMD5::Digest ObjectDigest(const std::array<uint8_t, 32>& fileKey, size_t n, int32_t objectNumber, int32_t generation,
                            std::string_view salt) {
  const auto number = static_cast<uint32_t>(objectNumber);
  const auto gen = static_cast<uint32_t>(generation);
  const uint8_t tail[5] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                           static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(gen),
                           static_cast<uint8_t>(gen >> 8)};
  TkvMD5 md5;
  md5.Update(fileKey.data(), n);
  md5.Update(tail, sizeof tail);
  md5.Update(salt);
  return md5.Final();
}

}  // namespace

TkvBasePDFCrypt::TObjectKey TkvBasePDFCrypt::ObjectKey(int32_t objectNumber, int32_t generation) const {
  const size_t n = std::min<size_t>(EffectiveKeyLength(), 16);
  TkvMD5::Digest digest = ObjectDigest(Key, n, objectNumber, generation, {});
  TObjectKey key;
  key.Length = std::min<size_t>(n + 5, 16);
  std::memcpy(key.Bytes.data(), digest.data(), key.Length);
  return key;
}

const TkvRC4& TkvBasePDFCrypt::CachedCipher(int32_t objectNumber, int32_t generation) {
  size_t keyLength = EffectiveKeyLength();
  if (!cachedCipher_ || objectNumber != cachedObject_ || generation != cachedGeneration_ || cachedFileKey_ != Key ||
      cachedKeyLength_ != keyLength) {
    TObjectKey key = ObjectKey(objectNumber, generation);
    cachedCipher_.emplace(key.Bytes.data(), key.Length);
    cachedFileKey_ = Key;
    cachedKeyLength_ = keyLength;
    cachedObject_ = objectNumber;
    cachedGeneration_ = generation;
  }
  return *cachedCipher_;
}

void TkvBasePDFCrypt::CryptBuffer(void* data, size_t length, int32_t objectNumber, int32_t generation) {
  TkvRC4 cipher = CachedCipher(objectNumber, generation);
  cipher.Crypt(data, length);
}

std::string TkvBasePDFCrypt::AESObjectKey(TkvCryptMethod method, int32_t objectNumber, int32_t generation) const {
  if (method == cmAESV3) return std::string(reinterpret_cast<const char*>(Key.data()), 32);
  const size_t n = std::min<size_t>(EffectiveKeyLength(), 16);
  TkvMD5::Digest digest = ObjectDigest(Key, n, objectNumber, generation, "sAlT");
  return std::string(reinterpret_cast<const char*>(digest.data()), 16);
}

void TkvBasePDFCrypt::DecryptBytes(TkvCryptMethod method, std::string& bytes, int32_t objectNumber,
                                   int32_t generation) {
  switch (method) {
    case cmNone:
      return;
    case cmRC4:
      CryptBuffer(bytes.data(), bytes.size(), objectNumber, generation);
      return;
    default:
      bytes = AESDecryptCBC(AESObjectKey(method, objectNumber, generation), bytes);
      return;
  }
}

void TkvBasePDFCrypt::DecryptString(std::string& bytes, int32_t objectNumber, int32_t generation) {
  DecryptBytes(StringMethod, bytes, objectNumber, generation);
}

void TkvBasePDFCrypt::DecryptStream(TkvMemoryStream& stream, int32_t objectNumber, int32_t generation) {
  // Taking the bytes moves owned data and copies a shared view once; either way the
  // stream's other holders keep their bytes.
  std::string bytes = stream.TakeBytes();
  DecryptBytes(StreamMethod, bytes, objectNumber, generation);
  stream.Assign(std::move(bytes));
}

std::unique_ptr<TkvMemoryStream> TkvPDFDecrypt::DecryptStream(std::unique_ptr<TkvMemoryStream> stream,
                                                              int32_t objectNumber, int32_t generation) {
  if (stream) TkvBasePDFCrypt::DecryptStream(*stream, objectNumber, generation);
  return stream;
}

}  // namespace kv
