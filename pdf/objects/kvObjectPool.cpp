#include "pdf/objects/kvObjectPool.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
#define KV_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_POOL_DISABLED 1
#endif
#endif

namespace kv::pool {

#ifdef KV_POOL_DISABLED

void* Allocate(std::size_t size) { return ::operator new(size); }
void Release(void* p, std::size_t) noexcept { ::operator delete(p); }

#else

namespace {

constexpr std::size_t kGranule = 8;
constexpr std::size_t kMaxPooled = 128;  // larger objects go to the general heap
constexpr std::size_t kClasses = kMaxPooled / kGranule;
constexpr std::size_t kSlabBytes = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

FreeBlock* g_free[kClasses] = {};
char* g_slab = nullptr;
std::size_t g_slabLeft = 0;

std::size_t ClassOf(std::size_t size) { return (size + kGranule - 1) / kGranule - 1; }

}  // namespace

void* Allocate(std::size_t size) {
  if (size == 0 || size > kMaxPooled) return ::operator new(size);
  std::size_t c = ClassOf(size);
  if (FreeBlock* b = g_free[c]) {
    g_free[c] = b->next;
    return b;
  }
  std::size_t bytes = (c + 1) * kGranule;
  if (g_slabLeft < bytes) {
    g_slab = static_cast<char*>(std::malloc(kSlabBytes));
    if (!g_slab) throw std::bad_alloc();
    g_slabLeft = kSlabBytes;
  }
  void* p = g_slab;
  g_slab += bytes;
  g_slabLeft -= bytes;
  return p;
}

void Release(void* p, std::size_t size) noexcept {
  if (!p) return;
  if (size == 0 || size > kMaxPooled) {
    ::operator delete(p);
    return;
  }
  auto* b = static_cast<FreeBlock*>(p);
  std::size_t c = ClassOf(size);
  b->next = g_free[c];
  g_free[c] = b;
}

#endif

}  // namespace kv::pool
