// Messages of the reader and the cross-reference reader. The plain class messages of
// the PDF layer live in core/kvPDFConsts.h; these add what the reader alone says.
#pragma once

namespace kv::msg {
inline constexpr const char* SXRefTableError = "Error reading cross-referenece table";
inline constexpr const char* SXRefTableErrorDetail = "Error reading cross-referenece table (%s)";
inline constexpr const char* STrailerErrorDetail = "Error reading PDF trailer (%s)";
inline constexpr const char* SUnexpectedEndOfData = "Unexpected end of PDF data at offset %lld";
inline constexpr const char* SInvalidObjectNumberDetail = "Invalid object number (%s %s)";
inline constexpr const char* SObjectsNestedTooDeep = "Unexpected PDF object encountered (objects nested in objects)";

// Texts filled into the %s of the class messages above and of core/kvPDFConsts.h.
inline constexpr const char* SDetailEndOfInput = "end of input";
inline constexpr const char* SDetailNestedTooDeep = "nested deeper than %d levels";
inline constexpr const char* SDetailLoneGreater = ">";
inline constexpr const char* SDetailOffsetOutside = "offset %lld lies outside the file of %lld bytes";
inline constexpr const char* SDetailPrevLoop = "the /Prev chain returns to the section at offset %lld";
inline constexpr const char* SDetailPrevNotInteger = "/Prev is not an integer";
inline constexpr const char* SDetailSubsectionRange = "subsection %d %d: object numbers run from 0 to %d";
inline constexpr const char* SDetailSubsectionTooLong =
    "subsection %d %d holds more entries than the file has bytes for";
// Cross-reference streams, object streams and headers of modern files.
inline constexpr const char* SDetailNotXRefStream = "no cross-reference stream at the offset";
inline constexpr const char* SDetailXRefStreamW =
    "/W of the cross-reference stream is not three widths of 0 to 8 bytes";
inline constexpr const char* SDetailXRefStreamIndex = "/Index or /Size of the cross-reference stream is not valid";
inline constexpr const char* SDetailScannedTooMuch =
    "cross-reference streams without lengths read past the file's size";
inline constexpr const char* SDetailEntryMalformed = "entry of object %d is malformed";
inline constexpr const char* SObjectStreamInvalid = "Invalid object stream %d (%s)";
inline constexpr const char* SDetailObjStmHeader = "its header does not list /N objects before /First";
inline constexpr const char* SDetailObjStmNotStream = "it is not a stream";
inline constexpr const char* SDetailObjStmNested = "it lies in an object stream itself";
inline constexpr const char* SDetailObjStmNeedsItself = "reading it needs itself, or streams nested too deep";
inline constexpr const char* SObjectNotInObjectStream = "Object %d not found in object stream %d";
}  // namespace kv::msg
