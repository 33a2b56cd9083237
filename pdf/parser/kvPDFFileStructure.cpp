// Header, startxref, trailer and the walk over the cross-reference sections.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "core/kvPDFConsts.h"
#include "pdf/objects/kvPDFObjectUtils.h"
#include "pdf/parser/kvPDFParsers.h"
#include "pdf/parser/kvPDFParsersConsts.h"
#include "pdf/parser/kvXRefStream.h"

namespace kv {

namespace {

constexpr std::string_view kStartXRef = "startxref";
// A cross-reference entry is a fixed record: 10 digits of offset, a space, 5 digits of
// generation, a space, "n" or "f", and a two-byte end of line.
constexpr int64_t kXRefEntrySize = 20;
// A file that is not in memory is searched for "startxref" in blocks of this size from
// its end, so the search holds one block rather than the whole file.
constexpr int64_t kStartXRefBlock = 64 * 1024;
// An offset after "startxref" longer than this cannot fit the 32-bit offsets of the
// cross-reference table; reading stops there instead of collecting a hostile run of digits.
constexpr size_t kMaxOffsetDigits = 10;
// Bytes the chain of sections may look through for "endstream", as a multiple of the
// file's size (with a floor for small files).
constexpr int64_t kMaxScanFactor = 4;
constexpr int64_t kMinScanBudget = int64_t{1} << 20;

inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }
inline bool IsAlnum(unsigned char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

bool MatchesStartXRefAt(std::string_view buf, size_t at) {
  for (size_t i = 0; i < kStartXRef.size(); ++i)
    if ((static_cast<unsigned char>(buf[at + i]) | 0x20) != static_cast<unsigned char>(kStartXRef[i])) return false;
  return true;
}

// The last whole-word, case-insensitive "startxref" of `buf` that begins in [from, to)
// (positions in `buf`); the bytes around a hit must not be letters or digits. -1 if none.
int64_t LastStartXRefIn(std::string_view buf, size_t from, size_t to) {
  const size_t n = kStartXRef.size();
  for (size_t h = to; h-- > from;) {
    if (h + n > buf.size() || (static_cast<unsigned char>(buf[h]) | 0x20) != 's' || !MatchesStartXRefAt(buf, h))
      continue;
    if (h > 0 && IsAlnum(static_cast<unsigned char>(buf[h - 1]))) continue;
    if (h + n < buf.size() && IsAlnum(static_cast<unsigned char>(buf[h + n]))) continue;
    return static_cast<int64_t>(h);
  }
  return -1;
}

[[noreturn]] void ThrowEntryNotInteger(std::string_view field) {
  throw EConvertError(Format(msg::SInvalidInteger, std::string(field).c_str()));
}

// A field of an entry: leading blanks, then decimal digits only (no sign).
int32_t EntryField(std::string_view field) {
  size_t start = field.find_first_not_of(' ');
  if (start == std::string_view::npos) ThrowEntryNotInteger(field);
  std::string_view digits = field.substr(start);
  int32_t v = 0;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return IsDigit(c); }) || !TryStrToInt(digits, v))
    ThrowEntryNotInteger(field);
  return v;
}

int32_t SubsectionNumber(const std::string& token) {
  int32_t v = 0;
  if (!TryStrToInt(token, v)) throw EConvertError(Format(msg::SInvalidInteger, token.substr(0, 64).c_str()));
  return v;
}

[[noreturn]] void ThrowXRefDetail(const std::string& detail) {
  throw ECrossReferenceError(Format(msg::SXRefTableErrorDetail, detail.c_str()));
}

[[noreturn]] void ThrowTrailerDetail(const std::string& detail) {
  throw ETrailerError(Format(msg::STrailerErrorDetail, detail.c_str()));
}

// Moves past everything up to the next decimal digit, which is left to be read.
bool SkipToDigit(TkvPDFStreamReader& reader) {
  int c;
  while ((c = reader.NextByte()) >= 0 && !IsDigit(c)) {
  }
  if (c < 0) return false;
  reader.StepBack();
  return true;
}

}  // namespace

void PlaceXRefEntry(std::vector<TkvXRefItem>& items, int64_t number, const TkvXRefItem& item, int64_t fileSize) {
  if (number < 0 || number > kMaxObjectNumber || number > fileSize + kMaxSparseObjectNumbers) return;
  if (static_cast<size_t>(number) >= items.size()) items.resize(static_cast<size_t>(number) + 1);
  items[static_cast<size_t>(number)] = item;
}

// Whatever the holder does not have yet comes from this trailer; the newest section is
// read first, so the newest trailer wins.
void TakeTrailerEntries(const TkvPDFDictObject& trailer, TkvXRefTable& table) {
  if (table.Trailer.RootNumber < 0) {
    if (auto* root = CastIfKind<TkvPDFIndirectReference>(trailer.GetValue("/Root")))
      table.Trailer.RootNumber = root->ObjectNumber;
  }
  if (!table.PendingID) {
    if (TkvPDFObject* id = trailer.GetValue("/ID")) table.PendingID = id->Clone();
  }
  if (!table.Trailer.Encrypt) {
    if (TkvPDFObject* encrypt = trailer.GetValue("/Encrypt")) table.Trailer.Encrypt = encrypt->Clone();
  }
  if (!table.Trailer.Info) {
    if (auto* ref = CastIfKind<TkvPDFIndirectReference>(trailer.GetValue("/Info"))) {
      table.Trailer.Info = std::make_unique<TkvPDFIndirectReference>(ref->Owner, ref->ObjectNumber, ref->Generation);
    }
  }
}

namespace {

int64_t PrevOffset(const TkvPDFObject* prev) {
  int64_t offset = 0;
  if (!IntegerValue(prev, offset)) ThrowTrailerDetail(msg::SDetailPrevNotInteger);
  return offset;
}

void ReadSubsection(TkvPDFStreamReader& reader, int32_t first, int32_t count, std::vector<TkvXRefItem>& items) {
  if (first < 0 || count < 0 || first > kMaxObjectNumber - (count - 1))
    ThrowXRefDetail(Format(msg::SDetailSubsectionRange, first, count, kMaxObjectNumber));
  SkipToDigit(reader);
  // Checked before anything is allocated: the count is the file's word, the bytes are real.
  if (static_cast<int64_t>(count) * kXRefEntrySize > reader.Size - reader.Pos())
    ThrowXRefDetail(Format(msg::SDetailSubsectionTooLong, first, count));
  if (static_cast<size_t>(first) > items.size()) throw ECrossReferenceError(msg::SXRefTableError);
  items.reserve(std::max(items.size(), static_cast<size_t>(first) + static_cast<size_t>(count)));

  std::string record;
  for (int32_t i = 0; i < count; ++i) {
    reader.ReadString(kXRefEntrySize, record);
    if (static_cast<int64_t>(record.size()) < kXRefEntrySize) ThrowXRefDetail(msg::SDetailEndOfInput);
    std::string_view r = record;
    TkvXRefItem item;
    item.Offset = EntryField(r.substr(0, 10));
    item.Generation = EntryField(r.substr(10, 6));
    item.EntryType = r[17];
    size_t number = static_cast<size_t>(first) + static_cast<size_t>(i);
    if (number < items.size())
      items[number] = item;
    else
      items.push_back(item);
  }
}

// The usual entry, "oooooooooo ggggg n" and a space or line end, read straight from a
// memory-backed input: the three tokens below give the same item and leave the reader at
// the same place. False, nothing read, for anything else (the token reading decides).
bool ReadPlainEntry(TkvPDFStreamReader& reader, std::string_view memory, TkvXRefItem& item) {
  const int64_t at = reader.Pos();
  if (at < 0 || static_cast<int64_t>(memory.size()) - at < 19) return false;
  const char* s = memory.data() + at;
  const auto digits = [s](int from, int to, int64_t& value) {
    value = 0;
    for (int i = from; i < to; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      value = value * 10 + (s[i] - '0');
    }
    return true;
  };
  int64_t offset = 0, generation = 0;
  if (s[10] != ' ' || s[16] != ' ' || (s[17] != 'n' && s[17] != 'f')) return false;
  if (s[18] != ' ' && s[18] != '\r' && s[18] != '\n') return false;
  if (!digits(0, 10, offset) || !digits(11, 16, generation) || offset > INT32_MAX) return false;
  item.Offset = static_cast<int32_t>(offset);
  item.Generation = static_cast<int32_t>(generation);
  item.EntryType = s[17];
  reader.Seek(at + 18, TkvSeekOrigin::soBeginning);
  reader.SkipWhitespace();
  return true;
}

// The table of a modern file: entries are read as three tokens, so line ends of one or
// three bytes do not shift the fields, and a subsection may begin beyond the entries read.
void ReadSectionEntriesTolerant(TkvPDFStreamReader& reader, int64_t offset, std::vector<TkvXRefItem>& items) {
  const std::string_view memory = reader.MemoryView();
  reader.Seek(offset, TkvSeekOrigin::soBeginning);
  reader.SkipWhitespace();
  if (reader.NextIs("xref")) reader.SkipBytes(4);
  std::string first, count, a, b, c;
  for (;;) {
    reader.SkipWhitespace();
    if (reader.AtEnd()) ThrowXRefDetail(msg::SDetailEndOfInput);
    if (reader.NextIs("trailer")) return;
    reader.ReadToken(first);
    reader.ReadToken(count);
    const int32_t f = SubsectionNumber(first), n = SubsectionNumber(count);
    if (f < 0 || n < 0 || f > kMaxObjectNumber - n || static_cast<int64_t>(n) * 6 > reader.Size - reader.Pos())
      ThrowXRefDetail(Format(msg::SDetailSubsectionRange, f, n, kMaxObjectNumber));
    for (int32_t i = 0; i < n; ++i) {
      TkvXRefItem item;
      if (!ReadPlainEntry(reader, memory, item)) {
        reader.ReadToken(a);
        reader.ReadToken(b);
        reader.ReadToken(c);
        if ((c != "n" && c != "f") || !TryStrToInt(a, item.Offset) || !TryStrToInt(b, item.Generation))
          ThrowXRefDetail(Format(msg::SDetailEntryMalformed, f + i));
        item.EntryType = c[0];
      }
      PlaceXRefEntry(items, int64_t{f} + i, item, reader.Size);
    }
  }
}

void ReadSectionEntries(TkvPDFStreamReader& reader, int64_t offset, std::vector<TkvXRefItem>& items) {
  if (reader.ReadModernFiles) return ReadSectionEntriesTolerant(reader, offset, items);
  reader.Seek(offset, TkvSeekOrigin::soBeginning);
  // Passes over "xref" and its end of line.
  if (!SkipToDigit(reader)) ThrowXRefDetail(msg::SDetailEndOfInput);
  std::string firstToken, countToken;
  for (;;) {
    reader.ReadToken(firstToken);
    reader.ReadToken(countToken);
    int32_t first = SubsectionNumber(firstToken);
    int32_t count = SubsectionNumber(countToken);
    if (count == 0) return;
    ReadSubsection(reader, first, count, items);
    reader.SkipWhitespace();
    if (reader.AtEnd()) ThrowXRefDetail(msg::SDetailEndOfInput);
    if (reader.NextIs("trailer")) return;
  }
}

}  // namespace

uint8_t TkvPDFStreamReader::ReadHeader() {
  Seek(0, TkvSeekOrigin::soBeginning);
  std::string token;
  ReadToken(token);
  std::string_view t = token;
  if (t.substr(0, 7) != "%PDF-1.") throw EInvalidHeader(Format(msg::SInvalidHeader, token.substr(0, 7).c_str()));
  int c = t.size() > 7 ? static_cast<unsigned char>(t[7]) : -1;
  if (!IsDigit(c)) ThrowEntryNotInteger(c < 0 ? std::string_view() : t.substr(7, 1));
  int minor = c - '0';
  if (minor >= 6) {
    std::string shown = token.size() > 64 ? token.substr(0, 64) + "..." : token;
    throw EUnsupportedVersion(Format(msg::SUnsupportedVersion, shown.c_str()));
  }
  return static_cast<uint8_t>(minor);
}

TkvPDFHeader TkvPDFStreamReader::ReadModernHeader() {
  Seek(0, TkvSeekOrigin::soBeginning);
  std::string start;
  ReadString(std::min(Size, kMaxHeaderSearch + 8), start);
  const size_t at = start.find("%PDF-");
  if (at == std::string::npos || at > static_cast<size_t>(kMaxHeaderSearch)) {
    ReadHeader();  // fails with the classic message
    return {};
  }
  std::string_view v = std::string_view(start).substr(at + 5);
  const bool ok =
      v.size() >= 3 && (v[0] == '1' || v[0] == '2') && v[1] == '.' && IsDigit(static_cast<unsigned char>(v[2]));
  if (!ok) throw EInvalidHeader(Format(msg::SInvalidHeader, start.substr(at, 7).c_str()));
  TkvPDFHeader header;
  header.Major = static_cast<uint8_t>(v[0] - '0');
  header.Minor = static_cast<uint8_t>(v[2] - '0');
  header.Offset = static_cast<int64_t>(at);
  return header;
}

int64_t TkvPDFStreamReader::FindLastStartXRef() {
  std::string_view memory = MemoryView();
  if (!memory.empty() || Size == 0) return LastStartXRefIn(memory, 0, memory.size());
  std::string block;
  for (int64_t end = Size; end > 0;) {
    int64_t start = std::max<int64_t>(0, end - kStartXRefBlock);
    // One byte before the block and the keyword plus one byte after it are read too, so
    // a hit across the block's edges and its neighbours are seen.
    int64_t readFrom = std::max<int64_t>(0, start - 1);
    int64_t readTo = std::min<int64_t>(Size, end + static_cast<int64_t>(kStartXRef.size()) + 1);
    Seek(readFrom, TkvSeekOrigin::soBeginning);
    ReadString(readTo - readFrom, block);
    int64_t hit = LastStartXRefIn(block, static_cast<size_t>(start - readFrom), static_cast<size_t>(end - readFrom));
    if (hit >= 0) return readFrom + hit;
    end = start;
  }
  return -1;
}

int64_t TkvPDFStreamReader::FindStartXRef() {
  int64_t hit = FindLastStartXRef();
  if (hit < 0) throw EOffsetError(msg::SOffsetError);
  Seek(hit + static_cast<int64_t>(kStartXRef.size()), TkvSeekOrigin::soBeginning);
  if (!SkipToDigit(*this)) throw EOffsetError(msg::SOffsetError);
  std::string digits;
  int c;
  while ((c = NextByte()) >= 0 && IsDigit(c)) {
    if (digits.size() == kMaxOffsetDigits) throw EOffsetError(msg::SOffsetError);
    digits.push_back(static_cast<char>(c));
  }
  int32_t offset = 0;
  // An offset outside the file cannot lead to a cross-reference table.
  if (!TryStrToInt(digits, offset) || offset >= Size) throw EOffsetError(msg::SOffsetError);
  return offset;
}

std::unique_ptr<TkvPDFDictObject> TkvPDFStreamReader::ReadTrailer() {
  int c = -1;
  // Past the entries of the table to the first "t": a search over memory when the input is.
  if (std::string_view memory = MemoryView(); !memory.empty() && Pos() >= 0) {
    const auto from = static_cast<size_t>(std::min<int64_t>(Pos(), static_cast<int64_t>(memory.size())));
    const size_t at = memory.find('t', from);
    Seek(at == std::string_view::npos ? static_cast<int64_t>(memory.size()) : static_cast<int64_t>(at) + 1,
         TkvSeekOrigin::soBeginning);
    if (at != std::string_view::npos) c = 't';
  } else {
    while ((c = NextByte()) >= 0 && c != 't') {
    }
  }
  if (c < 0 || !NextIs("railer")) throw ETrailerError(msg::STrailerError);
  SkipBytes(6);
  TkvPDFObjectPtr obj = ReadObject();
  if (!CastIfKind<TkvPDFDictObject>(obj)) throw ETrailerError(msg::STrailerError);
  return std::unique_ptr<TkvPDFDictObject>(CastObject<TkvPDFDictObject>(obj.release()));
}

namespace {

// One section of the chain: a table (whose trailer may name a cross-reference stream of
// hybrid files) or a cross-reference stream.
struct Section {
  int64_t Offset = 0;
  bool IsStream = false;
  std::vector<std::pair<int32_t, TkvXRefItem>> StreamEntries;
};

bool StartsWithXRefKeyword(TkvPDFStreamReader& reader, int64_t offset) {
  reader.Seek(offset, TkvSeekOrigin::soBeginning);
  reader.SkipWhitespace();
  return reader.NextIs("xref");
}

// The in-use entries of a hybrid file's /XRefStm; a stream that cannot be read leaves the
// table as it is, which is what readers of the classic syntax see too.
void ReadHybridEntries(TkvPDFStreamReader& reader, const TkvPDFDictObject& trailer, Section& section) {
  const TkvPDFObject* stm = trailer.GetValue("/XRefStm");
  if (!stm || (!stm->IsInteger() && !stm->IsInt64())) return;
  try {
    section.StreamEntries = ReadXRefStream(reader, PrevOffset(stm)).Entries;
  } catch (const Exception&) {
    return;
  }
  std::erase_if(section.StreamEntries, [](const auto& e) { return e.second.EntryType == 'f'; });
}

}  // namespace

void ReadXRefSection(TkvPDFStreamReader& reader, int64_t offset, TkvXRefTable& table,
                     const std::function<void()>& onSection) {
  // The /Prev chain is walked first, newest section first, taking the trailer entries;
  // the entries are then read oldest first, so newer sections overwrite older ones. A
  // loop instead of recursion: a long chain cannot exhaust the stack, and a section met
  // twice ends the walk with an error instead of going round forever.
  std::vector<Section> chain;
  std::unordered_set<int64_t> visited;
  const bool modern = reader.ReadModernFiles;
  for (int64_t next = offset;;) {
    if (next < 0 || next >= reader.Size)
      ThrowTrailerDetail(
          Format(msg::SDetailOffsetOutside, static_cast<long long>(next), static_cast<long long>(reader.Size)));
    if (!visited.insert(next).second) ThrowTrailerDetail(Format(msg::SDetailPrevLoop, static_cast<long long>(next)));
    if (onSection) onSection();
    Section section;
    section.Offset = next;
    std::unique_ptr<TkvPDFDictObject> trailer;
    if (modern && !StartsWithXRefKeyword(reader, next) && IsObjectHeaderAt(reader, next)) {
      TkvXRefStreamSection stream = ReadXRefStream(reader, next);
      trailer = std::move(stream.Trailer);
      section.IsStream = true;
      section.StreamEntries = std::move(stream.Entries);
    } else {
      reader.Seek(next, TkvSeekOrigin::soBeginning);
      trailer = reader.ReadTrailer();
      if (modern) ReadHybridEntries(reader, *trailer, section);
    }
    TakeTrailerEntries(*trailer, table);
    // Cross-reference streams without a usable /Length are read up to "endstream"; a long
    // chain of them must not look through the file once per section.
    if (reader.ScannedBytes > std::max(kMinScanBudget, kMaxScanFactor * reader.Size))
      ThrowTrailerDetail(msg::SDetailScannedTooMuch);
    TkvPDFObject* prev = trailer->GetValue("/Prev");
    chain.push_back(std::move(section));
    if (!prev) break;
    next = PrevOffset(prev);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!it->IsStream) ReadSectionEntries(reader, it->Offset, table.Items);
    for (const auto& [number, item] : it->StreamEntries) PlaceXRefEntry(table.Items, number, item, reader.Size);
  }
}

}  // namespace kv
