// Lenient lookups for the form units: a value of the wrong kind reads as absent. Forms are
// edited by many tools, and a malformed entry of one field must not make the whole
// document unreadable or unfillable.
#pragma once

#include <cstdint>

#include "pdf/objects/kvPDFObjects.h"

namespace kv::form {

template <class T>
T* ObjectOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return CastIfKind<T>(store.Resolve(obj));
}

inline TkvPDFDictObject* DictOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFDictObject>(store, obj);
}
inline TkvPDFArrayObject* ArrayOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFArrayObject>(store, obj);
}
inline TkvPDFNameObject* NameOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFNameObject>(store, obj);
}
inline TkvPDFStringObject* StringOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFStringObject>(store, obj);
}
inline TkvPDFStreamObject* StreamOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFStreamObject>(store, obj);
}
// An integer value (32 or 64 bits, clamped to 32), or `absent`.
inline int32_t IntegerOf(const TkvPDFObjectStore& store, TkvPDFObject* obj, int32_t absent) {
  obj = store.Resolve(obj);
  if (auto* i = CastIfKind<TkvPDFIntegerObject>(obj)) return i->Value;
  if (auto* i = CastIfKind<TkvPDFInt64Object>(obj)) {
    int64_t v = i->Value;
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
  }
  return absent;
}
// The dictionary a field or widget object holds; null for anything else.
inline TkvPDFDictObject* DictOfObject(TkvPDFIndirectObject* obj) {
  return obj ? CastIfKind<TkvPDFDictObject>(obj->Value) : nullptr;
}

}  // namespace kv::form
