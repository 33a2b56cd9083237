// The JPEG reader, over libjpeg: baseline and progressive, grey, colour, and CMYK or YCCK
// (the inverted CMYK of many writers included), converted to RGB.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/features/kvPicture.h"

namespace kv {

std::unique_ptr<TkvPicture> ReadJpegPicture(std::string_view bytes);

}  // namespace kv
