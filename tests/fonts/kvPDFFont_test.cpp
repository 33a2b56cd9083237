// Classification, base-font names and flags of measured fonts (known answers, with font
// services standing in for fonts this machine lacks), and the name and encoding tables.
#include "pdf/fonts/kvPDFFont.h"

#include <gtest/gtest.h>

#include <sstream>

#include "FontTestUtil.h"
#include "core/kvUtils.h"
#include "pdf/fonts/kvFontEncodings.h"

namespace {

using namespace kv;

const char* const kSerifBoldItalic = "/usr/share/fonts/truetype/liberation2/LiberationSerif-BoldItalic.ttf";
const char* const kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// Restores the process code page after a test changes it.
class CodePageScope {
 public:
  CodePageScope() : saved_(GetACP()) {}
  ~CodePageScope() { SetACP(saved_); }

 private:
  int saved_;
};

struct NamingCase {
  const char* face;
  uint8_t style;
  uint8_t charset;
  int codePage;
  // -1 keeps the font's own pitch-and-family byte; else it replaces it (with the weight
  // and slant below), standing for a font that is not TrueType.
  int pitchAndFamily;
  int weight;
  bool italic;
  std::vector<uint8_t> familyCharsets;
  uint8_t fontType;
  const char* baseFont;
  int32_t flags;
};

TEST(FontNaming, ClassificationBaseFontNamesAndFlags) {
  CodePageScope codePage;
  constexpr int kSwiss = kTmpfFixedPitch | kTmpfVector | kFamilySwiss;
  constexpr int kRoman = kTmpfFixedPitch | kTmpfVector | kFamilyRoman;
  const NamingCase cases[] = {
      // TrueType fonts keep their face name, without blanks, with the style appended.
      {"Times New Roman", fsBold | fsItalic, kAnsiCharset, 1252, -1, 0, false, {0}, 0, "TimesNewRoman,BoldItalic", 98},
      {"Arial", 0, kAnsiCharset, 1252, -1, 0, false, {0, 204}, 0, "Arial", 32},
      {"Arial", fsItalic, kDefaultCharset, 65001, -1, 0, false, {0}, 0, "Arial,Italic", 96},
      // A device font: proportional, vector and device bits together.
      {"Plotter Font",
       fsBold,
       kAnsiCharset,
       1252,
       kTmpfFixedPitch | kTmpfVector | kTmpfDevice,
       700,
       false,
       {0},
       1,
       "PlotterFont,Bold",
       32},
      // Standard fonts: an exact standard name stays, the symbol set is ZapfDingbats,
      // another set on a system that is not 1252 is Symbol.
      {"Helvetica-Bold", 0, kAnsiCharset, 1252, kSwiss, 400, false, {0}, 2, "Helvetica-Bold", 32},
      {"Some Font", 0, kSymbolCharset, 1252, kSwiss, 400, false, {0}, 2, "ZapfDingbats", 4},
      {"Some Font", 0, kGreekCharset, 65001, kSwiss, 400, false, {0}, 2, "Symbol", 32},
      // Otherwise the design picks the standard font, weight and slant its variant.
      {"Some Font", 0, kGreekCharset, 1252, kSwiss, 400, false, {0}, 2, "Helvetica", 32},
      {"Some Font", 0, kAnsiCharset, 1252, kSwiss, 700, true, {0}, 2, "Helvetica-BoldOblique", 96},
      {"Some Font", 0, kAnsiCharset, 1252, kRoman, 400, false, {0}, 2, "Times-Roman", 34},
      {"Some Font", 0, kAnsiCharset, 1252, kRoman, 400, true, {0}, 2, "Times-Italic", 98},
      {"Some Font", 0, kAnsiCharset, 1252, kTmpfVector, 700, false, {0}, 2, "Courier-Bold", 33},
      {"Some Font",
       0,
       kAnsiCharset,
       1252,
       kTmpfFixedPitch | kTmpfVector | kFamilyScript,
       400,
       false,
       {0},
       2,
       "Some Font",
       40},
      // A TrueType font fails the TrueType test when its family lacks the character set.
      {"Arial", 0, kRussianCharset, 1252, -1, 0, false, {0}, 2, "Helvetica", 32},
      {"Arial", 0, kDefaultCharset, 65001, -1, 0, false, {204}, 2, "Helvetica", 32},
  };
  for (const NamingCase& c : cases) {
    SCOPED_TRACE(std::string(c.face) + " charset " + std::to_string(c.charset) + " -> " + c.baseFont);
    SetACP(c.codePage);
    auto services = std::make_shared<fonttest::FixedFontServices>();
    services->Data = fonttest::ReadShared(std::string(c.face) == "Times New Roman" ? kSerifBoldItalic : kSans);
    services->Charsets = c.familyCharsets;
    if (c.pitchAndFamily >= 0)
      services->Doctor = [&c](TkvTextMetrics& m) {
        m.PitchAndFamily = static_cast<uint8_t>(c.pitchAndFamily);
        m.Weight = c.weight;
        m.Italic = c.italic;
      };
    fonttest::ServicesScope scope(services);
    TkvFontDescription d;
    d.Name = c.face;
    d.Style = c.style;
    d.Charset = c.charset;
    TkvPDFFont font(d, true, 7);
    EXPECT_EQ(font.FontInfo().FontType, c.fontType);
    EXPECT_EQ(font.BaseFontName(), c.baseFont);
    EXPECT_EQ(font.FontInfo().Flags, c.flags);
    EXPECT_EQ(font.FontInfo().OwnerTag, 7);
  }
}

// Services that find no font at all.
class NoFontServices : public TkvFontServices {
 public:
  std::unique_ptr<TkvSystemFont> OpenFont(const TkvFontDescription&) override { return nullptr; }
  std::vector<uint8_t> FamilyCharsets(const std::string&) override { return {}; }
};

TEST(FontNaming, WithoutAnInstalledFontTheDefaultsStay) {
  fonttest::ServicesScope scope(std::make_shared<NoFontServices>());
  TkvFontDescription d;
  d.Name = "Nothing Here";
  d.Size = 40;
  d.Style = fsBold;
  TkvPDFFont font(d, true, 0);
  const TkvPDFFontInfo& info = font.FontInfo();
  EXPECT_EQ(info.FontType, kFontTypeStandard);
  EXPECT_EQ(font.BaseFontName(), "Helvetica-Bold");
  EXPECT_EQ(info.WidthOf('A'), 600);
  EXPECT_EQ(info.Ascent, 800);
  EXPECT_EQ(info.Descent, -200);
  EXPECT_EQ(info.MaxWidth, 576);
  EXPECT_EQ(info.FontBBox.Left, -250);
  EXPECT_EQ(info.StrikeoutSize, 2);  // 40 div 20
  EXPECT_EQ(info.StrikeoutPosition, std::abs(d.Height()) / 5);
  EXPECT_EQ(info.UnderscoreSize, 4);  // 40 div 10
  EXPECT_EQ(info.UnderscorePosition, -1);
  EXPECT_GT(font.ScreenTextExtent("abc").Width, 0);
}

TEST(FontNames, PDFFontNamesToStandardFontsAndDescriptions) {
  const std::pair<const char*, int> indices[] = {{"/Helv", 4},
                                                 {"Helvetica", 4},
                                                 {"/HeBo", 5},
                                                 {"/ABCDEF+Helvetica-Bold", 5},
                                                 {"/TiRo", 0},
                                                 {"/TiBI", 3},
                                                 {"/Cour", 8},
                                                 {"/CoBO", 11},
                                                 {"/Symb", 12},
                                                 {"/ZaDb", 13},
                                                 {"/Times-Roman", 0},
                                                 {"helvetica", -1},
                                                 {"/Arial", -1},
                                                 {"/Helv2", -1},
                                                 {"", -1}};
  for (auto [name, index] : indices) EXPECT_EQ(StandardFontIndexOfPDFName(name), index) << name;

  struct {
    const char* pdfName;
    const char* family;
    uint8_t style;
    TkvFontPitch pitch;
  } const descriptions[] = {
      {"/Helv", "Helvetica", 0, fpDefault},
      {"/TiBI", "Times", fsBold | fsItalic, fpDefault},
      {"/CoOb", "Courier", fsItalic, fpFixed},
      {"/Arial,BoldItalic", "Arial", fsBold | fsItalic, fpDefault},
      {"/QWERTY+TimesNewRomanPSMT", "Times New Roman", 0, fpDefault},
      {"/CourierNewPS-BoldMT", "Courier New", fsBold, fpDefault},
      {"/DejaVu Sans", "DejaVu Sans", 0, fpDefault},
  };
  for (const auto& c : descriptions) {
    const TkvFontDescription d = DescriptionForPDFFontName(c.pdfName, 11);
    EXPECT_EQ(d.Name, c.family) << c.pdfName;
    EXPECT_EQ(d.Style, c.style) << c.pdfName;
    EXPECT_EQ(d.Pitch, c.pitch) << c.pdfName;
    EXPECT_EQ(d.Size, 11);
  }
}

TEST(FontNames, NamesAreEscapedForPDF) {
  EXPECT_EQ(PDFNameOf("Arial,Bold"), "/Arial,Bold");
  EXPECT_EQ(PDFNameOf("Some Font"), "/Some#20Font");
  EXPECT_EQ(PDFNameOf("A(b)/c#\xC3\xA9"), "/A#28b#29#2Fc#23#C3#A9");
}

// Every code of the encodings and code pages against Python's codecs.
TEST(FontNames, EncodingTablesAgreeWithPythonCodecs) {
  kvtest::TempDir dir;
  const std::string out = fonttest::Python(dir, R"(
for name in ['cp1252', 'mac_roman', 'cp1251', 'cp1253', 'cp1250']:
    row = []
    for c in range(256):
        try:
            ch = bytes([c]).decode(name)
            row.append(ord(ch) if c >= 32 and c != 127 else 0)
        except UnicodeDecodeError:
            row.append(0)
    print(name, ' '.join(map(str, row)))
)");
  std::istringstream lines(out);
  std::string name;
  while (lines >> name) {
    std::array<int, 256> expected{};
    for (int& v : expected) lines >> v;
    const auto& table = name == "cp1252"      ? EncodingTable(0)
                        : name == "mac_roman" ? EncodingTable(1)
                                              : CodePageTable(std::stoi(name.substr(2)));
    for (int c = 32; c < 256; ++c) {
      // DEL; the maker's logo; the currency sign PDF keeps where later Macs put the euro.
      if (c == 127 || (name == "mac_roman" && (c == 0xF0 || c == 0xDB))) continue;
      EXPECT_EQ(static_cast<int>(table[c]), expected[c]) << name << " code " << c;
    }
  }
  // The two encodings no codec has: spot checks.
  EXPECT_EQ(EncodingTable(3)[0x27], u'\u2019');
  EXPECT_EQ(EncodingTable(3)[0xE1], u'\u00C6');
  EXPECT_EQ(EncodingTable(4)[0x80], u'\u2022');
  EXPECT_EQ(EncodingTable(4)[0xA0], u'\u20AC');
  EXPECT_EQ(EncodingTable(2)[0x41], 0);
}

}  // namespace
