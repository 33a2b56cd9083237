// Rebuilding the cross-reference data of a damaged file: when startxref, a section or an
// offset is wrong, the file is scanned for "N G obj" headers and for trailers, as readers
// of damaged files do. Objects kept in object streams cannot be seen by the scan; the
// object streams found are handed back so that the loader can read them once it can
// decrypt them.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf/parser/kvPDFParsers.h"

namespace kv {

struct TkvRepairResult {
  int32_t ObjectsFound = 0;
  std::vector<int32_t> ObjectStreams;  // numbers of the /Type /ObjStm objects found
};

// Replaces the entries and trailer values of `table` with what the scan finds: the last
// header of each object number wins (later updates append), the trailer values come from
// the last trailer or cross-reference stream dictionary that has them, and a missing
// /Root is taken from the last /Type /Catalog object. Nothing found leaves 0 objects.
TkvRepairResult RebuildXRefTable(TkvPDFStreamReader& reader, TkvXRefTable& table);

}  // namespace kv
