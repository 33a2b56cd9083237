// Flate through zlib. Data moves through zlib in slices no larger than zlib's 32-bit
// counters allow; output space grows geometrically, never by less than one block.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr size_t kBlockSize = 10240;
// Decoded output is gathered in blocks growing from a guess up to this size.
constexpr size_t kMaxOutputBlock = size_t{8} << 20;
// zlib counts in unsigned int; larger buffers are fed in slices of this size.
constexpr size_t kMaxSlice = size_t{1} << 30;

const char* ZlibText(const z_stream& zs, int rc) { return zs.msg ? zs.msg : zError(rc); }

// Points zlib at the unused parts of the input and the output buffer.
void Window(z_stream& zs, std::string_view in, size_t inPos, char* out, size_t outRoom) {
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + inPos));
  zs.avail_in = static_cast<uInt>(std::min(in.size() - inPos, kMaxSlice));
  zs.next_out = reinterpret_cast<Bytef*>(out);
  zs.avail_out = static_cast<uInt>(std::min(outRoom, kMaxSlice));
}

struct Deflater {
  z_stream zs{};
  ~Deflater() { deflateEnd(&zs); }
};
struct Inflater {
  z_stream zs{};
  ~Inflater() { inflateEnd(&zs); }
};

// Decoded output of unknown size, gathered in blocks that are never zero-filled, moved
// or copied while they fill; one exact-size copy joins them at the end.
class OutputBlocks {
 public:
  explicit OutputBlocks(size_t firstSize) : nextSize_(firstSize) {}

  // Free space of the last block (a new block when it is full), at most `wanted` bytes.
  std::pair<char*, size_t> Room(size_t wanted) {
    if (blocks_.empty() || blocks_.back().Used == blocks_.back().Size) {
      const size_t size = std::max<size_t>(1, std::min(nextSize_, wanted));
      blocks_.push_back(Block{std::make_unique_for_overwrite<char[]>(size), size, 0});
      nextSize_ = std::min(nextSize_ * 2, kMaxOutputBlock);
    }
    Block& last = blocks_.back();
    return {last.Data.get() + last.Used, std::min(last.Size - last.Used, wanted)};
  }
  void Produced(size_t n) {
    blocks_.back().Used += n;
    total_ += n;
  }
  size_t Total() const { return total_; }

  std::string Join() const {
    std::string out;
    out.reserve(total_);
    for (const Block& block : blocks_) out.append(block.Data.get(), block.Used);
    return out;
  }

 private:
  struct Block {
    std::unique_ptr<char[]> Data;
    size_t Size;
    size_t Used;
  };
  std::vector<Block> blocks_;
  size_t nextSize_;
  size_t total_ = 0;
};

[[noreturn]] void DecodedTooLarge(int64_t limit) {
  throw EDecompressionError(Format(msg::SDecodedTooLarge, static_cast<long long>(limit)));
}

}  // namespace

std::string FlateEncode(std::string_view data, int level) {
  Deflater d;
  int rc = deflateInit(&d.zs, level);
  if (rc != Z_OK) {
    const char* text = d.zs.msg ? d.zs.msg : zError(rc);
    d.zs = z_stream{};  // nothing to free: deflateEnd must not see a half-made state
    throw ECompressionError(Format(msg::SCompressionError, "deflateInit", rc, text));
  }
  OutputBlocks out(std::clamp(data.size() / 2, kBlockSize, kMaxOutputBlock));
  size_t inPos = 0;
  for (;;) {
    auto [room, roomSize] = out.Room(SIZE_MAX);
    Window(d.zs, data, inPos, room, roomSize);
    const uInt inSlice = d.zs.avail_in;
    const uInt outSlice = d.zs.avail_out;
    const bool lastSlice = inPos + inSlice == data.size();
    rc = deflate(&d.zs, lastSlice ? Z_FINISH : Z_NO_FLUSH);
    inPos += inSlice - d.zs.avail_in;
    out.Produced(outSlice - d.zs.avail_out);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && !(rc == Z_BUF_ERROR && d.zs.avail_out == 0))
      throw ECompressionError(Format(msg::SCompressionError, "deflate", rc, ZlibText(d.zs, rc)));
  }
  return out.Join();
}

std::string FlateDecode(std::string_view data, int64_t maxDecodedSize) {
  Inflater d;
  int rc = inflateInit(&d.zs);
  if (rc != Z_OK) {
    const char* text = d.zs.msg ? d.zs.msg : zError(rc);
    d.zs = z_stream{};
    throw EDecompressionError(Format(msg::SDecompressionError, "inflateInit", rc, text));
  }
  const size_t limit = static_cast<size_t>(std::max<int64_t>(0, maxDecodedSize));
  OutputBlocks out(std::clamp(data.size() * 4, kBlockSize, kMaxOutputBlock));
  size_t inPos = 0;
  for (;;) {
    // One byte of room beyond the limit tells "exactly at the limit" from "past it".
    if (out.Total() > limit) DecodedTooLarge(maxDecodedSize);
    auto [room, roomSize] = out.Room(limit + 1 - out.Total());
    Window(d.zs, data, inPos, room, roomSize);
    const uInt inSlice = d.zs.avail_in;
    const uInt outSlice = d.zs.avail_out;
    rc = inflate(&d.zs, Z_NO_FLUSH);
    inPos += inSlice - d.zs.avail_in;
    out.Produced(outSlice - d.zs.avail_out);
    if (rc == Z_STREAM_END) break;  // whatever follows the compressed stream is ignored
    if (rc != Z_OK && rc != Z_BUF_ERROR)
      throw EDecompressionError(Format(msg::SDecompressionError, "inflate", rc, ZlibText(d.zs, rc)));
    // All input taken and output room left over: the data stops before the end of the
    // compressed stream. Damaged files do this often; keep what was decoded.
    if (inPos == data.size() && d.zs.avail_out > 0) break;
  }
  if (out.Total() > limit) DecodedTooLarge(maxDecodedSize);
  return out.Join();
}

}  // namespace kv::codec
