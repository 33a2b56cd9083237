#include "pdf/security/kvRC4.h"

#include <utility>

#include "core/kvClasses.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

TkvRC4::TkvRC4(const void* key, size_t length) {
  if (length < kMinKeyLength || length > kMaxKeyLength) throw Exception(msg::SRC4InvalidKeyLength);
  auto k = static_cast<const uint8_t*>(key);
  for (uint32_t n = 0; n < 256; ++n) s_[n] = n;
  uint32_t j = 0;
  size_t keyIndex = 0;
  for (uint32_t n = 0; n < 256; ++n) {
    j = (j + s_[n] + k[keyIndex]) & 0xFF;
    std::swap(s_[n], s_[j]);
    if (++keyIndex == length) keyIndex = 0;
  }
}

void TkvRC4::Crypt(const void* in, void* out, size_t length) {
  auto src = static_cast<const uint8_t*>(in);
  auto dst = static_cast<uint8_t*>(out);
  // The state is reached only through this pointer while the loop runs; locals keep the
  // indices in registers.
  uint32_t* __restrict s = s_;
  uint32_t i = i_, j = j_;
  for (size_t n = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    uint32_t si = s[i];
    j = (j + si) & 0xFF;
    uint32_t sj = s[j];
    s[i] = sj;
    s[j] = si;
    dst[n] = static_cast<uint8_t>(src[n] ^ s[(si + sj) & 0xFF]);
  }
  i_ = i;
  j_ = j;
}

}  // namespace kv
