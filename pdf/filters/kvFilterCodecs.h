// The filter algorithms on plain bytes (view in, string out). The filter classes and the
// decode dispatch both wrap these, so the string and stream forms cannot disagree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/kvClasses.h"

namespace kv::codec {

std::string AsciiHexEncode(std::string_view data);
// `data` must end with ">".
std::string AsciiHexDecode(std::string_view data);
// The digits before the ">" marker (the dispatch supplies a missing marker this way).
std::string AsciiHexDecodeBody(std::string_view body);

std::string Ascii85Encode(std::string_view data);
// `data` must end with "~>".
std::string Ascii85Decode(std::string_view data);

std::string RunLengthEncode(std::string_view data, bool repeatPairs);
// `data` must end with the byte 128.
std::string RunLengthDecode(std::string_view data, int64_t maxDecodedSize);

// `level` is a zlib compression level (-1 for zlib's default, 0 to 9).
std::string FlateEncode(std::string_view data, int level);
std::string FlateDecode(std::string_view data, int64_t maxDecodedSize);

// PDF LZW: 9- to 12-bit codes, 256 clears the table, 257 ends the data. `earlyChange`
// (the /EarlyChange default 1) widens the codes one code early. Data that stops without
// the end code gives what was decoded; a code not yet defined fails with EDecompressionError.
std::string LZWDecode(std::string_view data, bool earlyChange, int64_t maxDecodedSize);
std::string LZWEncode(std::string_view data, bool earlyChange);

// The whole content of `source` from position 0: a view of a memory stream's bytes, or
// the bytes read into `holder`. The source's position is left where it was.
std::string_view SourceBytes(TkvStream& source, std::string& holder);

}  // namespace kv::codec
