#include "pdf/features/kvResourceMerge.h"

#include "pdf/features/kvFormObjectUtils.h"

namespace kv {

using namespace form;

TkvPDFDictObject& MergeResources(const TkvPDFObjectStore& store, const TkvPDFDictObject& source,
                                 TkvPDFDictObject& target) {
  for (const char* category : kResourceCategories) {
    TkvPDFObject* from = source.GetValue(category);
    if (!from) continue;
    TkvPDFObject* into = target.GetValue(category);
    if (!into) {
      target.AddObject(category, from->Clone());
      continue;
    }
    if (TkvPDFArrayObject* fromArray = ArrayOf(store, from)) {
      TkvPDFArrayObject* intoArray = ArrayOf(store, into);
      if (!intoArray) continue;
      for (const auto& item : fromArray->Items)
        if (item && intoArray->IndexOfText(item->ToText()) < 0) intoArray->Add(item->Clone());
      continue;
    }
    TkvPDFDictObject* fromDict = DictOf(store, from);
    TkvPDFDictObject* intoDict = DictOf(store, into);
    if (!fromDict || !intoDict || fromDict == intoDict) continue;
    for (int32_t i = 0; i < fromDict->Count(); ++i) {
      const std::string& key = fromDict->GetKeyAt(i)->Value;
      TkvPDFObject* value = fromDict->GetValueAt(i);
      if (value && intoDict->IndexOfKey(key) < 0) intoDict->AddObject(key, value->Clone());
    }
  }
  return target;
}

}  // namespace kv
