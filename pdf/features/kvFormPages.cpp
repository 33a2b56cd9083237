#include "pdf/features/kvFormPages.h"

#include "pdf/features/kvAcroForm.h"
#include "pdf/features/kvFormObjectUtils.h"

namespace kv {

namespace {

using namespace form;

class TkvFieldPruner {
 public:
  TkvFieldPruner(TkvPDFObjectStore& store, const std::unordered_set<int64_t>& gone,
                 const std::function<void(TkvPDFObject&)>& dropped)
      : store_(store), gone_(gone), dropped_(dropped) {}

  // Takes out of `array` the entries that are to leave the form.
  void PruneArray(TkvPDFArrayObject& array, int depth) {
    for (int32_t i = array.Count() - 1; i >= 0; --i) {
      if (Keep(array.GetItem(i), depth)) continue;
      TkvPDFObjectPtr taken = array.SetItem(i, nullptr);
      array.Delete(i);
      if (taken && dropped_) dropped_(*taken);
    }
  }

  std::vector<TkvPDFIndirectObject*> Removed() const { return removed_; }
  bool WasRemoved(int64_t key) const { return removedKeys_.count(key) > 0; }

 private:
  bool Keep(TkvPDFObject* entry, int depth) {
    auto* ref = CastIfKind<TkvPDFIndirectReference>(entry);
    if (!ref) return true;
    TkvPDFIndirectObject* obj = store_.Find(ref);
    // What cannot be followed (absent, met before, nested beyond the bound) stays as it is.
    if (!obj || depth > kMaxFieldDepth || !seen_.insert(obj->Key()).second) return true;
    TkvPDFDictObject* dict = DictOfObject(obj);
    if (!dict) return true;
    bool drop = gone_.count(obj->Key()) > 0;
    if (!drop) {
      TkvPDFArrayObject* kids = ArrayOf(store_, dict->GetValue("/Kids"));
      if (!kids || kids->Count() == 0) return true;
      PruneArray(*kids, depth + 1);
      drop = kids->Count() == 0;
    }
    if (drop) {
      removed_.push_back(obj);
      removedKeys_.insert(obj->Key());
    }
    return !drop;
  }

  TkvPDFObjectStore& store_;
  const std::unordered_set<int64_t>& gone_;
  const std::function<void(TkvPDFObject&)>& dropped_;
  std::unordered_set<int64_t> seen_;
  std::vector<TkvPDFIndirectObject*> removed_;
  std::unordered_set<int64_t> removedKeys_;
};

}  // namespace

std::unordered_set<int64_t> PageAnnotationKeys(const TkvPDFObjectStore& store,
                                               const std::vector<TkvPDFIndirectObject*>& pages) {
  std::unordered_set<int64_t> keys;
  for (TkvPDFIndirectObject* page : pages) {
    TkvPDFDictObject* dict = DictOfObject(page);
    TkvPDFArrayObject* annots = dict ? ArrayOf(store, dict->GetValue("/Annots")) : nullptr;
    if (!annots) continue;
    for (const auto& a : annots->Items)
      if (auto* ref = CastIfKind<TkvPDFIndirectReference>(a)) keys.insert(ref->Key());
  }
  return keys;
}

std::vector<TkvPDFIndirectObject*> PruneFieldTree(TkvPDFObjectStore& store, TkvPDFDictObject& form,
                                                  const std::unordered_set<int64_t>& gone,
                                                  const std::function<void(TkvPDFObject& reference)>& dropped) {
  TkvFieldPruner pruner(store, gone, dropped);
  if (TkvPDFArrayObject* fields = ArrayOf(store, form.GetValue("/Fields"))) pruner.PruneArray(*fields, 0);
  if (TkvPDFArrayObject* order = ArrayOf(store, form.GetValue("/CO"))) {
    for (int32_t i = order->Count() - 1; i >= 0; --i) {
      auto* item = CastIfKind<TkvPDFIndirectReference>(order->GetItem(i));
      if (!item || !pruner.WasRemoved(item->Key())) continue;
      TkvPDFObjectPtr taken = order->SetItem(i, nullptr);
      order->Delete(i);
      if (dropped) dropped(*taken);
    }
  }
  return pruner.Removed();
}

std::unordered_set<int64_t> ReachableKeys(const TkvPDFObjectStore& store, const std::vector<TkvPDFObject*>& roots) {
  std::unordered_set<int64_t> keys;
  std::vector<TkvPDFObject*> stack(roots.begin(), roots.end());
  while (!stack.empty()) {
    TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    if (auto* ref = CastIfKind<TkvPDFIndirectReference>(obj)) {
      TkvPDFIndirectObject* target = store.Find(ref);
      if (target && keys.insert(target->Key()).second) stack.push_back(target->Value.get());
    } else if (auto* ind = CastIfKind<TkvPDFIndirectObject>(obj)) {
      keys.insert(ind->Key());
      stack.push_back(ind->Value.get());
    } else {
      AppendChildren(obj, stack);
    }
  }
  return keys;
}

}  // namespace kv
