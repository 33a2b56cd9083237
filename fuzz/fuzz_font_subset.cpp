// Font files. The first byte picks the surface and the face; the next eight name glyphs
// to keep; the rest is the font file. Surfaces: the subsetter on its own (whose output
// must read back as a font with the same glyphs and a valid whole-file checksum), and a
// whole font resource built from the file through font services that serve it, which
// measures it with FreeType as well.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "pdf/fonts/kvExPDFFont.h"
#include "pdf/fonts/kvTrueTypeSubset.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "%s\n", what);
    abort();
  }
}

void Subset(const kv::TkvSharedBytes& data, int face, const uint8_t* picks) {
  kvfuzz::Guarded([&] {
    kv::TkvTrueTypeFont font(data, face);
    std::set<uint16_t> glyphs;
    for (int i = 0; i < 8; i += 2) glyphs.insert(static_cast<uint16_t>((picks[i] << 8 | picks[i + 1]) % 512));
    kv::AddComponentGlyphs(font, glyphs);
    const std::string program = kv::BuildSubsetFont(font, glyphs);
    Check(kv::SfntChecksum(program) == 0xB1B0AFBA, "subset checksum adjustment is wrong");
    kv::TkvTrueTypeFont again(std::make_shared<const std::string>(program));
    Check(again.GlyphCount() == font.GlyphCount(), "subset lost glyph slots");
    for (uint16_t g : glyphs)
      Check(again.GlyphData(g).substr(0, font.GlyphData(g).size()) == font.GlyphData(g), "subset changed a kept glyph");
    kv::TkvTrueTypeFont(std::make_shared<const std::string>(font.StandaloneFont()));
  });
}

class DataServices : public kv::TkvFontServices {
 public:
  explicit DataServices(kv::TkvSharedBytes data, int face) : data_(std::move(data)), face_(face) {}
  std::unique_ptr<kv::TkvSystemFont> OpenFont(const kv::TkvFontDescription& font) override {
    return kv::OpenFontData(data_, face_, font);
  }
  std::vector<uint8_t> FamilyCharsets(const std::string&) override { return {kv::kAnsiCharset, kv::kRussianCharset}; }

 private:
  kv::TkvSharedBytes data_;
  int face_;
};

void Resource(const kv::TkvSharedBytes& data, int face, uint8_t option) {
  auto previous = kv::SetFontServices(std::make_shared<DataServices>(data, face));
  kvfuzz::Guarded([&] {
    kv::TkvFontDescription d;
    d.Name = "Fuzzed";
    d.Charset = option & 1 ? kv::kRussianCharset : kv::kAnsiCharset;
    d.Style = option & 6;
    kv::TkvPDFObjectStore store;
    kv::TkvPDFExtendedFont font(d, 0, (option >> 3) % 5);
    font.BuildResource(store, 1, "/XKRFnt1", (option >> 4) % 3, "Fuzz \xD0\x96\xC3\xA9 AVA");
    font.ScreenTextExtent("Fuzz");
  });
  kv::SetFontServices(previous);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const uint8_t mode = data[0];
  auto font = std::make_shared<const std::string>(reinterpret_cast<const char*>(data + 9), size - 9);
  const int face = (mode >> 1) & 1;
  if (mode & 1)
    Resource(font, face, data[1]);
  else
    Subset(font, face, data + 1);
  return 0;
}
