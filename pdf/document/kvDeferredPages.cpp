// Deferred page loading: with it on, loading reads the page tree and each page's own
// dictionary (its boxes and rotation resolved, so sizes are known at once) and leaves what
// a page refers to (contents, resources, annotations) in the file until the page is used.
// A few pages of a large file then cost what those pages hold, not what the file holds.
//
// A page loaded later is loaded as the eager path loads it: the same entries resolved with
// the same reference counts, the same bounds (the reader's parse budget goes on counting),
// the same errors for the objects it uses. Only objects no page in use refers to are never
// read, so damage in them goes unreported. Documents whose loading depends on every page
// (repeated pages, forms, encryption) are loaded whole at the end of loading.
#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/document/kvModernReading.h"

namespace kv {

namespace {

// Entries that loading resolves at once even when pages are deferred: small, and what page
// sizes and turns are read from.
bool IsBoxEntry(std::string_view key) { return key == "/MediaBox" || key == "/CropBox" || key == "/Rotate"; }

}  // namespace

void TkvCustomPDFDocument::ResolvePageEntries(TkvPDFDictObject& page, TkvPageEntries which) {
  for (int32_t i = 0; i < page.Count(); ++i) {
    const std::string& key = page.Keys[static_cast<size_t>(i)]->Value;
    if (key == "/Annots" || key == "/B") continue;
    if (which == TkvPageEntries::Boxes && !IsBoxEntry(key)) continue;
    if (which == TkvPageEntries::AllButBoxes && IsBoxEntry(key)) continue;
    ResolveReferences(page.Values[static_cast<size_t>(i)].get());
  }
}

bool TkvCustomPDFDocument::IsPageDeferred(int32_t pageNumber) const {
  if (pageNumber < 1 || pageNumber > PageCount()) return false;
  return FDeferredPages.count(Pages[static_cast<size_t>(pageNumber - 1)]) != 0;
}

void TkvCustomPDFDocument::LoadDeferred(TkvPDFIndirectObject* page) {
  auto it = FDeferredPages.find(page);
  if (it == FDeferredPages.end()) return;
  FDeferredPages.erase(it);
  if (auto* dict =
          page->Value && page->Value->IsDictionary() ? static_cast<TkvPDFDictObject*>(page->Value.get()) : nullptr) {
    ResolvePageEntries(*dict, TkvPageEntries::AllButBoxes);
    if (FProcessLinks) ResolveReferences(dict->GetValue("/Annots"));
  }
}

void TkvCustomPDFDocument::LoadDeferredPage(int32_t pageNumber) {
  if (pageNumber < 1 || pageNumber > PageCount()) throw EInvalidPageError(Format(msg::SInvalidPageNumber, pageNumber));
  LoadDeferred(Pages[static_cast<size_t>(pageNumber - 1)]);
  TrimInputPages(false);
  if (FDeferredPages.empty()) ReleaseDeferredInput();
}

void TkvCustomPDFDocument::LoadEveryDeferredPage() {
  // In page order. A page no longer listed is not written, and may no longer be held.
  for (TkvPDFIndirectObject* page : std::vector<TkvPDFIndirectObject*>(Pages)) LoadDeferred(page);
  FDeferredPages.clear();
}

void TkvCustomPDFDocument::LoadAllDeferredPages() {
  if (FDeferredPages.empty()) return;
  LoadEveryDeferredPage();
  ReleaseDeferredInput();
}

void TkvCustomPDFDocument::ReleaseDeferredInput() {
  FDeferredPages.clear();
  FInputBytes = {};
  Reader.reset();
  FModern.reset();  // after the reader, which may read the bytes it holds
  FDeferredInput.reset();
}

}  // namespace kv
