#include "pdf/security/kvMD5.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return y ^ (z & (x ^ y)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

// One step: a = b + ((a + f(b, c, d) + x + t) <<< s). Written out for all 64 steps so the
// compiler sees constant message indices, shifts and additive constants.
#define KV_MD5_STEP(f, a, b, c, d, x, t, s) \
  a += f(b, c, d) + (x) + (t);              \
  a = RotateLeft(a, s) + (b)

}  // namespace

void TkvMD5::Reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  length_ = 0;
  buffered_ = 0;
}

void TkvMD5::Transform(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  KV_MD5_STEP(F, a, b, c, d, x[0], 0xd76aa478, 7);
  KV_MD5_STEP(F, d, a, b, c, x[1], 0xe8c7b756, 12);
  KV_MD5_STEP(F, c, d, a, b, x[2], 0x242070db, 17);
  KV_MD5_STEP(F, b, c, d, a, x[3], 0xc1bdceee, 22);
  KV_MD5_STEP(F, a, b, c, d, x[4], 0xf57c0faf, 7);
  KV_MD5_STEP(F, d, a, b, c, x[5], 0x4787c62a, 12);
  KV_MD5_STEP(F, c, d, a, b, x[6], 0xa8304613, 17);
  KV_MD5_STEP(F, b, c, d, a, x[7], 0xfd469501, 22);
  KV_MD5_STEP(F, a, b, c, d, x[8], 0x698098d8, 7);
  KV_MD5_STEP(F, d, a, b, c, x[9], 0x8b44f7af, 12);
  KV_MD5_STEP(F, c, d, a, b, x[10], 0xffff5bb1, 17);
  KV_MD5_STEP(F, b, c, d, a, x[11], 0x895cd7be, 22);
  KV_MD5_STEP(F, a, b, c, d, x[12], 0x6b901122, 7);
  KV_MD5_STEP(F, d, a, b, c, x[13], 0xfd987193, 12);
  KV_MD5_STEP(F, c, d, a, b, x[14], 0xa679438e, 17);
  KV_MD5_STEP(F, b, c, d, a, x[15], 0x49b40821, 22);

  KV_MD5_STEP(G, a, b, c, d, x[1], 0xf61e2562, 5);
  KV_MD5_STEP(G, d, a, b, c, x[6], 0xc040b340, 9);
  KV_MD5_STEP(G, c, d, a, b, x[11], 0x265e5a51, 14);
  KV_MD5_STEP(G, b, c, d, a, x[0], 0xe9b6c7aa, 20);
  KV_MD5_STEP(G, a, b, c, d, x[5], 0xd62f105d, 5);
  KV_MD5_STEP(G, d, a, b, c, x[10], 0x02441453, 9);
  KV_MD5_STEP(G, c, d, a, b, x[15], 0xd8a1e681, 14);
  KV_MD5_STEP(G, b, c, d, a, x[4], 0xe7d3fbc8, 20);
  KV_MD5_STEP(G, a, b, c, d, x[9], 0x21e1cde6, 5);
  KV_MD5_STEP(G, d, a, b, c, x[14], 0xc33707d6, 9);
  KV_MD5_STEP(G, c, d, a, b, x[3], 0xf4d50d87, 14);
  KV_MD5_STEP(G, b, c, d, a, x[8], 0x455a14ed, 20);
  KV_MD5_STEP(G, a, b, c, d, x[13], 0xa9e3e905, 5);
  KV_MD5_STEP(G, d, a, b, c, x[2], 0xfcefa3f8, 9);
  KV_MD5_STEP(G, c, d, a, b, x[7], 0x676f02d9, 14);
  KV_MD5_STEP(G, b, c, d, a, x[12], 0x8d2a4c8a, 20);

  KV_MD5_STEP(H, a, b, c, d, x[5], 0xfffa3942, 4);
  KV_MD5_STEP(H, d, a, b, c, x[8], 0x8771f681, 11);
  KV_MD5_STEP(H, c, d, a, b, x[11], 0x6d9d6122, 16);
  KV_MD5_STEP(H, b, c, d, a, x[14], 0xfde5380c, 23);
  KV_MD5_STEP(H, a, b, c, d, x[1], 0xa4beea44, 4);
  KV_MD5_STEP(H, d, a, b, c, x[4], 0x4bdecfa9, 11);
  KV_MD5_STEP(H, c, d, a, b, x[7], 0xf6bb4b60, 16);
  KV_MD5_STEP(H, b, c, d, a, x[10], 0xbebfbc70, 23);
  KV_MD5_STEP(H, a, b, c, d, x[13], 0x289b7ec6, 4);
  KV_MD5_STEP(H, d, a, b, c, x[0], 0xeaa127fa, 11);
  KV_MD5_STEP(H, c, d, a, b, x[3], 0xd4ef3085, 16);
  KV_MD5_STEP(H, b, c, d, a, x[6], 0x04881d05, 23);
  KV_MD5_STEP(H, a, b, c, d, x[9], 0xd9d4d039, 4);
  KV_MD5_STEP(H, d, a, b, c, x[12], 0xe6db99e5, 11);
  KV_MD5_STEP(H, c, d, a, b, x[15], 0x1fa27cf8, 16);
  KV_MD5_STEP(H, b, c, d, a, x[2], 0xc4ac5665, 23);

  KV_MD5_STEP(I, a, b, c, d, x[0], 0xf4292244, 6);
  KV_MD5_STEP(I, d, a, b, c, x[7], 0x432aff97, 10);
  KV_MD5_STEP(I, c, d, a, b, x[14], 0xab9423a7, 15);
  KV_MD5_STEP(I, b, c, d, a, x[5], 0xfc93a039, 21);
  KV_MD5_STEP(I, a, b, c, d, x[12], 0x655b59c3, 6);
  KV_MD5_STEP(I, d, a, b, c, x[3], 0x8f0ccc92, 10);
  KV_MD5_STEP(I, c, d, a, b, x[10], 0xffeff47d, 15);
  KV_MD5_STEP(I, b, c, d, a, x[1], 0x85845dd1, 21);
  KV_MD5_STEP(I, a, b, c, d, x[8], 0x6fa87e4f, 6);
  KV_MD5_STEP(I, d, a, b, c, x[15], 0xfe2ce6e0, 10);
  KV_MD5_STEP(I, c, d, a, b, x[6], 0xa3014314, 15);
  KV_MD5_STEP(I, b, c, d, a, x[13], 0x4e0811a1, 21);
  KV_MD5_STEP(I, a, b, c, d, x[4], 0xf7537e82, 6);
  KV_MD5_STEP(I, d, a, b, c, x[11], 0xbd3af235, 10);
  KV_MD5_STEP(I, c, d, a, b, x[2], 0x2ad7d2bb, 15);
  KV_MD5_STEP(I, b, c, d, a, x[9], 0xeb86d391, 21);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

#undef KV_MD5_STEP

void TkvMD5::Update(const void* data, size_t length) {
  // An empty string may arrive as a null pointer; memcpy must never see one.
  if (length == 0) return;
  auto p = static_cast<const uint8_t*>(data);
  length_ += length;
  if (buffered_ > 0) {
    size_t take = std::min(length, sizeof(buffer_) - buffered_);
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take;
    p += take;
    length -= take;
    if (buffered_ < sizeof(buffer_)) return;
    Transform(buffer_);
    buffered_ = 0;
  }
  for (; length >= 64; p += 64, length -= 64) Transform(p);
  if (length > 0) {
    std::memcpy(buffer_, p, length);
    buffered_ = length;
  }
}

TkvMD5::Digest TkvMD5::Final() {
  uint64_t bits = length_ * 8;
  static const uint8_t kPad[64] = {0x80};
  // Pad to 56 bytes modulo 64, leaving room for the 8-byte length.
  size_t padLength = buffered_ < 56 ? 56 - buffered_ : 120 - buffered_;
  Update(kPad, padLength);
  uint8_t lengthBytes[8];
  StoreLE32(lengthBytes, static_cast<uint32_t>(bits));
  StoreLE32(lengthBytes + 4, static_cast<uint32_t>(bits >> 32));
  Update(lengthBytes, 8);
  Digest out;
  for (int i = 0; i < 4; ++i) StoreLE32(out.data() + 4 * i, state_[i]);
  Reset();
  return out;
}

TkvMD5::Digest TkvMD5::Hash(const void* data, size_t length) {
  TkvMD5 md5;
  md5.Update(data, length);
  return md5.Final();
}

}  // namespace kv
