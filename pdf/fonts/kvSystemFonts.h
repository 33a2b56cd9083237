// The platform font layer: which installed font serves a font description (fontconfig,
// matching the way a desktop does, so "Arial" finds its metric twin), and what that font
// measures (FreeType): text metrics, outline metrics, per-glyph advances, the whole font
// file, and the character sets its family covers. Measures are in pixels at a pixel size
// given by the caller, as screen font services report them.
//
// Test seam: SetFontServices replaces the whole layer, so a test can serve a chosen or
// broken font file, or a font with doctored metrics.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/fonts/kvFontDescription.h"

namespace kv {

// Bits of TkvTextMetrics::PitchAndFamily. The low nibble holds the kind of font; note
// that the "fixed pitch" bit is set for proportional fonts and clear for fixed-pitch
// ones (an inversion that font metrics have always carried).
inline constexpr uint8_t kTmpfFixedPitch = 1;
inline constexpr uint8_t kTmpfVector = 2;
inline constexpr uint8_t kTmpfTrueType = 4;
inline constexpr uint8_t kTmpfDevice = 8;
// The high nibble names the design family.
inline constexpr uint8_t kFamilyDontCare = 0;
inline constexpr uint8_t kFamilyRoman = 16;
inline constexpr uint8_t kFamilySwiss = 32;
inline constexpr uint8_t kFamilyModern = 48;
inline constexpr uint8_t kFamilyScript = 64;
inline constexpr uint8_t kFamilyDecorative = 80;

// Text metrics of a font at one pixel size, rounded to whole pixels.
struct TkvTextMetrics {
  int32_t Height = 0;  // Ascent + Descent
  int32_t Ascent = 0;
  int32_t Descent = 0;  // positive, below the baseline
  int32_t AveCharWidth = 0;
  int32_t MaxCharWidth = 0;
  int32_t Weight = 400;  // 400 regular, 700 bold (a bold request on a regular face reads 700)
  bool Italic = false;   // also true for a slanted stand-in of a missing italic face
  uint8_t PitchAndFamily = 0;
  uint8_t CharSet = kAnsiCharset;  // the character set the font was opened for
};

// Outline metrics of a TrueType font at one pixel size.
struct TkvOutlineMetrics {
  int32_t ItalicAngle = 0;  // tenths of a degree, negative for a font leaning right
  int32_t StrikeoutSize = 0;
  int32_t StrikeoutPosition = 0;  // above the baseline
  int32_t UnderscoreSize = 0;
  int32_t UnderscorePosition = 0;  // negative below the baseline
};

// One installed font opened for measuring. Sizes are passed per call (pixels per em), so
// one opened font serves the 1000-point measuring size and the screen size alike.
class TkvSystemFont {
 public:
  virtual ~TkvSystemFont() = default;
  // The family that was actually found ("Liberation Sans" for a request of "Arial").
  virtual std::string FamilyName() const = 0;
  virtual TkvTextMetrics TextMetrics(int32_t pixelsPerEm) const = 0;
  // False for a font without outline metrics (not an sfnt font).
  virtual bool OutlineMetrics(int32_t pixelsPerEm, TkvOutlineMetrics& metrics) const = 0;
  // Number of glyphs; glyph indices run from 0 (the missing glyph) to GlyphCount() - 1.
  virtual uint32_t GlyphCount() const = 0;
  // The glyph of a Unicode character through the font's character map; 0 when absent.
  // A symbol font (whose map holds codes at U+F000..U+F0FF) also answers for the
  // single-byte code itself.
  virtual uint32_t GlyphIndex(char32_t ch) const = 0;
  // Advance width of a glyph in whole pixels at the size.
  virtual int32_t GlyphAdvance(uint32_t glyph, int32_t pixelsPerEm) const = 0;
  // Whether the font maps its glyphs through a symbol character map.
  virtual bool IsSymbolFont() const = 0;
  // The whole font file as one standalone font (a face of a collection is taken out of
  // it); null when the font has no readable font file.
  virtual TkvSharedBytes FontData() const = 0;
};

// The services of the platform. One instance serves the process (see FontServices()).
class TkvFontServices {
 public:
  virtual ~TkvFontServices() = default;
  // The installed font a desktop would choose for the description; null when none can be
  // opened. The description's size is ignored (sizes are given when measuring).
  virtual std::unique_ptr<TkvSystemFont> OpenFont(const TkvFontDescription& font) = 0;
  // The distinct character sets the installed faces of a family cover, as their code-page
  // bits state them (at most kMaxFamilyCharsets). `family` is the name as requested; it
  // is resolved as OpenFont resolves it.
  virtual std::vector<uint8_t> FamilyCharsets(const std::string& family) = 0;
};

// Character sets a family can list: every set a font can declare, each once.
inline constexpr size_t kMaxFamilyCharsets = 19;

// The process's font services: fontconfig and FreeType unless a test set others.
TkvFontServices& FontServices();
// Replaces the services and hands back the previous ones; null restores the system's.
std::shared_ptr<TkvFontServices> SetFontServices(std::shared_ptr<TkvFontServices> services);
// The system's services, whatever is set (a test seam may wrap them).
std::shared_ptr<TkvFontServices> SystemFontServices();

// Opens a font file held in memory (a TrueType or OpenType font, or face `faceIndex` of a
// collection) for measuring; `requested` supplies what matching would have added (the
// character set, and bold or italic asked of a face that lacks them). Null when FreeType
// cannot open the data.
std::unique_ptr<TkvSystemFont> OpenFontData(TkvSharedBytes data, int faceIndex, const TkvFontDescription& requested);

// The character sets that OS/2 code-page bits declare (ulCodePageRange1), in bit order.
std::vector<uint8_t> CharsetsFromCodePageBits(uint32_t codePageRange1);

}  // namespace kv
