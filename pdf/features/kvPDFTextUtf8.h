// Document text strings (titles, names, values) to and from UTF-8, whatever the process
// code page: for hosts that exchange text with other programs (JSON, terminals) and must
// not lose characters the code page cannot hold.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// The text of a string's bytes: UTF-16BE after a FEFF marker, UTF-8 after an EF BB BF
// marker, PDFDocEncoding otherwise. Bytes that name no character become U+FFFD.
std::string PDFTextToUtf8(std::string_view bytes);

// A string object holding UTF-8 `text`: a literal when it is plain ASCII, else a FEFF hex
// string of its UTF-16 code units. Bytes that are not UTF-8 become U+FFFD.
std::unique_ptr<TkvPDFStringObject> MakeUtf8TextString(std::string_view text);

}  // namespace kv
