// PDF run-length coding: a length byte L below 128 copies the next L + 1 bytes, L from 129
// to 255 repeats the next byte 257 - L times, and 128 ends the data.
#include <algorithm>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr unsigned char kEndOfData = 128;
constexpr size_t kMaxRun = 128;

// Writes `bytes` as literal runs of at most kMaxRun bytes.
void PutLiteral(std::string& out, std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t n = std::min(bytes.size(), kMaxRun);
    out += static_cast<char>(n - 1);
    out.append(bytes.data(), n);
    bytes.remove_prefix(n);
  }
}

}  // namespace

std::string RunLengthEncode(std::string_view data, bool repeatPairs) {
  std::string out;
  out.reserve(data.size() + data.size() / kMaxRun + 2);
  const size_t minRepeat = repeatPairs ? 2 : 3;
  size_t literalStart = 0;
  size_t i = 0;
  while (i < data.size()) {
    size_t j = i + 1;
    while (j < data.size() && j - i < kMaxRun && data[j] == data[i]) ++j;
    if (j - i >= minRepeat) {
      PutLiteral(out, data.substr(literalStart, i - literalStart));
      out += static_cast<char>(257 - (j - i));
      out += data[i];
      literalStart = j;
    }
    i = j;
  }
  PutLiteral(out, data.substr(literalStart));
  out += static_cast<char>(kEndOfData);
  return out;
}

std::string RunLengthDecode(std::string_view data, int64_t maxDecodedSize) {
  if (data.empty() || static_cast<unsigned char>(data.back()) != kEndOfData) throw Exception(msg::SRLEEndOfDataMarker);
  // Runs must end before the marker: a run that swallowed it would hide a truncation.
  data.remove_suffix(1);
  const size_t limit = static_cast<size_t>(std::max<int64_t>(0, maxDecodedSize));
  std::string out;
  out.reserve(std::min(data.size() * 2, limit));
  size_t i = 0;
  while (i < data.size()) {
    const unsigned char length = static_cast<unsigned char>(data[i++]);
    if (length == kEndOfData) throw Exception(msg::SRLEPrematureEndOfData);
    const size_t count = length < kEndOfData ? size_t{length} + 1 : 257 - size_t{length};
    const size_t needed = length < kEndOfData ? count : 1;
    if (needed > data.size() - i) throw Exception(msg::SRLEUnexpectedEndOfFile);
    if (count > limit - out.size())
      throw EDecompressionError(Format(msg::SDecodedTooLarge, static_cast<long long>(maxDecodedSize)));
    if (length < kEndOfData)
      out.append(data.data() + i, count);
    else
      out.append(count, data[i]);
    i += needed;
  }
  return out;
}

}  // namespace kv::codec
