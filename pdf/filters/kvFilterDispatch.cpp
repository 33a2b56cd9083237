#include "pdf/filters/kvFilterDispatch.h"

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {

// Stream data often carries the line end before "endstream" inside its /Length.
std::string_view WithoutTrailingEol(std::string_view data) {
  while (!data.empty() && (data.back() == '\r' || data.back() == '\n')) data.remove_suffix(1);
  return data;
}

// The bytes a filter decodes. Flate data is binary and finds its own end, so its last
// bytes (part of the checksum, possibly CR or LF) are never cut.
std::string_view DecodeInput(TkvDecodeFilter filter, std::string_view data) {
  return filter == ftFlateDecode ? data : WithoutTrailingEol(data);
}

}  // namespace

std::string DecodeString(TkvDecodeFilter filter, std::string_view data) {
  data = DecodeInput(filter, data);
  switch (filter) {
    case ftASCIIHexDecode:
      if (!data.empty() && data.back() == '>') data.remove_suffix(1);
      return codec::AsciiHexDecodeBody(data);
    case ftASCII85Decode:
      return codec::Ascii85Decode(data);
    case ftFlateDecode:
      return codec::FlateDecode(data, kMaxDecodedSize);
    case ftRunLengthDecode:
      return codec::RunLengthDecode(data, kMaxDecodedSize);
    case ftDCTDecode:
      return std::string(data);  // JPEG data stays encoded
    default:
      throw EUnsupportedFilterError(msg::SUnsupportedFilter);
  }
}

std::unique_ptr<TkvMemoryStream> DecodeStream(TkvDecodeFilter filter, TkvStream& stream) {
  auto* memory = dynamic_cast<TkvMemoryStream*>(&stream);
  if (filter == ftDCTDecode && memory) {
    // A slice shares the bytes of a stream that views file data instead of copying them.
    return memory->Slice(0, WithoutTrailingEol(memory->Bytes()).size());
  }
  std::string holder;
  return std::make_unique<TkvMemoryStream>(DecodeString(filter, codec::SourceBytes(stream, holder)));
}

std::unique_ptr<TkvMemoryStream> DecodeWithFilters(TkvStream& stream, const TkvPDFObject* filterObject) {
  const std::vector<TkvDecodeFilter> filters = FiltersFromObject(filterObject);
  if (filters.size() == 1) return DecodeStream(filters.front(), stream);
  if (filters.empty()) {
    if (auto* memory = dynamic_cast<TkvMemoryStream*>(&stream)) return memory->CloneBytes();
    std::string holder;
    codec::SourceBytes(stream, holder);  // not a memory stream: the bytes land in `holder`
    return std::make_unique<TkvMemoryStream>(std::move(holder));
  }
  std::string holder;
  std::string_view current = codec::SourceBytes(stream, holder);
  std::string decoded;
  for (TkvDecodeFilter filter : filters) {
    decoded = DecodeString(filter, current);
    current = decoded;
  }
  return std::make_unique<TkvMemoryStream>(std::move(decoded));
}

}  // namespace kv
