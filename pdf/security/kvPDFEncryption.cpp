#include "pdf/security/kvAES.h"
#include "pdf/security/kvMD5.h"
#include "pdf/security/kvPDFCrypt.h"
#include "pdf/security/kvPDFCryptConsts.h"

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
  // A protection that cannot reuse the user's key material needs the user password, and
  // an empty one would open the file to anyone.
  if (!settings.UserPasswordKnown() && !(settings.Level() == elAES256 && settings.KeptUserKeys()))
    throw Exception(msg::SUserPasswordUnknown);
  Level = settings.Level();
  Permissions = settings.UserPermissions();
  IsOwner = true;
  StringMethod = StreamMethod = LevelMethod();

  TkvMD5 md5;
  md5.Update(name);
  md5.Update(creationDate);
  TkvMD5::Digest id = md5.Final();
  FileID.assign(reinterpret_cast<const char*>(id.data()), id.size());

  SetP(ComputePValue(Permissions, Level));
  if (Level == elAES256) {
    MakeAES256Entries(settings);
    return;
  }
  PaddedOwnerPassword = PadPassword(OwnerPassword.empty() ? UserPassword : OwnerPassword);
  PaddedUserPassword = PadPassword(UserPassword);

  std::array<uint8_t, 16> ownerKey = OwnerRC4Key(PaddedOwnerPassword);
  OwnerKey = PaddedUserPassword;
  CryptRounds(ownerKey, OwnerKey.data(), OwnerKey.size(), true);

  Key = ComputeFileKey(PaddedUserPassword);
  UserKey = ComputeUserKey(Key);
}

int32_t TkvPDFEncryption::ComputePValue(TkvUserPermissions permissions, TkvPDFEncryptionLevel level) {
  // The base values set every reserved bit (7-8 and 13-32) and clear the permission bits.
  const bool longKeys = level != el40bit;
  int32_t p = longKeys ? -3904 : -64;
  if (permissions.Contains(AllowPrint)) p += 4;
  if (permissions.Contains(AllowModify)) p += 8;
  if (permissions.Contains(AllowCopy)) p += 16;
  if (permissions.Contains(AllowAnnotation)) p += 32;
  if (longKeys) {
    if (permissions.Contains(AllowFormFill)) p += 256;
    if (permissions.Contains(AllowAccessibility)) p += 512;
    if (permissions.Contains(AllowDocAssembly)) p += 1024;
    // High-resolution printing only means something when printing is allowed at all.
    if (permissions.Contains(AllowHighResPrint) && permissions.Contains(AllowPrint)) p += 2048;
  }
  return p;
}

std::string TkvPDFEncryption::EncryptString(std::string_view text, int32_t objectNumber) {
  if (StringMethod == cmAESV2 || StringMethod == cmAESV3)
    return AESEncryptCBC(AESObjectKey(StringMethod, objectNumber, 0), RandomBytes(kAESBlockSize), text);
  std::string out(text);
  CryptBuffer(out.data(), out.size(), objectNumber, 0);
  return out;
}

int64_t TkvPDFEncryption::EncryptedLength(int64_t length) const {
  if (StringMethod != cmAESV2 && StringMethod != cmAESV3) return length;
  // The IV, then the data padded to whole blocks (a full block of padding when it fills them).
  const int64_t block = static_cast<int64_t>(kAESBlockSize);
  return block + (length / block + 1) * block;
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
  if (revision >= 5) {
    // The 48-byte forms of /O and /U replace the 32-byte ones.
    dict->SetValue("/O", HexString(crypt.AES256.O.data(), crypt.AES256.O.size()));
    dict->SetValue("/U", HexString(crypt.AES256.U.data(), crypt.AES256.U.size()));
  }
  const bool aes = crypt.StringMethod == cmAESV2 || crypt.StringMethod == cmAESV3;
  dict->AddInteger("/V", revision >= 5 ? 5 : aes ? 4 : revision == 2 && keyLength == 5 ? 1 : 2);
  dict->AddInteger("/R", revision);
  dict->AddInteger("/Length", static_cast<int32_t>(keyLength * 8));
  if (aes) {
    // One crypt filter for strings and streams, used from the moment the file is opened.
    auto filter = std::make_unique<TkvPDFDictObject>();
    filter->AddName("/AuthEvent", "/DocOpen");
    filter->AddName("/CFM", crypt.StringMethod == cmAESV3 ? "/AESV3" : "/AESV2");
    filter->AddInteger("/Length", static_cast<int32_t>(keyLength));
    auto filters = std::make_unique<TkvPDFDictObject>();
    filters->AddObject("/StdCF", std::move(filter));
    dict->AddObject("/CF", std::move(filters));
    dict->AddName("/StmF", "/StdCF");
    dict->AddName("/StrF", "/StdCF");
  }
  if (revision >= 5) {
    dict->AddObject("/OE", HexString(crypt.AES256.OE.data(), crypt.AES256.OE.size()));
    dict->AddObject("/UE", HexString(crypt.AES256.UE.data(), crypt.AES256.UE.size()));
    dict->AddObject("/Perms", HexString(crypt.AES256.Perms.data(), crypt.AES256.Perms.size()));
  }
  return dict;
}

std::unique_ptr<TkvPDFArrayObject> BuildFileIDArray(const TkvBasePDFCrypt& crypt) {
  auto array = std::make_unique<TkvPDFArrayObject>();
  array->Add(HexString(crypt.FileID.data(), crypt.FileID.size()));
  array->Add(HexString(crypt.FileID.data(), crypt.FileID.size()));
  return array;
}

}  // namespace kv
