// The extended document's form fields: reading the field list on load, the indexed read
// operations, setting values, and keeping the form in step with deleted pages.
#include "core/kvClasses.h"
#include "pdf/features/kvAcroFormConsts.h"
#include "pdf/features/kvExPDFDoc.h"
#include "pdf/features/kvFormFill.h"
#include "pdf/features/kvFormObjectUtils.h"
#include "pdf/features/kvFormPages.h"

namespace kv {

// Everything the form refers to is loaded with the document (fields, widgets, default
// resources, and entries such as /XFA that are written back unchanged), then the field
// tree is walked into the list.
void TkvExPDFDocument::ReadAcroForm(int32_t objectNumber) {
  if (!Catalog->AcroForm && objectNumber > 0 && static_cast<size_t>(objectNumber) < XRefItems.size())
    Catalog->AcroForm = std::make_unique<TkvPDFIndirectReference>(
        DocumentId(), objectNumber, static_cast<uint16_t>(XRefItems[static_cast<size_t>(objectNumber)].Generation));
  if (!Catalog->AcroForm) return;
  ResolveReferences(Catalog->AcroForm.get());
  RebuildFieldList();
}

TkvPDFDictObject* TkvExPDFDocument::FormDictionary() const {
  if (!Catalog || !Catalog->AcroForm || !ObjectStore) return nullptr;
  return form::DictOf(*ObjectStore, Catalog->AcroForm.get());
}

void TkvExPDFDocument::RebuildFieldList() {
  TkvPDFDictObject* form = FormDictionary();
  FFields = form ? ReadFormFields(*ObjectStore, *form, [this](const std::string& text) { Warning(text); }) : nullptr;
}

TkvAcroFormField& TkvExPDFDocument::CheckedField(int32_t index) const {
  if (!FFields) throw ENoAcroFields(msg::SNoAcroFields);
  if (index < 0 || index >= FFields->Count()) throw EFieldNotFound(Format(msg::SFieldNotFound, index));
  return FFields->Field(index);
}

int32_t TkvExPDFDocument::FieldCount() const { return FFields ? FFields->Count() : 0; }
std::string TkvExPDFDocument::FieldName(int32_t index) const { return CheckedField(index).Name; }
std::vector<std::string> TkvExPDFDocument::FieldOptions(int32_t index) const { return CheckedField(index).Options; }
std::string TkvExPDFDocument::FieldValue(int32_t index) const { return CheckedField(index).Value; }
TkvFieldType TkvExPDFDocument::FieldType(int32_t index) const { return CheckedField(index).FieldType; }
bool TkvExPDFDocument::FieldReadOnly(int32_t index) const { return CheckedField(index).ReadOnly; }

int32_t TkvExPDFDocument::IndexOfField(const std::string& name) const {
  return FFields ? FFields->IndexOfName(name) : -1;
}

void TkvExPDFDocument::SetFieldValue(int32_t index, const std::string& value) {
  TkvAcroFormField& field = CheckedField(index);
  TkvPDFDictObject* form = FormDictionary();
  if (!form) throw EAcroFormError(msg::SSetFieldValueError);
  TkvFormContext ctx{*ObjectStore, DocumentId(), *form, FFallbackFont};
  SetFormFieldValue(field, value, ctx);
}

// Widgets on the deleted pages leave the form (and fields left without any widget with
// them), so /Fields names nothing that is no longer in the document.
void TkvExPDFDocument::PagesDeleted(const std::vector<TkvPDFIndirectObject*>& deleted) {
  TkvPDFDictObject* form = FormDictionary();
  if (!form) return;
  std::unordered_set<int64_t> gone = PageAnnotationKeys(*ObjectStore, deleted);
  for (int64_t key : PageAnnotationKeys(*ObjectStore, Pages)) gone.erase(key);
  if (gone.empty()) return;
  PruneFieldTree(*ObjectStore, *form, gone, [this](TkvPDFObject& reference) { ReleaseObject(&reference); });
  RebuildFieldList();
}

}  // namespace kv
