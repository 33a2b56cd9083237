#include "pdf/filters/kvStreamDecoder.h"

#include <vector>

#include "core/kvPDFConsts.h"
#include "core/kvPDFUtils.h"
#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvFiltersConsts.h"
#include "pdf/filters/kvPredictors.h"

namespace kv {

namespace {

// References are followed this many times in a row at most (a reference to a reference...).
constexpr int kMaxResolveSteps = 8;

const TkvPDFObject* Direct(const TkvPDFObject* obj, const TkvObjectResolver& resolve) {
  for (int i = 0; obj && obj->IsReference(); ++i) {
    if (!resolve || i == kMaxResolveSteps)
      throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(obj).c_str()));
    obj = resolve(obj);
  }
  return obj;
}

const TkvPDFDictObject* AsDict(const TkvPDFObject* obj) { return CastIfKind<TkvPDFDictObject>(obj); }

int32_t IntegerEntry(const TkvPDFDictObject* parms, std::string_view key, int32_t fallback,
                     const TkvObjectResolver& resolve) {
  const auto* v = parms ? CastIfKind<TkvPDFIntegerObject>(Direct(parms->GetValue(key), resolve)) : nullptr;
  return v ? v->Value : fallback;
}

TkvPredictorParams PredictorParams(const TkvPDFDictObject* parms, const TkvObjectResolver& resolve) {
  TkvPredictorParams p;
  p.Predictor = IntegerEntry(parms, "/Predictor", 1, resolve);
  p.Colors = IntegerEntry(parms, "/Colors", 1, resolve);
  p.BitsPerComponent = IntegerEntry(parms, "/BitsPerComponent", 8, resolve);
  p.Columns = IntegerEntry(parms, "/Columns", 1, resolve);
  return p;
}

std::string_view WithoutTrailingEol(std::string_view data) {
  while (!data.empty() && (data.back() == '\r' || data.back() == '\n')) data.remove_suffix(1);
  return data;
}

// The /Crypt filter names a crypt filter in its parameters; only the identity filter
// leaves data as it is (decryption itself happens while the file is read).
void CheckCryptFilter(const TkvPDFDictObject* parms, const TkvObjectResolver& resolve) {
  const TkvPDFObject* name = parms ? Direct(parms->GetValue("/Name"), resolve) : nullptr;
  const auto* cryptName = CastIfKind<TkvPDFNameObject>(name);
  if (name && (!cryptName || cryptName->Value != "/Identity"))
    throw EUnsupportedFilterError(Format(msg::SUnsupportedFilterNamed, "/Crypt"));
}

std::string DecodeOne(std::string_view name, std::string_view data, const TkvPDFDictObject* parms,
                      const TkvObjectResolver& resolve, int64_t maxDecodedSize) {
  if (name == "/FlateDecode")
    return UndoPredictor(codec::FlateDecode(data, maxDecodedSize), PredictorParams(parms, resolve));
  if (name == "/LZWDecode") {
    const bool early = IntegerEntry(parms, "/EarlyChange", 1, resolve) != 0;
    return UndoPredictor(codec::LZWDecode(data, early, maxDecodedSize), PredictorParams(parms, resolve));
  }
  if (name == "/ASCIIHexDecode") {
    data = WithoutTrailingEol(data);
    if (!data.empty() && data.back() == '>') data.remove_suffix(1);
    return codec::AsciiHexDecodeBody(data);
  }
  if (name == "/ASCII85Decode") return codec::Ascii85Decode(WithoutTrailingEol(data));
  if (name == "/RunLengthDecode") return codec::RunLengthDecode(data, maxDecodedSize);
  if (name == "/Crypt") {
    CheckCryptFilter(parms, resolve);
    return std::string(data);
  }
  throw EUnsupportedFilterError(Format(msg::SUnsupportedFilterNamed, std::string(name).c_str()));
}

}  // namespace

std::string DecodeStreamData(std::string_view data, const TkvPDFObject* filter, const TkvPDFObject* decodeParms,
                             const TkvObjectResolver& resolve, int64_t maxDecodedSize) {
  filter = Direct(filter, resolve);
  decodeParms = Direct(decodeParms, resolve);
  std::vector<const TkvPDFObject*> names, parms;
  if (!filter || filter->IsNull()) return std::string(data);
  if (filter->IsName()) {
    names.push_back(filter);
    parms.push_back(decodeParms);
  } else if (const auto* list = CastIfKind<TkvPDFArrayObject>(filter)) {
    const auto* parmList = CastIfKind<TkvPDFArrayObject>(decodeParms);
    if (list->Count() > kMaxFilterChain) throw EUnsupportedFilterError(Format(msg::SFiltersTooMany, list->Count()));
    for (int32_t i = 0; i < list->Count(); ++i) {
      names.push_back(Direct(list->GetItem(i), resolve));
      parms.push_back(parmList && i < parmList->Count() ? Direct(parmList->GetItem(i), resolve)
                      : list->Count() == 1              ? decodeParms
                                                        : nullptr);
    }
  } else {
    throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(filter).c_str()));
  }
  std::string current(data);
  for (size_t i = 0; i < names.size(); ++i) {
    const auto* name = CastIfKind<TkvPDFNameObject>(names[i]);
    if (!name) throw EUnexpectedFilterObject(Format(msg::SUnexpectedFilterObject, TypeName(names[i]).c_str()));
    current = DecodeOne(name->Value, current, AsDict(parms[i]), resolve, maxDecodedSize);
  }
  return current;
}

std::string DecodeStreamData(std::string_view data, const TkvPDFDictObject& dict, const TkvObjectResolver& resolve,
                             int64_t maxDecodedSize) {
  return DecodeStreamData(data, dict.GetValue("/Filter"), dict.GetValue("/DecodeParms"), resolve, maxDecodedSize);
}

}  // namespace kv
