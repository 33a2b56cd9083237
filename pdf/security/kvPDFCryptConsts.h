// Messages of the security handler.
#pragma once

namespace kv::msg {
inline constexpr const char* SRC4InvalidKeyLength = "RC4: Invalid key length";
inline constexpr const char* SInvalidFileId = "Invalid FileId.";
inline constexpr const char* SInvalidOwnerKey = "Invalid Owner Key.";
inline constexpr const char* SInvalidUserKey = "Invalid User Key.";
inline constexpr const char* SWrongPassword = "Wrong password.";
inline constexpr const char* SCannotChangeEncryption = "User cannot change encryption settings";
inline constexpr const char* SInvalidEncryptDictionary = "Invalid encryption dictionary";
inline constexpr const char* SUnsupportedSecurityHandler = "Unsupported security handler (%s)";
inline constexpr const char* SUnsupportedEncryption = "Unsupported encryption (%s)";
inline constexpr const char* SUserPasswordUnknown =
    "The user password of this file is unknown: give a new one to change its encryption";
inline constexpr const char* SAESKeyLength = "AES: Invalid key length (%d bytes)";
inline constexpr const char* SCryptoFailed = "Encryption library failure (%s)";
}  // namespace kv::msg
