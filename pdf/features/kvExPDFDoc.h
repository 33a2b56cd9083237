// The extended document: outlines, forms and encryption on top of the document engine,
// by overriding its virtual operations.
#pragma once

#include <memory>

#include "pdf/document/kvCstPDFDoc.h"

namespace kv {

class TkvExPDFDocument : public TkvCustomPDFDocument {
public:
  explicit TkvExPDFDocument(TkvComponent* owner = nullptr);
  ~TkvExPDFDocument() override;

protected:
  void FreeDocumentData() override;
  void InitDocumentData() override;
  void ReadOutlines(TkvPDFDictObject& catalogDict) override;
  void ReadAcroForm(int32_t objectNumber) override;
  std::unique_ptr<TkvCustomPDFDocument> CreateTemporaryDocument() override;
};

}  // namespace kv
