#include "pdf/features/kvPicture.h"

#include <algorithm>
#include <cstring>

#include "core/kvClasses.h"
#include "core/kvPDFUtils.h"
#include "pdf/features/kvBmpReader.h"
#include "pdf/features/kvIcoReader.h"
#include "pdf/features/kvJpegReader.h"
#include "pdf/features/kvPictureConsts.h"
#include "pdf/features/kvPngReader.h"

namespace kv {

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.substr(0, prefix.size()) == prefix;
}

bool IsMetafile(std::string_view b) {
  using namespace std::string_view_literals;
  // A placeable metafile's key, a plain metafile's header (in memory or on disk, version
  // 3.0 with a nine-word header), or an enhanced metafile's record 1 with its signature.
  if (StartsWith(b, "\xD7\xCD\xC6\x9A"sv)) return true;
  if (StartsWith(b, "\x01\x00\x09\x00\x00\x03"sv) || StartsWith(b, "\x02\x00\x09\x00\x00\x03"sv)) return true;
  return StartsWith(b, "\x01\x00\x00\x00"sv) && b.size() >= 44 && b.substr(40, 4) == " EMF";
}

// What to call a file that no reader takes: a known kind, or else its extension.
std::string UnknownKind(std::string_view b, const std::string& name) {
  using namespace std::string_view_literals;
  if (IsMetafile(b)) return "Metafile";
  if (StartsWith(b, "GIF8")) return "GIF";
  if (StartsWith(b, "II*\0"sv) || StartsWith(b, "MM\0*"sv)) return "TIFF";
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash) && dot + 1 < name.size())
    return name.substr(dot + 1);
  return msg::SPictureUnknownFormat;
}

}  // namespace

TkvPicture::TkvPicture(TkvPictureFormat format, int32_t width, int32_t height)
    : FFormat(format), FWidth(width), FHeight(height) {
  CheckPictureSize(FormatName(format), width, height);
  FSamples.assign(static_cast<size_t>(PixelCount()) * 3, '\0');
}

const char* TkvPicture::FormatName(TkvPictureFormat format) {
  switch (format) {
    case pfBitmap:
      return "BMP";
    case pfIcon:
      return "ICO";
    case pfJPEG:
      return "JPEG";
    case pfPNG:
      return "PNG";
  }
  return "";
}

void TkvPicture::AddAlpha() {
  if (FAlpha.empty()) FAlpha.assign(static_cast<size_t>(PixelCount()), '\xFF');
}

void TkvPicture::DropOpaqueAlpha() {
  if (std::all_of(FAlpha.begin(), FAlpha.end(), [](char a) { return static_cast<uint8_t>(a) == 255; })) FAlpha.clear();
}

void TkvPicture::FlattenOnto(uint8_t red, uint8_t green, uint8_t blue) {
  if (FAlpha.empty()) return;
  const uint8_t background[3] = {red, green, blue};
  auto* s = reinterpret_cast<uint8_t*>(FSamples.data());
  const auto* a = reinterpret_cast<const uint8_t*>(FAlpha.data());
  for (int64_t i = 0, n = PixelCount(); i < n; ++i) {
    unsigned cover = a[i];
    for (int c = 0; c < 3; ++c, ++s)
      *s = static_cast<uint8_t>((*s * cover + background[c] * (255 - cover) + 127) / 255);
  }
  FAlpha.clear();
  FAlpha.shrink_to_fit();
}

void PictureDamaged(const char* format, const std::string& what) {
  throw EUnsupportedImageError(Format(msg::SPictureDamaged, format, what.c_str()));
}

void CheckPictureSize(const char* format, int64_t width, int64_t height, int64_t maxPixels) {
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) PictureDamaged(format, msg::SPicBadSize);
  // Compared by division: the product of two lying 32-bit sizes must not overflow.
  if (width > kMaxPicturePixels / height)
    throw EUnsupportedImageError(
        Format(msg::SPictureTooLarge, format, static_cast<int>(width), static_cast<int>(height)));
  if (width * height > maxPixels) PictureDamaged(format, msg::SPicUnpackedTooMuch);
}

std::unique_ptr<TkvPicture> LoadPictureFromMemory(std::string_view b, const std::string& name) {
  using namespace std::string_view_literals;
  if (StartsWith(b, "BM")) return ReadBmpPicture(b);
  if (StartsWith(b, "\0\0\1\0"sv) || StartsWith(b, "\0\0\2\0"sv)) return ReadIcoPicture(b);
  if (StartsWith(b, "\xFF\xD8\xFF"sv)) return ReadJpegPicture(b);
  if (StartsWith(b, "\x89PNG\r\n\x1A\n"sv)) return ReadPngPicture(b);
  throw EUnsupportedImageError(Format(msg::SUnsupportedImage, UnknownKind(b, name).c_str()));
}

std::unique_ptr<TkvPicture> LoadPictureFromFile(const std::string& fileName) {
  TkvSharedBytes bytes;
  try {
    bytes = ReadWholeFile(fileName);
  } catch (const Exception&) {
    throw EReadError(Format(msg::SPictureCannotRead, fileName.c_str()));
  }
  return LoadPictureFromMemory(*bytes, fileName);
}

}  // namespace kv
