// Flate through zlib. Data moves through zlib in slices no larger than zlib's 32-bit
// counters allow; output grows geometrically, never by less than one block.
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv::codec {

namespace {

constexpr size_t kBlockSize = 10240;
// zlib counts in unsigned int; larger buffers are fed in slices of this size.
constexpr size_t kMaxSlice = size_t{1} << 30;

const char* ZlibText(const z_stream& zs, int rc) { return zs.msg ? zs.msg : zError(rc); }

// Points zlib at the unused parts of the input and the output buffer.
void Window(z_stream& zs, std::string_view in, size_t inPos, std::string& out, size_t outPos) {
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + inPos));
  zs.avail_in = static_cast<uInt>(std::min(in.size() - inPos, kMaxSlice));
  zs.next_out = reinterpret_cast<Bytef*>(out.data() + outPos);
  zs.avail_out = static_cast<uInt>(std::min(out.size() - outPos, kMaxSlice));
}

struct Deflater {
  z_stream zs{};
  ~Deflater() { deflateEnd(&zs); }
};
struct Inflater {
  z_stream zs{};
  ~Inflater() { inflateEnd(&zs); }
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
  // deflateBound is enough for a single pass; the loop still grows the buffer if not.
  std::string out(std::max<size_t>(deflateBound(&d.zs, static_cast<uLong>(data.size())), kBlockSize), '\0');
  size_t inPos = 0;
  size_t outPos = 0;
  for (;;) {
    if (outPos == out.size()) out.resize(out.size() + std::max(kBlockSize, out.size() / 2));
    Window(d.zs, data, inPos, out, outPos);
    const uInt inSlice = d.zs.avail_in;
    const uInt outSlice = d.zs.avail_out;
    const bool lastSlice = inPos + inSlice == data.size();
    rc = deflate(&d.zs, lastSlice ? Z_FINISH : Z_NO_FLUSH);
    inPos += inSlice - d.zs.avail_in;
    outPos += outSlice - d.zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && !(rc == Z_BUF_ERROR && d.zs.avail_out == 0))
      throw ECompressionError(Format(msg::SCompressionError, "deflate", rc, ZlibText(d.zs, rc)));
  }
  out.resize(outPos);
  return out;
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
  // One byte of room beyond the limit tells "exactly at the limit" from "past it".
  std::string out(std::min(std::max(data.size() * 3, kBlockSize), limit + 1), '\0');
  size_t inPos = 0;
  size_t outPos = 0;
  for (;;) {
    if (outPos == out.size()) {
      if (outPos > limit) DecodedTooLarge(maxDecodedSize);
      out.resize(std::min(out.size() + std::max(kBlockSize, out.size()), limit + 1));
    }
    Window(d.zs, data, inPos, out, outPos);
    const uInt inSlice = d.zs.avail_in;
    const uInt outSlice = d.zs.avail_out;
    rc = inflate(&d.zs, Z_NO_FLUSH);
    inPos += inSlice - d.zs.avail_in;
    outPos += outSlice - d.zs.avail_out;
    if (rc == Z_STREAM_END) break;  // whatever follows the compressed stream is ignored
    if (rc != Z_OK && rc != Z_BUF_ERROR)
      throw EDecompressionError(Format(msg::SDecompressionError, "inflate", rc, ZlibText(d.zs, rc)));
    // All input taken and output room left over: the data stops before the end of the
    // compressed stream. Damaged files do this often; keep what was decoded.
    if (inPos == data.size() && d.zs.avail_out > 0) break;
  }
  if (outPos > limit) DecodedTooLarge(maxDecodedSize);
  out.resize(outPos);
  // A generous first guess should not stay allocated for the life of the stream.
  if (out.capacity() - outPos > std::max<size_t>(64 * 1024, outPos / 4)) out.shrink_to_fit();
  return out;
}

}  // namespace kv::codec
