// Document text strings in the process code page: the FEFF hex form and its decoding,
// under the Western code page and under others.
#include <gtest/gtest.h>

#include <string>

#include "core/kvPDFUtils.h"
#include "core/kvUtils.h"
#include "support/CodePage.h"

namespace {

using kvtest::CodePage;

std::string Hex16(const std::u16string& units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  }
  return kv::BytesToHex(bytes);
}

TEST(CodePages, CharsetNamesMapBothWays) {
  struct Case {
    const char* charset;
    int cp;
  } cases[] = {{"UTF-8", 65001},       {"utf8", 65001},      {"ANSI_X3.4-1968", 1252},
               {"ISO-8859-1", 1252},   {"", 1252},           {"CP1251", 1251},
               {"windows-1251", 1251}, {"KOI8-R", 20866},    {"ISO-8859-5", 28595},
               {"CP1252", 1252},       {"no-such-set", 1252}};
  for (const auto& c : cases) EXPECT_EQ(kv::CodePageFromCharset(c.charset), c.cp) << c.charset;
  EXPECT_EQ(kv::CodePageCharset(1251), "CP1251");
  EXPECT_EQ(kv::CodePageCharset(65001), "UTF-8");
}

TEST(CodePages, SetACPIsSeenAndRestored) {
  int before = kv::GetACP();
  {
    CodePage cp(1251);
    EXPECT_EQ(kv::GetACP(), 1251);
  }
  EXPECT_EQ(kv::GetACP(), before);
}

TEST(TextStrings, Western) {
  CodePage cp(1252);
  EXPECT_EQ(kv::TextToUnicodeHex("AB"), "FEFF00410042");
  EXPECT_EQ(kv::TextToUnicodeHex(""), "FEFF");
  EXPECT_EQ(kv::TextToUnicodeHex("\xE9\x80"), "FEFF00E920AC");  // e acute, euro sign
  EXPECT_EQ(kv::HexTextToString("FEFF00410042"), "AB");
  EXPECT_EQ(kv::HexTextToString("feff00e920ac"), "\xE9\x80");
  EXPECT_EQ(kv::HexTextToString("FEFF0041 0042\r\n"), "AB");
  EXPECT_EQ(kv::HexTextToString("414243"), "ABC");  // no marker: plain bytes
  EXPECT_EQ(kv::LiteralTextToString(std::string("\xFE\xFF\x00\x41\x00\x42", 6)), "AB");
  EXPECT_EQ(kv::LiteralTextToString("plain (text)"), "plain (text)");
  EXPECT_EQ(kv::LiteralTextToString(std::string("\xFE\xFF\x00\x0A\x00\x09", 6)), "\n\t");  // controls kept
}

TEST(TextStrings, CharactersTheCodePageCannotHoldBecomeQuestionMarks) {
  CodePage cp(1252);
  EXPECT_EQ(kv::HexTextToString("FEFF0416004104160416"), "?A??");               // Cyrillic
  EXPECT_EQ(kv::HexTextToString("FEFFD83DDE000041"), "?A");                     // one character outside the BMP
  EXPECT_EQ(kv::LiteralTextToString(std::string("\xFE\xFF\x4E\x2D", 4)), "?");  // CJK
  EXPECT_EQ(kv::HexTextToString("FEFFDC000041"), "?A");                         // a stray low surrogate
}

TEST(TextStrings, LongTextDecodesWhole) {
  CodePage cp(1252);
  std::string text;
  for (int i = 0; i < 700; ++i) text += static_cast<char>('A' + i % 26);
  std::string hex = kv::TextToUnicodeHex(text);
  ASSERT_EQ(hex.size(), 4u + 4 * 700);
  EXPECT_EQ(kv::HexTextToString(hex), text);
  EXPECT_EQ(kv::LiteralTextToString(kv::HexToBytes(hex)), text);
}

TEST(TextStrings, Cyrillic) {
  CodePage cp(1251);
  const std::string zhe = "\xC6";  // CYRILLIC CAPITAL LETTER ZHE in code page 1251
  EXPECT_EQ(kv::TextToUnicodeHex("A" + zhe), "FEFF00410416");
  EXPECT_EQ(kv::HexTextToString("FEFF00410416"), "A" + zhe);
  EXPECT_EQ(kv::HexTextToString("FEFF00E9"), "?");  // e acute is not in 1251
  std::string text;
  for (int i = 0; i < 400; ++i) text += static_cast<char>(0xC0 + i % 64);  // the whole Cyrillic alphabet
  EXPECT_EQ(kv::HexTextToString(kv::TextToUnicodeHex(text)), text);
  EXPECT_EQ(kv::LiteralTextToString(kv::HexToBytes(kv::TextToUnicodeHex(text))), text);
}

TEST(TextStrings, Utf8) {
  CodePage cp(65001);
  EXPECT_EQ(kv::TextToUnicodeHex("A\xD0\x96"), "FEFF00410416");
  EXPECT_EQ(kv::TextToUnicodeHex("\xF0\x9F\x98\x80"), "FEFFD83DDE00");  // a surrogate pair
  EXPECT_EQ(kv::HexTextToString("FEFFD83DDE00"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(kv::TextToUnicodeHex("A\xFF"
                                 "B"),
            "FEFF0041003F0042");  // not UTF-8: one "?"
  std::string text;
  std::u16string units;
  for (int i = 0; i < 600; ++i) {
    text += i % 2 ? "\xE4\xB8\xAD" : "x";  // CJK and ASCII alternating
    units += i % 2 ? u'\x4E2D' : u'x';
  }
  EXPECT_EQ(kv::TextToUnicodeHex(text), "FEFF" + Hex16(units));
  EXPECT_EQ(kv::HexTextToString("FEFF" + Hex16(units)), text);
}

}  // namespace
