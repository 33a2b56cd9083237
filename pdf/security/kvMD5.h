// The MD5 message digest (RFC 1321), which the standard security handler uses to derive
// file and object keys. Incremental: feed any number of pieces, then take the digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv {

class TkvMD5 {
 public:
  using Digest = std::array<uint8_t, 16>;

  TkvMD5() { Reset(); }
  void Reset();
  void Update(const void* data, size_t length);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // Pads the message, returns its digest and leaves the object ready for a new message.
  Digest Final();

  static Digest Hash(const void* data, size_t length);
  static Digest Hash(std::string_view bytes) { return Hash(bytes.data(), bytes.size()); }

 private:
  void Transform(const uint8_t* block);

  uint32_t state_[4];
  uint64_t length_;  // bytes fed so far
  uint8_t buffer_[64];
  size_t buffered_;
};

}  // namespace kv
