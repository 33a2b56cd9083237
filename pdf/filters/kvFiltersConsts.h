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
}  // namespace kv::msg
