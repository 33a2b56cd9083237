// What folio's page ranges accept beyond the library's page-range text: `all`, `last`
// (also as an end of a range: `5-last`, `last-3`), `odd`, `even`, and a descending range
// `B-A` for those pages in reverse order. The CLI turns them into plain page lists before
// the library sees them, so that the library's rules and messages stay as they are.
#pragma once

#include <cstdint>
#include <string>

namespace folio {

// The library's page-range text for `text` in a document of `pageCount` pages. A text
// of plain library items comes back unchanged; a selection that names no page at all
// (`even` of one page) comes back as a text of no items, which the library reads as no
// pages, unlike the empty text, which means every page. A shortcut the document cannot
// satisfy fails with the library's "Invalid page range (ITEM)".
std::string TranslatePages(const std::string& text, int32_t pageCount);

// True when `text` names no page at all: empty, or separators only. Commands that remove
// or select pages refuse it rather than read it as every page (an unset shell variable).
bool IsEmptySelection(const std::string& text);

}  // namespace folio
