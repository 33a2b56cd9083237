// How a saved file is protected: the key length, the two passwords and what a user who
// knows only the user password may do. A document owns one set of settings; opening an
// encrypted file fills it from what the password unlocked.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace kv {

class TkvPDFEncryption;

// The protection of the standard security handler: RC4 with 5-byte keys (revision 2) or
// 16-byte keys (revision 3), AES-128 (revision 4, crypt filters) or AES-256 (revision 6).
enum TkvPDFEncryptionLevel : uint8_t { el40bit, el128bit, elAES128, elAES256 };

enum TkvUserPermissionsType : uint8_t {
  AllowCopy,
  AllowModify,
  AllowPrint,
  AllowAnnotation,
  AllowFormFill,
  AllowAccessibility,
  AllowDocAssembly,
  AllowHighResPrint
};

// A set of permissions: bit i holds the member of ordinal i.
class TkvUserPermissions {
 public:
  constexpr TkvUserPermissions() = default;
  constexpr TkvUserPermissions(std::initializer_list<TkvUserPermissionsType> members) {
    for (auto m : members) Include(m);
  }
  static constexpr TkvUserPermissions FromBits(uint8_t bits) {
    TkvUserPermissions p;
    p.bits_ = bits;
    return p;
  }
  static constexpr TkvUserPermissions All() { return FromBits(0xFF); }
  static constexpr TkvUserPermissions None() { return FromBits(0); }

  constexpr bool Contains(TkvUserPermissionsType m) const { return (bits_ >> m) & 1u; }
  constexpr void Include(TkvUserPermissionsType m) { bits_ = static_cast<uint8_t>(bits_ | (1u << m)); }
  constexpr void Exclude(TkvUserPermissionsType m) { bits_ = static_cast<uint8_t>(bits_ & ~(1u << m)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TkvUserPermissions&) const = default;

 private:
  uint8_t bits_ = 0;
};

// What an AES-256 file's password unlocked beside the passwords: the user password cannot
// be recovered from the owner's (nor the owner's from the user's), so a file written again
// keeps the key material of a password that is not changed (all bytes).
struct TkvKeptKeys {
  int32_t Revision = 6;  // 5 or 6: the password hashing the material was made with
  std::string FileKey;   // 32 bytes
  std::string U, UE;     // the user password's hash and the file key under it
  std::string O, OE;     // the owner password's
};

// The settings refuse every change once a file was opened with its user password only
// (CanChange false), so that such a user cannot lift the owner's restrictions on save;
// the owner password then reads empty.
class TkvPDFEncryptionSettings {
 public:
  TkvPDFEncryptionSettings() = default;
  TkvPDFEncryptionSettings(const TkvPDFEncryptionSettings&) = default;
  // Plain assignment would bypass the lock; Assign checks it.
  TkvPDFEncryptionSettings& operator=(const TkvPDFEncryptionSettings&) = delete;

  bool CanChange() const { return canChange_; }
  bool Enabled() const { return enabled_; }
  TkvPDFEncryptionLevel Level() const { return level_; }
  std::string OwnerPassword() const { return canChange_ ? ownerPassword_ : std::string(); }
  const std::string& UserPassword() const { return userPassword_; }
  TkvUserPermissions UserPermissions() const { return userPermissions_; }

  // Each setter fails with "User cannot change encryption settings" when !CanChange().
  void SetEnabled(bool value);
  void SetLevel(TkvPDFEncryptionLevel value);
  void SetOwnerPassword(const std::string& value);
  void SetUserPassword(const std::string& value);
  void SetUserPermissions(TkvUserPermissions value);
  // Copies every value of `source`, its lock included (fails as a setter when !CanChange()).
  void Assign(const TkvPDFEncryptionSettings& source);

  // Sets everything from what an opened file's password unlocked, lock included,
  // whatever the current lock (a new file opened with its owner password unlocks again).
  void AssignUnlocked(TkvPDFEncryptionLevel level, const std::string& ownerPassword, const std::string& userPassword,
                      TkvUserPermissions permissions, bool canChange);
  // Keeps an opened AES-256 file's key material for the output (after AssignUnlocked, which
  // drops it). A level or user password set to another value drops all of it, an owner
  // password set to another value the owner's part.
  // `userPasswordKnown` false (opened with the owner password) until a user password is set:
  // output that cannot keep the user's key material then fails rather than write a file
  // anyone could open (see UserPasswordKnown).
  void KeepKeys(std::shared_ptr<const TkvKeptKeys> keys, bool userPasswordKnown);
  bool UserPasswordKnown() const { return userPasswordKnown_; }
  // The kept material of each password, or nullptr when that password was changed.
  const TkvKeptKeys* KeptUserKeys() const { return keptUser_ ? kept_.get() : nullptr; }
  const TkvKeptKeys* KeptOwnerKeys() const { return keptOwner_ ? kept_.get() : nullptr; }

 private:
  // The output engine reads the owner password whatever the lock: a file re-saved by a
  // user-password holder must keep an owner password that user does not know.
  friend class TkvPDFEncryption;
  void CheckCanChange() const;

  bool canChange_ = true;
  bool enabled_ = false;
  TkvPDFEncryptionLevel level_ = el128bit;
  std::string ownerPassword_;
  std::string userPassword_;
  TkvUserPermissions userPermissions_ = TkvUserPermissions::All();
  std::shared_ptr<const TkvKeptKeys> kept_;
  bool keptUser_ = false;
  bool keptOwner_ = false;
  bool userPasswordKnown_ = true;
};

}  // namespace kv
