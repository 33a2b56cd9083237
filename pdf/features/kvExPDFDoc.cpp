#include "pdf/features/kvExPDFDoc.h"

namespace kv {

TkvExPDFDocument::TkvExPDFDocument(TkvComponent* owner) : TkvCustomPDFDocument(owner) {
  // The base constructor ran the base initialisation; add ours.
  TkvExPDFDocument::InitDocumentData();
}

TkvExPDFDocument::~TkvExPDFDocument() { TkvExPDFDocument::FreeDocumentData(); }

void TkvExPDFDocument::InitDocumentData() {
  if (!ObjectStore) TkvCustomPDFDocument::InitDocumentData();
}

void TkvExPDFDocument::FreeDocumentData() { TkvCustomPDFDocument::FreeDocumentData(); }

// The outline tree is kept as the file has it: every item and its destination is read,
// so bookmarks survive a rewrite.
void TkvExPDFDocument::ReadOutlines(TkvPDFDictObject& catalogDict) {
  TkvPDFObject* outlines = catalogDict.GetValue("/Outlines");
  if (!outlines) return;
  ResolveReferences(outlines);
  Catalog->Outlines = outlines->Clone();
}

// The form is kept as the file has it: fields, widgets and default resources.
void TkvExPDFDocument::ReadAcroForm(int32_t) {
  if (Catalog->AcroForm) ResolveReferences(Catalog->AcroForm.get());
}

std::unique_ptr<TkvCustomPDFDocument> TkvExPDFDocument::CreateTemporaryDocument() {
  return std::make_unique<TkvExPDFDocument>(this);
}

}  // namespace kv
