#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "parser/ParserTestUtil.h"

using namespace kv;
using kvtest::ExpectFailure;
using kvtest::TextInput;
using kvtest::ToText;

namespace {

struct RoundTrip {
  const char* Input;
  TkvPDFObjectType Kind;
  std::string Expected;  // serialised text
};

const std::vector<RoundTrip> kRoundTrips = {
    {"12 0 R", otReference, "12 0 R"},
    {"true", otBoolean, "true"},
    {"false", otBoolean, "false"},
    {"null", otNull, "null"},
    {"17", otInteger, "17"},
    {"+17", otInteger, "17"},
    {"-007", otInteger, "-7"},
    {"-2147483648", otInteger, "-2147483648"},
    {"2147483648", otInt64, "2147483648"},
    {"4294967296", otInt64, "4294967296"},
    {"3.25", otReal, "3.25"},
    {"-.5", otReal, "-0.5"},
    {"5.", otReal, "5"},
    {"% a comment line\r\n  42", otInteger, "42"},
    {"(a(b)c)", otString, "(a\\(b\\)c)"},
    {"(\\101\\1)", otString, std::string("(A\x01)")},
    {"(x\\\r\ny)", otString, "(x\\ny)"},
    {"(x\\\ny)", otString, "(xy)"},
    {"(x\\\ry)", otString, "(xy)"},
    {"(\\q)", otString, "(\\\\q)"},
    {"(\\(\\)\\\\)", otString, "(\\(\\)\\\\)"},
    {"()", otString, "()"},
    {"<48656C6C6F>", otString, "<48656C6C6F>"},
    {"<48 65\n6C>", otString, "<48 65\n6C>"},
    {"<>", otString, "<>"},
    {"/Name#20X", otName, "/Name#20X"},
    {"/A\tB", otName, "/A\tB"},
    {"/", otName, "/"},
    {"[ ]", otArray, "[ ]"},
    {"[]", otArray, "[ ]"},
    {"[1 2 0 R/A(s)<41>[3]<</K 1>>true null -1.5]", otArray,
     "[ 1 2 0 R /A (s) <41> [ 3 ] <<\r\n/K 1\r\n>> true null -1.5 ]"},
    {"[0 0 612 792]", otArray, "[ 0 0 612 792 ]"},
    {"<<>>", otDictionary, "<<\r\n>>"},
    {"<</Type/Page/MediaBox[0 0 612 792]>>", otDictionary,
     "<<\r\n/Type /Page\r\n/MediaBox [ 0 0 612 792 ]\r\n/Parent 3 0 R\r\n>>"},
    {"<< /S (x>>y) /D << /E [] >> >>", otDictionary, "<<\r\n/S (x>>y)\r\n/D <<\r\n/E [ ]\r\n>>\r\n>>"},
    {"<</A>>", otDictionary, "<<\r\n/A null\r\n>>"},  // an absent value is written as null
    {"<</A %comment\r\n1>>", otDictionary, "<<\r\n/A 1\r\n>>"},
    {"<</A%B 1>>", otDictionary, "<<\r\n/A%B 1\r\n>>"},  // "%" does not end a name
};

TEST(ObjectReader, RoundTripTable) {
  for (const RoundTrip& row : kRoundTrips) {
    SCOPED_TRACE(row.Input);
    TextInput in(row.Input);
    TkvPDFObjectPtr obj = in.Reader.ReadObject();
    ASSERT_TRUE(obj);
    EXPECT_EQ(row.Kind, obj->ObjectType);
    EXPECT_EQ(row.Expected, ToText(obj.get()));
  }
}

TEST(ObjectReader, ValuesKeepTheirRawForm) {
  struct Row {
    const char* Input;
    std::string Value;
    bool IsHex;
  };
  const std::vector<Row> rows = {
      {"(a(b)c)", "(a(b)c)", false},   {"(\\101\\1)", std::string("(A\x01)", 4), false},
      {"(x\\\r\ny)", "(x\ny)", false}, {"(\\n\\r\\t\\b\\f)", "(\n\r\t\b\f)", false},
      {"(\\0053)", "(\0053)", false},  {"<48656C6C6F>", "<48656C6C6F>", true},
      {"<4<1>>", "<4<1>>", true},      {"1.2.3", "1.2.3", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    TextInput in(row.Input);
    TkvPDFObjectPtr obj = in.Reader.ReadObject();
    ASSERT_TRUE(obj && obj->IsString());
    auto* s = static_cast<TkvPDFStringObject*>(obj.get());
    EXPECT_EQ(row.Value, s->Value);
    EXPECT_EQ(row.IsHex, s->IsHex);
  }
}

TEST(ObjectReader, ReferenceCarriesOwnerNumberAndGeneration) {
  TextInput in("12 3 R");
  TkvPDFObjectPtr obj = in.Reader.ReadObject();
  ASSERT_TRUE(obj->IsReference());
  auto* ref = static_cast<TkvPDFIndirectReference*>(obj.get());
  EXPECT_EQ(7, ref->Owner);
  EXPECT_EQ(12, ref->ObjectNumber);
  EXPECT_EQ(3, ref->Generation);
}

TEST(ObjectReader, IndirectObjectStopsBeforeEndobj) {
  TextInput in("12 0 obj << /A 1 >>\r\nendobj\r\n13 0 obj");
  TkvPDFObjectPtr obj = in.Reader.ReadObject();
  ASSERT_TRUE(obj->IsIndirectObject());
  auto* ind = static_cast<TkvPDFIndirectObject*>(obj.get());
  EXPECT_EQ(7, ind->Owner);
  EXPECT_EQ(12, ind->ObjectNumber);
  EXPECT_EQ(0, ind->Generation);
  EXPECT_EQ("<<\r\n/A 1\r\n>>", ToText(ind->Value.get()));
  EXPECT_EQ(12, in.Reader.CurrentObjectNumber);
  EXPECT_EQ(0, in.Reader.CurrentGeneration);
  std::string token;
  in.Reader.ReadToken(token);
  EXPECT_EQ("endobj", token);
}

TEST(ObjectReader, ObjKeywordIsCaseInsensitive) {
  TextInput in("4 1 OBJ 5 endobj");
  TkvPDFObjectPtr obj = in.Reader.ReadObject();
  ASSERT_TRUE(obj->IsIndirectObject());
  EXPECT_EQ(1, static_cast<TkvPDFIndirectObject*>(obj.get())->Generation);
}

TEST(ObjectReader, StreamObjectLeavesTheReaderBeforeStream) {
  TextInput in("5 0 obj\r\n<</Length 4>>\r\nstream\r\nabcd\r\nendstream\r\nendobj");
  TkvPDFObjectPtr obj = in.Reader.ReadObject();
  auto* ind = static_cast<TkvPDFIndirectObject*>(obj.get());
  ASSERT_TRUE(ind->Value && ind->Value->IsStream());
  auto* stream = static_cast<TkvPDFStreamObject*>(ind->Value.get());
  EXPECT_FALSE(stream->Data);
  EXPECT_EQ(4, static_cast<TkvPDFIntegerObject*>(stream->Dictionary->GetValue("/Length"))->Value);
  EXPECT_TRUE(in.Reader.NextIs("stream"));
  auto data = in.Reader.ReadStreamData(4, 5, 0);
  EXPECT_EQ("abcd", data->Bytes());
  in.Reader.SkipWhitespace();
  std::string token;
  in.Reader.ReadToken(token);
  EXPECT_EQ("endobj", token);
}

// An input that is not memory: the reader sees it through windows of 64 KB.
class WindowedInput : public TkvStream {
 public:
  explicit WindowedInput(std::string text) : text_(std::move(text)) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, static_cast<int64_t>(text_.size()) - pos_));
    if (n > 0) std::memcpy(buffer, text_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TkvSeekOrigin origin) override {
    pos_ = origin == TkvSeekOrigin::soBeginning ? offset
           : origin == TkvSeekOrigin::soCurrent ? pos_ + offset
                                                : static_cast<int64_t>(text_.size()) + offset;
    return pos_;
  }

 private:
  std::string text_;
  int64_t pos_ = 0;
};

TEST(ObjectReader, NumbersAndReferencesReadTheSameAcrossWindowEdges) {
  // Numbers and references are read in place when the window holds them; at its edge the
  // token reading takes over, with the same result.
  const std::string plain = "[1 2 3 R 6 /N 7 0 R -8 .5 9\r\n0\nR 10 % c\n 0 R 11 0 R]";
  const std::string plainExpected = "[ 1 2 0 R 6 /N 7 0 R -8 0.5 9 0 R 10 0 R 11 0 R ]";
  EXPECT_EQ(plainExpected, ToText(TextInput(plain).Reader.ReadObject().get()));
  const size_t window = 64 * 1024;
  for (size_t shift = 0; shift <= plain.size(); ++shift) {
    WindowedInput input(std::string(window - shift, ' ') + plain);
    TkvPDFStreamReader reader(7, &input);
    EXPECT_EQ(plainExpected, ToText(reader.ReadObject().get())) << "shift " << shift;
  }
}

TEST(ObjectReader, ArrayOfNumbersKeepsItsPlaceAfterLookAhead) {
  // Each number looks two tokens ahead for "R" or "obj" and must step back exactly.
  TextInput in("[1 2 3 R 4 5] /Next");
  auto obj = in.Reader.ReadObject();
  EXPECT_EQ("[ 1 2 0 R 4 5 ]", ToText(obj.get()));
  EXPECT_EQ("/Next", ToText(in.Reader.ReadObject().get()));
}

TEST(ObjectReader, ClosingCharactersGiveNone) {
  for (const char* text : {")", ">", "]", "}"}) {
    TextInput in(text);
    EXPECT_FALSE(in.Reader.ReadObject()) << text;
    EXPECT_EQ(0, in.Reader.Pos()) << text;
  }
}

TEST(ObjectReader, TokensAndWhitespace) {
  TextInput in("  %c\r\n abc/def (x) \tq");
  std::string token;
  in.Reader.PeekToken(token);
  EXPECT_EQ("abc", token);
  in.Reader.ReadToken(token);
  EXPECT_EQ("abc", token);
  in.Reader.ReadToken(token);  // one character unconditionally, then up to a delimiter
  EXPECT_EQ("/def", token);
  in.Reader.ReadToken(token);
  EXPECT_EQ("(x", token);
  in.Reader.ReadToken(token);
  EXPECT_EQ(")", token);
  in.Reader.ReadToken(token);
  EXPECT_EQ("\tq", token);  // a tab is no whitespace
  in.Reader.ReadToken(token);
  EXPECT_EQ("", token);
}

TEST(ObjectReader, Failures) {
  using Read = std::function<void(TkvPDFStreamReader&)>;
  const Read object = [](TkvPDFStreamReader& r) { r.ReadObject(); };
  struct Row {
    const char* Input;
    Read Action;
    std::function<void(const std::function<void()>&, const std::string&)> Check;
    std::string Message;
  };
  const std::vector<Row> rows = {
      {"tru", object, ExpectFailure<EBooleanError>, "Expected boolean (true) object"},
      {"fals e", object, ExpectFailure<EBooleanError>, "Expected boolean (false) object"},
      {"nul", object, ExpectFailure<ENullObjectError>, "Expected PDF null object"},
      {"abc", object, ExpectFailure<EConvertError>, "'abc' is not a valid integer value"},
      {"\t5", object, ExpectFailure<EConvertError>, "'\t5' is not a valid integer value"},
      {"x 0 R", object, ExpectFailure<EConvertError>, "'x' is not a valid integer value"},
      {"1 y obj", object, ExpectFailure<EConvertError>, "'y' is not a valid integer value"},
      {"16777216 0 R", object, ExpectFailure<EInvalidObjectNo>, "Invalid object number (16777216 0)"},
      {"-1 0 obj 1", object, ExpectFailure<EInvalidObjectNo>, "Invalid object number (-1 0)"},
      {"1 65536 R", object, ExpectFailure<EInvalidObjectNo>, "Invalid object number (1 65536)"},
      {"", object, ExpectFailure<EConvertError>, "Unexpected end of PDF data at offset 0"},
      {"1 0 obj", object, ExpectFailure<EConvertError>, "Unexpected end of PDF data at offset 7"},
      {"[1 2", object, ExpectFailure<EArrayReadError>, "Error reading PDF array (end of input)"},
      {"[1 2)", object, ExpectFailure<EArrayReadError>, "Error reading PDF array ())"},
      {"[(a) tru]", object, ExpectFailure<EBooleanError>, "Expected boolean (true) object"},
      {"<</A 1", object, ExpectFailure<EDictionaryReadError>, "Error reading PDF dictionary (end of input)"},
      {"<</A", object, ExpectFailure<EDictionaryReadError>, "Error reading PDF dictionary (end of input)"},
      {"<</A 1 > >>", object, ExpectFailure<EDictionaryReadError>, "Error reading PDF dictionary (>)"},
      {"<<1 2>>", object, ExpectFailure<ENameReadError>, "Error reading PDF name string (1)"},
      {"<</A [1 2>>", object, ExpectFailure<EArrayReadError>, "Error reading PDF array (>)"},
      {"(abc", object, ExpectFailure<EStringReadError>, "Error reading PDF string (end of input)"},
      {"(abc\\", object, ExpectFailure<EStringReadError>, "Error reading PDF string (end of input)"},
      {"<414", object, ExpectFailure<EStringReadError>, "Error reading PDF string (end of input)"},
      {"1 0 obj [1] stream", object, ExpectFailure<EStreamReadError>, "Error reading PDF stream"},
      {"(x)", [](TkvPDFStreamReader& r) { r.ReadArray(); }, ExpectFailure<EArrayReadError>,
       "Error reading PDF array (()"},
      {"A", [](TkvPDFStreamReader& r) { r.ReadName(); }, ExpectFailure<ENameReadError>,
       "Error reading PDF name string (A)"},
      {"x", [](TkvPDFStreamReader& r) { r.ReadString(); }, ExpectFailure<EStringReadError>,
       "Error reading PDF string (x)"},
      {"<x", [](TkvPDFStreamReader& r) { r.ReadDictionary(); }, ExpectFailure<EDictionaryReadError>,
       "Error reading PDF dictionary (x)"},
      {"", [](TkvPDFStreamReader& r) { r.ReadDictionary(); }, ExpectFailure<EDictionaryReadError>,
       "Error reading PDF dictionary (end of input)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    TextInput in(row.Input);
    row.Check([&] { row.Action(in.Reader); }, row.Message);
  }
}

// Encrypts nothing: XOR with the object number, so the test sees which numbers were used.
class XorDecryptor : public TkvPDFDecryptor {
 public:
  void DecryptString(std::string& bytes, int32_t number, int32_t generation) override {
    for (char& c : bytes) c = static_cast<char>(c ^ number);
    Calls.push_back({number, generation});
  }
  std::unique_ptr<TkvMemoryStream> DecryptStream(std::unique_ptr<TkvMemoryStream> stream, int32_t number,
                                                 int32_t generation) override {
    std::string bytes(stream->Bytes());
    DecryptString(bytes, number, generation);
    return std::make_unique<TkvMemoryStream>(bytes);
  }
  std::vector<std::pair<int32_t, int32_t>> Calls;
};

TEST(ObjectReader, DecryptsStringsOfTheCurrentObject) {
  TextInput in("3 2 obj [<48656C6C6F> (ab) <>] endobj");
  XorDecryptor decryptor;
  in.Reader.Decryptor = &decryptor;
  auto obj = in.Reader.ReadObject();
  auto* array = static_cast<TkvPDFArrayObject*>(static_cast<TkvPDFIndirectObject*>(obj.get())->Value.get());
  auto* hex = static_cast<TkvPDFStringObject*>(array->GetItem(0));
  std::string hello = "Hello";
  for (char& c : hello) c = static_cast<char>(c ^ 3);
  EXPECT_FALSE(hex->IsHex);
  EXPECT_EQ("(" + hello + ")", hex->Value);
  EXPECT_EQ(std::string("(\x62\x61)"), static_cast<TkvPDFStringObject*>(array->GetItem(1))->Value);
  auto* empty = static_cast<TkvPDFStringObject*>(array->GetItem(2));
  EXPECT_TRUE(empty->IsHex);
  EXPECT_EQ("<>", empty->Value);
  ASSERT_EQ(2u, decryptor.Calls.size());
  EXPECT_EQ(std::make_pair(3, 2), decryptor.Calls[0]);
}

TEST(ObjectReader, DecryptionNeedsAnObjectHeader) {
  XorDecryptor decryptor;
  TextInput in("(abc)");
  in.Reader.Decryptor = &decryptor;
  ExpectFailure<EInvalidObjectNo>([&] { in.Reader.ReadObject(); }, "Invalid object number");
  TextInput stream("stream\nabc\nendstream");
  stream.Reader.Decryptor = &decryptor;
  ExpectFailure<EInvalidObjectNo>([&] { stream.Reader.ReadStreamData(3, 1, 0); }, "Invalid object number");
}

TEST(StreamData, LengthRules) {
  struct Row {
    const char* Input;
    int64_t Length;
    std::string Data;
  };
  const std::vector<Row> rows = {
      {"stream\r\nabcd\r\nendstream", 4, "abcd"},
      {"  stream\nab\ncd\nendstream", 5, "ab\ncd"},
      {"stream   \r\nxy endstream", 2, "xy"},
      {"stream\rxy endstream", 2, "xy"},
      {"stream\r\nendstream", 0, ""},
      {"stream\r\n%c\r\nendstream", 0, ""},
      {"stream\nendstream", 1, ""},
      {"stream\nZ\nendstream", 1, "Z"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    TextInput in(row.Input);
    auto data = in.Reader.ReadStreamData(row.Length, 1, 0);
    ASSERT_TRUE(data);
    EXPECT_EQ(row.Data, data->Bytes());
    EXPECT_TRUE(in.Reader.AtEnd());
  }
}

TEST(StreamData, Failures) {
  struct Row {
    const char* Input;
    int64_t Length;
  };
  for (const Row& row : std::vector<Row>{{"stream\nabcdendstream", 5},  // one byte too long
                                         {"stream\nabcd\nendstream", 6},
                                         {"stream\nabcd\nendstream", 3},
                                         {"stream\nabcd", 4},
                                         {"stream\nabcd\nendstream", int64_t{1} << 40}}) {
    TextInput in(row.Input);
    ExpectFailure<EEndStreamError>([&] { in.Reader.ReadStreamData(row.Length, 1, 0); }, "Expected PDF endstream");
  }
  TextInput missing("endstream");
  ExpectFailure<EStreamReadError>([&] { missing.Reader.ReadStreamData(0, 1, 0); }, "Error reading PDF stream");
}

TEST(StreamData, SharesTheInputBytes) {
  auto bytes = std::make_shared<const std::string>("stream\nPAYLOAD\nendstream");
  TkvMemoryStream input(bytes, 0, bytes->size());
  TkvPDFStreamReader reader(1, &input);
  auto data = reader.ReadStreamData(7, 1, 0);
  EXPECT_EQ("PAYLOAD", data->Bytes());
  EXPECT_EQ(bytes->data() + 7, data->Memory());
}

TEST(StreamData, DecryptedWithTheGivenNumbers) {
  TextInput in("stream\nab\nendstream");
  XorDecryptor decryptor;
  in.Reader.Decryptor = &decryptor;
  in.Reader.CurrentObjectNumber = 9;
  in.Reader.CurrentGeneration = 0;
  auto data = in.Reader.ReadStreamData(2, 1, 4);
  EXPECT_EQ(std::string("\x60\x63"), data->Bytes());
  ASSERT_EQ(1u, decryptor.Calls.size());
  EXPECT_EQ(std::make_pair(1, 4), decryptor.Calls[0]);
}

}  // namespace
