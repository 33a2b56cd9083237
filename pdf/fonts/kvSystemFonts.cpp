#include "pdf/fonts/kvSystemFonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cmath>
#include <map>

#include "core/kvUtils.h"
#include "pdf/fonts/kvFontEncodings.h"
#include "pdf/fonts/kvTrueTypeSubset.h"

namespace kv {

int32_t TkvFontDescription::Height() const {
  return -static_cast<int32_t>(std::lround(static_cast<double>(Size) * ScreenPixelsPerInch() / 72.0));
}

namespace {

// Scales font units to whole pixels, halves away from zero.
int32_t Scale(int64_t units, int32_t ppem, int32_t unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  const int64_t n = units * ppem * 2;
  const int64_t d = int64_t{unitsPerEm} * 2;
  return static_cast<int32_t>(n >= 0 ? (n + unitsPerEm) / d : -((-n + unitsPerEm) / d));
}

FT_Library Library() {
  // One FreeType instance for the process, freed at exit.
  static struct Holder {
    FT_Library lib = nullptr;
    Holder() {
      if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    }
    ~Holder() {
      if (lib) FT_Done_FreeType(lib);
    }
  } holder;
  return holder.lib;
}

// The design family of a font from its PANOSE classification, else from the IBM family
// class of OS/2; fixed-pitch fonts are "modern" whatever their design.
uint8_t DesignFamily(const TT_OS2* os2, bool fixed) {
  if (fixed) return kFamilyModern;
  if (!os2 || os2->version == 0xFFFF) return kFamilyDontCare;
  const uint8_t kind = os2->panose[0], serif = os2->panose[1];
  if (kind == 3) return kFamilyScript;
  if (kind == 4 || kind == 5) return kFamilyDecorative;
  if (kind == 2) {
    if (serif >= 11 && serif <= 15) return kFamilySwiss;  // sans serif styles, flared, rounded
    if (serif >= 2 && serif <= 10) return kFamilyRoman;
  }
  switch (os2->sFamilyClass >> 8) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 7:
      return kFamilyRoman;
    case 8:
      return kFamilySwiss;
    case 10:
      return kFamilyScript;
    case 9:
    case 12:
      return kFamilyDecorative;
    default:
      return kFamilyDontCare;
  }
}

class TkvFreeTypeFont : public TkvSystemFont {
 public:
  TkvFreeTypeFont(TkvSharedBytes data, FT_Face face, int faceIndex, const TkvFontDescription& requested)
      : data_(std::move(data)), face_(face), faceIndex_(faceIndex), requested_(requested) {
    family_ = face_->family_name ? face_->family_name : "";
    os2_ = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    post_ = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face_, FT_SFNT_POST));
    if (os2_ && os2_->version == 0xFFFF) os2_ = nullptr;
    FT_ULong length = 0;
    hasGlyf_ = FT_Load_Sfnt_Table(face_, TTAG_glyf, 0, nullptr, &length) == 0;
    if (face_->charmap && face_->charmap->encoding == FT_ENCODING_MS_SYMBOL) symbol_ = true;
  }
  ~TkvFreeTypeFont() override { FT_Done_Face(face_); }
  TkvFreeTypeFont(const TkvFreeTypeFont&) = delete;
  TkvFreeTypeFont& operator=(const TkvFreeTypeFont&) = delete;

  void SetFamilyName(std::string name) { family_ = std::move(name); }
  std::string FamilyName() const override { return family_; }

  TkvTextMetrics TextMetrics(int32_t ppem) const override {
    TkvTextMetrics m;
    const int32_t upem = face_->units_per_EM;
    int64_t ascent = face_->ascender, descent = -face_->descender;
    if (os2_ && (os2_->usWinAscent != 0 || os2_->usWinDescent != 0)) {
      ascent = os2_->usWinAscent;
      descent = os2_->usWinDescent;
    }
    m.Ascent = Scale(ascent, ppem, upem);
    m.Descent = Scale(descent, ppem, upem);
    m.Height = m.Ascent + m.Descent;
    const int64_t average = os2_ && os2_->xAvgCharWidth > 0 ? os2_->xAvgCharWidth : face_->max_advance_width / 2;
    m.AveCharWidth = Scale(average, ppem, upem);
    m.MaxCharWidth = Scale(face_->max_advance_width, ppem, upem);
    m.Weight = os2_ && os2_->usWeightClass > 0             ? os2_->usWeightClass
               : (face_->style_flags & FT_STYLE_FLAG_BOLD) ? 700
                                                           : 400;
    // A bold or italic request that the family cannot serve is drawn slanted or
    // emboldened by the renderer, and reported as such.
    if (requested_.IsBold() && m.Weight < 600) m.Weight = 700;
    m.Italic = (face_->style_flags & FT_STYLE_FLAG_ITALIC) != 0 || requested_.IsItalic();
    const bool fixed = FT_IS_FIXED_WIDTH(face_) || (os2_ && os2_->panose[3] == 9);
    m.PitchAndFamily = static_cast<uint8_t>((fixed ? 0 : kTmpfFixedPitch) | kTmpfVector |
                                            (hasGlyf_ ? kTmpfTrueType : 0) | DesignFamily(os2_, fixed));
    m.CharSet = requested_.Charset == kDefaultCharset ? SystemCharset() : requested_.Charset;
    return m;
  }

  bool OutlineMetrics(int32_t ppem, TkvOutlineMetrics& m) const override {
    if (!FT_IS_SFNT(face_) || !post_) return false;
    const int32_t upem = face_->units_per_EM;
    m.ItalicAngle = static_cast<int32_t>(std::lround(static_cast<double>(post_->italicAngle) * 10.0 / 65536.0));
    m.UnderscoreSize = Scale(post_->underlineThickness, ppem, upem);
    m.UnderscorePosition = Scale(post_->underlinePosition, ppem, upem);
    if (os2_) {
      m.StrikeoutSize = Scale(os2_->yStrikeoutSize, ppem, upem);
      m.StrikeoutPosition = Scale(os2_->yStrikeoutPosition, ppem, upem);
    } else {
      m.StrikeoutSize = m.UnderscoreSize;
      m.StrikeoutPosition = Scale(face_->ascender, ppem, upem) / 3;
    }
    return true;
  }

  uint32_t GlyphCount() const override { return static_cast<uint32_t>(face_->num_glyphs); }

  uint32_t GlyphIndex(char32_t ch) const override {
    FT_UInt g = FT_Get_Char_Index(face_, ch);
    if (g == 0 && symbol_ && ch < 0x100) g = FT_Get_Char_Index(face_, 0xF000 | ch);
    return g;
  }

  int32_t GlyphAdvance(uint32_t glyph, int32_t ppem) const override {
    FT_Fixed advance = 0;
    if (glyph >= GlyphCount() || FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
    return Scale(advance, ppem, face_->units_per_EM);
  }

  bool IsSymbolFont() const override { return symbol_; }

  TkvSharedBytes FontData() const override {
    if (face_->num_faces <= 1 && faceIndex_ == 0) return data_;
    try {
      return std::make_shared<const std::string>(TkvTrueTypeFont(data_, faceIndex_).StandaloneFont());
    } catch (const Exception&) {
      return nullptr;
    }
  }

 private:
  TkvSharedBytes data_;
  FT_Face face_;
  int faceIndex_;
  TkvFontDescription requested_;
  std::string family_;
  const TT_OS2* os2_ = nullptr;
  const TT_Postscript* post_ = nullptr;
  bool hasGlyf_ = false;
  bool symbol_ = false;
};

// The language fontconfig is asked to cover for a character set, so that a font that can
// show the script is preferred when the family itself is missing.
const char* LanguageOfCharset(uint8_t charset) {
  switch (charset) {
    case kEastEuropeCharset:
      return "cs";
    case kRussianCharset:
      return "ru";
    case kGreekCharset:
      return "el";
    case kTurkishCharset:
      return "tr";
    case kHebrewCharset:
      return "he";
    case kArabicCharset:
      return "ar";
    case kBalticCharset:
      return "lt";
    case kVietnameseCharset:
      return "vi";
    case kThaiCharset:
      return "th";
    case kShiftJisCharset:
      return "ja";
    case kHangulCharset:
    case kJohabCharset:
      return "ko";
    case kGB2312Charset:
      return "zh-cn";
    case kChineseBig5Charset:
      return "zh-tw";
    default:
      return nullptr;
  }
}

// Characters that show a font covers a character set when it declares no code pages.
struct CharsetProbe {
  uint8_t charset;
  char32_t ch;
};
constexpr CharsetProbe kCharsetProbes[] = {
    {kAnsiCharset, 0x00E9},       {kEastEuropeCharset, 0x0159}, {kRussianCharset, 0x0416},  {kGreekCharset, 0x03A9},
    {kTurkishCharset, 0x011F},    {kHebrewCharset, 0x05D0},     {kArabicCharset, 0x0627},   {kBalticCharset, 0x0173},
    {kVietnameseCharset, 0x1EA0}, {kThaiCharset, 0x0E01},       {kShiftJisCharset, 0x3042}, {kHangulCharset, 0xAC00},
};

struct FcPatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

class TkvFontconfigServices : public TkvFontServices {
 public:
  TkvFontconfigServices() = default;
  ~TkvFontconfigServices() override {
    if (config_) FcConfigDestroy(config_);
  }
  TkvFontconfigServices(const TkvFontconfigServices&) = delete;
  TkvFontconfigServices& operator=(const TkvFontconfigServices&) = delete;

  std::unique_ptr<TkvSystemFont> OpenFont(const TkvFontDescription& font) override {
    PatternPtr match = Match(font);
    if (!match) return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return nullptr;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    TkvSharedBytes data;
    try {
      data = ReadWholeFile(reinterpret_cast<const char*>(file));
    } catch (const Exception&) {
      return nullptr;
    }
    auto opened = OpenFontData(std::move(data), index, font);
    FcChar8* family = nullptr;
    if (opened && FcPatternGetString(match.get(), FC_FAMILY, 0, &family) == FcResultMatch && family)
      static_cast<TkvFreeTypeFont*>(opened.get())->SetFamilyName(reinterpret_cast<const char*>(family));
    return opened;
  }

  std::vector<uint8_t> FamilyCharsets(const std::string& requested) override {
    TkvFontDescription font;
    font.Name = requested;
    PatternPtr match = Match(font);
    FcChar8* family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch || !family) return {};
    const std::string name = reinterpret_cast<const char*>(family);
    auto cached = familyCharsets_.find(name);
    if (cached != familyCharsets_.end()) return cached->second;

    std::vector<uint8_t> sets;
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, family);
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* list = FcFontList(config_, pattern.get(), objects);
    FcObjectSetDestroy(objects);
    for (int i = 0; list && i < list->nfont; ++i) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(list->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      FcPatternGetInteger(list->fonts[i], FC_INDEX, 0, &index);
      for (uint8_t cs : FaceCharsets(reinterpret_cast<const char*>(file), index))
        if (sets.size() < kMaxFamilyCharsets && std::find(sets.begin(), sets.end(), cs) == sets.end())
          sets.push_back(cs);
    }
    if (list) FcFontSetDestroy(list);
    familyCharsets_[name] = sets;
    return sets;
  }

 private:
  // fontconfig's choice for the description, as a desktop would make it.
  PatternPtr Match(const TkvFontDescription& font) {
    if (!Ready()) return nullptr;
    PatternPtr pattern(FcPatternCreate());
    if (!font.Name.empty())
      FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(font.Name.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.IsBold() ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, font.IsItalic() ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (font.Pitch == fpFixed) FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (const char* lang = LanguageOfCharset(font.Charset))
      FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcConfigSubstitute(config_, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(config_, pattern.get(), &result));
    if (result != FcResultMatch) return nullptr;
    return match;
  }

  // The services keep a configuration of their own (loaded once, freed with them) rather
  // than the library's global one, which is never freed.
  bool Ready() {
    if (!loaded_) {
      loaded_ = true;
      config_ = FcInitLoadConfigAndFonts();
    }
    return config_ != nullptr;
  }

  // The character sets one face declares; read from its OS/2 code-page bits, else probed
  // through its character map.
  static std::vector<uint8_t> FaceCharsets(const char* file, int index) {
    std::vector<uint8_t> sets;
    FT_Face face = nullptr;
    if (!Library() || FT_New_Face(Library(), file, index, &face) != 0) return sets;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->version >= 1 && os2->ulCodePageRange1 != 0) {
      sets = CharsetsFromCodePageBits(static_cast<uint32_t>(os2->ulCodePageRange1));
    } else if (face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL) {
      sets.push_back(kSymbolCharset);
    } else {
      for (const CharsetProbe& p : kCharsetProbes)
        if (FT_Get_Char_Index(face, p.ch) != 0) sets.push_back(p.charset);
    }
    FT_Done_Face(face);
    return sets;
  }

  FcConfig* config_ = nullptr;
  bool loaded_ = false;
  std::map<std::string, std::vector<uint8_t>> familyCharsets_;
};

std::shared_ptr<TkvFontServices>& CurrentServices() {
  static std::shared_ptr<TkvFontServices> current;
  return current;
}

}  // namespace

std::shared_ptr<TkvFontServices> SystemFontServices() {
  static std::shared_ptr<TkvFontServices> system = std::make_shared<TkvFontconfigServices>();
  return system;
}

TkvFontServices& FontServices() {
  std::shared_ptr<TkvFontServices>& current = CurrentServices();
  if (!current) current = SystemFontServices();
  return *current;
}

std::shared_ptr<TkvFontServices> SetFontServices(std::shared_ptr<TkvFontServices> services) {
  std::shared_ptr<TkvFontServices> previous = CurrentServices();
  CurrentServices() = services ? std::move(services) : SystemFontServices();
  return previous ? previous : SystemFontServices();
}

std::unique_ptr<TkvSystemFont> OpenFontData(TkvSharedBytes data, int faceIndex, const TkvFontDescription& requested) {
  if (!data || !Library() || faceIndex < 0) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(Library(), reinterpret_cast<const FT_Byte*>(data->data()), static_cast<FT_Long>(data->size()),
                         faceIndex, &face) != 0)
    return nullptr;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  // Prefer the Unicode map; a symbol font keeps its symbol map (FreeType's choice).
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0 && !face->charmap)
    FT_Set_Charmap(face, face->charmaps[0]);
  return std::make_unique<TkvFreeTypeFont>(std::move(data), face, faceIndex, requested);
}

std::vector<uint8_t> CharsetsFromCodePageBits(uint32_t bits) {
  static constexpr struct {
    int bit;
    uint8_t charset;
  } kBits[] = {{0, kAnsiCharset},       {1, kEastEuropeCharset},   {2, kRussianCharset},   {3, kGreekCharset},
               {4, kTurkishCharset},    {5, kHebrewCharset},       {6, kArabicCharset},    {7, kBalticCharset},
               {8, kVietnameseCharset}, {16, kThaiCharset},        {17, kShiftJisCharset}, {18, kGB2312Charset},
               {19, kHangulCharset},    {20, kChineseBig5Charset}, {21, kJohabCharset},    {29, kMacCharset},
               {30, kOemCharset},       {31, kSymbolCharset}};
  std::vector<uint8_t> sets;
  for (const auto& b : kBits)
    if (bits & (uint32_t{1} << b.bit)) sets.push_back(b.charset);
  return sets;
}

}  // namespace kv
