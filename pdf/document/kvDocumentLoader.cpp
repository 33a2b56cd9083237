// Loading: the file's structure, the catalog, the page tree with inherited attributes,
// and every object a page, an annotation, a destination or a kept catalog entry needs.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "core/kvMappedFiles.h"
#include "core/kvPDFConsts.h"
#include "pdf/document/kvCstPDFDoc.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/document/kvModernReading.h"
#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/parser/kvXRefStream.h"

namespace kv {

namespace {
// Page trees of real files are a few levels deep; a hostile chain of /Pages nodes must
// not exhaust the stack.
constexpr int kMaxPageTreeDepth = 256;
// Name trees are shallow too; the bound also ends a /Kids loop in a name tree.
constexpr int kMaxNameTreeDepth = 64;
// /Encrypt values are small dictionaries; references inside them are followed this deep.
constexpr int kMaxEncryptDepth = 16;
// ...and this often in all: the copy reads the target of every reference again, so a few
// objects that each refer to the next many times would otherwise grow it exponentially.
constexpr int kMaxEncryptReferences = 256;

// An inherited value is copied into every page below its node. A value larger than this
// (in objects) is moved instead into an object of its own that the pages share by
// reference: copied into each of thousands of pages, one large direct /Resources would
// let a file of a few hundred kilobytes demand gigabytes.
constexpr int64_t kMaxCopiedInheritedObjects = 64;
// A destination is a page and at most five numbers or names. Named destinations are
// copied into every link that names them, so a larger one (a hostile array of thousands
// of numbers named by thousands of links) is dropped rather than multiplied.
constexpr int64_t kMaxDestinationObjects = 32;

// A page listed again costs a walk and, once loading ends, a copy of the page. A page
// of a few thousand objects listed thousands of times (a few bytes per mention) would
// cost gigabytes; past this many objects of repeated pages in all, the tree is refused.
constexpr int64_t kMaxRepeatedPageObjects = int64_t{1} << 21;

// Objects may be read more than once (a destination, a /Length, a name tree node named
// from many places), but a file whose references make the reader parse it over and over
// (thousands of names for one large object) would take time in proportion to the product.
// Real files parse less than their size in all; past this many times the file's size
// (with a floor for small files) loading stops.
constexpr int64_t kMaxParseFactor = 8;
constexpr int64_t kMinParseBudget = int64_t{1} << 20;

// The objects in `root`: itself and every array and dictionary element at any depth.
// Counting stops at `limit` + 1.
int64_t CountObjects(const TkvPDFObject* root, int64_t limit) {
  std::vector<const TkvPDFObject*> stack{root};
  int64_t count = 0;
  while (!stack.empty()) {
    const TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    if (++count > limit) return count;
    if (const auto* array = CastIfKind<TkvPDFArrayObject>(obj)) {
      for (const auto& item : array->Items) stack.push_back(item.get());
    } else if (const auto* dict = CastIfKind<TkvPDFDictObject>(obj)) {
      for (const auto& value : dict->Values) stack.push_back(value.get());
    } else if (const auto* stream = CastIfKind<TkvPDFStreamObject>(obj)) {
      stack.push_back(stream->Dictionary.get());
    }
  }
  return count;
}

bool LargerThan(const TkvPDFObject* root, int64_t limit) { return CountObjects(root, limit) > limit; }

// The copy of an inherited value that a /Pages node hands down: the value itself when
// small, else a reference to a new object of the document holding it (counted by each
// page that takes the reference; the objects it refers to are loaded once, here).
TkvPDFObjectPtr InheritedCopy(TkvCustomPDFDocument& doc, const TkvPDFObject& value) {
  if (value.IsReference() || !LargerThan(&value, kMaxCopiedInheritedObjects)) return value.Clone();
  const int32_t number = doc.ObjectStore->NewObjectNumber();
  auto shared = std::make_unique<TkvPDFIndirectObject>(doc.DocumentId(), number, 0, value.Clone());
  TkvPDFObject* held = shared->Value.get();
  doc.ObjectStore->Add(std::move(shared));
  doc.ResolveReferences(held);
  return std::make_unique<TkvPDFIndirectReference>(doc.DocumentId(), number, 0);
}

bool HasExtension(const std::string& fileName) {
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

TkvPDFDictObject* AsDict(TkvPDFObject* obj) { return CastIfKind<TkvPDFDictObject>(obj); }

// A page met through a reference (a link to a page the tree no longer lists) loses
// /Parent and /B as the tree's pages do: it must not pull the page tree in a second
// time, nor be written with two /Parent entries.
void DetachPage(TkvPDFObject* value) {
  TkvPDFDictObject* d = AsDict(value);
  TkvPDFNameObject* type = d ? CastIfKind<TkvPDFNameObject>(d->GetValue("/Type")) : nullptr;
  if (!type || type->Value != "/Page") return;
  d->Remove("/Parent");
  d->Remove("/B");
}

const char* const kInheritedKeys[] = {"/Rotate", "/MediaBox", "/Resources", "/CropBox"};
}  // namespace

bool TkvCustomPDFDocument::LoadFromFile(const std::string& fileName) {
  if (FDocumentLoaded) Reset();
  FFileName = HasExtension(fileName) ? fileName : fileName + ".pdf";
  std::unique_ptr<TkvStream> input;
  if (FUseFileStreams)
    input = std::make_unique<TkvFileStream>(fileName, TkvFileStream::Mode::fmOpenRead);
  else
    input = MapWholeFile(fileName);
  return LoadFromOwnedInput(std::move(input));
}

bool TkvCustomPDFDocument::LoadFromMemory(TkvSharedBytes bytes, const std::string& name) {
  if (FDocumentLoaded) Reset();
  FFileName = name;
  if (!bytes) bytes = std::make_shared<const std::string>();
  size_t size = bytes->size();
  return LoadFromOwnedInput(std::make_unique<TkvMemoryStream>(std::move(bytes), 0, size));
}

bool TkvCustomPDFDocument::LoadFromStream(const TkvMemoryStream& bytes, const std::string& name) {
  if (FDocumentLoaded) Reset();
  FFileName = name;
  return LoadFromOwnedInput(bytes.CloneBytes());
}

bool TkvCustomPDFDocument::LoadFromOwnedInput(std::unique_ptr<TkvStream> input) {
  bool loaded = false;
  auto* memory = dynamic_cast<TkvMemoryStream*>(input.get());
  FInputBytes = memory ? memory->Bytes() : std::string_view();
  FObjectsSinceTrim = 0;
  try {
    loaded = LoadFromInput(*input);
  } catch (...) {
    FInputBytes = {};
    ReleaseDeferredInput();  // nothing may go on reading an input about to go
    throw;
  }
  TrimInputPages(true);
  if (FDeferredPages.empty()) FInputBytes = {};
  // Pages left to load read from the input later.
  if (!FDeferredPages.empty()) FDeferredInput = std::move(input);
  return loaded;
}

bool TkvCustomPDFDocument::LoadFromInput(TkvStream& input) {
  struct ReaderGuard {
    TkvCustomPDFDocument* doc;
    ~ReaderGuard() {
      if (!doc->FDeferredPages.empty()) return;  // pages still to be read with them
      doc->Reader.reset();
      doc->FModern.reset();
    }
  } guard{this};

  ReadStructure(input);
  if (!FEncrypted) {
    ReadBody();
  } else if (OnPassword) {
    std::string password;
    bool cont = false;
    OnPassword(this, password, cont);
    if (cont)
      OpenEncrypted(password);
    else
      Reset();
  } else {
    OpenEncrypted(std::string());
  }
  return FDocumentLoaded;
}

void TkvCustomPDFDocument::ReadStructure(TkvStream& input) {
  Reader = std::make_unique<TkvPDFStreamReader>(FDocumentId, &input);
  FBytesParsed = 0;
  FModern.reset();
  TkvXRefTable table;
  if (FReadModernFiles) {
    FModern = std::make_unique<TkvModernReading>(*this);
    FModern->ReadXRef(input, table);
  } else {
    FPDFVersion = Reader->ReadHeader();
    ReadXRefSection(*Reader, Reader->FindStartXRef(), table, [this] { Status(msg::SReadingXRef); });
  }
  XRefItems = std::move(table.Items);
  *Trailer = std::move(table.Trailer);
  ObjectStore->LastNumber = static_cast<int32_t>(XRefItems.size());
  if (table.PendingID) {
    if (table.PendingID->IsArray()) {
      Trailer->ID.reset(CastObject<TkvPDFArrayObject>(table.PendingID.release()));
    } else if (auto* ref = CastIfKind<TkvPDFIndirectReference>(table.PendingID)) {
      auto id = ReadObjectAt(ref->ObjectNumber);
      if (id && CastIfKind<TkvPDFArrayObject>(id->Value))
        Trailer->ID.reset(CastObject<TkvPDFArrayObject>(id->Value.release()));
    }
  }

  if (Trailer->Encrypt) {
    // A full copy in which every reference is replaced by the object it designates.
    int referencesLeft = kMaxEncryptReferences;
    std::function<TkvPDFObjectPtr(const TkvPDFObject*, int)> copy = [&](const TkvPDFObject* obj,
                                                                        int depth) -> TkvPDFObjectPtr {
      if (!obj) return nullptr;
      if (depth > kMaxEncryptDepth) throw EUnexpectedObjectError(msg::SUnexpectedObject);
      if (const auto* ref = CastIfKind<TkvPDFIndirectReference>(obj)) {
        if (--referencesLeft < 0) throw EUnexpectedObjectError(msg::SUnexpectedObject);
        auto target = ReadObjectAt(ref->ObjectNumber);
        if (!target) return std::make_unique<TkvPDFNullObject>();
        return copy(target->Value.get(), depth + 1);
      }
      if (const auto* array = CastIfKind<TkvPDFArrayObject>(obj)) {
        auto out = std::make_unique<TkvPDFArrayObject>();
        for (const auto& item : array->Items) out->Add(copy(item.get(), depth + 1));
        return out;
      }
      if (const auto* d = CastIfKind<TkvPDFDictObject>(obj)) {
        auto out = std::make_unique<TkvPDFDictObject>();
        for (int32_t i = 0; i < d->Count(); ++i) out->AddObject(d->Keys[i]->Value, copy(d->Values[i].get(), depth + 1));
        return out;
      }
      return obj->Clone();
    };
    Trailer->Encrypt = copy(Trailer->Encrypt.get(), 0);
    FEncrypted = true;
  } else {
    FEncrypted = false;
  }
  FDocumentLoaded = true;
}

void TkvCustomPDFDocument::ReadBody() {
  if (OnBeginRead) OnBeginRead(this);
  ReadCatalog();
  FDocumentLoaded = true;
  if (OnStatusMessage) Status(Format(msg::SDocumentReadComplete, PageCount()));
  if (OnEndRead) OnEndRead(this);
}

std::unique_ptr<TkvPDFIndirectObject> TkvCustomPDFDocument::ReadObjectAt(int32_t objectNumber, bool withStreamData) {
  if (!Reader || objectNumber <= 0) return nullptr;
  const bool listed = static_cast<size_t>(objectNumber) < XRefItems.size();
  const TkvXRefItem entry = listed ? XRefItems[static_cast<size_t>(objectNumber)] : TkvXRefItem();
  if (FModern && entry.EntryType == kXRefCompressed) {
    std::unique_ptr<TkvPDFIndirectObject> obj;
    try {
      obj = FModern->ReadCompressed(objectNumber, entry);
    } catch (const EPDFException& e) {
      if (FModern->Repair(e.what())) return ReadObjectAt(objectNumber, withStreamData);
      throw;
    }
    CheckParseBudget(objectNumber);
    return obj;
  }
  if (entry.EntryType != 'n' || entry.Offset <= 0) {
    // A rebuilt table learns the objects of object streams only when one is missing.
    if (FModern && FModern->IndexObjectStreams()) return ReadObjectAt(objectNumber, withStreamData);
    return nullptr;
  }
  Reader->Seek(entry.Offset, TkvSeekOrigin::soBeginning);
  TkvPDFObjectPtr obj;
  try {
    obj = Reader->ReadObject();
  } catch (const Exception& e) {
    // Modern files: an offset into the middle of something is damage a rebuild may mend;
    // an object that fails where its header stands is what it is.
    if (FModern && !IsObjectHeaderAt(*Reader, entry.Offset, objectNumber) && FModern->Repair(e.what()))
      return ReadObjectAt(objectNumber, withStreamData);
    throw;
  }
  FBytesParsed += Reader->Pos() - entry.Offset;
  CheckParseBudget(objectNumber);
  TrimInputPages(false);
  const auto* read = CastIfKind<TkvPDFIndirectObject>(obj);
  if (!read || read->ObjectNumber != objectNumber) {
    const std::string message = Format(msg::SObjectNotAtOffset, objectNumber);
    if (FModern && FModern->Repair(message)) return ReadObjectAt(objectNumber, withStreamData);
    throw EPDFException(message);
  }
  std::unique_ptr<TkvPDFIndirectObject> ind(CastObject<TkvPDFIndirectObject>(obj.release()));
  if (withStreamData && ind->Value && ind->Value->IsStream()) ReadStreamDataOf(*ind);
  return ind;
}

// Reading an object faults in the pages around it (the system reads ahead around a fault),
// so a mapped input would become resident as a whole while the objects parsed from it
// take memory of their own. Pages given back read again from the file when a stream's
// data is written or a deferred page loaded.
void TkvCustomPDFDocument::TrimInputPages(bool now) {
  constexpr int32_t kObjectsPerTrim = 256;
  if (FInputBytes.empty() || (!now && ++FObjectsSinceTrim < kObjectsPerTrim)) return;
  FObjectsSinceTrim = 0;
  DropMappedPages(FInputBytes);
}

void TkvCustomPDFDocument::CheckParseBudget(int32_t objectNumber) {
  // Object streams add the object syntax they decode to what the file may be read for.
  const int64_t source = Reader->Size + (FModern ? FModern->DecodedBytes() : 0);
  const int64_t budget = std::max(kMinParseBudget, kMaxParseFactor * source);
  if (FBytesParsed > budget)
    throw EPDFException(Format(msg::SObjectsReadTooOften, objectNumber, static_cast<long long>(budget)));
}

// Reads the data of a stream object just read. Only /Length is needed to read it; the
// rest of the stream dictionary is resolved by whoever stores the object, so nested
// streams never nest the reading.
void TkvCustomPDFDocument::ReadStreamDataOf(TkvPDFIndirectObject& obj) {
  auto* stream = CastObject<TkvPDFStreamObject>(obj.Value);
  int64_t pos = Reader->Pos();
  TkvPDFObject* lengthObj = stream->Dictionary ? stream->Dictionary->GetValue("/Length") : nullptr;
  if (auto* ref = CastIfKind<TkvPDFIndirectReference>(lengthObj)) {
    if (!ObjectStore->Find(ref) && ref->Owner == FDocumentId && ref->ObjectNumber != obj.ObjectNumber) {
      // Stored uncounted: the dictionary's resolution counts it. A stream is no length, so
      // its data is never read here: streams whose /Length name each other (or a long
      // chain of them) would otherwise nest stream reads until the stack runs out.
      if (auto target = ReadObjectAt(ref->ObjectNumber, false)) {
        if (target->Generation == ref->Generation && target->Value && !target->Value->IsStream())
          ObjectStore->Add(std::move(target));
      }
    }
  }
  Reader->Seek(pos, TkvSeekOrigin::soBeginning);
  TkvPDFObject* length = nullptr;
  try {
    length = ObjectStore->ResolveInteger(lengthObj);
  } catch (const EUnexpectedObjectError&) {
    if (!FModern) throw;  // modern files: a /Length that is no number is as good as none
  }
  // Modern files: without a length the data runs up to "endstream".
  int64_t n = FModern && !length ? -1 : 0;
  if (length) IntegerValue(length, n);
  stream->Data = Reader->ReadStreamData(n, obj.ObjectNumber, obj.Generation, stream->Dictionary.get());
  // A length the data was found without is mended, so the file written says what it holds.
  if (FModern && stream->Dictionary && static_cast<int64_t>(stream->Data->Size()) != n)
    stream->Dictionary->SetValue("/Length", std::make_unique<TkvPDFInt64Object>(stream->Data->GetSize()));
  if (Reader->ScannedBytes > 0) {
    FBytesParsed += Reader->ScannedBytes;
    Reader->ScannedBytes = 0;
    CheckParseBudget(obj.ObjectNumber);
  }
}

void TkvCustomPDFDocument::ResolveReferences(TkvPDFObject* root) {
  // An explicit stack instead of recursion: long chains of references (outline items,
  // annotation lists) must not exhaust the call stack. Children are pushed in reverse so
  // they are visited in entry order, depth first.
  std::vector<TkvPDFObject*> stack;
  stack.push_back(root);
  std::vector<TkvPDFObject*> children;
  while (!stack.empty()) {
    TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    children.clear();
    switch (obj->ObjectType) {
      case otArray:
        for (auto& item : static_cast<TkvPDFArrayObject*>(obj)->Items) {
          if (!item) continue;
          if (item->IsStream())
            Warning(msg::SStreamInArray);
          else if (item->IsArray() || item->IsDictionary() || item->IsReference())
            children.push_back(item.get());
        }
        break;
      case otDictionary: {
        auto* d = static_cast<TkvPDFDictObject*>(obj);
        for (int32_t i = 0; i < d->Count(); ++i) {
          TkvPDFObject* v = d->Values[static_cast<size_t>(i)].get();
          if (!v) continue;
          const std::string& key = d->Keys[static_cast<size_t>(i)]->Value;
          if ((key == "/Dest" || key == "/D") && (v->IsString() || v->IsName())) {
            std::string name = v->IsString() ? static_cast<TkvPDFStringObject*>(v)->RawBytes()
                                             : static_cast<TkvPDFNameObject*>(v)->NameWithoutSlash();
            if (TkvPDFObjectPtr dest = LookupNamedDestination(name)) {
              d->Values[static_cast<size_t>(i)] = std::move(dest);
              v = d->Values[static_cast<size_t>(i)].get();
            }
          }
          if (v->IsArray() || v->IsDictionary() || v->IsReference())
            children.push_back(v);
          else if (v->IsStream())
            children.push_back(static_cast<TkvPDFStreamObject*>(v)->Dictionary.get());
        }
        break;
      }
      case otStream:
        children.push_back(static_cast<TkvPDFStreamObject*>(obj)->Dictionary.get());
        break;
      case otIndirectObject:
        children.push_back(static_cast<TkvPDFIndirectObject*>(obj)->Value.get());
        break;
      case otReference: {
        auto* ref = static_cast<TkvPDFIndirectReference*>(obj);
        if (ref->ObjectNumber <= 0) {
          if (OnWarning) Warning(Format(msg::SInvalidObjectNumberInPDF, ref->ObjectNumber));
          break;
        }
        if (TkvPDFIndirectObject* stored = ObjectStore->Find(ref)) {
          ++stored->RefCount;
          break;
        }
        if (ref->Owner != FDocumentId) break;
        auto target = ReadObjectAt(ref->ObjectNumber);
        // A reference whose generation does not match designates a free object: null.
        if (!target || target->Generation != ref->Generation) break;
        target->RefCount = 1;
        TkvPDFIndirectObject* raw = target.get();
        ObjectStore->Add(std::move(target));
        DetachPage(raw->Value.get());
        children.push_back(raw->Value.get());
        break;
      }
      default:
        break;
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
  }
}

// Follows a reference (through the store or the file) to an object of the wanted kind.
// `holder` keeps an object read for the call when it is not stored.
static TkvPDFObject* ResolveToKind(TkvCustomPDFDocument& doc, TkvPDFObject* obj, bool addToStore,
                                   TkvPDFObjectPtr& holder, TkvPDFObjectType kind) {
  for (int depth = 0; obj && obj->IsReference(); ++depth) {
    if (depth > 8) throw EUnexpectedObjectError(msg::SUnexpectedObject);
    auto* ref = CastObject<TkvPDFIndirectReference>(obj);
    if (TkvPDFIndirectObject* stored = doc.ObjectStore->Find(ref)) {
      obj = stored->Value.get();
      continue;
    }
    auto target = doc.ReadObjectAt(ref->ObjectNumber);
    if (!target) return nullptr;
    if (addToStore) {
      target->RefCount = 1;
      obj = target->Value.get();
      TkvPDFIndirectObject* raw = target.get();
      doc.ObjectStore->Add(std::move(target));
      if (obj && obj->IsStream()) doc.ResolveReferences(raw);
    } else {
      holder = std::move(target->Value);
      obj = holder.get();
    }
  }
  if (!obj) return nullptr;
  if (obj->ObjectType != kind) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  return obj;
}

TkvPDFDictObject* TkvCustomPDFDocument::ResolveToDictionary(TkvPDFObject* obj, bool addToStore,
                                                            TkvPDFObjectPtr& holder) {
  return CastOptional<TkvPDFDictObject>(ResolveToKind(*this, obj, addToStore, holder, otDictionary));
}

TkvPDFArrayObject* TkvCustomPDFDocument::ResolveToArray(TkvPDFObject* obj, bool addToStore, TkvPDFObjectPtr& holder) {
  return CastOptional<TkvPDFArrayObject>(ResolveToKind(*this, obj, addToStore, holder, otArray));
}

std::unique_ptr<TkvPDFStringObject> TkvCustomPDFDocument::ResolveToString(TkvPDFObject* obj) {
  TkvPDFObjectPtr holder;
  auto* s = CastOptional<TkvPDFStringObject>(ResolveToKind(*this, obj, false, holder, otString));
  if (!s) return nullptr;
  return std::make_unique<TkvPDFStringObject>(s->Value, s->IsHex);
}

TkvPDFObjectPtr TkvCustomPDFDocument::LookupNamedDestination(const std::string& name) const {
  if (!NamedDestinations) return nullptr;
  const TkvPDFObject* dest = NamedDestinations->Find(name);
  return dest ? dest->Clone() : nullptr;
}

void TkvCustomPDFDocument::ReadCatalog() {
  if (Trailer->Info) {
    TkvPDFObjectPtr holder;
    if (TkvPDFDictObject* info = ResolveToDictionary(Trailer->Info.get(), false, holder)) {
      SetInfoDictionary(info->CloneDict());
      // Entries may be references (an indirect title, a producer's own dictionary):
      // load what they designate, or they would be written as null.
      ResolveReferences(Info->Dictionary.get());
    }
  }
  auto catalogObj = ReadObjectAt(Trailer->RootNumber);
  TkvPDFDictObject* catalog = catalogObj ? AsDict(catalogObj->Value.get()) : nullptr;
  if (!catalog) throw EPDFException(msg::SNoCatalog);

  if (auto* mode = CastIfKind<TkvPDFNameObject>(catalog->GetValue("/PageMode")))
    PageMode = static_cast<uint8_t>(std::max(0, IndexOfName(kPageModeNames, mode->Value)));
  if (auto* layout = CastIfKind<TkvPDFNameObject>(catalog->GetValue("/PageLayout")))
    PageLayout = static_cast<uint8_t>(std::max(0, IndexOfName(kPageLayoutNames, layout->Value)));
  if (TkvPDFObject* vp = catalog->GetValue("/ViewerPreferences")) {
    TkvPDFObjectPtr holder;
    if (TkvPDFDictObject* d = ResolveToDictionary(vp, false, holder))
      Catalog->ViewerPreferences->SetEntries(d->CloneDict());
  }
  if (TkvPDFObject* metadata = catalog->GetValue("/Metadata")) {
    ResolveReferences(metadata);
    Catalog->Metadata = metadata->Clone();
  }
  Progress(10);
  if (FProcessLinks) {
    if (TkvPDFObject* dests = catalog->GetValue("/Dests")) {
      Status(msg::SProcessingDestinations);
      ReadDestinationsDictionary(dests);
    }
  }
  Progress(30);
  if (FProcessLinks) {
    if (TkvPDFObject* names = catalog->GetValue("/Names")) {
      Status(msg::SProcessingNameTree);
      Catalog->Names = names->Clone();
      // A name dictionary written straight into the catalog is read in the kept copy.
      ReadNameDictionary(names->IsReference() ? names : Catalog->Names.get());
    }
  }
  Progress(60);
  Status(msg::STraversingPages);
  auto* pagesRef = CastIfKind<TkvPDFIndirectReference>(catalog->GetValue("/Pages"));
  if (!pagesRef) throw EUnexpectedError(msg::SUnexpectedError);
  std::vector<int32_t> path;
  std::unordered_set<int32_t> visitedNodes;
  FRepeatedPageObjects = 0;
  TraversePages(pagesRef->ObjectNumber, nullptr, path, visitedNodes);
  SeparateRepeatedPages();
  Progress(75);
  if (FProcessLinks) {
    Status(msg::SProcessingAnnotations);
    for (TkvPDFIndirectObject* page : Pages)
      if (TkvPDFDictObject* d = AsDict(page->Value.get()); d && !FDeferredPages.count(page))
        ResolveReferences(d->GetValue("/Annots"));
  }
  // Repeated pages, forms and encryption need every page: loaded now, as if not deferred.
  if (!FDeferredPages.empty() && (FEncrypted || FRepeatedPageObjects > 0 || catalog->GetValue("/AcroForm")))
    LoadEveryDeferredPage();
  Progress(90);
  if (TkvPDFObject* acroForm = catalog->GetValue("/AcroForm")) {
    Catalog->AcroForm = acroForm->Clone();
    auto* formRef = CastIfKind<TkvPDFIndirectReference>(acroForm);
    ReadAcroForm(formRef ? formRef->ObjectNumber : 0);
    Status(msg::SAcroFormsProcessed);
  }
  if (TkvPDFObject* openAction = catalog->GetValue("/OpenAction")) {
    ResolveReferences(openAction);
    Catalog->OpenAction = openAction->Clone();
  }
  KeepOtherCatalogEntries(*catalog);
  Status(msg::SReadingOutlines);
  if (catalog->GetValue("/Outlines")) ReadOutlines(*catalog);
  Progress(100);
  catalogObj.reset();
  if (FDeferredPages.empty()) Reader.reset();
}

void TkvCustomPDFDocument::TraversePages(int32_t objectNumber, const TkvPDFDictObject* inherited,
                                         std::vector<int32_t>& path, std::unordered_set<int32_t>& visitedNodes) {
  if (std::find(path.begin(), path.end(), objectNumber) != path.end())
    throw EUnexpectedError(Format(msg::SPageTreeLoop, objectNumber));
  if (static_cast<int>(path.size()) >= kMaxPageTreeDepth)
    throw EUnexpectedError(Format(msg::SPageTreeTooDeep, kMaxPageTreeDepth));
  // An object already stored (a page listed again, or one a link read earlier) is not
  // read again: parsing a large page once per mention would cost time in proportion.
  TkvPDFIndirectObject* known = nullptr;
  if (objectNumber > 0 && static_cast<size_t>(objectNumber) < XRefItems.size()) {
    const TkvXRefItem& entry = XRefItems[static_cast<size_t>(objectNumber)];
    int32_t index = ObjectStore->IndexOf(FDocumentId, objectNumber, static_cast<uint16_t>(entry.Generation));
    if (index >= 0) known = ObjectStore->GetAt(index);
  }
  std::unique_ptr<TkvPDFIndirectObject> node = known ? nullptr : ReadObjectAt(objectNumber);
  TkvPDFIndirectObject* read = known ? known : node.get();
  TkvPDFDictObject* dict = read ? AsDict(read->Value.get()) : nullptr;
  TkvPDFNameObject* type = dict ? CastIfKind<TkvPDFNameObject>(dict->GetValue("/Type")) : nullptr;
  if (!type) throw EUnexpectedError(msg::SUnexpectedError);
  const std::string& typeName = type->Value;

  if (typeName == "/Pages") {
    // A node listed under two parents would be walked twice, and a few such nodes one
    // above the other multiply the walk exponentially.
    if (!visitedNodes.insert(objectNumber).second)
      throw EUnexpectedError(Format(msg::SPageTreeNodeRepeated, objectNumber));
    auto attrs = inherited ? inherited->CloneDict() : std::make_unique<TkvPDFDictObject>();
    for (const char* key : kInheritedKeys)
      if (TkvPDFObject* v = dict->GetValue(key)) attrs->SetValue(key, InheritedCopy(*this, *v));
    TkvPDFObjectPtr kidsHolder;
    TkvPDFArrayObject* kids = ResolveToArray(dict->GetValue("/Kids"), false, kidsHolder);
    if (!kids) return;
    path.push_back(objectNumber);
    for (const auto& kid : kids->Items) {
      auto* kidRef = CastIfKind<TkvPDFIndirectReference>(kid);
      if (!kidRef) throw EUnexpectedObjectError(msg::SUnexpectedObject);
      TraversePages(kidRef->ObjectNumber, attrs.get(), path, visitedNodes);
    }
    path.pop_back();
    return;
  }
  if (typeName != "/Page") throw EUnexpectedError(msg::SUnexpectedError);

  TkvPDFIndirectObject* page = known ? known : ObjectStore->FindKey(node->Key());
  if (page) {
    // Already stored (a second /Kids entry for the same page, or an object read earlier
    // that refers to it): the stored object is the page.
    FRepeatedPageObjects += CountObjects(page->Value.get(), kMaxRepeatedPageObjects - FRepeatedPageObjects);
    if (FRepeatedPageObjects > kMaxRepeatedPageObjects)
      throw EUnexpectedError(Format(msg::SPageTreeNodeRepeated, objectNumber));
    ++page->RefCount;
    dict = AsDict(page->Value.get());
    if (!dict) throw EUnexpectedError(msg::SUnexpectedError);
  } else {
    node->RefCount = 1;
    page = node.get();
    ObjectStore->Add(std::move(node));
  }
  dict->Remove("/Parent");
  dict->Remove("/B");
  if (inherited)
    for (int32_t i = 0; i < inherited->Count(); ++i)
      if (dict->IndexOfKey(inherited->Keys[static_cast<size_t>(i)]->Value) < 0)
        dict->AddObject(
            inherited->Keys[static_cast<size_t>(i)]->Value,
            inherited->Values[static_cast<size_t>(i)] ? inherited->Values[static_cast<size_t>(i)]->Clone() : nullptr);
  // A deferred page gets its sizes and turn now, the rest when it is used.
  const bool defer = FDeferPages && FRepeatedPageObjects == 0;
  ResolvePageEntries(*dict, defer ? TkvPageEntries::Boxes : TkvPageEntries::All);
  if (defer) FDeferredPages.insert(page);
  Pages.push_back(page);
}

// A page the tree lists more than once is shown more than once. Each further mention
// gets its own copy, as a page taken twice does: the written tree never names one page
// object twice, and deleting one mention leaves the others whole. The traversal already
// counted what the page refers to once per mention.
void TkvCustomPDFDocument::SeparateRepeatedPages() {
  std::unordered_set<const TkvPDFIndirectObject*> placed;
  placed.reserve(Pages.size());
  for (TkvPDFIndirectObject*& page : Pages) {
    if (placed.insert(page).second) continue;
    std::unique_ptr<TkvPDFIndirectObject> copy = page->CloneIndirect();
    copy->RefCount = 1;
    page = copy.get();
    ObjectStore->Add(std::move(copy));
  }
}

void TkvCustomPDFDocument::AddNamedDestination(std::string name, TkvPDFObject* value, bool direct) {
  if (!NamedDestinations) NamedDestinations = std::make_unique<TkvNamedDestinations>();
  TkvPDFObjectPtr holder;
  TkvPDFObject* target = value;
  if (auto* ref = CastIfKind<TkvPDFIndirectReference>(value)) {
    auto obj = ReadObjectAt(ref->ObjectNumber);
    if (!obj) {
      NamedDestinations->Add(std::move(name), std::make_unique<TkvPDFNullObject>());
      return;
    }
    holder = std::move(obj->Value);
    target = holder.get();
  } else if (!direct && (!value || value->IsNull())) {
    NamedDestinations->Add(std::move(name), std::make_unique<TkvPDFNullObject>());
    return;
  }
  if (auto* dict = CastIfKind<TkvPDFDictObject>(target)) {
    TkvPDFObjectPtr dHolder;
    target = ResolveToArray(dict->GetValue("/D"), false, dHolder);
    if (!target) throw EUnexpectedObjectError(msg::SUnexpectedObject);
    if (dHolder) holder = std::move(dHolder);
  }
  if (!target || !target->IsArray()) throw EUnexpectedObjectError(msg::SUnexpectedObject);
  if (LargerThan(target, kMaxDestinationObjects)) {
    NamedDestinations->Add(std::move(name), std::make_unique<TkvPDFNullObject>());
    return;
  }
  TkvPDFObjectPtr copy = target->Clone();
  auto* array = CastObject<TkvPDFArrayObject>(copy);
  if (auto* page = array->Count() > 0 ? CastIfKind<TkvPDFIndirectReference>(array->Items[0]) : nullptr)
    page->Owner = FDocumentId;
  NamedDestinations->Add(std::move(name), std::move(copy));
}

void TkvCustomPDFDocument::ReadDestinationsDictionary(TkvPDFObject* dests) {
  TkvPDFObjectPtr holder;
  TkvPDFDictObject* d = ResolveToDictionary(dests, false, holder);
  if (!d) return;
  for (int32_t i = 0; i < d->Count(); ++i)
    AddNamedDestination(d->Keys[static_cast<size_t>(i)]->NameWithoutSlash(), d->Values[static_cast<size_t>(i)].get(),
                        true);
}

void TkvCustomPDFDocument::WalkDestinationNameTree(TkvPDFObject* node, int depth, std::unordered_set<int64_t>& seen) {
  if (depth > kMaxNameTreeDepth) throw EUnexpectedObjectError(msg::SNameTreeTooDeep);
  if (auto* ref = CastIfKind<TkvPDFIndirectReference>(node); ref && !seen.insert(ref->Key()).second) return;
  TkvPDFObjectPtr holder;
  TkvPDFDictObject* d = ResolveToDictionary(node, false, holder);
  if (!d) return;
  if (TkvPDFObject* kidsObj = d->GetValue("/Kids")) {
    TkvPDFObjectPtr kidsHolder;
    if (TkvPDFArrayObject* kids = ResolveToArray(kidsObj, false, kidsHolder))
      for (const auto& kid : kids->Items)
        if (kid && kid->IsReference()) WalkDestinationNameTree(kid.get(), depth + 1, seen);
    return;
  }
  TkvPDFObjectPtr namesHolder;
  TkvPDFArrayObject* names = ResolveToArray(d->GetValue("/Names"), false, namesHolder);
  if (!names) return;
  for (int32_t i = 0; i + 1 < names->Count(); i += 2) {
    TkvPDFObject* key = names->Items[static_cast<size_t>(i)].get();
    TkvPDFObject* value = names->Items[static_cast<size_t>(i) + 1].get();
    auto* keyText = CastIfKind<TkvPDFStringObject>(key);
    if (!keyText) continue;
    std::string name = keyText->RawBytes();
    // Direct arrays and dictionaries are destinations too: keep them rather than lose
    // the links that use them.
    if (value && (value->IsArray() || value->IsDictionary()))
      AddNamedDestination(std::move(name), value, true);
    else if (!value || value->IsNull() || value->IsReference())
      AddNamedDestination(std::move(name), value, false);
  }
}

void TkvCustomPDFDocument::ReadNameDictionary(TkvPDFObject* names) {
  std::unique_ptr<TkvPDFIndirectObject> obj;
  TkvPDFDictObject* d = AsDict(names);
  if (auto* ref = CastIfKind<TkvPDFIndirectReference>(names)) {
    if (ObjectStore->Find(ref)) return;
    obj = ReadObjectAt(ref->ObjectNumber);
    d = obj ? AsDict(obj->Value.get()) : nullptr;
  }
  if (!d) return;
  if (TkvPDFObject* dests = d->GetValue("/Dests")) {
    std::unordered_set<int64_t> seen;
    WalkDestinationNameTree(dests, 0, seen);
    d->Remove("/Dests");
  }
  if (obj) {
    obj->RefCount = 1;
    ObjectStore->Add(std::move(obj));
  }
  ResolveReferences(d);
}

}  // namespace kv
