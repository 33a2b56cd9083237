#include "pdf/fonts/kvFontEncodings.h"

#include <iconv.h>

#include <cctype>
#include <map>

#include "core/kvUtils.h"

namespace kv {
namespace {

using Table = std::array<char16_t, 256>;

Table AsciiTable() {
  Table t{};
  for (int c = 0x20; c < 0x7F; ++c) t[c] = static_cast<char16_t>(c);
  return t;
}

// Code page 1252: Latin-1 with the printing characters it places at 0x80..0x9F.
constexpr char16_t kWin80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                 0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

Table WinAnsiTable() {
  Table t = AsciiTable();
  for (int c = 0; c < 32; ++c) t[0x80 + c] = kWin80[c];
  for (int c = 0xA0; c <= 0xFF; ++c) t[c] = static_cast<char16_t>(c);
  return t;
}

// PDFDocEncoding: accents at 0x18..0x1F, typographic characters at 0x80..0xA0, Latin-1
// above (0xAD undefined).
constexpr char16_t kPdfDoc18[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kPdfDoc80[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                    0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                    0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                    0x0142, 0x0153, 0x0161, 0x017E, 0,      0x20AC};

Table PdfDocTable() {
  Table t = AsciiTable();
  t[0x09] = 0x09;
  t[0x0A] = 0x0A;
  t[0x0D] = 0x0D;
  for (int c = 0; c < 8; ++c) t[0x18 + c] = kPdfDoc18[c];
  for (int c = 0; c < 33; ++c) t[0x80 + c] = kPdfDoc80[c];
  for (int c = 0xA1; c <= 0xFF; ++c) t[c] = static_cast<char16_t>(c);
  t[0xAD] = 0;
  return t;
}

// The standard Latin encoding of Type 1 fonts: ASCII with curly quotes, and its own
// placement of the accents and ligatures above 0xA0.
constexpr struct {
  uint8_t code;
  char16_t ch;
} kStandardHigh[] = {{0xA1, 0x00A1}, {0xA2, 0x00A2}, {0xA3, 0x00A3}, {0xA4, 0x2044}, {0xA5, 0x00A5}, {0xA6, 0x0192},
                     {0xA7, 0x00A7}, {0xA8, 0x00A4}, {0xA9, 0x0027}, {0xAA, 0x201C}, {0xAB, 0x00AB}, {0xAC, 0x2039},
                     {0xAD, 0x203A}, {0xAE, 0xFB01}, {0xAF, 0xFB02}, {0xB1, 0x2013}, {0xB2, 0x2020}, {0xB3, 0x2021},
                     {0xB4, 0x00B7}, {0xB6, 0x00B6}, {0xB7, 0x2022}, {0xB8, 0x201A}, {0xB9, 0x201E}, {0xBA, 0x201D},
                     {0xBB, 0x00BB}, {0xBC, 0x2026}, {0xBD, 0x2030}, {0xBF, 0x00BF}, {0xC1, 0x0060}, {0xC2, 0x00B4},
                     {0xC3, 0x02C6}, {0xC4, 0x02DC}, {0xC5, 0x00AF}, {0xC6, 0x02D8}, {0xC7, 0x02D9}, {0xC8, 0x00A8},
                     {0xCA, 0x02DA}, {0xCB, 0x00B8}, {0xCD, 0x02DD}, {0xCE, 0x02DB}, {0xCF, 0x02C7}, {0xD0, 0x2014},
                     {0xE1, 0x00C6}, {0xE3, 0x00AA}, {0xE8, 0x0141}, {0xE9, 0x00D8}, {0xEA, 0x0152}, {0xEB, 0x00BA},
                     {0xF1, 0x00E6}, {0xF5, 0x0131}, {0xF8, 0x0142}, {0xF9, 0x00F8}, {0xFA, 0x0153}, {0xFB, 0x00DF}};

Table StandardTable() {
  Table t = AsciiTable();
  t[0x27] = 0x2019;
  t[0x60] = 0x2018;
  for (const auto& e : kStandardHigh) t[e.code] = e.ch;
  return t;
}

Table ExpertTable() {
  Table t{};
  t[0x20] = 0x20;
  return t;
}

// A single-byte code page through iconv, one byte at a time (bytes it does not define
// stay 0).
Table IconvTable(const std::string& charset) {
  Table t = AsciiTable();
  iconv_t cd = iconv_open("UTF-16LE", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return WinAnsiTable();
  for (int c = 0x80; c <= 0xFF; ++c) {
    char in = static_cast<char>(c);
    unsigned char out[8] = {};
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == sizeof(out) - 2)
      t[c] = static_cast<char16_t>(out[0] | (out[1] << 8));
  }
  iconv_close(cd);
  return t;
}

constexpr struct {
  int codePage;
  uint8_t charset;
} kCodePageCharsets[] = {{1252, kAnsiCharset},   {1250, kEastEuropeCharset}, {1251, kRussianCharset},
                         {1253, kGreekCharset},  {1254, kTurkishCharset},    {1255, kHebrewCharset},
                         {1256, kArabicCharset}, {1257, kBalticCharset},     {1258, kVietnameseCharset},
                         {1361, kJohabCharset},  {874, kThaiCharset},        {932, kShiftJisCharset},
                         {936, kGB2312Charset},  {949, kHangulCharset},      {950, kChineseBig5Charset}};

// Font resource abbreviations of interactive forms, with the standard font each means.
constexpr struct {
  const char* name;
  int index;
} kFormAbbreviations[] = {{"Helv", 4},  {"HeBo", 5},  {"HeOb", 6},  {"HeBO", 7}, {"TiRo", 0},
                          {"TiBo", 1},  {"TiIt", 2},  {"TiBI", 3},  {"Cour", 8}, {"CoBo", 9},
                          {"CoOb", 10}, {"CoBO", 11}, {"Symb", 12}, {"ZaDb", 13}};

// The name without "/" and without a subset tag of six capitals and "+".
std::string_view BareName(std::string_view name) {
  if (!name.empty() && name.front() == '/') name.remove_prefix(1);
  if (name.size() > 7 && name[6] == '+') {
    bool tag = true;
    for (int i = 0; i < 6; ++i) tag = tag && name[i] >= 'A' && name[i] <= 'Z';
    if (tag) name.remove_prefix(7);
  }
  return name;
}

// "TimesNewRomanPSMT" -> "Times New Roman": PostScript names join the words of the family.
std::string FamilyFromPostScriptName(std::string_view name) {
  for (std::string_view suffix : {"PSMT", "MT", "PS"})
    if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
      name.remove_suffix(suffix.size());
      break;
    }
  if (name.find(' ') != std::string_view::npos) return std::string(name);
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (i > 0 && std::isupper(c) && std::islower(static_cast<unsigned char>(name[i - 1]))) out += ' ';
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

uint8_t CharsetFromCodePage(int codePage) {
  for (const auto& e : kCodePageCharsets)
    if (e.codePage == codePage) return e.charset;
  return kAnsiCharset;
}

uint8_t SystemCharset() { return CharsetFromCodePage(GetACP()); }

int CodePageOfCharset(uint8_t charset) {
  switch (charset) {
    case kDefaultCharset: {
      const uint8_t system = SystemCharset();
      return system == kDefaultCharset ? 1252 : CodePageOfCharset(system);
    }
    case kSymbolCharset:
    case kShiftJisCharset:
    case kHangulCharset:
    case kJohabCharset:
    case kGB2312Charset:
    case kChineseBig5Charset:
      return 0;
    case kMacCharset:
      return 10000;
    case kOemCharset:
      return 437;
    default:
      for (const auto& e : kCodePageCharsets)
        if (e.charset == charset) return e.codePage;
      return 1252;
  }
}

int StandardFontIndex(std::string_view name) {
  for (int i = 0; i < kStandardFontCount; ++i)
    if (name == kStandardFontNames[static_cast<size_t>(i)]) return i;
  return -1;
}

int StandardFontIndexOfPDFName(std::string_view pdfName) {
  const std::string_view name = BareName(pdfName);
  for (const auto& a : kFormAbbreviations)
    if (name == a.name) return a.index;
  return StandardFontIndex(name);
}

TkvFontDescription StandardFontDescription(int index, int32_t size) {
  TkvFontDescription font;
  font.Size = size;
  font.Charset = kDefaultCharset;
  if (index < 0 || index >= kStandardFontCount) index = 4;  // Helvetica
  if (index >= 12) {
    font.Name = kStandardFontNames[static_cast<size_t>(index)];
    font.Charset = kSymbolCharset;
    return font;
  }
  static constexpr const char* kFamilies[] = {"Times", "Helvetica", "Courier"};
  font.Name = kFamilies[index / 4];
  const int variant = index % 4;  // regular, bold, italic, bold italic
  if (variant == 1 || variant == 3) font.Style |= fsBold;
  if (variant >= 2) font.Style |= fsItalic;
  if (index >= 8) font.Pitch = fpFixed;
  return font;
}

TkvFontDescription DescriptionForPDFFontName(std::string_view pdfName, int32_t size) {
  const int standard = StandardFontIndexOfPDFName(pdfName);
  if (standard >= 0) return StandardFontDescription(standard, size);
  std::string_view name = BareName(pdfName);
  TkvFontDescription font;
  font.Size = size;
  const size_t cut = name.find_first_of(",-");
  if (cut != std::string_view::npos) {
    const std::string_view suffix = name.substr(cut + 1);
    if (suffix.find("Bold") != std::string_view::npos || suffix.find("Black") != std::string_view::npos)
      font.Style |= fsBold;
    if (suffix.find("Italic") != std::string_view::npos || suffix.find("Oblique") != std::string_view::npos)
      font.Style |= fsItalic;
    name = name.substr(0, cut);
  }
  font.Name = FamilyFromPostScriptName(name);
  return font;
}

const std::array<char16_t, 256>& EncodingTable(int encodingIndex) {
  static const Table kWinAnsi = WinAnsiTable();
  static const Table kMacRoman = [] {
    Table t = IconvTable("MACINTOSH");
    t[0xDB] = 0x00A4;  // the PDF encoding keeps the currency sign where later Macs put the euro
    t[0xC6] = 0x2206;  // the maker's own table says increment, not the Greek capital
    return t;
  }();
  static const Table kExpert = ExpertTable();
  static const Table kStandard = StandardTable();
  static const Table kPdfDoc = PdfDocTable();
  switch (encodingIndex) {
    case 1:
      return kMacRoman;
    case 2:
      return kExpert;
    case 3:
      return kStandard;
    case 4:
      return kPdfDoc;
    default:
      return kWinAnsi;
  }
}

const std::array<char16_t, 256>& CodePageTable(int codePage) {
  static std::map<int, Table> cache;
  if (codePage == 1252 || codePage <= 0) return EncodingTable(0);
  auto it = cache.find(codePage);
  if (it != cache.end()) return it->second;
  const std::string charset = codePage == 10000 ? "MACINTOSH" : CodePageCharset(codePage);
  return cache.emplace(codePage, charset.empty() ? WinAnsiTable() : IconvTable(charset)).first->second;
}

}  // namespace kv
