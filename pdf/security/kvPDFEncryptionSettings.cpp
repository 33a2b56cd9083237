#include "pdf/security/kvPDFEncryptionSettings.h"

#include "core/kvClasses.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

void TkvPDFEncryptionSettings::CheckCanChange() const {
  if (!canChange_) throw Exception(msg::SCannotChangeEncryption);
}

void TkvPDFEncryptionSettings::SetEnabled(bool value) {
  CheckCanChange();
  enabled_ = value;
}

void TkvPDFEncryptionSettings::SetLevel(TkvPDFEncryptionLevel value) {
  CheckCanChange();
  if (value != level_) keptUser_ = keptOwner_ = false;
  level_ = value;
}

void TkvPDFEncryptionSettings::SetOwnerPassword(const std::string& value) {
  CheckCanChange();
  if (value != ownerPassword_) keptOwner_ = false;
  ownerPassword_ = value;
}

// The owner's hash covers the user's, so a new user password needs new owner material too.
void TkvPDFEncryptionSettings::SetUserPassword(const std::string& value) {
  CheckCanChange();
  if (value != userPassword_) keptUser_ = keptOwner_ = false;
  userPassword_ = value;
  userPasswordKnown_ = true;
}

void TkvPDFEncryptionSettings::SetUserPermissions(TkvUserPermissions value) {
  CheckCanChange();
  userPermissions_ = value;
}

void TkvPDFEncryptionSettings::Assign(const TkvPDFEncryptionSettings& source) {
  CheckCanChange();
  enabled_ = source.enabled_;
  level_ = source.level_;
  ownerPassword_ = source.ownerPassword_;
  userPassword_ = source.userPassword_;
  userPermissions_ = source.userPermissions_;
  canChange_ = source.canChange_;
  kept_ = source.kept_;
  keptUser_ = source.keptUser_;
  keptOwner_ = source.keptOwner_;
  userPasswordKnown_ = source.userPasswordKnown_;
}

void TkvPDFEncryptionSettings::AssignUnlocked(TkvPDFEncryptionLevel level, const std::string& ownerPassword,
                                              const std::string& userPassword, TkvUserPermissions permissions,
                                              bool canChange) {
  enabled_ = true;
  level_ = level;
  ownerPassword_ = ownerPassword;
  userPassword_ = userPassword;
  userPermissions_ = permissions;
  canChange_ = canChange;
  kept_.reset();
  keptUser_ = keptOwner_ = false;
  userPasswordKnown_ = true;
}

void TkvPDFEncryptionSettings::KeepKeys(std::shared_ptr<const TkvKeptKeys> keys, bool userPasswordKnown) {
  kept_ = std::move(keys);
  keptUser_ = keptOwner_ = kept_ != nullptr;
  userPasswordKnown_ = userPasswordKnown;
}

}  // namespace kv
