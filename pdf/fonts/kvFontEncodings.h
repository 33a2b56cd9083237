// Names and character tables of fonts: the system character set derived from the code
// page, the code page behind each character set, the fourteen standard font names (with
// the abbreviations forms use for them and the installed families that measure like
// them), and the five simple-font encodings as code-to-Unicode tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/fonts/kvFontDescription.h"

namespace kv {

// ---- character sets and code pages ----

// The character set of a code page: 1252 gives 0, 1250 238, 1251 204, 1253 161,
// 1254 162, 1255 177, 1256 178, 1257 186, 1258 163, 1361 130, 874 222, 932 128,
// 936 134, 949 129, 950 136; any other 0.
uint8_t CharsetFromCodePage(int codePage);
// The character set of the process code page (GetACP).
uint8_t SystemCharset();
// The single-byte code page a character set's codes are read in (0 gives 1252, 204 gives
// 1251, ...); the default set takes the system set's; symbol and multi-byte sets give 0
// (no single-byte table).
int CodePageOfCharset(uint8_t charset);

// ---- the fourteen standard fonts ----

inline constexpr int kStandardFontCount = 14;
inline constexpr std::array<const char*, kStandardFontCount> kStandardFontNames = {
    "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Symbol",      "ZapfDingbats"};

// Index 0..13 of a standard font name, exact and case-sensitive; -1 when it is none.
int StandardFontIndex(std::string_view name);
// Index of the standard font a PDF font name stands for, accepting a leading "/", a
// subset tag ("ABCDEF+") and the abbreviations of form resources (Helv, HeBo, HeOb,
// HeBO, TiRo, TiBo, TiIt, TiBI, Cour, CoBo, CoOb, CoBO, Symb, ZaDb); -1 when it names no
// standard font (a family such as "Arial,Bold" is not one).
int StandardFontIndexOfPDFName(std::string_view pdfName);
// The description whose installed font measures like standard font `index` (family
// "Helvetica", "Times" or "Courier" with its style, resolved by fontconfig to a metric
// twin; "Symbol" and "ZapfDingbats" with the symbol set), at `size` points.
TkvFontDescription StandardFontDescription(int index, int32_t size);
// A description for a font named in a PDF (a /DA resource name or a /BaseFont): a
// standard font's description when it names one; otherwise the family with blanks kept,
// the subset tag dropped, and a style suffix (",Bold", "-BoldItalic", "-Oblique", ...)
// turned into style bits.
TkvFontDescription DescriptionForPDFFontName(std::string_view pdfName, int32_t size);

// ---- simple-font encodings ----

inline constexpr int kEncodingCount = 5;
inline constexpr std::array<const char*, kEncodingCount> kEncodingNames = {
    "WinAnsiEncoding", "MacRomanEncoding", "MacExpertEncoding", "StandardEncoding", "PDFDocEncoding"};

// The Unicode character each code 0..255 stands for in a simple-font encoding (index 0
// to 4; any other index is taken as 0); 0 where the encoding defines no character.
// MacExpertEncoding's small capitals and old-style figures have no Unicode characters of
// their own and map to 0, except the space.
const std::array<char16_t, 256>& EncodingTable(int encodingIndex);
// The Unicode character each code 0..255 stands for in a single-byte code page (1250 to
// 1258, 874, 10000 for Mac Roman, 437); 0 where none. Unknown code pages give 1252's.
const std::array<char16_t, 256>& CodePageTable(int codePage);

}  // namespace kv
