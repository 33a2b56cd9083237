#include "CliPageSelection.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "core/kvPDFUtils.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/document/kvPDFDoc.h"

namespace folio {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

// One end of a range: a page number as the library reads it, or `last`.
std::optional<int32_t> RangeEnd(const std::string& text, int32_t pageCount) {
  std::string t = Trim(text);
  if (Lower(t) == "last") return pageCount;
  int32_t n = 0;
  if (kv::TryStrToInt(t, n)) return n;
  return std::nullopt;
}

// An item as the library's splitting gives it back: quoted when it holds a separator.
std::string Requote(const std::string& item) {
  bool plain = std::none_of(item.begin(), item.end(),
                            [](char c) { return c == ',' || c == '"' || static_cast<unsigned char>(c) <= 32; });
  if (plain && !item.empty()) return item;
  std::string out = "\"";
  for (char c : item) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

[[noreturn]] void InvalidItem(const std::string& item) {
  throw kv::EInvalidPageError(kv::Format(kv::msg::SInvalidPageRange, item.c_str()));
}

// Appends the pages of `item` when it is one of ours; false leaves it to the library.
bool Expand(const std::string& item, int32_t pageCount, std::vector<std::string>& out) {
  const std::string word = Lower(Trim(item));
  auto every = [&](int32_t first) {
    for (int64_t p = first; p <= pageCount; p += 2) out.push_back(std::to_string(p));
  };
  if (word == "all") {
    if (pageCount > 0) out.push_back("1-" + std::to_string(pageCount));
    return true;
  }
  if (word == "odd" || word == "even") {
    every(word == "odd" ? 1 : 2);
    return true;
  }
  if (word == "last") {
    if (pageCount < 1) InvalidItem(item);
    out.push_back(std::to_string(pageCount));
    return true;
  }
  size_t dash = item.find('-');
  if (dash == std::string::npos) return false;
  std::string left = item.substr(0, dash), right = item.substr(dash + 1);
  const bool named = Lower(Trim(left)) == "last" || Lower(Trim(right)) == "last";
  std::optional<int32_t> a = RangeEnd(left, pageCount), b = RangeEnd(right, pageCount);
  if (!a || !b) {
    if (named) InvalidItem(item);
    return false;  // the library names what is not a number
  }
  if (*a <= *b && !named) return false;  // plain ascending range: the library's own
  const int32_t low = std::min(*a, *b), high = std::max(*a, *b);
  if (low < 1 || high > pageCount) InvalidItem(item);
  if (*a <= *b) {
    out.push_back(std::to_string(*a) + "-" + std::to_string(*b));
  } else {
    for (int64_t p = *a; p >= *b; --p) out.push_back(std::to_string(p));
  }
  return true;
}

}  // namespace

std::string TranslatePages(const std::string& text, int32_t pageCount) {
  std::vector<std::string> out;
  bool changed = false;
  for (const std::string& item : kv::TkvCustomPDFDocument::PageRangeItems(text)) {
    if (Expand(item, pageCount, out))
      changed = true;
    else
      out.push_back(Requote(item));
  }
  if (!changed) return text;
  // No item at all is no page to the library (the empty text would be every page).
  if (out.empty()) return " ";
  std::string joined;
  for (const std::string& piece : out) joined += (joined.empty() ? "" : ",") + piece;
  return joined;
}

bool IsEmptySelection(const std::string& text) {
  std::vector<std::string> items = kv::TkvCustomPDFDocument::PageRangeItems(text);
  return std::all_of(items.begin(), items.end(), [](const std::string& item) { return Trim(item).empty(); });
}

}  // namespace folio
