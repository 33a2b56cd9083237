#include "pdf/document/kvModernReading.h"

#include <algorithm>

#include "core/kvPDFConsts.h"
#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/filters/kvStreamDecoder.h"
#include "pdf/parser/kvPDFParsersConsts.h"
#include "pdf/parser/kvXRefRepair.h"

namespace kv {

namespace {

// Object streams hold object syntax compressed a few times over; decoded data beyond this
// many times the file's size in all (with a floor for small files) is refused, so a few
// hostile bytes cannot ask for gigabytes.
constexpr int64_t kMaxObjectStreamFactor = 32;
constexpr int64_t kMinObjectStreamBytes = int64_t{64} << 20;

}  // namespace

TkvModernReading::TkvModernReading(TkvCustomPDFDocument& doc)
    : doc_(doc), cache_([this](int32_t number) { return LoadObjectStream(number); }) {}

TkvModernReading::~TkvModernReading() = default;

void TkvModernReading::ReadXRef(TkvStream& input, TkvXRefTable& table) {
  doc_.Reader->ReadModernFiles = true;
  const TkvPDFHeader header = doc_.Reader->ReadModernHeader();
  doc_.FPDFMajorVersion = header.Major;
  doc_.FPDFVersion = header.Minor;
  if (header.Offset > 0) {
    // Offsets count from the header, as in every reader that accepts such files.
    const int64_t size = doc_.Reader->Size - header.Offset;
    if (auto* memory = dynamic_cast<TkvMemoryStream*>(&input)) {
      shifted_ = memory->Slice(static_cast<size_t>(header.Offset), static_cast<size_t>(size));
    } else {
      doc_.Reader->Seek(header.Offset, TkvSeekOrigin::soBeginning);
      shifted_ = doc_.Reader->ReadSlice(size);
    }
    doc_.Reader = std::make_unique<TkvPDFStreamReader>(doc_.FDocumentId, shifted_.get());
    doc_.Reader->ReadModernFiles = true;
  }
  try {
    ReadXRefSection(*doc_.Reader, doc_.Reader->FindStartXRef(), table, [this] { doc_.Status(msg::SReadingXRef); });
    if (table.Trailer.RootNumber <= 0) throw ETrailerError(msg::SNoRootInTrailer);
  } catch (const Exception& e) {
    TkvXRefTable rebuilt;
    if (!Rebuild(e.what(), rebuilt)) throw;
    table = std::move(rebuilt);
  }
}

bool TkvModernReading::Rebuild(const std::string& reason, TkvXRefTable& table) {
  if (repaired_ || !doc_.Reader) return false;
  repaired_ = true;
  TkvRepairResult result = RebuildXRefTable(*doc_.Reader, table);
  if (result.ObjectsFound == 0) return false;
  doc_.Warning(Format(msg::SXRefRebuilt, reason.c_str()));
  objectStreams_ = std::move(result.ObjectStreams);
  indexed_ = objectStreams_.empty();
  return true;
}

bool TkvModernReading::Repair(const std::string& reason) {
  TkvXRefTable table;
  if (!Rebuild(reason, table)) return false;
  // The trailer values stay those the document started with (its decryption is set up
  // from them). Objects made while loading took numbers after the old entries; a rebuilt
  // entry of the same number would be confused with them, so those are left out.
  const size_t oldSize = doc_.XRefItems.size();
  const int32_t lastMade = doc_.ObjectStore->LastNumber;
  for (size_t n = oldSize + 1; n < table.Items.size() && n <= static_cast<size_t>(std::max(0, lastMade)); ++n)
    table.Items[n] = TkvXRefItem();
  doc_.XRefItems = std::move(table.Items);
  doc_.ObjectStore->LastNumber = std::max(lastMade, static_cast<int32_t>(doc_.XRefItems.size()));
  return true;
}

bool TkvModernReading::IndexObjectStreams() {
  if (indexed_) return false;
  indexed_ = true;
  bool added = false;
  for (int32_t streamNumber : objectStreams_) {
    const TkvObjectStream* stream = nullptr;
    try {
      stream = &cache_.Get(streamNumber);
    } catch (const Exception&) {
      continue;  // a damaged object stream gives no objects
    }
    for (int32_t i = 0; i < stream->Count(); ++i) {
      const int32_t number = stream->NumberAt(i);
      const bool absent = number <= 0 || static_cast<size_t>(number) >= doc_.XRefItems.size() ||
                          doc_.XRefItems[static_cast<size_t>(number)].EntryType != 'n';
      if (!absent) continue;
      TkvXRefItem item;
      item.EntryType = kXRefCompressed;
      item.Offset = streamNumber;
      item.Generation = i;
      PlaceXRefEntry(doc_.XRefItems, number, item, doc_.Reader ? doc_.Reader->Size : 0);
      added = true;
    }
  }
  return added;
}

std::unique_ptr<TkvPDFIndirectObject> TkvModernReading::ReadCompressed(int32_t objectNumber, const TkvXRefItem& entry) {
  const TkvObjectStream& stream = cache_.Get(entry.Offset);
  int64_t parsed = 0;
  TkvPDFObjectPtr value = stream.ReadValue(objectNumber, entry.Generation, parsed);
  doc_.FBytesParsed += parsed;
  return std::make_unique<TkvPDFIndirectObject>(doc_.FDocumentId, objectNumber, 0, std::move(value));
}

std::unique_ptr<TkvObjectStream> TkvModernReading::LoadObjectStream(int32_t streamNumber) {
  const auto& items = doc_.XRefItems;
  if (streamNumber <= 0 || static_cast<size_t>(streamNumber) >= items.size() ||
      items[static_cast<size_t>(streamNumber)].EntryType == kXRefCompressed)
    throw EPDFException(Format(msg::SObjectStreamInvalid, streamNumber, msg::SDetailObjStmNested));
  std::unique_ptr<TkvPDFIndirectObject> obj = doc_.ReadObjectAt(streamNumber);
  auto* stream = obj ? CastIfKind<TkvPDFStreamObject>(obj->Value) : nullptr;
  if (!stream) throw EPDFException(Format(msg::SObjectStreamInvalid, streamNumber, msg::SDetailObjStmNotStream));

  // Values of the dictionary may be references (to /N, to the filter parameters): they are
  // resolved into a copy, held for the decoding.
  std::vector<std::unique_ptr<TkvPDFIndirectObject>> held;
  TkvObjectResolver resolve = [&](const TkvPDFObject* ref) -> const TkvPDFObject* {
    auto* r = CastObject<TkvPDFIndirectReference>(ref);
    if (TkvPDFIndirectObject* stored = doc_.ObjectStore->Find(r)) return stored->Value.get();
    if (r->ObjectNumber == streamNumber) return nullptr;
    held.push_back(doc_.ReadObjectAt(r->ObjectNumber, false));
    return held.back() ? held.back()->Value.get() : nullptr;
  };
  auto dict = stream->Dictionary ? stream->Dictionary->CloneDict() : std::make_unique<TkvPDFDictObject>();
  for (const char* key : {"/N", "/First"}) {
    TkvPDFObject* v = dict->GetValue(key);
    if (v && v->IsReference()) {
      const TkvPDFObject* target = resolve(v);
      dict->SetValue(key, target ? target->Clone() : nullptr);
    }
  }
  const int64_t total = std::max(kMinObjectStreamBytes, kMaxObjectStreamFactor * doc_.Reader->Size);
  const int64_t left = std::max<int64_t>(0, total - cache_.DecodedBytes());
  std::string data = DecodeStreamData(stream->DataBytes(), *dict, resolve, left);
  return std::make_unique<TkvObjectStream>(doc_.FDocumentId, streamNumber, *dict, std::move(data));
}

}  // namespace kv
