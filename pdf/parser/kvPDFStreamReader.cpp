#include <algorithm>
#include <array>

#include "core/kvPDFConsts.h"
#include "pdf/parser/kvPDFParsers.h"
#include "pdf/parser/kvPDFParsersConsts.h"

namespace kv {

namespace {

constexpr std::array<bool, 256> MakeClassTable(std::string_view members) {
  std::array<bool, 256> t{};
  for (char c : members) t[static_cast<unsigned char>(c)] = true;
  return t;
}

// Whitespace is LF, CR and space only: a tab or form feed belongs to the token it
// touches, as the files this reader was made for expect.
constexpr auto kWhitespace = MakeClassTable("\n\r ");
constexpr auto kDelimiter = MakeClassTable("\n\r ()/<>[]");

inline bool IsWhite(int c) { return c >= 0 && kWhitespace[static_cast<size_t>(c)]; }
inline bool IsDelim(int c) { return c >= 0 && kDelimiter[static_cast<size_t>(c)]; }

// A token quoted in a message is cut to this many bytes: a hostile file may hold a
// "number" megabytes long, and the message only needs to show where it went wrong.
constexpr size_t kMaxQuotedToken = 64;

std::string Quote(std::string_view token) {
  if (token.size() <= kMaxQuotedToken) return std::string(token);
  return std::string(token.substr(0, kMaxQuotedToken)) + "...";
}

std::string CharText(int c) {
  return c < 0 ? std::string(msg::SDetailEndOfInput) : std::string(1, static_cast<char>(c));
}

[[noreturn]] void ThrowNotInteger(std::string_view token) {
  throw EConvertError(Format(msg::SInvalidInteger, Quote(token).c_str()));
}

int32_t ToInt(std::string_view token) {
  int32_t v = 0;
  if (!TryStrToInt(token, v)) ThrowNotInteger(token);
  return v;
}

// Counts the arrays, dictionaries and objects open around the current read, so that a
// hostile file cannot recurse the reader off the end of the stack.
class NestingGuard {
 public:
  explicit NestingGuard(int& depth) : depth_(depth) { ++depth_; }
  ~NestingGuard() { --depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
  bool TooDeep() const { return depth_ > TkvPDFStreamReader::kMaxNestingDepth; }

 private:
  int& depth_;
};

// Elements the reader's scratch stack keeps room for between objects.
constexpr size_t kMaxKeptScratch = size_t{1} << 16;

std::string NestingDetail() { return Format(msg::SDetailNestedTooDeep, TkvPDFStreamReader::kMaxNestingDepth); }

}  // namespace

TkvPDFStreamReader::TkvPDFStreamReader(int32_t owner, TkvStream* stream)
    : TkvRandomAccessFilter(stream), Owner(owner) {}

bool TkvPDFStreamReader::NextIs(std::string_view word) {
  int64_t start = Pos();
  bool match = true;
  for (char w : word) {
    if (NextByte() != static_cast<unsigned char>(w)) {
      match = false;
      break;
    }
  }
  Seek(start, TkvSeekOrigin::soBeginning);
  return match;
}

void TkvPDFStreamReader::SkipWhitespace() {
  for (;;) {
    // Plain whitespace is passed over in the window; comments and the window's end below.
    const std::string_view ahead = Ahead();
    size_t i = 0;
    while (i < ahead.size() && IsWhite(static_cast<unsigned char>(ahead[i]))) ++i;
    Advance(i);
    if (i < ahead.size() && ahead[i] != '%') return;
    int c = NextByte();
    if (c < 0) return;
    if (IsWhite(c)) continue;
    if (c == '%') {
      // The comment's closing CR or LF is whitespace, so it may be eaten here.
      do c = NextByte();
      while (c >= 0 && c != '\r' && c != '\n');
      continue;
    }
    StepBack();
    return;
  }
}

void TkvPDFStreamReader::ReadToken(std::string& s) {
  s.clear();
  int c = NextByte();
  if (c < 0) return;
  s.push_back(static_cast<char>(c));
  while ((c = NextByte()) >= 0) {
    if (IsDelim(c)) {
      StepBack();
      break;
    }
    s.push_back(static_cast<char>(c));
  }
  SkipWhitespace();
}

void TkvPDFStreamReader::PeekToken(std::string& s) {
  SkipWhitespace();
  int64_t start = Pos();
  s.clear();
  int c;
  while ((c = NextByte()) >= 0 && !IsDelim(c)) s.push_back(static_cast<char>(c));
  Seek(start, TkvSeekOrigin::soBeginning);
}

TkvPDFObjectPtr TkvPDFStreamReader::ReadObject() {
  SkipWhitespace();
  if (AtEnd()) throw EConvertError(Format(msg::SUnexpectedEndOfData, static_cast<long long>(Pos())));
  switch (PeekChar()) {
    case '[':
      return ReadArray();
    case '/':
      return ReadName();
    case '(':
      return ReadString();
    case '<':
      if (NextIs("<<")) return ReadDictionary();
      return ReadString();
    case 't':
      return ReadKeyword("true");
    case 'f':
      return ReadKeyword("false");
    case 'n':
      return ReadKeyword("null");
    case ')':
    case '>':
    case ']':
    case '}':
      return nullptr;
    default:
      return ReadNumberOrReference();
  }
}

TkvPDFObjectPtr TkvPDFStreamReader::ReadKeyword(std::string_view word) {
  // The whole word is read before it is judged: "nul" at the end of a file fails just
  // like "nulx".
  char got[5] = {};
  for (size_t i = 0; i < word.size(); ++i) {
    int c = NextByte();
    got[i] = c < 0 ? '\0' : static_cast<char>(c);
  }
  bool ok = std::string_view(got, word.size()) == word;
  if (word == "null") {
    if (!ok) throw ENullObjectError(msg::SNullObjectError);
    return std::make_unique<TkvPDFNullObject>();
  }
  if (!ok) throw EBooleanError(Format(msg::SBooleanError, std::string(word).c_str()));
  return std::make_unique<TkvPDFBooleanObject>(word == "true");
}

TkvPDFObjectPtr TkvPDFStreamReader::ReadNumberOrReference() {
  SkipWhitespace();
  if (TkvPDFObjectPtr obj; ReadNumberInPlace(obj)) return obj;
  ReadToken(tok1_);
  int64_t afterFirst = Pos();
  // Most numbers are plain numbers: look at the third token in place, without copying
  // the second and third, and read them as tokens only for a reference or an object.
  if (!ThirdTokenIsRefOrObj()) return ReadPlainNumber(afterFirst);
  ReadToken(tok2_);
  ReadToken(tok3_);

  bool isRef = tok3_ == "R";
  bool isObj =
      !isRef && tok3_.size() == 3 && (tok3_[0] | 0x20) == 'o' && (tok3_[1] | 0x20) == 'b' && (tok3_[2] | 0x20) == 'j';
  if (isRef || isObj) {
    int32_t number = ToInt(tok1_);
    int32_t generation = ToInt(tok2_);
    // Numbers outside these ranges have no store key: they can only come from a
    // damaged or hostile file, and would otherwise alias other objects.
    if (number < 0 || number > kMaxObjectNumber || generation < 0 || generation > 0xFFFF)
      throw EInvalidObjectNo(Format(msg::SInvalidObjectNumberDetail, Quote(tok1_).c_str(), Quote(tok2_).c_str()));
    if (isRef) return std::make_unique<TkvPDFIndirectReference>(Owner, number, static_cast<uint16_t>(generation));
    return ReadIndirectObject(number, static_cast<uint16_t>(generation));
  }

  return ReadPlainNumber(afterFirst);
}

bool TkvPDFStreamReader::ThirdTokenIsRefOrObj() {
  int64_t start = Pos();
  // The second token: one byte whatever it is, then up to a delimiter.
  int c = NextByte();
  if (c >= 0)
    while ((c = NextByte()) >= 0 && !IsDelim(c)) {
    }
  if (c >= 0) StepBack();
  SkipWhitespace();
  char t[4];
  size_t n = 0;
  c = NextByte();
  if (c >= 0) {
    t[n++] = static_cast<char>(c);
    while ((c = NextByte()) >= 0 && !IsDelim(c) && n < 4) t[n++] = static_cast<char>(c);
  }
  Seek(start, TkvSeekOrigin::soBeginning);
  if (n == 1) return t[0] == 'R';
  return n == 3 && (t[0] | 0x20) == 'o' && (t[1] | 0x20) == 'b' && (t[2] | 0x20) == 'j';
}

TkvPDFObjectPtr TkvPDFStreamReader::ReadPlainNumber(int64_t afterFirst) {
  Seek(afterFirst, TkvSeekOrigin::soBeginning);
  return NumberFromToken(tok1_);
}

// A number, or a reference "N G R" whose numbers are plain digits, read in place: the same
// decision as the token reading (first token, then the look at the third) over the window's
// bytes, without copying tokens. False, nothing read, when a comment or the window's end
// comes before the decision is made, and for what the token reading must judge ("obj",
// references with signs or large numbers).
bool TkvPDFStreamReader::ReadNumberInPlace(TkvPDFObjectPtr& out) {
  const std::string_view s = Ahead();
  const auto tokenEnd = [&s](size_t from) {
    size_t i = from + 1;  // the first byte whatever it is
    while (i < s.size() && !IsDelim(static_cast<unsigned char>(s[i]))) ++i;
    return i;
  };
  const auto whiteEnd = [&s](size_t from) {
    while (from < s.size() && IsWhite(static_cast<unsigned char>(s[from]))) ++from;
    return from;
  };
  // The value of s[from, to) when it is 1 to `most` digits.
  const auto digits = [&s](size_t from, size_t to, size_t most, int32_t& value) {
    if (to <= from || to - from > most) return false;
    value = 0;
    for (size_t i = from; i < to; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      value = value * 10 + (s[i] - '0');
    }
    return true;
  };
  if (s.empty()) return false;
  const size_t first = tokenEnd(0);
  const size_t afterFirst = whiteEnd(first);
  if (afterFirst >= s.size() || s[afterFirst] == '%') return false;
  const size_t second = tokenEnd(afterFirst);
  const size_t third = whiteEnd(second);
  if (third >= s.size() || s[third] == '%') return false;
  size_t n = 1;
  while (third + n < s.size() && n < 4 && !IsDelim(static_cast<unsigned char>(s[third + n]))) ++n;
  if (n < 4 && third + n >= s.size()) return false;
  const std::string_view t = s.substr(third, n);
  if (n == 3 && (t[0] | 0x20) == 'o' && (t[1] | 0x20) == 'b' && (t[2] | 0x20) == 'j') return false;
  if (t == "R") {
    int32_t number = 0, generation = 0;
    if (!digits(0, first, 9, number) || !digits(afterFirst, second, 5, generation)) return false;
    if (number > kMaxObjectNumber || generation > 0xFFFF) return false;  // the message comes from below
    Advance(third + 1);
    SkipWhitespace();
    out = std::make_unique<TkvPDFIndirectReference>(Owner, number, static_cast<uint16_t>(generation));
    return true;
  }
  Advance(afterFirst);  // the window's bytes stay where they are
  out = NumberFromToken(s.substr(0, first));
  return true;
}

TkvPDFObjectPtr TkvPDFStreamReader::NumberFromToken(std::string_view t) {
  if (t.find('.') != std::string_view::npos) {
    double real = 0;
    if (TryStrToFloat(t, real)) return std::make_unique<TkvPDFRealObject>(real);
    return std::make_unique<TkvPDFStringObject>(std::string(t), false);
  }
  int32_t i32 = 0;
  if (TryStrToInt(t, i32)) return std::make_unique<TkvPDFIntegerObject>(i32);
  int64_t i64 = 0;
  if (TryStrToInt64(t, i64)) return std::make_unique<TkvPDFInt64Object>(i64);
  // Digits beyond 64 bits are the real they approximate: large reals are written in whole
  // digits (by this library too), and must read back.
  double real = 0;
  if (TryStrToFloat(t, real)) return std::make_unique<TkvPDFRealObject>(real);
  ThrowNotInteger(t);
}

TkvPDFObjectPtr TkvPDFStreamReader::ReadIndirectObject(int32_t number, uint16_t generation) {
  NestingGuard guard(objectDepth_);
  // An object inside an object is never valid; the bound keeps "1 0 obj 1 0 obj ..."
  // from recursing without end.
  if (guard.TooDeep()) throw EUnexpectedObjectError(msg::SObjectsNestedTooDeep);
  CurrentObjectNumber = number;
  CurrentGeneration = generation;
  TkvPDFObjectPtr inner = ReadObject();
  if (NextIsStreamKeyword()) {
    if (!inner || !inner->IsDictionary()) throw EStreamReadError(msg::SStreamReadErrorPDF);
    std::unique_ptr<TkvPDFDictObject> dict(static_cast<TkvPDFDictObject*>(inner.release()));
    inner = std::make_unique<TkvPDFStreamObject>(std::move(dict));
  }
  return std::make_unique<TkvPDFIndirectObject>(Owner, number, generation, std::move(inner));
}

bool TkvPDFStreamReader::NextIsStreamKeyword() {
  // PeekToken would read a whole token; only "stream" and the byte after it matter,
  // and the data that follows may be megabytes without a delimiter.
  SkipWhitespace();
  int64_t start = Pos();
  bool match = true;
  for (char w : std::string_view("stream")) {
    if (NextByte() != static_cast<unsigned char>(w)) {
      match = false;
      break;
    }
  }
  if (match) {
    int c = NextByte();
    match = c < 0 || IsDelim(c);
  }
  Seek(start, TkvSeekOrigin::soBeginning);
  return match;
}

struct TkvPDFStreamReader::ScratchMark {
  explicit ScratchMark(TkvPDFStreamReader& r)
      : reader(r), values(r.scratchValues_.size()), keys(r.scratchKeys_.size()) {}
  ~ScratchMark() {
    reader.scratchValues_.resize(values);
    // After a huge array the stack is not kept at that size for the rest of the file.
    if (values == 0 && reader.scratchValues_.capacity() > kMaxKeptScratch) reader.scratchValues_.shrink_to_fit();
    TkvDictKeys dropped;
    dropped.TakeTail(reader.scratchKeys_, keys);
  }
  ScratchMark(const ScratchMark&) = delete;
  ScratchMark& operator=(const ScratchMark&) = delete;
  TkvPDFStreamReader& reader;
  size_t values;
  size_t keys;
};

std::unique_ptr<TkvPDFArrayObject> TkvPDFStreamReader::ReadArray() {
  int c = NextByte();
  if (c != '[') throw EArrayReadError(Format(msg::SArrayReadError, CharText(c).c_str()));
  NestingGuard guard(depth_);
  if (guard.TooDeep()) throw EArrayReadError(Format(msg::SArrayReadError, NestingDetail().c_str()));
  ScratchMark mark(*this);
  SkipWhitespace();
  for (;;) {
    if (AtEnd()) throw EArrayReadError(Format(msg::SArrayReadError, msg::SDetailEndOfInput));
    TkvPDFObjectPtr item = ReadObject();
    if (!item) break;
    scratchValues_.push_back(std::move(item));
    SkipWhitespace();
    if (PeekChar() == ']') break;
  }
  // Only "]" closes an array: a stray ")" or ">" here means the text is not what the
  // reader thinks it is, and swallowing it would misread everything after.
  c = NextByte();
  if (c != ']') throw EArrayReadError(Format(msg::SArrayReadError, CharText(c).c_str()));
  auto array = std::make_unique<TkvPDFArrayObject>();
  auto first = scratchValues_.begin() + static_cast<std::ptrdiff_t>(mark.values);
  array->Items.reserve(static_cast<size_t>(scratchValues_.end() - first));
  array->Items.insert(array->Items.end(), std::make_move_iterator(first),
                      std::make_move_iterator(scratchValues_.end()));
  return array;
}

std::unique_ptr<TkvPDFDictObject> TkvPDFStreamReader::ReadDictionary() {
  int c1 = NextByte();
  int c2 = NextByte();
  if (c1 != '<' || c2 != '<') {
    int bad = c1 != '<' ? c1 : c2;
    throw EDictionaryReadError(Format(msg::SDictionaryReadError, CharText(bad).c_str()));
  }
  NestingGuard guard(depth_);
  if (guard.TooDeep()) throw EDictionaryReadError(Format(msg::SDictionaryReadError, NestingDetail().c_str()));
  ScratchMark mark(*this);
  for (;;) {
    SkipWhitespace();
    if (AtEnd()) throw EDictionaryReadError(Format(msg::SDictionaryReadError, msg::SDetailEndOfInput));
    if (PeekChar() == '>') {
      // A dictionary ends only at ">>"; a lone ">" cannot start a key.
      if (!NextIs(">>")) throw EDictionaryReadError(Format(msg::SDictionaryReadError, msg::SDetailLoneGreater));
      SkipBytes(2);
      break;
    }
    ReadNameText(name_);
    scratchKeys_.push_back(std::string_view(name_));
    SkipWhitespace();
    if (AtEnd()) throw EDictionaryReadError(Format(msg::SDictionaryReadError, msg::SDetailEndOfInput));
    TkvPDFObjectPtr value = ReadObject();
    scratchValues_.push_back(std::move(value));
  }
  auto dict = std::make_unique<TkvPDFDictObject>();
  auto first = scratchValues_.begin() + static_cast<std::ptrdiff_t>(mark.values);
  dict->Values.reserve(static_cast<size_t>(scratchValues_.end() - first));
  dict->Values.insert(dict->Values.end(), std::make_move_iterator(first),
                      std::make_move_iterator(scratchValues_.end()));
  dict->Keys.reserve(scratchKeys_.size() - mark.keys);
  dict->Keys.TakeTail(scratchKeys_, mark.keys);
  return dict;
}

void TkvPDFStreamReader::ReadNameText(std::string& name) {
  int c = NextByte();
  if (c != '/') throw ENameReadError(Format(msg::SNameReadError, CharText(c).c_str()));
  name.assign(1, '/');
  while ((c = NextByte()) >= 0) {
    if (IsDelim(c)) {
      if (!IsWhite(c)) StepBack();
      break;
    }
    name.push_back(static_cast<char>(c));
  }
}

std::unique_ptr<TkvPDFNameObject> TkvPDFStreamReader::ReadName() {
  ReadNameText(name_);  // the object takes the text (shared or its own copy)
  return std::make_unique<TkvPDFNameObject>(name_);
}

void TkvPDFStreamReader::CheckObjectHeaderRead() const {
  if (CurrentObjectNumber == -1 && CurrentGeneration == -1) throw EInvalidObjectNo(msg::SInvalidObjectNo);
}

std::unique_ptr<TkvPDFStringObject> TkvPDFStreamReader::ReadString() {
  int open = NextByte();
  int close;
  if (open == '(')
    close = ')';
  else if (open == '<')
    close = '>';
  else
    throw EStringReadError(Format(msg::SStringReadError, CharText(open).c_str()));

  // The value is built in place with its delimiters; the common string without
  // escapes is then handed to the object without a further copy.
  std::string value(1, static_cast<char>(open));
  bool escaped = false;
  int depth = 1;
  for (;;) {
    int c = NextByte();
    if (c < 0) throw EStringReadError(Format(msg::SStringReadError, msg::SDetailEndOfInput));
    if (c == '\\') {
      int next = NextByte();
      if (next < 0) throw EStringReadError(Format(msg::SStringReadError, msg::SDetailEndOfInput));
      // A line continuation drops the backslash and the CR or LF after it; the LF of a
      // CR LF pair is read next as an ordinary character.
      if (next == '\r' || next == '\n') continue;
      value.push_back('\\');
      value.push_back(static_cast<char>(next));
      escaped = true;
      continue;
    }
    if (c == open) {
      ++depth;
    } else if (c == close && --depth == 0) {
      break;
    }
    value.push_back(static_cast<char>(c));
  }

  bool isHex = open == '<';
  if (!isHex && escaped) value = "(" + UnescapeLiteral(std::string_view(value).substr(1));
  value.push_back(static_cast<char>(close));

  if (Decryptor) {
    CheckObjectHeaderRead();
    if (isHex && value.size() > 2) {
      value = "(" + HexToBytes(std::string_view(value).substr(1, value.size() - 2)) + ")";
      isHex = false;
    }
    if (!isHex) {
      std::string bytes = value.substr(1, value.size() - 2);
      Decryptor->DecryptString(bytes, CurrentObjectNumber, CurrentGeneration);
      value = "(" + bytes + ")";
    }
  }
  return std::make_unique<TkvPDFStringObject>(std::move(value), isHex);
}

std::unique_ptr<TkvMemoryStream> TkvPDFStreamReader::ReadStreamData(int64_t length, int32_t objectNumber,
                                                                    int32_t generation, const TkvPDFDictObject* dict) {
  SkipWhitespace();
  if (!NextIs("stream")) throw EStreamReadError(msg::SStreamReadErrorPDF);
  SkipBytes(6);

  std::unique_ptr<TkvMemoryStream> data;
  if (length == 0 && !ReadModernFiles) {
    data = std::make_unique<TkvMemoryStream>();
  } else {
    while (!AtEnd() && PeekChar() == ' ') SkipBytes(1);
    if (!AtEnd() && PeekChar() == '\r') SkipBytes(1);
    if (!AtEnd() && PeekChar() == '\n') SkipBytes(1);
    const int64_t start = Pos();
    bool trusted = length >= 0 && length <= Size - Pos();
    if (trusted) {
      if (length <= 1 && NextIs("endstream")) length = 0;
      data = ReadSlice(std::max<int64_t>(0, length));
      if (ReadModernFiles) {
        // A wrong /Length is common damage: when "endstream" does not follow the data,
        // the data is taken up to the next "endstream" instead.
        SkipWhitespace();
        trusted = NextIs("endstream");
        Seek(start + length, TkvSeekOrigin::soBeginning);
      }
    }
    if (!trusted) {
      // The length is trusted, but never beyond the bytes the input still has: a hostile
      // /Length must not make the reader allocate what the file does not hold.
      if (!ReadModernFiles) throw EEndStreamError(msg::SEndStreamError);
      Seek(start, TkvSeekOrigin::soBeginning);
      data = ReadDataUpToEndstream();
    }
    if (Decryptor && data->Size() > 0 && Decryptor->EncryptsStream(dict)) {
      CheckObjectHeaderRead();
      data = Decryptor->DecryptStream(std::move(data), objectNumber, generation);
    }
  }
  SkipWhitespace();
  if (!NextIs("endstream")) throw EEndStreamError(msg::SEndStreamError);
  SkipBytes(9);
  return data;
}

std::unique_ptr<TkvMemoryStream> TkvPDFStreamReader::ReadDataUpToEndstream() {
  constexpr std::string_view kEnd = "endstream";
  const int64_t start = Pos();
  int64_t hit = -1;
  if (std::string_view memory = MemoryView(); !memory.empty()) {
    size_t at = memory.find(kEnd, static_cast<size_t>(start));
    if (at != std::string_view::npos) hit = static_cast<int64_t>(at);
  } else {
    // Blocks overlap by the keyword's length less one, so a keyword across two is seen.
    constexpr int64_t kBlock = 64 * 1024;
    std::string block;
    for (int64_t from = start; from < Size && hit < 0; from += kBlock) {
      Seek(from, TkvSeekOrigin::soBeginning);
      ReadString(kBlock + static_cast<int64_t>(kEnd.size()) - 1, block);
      size_t at = block.find(kEnd);
      if (at != std::string::npos) hit = from + static_cast<int64_t>(at);
    }
  }
  ScannedBytes += (hit < 0 ? Size : hit) - start;
  if (hit < 0) throw EEndStreamError(msg::SEndStreamError);
  // The line end before "endstream" belongs to the syntax, not to the data.
  int64_t end = hit;
  Seek(std::max(start, end - 2), TkvSeekOrigin::soBeginning);
  std::string tail;
  ReadString(end - Pos(), tail);
  if (!tail.empty() && tail.back() == '\n') {
    --end;
    tail.pop_back();
  }
  if (!tail.empty() && tail.back() == '\r') --end;
  end = std::max(start, end);
  Seek(start, TkvSeekOrigin::soBeginning);
  return ReadSlice(end - start);
}

}  // namespace kv
