#include "pdf/fonts/kvTrueTypeSubset.h"

#include <algorithm>
#include <numeric>

#include "pdf/fonts/kvPDFFontConsts.h"

namespace kv {
namespace {

// A collection lists its faces in its header; more than this is no real collection.
constexpr uint32_t kMaxCollectionFaces = 4096;
// The directory order of the subset program, which viewers and the format expect.
constexpr uint32_t kSubsetOrder[] = {SfntTag("cmap"), SfntTag("cvt "), SfntTag("fpgm"), SfntTag("glyf"),
                                     SfntTag("head"), SfntTag("hhea"), SfntTag("hmtx"), SfntTag("loca"),
                                     SfntTag("maxp"), SfntTag("prep")};
constexpr uint32_t kOptionalTables[] = {SfntTag("cvt "), SfntTag("fpgm"), SfntTag("prep")};
constexpr uint32_t kChecksumMagic = 0xB1B0AFBA;
constexpr uint32_t kHeadAdjustmentOffset = 8;
constexpr uint32_t kHeadMinLength = 54;

[[noreturn]] void Damaged(const std::string& what) {
  throw EUnsupportedFontError(Format(msg::SDamagedFontProgram, what.c_str()));
}

std::string TagText(uint32_t tag) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((tag >> (24 - 8 * i)) & 0xFF);
  return s;
}

uint16_t U16(std::string_view d, size_t at) {
  return static_cast<uint16_t>((static_cast<uint8_t>(d[at]) << 8) | static_cast<uint8_t>(d[at + 1]));
}
uint32_t U32(std::string_view d, size_t at) { return (uint32_t{U16(d, at)} << 16) | U16(d, at + 2); }

void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v >> 16));
  PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
}
void SetU32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}
void PadTo(std::string& out, size_t multiple) {
  while (out.size() % multiple) out += '\0';
}

struct OutTable {
  uint32_t tag;
  std::string_view data;
  uint32_t checksum;
};

// An sfnt file: the offset table, the directory in the given order, and the table data in
// `dataOrder` (indices into `tables`), each padded to four bytes. When a head table is
// present its checksum adjustment is set for the finished file.
std::string Assemble(uint32_t version, const std::vector<OutTable>& tables, const std::vector<size_t>& dataOrder) {
  const auto n = static_cast<uint16_t>(tables.size());
  uint16_t selector = 0;
  while ((2u << selector) <= n) ++selector;
  const auto searchRange = static_cast<uint16_t>(16u << selector);
  std::string out;
  PutU32(out, version);
  PutU16(out, n);
  PutU16(out, searchRange);
  PutU16(out, selector);
  PutU16(out, static_cast<uint16_t>(n * 16 - searchRange));
  const size_t directory = out.size();
  out.resize(directory + 16u * n);
  std::vector<uint32_t> offsets(tables.size());
  for (size_t i : dataOrder) {
    offsets[i] = static_cast<uint32_t>(out.size());
    out.append(tables[i].data);
    PadTo(out, 4);
  }
  size_t head = std::string::npos;
  for (size_t i = 0; i < tables.size(); ++i) {
    const size_t at = directory + 16 * i;
    SetU32(out, at, tables[i].tag);
    SetU32(out, at + 4, tables[i].checksum);
    SetU32(out, at + 8, offsets[i]);
    SetU32(out, at + 12, static_cast<uint32_t>(tables[i].data.size()));
    if (tables[i].tag == SfntTag("head")) head = offsets[i];
  }
  if (head != std::string::npos) {
    SetU32(out, head + kHeadAdjustmentOffset, 0);
    SetU32(out, head + kHeadAdjustmentOffset, kChecksumMagic - SfntChecksum(out));
  }
  return out;
}

}  // namespace

uint32_t SfntChecksum(std::string_view data) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 4 <= data.size(); i += 4) sum += U32(data, i);
  if (i < data.size()) {
    uint32_t last = 0;
    for (size_t k = 0; k < 4; ++k) last = (last << 8) | (i + k < data.size() ? static_cast<uint8_t>(data[i + k]) : 0u);
    sum += last;
  }
  return sum;
}

TkvTrueTypeFont::TkvTrueTypeFont(TkvSharedBytes data, int faceIndex) : data_(std::move(data)) {
  if (!data_) Damaged(msg::SFontDirectory);
  const std::string_view d = *data_;
  if (d.size() < 12) Damaged(msg::SFontDirectory);
  uint32_t start = 0;
  if (U32(d, 0) == SfntTag("ttcf")) {
    collection_ = true;
    const uint32_t faces = U32(d, 8);
    if (faceIndex < 0 || static_cast<uint32_t>(faceIndex) >= std::min(faces, kMaxCollectionFaces) ||
        12 + 4 * uint64_t(faceIndex) + 4 > d.size())
      Damaged(Format(msg::SFontFaceIndex, faceIndex));
    start = U32(d, 12 + 4 * static_cast<size_t>(faceIndex));
  } else if (faceIndex != 0) {
    Damaged(Format(msg::SFontFaceIndex, faceIndex));
  }
  ReadDirectory(start);
  ReadLoca();
}

void TkvTrueTypeFont::ReadDirectory(uint32_t start) {
  const std::string_view d = *data_;
  if (uint64_t{start} + 12 > d.size()) Damaged(msg::SFontDirectory);
  const uint32_t version = U32(d, start);
  if (version != 0x00010000 && version != SfntTag("true")) Damaged(msg::SFontNotTrueType);
  const uint16_t count = U16(d, start + 4);
  if (uint64_t{start} + 12 + 16 * uint64_t{count} > d.size()) Damaged(msg::SFontDirectory);
  tables_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = start + 12 + 16 * size_t{i};
    TkvSfntTable t{U32(d, at), U32(d, at + 4), U32(d, at + 8), U32(d, at + 12)};
    if (uint64_t{t.Offset} + t.Length > d.size()) Damaged(Format(msg::SFontTableOutside, TagText(t.Tag).c_str()));
    tables_.push_back(t);
  }
}

void TkvTrueTypeFont::ReadLoca() {
  auto require = [&](const char(&tag)[5], uint32_t minLength) {
    const TkvSfntTable* t = FindTable(SfntTag(tag));
    if (!t) Damaged(Format(msg::SFontTableMissing, tag));
    if (t->Length < minLength) Damaged(Format(msg::SFontTableShort, tag));
    return std::string_view(*data_).substr(t->Offset, t->Length);
  };
  const std::string_view head = require("head", kHeadMinLength);
  const std::string_view maxp = require("maxp", 6);
  glyf_ = require("glyf", 0);
  const int16_t format = static_cast<int16_t>(U16(head, 50));
  if (format != 0 && format != 1) Damaged(Format(msg::SFontTableShort, "head"));
  longLoca_ = format == 1;
  glyphCount_ = U16(maxp, 4);
  const uint32_t entrySize = longLoca_ ? 4 : 2;
  const std::string_view loca = require("loca", (uint32_t{glyphCount_} + 1) * entrySize);
  loca_.resize(size_t{glyphCount_} + 1);
  for (size_t g = 0; g < loca_.size(); ++g) {
    loca_[g] = longLoca_ ? U32(loca, g * 4) : uint32_t{U16(loca, g * 2)} * 2;
    if (g > 0 && loca_[g] < loca_[g - 1]) Damaged(msg::SFontLocaOrder);
  }
  if (loca_.back() > glyf_.size()) Damaged(msg::SFontLocaOutside);
}

const TkvSfntTable* TkvTrueTypeFont::FindTable(uint32_t tag) const {
  for (const TkvSfntTable& t : tables_)
    if (t.Tag == tag) return &t;
  return nullptr;
}

std::string_view TkvTrueTypeFont::TableData(uint32_t tag) const {
  const TkvSfntTable* t = FindTable(tag);
  return t ? std::string_view(*data_).substr(t->Offset, t->Length) : std::string_view();
}

std::string_view TkvTrueTypeFont::GlyphData(uint32_t glyph) const {
  if (glyph >= glyphCount_) return {};
  return glyf_.substr(loca_[glyph], loca_[glyph + 1] - loca_[glyph]);
}

std::vector<uint16_t> TkvTrueTypeFont::ComponentsOf(uint32_t glyph) const {
  // Composite glyph flags that decide the size of each component record.
  constexpr uint16_t kArgsAreWords = 0x0001, kHaveScale = 0x0008, kMoreComponents = 0x0020, kHaveXYScale = 0x0040,
                     kHaveTwoByTwo = 0x0080;
  std::vector<uint16_t> components;
  const std::string_view g = GlyphData(glyph);
  if (g.size() < 10 || static_cast<int16_t>(U16(g, 0)) >= 0) return components;
  size_t at = 10;
  uint16_t flags = kMoreComponents;
  while (flags & kMoreComponents) {
    if (at + 4 > g.size()) Damaged(Format(msg::SFontGlyphTruncated, glyph));
    if (components.size() >= static_cast<size_t>(kMaxComponentsPerGlyph))
      Damaged(Format(msg::SFontComponentCount, glyph));
    flags = U16(g, at);
    const uint16_t component = U16(g, at + 2);
    if (component < glyphCount_) components.push_back(component);
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    at += (flags & kHaveScale) ? 2 : (flags & kHaveXYScale) ? 4 : (flags & kHaveTwoByTwo) ? 8 : 0;
    if (at > g.size()) Damaged(Format(msg::SFontGlyphTruncated, glyph));
  }
  return components;
}

std::string TkvTrueTypeFont::StandaloneFont() const {
  if (!collection_) return *data_;
  std::vector<const TkvSfntTable*> sorted;
  for (const TkvSfntTable& t : tables_) sorted.push_back(&t);
  std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->Tag < b->Tag; });
  std::vector<OutTable> out;
  for (const TkvSfntTable* t : sorted) out.push_back({t->Tag, TableData(t->Tag), t->CheckSum});
  std::vector<size_t> order(out.size());
  std::iota(order.begin(), order.end(), 0);
  return Assemble(0x00010000, out, order);
}

void AddComponentGlyphs(const TkvTrueTypeFont& font, std::set<uint16_t>& glyphs) {
  struct Frame {
    uint16_t glyph;
    std::vector<uint16_t> components;
    size_t next = 0;
  };
  std::set<uint16_t> done;
  const std::vector<uint16_t> roots(glyphs.begin(), glyphs.end());
  for (uint16_t root : roots) {
    if (done.count(root)) continue;
    // Depth-first over the components; a glyph met again on the current path is a loop.
    std::vector<Frame> path{{root, font.ComponentsOf(root)}};
    std::set<uint16_t> onPath{root};
    while (!path.empty()) {
      Frame& top = path.back();
      if (top.next == top.components.size()) {
        done.insert(top.glyph);
        onPath.erase(top.glyph);
        path.pop_back();
        continue;
      }
      const uint16_t c = top.components[top.next++];
      if (onPath.count(c)) Damaged(Format(msg::SFontComponentLoop, c));
      glyphs.insert(c);
      if (done.count(c)) continue;
      if (path.size() >= static_cast<size_t>(kMaxComponentDepth)) Damaged(msg::SFontComponentDepth);
      path.push_back({c, font.ComponentsOf(c)});
      onPath.insert(c);
    }
  }
}

std::string BuildSubsetFont(const TkvTrueTypeFont& font, const std::set<uint16_t>& glyphs) {
  const uint32_t count = font.GlyphCount();
  const size_t alignment = font.LongLoca() ? 4 : 2;
  std::string glyf;
  std::vector<uint32_t> offsets(size_t{count} + 1);
  for (uint32_t g = 0; g < count; ++g) {
    offsets[g] = static_cast<uint32_t>(glyf.size());
    if (g == 0 || glyphs.count(static_cast<uint16_t>(g))) {
      glyf.append(font.GlyphData(g));
      PadTo(glyf, alignment);
    }
  }
  offsets[count] = static_cast<uint32_t>(glyf.size());
  if (!font.LongLoca() && offsets[count] / 2 > 0xFFFF) Damaged(msg::SFontTooLarge);
  std::string loca;
  for (uint32_t offset : offsets) {
    if (font.LongLoca())
      PutU32(loca, offset);
    else
      PutU16(loca, static_cast<uint16_t>(offset / 2));
  }

  std::vector<OutTable> tables;
  size_t glyfIndex = 0, locaIndex = 0;
  for (uint32_t tag : kSubsetOrder) {
    const bool optional =
        std::find(std::begin(kOptionalTables), std::end(kOptionalTables), tag) != std::end(kOptionalTables);
    if (tag == SfntTag("glyf")) {
      glyfIndex = tables.size();
      tables.push_back({tag, glyf, SfntChecksum(glyf)});
    } else if (tag == SfntTag("loca")) {
      locaIndex = tables.size();
      tables.push_back({tag, loca, SfntChecksum(loca)});
    } else if (const TkvSfntTable* t = font.FindTable(tag)) {
      tables.push_back({tag, font.TableData(tag), t->CheckSum});
    } else if (!optional) {
      Damaged(Format(msg::SFontTableMissing, TagText(tag).c_str()));
    }
  }
  std::vector<size_t> order;
  for (size_t i = 0; i < tables.size(); ++i)
    if (i != glyfIndex && i != locaIndex) order.push_back(i);
  order.push_back(glyfIndex);
  order.push_back(locaIndex);
  return Assemble(0x00010000, tables, order);
}

}  // namespace kv
