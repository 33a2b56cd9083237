// Small building blocks shared by every unit of the library: the exception family,
// the stream classes (memory, file, and the wrappers that restrict or extend a stream),
// the keyed object list behind the object store, and the component base class.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

// The library's root exception: a message and a help context.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, int helpContext = 0)
      : std::runtime_error(message), helpContext_(helpContext) {}
  int HelpContext() const { return helpContext_; }

 private:
  int helpContext_;
};

// printf-style formatting for messages of the string tables.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

class TkvException : public Exception {
 public:
  using Exception::Exception;
  int32_t Tag = 0;
};
class EInvalidID : public TkvException {
  using TkvException::TkvException;
};
class EInvalidStream : public TkvException {
  using TkvException::TkvException;
};
class EReadError : public TkvException {
  using TkvException::TkvException;
};

// Root of every polymorphic object that an object list may hold (and destroy).
class TkvObject {
 public:
  virtual ~TkvObject() = default;
};

enum class TkvSeekOrigin { soBeginning, soCurrent, soEnd };

// Abstract byte stream: position, size, read, write, seek.
class TkvStream : public TkvObject {
 public:
  virtual int64_t GetSize();
  virtual void SetSize(int64_t newSize);
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TkvSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TkvSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TkvSeekOrigin::soBeginning); }
  // Reads or writes exactly `count` bytes or fails with EReadError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteText(std::string_view text) { WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }
  // Copies `count` bytes from the source's position; 0 copies the whole source from its start.
  int64_t CopyFrom(TkvStream& source, int64_t count);
};

// Immutable bytes shared between streams (a file read into memory, a decoded stream).
using TkvSharedBytes = std::shared_ptr<const std::string>;

// A growable in-memory stream. It either owns its bytes or views a slice of shared,
// immutable bytes; the first change to a viewing stream copies the slice (copy on write).
// Views let stream data read from a file be held once, however often it is cloned.
class TkvMemoryStream : public TkvStream {
 public:
  TkvMemoryStream() = default;
  explicit TkvMemoryStream(std::string bytes) : own_(std::move(bytes)) {}
  TkvMemoryStream(TkvSharedBytes shared, size_t offset, size_t length);
  // A stream viewing `length` bytes at `data`, which `owner` keeps alive and unchanged (a
  // mapped file, a string).
  static std::unique_ptr<TkvMemoryStream> View(std::shared_ptr<const void> owner, const char* data, size_t length);

  int64_t GetSize() override { return static_cast<int64_t>(Size()); }
  void SetSize(int64_t newSize) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override;

  const char* Memory() const { return shared_ ? view_ : own_.data(); }
  size_t Size() const { return shared_ ? viewSize_ : own_.size(); }
  std::string_view Bytes() const { return {Memory(), Size()}; }
  size_t Capacity() const { return shared_ ? viewSize_ : own_.capacity(); }
  // Replaces the content; the position goes to 0.
  void Assign(std::string bytes);
  void Clear() { Assign(std::string()); }
  // Moves the bytes out (the stream is left empty).
  std::string TakeBytes();
  // A new stream with the same bytes, sharing them when this stream views shared bytes.
  std::unique_ptr<TkvMemoryStream> CloneBytes() const;
  // A stream viewing `length` bytes at `offset` of this one, sharing them when this
  // stream views shared bytes, else holding a copy.
  std::unique_ptr<TkvMemoryStream> Slice(size_t offset, size_t length) const;

 protected:
  void MakeOwned();
  std::string own_;
  std::shared_ptr<const void> shared_;  // keeps the viewed bytes alive
  const char* view_ = nullptr;
  size_t viewSize_ = 0;
  int64_t pos_ = 0;
};

// Memory stream with big-endian helpers, used by the text filters and the font code.
class TkvExtMemStream : public TkvMemoryStream {
 public:
  using TkvMemoryStream::TkvMemoryStream;
  int64_t PadCount = 0;

  uint8_t ReadByte();
  uint16_t ReadWord();
  uint32_t ReadLong();
  std::string ReadString(int64_t count);
  void Skip(int64_t delta);
  void WriteByte(uint8_t b);
  void WriteBytes(const std::vector<uint8_t>& bytes);
  void WriteString(std::string_view s);
  void WriteWord(uint16_t w);
  void WriteLong(uint32_t l);
  void PadTo4();
};

// A stream over a file of the operating system.
class TkvFileStream : public TkvStream {
 public:
  enum class Mode { fmOpenRead, fmCreate };
  TkvFileStream(const std::string& fileName, Mode mode);
  ~TkvFileStream() override;
  TkvFileStream(const TkvFileStream&) = delete;
  TkvFileStream& operator=(const TkvFileStream&) = delete;

  int64_t GetSize() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override;
  const std::string& FileName() const { return fileName_; }
  // Pushes buffered output to the operating system and the disk.
  void Flush(bool sync);

 private:
  void FlushWrites();
  void WriteAll(const char* data, size_t size);
  std::string fileName_;
  int fd_ = -1;
  std::string writeBuffer_;
};

// Reads the whole file into shared memory; fails with EReadError naming the file.
TkvSharedBytes ReadWholeFile(const std::string& fileName);
// The whole file as a memory stream viewing a read-only mapping of it: only the parts that
// are read take memory, and slices of it (stream data) share the mapping. A file that cannot
// be mapped (empty, not a regular file) is read as ReadWholeFile reads it, with its errors.
// The file must not shrink while it is mapped.
std::unique_ptr<TkvMemoryStream> MapWholeFile(const std::string& fileName);

// Wraps a stream and only reads from it. The wrapped stream is not owned.
class TkvReadOnlyFilter : public TkvStream {
 public:
  explicit TkvReadOnlyFilter(TkvStream* stream);
  int64_t GetSize() override { return Size; }
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override;

  int64_t Size;
  TkvStream* Stream;
};

// A read-only filter with cheap look-ahead. Reading goes through a window of bytes:
// the whole buffer of a memory stream, or a block of any other stream, so one byte
// costs a compare and an increment rather than a call into the wrapped stream.
class TkvRandomAccessFilter : public TkvReadOnlyFilter {
 public:
  explicit TkvRandomAccessFilter(TkvStream* stream);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override;

  char ReadChar() { return cur_ < end_ ? *cur_++ : SlowReadChar(); }
  bool AtEnd() { return cur_ >= end_ && SlowAtEnd(); }
  void ReadString(int64_t count, std::string& s);
  char PeekChar();
  void PeekString(int64_t count, std::string& s);
  void StepBack() {
    if (cur_ > base_)
      --cur_;
    else
      Seek(-1, TkvSeekOrigin::soCurrent);
  }
  void SkipBytes(int64_t n) { Seek(n, TkvSeekOrigin::soCurrent); }
  int64_t Pos() const { return windowStart_ + (cur_ - base_); }
  // The whole input as one view when it is memory-backed (empty otherwise).
  std::string_view MemoryView() const;
  // The next `count` bytes (fewer at the end of the input) as a new memory stream;
  // a slice of the input's shared bytes when it has them, so nothing is copied.
  std::unique_ptr<TkvMemoryStream> ReadSlice(int64_t count);

 protected:
  // The bytes of the current window from the position on (possibly fewer than remain in
  // the input), for scanning in place; Advance(n) moves over n of them.
  std::string_view Ahead() const { return {cur_, static_cast<size_t>(end_ - cur_)}; }
  void Advance(size_t n) { cur_ += n; }

 private:
  char SlowReadChar();
  bool SlowAtEnd();
  void LoadWindow(int64_t pos);
  static constexpr int64_t kWindowSize = 64 * 1024;

  TkvMemoryStream* memory_ = nullptr;
  std::string window_;
  int64_t windowStart_ = 0;
  const char* base_ = nullptr;
  const char* cur_ = nullptr;
  const char* end_ = nullptr;
};

// Wraps a stream and only writes to it. The wrapped stream is not owned.
class TkvWriteOnlyFilter : public TkvStream {
 public:
  explicit TkvWriteOnlyFilter(TkvStream* stream);
  int64_t GetSize() override { return Stream->GetSize(); }
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override;

  TkvStream* Stream;
};

// A list of (ID, object) pairs in insertion order. IDs are 64-bit object keys. Lookups
// by ID go through a hash index kept beside the array, so the object store finds an
// object in constant time however many it holds. The list does not own its objects,
// except that Merge destroys the other list's objects whose ID is already present.
class TkvObjectList : public TkvObject {
 public:
  struct Item {
    int64_t ID;
    TkvObject* Obj;
  };

  int32_t Add(int64_t id, TkvObject* obj);
  void Insert(int32_t index, int64_t id, TkvObject* obj);
  TkvObject* GetObject(int32_t index) const;
  void GetItem(int32_t index, Item& pair) const { pair = items_[static_cast<size_t>(index)]; }
  int64_t GetID(int32_t index) const { return items_[static_cast<size_t>(index)].ID; }
  int32_t IndexOfID(int64_t id) const;
  int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
  int32_t Count() const { return GetCount(); }
  int32_t Capacity() const { return capacity_; }
  void SetCapacity(int32_t capacity);
  void Merge(TkvObjectList& other);
  void Clear();

 private:
  void Grow();
  void RebuildIndex() const;

  std::vector<Item> items_;
  int32_t capacity_ = 0;
  mutable std::unordered_map<int64_t, int32_t> index_;
  mutable bool indexValid_ = true;
};

// Base of the library's components: owner, name and two read-only texts.
class TkvComponent : public TkvObject {
 public:
  explicit TkvComponent(TkvComponent* owner = nullptr) : owner_(owner) {}
  TkvComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& About() const { return about_; }
  void SetAbout(const std::string&) {}
  const std::string& Version() const { return version_; }
  void SetVersion(const std::string&) {}

 protected:
  std::string about_;
  std::string version_;

 private:
  TkvComponent* owner_;
  std::string name_;
};

}  // namespace kv
