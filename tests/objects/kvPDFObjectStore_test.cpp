// The object store: keys, lookups, merging and the Resolve family.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/objects/kvPDFObjects.h"

namespace {

using kv::TkvPDFObjectPtr;

TkvPDFObjectPtr Int(int32_t v) { return std::make_unique<kv::TkvPDFIntegerObject>(v); }
kv::TkvPDFIndirectReference Ref(int32_t owner, int32_t number, uint16_t gen = 0) { return {owner, number, gen}; }

// An indirect object that reports its destruction.
class CountedObject : public kv::TkvPDFIndirectObject {
 public:
  CountedObject(int32_t owner, int32_t number, int* destroyed)
      : TkvPDFIndirectObject(owner, number, 0, std::make_unique<kv::TkvPDFIntegerObject>(number)),
        destroyed_(destroyed) {}
  ~CountedObject() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(ObjectStore, AddFindAndIndexOf) {
  kv::TkvPDFObjectStore store;
  EXPECT_EQ(store.NewObjectNumber(), 1);
  EXPECT_EQ(store.NewObjectNumber(), 2);
  store.Add(std::make_unique<kv::TkvPDFIndirectObject>(1, 12, 0, Int(112)));
  store.Add(std::make_unique<kv::TkvPDFIndirectObject>(11, 2, 0, Int(1102)));
  store.Add(std::make_unique<kv::TkvPDFIndirectObject>(1, 12, 1, Int(1121)));
  ASSERT_EQ(store.Count(), 3);

  // Owner 1 / number 12 and owner 11 / number 2 once shared a key; now each finds its own.
  auto r1 = Ref(1, 12);
  auto r2 = Ref(11, 2);
  auto r3 = Ref(1, 12, 1);
  EXPECT_EQ(store.Find(&r1), store.GetAt(0));
  EXPECT_EQ(store.Find(&r2), store.GetAt(1));
  EXPECT_EQ(store.Find(&r3), store.GetAt(2));
  auto missing = Ref(1, 13);
  EXPECT_EQ(store.Find(&missing), nullptr);
  EXPECT_EQ(store.Find(nullptr), nullptr);
  EXPECT_EQ(store.IndexOf(11, 2, 0), 1);
  EXPECT_EQ(store.IndexOf(2, 11, 0), -1);
  EXPECT_EQ(store.IndexOfKey(kv::MakeObjectKey(1, 12, 1)), 2);
  EXPECT_EQ(store.IndexOf(1, -5, 0), -1);  // no key, nothing found
  EXPECT_EQ(kv::ReferenceTo(*store.GetAt(1))->Key(), r2.Key());
}

TEST(ObjectStore, AddWithoutAnObjectFails) {
  kv::TkvPDFObjectStore store;
  try {
    store.Add(static_cast<kv::TkvPDFIndirectObject*>(nullptr));
    FAIL();
  } catch (const kv::ENullObjectError& e) {
    EXPECT_STREQ(e.what(), "Expected PDF null object");
  }
  EXPECT_EQ(store.Count(), 0);
}

TEST(ObjectStore, ObjectWithoutAKeyIsRefusedAndFreed) {
  kv::TkvPDFObjectStore store;
  int destroyed = 0;
  EXPECT_THROW(store.Add(new CountedObject(1, kv::kMaxObjectNumber + 1, &destroyed)), kv::EInvalidID);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(store.Count(), 0);
}

TEST(ObjectStore, MergeKeepsFirstAndDestroysDuplicates) {
  int destroyed = 0;
  kv::TkvPDFObjectStore store, other;
  store.Add(new CountedObject(0, 2, &destroyed));
  store.Add(new CountedObject(0, 3, &destroyed));
  auto* mine2 = store.GetAt(0);
  auto* theirs1 = new CountedObject(0, 1, &destroyed);
  other.Add(theirs1);
  other.Add(new CountedObject(0, 2, &destroyed));

  store.Merge(other);
  EXPECT_EQ(destroyed, 1);  // the other store's object 2
  EXPECT_EQ(other.Count(), 0);
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.GetAt(0), mine2);
  EXPECT_EQ(store.GetAt(1)->ObjectNumber, 3);
  EXPECT_EQ(store.GetAt(2), theirs1);
  EXPECT_EQ(store.IndexOf(0, 1, 0), 2);

  store.Merge(store);  // merging a store into itself changes nothing
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(store.Count(), 3);
}

TEST(ObjectStore, DestroyingTheStoreDestroysItsObjects) {
  int destroyed = 0;
  {
    kv::TkvPDFObjectStore store;
    for (int i = 1; i <= 5; ++i) store.Add(new CountedObject(7, i, &destroyed));
  }
  EXPECT_EQ(destroyed, 5);
}

// ---- Resolve family ----

class Resolving : public ::testing::Test {
 protected:
  void SetUp() override {
    auto dict = std::make_unique<kv::TkvPDFDictObject>();
    dict->AddInteger("/N", 1);
    Put(1, std::move(dict));
    Put(2, std::make_unique<kv::TkvPDFNullObject>());
    Put(3, std::make_unique<kv::TkvPDFIndirectReference>(0, 1, 0));  // a reference to a reference
    Put(4, std::make_unique<kv::TkvPDFIndirectReference>(0, 5, 0));  // a cycle 4 -> 5 -> 4
    Put(5, std::make_unique<kv::TkvPDFIndirectReference>(0, 4, 0));
    Put(6, std::make_unique<kv::TkvPDFArrayObject>());
    Put(7, std::make_unique<kv::TkvPDFInt64Object>(1LL << 40));
    Put(8, std::make_unique<kv::TkvPDFNameObject>("/N"));
    Put(9, std::make_unique<kv::TkvPDFStringObject>("(s)", false));
    Put(10, nullptr);
  }
  void Put(int32_t number, TkvPDFObjectPtr value) {
    store.Add(std::make_unique<kv::TkvPDFIndirectObject>(0, number, 0, std::move(value)));
  }
  kv::TkvPDFIndirectReference R(int32_t number) { return Ref(0, number); }
  static void ExpectUnexpected(const std::function<void()>& f) {
    try {
      f();
      ADD_FAILURE() << "no exception";
    } catch (const kv::EUnexpectedObjectError& e) {
      EXPECT_STREQ(e.what(), "Unexpected PDF object encountered");
    }
  }

  kv::TkvPDFObjectStore store;
};

TEST_F(Resolving, ResolveFollowsReferencesAndIndirectObjects) {
  auto r1 = R(1), r3 = R(3), r4 = R(4), r10 = R(10), r99 = R(99);
  kv::TkvPDFObject* dict = store.GetAt(0)->Value.get();
  EXPECT_EQ(store.Resolve(nullptr), nullptr);
  EXPECT_EQ(store.Resolve(&r1), dict);
  EXPECT_EQ(store.Resolve(&r3), dict);
  EXPECT_EQ(store.Resolve(store.GetAt(0)), dict);
  EXPECT_EQ(store.Resolve(dict), dict);
  EXPECT_EQ(store.Resolve(&r99), nullptr);
  EXPECT_EQ(store.Resolve(&r10), nullptr);
  EXPECT_EQ(store.Resolve(&r4), nullptr);  // a cycle ends, without hanging
}

TEST_F(Resolving, KindsThatFit) {
  auto r2 = R(2), r3 = R(3), r6 = R(6), r7 = R(7), r8 = R(8), r9 = R(9), r99 = R(99);
  EXPECT_EQ(store.ResolveDictionary(&r3), store.GetAt(0)->Value.get());
  EXPECT_EQ(store.ResolveArray(&r6), store.GetAt(5)->Value.get());
  EXPECT_EQ(store.ResolveArray(&r2), nullptr);  // a null object gives none
  kv::TkvPDFNullObject null;
  EXPECT_EQ(store.ResolveArray(&null), nullptr);
  EXPECT_EQ(store.ResolveInteger(&r7), store.GetAt(6)->Value.get());
  kv::TkvPDFIntegerObject direct(5);
  EXPECT_EQ(store.ResolveInteger(&direct), &direct);
  EXPECT_EQ(store.ResolveName(&r8)->Value, "/N");
  EXPECT_EQ(store.ResolveString(&r9)->Value, "(s)");
  // A reference whose target is missing, and no object at all, give none.
  EXPECT_EQ(store.ResolveArray(&r99), nullptr);
  EXPECT_EQ(store.ResolveDictionary(&r99), nullptr);
  EXPECT_EQ(store.ResolveInteger(&r99), nullptr);
  EXPECT_EQ(store.ResolveName(&r99), nullptr);
  EXPECT_EQ(store.ResolveString(&r99), nullptr);
  EXPECT_EQ(store.ResolveDictionary(nullptr), nullptr);
}

TEST_F(Resolving, KindsThatDoNotFitFail) {
  auto r1 = R(1), r2 = R(2), r6 = R(6), r9 = R(9);
  kv::TkvPDFIntegerObject integer(3);
  ExpectUnexpected([&] { store.ResolveDictionary(&integer); });
  ExpectUnexpected([&] { store.ResolveDictionary(&r6); });
  ExpectUnexpected([&] { store.ResolveDictionary(&r2); });  // only arrays take null as none
  ExpectUnexpected([&] { store.ResolveArray(&r1); });
  ExpectUnexpected([&] { store.ResolveInteger(&r9); });
  ExpectUnexpected([&] { store.ResolveName(&r9); });
  ExpectUnexpected([&] { store.ResolveString(&integer); });
  kv::TkvPDFRealObject real(1.5);
  ExpectUnexpected([&] { store.ResolveInteger(&real); });
}

}  // namespace
