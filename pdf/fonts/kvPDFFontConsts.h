// Messages of the font units.
#pragma once

namespace kv::msg {
inline constexpr const char* SUnsupportedFont = "Unsupported Font (%s)";
// A font program we cannot read or subset; %s says what is wrong with it.
inline constexpr const char* SDamagedFontProgram = "Damaged font program (%s)";
inline constexpr const char* SFontDirectory = "table directory outside the file";
inline constexpr const char* SFontNotTrueType = "not a TrueType font";
inline constexpr const char* SFontFaceIndex = "no face %d in the collection";
inline constexpr const char* SFontTableOutside = "table '%s' outside the file";
inline constexpr const char* SFontTableMissing = "table '%s' missing";
inline constexpr const char* SFontTableShort = "table '%s' too short";
inline constexpr const char* SFontLocaOrder = "glyph locations out of order";
inline constexpr const char* SFontLocaOutside = "glyph locations outside 'glyf'";
inline constexpr const char* SFontGlyphTruncated = "glyph %u truncated";
inline constexpr const char* SFontComponentLoop = "composite glyph %u refers to itself";
inline constexpr const char* SFontComponentDepth = "composite glyphs nested too deeply";
inline constexpr const char* SFontComponentCount = "composite glyph %u has too many components";
inline constexpr const char* SFontTooLarge = "subset too large for short glyph locations";
}  // namespace kv::msg
