// The font a widget's appearance draws with, chosen for the text it has to show:
// the field's own font from the default resources when it is a simple font whose
// encoding holds every character; Helvetica (a standard font, measured with its installed
// metric twin) when the form defines no usable font; and an embedded composite font when
// the text holds characters that no single-byte encoding of those fonts has (Cyrillic or
// Greek names, for example).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "pdf/features/kvFieldAppearance.h"

namespace kv {

class TkvPDFFont;
class TkvPDFExtendedFont;

class TkvAppearanceFont {
 public:
  // Chooses and prepares the font for `text` (code points of the whole value).
  TkvAppearanceFont(const TkvFontInfo& info, const std::u32string& text, TkvFormContext& ctx);
  ~TkvAppearanceFont();
  TkvAppearanceFont(const TkvAppearanceFont&) = delete;
  TkvAppearanceFont& operator=(const TkvAppearanceFont&) = delete;

  // The name the content's "Tf" uses and the appearance's /Resources /Font holds.
  const std::string& ResourceName() const { return resourceName_; }
  // Vertical metrics in thousandths of the em; Descent is positive below the baseline.
  double Ascent() const { return ascent_; }
  double Descent() const { return descent_; }
  // Width of a line in thousandths of the em.
  double Width(const std::u32string& line) const;
  // The "Tj" operand that shows a line ("(...)" escaped, or "<...>" glyph codes).
  std::string Operand(const std::u32string& line) const;
  // The value the appearance's /Resources /Font entry gets (a new reference, counted as
  // one more use of the font object). Builds an embedded font's dictionaries on first
  // call, for every line measured or shown so far.
  TkvPDFObjectPtr ResourceValue();

 private:
  enum class Kind { Resource, Standard, Composite };
  bool UseResourceFont(const TkvFontInfo& info, const std::u32string& text);
  void UseStandardFont(const TkvFontInfo& info);
  void UseCompositeFont(const std::u32string& text);
  void ReadSystemMetrics(const TkvPDFFont& font);
  bool Encodable(const std::u32string& text) const;
  // Fills the character-to-code index from codeChars_ (the lowest code wins).
  void IndexCodes();
  // The code of a character in the simple font's encoding; -1 when it has none.
  int CodeOf(char32_t c) const;
  std::string LineText(const std::u32string& line) const;

  TkvFormContext& ctx_;
  Kind kind_ = Kind::Standard;
  std::string resourceName_;
  double ascent_ = 800;
  double descent_ = 200;
  // Simple fonts: the code of each character (by a table over the encoding) and the
  // widths of codes 0..255 (-1 where the font's /Widths say nothing).
  std::array<char32_t, 256> codeChars_{};
  std::unordered_map<char32_t, uint8_t> charCodes_;
  std::array<double, 256> widths_{};
  std::unique_ptr<TkvPDFFont> measure_;
  std::unique_ptr<TkvPDFExtendedFont> composite_;
  TkvPDFObjectPtr resourceFont_;  // the /DR entry of a resource font
};

}  // namespace kv
