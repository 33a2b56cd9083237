// PDF LZW (the compression of TIFF and early PDF files), both ways.
#include <array>
#include <cstdint>
#include <unordered_map>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kMaxCodes = 4096;  // 12-bit codes
constexpr int kMaxWidth = 12;

// The code width in force once `nextCode` codes are defined: the width grows when the
// next code no longer fits, or one code earlier with early change.
int CodeWidth(int nextCode, bool earlyChange) {
  const int limit = nextCode + (earlyChange ? 1 : 0);
  if (limit < 512) return 9;
  if (limit < 1024) return 10;
  if (limit < 2048) return 11;
  return kMaxWidth;
}

class BitReader {
 public:
  explicit BitReader(std::string_view data) : data_(data) {}
  // The next `width` bits as a code, or -1 when the data ends first.
  int Read(int width) {
    while (count_ < width) {
      if (pos_ >= data_.size()) return -1;
      buffer_ = (buffer_ << 8) | static_cast<uint8_t>(data_[pos_++]);
      count_ += 8;
    }
    count_ -= width;
    return static_cast<int>((buffer_ >> count_) & ((1u << width) - 1));
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

class BitWriter {
 public:
  void Write(int code, int width) {
    buffer_ = (buffer_ << width) | static_cast<uint32_t>(code);
    count_ += width;
    while (count_ >= 8) {
      count_ -= 8;
      out_ += static_cast<char>((buffer_ >> count_) & 0xFF);
    }
  }
  std::string Finish() {
    if (count_ > 0) out_ += static_cast<char>((buffer_ << (8 - count_)) & 0xFF);
    return std::move(out_);
  }

 private:
  std::string out_;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

// The string table: each code is a shorter code (its prefix) plus one byte.
struct Table {
  std::array<int16_t, kMaxCodes> Prefix{};
  std::array<uint8_t, kMaxCodes> Last{};
  std::array<uint8_t, kMaxCodes> First{};
  std::array<uint16_t, kMaxCodes> Length{};
  Table() {
    for (int i = 0; i < 256; ++i) {
      Prefix[i] = -1;
      Last[i] = First[i] = static_cast<uint8_t>(i);
      Length[i] = 1;
    }
  }
};

}  // namespace

std::string LZWDecode(std::string_view data, bool earlyChange, int64_t maxDecodedSize) {
  Table t;
  BitReader bits(data);
  std::string out;
  int nextCode = kFirstFreeCode;
  int previous = -1;
  for (;;) {
    const int code = bits.Read(CodeWidth(nextCode, earlyChange));
    if (code < 0 || code == kEndCode) break;  // data that stops early keeps what it gave
    if (code == kClearCode) {
      nextCode = kFirstFreeCode;
      previous = -1;
      continue;
    }
    const bool known = code < 256 || (code >= kFirstFreeCode && code < nextCode);
    if (!known && !(code == nextCode && previous >= 0))
      throw EDecompressionError(Format(msg::SLZWInvalidCode, code, nextCode - 1));
    if (previous >= 0 && nextCode < kMaxCodes) {
      // The new entry is the previous string plus the first byte of this one; for the
      // code being defined right now that first byte is the previous string's own.
      t.Prefix[nextCode] = static_cast<int16_t>(previous);
      t.First[nextCode] = t.First[previous];
      t.Last[nextCode] = known ? t.First[code] : t.First[previous];
      t.Length[nextCode] = static_cast<uint16_t>(t.Length[previous] + 1);
      ++nextCode;
    }
    const size_t length = t.Length[code];
    if (static_cast<int64_t>(out.size() + length) > maxDecodedSize)
      throw EDecompressionError(Format(msg::SDecodedTooLarge, static_cast<long long>(maxDecodedSize)));
    out.resize(out.size() + length);
    size_t at = out.size();
    for (int c = code; c >= 0; c = t.Prefix[c]) out[--at] = static_cast<char>(t.Last[c]);
    previous = code;
  }
  return out;
}

std::string LZWEncode(std::string_view data, bool earlyChange) {
  BitWriter bits;
  // Every code is written at the width the decoder will read it with: the decoder defines
  // one entry per code read except the first after a clear, so its count is mirrored here.
  int decoderNext = kFirstFreeCode;
  bool firstAfterClear = true;
  auto emit = [&](int code) {
    bits.Write(code, CodeWidth(decoderNext, earlyChange));
    if (code == kClearCode) {
      decoderNext = kFirstFreeCode;
      firstAfterClear = true;
      return;
    }
    if (!firstAfterClear && decoderNext < kMaxCodes) ++decoderNext;
    firstAfterClear = false;
  };
  std::unordered_map<uint32_t, int> codes;  // (prefix code << 8 | byte) -> code
  int nextCode = kFirstFreeCode;
  int current = -1;
  emit(kClearCode);
  for (char ch : data) {
    const auto byte = static_cast<uint8_t>(ch);
    if (current < 0) {
      current = byte;
      continue;
    }
    const uint32_t key = (static_cast<uint32_t>(current) << 8) | byte;
    if (auto it = codes.find(key); it != codes.end()) {
      current = it->second;
      continue;
    }
    emit(current);
    codes.emplace(key, nextCode++);
    current = byte;
    if (nextCode == kMaxCodes) {  // the table is full: start a new one
      emit(current);
      emit(kClearCode);
      codes.clear();
      nextCode = kFirstFreeCode;
      current = -1;
    }
  }
  if (current >= 0) emit(current);
  emit(kEndCode);
  return bits.Finish();
}

}  // namespace kv::codec
