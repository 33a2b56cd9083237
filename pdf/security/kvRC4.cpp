#include "pdf/security/kvRC4.h"

#include <utility>

#include "core/kvClasses.h"
#include "pdf/security/kvPDFCryptConsts.h"

namespace kv {

TkvRC4::TkvRC4(const void* key, size_t length) {
  if (length < kMinKeyLength || length > kMaxKeyLength) throw Exception(msg::SRC4InvalidKeyLength);
  auto k = static_cast<const uint8_t*>(key);
  for (int n = 0; n < 256; ++n) s_[n] = static_cast<uint8_t>(n);
  uint8_t j = 0;
  size_t keyIndex = 0;
  for (int n = 0; n < 256; ++n) {
    j = static_cast<uint8_t>(j + s_[n] + k[keyIndex]);
    std::swap(s_[n], s_[j]);
    if (++keyIndex == length) keyIndex = 0;
  }
}

void TkvRC4::Crypt(const void* in, void* out, size_t length) {
  auto src = static_cast<const uint8_t*>(in);
  auto dst = static_cast<uint8_t*>(out);
  // Local copies of the indices keep them in registers through the loop.
  uint8_t i = i_, j = j_;
  for (size_t n = 0; n < length; ++n) {
    i = static_cast<uint8_t>(i + 1);
    uint8_t si = s_[i];
    j = static_cast<uint8_t>(j + si);
    uint8_t sj = s_[j];
    s_[i] = sj;
    s_[j] = si;
    dst[n] = src[n] ^ s_[static_cast<uint8_t>(si + sj)];
  }
  i_ = i;
  j_ = j;
}

}  // namespace kv
