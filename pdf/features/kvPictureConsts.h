// Messages of the picture readers.
#pragma once

namespace kv::msg {
// The format named is what the file looked like: "Metafile", "GIF", "TIFF", or the
// file's extension when nothing was recognised.
inline constexpr const char* SPictureUnknownFormat = "unknown";
inline constexpr const char* SPictureDamaged = "Damaged %s picture: %s";
inline constexpr const char* SPictureTooLarge = "%s picture too large: %d x %d pixels";
inline constexpr const char* SPictureCannotRead = "Cannot read picture \"%s\"";

// What was wrong, for SPictureDamaged.
inline constexpr const char* SPicTruncated = "the data ends early";
inline constexpr const char* SPicBadHeader = "invalid header";
inline constexpr const char* SPicBadSize = "invalid width or height";
inline constexpr const char* SPicBadDepth = "unsupported bits per pixel (%d)";
inline constexpr const char* SPicBadCompression = "unsupported compression (%d)";
inline constexpr const char* SPicBadPalette = "invalid colour table";
inline constexpr const char* SPicBadMasks = "invalid colour masks";
inline constexpr const char* SPicNoImages = "no images in the icon";
inline constexpr const char* SPicUnpackedTooMuch = "more pixels than the file can hold";
}  // namespace kv::msg
