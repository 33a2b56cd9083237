// Pictures for markings and thumbnails: what a bitmap, an icon, a JPEG or a PNG file
// shows, as 8-bit RGB samples with an optional 8-bit alpha channel. The readers of the
// four formats are in their own files; LoadPictureFromFile picks one by the file's
// content, not its name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kv {

// No reader makes a picture of more pixels than this (about 200 MB of RGB samples): far
// beyond any marking or thumbnail, and it keeps a header that lies about its size from
// asking for gigabytes. Each reader bounds further by what its file can encode.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

enum TkvPictureFormat : uint8_t { pfBitmap, pfIcon, pfJPEG, pfPNG };

class TkvPicture {
 public:
  // A black, opaque picture of that size. Fails with EUnsupportedImageError when the size
  // is not positive or exceeds kMaxPicturePixels.
  TkvPicture(TkvPictureFormat format, int32_t width, int32_t height);

  TkvPictureFormat Format() const { return FFormat; }
  // An icon's picture may be stored as a PNG: the icon reader says what it was.
  void SetFormat(TkvPictureFormat format) { FFormat = format; }
  // "BMP", "ICO", "JPEG" or "PNG", for messages.
  const char* FormatName() const { return FormatName(FFormat); }
  static const char* FormatName(TkvPictureFormat format);
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int64_t PixelCount() const { return int64_t{FWidth} * FHeight; }

  // Red, green, blue of each pixel, rows top to bottom, no padding.
  std::string& Samples() { return FSamples; }
  const std::string& Samples() const { return FSamples; }
  uint8_t* Row(int32_t y) { return reinterpret_cast<uint8_t*>(FSamples.data()) + int64_t{y} * FWidth * 3; }

  // Coverage of each pixel (0 transparent, 255 opaque) in the order of the samples; empty
  // for an opaque picture.
  bool HasAlpha() const { return !FAlpha.empty(); }
  std::string& Alpha() { return FAlpha; }
  const std::string& Alpha() const { return FAlpha; }
  // Gives the picture an alpha channel, every pixel opaque.
  void AddAlpha();
  uint8_t* AlphaRow(int32_t y) { return reinterpret_cast<uint8_t*>(FAlpha.data()) + int64_t{y} * FWidth; }
  // Drops an alpha channel in which every pixel is opaque (so no mask is written for it).
  void DropOpaqueAlpha();
  // Paints the picture over a plain colour and drops the alpha channel.
  void FlattenOnto(uint8_t red, uint8_t green, uint8_t blue);

 private:
  TkvPictureFormat FFormat;
  int32_t FWidth;
  int32_t FHeight;
  std::string FSamples;
  std::string FAlpha;
};

// Reads a picture file: BMP, ICO, JPEG or PNG, told apart by their first bytes. Fails
// with EUnsupportedImageError "Unsupported image format (%s)" for any other kind
// (metafiles among them), and with EUnsupportedImageError naming the damage for a file
// that is not whole or lies about itself.
std::unique_ptr<TkvPicture> LoadPictureFromFile(const std::string& fileName);
// The same for bytes in memory; `name` stands for the file in messages about an unknown
// kind (its extension is named).
std::unique_ptr<TkvPicture> LoadPictureFromMemory(std::string_view bytes, const std::string& name = "");

// Raises EUnsupportedImageError with SPictureDamaged for `format`.
[[noreturn]] void PictureDamaged(const char* format, const std::string& what);
// Refuses a size beyond kMaxPicturePixels, or beyond `maxPixels` (what the file's data
// could encode at most).
void CheckPictureSize(const char* format, int64_t width, int64_t height, int64_t maxPixels = kMaxPicturePixels);

}  // namespace kv
