#include "pdf/objects/kvPDFObjectUtils.h"

#include "core/kvUtils.h"

namespace kv {

std::unique_ptr<TkvPDFStringObject> MakeTextString(std::string_view text) {
  bool literal = GetACP() == 1252;
  std::string value(1, literal ? '(' : '<');
  value += literal ? std::string(text) : TextToUnicodeHex(text);
  value += literal ? ')' : '>';
  return std::make_unique<TkvPDFStringObject>(std::move(value), !literal);
}

double NumberValue(const TkvPDFObject* obj) {
  if (obj) {
    if (obj->IsInteger()) return static_cast<const TkvPDFIntegerObject*>(obj)->Value;
    if (obj->IsInt64()) return static_cast<double>(static_cast<const TkvPDFInt64Object*>(obj)->Value);
    if (obj->IsReal()) return static_cast<const TkvPDFRealObject*>(obj)->Value;
  }
  throw EUnexpectedObjectError(msg::SUnexpectedObject);
}

bool IntegerValue(const TkvPDFObject* obj, int64_t& value) {
  if (obj && obj->IsInteger()) {
    value = static_cast<const TkvPDFIntegerObject*>(obj)->Value;
    return true;
  }
  if (obj && obj->IsInt64()) {
    value = static_cast<const TkvPDFInt64Object*>(obj)->Value;
    return true;
  }
  return false;
}

TkvPDFRect RectFromArray(const TkvPDFArrayObject& array) {
  if (array.Count() < 4) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  TkvPDFRect r;
  r.Left = NumberValue(array.GetItem(0));
  r.Bottom = NumberValue(array.GetItem(1));
  r.Right = NumberValue(array.GetItem(2));
  r.Top = NumberValue(array.GetItem(3));
  return r;
}

std::unique_ptr<TkvPDFIndirectReference> ReferenceTo(const TkvPDFIndirectObject& obj) {
  return std::make_unique<TkvPDFIndirectReference>(obj.Owner, obj.ObjectNumber, obj.Generation);
}

std::vector<TkvDecodeFilter> FiltersFromObject(const TkvPDFObject* obj) {
  std::vector<TkvDecodeFilter> out;
  if (!obj) return out;
  if (obj->IsName()) {
    out.push_back(FilterFromName(static_cast<const TkvPDFNameObject*>(obj)->Value));
  } else if (obj->IsArray()) {
    for (const auto& item : static_cast<const TkvPDFArrayObject*>(obj)->Items) {
      if (!item || !item->IsName())
        throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(item.get()).c_str()));
      out.push_back(FilterFromName(static_cast<const TkvPDFNameObject*>(item.get())->Value));
    }
  } else {
    throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(obj).c_str()));
  }
  return out;
}

}  // namespace kv
