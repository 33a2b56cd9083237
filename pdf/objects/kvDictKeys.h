// The keys of a dictionary. Files use a few dozen distinct keys (/Type, /Length, /Font...)
// hundreds of thousands of times, so a key is normally a pointer to one shared, immutable
// name object kept for the life of the process (an interned name) instead of an object of
// its own: a dictionary entry then costs a pointer rather than an allocation and a string,
// and copying a dictionary copies pointers. Keys that are long, or met after the table of
// shared names is full (a hostile file may use millions of distinct keys), are owned by the
// list as before. Reading stays `Keys[i]->Value`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "pdf/objects/kvObjectPool.h"

namespace kv {

class TkvPDFNameObject;

class TkvDictKeys {
 public:
  TkvDictKeys() = default;
  ~TkvDictKeys() { clear(); }
  TkvDictKeys(const TkvDictKeys&) = delete;
  TkvDictKeys& operator=(const TkvDictKeys&) = delete;
  TkvDictKeys(TkvDictKeys&& other) noexcept : items_(std::move(other.items_)) { other.items_.clear(); }
  TkvDictKeys& operator=(TkvDictKeys&& other) noexcept;

  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  void reserve(size_t n) { items_.reserve(n); }
  void clear();
  const TkvPDFNameObject* operator[](size_t i) const { return Pointer(items_[i]); }

  // Adds a key with this text (leading "/" included), shared when it can be.
  void push_back(std::string_view name);
  // Adds this key object: its text is shared when it can be (the object is then freed).
  void push_back(std::unique_ptr<TkvPDFNameObject> key);
  // Adds key `i` of `other`: a shared key is shared again, an owned one copied.
  void push_back_copy(const TkvDictKeys& other, size_t i);
  void erase(size_t i);
  // Moves the keys from index `from` of `other` to the end of this list; `other` keeps
  // only the keys before `from`.
  void TakeTail(TkvDictKeys& other, size_t from);
  // Key `i` as an object the caller may change: a shared key is first replaced by a copy
  // of its own, so the change reaches this dictionary alone.
  TkvPDFNameObject* Mutable(size_t i);

  // Distinct names shared at most, and the longest name shared: a bound on what the table
  // can hold whatever the files read (about 16 384 names of up to 64 bytes, a few MB).
  static constexpr size_t kMaxSharedNames = size_t{1} << 14;
  static constexpr size_t kMaxSharedLength = 64;

 private:
  // The low bit marks a key owned by this list (name objects are at least 8-aligned).
  static const TkvPDFNameObject* Pointer(uintptr_t item) {
    return reinterpret_cast<const TkvPDFNameObject*>(item & ~uintptr_t{1});
  }
  static bool Owned(uintptr_t item) { return (item & 1) != 0; }
  static void Release(uintptr_t item);

  std::vector<uintptr_t, pool::Allocator<uintptr_t>> items_;
};

// The shared name object for this text, or none when it cannot be shared (too long, or
// the table is full).
const TkvPDFNameObject* SharedName(std::string_view name);

}  // namespace kv
