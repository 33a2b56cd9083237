#include "pdf/features/kvPDFTextUtf8.h"

#include "core/kvPDFUtils.h"

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

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf16BEToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](size_t i) {
    return static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                 static_cast<unsigned char>(bytes[i + 1]));
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      char16_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
  }
  return out;
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
    return Utf16BEToUtf8(bytes.substr(2));
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    std::string out;
    for (size_t i = 3; i < bytes.size();) AppendUtf8(out, NextUtf8(bytes, i));
    return out;
  }
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(out, FromDocEncoding(static_cast<unsigned char>(c)));
  return out;
}

std::unique_ptr<TkvPDFStringObject> MakeUtf8TextString(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::make_unique<TkvPDFStringObject>("(" + std::string(text) + ")", false);
  std::string units;
  units.reserve(text.size() * 2);
  auto put = [&](char32_t u) {
    units += static_cast<char>(u >> 8);
    units += static_cast<char>(u & 0xFF);
  };
  for (size_t i = 0; i < text.size();) {
    char32_t c = NextUtf8(text, i);
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return std::make_unique<TkvPDFStringObject>("<FEFF" + BytesToHex(units) + ">", true);
}

}  // namespace kv
