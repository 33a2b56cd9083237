#include "pdf/features/kvPngReader.h"

#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/features/kvPictureConsts.h"

namespace kv {

namespace {

constexpr const char* kPng = "PNG";

// Deflate expands at most about 1032 times, and a row of 1-bit pixels packs eight to a
// byte: a file cannot describe more pixels than this per byte. The bound stops a small
// "bomb" from making the reader allocate a large picture before the data runs out.
constexpr int64_t kMaxPixelsPerByte = 8 * 1100;
// Ancillary chunks (text, colour profiles) are decompressed into memory; none needs more.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;
// Ancillary chunks kept; a hostile file may repeat them by the million.
constexpr png_uint_32 kMaxChunks = 1000;

struct Decoder {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  std::string_view Bytes;
  size_t Pos = 0;
  std::string Message;
  std::unique_ptr<TkvPicture> Picture;
  std::vector<uint8_t> Buffer;
  ~Decoder() {
    if (Png) png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
  }
};

// libpng reports a fatal error by calling this, which must not return: it jumps back to
// DecodeInto. Only libpng's own frames lie between, so no destructor is skipped.
[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* d = static_cast<Decoder*>(png_get_error_ptr(png));
  // Assigning may throw; the message is only a courtesy then.
  try {
    d->Message = message;
  } catch (...) {
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  if (count > d->Bytes.size() - d->Pos) png_error(png, msg::SPicTruncated);
  std::memcpy(out, d->Bytes.data() + d->Pos, count);
  d->Pos += count;
}

// Copies RGBA rows into the picture's samples and alpha.
void Split(const uint8_t* rgba, uint8_t* rgb, uint8_t* alpha, png_uint_32 width) {
  for (png_uint_32 x = 0; x < width; ++x, rgba += 4, rgb += 3) {
    rgb[0] = rgba[0];
    rgb[1] = rgba[1];
    rgb[2] = rgba[2];
    alpha[x] = rgba[3];
  }
}

// Returns false when libpng gave up (Message says why).
bool DecodeInto(Decoder& d) {
  if (setjmp(png_jmpbuf(d.Png))) return false;
  png_set_read_fn(d.Png, &d, ReadBytes);
  png_set_user_limits(d.Png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_malloc_max(d.Png, kMaxChunkBytes);
  png_set_chunk_cache_max(d.Png, kMaxChunks);
  png_read_info(d.Png, d.Info);
  png_uint_32 width = png_get_image_width(d.Png, d.Info), height = png_get_image_height(d.Png, d.Info);
  CheckPictureSize(kPng, width, height, kMaxPixelsPerByte * static_cast<int64_t>(d.Bytes.size()));

  png_set_expand(d.Png);  // palettes and grey below 8 bits to 8 bits, tRNS to alpha
  png_set_strip_16(d.Png);
  png_set_gray_to_rgb(d.Png);
  int passes = png_set_interlace_handling(d.Png);
  png_read_update_info(d.Png, d.Info);
  const int channels = png_get_channels(d.Png, d.Info);
  if (channels != 3 && channels != 4) png_error(d.Png, "unexpected channel count");

  d.Picture = std::make_unique<TkvPicture>(pfPNG, static_cast<int32_t>(width), static_cast<int32_t>(height));
  TkvPicture& pic = *d.Picture;
  if (channels == 3) {
    // Each pass of an interlaced file fills its pixels into the rows given.
    for (int pass = 0; pass < passes; ++pass)
      for (png_uint_32 y = 0; y < height; ++y) png_read_row(d.Png, pic.Row(static_cast<int32_t>(y)), nullptr);
  } else {
    pic.AddAlpha();
    const size_t rowBytes = size_t{width} * 4;
    if (passes == 1) {
      d.Buffer.resize(rowBytes);
      for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(d.Png, d.Buffer.data(), nullptr);
        Split(d.Buffer.data(), pic.Row(static_cast<int32_t>(y)), pic.AlphaRow(static_cast<int32_t>(y)), width);
      }
    } else {
      d.Buffer.resize(rowBytes * height);
      for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(d.Png, d.Buffer.data() + rowBytes * y, nullptr);
      for (png_uint_32 y = 0; y < height; ++y)
        Split(d.Buffer.data() + rowBytes * y, pic.Row(static_cast<int32_t>(y)), pic.AlphaRow(static_cast<int32_t>(y)),
              width);
    }
  }
  // What follows the pixels (text, the end chunk) is not needed.
  return true;
}

}  // namespace

std::unique_ptr<TkvPicture> ReadPngPicture(std::string_view bytes) {
  Decoder d;
  d.Bytes = bytes;
  d.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, OnError, OnWarning);
  if (!d.Png) throw std::bad_alloc();
  d.Info = png_create_info_struct(d.Png);
  if (!d.Info) throw std::bad_alloc();
  if (!DecodeInto(d)) PictureDamaged(kPng, d.Message.empty() ? msg::SPicTruncated : d.Message);
  d.Picture->DropOpaqueAlpha();
  return std::move(d.Picture);
}

}  // namespace kv
