#include "pdf/objects/kvPDFObjects.h"

namespace kv {

namespace {
// A reference may designate an object whose value is another reference; real files do
// not chain far, and a cycle must not hang the resolver.
constexpr int kMaxResolveDepth = 32;
}  // namespace

TkvPDFObjectStore::~TkvPDFObjectStore() { Clear(); }

void TkvPDFObjectStore::Clear() {
  for (int32_t i = 0; i < Objects.GetCount(); ++i) delete Objects.GetObject(i);
  Objects.Clear();
}

void TkvPDFObjectStore::Add(TkvPDFIndirectObject* obj) {
  if (!obj) throw ENullObjectError(msg::SNullObjectError);
  try {
    Objects.Add(obj->Key(), obj);
  } catch (...) {
    delete obj;
    throw;
  }
}

TkvPDFIndirectObject* TkvPDFObjectStore::FindKey(int64_t key) const {
  int32_t i = Objects.IndexOfID(key);
  return i < 0 ? nullptr : static_cast<TkvPDFIndirectObject*>(Objects.GetObject(i));
}

TkvPDFIndirectObject* TkvPDFObjectStore::Find(const TkvPDFIndirectReference* ref) const {
  return ref ? FindKey(ref->Key()) : nullptr;
}

int32_t TkvPDFObjectStore::IndexOf(int32_t owner, int32_t number, uint16_t generation) const {
  return Objects.IndexOfID(MakeObjectKey(owner, number, generation));
}

TkvPDFIndirectObject* TkvPDFObjectStore::GetAt(int32_t index) const {
  return static_cast<TkvPDFIndirectObject*>(Objects.GetObject(index));
}

void TkvPDFObjectStore::Merge(TkvPDFObjectStore& other) {
  if (&other == this) return;  // clearing "the other" would drop every object we own
  Objects.Merge(other.Objects);
  // The other store no longer owns anything: appended objects are ours, the rest were
  // destroyed by the merge.
  other.Objects.Clear();
}

void TkvPDFObjectStore::MergeList(TkvObjectList& list) { Objects.Merge(list); }

TkvPDFObject* TkvPDFObjectStore::Follow(TkvPDFObject* obj) const {
  for (int depth = 0; obj && depth < kMaxResolveDepth; ++depth) {
    if (obj->IsReference()) {
      TkvPDFIndirectObject* target = Find(static_cast<TkvPDFIndirectReference*>(obj));
      obj = target;
      if (!obj) return nullptr;
    } else if (obj->IsIndirectObject()) {
      obj = static_cast<TkvPDFIndirectObject*>(obj)->Value.get();
    } else {
      return obj;
    }
  }
  return obj && (obj->IsReference() || obj->IsIndirectObject()) ? nullptr : obj;
}

TkvPDFObject* TkvPDFObjectStore::Resolve(TkvPDFObject* obj) const { return Follow(obj); }

template <class T>
static T* ResolveKind(TkvPDFObject* obj, TkvPDFObjectType type) {
  if (!obj) return nullptr;
  if (obj->ObjectType != type) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  return static_cast<T*>(obj);
}

TkvPDFArrayObject* TkvPDFObjectStore::ResolveArray(TkvPDFObject* obj) const {
  obj = Follow(obj);
  if (obj && obj->IsNull()) return nullptr;
  return ResolveKind<TkvPDFArrayObject>(obj, otArray);
}

TkvPDFDictObject* TkvPDFObjectStore::ResolveDictionary(TkvPDFObject* obj) const {
  return ResolveKind<TkvPDFDictObject>(Follow(obj), otDictionary);
}

TkvPDFObject* TkvPDFObjectStore::ResolveInteger(TkvPDFObject* obj) const {
  obj = Follow(obj);
  if (obj && !obj->IsInteger() && !obj->IsInt64()) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  return obj;
}

TkvPDFNameObject* TkvPDFObjectStore::ResolveName(TkvPDFObject* obj) const {
  return ResolveKind<TkvPDFNameObject>(Follow(obj), otName);
}

TkvPDFStringObject* TkvPDFObjectStore::ResolveString(TkvPDFObject* obj) const {
  return ResolveKind<TkvPDFStringObject>(Follow(obj), otString);
}

// ---- viewer preferences ----

void TkvPDFViewerPreferences::SetEntries(std::unique_ptr<TkvPDFDictObject> entries) {
  Entries = entries ? std::move(entries) : std::make_unique<TkvPDFDictObject>();
}

bool TkvPDFViewerPreferences::Get(std::string_view key) const {
  const auto* v = CastIfKind<TkvPDFBooleanObject>(Entries->GetValue(key));
  return v && v->Value;
}

void TkvPDFViewerPreferences::Set(std::string_view key, bool value) {
  if (value)
    Entries->SetBoolean(key, true);
  else
    Entries->Remove(key);
}

std::string TkvPDFViewerPreferences::SerializeText(TkvPDFWriteContext*, int32_t) const {
  static constexpr std::string_view kOrder[] = {
      "/HideToolbar",           "/HideMenubar", "/HideWindowUI", "/FitWindow", "/CenterWindow", "/DisplayDocTitle",
      "/NonFullScreenPageMode", "/Direction",   "/ViewArea",     "/ViewClip",  "/PrintArea",    "/PrintClip"};
  std::string entries;
  for (std::string_view key : kOrder) {
    TkvPDFObject* v = Entries->GetValue(key);
    if (!v) continue;
    if (const auto* flag = CastIfKind<TkvPDFBooleanObject>(v)) {
      if (!flag->Value) continue;
      entries += key;
      entries += " true\r\n";
    } else if (const auto* name = CastIfKind<TkvPDFNameObject>(v)) {
      entries += key;
      entries += ' ';
      entries += name->Value;
      entries += "\r\n";
    }
  }
  if (entries.empty()) return {};
  return "<<\r\n" + entries + ">>";
}

}  // namespace kv
