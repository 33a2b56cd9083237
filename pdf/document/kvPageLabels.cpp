#include "pdf/document/kvPageLabels.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/document/kvCstPDFDoc.h"

namespace kv {

namespace {

// Label trees are a node or two; these bounds end /Kids loops and hostile trees, whose
// labels are then left as the file has them.
constexpr int kMaxTreeDepth = 32;
constexpr int64_t kMaxTreeNodes = 4096;
// A page number larger than this is no label a reader shows.
constexpr int64_t kMaxStart = INT32_MAX;

using Ranges = std::vector<std::pair<int64_t, TkvPageLabelKeeper::Label>>;

bool IsInteger(const TkvPDFObject* obj) { return obj && (obj->IsInteger() || obj->IsInt64()); }

int64_t IntegerOf(const TkvPDFObject* obj) {
  if (const auto* small = CastIfKind<TkvPDFIntegerObject>(obj)) return small->Value;
  return CastObject<TkvPDFInt64Object>(obj)->Value;
}

// One label range dictionary; false when it is not one.
bool ReadRange(const TkvPDFObjectStore& store, TkvPDFObject* value, TkvPageLabelKeeper::Label& label) {
  auto* dict = CastIfKind<TkvPDFDictObject>(store.Resolve(value));
  if (!dict) return false;
  if (TkvPDFObject* style = store.Resolve(dict->GetValue("/S"))) {
    auto* name = CastIfKind<TkvPDFNameObject>(style);
    if (!name) return false;
    label.Style = name->Value;
  }
  if (TkvPDFObject* prefix = store.Resolve(dict->GetValue("/P"))) {
    auto* text = CastIfKind<TkvPDFStringObject>(prefix);
    if (!text) return false;
    label.Prefix = text->Value;
    label.PrefixHex = text->IsHex;
  }
  if (TkvPDFObject* start = store.Resolve(dict->GetValue("/St"))) {
    if (!IsInteger(start) || IntegerOf(start) < 1 || IntegerOf(start) > kMaxStart) return false;
    label.Value = IntegerOf(start);
  }
  return true;
}

// Every range of the number tree, by first page; false when the tree is not sound.
bool ReadRanges(const TkvPDFObjectStore& store, TkvPDFObject* root, Ranges& ranges) {
  std::vector<std::pair<TkvPDFObject*, int>> stack{{root, 0}};
  int64_t nodes = 0;
  while (!stack.empty()) {
    auto [obj, depth] = stack.back();
    stack.pop_back();
    auto* dict = CastIfKind<TkvPDFDictObject>(store.Resolve(obj));
    if (!dict || depth > kMaxTreeDepth || ++nodes > kMaxTreeNodes) return false;
    if (TkvPDFObject* kids = store.Resolve(dict->GetValue("/Kids"))) {
      auto* list = CastIfKind<TkvPDFArrayObject>(kids);
      if (!list) return false;
      for (const auto& kid : list->Items) stack.push_back({kid.get(), depth + 1});
    }
    TkvPDFObject* nums = store.Resolve(dict->GetValue("/Nums"));
    if (!nums) continue;
    auto* numList = CastIfKind<TkvPDFArrayObject>(nums);
    if (!numList) return false;
    const auto& items = numList->Items;
    if (items.size() % 2 != 0) return false;
    for (size_t i = 0; i < items.size(); i += 2) {
      TkvPDFObject* key = store.Resolve(items[i].get());
      TkvPageLabelKeeper::Label label;
      if (!IsInteger(key) || IntegerOf(key) < 0 || !ReadRange(store, items[i + 1].get(), label)) return false;
      ranges.emplace_back(IntegerOf(key), std::move(label));
      if (static_cast<int64_t>(ranges.size()) > kMaxTreeNodes) return false;
    }
  }
  std::stable_sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return !ranges.empty() && ranges.front().first == 0;
}

bool SameRun(const TkvPageLabelKeeper::Label& a, const TkvPageLabelKeeper::Label& b) {
  return a.Style == b.Style && a.Prefix == b.Prefix && a.PrefixHex == b.PrefixHex && a.Value + 1 == b.Value;
}

}  // namespace

TkvPageLabelKeeper::TkvPageLabelKeeper(TkvCustomPDFDocument& doc) : doc_(doc) {
  TkvPDFObject* tree = doc.Catalog->Others->GetValue("/PageLabels");
  Ranges ranges;
  if (!tree || !ReadRanges(*doc.ObjectStore, tree, ranges)) return;
  size_t r = 0;
  for (size_t i = 0; i < doc.Pages.size(); ++i) {
    while (r + 1 < ranges.size() && ranges[r + 1].first <= static_cast<int64_t>(i)) ++r;
    Label label = ranges[r].second;
    label.Value += static_cast<int64_t>(i) - ranges[r].first;
    byKey_.emplace(doc.Pages[i]->Key(), label);
    labels_.emplace(doc.Pages[i], std::move(label));
  }
}

void TkvPageLabelKeeper::Apply() {
  if (labels_.empty()) return;
  auto nums = std::make_unique<TkvPDFArrayObject>();
  Label previous;
  for (size_t i = 0; i < doc_.Pages.size(); ++i) {
    auto found = labels_.find(doc_.Pages[i]);
    // A copy of a page of this document (taken again) shows the label of its original.
    auto copied = found == labels_.end() ? byKey_.find(doc_.Pages[i]->Key()) : byKey_.end();
    Label label = previous;
    if (found != labels_.end())
      label = found->second;
    else if (copied != byKey_.end())
      label = copied->second;
    else if (i == 0)
      label = Label{"/D", "", false, 1};
    else
      ++label.Value;
    if (i == 0 || !SameRun(previous, label)) {
      auto range = std::make_unique<TkvPDFDictObject>();
      if (!label.Style.empty()) range->AddName("/S", label.Style);
      if (!label.Prefix.empty())
        range->AddObject("/P", std::make_unique<TkvPDFStringObject>(label.Prefix, label.PrefixHex));
      if (label.Value != 1) range->AddInt64("/St", label.Value);
      nums->Add(std::make_unique<TkvPDFIntegerObject>(static_cast<int32_t>(i)));
      nums->Add(std::move(range));
    }
    previous = std::move(label);
  }
  auto tree = std::make_unique<TkvPDFDictObject>();
  tree->AddObject("/Nums", std::move(nums));
  // The old tree loses this user: its objects are written only when something else
  // still refers to them.
  doc_.ReleaseObject(doc_.Catalog->Others->GetValue("/PageLabels"));
  doc_.Catalog->Others->SetValue("/PageLabels", std::move(tree));
}

}  // namespace kv
