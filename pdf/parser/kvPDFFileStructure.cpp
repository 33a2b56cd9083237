// Header, startxref, trailer and the walk over the cross-reference sections.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "core/kvPDFConsts.h"
#include "pdf/parser/kvPDFParsers.h"
#include "pdf/parser/kvPDFParsersConsts.h"

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

// Whatever the holder does not have yet comes from this trailer; the newest section is
// read first, so the newest trailer wins.
void TakeTrailerEntries(const TkvPDFDictObject& trailer, TkvXRefTable& table) {
  if (table.Trailer.RootNumber < 0) {
    TkvPDFObject* root = trailer.GetValue("/Root");
    if (root && root->IsReference())
      table.Trailer.RootNumber = static_cast<TkvPDFIndirectReference*>(root)->ObjectNumber;
  }
  if (!table.PendingID) {
    if (TkvPDFObject* id = trailer.GetValue("/ID")) table.PendingID = id->Clone();
  }
  if (!table.Trailer.Encrypt) {
    if (TkvPDFObject* encrypt = trailer.GetValue("/Encrypt")) table.Trailer.Encrypt = encrypt->Clone();
  }
  if (!table.Trailer.Info) {
    TkvPDFObject* info = trailer.GetValue("/Info");
    if (info && info->IsReference()) {
      auto* ref = static_cast<TkvPDFIndirectReference*>(info);
      table.Trailer.Info = std::make_unique<TkvPDFIndirectReference>(ref->Owner, ref->ObjectNumber, ref->Generation);
    }
  }
}

int64_t PrevOffset(const TkvPDFObject* prev) {
  if (prev->IsInteger()) return static_cast<const TkvPDFIntegerObject*>(prev)->Value;
  if (prev->IsInt64()) return static_cast<const TkvPDFInt64Object*>(prev)->Value;
  ThrowTrailerDetail(msg::SDetailPrevNotInteger);
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

void ReadSectionEntries(TkvPDFStreamReader& reader, int64_t offset, std::vector<TkvXRefItem>& items) {
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
  int c;
  while ((c = NextByte()) >= 0 && c != 't') {
  }
  if (c < 0 || !NextIs("railer")) throw ETrailerError(msg::STrailerError);
  SkipBytes(6);
  TkvPDFObjectPtr obj = ReadObject();
  if (!obj || !obj->IsDictionary()) throw ETrailerError(msg::STrailerError);
  return std::unique_ptr<TkvPDFDictObject>(static_cast<TkvPDFDictObject*>(obj.release()));
}

void ReadXRefSection(TkvPDFStreamReader& reader, int64_t offset, TkvXRefTable& table,
                     const std::function<void()>& onSection) {
  // The /Prev chain is walked first, newest section first, taking the trailer entries;
  // the entries are then read oldest first, so newer sections overwrite older ones. A
  // loop instead of recursion: a long chain cannot exhaust the stack, and a section met
  // twice ends the walk with an error instead of going round forever.
  std::vector<int64_t> chain;
  std::unordered_set<int64_t> visited;
  for (int64_t next = offset;;) {
    if (next < 0 || next >= reader.Size)
      ThrowTrailerDetail(
          Format(msg::SDetailOffsetOutside, static_cast<long long>(next), static_cast<long long>(reader.Size)));
    if (!visited.insert(next).second) ThrowTrailerDetail(Format(msg::SDetailPrevLoop, static_cast<long long>(next)));
    if (onSection) onSection();
    reader.Seek(next, TkvSeekOrigin::soBeginning);
    std::unique_ptr<TkvPDFDictObject> trailer = reader.ReadTrailer();
    TakeTrailerEntries(*trailer, table);
    chain.push_back(next);
    TkvPDFObject* prev = trailer->GetValue("/Prev");
    if (!prev) break;
    next = PrevOffset(prev);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) ReadSectionEntries(reader, *it, table.Items);
}

}  // namespace kv
