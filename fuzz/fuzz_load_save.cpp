// A whole document from arbitrary bytes: load, save, and when pages were read, move the
// first page out and back (extract, append, insert) and delete it, saving each result. The
// input's size picks the output encoding, so every writer path sees hostile documents.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "pdf/document/kvPDFDoc.h"

namespace {

void ChooseOutput(kv::TkvCustomPDFDocument& doc, size_t size) {
  switch (size % 4) {
    case 1:
      doc.Compression().Active = true;
      doc.Compression().Method = 0;
      doc.Compression().Level = 1;
      break;
    case 2:
      doc.Compression().Active = true;
      doc.Compression().Method = 1;
      doc.ASCIIEncode().Active = true;
      doc.ASCIIEncode().Method = 0;
      break;
    case 3:
      doc.ASCIIEncode().Active = true;
      doc.ASCIIEncode().Method = 1;
      break;
    default:
      break;
  }
}

// Handlers are set so that the engine builds every status and warning text it can.
void Listen(kv::TkvCustomPDFDocument& doc) {
  doc.OnWarning = [](kv::TkvCustomPDFDocument*, const std::string&) {};
  doc.OnStatusMessage = [](kv::TkvCustomPDFDocument*, const std::string&) {};
  doc.OnIOProgress = [](kv::TkvCustomPDFDocument*, int) {};
  doc.OnOperationProgress = [](kv::TkvCustomPDFDocument*, kv::TkvOperation, int, int) {};
}

// Objects a document may hold per byte of its file, plus the loader's fixed allowance
// for repeated pages. A file makes objects from its bytes (a few bytes each at least);
// copies beyond that (inherited values, named destinations, repeated pages) are bounded.
// More means a small file can make the loader multiply objects: a finding.
constexpr int64_t kMaxObjectsPerByte = 16;
constexpr int64_t kObjectAllowance = (int64_t{1} << 21) + 4096;

int64_t CountObjects(const kv::TkvPDFObject* root) {
  std::vector<const kv::TkvPDFObject*> stack{root};
  int64_t count = 0;
  while (!stack.empty()) {
    const kv::TkvPDFObject* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    ++count;
    if (obj->IsArray()) {
      for (const auto& item : static_cast<const kv::TkvPDFArrayObject*>(obj)->Items) stack.push_back(item.get());
    } else if (obj->IsDictionary()) {
      for (const auto& value : static_cast<const kv::TkvPDFDictObject*>(obj)->Values) stack.push_back(value.get());
    } else if (obj->IsStream()) {
      stack.push_back(static_cast<const kv::TkvPDFStreamObject*>(obj)->Dictionary.get());
    } else if (obj->IsIndirectObject()) {
      stack.push_back(static_cast<const kv::TkvPDFIndirectObject*>(obj)->Value.get());
    }
  }
  return count;
}

void CheckProportionate(const kv::TkvCustomPDFDocument& doc, size_t size) {
  int64_t objects = 0;
  for (int32_t i = 0; i < doc.ObjectStore->Count(); ++i) objects += CountObjects(doc.ObjectStore->GetAt(i));
  if (doc.NamedDestinations)
    for (int32_t i = 0; i < doc.NamedDestinations->Count(); ++i)
      objects += CountObjects(doc.NamedDestinations->ValueAt(i));
  if (objects > kMaxObjectsPerByte * static_cast<int64_t>(size) + kObjectAllowance) {
    fprintf(stderr, "%lld objects from a file of %zu bytes\n", static_cast<long long>(objects), size);
    abort();
  }
}

// What the library writes it must read: the same number of pages, and no failure. A file
// written with a newer version than 1.5 is read as a modern file, which must not need to
// rebuild anything.
void CheckReadsBack(const std::string& file, int32_t pages, bool modern) {
  kv::TkvPDFDocument again;
  again.SetReadModernFiles(modern);
  again.OnWarning = kvfuzz::AbortOnRebuild;
  try {
    again.LoadFromFile(file);
  } catch (const kv::Exception& e) {
    fprintf(stderr, "the saved file does not load: %s\n", e.what());
    abort();
  }
  if (again.PageCount() != pages) {
    fprintf(stderr, "saved %d pages, read back %d\n", pages, again.PageCount());
    abort();
  }
}

void LoadAndSave(const uint8_t* data, size_t size, bool fileStreams, bool modern) {
  const std::string& dir = kvfuzz::ScratchDir();
  const std::string in = dir + "/in.pdf", out = dir + "/out.pdf", part = dir + "/part.pdf";
  kvfuzz::WriteBytes(in, data, size);

  kv::TkvPDFDocument doc;
  doc.SetUseFileStreams(fileStreams);
  doc.SetReadModernFiles(modern);
  Listen(doc);
  ChooseOutput(doc, size);
  bool loaded = false;
  kvfuzz::Guarded([&] { loaded = doc.LoadFromFile(in); });
  if (loaded) {
    CheckProportionate(doc, size);
    bool saved = false;
    kvfuzz::Guarded([&] {
      doc.SaveToFileAs(out);
      saved = true;
    });
    if (saved) CheckReadsBack(out, doc.PageCount(), kvfuzz::WrittenAsModern(doc));
    if (doc.PageCount() > 0) {
      kvfuzz::Guarded([&] {
        // Extract, then append to the extract and insert the document into itself: the
        // three ways pages move between documents.
        kv::TkvPDFDocument first;
        doc.ExtractPagesTo(first, "1");
        first.AppendPagesFrom(doc, "1");
        first.SaveToFileAs(part);
        doc.InsertPagesFrom(doc, "1", 0);
      });
      kvfuzz::Guarded([&] {
        doc.DeletePages("1");
        doc.SaveToFileAs(out);
      });
    }
  }
  kvfuzz::RemoveFile(in);
  kvfuzz::RemoveFile(out);
  kvfuzz::RemoveFile(part);
}

}  // namespace

// The input as it is (read into memory), then with its cross-reference table rebuilt
// (read through a file stream), so that mutations inside objects are judged by the
// loader rather than by the offset check, and both ways of reading see hostile files;
// then as it is once more, read as a modern file (object streams, rebuilding by scanning).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadAndSave(data, size, false, false);
  std::string rebuilt = kvfuzz::WithRebuiltXRef(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!rebuilt.empty()) LoadAndSave(reinterpret_cast<const uint8_t*>(rebuilt.data()), rebuilt.size(), true, false);
  LoadAndSave(data, size, false, true);
  return 0;
}
