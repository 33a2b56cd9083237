// Combining resource dictionaries (form default resources, page resources): what the
// source names is added to the target, category by category.
#pragma once

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// The categories merged, in this order.
inline constexpr const char* kResourceCategories[] = {"/ExtGState", "/ColorSpace", "/Pattern", "/Shading",
                                                      "/XObject",   "/Font",       "/ProcSet", "/Properties"};

// Merges `source` into `target` and returns `target`. A category only the source has is
// given to the target as the same object (the entry is copied, so a reference still
// designates the source's dictionary). A category both have gets the source's entries
// that the target lacks; an entry of the same name in both keeps the target's, which
// what the target already draws relies on. /ProcSet arrays gain the source's names they
// lack. Sub-dictionaries behind references are looked up in `store`.
TkvPDFDictObject& MergeResources(const TkvPDFObjectStore& store, const TkvPDFDictObject& source,
                                 TkvPDFDictObject& target);

}  // namespace kv
