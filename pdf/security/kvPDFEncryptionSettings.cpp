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
  level_ = value;
}

void TkvPDFEncryptionSettings::SetOwnerPassword(const std::string& value) {
  CheckCanChange();
  ownerPassword_ = value;
}

void TkvPDFEncryptionSettings::SetUserPassword(const std::string& value) {
  CheckCanChange();
  userPassword_ = value;
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
}

}  // namespace kv
