// A whole document from arbitrary bytes: load, save, and when pages were read, move the
// first page out and back (extract, append, insert) and delete it, saving each result. The
// input's size picks the output encoding, so every writer path sees hostile documents.
#include <string>

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

void LoadAndSave(const uint8_t* data, size_t size, bool fileStreams) {
  const std::string& dir = kvfuzz::ScratchDir();
  const std::string in = dir + "/in.pdf", out = dir + "/out.pdf", part = dir + "/part.pdf";
  kvfuzz::WriteBytes(in, data, size);

  kv::TkvPDFDocument doc;
  doc.SetUseFileStreams(fileStreams);
  Listen(doc);
  ChooseOutput(doc, size);
  bool loaded = false;
  kvfuzz::Guarded([&] { loaded = doc.LoadFromFile(in); });
  if (loaded) {
    kvfuzz::Guarded([&] { doc.SaveToFileAs(out); });
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
// loader rather than by the offset check, and both ways of reading see hostile files.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadAndSave(data, size, false);
  std::string rebuilt = kvfuzz::WithRebuiltXRef(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!rebuilt.empty()) LoadAndSave(reinterpret_cast<const uint8_t*>(rebuilt.data()), rebuilt.size(), true);
  return 0;
}
