#include "pdf/filters/kvPredictors.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "pdf/filters/kvFilters.h"
#include "pdf/filters/kvFiltersConsts.h"

namespace kv {

namespace {

// Colour components per sample: device colour spaces have at most four, DeviceN up to 32.
constexpr int32_t kMaxColors = 32;

struct RowShape {
  size_t RowBytes;    // bytes of one row of samples, without the PNG type byte
  size_t PixelBytes;  // bytes of one pixel, at least 1 (the PNG "bpp")
};

RowShape CheckedShape(const TkvPredictorParams& p) {
  const int32_t bpc = p.BitsPerComponent;
  const bool bitsOk = bpc == 1 || bpc == 2 || bpc == 4 || bpc == 8 || bpc == 16;
  if (p.Colors < 1 || p.Colors > kMaxColors || !bitsOk || p.Columns < 1)
    throw EDecompressionError(Format(msg::SPredictorParams, p.Predictor, p.Colors, bpc, p.Columns));
  const int64_t bitsPerPixel = int64_t{p.Colors} * bpc;
  const int64_t rowBytes = (bitsPerPixel * p.Columns + 7) / 8;
  if (rowBytes > kMaxPredictorRowBytes)
    throw EDecompressionError(Format(msg::SPredictorParams, p.Predictor, p.Colors, bpc, p.Columns));
  return {static_cast<size_t>(rowBytes), static_cast<size_t>(std::max<int64_t>(1, (bitsPerPixel + 7) / 8))};
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Decodes one PNG row in place; `prior` is the previous decoded row (zeros for the first).
void UnfilterPngRow(int type, uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  switch (type) {
    case 0:
      return;
    case 1:
      for (size_t i = bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      return;
    case 2:
      for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return;
    case 3:
      for (size_t i = 0; i < n; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((left + prior[i]) >> 1));
      }
      return;
    case 4:
      for (size_t i = 0; i < n; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int upLeft = i >= bpp ? prior[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + Paeth(left, prior[i], upLeft));
      }
      return;
    default:
      throw EDecompressionError(Format(msg::SPredictorRowType, type));
  }
}

void FilterPngRow(int type, const uint8_t* row, const uint8_t* prior, uint8_t* out, size_t n, size_t bpp) {
  for (size_t i = 0; i < n; ++i) {
    const int left = i >= bpp ? row[i - bpp] : 0;
    const int upLeft = i >= bpp ? prior[i - bpp] : 0;
    int predicted = 0;
    if (type == 1) predicted = left;
    if (type == 2) predicted = prior[i];
    if (type == 3) predicted = (left + prior[i]) >> 1;
    if (type == 4) predicted = Paeth(left, prior[i], upLeft);
    out[i] = static_cast<uint8_t>(row[i] - predicted);
  }
}

// Component `index` of a row of `bits`-wide components, and its store.
unsigned GetComponent(const uint8_t* row, size_t index, int bits) {
  if (bits == 8) return row[index];
  if (bits == 16) return (unsigned{row[2 * index]} << 8) | row[2 * index + 1];
  const size_t bit = index * static_cast<size_t>(bits);
  const unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void SetComponent(uint8_t* row, size_t index, int bits, unsigned value) {
  if (bits == 8) {
    row[index] = static_cast<uint8_t>(value);
  } else if (bits == 16) {
    row[2 * index] = static_cast<uint8_t>(value >> 8);
    row[2 * index + 1] = static_cast<uint8_t>(value);
  } else {
    const size_t bit = index * static_cast<size_t>(bits);
    const unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
    const unsigned mask = ((1u << bits) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
  }
}

// TIFF predictor 2 over one row: each component is the difference to the same component
// of the pixel on its left, modulo its width.
void TiffRow(uint8_t* row, size_t rowBytes, const TkvPredictorParams& p, bool decode) {
  const int bits = p.BitsPerComponent;
  const size_t colors = static_cast<size_t>(p.Colors);
  const size_t components = std::min(colors * static_cast<size_t>(p.Columns), rowBytes * 8 / static_cast<size_t>(bits));
  const unsigned mask = bits == 16 ? 0xFFFFu : (1u << bits) - 1;
  if (decode) {
    for (size_t i = colors; i < components; ++i)
      SetComponent(row, i, bits, (GetComponent(row, i, bits) + GetComponent(row, i - colors, bits)) & mask);
  } else {
    for (size_t i = components; i-- > colors;)
      SetComponent(row, i, bits, (GetComponent(row, i, bits) - GetComponent(row, i - colors, bits)) & mask);
  }
}

std::string TiffRows(std::string_view data, const RowShape& shape, const TkvPredictorParams& params, bool decode) {
  std::string out(data);
  auto* bytes = reinterpret_cast<uint8_t*>(out.data());
  // A short last row keeps the components it has.
  for (size_t at = 0; at < out.size(); at += shape.RowBytes)
    TiffRow(bytes + at, std::min(shape.RowBytes, out.size() - at), params, decode);
  return out;
}

}  // namespace

std::string UndoPredictor(std::string_view data, const TkvPredictorParams& params) {
  if (params.Predictor <= 1) return std::string(data);
  const RowShape shape = CheckedShape(params);
  if (params.Predictor == 2) return TiffRows(data, shape, params, true);
  if (params.Predictor < 10) throw EDecompressionError(Format(msg::SPredictorUnknown, params.Predictor));
  const size_t stride = shape.RowBytes + 1;
  std::string out;
  out.reserve(data.size() / stride * shape.RowBytes + shape.RowBytes);
  std::vector<uint8_t> prior(shape.RowBytes, 0), row(shape.RowBytes);
  for (size_t at = 0; at < data.size(); at += stride) {
    const int type = static_cast<uint8_t>(data[at]);
    const size_t n = std::min(shape.RowBytes, data.size() - at - 1);
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(at + 1),
              data.begin() + static_cast<std::ptrdiff_t>(at + 1 + n), row.begin());
    UnfilterPngRow(type, row.data(), prior.data(), n, shape.PixelBytes);
    out.append(reinterpret_cast<const char*>(row.data()), n);
    std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n), prior.begin());
  }
  return out;
}

std::string ApplyPredictor(std::string_view data, const TkvPredictorParams& params, int pngType) {
  if (params.Predictor <= 1) return std::string(data);
  const RowShape shape = CheckedShape(params);
  if (params.Predictor == 2) return TiffRows(data, shape, params, false);
  std::string out;
  std::vector<uint8_t> prior(shape.RowBytes, 0), row(shape.RowBytes), filtered(shape.RowBytes);
  for (size_t at = 0; at < data.size(); at += shape.RowBytes) {
    const size_t n = std::min(shape.RowBytes, data.size() - at);
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + n),
              row.begin());
    FilterPngRow(pngType, row.data(), prior.data(), filtered.data(), n, shape.PixelBytes);
    out += static_cast<char>(pngType);
    out.append(reinterpret_cast<const char*>(filtered.data()), n);
    prior = row;
  }
  return out;
}

}  // namespace kv
