// Page operations: page ranges, collecting a page with everything it needs, taking
// pages into a document (append, insert, extract), deleting pages, merging files.
#include <algorithm>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/document/kvPageLabels.h"

namespace kv {

namespace {

bool IsPageDict(const TkvPDFObject* value) {
  const auto* dict = CastIfKind<TkvPDFDictObject>(value);
  const auto* type = dict ? CastIfKind<TkvPDFNameObject>(dict->GetValue("/Type")) : nullptr;
  return type && type->Value == "/Page";
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

// Items separated by commas or white space (any character up to 32); an item in double
// quotes may hold separators, and "" inside quotes stands for one quote.
std::vector<std::string> SplitRangeItems(const std::string& text) {
  std::vector<std::string> items;
  size_t i = 0, n = text.size();
  auto isSep = [](char c) { return c == ',' || static_cast<unsigned char>(c) <= 32; };
  while (i < n) {
    while (i < n && static_cast<unsigned char>(text[i]) <= 32) ++i;
    if (i >= n) break;
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      while (i < n && !isSep(text[i])) item += text[i++];
    } else {
      while (i < n && !isSep(text[i])) item += text[i++];
    }
    items.push_back(std::move(item));
    while (i < n && static_cast<unsigned char>(text[i]) <= 32) ++i;
    if (i < n && text[i] == ',') ++i;
  }
  return items;
}

// The inverse of releasing: one more user of everything `root` refers to. An object
// whose count comes back from 0 (its pages were deleted) counts its own references again.
void AcquireReferences(TkvPDFObjectStore& store, TkvPDFObject* root) {
  std::vector<TkvPDFObject*> stack{root};
  while (!stack.empty()) {
    TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    switch (obj->ObjectType) {
      case otReference: {
        TkvPDFIndirectObject* target = store.Find(static_cast<TkvPDFIndirectReference*>(obj));
        if (target && !IsPageDict(target->Value.get()) && target->RefCount++ == 0) stack.push_back(target->Value.get());
        break;
      }
      default:
        AppendChildren(obj, stack);
        break;
    }
  }
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<std::string> TkvCustomPDFDocument::PageRangeItems(const std::string& text) { return SplitRangeItems(text); }

std::vector<int32_t> TkvCustomPDFDocument::ParsePageRange(const std::string& rangeText, int32_t pageCount) {
  std::string text = rangeText.empty() ? "1-" + std::to_string(pageCount) : rangeText;
  std::vector<int32_t> pages;
  for (const std::string& item : SplitRangeItems(text)) {
    size_t dash = item.find('-');
    if (dash == std::string::npos) {
      int32_t n = 0;
      if (!TryStrToInt(item, n)) throw EInvalidPageError(Format(msg::SInvalidPageRange, text.c_str()));
      if (n < 1 || n > pageCount) throw EInvalidPageError(Format(msg::SInvalidPageNumber, n));
      pages.push_back(n);
      continue;
    }
    int32_t a = StrToInt(Trim(item.substr(0, dash)));
    int32_t b = StrToInt(Trim(item.substr(dash + 1)));
    if (a < 1 || a > b || b > pageCount) throw EInvalidPageError(Format(msg::SInvalidPageRange, item.c_str()));
    // Counted in 64 bits: a range ending at the largest page number must not overflow.
    for (int64_t p = a; p <= b; ++p) pages.push_back(static_cast<int32_t>(p));
  }
  return pages;
}

std::unique_ptr<TkvObjectList> TkvCustomPDFDocument::CollectPage(int32_t pageNumber) {
  if (pageNumber < 1 || pageNumber > PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, pageNumber));
  LoadDeferredPage(pageNumber);
  auto list = std::make_unique<TkvObjectList>();
  std::unique_ptr<TkvPDFIndirectObject> copy = Pages[static_cast<size_t>(pageNumber - 1)]->CloneIndirect();
  TkvPDFObject* value = copy->Value.get();
  int64_t key = copy->Key();
  list->Add(key, copy.release());
  try {
    CollectReferences(*list, value);
  } catch (...) {
    for (int32_t i = 0; i < list->Count(); ++i) delete list->GetObject(i);
    throw;
  }
  return list;
}

void TkvCustomPDFDocument::CollectReferences(TkvObjectList& list, TkvPDFObject* root) {
  // Depth first in entry order, with an explicit stack so long reference chains cannot
  // exhaust the call stack.
  std::vector<TkvPDFObject*> stack{root};
  std::vector<TkvPDFObject*> children;
  while (!stack.empty()) {
    TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    children.clear();
    switch (obj->ObjectType) {
      case otReference: {
        auto* ref = static_cast<TkvPDFIndirectReference*>(obj);
        int64_t key = ref->Key();
        if (list.IndexOfID(key) >= 0) break;
        // Already held by the document receiving the pages, with everything it needs:
        // the copy would only be dropped when the list is merged.
        if (CollectSkip && CollectSkip->FindKey(key)) break;
        TkvPDFIndirectObject* target = ObjectStore->FindKey(key);
        if (!target || IsPageDict(target->Value.get())) break;
        std::unique_ptr<TkvPDFIndirectObject> copy = target->CloneIndirect();
        children.push_back(copy->Value.get());
        list.Add(key, copy.release());
        break;
      }
      default:
        AppendChildren(obj, children);
        break;
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (*it) stack.push_back(*it);
  }
}

void TkvCustomPDFDocument::TakePages(TkvCustomPDFDocument& giver, const std::vector<int32_t>& pages, TkvOperation op,
                                     int32_t position, TkvCustomPDFDocument* reporter) {
  int32_t total = static_cast<int32_t>(pages.size());
  TkvPageLabelKeeper labels(*this);
  // Pages of a modern file may use what its version brought; older versions, which any
  // reader reads, leave the receiver's as it is.
  if (giver.FPDFMajorVersion > 1 || giver.FPDFVersion > 5) RequirePDFVersion(giver.FPDFMajorVersion, giver.FPDFVersion);
  struct SkipGuard {
    TkvCustomPDFDocument& doc;
    ~SkipGuard() { doc.CollectSkip = nullptr; }
  } guard{giver};
  giver.CollectSkip = ObjectStore.get();
  // Pages taken from this document itself are all collected before any is placed, so
  // the numbers go on naming the pages they named when the range was read.
  std::vector<std::unique_ptr<TkvObjectList>> collected;
  struct CollectedGuard {
    std::vector<std::unique_ptr<TkvObjectList>>& lists;
    ~CollectedGuard() {
      for (auto& list : lists)
        if (list)
          for (int32_t i = 0; i < list->Count(); ++i) delete list->GetObject(i);
    }
  } collectedGuard{collected};
  if (&giver == this)
    for (int32_t n : pages) collected.push_back(giver.CollectPage(n));
  for (int32_t i = 0; i < total; ++i) {
    std::unique_ptr<TkvObjectList> list = collected.empty() ? giver.CollectPage(pages[static_cast<size_t>(i)])
                                                            : std::move(collected[static_cast<size_t>(i)]);
    auto* page = static_cast<TkvPDFIndirectObject*>(list->GetObject(0));
    TkvPDFIndirectObject* placed = page;
    if (ObjectStore->FindKey(list->GetID(0))) {
      // The same page taken before: this one is a separate copy and one more user of
      // what the page refers to, so deleting either copy leaves the other whole.
      std::unique_ptr<TkvPDFIndirectObject> again = page->CloneIndirect();
      placed = again.get();
      ObjectStore->Add(std::move(again));
      AcquireReferences(*ObjectStore, placed->Value.get());
    }
    if (op == opInsert)
      Pages.insert(Pages.begin() + position + i, placed);
    else
      Pages.push_back(placed);
    ObjectStore->MergeList(*list);
    if (reporter) reporter->OperationProgress(op, op == opAppend ? i : i + 1, total);
  }
  labels.Apply();
  if (total > 0) PagesTakenFrom(giver);
}

void TkvCustomPDFDocument::PagesTakenFrom(TkvCustomPDFDocument&) {}
void TkvCustomPDFDocument::PagesDeleted(const std::vector<TkvPDFIndirectObject*>&) {}

void TkvCustomPDFDocument::AppendPagesFrom(TkvCustomPDFDocument& source, const std::string& range) {
  Status(msg::SAppendingPages);
  std::vector<int32_t> pages = ParsePageRange(range, source.PageCount());
  TakePages(source, pages, opAppend, 0, this);
  FDocumentLoaded = true;
}

void TkvCustomPDFDocument::InsertPagesFrom(TkvCustomPDFDocument& source, const std::string& range, int32_t position) {
  if (position < 0 || position > PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, position));
  Status(msg::SInsertingPages);
  std::vector<int32_t> pages = ParsePageRange(range, source.PageCount());
  TakePages(source, pages, opInsert, position, this);
  FDocumentLoaded = true;
}

void TkvCustomPDFDocument::ExtractPagesTo(TkvCustomPDFDocument& target, const std::string& range) {
  // The target is emptied before it receives the pages: it cannot be the giver.
  if (&target == this) throw EPDFException(msg::SExtractIntoItself);
  // The range is checked before the target is touched.
  std::vector<int32_t> pages = ParsePageRange(range, PageCount());
  if (target.FDocumentLoaded) target.Reset();
  target.FPDFVersion = FPDFVersion;
  target.FPDFMajorVersion = FPDFMajorVersion;
  Status(msg::SExtractingPages);
  target.TakePages(*this, pages, opExtract, 0, this);
  CopyFormFieldsTo(target);
  target.FDocumentLoaded = true;
}

void TkvCustomPDFDocument::ReleaseObject(TkvPDFObject* root) {
  std::vector<TkvPDFObject*> stack{root};
  while (!stack.empty()) {
    TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    switch (obj->ObjectType) {
      case otReference: {
        TkvPDFIndirectObject* target = ObjectStore->Find(static_cast<TkvPDFIndirectReference*>(obj));
        if (target && !IsPageDict(target->Value.get())) stack.push_back(target);
        break;
      }
      case otIndirectObject: {
        auto* ind = static_cast<TkvPDFIndirectObject*>(obj);
        if (ind->RefCount >= 1 && --ind->RefCount == 0) stack.push_back(ind->Value.get());
        break;
      }
      default:
        AppendChildren(obj, stack);
        break;
    }
  }
}

void TkvCustomPDFDocument::DeletePages(const std::string& range) {
  std::vector<int32_t> pages = ParsePageRange(range, PageCount());
  TkvPageLabelKeeper labels(*this);
  std::vector<TkvPDFIndirectObject*> removed;
  for (int32_t n : pages) {
    TkvPDFIndirectObject*& slot = Pages[static_cast<size_t>(n - 1)];
    if (!slot) continue;  // listed twice: already deleted
    slot->RefCount = 1;
    ReleaseObject(slot);
    removed.push_back(slot);
    slot = nullptr;
  }
  int32_t deleted = static_cast<int32_t>(removed.size());
  Pages.erase(std::remove(Pages.begin(), Pages.end(), nullptr), Pages.end());
  labels.Apply();
  if (!removed.empty()) PagesDeleted(removed);
  if (OnStatusMessage) Status(Format(msg::SPagesDeleted, deleted));
}

void TkvCustomPDFDocument::MergeDocuments(const std::vector<std::string>& fileList) {
  if (FDocumentLoaded) Reset();
  int32_t merged = 0;
  int32_t total = static_cast<int32_t>(fileList.size());
  for (int32_t i = 0; i < total; ++i) {
    const std::string& file = fileList[static_cast<size_t>(i)];
    if (OnStatusMessage) Status(Format(msg::SMergingFile, BaseName(file).c_str()));
    std::unique_ptr<TkvCustomPDFDocument> temp = CreateTemporaryDocument();
    temp->OnPassword = OnPassword;
    temp->OnWarning = OnWarning;
    temp->SetReadModernFiles(FReadModernFiles);
    if (!temp->LoadFromFile(file)) return;
    TakeForMerge(*temp, "");
    ++merged;
    temp.reset();
    OperationProgress(opMerge, i + 1, total);
  }
  FDocumentLoaded = true;
  if (OnStatusMessage) Status(Format(msg::SDocumentsMerged, merged));
}

void TkvCustomPDFDocument::MergePagesFrom(TkvCustomPDFDocument& source, const std::string& range) {
  TakeForMerge(source, range);
  FDocumentLoaded = true;
}

// A merge is loaded only once every file is in (MergeDocuments), so this leaves
// DocumentLoaded to its callers.
void TkvCustomPDFDocument::TakeForMerge(TkvCustomPDFDocument& source, const std::string& range) {
  // An empty range of a document without pages takes nothing (rather than failing as
  // the range "1-0").
  if (!range.empty() || source.PageCount() > 0) {
    std::vector<int32_t> pages = ParsePageRange(range, source.PageCount());
    TakePages(source, pages, opAppend, 0, nullptr);
  }
  MergeOutlinesFrom(source);
  MergeFormFieldsFrom(source);
}

}  // namespace kv
