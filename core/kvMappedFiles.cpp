#include "core/kvMappedFiles.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace kv {

namespace {

struct Range {
  uintptr_t Begin;
  uintptr_t End;
};

// The live mappings. Few at a time (one per open input), so a list is enough.
// Single-threaded, as the object model is.
std::vector<Range>& LiveMappings() {
  static std::vector<Range> live;
  return live;
}

// Owns a mapping; unmapped when the last stream viewing it goes.
struct TkvMapping {
  void* Address;
  size_t Size;
  TkvMapping(void* address, size_t size) : Address(address), Size(size) {
    LiveMappings().push_back({reinterpret_cast<uintptr_t>(address), reinterpret_cast<uintptr_t>(address) + size});
  }
  ~TkvMapping() {
    auto& live = LiveMappings();
    for (size_t i = 0; i < live.size(); ++i)
      if (live[i].Begin == reinterpret_cast<uintptr_t>(Address)) {
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    munmap(Address, Size);
  }
  TkvMapping(const TkvMapping&) = delete;
  TkvMapping& operator=(const TkvMapping&) = delete;
};

}  // namespace

std::unique_ptr<TkvMemoryStream> MapFileDescriptor(int fd, size_t size) {
  if (size == 0) return nullptr;
  void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (address == MAP_FAILED) return nullptr;
  std::shared_ptr<const void> owner;
  try {
    owner = std::make_shared<TkvMapping>(address, size);
  } catch (...) {
    munmap(address, size);
    throw;
  }
  return TkvMemoryStream::View(std::move(owner), static_cast<const char*>(address), size);
}

void DropMappedPages(std::string_view bytes) {
  const auto begin = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t end = begin + bytes.size();
  for (const Range& r : LiveMappings()) {
    if (begin < r.Begin || end > r.End) continue;
    // Only pages wholly inside: the others hold bytes of neighbouring objects. The mapping
    // is private and never written, so a dropped page reads back as the file.
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (begin + page - 1) / page * page;
    const uintptr_t last = end / page * page;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    return;
  }
}

}  // namespace kv
