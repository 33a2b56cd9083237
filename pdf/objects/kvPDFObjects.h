// The in-memory form of every PDF value: twelve object kinds under one base, the
// cross-reference entry, the store of indirect objects, and the viewer-preference,
// trailer and catalog holders. Objects serialise themselves: these rules are the one
// definition of the output syntax of objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/kvClasses.h"
#include "core/kvPDFUtils.h"
#include "pdf/objects/kvDictKeys.h"
#include "pdf/objects/kvNameText.h"
#include "pdf/objects/kvObjectPool.h"

namespace kv {

enum TkvPDFObjectType : uint8_t {
  otBoolean = 0,
  otInteger = 1,
  otInt64 = 2,
  otReal = 3,
  otString = 4,
  otName = 5,
  otArray = 6,
  otDictionary = 7,
  otStream = 8,
  otNull = 9,
  otReference = 10,
  otIndirectObject = 11
};

class TkvPDFObject;
class TkvPDFDictObject;
class TkvPDFStreamObject;
class TkvPDFIndirectReference;
using TkvPDFObjectPtr = std::unique_ptr<TkvPDFObject>;
// The elements of an array, the values of a dictionary.
using TkvPDFObjectVector = std::vector<TkvPDFObjectPtr, pool::Allocator<TkvPDFObjectPtr>>;

// What serialisation needs from the document being written: output numbers of referenced
// objects, string and stream encryption, and the output filters for stream data.
class TkvPDFWriteContext {
 public:
  virtual ~TkvPDFWriteContext() = default;
  // Output number of the object a reference designates; 0 when it is not written.
  virtual int32_t OutputNumberOf(const TkvPDFIndirectReference& ref) = 0;
  virtual bool IsEncrypting() = 0;
  virtual std::string EncryptString(const std::string& bytes, int32_t objectNumber) = 0;
  // Applies the document's output filters to a stream. Returns false when none apply
  // (the stream is written as it is); otherwise fills the filtered dictionary and data.
  virtual bool FilterStreamForOutput(const TkvPDFStreamObject& stream, std::unique_ptr<TkvPDFDictObject>& dict,
                                     std::string& data) = 0;
};

class TkvPDFObject : public TkvObject {
 public:
  explicit TkvPDFObject(TkvPDFObjectType type) : ObjectType(type) {}
  static void* operator new(std::size_t size) { return pool::Allocate(size); }
  static void operator delete(void* p, std::size_t size) noexcept { pool::Release(p, size); }
  TkvPDFObjectType ObjectType;

  virtual TkvPDFObjectPtr Clone() const = 0;
  // Appends the PDF text of this object; `n` is the output number of the indirect object
  // being written (-1 for none: strings are then never encrypted).
  virtual void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const = 0;
  std::string ToText(TkvPDFWriteContext* ctx = nullptr, int32_t n = -1) const;

  bool IsBoolean() const { return ObjectType == otBoolean; }
  bool IsInteger() const { return ObjectType == otInteger; }
  bool IsInt64() const { return ObjectType == otInt64; }
  bool IsReal() const { return ObjectType == otReal; }
  bool IsString() const { return ObjectType == otString; }
  bool IsName() const { return ObjectType == otName; }
  bool IsArray() const { return ObjectType == otArray; }
  bool IsDictionary() const { return ObjectType == otDictionary; }
  bool IsStream() const { return ObjectType == otStream; }
  bool IsNull() const { return ObjectType == otNull; }
  bool IsReference() const { return ObjectType == otReference; }
  bool IsIndirectObject() const { return ObjectType == otIndirectObject; }
};

// Display name of an object's kind, used in messages ("Integer Object").
std::string TypeName(const TkvPDFObject* obj);

// Appends what a container holds directly, in order: an array's elements, a dictionary's
// values, a stream's dictionary (absent values skipped); nothing for other kinds. The one
// walk that loading, collecting and releasing objects share.
void AppendChildren(TkvPDFObject* obj, std::vector<TkvPDFObject*>& out);

class TkvPDFBooleanObject : public TkvPDFObject {
 public:
  explicit TkvPDFBooleanObject(bool value) : TkvPDFObject(otBoolean), Value(value) {}
  bool Value;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string AsText() const { return Value ? "true" : "false"; }
};

class TkvPDFIntegerObject : public TkvPDFObject {
 public:
  explicit TkvPDFIntegerObject(int32_t value) : TkvPDFObject(otInteger), Value(value) {}
  int32_t Value;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string AsText() const { return std::to_string(Value); }
};

class TkvPDFInt64Object : public TkvPDFObject {
 public:
  explicit TkvPDFInt64Object(int64_t value) : TkvPDFObject(otInt64), Value(value) {}
  int64_t Value;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string AsText() const { return std::to_string(Value); }
};

class TkvPDFRealObject : public TkvPDFObject {
 public:
  explicit TkvPDFRealObject(double value) : TkvPDFObject(otReal), Value(value) {}
  double Value;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string AsText() const { return FloatToText(Value); }
};

// A string keeps its delimiters: "(" + bytes + ")" or "<" + hex digits as read + ">".
class TkvPDFStringObject : public TkvPDFObject {
 public:
  TkvPDFStringObject(std::string value, bool isHex) : TkvPDFObject(otString), Value(std::move(value)), IsHex(isHex) {}
  std::string Value;
  bool IsHex;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string_view InnerView() const;
  std::string InnerText() const { return std::string(InnerView()); }
  // The string's bytes: hex digits decoded, a literal's bytes as they are.
  std::string RawBytes() const;
  // Text for display, in the process code page.
  std::string DecodedText() const;
};

// A name keeps its leading "/" and any #-escapes as read.
class TkvPDFNameObject : public TkvPDFObject {
 public:
  explicit TkvPDFNameObject(std::string_view value) : TkvPDFObject(otName), Value(value) {}
  TkvNameText Value;
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  const std::string& AsText() const { return Value.str(); }
  std::string NameWithoutSlash() const { return Value.empty() ? std::string() : Value.substr(1); }
};

class TkvPDFArrayObject : public TkvPDFObject {
 public:
  TkvPDFArrayObject() : TkvPDFObject(otArray) {}
  TkvPDFObjectVector Items;

  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  void Add(TkvPDFObjectPtr obj) { Items.push_back(std::move(obj)); }
  void AddInteger(int32_t n);
  void Insert(int32_t index, TkvPDFObjectPtr obj);
  TkvPDFObject* GetItem(int32_t index) const;
  // Puts `obj` at `index` and hands back the previous element.
  TkvPDFObjectPtr SetItem(int32_t index, TkvPDFObjectPtr obj);
  void Delete(int32_t index);
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  int32_t IndexOfText(std::string_view text) const;
};

class TkvPDFDictObject : public TkvPDFObject {
 public:
  TkvPDFDictObject() : TkvPDFObject(otDictionary) {}
  TkvDictKeys Keys;           // shared name objects where possible: see kvDictKeys.h
  TkvPDFObjectVector Values;  // an entry may have no value (null pointer)

  TkvPDFObjectPtr Clone() const override;
  std::unique_ptr<TkvPDFDictObject> CloneDict() const;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;

  int32_t Count() const { return static_cast<int32_t>(Keys.size()); }
  void AddEntry(std::unique_ptr<TkvPDFNameObject> key, TkvPDFObjectPtr value);
  void AddEntry(std::string_view key, TkvPDFObjectPtr value);
  void AddObject(std::string_view key, TkvPDFObjectPtr value);
  void AddInteger(std::string_view key, int32_t n);
  void AddInt64(std::string_view key, int64_t n);
  void AddName(std::string_view key, std::string_view nameValue);
  int32_t IndexOfKey(std::string_view key) const;
  TkvPDFObject* GetValue(std::string_view key) const;
  TkvPDFNameObject* GetKeyAt(int32_t index) const;
  TkvPDFObject* GetValueAt(int32_t index) const;
  void SetValue(std::string_view key, TkvPDFObjectPtr value);
  void SetBoolean(std::string_view key, bool value);
  void SetInteger(std::string_view key, int32_t value);
  void SetName(std::string_view key, std::string_view nameValue);
  // Replaces the value at `index` and hands back the previous one.
  TkvPDFObjectPtr SetValueAt(int32_t index, TkvPDFObjectPtr value);
  void Remove(std::string_view key);
  void DeleteAt(int32_t index);
  void MergeFrom(const TkvPDFDictObject& other);
  // Takes the value out of entry `index`, leaving the entry without a value.
  TkvPDFObjectPtr TakeValueAt(int32_t index);
};

class TkvPDFStreamObject : public TkvPDFObject {
 public:
  explicit TkvPDFStreamObject(std::unique_ptr<TkvPDFDictObject> dict, std::unique_ptr<TkvMemoryStream> data = nullptr)
      : TkvPDFObject(otStream), Dictionary(std::move(dict)), Data(std::move(data)) {}
  std::unique_ptr<TkvPDFDictObject> Dictionary;
  std::unique_ptr<TkvMemoryStream> Data;

  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  std::string_view DataBytes() const { return Data ? Data->Bytes() : std::string_view(); }
};

class TkvPDFNullObject : public TkvPDFObject {
 public:
  TkvPDFNullObject() : TkvPDFObject(otNull) {}
  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
};

// A reference designates an indirect object by (owner identity, number, generation).
// The owner is the identity of the document the reference was read in, a number, so
// a copy stays meaningful after that document is gone.
class TkvPDFIndirectReference : public TkvPDFObject {
 public:
  TkvPDFIndirectReference(int32_t owner, int32_t objectNumber, uint16_t generation)
      : TkvPDFObject(otReference), Owner(owner), ObjectNumber(objectNumber), Generation(generation) {}
  int32_t Owner;
  int32_t ObjectNumber;
  uint16_t Generation;

  TkvPDFObjectPtr Clone() const override;
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  int64_t Key() const { return MakeObjectKey(Owner, ObjectNumber, Generation); }
};

class TkvPDFIndirectObject : public TkvPDFObject {
 public:
  TkvPDFIndirectObject(int32_t owner, int32_t objectNumber, uint16_t generation, TkvPDFObjectPtr value,
                       uint32_t refCount = 0)
      : TkvPDFObject(otIndirectObject),
        Owner(owner),
        ObjectNumber(objectNumber),
        Generation(generation),
        RefCount(refCount),
        Value(std::move(value)) {}
  int32_t Owner;
  int32_t ObjectNumber;
  uint16_t Generation;
  int32_t OutputNumber = 0;
  uint32_t RefCount;
  TkvPDFObjectPtr Value;

  TkvPDFObjectPtr Clone() const override;
  std::unique_ptr<TkvPDFIndirectObject> CloneIndirect() const;
  // Met as a value (a hostile file may nest "N G obj" inside an array, a dictionary or
  // another object), an indirect object writes null: writing nothing would shift array
  // positions and pair a dictionary's keys with the wrong values, so the file written
  // could not be read back.
  void Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const override;
  // The object on its own: "\r\nN 0 obj\r\n" + value + "\r\nendobj\r\n".
  void SerializeIndirect(std::string& out, TkvPDFWriteContext* ctx) const;
  int64_t Key() const { return MakeObjectKey(Owner, ObjectNumber, Generation); }
};

// ---- checked kind conversions ----
// A value read from a file may be of any kind, whatever its key promises (a /Kids that is
// a number, /Resources that is an array). Code that needs one kind converts through these,
// so another kind raises EUnexpectedObjectError ("Expected Dictionary Object, found
// Integer Object") instead of reading the object as the wrong class. The check is one
// comparison, inlined; only raising is out of line.

// The kind tag of each object class.
template <class T>
struct TkvPDFObjectKind;
template <>
struct TkvPDFObjectKind<TkvPDFBooleanObject> {
  static constexpr TkvPDFObjectType Type = otBoolean;
};
template <>
struct TkvPDFObjectKind<TkvPDFIntegerObject> {
  static constexpr TkvPDFObjectType Type = otInteger;
};
template <>
struct TkvPDFObjectKind<TkvPDFInt64Object> {
  static constexpr TkvPDFObjectType Type = otInt64;
};
template <>
struct TkvPDFObjectKind<TkvPDFRealObject> {
  static constexpr TkvPDFObjectType Type = otReal;
};
template <>
struct TkvPDFObjectKind<TkvPDFStringObject> {
  static constexpr TkvPDFObjectType Type = otString;
};
template <>
struct TkvPDFObjectKind<TkvPDFNameObject> {
  static constexpr TkvPDFObjectType Type = otName;
};
template <>
struct TkvPDFObjectKind<TkvPDFArrayObject> {
  static constexpr TkvPDFObjectType Type = otArray;
};
template <>
struct TkvPDFObjectKind<TkvPDFDictObject> {
  static constexpr TkvPDFObjectType Type = otDictionary;
};
template <>
struct TkvPDFObjectKind<TkvPDFStreamObject> {
  static constexpr TkvPDFObjectType Type = otStream;
};
template <>
struct TkvPDFObjectKind<TkvPDFNullObject> {
  static constexpr TkvPDFObjectType Type = otNull;
};
template <>
struct TkvPDFObjectKind<TkvPDFIndirectReference> {
  static constexpr TkvPDFObjectType Type = otReference;
};
template <>
struct TkvPDFObjectKind<TkvPDFIndirectObject> {
  static constexpr TkvPDFObjectType Type = otIndirectObject;
};

// Display name of a kind ("Dictionary Object").
std::string KindName(TkvPDFObjectType type);

// Raises EUnexpectedObjectError naming the kind expected and the kind found (no object
// is named as a null object).
[[noreturn]] void RaiseUnexpectedKind(TkvPDFObjectType expected, const TkvPDFObject* found);

// T* for an object pointer, const T* for a pointer to const.
template <class T, class O>
using TkvPDFCastResult = std::conditional_t<std::is_const_v<O>, const T*, T*>;

// `obj` as a T; raises for no object or another kind.
template <class T, class O>
TkvPDFCastResult<T, O> CastObject(O* obj) {
  static_assert(std::is_base_of_v<TkvPDFObject, std::remove_const_t<O>>);
  if (!obj || obj->ObjectType != TkvPDFObjectKind<T>::Type) [[unlikely]]
    RaiseUnexpectedKind(TkvPDFObjectKind<T>::Type, obj);
  return static_cast<TkvPDFCastResult<T, O>>(static_cast<TkvPDFCastResult<TkvPDFObject, O>>(obj));
}

// An optional value: no object gives nullptr, another kind raises.
template <class T, class O>
TkvPDFCastResult<T, O> CastOptional(O* obj) {
  return obj ? CastObject<T>(obj) : nullptr;
}

// `obj` as a T, or nullptr for no object or another kind; never raises. For a value that
// is ignored unless it has the kind wanted.
template <class T, class O>
TkvPDFCastResult<T, O> CastIfKind(O* obj) {
  static_assert(std::is_base_of_v<TkvPDFObject, std::remove_const_t<O>>);
  if (!obj || obj->ObjectType != TkvPDFObjectKind<T>::Type) return nullptr;
  return static_cast<TkvPDFCastResult<T, O>>(static_cast<TkvPDFCastResult<TkvPDFObject, O>>(obj));
}

template <class T, class O>
T* CastObject(const std::unique_ptr<O>& obj) {
  return CastObject<T>(obj.get());
}
template <class T, class O>
T* CastOptional(const std::unique_ptr<O>& obj) {
  return CastOptional<T>(obj.get());
}
template <class T, class O>
T* CastIfKind(const std::unique_ptr<O>& obj) {
  return CastIfKind<T>(obj.get());
}

// One cross-reference entry.
struct TkvXRefItem {
  int32_t Offset = 0;
  int32_t Generation = 0;
  char EntryType = 'f';
};

// The indirect objects of a document, in insertion order, found by key in constant time.
// The store owns its objects.
class TkvPDFObjectStore {
 public:
  TkvPDFObjectStore() = default;
  ~TkvPDFObjectStore();
  TkvPDFObjectStore(const TkvPDFObjectStore&) = delete;
  TkvPDFObjectStore& operator=(const TkvPDFObjectStore&) = delete;

  int32_t LastNumber = 0;
  TkvObjectList Objects;

  int32_t NewObjectNumber() { return ++LastNumber; }
  void Add(TkvPDFIndirectObject* obj);
  void Add(std::unique_ptr<TkvPDFIndirectObject> obj) { Add(obj.release()); }
  TkvPDFIndirectObject* Find(const TkvPDFIndirectReference* ref) const;
  TkvPDFIndirectObject* FindKey(int64_t key) const;
  int32_t IndexOf(int32_t owner, int32_t number, uint16_t generation) const;
  int32_t IndexOfKey(int64_t key) const { return Objects.IndexOfID(key); }
  TkvPDFIndirectObject* GetAt(int32_t index) const;
  int32_t Count() const { return Objects.GetCount(); }
  // Moves in the other store's objects whose key is not present; the others are destroyed.
  void Merge(TkvPDFObjectStore& other);
  // Moves in the objects of a list (as Merge does).
  void MergeList(TkvObjectList& list);
  void Clear();

  TkvPDFObject* Resolve(TkvPDFObject* obj) const;
  TkvPDFArrayObject* ResolveArray(TkvPDFObject* obj) const;
  TkvPDFDictObject* ResolveDictionary(TkvPDFObject* obj) const;
  TkvPDFObject* ResolveInteger(TkvPDFObject* obj) const;  // an integer or 64-bit integer object
  TkvPDFNameObject* ResolveName(TkvPDFObject* obj) const;
  TkvPDFStringObject* ResolveString(TkvPDFObject* obj) const;

 private:
  // Follows references and indirect objects to the value they hold (bounded: a chain of
  // references to references ends after kMaxResolveDepth steps).
  TkvPDFObject* Follow(TkvPDFObject* obj) const;
};

class TkvPDFViewerPreferences {
 public:
  TkvPDFViewerPreferences() : Entries(std::make_unique<TkvPDFDictObject>()) {}
  std::unique_ptr<TkvPDFDictObject> Entries;

  bool HideToolbar() const { return Get("/HideToolbar"); }
  bool HideMenubar() const { return Get("/HideMenubar"); }
  bool HideWindowUI() const { return Get("/HideWindowUI"); }
  bool FitWindow() const { return Get("/FitWindow"); }
  bool CenterWindow() const { return Get("/CenterWindow"); }
  bool DisplayDocTitle() const { return Get("/DisplayDocTitle"); }
  void SetHideToolbar(bool v) { Set("/HideToolbar", v); }
  void SetHideMenubar(bool v) { Set("/HideMenubar", v); }
  void SetHideWindowUI(bool v) { Set("/HideWindowUI", v); }
  void SetFitWindow(bool v) { Set("/FitWindow", v); }
  void SetCenterWindow(bool v) { Set("/CenterWindow", v); }
  void SetDisplayDocTitle(bool v) { Set("/DisplayDocTitle", v); }
  void SetEntries(std::unique_ptr<TkvPDFDictObject> entries);

  bool Get(std::string_view key) const;
  void Set(std::string_view key, bool value);
  // "<<\r\n" + the kept entries in fixed order + ">>", or empty when none is kept.
  std::string SerializeText(TkvPDFWriteContext* ctx, int32_t n) const;
};

struct TkvPDFTrailer {
  int32_t RootNumber = -1;
  TkvPDFObjectPtr Encrypt;
  std::unique_ptr<TkvPDFIndirectReference> Info;
  std::unique_ptr<TkvPDFArrayObject> ID;
};

// Catalog entries kept for writing. Replacing the viewer preferences destroys the old.
struct TkvPDFCatalog {
  TkvPDFObjectPtr Names;
  std::unique_ptr<TkvPDFViewerPreferences> ViewerPreferences = std::make_unique<TkvPDFViewerPreferences>();
  TkvPDFObjectPtr Outlines;
  TkvPDFObjectPtr OpenAction;
  TkvPDFObjectPtr AcroForm;
  TkvPDFObjectPtr Metadata;
  // Every other entry of the file's catalog (page labels, language, structure tree,
  // optional content...), with what it refers to loaded: written back as read.
  std::unique_ptr<TkvPDFDictObject> Others = std::make_unique<TkvPDFDictObject>();
};

}  // namespace kv
