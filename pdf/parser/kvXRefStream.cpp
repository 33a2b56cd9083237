#include "pdf/parser/kvXRefStream.h"

#include <algorithm>

#include "core/kvPDFConsts.h"
#include "pdf/filters/kvStreamDecoder.h"
#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/parser/kvPDFParsersConsts.h"

namespace kv {

namespace {

// Decoded entries beyond this many times the file's size (with a floor for small files)
// are refused: a real section holds a few bytes per object, and a few hostile bytes of
// Flate data could otherwise ask for a gigabyte.
constexpr int64_t kMaxXRefDataFactor = 16;
constexpr int64_t kMinXRefDataLimit = int64_t{16} << 20;
// Objects of the /Index subsections: a stream declaring more is refused before anything is
// allocated for them.
constexpr int64_t kMaxStreamEntries = int64_t{kMaxObjectNumber} + 1;

[[noreturn]] void Fail(const std::string& detail) {
  throw ETrailerError(Format(msg::STrailerErrorDetail, detail.c_str()));
}

std::vector<int> FieldWidths(const TkvPDFDictObject& dict) {
  const auto* w = CastIfKind<TkvPDFArrayObject>(dict.GetValue("/W"));
  if (!w || w->Count() < 3) Fail(msg::SDetailXRefStreamW);
  std::vector<int> widths;
  for (int32_t i = 0; i < 3; ++i) {
    int64_t v = -1;
    if (!IntegerValue(w->GetItem(i), v) || v < 0 || v > kMaxXRefFieldWidth) Fail(msg::SDetailXRefStreamW);
    widths.push_back(static_cast<int>(v));
  }
  if (widths[1] == 0) Fail(msg::SDetailXRefStreamW);
  return widths;
}

// (first object number, count) pairs of /Index; [0 /Size] when absent.
std::vector<std::pair<int64_t, int64_t>> Subsections(const TkvPDFDictObject& dict) {
  std::vector<std::pair<int64_t, int64_t>> out;
  int64_t total = 0;
  auto add = [&](int64_t first, int64_t count) {
    if (first < 0 || count < 0 || first > kMaxObjectNumber || count > kMaxStreamEntries - total)
      Fail(msg::SDetailXRefStreamIndex);
    total += count;
    out.emplace_back(first, count);
  };
  if (const auto* a = CastIfKind<TkvPDFArrayObject>(dict.GetValue("/Index"))) {
    for (int32_t i = 0; i + 1 < a->Count(); i += 2) {
      int64_t first = -1, count = -1;
      if (!IntegerValue(a->GetItem(i), first) || !IntegerValue(a->GetItem(i + 1), count))
        Fail(msg::SDetailXRefStreamIndex);
      add(first, count);
    }
    return out;
  }
  int64_t size = -1;
  if (!IntegerValue(dict.GetValue("/Size"), size)) Fail(msg::SDetailXRefStreamIndex);
  add(0, size);
  return out;
}

uint64_t Field(const unsigned char* p, int width) {
  uint64_t v = 0;
  for (int i = 0; i < width; ++i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

bool IsObjectHeaderAt(TkvPDFStreamReader& reader, int64_t offset, int32_t objectNumber) {
  if (offset < 0 || offset >= reader.Size) return false;
  const int64_t keep = reader.Pos();
  reader.Seek(offset, TkvSeekOrigin::soBeginning);
  std::string a, b, c;
  reader.ReadToken(a);
  reader.ReadToken(b);
  reader.ReadToken(c);
  reader.Seek(keep, TkvSeekOrigin::soBeginning);
  int32_t n = 0, g = 0;
  return TryStrToInt(a, n) && TryStrToInt(b, g) && c == "obj" && (objectNumber < 0 || n == objectNumber);
}

TkvXRefStreamSection ReadXRefStream(TkvPDFStreamReader& reader, int64_t offset) {
  // These streams are never encrypted, and may be read again after the decryptor is set.
  TkvPDFDecryptor* decryptor = reader.Decryptor;
  reader.Decryptor = nullptr;
  struct Restore {
    TkvPDFStreamReader& r;
    TkvPDFDecryptor* d;
    ~Restore() { r.Decryptor = d; }
  } restore{reader, decryptor};

  reader.Seek(offset, TkvSeekOrigin::soBeginning);
  TkvPDFObjectPtr obj = reader.ReadObject();
  auto* ind = CastIfKind<TkvPDFIndirectObject>(obj);
  auto* stream = ind ? CastIfKind<TkvPDFStreamObject>(ind->Value) : nullptr;
  if (!stream) Fail(msg::SDetailNotXRefStream);
  const auto* type = stream->Dictionary ? CastIfKind<TkvPDFNameObject>(stream->Dictionary->GetValue("/Type")) : nullptr;
  if (!type || type->Value != "/XRef") Fail(msg::SDetailNotXRefStream);
  const TkvPDFDictObject& dict = *stream->Dictionary;

  // The dictionary of a cross-reference stream holds direct values only; a /Length that
  // is not one leaves the reader to find "endstream" itself.
  int64_t length = 0;
  if (!IntegerValue(dict.GetValue("/Length"), length) || length < 0) length = -1;
  auto raw = reader.ReadStreamData(length, ind->ObjectNumber, ind->Generation);
  const std::vector<int> w = FieldWidths(dict);
  const std::vector<std::pair<int64_t, int64_t>> subsections = Subsections(dict);
  const int64_t limit = std::max(kMinXRefDataLimit, kMaxXRefDataFactor * reader.Size);
  const std::string data = DecodeStreamData(raw->Bytes(), dict, nullptr, limit);

  TkvXRefStreamSection section;
  const size_t rowSize = static_cast<size_t>(w[0] + w[1] + w[2]);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  size_t at = 0;
  for (const auto& [first, count] : subsections) {
    for (int64_t i = 0; i < count && at + rowSize <= data.size(); ++i, at += rowSize) {
      const int64_t number = first + i;
      if (number > kMaxObjectNumber) break;
      // Without a type field every entry is in use.
      const uint64_t kind = w[0] ? Field(bytes + at, w[0]) : 1;
      const uint64_t f2 = Field(bytes + at + w[0], w[1]);
      const uint64_t f3 = w[2] ? Field(bytes + at + w[0] + w[1], w[2]) : 0;
      TkvXRefItem item;
      if (kind == 0) {
        item.EntryType = 'f';
        item.Offset = static_cast<int32_t>(std::min<uint64_t>(f2, INT32_MAX));
        item.Generation = static_cast<int32_t>(std::min<uint64_t>(f3, 0xFFFF));
      } else if (kind == 1) {
        item.EntryType = f2 <= INT32_MAX && f3 <= 0xFFFF ? 'n' : 'f';
        item.Offset = item.EntryType == 'n' ? static_cast<int32_t>(f2) : 0;
        item.Generation = item.EntryType == 'n' ? static_cast<int32_t>(f3) : 0;
      } else if (kind == 2) {
        if (f2 == 0 || f2 > static_cast<uint64_t>(kMaxObjectNumber) || f3 > INT32_MAX) continue;
        item.EntryType = kXRefCompressed;
        item.Offset = static_cast<int32_t>(f2);
        item.Generation = static_cast<int32_t>(f3);
      } else {
        continue;  // a type of a later format: the object is absent to this reader
      }
      section.Entries.emplace_back(static_cast<int32_t>(number), item);
    }
  }
  section.Trailer = std::move(stream->Dictionary);
  return section;
}

}  // namespace kv
