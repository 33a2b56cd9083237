// Decoding stream data the way a stream dictionary says: every filter of /Filter in order,
// each with its /DecodeParms entry (predictors for Flate and LZW, /EarlyChange for LZW).
// The readers of cross-reference streams and object streams need the data itself, so
// LZW is decoded as LZW here (the name-only dispatch routes it to Flate).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "pdf/filters/kvFilters.h"
#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// Follows a reference to the object it designates (nullptr when it cannot); given by
// callers whose dictionaries may hold references. Without one, references are refused.
using TkvObjectResolver = std::function<const TkvPDFObject*(const TkvPDFObject*)>;

// Filters on one stream beyond this many are refused: real files use one or two, and each
// filter may multiply the data.
inline constexpr int kMaxFilterChain = 8;

// `filter` and `decodeParms` are the dictionary's /Filter and /DecodeParms values (or
// nullptr). Names other than the five decoders (Flate, LZW, ASCII hex, ASCII base-85,
// run-length) and /Crypt with the identity filter fail with EUnsupportedFilterError; output
// beyond `maxDecodedSize` fails with EDecompressionError.
std::string DecodeStreamData(std::string_view data, const TkvPDFObject* filter, const TkvPDFObject* decodeParms,
                             const TkvObjectResolver& resolve = nullptr, int64_t maxDecodedSize = kMaxDecodedSize);
// The same from a stream dictionary's /Filter and /DecodeParms.
std::string DecodeStreamData(std::string_view data, const TkvPDFDictObject& dict,
                             const TkvObjectResolver& resolve = nullptr, int64_t maxDecodedSize = kMaxDecodedSize);

}  // namespace kv
