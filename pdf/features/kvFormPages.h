// Forms and the pages their widgets sit on: after pages leave a document (deleted, or
// not taken by an extract) the fields whose widgets were on them leave its form too, and
// a field with widgets on several pages keeps the widgets that remain.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_set>
#include <vector>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// Keys of the annotations the pages list in /Annots.
std::unordered_set<int64_t> PageAnnotationKeys(const TkvPDFObjectStore& store,
                                               const std::vector<TkvPDFIndirectObject*>& pages);

// Removes from the form's field tree (/Fields, /Kids, /CO) every widget whose key is in
// `gone`, and every field left without widgets by that. Fields that never had a widget
// stay. Each reference taken out of an array is handed to `dropped`. Returns the objects
// removed from the tree.
std::vector<TkvPDFIndirectObject*> PruneFieldTree(TkvPDFObjectStore& store, TkvPDFDictObject& form,
                                                  const std::unordered_set<int64_t>& gone,
                                                  const std::function<void(TkvPDFObject& reference)>& dropped);

// Keys of every stored object that `roots` reach through references.
std::unordered_set<int64_t> ReachableKeys(const TkvPDFObjectStore& store, const std::vector<TkvPDFObject*>& roots);

}  // namespace kv
