#include "pdf/features/kvFieldText.h"

#include "core/kvUtils.h"
#include "pdf/filters/kvFilterDispatch.h"

namespace kv {

namespace {

// PDFDocEncoding where it differs from Latin-1: codes 0x18..0x1F and 0x80..0xA0
// (0 marks a code without a character).
constexpr char16_t kDocLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kDocHigh[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                   0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                   0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                   0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000 && c <= 0x10FFFF) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (char32_t c : Utf8ToCodePoints(text)) AppendUtf16(out, c);
  return out;
}

std::u16string DocEncodingToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    char16_t u = b;
    if (b >= 0x18 && b <= 0x1F) u = kDocLow[b - 0x18];
    if (b >= 0x80 && b <= 0xA0) u = kDocHigh[b - 0x80];
    out.push_back(u ? u : u'?');
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsPlainAscii(std::string_view text) {
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    if ((b < 0x20 || b > 0x7E) && b != '\n' && b != '\r' && b != '\t') return false;
  }
  return true;
}

}  // namespace

std::u32string Utf8ToCodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = len > 0 && i + len <= text.size();
    for (size_t k = 1; valid && k < len; ++k) {
      auto cont = static_cast<unsigned char>(text[i + k]);
      valid = (cont & 0xC0) == 0x80;
      c = (c << 6) | (cont & 0x3F);
    }
    if (!valid) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(c);
    i += len;
  }
  return out;
}

std::string Utf8ToText(std::string_view text) {
  if (GetACP() == 65001) return std::string(text);
  return Utf16ToAnsi(Utf8ToUtf16(text));
}

std::string PDFTextToText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
    return Utf16BEToAnsi(bytes.substr(2));
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToText(bytes.substr(3));
  if (IsPlainAscii(bytes)) return std::string(bytes);
  return Utf16ToAnsi(DocEncodingToUtf16(bytes));
}

std::string StringObjectText(const TkvPDFStringObject& str) { return PDFTextToText(str.RawBytes()); }

std::string NameObjectText(const TkvPDFNameObject& name) {
  std::string_view v = name.Value;
  if (!v.empty() && v[0] == '/') v.remove_prefix(1);
  std::string out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    int hi = 0, lo = 0;
    if (v[i] == '#' && i + 2 < v.size() && (hi = HexDigit(v[i + 1])) >= 0 && (lo = HexDigit(v[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += v[i];
    }
  }
  return out;
}

std::string FieldValueText(const TkvPDFObject* value) {
  if (!value) return {};
  if (const auto* name = CastIfKind<TkvPDFNameObject>(value)) return NameObjectText(*name);
  if (const auto* text = CastIfKind<TkvPDFStringObject>(value)) return StringObjectText(*text);
  if (const auto* stream = CastIfKind<TkvPDFStreamObject>(value)) {
    if (!stream->Data) return {};
    // A value whose data does not decode reads as empty: the field stays usable.
    try {
      TkvMemoryStream data(std::string(stream->DataBytes()));
      std::unique_ptr<TkvMemoryStream> decoded = DecodeWithFilters(data, stream->Dictionary->GetValue("/Filter"));
      return PDFTextToText(decoded->Bytes());
    } catch (const Exception&) {
      return {};
    }
  }
  return {};
}

std::unique_ptr<TkvPDFStringObject> MakeFieldTextString(std::string_view text) {
  if (IsPlainAscii(text)) return std::make_unique<TkvPDFStringObject>("(" + std::string(text) + ")", false);
  return std::make_unique<TkvPDFStringObject>("<" + TextToUnicodeHex(text) + ">", true);
}

std::unique_ptr<TkvPDFNameObject> MakeFieldName(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string name = "/";
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    bool plain = b > 0x20 && b < 0x7F && std::string_view("()<>[]{}/%#").find(ch) == std::string_view::npos;
    if (plain) {
      name += ch;
    } else {
      name += '#';
      name += kDigits[b >> 4];
      name += kDigits[b & 15];
    }
  }
  return std::make_unique<TkvPDFNameObject>(std::move(name));
}

}  // namespace kv
