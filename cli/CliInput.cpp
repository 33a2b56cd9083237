#include "CliInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "CliCommands.h"
#include "CliConsts.h"
#include "core/kvMappedFiles.h"
#include "pdf/security/kvPDFCrypt.h"

namespace folio {

namespace {

// An input is held whole in memory; past this size (a device that never ends, a pipe
// fed without end) reading stops rather than exhaust memory.
constexpr int64_t kMaxInputBytes = int64_t{4} << 30;
constexpr size_t kReadChunk = size_t{1} << 20;

// Reads everything `fd` gives; 0, or the error.
int ReadAll(int fd, std::string& bytes) {
  for (;;) {
    if (static_cast<int64_t>(bytes.size()) > kMaxInputBytes) return EFBIG;
    // Into the room reserved for a file of known size first, then a chunk at a time.
    size_t have = bytes.size();
    size_t want = bytes.capacity() > have ? bytes.capacity() - have : kReadChunk;
    bytes.resize(have + want);
    ssize_t n = read(fd, bytes.data() + have, want);
    bytes.resize(have + static_cast<size_t>(n > 0 ? n : 0));
    if (n == 0) return 0;
    if (n < 0 && errno != EINTR) return errno;
  }
}

std::unique_ptr<kv::TkvMemoryStream> ReadInput(const std::string& file) {
  // Standard input can be read once only: a second mention gets the same bytes.
  static kv::TkvSharedBytes standardInput;
  if (file == "-" && standardInput)
    return std::make_unique<kv::TkvMemoryStream>(standardInput, 0, standardInput->size());
  auto bytes = std::make_shared<std::string>();
  int fd = file == "-" ? STDIN_FILENO : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw InputFailure(file, std::strerror(errno));
  struct stat st {};
  int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (!error && fd != STDIN_FILENO && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxInputBytes) {
    // Mapped rather than read: only what the command reads of the file takes memory (a few
    // pages of a large file cost those pages), and stream data stays a view of the file.
    std::unique_ptr<kv::TkvMemoryStream> mapped = kv::MapFileDescriptor(fd, static_cast<size_t>(st.st_size));
    if (mapped) {
      close(fd);  // the mapping keeps the file
      return mapped;
    }
  }
  if (!error) {
    if (S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxInputBytes)
      bytes->reserve(static_cast<size_t>(st.st_size) + 1);
    error = ReadAll(fd, *bytes);
  }
  if (fd != STDIN_FILENO) close(fd);
  if (error == EFBIG) throw InputFailure(file, kv::Format(msg::SInputTooLarge, static_cast<long long>(kMaxInputBytes)));
  if (error) throw InputFailure(file, std::strerror(error));
  if (file == "-") standardInput = bytes;
  const size_t size = bytes->size();
  return std::make_unique<kv::TkvMemoryStream>(std::move(bytes), 0, size);
}

}  // namespace

InputFailure::InputFailure(const std::string& file, const std::string& utf8Message)
    : std::runtime_error(kv::Format(msg::SInputFailure, InputName(file).c_str(), utf8Message.c_str())) {}

std::string InputName(const std::string& file) { return file == "-" ? msg::SStandardInput : file; }

void LoadInput(kv::TkvCustomPDFDocument& doc, const std::string& file, const InputOptions& in) {
  std::unique_ptr<kv::TkvMemoryStream> input = ReadInput(file);
  PrepareReading(doc, in);
  // Without passwords the library tries the empty user password by itself.
  const size_t attempts = std::max<size_t>(in.Passwords.size(), 1);
  for (size_t i = 0; i < attempts; ++i) {
    if (!in.Passwords.empty()) {
      std::string pw = in.Passwords[i];
      doc.OnPassword = [pw](kv::TkvCustomPDFDocument*, std::string& password, bool& cont) {
        password = pw;
        cont = true;
      };
    }
    try {
      if (doc.LoadFromStream(*input, file)) return;
      throw InputFailure(file, msg::SWrongPassword);
    } catch (const kv::EPasswordError& e) {
      if (i + 1 == attempts) throw InputFailure(file, ToUtf8(e.what()));
    } catch (const InputFailure&) {
      throw;
    } catch (const std::exception& e) {
      throw InputFailure(file, ToUtf8(e.what()));
    }
  }
}

void LoadInputPages(kv::TkvCustomPDFDocument& doc, const std::string& file, const std::vector<int32_t>& pages) {
  try {
    for (int32_t page : pages) doc.LoadDeferredPage(page);
  } catch (const std::exception& e) {
    throw InputFailure(file, ToUtf8(e.what()));
  }
}

bool IsInputAsGiven(const std::string& argument) {
  struct stat st {};
  return argument == "-" || stat(argument.c_str(), &st) == 0;
}

}  // namespace folio
