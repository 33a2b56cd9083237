// TrueType font programs: reading the table directory of a font file (a face of a
// collection included), following composite glyphs to their components, and writing the
// subset program that embeds only the glyphs a text uses.
//
// The subset program keeps the ten tables a PDF viewer needs, in this directory order:
// cmap, cvt, fpgm, glyf, head, hhea, hmtx, loca, maxp, prep. A font without cvt, fpgm or
// prep (they hold hinting, which many fonts do without) gets a directory of the tables it
// has, in the same order, with the binary-search fields computed for that count; the
// other seven are required. Tables other than glyf and loca are copied unchanged, keep
// their checksum and length, and follow the directory one after another, each padded to
// four bytes; the new glyf follows them and the new loca comes last. loca keeps the
// source's short or long format and one entry per source glyph; glyphs not used are
// empty. The head table's checksum adjustment is written as the format defines it:
// 0xB1B0AFBA minus the sum of the file's 32-bit words.
//
// A font file is input like any other: tables past the end, a loca that is out of order
// or points outside glyf, composite glyphs that loop or nest without end all raise
// EUnsupportedFontError.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/fonts/kvFontDescription.h"

namespace kv {

// Composite glyphs may nest; deeper nesting than this is refused (real fonts use 1-3
// levels, and a viewer follows no deeper either).
inline constexpr int kMaxComponentDepth = 16;
// Components one composite glyph may list.
inline constexpr int kMaxComponentsPerGlyph = 1024;

struct TkvSfntTable {
  uint32_t Tag = 0;
  uint32_t CheckSum = 0;
  uint32_t Offset = 0;  // from the start of the file
  uint32_t Length = 0;
};

// A four-letter table tag as a number ("glyf" -> 0x676C7966).
constexpr uint32_t SfntTag(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

// The sum of a table's 32-bit big-endian words, the last one padded with zero bytes.
uint32_t SfntChecksum(std::string_view data);

// A read-only view of one TrueType font in a font file. The constructor checks the
// directory (every table inside the file) and the tables glyph access needs (head, maxp,
// loca, glyf); any fault raises EUnsupportedFontError.
class TkvTrueTypeFont {
 public:
  explicit TkvTrueTypeFont(TkvSharedBytes data, int faceIndex = 0);

  const std::vector<TkvSfntTable>& Tables() const { return tables_; }
  const TkvSfntTable* FindTable(uint32_t tag) const;
  // The bytes of a table (empty when absent).
  std::string_view TableData(uint32_t tag) const;
  uint16_t GlyphCount() const { return glyphCount_; }
  bool LongLoca() const { return longLoca_; }
  // The outline data of a glyph (empty for an empty glyph or an index past the count).
  std::string_view GlyphData(uint32_t glyph) const;
  // The glyphs a composite glyph refers to directly (none for a simple glyph).
  std::vector<uint16_t> ComponentsOf(uint32_t glyph) const;
  // A standalone font file of this face: the data itself for a single font, the face's
  // tables copied into a font file of their own for a face of a collection.
  std::string StandaloneFont() const;

 private:
  void ReadDirectory(uint32_t start);
  void ReadLoca();

  TkvSharedBytes data_;
  bool collection_ = false;
  std::vector<TkvSfntTable> tables_;
  std::vector<uint32_t> loca_;  // glyph offsets within glyf, one more than the glyph count
  std::string_view glyf_;
  uint16_t glyphCount_ = 0;
  bool longLoca_ = false;
};

// Adds the components of every composite glyph in `glyphs`, and theirs, to the set.
// A loop or nesting deeper than kMaxComponentDepth raises EUnsupportedFontError.
void AddComponentGlyphs(const TkvTrueTypeFont& font, std::set<uint16_t>& glyphs);

// The subset program of `font` holding the glyphs of `glyphs` (glyph 0, the missing
// glyph, is always kept; components are the caller's to add, see AddComponentGlyphs).
std::string BuildSubsetFont(const TkvTrueTypeFont& font, const std::set<uint16_t>& glyphs);

}  // namespace kv
