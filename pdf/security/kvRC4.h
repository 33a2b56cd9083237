// The RC4 stream cipher. Encryption and decryption are the same operation: the data is
// combined with the key stream, which continues across calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

class TkvRC4 {
 public:
  // Keys of 1 to 256 bytes are what the cipher is defined for; anything else fails with
  // "RC4: Invalid key length".
  static constexpr size_t kMinKeyLength = 1;
  static constexpr size_t kMaxKeyLength = 256;

  TkvRC4(const void* key, size_t length);

  void Crypt(void* data, size_t length) { Crypt(data, data, length); }
  // `in` and `out` may be the same buffer.
  void Crypt(const void* in, void* out, size_t length);

 private:
  // Word-sized state entries: byte stores to the data could otherwise alias byte-sized
  // state, and the compiler would reload the state after every output byte.
  uint32_t s_[256];
  uint32_t i_ = 0;
  uint32_t j_ = 0;
};

}  // namespace kv
