// Messages and name tables of the PDF layer.
#pragma once

#include <array>
#include <string_view>

namespace kv::msg {
inline constexpr const char* SUnexpectedError = "Unexpected Error";
inline constexpr const char* STrailerError = "Error reading PDF trailer";
inline constexpr const char* SStringReadError = "Error reading PDF string (%s)";
inline constexpr const char* SArrayReadError = "Error reading PDF array (%s)";
inline constexpr const char* SNameReadError = "Error reading PDF name string (%s)";
inline constexpr const char* SDictionaryReadError = "Error reading PDF dictionary (%s)";
inline constexpr const char* SStreamReadErrorPDF = "Error reading PDF stream";
inline constexpr const char* SInvalidObjectNo = "Invalid object number";
inline constexpr const char* SEndStreamError = "Expected PDF endstream";
inline constexpr const char* SBooleanError = "Expected boolean (%s) object";
inline constexpr const char* SNullObjectError = "Expected PDF null object";
inline constexpr const char* SOffsetError = "Error reading document. Unable to read offset";
inline constexpr const char* SInvalidHeader = "Invalid PDF Header (%s)";
inline constexpr const char* SUnsupportedVersion = "Unsupported PDF Version (%s)";
inline constexpr const char* SInvalidPermission = "Invalid permission in encryption dictionary";
inline constexpr const char* SUnexpectedObject = "Unexpected PDF object encountered";
inline constexpr const char* SUnsupportedFilterNamed = "Unsupported filter (%s)";
inline constexpr const char* SUnsupportedFilter = "Unsupported filter";
inline constexpr const char* SUnexpectedFilterObject = "Unexpected filter object, found (%s)";
inline constexpr const char* SIndexOutOfBounds = "Index Out Of Bounds!";
inline constexpr const char* SUnsupportedImage = "Unsupported image format (%s)";
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
}  // namespace kv::msg

namespace kv {

using TkvNameTable = std::string_view;

inline constexpr std::array<std::string_view, 6> kDecodeFilterNames = {
    "/ASCIIHexDecode", "/ASCII85Decode", "/FlateDecode", "/RunLengthDecode", "/CCITTFaxDecode", "/DCTDecode"};

inline constexpr std::array<std::string_view, 8> kDestinationTypeNames = {"/XYZ",  "/Fit",  "/FitH",  "/FitV",
                                                                          "/FitR", "/FitB", "/FitBH", "/FitBV"};

inline constexpr std::array<std::string_view, 8> kResourceCategoryNames = {
    "/Font", "/XObject", "/ExtGState", "/ColorSpace", "/Pattern", "/Shading", "/ProcSet", "/Properties"};

inline constexpr std::array<std::string_view, 4> kPageModeNames = {"/UseNone", "/UseOutlines", "/UseThumbs",
                                                                   "/FullScreen"};

inline constexpr std::array<std::string_view, 5> kPageLayoutNames = {"/None", "/SinglePage", "/OneColumn",
                                                                     "/TwoColumnLeft", "/TwoColumnRight"};

inline constexpr std::array<std::string_view, 3> kNonFullScreenPageModeNames = {"/UseNone", "/UseOutlines",
                                                                                "/UseThumbs"};

// Position of `name` in a table (exact byte comparison), -1 when absent.
template <size_t N>
int IndexOfName(const std::array<std::string_view, N>& table, std::string_view name) {
  for (size_t i = 0; i < N; ++i)
    if (table[i] == name) return static_cast<int>(i);
  return -1;
}

}  // namespace kv
