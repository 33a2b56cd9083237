#include "pdf/filters/kvFilters.h"

#include <algorithm>

#include "pdf/filters/kvFilterCodecs.h"

namespace kv {

namespace codec {

std::string_view SourceBytes(TkvStream& source, std::string& holder) {
  if (auto* memory = dynamic_cast<TkvMemoryStream*>(&source)) return memory->Bytes();
  // Any other stream is read in blocks until it runs dry; its reported size is only a hint.
  constexpr size_t kBlock = 64 * 1024;
  const int64_t position = source.Position();
  source.SetPosition(0);
  holder.clear();
  holder.reserve(static_cast<size_t>(std::max<int64_t>(0, source.GetSize())));
  for (;;) {
    const size_t used = holder.size();
    holder.resize(used + std::max(kBlock, holder.capacity() - used));
    const int64_t n = source.Read(holder.data() + used, static_cast<int64_t>(holder.size() - used));
    holder.resize(used + static_cast<size_t>(std::max<int64_t>(0, n)));
    if (n <= 0) break;
  }
  source.SetPosition(position);
  return holder;
}

}  // namespace codec

namespace {

std::unique_ptr<TkvMemoryStream> NewStream(std::string bytes) {
  return std::make_unique<TkvMemoryStream>(std::move(bytes));
}

// Runs a bytes-to-bytes codec over the whole of a stream.
template <typename Codec>
std::unique_ptr<TkvMemoryStream> OverStream(TkvStream& source, Codec codec) {
  std::string holder;
  return NewStream(codec(codec::SourceBytes(source, holder)));
}

}  // namespace

// ---- TkvFilter: the base does nothing ----

std::unique_ptr<TkvMemoryStream> TkvFilter::EncodeStream(TkvStream&, int) { return nullptr; }
void TkvFilter::EncodeString(std::string_view, int, std::string&) {}
std::unique_ptr<TkvMemoryStream> TkvFilter::EncodeStream(TkvStream&) { return nullptr; }
void TkvFilter::EncodeString(std::string_view, std::string&) {}
std::unique_ptr<TkvMemoryStream> TkvFilter::DecodeStream(TkvStream&) { return nullptr; }
void TkvFilter::DecodeString(std::string_view, std::string&) {}

// Every result is built completely before it is assigned, so `result` may alias `source`
// and is left unchanged when a decode fails.

// ---- ASCII hex ----

std::unique_ptr<TkvMemoryStream> TkvAsciiHexFilter::EncodeStream(TkvStream& source) {
  return OverStream(source, codec::AsciiHexEncode);
}
void TkvAsciiHexFilter::EncodeString(std::string_view source, std::string& result) {
  result = codec::AsciiHexEncode(source);
}
std::unique_ptr<TkvMemoryStream> TkvAsciiHexFilter::DecodeStream(TkvStream& source) {
  return OverStream(source, codec::AsciiHexDecode);
}
void TkvAsciiHexFilter::DecodeString(std::string_view source, std::string& result) {
  result = codec::AsciiHexDecode(source);
}

// ---- ASCII base-85 ----

std::unique_ptr<TkvMemoryStream> TkvAscii85Filter::EncodeStream(TkvStream& source) {
  return OverStream(source, codec::Ascii85Encode);
}
void TkvAscii85Filter::EncodeString(std::string_view source, std::string& result) {
  result = codec::Ascii85Encode(source);
}
std::unique_ptr<TkvMemoryStream> TkvAscii85Filter::DecodeStream(TkvStream& source) {
  return OverStream(source, codec::Ascii85Decode);
}
void TkvAscii85Filter::DecodeString(std::string_view source, std::string& result) {
  result = codec::Ascii85Decode(source);
}

// ---- Flate ----

std::unique_ptr<TkvMemoryStream> TkvFlateFilter::EncodeStream(TkvStream& source, int level) {
  return OverStream(source, [level](std::string_view data) { return codec::FlateEncode(data, level); });
}
void TkvFlateFilter::EncodeString(std::string_view source, int level, std::string& result) {
  result = codec::FlateEncode(source, level);
}
std::unique_ptr<TkvMemoryStream> TkvFlateFilter::DecodeStream(TkvStream& source) {
  return OverStream(source, [this](std::string_view data) { return codec::FlateDecode(data, MaxDecodedSize); });
}
void TkvFlateFilter::DecodeString(std::string_view source, std::string& result) {
  result = codec::FlateDecode(source, MaxDecodedSize);
}

// ---- Run-length ----

std::unique_ptr<TkvMemoryStream> TkvRLEFilter::EncodeStream(TkvStream& source) {
  return OverStream(source, [this](std::string_view data) { return codec::RunLengthEncode(data, RepeatPairs); });
}
void TkvRLEFilter::EncodeString(std::string_view source, std::string& result) {
  result = codec::RunLengthEncode(source, RepeatPairs);
}
std::unique_ptr<TkvMemoryStream> TkvRLEFilter::DecodeStream(TkvStream& source) {
  return OverStream(source, [this](std::string_view data) { return codec::RunLengthDecode(data, MaxDecodedSize); });
}
void TkvRLEFilter::DecodeString(std::string_view source, std::string& result) {
  result = codec::RunLengthDecode(source, MaxDecodedSize);
}

}  // namespace kv
