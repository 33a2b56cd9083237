// The icon reader: of the pictures an icon (or cursor) file holds, the largest, stored
// as a bitmap with its transparency mask or as a PNG.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/features/kvPicture.h"

namespace kv {

std::unique_ptr<TkvPicture> ReadIcoPicture(std::string_view bytes);

}  // namespace kv
