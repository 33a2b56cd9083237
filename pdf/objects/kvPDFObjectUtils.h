// Helpers of the PDF layer that work on objects: document text strings, rectangles,
// numbers, references and filter lists.
#pragma once

#include <vector>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// A string object for a document text: literal under code page 1252, else a FEFF hex string.
std::unique_ptr<TkvPDFStringObject> MakeTextString(std::string_view text);
// The value of an integer, 64-bit integer or real object; anything else fails with
// EUnexpectedObjectError.
double NumberValue(const TkvPDFObject* obj);
// The value of an integer or 64-bit integer object; false (and `value` unchanged) for
// anything else.
bool IntegerValue(const TkvPDFObject* obj, int64_t& value);
TkvPDFRect RectFromArray(const TkvPDFArrayObject& array);
std::unique_ptr<TkvPDFIndirectReference> ReferenceTo(const TkvPDFIndirectObject& obj);
// The filters of a /Filter value: a name, or an array of names.
std::vector<TkvDecodeFilter> FiltersFromObject(const TkvPDFObject* obj);

}  // namespace kv
