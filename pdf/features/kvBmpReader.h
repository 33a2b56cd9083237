// The bitmap reader: device-independent bitmaps of 1, 4, 8, 16, 24 and 32 bits per
// pixel, uncompressed, with colour masks, or run-length coded (4 and 8 bits), stored
// bottom-up or top-down, behind every header size in use (12 to 124 bytes).
#pragma once

#include <memory>
#include <string_view>

#include "pdf/features/kvPicture.h"

namespace kv {

// A bitmap file ("BM", its file header, then the bitmap).
std::unique_ptr<TkvPicture> ReadBmpPicture(std::string_view bytes);

// A bitmap without its file header, as an icon holds it: the header gives twice the
// height (picture and mask), the pixels follow the colour table, and a 1-bit mask
// (1 = transparent) follows the pixels. The mask is the alpha channel unless 32-bit
// pixels carry one of their own.
std::unique_ptr<TkvPicture> ReadIconBitmap(std::string_view dib);

}  // namespace kv
