// Containers of the object model: dictionary and array editing, kinds and deep copies.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pdf/objects/kvPDFObjects.h"

namespace {

using kv::TkvPDFObjectPtr;

TkvPDFObjectPtr Int(int32_t v) { return std::make_unique<kv::TkvPDFIntegerObject>(v); }
TkvPDFObjectPtr Name(const char* v) { return std::make_unique<kv::TkvPDFNameObject>(v); }

std::string Keys(const kv::TkvPDFDictObject& d) {
  std::string out;
  for (int32_t i = 0; i < d.Count(); ++i) out += d.GetKeyAt(i)->Value;
  return out;
}

// ---- dictionaries ----

TEST(Dictionary, SetValueKeepsThePositionAndAddObjectDuplicates) {
  kv::TkvPDFDictObject d;
  d.AddInteger("/A", 1);
  d.AddInteger("/B", 2);
  d.AddInteger("/C", 3);
  d.SetValue("/A", Name("/X"));
  EXPECT_EQ(Keys(d), "/A/B/C");
  EXPECT_EQ(d.ToText(), "<<\r\n/A /X\r\n/B 2\r\n/C 3\r\n>>");
  d.SetInteger("/D", 4);  // a new key is appended
  EXPECT_EQ(Keys(d), "/A/B/C/D");

  d.AddObject("/B", Int(20));
  EXPECT_EQ(Keys(d), "/A/B/C/D/B");
  EXPECT_EQ(d.IndexOfKey("/B"), 1);  // the first of equal keys wins
  EXPECT_EQ(static_cast<kv::TkvPDFIntegerObject*>(d.GetValue("/B"))->Value, 2);
  d.Remove("/B");
  EXPECT_EQ(Keys(d), "/A/C/D/B");
  EXPECT_EQ(static_cast<kv::TkvPDFIntegerObject*>(d.GetValue("/B"))->Value, 20);
  EXPECT_EQ(d.Count(), static_cast<int32_t>(d.Values.size()));
}

TEST(Dictionary, KeysCompareExactly) {
  kv::TkvPDFDictObject d;
  d.AddName("/Type", "/Page");
  d.AddName("/Empty", "");  // an empty name value adds nothing
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(d.IndexOfKey("/type"), -1);
  EXPECT_EQ(d.IndexOfKey("Type"), -1);
  EXPECT_EQ(d.IndexOfKey("/Type "), -1);
  EXPECT_EQ(d.GetValue("/Missing"), nullptr);
  d.Remove("/Missing");
  EXPECT_EQ(d.Count(), 1);
}

TEST(Dictionary, SetValueAtHandsBackTheOldValueAndChecksTheIndex) {
  kv::TkvPDFDictObject d;
  d.AddInteger("/A", 1);
  TkvPDFObjectPtr old = d.SetValueAt(0, Int(2));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(static_cast<kv::TkvPDFIntegerObject*>(old.get())->Value, 1);
  EXPECT_EQ(d.ToText(), "<<\r\n/A 2\r\n>>");
  for (int32_t index : {1, 5, -1}) {
    try {
      d.SetValueAt(index, Int(9));
      ADD_FAILURE() << index;
    } catch (const kv::EInvalidIndex& e) {
      EXPECT_STREQ(e.what(), "Index Out Of Bounds!");
    }
  }
  EXPECT_EQ(d.ToText(), "<<\r\n/A 2\r\n>>");  // unchanged by the failures
  EXPECT_THROW(d.DeleteAt(1), kv::EInvalidIndex);
  EXPECT_THROW(d.GetKeyAt(-1), kv::EInvalidIndex);
  d.DeleteAt(0);
  EXPECT_EQ(d.Count(), 0);
}

TEST(Dictionary, MergeFromSetsClonesInOrder) {
  kv::TkvPDFDictObject target, source;
  target.AddInteger("/A", 1);
  target.AddInteger("/B", 2);
  source.AddInteger("/C", 30);
  source.AddInteger("/A", 10);
  target.MergeFrom(source);
  EXPECT_EQ(target.ToText(), "<<\r\n/A 10\r\n/B 2\r\n/C 30\r\n>>");
  static_cast<kv::TkvPDFIntegerObject*>(target.GetValue("/A"))->Value = 99;
  EXPECT_EQ(static_cast<kv::TkvPDFIntegerObject*>(source.GetValue("/A"))->Value, 10);
}

// ---- arrays ----

TEST(Array, EditingAndIndexOfText) {
  kv::TkvPDFArrayObject a;
  a.AddInteger(1);
  a.Add(std::make_unique<kv::TkvPDFRealObject>(2.5));
  a.Add(std::make_unique<kv::TkvPDFStringObject>("(s)", false));
  a.Add(Name("/N"));
  a.Add(std::make_unique<kv::TkvPDFBooleanObject>(true));
  a.Insert(0, std::make_unique<kv::TkvPDFNullObject>());
  EXPECT_EQ(a.ToText(), "[ null 1 2.5 (s) /N true ]");
  EXPECT_EQ(a.IndexOfText("1"), 1);
  EXPECT_EQ(a.IndexOfText("2.5"), 2);
  EXPECT_EQ(a.IndexOfText("(s)"), 3);
  EXPECT_EQ(a.IndexOfText("s"), -1);
  EXPECT_EQ(a.IndexOfText("/N"), 4);
  EXPECT_EQ(a.IndexOfText("N"), -1);
  EXPECT_EQ(a.IndexOfText("true"), 5);
  EXPECT_EQ(a.IndexOfText("null"), -1);  // null has no text

  TkvPDFObjectPtr old = a.SetItem(1, Int(7));
  EXPECT_EQ(static_cast<kv::TkvPDFIntegerObject*>(old.get())->Value, 1);
  a.Delete(0);
  EXPECT_EQ(a.ToText(), "[ 7 2.5 (s) /N true ]");
  EXPECT_THROW(a.GetItem(5), kv::EInvalidIndex);
  EXPECT_THROW(a.Insert(7, Int(0)), kv::EInvalidIndex);
  EXPECT_THROW(a.Delete(-1), kv::EInvalidIndex);
  EXPECT_EQ(a.Count(), 5);
}

// ---- kinds ----

TEST(Kinds, EachClassAnswersOnlyItsOwnTestAndName) {
  auto dict = std::make_unique<kv::TkvPDFDictObject>();
  TkvPDFObjectPtr objects[] = {
      std::make_unique<kv::TkvPDFBooleanObject>(true),
      Int(1),
      std::make_unique<kv::TkvPDFInt64Object>(1),
      std::make_unique<kv::TkvPDFRealObject>(1),
      std::make_unique<kv::TkvPDFStringObject>("()", false),
      Name("/N"),
      std::make_unique<kv::TkvPDFArrayObject>(),
      std::make_unique<kv::TkvPDFDictObject>(),
      std::make_unique<kv::TkvPDFStreamObject>(std::move(dict)),
      std::make_unique<kv::TkvPDFNullObject>(),
      std::make_unique<kv::TkvPDFIndirectReference>(1, 1, 0),
      std::make_unique<kv::TkvPDFIndirectObject>(1, 1, 0, nullptr),
  };
  // The 64-bit integer's display name is ours to choose; it only has to exist.
  const char* names[] = {"Boolean Object",
                         "Integer Object",
                         nullptr,
                         "Real Object",
                         "String Object",
                         "Name Object",
                         "Array Object",
                         "Dictionary Object",
                         "Stream Object",
                         "Null Object",
                         "IndirectReference Object",
                         "Indirect Object"};
  for (int kind = 0; kind < 12; ++kind) {
    const kv::TkvPDFObject& o = *objects[kind];
    EXPECT_EQ(o.ObjectType, kind);
    bool tests[] = {o.IsBoolean(), o.IsInteger(),    o.IsInt64(),  o.IsReal(), o.IsString(),    o.IsName(),
                    o.IsArray(),   o.IsDictionary(), o.IsStream(), o.IsNull(), o.IsReference(), o.IsIndirectObject()};
    for (int t = 0; t < 12; ++t) EXPECT_EQ(tests[t], t == kind) << "kind " << kind << " test " << t;
    if (names[kind]) {
      EXPECT_EQ(kv::TypeName(&o), names[kind]);
    }
  }
  EXPECT_FALSE(kv::TypeName(objects[2].get()).empty());
}

TEST(Kinds, StringAndNameTexts) {
  kv::TkvPDFStringObject lit("(a\\b)", false), hex("<4142>", true), empty("", false);
  EXPECT_EQ(lit.InnerText(), "a\\b");
  EXPECT_EQ(hex.InnerText(), "4142");
  EXPECT_EQ(empty.InnerText(), "");
  EXPECT_EQ(hex.RawBytes(), "AB");
  EXPECT_EQ(hex.DecodedText(), "AB");
  EXPECT_EQ(kv::TkvPDFNameObject("/Helv").NameWithoutSlash(), "Helv");
  EXPECT_EQ(kv::TkvPDFBooleanObject(false).AsText(), "false");
  EXPECT_EQ(kv::TkvPDFInt64Object(-5).AsText(), "-5");
}

// ---- deep copies ----

std::unique_ptr<kv::TkvPDFDictObject> SampleDict() {
  auto d = std::make_unique<kv::TkvPDFDictObject>();
  d->AddName("/Type", "/Page");
  auto box = std::make_unique<kv::TkvPDFArrayObject>();
  box->AddInteger(0);
  box->Add(std::make_unique<kv::TkvPDFStringObject>("(t)", false));
  d->AddObject("/Box", std::move(box));
  auto inner = std::make_unique<kv::TkvPDFDictObject>();
  inner->AddObject("/R", std::make_unique<kv::TkvPDFIndirectReference>(3, 4, 5));
  inner->AddObject("/Hex", std::make_unique<kv::TkvPDFStringObject>("<00>", true));
  d->AddObject("/Inner", std::move(inner));
  d->AddObject("/Empty", nullptr);
  return d;
}

TEST(Clone, DictionaryCloneIsIndependent) {
  auto source = SampleDict();
  const std::string before = source->ToText();
  TkvPDFObjectPtr copy = source->Clone();
  auto& clone = static_cast<kv::TkvPDFDictObject&>(*copy);
  EXPECT_EQ(clone.ToText(), before);

  clone.GetKeyAt(0)->Value = "/Kind";
  static_cast<kv::TkvPDFNameObject*>(clone.GetValueAt(0))->Value = "/Other";
  auto* box = static_cast<kv::TkvPDFArrayObject*>(clone.GetValue("/Box"));
  static_cast<kv::TkvPDFIntegerObject*>(box->GetItem(0))->Value = 9;
  static_cast<kv::TkvPDFStringObject*>(box->GetItem(1))->Value = "(changed)";
  box->AddInteger(1);
  auto* inner = static_cast<kv::TkvPDFDictObject*>(clone.GetValue("/Inner"));
  auto* ref = static_cast<kv::TkvPDFIndirectReference*>(inner->GetValue("/R"));
  ref->ObjectNumber = 40;
  static_cast<kv::TkvPDFStringObject*>(inner->GetValue("/Hex"))->IsHex = false;
  inner->Remove("/Hex");
  clone.SetInteger("/Empty", 1);

  EXPECT_EQ(source->ToText(), before);
  auto* srcRef = static_cast<kv::TkvPDFIndirectReference*>(
      static_cast<kv::TkvPDFDictObject*>(source->GetValue("/Inner"))->GetValue("/R"));
  EXPECT_EQ(srcRef->Owner, 3);
  EXPECT_EQ(srcRef->ObjectNumber, 4);
  EXPECT_EQ(srcRef->Generation, 5);
  EXPECT_EQ(source->GetValue("/Empty"), nullptr);
}

TEST(Clone, IndirectObjectCopiesNumbersAndClonesItsValue) {
  kv::TkvPDFIndirectObject source(2, 17, 1, SampleDict(), 3);
  source.OutputNumber = 12;
  auto clone = source.CloneIndirect();
  EXPECT_EQ(clone->Owner, 2);
  EXPECT_EQ(clone->ObjectNumber, 17);
  EXPECT_EQ(clone->Generation, 1);
  EXPECT_EQ(clone->OutputNumber, 12);
  EXPECT_EQ(clone->RefCount, 3u);
  EXPECT_EQ(clone->Key(), source.Key());
  ASSERT_NE(clone->Value.get(), source.Value.get());
  static_cast<kv::TkvPDFDictObject*>(clone->Value.get())->Remove("/Type");
  EXPECT_EQ(static_cast<kv::TkvPDFDictObject*>(source.Value.get())->IndexOfKey("/Type"), 0);
}

TEST(Clone, StreamDataSharesBytesButCopiesOnWrite) {
  auto file = std::make_shared<const std::string>("xxstream bytesyy");
  auto dict = std::make_unique<kv::TkvPDFDictObject>();
  dict->AddInteger("/Length", 12);
  kv::TkvPDFStreamObject source(std::move(dict), std::make_unique<kv::TkvMemoryStream>(file, 2, 12));
  TkvPDFObjectPtr copy = source.Clone();
  auto& clone = static_cast<kv::TkvPDFStreamObject&>(*copy);
  EXPECT_EQ(clone.DataBytes(), "stream bytes");
  EXPECT_EQ(clone.DataBytes().data(), source.DataBytes().data());  // held once

  clone.Data->SetPosition(0);
  clone.Data->WriteText("STREAM");
  clone.Dictionary->SetInteger("/Length", 99);
  EXPECT_EQ(clone.DataBytes(), "STREAM bytes");
  EXPECT_EQ(source.DataBytes(), "stream bytes");
  EXPECT_EQ(*file, "xxstream bytesyy");
  EXPECT_EQ(source.Dictionary->ToText(), "<<\r\n/Length 12\r\n>>");

  // Owned bytes are copied; a stream without data clones to an empty one.
  kv::TkvPDFStreamObject owned(std::make_unique<kv::TkvPDFDictObject>(),
                               std::make_unique<kv::TkvMemoryStream>(std::string("abc")));
  auto ownedClone = owned.Clone();
  static_cast<kv::TkvPDFStreamObject&>(*ownedClone).Data->Clear();
  EXPECT_EQ(owned.DataBytes(), "abc");
  kv::TkvPDFStreamObject empty(std::make_unique<kv::TkvPDFDictObject>());
  auto emptyClone = empty.Clone();
  ASSERT_NE(static_cast<kv::TkvPDFStreamObject&>(*emptyClone).Data, nullptr);
  EXPECT_EQ(static_cast<kv::TkvPDFStreamObject&>(*emptyClone).DataBytes(), "");
}

}  // namespace
