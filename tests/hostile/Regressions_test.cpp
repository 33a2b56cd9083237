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

// Reading a stream read its /Length object with that object's own stream data, so two
// streams whose /Length named each other recursed until the stack overflowed (and a long
// chain of such streams did the same).
TEST(Regressions, StreamLengthsNamingEachOtherRecursedWithoutEnd) {
  TempDir dir;
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  const std::string pages = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>";
  auto stream = [](int lengthObject) {
    return "<< /Length " + std::to_string(lengthObject) + " 0 R >>\nstream\nBT ET\nendstream";
  };
  std::string loop = dir.File("loop.pdf");
  WriteFile(loop, MakePdf({catalog, pages, page, stream(5), stream(4)}));
  Outcome o = LoadAndSave(loop, dir);
  EXPECT_EQ("Expected PDF endstream", o.Error);
  ExpectCliFailure(Folio("copy " + ShellQuote(loop), dir), "loop", "Expected PDF endstream");

  std::vector<std::string> objects = {catalog, pages, page};
  for (int n = 4; n < 20000; ++n) objects.push_back(stream(n + 1));
  objects.push_back("<< /Length 5 >>\nstream\nBT ET\nendstream");
  std::string chain = dir.File("chain.pdf");
  WriteFile(chain, MakePdf(objects));
  EXPECT_EQ("Expected PDF endstream", LoadAndSave(chain, dir).Error);

  // A /Length naming an integer object still reads.
  std::string good = dir.File("good.pdf");
  WriteFile(good, MakePdf({catalog, pages, page, stream(5), "5"}));
  ExpectCorrectPages(LoadAndSave(good, dir), 1, "indirect length");
}

}  // namespace
