#include "core/kvClasses.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/kvClassesConsts.h"
#include "core/kvMappedFiles.h"

namespace kv {

std::string Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    std::vsnprintf(out.data(), out.size() + 1, fmt, ap2);
  }
  va_end(ap2);
  return out;
}

// ---- TkvStream ----

int64_t TkvStream::GetSize() {
  int64_t pos = Seek(0, TkvSeekOrigin::soCurrent);
  int64_t size = Seek(0, TkvSeekOrigin::soEnd);
  Seek(pos, TkvSeekOrigin::soBeginning);
  return size;
}

void TkvStream::SetSize(int64_t) {}

void TkvStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError(msg::SStreamReadError);
}

void TkvStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EReadError(msg::SStreamWriteError);
}

int64_t TkvStream::CopyFrom(TkvStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (auto* mem = dynamic_cast<TkvMemoryStream*>(&source)) {
    int64_t pos = mem->Position();
    int64_t avail = std::max<int64_t>(0, static_cast<int64_t>(mem->Size()) - pos);
    if (count > avail) throw EReadError(msg::SStreamReadError);
    WriteBuffer(mem->Memory() + pos, count);
    mem->Seek(count, TkvSeekOrigin::soCurrent);
    return count;
  }
  constexpr int64_t kBlock = 64 * 1024;
  std::string buf(static_cast<size_t>(std::min(count, kBlock)), '\0');
  int64_t left = count;
  while (left > 0) {
    int64_t n = std::min(left, kBlock);
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return count;
}

// ---- TkvMemoryStream ----

TkvMemoryStream::TkvMemoryStream(TkvSharedBytes shared, size_t offset, size_t length) {
  if (!shared) return;
  offset = std::min(offset, shared->size());
  length = std::min(length, shared->size() - offset);
  view_ = shared->data() + offset;
  viewSize_ = length;
  shared_ = std::move(shared);
}

std::unique_ptr<TkvMemoryStream> TkvMemoryStream::View(std::shared_ptr<const void> owner, const char* data,
                                                       size_t length) {
  auto stream = std::make_unique<TkvMemoryStream>();
  if (!owner) return stream;
  stream->shared_ = std::move(owner);
  stream->view_ = data;
  stream->viewSize_ = length;
  return stream;
}

void TkvMemoryStream::MakeOwned() {
  if (!shared_) return;
  own_.assign(view_, viewSize_);
  shared_.reset();
  view_ = nullptr;
  viewSize_ = 0;
}

void TkvMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  if (shared_ && static_cast<size_t>(newSize) <= viewSize_) {
    viewSize_ = static_cast<size_t>(newSize);
  } else {
    MakeOwned();
    own_.resize(static_cast<size_t>(newSize));
  }
  if (pos_ > newSize) pos_ = newSize;
}

int64_t TkvMemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = static_cast<int64_t>(Size());
  if (count <= 0 || pos_ >= size) return 0;
  int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, Memory() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TkvMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  MakeOwned();
  size_t end = static_cast<size_t>(pos_ + count);
  if (end > own_.size()) own_.resize(end);
  std::memcpy(own_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TkvMemoryStream::Seek(int64_t offset, TkvSeekOrigin origin) {
  switch (origin) {
    case TkvSeekOrigin::soBeginning:
      pos_ = offset;
      break;
    case TkvSeekOrigin::soCurrent:
      pos_ += offset;
      break;
    case TkvSeekOrigin::soEnd:
      pos_ = static_cast<int64_t>(Size()) + offset;
      break;
  }
  if (pos_ < 0) pos_ = 0;
  return pos_;
}

void TkvMemoryStream::Assign(std::string bytes) {
  shared_.reset();
  view_ = nullptr;
  viewSize_ = 0;
  own_ = std::move(bytes);
  pos_ = 0;
}

std::string TkvMemoryStream::TakeBytes() {
  MakeOwned();
  std::string out = std::move(own_);
  own_.clear();
  pos_ = 0;
  return out;
}

std::unique_ptr<TkvMemoryStream> TkvMemoryStream::CloneBytes() const {
  if (shared_) return View(shared_, view_, viewSize_);
  return std::make_unique<TkvMemoryStream>(own_);
}

std::unique_ptr<TkvMemoryStream> TkvMemoryStream::Slice(size_t offset, size_t length) const {
  size_t size = Size();
  offset = std::min(offset, size);
  length = std::min(length, size - offset);
  if (shared_) return View(shared_, view_ + offset, length);
  return std::make_unique<TkvMemoryStream>(own_.substr(offset, length));
}

// ---- TkvExtMemStream ----

uint8_t TkvExtMemStream::ReadByte() {
  uint8_t b = 0;
  if (Read(&b, 1) != 1) return 0;
  return b;
}

uint16_t TkvExtMemStream::ReadWord() {
  uint8_t b[2] = {0, 0};
  Read(b, 2);
  return static_cast<uint16_t>(b[0] * 256 + b[1]);
}

uint32_t TkvExtMemStream::ReadLong() {
  uint8_t b[4] = {0, 0, 0, 0};
  Read(b, 4);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

std::string TkvExtMemStream::ReadString(int64_t count) {
  // Counts come from font files: never allocate more than the stream can deliver.
  count = std::min(count, static_cast<int64_t>(Size()) - pos_);
  std::string s(static_cast<size_t>(std::max<int64_t>(0, count)), '\0');
  int64_t n = Read(s.data(), count);
  s.resize(static_cast<size_t>(std::max<int64_t>(0, n)));
  return s;
}

void TkvExtMemStream::Skip(int64_t delta) {
  int64_t p = std::clamp<int64_t>(pos_ + delta, 0, static_cast<int64_t>(Size()));
  pos_ = p;
}

void TkvExtMemStream::WriteByte(uint8_t b) { Write(&b, 1); }

void TkvExtMemStream::WriteBytes(const std::vector<uint8_t>& bytes) {
  if (!bytes.empty()) Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TkvExtMemStream::WriteString(std::string_view s) {
  if (!s.empty()) Write(s.data(), static_cast<int64_t>(s.size()));
}

void TkvExtMemStream::WriteWord(uint16_t w) {
  uint8_t b[2] = {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)};
  Write(b, 2);
}

void TkvExtMemStream::WriteLong(uint32_t l) {
  uint8_t b[4] = {static_cast<uint8_t>(l >> 24), static_cast<uint8_t>(l >> 16), static_cast<uint8_t>(l >> 8),
                  static_cast<uint8_t>(l)};
  Write(b, 4);
}

void TkvExtMemStream::PadTo4() {
  Seek(0, TkvSeekOrigin::soEnd);
  int64_t rem = static_cast<int64_t>(Size()) % 4;
  if (rem != 0) {
    static const char zeros[4] = {0, 0, 0, 0};
    PadCount = 4 - rem;
    Write(zeros, PadCount);
  } else {
    PadCount = 0;
  }
}

// ---- TkvFileStream ----

TkvFileStream::TkvFileStream(const std::string& fileName, Mode mode) : fileName_(fileName) {
  if (mode == Mode::fmOpenRead) {
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw EReadError(Format(msg::SCannotOpenFile, fileName.c_str(), std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      throw EReadError(Format(msg::SCannotOpenFile, fileName.c_str(), std::strerror(EISDIR)));
    }
  } else {
    fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EReadError(Format(msg::SCannotCreateFile, fileName.c_str(), std::strerror(errno)));
  }
}

TkvFileStream::~TkvFileStream() {
  if (fd_ >= 0) {
    try {
      FlushWrites();
    } catch (...) {
    }
    ::close(fd_);
  }
}

void TkvFileStream::WriteAll(const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError(Format("%s (%s)", msg::SStreamWriteError, std::strerror(errno)));
    }
    done += static_cast<size_t>(n);
  }
}

void TkvFileStream::FlushWrites() {
  if (writeBuffer_.empty()) return;
  std::string pending;
  pending.swap(writeBuffer_);  // cleared whether or not the write succeeds
  WriteAll(pending.data(), pending.size());
  pending.clear();
  writeBuffer_.swap(pending);  // keeps the capacity
}

void TkvFileStream::Flush(bool sync) {
  FlushWrites();
  if (sync && ::fsync(fd_) != 0) throw EReadError(Format("%s (%s)", msg::SStreamWriteError, std::strerror(errno)));
}

int64_t TkvFileStream::GetSize() {
  FlushWrites();
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

int64_t TkvFileStream::Read(void* buffer, int64_t count) {
  FlushWrites();
  int64_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t n = ::read(fd_, p + total, static_cast<size_t>(count - total));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError(Format("%s (%s)", msg::SStreamReadError, std::strerror(errno)));
    }
    if (n == 0) break;
    total += n;
  }
  return total;
}

int64_t TkvFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  constexpr size_t kBuffer = 256 * 1024;
  if (writeBuffer_.size() + static_cast<size_t>(count) > kBuffer) FlushWrites();
  if (static_cast<size_t>(count) >= kBuffer) {
    WriteAll(static_cast<const char*>(buffer), static_cast<size_t>(count));  // not copied first
  } else {
    writeBuffer_.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
  }
  return count;
}

int64_t TkvFileStream::Seek(int64_t offset, TkvSeekOrigin origin) {
  if (origin == TkvSeekOrigin::soCurrent && offset == 0 && !writeBuffer_.empty()) {
    off_t base = ::lseek(fd_, 0, SEEK_CUR);
    return base + static_cast<int64_t>(writeBuffer_.size());
  }
  FlushWrites();
  int whence = origin == TkvSeekOrigin::soBeginning ? SEEK_SET
               : origin == TkvSeekOrigin::soCurrent ? SEEK_CUR
                                                    : SEEK_END;
  off_t r = ::lseek(fd_, offset, whence);
  if (r < 0) return ::lseek(fd_, 0, SEEK_CUR);
  return r;
}

TkvSharedBytes ReadWholeFile(const std::string& fileName) {
  TkvFileStream file(fileName, TkvFileStream::Mode::fmOpenRead);
  int64_t size = file.GetSize();
  if (size < 0 || static_cast<uint64_t>(size) > std::string().max_size() / 2)
    throw EReadError(Format(msg::SFileTooLarge, fileName.c_str()));
  auto bytes = std::make_shared<std::string>();
  bytes->resize(static_cast<size_t>(size));
  int64_t n = file.Read(bytes->data(), size);
  bytes->resize(static_cast<size_t>(n));
  return bytes;
}

std::unique_ptr<TkvMemoryStream> MapWholeFile(const std::string& fileName) {
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  std::unique_ptr<TkvMemoryStream> mapped;
  if (fd >= 0) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<uint64_t>(st.st_size) <= std::string().max_size() / 2)
      mapped = MapFileDescriptor(fd, static_cast<size_t>(st.st_size));
    ::close(fd);  // the mapping keeps the file
  }
  if (mapped) return mapped;
  TkvSharedBytes bytes = ReadWholeFile(fileName);
  size_t n = bytes->size();
  return std::make_unique<TkvMemoryStream>(std::move(bytes), 0, n);
}

// ---- TkvReadOnlyFilter ----

TkvReadOnlyFilter::TkvReadOnlyFilter(TkvStream* stream) : Size(0), Stream(stream) {
  if (!stream) throw EInvalidStream(msg::SInvalidStream);
  Size = stream->GetSize();
}

int64_t TkvReadOnlyFilter::Read(void* buffer, int64_t count) { return Stream->Read(buffer, count); }

int64_t TkvReadOnlyFilter::Write(const void*, int64_t) { throw EReadError(msg::SWriteOnlyCannotRead); }

int64_t TkvReadOnlyFilter::Seek(int64_t offset, TkvSeekOrigin origin) { return Stream->Seek(offset, origin); }

// ---- TkvRandomAccessFilter ----

TkvRandomAccessFilter::TkvRandomAccessFilter(TkvStream* stream) : TkvReadOnlyFilter(stream) {
  memory_ = dynamic_cast<TkvMemoryStream*>(stream);
  LoadWindow(stream->Position());
}

void TkvRandomAccessFilter::LoadWindow(int64_t pos) {
  if (pos < 0) pos = 0;
  if (memory_) {
    base_ = memory_->Memory();
    end_ = base_ + memory_->Size();
    windowStart_ = 0;
    cur_ = base_ + std::min<int64_t>(pos, static_cast<int64_t>(memory_->Size()));
    if (pos > static_cast<int64_t>(memory_->Size())) {
      // Past the end: an empty window that still reports the requested position.
      windowStart_ = pos;
      base_ = cur_ = end_;
    }
    return;
  }
  window_.resize(static_cast<size_t>(kWindowSize));
  Stream->Seek(pos, TkvSeekOrigin::soBeginning);
  int64_t n = Stream->Read(window_.data(), kWindowSize);
  windowStart_ = pos;
  base_ = cur_ = window_.data();
  end_ = base_ + std::max<int64_t>(0, n);
}

char TkvRandomAccessFilter::SlowReadChar() {
  int64_t pos = Pos();
  if (memory_ || pos >= Size) return 0;
  LoadWindow(pos);
  if (cur_ < end_) return *cur_++;
  return 0;
}

bool TkvRandomAccessFilter::SlowAtEnd() {
  int64_t pos = Pos();
  if (memory_ || pos >= Size) return true;
  LoadWindow(pos);
  return cur_ >= end_;
}

int64_t TkvRandomAccessFilter::Seek(int64_t offset, TkvSeekOrigin origin) {
  int64_t target = offset;
  if (origin == TkvSeekOrigin::soCurrent)
    target = Pos() + offset;
  else if (origin == TkvSeekOrigin::soEnd)
    target = Size + offset;
  if (target < 0) target = 0;
  if (target >= windowStart_ && target <= windowStart_ + (end_ - base_) && base_ != nullptr)
    cur_ = base_ + (target - windowStart_);
  else
    LoadWindow(target);
  return Pos();
}

int64_t TkvRandomAccessFilter::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  auto* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (total < count) {
    if (cur_ >= end_ && SlowAtEnd()) break;
    int64_t n = std::min<int64_t>(count - total, end_ - cur_);
    std::memcpy(out + total, cur_, static_cast<size_t>(n));
    cur_ += n;
    total += n;
  }
  return total;
}

void TkvRandomAccessFilter::ReadString(int64_t count, std::string& s) {
  s.resize(static_cast<size_t>(std::max<int64_t>(0, std::min<int64_t>(count, Size - Pos() + 1))));
  int64_t n = Read(s.data(), static_cast<int64_t>(s.size()));
  s.resize(static_cast<size_t>(n));
}

char TkvRandomAccessFilter::PeekChar() {
  if (cur_ < end_) return *cur_;
  int64_t pos = Pos();
  char c = ReadChar();
  Seek(pos, TkvSeekOrigin::soBeginning);
  return c;
}

void TkvRandomAccessFilter::PeekString(int64_t count, std::string& s) {
  int64_t pos = Pos();
  ReadString(count, s);
  Seek(pos, TkvSeekOrigin::soBeginning);
}

std::string_view TkvRandomAccessFilter::MemoryView() const {
  if (!memory_) return {};
  return memory_->Bytes();
}

std::unique_ptr<TkvMemoryStream> TkvRandomAccessFilter::ReadSlice(int64_t count) {
  if (count < 0) count = 0;
  if (memory_) {
    int64_t pos = Pos();
    int64_t avail = std::max<int64_t>(0, static_cast<int64_t>(memory_->Size()) - pos);
    int64_t n = std::min(count, avail);
    auto slice = memory_->Slice(static_cast<size_t>(pos), static_cast<size_t>(n));
    Seek(pos + n, TkvSeekOrigin::soBeginning);
    return slice;
  }
  std::string bytes;
  ReadString(count, bytes);
  return std::make_unique<TkvMemoryStream>(std::move(bytes));
}

// ---- TkvWriteOnlyFilter ----

TkvWriteOnlyFilter::TkvWriteOnlyFilter(TkvStream* stream) : Stream(stream) {
  if (!stream) throw EInvalidStream(msg::SInvalidStream);
}

int64_t TkvWriteOnlyFilter::Read(void*, int64_t) { throw EReadError(msg::SWriteOnlyCannotRead); }

int64_t TkvWriteOnlyFilter::Write(const void* buffer, int64_t count) { return Stream->Write(buffer, count); }

int64_t TkvWriteOnlyFilter::Seek(int64_t offset, TkvSeekOrigin origin) { return Stream->Seek(offset, origin); }

// ---- TkvObjectList ----

void TkvObjectList::Grow() {
  int32_t delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ + delta);
}

void TkvObjectList::SetCapacity(int32_t capacity) {
  if (capacity < GetCount()) capacity = GetCount();
  capacity_ = capacity;
  items_.reserve(static_cast<size_t>(capacity));
}

int32_t TkvObjectList::Add(int64_t id, TkvObject* obj) {
  int32_t index = GetCount();
  Insert(index, id, obj);
  return index;
}

void TkvObjectList::Insert(int32_t index, int64_t id, TkvObject* obj) {
  if (id < 0) throw EInvalidID(Format(msg::SInvalidUniqueID, static_cast<long long>(id)));
  if (index < 0 || index > GetCount()) throw Exception(Format(msg::SListIndexOutOfBounds, index));
  if (GetCount() == capacity_) Grow();
  if (index == GetCount()) {
    items_.push_back({id, obj});
    if (indexValid_) index_.emplace(id, index);
  } else {
    items_.insert(items_.begin() + index, Item{id, obj});
    indexValid_ = false;
  }
}

TkvObject* TkvObjectList::GetObject(int32_t index) const {
  if (index < 0 || index >= GetCount()) throw Exception(Format(msg::SListIndexOutOfBounds, index));
  return items_[static_cast<size_t>(index)].Obj;
}

void TkvObjectList::RebuildIndex() const {
  index_.clear();
  index_.reserve(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) index_.emplace(items_[i].ID, static_cast<int32_t>(i));
  indexValid_ = true;
}

int32_t TkvObjectList::IndexOfID(int64_t id) const {
  if (!indexValid_) RebuildIndex();
  auto it = index_.find(id);
  return it == index_.end() ? -1 : it->second;
}

void TkvObjectList::Merge(TkvObjectList& other) {
  // Every ID of a list is present in itself: merging it into itself would destroy all
  // of its objects while it still holds them.
  if (&other == this) return;
  // Room for both lists at once; when the list must grow it grows by half again at least,
  // so merging many small lists (one per page taken) stays linear.
  int32_t needed = other.GetCount() + GetCount();
  if (needed > capacity_) SetCapacity(std::max(needed, capacity_ + capacity_ / 2));
  for (const Item& item : other.items_) {
    if (IndexOfID(item.ID) == -1) {
      items_.push_back(item);
      if (indexValid_) index_.emplace(item.ID, GetCount() - 1);
    } else {
      delete item.Obj;
    }
  }
}

void TkvObjectList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
  index_.clear();
  indexValid_ = true;
}

}  // namespace kv
