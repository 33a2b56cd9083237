#include "pdf/filters/kvFilterDispatch.h"

#include <gtest/gtest.h>

#include "pdf/filters/kvFilters.h"

namespace kv {
namespace {

std::string Flate(std::string_view data) {
  std::string out;
  TkvFlateFilter().EncodeString(data, 6, out);
  return out;
}

std::string Hex(std::string_view data) {
  std::string out;
  TkvAsciiHexFilter().EncodeString(data, out);
  return out;
}

std::unique_ptr<TkvPDFObject> Name(const char* name) { return std::make_unique<TkvPDFNameObject>(name); }

std::unique_ptr<TkvPDFObject> NameArray(std::initializer_list<const char*> names) {
  auto array = std::make_unique<TkvPDFArrayObject>();
  for (const char* n : names) array->Add(Name(n));
  return array;
}

TEST(DecodeString, TrailingLineEndsAndTheHexMarker) {
  struct Row {
    TkvDecodeFilter Filter;
    std::string Data;
    std::string Expected;
  };
  const Row rows[] = {
      {ftASCIIHexDecode, "414243", "ABC"},
      {ftASCIIHexDecode, "414243\r\n", "ABC"},
      {ftASCIIHexDecode, "414243>\r\n\n", "ABC"},
      {ftASCIIHexDecode, "", ""},
      {ftASCII85Decode, "z~>\r\n", std::string(4, '\0')},
      {ftRunLengthDecode,
       std::string("\x02"
                   "ABC\x80\n",
                   6),
       "ABC"},
      {ftFlateDecode, Flate("stream data") + "\r\n", "stream data"},
      {ftDCTDecode, "\xFF\xD8 jpeg \xFF\xD9\r\n", "\xFF\xD8 jpeg \xFF\xD9"},
  };
  for (const Row& row : rows) EXPECT_EQ(DecodeString(row.Filter, row.Data), row.Expected) << row.Data;
}

TEST(DecodeString, FailuresOfTheFilters) {
  EXPECT_THROW(DecodeString(ftASCII85Decode, "!!!!"), Exception);
  EXPECT_THROW(DecodeString(ftFlateDecode, "garbage"), EDecompressionError);
  try {
    DecodeString(ftCCITTFaxDecode, "data");
    ADD_FAILURE();
  } catch (const EUnsupportedFilterError& e) {
    EXPECT_STREQ(e.what(), "Unsupported filter");
  }
}

TEST(DecodeStream, NewStreamAndTheSourceLeftAlone) {
  const std::string bytes = "48656C6C6F\r\n";
  for (TkvDecodeFilter filter : {ftASCIIHexDecode, ftDCTDecode}) {
    TkvMemoryStream source(bytes);
    source.SetPosition(3);
    auto decoded = DecodeStream(filter, source);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Position(), 0);
    EXPECT_EQ(decoded->Bytes(), filter == ftDCTDecode ? "48656C6C6F" : "Hello");
    EXPECT_EQ(source.Bytes(), bytes);
    EXPECT_EQ(source.Position(), 3);
  }
}

TEST(DecodeStream, FailedDecodeLeavesTheSource) {
  TkvMemoryStream source(std::string("4G>\r\n"));
  EXPECT_THROW(DecodeStream(ftASCIIHexDecode, source), Exception);
  EXPECT_EQ(source.Bytes(), "4G>\r\n");
}

TEST(DecodeWithFilters, NoFilterGivesACopy) {
  TkvMemoryStream source(std::string("plain\r\n"));
  auto copy = DecodeWithFilters(source, nullptr);
  EXPECT_EQ(copy->Bytes(), "plain\r\n");
  copy->WriteText("X");
  EXPECT_EQ(source.Bytes(), "plain\r\n");
  TkvReadOnlyFilter wrapped(&source);
  EXPECT_EQ(DecodeWithFilters(wrapped, NameArray({}).get())->Bytes(), "plain\r\n");
}

TEST(DecodeWithFilters, AppliesTheFiltersInOrder) {
  const std::string text = "BT /F1 12 Tf (Hello) Tj ET";
  TkvMemoryStream source(Hex(Flate(text)) + "\r\n");
  auto decoded = DecodeWithFilters(source, NameArray({"/ASCIIHexDecode", "/FlateDecode"}).get());
  EXPECT_EQ(decoded->Bytes(), text);
  EXPECT_EQ(decoded->Position(), 0);
  EXPECT_THROW(DecodeWithFilters(source, NameArray({"/FlateDecode", "/ASCIIHexDecode"}).get()), EDecompressionError);
  TkvMemoryStream flat(Flate(text));
  EXPECT_EQ(DecodeWithFilters(flat, Name("/LZWDecode").get())->Bytes(), text);
  TkvMemoryStream jpeg(std::string("\xFF\xD8\xFF\xD9"));
  EXPECT_EQ(DecodeWithFilters(jpeg, Name("/DCTDecode").get())->Bytes(), "\xFF\xD8\xFF\xD9");
}

TEST(DecodeWithFilters, UnsupportedOrMalformedFilterValues) {
  TkvMemoryStream source(std::string("data"));
  try {
    DecodeWithFilters(source, NameArray({"/ASCIIHexDecode", "/JBIG2Decode"}).get());
    ADD_FAILURE();
  } catch (const EUnsupportedFilterError& e) {
    EXPECT_STREQ(e.what(), "Unsupported filter (/JBIG2Decode)");
  }
  TkvPDFIntegerObject number(5);
  try {
    DecodeWithFilters(source, &number);
    ADD_FAILURE();
  } catch (const EUnexpectedFilterObject& e) {
    EXPECT_STREQ(e.what(), "Unexpected filter object, found (Integer Object)");
  }
  EXPECT_EQ(source.Bytes(), "data");
}

}  // namespace
}  // namespace kv
