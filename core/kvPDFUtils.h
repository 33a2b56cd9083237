// Utilities shared by the PDF layers that need no object model: the rectangle, the
// exception classes of the PDF layer, the decode-filter names, text-string encodings
// (literal escaping, hexadecimal forms, the FEFF Unicode marker), generated resource
// names, the object key, and word scanning over content text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/kvClasses.h"
#include "core/kvPDFConsts.h"

namespace kv {

struct TkvPDFRect {
  double Left = 0;
  double Bottom = 0;
  double Right = 0;
  double Top = 0;
};

#define KV_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  };

// Exceptions of the PDF layer. The engine's family (EPDFException) is declared here as
// well, because some classes belong to both (an unexpected object is an engine failure).
KV_DECLARE_EXCEPTION(EPDFException, Exception)
KV_DECLARE_EXCEPTION(EUnexpectedError, Exception)
KV_DECLARE_EXCEPTION(ETrailerError, Exception)
KV_DECLARE_EXCEPTION(EStringReadError, Exception)
KV_DECLARE_EXCEPTION(EArrayReadError, Exception)
KV_DECLARE_EXCEPTION(ENameReadError, Exception)
KV_DECLARE_EXCEPTION(EDictionaryReadError, Exception)
KV_DECLARE_EXCEPTION(EStreamReadError, Exception)
KV_DECLARE_EXCEPTION(EInvalidObjectNo, Exception)
KV_DECLARE_EXCEPTION(EEndStreamError, Exception)
KV_DECLARE_EXCEPTION(EBooleanError, Exception)
KV_DECLARE_EXCEPTION(ENullObjectError, Exception)
KV_DECLARE_EXCEPTION(EOffsetError, Exception)
KV_DECLARE_EXCEPTION(EInvalidHeader, Exception)
KV_DECLARE_EXCEPTION(EUnsupportedVersion, Exception)
KV_DECLARE_EXCEPTION(EInvalidPermission, Exception)
KV_DECLARE_EXCEPTION(EUnexpectedObjectError, EPDFException)
KV_DECLARE_EXCEPTION(EUnsupportedFilterError, Exception)
KV_DECLARE_EXCEPTION(EUnexpectedFilterObject, Exception)
KV_DECLARE_EXCEPTION(EInvalidIndex, Exception)
KV_DECLARE_EXCEPTION(EUnsupportedImage, Exception)
KV_DECLARE_EXCEPTION(ECrossReferenceError, EPDFException)
KV_DECLARE_EXCEPTION(EInvalidPageError, EPDFException)
KV_DECLARE_EXCEPTION(EUnsupportedImageError, EPDFException)
// A number token that does not convert (the runtime's conversion error).
KV_DECLARE_EXCEPTION(EConvertError, Exception)

enum TkvDecodeFilter : uint8_t {
  ftASCIIHexDecode,
  ftASCII85Decode,
  ftFlateDecode,
  ftRunLengthDecode,
  ftCCITTFaxDecode,
  ftDCTDecode
};

// The filter for a /Filter name; "/LZWDecode" is routed to Flate. Fails with
// EUnsupportedFilterError for any other name.
TkvDecodeFilter FilterFromName(std::string_view name);

// Literal string escaping both ways.
std::string EscapeLiteral(std::string_view bytes);
void AppendEscapedLiteral(std::string& out, std::string_view bytes);
std::string UnescapeLiteral(std::string_view text);

// Hexadecimal conversions: two upper-case digits per byte; reading skips non-digits and
// stops at the first pair that does not convert.
std::string BytesToHex(std::string_view bytes);
std::string HexToBytes(std::string_view hex);

// Document text strings. Text is in the process code page.
std::string TextToUnicodeHex(std::string_view text);
std::string HexTextToString(std::string_view hex);
std::string LiteralTextToString(std::string_view raw);
// UTF-16 big-endian bytes (without the marker) to process code page text.
std::string Utf16BEToAnsi(std::string_view bytes);

// Fresh resource names "/XKRFnt<n>" and "/XKRImg<n>".
std::string NewFontResourceName();
std::string NewImageResourceName();

// The store key of an indirect object or reference. Distinct triples give distinct,
// non-negative keys: the owner takes bits 40-62, the object number bits 16-39 and the
// generation bits 0-15. An object number outside 0 .. kMaxObjectNumber (or an owner
// beyond 23 bits) has no key: -1, which no store holds.
inline constexpr int32_t kMaxObjectNumber = 0xFFFFFF;
int64_t MakeObjectKey(int32_t owner, int32_t number, uint16_t generation);

// Word scanning over content text; positions are 1-based.
std::string NextWord(std::string_view text, int& position);
std::string PreviousWord(std::string_view text, int position, int& newPosition);
std::string PreviousWords(std::string_view text, int position, int n);

// Strict decimal conversions (the whole text must be a number).
bool TryStrToInt(std::string_view s, int32_t& value);
bool TryStrToInt64(std::string_view s, int64_t& value);
int32_t StrToInt(std::string_view s);  // fails with EConvertError
// Locale-free real conversions.
bool TryStrToFloat(std::string_view s, double& value);
// The real text of the object model: up to 15 significant digits, "." as separator,
// never an exponent (PDF has none).
std::string FloatToText(double value);

}  // namespace kv
