#include "pdf/objects/kvNameText.h"

#include <memory>
#include <unordered_map>

namespace kv {

namespace {

// The shared texts, made once and kept for the life of the process: any name may point to
// one. Single-threaded, as the object model is.
std::unordered_map<std::string_view, const std::string*>& Table() {
  static auto* table = new std::unordered_map<std::string_view, const std::string*>();
  return *table;
}

}  // namespace

uintptr_t TkvNameText::EmptyBits() noexcept {
  static const std::string empty;
  return reinterpret_cast<uintptr_t>(&empty);
}

uintptr_t TkvNameText::Own(std::string_view text) { return reinterpret_cast<uintptr_t>(new std::string(text)) | 1; }

uintptr_t TkvNameText::Share(std::string_view text) {
  if (text.empty()) return EmptyBits();
  if (text.size() > kMaxSharedLength) return Own(text);
  auto& table = Table();
  if (auto it = table.find(text); it != table.end()) return reinterpret_cast<uintptr_t>(it->second);
  if (table.size() >= kMaxShared) return Own(text);
  const auto* shared = new std::string(text);
  table.emplace(std::string_view(*shared), shared);
  return reinterpret_cast<uintptr_t>(shared);
}

void TkvNameText::Release() {
  if (Owned()) delete reinterpret_cast<std::string*>(bits_ & ~uintptr_t{1});
}

TkvNameText& TkvNameText::operator=(TkvNameText&& other) noexcept {
  if (this != &other) {
    Release();
    bits_ = other.bits_;
    other.bits_ = EmptyBits();
  }
  return *this;
}

TkvNameText& TkvNameText::operator=(std::string_view text) {
  // The new text is made before the old goes: `text` may view it.
  const uintptr_t bits = Share(text);
  Release();
  bits_ = bits;
  return *this;
}

}  // namespace kv
