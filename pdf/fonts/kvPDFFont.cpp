#include "pdf/fonts/kvPDFFont.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/kvUtils.h"
#include "pdf/fonts/kvFontEncodings.h"

namespace kv {
namespace {

// The point size the measuring font is opened at: widths in pixels at 1000 points
// convert to thousandths of the em.
constexpr int32_t kMeasuringPoints = 1000;

// n / d rounded to the nearest integer, halves to even (d > 0).
int32_t RoundHalfEven(int64_t n, int64_t d) {
  int64_t q = n / d, r = n % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return static_cast<int32_t>(q);
}

// metric div pixels-per-inch * 72: the integer division first, so results are multiples
// of 72 (the precision the descriptor metrics have always had).
int32_t PixelsToUnitsCoarse(int32_t pixels) { return pixels / ScreenPixelsPerInch() * 72; }

// round(size * (pixels / ppi * 72) / 1000), halves to even.
int32_t OutlineToPoints(int32_t size, int32_t pixels) {
  const double points = static_cast<double>(pixels) / ScreenPixelsPerInch() * 72.0;
  return static_cast<int32_t>(std::nearbyint(size * points / 1000.0));
}

bool IsRegularNameChar(unsigned char c) {
  if (c <= 32 || c >= 127) return false;
  switch (c) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
    case '#':
      return false;
    default:
      return true;
  }
}

}  // namespace

TkvPDFFontInfo::TkvPDFFontInfo(int32_t ownerTag, const TkvFontDescription& font)
    : OwnerTag(ownerTag),
      StrikeoutSize(font.Size / 20),
      StrikeoutPosition(std::abs(font.Height()) / 5),
      UnderscoreSize(font.Size / 10) {
  Widths.fill(600);
}

int32_t TkvPDFFontInfo::WidthOf(uint8_t code) const {
  return code >= kFirstWidthCode ? Widths[code - kFirstWidthCode] : 600;
}

TkvPDFFont::TkvPDFFont(const TkvFontDescription& font, bool embedding, int32_t ownerTag)
    : font_(font), embedding_(embedding), info_(std::make_unique<TkvPDFFontInfo>(ownerTag, font)) {
  Measure();
  SetBaseFontName();
}

TkvPDFFont::~TkvPDFFont() = default;

int32_t TkvPDFFont::MeasuringPixelsPerEm() {
  return static_cast<int32_t>(std::lround(static_cast<double>(kMeasuringPoints) * ScreenPixelsPerInch() / 72.0));
}

int32_t TkvPDFFont::ScreenPixelsPerEm() const { return std::max(1, std::abs(font_.Height())); }

void TkvPDFFont::Measure() {
  system_ = FontServices().OpenFont(font_);
  if (!system_) {
    // Nothing to measure: the defaults stay, and naming treats the font as a regular
    // proportional sans serif in the requested style.
    metrics_.PitchAndFamily = kTmpfFixedPitch | kFamilySwiss;
    metrics_.Weight = font_.IsBold() ? 700 : 400;
    metrics_.Italic = font_.IsItalic();
    return;
  }
  metrics_ = system_->TextMetrics(MeasuringPixelsPerEm());
  Classify();
  MeasureWidths();
  MeasureVerticalMetrics();
  TkvPDFFontInfo& info = *info_;
  const uint8_t pf = metrics_.PitchAndFamily;
  info.Flags = 0;
  if (!(pf & kTmpfFixedPitch)) info.Flags += 1;
  if (pf & 16) info.Flags += 2;
  if (font_.Charset == kSymbolCharset) info.Flags += 4;
  if (pf & 64) info.Flags += 8;
  if (font_.Charset != kSymbolCharset) info.Flags += 32;
  if (metrics_.Italic) info.Flags += 64;
}

bool TkvPDFFont::PassesTrueTypeTest() const {
  if (!fontData_) return false;
  const std::vector<uint8_t> sets = FontServices().FamilyCharsets(font_.Name);
  auto has = [&](uint8_t cs) { return std::find(sets.begin(), sets.end(), cs) != sets.end(); };
  return has(font_.Charset) || (font_.Charset == kDefaultCharset && has(SystemCharset()));
}

void TkvPDFFont::Classify() {
  const uint8_t pf = metrics_.PitchAndFamily;
  if (pf & kTmpfTrueType) fontData_ = system_->FontData();
  if ((pf & kTmpfTrueType) && PassesTrueTypeTest())
    info_->FontType = kFontTypeTrueType;
  else if ((pf & kTmpfFixedPitch) && (pf & kTmpfVector) && (pf & kTmpfDevice))
    info_->FontType = kFontTypeDevice;
  info_->FixedPitch = !(pf & kTmpfFixedPitch);
}

void TkvPDFFont::MeasureWidths() {
  TkvPDFFontInfo& info = *info_;
  if (info.FixedPitch && !embedding_) {
    info.MaxWidth = GlyphWidth(GlyphOf(U' '));
    return;
  }
  for (int code = kFirstWidthCode; code <= kLastWidthCode; ++code) {
    const char32_t ch = CharOfCode(static_cast<uint8_t>(code));
    info.Widths[code - kFirstWidthCode] = GlyphWidth(ch ? GlyphOf(ch) : 0);
  }
}

void TkvPDFFont::MeasureVerticalMetrics() {
  TkvPDFFontInfo& info = *info_;
  info.Ascent = PixelsToUnitsCoarse(metrics_.Ascent);
  info.Descent = PixelsToUnitsCoarse(-metrics_.Descent);
  info.CapHeight = PixelsToUnitsCoarse(metrics_.Ascent);
  info.AvgWidth = PixelsToUnitsCoarse(metrics_.AveCharWidth);
  if (!info.FixedPitch) info.MaxWidth = PixelsToUnitsCoarse(metrics_.MaxCharWidth);
  info.FontBBox.Top = info.Ascent;
  info.FontBBox.Right = info.MaxWidth;
  info.FontBBox.Bottom = info.Descent;
  if (info.FontType != kFontTypeTrueType) return;
  TkvOutlineMetrics outline;
  if (!system_->OutlineMetrics(MeasuringPixelsPerEm(), outline)) return;
  info.ItalicAngle = outline.ItalicAngle / 10;
  info.StemV = 78;
  info.StrikeoutSize = OutlineToPoints(font_.Size, outline.StrikeoutSize);
  info.StrikeoutPosition = OutlineToPoints(font_.Size, outline.StrikeoutPosition);
  info.UnderscoreSize = OutlineToPoints(font_.Size, outline.UnderscoreSize);
  info.UnderscorePosition = OutlineToPoints(font_.Size, outline.UnderscorePosition) - 1;
}

std::string TkvPDFFont::FaceNameWithoutBlanks() const {
  std::string name = font_.Name.empty() && system_ ? system_->FamilyName() : font_.Name;
  name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
  return name;
}

void TkvPDFFont::SetBaseFontName() {
  const uint8_t type = info_->FontType;
  if (type == kFontTypeTrueType || type == kFontTypeDevice) {
    baseFontName_ = FaceNameWithoutBlanks();
    if (font_.IsBold() || font_.IsItalic()) baseFontName_ += ',';
    if (font_.IsBold()) baseFontName_ += "Bold";
    if (font_.IsItalic()) baseFontName_ += "Italic";
    return;
  }
  if (StandardFontIndex(font_.Name) >= 0) {
    baseFontName_ = font_.Name;
  } else if (font_.Charset == kSymbolCharset) {
    baseFontName_ = "ZapfDingbats";
  } else if (font_.Charset != kAnsiCharset && font_.Charset != kDefaultCharset && GetACP() != 1252) {
    baseFontName_ = "Symbol";
  } else {
    // The standard font of the same design: Courier for fixed pitch, Times for roman,
    // Helvetica for swiss, with the weight and slant of the measured font.
    const uint8_t pf = metrics_.PitchAndFamily;
    int index = ((pf & kTmpfFixedPitch) && (pf & 48) < 48) ? -1 : 11;
    if (pf & 16) index = 3;
    if (pf & 32) index = 7;
    if (!metrics_.Italic) index -= 2;
    if (metrics_.Weight < 700) index -= 1;
    baseFontName_ = index >= 0 ? kStandardFontNames[static_cast<size_t>(index)] : font_.Name;
  }
}

char32_t TkvPDFFont::CharOfCode(uint8_t code) const {
  if (font_.Charset == kSymbolCharset || (system_ && system_->IsSymbolFont())) return code;
  const int codePage = CodePageOfCharset(font_.Charset);
  if (codePage == 0) return code < 0x80 ? code : 0;
  return CodePageTable(codePage)[code];
}

uint32_t TkvPDFFont::GlyphOf(char32_t ch) const { return system_ ? system_->GlyphIndex(ch) : 0; }

int32_t TkvPDFFont::GlyphWidth(uint32_t glyph) const {
  if (!system_) return 600;
  const int32_t pixels = system_->GlyphAdvance(glyph, MeasuringPixelsPerEm());
  return RoundHalfEven(int64_t{pixels} * 72, ScreenPixelsPerInch());
}

std::u32string TkvPDFFont::CharsOfText(std::string_view text) const {
  if (font_.Charset != kSymbolCharset) return TextToCodePoints(text);
  std::u32string out;
  for (unsigned char c : text) out += static_cast<char32_t>(c);
  return out;
}

TkvTextExtent TkvPDFFont::ScreenTextExtent(std::string_view text) const {
  TkvTextExtent extent;
  if (!system_) {
    // Without a font: the default widths (600 per character) at the screen size.
    const std::u32string chars = CharsOfText(text);
    extent.Width = static_cast<int32_t>(chars.size()) * ScreenPixelsPerEm() * 600 / 1000;
    extent.Height = ScreenPixelsPerEm();
    return extent;
  }
  const int32_t ppem = ScreenPixelsPerEm();
  for (char32_t ch : CharsOfText(text)) extent.Width += system_->GlyphAdvance(GlyphOf(ch), ppem);
  extent.Height = system_->TextMetrics(ppem).Height;
  return extent;
}

TkvTextMetrics TkvPDFFont::ScreenMetrics() const {
  if (system_) return system_->TextMetrics(ScreenPixelsPerEm());
  TkvTextMetrics m = metrics_;
  const int32_t ppem = ScreenPixelsPerEm();
  m.Ascent = ppem * 4 / 5;
  m.Descent = ppem - m.Ascent;
  m.Height = ppem;
  m.AveCharWidth = m.MaxCharWidth = ppem * 576 / 1000;
  return m;
}

TkvOutlineMetrics TkvPDFFont::ScreenOutlineMetrics() const {
  TkvOutlineMetrics m;
  const int32_t ppem = ScreenPixelsPerEm();
  if (system_ && system_->OutlineMetrics(ppem, m)) return m;
  m.UnderscoreSize = m.StrikeoutSize = std::max(1, ppem / 20);
  m.UnderscorePosition = -std::max(1, ppem / 10);
  m.StrikeoutPosition = ppem / 4;
  return m;
}

std::string PDFNameOf(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "/";
  for (unsigned char c : name) {
    if (IsRegularNameChar(c)) {
      out += static_cast<char>(c);
    } else {
      out += '#';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::u32string TextToCodePoints(std::string_view text) {
  const std::u16string units = AnsiToUtf16(text);
  std::u32string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      out += static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      out += u;
    }
  }
  return out;
}

}  // namespace kv
