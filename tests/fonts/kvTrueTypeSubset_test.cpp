// Subset font programs read back by fontTools, and damaged or hostile font files.
#include "pdf/fonts/kvTrueTypeSubset.h"

#include <gtest/gtest.h>

#include <functional>

#include "FontTestUtil.h"

namespace {

using kv::EUnsupportedFontError;
using kv::SfntTag;
using kv::TkvTrueTypeFont;

const char* const kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// Checks a subset program against its source, reading both with fontTools and the raw
// bytes: directory order and offset-table fields, where each table's data lies, the
// checksums, loca, which glyphs kept their outlines, and the whole-file checksum.
const char* const kCheckSubset = R"(
import sys, struct, io
from fontTools.ttLib import TTFont
sub_path, src_path, used = sys.argv[1], sys.argv[2], [int(x) for x in sys.argv[3].split(',')]
data, src_data = open(sub_path, 'rb').read(), open(src_path, 'rb').read()
version, n, sr, es, rs = struct.unpack('>IHHHH', data[:12])
order = ['cmap', 'cvt ', 'fpgm', 'glyf', 'head', 'hhea', 'hmtx', 'loca', 'maxp', 'prep']
src = TTFont(src_path)
expected = [t for t in order if t in src.reader.tables]
entries = [struct.unpack('>4sIII', data[12 + 16 * i:28 + 16 * i]) for i in range(n)]
tags = [e[0].decode('latin-1') for e in entries]
assert version == 0x10000 and tags == expected, tags
pow2 = 1 << (n.bit_length() - 1)
assert (sr, es, rs) == (16 * pow2, pow2.bit_length() - 1, 16 * n - 16 * pow2), (sr, es, rs)
pos = 12 + 16 * n
for tag in [t for t in tags if t not in ('glyf', 'loca')] + ['glyf', 'loca']:
    e = entries[tags.index(tag)]
    assert e[2] == pos, (tag, e[2], pos)
    pos += (e[3] + 3) & ~3
assert pos == len(data), (pos, len(data))
def checksum(b):
    b = b + b'\0' * (-len(b) % 4)
    return sum(struct.unpack('>%dI' % (len(b) // 4), b)) & 0xFFFFFFFF
for tag, cs, off, length in entries:
    tag = tag.decode('latin-1')
    if tag in ('glyf', 'loca'):
        assert cs == checksum(data[off:off + length]), tag
    else:
        s = src.reader.tables[tag]
        assert (cs, length) == (s.checkSum, s.length), tag
        if tag != 'head':
            assert data[off:off + length] == src_data[s.offset:s.offset + length], tag
assert checksum(data) == 0xB1B0AFBA, hex(checksum(data))
sub = TTFont(io.BytesIO(data))
assert sub['head'].indexToLocFormat == src['head'].indexToLocFormat
assert sub['maxp'].numGlyphs == src['maxp'].numGlyphs == len(sub['loca']) - 1
order_names = src.getGlyphOrder()
keep = {0} | set(used)
todo = list(keep)
while todo:
    g = src['glyf'][order_names[todo.pop()]]
    if g.isComposite():
        for c in g.getComponentNames(src['glyf']):
            gid = src.getGlyphID(c)
            if gid not in keep:
                keep.add(gid); todo.append(gid)
sl, tl = src['loca'], sub['loca']
glyf_src = src_data[src.reader.tables['glyf'].offset:]
glyf_sub = data[entries[tags.index('glyf')][2]:]
for gid in range(len(sl) - 1):
    a, b = tl[gid], tl[gid + 1]
    if gid in keep:
        assert glyf_sub[a:a + sl[gid + 1] - sl[gid]] == glyf_src[sl[gid]:sl[gid + 1]], gid
    else:
        assert a == b, gid
sub.saveXML(io.StringIO())
print('kept', len(keep))
)";

// Makes a copy of a font without hinting tables (and with short loca when asked).
const char* const kMakeVariant = R"(
import sys
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1])
for t in sys.argv[3].split(','):
    if t and t in f: del f[t]
f.save(sys.argv[2])
print(f['head'].indexToLocFormat)
)";

std::set<uint16_t> GlyphsOf(const std::string& fontPath, std::u32string_view text) {
  auto font = kv::OpenFontData(fonttest::ReadShared(fontPath), 0, {});
  std::set<uint16_t> glyphs;
  for (char32_t ch : text) glyphs.insert(static_cast<uint16_t>(font->GlyphIndex(ch)));
  return glyphs;
}

std::string Join(const std::set<uint16_t>& glyphs) {
  std::string s;
  for (uint16_t g : glyphs) s += (s.empty() ? "" : ",") + std::to_string(g);
  return s;
}

class SubsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fonttest::HaveFontTools()) GTEST_SKIP() << "fontTools is not installed";
  }
  // Subsets `text` of the font at `path`, writes the program and checks it with fontTools.
  std::string SubsetAndCheck(const std::string& path, std::u32string_view text) {
    TkvTrueTypeFont font(fonttest::ReadShared(path));
    std::set<uint16_t> glyphs = GlyphsOf(path, text);
    const std::set<uint16_t> used = glyphs;
    kv::AddComponentGlyphs(font, glyphs);
    const std::string program = kv::BuildSubsetFont(font, glyphs);
    kvtest::WriteFile(dir.File("subset.ttf"), program);
    fonttest::Python(dir, kCheckSubset, {dir.File("subset.ttf"), path, Join(used)});
    return program;
  }
  kvtest::TempDir dir;
};

TEST_F(SubsetTest, LatinAndCyrillicWithCompositeGlyphs) {
  // é, Й and Ğ are composite in these fonts: their components must come along.
  const std::string program = SubsetAndCheck(kSans, U"Héllo Йож Ğ");
  EXPECT_LT(program.size(), kvtest::ReadFile(kSans).size() / 4);
  SubsetAndCheck("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", U"Ωμέγα Ж");
}

TEST_F(SubsetTest, FontWithoutHintingTablesAndShortLoca) {
  // A font made without cvt, fpgm and prep, and small enough for short glyph locations.
  const std::string variant = dir.File("variant.ttf");
  fonttest::Python(dir, kMakeVariant,
                   {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", variant, "cvt ,fpgm,prep"});
  const std::string program = SubsetAndCheck(variant, U"Abc");
  EXPECT_EQ(program[5], 7);  // seven tables
  // Short loca: fontTools picks it for a font whose glyph data fits.
  const std::string shortLoca = dir.File("short.ttf");
  const std::string format = fonttest::Python(dir, R"(
import sys
from fontTools import subset
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1])
s = subset.Subsetter(subset.Options(hinting=True, notdef_outline=True))
s.populate(text='AbcÅé')
s.subset(f)
f.save(sys.argv[2])
print('loca format', TTFont(sys.argv[2])['head'].indexToLocFormat)
)",
                                              {kSans, shortLoca});
  ASSERT_NE(format.find("loca format 0"), std::string::npos) << format;
  SubsetAndCheck(shortLoca, U"Aé");
}

TEST(SfntChecksum, PadsTheLastWord) {
  EXPECT_EQ(kv::SfntChecksum(std::string("\x00\x00\x00\x01\x02", 5)), 0x02000001u);
  EXPECT_EQ(kv::SfntChecksum(""), 0u);
}

// ---- damaged and hostile fonts ----

// The raw font with helpers to find and patch its tables and glyphs.
struct FontBytes {
  std::string b;
  uint32_t U32(size_t at) const {
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint8_t(b[at + 3]);
  }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>((uint8_t(b[at]) << 8) | uint8_t(b[at + 1])); }
  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (24 - 8 * i));
  }
  void Put16(size_t at, uint16_t v) {
    b[at] = static_cast<char>(v >> 8);
    b[at + 1] = static_cast<char>(v);
  }
  size_t Entry(const char (&tag)[5]) const {
    for (uint16_t i = 0; i < U16(4); ++i)
      if (U32(12 + 16 * i) == SfntTag(tag)) return 12 + 16 * i;
    return 0;
  }
  size_t Table(const char (&tag)[5]) const { return U32(Entry(tag) + 8); }
  // Offset in the file of a glyph's data (long loca).
  size_t Glyph(uint16_t gid) const { return Table("glyf") + U32(Table("loca") + 4 * gid); }
  // Points the first component of composite glyph `gid` at `target`.
  void RetargetFirstComponent(uint16_t gid, uint16_t target) { Put16(Glyph(gid) + 12, target); }
};

struct HostileCase {
  const char* name;
  const char* reason;  // part of the message
  std::function<void(FontBytes&, const std::vector<uint16_t>& composites)> damage;
};

TEST(HostileFonts, EveryDamageIsRefusedWithAFontError) {
  FontBytes pristine{kvtest::ReadFile(kSans)};
  TkvTrueTypeFont reference(std::make_shared<const std::string>(pristine.b));
  ASSERT_FALSE(reference.LongLoca() == false);
  std::vector<uint16_t> composites;
  for (uint16_t g = 0; g < reference.GlyphCount() && composites.size() < 40; ++g)
    if (!reference.ComponentsOf(g).empty()) composites.push_back(g);
  ASSERT_GE(composites.size(), 20u);

  const HostileCase cases[] = {
      {"truncated before the directory", "directory", [](FontBytes& f, auto&) { f.b.resize(20); }},
      {"directory longer than the file", "directory", [](FontBytes& f, auto&) { f.Put16(4, 0xFFFF); }},
      {"table past the end", "'glyf' outside",
       [](FontBytes& f, auto&) { f.Put32(f.Entry("glyf") + 8, uint32_t(f.b.size() - 8)); }},
      {"table length wraps", "'hmtx' outside", [](FontBytes& f, auto&) { f.Put32(f.Entry("hmtx") + 12, 0xFFFFFFF0u); }},
      {"file cut inside the tables", "outside the file", [](FontBytes& f, auto&) { f.b.resize(f.b.size() / 2); }},
      {"head missing", "'head' missing", [](FontBytes& f, auto&) { f.Put32(f.Entry("head"), SfntTag("hexd")); }},
      {"cmap missing", "'cmap' missing", [](FontBytes& f, auto&) { f.Put32(f.Entry("cmap"), SfntTag("cmaq")); }},
      {"outlines are not TrueType", "not a TrueType", [](FontBytes& f, auto&) { f.Put32(0, SfntTag("OTTO")); }},
      {"bad loca format", "'head'", [](FontBytes& f, auto&) { f.Put16(f.Table("head") + 50, 7); }},
      {"loca out of order", "out of order",
       [](FontBytes& f, auto&) { f.Put32(f.Table("loca") + 4 * 10, f.U32(f.Table("loca") + 4 * 12)); }},
      {"loca past glyf", "outside 'glyf'",
       [](FontBytes& f, auto&) {
         const uint16_t count = f.U16(f.Table("maxp") + 4);
         f.Put32(f.Table("loca") + 4 * count, 0x7FFFFFF0u);
       }},
      {"glyph count beyond loca", "'loca' too short",
       [](FontBytes& f, auto&) { f.Put16(f.Table("maxp") + 4, 0xFFFF); }},
      {"composite refers to itself", "refers to itself",
       [](FontBytes& f, auto& c) { f.RetargetFirstComponent(c[0], c[0]); }},
      {"two composites refer to each other", "refers to itself",
       [](FontBytes& f, auto& c) {
         f.RetargetFirstComponent(c[0], c[1]);
         f.RetargetFirstComponent(c[1], c[0]);
       }},
      {"composites nested deeper than the bound", "nested too deeply",
       [](FontBytes& f, auto& c) {
         for (size_t i = 0; i + 1 < 20; ++i) f.RetargetFirstComponent(c[i], c[i + 1]);
       }},
      {"component record runs past its glyph", "truncated",
       [](FontBytes& f, auto& c) {
         const size_t flags = f.Glyph(c[0]) + 10;
         f.Put16(flags, f.U16(flags) | 0x0020 | 0x0001 | 0x0080);  // more follow, long arguments, 2x2
         const size_t next = flags + 4 + 4 + 8;
         for (size_t at = next; at + 1 < f.Glyph(c[0] + 1); at += 2) f.Put16(at, 0x0021);
       }},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    FontBytes font = pristine;
    c.damage(font, composites);
    auto data = std::make_shared<const std::string>(font.b);
    try {
      TkvTrueTypeFont ttf(data);
      std::set<uint16_t> glyphs(composites.begin(), composites.begin() + 20);
      for (uint16_t g = 30; g < 200; ++g) glyphs.insert(g);
      kv::AddComponentGlyphs(ttf, glyphs);
      kv::BuildSubsetFont(ttf, glyphs);
      ADD_FAILURE() << "accepted";
    } catch (const EUnsupportedFontError& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

TEST(HostileFonts, CollectionFacesAreCheckedAndMadeStandalone) {
  // A collection of one face: the face's tables at their original offsets behind a
  // "ttcf" header, which the standalone copy turns back into a font of its own.
  const std::string single = kvtest::ReadFile(kSans);
  std::string ttc = std::string("ttcf\0\1\0\0\0\0\0\1\0\0\0\x10", 16) + single;
  FontBytes f{ttc};
  for (uint16_t i = 0; i < f.U16(16 + 4); ++i) {
    const size_t entry = 16 + 12 + 16 * i;
    f.Put32(entry + 8, f.U32(entry + 8) + 16);
  }
  auto data = std::make_shared<const std::string>(f.b);
  TkvTrueTypeFont face(data, 0);
  const std::string standalone = face.StandaloneFont();
  TkvTrueTypeFont again(std::make_shared<const std::string>(standalone));
  EXPECT_EQ(again.GlyphCount(), face.GlyphCount());
  EXPECT_EQ(again.TableData(SfntTag("glyf")), face.TableData(SfntTag("glyf")));
  EXPECT_EQ(kv::SfntChecksum(standalone), 0xB1B0AFBAu);
  EXPECT_THROW(TkvTrueTypeFont(data, 1), EUnsupportedFontError);
  EXPECT_THROW(TkvTrueTypeFont(std::make_shared<const std::string>(single), 1), EUnsupportedFontError);
}

}  // namespace
