// Lenient lookups for the form units: a value of the wrong kind reads as absent. Forms are
// edited by many tools, and a malformed entry of one field must not make the whole
// document unreadable or unfillable.
#pragma once

#include <cstdint>

#include "pdf/objects/kvPDFObjects.h"

namespace kv::form {

template <class T>
T* ObjectOf(const TkvPDFObjectStore& store, TkvPDFObject* obj, TkvPDFObjectType type) {
  obj = store.Resolve(obj);
  return obj && obj->ObjectType == type ? static_cast<T*>(obj) : nullptr;
}

inline TkvPDFDictObject* DictOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFDictObject>(store, obj, otDictionary);
}
inline TkvPDFArrayObject* ArrayOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFArrayObject>(store, obj, otArray);
}
inline TkvPDFNameObject* NameOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFNameObject>(store, obj, otName);
}
inline TkvPDFStringObject* StringOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFStringObject>(store, obj, otString);
}
inline TkvPDFStreamObject* StreamOf(const TkvPDFObjectStore& store, TkvPDFObject* obj) {
  return ObjectOf<TkvPDFStreamObject>(store, obj, otStream);
}
// An integer value (32 or 64 bits, clamped to 32), or `absent`.
inline int32_t IntegerOf(const TkvPDFObjectStore& store, TkvPDFObject* obj, int32_t absent) {
  obj = store.Resolve(obj);
  if (obj && obj->IsInteger()) return static_cast<TkvPDFIntegerObject*>(obj)->Value;
  if (obj && obj->IsInt64()) {
    int64_t v = static_cast<TkvPDFInt64Object*>(obj)->Value;
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
  }
  return absent;
}
// The dictionary a field or widget object holds; null for anything else.
inline TkvPDFDictObject* DictOfObject(TkvPDFIndirectObject* obj) {
  return obj && obj->Value && obj->Value->IsDictionary() ? static_cast<TkvPDFDictObject*>(obj->Value.get()) : nullptr;
}

}  // namespace kv::form
