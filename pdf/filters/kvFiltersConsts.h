// Messages of the stream filters.
#pragma once

namespace kv::msg {
// ASCII hex and ASCII base-85.
inline constexpr const char* SEndOfDataMarker = "EndOfData marker is wrong";
inline constexpr const char* SIllegalCharacter = "Illeagal character within stream";
inline constexpr const char* SZInsideGroup = "\"z\" found at inappropriate position";
inline constexpr const char* SSingleFinalCharacter = "Single Final Character";
inline constexpr const char* SAscii85GroupOverflow = "ASCII85 group value exceeds 32 bits";
// Run-length.
inline constexpr const char* SRLEEndOfDataMarker = "EndOfData Marker is wrong";
inline constexpr const char* SRLEPrematureEndOfData = "Premature EndOfData Marker found";
inline constexpr const char* SRLEUnexpectedEndOfFile = "Unexpected EndOfFile found";
// Flate (zlib). The %s is the zlib function, the %d its return code, the last %s zlib's own text.
inline constexpr const char* SCompressionError = "Flate compression failed (%s returned %d: %s)";
inline constexpr const char* SDecompressionError = "Flate decompression failed (%s returned %d: %s)";
// Any decoder whose output would pass the decoded-size cap.
inline constexpr const char* SDecodedTooLarge = "Decoded stream data exceeds the limit of %lld bytes";
// LZW and the predictors.
inline constexpr const char* SLZWInvalidCode = "LZW decoding failed (code %d where at most %d is defined)";
inline constexpr const char* SPredictorParams =
    "Invalid predictor parameters (/Predictor %d /Colors %d /BitsPerComponent %d /Columns %d)";
inline constexpr const char* SPredictorUnknown = "Unsupported predictor (%d)";
inline constexpr const char* SPredictorRowType = "Invalid PNG predictor row type (%d)";
// Decoding by a stream dictionary.
inline constexpr const char* SFiltersTooMany = "Too many filters on one stream (%d)";
}  // namespace kv::msg
