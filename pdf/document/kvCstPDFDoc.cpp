#include "pdf/document/kvCstPDFDoc.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "core/kvUtils.h"
#include "pdf/document/kvCstPDFDocConsts.h"
#include "pdf/document/kvModernReading.h"
#include "pdf/objects/kvPDFObjectUtils.h"

namespace kv {

namespace {
// Identities of document contents, process-wide; they stay within the 23 bits the object
// key gives the owner.
int32_t g_documentCounter = 0;

int32_t NextDocumentId() {
  g_documentCounter = g_documentCounter % ((1 << 23) - 1) + 1;
  return g_documentCounter;
}

void LaunchWithXdgOpen(const std::string& fileName) {
  pid_t pid = fork();
  if (pid == 0) {
    // Detach twice so the viewer outlives us and leaves no zombie behind.
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", fileName.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  if (pid > 0) waitpid(pid, nullptr, 0);
}
}  // namespace

TkvFileLauncher& DefaultFileLauncher() {
  static TkvFileLauncher launcher = LaunchWithXdgOpen;
  return launcher;
}

long double ToPoints(TkvMeasurementUnit unit, long double value) {
  switch (unit) {
    case muPixels:
      return value / ScreenPixelsPerInch() * 72.0L;
    case muPoints:
      return value;
    case muInches:
      return value * 72.0L;
    case muMM:
      return value * 2.835L;
    case muTwips:
      return value * 0.05L;
  }
  return value;
}

long double FromPoints(TkvMeasurementUnit unit, long double value) {
  switch (unit) {
    case muPixels:
      return value * 4.0L / 3.0L;
    case muPoints:
      return value;
    case muInches:
      return value / 72.0L;
    case muMM:
      return value / 2.835L;
    case muTwips:
      return value / 0.05L;
  }
  return value;
}

// ---- named destinations ----

void TkvNamedDestinations::Add(std::string name, TkvPDFObjectPtr destination) {
  index_.emplace(name, names_.size());  // the first of equal names wins
  names_.push_back(std::move(name));
  values_.push_back(std::move(destination));
}

const TkvPDFObject* TkvNamedDestinations::Find(const std::string& name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : values_[it->second].get();
}

// ---- life cycle ----

TkvCustomPDFDocument::TkvCustomPDFDocument(TkvComponent* owner) : TkvComponent(owner) {
  FProcessLinks = true;
  FMeasurementUnit = muPixels;
  FEMailInfo = std::make_unique<TkvEMailInfo>();
  about_ = "Kestrova Folioworks";
  version_ = "1.02";
  InitDocumentData();
}

TkvCustomPDFDocument::~TkvCustomPDFDocument() {
  // Virtual calls from a destructor reach this class only; derived classes free their
  // own data in their destructors.
  TkvCustomPDFDocument::FreeDocumentData();
}

void TkvCustomPDFDocument::Reset() {
  FreeDocumentData();
  InitDocumentData();
}

void TkvCustomPDFDocument::InitDocumentData() {
  FDocumentId = NextDocumentId();
  LastOutputNumber = 3;
  FDocumentLoaded = false;
  FEncrypted = false;
  FFileName.clear();
  ObjectStore = std::make_unique<TkvPDFObjectStore>();
  Pages.clear();
  XRefItems.clear();
  FCompression = std::make_unique<TkvCompression>();
  FASCIIEncode = std::make_unique<TkvASCIIEncode>();
  FPDFVersion = 4;
  FPDFMajorVersion = 1;
  Info = std::make_unique<TkvPDFInfo>();
  Catalog = std::make_unique<TkvPDFCatalog>();
  Trailer = std::make_unique<TkvPDFTrailer>();
  PageLayout = 0;
  PageMode = 0;
}

void TkvCustomPDFDocument::FreeDocumentData() {
  NamedDestinations.reset();
  Pages.clear();
  NewObjects.reset();
  ObjectStore.reset();
  Trailer.reset();
  Catalog.reset();
  Info.reset();
  FCompression.reset();
  FASCIIEncode.reset();
  XRefItems.clear();
  XRefItems.shrink_to_fit();
  FDeferredPages.clear();
  Reader.reset();
  FModern.reset();  // after the reader, which may read the bytes it holds
  FDeferredInput.reset();
  FInputBytes = {};
}

void TkvCustomPDFDocument::RequirePDFVersion(uint8_t major, uint8_t minor) {
  if (major > FPDFMajorVersion || (major == FPDFMajorVersion && minor > FPDFVersion)) {
    FPDFMajorVersion = major;
    FPDFVersion = minor;
  }
}

std::unique_ptr<TkvCustomPDFDocument> TkvCustomPDFDocument::CreateTemporaryDocument() {
  return std::make_unique<TkvCustomPDFDocument>(this);
}

// ---- empty hooks of the base document ----

void TkvCustomPDFDocument::ReadOutlines(TkvPDFDictObject&) {}
void TkvCustomPDFDocument::ReadAcroForm(int32_t) {}
void TkvCustomPDFDocument::BuildOutlines() {}
void TkvCustomPDFDocument::PrepareEncryption() {}
std::string TkvCustomPDFDocument::EncryptString(const std::string&, int32_t) { return {}; }
std::unique_ptr<TkvPDFDictObject> TkvCustomPDFDocument::BuildEncryptionDictionary() { return nullptr; }
bool TkvCustomPDFDocument::IsEncrypting() { return false; }
void TkvCustomPDFDocument::CopyFormFieldsTo(TkvCustomPDFDocument&) {}
void TkvCustomPDFDocument::MergeOutlinesFrom(TkvCustomPDFDocument&) {}
void TkvCustomPDFDocument::MergeFormFieldsFrom(TkvCustomPDFDocument&) {}
void TkvCustomPDFDocument::OpenEncrypted(const std::string&) {}

}  // namespace kv
