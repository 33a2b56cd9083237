// The document class hosts use.
#pragma once

#include "pdf/features/kvExPDFDoc.h"

namespace kv {

class TkvPDFDocument : public TkvExPDFDocument {
 public:
  using TkvExPDFDocument::TkvExPDFDocument;

 protected:
  std::unique_ptr<TkvCustomPDFDocument> CreateTemporaryDocument() override {
    return std::make_unique<TkvPDFDocument>(this);
  }
};

}  // namespace kv
