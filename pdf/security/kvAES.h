// AES (128 and 256-bit keys) and the SHA-2 digests of the security handler's AES
// revisions, through OpenSSL's libcrypto: the published algorithms from a well-kept
// library rather than code of our own. Random bytes come from the same library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

inline constexpr size_t kAESBlockSize = 16;

// CBC with PKCS#7 padding, as strings and streams are encrypted: the output is the IV (16
// bytes) followed by the cipher text. `key` is 16 or 32 bytes, `iv` 16 bytes.
std::string AESEncryptCBC(std::string_view key, std::string_view iv, std::string_view data);
// The reverse of AESEncryptCBC on what a file holds, which is often not quite right: data
// shorter than one block gives nothing, a partial last block is dropped, and padding that
// is not valid is left on rather than failing.
std::string AESDecryptCBC(std::string_view key, std::string_view ivAndData);
// CBC without padding over whole blocks (a partial last block is dropped), for the key
// material of the AES-256 revisions; an empty IV means sixteen zero bytes.
std::string AESCryptRaw(std::string_view key, std::string_view iv, std::string_view data, bool encrypt);

// SHA-256, SHA-384 or SHA-512 by `bits`.
std::string SHA2(int bits, std::string_view data);
// `count` bytes from the library's cryptographic random generator.
std::string RandomBytes(size_t count);

}  // namespace kv
