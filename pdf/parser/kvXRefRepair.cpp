#include "pdf/parser/kvXRefRepair.h"

#include <algorithm>
#include <string_view>

#include "core/kvPDFConsts.h"

namespace kv {

namespace {

// Only this many bytes after an object header are looked through for the /Type names that
// make the object worth parsing during the scan.
constexpr size_t kTypeWindow = 1024;
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

bool WindowHas(std::string_view text, size_t from, std::string_view word) {
  std::string_view window = text.substr(from, std::min(kTypeWindow, text.size() - from));
  size_t at = window.find(word);
  // A whole name: "/XRef" must not match "/XRefStm".
  return at != std::string_view::npos && (at + word.size() == window.size() || !IsRegular(window[at + word.size()]));
}

// The /Type name of the object at `offset`, or empty when it does not parse.
std::string TypeOfObjectAt(TkvPDFStreamReader& reader, int64_t offset) {
  try {
    reader.Seek(offset, TkvSeekOrigin::soBeginning);
    TkvPDFObjectPtr obj = reader.ReadObject();
    if (!obj || !obj->IsIndirectObject()) return {};
    TkvPDFObject* value = static_cast<TkvPDFIndirectObject*>(obj.get())->Value.get();
    if (value && value->IsStream()) value = static_cast<TkvPDFStreamObject*>(value)->Dictionary.get();
    TkvPDFObject* type =
        value && value->IsDictionary() ? static_cast<TkvPDFDictObject*>(value)->GetValue("/Type") : nullptr;
    return type && type->IsName() ? static_cast<TkvPDFNameObject*>(type)->Value : std::string();
  } catch (const Exception&) {
    return {};
  }
}

std::unique_ptr<TkvPDFDictObject> DictionaryAt(TkvPDFStreamReader& reader, int64_t offset, bool indirect) {
  try {
    reader.Seek(offset, TkvSeekOrigin::soBeginning);
    TkvPDFObjectPtr obj = reader.ReadObject();
    if (indirect && obj && obj->IsIndirectObject()) {
      TkvPDFObjectPtr value = std::move(static_cast<TkvPDFIndirectObject*>(obj.get())->Value);
      if (value && value->IsStream()) {
        auto* stream = static_cast<TkvPDFStreamObject*>(value.get());
        return std::move(stream->Dictionary);
      }
      obj = std::move(value);
    }
    if (obj && obj->IsDictionary())
      return std::unique_ptr<TkvPDFDictObject>(static_cast<TkvPDFDictObject*>(obj.release()));
  } catch (const Exception&) {
  }
  return nullptr;
}

}  // namespace

TkvRepairResult RebuildXRefTable(TkvPDFStreamReader& reader, TkvXRefTable& table) {
  // Strings of a damaged file are read as they are: nothing here is decrypted.
  TkvPDFDecryptor* decryptor = reader.Decryptor;
  reader.Decryptor = nullptr;
  struct Restore {
    TkvPDFStreamReader& r;
    TkvPDFDecryptor* d;
    ~Restore() { r.Decryptor = d; }
  } restore{reader, decryptor};

  std::string held;
  std::string_view text = reader.MemoryView();
  if (text.empty() && reader.Size > 0) {
    reader.Seek(0, TkvSeekOrigin::soBeginning);
    reader.ReadString(reader.Size, held);
    text = held;
  }

  TkvRepairResult result;
  std::vector<TkvXRefItem> items;
  std::vector<std::pair<int64_t, bool>> trailers;  // (offset, is a cross-reference stream object)
  int32_t lastCatalog = -1;
  for (size_t at = text.find("obj"); at != std::string_view::npos; at = text.find("obj", at + 3)) {
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
    const bool maybeXRef = WindowHas(text, at, "/XRef"), maybeObjStm = WindowHas(text, at, "/ObjStm"),
               maybeCatalog = WindowHas(text, at, "/Catalog");
    if (!maybeXRef && !maybeObjStm && !maybeCatalog) continue;
    const std::string type = TypeOfObjectAt(reader, static_cast<int64_t>(start));
    if (type == "/XRef") trailers.emplace_back(start, true);
    if (type == "/ObjStm") result.ObjectStreams.push_back(number);
    if (type == "/Catalog") lastCatalog = number;
  }
  for (size_t at = text.find("trailer"); at != std::string_view::npos; at = text.find("trailer", at + 7))
    trailers.emplace_back(at + 7, false);
  std::sort(trailers.begin(), trailers.end());

  table = TkvXRefTable();
  table.Items = std::move(items);
  // The newest (last) dictionaries first: each value is taken from the first that has it.
  for (auto it = trailers.rbegin(); it != trailers.rend(); ++it)
    if (auto dict = DictionaryAt(reader, it->first, it->second)) TakeTrailerEntries(*dict, table);
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
