// Cross-reference streams: the compressed form of a cross-reference section, an indirect
// stream object of /Type /XRef whose dictionary is the section's trailer. Each entry is a
// row of three big-endian fields whose widths /W gives: the type (0 free, 1 in use at an
// offset, 2 compressed in an object stream), then two numbers whose meaning the type fixes.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/objects/kvPDFObjects.h"
#include "pdf/parser/kvPDFParsers.h"

namespace kv {

struct TkvXRefStreamSection {
  std::unique_ptr<TkvPDFDictObject> Trailer;             // the stream's dictionary
  std::vector<std::pair<int32_t, TkvXRefItem>> Entries;  // (object number, entry), in stream order
};

// A field of an entry wider than this many bytes cannot hold an offset or number we use.
inline constexpr int kMaxXRefFieldWidth = 8;

// Reads the cross-reference stream whose object begins at `offset`: its dictionary and
// entries. Compressed entries are 'c' items (Offset: the object stream's number,
// Generation: the index in it). Entries of unknown types are left out; an offset that
// does not fit 32 bits becomes a free entry. Anything that is not a cross-reference stream
// there fails with ETrailerError; the data is never decrypted (these streams never are).
TkvXRefStreamSection ReadXRefStream(TkvPDFStreamReader& reader, int64_t offset);

// True when the bytes at `offset` begin an indirect object ("N G obj"), of number
// `objectNumber` unless it is -1; the position is kept.
bool IsObjectHeaderAt(TkvPDFStreamReader& reader, int64_t offset, int32_t objectNumber = -1);

}  // namespace kv
