// The PNG reader, over libpng: every colour type and bit depth, interlaced or not, with
// transparency (an alpha channel or a tRNS chunk) kept as the picture's alpha. 16-bit
// samples keep their high byte.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/features/kvPicture.h"

namespace kv {

std::unique_ptr<TkvPicture> ReadPngPicture(std::string_view bytes);

}  // namespace kv
