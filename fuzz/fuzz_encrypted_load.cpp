// Opening with a password: the first byte gives the password's length (0 to 32), the
// password follows, the rest is the file. A document that opens is saved again, which
// encrypts it anew with the settings the password unlocked. The file is tried as it is
// and with its cross-reference table rebuilt, and as it is read as a modern file (crypt
// filters, AES-128 and AES-256).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pdf/document/kvPDFDoc.h"

namespace {

// Passwords of the standard security handler are padded or cut to 32 bytes.
constexpr size_t kMaxPassword = 32;

void Open(const std::string& password, std::string_view file, bool modern) {
  const std::string& dir = kvfuzz::ScratchDir();
  const std::string in = dir + "/in.pdf", out = dir + "/out.pdf";
  kvfuzz::WriteBytes(in, reinterpret_cast<const uint8_t*>(file.data()), file.size());

  kv::TkvPDFDocument doc;
  doc.SetReadModernFiles(modern);
  doc.OnPassword = [&](kv::TkvCustomPDFDocument*, std::string& pw, bool& cont) {
    pw = password;
    cont = true;
  };
  doc.OnWarning = [](kv::TkvCustomPDFDocument*, const std::string&) {};
  bool loaded = false, saved = false;
  kvfuzz::Guarded([&] { loaded = doc.LoadFromFile(in); });
  if (loaded)
    kvfuzz::Guarded([&] {
      doc.SaveToFileAs(out);
      saved = true;
    });
  if (saved) {
    // What was written opens again with the same password, with the same pages.
    kv::TkvPDFDocument again;
    again.SetReadModernFiles(kvfuzz::WrittenAsModern(doc));
    again.OnWarning = kvfuzz::AbortOnRebuild;
    again.OnPassword = doc.OnPassword;
    try {
      again.LoadFromFile(out);
    } catch (const kv::Exception& e) {
      fprintf(stderr, "the saved file does not load: %s\n", e.what());
      abort();
    }
    if (again.PageCount() != doc.PageCount()) abort();
  }
  kvfuzz::RemoveFile(in);
  kvfuzz::RemoveFile(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t length = std::min<size_t>(data[0] % (kMaxPassword + 1), size - 1);
  std::string password(reinterpret_cast<const char*>(data + 1), length);
  std::string_view file(reinterpret_cast<const char*>(data + 1 + length), size - 1 - length);
  Open(password, file, false);
  std::string rebuilt = kvfuzz::WithRebuiltXRef(file);
  if (!rebuilt.empty()) Open(password, rebuilt, false);
  Open(password, file, true);
  return 0;
}
