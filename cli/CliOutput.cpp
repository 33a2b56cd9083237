#include "CliOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "CliCleanup.h"
#include "CliConsts.h"

namespace folio {

namespace {

// The kernel gives up on chains of symbolic links at 40; so do we.
constexpr int kMaxLinkHops = 40;

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// `path` with every symbolic link of its last part followed, also to a target that does
// not exist yet (a link made in advance for the output). 0, or the error.
int FollowLinks(std::string& path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string link(PATH_MAX, '\0');
    ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) >= link.size()) return ENAMETOOLONG;
    link.resize(static_cast<size_t>(n));
    path = !link.empty() && link[0] == '/' ? link : DirectoryOf(path) + "/" + link;
  }
  return ELOOP;
}

// Writes all of `bytes` to `fd`; 0, or the error.
int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)), path_(target_) {
  if (target_ == "-") {
    stdout_ = direct_ = true;
    return;
  }
  if (int error = FollowLinks(path_)) Fail(error);
  struct stat st {};
  if (stat(path_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail(EISDIR);
    direct_ = !S_ISREG(st.st_mode);
  }
}

OutputFile::~OutputFile() {
  if (!temp_.empty()) cleanup::Remove(temp_);
}

void OutputFile::Fail(int error) const {
  if (stdout_) throw std::runtime_error(kv::Format(msg::SCannotWriteStdout, std::strerror(error)));
  throw std::runtime_error(kv::Format(msg::SCannotWrite, target_.c_str(), std::strerror(error)));
}

void OutputFile::CreateTemporary() {
  size_t slash = path_.find_last_of('/');
  std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  std::string temp = dir + "." + name + ".XXXXXX";
  int fd = cleanup::CreateTemporary(temp);
  if (fd < 0) Fail(errno);
  temp_ = temp;
  // The new file takes the place of the old one with its permissions (and owner, where
  // we may set it); a new file gets what the umask allows.
  struct stat st {};
  if (stat(path_.c_str(), &st) == 0) {
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Not ours to give away: the file keeps our owner, as any new file would.
    }
    fchmod(fd, st.st_mode & 07777);
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  close(fd);
}

void OutputFile::Write(kv::TkvCustomPDFDocument& doc) {
  if (direct_) {
    kv::TkvMemoryStream memory;
    doc.SaveToStream(memory);
    bytes_.assign(memory.Memory(), static_cast<size_t>(memory.GetSize()));
    return;
  }
  CreateTemporary();
  try {
    kv::TkvFileStream file(temp_, kv::TkvFileStream::Mode::fmCreate);
    doc.SaveToStream(file);
    file.Flush(false);
  } catch (const kv::EReadError& e) {
    // A full disk and the like: the stream's message names no file; ours names the
    // output, never the temporary file.
    throw std::runtime_error(kv::Format(msg::SCannotWrite, target_.c_str(), e.what()));
  }
}

void OutputFile::Commit() {
  if (stdout_) {
    if (int error = WriteAll(STDOUT_FILENO, bytes_)) Fail(error);
    return;
  }
  if (direct_) {
    int fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) Fail(errno);
    int error = WriteAll(fd, bytes_);
    if (close(fd) != 0 && !error) error = errno;
    if (error) Fail(error);
    return;
  }
  if (rename(temp_.c_str(), path_.c_str()) != 0) Fail(errno);
  cleanup::Forget(temp_);
  temp_.clear();
}

}  // namespace folio
