// Forms carried along by page operations: the fields of extracted pages go with them into
// the new document, and merged documents bring their fields under names that do not clash.
#include <random>
#include <unordered_set>

#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvFieldText.h"
#include "pdf/features/kvFormObjectUtils.h"
#include "pdf/features/kvFormPages.h"
#include "pdf/features/kvResourceMerge.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

using namespace form;

// A renamed field gets random numbers appended until its name is free; each attempt adds
// up to five digits, so a handful always suffices. The bound only stops a runaway.
constexpr int kMaxRenameAttempts = 1000;
constexpr int32_t kRenameNumberLimit = 99999;

// The references of `array` whose objects `store` holds, in order.
std::unique_ptr<TkvPDFArrayObject> PresentEntries(const TkvPDFArrayObject* array, const TkvPDFObjectStore& store) {
  auto out = std::make_unique<TkvPDFArrayObject>();
  if (!array) return out;
  for (const auto& item : array->Items)
    if (store.Find(CastIfKind<TkvPDFIndirectReference>(item))) out->Add(item->Clone());
  return out;
}

std::string RootName(const TkvPDFObjectStore& store, TkvPDFObject* entry) {
  TkvPDFDictObject* dict = DictOf(store, entry);
  TkvPDFStringObject* t = dict ? StringOf(store, dict->GetValue("/T")) : nullptr;
  return t ? StringObjectText(*t) : std::string();
}

TkvPDFArrayObject& ArrayEntry(const TkvPDFObjectStore& store, TkvPDFDictObject& dict, const char* key) {
  if (TkvPDFArrayObject* a = ArrayOf(store, dict.GetValue(key))) return *a;
  dict.SetValue(key, std::make_unique<TkvPDFArrayObject>());
  return *CastObject<TkvPDFArrayObject>(dict.GetValue(key));
}

}  // namespace

void TkvExPDFDocument::CopyReferencedObjects(TkvExPDFDocument& from, TkvPDFObject* root, TkvPDFObjectStore& into) {
  TkvObjectList list;
  from.CollectSkip = &into;
  try {
    from.CollectReferences(list, root);
  } catch (...) {
    from.CollectSkip = nullptr;
    for (int32_t i = 0; i < list.Count(); ++i) delete list.GetObject(i);
    throw;
  }
  from.CollectSkip = nullptr;
  into.MergeList(list);
}

// The extracted document gets a form of its own: the fields whose widgets came along
// with its pages, the widgets of those fields that are on its pages, and the form's
// other entries (default resources and appearance, calculation order of the fields kept).
void TkvExPDFDocument::CopyFormFieldsTo(TkvCustomPDFDocument& target) {
  auto* ex = dynamic_cast<TkvExPDFDocument*>(&target);
  TkvPDFDictObject* form = FormDictionary();
  if (!ex || ex == this || !form || !form->GetValue("/Fields")) return;
  TkvPDFObjectStore& store = *ex->ObjectStore;
  std::unique_ptr<TkvPDFDictObject> copy = form->CloneDict();
  copy->SetValue("/Fields", PresentEntries(ArrayOf(*ObjectStore, form->GetValue("/Fields")), store));
  if (copy->GetValue("/CO")) copy->SetValue("/CO", PresentEntries(ArrayOf(*ObjectStore, form->GetValue("/CO")), store));
  CopyReferencedObjects(*this, copy.get(), store);
  TkvPDFDictObject* newForm = copy.get();
  auto formObject =
      std::make_unique<TkvPDFIndirectObject>(ex->DocumentId(), store.NewObjectNumber(), 0, std::move(copy), 1);
  ex->Catalog->AcroForm = ReferenceTo(*formObject);
  store.Add(std::move(formObject));

  // Widgets of the fields taken that sit on pages not taken leave the form. What only
  // they refer to (their appearances) is not written.
  std::unordered_set<int64_t> gone = PageAnnotationKeys(*ObjectStore, Pages);
  for (int64_t key : PageAnnotationKeys(store, ex->Pages)) gone.erase(key);
  std::vector<TkvPDFIndirectObject*> removed = PruneFieldTree(store, *newForm, gone, nullptr);
  if (!removed.empty()) {
    std::vector<TkvPDFObject*> roots(ex->Pages.begin(), ex->Pages.end());
    roots.push_back(newForm);
    std::unordered_set<int64_t> kept = ReachableKeys(store, roots);
    std::vector<TkvPDFObject*> removedRoots(removed.begin(), removed.end());
    for (int64_t key : ReachableKeys(store, removedRoots))
      if (!kept.count(key))
        if (TkvPDFIndirectObject* obj = store.FindKey(key)) obj->RefCount = 0;
  }
  ex->RebuildFieldList();
}

// The source's pages were taken first, so its fields with widgets are already here; the
// others are copied now. A field whose top-level name is taken gets random numbers
// appended to its /T until the name is free: renaming the top-level field renames every
// field under it alike, and full names stay what viewers compute from /T and /Parent.
void TkvExPDFDocument::MergeFormFieldsFrom(TkvCustomPDFDocument& source) {
  auto* src = dynamic_cast<TkvExPDFDocument*>(&source);
  TkvPDFDictObject* srcForm = src && src != this ? src->FormDictionary() : nullptr;
  if (!srcForm) return;
  const TkvPDFObjectStore& srcStore = *src->ObjectStore;
  TkvPDFDictObject* form = FormDictionary();
  if (!form) {
    auto dict = std::make_unique<TkvPDFDictObject>();
    form = dict.get();
    auto obj =
        std::make_unique<TkvPDFIndirectObject>(DocumentId(), ObjectStore->NewObjectNumber(), 0, std::move(dict), 1);
    Catalog->AcroForm = ReferenceTo(*obj);
    ObjectStore->Add(std::move(obj));
  }
  TkvPDFArrayObject& fields = ArrayEntry(*ObjectStore, *form, "/Fields");
  std::unordered_set<std::string> names;
  for (const auto& entry : fields.Items) names.insert(RootName(*ObjectStore, entry.get()));
  if (FFields)
    for (int32_t i = 0; i < FFields->Count(); ++i) names.insert(FFields->Field(i).Name);

  TkvPDFStringObject* srcDA = StringOf(srcStore, srcForm->GetValue("/DA"));
  TkvPDFStringObject* ownDA = StringOf(*ObjectStore, form->GetValue("/DA"));
  bool keepSourceDA = srcDA && ownDA && srcDA->RawBytes() != ownDA->RawBytes();
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int32_t> number(0, kRenameNumberLimit - 1);

  if (TkvPDFArrayObject* srcFields = ArrayOf(srcStore, srcForm->GetValue("/Fields"))) {
    for (const auto& entry : srcFields->Items) {
      if (!entry || !entry->IsReference()) continue;
      CopyReferencedObjects(*src, entry.get(), *ObjectStore);
      TkvPDFDictObject* dict = DictOf(*ObjectStore, entry.get());
      if (!dict) continue;
      std::string name = RootName(*ObjectStore, entry.get());
      if (!name.empty()) {
        std::string renamed = name;
        for (int attempt = 0; names.count(renamed) && attempt < kMaxRenameAttempts; ++attempt)
          renamed += std::to_string(number(random));
        if (renamed != name) dict->SetValue("/T", MakeFieldTextString(renamed));
        names.insert(renamed);
      }
      // Fields that took their look from the source form's default appearance keep it.
      if (keepSourceDA && !dict->GetValue("/DA")) dict->SetValue("/DA", srcDA->Clone());
      fields.Add(entry->Clone());
    }
  }
  if (TkvPDFArrayObject* srcOrder = ArrayOf(srcStore, srcForm->GetValue("/CO"))) {
    TkvPDFArrayObject& order = ArrayEntry(*ObjectStore, *form, "/CO");
    for (const auto& entry : srcOrder->Items) {
      if (!entry) continue;
      CopyReferencedObjects(*src, entry.get(), *ObjectStore);
      order.Add(entry->Clone());
    }
  }
  if (TkvPDFDictObject* srcDR = DictOf(srcStore, srcForm->GetValue("/DR"))) {
    std::unique_ptr<TkvPDFDictObject> resources = srcDR->CloneDict();
    CopyReferencedObjects(*src, resources.get(), *ObjectStore);
    if (TkvPDFDictObject* ownDR = DictOf(*ObjectStore, form->GetValue("/DR")))
      MergeResources(*ObjectStore, *resources, *ownDR);
    else
      form->SetValue("/DR", std::move(resources));
  }
  if (srcDA && !ownDA) form->SetValue("/DA", srcDA->Clone());
  auto* need = CastIfKind<TkvPDFBooleanObject>(srcStore.Resolve(srcForm->GetValue("/NeedAppearances")));
  if (need && need->Value) form->SetBoolean("/NeedAppearances", true);
  RebuildFieldList();
}

}  // namespace kv
