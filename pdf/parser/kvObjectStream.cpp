#include "pdf/parser/kvObjectStream.h"

#include <algorithm>

#include "core/kvPDFConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/parser/kvPDFParsersConsts.h"

namespace kv {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

// The next unsigned decimal number of the header at `at`, skipping white space.
bool NextNumber(std::string_view text, size_t& at, int64_t& value) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  size_t start = at;
  value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 10)
    value = value * 10 + (text[at++] - '0');
  return at > start;
}

}  // namespace

TkvObjectStream::TkvObjectStream(int32_t owner, int32_t number, const TkvPDFDictObject& dict, std::string data)
    : owner_(owner), number_(number), data_(std::make_shared<const std::string>(std::move(data))) {
  const std::string& bytes = *data_;
  int64_t n = -1, first = -1;
  // Each pair takes at least four bytes ("1 0 "), which bounds /N by the data itself.
  if (!IntegerValue(dict.GetValue("/N"), n) || !IntegerValue(dict.GetValue("/First"), first) || n < 0 || first < 0 ||
      first > static_cast<int64_t>(bytes.size()) || n > first / 4 + 1)
    throw EPDFException(Format(msg::SObjectStreamInvalid, number, msg::SDetailObjStmHeader));
  const std::string_view header = std::string_view(bytes).substr(0, static_cast<size_t>(first));
  size_t at = 0;
  entries_.reserve(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    int64_t objectNumber = 0, offset = 0;
    if (!NextNumber(header, at, objectNumber) || !NextNumber(header, at, offset) || objectNumber > kMaxObjectNumber ||
        first + offset > static_cast<int64_t>(bytes.size()))
      throw EPDFException(Format(msg::SObjectStreamInvalid, number, msg::SDetailObjStmHeader));
    entries_.push_back({static_cast<int32_t>(objectNumber), static_cast<size_t>(first + offset), bytes.size()});
  }
  // Each object's text ends where the next one in the data begins: the reader must not
  // run on into the next object (a number followed by another could read as a reference).
  std::vector<size_t> begins;
  begins.reserve(entries_.size());
  for (const Entry& e : entries_) begins.push_back(e.Begin);
  std::sort(begins.begin(), begins.end());
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    auto next = std::upper_bound(begins.begin(), begins.end(), e.Begin);
    e.End = next == begins.end() ? bytes.size() : *next;
    byNumber_.emplace(e.Number, i);
  }
}

TkvPDFObjectPtr TkvObjectStream::ReadValue(int32_t objectNumber, int32_t index, int64_t& bytesParsed) const {
  const Entry* entry = nullptr;
  if (index >= 0 && index < Count() && entries_[static_cast<size_t>(index)].Number == objectNumber) {
    entry = &entries_[static_cast<size_t>(index)];
  } else if (auto it = byNumber_.find(objectNumber); it != byNumber_.end()) {
    entry = &entries_[it->second];
  }
  if (!entry) throw EPDFException(Format(msg::SObjectNotInObjectStream, objectNumber, number_));
  TkvMemoryStream text(data_, entry->Begin, entry->End - entry->Begin);
  TkvPDFStreamReader reader(owner_, &text);
  reader.ReadModernFiles = true;
  // The header is this object's, for messages; strings here are never decrypted.
  reader.CurrentObjectNumber = objectNumber;
  reader.CurrentGeneration = 0;
  TkvPDFObjectPtr value = reader.ReadObject();
  bytesParsed += reader.Pos();
  if (!value || value->IsIndirectObject())
    throw EPDFException(Format(msg::SObjectNotInObjectStream, objectNumber, number_));
  return value;
}

const TkvObjectStream& TkvObjectStreamCache::Get(int32_t streamNumber) {
  if (auto it = streams_.find(streamNumber); it != streams_.end()) return *it->second;
  if (auto it = failed_.find(streamNumber); it != failed_.end()) throw EPDFException(it->second);
  if (std::find(loading_.begin(), loading_.end(), streamNumber) != loading_.end() ||
      static_cast<int>(loading_.size()) >= kMaxNesting)
    throw EPDFException(Format(msg::SObjectStreamInvalid, streamNumber, msg::SDetailObjStmNeedsItself));
  std::unique_ptr<TkvObjectStream> stream;
  loading_.push_back(streamNumber);
  try {
    stream = loader_(streamNumber);
  } catch (const Exception& e) {
    loading_.pop_back();
    failed_.emplace(streamNumber, e.what());
    throw;
  }
  loading_.pop_back();
  decodedBytes_ += stream->DecodedSize();
  return *streams_.emplace(streamNumber, std::move(stream)).first->second;
}

}  // namespace kv
