// Checked kind conversions: the kind asked for comes back as its class, any other kind
// (or no object) raises naming both kinds, and the non-raising forms give nullptr.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/objects/kvPDFObjects.h"

namespace {

using kv::TkvPDFObjectPtr;

// One object of every kind, in the order of the kind tags.
std::vector<TkvPDFObjectPtr> OneOfEachKind() {
  std::vector<TkvPDFObjectPtr> v;
  v.push_back(std::make_unique<kv::TkvPDFBooleanObject>(true));
  v.push_back(std::make_unique<kv::TkvPDFIntegerObject>(7));
  v.push_back(std::make_unique<kv::TkvPDFInt64Object>(int64_t{1} << 40));
  v.push_back(std::make_unique<kv::TkvPDFRealObject>(1.5));
  v.push_back(std::make_unique<kv::TkvPDFStringObject>("(a)", false));
  v.push_back(std::make_unique<kv::TkvPDFNameObject>("/N"));
  v.push_back(std::make_unique<kv::TkvPDFArrayObject>());
  v.push_back(std::make_unique<kv::TkvPDFDictObject>());
  v.push_back(std::make_unique<kv::TkvPDFStreamObject>(std::make_unique<kv::TkvPDFDictObject>()));
  v.push_back(std::make_unique<kv::TkvPDFNullObject>());
  v.push_back(std::make_unique<kv::TkvPDFIndirectReference>(1, 2, 0));
  v.push_back(std::make_unique<kv::TkvPDFIndirectObject>(1, 2, 0, nullptr));
  return v;
}

// Every kind cast to T: only the object of T's kind converts, to the same address.
template <class T>
void ExpectOnlyOwnKindConverts() {
  auto objects = OneOfEachKind();
  for (auto& obj : objects) {
    bool own = obj->ObjectType == kv::TkvPDFObjectKind<T>::Type;
    SCOPED_TRACE(kv::TypeName(obj.get()));
    const kv::TkvPDFObject* constObj = obj.get();
    if (own) {
      EXPECT_EQ(kv::CastObject<T>(obj.get()), obj.get());
      EXPECT_EQ(kv::CastObject<T>(constObj), constObj);
      EXPECT_EQ(kv::CastOptional<T>(obj), obj.get());
      EXPECT_EQ(kv::CastIfKind<T>(constObj), constObj);
    } else {
      EXPECT_THROW(kv::CastObject<T>(obj.get()), kv::EUnexpectedObjectError);
      EXPECT_THROW(kv::CastOptional<T>(constObj), kv::EUnexpectedObjectError);
      EXPECT_EQ(kv::CastIfKind<T>(obj), nullptr);
    }
  }
}

TEST(CheckedCast, EachClassAcceptsOnlyItsOwnKind) {
  ExpectOnlyOwnKindConverts<kv::TkvPDFBooleanObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFIntegerObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFInt64Object>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFRealObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFStringObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFNameObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFArrayObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFDictObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFStreamObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFNullObject>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFIndirectReference>();
  ExpectOnlyOwnKindConverts<kv::TkvPDFIndirectObject>();
}

std::string MessageOf(void (*f)()) {
  try {
    f();
  } catch (const kv::EUnexpectedObjectError& e) {
    return e.what();
  }
  return "no error";
}

TEST(CheckedCast, MessageNamesTheExpectedAndTheFoundKind) {
  EXPECT_EQ(MessageOf([] {
              kv::TkvPDFIntegerObject kids(3);
              kv::CastObject<kv::TkvPDFArrayObject>(&kids);
            }),
            "Expected Array Object, found Integer Object");
  EXPECT_EQ(MessageOf([] {
              kv::TkvPDFArrayObject resources;
              kv::CastOptional<kv::TkvPDFDictObject>(&resources);
            }),
            "Expected Dictionary Object, found Array Object");
  EXPECT_EQ(MessageOf([] { kv::CastObject<kv::TkvPDFStreamObject>(static_cast<kv::TkvPDFObject*>(nullptr)); }),
            "Expected Stream Object, found Null Object");
  EXPECT_EQ(MessageOf([] {
              kv::TkvPDFIndirectReference ref(1, 4, 0);
              kv::CastObject<kv::TkvPDFNameObject>(&ref);
            }),
            "Expected Name Object, found IndirectReference Object");
}

TEST(CheckedCast, NoObjectIsAnErrorOnlyWhereAValueIsRequired) {
  kv::TkvPDFObject* none = nullptr;
  EXPECT_THROW(kv::CastObject<kv::TkvPDFDictObject>(none), kv::EUnexpectedObjectError);
  EXPECT_EQ(kv::CastOptional<kv::TkvPDFDictObject>(none), nullptr);
  EXPECT_EQ(kv::CastIfKind<kv::TkvPDFDictObject>(none), nullptr);
  // The error is also the library's general PDF error, so callers that catch that see it.
  EXPECT_THROW(kv::CastObject<kv::TkvPDFDictObject>(none), kv::EPDFException);
}

}  // namespace
