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

// Bytes given back piecewise since the live mappings last were given back whole.
size_t g_released = 0;

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
  // Reading one page of a mapping faults in its neighbours too, so pages no one asked to
  // drop pile up around small pieces of data (and over many inputs, as a merge reads):
  // after this many bytes given back piecewise, every live mapping is given back whole.
  constexpr size_t kWholeMappingsAfter = size_t{512} << 10;
  const auto begin = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t end = begin + bytes.size();
  for (const Range& r : LiveMappings()) {
    if (begin < r.Begin || end > r.End) continue;
    // The mapping is private and never written, so a dropped page reads back as the file.
    if (bytes.size() == r.End - r.Begin) {
      madvise(reinterpret_cast<void*>(r.Begin), r.End - r.Begin, MADV_DONTNEED);
      return;
    }
    g_released += bytes.size();
    if (g_released >= kWholeMappingsAfter) {
      g_released = 0;
      for (const Range& each : LiveMappings())
        madvise(reinterpret_cast<void*>(each.Begin), each.End - each.Begin, MADV_DONTNEED);
      return;
    }
    // Only pages wholly inside: the others also hold bytes of neighbouring objects, likely
    // to be read next.
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (begin + page - 1) / page * page;
    const uintptr_t last = end / page * page;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    return;
  }
}

}  // namespace kv
