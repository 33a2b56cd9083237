#include "pdf/filters/kvFilters.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <random>

namespace kv {
namespace {

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// Runs of equal bytes of every length around the coder's limits (1, 2, 3, 127..130, ...).
std::string RunsOfBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  static constexpr size_t kLengths[] = {1, 1, 2, 2, 3, 4, 127, 128, 129, 130, 256, 300};
  std::string s;
  while (s.size() < size) s.append(kLengths[rng() % std::size(kLengths)], static_cast<char>(rng() % 4));
  s.resize(size);
  return s;
}

std::vector<size_t> Sizes() {
  std::vector<size_t> sizes = {0, 1, 2, 3, 4, 5, 127, 128, 129, 255, 256, 257, 1000, 100000};
  std::mt19937 rng(7);
  for (int i = 0; i < 4; ++i) sizes.push_back(rng() % 20000);
  return sizes;
}

struct FilterCase {
  const char* Name;
  std::function<std::unique_ptr<TkvFilter>()> Make;
  bool Flate = false;
};
void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.Name; }

std::string EncodeString(const FilterCase& fc, TkvFilter& f, std::string_view data) {
  std::string out;
  if (fc.Flate)
    f.EncodeString(data, 6, out);
  else
    f.EncodeString(data, out);
  return out;
}

std::unique_ptr<TkvMemoryStream> EncodeStream(const FilterCase& fc, TkvFilter& f, TkvStream& source) {
  return fc.Flate ? f.EncodeStream(source, 6) : f.EncodeStream(source);
}

class FilterRoundTrip : public ::testing::TestWithParam<FilterCase> {};

// Both forms must give the same bytes, results start at 0, and the source (bytes and
// position) is left alone.
void CheckRoundTrip(const FilterCase& fc, const std::string& data) {
  auto filter = fc.Make();
  const std::string encoded = EncodeString(fc, *filter, data);
  std::string decoded;
  filter->DecodeString(encoded, decoded);
  ASSERT_EQ(decoded, data) << fc.Name << " size " << data.size();

  TkvMemoryStream source(data);
  source.SetPosition(static_cast<int64_t>(data.size() / 2));
  auto encodedStream = EncodeStream(fc, *filter, source);
  ASSERT_TRUE(encodedStream);
  EXPECT_EQ(encodedStream->Position(), 0);
  EXPECT_EQ(encodedStream->Bytes(), encoded);
  auto decodedStream = filter->DecodeStream(*encodedStream);
  ASSERT_TRUE(decodedStream);
  EXPECT_EQ(decodedStream->Position(), 0);
  EXPECT_EQ(decodedStream->Bytes(), data);
  EXPECT_EQ(source.Bytes(), data);
  EXPECT_EQ(source.Position(), static_cast<int64_t>(data.size() / 2));
  EXPECT_EQ(encodedStream->Bytes(), encoded);
}

TEST_P(FilterRoundTrip, RandomBytesOfManySizes) {
  for (size_t size : Sizes()) CheckRoundTrip(GetParam(), RandomBytes(size, static_cast<uint32_t>(size)));
}

TEST_P(FilterRoundTrip, RunsOfEqualBytes) {
  for (size_t size : Sizes()) CheckRoundTrip(GetParam(), RunsOfBytes(size, static_cast<uint32_t>(size) + 1));
}

TEST_P(FilterRoundTrip, StreamThatIsNotInMemory) {
  const std::string data = RandomBytes(70000, 3);  // more than one read block
  TkvMemoryStream memory(data);
  memory.SetPosition(5);
  TkvReadOnlyFilter wrapped(&memory);
  auto filter = GetParam().Make();
  auto encoded = EncodeStream(GetParam(), *filter, wrapped);
  EXPECT_EQ(encoded->Bytes(), EncodeString(GetParam(), *filter, data));
  EXPECT_EQ(memory.Position(), 5);
  TkvMemoryStream encodedMemory(std::string(encoded->Bytes()));
  TkvReadOnlyFilter wrappedEncoded(&encodedMemory);
  EXPECT_EQ(filter->DecodeStream(wrappedEncoded)->Bytes(), data);
}

INSTANTIATE_TEST_SUITE_P(AllFilters, FilterRoundTrip,
                         ::testing::Values(FilterCase{"AsciiHex", [] { return std::make_unique<TkvAsciiHexFilter>(); }},
                                           FilterCase{"Ascii85", [] { return std::make_unique<TkvAscii85Filter>(); }},
                                           FilterCase{"Flate", [] { return std::make_unique<TkvFlateFilter>(); }, true},
                                           FilterCase{"RLE", [] { return std::make_unique<TkvRLEFilter>(); }},
                                           FilterCase{"RLEPairs",
                                                      [] {
                                                        auto f = std::make_unique<TkvRLEFilter>();
                                                        f->RepeatPairs = true;
                                                        return f;
                                                      }}),
                         [](const auto& info) { return std::string(info.param.Name); });

template <typename Filter>
std::string Encode(std::string_view data) {
  std::string out;
  Filter().EncodeString(data, out);
  return out;
}

template <typename Filter>
std::string Decode(std::string_view data) {
  std::string out;
  Filter().DecodeString(data, out);
  return out;
}

template <typename Filter>
std::string DecodeError(std::string_view data) {
  std::string out = "untouched";
  try {
    Filter().DecodeString(data, out);
  } catch (const Exception& e) {
    EXPECT_EQ(out, "untouched");
    return e.what();
  }
  return "no error, decoded " + std::to_string(out.size()) + " bytes";
}

TEST(AsciiHexFilter, KnownEncodingsAndDecodings) {
  EXPECT_EQ(Encode<TkvAsciiHexFilter>(std::string("\x00\x7f\xab\xff", 4)), "007FABFF>");
  EXPECT_EQ(Encode<TkvAsciiHexFilter>(""), ">");
  EXPECT_EQ(Decode<TkvAsciiHexFilter>("48656C6C6F>"), "Hello");
  EXPECT_EQ(Decode<TkvAsciiHexFilter>("48656c6c6f>"), "Hello");
  EXPECT_EQ(Decode<TkvAsciiHexFilter>("414>"), "A@");
  EXPECT_EQ(Decode<TkvAsciiHexFilter>("4 1\t4\r\n2>"), "AB");
  EXPECT_EQ(Decode<TkvAsciiHexFilter>(">"), "");
}

TEST(AsciiHexFilter, Failures) {
  EXPECT_EQ(DecodeError<TkvAsciiHexFilter>("4G>"), "Illeagal character within stream");
  EXPECT_EQ(DecodeError<TkvAsciiHexFilter>("41>42>"), "Illeagal character within stream");
  EXPECT_EQ(DecodeError<TkvAsciiHexFilter>("4142"), "EndOfData marker is wrong");
  EXPECT_EQ(DecodeError<TkvAsciiHexFilter>(""), "EndOfData marker is wrong");
  EXPECT_EQ(DecodeError<TkvAsciiHexFilter>("41>\n"), "EndOfData marker is wrong");
}

TEST(Ascii85Filter, KnownEncodings) {
  EXPECT_EQ(Encode<TkvAscii85Filter>(std::string(4, '\0')), "z~>");
  EXPECT_EQ(Encode<TkvAscii85Filter>(std::string("\0\0\0\1", 4)), "!!!!\"~>");
  EXPECT_EQ(Encode<TkvAscii85Filter>(std::string(3, '\0')), "!!!!~>");  // a short group is never "z"
  EXPECT_EQ(Encode<TkvAscii85Filter>(""), "~>");
  EXPECT_EQ(Encode<TkvAscii85Filter>("\xff\xff\xff\xff"), "s8W-!~>");
  EXPECT_EQ(Encode<TkvAscii85Filter>("Man "), "9jqo^~>");
  EXPECT_EQ(Decode<TkvAscii85Filter>("9j qo\r\n^z\t9jqo~>"), std::string("Man \0\0\0\0Man", 11));
}

// Every 1- and 2-byte input, and all 3-byte inputs ending a group of zeros: the short final
// group must round up into the kept bytes with carry (01 00 decodes through 00 FF + 1).
TEST(Ascii85Filter, ShortFinalGroupsRoundTripExhaustively) {
  for (int a = 0; a < 256; ++a) {
    for (int b = -1; b < 256; ++b) {
      std::string data(1, static_cast<char>(a));
      if (b >= 0) data += static_cast<char>(b);
      ASSERT_EQ(Decode<TkvAscii85Filter>(Encode<TkvAscii85Filter>(data)), data);
      data += '\0';
      ASSERT_EQ(Decode<TkvAscii85Filter>(Encode<TkvAscii85Filter>(data)), data);
    }
  }
}

TEST(Ascii85Filter, Failures) {
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("!!z!!!~>"), "\"z\" found at inappropriate position");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("!!!!!!~>"), "Single Final Character");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("!!v!!~>"), "Illeagal character within stream");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("!!\f!!~>"), "Illeagal character within stream");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("!!!!!"), "EndOfData marker is wrong");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>(">"), "EndOfData marker is wrong");
  // Groups whose value does not fit in 32 bits would otherwise decode to garbage.
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("s8W-\"~>"), "ASCII85 group value exceeds 32 bits");
  EXPECT_EQ(DecodeError<TkvAscii85Filter>("uu~>"), "ASCII85 group value exceeds 32 bits");
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(RLEFilter, KnownDecodings) {
  EXPECT_EQ(Decode<TkvRLEFilter>(Bytes({2, 65, 66, 67, 128})), "ABC");
  EXPECT_EQ(Decode<TkvRLEFilter>(Bytes({254, 65, 128})), "AAA");
  EXPECT_EQ(Decode<TkvRLEFilter>(Bytes({129, 0, 0, 7, 128})), std::string(128, '\0') + '\a');
  EXPECT_EQ(Decode<TkvRLEFilter>(Bytes({128})), "");
}

TEST(RLEFilter, Encodings) {
  EXPECT_EQ(Encode<TkvRLEFilter>(""), Bytes({128}));
  EXPECT_EQ(Encode<TkvRLEFilter>("ABC"), Bytes({2, 65, 66, 67, 128}));
  EXPECT_EQ(Encode<TkvRLEFilter>("AAA"), Bytes({254, 65, 128}));
  EXPECT_EQ(Encode<TkvRLEFilter>("xAAAy"), Bytes({0, 'x', 254, 'A', 0, 'y', 128}));
  // Runs split at 128; the one left over joins a literal run.
  EXPECT_EQ(Encode<TkvRLEFilter>(std::string(129, 'A')), Bytes({129, 'A', 0, 'A', 128}));
  EXPECT_EQ(Encode<TkvRLEFilter>(std::string(259, 'A')), Bytes({129, 'A', 129, 'A', 254, 'A', 128}));
  // Literal runs split at 128 bytes.
  std::string literal;
  for (int i = 0; i < 200; ++i) literal += static_cast<char>(i);
  const std::string encoded = Encode<TkvRLEFilter>(literal);
  ASSERT_EQ(encoded.size(), 200u + 3u);
  EXPECT_EQ(static_cast<unsigned char>(encoded[0]), 127);
  EXPECT_EQ(static_cast<unsigned char>(encoded[129]), 71);
}

TEST(RLEFilter, RepeatPairsSwitch) {
  TkvRLEFilter filter;
  std::string out;
  filter.EncodeString("xAAy", out);
  EXPECT_EQ(out, Bytes({3, 'x', 'A', 'A', 'y', 128}));  // the default: a pair stays literal
  filter.RepeatPairs = true;
  filter.EncodeString("xAAy", out);
  EXPECT_EQ(out, Bytes({0, 'x', 255, 'A', 0, 'y', 128}));
  filter.EncodeString(std::string(130, 'A'), out);
  EXPECT_EQ(out, Bytes({129, 'A', 255, 'A', 128}));
}

TEST(RLEFilter, Failures) {
  EXPECT_EQ(DecodeError<TkvRLEFilter>(Bytes({254, 65})), "EndOfData Marker is wrong");
  EXPECT_EQ(DecodeError<TkvRLEFilter>(""), "EndOfData Marker is wrong");
  EXPECT_EQ(DecodeError<TkvRLEFilter>(Bytes({0, 65, 128, 0, 66, 128})), "Premature EndOfData Marker found");
  EXPECT_EQ(DecodeError<TkvRLEFilter>(Bytes({5, 65, 66, 128})), "Unexpected EndOfFile found");
  // A run may not take the end marker as its data.
  EXPECT_EQ(DecodeError<TkvRLEFilter>(Bytes({1, 65, 128})), "Unexpected EndOfFile found");
  EXPECT_EQ(DecodeError<TkvRLEFilter>(Bytes({255, 128})), "Unexpected EndOfFile found");
}

TEST(RLEFilter, OutputIsCapped) {
  TkvRLEFilter filter;
  filter.MaxDecodedSize = 256;
  std::string out;
  filter.DecodeString(Bytes({129, 1, 129, 2, 128}), out);
  EXPECT_EQ(out.size(), 256u);
  EXPECT_THROW(filter.DecodeString(Bytes({129, 1, 129, 2, 0, 3, 128}), out), EDecompressionError);
}

TEST(BaseFilter, DoesNothing) {
  TkvFilter base;
  TkvMemoryStream source("abc");
  std::string out = "kept";
  EXPECT_EQ(base.DecodeStream(source), nullptr);
  EXPECT_EQ(base.EncodeStream(source), nullptr);
  EXPECT_EQ(base.EncodeStream(source, 9), nullptr);
  base.DecodeString("abc", out);
  EXPECT_EQ(out, "kept");
}

}  // namespace
}  // namespace kv
