#include "pdf/features/kvExPDFDoc.h"

namespace kv {

namespace {
// The name the output engine hashes, with the creation date, into the file identifier.
constexpr const char* kOutputName = "Output1.pdf";
// A /Crypt filter comes first in a stream's /Filter when the stream names its own.
bool HasCryptFilter(const TkvPDFDictObject& dict) {
  const TkvPDFObject* filter = dict.GetValue("/Filter");
  if (const auto* list = CastIfKind<TkvPDFArrayObject>(filter)) filter = list->GetItem(0);
  const auto* name = CastIfKind<TkvPDFNameObject>(filter);
  return name && name->Value == "/Crypt";
}

void DropCryptFilter(TkvPDFDictObject& dict) {
  auto* filters = CastIfKind<TkvPDFArrayObject>(dict.GetValue("/Filter"));
  auto* parms = CastIfKind<TkvPDFArrayObject>(dict.GetValue("/DecodeParms"));
  if (filters && filters->Count() > 1) {
    filters->Delete(0);
    if (parms && parms->Count() > 0) parms->Delete(0);
    return;
  }
  dict.Remove("/Filter");
  dict.Remove("/DecodeParms");
}

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
  FFields.reset();
  FFallbackFont = nullptr;
  FOutlines.reset();
  FEncryption.reset();
  FDecryptor.reset();
  FEncryptionSettings.reset();
}

void TkvExPDFDocument::ReadOutlines(TkvPDFDictObject& catalogDict) {
  FOutlines = ReadOutlineTree(*this, catalogDict.GetValue("/Outlines"));
}

// The catalog names the outline only while there is one: a tree removed since loading
// leaves no /Outlines behind.
void TkvExPDFDocument::BuildOutlines() {
  Catalog->Outlines.reset();
  if (FOutlines) WriteOutlineTree(*this, *FOutlines);
}

TkvPDFOutline* TkvExPDFDocument::CreateOutline(const std::string& title, const TkvPDFDestination* dest) {
  auto root = std::make_unique<TkvPDFOutline>(this, 0, 0, 0, nullptr);
  TkvPDFOutline* item = root->AddChild(title, dest);
  FOutlines = std::move(root);
  return item;
}

void TkvExPDFDocument::MergeOutlinesFrom(TkvCustomPDFDocument& source) {
  auto* ex = dynamic_cast<TkvExPDFDocument*>(&source);
  if (!ex || ex == this || !ex->FOutlines) return;
  std::unique_ptr<TkvPDFOutline> copy = ex->FOutlines->CloneTree(this);
  TakeOutlineObjects(*ex, *copy);
  if (!FOutlines) {
    if (copy->FirstChild()) FOutlines = std::move(copy);
  } else if (!FOutlines->FirstChild()) {
    FOutlines = std::move(copy);
  } else {
    TkvPDFOutline* last = FOutlines->FirstChild();
    while (last->Next()) last = last->Next();
    while (std::unique_ptr<TkvPDFOutline> item = copy->DetachFirstChild())
      last = FOutlines->InsertChild(last, std::move(item));
  }
}

// Copied items keep their references: what they name besides pages (actions, file
// specifications) is copied from the source's objects, once.
void TkvExPDFDocument::TakeOutlineObjects(TkvExPDFDocument& source, TkvPDFOutline& tree) {
  TkvObjectList list;
  source.CollectSkip = ObjectStore.get();
  try {
    std::vector<TkvPDFOutline*> pending{&tree};
    while (!pending.empty()) {
      TkvPDFOutline* node = pending.back();
      pending.pop_back();
      if (TkvPDFDictObject* d = node->Dictionary()) source.CollectReferences(list, d);
      for (TkvPDFOutline* child = node->FirstChild(); child; child = child->Next()) pending.push_back(child);
    }
  } catch (...) {
    source.CollectSkip = nullptr;
    for (int32_t i = 0; i < list.Count(); ++i) delete list.GetObject(i);
    throw;
  }
  source.CollectSkip = nullptr;
  ObjectStore->MergeList(list);
}

void TkvExPDFDocument::OpenEncrypted(const std::string& password) {
  FDecryptor = AuthenticateStandardSecurity(Trailer->Encrypt.get(), Trailer->ID.get(), password, *FEncryptionSettings,
                                            ReadModernFiles());
  Reader->Decryptor = FDecryptor.get();
  ReadBody();
}

bool TkvExPDFDocument::IsEncrypting() { return FEncryptionSettings && FEncryptionSettings->Enabled(); }

void TkvExPDFDocument::PrepareEncryption() {
  // 128-bit keys came with PDF 1.4: an older header names a version whose readers
  // cannot open the file.
  if (FEncryptionSettings->Level() == el128bit) RequirePDFVersion(1, 4);
  FEncryption = TkvPDFEncryption::Create(kOutputName, *FEncryptionSettings, GetCreationDate());
  // AES-128 came with PDF 1.6; AES-256 is PDF 2.0's, and an extension of 1.7 before it,
  // which readers of 1.7 files look for in the catalog.
  if (FEncryptionSettings->Level() == elAES128) RequirePDFVersion(1, 6);
  if (FEncryptionSettings->Level() == elAES256) {
    RequirePDFVersion(1, 7);
    if (PDFMajorVersion() < 2) DeclareAES256Extension(FEncryption->EffectiveRevision() >= 6 ? 8 : 3);
  }
}

void TkvExPDFDocument::DeclareAES256Extension(int32_t level) {
  TkvPDFDictObject& others = *Catalog->Others;
  TkvPDFDictObject* kept = ObjectStore->ResolveDictionary(others.GetValue("/Extensions"));
  auto extensions = kept ? kept->CloneDict() : std::make_unique<TkvPDFDictObject>();
  TkvPDFDictObject* adobe = ObjectStore->ResolveDictionary(extensions->GetValue("/ADBE"));
  TkvPDFObject* current = adobe ? ObjectStore->ResolveInteger(adobe->GetValue("/ExtensionLevel")) : nullptr;
  if (auto* number = CastIfKind<TkvPDFIntegerObject>(current); number && number->Value >= level) return;
  auto entry = std::make_unique<TkvPDFDictObject>();
  entry->AddName("/BaseVersion", "/1.7");
  entry->AddInteger("/ExtensionLevel", level);
  extensions->SetValue("/ADBE", std::move(entry));
  others.SetValue("/Extensions", std::move(extensions));
}

bool TkvExPDFDocument::FilterStreamForOutput(const TkvPDFStreamObject& stream, std::unique_ptr<TkvPDFDictObject>& dict,
                                             std::string& data) {
  const bool filtered = TkvCustomPDFDocument::FilterStreamForOutput(stream, dict, data);
  if (!IsEncrypting()) return filtered;
  if (!FEncryption) PrepareEncryption();
  const auto plain = static_cast<int64_t>(filtered ? data.size() : stream.DataBytes().size());
  const int64_t length = FEncryption->EncryptedLength(plain);
  // A stream's own crypt filter (the identity filter of a file that left the stream in the
  // clear) would keep readers from decrypting what is encrypted here: it is dropped.
  const TkvPDFDictObject* source = filtered ? dict.get() : stream.Dictionary.get();
  const bool ownCryptFilter = source && HasCryptFilter(*source);
  if (length == plain && !ownCryptFilter) return filtered;
  if (!filtered) {
    dict = stream.Dictionary ? stream.Dictionary->CloneDict() : std::make_unique<TkvPDFDictObject>();
    data.assign(stream.DataBytes());
  }
  if (ownCryptFilter) DropCryptFilter(*dict);
  if (length != plain) dict->SetValue("/Length", std::make_unique<TkvPDFInt64Object>(length));
  return true;
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
