// A small-object allocator for PDF objects. Documents hold hundreds of thousands of tiny
// objects (numbers, names, dictionaries) that are made and freed together; serving them
// from per-size free lists in large slabs costs a fraction of the general heap's work
// and its per-block overhead. Single-threaded, as the object model is. Freed blocks are
// kept for reuse, never returned to the system. Sanitizer builds use the general heap so
// that use-after-free and leaks of objects stay visible.
#pragma once

#include <cstddef>

namespace kv::pool {

void* Allocate(std::size_t size);
void Release(void* p, std::size_t size) noexcept;

// For the element buffers of arrays and dictionaries: small, and as many as the objects.
template <class T>
struct Allocator {
  using value_type = T;
  Allocator() = default;
  template <class U>
  Allocator(const Allocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(Allocate(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { Release(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const Allocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace kv::pool
