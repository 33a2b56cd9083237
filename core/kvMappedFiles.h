// Read-only mappings of input files. An input is mapped rather than read into memory, so
// that only the parts an operation reads take memory; the mappings made here are known, so
// that bytes of one whose use is over (stream data already written out) can be given back
// to the system without being unmapped.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "core/kvClasses.h"

namespace kv {

// A memory stream viewing a read-only mapping of `size` bytes of the open file `fd` (which
// may be closed afterwards), or none when the system cannot map it.
std::unique_ptr<TkvMemoryStream> MapFileDescriptor(int fd, size_t size);

// Gives back the memory of the pages wholly inside `bytes` when they lie in a mapping made
// here, and that of every live mapping once a few megabytes have been given back
// piecewise (`bytes` may be a whole mapping); the mappings stay, and a page read again comes
// back from the file. Nothing for any other bytes.
void DropMappedPages(std::string_view bytes);

}  // namespace kv
