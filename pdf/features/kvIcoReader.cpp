#include "pdf/features/kvIcoReader.h"

#include "core/kvClasses.h"
#include "pdf/features/kvBmpReader.h"
#include "pdf/features/kvPictureConsts.h"
#include "pdf/features/kvPngReader.h"

namespace kv {

namespace {

constexpr const char* kIco = "ICO";

uint32_t Le(std::string_view b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

std::unique_ptr<TkvPicture> ReadIcoPicture(std::string_view b) {
  if (b.size() < 6 || Le(b, 0, 2) != 0 || (Le(b, 2, 2) != 1 && Le(b, 2, 2) != 2))
    PictureDamaged(kIco, msg::SPicBadHeader);
  const size_t count = Le(b, 4, 2);
  if (count == 0) PictureDamaged(kIco, msg::SPicNoImages);
  if (6 + 16 * count > b.size()) PictureDamaged(kIco, msg::SPicTruncated);
  // The largest picture, and of equal sizes the deepest: the one that prints best.
  size_t best = 0;
  uint64_t bestRank = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t e = 6 + 16 * i;
    uint64_t w = Le(b, e, 1) ? Le(b, e, 1) : 256, h = Le(b, e + 1, 1) ? Le(b, e + 1, 1) : 256;
    uint64_t rank = (w * h) << 16 | Le(b, e + 6, 2);
    if (i == 0 || rank > bestRank) best = i, bestRank = rank;
  }
  size_t e = 6 + 16 * best;
  uint32_t size = Le(b, e + 8, 4), offset = Le(b, e + 12, 4);
  if (offset > b.size() || size > b.size() - offset) PictureDamaged(kIco, msg::SPicTruncated);
  std::string_view image = b.substr(offset, size);
  std::unique_ptr<TkvPicture> pic;
  if (image.size() >= 8 && image.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8))
    pic = ReadPngPicture(image);
  else
    pic = ReadIconBitmap(image);
  pic->SetFormat(pfIcon);
  return pic;
}

}  // namespace kv
