#include "pdf/security/kvMD5.h"
#include "pdf/security/kvPDFCrypt.h"

namespace kv {

namespace {

std::unique_ptr<TkvPDFStringObject> HexString(const void* data, size_t length) {
  return std::make_unique<TkvPDFStringObject>(
      "<" + BytesToHex(std::string_view(static_cast<const char*>(data), length)) + ">", true);
}

}  // namespace

TkvPDFEncryption::TkvPDFEncryption(std::string_view name, const TkvPDFEncryptionSettings& settings,
                                   std::string_view creationDate)
    : OwnerPassword(settings.ownerPassword_), UserPassword(settings.userPassword_) {
  Level = settings.Level();
  Permissions = settings.UserPermissions();
  IsOwner = true;

  TkvMD5 md5;
  md5.Update(name);
  md5.Update(creationDate);
  TkvMD5::Digest id = md5.Final();
  FileID.assign(reinterpret_cast<const char*>(id.data()), id.size());

  PaddedOwnerPassword = PadPassword(OwnerPassword.empty() ? UserPassword : OwnerPassword);
  PaddedUserPassword = PadPassword(UserPassword);

  std::array<uint8_t, 16> ownerKey = OwnerRC4Key(PaddedOwnerPassword);
  OwnerKey = PaddedUserPassword;
  CryptRounds(ownerKey, OwnerKey.data(), OwnerKey.size(), true);

  SetP(ComputePValue(Permissions, Level));
  Key = ComputeFileKey(PaddedUserPassword);
  UserKey = ComputeUserKey(Key);
}

int32_t TkvPDFEncryption::ComputePValue(TkvUserPermissions permissions, TkvPDFEncryptionLevel level) {
  // The base values set every reserved bit (7-8 and 13-32) and clear the permission bits.
  int32_t p = level == el40bit ? -64 : -3904;
  if (permissions.Contains(AllowPrint)) p += 4;
  if (permissions.Contains(AllowModify)) p += 8;
  if (permissions.Contains(AllowCopy)) p += 16;
  if (permissions.Contains(AllowAnnotation)) p += 32;
  if (level == el128bit) {
    if (permissions.Contains(AllowFormFill)) p += 256;
    if (permissions.Contains(AllowAccessibility)) p += 512;
    if (permissions.Contains(AllowDocAssembly)) p += 1024;
    // High-resolution printing only means something when printing is allowed at all.
    if (permissions.Contains(AllowHighResPrint) && permissions.Contains(AllowPrint)) p += 2048;
  }
  return p;
}

std::string TkvPDFEncryption::EncryptString(std::string_view text, int32_t objectNumber) {
  std::string out(text);
  CryptBuffer(out.data(), out.size(), objectNumber, 0);
  return out;
}

std::unique_ptr<TkvPDFDictObject> BuildEncryptionDictionary(const TkvBasePDFCrypt& crypt) {
  int32_t revision = crypt.EffectiveRevision();
  size_t keyLength = crypt.EffectiveKeyLength();
  auto dict = std::make_unique<TkvPDFDictObject>();
  dict->AddName("/Filter", "/Standard");
  dict->AddObject("/O", HexString(crypt.OwnerKey.data(), crypt.OwnerKey.size()));
  dict->AddObject("/U", HexString(crypt.UserKey.data(), crypt.UserKey.size()));
  dict->AddInt64("/P", static_cast<int64_t>(static_cast<uint32_t>(crypt.PValue())));
  // /V 1 is the 40-bit algorithm; /V 2 allows longer keys.
  dict->AddInteger("/V", revision == 2 && keyLength == 5 ? 1 : 2);
  dict->AddInteger("/R", revision);
  dict->AddInteger("/Length", static_cast<int32_t>(keyLength * 8));
  return dict;
}

std::unique_ptr<TkvPDFArrayObject> BuildFileIDArray(const TkvBasePDFCrypt& crypt) {
  auto array = std::make_unique<TkvPDFArrayObject>();
  array->Add(HexString(crypt.FileID.data(), crypt.FileID.size()));
  array->Add(HexString(crypt.FileID.data(), crypt.FileID.size()));
  return array;
}

}  // namespace kv
