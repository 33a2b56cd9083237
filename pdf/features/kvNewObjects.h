// New indirect objects that features add to a document: markings, their resources and
// thumbnails.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

// Adds `value` to the document's store as a new object of the document, counted with
// `users` users, and returns a reference to it.
inline std::unique_ptr<TkvPDFIndirectReference> StoreNewObject(TkvCustomPDFDocument& doc, TkvPDFObjectPtr value,
                                                               uint32_t users = 1) {
  auto obj = std::make_unique<TkvPDFIndirectObject>(doc.DocumentId(), doc.ObjectStore->NewObjectNumber(), 0,
                                                    std::move(value), users);
  auto ref = ReferenceTo(*obj);
  doc.ObjectStore->Add(std::move(obj));
  return ref;
}

// A stream of `data` whose dictionary holds /Length only.
inline std::unique_ptr<TkvPDFStreamObject> PlainStream(std::string data) {
  auto dict = std::make_unique<TkvPDFDictObject>();
  dict->AddInt64("/Length", static_cast<int64_t>(data.size()));
  return std::make_unique<TkvPDFStreamObject>(std::move(dict), std::make_unique<TkvMemoryStream>(std::move(data)));
}

}  // namespace kv
