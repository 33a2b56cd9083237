#include "pdf/features/kvExPDFDoc.h"

namespace kv {

namespace {
// The name the output engine hashes, with the creation date, into the file identifier.
constexpr const char* kOutputName = "Output1.pdf";
}  // namespace

TkvExPDFDocument::TkvExPDFDocument(TkvComponent* owner) : TkvCustomPDFDocument(owner) {
  // The base constructor ran the base initialisation; add ours.
  TkvExPDFDocument::InitDocumentData();
}

TkvExPDFDocument::~TkvExPDFDocument() { TkvExPDFDocument::FreeDocumentData(); }

void TkvExPDFDocument::InitDocumentData() {
  if (!ObjectStore) TkvCustomPDFDocument::InitDocumentData();
  FSaveStateStream = FRestoreStateStream = -1;
  FEncryptionSettings = std::make_unique<TkvPDFEncryptionSettings>();
  FEncryptionSettings->SetEnabled(false);
  FEncryptionSettings->SetLevel(el40bit);
  FEncryptionSettings->SetOwnerPassword("");
  FEncryptionSettings->SetUserPassword("");
}

void TkvExPDFDocument::FreeDocumentData() {
  TkvCustomPDFDocument::FreeDocumentData();
  FEncryption.reset();
  FDecryptor.reset();
  FEncryptionSettings.reset();
}

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

void TkvExPDFDocument::OpenEncrypted(const std::string& password) {
  FDecryptor = AuthenticateStandardSecurity(Trailer->Encrypt.get(), Trailer->ID.get(), password,
                                            *FEncryptionSettings);
  Reader->Decryptor = FDecryptor.get();
  ReadBody();
}

bool TkvExPDFDocument::IsEncrypting() { return FEncryptionSettings && FEncryptionSettings->Enabled(); }

void TkvExPDFDocument::PrepareEncryption() {
  FEncryption = TkvPDFEncryption::Create(kOutputName, *FEncryptionSettings, GetCreationDate());
}

std::string TkvExPDFDocument::EncryptString(const std::string& text, int32_t objectNumber) {
  if (!FEncryption) PrepareEncryption();
  return FEncryption->EncryptString(text, objectNumber);
}

std::unique_ptr<TkvPDFDictObject> TkvExPDFDocument::BuildEncryptionDictionary() {
  if (!FEncryption) PrepareEncryption();
  Trailer->ID = BuildFileIDArray(*FEncryption);
  return ::kv::BuildEncryptionDictionary(*FEncryption);
}

// Pages from a file opened with its user password only stay protected as its owner
// wanted: they must not leave that protection by being moved into another document.
void TkvExPDFDocument::PagesTakenFrom(TkvCustomPDFDocument& giver) {
  auto* ex = dynamic_cast<TkvExPDFDocument*>(&giver);
  if (!ex || !ex->FEncryptionSettings || ex->FEncryptionSettings->CanChange()) return;
  if (FEncryptionSettings->CanChange()) FEncryptionSettings->Assign(*ex->FEncryptionSettings);
}

std::unique_ptr<TkvCustomPDFDocument> TkvExPDFDocument::CreateTemporaryDocument() {
  return std::make_unique<TkvExPDFDocument>(this);
}

}  // namespace kv
