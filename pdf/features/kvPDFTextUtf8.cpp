#include "pdf/features/kvPDFTextUtf8.h"

#include "core/kvPDFUtils.h"
#include "core/kvUtils.h"

namespace kv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// PDFDocEncoding where it differs from Latin-1: 0x18-0x1F and 0x80-0xA0 (0 = no character).
constexpr char16_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
                                0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
                                0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

char32_t FromDocEncoding(unsigned char c) {
  if (c >= 0x18 && c <= 0x1F) return kLow[c - 0x18];
  if (c >= 0x80 && c <= 0xA0) return kHigh[c - 0x80] ? kHigh[c - 0x80] : kReplacement;
  if (c == 0xAD) return kReplacement;
  return c;
}

// UTF-16 code units; characters beyond the first plane as surrogate pairs.
void Append(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// Big-endian code units; a surrogate without its partner names no character.
std::u16string FromUtf16BE(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units +=
        static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]));
  for (size_t i = 0; i < units.size(); ++i) {
    bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
    bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      ++i;
    else if (high || low)
      units[i] = kReplacement;
  }
  return units;
}

// The next character of UTF-8 text at `i`, which moves past it; a malformed sequence
// gives U+FFFD for its first byte.
char32_t NextUtf8(std::string_view text, size_t& i) {
  auto c = static_cast<unsigned char>(text[i++]);
  if (c < 0x80) return c;
  int extra = (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) > text.size()) return kReplacement;
  char32_t v = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
    if ((b & 0xC0) != 0x80) return kReplacement;
    v = (v << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (v < kMin[extra] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return kReplacement;
  i += static_cast<size_t>(extra);
  return v;
}

}  // namespace

std::string PDFTextToUtf8(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
    return Utf16ToUtf8(FromUtf16BE(bytes.substr(2)));
  std::u16string units;
  units.reserve(bytes.size());
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    for (size_t i = 3; i < bytes.size();) Append(units, NextUtf8(bytes, i));
  } else {
    for (char c : bytes) Append(units, FromDocEncoding(static_cast<unsigned char>(c)));
  }
  return Utf16ToUtf8(units);
}

std::unique_ptr<TkvPDFStringObject> MakeUtf8TextString(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::make_unique<TkvPDFStringObject>("(" + std::string(text) + ")", false);
  std::u16string units;
  for (size_t i = 0; i < text.size();) Append(units, NextUtf8(text, i));
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  }
  return std::make_unique<TkvPDFStringObject>("<FEFF" + BytesToHex(bytes) + ">", true);
}

}  // namespace kv
