// Font resources: the font dictionaries a page's /Resources /Font entry refers to, built
// for one text in one system font.
//
// Two forms. A font whose character set is ANSI, symbol, or the default set on a 1252
// system is written simple: /TrueType (or /Type1 for device and standard fonts) with the
// 224 widths of codes 32..255 in the chosen encoding and a font descriptor. Any other
// character set gives the composite form: /Type0 with /Identity-H over a /CIDFontType2
// descendant whose CIDs are glyph indices, a /W array with each used glyph's width under
// its own index, and a /ToUnicode map from those glyphs back to the text's characters
// (so the text can be searched and copied out again).
//
// Embedding (TrueType fonts only): 0 writes no font program, 1 the whole font file,
// 2 a subset holding only the glyphs the text uses (named with the "WYOIAS+" tag).
//
// Every new object gets the next object number of the store and the owner identity the
// caller gives (the document's). Each object the resource creates is referred to once;
// the returned font dictionary has a reference count of 1 for the reference returned:
// a caller that places further copies of that reference must count them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/fonts/kvPDFFont.h"
#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// Embedding modes.
inline constexpr int kEmbedNone = 0;
inline constexpr int kEmbedWholeFont = 1;
inline constexpr int kEmbedSubset = 2;

// The tag that names a subset font program.
inline constexpr const char* kSubsetTag = "WYOIAS+";

// One glyph a text uses: its advance in thousandths of the em and the characters it
// stands for (the first text that used it wins).
struct TkvUsedGlyph {
  int32_t Width = 0;
  std::u32string Text;
};

// A font prepared for embedding: the font measured with embedding on, the glyphs used
// by the texts it is to show, and the font file. The file is read once, when the font is
// created.
class TkvPDFExtendedFont : public TkvPDFFont {
 public:
  // `encodingIndex` (0..4, kEncodingNames) is the encoding the simple form uses.
  TkvPDFExtendedFont(const TkvFontDescription& font, int32_t ownerTag, int encodingIndex = 0);

  int EncodingIndex() const { return encoding_; }
  // Whether resources of this font take the composite form (decided by the character
  // set, as the file header explains).
  bool IsComposite() const;

  // The bytes that show `text` (process code page) in this font: for the simple form one
  // code per character in the encoding ("?" for a character it cannot hold; a symbol
  // font's codes as given), for the composite form two bytes per character, the glyph
  // index high byte first.
  std::string EncodeText(std::string_view text) const;
  // The string operand of a "Tj" for `text`: a literal "(...)" with PDF escapes for the
  // simple form, "<...>" with upper-case hex digits for the composite form.
  std::string TextOperand(std::string_view text) const;
  // Width of `text` in thousandths of the em (sum of the advances of what it shows).
  int32_t TextWidth(std::string_view text) const;

  // Records the glyphs `text` uses (with the components of composite glyphs when the
  // font program is subset); several texts may share one resource.
  void AddText(std::string_view text);
  const std::map<uint32_t, TkvUsedGlyph>& UsedGlyphs() const { return used_; }
  // The whole font file; null when it cannot be read.
  const TkvSharedBytes& FontFile() const { return fontFile_; }

  // Builds the font dictionaries for the texts added so far plus `text`, adds them to
  // `store` and returns the reference to the font dictionary. Raises
  // EUnsupportedFontError "Unsupported Font (%s)" for a composite font that is not
  // TrueType (nothing is added then), and for a font program that cannot be subset.
  std::unique_ptr<TkvPDFIndirectReference> BuildResource(TkvPDFObjectStore& store, int32_t owner,
                                                         const std::string& resourceName, int embeddingMode,
                                                         std::string_view text = {});

  // The /ToUnicode CMap text of the used glyphs (CR LF line ends).
  std::string ToUnicodeCMap() const;

 private:
  // The Unicode character of a simple-form code in the chosen encoding.
  char32_t EncodedChar(uint8_t code) const;
  uint8_t CodeOfChar(char32_t ch) const;
  void AddGlyph(uint32_t glyph, char32_t ch);

  int encoding_;
  TkvSharedBytes fontFile_;
  std::map<uint32_t, TkvUsedGlyph> used_;
};

// Builds the font resource for a system font and a text (an extended font is made for
// it with embedding on) and returns the reference to the font dictionary.
std::unique_ptr<TkvPDFIndirectReference> BuildFontResource(TkvPDFObjectStore& store, int32_t owner,
                                                           const TkvFontDescription& font,
                                                           const std::string& resourceName, int embeddingMode,
                                                           int encodingIndex, std::string_view text);

// A /Type1 dictionary for standard font `index` (0..13): /BaseFont its name, /Name the
// resource name, and /Encoding the named encoding except for Symbol and ZapfDingbats,
// which keep their own. Added to the store like the others; returns its reference.
std::unique_ptr<TkvPDFIndirectReference> BuildStandardFontResource(TkvPDFObjectStore& store, int32_t owner, int index,
                                                                   const std::string& resourceName,
                                                                   int encodingIndex = 0);

}  // namespace kv
