// Text of form fields both ways: field names, values and choices read from PDF strings
// and names into process code page text, and values written back as PDF text strings
// and names that hold every character (escaped, or UTF-16 with its marker).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// A PDF text string's characters as process code page text: UTF-16 with its FEFF marker,
// UTF-8 with its EF BB BF marker, and otherwise PDFDocEncoding.
std::string PDFTextToText(std::string_view bytes);
// The string object's text (see PDFTextToText).
std::string StringObjectText(const TkvPDFStringObject& str);
// A name's text: without its "/" and with #xx escapes decoded.
std::string NameObjectText(const TkvPDFNameObject& name);
// The text of a name, string or stream (decoded) value; empty for anything else.
std::string FieldValueText(const TkvPDFObject* value);

// A string object holding `text` (process code page): a literal when every character is
// printable ASCII or a line break, else UTF-16 with the FEFF marker, so no character of
// a value is lost however the file is read.
std::unique_ptr<TkvPDFStringObject> MakeFieldTextString(std::string_view text);
// A name object for `text`, with bytes that a name cannot hold written as #xx.
std::unique_ptr<TkvPDFNameObject> MakeFieldName(std::string_view text);

// Unicode code points of UTF-8 text; a malformed sequence gives U+FFFD.
std::u32string Utf8ToCodePoints(std::string_view text);
// UTF-8 text converted to the process code page (characters it cannot hold become "?").
std::string Utf8ToText(std::string_view text);

}  // namespace kv
