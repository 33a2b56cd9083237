// Decoding by filter kind and by a stream's /Filter value.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/kvPDFUtils.h"
#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// Trailing CR and LF are removed first; ASCII hex gets its ">" when missing; DCT data
// passes through unchanged; any other kind fails with "Unsupported filter".
std::string DecodeString(TkvDecodeFilter filter, std::string_view data);
std::unique_ptr<TkvMemoryStream> DecodeStream(TkvDecodeFilter filter, TkvStream& stream);
// A new memory stream holding `stream` decoded by every filter of `filterObject` in order
// (a copy when there is no filter object).
std::unique_ptr<TkvMemoryStream> DecodeWithFilters(TkvStream& stream, const TkvPDFObject* filterObject);

}  // namespace kv
