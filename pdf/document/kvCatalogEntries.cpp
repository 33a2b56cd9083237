// Catalog entries the document does not build itself: page labels, language, tagged
// structure, optional content, names of other kinds, threads, URI base, additional
// actions... They are kept as the file has them, with everything they refer to, so that
// rewriting a file loses none of them.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"

namespace kv {

namespace {

// What the document reads into its own fields and writes itself (or drops, as the
// named destinations it resolves into the links that use them).
constexpr std::string_view kBuiltEntries[] = {
    "/Type",  "/Pages", "/PageMode", "/PageLayout", "/ViewerPreferences", "/Metadata",
    "/Dests", "/Names", "/Outlines", "/AcroForm",   "/OpenAction",
};

bool IsBuiltEntry(std::string_view key) {
  return std::find(std::begin(kBuiltEntries), std::end(kBuiltEntries), key) != std::end(kBuiltEntries);
}

}  // namespace

void TkvCustomPDFDocument::KeepOtherCatalogEntries(TkvPDFDictObject& catalog) {
  TkvPDFDictObject& kept = *Catalog->Others;
  for (int32_t i = 0; i < catalog.Count(); ++i) {
    const std::string& key = catalog.Keys[static_cast<size_t>(i)]->Value;
    TkvPDFObject* value = catalog.Values[static_cast<size_t>(i)].get();
    if (!value || value->IsNull() || IsBuiltEntry(key) || kept.IndexOfKey(key) >= 0) continue;
    // Read after the page tree: references to its pages only count them, and a page
    // deleted later is written as null where these entries name it.
    // An entry that cannot be read (nested past the parser's bound, damaged, missing)
    // is left out with a warning: the document itself does not depend on it.
    try {
      ResolveReferences(value);
    } catch (const Exception& e) {
      Warning(Format(msg::SCatalogEntryUnreadable, key.c_str(), e.what()));
      continue;
    }
    kept.AddObject(key, value->Clone());
  }
}

}  // namespace kv
