#include "pdf/parser/kvXRefRepair.h"

#include <algorithm>
#include <string_view>

#include "core/kvPDFConsts.h"

namespace kv {

namespace {

// Only this many bytes after an object header are looked through for the /Type names that
// make the object worth parsing during the scan.
constexpr size_t kTypeWindow = 1024;
// Objects and trailer dictionaries read during the scan are read from at most this many
// bytes (and never past the next object header or trailer), so a damaged one cannot make
// the scan read the rest of the file once per object.
constexpr size_t kMaxTypedObject = 64 * 1024;
// Digits of an object number and of a generation in a header.
constexpr size_t kMaxNumberDigits = 10;
constexpr size_t kMaxGenerationDigits = 5;

bool IsWhite(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsRegular(char c) {
  return !IsWhite(c) && c != '(' && c != ')' && c != '<' && c != '>' && c != '[' && c != ']' && c != '{' && c != '}' &&
         c != '/' && c != '%';
}

// The start of "N G" before the "obj" at `at`, or npos when the bytes there are not a header.
size_t HeaderStart(std::string_view text, size_t at, int32_t& number, int32_t& generation) {
  if (at == 0 || !IsWhite(text[at - 1])) return std::string_view::npos;
  size_t i = at;
  while (i > 0 && IsWhite(text[i - 1])) --i;
  size_t genEnd = i;
  while (i > 0 && IsDigit(text[i - 1]) && genEnd - i <= kMaxGenerationDigits) --i;
  if (i == genEnd || genEnd - i > kMaxGenerationDigits || i == 0 || !IsWhite(text[i - 1]))
    return std::string_view::npos;
  size_t genStart = i;
  while (i > 0 && IsWhite(text[i - 1])) --i;
  size_t numEnd = i;
  while (i > 0 && IsDigit(text[i - 1]) && numEnd - i <= kMaxNumberDigits) --i;
  if (i == numEnd || numEnd - i > kMaxNumberDigits || (i > 0 && IsRegular(text[i - 1]))) return std::string_view::npos;
  if (!TryStrToInt(text.substr(i, numEnd - i), number) ||
      !TryStrToInt(text.substr(genStart, genEnd - genStart), generation))
    return std::string_view::npos;
  return i;
}

bool WindowHas(std::string_view window, std::string_view word) {
  size_t at = window.find(word);
  // A whole name: "/XRef" must not match "/XRefStm".
  return at != std::string_view::npos && (at + word.size() == window.size() || !IsRegular(window[at + word.size()]));
}

// The object (or trailer dictionary) that `window` begins with, read on its own: a damaged
// object cannot run on into the rest of the file, so each is read in time of its window.
TkvPDFObjectPtr ReadWindow(const TkvPDFStreamReader& reader, std::string_view window) {
  TkvMemoryStream bytes{std::string(window)};
  TkvPDFStreamReader r(reader.Owner, &bytes);
  try {
    return r.ReadObject();
  } catch (const Exception&) {
    return nullptr;
  }
}

// The dictionary of an object, or of a stream object.
std::unique_ptr<TkvPDFDictObject> TakeDictionary(TkvPDFObjectPtr obj) {
  if (auto* ind = CastIfKind<TkvPDFIndirectObject>(obj)) obj = std::move(ind->Value);
  if (auto* stream = CastIfKind<TkvPDFStreamObject>(obj)) return std::move(stream->Dictionary);
  if (!CastIfKind<TkvPDFDictObject>(obj)) return nullptr;
  return std::unique_ptr<TkvPDFDictObject>(CastObject<TkvPDFDictObject>(obj.release()));
}

std::string TypeOf(const TkvPDFDictObject* dict) {
  const auto* type = dict ? CastIfKind<TkvPDFNameObject>(dict->GetValue("/Type")) : nullptr;
  return type ? type->Value : std::string();
}

}  // namespace

TkvRepairResult RebuildXRefTable(TkvPDFStreamReader& reader, TkvXRefTable& table) {
  std::string held;
  std::string_view text = reader.MemoryView();
  if (text.empty() && reader.Size > 0) {
    reader.Seek(0, TkvSeekOrigin::soBeginning);
    reader.ReadString(reader.Size, held);
    text = held;
  }

  TkvRepairResult result;
  std::vector<TkvXRefItem> items;
  // Dictionaries that may hold trailer values, by position: trailers and cross-reference
  // streams, the newest last.
  std::vector<std::pair<size_t, std::unique_ptr<TkvPDFDictObject>>> trailers;
  int32_t lastCatalog = -1;
  size_t next = text.find("obj");
  while (next != std::string_view::npos) {
    const size_t at = next;
    next = text.find("obj", at + 3);
    if (at + 3 < text.size() && IsRegular(text[at + 3])) continue;
    int32_t number = 0, generation = 0;
    const size_t start = HeaderStart(text, at, number, generation);
    if (start == std::string_view::npos || start > static_cast<size_t>(INT32_MAX) || number <= 0 || generation > 0xFFFF)
      continue;
    TkvXRefItem item;
    item.Offset = static_cast<int32_t>(start);
    item.Generation = generation;
    item.EntryType = 'n';
    PlaceXRefEntry(items, number, item, reader.Size);
    ++result.ObjectsFound;
    // Only objects whose first bytes name one of the types that matter are read, each up
    // to the next "obj" at most.
    const size_t end = std::min(next == std::string_view::npos ? text.size() : next, at + kMaxTypedObject);
    const std::string_view head = text.substr(at, std::min(kTypeWindow, end - at));
    if (!WindowHas(head, "/XRef") && !WindowHas(head, "/ObjStm") && !WindowHas(head, "/Catalog")) continue;
    std::unique_ptr<TkvPDFDictObject> dict = TakeDictionary(ReadWindow(reader, text.substr(start, end - start)));
    const std::string type = TypeOf(dict.get());
    if (type == "/ObjStm") result.ObjectStreams.push_back(number);
    if (type == "/Catalog") lastCatalog = number;
    if (type == "/XRef") trailers.emplace_back(start, std::move(dict));
  }
  for (size_t at = text.find("trailer"); at != std::string_view::npos;) {
    const size_t from = at + 7;
    at = text.find("trailer", from);
    const size_t end = std::min(at == std::string_view::npos ? text.size() : at, from + kMaxTypedObject);
    if (auto dict = TakeDictionary(ReadWindow(reader, text.substr(from, end - from))))
      trailers.emplace_back(from, std::move(dict));
  }
  std::sort(trailers.begin(), trailers.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

  table = TkvXRefTable();
  table.Items = std::move(items);
  // The newest (last) dictionaries first: each value is taken from the first that has it.
  for (auto it = trailers.rbegin(); it != trailers.rend(); ++it) TakeTrailerEntries(*it->second, table);
  // A /Root that names no object the scan found (and no object stream that might hold it)
  // is no catalog: the last catalog object is.
  const int32_t root = table.Trailer.RootNumber;
  const bool rootFound = root > 0 && static_cast<size_t>(root) < table.Items.size() &&
                         table.Items[static_cast<size_t>(root)].EntryType == 'n';
  if (lastCatalog > 0 && !rootFound && (root <= 0 || result.ObjectStreams.empty()))
    table.Trailer.RootNumber = lastCatalog;
  return result;
}

}  // namespace kv
