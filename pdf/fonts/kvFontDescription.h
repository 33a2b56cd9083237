// The vocabulary every font unit shares: the description of a system font as a user
// chooses it (name, size, style, character set, pitch), the character-set numbers fonts
// have carried on desktops for decades, and the error raised for a font we cannot use.
#pragma once

#include <cstdint>
#include <string>

#include "core/kvPDFUtils.h"

namespace kv {

// A font that cannot be used: not TrueType where embedding needs it, or a font program
// that is damaged or hostile (truncated tables, offsets past the end, component loops).
KV_DECLARE_EXCEPTION(EUnsupportedFontError, EPDFException)

// Character sets of a font description.
inline constexpr uint8_t kAnsiCharset = 0;
inline constexpr uint8_t kDefaultCharset = 1;
inline constexpr uint8_t kSymbolCharset = 2;
inline constexpr uint8_t kMacCharset = 77;
inline constexpr uint8_t kShiftJisCharset = 128;
inline constexpr uint8_t kHangulCharset = 129;
inline constexpr uint8_t kJohabCharset = 130;
inline constexpr uint8_t kGB2312Charset = 134;
inline constexpr uint8_t kChineseBig5Charset = 136;
inline constexpr uint8_t kGreekCharset = 161;
inline constexpr uint8_t kTurkishCharset = 162;
inline constexpr uint8_t kVietnameseCharset = 163;
inline constexpr uint8_t kHebrewCharset = 177;
inline constexpr uint8_t kArabicCharset = 178;
inline constexpr uint8_t kBalticCharset = 186;
inline constexpr uint8_t kRussianCharset = 204;
inline constexpr uint8_t kThaiCharset = 222;
inline constexpr uint8_t kEastEuropeCharset = 238;
inline constexpr uint8_t kOemCharset = 255;

// Font style bits (a set: combine with |).
enum TkvFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

enum TkvFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

// A system font as the user names it. The name is the family the user typed ("Arial");
// the installed font that serves it may be another family ("Liberation Sans").
struct TkvFontDescription {
  std::string Name = "Arial";
  int32_t Size = 10;  // points
  uint8_t Style = 0;  // TkvFontStyle bits
  uint8_t Charset = kDefaultCharset;
  TkvFontPitch Pitch = fpDefault;
  // 0x00BBGGRR. Carried for the callers that draw with the font; measuring ignores it.
  uint32_t Color = 0;

  bool IsBold() const { return (Style & fsBold) != 0; }
  bool IsItalic() const { return (Style & fsItalic) != 0; }
  bool IsUnderline() const { return (Style & fsUnderline) != 0; }
  bool IsStrikeOut() const { return (Style & fsStrikeOut) != 0; }
  // The character height in screen pixels, negative as desktop fonts state a height
  // that excludes the internal leading: -round(Size * pixels-per-inch / 72).
  int32_t Height() const;
};

}  // namespace kv
