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

  // The next object, or none when the next character ends an enclosing construct.
  TkvPDFObjectPtr ReadObject();
  // The data of a stream object whose dictionary was just read (Length already resolved).
  std::unique_ptr<TkvMemoryStream> ReadStreamData(int64_t length, int32_t objectNumber, int32_t generation);
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
  TkvPDFObjectPtr ReadKeyword(std::string_view word);
  TkvPDFObjectPtr ReadIndirectObject(int32_t number, uint16_t generation);
  void CheckObjectHeaderRead() const;
  bool NextIsStreamKeyword();
  int64_t FindLastStartXRef();

  int depth_ = 0;        // open arrays and dictionaries
  int objectDepth_ = 0;  // open "obj" headers (an object inside an object)
  // Token buffers reused by every number read, so tokens cost no allocation.
  std::string tok1_, tok2_, tok3_;
};

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
// without bound.
void ReadXRefSection(TkvPDFStreamReader& reader, int64_t offset, TkvXRefTable& table,
                     const std::function<void()>& onSection);

}  // namespace kv
