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
  if (const auto* small = CastIfKind<TkvPDFIntegerObject>(obj)) return small->Value;
  if (const auto* large = CastIfKind<TkvPDFInt64Object>(obj)) return static_cast<double>(large->Value);
  if (const auto* real = CastIfKind<TkvPDFRealObject>(obj)) return real->Value;
  throw EUnexpectedObjectError(msg::SUnexpectedObject);
}

bool IntegerValue(const TkvPDFObject* obj, int64_t& value) {
  if (const auto* small = CastIfKind<TkvPDFIntegerObject>(obj)) {
    value = small->Value;
    return true;
  }
  if (const auto* large = CastIfKind<TkvPDFInt64Object>(obj)) {
    value = large->Value;
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
  if (const auto* name = CastIfKind<TkvPDFNameObject>(obj)) {
    out.push_back(FilterFromName(name->Value));
  } else if (const auto* list = CastIfKind<TkvPDFArrayObject>(obj)) {
    for (const auto& item : list->Items) {
      const auto* itemName = CastIfKind<TkvPDFNameObject>(item);
      if (!itemName) throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(item.get()).c_str()));
      out.push_back(FilterFromName(itemName->Value));
    }
  } else {
    throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(obj).c_str()));
  }
  return out;
}

}  // namespace kv
