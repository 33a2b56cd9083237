#include "core/kvPDFUtils.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>

#include "core/kvUtils.h"

namespace kv {

TkvDecodeFilter FilterFromName(std::string_view name) {
  if (name == "/ASCIIHexDecode") return ftASCIIHexDecode;
  if (name == "/ASCII85Decode") return ftASCII85Decode;
  if (name == "/FlateDecode" || name == "/LZWDecode") return ftFlateDecode;
  if (name == "/RunLengthDecode") return ftRunLengthDecode;
  if (name == "/DCTDecode") return ftDCTDecode;
  throw EUnsupportedFilterError(Format(msg::SUnsupportedFilterNamed, std::string(name).c_str()));
}

void AppendEscapedLiteral(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '(':
        out += "\\(";
        break;
      case ')':
        out += "\\)";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
}

std::string EscapeLiteral(std::string_view bytes) {
  std::string out;
  AppendEscapedLiteral(out, bytes);
  return out;
}

static bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::string UnescapeLiteral(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char n = text[i + 1];
    switch (n) {
      case 'n':
        out += '\n';
        ++i;
        break;
      case 'r':
        out += '\r';
        ++i;
        break;
      case 't':
        out += '\t';
        ++i;
        break;
      case 'b':
        out += '\b';
        ++i;
        break;
      case 'f':
        out += '\f';
        ++i;
        break;
      case '(':
      case ')':
      case '\\':
        out += n;
        ++i;
        break;
      default:
        if (IsOctal(n)) {
          int value = 0;
          size_t j = i + 1;
          for (int k = 0; k < 3 && j < text.size() && IsOctal(text[j]); ++k, ++j) value = value * 8 + (text[j] - '0');
          out += static_cast<char>(value & 0xFF);
          i = j - 1;
        } else {
          out += c;
          out += n;
          ++i;
        }
    }
  }
  return out;
}

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string BytesToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.resize(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    out[2 * i] = kDigits[b >> 4];
    out[2 * i + 1] = kDigits[b & 15];
  }
  return out;
}

std::string HexToBytes(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2);
  int pending = -1;
  for (char c : hex) {
    int v = HexValue(c);
    if (v < 0) {
      // Separators between digits are skipped; a non-digit in the middle of a pair ends
      // the conversion.
      if (pending >= 0) break;
      continue;
    }
    if (pending < 0) {
      pending = v;
    } else {
      out += static_cast<char>(pending * 16 + v);
      pending = -1;
    }
  }
  return out;
}

std::string TextToUnicodeHex(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::u16string units = AnsiToUtf16(text);
  std::string out = "FEFF";
  out.reserve(4 + units.size() * 4);
  for (char16_t u : units) {
    out += kDigits[(u >> 12) & 15];
    out += kDigits[(u >> 8) & 15];
    out += kDigits[(u >> 4) & 15];
    out += kDigits[u & 15];
  }
  return out;
}

std::string Utf16BEToAnsi(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(
        static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1])));
  return Utf16ToAnsi(units);
}

// Both text forms decode the whole UTF-16 text into the code page; characters it cannot
// hold become "?".
std::string HexTextToString(std::string_view hex) {
  if (hex.size() >= 4 && (hex.substr(0, 4) == "FEFF" || hex.substr(0, 4) == "feff"))
    return Utf16BEToAnsi(HexToBytes(hex.substr(4)));
  return HexToBytes(hex);
}

std::string LiteralTextToString(std::string_view raw) {
  if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFE && static_cast<unsigned char>(raw[1]) == 0xFF)
    return Utf16BEToAnsi(raw.substr(2));
  return std::string(raw);
}

static std::string NewResourceName(const char* prefix) {
  // Seeded from the clock and a process-wide random device: names must only be distinct
  // in practice, and two names in the same clock tick must still differ.
  static std::mt19937 gen(static_cast<unsigned>(std::random_device{}()) ^
                          static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<int32_t> dist(0, 2147483646);
  return std::string(prefix) + std::to_string(dist(gen));
}

std::string NewFontResourceName() { return NewResourceName("/XKRFnt"); }
std::string NewImageResourceName() { return NewResourceName("/XKRImg"); }

int64_t MakeObjectKey(int32_t owner, int32_t number, uint16_t generation) {
  if (owner < 0 || owner >= (1 << 23) || number < 0 || number > kMaxObjectNumber) return -1;
  return (static_cast<int64_t>(owner) << 40) | (static_cast<int64_t>(number) << 16) | generation;
}

static bool IsWordSeparator(char c, bool withNul) {
  return c == '\r' || c == '\n' || c == ' ' || (withNul && c == '\0');
}

std::string NextWord(std::string_view text, int& position) {
  int n = static_cast<int>(text.size());
  if (position < 1) position = 1;  // else a caller stepping on from 0 would never advance
  while (position >= 1 && position <= n && IsWordSeparator(text[static_cast<size_t>(position - 1)], true)) ++position;
  std::string word;
  while (position >= 1 && position <= n && !IsWordSeparator(text[static_cast<size_t>(position - 1)], true)) {
    word += text[static_cast<size_t>(position - 1)];
    ++position;
  }
  return word;
}

std::string PreviousWord(std::string_view text, int position, int& newPosition) {
  int p = std::clamp<int>(position - 1, 0, static_cast<int>(text.size()));
  while (p >= 1 && IsWordSeparator(text[static_cast<size_t>(p - 1)], false)) --p;
  int end = p;
  while (p >= 1 && !IsWordSeparator(text[static_cast<size_t>(p - 1)], false)) --p;
  newPosition = p;
  return std::string(text.substr(static_cast<size_t>(p), static_cast<size_t>(end - p)));
}

std::string PreviousWords(std::string_view text, int position, int n) {
  std::string rev;
  int met = 0;
  int p = std::min<int>(position - 1, static_cast<int>(text.size()));
  while (p >= 1) {
    char c = text[static_cast<size_t>(p - 1)];
    if (IsWordSeparator(c, false)) {
      if (++met >= n) break;
      rev += ' ';
    } else {
      rev += c;
    }
    --p;
  }
  return std::string(rev.rbegin(), rev.rend());
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
  if (s.empty()) return false;
  size_t i = 0;
  if (s[0] == '+') i = 1;
  if (i >= s.size()) return false;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), value);
  if (i == 1 && !s.empty() && s.size() > 1 && s[1] == '-') return false;
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool TryStrToInt(std::string_view s, int32_t& value) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v = 0;
  if (!TryStrToInt(s, v)) throw EConvertError(Format(msg::SInvalidInteger, std::string(s).c_str()));
  return v;
}

bool TryStrToFloat(std::string_view s, double& value) {
  if (s.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    i = 1;
  }
  // from_chars also takes "inf" and "nan", which are no PDF numbers.
  if (i >= s.size() || !(s[i] == '.' || (s[i] >= '0' && s[i] <= '9'))) return false;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::fixed);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  if (neg) value = -value;
  return true;
}

std::string FloatToText(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";
  char buf[512];
  // Fast paths with the same result: whole numbers, and values whose shortest exact
  // form has at most 15 significant digits (rounding to 15 digits gives those digits).
  if (std::fabs(value) < 1e15 && value == std::floor(value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(value));
    return std::string(buf, r.ptr);
  }
  if (std::fabs(value) >= 1e-4 && std::fabs(value) < 1e15) {
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    int significant = 0;
    bool leading = true;
    for (char* p = buf; p < r.ptr; ++p) {
      if (*p < '0' || *p > '9') continue;
      if (leading && *p == '0') continue;
      leading = false;
      ++significant;
    }
    if (significant <= 15 && std::find(buf, r.ptr, 'e') == r.ptr) return std::string(buf, r.ptr);
  }
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string s(buf, r.ptr);
  if (s.find('e') == std::string::npos) return s;
  // PDF numbers have no exponent: place the same (at most 15) significant digits with
  // zeros. Fixed notation of the double itself would print digits beyond the 15th.
  size_t e = s.find('e');
  bool negative = s[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  int exp10 = 0;
  size_t expStart = e + 1 + (s[e + 1] == '+' ? 1 : 0);
  std::from_chars(s.data() + expStart, s.data() + s.size(), exp10);
  s.assign(negative ? "-" : "");
  if (exp10 < 0) {
    s += "0.";
    s.append(static_cast<size_t>(-exp10 - 1), '0');
    s += digits;
  } else if (static_cast<size_t>(exp10) + 1 >= digits.size()) {
    s += digits;
    s.append(static_cast<size_t>(exp10) + 1 - digits.size(), '0');
  } else {
    s += digits.substr(0, static_cast<size_t>(exp10) + 1);
    s += '.';
    s += digits.substr(static_cast<size_t>(exp10) + 1);
  }
  if (s.empty() || s == "-0") s.assign(1, '0');
  return s;
}

}  // namespace kv
