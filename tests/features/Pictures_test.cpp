// The picture readers: every file of tests/data/pictures decodes to the pixels an
// independent decoder (PIL) sees in it, CMYK and YCCK JPEGs to the colours their inks
// make, and damaged or hostile files end in the library's error, never in a crash or a
// large allocation.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "pdf/features/kvPicture.h"
#include "support/TestSupport.h"

using kv::TkvPicture;

namespace {

std::string PictureDir() { return kvtest::DataPath("pictures"); }

// For each "name width height alpha" line of the list file: compares PIL's pixels of the
// picture with our raw samples (name.rgb) and alpha (name.a, when alpha is 1). Exact for
// every format but JPEG, which decoders may round differently. 16-bit grey has no 8-bit
// mode in PIL: its high byte is what a reader keeps.
constexpr const char* kCompare = R"(
import sys, warnings
from PIL import Image
warnings.simplefilter('ignore')
folder, out = sys.argv[1:3]
bad = 0
for line in open(out + '/list'):
    name, w, h, alpha = line.split()
    im = Image.open(folder + '/' + name)
    if im.mode == 'I':
        im = Image.frombytes('L', im.size, bytes(v >> 8 for v in im.getdata()))
    if (im.width, im.height) != (int(w), int(h)):
        print(name, 'size', im.size, w, h); bad += 1; continue
    ours = open(out + '/' + name + '.rgb', 'rb').read()
    theirs = im.convert('RGB').tobytes()
    if name.endswith('.jpg'):
        diff = [abs(a - b) for a, b in zip(ours, theirs)]
        if max(diff) > 24 or sum(diff) / len(diff) > 1.5:
            print(name, 'rgb max', max(diff), 'mean', sum(diff) / len(diff)); bad += 1
    elif ours != theirs:
        i = next(i for i in range(len(ours)) if ours[i] != theirs[i])
        print(name, 'rgb differs at pixel', i // 3, list(ours[i - i % 3:][:3]), list(theirs[i - i % 3:][:3])); bad += 1
    pil_alpha = im.mode in ('RGBA', 'LA', 'PA') or 'transparency' in im.info
    theirs_a = im.convert('RGBA').tobytes()[3::4] if pil_alpha else None
    if theirs_a is not None and all(a == 255 for a in theirs_a):
        theirs_a = None
    ours_a = open(out + '/' + name + '.a', 'rb').read() if alpha == '1' else None
    if ours_a != theirs_a and not name.startswith('bmp-32-alpha'):
        print(name, 'alpha', 'ours' if ours_a else 'none', 'theirs' if theirs_a else 'none'); bad += 1
print('bad', bad)
)";

TEST(Pictures, EveryReaderDecodesLikeAnIndependentDecoder) {
  if (!kvtest::HaveTool("/usr/bin/python3")) GTEST_SKIP() << "python3 missing";
  kvtest::TempDir dir;
  std::string list;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PictureDir())) {
    std::string name = entry.path().filename().string();
    // PIL loses its place in run-length bitmaps after a jump or an odd absolute run; those
    // are checked against their known pixels below.
    if (name.ends_with(".py") || name.starts_with("bmp-rle")) continue;
    SCOPED_TRACE(name);
    std::unique_ptr<TkvPicture> pic;
    ASSERT_NO_THROW(pic = kv::LoadPictureFromFile(entry.path().string()));
    kvtest::WriteFile(dir.File(name + ".rgb"), pic->Samples());
    if (pic->HasAlpha()) kvtest::WriteFile(dir.File(name + ".a"), pic->Alpha());
    list += name + " " + std::to_string(pic->Width()) + " " + std::to_string(pic->Height()) + " " +
            (pic->HasAlpha() ? "1" : "0") + "\n";
    ++count;
  }
  ASSERT_GT(count, 50);
  kvtest::WriteFile(dir.File("list"), list);
  kvtest::WriteFile(dir.File("compare.py"), kCompare);
  auto r = kvtest::Run("/usr/bin/python3 " + kvtest::ShellQuote(dir.File("compare.py")) + " " +
                       kvtest::ShellQuote(PictureDir()) + " " + kvtest::ShellQuote(dir.Path()));
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Output, "bad 0\n");
}

// The colour table of the generated bitmaps, and their pixels' indices.
std::vector<uint8_t> TableColor(int i) {
  return {uint8_t(i * 53 % 256), uint8_t((i * 97 + 20) % 256), uint8_t((255 - i * 31 % 256 + 256) % 256)};
}

TEST(Pictures, RunLengthBitmapsDecodeRunsJumpsAndAbsoluteRuns) {
  const int w = 13, h = 7;
  auto index = [](int x, int y, int bits) { return (x + 3 * y) % (1 << bits); };
  // What make-pictures.py codes, row by row from the top; -1 marks pixels a jump skips.
  auto rle8 = [&](int x, int row) {
    int y = h - 1 - row;  // rows are coded bottom-up
    if (y == 2) return x < 3 ? index(0, row, 8) : 0;
    if (y == 3) return x < 6 ? 0 : index(x, row, 8);
    return x < 4 ? index(0, row, 8) : index(x, row, 8);
  };
  auto rle4 = [&](int x, int row) { return x < 5 ? index(x % 2, row, 4) : index(x, row, 4); };
  for (auto [file, expected] :
       {std::pair<const char*, std::function<int(int, int)>>{"bmp-rle8.bmp", rle8}, {"bmp-rle4.bmp", rle4}}) {
    SCOPED_TRACE(file);
    auto pic = kv::LoadPictureFromFile(PictureDir() + "/" + file);
    ASSERT_EQ(pic->Width(), w);
    ASSERT_EQ(pic->Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(std::vector<uint8_t>(pic->Row(y) + 3 * x, pic->Row(y) + 3 * x + 3), TableColor(expected(x, y)))
            << x << "," << y;
  }
}

TEST(Pictures, FormatAndTransparencyOfEachKind) {
  struct Case {
    const char* File;
    kv::TkvPictureFormat Format;
    bool Alpha;
  } cases[] = {
      {"bmp-24.bmp", kv::pfBitmap, false},       {"bmp-32-bgrx.bmp", kv::pfBitmap, false},
      {"bmp-32-alpha.bmp", kv::pfBitmap, true},  {"ico-8-mask.ico", kv::pfIcon, true},
      {"ico-png.ico", kv::pfIcon, true},         {"jpeg-cmyk-adobe.jpg", kv::pfJPEG, false},
      {"png-rgb-8.png", kv::pfPNG, false},       {"png-rgba-16.png", kv::pfPNG, true},
      {"png-palette-trns.png", kv::pfPNG, true}, {"tiny-1x1.png", kv::pfPNG, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    auto pic = kv::LoadPictureFromFile(PictureDir() + "/" + c.File);
    EXPECT_EQ(pic->Format(), c.Format);
    EXPECT_EQ(pic->HasAlpha(), c.Alpha);
  }
  // The fourth byte of a 32-bit bitmap is its transparency (PIL does not read it).
  auto pic = kv::LoadPictureFromFile(PictureDir() + "/bmp-32-alpha.bmp");
  for (int y = 0; y < pic->Height(); ++y)
    for (int x = 0; x < pic->Width(); ++x) ASSERT_EQ(pic->AlphaRow(y)[x], (x * 19 + y * 5) % 256) << x << "," << y;
}

TEST(Pictures, FlatteningPaintsOverTheBackground) {
  TkvPicture pic(kv::pfPNG, 3, 1);
  pic.AddAlpha();
  const uint8_t rgb[] = {200, 100, 0, 200, 100, 0, 200, 100, 0}, alpha[] = {255, 0, 128};
  std::copy(std::begin(rgb), std::end(rgb), pic.Row(0));
  std::copy(std::begin(alpha), std::end(alpha), pic.AlphaRow(0));
  pic.FlattenOnto(255, 255, 255);
  EXPECT_FALSE(pic.HasAlpha());
  const std::vector<int> want = {200, 100, 0, 255, 255, 255, 227, 177, 127};
  const auto* got = reinterpret_cast<const uint8_t*>(pic.Samples().data());
  EXPECT_EQ(std::vector<int>(got, got + pic.Samples().size()), want);
}

// ---- CMYK ----

// A JPEG of CMYK samples through libjpeg: stored as given (plain or inverted inks, with
// or without the marker that says so), or transformed to YCCK.
std::string EncodeCmykJpeg(const std::vector<uint8_t>& cmyk, int w, int h, bool ycck, bool adobe) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, ycck ? JCS_YCCK : JCS_CMYK);
  c.write_Adobe_marker = adobe;
  jpeg_set_quality(&c, 100, TRUE);
  for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(cmyk.data()) + c.next_scanline * static_cast<size_t>(w) * 4;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes(reinterpret_cast<char*>(out), size);
  jpeg_destroy_compress(&c);
  free(out);
  return bytes;
}

TEST(Pictures, CmykAndYcckJpegsGiveTheColoursOfTheirInks) {
  const int w = 16, h = 16;
  std::vector<uint8_t> inks;  // amounts of ink, 255 = full
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      inks.insert(inks.end(), {uint8_t(x * 16), uint8_t(y * 16), uint8_t(x * 8 + y * 4), uint8_t(y * 6)});
  std::vector<uint8_t> inverted(inks);
  for (uint8_t& v : inverted) v = static_cast<uint8_t>(255 - v);
  struct Case {
    const char* Name;
    bool Ycck, Adobe;
    const std::vector<uint8_t>* Stored;
  } cases[] = {
      {"inverted CMYK with the marker", false, true, &inverted},
      {"YCCK", true, true, &inverted},
      {"plain CMYK without the marker", false, false, &inks},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto pic = kv::LoadPictureFromMemory(EncodeCmykJpeg(*c.Stored, w, h, c.Ycck, c.Adobe));
    ASSERT_EQ(pic->Width(), w);
    int worst = 0;
    for (int i = 0; i < w * h; ++i) {
      double k = 1 - inks[4 * i + 3] / 255.0;
      for (int ch = 0; ch < 3; ++ch) {
        int want = static_cast<int>(std::lround(255 * (1 - inks[4 * i + ch] / 255.0) * k));
        int got = static_cast<uint8_t>(pic->Samples()[3 * i + ch]);
        worst = std::max(worst, std::abs(want - got));
      }
    }
    EXPECT_LE(worst, 6);
  }
}

// ---- damaged and hostile pictures ----

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }

std::string BmpHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0, uint32_t colors = 0) {
  std::string info = Le32(40) + Le32(static_cast<uint32_t>(w)) + Le32(static_cast<uint32_t>(h)) + Le16(1) + Le16(bits) +
                     Le32(compression) + Le32(0) + Le32(2835) + Le32(2835) + Le32(colors) + Le32(0);
  return "BM" + Le32(0) + Le32(0) + Le32(0) + info;
}

std::string Cut(const std::string& file, size_t keep) { return file.substr(0, std::min(keep, file.size())); }

std::string PngWithHeader(uint32_t w, uint32_t h, const std::string& tail) {
  auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  std::string ihdr = "IHDR" + be(w) + be(h) + std::string("\x08\x02\x00\x00\x00", 5);
  uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), static_cast<uInt>(ihdr.size())));
  return std::string("\x89PNG\r\n\x1A\n", 8) + be(13) + ihdr + be(crc) + tail;
}

TEST(Pictures, DamagedAndHostileFilesAreRefusedWithAMessage) {
  const std::string jpeg = kvtest::ReadFile(PictureDir() + "/rose-rgb-baseline.jpg");
  const std::string progressive = kvtest::ReadFile(PictureDir() + "/rose-rgb-progressive.jpg");
  const std::string png = kvtest::ReadFile(PictureDir() + "/png-rgba-8.png");
  const std::string bmp = kvtest::ReadFile(PictureDir() + "/bmp-24.bmp");
  const std::string ico = kvtest::ReadFile(PictureDir() + "/ico-8-mask.ico");
  // The start of image data: what the reader looks at before it allocates the picture.
  const std::string idat = std::string("\0\0\0\x40IDAT", 8) + std::string(0x44, '\0');
  // A JPEG whose frame header claims 8000 x 8000 pixels for its few kilobytes.
  std::string hugeJpeg = jpeg;
  size_t sof = hugeJpeg.find("\xFF\xC0");
  hugeJpeg.replace(sof + 5, 4, "\x1F\x40\x1F\x40");
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Message;
  } cases[] = {
      {"truncated baseline JPEG", Cut(jpeg, jpeg.size() / 2), "Damaged JPEG picture"},
      {"truncated progressive JPEG", Cut(progressive, progressive.size() / 2), "Damaged JPEG picture"},
      {"JPEG header only", Cut(jpeg, 200), "Damaged JPEG picture"},
      {"JPEG claiming more pixels than its bytes hold", hugeJpeg, "Damaged JPEG picture"},
      {"truncated PNG", Cut(png, png.size() - 40), "Damaged PNG picture"},
      {"PNG of 2^31 - 1 squared pixels", PngWithHeader(0x7FFFFFFF, 0x7FFFFFFF, idat), "PNG picture too large"},
      {"PNG of zero width", PngWithHeader(0, 10, idat), "Damaged PNG picture"},
      {"PNG claiming 4000 x 4000 pixels in a few bytes", PngWithHeader(4000, 4000, idat),
       "more pixels than the file can hold"},
      {"truncated BMP rows", Cut(bmp, bmp.size() - 30), "the data ends early"},
      {"BMP of 2^31 - 1 squared pixels", BmpHeader(0x7FFFFFFF, 0x7FFFFFFF, 24), "BMP picture too large"},
      {"BMP of the most negative height", BmpHeader(4, INT32_MIN, 24), "invalid width or height"},
      {"BMP of 3 bits per pixel", BmpHeader(4, 4, 3) + std::string(64, '\0'), "unsupported bits per pixel (3)"},
      {"BMP with JPEG compression", BmpHeader(4, 4, 24, 4) + std::string(64, '\0'), "unsupported compression (4)"},
      {"BMP colour table past the end", BmpHeader(4, 4, 8, 0, 200) + std::string(64, '\0'), "invalid colour table"},
      {"RLE BMP claiming 8000 x 8000 pixels", BmpHeader(8000, 8000, 8, 1) + std::string(1024, '\0') + "\0\1",
       "more pixels than the file can hold"},
      {"RLE BMP ending early", BmpHeader(8, 8, 8, 1) + std::string(1024, '\0') + std::string("\x08\x01\x00\x00", 4),
       "the data ends early"},
      {"BMP header only", Cut(bmp, 20), "the data ends early"},
      {"top-down RLE BMP", BmpHeader(4, -4, 8, 1) + std::string(1024, '\0'), "invalid width or height"},
      {"icon without pictures", std::string("\0\0\1\0\0\0", 6), "no images in the icon"},
      {"icon listing 65535 pictures", std::string("\0\0\1\0\xFF\xFF", 6) + std::string(64, '\0'),
       "the data ends early"},
      {"icon picture past the end", Cut(ico, 22) + std::string(10, '\0'), "the data ends early"},
      {"GIF", "GIF89a" + std::string(20, '\0'), "Unsupported image format (GIF)"},
      {"placeable metafile", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'),
       "Unsupported image format (Metafile)"},
      {"enhanced metafile", std::string("\1\0\0\0", 4) + std::string(36, '\0') + " EMF" + std::string(20, '\0'),
       "Unsupported image format (Metafile)"},
      {"text", "hello", "Unsupported image format (txt)"},
      {"nothing", "", "Unsupported image format (txt)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      kv::LoadPictureFromMemory(c.Bytes, "notes.txt");
      ADD_FAILURE() << "accepted";
    } catch (const kv::EUnsupportedImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
