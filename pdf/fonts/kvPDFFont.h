// A system font measured for PDF: its metrics in thousandths of the em, its kind
// (TrueType to embed, device font, or a stand-in for one of the fourteen standard fonts)
// and its PDF base-font name. Measuring happens once, when the font is created, with the
// installed font that serves the description (see kvSystemFonts.h), opened at 1000
// points; the opened font stays with the object so that later measuring of texts reads
// no file again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/fonts/kvFontDescription.h"
#include "pdf/fonts/kvSystemFonts.h"

namespace kv {

// Values of TkvPDFFontInfo::FontType.
inline constexpr uint8_t kFontTypeTrueType = 0;  // embeddable TrueType
inline constexpr uint8_t kFontTypeDevice = 1;    // written as /Type1 under its own name
inline constexpr uint8_t kFontTypeStandard = 2;  // written as one of the fourteen standard fonts

// First and last single-byte code that simple fonts give widths for.
inline constexpr int kFirstWidthCode = 32;
inline constexpr int kLastWidthCode = 255;
inline constexpr int kWidthCount = kLastWidthCode - kFirstWidthCode + 1;

// A font box of whole numbers. After measuring, Top holds the ascent and Bottom the
// descent (the descriptor writes Left, Bottom, Right, Top).
struct TkvFontBBox {
  int32_t Left = -250;
  int32_t Top = -200;
  int32_t Right = 1000;
  int32_t Bottom = 900;
};

// The metrics of one font, in thousandths of the em unless said otherwise. The defaults
// stay wherever measuring fails.
struct TkvPDFFontInfo {
  explicit TkvPDFFontInfo(int32_t ownerTag, const TkvFontDescription& font);

  int32_t OwnerTag;
  std::array<int32_t, kWidthCount> Widths;  // codes 32..255, 600 each by default
  int32_t Flags = 0;                        // PDF font descriptor flags
  TkvFontBBox FontBBox;
  int32_t Ascent = 800;
  int32_t Descent = -200;
  int32_t CapHeight = 700;
  int32_t AvgWidth = 576;
  int32_t MaxWidth = 576;  // also /MissingWidth and /DW
  int32_t StemV = 0;
  int32_t ItalicAngle = 0;  // degrees
  // The next four are in points at the font's size.
  int32_t StrikeoutSize;      // default: size div 20
  int32_t StrikeoutPosition;  // default: |height in pixels| div 5
  int32_t UnderscoreSize;     // default: size div 10
  int32_t UnderscorePosition = -1;
  uint8_t FontType = kFontTypeStandard;
  bool FixedPitch = false;

  // Width of a single-byte code (600 outside 32..255).
  int32_t WidthOf(uint8_t code) const;
};

// Text measured on the screen at the font's own size: pixels at the screen's resolution.
struct TkvTextExtent {
  int32_t Width = 0;
  int32_t Height = 0;  // the font's height (ascent + descent), whatever the text
};

class TkvPDFFont {
 public:
  // Copies the description, sets the metric defaults, measures and names the font.
  // Without an installed font to measure (or when measuring fails), the defaults stay
  // and the font counts as a standard font.
  TkvPDFFont(const TkvFontDescription& font, bool embedding, int32_t ownerTag);
  virtual ~TkvPDFFont();
  TkvPDFFont(const TkvPDFFont&) = delete;
  TkvPDFFont& operator=(const TkvPDFFont&) = delete;

  const TkvFontDescription& Font() const { return font_; }
  const TkvPDFFontInfo& FontInfo() const { return *info_; }
  TkvPDFFontInfo& FontInfo() { return *info_; }
  // The /BaseFont name without "/" and without a subset tag ("TimesNewRoman,BoldItalic",
  // "Helvetica-Bold"). It may hold blanks (a standard-font fallback keeps the face name);
  // write it with PDFNameOf.
  const std::string& BaseFontName() const { return baseFontName_; }
  // The face name with every blank removed (the descriptor's /FontName).
  std::string FaceNameWithoutBlanks() const;
  bool Embedding() const { return embedding_; }
  // The installed font behind the metrics; null when none could be opened.
  const TkvSystemFont* SystemFont() const { return system_.get(); }
  // The text metrics read at 1000 points (pixels), as classification and naming used
  // them; all zero when no font could be measured.
  const TkvTextMetrics& MeasuredMetrics() const { return metrics_; }

  // The Unicode character a single-byte code of this font's character set stands for
  // (its code page; a symbol font's codes stand for themselves); 0 where none.
  char32_t CharOfCode(uint8_t code) const;
  // The glyph that draws a Unicode character (0, the missing glyph, when none).
  uint32_t GlyphOf(char32_t ch) const;
  // Advance of a glyph in thousandths of the em, measured as the widths are.
  int32_t GlyphWidth(uint32_t glyph) const;

  // The characters of a text in the process code page; for the symbol character set
  // the bytes are the font's codes and stand for themselves.
  std::u32string CharsOfText(std::string_view text) const;

  // Text (process code page) measured on the screen at the font's size.
  TkvTextExtent ScreenTextExtent(std::string_view text) const;
  // Text metrics at the font's size on the screen (pixels).
  TkvTextMetrics ScreenMetrics() const;
  // Outline metrics (underscore and strike-out lines) at the font's size on the screen, in
  // pixels; without outline metrics, lines of about a twentieth of the size are reported.
  TkvOutlineMetrics ScreenOutlineMetrics() const;

 protected:
  void Measure();
  void Classify();
  void MeasureWidths();
  void MeasureVerticalMetrics();
  void SetBaseFontName();
  bool PassesTrueTypeTest() const;
  // Pixels per em of the 1000-point measuring font and of the screen font.
  static int32_t MeasuringPixelsPerEm();
  int32_t ScreenPixelsPerEm() const;

  TkvFontDescription font_;
  bool embedding_;
  std::unique_ptr<TkvPDFFontInfo> info_;
  std::string baseFontName_;
  std::unique_ptr<TkvSystemFont> system_;
  TkvTextMetrics metrics_;
  TkvSharedBytes fontData_;  // the font file, once the TrueType test has read it
};

// A PDF name object's text for a name: "/" and the name, with blanks, delimiters and
// bytes outside the printable range written as #xx.
std::string PDFNameOf(std::string_view name);

// Unicode code points of process code page text (surrogate pairs joined).
std::u32string TextToCodePoints(std::string_view text);

}  // namespace kv
