// Reading PDF syntax: the lexer and object reader over a random-access input, and the
// file-structure readers (header, startxref, trailer, cross-reference sections).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/kvClasses.h"
#include "pdf/objects/kvPDFObjects.h"

namespace kv {

// Decryption of strings and stream data while reading, supplied by the security handler.
class TkvPDFDecryptor {
 public:
  virtual ~TkvPDFDecryptor() = default;
  virtual void DecryptString(std::string& bytes, int32_t objectNumber, int32_t generation) = 0;
  // May hand back a new stream in place of the given one.
  virtual std::unique_ptr<TkvMemoryStream> DecryptStream(std::unique_ptr<TkvMemoryStream> stream, int32_t objectNumber,
                                                         int32_t generation) = 0;
  // Whether the data of a stream with this dictionary is encrypted at all: cross-reference
  // streams never are, and a file may leave its metadata or chosen streams in the clear.
  virtual bool EncryptsStream(const TkvPDFDictObject*) const { return true; }
};

// The version in a file's header, and where the header begins.
struct TkvPDFHeader {
  uint8_t Major = 1;
  uint8_t Minor = 4;
  int64_t Offset = 0;
};

// Reads objects from a seekable input. Look-ahead is a read followed by a step back.
// Whitespace is LF, CR and space only (a tab belongs to a token).
class TkvPDFStreamReader : public TkvRandomAccessFilter {
 public:
  // Arrays and dictionaries nested deeper than this fail with the read error of the
  // construct: real files nest a handful of levels, and unbounded recursion would let a
  // hostile file exhaust the stack.
  static constexpr int kMaxNestingDepth = 256;

  TkvPDFStreamReader(int32_t owner, TkvStream* stream);

  int32_t Owner;
  TkvPDFDecryptor* Decryptor = nullptr;  // not owned
  int32_t CurrentObjectNumber = -1;
  int32_t CurrentGeneration = -1;
  // Reads what modern files hold beyond the classic syntax: headers of any 1.x or 2.x
  // version after leading bytes, cross-reference streams and hybrid sections, tables with
  // gaps or odd line ends, and stream data whose /Length is wrong (found up to "endstream").
  bool ReadModernFiles = false;
  // Bytes looked through to find "endstream" where /Length was wrong, for the loader's
  // reading budget.
  int64_t ScannedBytes = 0;

  // The next object, or none when the next character ends an enclosing construct.
  TkvPDFObjectPtr ReadObject();
  // The data of a stream object whose dictionary was just read (Length already resolved).
  // A negative length (modern files) means unknown: the data runs up to "endstream".
  // `dict`, when given, lets the decryptor leave streams in the clear that are not encrypted.
  std::unique_ptr<TkvMemoryStream> ReadStreamData(int64_t length, int32_t objectNumber, int32_t generation,
                                                  const TkvPDFDictObject* dict = nullptr);
  void ReadToken(std::string& s);
  void PeekToken(std::string& s);
  void SkipWhitespace();
  std::unique_ptr<TkvPDFStringObject> ReadString();
  std::unique_ptr<TkvPDFArrayObject> ReadArray();
  std::unique_ptr<TkvPDFNameObject> ReadName();
  std::unique_ptr<TkvPDFDictObject> ReadDictionary();

  // The base class's ReadString(count, s) stays reachable beside ReadString().
  using TkvRandomAccessFilter::ReadString;

  // File structure.
  uint8_t ReadHeader();
  // The header of a modern file: "%PDF-" within the first kMaxHeaderSearch bytes, then a
  // version 1.0 to 1.9 or 2.0 to 2.9. Without one it fails as ReadHeader does.
  TkvPDFHeader ReadModernHeader();
  // How far into a file its header may begin (mail and web software put bytes before it).
  static constexpr int64_t kMaxHeaderSearch = 1024;
  int64_t FindStartXRef();
  std::unique_ptr<TkvPDFDictObject> ReadTrailer();

  // The next byte (0-255), or -1 at the end of the input. ReadChar alone cannot tell a
  // NUL byte from the end, and every loop of the reader must stop at the end.
  int NextByte() { return AtEnd() ? -1 : static_cast<unsigned char>(ReadChar()); }
  // True when the next bytes are `word`; the position does not change.
  bool NextIs(std::string_view word);

 private:
  TkvPDFObjectPtr ReadNumberOrReference();
  bool ThirdTokenIsRefOrObj();
  TkvPDFObjectPtr ReadPlainNumber(int64_t afterFirst);
  bool ReadNumberInPlace(TkvPDFObjectPtr& out);
  TkvPDFObjectPtr NumberFromToken(std::string_view t);
  TkvPDFObjectPtr ReadKeyword(std::string_view word);
  TkvPDFObjectPtr ReadIndirectObject(int32_t number, uint16_t generation);
  void CheckObjectHeaderRead() const;
  bool NextIsStreamKeyword();
  int64_t FindLastStartXRef();
  std::unique_ptr<TkvMemoryStream> ReadDataUpToEndstream();
  // Reads a name ("/" and what follows up to a delimiter) into `name`.
  void ReadNameText(std::string& name);
  // Drops the scratch entries above the marks when a read ends, by return or exception.
  struct ScratchMark;

  int depth_ = 0;        // open arrays and dictionaries
  int objectDepth_ = 0;  // open "obj" headers (an object inside an object)
  // Token buffers reused by every number read, so tokens cost no allocation.
  std::string tok1_, tok2_, tok3_, name_;
  // The elements of the arrays and the entries of the dictionaries being read, as one stack
  // that nested reads share: each container, once closed, takes its own elements in one
  // allocation of the exact size, instead of growing its vectors element by element.
  std::vector<TkvPDFObjectPtr> scratchValues_;
  TkvDictKeys scratchKeys_;
};

// The entry type of an object kept in an object stream (modern files): its item's Offset
// is the object stream's number, its Generation the index within that stream.
inline constexpr char kXRefCompressed = 'c';

// Entries of modern files may leave gaps in the object numbers; past this many numbers
// beyond the file's size in bytes, entries are dropped rather than the list grown.
inline constexpr int64_t kMaxSparseObjectNumbers = int64_t{1} << 16;

// The cross-reference state of a document while it is opened.
struct TkvXRefTable {
  std::vector<TkvXRefItem> Items;  // indexed by object number
  TkvPDFTrailer Trailer;
  TkvPDFObjectPtr PendingID;  // /ID of the newest trailer that has one
};

// Reads the cross-reference section at `offset` and, first, every older section its
// trailer chain names through /Prev, so entries of newer sections win. `onSection` is
// called before each section is read (the document reports a status text there).
// A /Prev chain that revisits a section, entries beyond the file's size and object
// numbers beyond kMaxObjectNumber fail with an exception rather than loop or allocate
// without bound. With the reader's ReadModernFiles a section may also be a cross-reference
// stream, a table's trailer may add one (/XRefStm, whose in-use entries complete the
// table), and tables may leave gaps and vary their line ends.
void ReadXRefSection(TkvPDFStreamReader& reader, int64_t offset, TkvXRefTable& table,
                     const std::function<void()>& onSection);

// Whatever the holder does not have yet (/Root, /ID, /Encrypt, /Info) comes from `trailer`.
void TakeTrailerEntries(const TkvPDFDictObject& trailer, TkvXRefTable& table);
// Sets entry `number` of a modern file's list, filling a gap before it with free entries;
// numbers beyond kMaxObjectNumber or far beyond the file's size are dropped.
void PlaceXRefEntry(std::vector<TkvXRefItem>& items, int64_t number, const TkvXRefItem& item, int64_t fileSize);

}  // namespace kv
