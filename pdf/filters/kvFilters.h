// Stream filters: Flate (through zlib), ASCII hex, ASCII base-85 and run-length, each
// encoding and decoding. A filter is created for one call; every stream result is a new
// memory stream positioned at 0, owned by the caller, and the source is not modified.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/kvClasses.h"

namespace kv {

// Upper bound on the bytes one decode may produce. Flate (up to ~1000:1) and run-length
// (up to 64:1) expand their input, so a small hostile stream could otherwise ask for
// unbounded memory; past the cap the decode fails with EDecompressionError.
inline constexpr int64_t kMaxDecodedSize = int64_t{1} << 30;  // 1 GiB

// Decoders fail with kv::Exception carrying a fixed message; a failed decode returns
// nothing, and the source (its bytes and its position) is never changed. Stream forms
// read the whole source from position 0.
class TkvFilter {
 public:
  virtual ~TkvFilter() = default;
  // Flate only: encode with a zlib compression level.
  virtual std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source, int level);
  virtual void EncodeString(std::string_view source, int level, std::string& result);
  // The text filters and run-length.
  virtual std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source);
  virtual void EncodeString(std::string_view source, std::string& result);
  // All four.
  virtual std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source);
  virtual void DecodeString(std::string_view source, std::string& result);
};

// Encodes as upper-case hex digits followed by ">". Decoding requires the ">" as the
// last byte and skips space, tab, CR and LF; an odd final digit gets a low nibble of 0.
class TkvAsciiHexFilter : public TkvFilter {
 public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

// Base-85 groups of four bytes ("z" for a zero group), ended by "~>", no line breaks.
class TkvAscii85Filter : public TkvFilter {
 public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

// zlib streams. Decoding stops at the end of the compressed stream (bytes after it are
// ignored); input that ends early yields what was decoded up to there, as readers of
// damaged files expect; corrupt data fails with EDecompressionError.
class TkvFlateFilter : public TkvFilter {
 public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  // Decoded output beyond this many bytes fails with EDecompressionError.
  int64_t MaxDecodedSize = kMaxDecodedSize;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source, int level) override;
  void EncodeString(std::string_view source, int level, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

// PDF run-length: literal runs "n-1, n bytes", repeat runs "257-n, byte", end byte 128.
class TkvRLEFilter : public TkvFilter {
 public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  // Decoded output beyond this many bytes fails with EDecompressionError.
  int64_t MaxDecodedSize = kMaxDecodedSize;
  // Whether a run of exactly two equal bytes is coded as a repeat run (false: it joins
  // the literal run, which is never longer).
  bool RepeatPairs = false;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

// Errors of zlib, and decoded output past the size cap.
class ECompressionError : public Exception {
 public:
  using Exception::Exception;
};
class EDecompressionError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace kv
