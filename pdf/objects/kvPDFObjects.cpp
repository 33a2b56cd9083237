#include "pdf/objects/kvPDFObjects.h"

#include <charconv>

#include "core/kvMappedFiles.h"
#include "pdf/objects/kvPDFObjectsConsts.h"

namespace kv {

namespace {

void AppendInt(std::string& out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

template <class T, class A>
T* CheckedIndex(const std::vector<std::unique_ptr<T>, A>& v, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= v.size()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  return v[static_cast<size_t>(index)].get();
}

}  // namespace

std::string TkvPDFObject::ToText(TkvPDFWriteContext* ctx, int32_t n) const {
  std::string out;
  Serialize(out, ctx, n);
  return out;
}

std::string TypeName(const TkvPDFObject* obj) { return obj ? KindName(obj->ObjectType) : msg::SNullObject; }

std::string KindName(TkvPDFObjectType type) {
  switch (type) {
    case otBoolean:
      return msg::SBooleanObject;
    case otInteger:
      return msg::SIntegerObject;
    case otInt64:
      return msg::SInt64Object;
    case otReal:
      return msg::SRealObject;
    case otString:
      return msg::SStringObject;
    case otName:
      return msg::SNameObject;
    case otArray:
      return msg::SArrayObject;
    case otDictionary:
      return msg::SDictionaryObject;
    case otStream:
      return msg::SStreamObject;
    case otNull:
      return msg::SNullObject;
    case otReference:
      return msg::SReferenceObject;
    case otIndirectObject:
      return msg::SIndirectObject;
  }
  return msg::SNullObject;
}

void RaiseUnexpectedKind(TkvPDFObjectType expected, const TkvPDFObject* found) {
  throw EUnexpectedObjectError(Format(msg::SUnexpectedKind, KindName(expected).c_str(), TypeName(found).c_str()));
}

void AppendChildren(TkvPDFObject* obj, std::vector<TkvPDFObject*>& out) {
  if (!obj) return;
  switch (obj->ObjectType) {
    case otArray:
      for (auto& item : static_cast<TkvPDFArrayObject*>(obj)->Items)
        if (item) out.push_back(item.get());
      break;
    case otDictionary:
      for (auto& v : static_cast<TkvPDFDictObject*>(obj)->Values)
        if (v) out.push_back(v.get());
      break;
    case otStream:
      if (auto& d = static_cast<TkvPDFStreamObject*>(obj)->Dictionary) out.push_back(d.get());
      break;
    default:
      break;
  }
}

// ---- simple values ----

TkvPDFObjectPtr TkvPDFBooleanObject::Clone() const { return std::make_unique<TkvPDFBooleanObject>(Value); }
void TkvPDFBooleanObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const {
  out += Value ? "true" : "false";
}

TkvPDFObjectPtr TkvPDFIntegerObject::Clone() const { return std::make_unique<TkvPDFIntegerObject>(Value); }
void TkvPDFIntegerObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { AppendInt(out, Value); }

TkvPDFObjectPtr TkvPDFInt64Object::Clone() const { return std::make_unique<TkvPDFInt64Object>(Value); }
void TkvPDFInt64Object::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { AppendInt(out, Value); }

TkvPDFObjectPtr TkvPDFRealObject::Clone() const { return std::make_unique<TkvPDFRealObject>(Value); }
void TkvPDFRealObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { out += FloatToText(Value); }

TkvPDFObjectPtr TkvPDFNameObject::Clone() const { return std::make_unique<TkvPDFNameObject>(Value); }
void TkvPDFNameObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { out += Value; }

TkvPDFObjectPtr TkvPDFNullObject::Clone() const { return std::make_unique<TkvPDFNullObject>(); }
void TkvPDFNullObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { out += "null"; }

// ---- strings ----

TkvPDFObjectPtr TkvPDFStringObject::Clone() const { return std::make_unique<TkvPDFStringObject>(Value, IsHex); }

std::string_view TkvPDFStringObject::InnerView() const {
  if (Value.size() < 2) return {};
  return std::string_view(Value).substr(1, Value.size() - 2);
}

std::string TkvPDFStringObject::RawBytes() const { return IsHex ? HexToBytes(InnerView()) : std::string(InnerView()); }

std::string TkvPDFStringObject::DecodedText() const {
  return IsHex ? HexTextToString(InnerView()) : LiteralTextToString(InnerView());
}

void TkvPDFStringObject::Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const {
  if (ctx && n != -1 && ctx->IsEncrypting()) {
    // Encryption works on the string's bytes; a hex string is decoded first. A literal
    // text string keeps its FEFF marker bytes, so Unicode text survives encryption.
    out += '(';
    AppendEscapedLiteral(out, ctx->EncryptString(RawBytes(), n));
    out += ')';
  } else if (!IsHex) {
    out += '(';
    AppendEscapedLiteral(out, InnerView());
    out += ')';
  } else {
    out += Value;
  }
}

// ---- arrays ----

TkvPDFObjectPtr TkvPDFArrayObject::Clone() const {
  auto a = std::make_unique<TkvPDFArrayObject>();
  a->Items.reserve(Items.size());
  for (const auto& item : Items) a->Items.push_back(item ? item->Clone() : nullptr);
  return a;
}

void TkvPDFArrayObject::Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const {
  out += "[ ";
  for (const auto& item : Items) {
    if (item) item->Serialize(out, ctx, n);
    out += ' ';
  }
  out += ']';
}

void TkvPDFArrayObject::AddInteger(int32_t n) { Items.push_back(std::make_unique<TkvPDFIntegerObject>(n)); }

void TkvPDFArrayObject::Insert(int32_t index, TkvPDFObjectPtr obj) {
  if (index < 0 || index > Count()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  Items.insert(Items.begin() + index, std::move(obj));
}

TkvPDFObject* TkvPDFArrayObject::GetItem(int32_t index) const { return CheckedIndex(Items, index); }

TkvPDFObjectPtr TkvPDFArrayObject::SetItem(int32_t index, TkvPDFObjectPtr obj) {
  CheckedIndex(Items, index);
  std::swap(Items[static_cast<size_t>(index)], obj);
  return obj;
}

void TkvPDFArrayObject::Delete(int32_t index) {
  CheckedIndex(Items, index);
  Items.erase(Items.begin() + index);
}

static bool SimpleText(const TkvPDFObject* obj, std::string& text) {
  if (!obj) return false;
  switch (obj->ObjectType) {
    case otBoolean:
      text = static_cast<const TkvPDFBooleanObject*>(obj)->AsText();
      return true;
    case otInteger:
      text = static_cast<const TkvPDFIntegerObject*>(obj)->AsText();
      return true;
    case otInt64:
      text = static_cast<const TkvPDFInt64Object*>(obj)->AsText();
      return true;
    case otReal:
      text = static_cast<const TkvPDFRealObject*>(obj)->AsText();
      return true;
    case otString:
      text = static_cast<const TkvPDFStringObject*>(obj)->Value;
      return true;
    case otName:
      text = static_cast<const TkvPDFNameObject*>(obj)->Value;
      return true;
    default:
      return false;
  }
}

int32_t TkvPDFArrayObject::IndexOfText(std::string_view text) const {
  std::string t;
  for (size_t i = 0; i < Items.size(); ++i)
    if (SimpleText(Items[i].get(), t) && t == text) return static_cast<int32_t>(i);
  return -1;
}

// ---- dictionaries ----

TkvPDFObjectPtr TkvPDFDictObject::Clone() const { return CloneDict(); }

std::unique_ptr<TkvPDFDictObject> TkvPDFDictObject::CloneDict() const {
  auto d = std::make_unique<TkvPDFDictObject>();
  d->Keys.reserve(Keys.size());
  d->Values.reserve(Values.size());
  for (size_t i = 0; i < Keys.size(); ++i) {
    d->Keys.push_back_copy(Keys, i);
    d->Values.push_back(Values[i] ? Values[i]->Clone() : nullptr);
  }
  return d;
}

void TkvPDFDictObject::Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const {
  out += "<<\r\n";
  bool isPage = false;
  for (size_t i = 0; i < Keys.size(); ++i) {
    out += Keys[i]->Value;
    out += ' ';
    const TkvPDFObject* v = Values[i].get();
    // An absent value ("/Key >>" in a damaged file) is written as null: nothing would pair
    // the key with whatever entry follows it (a page always gets /Parent after its entries).
    if (v)
      v->Serialize(out, ctx, n);
    else
      out += "null";
    out += "\r\n";
    if (!isPage && v && v->IsName() && Keys[i]->Value == "/Type" &&
        static_cast<const TkvPDFNameObject*>(v)->Value == "/Page")
      isPage = true;
  }
  if (isPage) out += "/Parent 3 0 R\r\n";
  out += ">>";
}

void TkvPDFDictObject::AddEntry(std::unique_ptr<TkvPDFNameObject> key, TkvPDFObjectPtr value) {
  Values.reserve(Values.size() + 1);  // keys and values stay paired if an allocation fails
  Keys.push_back(std::move(key));
  Values.push_back(std::move(value));
}

void TkvPDFDictObject::AddEntry(std::string_view key, TkvPDFObjectPtr value) {
  Values.reserve(Values.size() + 1);
  Keys.push_back(key);
  Values.push_back(std::move(value));
}

void TkvPDFDictObject::AddObject(std::string_view key, TkvPDFObjectPtr value) { AddEntry(key, std::move(value)); }

void TkvPDFDictObject::AddInteger(std::string_view key, int32_t n) {
  AddObject(key, std::make_unique<TkvPDFIntegerObject>(n));
}

void TkvPDFDictObject::AddInt64(std::string_view key, int64_t n) {
  AddObject(key, std::make_unique<TkvPDFInt64Object>(n));
}

void TkvPDFDictObject::AddName(std::string_view key, std::string_view nameValue) {
  if (nameValue.empty()) return;
  AddObject(key, std::make_unique<TkvPDFNameObject>(std::string(nameValue)));
}

int32_t TkvPDFDictObject::IndexOfKey(std::string_view key) const {
  for (size_t i = 0; i < Keys.size(); ++i)
    if (Keys[i]->Value == key) return static_cast<int32_t>(i);
  return -1;
}

TkvPDFObject* TkvPDFDictObject::GetValue(std::string_view key) const {
  int32_t i = IndexOfKey(key);
  return i < 0 ? nullptr : Values[static_cast<size_t>(i)].get();
}

TkvPDFNameObject* TkvPDFDictObject::GetKeyAt(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= Keys.size()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  // The caller may change the key it is given: a shared key becomes this dictionary's own.
  return const_cast<TkvDictKeys&>(Keys).Mutable(static_cast<size_t>(index));
}
TkvPDFObject* TkvPDFDictObject::GetValueAt(int32_t index) const { return CheckedIndex(Values, index); }

void TkvPDFDictObject::SetValue(std::string_view key, TkvPDFObjectPtr value) {
  int32_t i = IndexOfKey(key);
  if (i >= 0)
    Values[static_cast<size_t>(i)] = std::move(value);
  else
    AddObject(key, std::move(value));
}

void TkvPDFDictObject::SetBoolean(std::string_view key, bool value) {
  SetValue(key, std::make_unique<TkvPDFBooleanObject>(value));
}

void TkvPDFDictObject::SetInteger(std::string_view key, int32_t value) {
  SetValue(key, std::make_unique<TkvPDFIntegerObject>(value));
}

void TkvPDFDictObject::SetName(std::string_view key, std::string_view nameValue) {
  SetValue(key, std::make_unique<TkvPDFNameObject>(std::string(nameValue)));
}

TkvPDFObjectPtr TkvPDFDictObject::SetValueAt(int32_t index, TkvPDFObjectPtr value) {
  if (index < 0 || index >= Count()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  std::swap(Values[static_cast<size_t>(index)], value);
  return value;
}

TkvPDFObjectPtr TkvPDFDictObject::TakeValueAt(int32_t index) {
  if (index < 0 || index >= Count()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  return std::move(Values[static_cast<size_t>(index)]);
}

void TkvPDFDictObject::Remove(std::string_view key) {
  int32_t i = IndexOfKey(key);
  if (i >= 0) DeleteAt(i);
}

void TkvPDFDictObject::DeleteAt(int32_t index) {
  if (index < 0 || index >= Count()) throw EInvalidIndex(msg::SIndexOutOfBounds);
  Keys.erase(static_cast<size_t>(index));
  Values.erase(Values.begin() + index);
}

void TkvPDFDictObject::MergeFrom(const TkvPDFDictObject& other) {
  for (size_t i = 0; i < other.Keys.size(); ++i)
    SetValue(other.Keys[i]->Value, other.Values[i] ? other.Values[i]->Clone() : nullptr);
}

// ---- streams ----

TkvPDFObjectPtr TkvPDFStreamObject::Clone() const {
  return std::make_unique<TkvPDFStreamObject>(Dictionary ? Dictionary->CloneDict() : nullptr,
                                              Data ? Data->CloneBytes() : std::make_unique<TkvMemoryStream>());
}

void TkvPDFStreamObject::Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t n) const {
  std::unique_ptr<TkvPDFDictObject> filteredDict;
  std::string filteredData;
  const TkvPDFDictObject* dict = Dictionary.get();
  std::string_view data = DataBytes();
  if (ctx && ctx->FilterStreamForOutput(*this, filteredDict, filteredData)) {
    dict = filteredDict.get();
    data = filteredData;
  }
  if (dict) dict->Serialize(out, ctx, n);
  out += "\r\nstream\r\n";
  if (ctx && n != -1 && ctx->IsEncrypting())
    out += ctx->EncryptString(std::string(data), n);
  else
    out.append(data);
  out += "\r\nendstream";
  // Data viewed in a mapped input has been copied out: its pages need not stay in memory.
  if (Data && data.data() == Data->Memory()) DropMappedPages(data);
}

// ---- references and indirect objects ----

TkvPDFObjectPtr TkvPDFIndirectReference::Clone() const {
  return std::make_unique<TkvPDFIndirectReference>(Owner, ObjectNumber, Generation);
}

void TkvPDFIndirectReference::Serialize(std::string& out, TkvPDFWriteContext* ctx, int32_t) const {
  int32_t number = ctx ? ctx->OutputNumberOf(*this) : 0;
  if (number != 0) {
    AppendInt(out, number);
    out += " 0 R";
  } else {
    out += "null";
  }
}

TkvPDFObjectPtr TkvPDFIndirectObject::Clone() const { return CloneIndirect(); }

std::unique_ptr<TkvPDFIndirectObject> TkvPDFIndirectObject::CloneIndirect() const {
  auto o = std::make_unique<TkvPDFIndirectObject>(Owner, ObjectNumber, Generation, Value ? Value->Clone() : nullptr,
                                                  RefCount);
  o->OutputNumber = OutputNumber;
  return o;
}

void TkvPDFIndirectObject::Serialize(std::string& out, TkvPDFWriteContext*, int32_t) const { out += "null"; }

void TkvPDFIndirectObject::SerializeIndirect(std::string& out, TkvPDFWriteContext* ctx) const {
  out += "\r\n";
  AppendInt(out, OutputNumber);
  out += " 0 obj\r\n";
  // An object without a value ("5 0 obj ]" in a damaged file) is written as null: an
  // empty body would not read back.
  if (Value)
    Value->Serialize(out, ctx, OutputNumber);
  else
    out += "null";
  out += "\r\nendobj\r\n";
}

}  // namespace kv
