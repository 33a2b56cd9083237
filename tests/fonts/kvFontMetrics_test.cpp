// Metrics of installed fonts, found through fontconfig as a desktop finds them, compared
// with what fontTools reads from the same font files.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <sstream>

#include "FontTestUtil.h"
#include "core/kvUtils.h"
#include "pdf/fonts/kvPDFFont.h"

namespace {

using namespace kv;

// The metrics the font layer promises, computed from the font file: pixel values at
// 1000 points (1333 pixels per em at 96 pixels per inch), widths rounded half to even
// from pixels to thousandths of the em, vertical metrics with the integer division
// first, outline metrics scaled to the font's size.
const char* const kExpectedMetrics = R"(
import sys, math
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1]); codec = sys.argv[2]; size = int(sys.argv[3]); text = sys.argv[4]
upem = f['head'].unitsPerEm; ppem = 1333
def px(units, ppem=ppem):
    v = units * ppem / upem
    return int(math.floor(abs(v) + 0.5)) * (1 if v >= 0 else -1)
def trunc_div(a, b): return int(a / b)
cmap, hmtx, order = f.getBestCmap(), f['hmtx'], f.getGlyphOrder()
widths = []
for c in range(32, 256):
    try:
        g = cmap.get(ord(bytes([c]).decode(codec)), order[0])
    except UnicodeDecodeError:
        g = order[0]
    widths.append(round(px(hmtx[g][0]) * 72 / 96))
os2, hhea, post = f['OS/2'], f['hhea'], f['post']
coarse = lambda p: trunc_div(p, 96) * 72
pts = lambda p: round(size * (p / 96 * 72) / 1000)
print('widths', *widths)
print('ascent', coarse(px(os2.usWinAscent)))
print('descent', coarse(-px(os2.usWinDescent)))
print('avg', coarse(px(os2.xAvgCharWidth)))
print('max', coarse(px(hhea.advanceWidthMax)))
print('italic', trunc_div(round(post.italicAngle * 10), 10))
print('strikeout', pts(px(os2.yStrikeoutSize)), pts(px(os2.yStrikeoutPosition)))
print('underscore', pts(px(post.underlineThickness)), pts(px(post.underlinePosition)) - 1)
screen = round(size * 96 / 72)
print('lines', px(post.underlineThickness, screen), px(post.underlinePosition, screen), px(os2.yStrikeoutSize, screen), px(os2.yStrikeoutPosition, screen))
print('screen', sum(px(hmtx[cmap[ord(ch)]][0], screen) for ch in text), px(os2.usWinAscent, screen) + px(os2.usWinDescent, screen))
)";

struct Expected {
  std::vector<int32_t> widths;
  std::map<std::string, std::vector<int32_t>> values;
};

Expected ReadExpected(const std::string& output) {
  Expected e;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    std::vector<int32_t>& into = key == "widths" ? e.widths : e.values[key];
    for (int32_t v; words >> v;) into.push_back(v);
  }
  return e;
}

struct MetricsCase {
  const char* family;
  uint8_t style;
  const char* fcPattern;  // the same request, for fontconfig's own matcher
  const char* expectedFamily;
};
void PrintTo(const MetricsCase& c, std::ostream* os) { *os << c.fcPattern; }
std::string MetricsCaseName(const ::testing::TestParamInfo<MetricsCase>& info) {
  std::string name;
  for (const char* c = info.param.fcPattern; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

class FontMetricsTest : public ::testing::TestWithParam<MetricsCase> {
 protected:
  void SetUp() override {
    if (!fonttest::HaveFontTools()) GTEST_SKIP() << "fontTools is not installed";
    SetScreenPixelsPerInch(96);
  }
};

TEST_P(FontMetricsTest, AgreeWithTheFontFile) {
  const MetricsCase& c = GetParam();
  TkvFontDescription d;
  d.Name = c.family;
  d.Style = c.style;
  d.Size = 24;
  d.Charset = kAnsiCharset;
  TkvPDFFont font(d, true, 0);
  ASSERT_NE(font.SystemFont(), nullptr);
  EXPECT_EQ(font.SystemFont()->FamilyName(), c.expectedFamily);

  const std::string file = fonttest::FontFileFor(c.fcPattern);
  ASSERT_FALSE(file.empty());
  kvtest::TempDir dir;
  const std::string text = "Folioworks 2024";
  const Expected e = ReadExpected(fonttest::Python(dir, kExpectedMetrics, {file, "cp1252", "24", text}));
  const TkvPDFFontInfo& info = font.FontInfo();
  ASSERT_EQ(e.widths.size(), static_cast<size_t>(kWidthCount));
  for (int code = kFirstWidthCode; code <= kLastWidthCode; ++code)
    EXPECT_EQ(info.WidthOf(static_cast<uint8_t>(code)), e.widths[code - kFirstWidthCode]) << "code " << code;
  EXPECT_EQ(info.FontType, kFontTypeTrueType);
  EXPECT_EQ(info.Ascent, e.values.at("ascent")[0]);
  EXPECT_EQ(info.Descent, e.values.at("descent")[0]);
  EXPECT_EQ(info.CapHeight, info.Ascent);
  EXPECT_EQ(info.AvgWidth, e.values.at("avg")[0]);
  if (!info.FixedPitch) {
    EXPECT_EQ(info.MaxWidth, e.values.at("max")[0]);
  }
  EXPECT_EQ(info.ItalicAngle, e.values.at("italic")[0]);
  EXPECT_EQ(info.StemV, 78);
  EXPECT_EQ(info.StrikeoutSize, e.values.at("strikeout")[0]);
  EXPECT_EQ(info.StrikeoutPosition, e.values.at("strikeout")[1]);
  EXPECT_EQ(info.UnderscoreSize, e.values.at("underscore")[0]);
  EXPECT_EQ(info.UnderscorePosition, e.values.at("underscore")[1]);
  // The integer division before scaling leaves multiples of 72.
  for (int32_t v : {info.Ascent, info.Descent, info.CapHeight, info.AvgWidth}) EXPECT_EQ(v % 72, 0) << v;
  EXPECT_EQ(info.FontBBox.Top, info.Ascent);
  EXPECT_EQ(info.FontBBox.Bottom, info.Descent);
  EXPECT_EQ(info.FontBBox.Right, info.MaxWidth);

  const TkvTextExtent extent = font.ScreenTextExtent(text);
  EXPECT_EQ(extent.Width, e.values.at("screen")[0]);
  EXPECT_EQ(extent.Height, e.values.at("screen")[1]);
  const TkvOutlineMetrics lines = font.ScreenOutlineMetrics();
  EXPECT_EQ(std::vector<int32_t>(
                {lines.UnderscoreSize, lines.UnderscorePosition, lines.StrikeoutSize, lines.StrikeoutPosition}),
            e.values.at("lines"));
}

// The families a user most often names, served by their metric twins.
INSTANTIATE_TEST_SUITE_P(Families, FontMetricsTest,
                         ::testing::Values(MetricsCase{"Arial", 0, "Arial", "Liberation Sans"},
                                           MetricsCase{"Times New Roman", fsBold | fsItalic,
                                                       "Times New Roman:bold:italic", "Liberation Serif"},
                                           MetricsCase{"Courier New", 0, "Courier New", "Liberation Mono"},
                                           MetricsCase{"DejaVu Sans", fsBold, "DejaVu Sans:bold", "DejaVu Sans"}),
                         MetricsCaseName);

TEST(FontMetrics, FixedPitchWithoutEmbeddingMeasuresOnlyTheSpace) {
  TkvFontDescription d;
  d.Name = "Courier New";
  d.Charset = kAnsiCharset;
  TkvPDFFont font(d, false, 0);
  ASSERT_TRUE(font.FontInfo().FixedPitch);
  EXPECT_EQ(font.FontInfo().MaxWidth, 600);  // the space of the metric twin
  EXPECT_EQ(font.FontInfo().WidthOf('W'), 600);
}

TEST(FontMetrics, CodesFollowTheCharacterSetsCodePage) {
  // Code 0xC6 is Æ in code page 1252 and Ж in 1251; Liberation Sans has both.
  TkvFontDescription latin, cyrillic;
  latin.Charset = kAnsiCharset;
  cyrillic.Charset = kRussianCharset;
  TkvPDFFont a(latin, true, 0), b(cyrillic, true, 0);
  EXPECT_EQ(a.CharOfCode(0xC6), U'Æ');
  EXPECT_EQ(b.CharOfCode(0xC6), U'Ж');
  EXPECT_EQ(a.FontInfo().WidthOf(0xC6), a.GlyphWidth(a.GlyphOf(U'Æ')));
  EXPECT_EQ(b.FontInfo().WidthOf(0xC6), b.GlyphWidth(b.GlyphOf(U'Ж')));
  EXPECT_NE(a.FontInfo().WidthOf(0xC6), b.FontInfo().WidthOf(0xC6));
}

TEST(FontMetrics, FamiliesListTheCharacterSetsTheirFacesDeclare) {
  const std::vector<uint8_t> sets = FontServices().FamilyCharsets("Arial");
  for (uint8_t cs : {kAnsiCharset, kRussianCharset, kGreekCharset, kEastEuropeCharset})
    EXPECT_NE(std::find(sets.begin(), sets.end(), cs), sets.end()) << int(cs);
  EXPECT_LE(sets.size(), kMaxFamilyCharsets);
  EXPECT_EQ(CharsetsFromCodePageBits(0x80000005u),
            (std::vector<uint8_t>{kAnsiCharset, kRussianCharset, kSymbolCharset}));
}

}  // namespace
