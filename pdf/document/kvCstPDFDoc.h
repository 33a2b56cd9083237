// The document component: loads one PDF file into memory, edits it (pages, settings)
// and writes a complete new file. Extension points are virtual operations that the
// extended document overrides (outlines, forms, encryption, merging hooks).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/document/kvDocumentTypes.h"
#include "pdf/objects/kvPDFObjects.h"
#include "pdf/parser/kvPDFParsers.h"

namespace kv {

// Destination name -> destination array, in reading order, found by name in constant
// time whatever order the file gave the names in.
class TkvNamedDestinations {
 public:
  void Add(std::string name, TkvPDFObjectPtr destination);
  const TkvPDFObject* Find(const std::string& name) const;
  int32_t Count() const { return static_cast<int32_t>(names_.size()); }
  const std::string& NameAt(int32_t i) const { return names_[static_cast<size_t>(i)]; }
  const TkvPDFObject* ValueAt(int32_t i) const { return values_[static_cast<size_t>(i)].get(); }

 private:
  std::vector<std::string> names_;
  std::vector<TkvPDFObjectPtr> values_;
  std::unordered_map<std::string, size_t> index_;
};

class TkvModernReading;

class TkvCustomPDFDocument : public TkvComponent, protected TkvPDFWriteContext {
 public:
  explicit TkvCustomPDFDocument(TkvComponent* owner = nullptr);
  ~TkvCustomPDFDocument() override;
  TkvCustomPDFDocument(const TkvCustomPDFDocument&) = delete;
  TkvCustomPDFDocument& operator=(const TkvCustomPDFDocument&) = delete;

  // ---- published properties ----
  bool UseFileStreams() const { return FUseFileStreams; }
  void SetUseFileStreams(bool v) { FUseFileStreams = v; }
  bool OpenAfterSave() const { return FOpenAfterSave; }
  void SetOpenAfterSave(bool v) { FOpenAfterSave = v; }
  TkvMeasurementUnit MeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(TkvMeasurementUnit u) { FMeasurementUnit = u; }
  bool ProcessLinks() const { return FProcessLinks; }
  void SetProcessLinks(bool v) { FProcessLinks = v; }
  bool EMailAfterSave() const { return FEMailAfterSave; }
  void SetEMailAfterSave(bool v) { FEMailAfterSave = v; }
  // Opens modern files too: cross-reference and object streams, versions 1.6 to 2.0,
  // bytes before the header, and damage that rebuilding the cross-reference data mends
  // (reported through OnWarning). Off by default: only PDF 1.0-1.5 with classic tables.
  bool ReadModernFiles() const { return FReadModernFiles; }
  void SetReadModernFiles(bool v) { FReadModernFiles = v; }
  // Leaves what each page refers to (contents, resources, annotations) in the file until
  // the page is used: for taking a few pages of a large file or reading its page sizes.
  // Taking pages and saving load the pages they use; see kvDeferredPages.cpp. Off by default.
  bool DeferPageLoading() const { return FDeferPages; }
  void SetDeferPageLoading(bool v) { FDeferPages = v; }

  TkvOperationProgressEvent OnOperationProgress;
  TkvProgressEvent OnIOProgress;
  TkvStatusMessageEvent OnStatusMessage;
  TkvWarningEvent OnWarning;
  TkvPasswordEvent OnPassword;
  TkvNotifyEvent OnBeginRead;
  TkvNotifyEvent OnEndRead;

  // The launcher OpenAfterSave uses; DefaultFileLauncher() unless set.
  TkvFileLauncher Launcher;

  // ---- operations ----
  void Reset();
  int32_t PageCount() const { return static_cast<int32_t>(Pages.size()); }
  bool LoadFromFile(const std::string& fileName);
  // Loads a file held in memory (one read from a pipe, say) as LoadFromFile loads one on
  // disk; `name` is what FileName reports.
  bool LoadFromMemory(TkvSharedBytes bytes, const std::string& name);
  // Loads the bytes of a memory stream (a mapped file, say) as LoadFromMemory does; the
  // document shares them for as long as it reads from them.
  bool LoadFromStream(const TkvMemoryStream& bytes, const std::string& name);
  // Loads what page `pageNumber` refers to, when loading deferred it; all deferred pages.
  void LoadDeferredPage(int32_t pageNumber);
  void LoadAllDeferredPages();
  bool IsPageDeferred(int32_t pageNumber) const;
  // Saves under `fileName`, with ".pdf" appended when its extension is another.
  void SaveToFile(const std::string& fileName);
  // Saves under exactly `fileName`.
  void SaveToFileAs(const std::string& fileName);
  // Writes the whole file to `stream` (a pipe, a device, a file the host opened itself).
  void SaveToStream(TkvStream& stream);

  // Page operations.
  static std::vector<int32_t> ParsePageRange(const std::string& text, int32_t pageCount);
  // The items of a page-range text as ParsePageRange reads them (quotes removed).
  static std::vector<std::string> PageRangeItems(const std::string& text);
  void AppendPagesFrom(TkvCustomPDFDocument& source, const std::string& range);
  void InsertPagesFrom(TkvCustomPDFDocument& source, const std::string& range, int32_t position);
  void ExtractPagesTo(TkvCustomPDFDocument& target, const std::string& range);
  void DeletePages(const std::string& range);
  void MergeDocuments(const std::vector<std::string>& fileList);
  // One input of a merge, loaded by the host: pages `range` of `source` (every page when
  // empty) after the last page, with its outline and form fields, as MergeDocuments takes
  // each file.
  void MergePagesFrom(TkvCustomPDFDocument& source, const std::string& range);
  // Turns pages `range` clockwise by `angle` degrees (a multiple of 90, negative turns
  // the other way), added to each page's rotation.
  void RotatePages(const std::string& range, int32_t angle);

  // Document information, view settings, transitions, page sizes.
  std::string GetAuthor() const { return GetInfoText("/Author"); }
  std::string GetCreationDate() const { return GetInfoText("/CreationDate"); }
  std::string GetCreator() const { return GetInfoText("/Creator"); }
  std::string GetKeywords() const { return GetInfoText("/Keywords"); }
  std::string GetProducer() const { return GetInfoText("/Producer"); }
  std::string GetSubject() const { return GetInfoText("/Subject"); }
  std::string GetTitle() const { return GetInfoText("/Title"); }
  void SetAuthor(const std::string& text) { SetInfoText("/Author", text); }
  void SetKeywords(const std::string& text) { SetInfoText("/Keywords", text); }
  void SetProducer(const std::string& text) { SetInfoText("/Producer", text); }
  void SetSubject(const std::string& text) { SetInfoText("/Subject", text); }
  void SetTitle(const std::string& text) { SetInfoText("/Title", text); }
  void SetInfoDictionary(std::unique_ptr<TkvPDFDictObject> dict);
  TkvPDFViewerPreferences& ViewerPreferences() { return *Catalog->ViewerPreferences; }
  void SetPageTransition(const std::string& range, uint8_t effect, float duration);
  TkvPDFRect GetPageMediaBox(int32_t pageNumber) const;
  // Every entry of the information dictionary in the file's order: the key without its
  // slash and the value, a reference followed through the store; null entries are left out.
  std::vector<std::pair<std::string, const TkvPDFObject*>> InfoEntries() const;

  // Output choices (the engine never switches them on by itself).
  TkvCompression& Compression() { return *FCompression; }
  TkvASCIIEncode& ASCIIEncode() { return *FASCIIEncode; }

  // Read access for hosts and tests.
  int32_t DocumentId() const { return FDocumentId; }
  const std::string& FileName() const { return FFileName; }
  uint8_t PDFVersion() const { return FPDFVersion; }  // the minor version
  uint8_t PDFMajorVersion() const { return FPDFMajorVersion; }
  // Raises the version written to at least major.minor.
  void RequirePDFVersion(uint8_t major, uint8_t minor);
  bool DocumentLoaded() const { return FDocumentLoaded; }
  bool Encrypted() const { return FEncrypted; }
  TkvEMailInfo& EMailInfo() { return *FEMailInfo; }

  // ---- document fields ----
  uint8_t PageLayout = 0;
  uint8_t PageMode = 0;
  std::unique_ptr<TkvPDFObjectStore> ObjectStore;
  std::unique_ptr<TkvPDFObjectStore> NewObjects;
  std::vector<TkvPDFIndirectObject*> Pages;  // objects owned by ObjectStore
  std::unique_ptr<TkvPDFTrailer> Trailer;
  std::unique_ptr<TkvPDFInfo> Info;
  std::unique_ptr<TkvPDFCatalog> Catalog;
  std::unique_ptr<TkvNamedDestinations> NamedDestinations;
  std::vector<TkvXRefItem> XRefItems;
  int32_t LastOutputNumber = 3;

  // Loading helpers used by the extended document.
  void ResolveReferences(TkvPDFObject* obj);
  // `withStreamData` false leaves a stream object's data unread.
  std::unique_ptr<TkvPDFIndirectObject> ReadObjectAt(int32_t objectNumber, bool withStreamData = true);
  TkvPDFDictObject* ResolveToDictionary(TkvPDFObject* obj, bool addToStore, TkvPDFObjectPtr& holder);
  TkvPDFArrayObject* ResolveToArray(TkvPDFObject* obj, bool addToStore, TkvPDFObjectPtr& holder);
  std::unique_ptr<TkvPDFStringObject> ResolveToString(TkvPDFObject* obj);
  TkvPDFObjectPtr LookupNamedDestination(const std::string& name) const;
  void ReadBody();
  // The shared reading step of `LoadFromFile` once the input is open: header,
  // cross-reference sections, trailer, /Encrypt.
  void ReadStructure(TkvStream& input);

 protected:
  // ---- virtual operations, in their order ----
  virtual void FreeDocumentData();
  virtual void ReadOutlines(TkvPDFDictObject& catalogDict);
  virtual void ReadAcroForm(int32_t objectNumber);
  virtual void BuildOutlines();
  virtual void WriteDocument();
  virtual void PrepareEncryption();
  std::string EncryptString(const std::string& text, int32_t objectNumber) override;
  virtual std::unique_ptr<TkvPDFDictObject> BuildEncryptionDictionary();
  bool IsEncrypting() override;
  virtual std::unique_ptr<TkvObjectList> CollectPage(int32_t pageNumber);
  virtual void CollectReferences(TkvObjectList& list, TkvPDFObject* obj);
  virtual void CopyFormFieldsTo(TkvCustomPDFDocument& target);
  virtual void MergeOutlinesFrom(TkvCustomPDFDocument& source);
  virtual void MergeFormFieldsFrom(TkvCustomPDFDocument& source);
  virtual void OpenEncrypted(const std::string& password);
  virtual void InitDocumentData();
  // A fresh document of the most derived kind, for merging.
  virtual std::unique_ptr<TkvCustomPDFDocument> CreateTemporaryDocument();
  // Called after pages were taken from `giver` (append, insert, extract, merge).
  virtual void PagesTakenFrom(TkvCustomPDFDocument& giver);
  // Called at the end of `DeletePages` with the page objects it removed (still stored).
  virtual void PagesDeleted(const std::vector<TkvPDFIndirectObject*>& deleted);
  // One user less of `obj` and, for every object whose count falls to 0, of what it
  // refers to (pages excepted).
  void ReleaseObject(TkvPDFObject* obj);
  // What MergePagesFrom takes of one document, DocumentLoaded left alone.
  void TakeForMerge(TkvCustomPDFDocument& source, const std::string& range);

  // ---- serialisation context ----
  int32_t OutputNumberOf(const TkvPDFIndirectReference& ref) override;
  bool FilterStreamForOutput(const TkvPDFStreamObject& stream, std::unique_ptr<TkvPDFDictObject>& dict,
                             std::string& data) override;

  // ---- event helpers (each tests that a handler is set) ----
  void Status(const std::string& text) {
    if (OnStatusMessage) OnStatusMessage(this, text);
  }
  void Progress(int percentage) {
    if (OnIOProgress) OnIOProgress(this, percentage);
  }
  void Warning(const std::string& text) {
    if (OnWarning) OnWarning(this, text);
  }
  void OperationProgress(TkvOperation op, int current, int total) {
    if (OnOperationProgress) OnOperationProgress(this, op, current, total);
  }

  std::string GetInfoText(const char* key) const;
  void SetInfoText(const char* key, const std::string& text);

  std::unique_ptr<TkvPDFStreamReader> Reader;
  // While pages are taken from this document: the receiver's store. References to
  // objects it already holds are not copied again (shared resources are copied once,
  // not once per page).
  const TkvPDFObjectStore* CollectSkip = nullptr;
  TkvStream* Output = nullptr;
  std::vector<int64_t> Offsets;
  bool FDocumentLoaded = false;
  bool FEncrypted = false;

 private:
  friend class TkvDocumentLoader;
  friend class TkvDocumentWriter;
  friend class TkvPageTaker;
  friend class TkvPageLabelKeeper;
  friend class TkvModernReading;

  bool LoadFromInput(TkvStream& input);
  // LoadFromInput, keeping the input while pages wait to be loaded from it.
  bool LoadFromOwnedInput(std::unique_ptr<TkvStream> input);
  enum class TkvPageEntries { All, Boxes, AllButBoxes };
  // Resolves a page's entries (its annotations and /B aside) as loading does.
  void ResolvePageEntries(TkvPDFDictObject& page, TkvPageEntries which);
  void LoadDeferred(TkvPDFIndirectObject* page);
  // Every deferred page, the input kept (loading goes on reading).
  void LoadEveryDeferredPage();
  void ReleaseDeferredInput();
  bool FDeferPages = false;
  std::unordered_set<TkvPDFIndirectObject*> FDeferredPages;
  std::unique_ptr<TkvStream> FDeferredInput;  // the input, while pages wait to be loaded
  void ReadCatalog();
  void KeepOtherCatalogEntries(TkvPDFDictObject& catalog);
  void TraversePages(int32_t objectNumber, const TkvPDFDictObject* inherited, std::vector<int32_t>& path,
                     std::unordered_set<int32_t>& visitedNodes);
  void SeparateRepeatedPages();
  // Objects of the pages that the page-tree walk met again (see the loader's bound).
  int64_t FRepeatedPageObjects = 0;
  // Bytes of object syntax read from the file so far (see the loader's bound).
  int64_t FBytesParsed = 0;
  // A mapped input's pages read while loading stay resident until given back: every so
  // many objects read, and when loading ends, they are (see kvDocumentLoader.cpp).
  std::string_view FInputBytes;
  int32_t FObjectsSinceTrim = 0;
  void TrimInputPages(bool now);
  void ReadDestinationsDictionary(TkvPDFObject* dests);
  void ReadNameDictionary(TkvPDFObject* names);
  void WalkDestinationNameTree(TkvPDFObject* node, int depth, std::unordered_set<int64_t>& seen);
  void AddNamedDestination(std::string name, TkvPDFObject* value, bool direct);
  void ReadStreamDataOf(TkvPDFIndirectObject& obj);
  // Fails when reading has parsed far more than the file holds (see the loader's bound).
  void CheckParseBudget(int32_t objectNumber);
  void WriteIndirect(int32_t number, const std::string& body);
  void WriteCatalog(std::string& buf);
  void WriteXRefAndTrailer(std::string& buf);
  void TakePages(TkvCustomPDFDocument& giver, const std::vector<int32_t>& pages, TkvOperation op, int32_t position,
                 TkvCustomPDFDocument* reporter);

  int32_t FDocumentId = 0;
  std::string FFileName;
  uint8_t FPDFVersion = 4;
  uint8_t FPDFMajorVersion = 1;
  bool FReadModernFiles = false;
  // Object streams and repair state of modern files while they are read.
  std::unique_ptr<TkvModernReading> FModern;
  TkvMeasurementUnit FMeasurementUnit = muPixels;
  bool FUseFileStreams = false;
  bool FOpenAfterSave = false;
  bool FProcessLinks = true;
  bool FEMailAfterSave = false;
  std::unique_ptr<TkvCompression> FCompression;
  std::unique_ptr<TkvASCIIEncode> FASCIIEncode;
  std::unique_ptr<TkvEMailInfo> FEMailInfo;
};

}  // namespace kv
