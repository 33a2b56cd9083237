#include "core/kvPDFUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <tuple>

namespace {

// ---- literal escaping ----

TEST(LiteralEscaping, EverySpecialByteIsEscaped) {
  EXPECT_EQ(kv::EscapeLiteral("a(b)\\"), "a\\(b\\)\\\\");
  EXPECT_EQ(kv::EscapeLiteral("\r\n\t\b\f"), "\\r\\n\\t\\b\\f");
  EXPECT_EQ(kv::EscapeLiteral(std::string("\0\x01\xFF", 3)), std::string("\0\x01\xFF", 3));
}

TEST(LiteralEscaping, UnescapeTable) {
  struct Case {
    const char* in;
    std::string out;
  } cases[] = {
      {"\\n\\r\\t\\b\\f", "\n\r\t\b\f"},
      {"\\(\\)\\\\", "()\\"},
      {"\\101\\102", "AB"},  // three octal digits
      {"\\53x", "+x"},       // two
      {"\\7", "\x07"},       // one, at the end
      {"\\0053", std::string("\x05"
                             "3")},  // at most three digits are read
      {"\\000", std::string(1, '\0')},
      {"\\8", "\\8"},        // not octal: kept with the backslash
      {"\\q\\ ", "\\q\\ "},  // unknown escapes are kept
      {"end\\", "end\\"},    // a lone backslash at the end stays
      {"\\\\101", "\\101"},  // an escaped backslash does not start an octal escape
  };
  for (const auto& c : cases) EXPECT_EQ(kv::UnescapeLiteral(c.in), c.out) << c.in;
}

TEST(LiteralEscaping, EveryByteRoundTrips) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(kv::UnescapeLiteral(kv::EscapeLiteral(all)), all);
}

// ---- hexadecimal ----

TEST(Hex, BytesToHexIsUpperCaseHighNibbleFirst) {
  EXPECT_EQ(kv::BytesToHex(std::string("\x00\xFF\x1A\xa5", 4)), "00FF1AA5");
  EXPECT_EQ(kv::BytesToHex(""), "");
}

TEST(Hex, HexToBytesSkipsSeparatorsAndStopsAtABrokenPair) {
  EXPECT_EQ(kv::HexToBytes("41 42\r\n43\t44"), "ABCD");
  EXPECT_EQ(kv::HexToBytes("<4142>"), "AB");
  EXPECT_EQ(kv::HexToBytes("abcdef"), "\xAB\xCD\xEF");
  EXPECT_EQ(kv::HexToBytes("41g42"), "AB");
  EXPECT_EQ(kv::HexToBytes("414"), "A");      // a lone last digit is no pair
  EXPECT_EQ(kv::HexToBytes("414 243"), "A");  // space inside a pair ends the conversion
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(kv::HexToBytes(kv::BytesToHex(all)), all);
}

// ---- object key ----

TEST(ObjectKey, FieldsTakeTheirOwnBits) {
  EXPECT_EQ(kv::MakeObjectKey(0, 0, 0), 0);
  EXPECT_EQ(kv::MakeObjectKey(1, 2, 3), (int64_t{1} << 40) | (int64_t{2} << 16) | 3);
  int64_t top = kv::MakeObjectKey((1 << 23) - 1, kv::kMaxObjectNumber, 65535);
  EXPECT_EQ(top, std::numeric_limits<int64_t>::max());
}

TEST(ObjectKey, DecimalConcatenationCollisionIsGone) {
  // Concatenated digits made owner 1 / number 12 and owner 11 / number 2 both "1120".
  EXPECT_NE(kv::MakeObjectKey(1, 12, 0), kv::MakeObjectKey(11, 2, 0));
  EXPECT_NE(kv::MakeObjectKey(1, 1, 10), kv::MakeObjectKey(1, 11, 0));
  EXPECT_NE(kv::MakeObjectKey(0, 1, 0), kv::MakeObjectKey(0, 0, 1));
}

TEST(ObjectKey, OutOfRangeTriplesHaveNoKey) {
  EXPECT_EQ(kv::MakeObjectKey(0, -1, 0), -1);
  EXPECT_EQ(kv::MakeObjectKey(0, kv::kMaxObjectNumber + 1, 0), -1);
  EXPECT_EQ(kv::MakeObjectKey(-1, 1, 0), -1);
  EXPECT_EQ(kv::MakeObjectKey(1 << 23, 1, 0), -1);
  EXPECT_EQ(kv::MakeObjectKey(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 0), -1);
}

TEST(ObjectKey, DistinctTriplesGiveDistinctNonNegativeKeys) {
  std::mt19937_64 rng(7);
  std::set<std::tuple<int32_t, int32_t, uint16_t>> triples;
  std::set<int64_t> keys;
  auto add = [&](int32_t owner, int32_t number, uint16_t gen) {
    int64_t key = kv::MakeObjectKey(owner, number, gen);
    ASSERT_GE(key, 0);
    ASSERT_EQ(kv::MakeObjectKey(owner, number, gen), key);
    if (triples.insert({owner, number, gen}).second) {
      ASSERT_TRUE(keys.insert(key).second);
    }
  };
  // Small values, where decimal concatenation used to collide, exhaustively...
  for (int32_t owner = 0; owner < 40; ++owner)
    for (int32_t number = 0; number < 120; ++number)
      for (uint16_t gen : {0, 1, 2, 10, 11, 65535}) add(owner, number, gen);
  // ...and random triples over the whole range.
  for (int i = 0; i < 200000; ++i)
    add(static_cast<int32_t>(rng() % (1u << 23)), static_cast<int32_t>(rng() % (kv::kMaxObjectNumber + 1u)),
        static_cast<uint16_t>(rng() % 4 == 0 ? rng() : rng() % 3));
  EXPECT_EQ(keys.size(), triples.size());
}

// ---- resource names and filter names ----

TEST(ResourceNames, WellFormedAndDistinct) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    for (const std::string& name : {kv::NewFontResourceName(), kv::NewImageResourceName()}) {
      const std::string prefix = name.substr(0, 7);
      ASSERT_TRUE(prefix == "/XKRFnt" || prefix == "/XKRImg") << name;
      std::string digits = name.substr(7);
      ASSERT_FALSE(digits.empty()) << name;
      ASSERT_LE(digits.size(), 10u) << name;
      ASSERT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << name;
      ASSERT_TRUE(digits == "0" || digits[0] != '0') << name;
      ASSERT_LE(std::stoll(digits), 2147483646) << name;
      EXPECT_TRUE(seen.insert(name).second) << "repeated " << name;
    }
  }
  EXPECT_EQ(kv::NewFontResourceName().substr(0, 7), "/XKRFnt");
  EXPECT_EQ(kv::NewImageResourceName().substr(0, 7), "/XKRImg");
}

TEST(FilterNames, MapToFiltersAndUnknownNamesFail) {
  EXPECT_EQ(kv::FilterFromName("/ASCIIHexDecode"), kv::ftASCIIHexDecode);
  EXPECT_EQ(kv::FilterFromName("/ASCII85Decode"), kv::ftASCII85Decode);
  EXPECT_EQ(kv::FilterFromName("/FlateDecode"), kv::ftFlateDecode);
  EXPECT_EQ(kv::FilterFromName("/LZWDecode"), kv::ftFlateDecode);
  EXPECT_EQ(kv::FilterFromName("/RunLengthDecode"), kv::ftRunLengthDecode);
  EXPECT_EQ(kv::FilterFromName("/DCTDecode"), kv::ftDCTDecode);
  for (const char* name : {"/JBIG2Decode", "/CCITTFaxDecode", "/flatedecode", "FlateDecode"}) {
    try {
      kv::FilterFromName(name);
      ADD_FAILURE() << name;
    } catch (const kv::EUnsupportedFilterError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Unsupported filter (") + name + ")");
    }
  }
  EXPECT_EQ(kv::IndexOfName(kv::kDecodeFilterNames, "/DCTDecode"), 5);
  EXPECT_EQ(kv::IndexOfName(kv::kPageLayoutNames, "/onecolumn"), -1);
}

// ---- word scanning ----

TEST(WordScanning, NextWordWalksContentText) {
  static constexpr char kContent[] = "  BT\r\n/F1 12 Tf\0(x) Tj\n";
  std::string text(kContent, sizeof kContent - 1);
  int pos = 1;
  std::vector<std::string> words;
  for (std::string w = kv::NextWord(text, pos); !w.empty(); w = kv::NextWord(text, pos)) words.push_back(w);
  EXPECT_EQ(words, (std::vector<std::string>{"BT", "/F1", "12", "Tf", "(x)", "Tj"}));
  EXPECT_EQ(pos, static_cast<int>(text.size()) + 1);
}

TEST(WordScanning, PreviousWordChainsBackwards) {
  std::string text = "q 1 0 0 1 72 720 cm\r\n";
  int pos = static_cast<int>(text.size()) + 1;
  std::vector<std::string> words;
  for (int i = 0; i < 4; ++i) {
    int next = 0;
    words.push_back(kv::PreviousWord(text, pos, next));
    pos = next;
  }
  EXPECT_EQ(words, (std::vector<std::string>{"cm", "720", "72", "1"}));
  int next = -1;
  EXPECT_EQ(kv::PreviousWord("ab", 3, next), "ab");
  EXPECT_EQ(next, 0);
  EXPECT_EQ(kv::PreviousWord("ab", 1, next), "");
  EXPECT_EQ(kv::PreviousWord("ab", 1000, next), "ab");  // a position past the end is clamped
}

TEST(WordScanning, PositionsBeforeTheTextAreClamped) {
  // A backward scan that reached the start hands back position 0; scanning on from
  // there must neither throw nor loop.
  int next = 7;
  EXPECT_EQ(kv::PreviousWord("ab cd", 0, next), "");
  EXPECT_EQ(next, 0);
  EXPECT_EQ(kv::PreviousWord("ab cd", -3, next), "");
  EXPECT_EQ(kv::PreviousWords("ab cd", 0, 2), "");
  int pos = 0;
  EXPECT_EQ(kv::NextWord("ab cd", pos), "ab");
  EXPECT_EQ(pos, 3);
}

TEST(WordScanning, PreviousWordsStopsAtTheNthSeparator) {
  std::string text = "/GS1 gs 0 0 1 rg";
  int end = static_cast<int>(text.size()) + 1;
  EXPECT_EQ(kv::PreviousWords(text, end, 1), "rg");
  EXPECT_EQ(kv::PreviousWords(text, end, 4), "0 0 1 rg");
  EXPECT_EQ(kv::PreviousWords("a\r\nb", 5, 3), "a  b");  // each separator becomes one space
  EXPECT_EQ(kv::PreviousWords(text, end, 100), text);
}

// ---- number conversions ----

TEST(Numbers, StrictIntegerConversion) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {{"12", true, 12},         {"+12", true, 12}, {"-0", true, 0},   {"-2147483648", true, INT32_MIN},
               {"2147483648", false, 0}, {"+-1", false, 0}, {"", false, 0},    {"-", false, 0},
               {" 1", false, 0},         {"1 ", false, 0},  {"1.0", false, 0}, {"0x10", false, 0}};
  for (const auto& c : cases) {
    int32_t v = -77;
    EXPECT_EQ(kv::TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  int64_t big = 0;
  EXPECT_TRUE(kv::TryStrToInt64("2147483648", big));
  EXPECT_EQ(big, 2147483648LL);
  try {
    kv::StrToInt("12a");
    FAIL();
  } catch (const kv::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
}

TEST(Numbers, RealConversionAcceptsOnlyPdfNumbers) {
  struct Case {
    const char* text;
    double value;
  } good[] = {{"0.5", 0.5}, {"-.5", -0.5}, {"5.", 5}, {"+1.25", 1.25}, {"-0", 0}, {"612", 612}, {"007.50", 7.5}};
  for (const auto& c : good) {
    double v = -1;
    EXPECT_TRUE(kv::TryStrToFloat(c.text, v)) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  for (const char* bad :
       {"", ".", "-", "1e5", "--1", "+-1", "1,5", " 1", "inf", "-inf", "nan", "+NAN", "infinity", "0x1p3", "1.2.3"}) {
    double v = 0;
    EXPECT_FALSE(kv::TryStrToFloat(bad, v)) << bad;
  }
}

TEST(Numbers, FloatToTextNeverWritesAnExponent) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.5, "0.5"},
      {612, "612"},
      {-3.25, "-3.25"},
      {0, "0"},
      {-0.0, "0"},
      {1.0 / 3, "0.333333333333333"},
      {0.1 + 0.2, "0.3"},
      {123456.789, "123456.789"},
      {1e14, "100000000000000"},
      {1e15, "1000000000000000"},
      {1e-5, "0.00001"},
      {1e-7, "0.0000001"},
      {-1e-7, "-0.0000001"},
      {1.5e-10, "0.00000000015"},
      {1e20, "100000000000000000000"},
      {-2.5e16, "-25000000000000000"},
      // Only 15 significant digits, also where fixed notation has room for more.
      {1.2345678901234567e20, "123456789012346000000"},
      {9.87654321098765432e17, "987654321098765000"},
      {1.2345678901234567e-9, "0.00000000123456789012346"},
  };
  for (const auto& c : cases) EXPECT_EQ(kv::FloatToText(c.value), c.text) << c.text;
  EXPECT_EQ(kv::FloatToText(std::numeric_limits<double>::quiet_NaN()), "0");
  EXPECT_EQ(kv::FloatToText(std::numeric_limits<double>::infinity()), "0");
  std::string huge = kv::FloatToText(std::numeric_limits<double>::max());
  EXPECT_EQ(huge, "179769313486232" + std::string(294, '0'));
  std::string tiny = kv::FloatToText(std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(tiny, "0." + std::string(323, '0') + "494065645841247");
}

TEST(Numbers, FloatToTextReadsBackWithinFifteenDigits) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  for (int i = 0; i < 3000; ++i) {
    double v = mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 60) - 30) * (rng() % 2 ? 1 : -1);
    std::string text = kv::FloatToText(v);
    ASSERT_EQ(text.find_first_not_of("-.0123456789"), std::string::npos) << text;
    double back = 0;
    ASSERT_TRUE(kv::TryStrToFloat(text, back)) << text;
    ASSERT_NEAR(back, v, std::fabs(v) * 1e-14) << text;
  }
}

}  // namespace
