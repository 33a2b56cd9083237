#include "core/kvUtils.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kv {
namespace {

int g_codePage = 0;  // 0 until derived from the locale
int g_screenPpi = 96;

struct CharsetEntry {
  int codePage;
  const char* charset;
};

// Code pages the library knows by number, with the codeset iconv uses for them.
constexpr CharsetEntry kCharsets[] = {
    {65001, "UTF-8"},      {1250, "CP1250"},       {1251, "CP1251"},      {1252, "CP1252"},      {1253, "CP1253"},
    {1254, "CP1254"},      {1255, "CP1255"},       {1256, "CP1256"},      {1257, "CP1257"},      {1258, "CP1258"},
    {874, "CP874"},        {932, "CP932"},         {936, "GBK"},          {949, "CP949"},        {950, "BIG5"},
    {20866, "KOI8-R"},     {21866, "KOI8-U"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28595, "ISO-8859-5"},
    {28597, "ISO-8859-7"}, {28605, "ISO-8859-15"}, {20932, "EUC-JP"},     {51949, "EUC-KR"},     {54936, "GB18030"},
    {437, "CP437"},        {850, "CP850"},         {866, "CP866"},
};

std::string Normalise(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != '-' && c != '_') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

int DeriveFromLocale() {
  // The locale the user asked for through the environment, without changing the
  // program's own locale for good.
  const char* saved = std::setlocale(LC_CTYPE, nullptr);
  std::string savedName = saved ? saved : "C";
  std::setlocale(LC_CTYPE, "");
  const char* cs = nl_langinfo(CODESET);
  int cp = CodePageFromCharset(cs ? cs : "");
  std::setlocale(LC_CTYPE, savedName.c_str());
  return cp;
}

std::string Convert(const char* to, const char* from, const char* in, size_t inBytes, size_t unit,
                    const char* replacement, size_t replacementBytes) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  out.resize(inBytes * 4 + 16);
  char* inPtr = const_cast<char*>(in);
  size_t inLeft = inBytes;
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(outPtr - out.data());
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: the character cannot be converted; write the replacement and
    // move past one input unit.
    if (outLeft < replacementBytes) {
      size_t used = static_cast<size_t>(outPtr - out.data());
      out.resize(out.size() * 2 + replacementBytes);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    std::memcpy(outPtr, replacement, replacementBytes);
    outPtr += replacementBytes;
    outLeft -= replacementBytes;
    size_t skip = std::min(unit, inLeft);
    // From UTF-16LE, a character outside the basic plane is a surrogate pair: one "?".
    auto codeUnit = [&](size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(inPtr[at]) |
                                   (static_cast<unsigned char>(inPtr[at + 1]) << 8));
    };
    if (unit == 2 && inLeft >= 4 && (codeUnit(0) & 0xFC00) == 0xD800 && (codeUnit(2) & 0xFC00) == 0xDC00) skip = 4;
    inPtr += skip;
    inLeft -= skip;
  }
  out.resize(static_cast<size_t>(outPtr - out.data()));
  iconv_close(cd);
  return out;
}

}  // namespace

int CodePageFromCharset(std::string_view charset) {
  std::string n = Normalise(charset);
  if (n.empty() || n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" || n == "ISO88591" || n == "C" ||
      n == "POSIX" || n == "LATIN1")
    return 1252;
  if (n == "UTF8") return 65001;
  for (const auto& e : kCharsets)
    if (Normalise(e.charset) == n) return e.codePage;
  if (n.rfind("WINDOWS", 0) == 0) {
    std::string num = n.substr(7);
    for (const auto& e : kCharsets)
      if (Normalise(e.charset) == "CP" + num) return e.codePage;
  }
  return 1252;
}

std::string CodePageCharset(int codePage) {
  for (const auto& e : kCharsets)
    if (e.codePage == codePage) return e.charset;
  return "CP" + std::to_string(codePage);
}

int GetACP() {
  if (g_codePage == 0) g_codePage = DeriveFromLocale();
  return g_codePage;
}

void SetACP(int codePage) { g_codePage = codePage; }

std::u16string AnsiToUtf16(std::string_view text) {
  if (text.empty()) return {};
  std::string cs = CodePageCharset(GetACP());
  static const char16_t kQuestion = u'?';
  std::string raw =
      Convert("UTF-16LE", cs.c_str(), text.data(), text.size(), 1, reinterpret_cast<const char*>(&kQuestion), 2);
  std::u16string out;
  out.reserve(raw.size() / 2);
  for (size_t i = 0; i + 1 < raw.size(); i += 2)
    out.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8)));
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  std::string raw;
  raw.reserve(text.size() * 2);
  for (char16_t u : text) {
    raw.push_back(static_cast<char>(u & 0xFF));
    raw.push_back(static_cast<char>(u >> 8));
  }
  std::string cs = CodePageCharset(GetACP());
  return Convert(cs.c_str(), "UTF-16LE", raw.data(), raw.size(), 2, "?", 1);
}

std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
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
  return out;
}

std::string AnsiToUtf8(std::string_view text) {
  if (GetACP() == 65001) return std::string(text);
  return Utf16ToUtf8(AnsiToUtf16(text));
}

int ScreenPixelsPerInch() { return g_screenPpi; }
void SetScreenPixelsPerInch(int ppi) { g_screenPpi = ppi > 0 ? ppi : 96; }

}  // namespace kv
