#include <gtest/gtest.h>

#include <random>

#include "pdf/filters/kvFilters.h"

namespace kv {
namespace {

std::string Compress(std::string_view data, int level = 6) {
  std::string out;
  TkvFlateFilter().EncodeString(data, level, out);
  return out;
}

std::string Inflate(std::string_view data) {
  std::string out;
  TkvFlateFilter().DecodeString(data, out);
  return out;
}

std::string Text(size_t size) {
  std::mt19937 rng(11);
  static constexpr const char* kWords[] = {"BT ", "/F1 12 Tf ", "72 712 Td ", "(Hello) Tj ", "ET\r\n", "q 1 0 0 1 "};
  std::string s;
  while (s.size() < size) s += kWords[rng() % std::size(kWords)];
  s.resize(size);
  return s;
}

TEST(FlateFilter, EveryLevelDecodesBack) {
  const std::string data = Text(50000);
  for (int level = -1; level <= 9; ++level) EXPECT_EQ(Inflate(Compress(data, level)), data) << level;
  EXPECT_LT(Compress(data, 9).size(), data.size() / 5);
  EXPECT_GT(Compress(data, 0).size(), data.size());  // stored, not compressed
}

TEST(FlateFilter, EmptyInput) {
  EXPECT_EQ(Inflate(Compress("")), "");
  EXPECT_EQ(Inflate(""), "");
}

TEST(FlateFilter, InvalidLevelIsACompressionError) {
  std::string out = "kept";
  EXPECT_THROW(TkvFlateFilter().EncodeString("abc", 42, out), ECompressionError);
  EXPECT_EQ(out, "kept");
}

std::string DecodeFailure(std::string_view data) {
  std::string out = "kept";
  try {
    TkvFlateFilter().DecodeString(data, out);
  } catch (const EDecompressionError& e) {
    EXPECT_EQ(out, "kept");
    return e.what();
  }
  return "no error";
}

TEST(FlateFilter, CorruptDataIsADecompressionError) {
  std::string data = Compress(Text(5000));
  EXPECT_NE(DecodeFailure("not zlib data at all").find("incorrect header check"), std::string::npos);
  // A stored-looking header followed by the reserved block type 3.
  EXPECT_NE(DecodeFailure(std::string("\x78\x9c\x07\x00", 4)).find("invalid block type"), std::string::npos);
  std::string badChecksum = data;
  badChecksum.back() = static_cast<char>(badChecksum.back() ^ 1);
  EXPECT_NE(DecodeFailure(badChecksum).find("incorrect data check"), std::string::npos);
  // LZW data (routed here by name) is not a zlib stream either.
  EXPECT_NE(DecodeFailure(std::string("\x80\x0b\x60\x50\x22\x0c\x0c\x85\x01", 9)), "no error");
}

TEST(FlateFilter, TruncatedDataGivesWhatWasDecoded) {
  const std::string text = Text(200000);
  const std::string data = Compress(text, 1);
  EXPECT_EQ(Inflate(std::string_view(data).substr(0, data.size() - 4)), text);  // checksum lost
  const std::string half = Inflate(std::string_view(data).substr(0, data.size() / 2));
  EXPECT_GT(half.size(), 0u);
  EXPECT_LT(half.size(), text.size());
  EXPECT_EQ(half, text.substr(0, half.size()));
}

TEST(FlateFilter, BytesAfterTheEndAreIgnored) {
  const std::string text = Text(3000);
  EXPECT_EQ(Inflate(Compress(text) + "\r\nendstream garbage"), text);
}

TEST(FlateFilter, DecompressionBombStopsAtTheCap) {
  const std::string zeros(4 << 20, '\0');
  const std::string bomb = Compress(zeros, 9);
  ASSERT_LT(bomb.size(), 8000u);
  TkvFlateFilter filter;
  std::string out;
  filter.MaxDecodedSize = static_cast<int64_t>(zeros.size());
  filter.DecodeString(bomb, out);  // exactly at the cap is fine
  EXPECT_EQ(out.size(), zeros.size());
  filter.MaxDecodedSize = static_cast<int64_t>(zeros.size()) - 1;
  TkvMemoryStream source(bomb);
  try {
    filter.DecodeStream(source);
    ADD_FAILURE() << "no error past the cap";
  } catch (const EDecompressionError& e) {
    EXPECT_STREQ(e.what(), "Decoded stream data exceeds the limit of 4194303 bytes");
  }
  EXPECT_EQ(kMaxDecodedSize, int64_t{1} << 30);
}

}  // namespace
}  // namespace kv
