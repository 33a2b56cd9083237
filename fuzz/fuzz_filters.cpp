// The stream filters. The first byte picks the surface: the four decoders of the filter
// classes (each also checked by a round trip: what a filter encodes it must decode to
// the same bytes), the decode dispatch by filter kind, DecodeWithFilters with a /Filter
// value read from the first line of the input, LZW (with a round trip), and decoding by
// a stream dictionary read from the first line (filter chains, predictors, LZW options).
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilterDispatch.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvStreamDecoder.h"
#include "pdf/parser/kvPDFParsers.h"

namespace {

// Flate expands up to about 1000:1; a lower cap than the library's keeps each run fast
// while still crossing the cap on purpose-made inputs.
constexpr int64_t kFuzzDecodedCap = int64_t{16} << 20;

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "%s\n", what);
    abort();
  }
}

void DecodeBothWays(kv::TkvFilter& filter, std::string_view data) {
  kvfuzz::Guarded([&] {
    std::string out;
    filter.DecodeString(data, out);
    kv::TkvMemoryStream source{std::string(data)};
    auto stream = filter.DecodeStream(source);
    Check(stream && stream->Bytes() == out, "string and stream decoding disagree");
  });
}

void RoundTrip(kv::TkvFilter& filter, std::string_view data, int level) {
  std::string encoded, decoded;
  if (level >= 0)
    filter.EncodeString(data, level, encoded);
  else
    filter.EncodeString(data, encoded);
  filter.DecodeString(encoded, decoded);
  Check(decoded == data, "decoding what was encoded does not give the input back");
}

void FiltersFromFirstLine(std::string_view input, bool plainStream) {
  size_t eol = input.find('\n');
  std::string head(input.substr(0, eol == std::string_view::npos ? input.size() : eol));
  std::string body(eol == std::string_view::npos ? std::string_view() : input.substr(eol + 1));
  kvfuzz::Guarded([&] {
    kv::TkvMemoryStream headStream(head);
    kv::TkvPDFStreamReader reader(1, &headStream);
    kv::TkvPDFObjectPtr filterObject = reader.ReadObject();
    if (plainStream) {
      kvfuzz::ViewStream source(body);
      kv::DecodeWithFilters(source, filterObject.get());
    } else {
      kv::TkvMemoryStream source(body);
      kv::DecodeWithFilters(source, filterObject.get());
    }
  });
}

void DictionaryFromFirstLine(std::string_view input) {
  size_t eol = input.find('\n');
  if (eol == std::string_view::npos) return;
  kvfuzz::Guarded([&] {
    kv::TkvMemoryStream headStream{std::string(input.substr(0, eol))};
    kv::TkvPDFStreamReader reader(1, &headStream);
    kv::TkvPDFObjectPtr dict = reader.ReadObject();
    if (!dict || !dict->IsDictionary()) return;
    kv::DecodeStreamData(input.substr(eol + 1), *static_cast<kv::TkvPDFDictObject*>(dict.get()), nullptr,
                         kFuzzDecodedCap);
  });
}

void LZW(std::string_view data, bool early) {
  kvfuzz::Guarded([&] { kv::codec::LZWDecode(data, early, kFuzzDecodedCap); });
  Check(kv::codec::LZWDecode(kv::codec::LZWEncode(data, early), early, kFuzzDecodedCap) == data,
        "LZW decoding what was encoded does not give the input back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0] % 8, option = data[1];
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  switch (mode) {
    case 0: {
      kv::TkvAsciiHexFilter hex;
      DecodeBothWays(hex, rest);
      RoundTrip(hex, rest, -1);
      break;
    }
    case 1: {
      kv::TkvAscii85Filter a85;
      DecodeBothWays(a85, rest);
      RoundTrip(a85, rest, -1);
      break;
    }
    case 2: {
      kv::TkvFlateFilter flate;
      flate.MaxDecodedSize = kFuzzDecodedCap;
      DecodeBothWays(flate, rest);
      RoundTrip(flate, rest, option % 10);
      break;
    }
    case 3: {
      kv::TkvRLEFilter rle;
      rle.MaxDecodedSize = kFuzzDecodedCap;
      rle.RepeatPairs = option & 1;
      DecodeBothWays(rle, rest);
      RoundTrip(rle, rest, -1);
      break;
    }
    case 4:
      kvfuzz::Guarded([&] {
        // Flate and run-length through the dispatch use the library's own cap; inputs are
        // kept small enough (max_len) that the cap is never the limit of memory.
        kv::DecodeString(static_cast<kv::TkvDecodeFilter>(option % 6), rest);
      });
      break;
    case 5:
      FiltersFromFirstLine(rest, option & 1);
      break;
    case 6:
      LZW(rest, option & 1);
      break;
    default:
      DictionaryFromFirstLine(rest);
      break;
  }
  return 0;
}
