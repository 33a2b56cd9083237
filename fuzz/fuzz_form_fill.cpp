// Forms from arbitrary bytes: load, set a value on every field (an allowed one where the
// field has a list, else a text that needs escaping and characters outside one code
// page), save and read back, then merge the document with itself and extract and delete
// its first page, so field trees, appearance building and form merging see hostile forms.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "pdf/document/kvPDFDoc.h"

namespace {

// Fields set per input: enough to reach every kind of field in small inputs while a
// form of thousands of fields does not make one input run for minutes.
constexpr int32_t kMaxFieldsSet = 64;

void Fill(kv::TkvPDFDocument& doc, size_t size) {
  int32_t count = std::min(doc.FieldCount(), kMaxFieldsSet);
  for (int32_t i = 0; i < count; ++i) {
    kvfuzz::Guarded([&] {
      std::vector<std::string> options = doc.FieldOptions(i);
      std::string value = options.empty() ? "A (b) \\ c \xD0\x96 " + std::to_string(size)
                                          : options[static_cast<size_t>(i) % options.size()];
      doc.SetFieldValue(i, value);
    });
  }
}

void CheckReadsBack(const std::string& file, int32_t pages, int32_t fields) {
  kv::TkvPDFDocument again;
  try {
    again.LoadFromFile(file);
  } catch (const kv::Exception& e) {
    fprintf(stderr, "the filled file does not load: %s\n", e.what());
    abort();
  }
  if (again.PageCount() != pages || again.FieldCount() != fields) {
    fprintf(stderr, "saved %d pages and %d fields, read back %d and %d\n", pages, fields, again.PageCount(),
            again.FieldCount());
    abort();
  }
}

void FillAndMove(const uint8_t* data, size_t size) {
  const std::string& dir = kvfuzz::ScratchDir();
  const std::string in = dir + "/form.pdf", out = dir + "/filled.pdf", merged = dir + "/merged.pdf";
  kvfuzz::WriteBytes(in, data, size);
  kv::TkvPDFDocument doc;
  doc.OnWarning = [](kv::TkvCustomPDFDocument*, const std::string&) {};
  bool loaded = false;
  kvfuzz::Guarded([&] { loaded = doc.LoadFromFile(in); });
  if (loaded) {
    Fill(doc, size);
    bool saved = false;
    kvfuzz::Guarded([&] {
      doc.SaveToFileAs(out);
      saved = true;
    });
    if (saved) CheckReadsBack(out, doc.PageCount(), doc.FieldCount());
    if (saved) {
      kvfuzz::Guarded([&] {
        kv::TkvPDFDocument both;
        both.MergeDocuments({out, out});
        both.SaveToFileAs(merged);
      });
    }
    if (doc.PageCount() > 0) {
      kvfuzz::Guarded([&] {
        kv::TkvPDFDocument first;
        doc.ExtractPagesTo(first, "1");
        first.SaveToFileAs(merged);
        doc.DeletePages("1");
        doc.SaveToFileAs(out);
      });
    }
  }
  kvfuzz::RemoveFile(in);
  kvfuzz::RemoveFile(out);
  kvfuzz::RemoveFile(merged);
}

}  // namespace

// The input as it is, then with its cross-reference table rebuilt, so that mutations
// inside field dictionaries reach the form code instead of failing at an offset.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FillAndMove(data, size);
  std::string rebuilt = kvfuzz::WithRebuiltXRef(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!rebuilt.empty()) FillAndMove(reinterpret_cast<const uint8_t*>(rebuilt.data()), rebuilt.size());
  return 0;
}
