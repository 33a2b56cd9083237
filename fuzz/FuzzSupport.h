// Shared pieces of the fuzz drivers: a stream that is not a memory stream (so the reader
// takes its windowed path), a scratch folder for the drivers that go through files, and
// the rule that only the library's own exceptions may leave the code under test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/kvClasses.h"
#include "pdf/document/kvCstPDFDoc.h"

namespace kvfuzz {

// Reads from a byte view through the plain stream interface. The reader keeps a window
// of bytes for anything that is not a memory stream; this stream exercises that path.
class ViewStream : public kv::TkvStream {
 public:
  explicit ViewStream(std::string_view bytes) : bytes_(bytes) {}
  int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }
  int64_t Read(void* buffer, int64_t count) override {
    if (count <= 0 || pos_ >= GetSize()) return 0;
    int64_t n = std::min<int64_t>(count, GetSize() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, kv::TkvSeekOrigin origin) override {
    int64_t base = origin == kv::TkvSeekOrigin::soBeginning ? 0
                   : origin == kv::TkvSeekOrigin::soCurrent ? pos_
                                                            : GetSize();
    pos_ = base + offset;
    if (pos_ < 0) pos_ = 0;
    return pos_;
  }

 private:
  std::string_view bytes_;
  int64_t pos_ = 0;
};

// A folder of this process for input and output files, on a RAM disk when there is one;
// removed when the process ends.
const std::string& ScratchDir();
void WriteBytes(const std::string& path, const uint8_t* data, size_t size);
void RemoveFile(const std::string& path);

// The input with a fresh cross-reference table and trailer appended, built from the
// "N G obj" headers it holds and the last trailer dictionary in it (a /Prev there is
// disarmed). Mutations shift offsets; with the table rebuilt, a mutated object still
// reaches the loader's deeper stages instead of failing at its offset. Empty when the
// input has no object header.
std::string WithRebuiltXRef(std::string_view input);

// Whether a saved document has a version above 1.5 (or AES), so that reading it back
// needs the reader of modern files.
bool WrittenAsModern(kv::TkvCustomPDFDocument& doc);
// A warning handler for reading back what the library wrote: a file of ours that needs
// its cross-reference data rebuilt is a finding.
void AbortOnRebuild(kv::TkvCustomPDFDocument* doc, const std::string& warning);

// Runs `body`; the library's own exceptions end the input quietly. Anything else
// (std::bad_alloc, std::out_of_range, ...) escapes and is reported as a crash.
template <typename F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const kv::Exception&) {
  }
}

}  // namespace kvfuzz
