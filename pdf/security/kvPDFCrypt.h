// The standard security handler (filter /Standard): revisions 2 and 3 (RC4 with 40- to
// 128-bit keys), 4 (crypt filters: AES-128 or RC4) and 5 and 6 (AES-256 with SHA-2 password
// hashing): password checks and file keys, the per-object keys that decrypt strings and
// streams while a file is read, and the engine that encrypts a file being written.
//
// The document layer needs four calls:
//   opening:  AuthenticateStandardSecurity(trailer /Encrypt, trailer /ID, password, settings)
//             gives an authenticated TkvPDFDecrypt for the reader, or raises EPasswordError;
//   writing:  TkvPDFEncryption::Create("Output1.pdf", settings, creationDate), then
//             EncryptString(bytes, outputNumber) for every string and stream,
//             BuildEncryptionDictionary(engine) and BuildFileIDArray(engine) for the trailer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/kvClasses.h"
#include "core/kvPDFUtils.h"
#include "pdf/objects/kvPDFObjects.h"
#include "pdf/parser/kvPDFParsers.h"
#include "pdf/security/kvPDFEncryptionSettings.h"
#include "pdf/security/kvRC4.h"

namespace kv {

// No password given opens the file.
KV_DECLARE_EXCEPTION(EPasswordError, EPDFException)
// The file is protected by a handler or an algorithm this library does not implement
// (another security handler, AES, crypt filters); the message names which.
KV_DECLARE_EXCEPTION(EUnsupportedEncryptionError, EPDFException)

// The password padding of the standard security handler.
inline constexpr std::array<uint8_t, 32> kPasswordPadding = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

// How strings or streams are encrypted: not at all (the identity crypt filter), RC4 with
// the object key, AES-128 with the object key (AESV2), or AES-256 with the file key (AESV3).
enum TkvCryptMethod : uint8_t { cmNone, cmRC4, cmAESV2, cmAESV3 };

// The key material of revisions 5 and 6 (bytes): /O and /U (48 bytes each: hash, validation
// salt, key salt), /OE and /UE (the file key encrypted under each password, 32 bytes) and
// /Perms (16 bytes).
struct TkvAES256Entries {
  std::string O, U, OE, UE, Perms;
};

// The state shared by reading and writing: the encryption dictionary's values, the file
// key and the permissions. Level fixes the usual sets (40 bits with revision 2, 128 bits
// with revision 3, AES-128 with revision 4, AES-256 with revision 6); files that pair them
// otherwise (a 40-bit key under revision 3, keys of 48 to 120 bits, RC4 crypt filters) set
// Revision, KeyLength and the methods, which override what Level implies.
class TkvBasePDFCrypt {
 public:
  using TPadded = std::array<uint8_t, 32>;
  struct TObjectKey {
    std::array<uint8_t, 16> Bytes{};
    size_t Length = 0;
  };

  TkvBasePDFCrypt() = default;
  virtual ~TkvBasePDFCrypt() = default;

  TkvPDFEncryptionLevel Level = el128bit;
  std::string FileID;  // bytes
  std::array<uint8_t, 32> OwnerKey{};
  std::array<uint8_t, 32> UserKey{};
  TkvUserPermissions Permissions = TkvUserPermissions::All();
  std::array<uint8_t, 4> P{};  // low byte first
  bool IsOwner = false;
  std::array<uint8_t, 32> Key{};  // the file key; bytes beyond the key length are zero
  int32_t Revision = 0;           // 0: as Level implies (2, 3, 4 or 6)
  int32_t KeyLength = 0;          // in bytes, 5 to 16, or 32; 0: as Level implies
  // The crypt filters of strings and streams (revision 4 and later name them).
  TkvCryptMethod StringMethod = cmRC4;
  TkvCryptMethod StreamMethod = cmRC4;
  // False when the file leaves its metadata streams in the clear (revision 4 and later).
  bool EncryptMetadata = true;
  TkvAES256Entries AES256;  // revisions 5 and 6

  int32_t EffectiveRevision() const;
  size_t EffectiveKeyLength() const;
  // What Level implies when no file said otherwise.
  TkvCryptMethod LevelMethod() const;

  // `text` is 32 hexadecimal digits, else "Invalid FileId.".
  void SetFileID(std::string_view text);
  // Any bytes: files whose identifier is not 16 bytes of hex still open.
  void SetFileIDBytes(std::string_view bytes) { FileID = bytes; }
  // `value` is a string object's value with its delimiters: "<hex>" is decoded, "(bytes)"
  // copied; 32 bytes at most. An empty value fails ("Invalid Owner Key." / "Invalid User Key.").
  void SetOwnerKey(std::string_view value);
  void SetUserKey(std::string_view value);
  // /P as read, 4294967292 or -4: the low 32 bits are the permission bits.
  void SetP(int64_t value);
  int32_t PValue() const;

  // Tries `password` as the owner password, then as the user password. On success Key is
  // the file key, Permissions what the password grants, and `settings` is filled from
  // the file (locked against changes when only the user password was given).
  bool Authenticate(TkvPDFEncryptionSettings& settings, std::string_view password);

  // Decrypts by the string or stream method: RC4 in place, AES to the data without its
  // IV and padding.
  void DecryptString(std::string& bytes, int32_t objectNumber, int32_t generation);
  void DecryptStream(TkvMemoryStream& stream, int32_t objectNumber, int32_t generation);
  // RC4 with the object key, in place. Encryption is the same operation.
  void CryptBuffer(void* data, size_t length, int32_t objectNumber, int32_t generation);
  // The AES key of an object: the file key itself for AES-256, else MD5 of the file key,
  // the object number and generation and "sAlT".
  std::string AESObjectKey(TkvCryptMethod method, int32_t objectNumber, int32_t generation) const;
  // MD5 of the file key, three bytes of the object number and two of the generation;
  // the first key length + 5 bytes (16 at most).
  TObjectKey ObjectKey(int32_t objectNumber, int32_t generation) const;

  // The bytes of a string object's value with its delimiters (hex decoded, literal bytes
  // as they are).
  static std::string StringBytes(std::string_view value);
  static TPadded PadPassword(std::string_view password);
  // The password whose padded form is `padded`.
  static std::string UnpadPassword(const TPadded& padded);

 protected:
  // The file key for a padded user password, with this object's /O, /P and file identifier.
  // (The RC4 file key is at most 16 bytes; the rest of the array is zero.)
  std::array<uint8_t, 32> ComputeFileKey(const TPadded& paddedUser) const;
  // The RC4 key that encrypts the padded user password into /O.
  std::array<uint8_t, 16> OwnerRC4Key(const TPadded& paddedOwner) const;
  // /U for a file key.
  std::array<uint8_t, 32> ComputeUserKey(const std::array<uint8_t, 32>& fileKey) const;
  // RC4 over `data` once (revision 2) or 20 times with the key XOR 19 down to 0
  // (decrypting) or XOR 0 up to 19 (encrypting).
  void CryptRounds(const uint8_t* key, uint8_t* data, size_t length, bool encrypting) const;
  template <size_t N>
  void CryptRounds(const std::array<uint8_t, N>& key, uint8_t* data, size_t length, bool encrypting) const {
    static_assert(N >= 16);
    CryptRounds(key.data(), data, length, encrypting);
  }

  // Sets Key and returns true when `paddedUser` is the padded user password.
  bool CheckPaddedUserPassword(const TPadded& paddedUser);
  // Revisions 5 and 6: sets Key from /OE or /UE when `password` is that password.
  bool CheckAES256Owner(std::string_view password);
  bool CheckAES256User(std::string_view password);
  bool AuthenticateAES256(TkvPDFEncryptionSettings& settings, std::string_view password);
  void DecryptBytes(TkvCryptMethod method, std::string& bytes, int32_t objectNumber, int32_t generation);
  // Returns true when `password` is the owner password; `paddedUser` receives the padded
  // user password recovered from /O.
  bool CheckOwnerPassword(std::string_view password, TPadded& paddedUser);
  void ReducePermissionsByP();

 private:
  const TkvRC4& CachedCipher(int32_t objectNumber, int32_t generation);

  // Strings of one object are decrypted one after another: the object key and the
  // cipher's key schedule are computed once and the schedule copied for each string.
  std::optional<TkvRC4> cachedCipher_;
  std::array<uint8_t, 32> cachedFileKey_{};
  size_t cachedKeyLength_ = 0;
  int32_t cachedObject_ = -1;
  int32_t cachedGeneration_ = -1;
};

// Decrypts strings and streams for the reader.
class TkvPDFDecrypt : public TkvBasePDFCrypt, public TkvPDFDecryptor {
 public:
  using TkvBasePDFCrypt::DecryptStream;
  void DecryptString(std::string& bytes, int32_t objectNumber, int32_t generation) override {
    TkvBasePDFCrypt::DecryptString(bytes, objectNumber, generation);
  }
  // Decrypts in place and hands back the same stream.
  std::unique_ptr<TkvMemoryStream> DecryptStream(std::unique_ptr<TkvMemoryStream> stream, int32_t objectNumber,
                                                 int32_t generation) override;
  // Cross-reference streams, metadata left in the clear and streams whose own crypt filter
  // is the identity are not decrypted.
  bool EncryptsStream(const TkvPDFDictObject* dict) const override;
};

// Encrypts a file being written: the engine derives a new file identifier, /O, /U, /P and
// the file key from the settings. Objects are written with generation 0.
class TkvPDFEncryption : public TkvBasePDFCrypt {
 public:
  // `name` and `creationDate` make the file identifier (MD5 of the two), so two saves of
  // one document with the same /CreationDate get the same identifier.
  TkvPDFEncryption(std::string_view name, const TkvPDFEncryptionSettings& settings, std::string_view creationDate);
  static std::unique_ptr<TkvPDFEncryption> Create(std::string_view name, const TkvPDFEncryptionSettings& settings,
                                                  std::string_view creationDate) {
    return std::make_unique<TkvPDFEncryption>(name, settings, creationDate);
  }

  std::string OwnerPassword;
  std::string UserPassword;
  TPadded PaddedOwnerPassword{};
  TPadded PaddedUserPassword{};

  // `text` is the string's or stream's bytes (hex decoded, FEFF marker kept). AES output
  // is longer than its input (a random IV and padding): see EncryptedLength.
  std::string EncryptString(std::string_view text, int32_t objectNumber);
  // The length EncryptString gives for `length` bytes.
  int64_t EncryptedLength(int64_t length) const;

 private:
  // /U, /UE, /O, /OE, /Perms and the file key of AES-256, from the passwords or from what
  // the settings kept of an opened file.
  void MakeAES256Entries(const TkvPDFEncryptionSettings& settings);

  // /P from the permissions: the reserved bits set, then the bit of each granted permission.
  static int32_t ComputePValue(TkvUserPermissions permissions, TkvPDFEncryptionLevel level);
};

// Steps that open a file protected by the standard security handler, before any
// password is tried: checks that the handler and algorithm are supported (else
// EUnsupportedEncryptionError naming what is not), then takes the file identifier (the
// first /ID string's bytes; none when /ID is absent), /O, /U, /P (an integer, else
// EInvalidPermission) and the key length and revision. Crypt filters (/V 4) and AES-256
// (/V 5) are read only with `modern` (the reader's ReadModernFiles), else refused.
std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFDictObject& encryptDict,
                                                    const TkvPDFArrayObject* trailerID, bool modern = false);
// The same from the trailer's /Encrypt value (a dictionary, or an indirect object holding one).
std::unique_ptr<TkvPDFDecrypt> OpenStandardSecurity(const TkvPDFObject* encrypt, const TkvPDFArrayObject* trailerID,
                                                    bool modern = false);
// OpenStandardSecurity followed by Authenticate; EPasswordError "Wrong password." when
// the password is neither the owner's nor the user's.
std::unique_ptr<TkvPDFDecrypt> AuthenticateStandardSecurity(const TkvPDFObject* encrypt,
                                                            const TkvPDFArrayObject* trailerID,
                                                            std::string_view password,
                                                            TkvPDFEncryptionSettings& settings, bool modern = false);

// The encryption dictionary of a written file: /Filter /Standard, /O and /U as hex
// strings, /P as an unsigned 32-bit number, /V, /R and /Length; for AES the crypt filter
// (/CF /StdCF, /StmF, /StrF) and at AES-256 /OE, /UE and /Perms.
std::unique_ptr<TkvPDFDictObject> BuildEncryptionDictionary(const TkvBasePDFCrypt& crypt);
// The trailer /ID of a written file: the file identifier as a hex string, twice.
std::unique_ptr<TkvPDFArrayObject> BuildFileIDArray(const TkvBasePDFCrypt& crypt);

}  // namespace kv
