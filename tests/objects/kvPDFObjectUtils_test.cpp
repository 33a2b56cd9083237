#include "pdf/objects/kvPDFObjectUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/kvUtils.h"
#include "support/CodePage.h"

namespace {

using kvtest::CodePage;

TEST(MakeTextString, LiteralUnderTheWesternCodePage) {
  CodePage cp(1252);
  auto s = kv::MakeTextString("Caf\xE9 (menu)\\");
  EXPECT_FALSE(s->IsHex);
  EXPECT_EQ(s->Value, "(Caf\xE9 (menu)\\)");
  EXPECT_EQ(s->ToText(), "(Caf\xE9 \\(menu\\)\\\\)");
  EXPECT_EQ(s->DecodedText(), "Caf\xE9 (menu)\\");
}

TEST(MakeTextString, UnicodeHexUnderOtherCodePages) {
  {
    CodePage cp(1251);
    auto s = kv::MakeTextString("A\xC6");
    EXPECT_TRUE(s->IsHex);
    EXPECT_EQ(s->Value, "<FEFF00410416>");
    EXPECT_EQ(s->ToText(), "<FEFF00410416>");
    EXPECT_EQ(s->DecodedText(), "A\xC6");
  }
  {
    CodePage cp(65001);
    auto s = kv::MakeTextString("\xE4\xB8\xAD");
    EXPECT_EQ(s->Value, "<FEFF4E2D>");
    EXPECT_EQ(s->DecodedText(), "\xE4\xB8\xAD");
    kv::TkvPDFStringObject literal(std::string("(\xFE\xFF\x4E\x2D)", 6), false);
    EXPECT_EQ(literal.DecodedText(), "\xE4\xB8\xAD");
  }
}

TEST(ObjectNumbers, NumberValueAndRectFromArray) {
  kv::TkvPDFArrayObject box;
  box.AddInteger(0);
  box.AddInteger(0);
  box.Add(std::make_unique<kv::TkvPDFRealObject>(612.5));
  box.Add(std::make_unique<kv::TkvPDFInt64Object>(792));
  kv::TkvPDFRect r = kv::RectFromArray(box);
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Bottom, 0);
  EXPECT_EQ(r.Right, 612.5);
  EXPECT_EQ(r.Top, 792);

  box.SetItem(1, std::make_unique<kv::TkvPDFNameObject>("/X"));
  EXPECT_THROW(kv::RectFromArray(box), kv::EUnexpectedObjectError);
  kv::TkvPDFArrayObject shortBox;
  shortBox.AddInteger(1);
  EXPECT_THROW(kv::RectFromArray(shortBox), kv::EUnexpectedObjectError);
  EXPECT_THROW(kv::NumberValue(nullptr), kv::EUnexpectedObjectError);
  kv::TkvPDFStringObject text("(1)", false);
  try {
    kv::NumberValue(&text);
    FAIL();
  } catch (const kv::EUnexpectedObjectError& e) {
    EXPECT_STREQ(e.what(), "Unexpected PDF object encountered");
  }
}

TEST(FilterObjects, FiltersFromNameOrArray) {
  kv::TkvPDFNameObject lzw("/LZWDecode");
  EXPECT_EQ(kv::FiltersFromObject(&lzw), std::vector<kv::TkvDecodeFilter>{kv::ftFlateDecode});
  kv::TkvPDFArrayObject chain;
  chain.Add(std::make_unique<kv::TkvPDFNameObject>("/ASCII85Decode"));
  chain.Add(std::make_unique<kv::TkvPDFNameObject>("/FlateDecode"));
  EXPECT_EQ(kv::FiltersFromObject(&chain), (std::vector<kv::TkvDecodeFilter>{kv::ftASCII85Decode, kv::ftFlateDecode}));
  EXPECT_TRUE(kv::FiltersFromObject(nullptr).empty());

  kv::TkvPDFIntegerObject integer(1);
  try {
    kv::FiltersFromObject(&integer);
    FAIL();
  } catch (const kv::EUnexpectedFilterObject& e) {
    EXPECT_STREQ(e.what(), "Unexpected filter object, found (Integer Object)");
  }
  chain.AddInteger(3);
  EXPECT_THROW(kv::FiltersFromObject(&chain), kv::EUnexpectedFilterObject);
  kv::TkvPDFNameObject jbig("/JBIG2Decode");
  try {
    kv::FiltersFromObject(&jbig);
    FAIL();
  } catch (const kv::EUnsupportedFilterError& e) {
    EXPECT_STREQ(e.what(), "Unsupported filter (/JBIG2Decode)");
  }
}

}  // namespace
