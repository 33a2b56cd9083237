#include "pdf/features/kvBmpReader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/features/kvPictureConsts.h"

namespace kv {

namespace {

constexpr const char* kBmp = "BMP";
constexpr const char* kIco = "ICO";

// A run-length bitmap may describe many pixels in few bytes (two bytes make a run of 255,
// and "end of bitmap" leaves every later pixel at the first colour). Real files stay far
// below this many pixels per byte of coded data; the bound stops a few hostile bytes from
// demanding the largest picture there is.
constexpr int64_t kMaxRlePixelsPerByte = 4096;

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6 };

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
};

// One colour channel of 16- or 32-bit pixels: where its bits are and how many.
struct Channel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint64_t Max = 0;
  explicit Channel(uint32_t mask = 0) : Mask(mask) {
    if (!mask) return;
    while (!((mask >> Shift) & 1u)) ++Shift;
    Max = mask >> Shift;
  }
  uint8_t Of(uint32_t pixel) const {
    if (!Max) return 0;
    uint64_t v = (pixel & Mask) >> Shift;
    return static_cast<uint8_t>(v * 255 / Max);
  }
};

// The header of a device-independent bitmap, checked against the bytes that hold it.
struct Dib {
  const char* Format = kBmp;
  int64_t Width = 0, Height = 0;
  bool TopDown = false;
  uint16_t Bits = 0;
  uint32_t Compression = kBiRgb;
  bool HasMasks = false;
  std::array<uint32_t, 4> Masks{};  // red, green, blue, alpha
  std::vector<Rgb> Palette;
  size_t PaletteEnd = 0;  // offset just after the header, masks and colour table
};

class Bytes {
 public:
  Bytes(std::string_view b, const char* format) : b_(b), format_(format) {}
  void Need(size_t offset, size_t count) const {
    if (offset > b_.size() || count > b_.size() - offset) PictureDamaged(format_, msg::SPicTruncated);
  }
  uint8_t U8(size_t o) const { return static_cast<uint8_t>(b_[o]); }
  uint16_t U16(size_t o) const {
    Need(o, 2);
    return static_cast<uint16_t>(U8(o) | U8(o + 1) << 8);
  }
  uint32_t U32(size_t o) const {
    Need(o, 4);
    return U8(o) | U8(o + 1) << 8 | U8(o + 2) << 16 | static_cast<uint32_t>(U8(o + 3)) << 24;
  }
  int32_t I32(size_t o) const { return static_cast<int32_t>(U32(o)); }
  size_t Size() const { return b_.size(); }
  const uint8_t* At(size_t o) const { return reinterpret_cast<const uint8_t*>(b_.data()) + o; }

 private:
  std::string_view b_;
  const char* format_;
};

Dib ParseDib(const Bytes& in, size_t at, const char* format, bool icon) {
  Dib d;
  d.Format = format;
  uint32_t headerSize = in.U32(at);
  if (headerSize < 12) PictureDamaged(format, msg::SPicBadHeader);
  in.Need(at, headerSize);
  bool core = headerSize == 12;
  // Headers of 16 and 64 bytes (and sizes no other writer uses) are the second
  // generation of the 12-byte header: compression 3 and 4 mean other things there.
  bool secondCore =
      !core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124;
  int64_t height;
  uint32_t colorsUsed = 0;
  if (core) {
    d.Width = in.U16(at + 4);
    height = in.U16(at + 6);
    d.Bits = in.U16(at + 10);
  } else {
    if (headerSize < 16) PictureDamaged(format, msg::SPicBadHeader);
    d.Width = in.I32(at + 4);
    height = in.I32(at + 8);
    d.Bits = in.U16(at + 14);
    if (headerSize >= 20) d.Compression = in.U32(at + 16);
    if (headerSize >= 36) colorsUsed = in.U32(at + 32);
  }
  if (height < 0) {
    d.TopDown = true;
    height = -height;
  }
  if (icon) height /= 2;  // the stored height counts the mask too
  d.Height = height;
  if (d.Bits != 1 && d.Bits != 4 && d.Bits != 8 && d.Bits != 16 && d.Bits != 24 && d.Bits != 32)
    PictureDamaged(format, Format(msg::SPicBadDepth, d.Bits));

  size_t next = at + headerSize;
  bool bitfields = !secondCore && (d.Compression == kBiBitfields || d.Compression == kBiAlphaBitfields);
  bool supported = d.Compression == kBiRgb || (d.Compression == kBiRle8 && d.Bits == 8) ||
                   (d.Compression == kBiRle4 && d.Bits == 4) || (bitfields && (d.Bits == 16 || d.Bits == 32));
  if (!supported) PictureDamaged(format, Format(msg::SPicBadCompression, static_cast<int>(d.Compression)));
  if (d.TopDown && d.Compression != kBiRgb && !bitfields) PictureDamaged(format, msg::SPicBadSize);
  if (bitfields) {
    d.HasMasks = true;
    size_t count = d.Compression == kBiAlphaBitfields ? 4 : 3;
    size_t maskAt = headerSize >= 52 ? at + 40 : next;
    if (headerSize >= 56) count = 4;
    for (size_t i = 0; i < count; ++i) d.Masks[i] = in.U32(maskAt + 4 * i);
    if (headerSize < 52) next += 4 * (d.Compression == kBiAlphaBitfields ? 4 : 3);
    if (!d.Masks[0] && !d.Masks[1] && !d.Masks[2]) PictureDamaged(format, msg::SPicBadMasks);
  }

  // The colour table. A count beyond what the depth can index is a lie (a hostile one may
  // claim four billion entries): only the indexable entries are read.
  size_t entrySize = core ? 3 : 4;
  uint64_t entries = 0;
  if (d.Bits <= 8) {
    uint64_t most = uint64_t{1} << d.Bits;
    entries = colorsUsed && !core ? std::min<uint64_t>(colorsUsed, most) : most;
  } else if (colorsUsed) {
    // Deeper pictures may carry a table for display on palette screens; it is skipped.
    entries = std::min<uint64_t>(colorsUsed, 256);
  }
  if (next > in.Size() || entries * entrySize > in.Size() - next) PictureDamaged(format, msg::SPicBadPalette);
  if (d.Bits <= 8) {
    d.Palette.resize(static_cast<size_t>(entries));
    for (size_t i = 0; i < d.Palette.size(); ++i) {
      const uint8_t* e = in.At(next + i * entrySize);
      d.Palette[i] = Rgb{e[2], e[1], e[0]};
    }
  }
  d.PaletteEnd = next + static_cast<size_t>(entries) * entrySize;
  return d;
}

int64_t Stride(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

Rgb PaletteColor(const Dib& d, uint32_t index) { return index < d.Palette.size() ? d.Palette[index] : Rgb{}; }

void Put(TkvPicture& pic, int64_t x, int64_t y, Rgb c) {
  uint8_t* p = pic.Row(static_cast<int32_t>(y)) + x * 3;
  p[0] = c.R;
  p[1] = c.G;
  p[2] = c.B;
}

// Uncompressed and mask-coded pixels. The 4th byte of 32-bit pixels without masks is
// kept as alpha: writers of transparent bitmaps put it there.
void DecodeRows(const Bytes& in, size_t offset, const Dib& d, TkvPicture& pic) {
  const int64_t w = d.Width, h = d.Height, stride = Stride(w, d.Bits);
  Channel red(d.Masks[0]), green(d.Masks[1]), blue(d.Masks[2]), alpha(d.Masks[3]);
  if (d.Bits == 16 && !d.HasMasks) red = Channel(0x7C00), green = Channel(0x03E0), blue = Channel(0x001F);
  bool keepAlpha = d.Bits == 32 && (!d.HasMasks || alpha.Mask);
  if (keepAlpha) pic.AddAlpha();
  for (int64_t row = 0; row < h; ++row) {
    const uint8_t* s = in.At(offset + static_cast<size_t>(row * stride));
    int32_t y = static_cast<int32_t>(d.TopDown ? row : h - 1 - row);
    uint8_t* out = pic.Row(y);
    uint8_t* a = keepAlpha ? pic.AlphaRow(y) : nullptr;
    for (int64_t x = 0; x < w; ++x, out += 3) {
      Rgb c;
      switch (d.Bits) {
        case 1:
        case 4:
        case 8: {
          int64_t bit = x * d.Bits;
          uint32_t index = (s[bit / 8] >> (8 - d.Bits - bit % 8)) & ((1u << d.Bits) - 1);
          c = PaletteColor(d, index);
          break;
        }
        case 16: {
          uint32_t v = s[2 * x] | s[2 * x + 1] << 8;
          c = Rgb{red.Of(v), green.Of(v), blue.Of(v)};
          break;
        }
        case 24:
          c = Rgb{s[3 * x + 2], s[3 * x + 1], s[3 * x]};
          break;
        default: {
          const uint8_t* p = s + 4 * x;
          if (d.HasMasks) {
            uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
            c = Rgb{red.Of(v), green.Of(v), blue.Of(v)};
            if (a) a[x] = alpha.Of(v);
          } else {
            c = Rgb{p[2], p[1], p[0]};
            a[x] = p[3];
          }
        }
      }
      out[0] = c.R;
      out[1] = c.G;
      out[2] = c.B;
    }
  }
  // A channel of zeros is the unused byte of an opaque picture, not a transparent one.
  if (keepAlpha && std::all_of(pic.Alpha().begin(), pic.Alpha().end(), [](char v) { return v == 0; }))
    pic.Alpha().clear();
}

// Run-length coded pixels, always bottom-up. Pixels the codes skip keep the first colour.
void DecodeRle(const Bytes& in, size_t offset, const Dib& d, TkvPicture& pic) {
  const int64_t w = d.Width, h = d.Height;
  const Rgb first = PaletteColor(d, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int64_t x = 0; x < w; ++x) Put(pic, x, y, first);
  const bool four = d.Compression == kBiRle4;
  const size_t n = in.Size();
  int64_t x = 0, y = 0;
  auto put = [&](uint32_t index) {
    if (x < w && y < h) Put(pic, x, h - 1 - y, PaletteColor(d, index));
    ++x;
  };
  size_t i = offset;
  while (y < h) {
    if (i + 2 > n) PictureDamaged(d.Format, msg::SPicTruncated);
    uint8_t count = in.U8(i), value = in.U8(i + 1);
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(four ? (k % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      in.Need(i, 2);
      x += in.U8(i);
      y += in.U8(i + 1);
      i += 2;
    } else {
      size_t bytes = four ? (value + 1u) / 2 : value;
      in.Need(i, bytes);
      for (int k = 0; k < value; ++k) {
        uint8_t b = in.U8(i + (four ? k / 2 : k));
        put(four ? (k % 2 ? b & 15 : b >> 4) : b);
      }
      i += bytes + (bytes & 1);
    }
  }
}

std::unique_ptr<TkvPicture> DecodeDib(const Bytes& in, size_t pixels, const Dib& d, TkvPictureFormat format) {
  bool rle = d.Compression == kBiRle4 || d.Compression == kBiRle8;
  if (rle) {
    size_t coded = pixels < in.Size() ? in.Size() - pixels : 0;
    CheckPictureSize(d.Format, d.Width, d.Height, kMaxRlePixelsPerByte * static_cast<int64_t>(coded));
  } else {
    // Checked before anything is allocated: the rows must be in the file.
    CheckPictureSize(d.Format, d.Width, d.Height);
    in.Need(pixels, static_cast<size_t>(Stride(d.Width, d.Bits) * (d.Height - 1) + (d.Width * d.Bits + 7) / 8));
  }
  auto pic = std::make_unique<TkvPicture>(format, static_cast<int32_t>(d.Width), static_cast<int32_t>(d.Height));
  if (rle)
    DecodeRle(in, pixels, d, *pic);
  else
    DecodeRows(in, pixels, d, *pic);
  return pic;
}

}  // namespace

std::unique_ptr<TkvPicture> ReadBmpPicture(std::string_view bytes) {
  Bytes in(bytes, kBmp);
  in.Need(0, 14);
  Dib d = ParseDib(in, 14, kBmp, false);
  // Writers get the pixel offset wrong now and then; one inside the headers is ignored.
  size_t pixels = in.U32(10);
  if (pixels < 14 + static_cast<size_t>(in.U32(14))) pixels = d.PaletteEnd;
  auto pic = DecodeDib(in, pixels, d, pfBitmap);
  pic->DropOpaqueAlpha();
  return pic;
}

std::unique_ptr<TkvPicture> ReadIconBitmap(std::string_view dib) {
  Bytes in(dib, kIco);
  Dib d = ParseDib(in, 0, kIco, true);
  auto pic = DecodeDib(in, d.PaletteEnd, d, pfIcon);
  if (!pic->HasAlpha()) {
    // The mask: 1-bit rows after the pixels, bottom-up, 1 = transparent. Icons without a
    // whole mask are shown opaque.
    size_t at = d.PaletteEnd + static_cast<size_t>(Stride(d.Width, d.Bits) * d.Height);
    int64_t stride = Stride(d.Width, 1);
    if (at <= dib.size() && static_cast<uint64_t>(stride * d.Height) <= dib.size() - at) {
      pic->AddAlpha();
      for (int64_t row = 0; row < d.Height; ++row) {
        const uint8_t* m = in.At(at + static_cast<size_t>(row * stride));
        uint8_t* a = pic->AlphaRow(static_cast<int32_t>(d.TopDown ? row : d.Height - 1 - row));
        for (int64_t x = 0; x < d.Width; ++x) a[x] = (m[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
      }
    }
  }
  pic->DropOpaqueAlpha();
  return pic;
}

}  // namespace kv
