// Object streams (/Type /ObjStm): a stream whose decoded data holds many objects one after
// another, after a header of (object number, offset) pairs. The cross-reference data names
// an object's stream and its index there. A stream is decoded once and its objects are
// parsed when asked for; they are never decrypted (the stream was, as a whole).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/objects/kvPDFObjects.h"
#include "pdf/parser/kvPDFParsers.h"

namespace kv {

class TkvObjectStream {
 public:
  // `number` is the stream object's number (for messages); `data` its decoded bytes.
  // A header that does not parse fails with EPDFException.
  TkvObjectStream(int32_t owner, int32_t number, const TkvPDFDictObject& dict, std::string data);

  int32_t Number() const { return number_; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  int32_t NumberAt(int32_t index) const { return entries_[static_cast<size_t>(index)].Number; }
  int64_t DecodedSize() const { return static_cast<int64_t>(data_->size()); }

  // The value of object `objectNumber`, expected at `index` (looked up by number when the
  // index does not hold it). Fails with EPDFException when the stream does not hold the
  // object or its text is not one value. `bytesParsed` grows by the bytes read.
  TkvPDFObjectPtr ReadValue(int32_t objectNumber, int32_t index, int64_t& bytesParsed) const;

 private:
  struct Entry {
    int32_t Number;
    size_t Begin, End;  // in the decoded data
  };
  int32_t owner_;
  int32_t number_;
  TkvSharedBytes data_;
  std::vector<Entry> entries_;
  std::unordered_map<int32_t, size_t> byNumber_;  // the first entry of each object number
};

// The object streams of one document while it is read, each decoded at most once. The
// loader supplies how a stream is fetched (its number to the decoded stream).
class TkvObjectStreamCache {
 public:
  using TLoader = std::function<std::unique_ptr<TkvObjectStream>(int32_t streamNumber)>;
  explicit TkvObjectStreamCache(TLoader loader) : loader_(std::move(loader)) {}

  // Streams whose loading needs another stream (a /Length kept in an object stream) are
  // loaded inside one another at most this deep; a stream needed while it is being loaded
  // fails, rather than recursing without end.
  static constexpr int kMaxNesting = 8;

  // The stream, loading it on first use; a stream that failed to load fails again
  // without being fetched twice.
  const TkvObjectStream& Get(int32_t streamNumber);
  // Decoded bytes of every stream loaded so far.
  int64_t DecodedBytes() const { return decodedBytes_; }

 private:
  TLoader loader_;
  std::unordered_map<int32_t, std::unique_ptr<TkvObjectStream>> streams_;
  std::unordered_map<int32_t, std::string> failed_;
  std::vector<int32_t> loading_;  // streams being loaded, outermost first
  int64_t decodedBytes_ = 0;
};

}  // namespace kv
