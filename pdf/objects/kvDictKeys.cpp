#include "pdf/objects/kvDictKeys.h"

#include <string>
#include <unordered_map>

#include "pdf/objects/kvPDFObjects.h"

namespace kv {

namespace {

// Keys of the table view the shared objects' own text, which never changes or moves.
// Single-threaded, as the object model and its allocator are. Never destroyed: the shared
// objects live as long as the process, and stay reachable from here to its end (a table
// destroyed at exit would leave them looking leaked to a leak checker).
std::unordered_map<std::string_view, const TkvPDFNameObject*>& Table() {
  static auto* table = new std::unordered_map<std::string_view, const TkvPDFNameObject*>();
  return *table;
}

uintptr_t OwnedItem(TkvPDFNameObject* key) { return reinterpret_cast<uintptr_t>(key) | 1; }
uintptr_t SharedItem(const TkvPDFNameObject* key) { return reinterpret_cast<uintptr_t>(key); }

}  // namespace

const TkvPDFNameObject* SharedName(std::string_view name) {
  if (name.size() > TkvDictKeys::kMaxSharedLength) return nullptr;
  auto& table = Table();
  if (auto it = table.find(name); it != table.end()) return it->second;
  if (table.size() >= TkvDictKeys::kMaxSharedNames) return nullptr;
  // Made once and kept for the life of the process: every dictionary may point to it.
  auto* shared = new TkvPDFNameObject(std::string(name));
  table.emplace(std::string_view(shared->Value), shared);
  return shared;
}

TkvDictKeys& TkvDictKeys::operator=(TkvDictKeys&& other) noexcept {
  if (this != &other) {
    clear();
    items_ = std::move(other.items_);
    other.items_.clear();
  }
  return *this;
}

void TkvDictKeys::Release(uintptr_t item) {
  if (Owned(item)) delete const_cast<TkvPDFNameObject*>(Pointer(item));
}

void TkvDictKeys::clear() {
  for (uintptr_t item : items_) Release(item);
  items_.clear();
}

void TkvDictKeys::push_back(std::string_view name) {
  if (const TkvPDFNameObject* shared = SharedName(name)) {
    items_.push_back(SharedItem(shared));
    return;
  }
  items_.reserve(items_.size() + 1);  // so that the push below cannot fail after the allocation
  items_.push_back(OwnedItem(new TkvPDFNameObject(std::string(name))));
}

void TkvDictKeys::push_back(std::unique_ptr<TkvPDFNameObject> key) {
  if (!key) key = std::make_unique<TkvPDFNameObject>(std::string());
  if (const TkvPDFNameObject* shared = SharedName(key->Value)) {
    items_.push_back(SharedItem(shared));
    return;
  }
  items_.reserve(items_.size() + 1);
  items_.push_back(OwnedItem(key.release()));
}

void TkvDictKeys::push_back_copy(const TkvDictKeys& other, size_t i) {
  uintptr_t item = other.items_[i];
  if (!Owned(item)) {
    items_.push_back(item);
    return;
  }
  items_.reserve(items_.size() + 1);
  items_.push_back(OwnedItem(new TkvPDFNameObject(Pointer(item)->Value)));
}

void TkvDictKeys::erase(size_t i) {
  Release(items_[i]);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TkvDictKeys::TakeTail(TkvDictKeys& other, size_t from) {
  items_.insert(items_.end(), other.items_.begin() + static_cast<std::ptrdiff_t>(from), other.items_.end());
  other.items_.resize(from);
}

TkvPDFNameObject* TkvDictKeys::Mutable(size_t i) {
  uintptr_t& item = items_[i];
  if (!Owned(item)) item = OwnedItem(new TkvPDFNameObject(Pointer(item)->Value));
  return const_cast<TkvPDFNameObject*>(Pointer(item));
}

}  // namespace kv
