// One test per fault found by fuzzing or by hostile files, named after what broke.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "hostile/HostileTestUtil.h"

using namespace kvtest;

namespace {

// The range loop counted in 32 bits: ending at INT_MAX, the counter overflowed (undefined
// behaviour; in practice it wrapped and filled memory until allocation failed).
TEST(Regressions, PageRangeEndingAtTheLargestPageNumberOverflowed) {
  EXPECT_EQ((std::vector<int32_t>{INT_MAX - 1, INT_MAX}),
            kv::TkvCustomPDFDocument::ParsePageRange("2147483646-2147483647", INT_MAX));
  EXPECT_EQ(std::vector<int32_t>{INT_MAX}, kv::TkvCustomPDFDocument::ParsePageRange("2147483647", INT_MAX));
}

}  // namespace
