// The outline tree in a file: reading it when a document is loaded, writing fresh item
// dictionaries when it is saved.
#include <unordered_set>
#include <vector>

#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvOutlines.h"
#include "pdf/features/kvOutlinesConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

// Real outlines nest a handful of levels. The bound ends a hostile chain of /First links
// thousands deep (each level is a pending entry and, when written, a level of the tree
// readers walk recursively).
constexpr int kMaxOutlineDepth = 256;
// Titles, destinations and actions named through references to references are followed
// this far.
constexpr int kMaxReferenceChain = 8;
// Written items are keyed with this owner: no document has identity 0, so their keys never
// meet those of the stored objects.
constexpr int32_t kWrittenItemOwner = 0;

constexpr std::string_view kLinkKeys[] = {"/Parent", "/Prev", "/Next", "/First", "/Last", "/Count"};

bool IsLinkKey(std::string_view key) {
  for (std::string_view k : kLinkKeys)
    if (k == key) return true;
  return false;
}

void Warn(TkvExPDFDocument& doc, const std::string& text) {
  if (doc.OnWarning) doc.OnWarning(&doc, text);
}

// What a value names, through references: the direct value, and the first object met on
// the way that the document already holds (null when none).
struct Followed {
  const TkvPDFObject* Value = nullptr;
  TkvPDFIndirectObject* Stored = nullptr;
  TkvPDFObjectPtr Holder;  // an object read from the file for the call
};

Followed Follow(TkvExPDFDocument& doc, const TkvPDFObject* v) {
  Followed f;
  for (int depth = 0; const auto* ref = CastIfKind<TkvPDFIndirectReference>(v); ++depth) {
    if (depth >= kMaxReferenceChain) return f;
    if (TkvPDFIndirectObject* stored = doc.ObjectStore->Find(ref)) {
      if (!f.Stored) f.Stored = stored;
      v = stored->Value.get();
      continue;
    }
    if (ref->Owner != doc.DocumentId()) return f;
    std::unique_ptr<TkvPDFIndirectObject> obj = doc.ReadObjectAt(ref->ObjectNumber);
    if (!obj || obj->Generation != ref->Generation) return f;
    f.Holder = std::move(obj->Value);
    v = f.Holder.get();
  }
  f.Value = v;
  return f;
}

// An object the document already holds is referred to, not copied: thousands of items
// naming one large object would otherwise each hold a copy of it. The reference counts as
// one more user, so the object is written while the item is.
TkvPDFObjectPtr UseStored(TkvExPDFDocument& doc, const TkvPDFIndirectObject& stored) {
  TkvPDFObjectPtr ref = ReferenceTo(stored);
  doc.ResolveReferences(ref.get());
  return ref;
}

// Destinations are a page and a few numbers; anything larger is no destination.
constexpr int32_t kMaxDestinationItems = 16;

bool PlausibleDestination(const TkvPDFObject* v) {
  const auto* a = CastIfKind<TkvPDFArrayObject>(v);
  if (!a) return false;
  if (a->Count() > kMaxDestinationItems) return false;
  for (const auto& item : a->Items)
    if (item && (item->IsArray() || item->IsDictionary() || item->IsStream())) return false;
  return true;
}

// A destination given by name (or through a reference) as the explicit destination the
// document names it by; the object itself when the name is unknown; null when it names
// nothing usable.
TkvPDFObjectPtr ResolveDestination(TkvExPDFDocument& doc, const TkvPDFObject* value) {
  Followed f = Follow(doc, value);
  const TkvPDFObject* target = f.Value;
  if (!target || target->IsNull()) return nullptr;
  const auto* text = CastIfKind<TkvPDFStringObject>(target);
  const auto* named = CastIfKind<TkvPDFNameObject>(target);
  if (text || named) {
    std::string name = text ? text->RawBytes() : named->NameWithoutSlash();
    TkvPDFObjectPtr found = doc.LookupNamedDestination(name);
    if (found && found->IsArray()) return found;
    return target->Clone();
  }
  return PlausibleDestination(target) ? target->Clone() : nullptr;
}

// Replaces `key` of `dict` by the resolved destination, or removes it.
void ResolveDestinationEntry(TkvExPDFDocument& doc, TkvPDFDictObject& dict, std::string_view key) {
  TkvPDFObject* value = dict.GetValue(key);
  if (!value || value->IsArray()) return;
  if (TkvPDFObjectPtr resolved = ResolveDestination(doc, value))
    dict.SetValue(key, std::move(resolved));
  else
    dict.Remove(key);
}

bool IsGoTo(const TkvPDFDictObject& action) {
  const TkvPDFObject* s = action.GetValue("/S");
  const auto* name = CastIfKind<TkvPDFNameObject>(s);
  return !s || (name && name->Value == "/GoTo");
}

// An action kept with the item: its target resolved, and what it refers to (a URI, a file
// specification, a following action) loaded with the document. The /D of a remote action
// names a place in another file and is left as it is.
void ReadAction(TkvExPDFDocument& doc, TkvPDFDictObject& action) {
  if (IsGoTo(action)) ResolveDestinationEntry(doc, action, "/D");
  for (int32_t i = 0; i < action.Count(); ++i) {
    TkvPDFObject* v = action.GetValueAt(i);
    if (v && !(action.GetKeyAt(i)->Value == "/D" && IsGoTo(action))) doc.ResolveReferences(v);
  }
}

void ReadTitle(TkvExPDFDocument& doc, TkvPDFDictObject& dict) {
  TkvPDFObject* title = dict.GetValue("/Title");
  if (!title) return;
  Followed f = Follow(doc, title);
  if (!f.Value) {
    dict.Remove("/Title");
  } else if (!f.Value->IsString()) {
    throw EUnexpectedObjectError(msg::SUnexpectedObject);
  } else if (f.Stored) {
    dict.SetValue("/Title", UseStored(doc, *f.Stored));
  } else if (title->IsReference()) {
    dict.SetValue("/Title", f.Value->Clone());
  }
}

void ReadItemAction(TkvExPDFDocument& doc, TkvPDFDictObject& dict) {
  TkvPDFObject* a = dict.GetValue("/A");
  if (!a) return;
  Followed f = Follow(doc, a);
  if (!f.Value || f.Value->IsNull()) {
    dict.Remove("/A");
  } else if (!f.Value->IsDictionary()) {
    throw EUnexpectedError(msg::SUnexpectedError);
  } else if (f.Stored) {
    // Held already, with what it refers to.
    dict.SetValue("/A", UseStored(doc, *f.Stored));
  } else {
    std::unique_ptr<TkvPDFDictObject> copy = CastObject<TkvPDFDictObject>(f.Value)->CloneDict();
    ReadAction(doc, *copy);
    dict.SetValue("/A", std::move(copy));
  }
}

// The item dictionary as the node keeps it: links removed, the title a string, the
// destination explicit where the document names it, the action a dictionary (each held
// directly, or by reference when the document holds it already).
void PrepareItem(TkvExPDFDocument& doc, TkvPDFDictObject& dict) {
  for (std::string_view key : kLinkKeys) dict.Remove(key);
  ReadTitle(doc, dict);
  ResolveDestinationEntry(doc, dict, "/Dest");
  ReadItemAction(doc, dict);
  // Whatever else the item holds (colour, style, structure) is kept with what it refers to.
  for (int32_t i = 0; i < dict.Count(); ++i) {
    const std::string& key = dict.GetKeyAt(i)->Value;
    if (key != "/Title" && key != "/Dest" && key != "/A") doc.ResolveReferences(dict.GetValueAt(i));
  }
}

// A node for the dictionary `value` of object (number, generation); `first` and `next`
// receive its links.
std::unique_ptr<TkvPDFOutline> MakeNode(TkvExPDFDocument& doc, TkvPDFObjectPtr value, int32_t number,
                                        uint16_t generation, TkvPDFObjectPtr& first, TkvPDFObjectPtr& next) {
  if (!CastIfKind<TkvPDFDictObject>(value)) return nullptr;
  std::unique_ptr<TkvPDFDictObject> dict(CastObject<TkvPDFDictObject>(value.release()));
  if (int32_t i = dict->IndexOfKey("/First"); i >= 0) first = dict->TakeValueAt(i);
  if (int32_t i = dict->IndexOfKey("/Next"); i >= 0) next = dict->TakeValueAt(i);
  PrepareItem(doc, *dict);
  if (dict->Count() == 0) dict.reset();
  return std::make_unique<TkvPDFOutline>(&doc, doc.DocumentId(), number, generation, std::move(dict));
}

std::unique_ptr<TkvPDFOutline> ReadNode(TkvExPDFDocument& doc, const TkvPDFIndirectReference& ref,
                                        TkvPDFObjectPtr& first, TkvPDFObjectPtr& next) {
  std::unique_ptr<TkvPDFIndirectObject> obj = doc.ReadObjectAt(ref.ObjectNumber);
  if (!obj || obj->Generation != ref.Generation) return nullptr;
  return MakeNode(doc, std::move(obj->Value), obj->ObjectNumber, obj->Generation, first, next);
}

// Whether an item is written: not when its destination names a page that is no longer in
// the document. A GoTo action's target counts as the destination.
bool TargetStillThere(TkvExPDFDocument& doc, const TkvPDFOutline& node) {
  const TkvPDFDictObject* d = node.Dictionary();
  const TkvPDFObject* target = d ? d->GetValue("/Dest") : nullptr;
  if (d && !target) {
    const auto* a = CastIfKind<TkvPDFDictObject>(doc.ObjectStore->Resolve(d->GetValue("/A")));
    if (a && IsGoTo(*a)) target = a->GetValue("/D");
  }
  const auto* array = CastIfKind<TkvPDFArrayObject>(target);
  if (!array || array->Count() == 0) return true;
  const TkvPDFObject* page = array->GetItem(0);
  if (const auto* ref = CastIfKind<TkvPDFIndirectReference>(page)) {
    const TkvPDFIndirectObject* stored = doc.ObjectStore->Find(ref);
    return stored && stored->RefCount != 0;
  }
  if (page && !page->IsNull()) Warn(doc, msg::SExpectedPageReference);
  return true;
}

std::unique_ptr<TkvPDFIndirectReference> WrittenRef(int32_t number) {
  return std::make_unique<TkvPDFIndirectReference>(kWrittenItemOwner, number, 0);
}

// The item's own entries in writing order: destination, title, action, then the rest.
std::unique_ptr<TkvPDFDictObject> ItemEntries(const TkvPDFOutline& node) {
  auto dict = std::make_unique<TkvPDFDictObject>();
  const TkvPDFDictObject* src = node.Dictionary();
  if (!src) return dict;
  for (std::string_view key : {"/Dest", "/Title", "/A"})
    if (int32_t i = src->IndexOfKey(key); i >= 0) {
      const TkvPDFObject* v = src->GetValueAt(i);
      dict->AddObject(key, v ? v->Clone() : nullptr);
    }
  for (int32_t i = 0; i < src->Count(); ++i) {
    const std::string& key = src->GetKeyAt(i)->Value;
    if (key == "/Dest" || key == "/Title" || key == "/A" || IsLinkKey(key)) continue;
    const TkvPDFObject* v = src->GetValueAt(i);
    dict->AddObject(key, v ? v->Clone() : nullptr);
  }
  return dict;
}

}  // namespace

std::unique_ptr<TkvPDFOutline> ReadOutlineTree(TkvExPDFDocument& doc, TkvPDFObject* outlines) {
  if (!outlines) return nullptr;
  std::unordered_set<int32_t> seen;
  TkvPDFObjectPtr first, next;
  std::unique_ptr<TkvPDFOutline> root;
  if (const auto* ref = CastIfKind<TkvPDFIndirectReference>(outlines)) {
    if (ref->Owner != doc.DocumentId()) return nullptr;
    seen.insert(ref->ObjectNumber);
    root = ReadNode(doc, *ref, first, next);
  } else {
    root = MakeNode(doc, outlines->Clone(), 0, 0, first, next);
  }
  if (!root) return nullptr;

  // Items are read in tree order with a stack of links still to follow: a /First link to
  // read before the /Next link of the same item.
  struct Pending {
    TkvPDFObjectPtr Link;
    TkvPDFOutline* Parent;
    TkvPDFOutline* Prev;
    int Depth;
  };
  std::vector<Pending> stack;
  stack.push_back({std::move(first), root.get(), nullptr, 1});
  bool warnedDepth = false;
  while (!stack.empty()) {
    Pending p = std::move(stack.back());
    stack.pop_back();
    const auto* ref = CastIfKind<TkvPDFIndirectReference>(p.Link);
    if (!ref) continue;
    if (ref->Owner != doc.DocumentId()) continue;
    if (p.Depth > kMaxOutlineDepth) {
      if (!warnedDepth) Warn(doc, Format(msg::SOutlineTooDeep, kMaxOutlineDepth));
      warnedDepth = true;
      continue;
    }
    if (!seen.insert(ref->ObjectNumber).second) {
      Warn(doc, Format(msg::SOutlineLoop, ref->ObjectNumber));
      continue;
    }
    TkvPDFObjectPtr childFirst, childNext;
    std::unique_ptr<TkvPDFOutline> node = ReadNode(doc, *ref, childFirst, childNext);
    if (!node) continue;
    TkvPDFOutline* placed = p.Parent->InsertChild(p.Prev, std::move(node));
    stack.push_back({std::move(childNext), p.Parent, placed, p.Depth});
    stack.push_back({std::move(childFirst), placed, nullptr, p.Depth + 1});
  }
  return root;
}

void WriteOutlineTree(TkvExPDFDocument& doc, const TkvPDFOutline& root) {
  TkvPDFObjectStore& out = *doc.NewObjects;
  struct Item {
    const TkvPDFOutline* Node;
    int32_t Number;
    size_t Parent;
    int32_t Prev = 0, Next = 0;
    std::vector<size_t> Kids;
  };
  // First the items that are written, numbered in tree order; an item left out takes its
  // subtree with it, and its siblings close up, so no link names an item not written.
  std::vector<Item> items;
  items.push_back({&root, out.NewObjectNumber(), 0, 0, 0, {}});
  std::vector<std::pair<const TkvPDFOutline*, size_t>> stack{{root.FirstChild(), 0}};
  while (!stack.empty()) {
    auto [node, parent] = stack.back();
    stack.pop_back();
    if (!node) continue;
    stack.emplace_back(node->Next(), parent);
    if (!TargetStillThere(doc, *node)) continue;
    size_t index = items.size();
    items.push_back({node, out.NewObjectNumber(), parent, 0, 0, {}});
    items[parent].Kids.push_back(index);
    stack.emplace_back(node->FirstChild(), index);
  }
  for (const Item& item : items)
    for (size_t k = 0; k < item.Kids.size(); ++k) {
      if (k > 0) items[item.Kids[k]].Prev = items[item.Kids[k - 1]].Number;
      if (k + 1 < item.Kids.size()) items[item.Kids[k]].Next = items[item.Kids[k + 1]].Number;
    }

  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    std::unique_ptr<TkvPDFDictObject> dict = i == 0 ? std::make_unique<TkvPDFDictObject>() : ItemEntries(*item.Node);
    if (i != 0) {
      dict->AddObject("/Parent", WrittenRef(items[item.Parent].Number));
      if (item.Prev) dict->AddObject("/Prev", WrittenRef(item.Prev));
      if (item.Next) dict->AddObject("/Next", WrittenRef(item.Next));
    }
    auto count = static_cast<int32_t>(item.Kids.size());
    if (count > 0) {
      dict->AddObject("/First", WrittenRef(items[item.Kids.front()].Number));
      dict->AddObject("/Last", WrittenRef(items[item.Kids.back()].Number));
    }
    // Items are written closed: the root counts the items shown, its children; an item
    // with children counts them negative.
    if (i == 0)
      dict->AddInteger("/Count", count);
    else if (count > 0)
      dict->AddInteger("/Count", -count);
    out.Add(std::make_unique<TkvPDFIndirectObject>(kWrittenItemOwner, item.Number, 0, std::move(dict), 1));
  }
  doc.Catalog->Outlines = WrittenRef(items.front().Number);
}

}  // namespace kv
