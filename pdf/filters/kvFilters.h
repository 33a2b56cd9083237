// Stream filters: Flate (through zlib), ASCII hex, ASCII base-85 and run-length, each
// encoding and decoding. A filter is created for one call; every stream result is a new
// memory stream positioned at 0, owned by the caller, and the source is not modified.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/kvClasses.h"

namespace kv {

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

class TkvAsciiHexFilter : public TkvFilter { /* see kvFilters.cpp */
public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

class TkvAscii85Filter : public TkvFilter {
public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

class TkvFlateFilter : public TkvFilter {
public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source, int level) override;
  void EncodeString(std::string_view source, int level, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

class TkvRLEFilter : public TkvFilter {
public:
  using TkvFilter::EncodeStream;
  using TkvFilter::EncodeString;
  // Whether a run of exactly two equal bytes is coded as a repeat run (false: it joins
  // the literal run, which is never longer).
  bool RepeatPairs = false;
  std::unique_ptr<TkvMemoryStream> EncodeStream(TkvStream& source) override;
  void EncodeString(std::string_view source, std::string& result) override;
  std::unique_ptr<TkvMemoryStream> DecodeStream(TkvStream& source) override;
  void DecodeString(std::string_view source, std::string& result) override;
};

// Errors of zlib.
class ECompressionError : public Exception { using Exception::Exception; };
class EDecompressionError : public Exception { using Exception::Exception; };

}  // namespace kv
