// Dictionary keys shared between dictionaries: reading, copying and changing keys behave
// as if each dictionary held keys of its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "parser/ParserTestUtil.h"
#include "pdf/objects/kvPDFObjects.h"

namespace {

using kv::TkvDictKeys;
using kv::TkvPDFDictObject;

std::unique_ptr<TkvPDFDictObject> ReadDict(const std::string& text) {
  kvtest::TextInput in(text);
  kv::TkvPDFObjectPtr obj = in.Reader.ReadObject();
  EXPECT_TRUE(obj && obj->IsDictionary());
  return std::unique_ptr<TkvPDFDictObject>(static_cast<TkvPDFDictObject*>(obj.release()));
}

TEST(DictKeys, CommonKeysAreOneObjectAcrossDictionaries) {
  auto a = ReadDict("<< /Type /Page /Rotate 90 >>");
  auto b = ReadDict("<</Rotate 0/Type/Pages>>");
  EXPECT_EQ(a->Keys[0], b->Keys[1]);
  EXPECT_EQ(a->Keys[1], b->Keys[0]);
  EXPECT_EQ(a->Keys[0], kv::SharedName("/Type"));
  // A copy shares them too, and writes the same text.
  auto copy = a->CloneDict();
  EXPECT_EQ(copy->Keys[0], a->Keys[0]);
  EXPECT_EQ(kvtest::ToText(copy.get()), kvtest::ToText(a.get()));
}

TEST(DictKeys, LongKeysAreHeldByTheirDictionary) {
  const std::string longKey = "/" + std::string(TkvDictKeys::kMaxSharedLength, 'k');
  EXPECT_EQ(kv::SharedName(longKey), nullptr);
  EXPECT_NE(kv::SharedName(longKey.substr(0, TkvDictKeys::kMaxSharedLength)), nullptr);
  auto d = ReadDict("<< " + longKey + " 1 /Short 2 >>");
  auto copy = d->CloneDict();
  EXPECT_NE(copy->Keys[0], d->Keys[0]);  // a copy of its own
  EXPECT_EQ(copy->Keys[0]->Value, longKey);
  copy->Remove(longKey);
  EXPECT_EQ(d->IndexOfKey(longKey), 0);
  EXPECT_EQ(copy->Count(), 1);
}

TEST(DictKeys, ChangingAKeyReachesOneDictionaryOnly) {
  auto a = ReadDict("<< /Kind 1 /Other 2 >>");
  auto b = ReadDict("<< /Kind 3 >>");
  a->GetKeyAt(0)->Value = "/Changed";
  EXPECT_EQ(a->Keys[0]->Value, "/Changed");
  EXPECT_EQ(b->Keys[0]->Value, "/Kind");
  EXPECT_EQ(kv::SharedName("/Kind")->Value, "/Kind");
  EXPECT_EQ(a->IndexOfKey("/Changed"), 0);
  EXPECT_EQ(b->IndexOfKey("/Kind"), 0);
  // A changed key is copied as it is now.
  EXPECT_EQ(a->CloneDict()->Keys[0]->Value, "/Changed");
}

TEST(DictKeys, ListOperationsKeepKeysAndOwnership) {
  TkvDictKeys keys;
  keys.push_back("/A");
  keys.push_back(std::make_unique<kv::TkvPDFNameObject>("/" + std::string(100, 'b')));
  keys.push_back(std::make_unique<kv::TkvPDFNameObject>("/C"));
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[2], kv::SharedName("/C"));
  TkvDictKeys tail;
  tail.TakeTail(keys, 1);
  ASSERT_EQ(keys.size(), 1u);
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[0]->Value.size(), 101u);
  tail.erase(0);
  EXPECT_EQ(tail[0]->Value, "/C");
  TkvDictKeys moved(std::move(tail));
  EXPECT_TRUE(tail.empty());
  EXPECT_EQ(moved[0]->Value, "/C");
}

}  // namespace
