// ASCII base-85: four bytes as five digits "!".."u", "z" for four zero bytes, ended by "~>".
#include <cstdint>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr uint32_t LoadBigEndian(const unsigned char* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// The five digits of `value`, most significant first.
void ToDigits(uint32_t value, char* digits) {
  for (int i = 4; i >= 0; --i) {
    digits[i] = static_cast<char>('!' + value % 85);
    value /= 85;
  }
}

void StoreBigEndian(uint64_t value, char* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<char>(value >> (24 - 8 * i));
}

bool IsAscii85Space(unsigned char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

std::string Ascii85Encode(std::string_view data) {
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  const size_t groups = data.size() / 4;
  const size_t tail = data.size() % 4;
  std::string out(groups * 5 + tail + 1 + 2, '\0');
  char* p = out.data();
  for (size_t g = 0; g < groups; ++g, in += 4) {
    const uint32_t value = LoadBigEndian(in);
    if (value == 0) {
      *p++ = 'z';
    } else {
      ToDigits(value, p);
      p += 5;
    }
  }
  if (tail > 0) {
    // The final partial group is padded with zeros and never shortened to "z".
    unsigned char last[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < tail; ++i) last[i] = in[i];
    char digits[5];
    ToDigits(LoadBigEndian(last), digits);
    for (size_t i = 0; i <= tail; ++i) *p++ = digits[i];
  }
  *p++ = '~';
  *p++ = '>';
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

std::string Ascii85Decode(std::string_view data) {
  if (data.size() < 2 || data.substr(data.size() - 2) != "~>") throw Exception(msg::SEndOfDataMarker);
  data.remove_suffix(2);
  std::string out;
  out.reserve(data.size() / 5 * 4 + 4);
  uint64_t value = 0;
  int digits = 0;
  char bytes[4];
  for (unsigned char c : data) {
    if (IsAscii85Space(c)) continue;
    if (c == 'z') {
      if (digits != 0) throw Exception(msg::SZInsideGroup);
      out.append(4, '\0');
      continue;
    }
    if (c < '!' || c > 'u') throw Exception(msg::SIllegalCharacter);
    value = value * 85 + (c - '!');
    if (++digits == 5) {
      // "s8W-!" is the largest group that fits; anything above would be silently cut.
      if (value > UINT32_MAX) throw Exception(msg::SAscii85GroupOverflow);
      StoreBigEndian(value, bytes, 4);
      out.append(bytes, 4);
      value = 0;
      digits = 0;
    }
  }
  if (digits == 1) throw Exception(msg::SSingleFinalCharacter);
  if (digits > 1) {
    // Completing with the highest digit rounds the dropped low bytes up into the kept
    // ones (with carry), which gives back exactly the bytes the encoder shortened.
    const int kept = digits - 1;
    for (; digits < 5; ++digits) value = value * 85 + 84;
    if (value > UINT32_MAX) throw Exception(msg::SAscii85GroupOverflow);
    StoreBigEndian(value, bytes, kept);
    out.append(bytes, static_cast<size_t>(kept));
  }
  return out;
}

}  // namespace kv::codec
