// The predictors that Flate and LZW data may carry (/DecodeParms /Predictor): the TIFF
// horizontal differencing (2) and the PNG row filters (10 to 15, each row naming its own).
// Cross-reference streams of real files nearly always use PNG Up (12) over 4- or 5-byte rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

struct TkvPredictorParams {
  int32_t Predictor = 1;  // 1: none, 2: TIFF, 10-15: PNG
  int32_t Colors = 1;
  int32_t BitsPerComponent = 8;
  int32_t Columns = 1;
};

// Samples per row beyond this many bytes are refused: real rows are a few kilobytes at most,
// and a hostile /Columns would otherwise size the row buffers.
inline constexpr int64_t kMaxPredictorRowBytes = int64_t{1} << 24;

// Undoes the predictor on decoded data. Values outside the defined ranges (colours 1-32,
// bits 1, 2, 4, 8 or 16, columns from 1) and unknown PNG row types fail with
// EDecompressionError; a short last row is decoded as far as it goes.
std::string UndoPredictor(std::string_view data, const TkvPredictorParams& params);

// The reverse, for tests and writers: every row gets the PNG filter `pngType` (0-4), or
// TIFF differencing when params.Predictor is 2.
std::string ApplyPredictor(std::string_view data, const TkvPredictorParams& params, int pngType);

}  // namespace kv
