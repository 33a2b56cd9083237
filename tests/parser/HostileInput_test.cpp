// Inputs built to hurt the reader: deep nesting, huge tokens, truncation and noise.
// Each must end in one of the library's exceptions, in bounded time and memory.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "parser/ParserTestUtil.h"

using namespace kv;
using kvtest::ExpectFailure;
using kvtest::TextInput;

namespace {

constexpr int kDepth = TkvPDFStreamReader::kMaxNestingDepth;
constexpr size_t kHuge = 2 * 1024 * 1024;

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(HostileInput, NestingUpToTheLimitReads) {
  TextInput arrays(Repeat("[", kDepth) + Repeat("]", kDepth));
  EXPECT_TRUE(arrays.Reader.ReadObject()->IsArray());
  TextInput mixed(Repeat("[<</A ", kDepth / 2) + Repeat(">>]", kDepth / 2));
  EXPECT_TRUE(mixed.Reader.ReadObject()->IsArray());
}

TEST(HostileInput, NestingBeyondTheLimitFails) {
  TextInput arrays(Repeat("[", 100000));
  ExpectFailure<EArrayReadError>([&] { arrays.Reader.ReadObject(); },
                                 "Error reading PDF array (nested deeper than 256 levels)");
  TextInput exact(Repeat("[", kDepth + 1) + Repeat("]", kDepth + 1));
  EXPECT_THROW(exact.Reader.ReadObject(), EArrayReadError);
  TextInput dicts(Repeat("<</A ", 100000));
  ExpectFailure<EDictionaryReadError>([&] { dicts.Reader.ReadObject(); },
                                      "Error reading PDF dictionary (nested deeper than 256 levels)");
  TextInput objects(Repeat("1 0 obj ", 100000));
  EXPECT_THROW(objects.Reader.ReadObject(), EUnexpectedObjectError);
  // Arrays inside an object count on their own.
  TextInput inObject("1 0 obj " + Repeat("[", kDepth) + Repeat("]", kDepth) + " endobj");
  EXPECT_TRUE(inObject.Reader.ReadObject()->IsIndirectObject());
}

TEST(HostileInput, HugeNameStringAndTokenReadInOnePass) {
  TextInput name("/" + std::string(kHuge, 'N') + " 1");
  auto obj = name.Reader.ReadObject();
  EXPECT_EQ(kHuge + 1, static_cast<TkvPDFNameObject*>(obj.get())->Value.size());

  // A name behind a number is read once more by the reference look-ahead.
  TextInput behindNumber("[1 /" + std::string(kHuge, 'N') + "]");
  EXPECT_EQ(2, static_cast<TkvPDFArrayObject*>(behindNumber.Reader.ReadObject().get())->Count());

  TextInput literal("(" + Repeat("ab\\n", kHuge / 4) + ")");
  obj = literal.Reader.ReadObject();
  EXPECT_EQ(kHuge / 4 * 3 + 2, static_cast<TkvPDFStringObject*>(obj.get())->Value.size());

  TextInput nested(Repeat("(", kHuge / 2) + Repeat(")", kHuge / 2));
  obj = nested.Reader.ReadObject();
  EXPECT_EQ(kHuge, static_cast<TkvPDFStringObject*>(obj.get())->Value.size());

  TextInput hex("<" + std::string(kHuge, 'A') + ">");
  EXPECT_TRUE(hex.Reader.ReadObject()->IsString());

  // The message quotes only the start of a monstrous token.
  TextInput number(std::string(kHuge, '9'));
  ExpectFailure<EConvertError>([&] { number.Reader.ReadObject(); },
                               "'" + std::string(64, '9') + "...' is not a valid integer value");
}

TEST(HostileInput, HugeStreamLengthAllocatesNothing) {
  TextInput in("1 0 obj << /Length 9223372036854775807 >> stream\nabc\nendstream");
  in.Reader.ReadObject();
  ExpectFailure<EEndStreamError>([&] { in.Reader.ReadStreamData(INT64_MAX, 1, 0); }, "Expected PDF endstream");
}

// Reads objects until the input ends or fails; only the library's exceptions may escape.
void ReadAll(const std::string& text) {
  TextInput in(text);
  // Every round consumes input or ends, so the bound only guards against a reader bug.
  for (size_t round = 0; round <= text.size() + 1 && !in.Reader.AtEnd(); ++round) {
    int64_t before = in.Reader.Pos();
    try {
      if (!in.Reader.ReadObject()) in.Reader.SkipBytes(1);
    } catch (const kv::Exception&) {
      if (in.Reader.Pos() == before) in.Reader.SkipBytes(1);
    }
    in.Reader.SkipWhitespace();
  }
  EXPECT_TRUE(in.Reader.AtEnd());
}

TEST(HostileInput, EveryTruncationEndsCleanly) {
  const std::string sample =
      "7 0 obj\r\n<< /Type /Page /Kids [1 0 R 2 0 R] /S (a\\(b\\)\\101\\\r\nc) /H <414243> /R 3.5 /N null "
      "/B true /F false /D << /E [[] <<>>] >> /Big 4294967296 >>\r\nstream\r\nxyz\r\nendstream\r\nendobj";
  for (size_t n = 0; n <= sample.size(); ++n) {
    SCOPED_TRACE(n);
    ReadAll(sample.substr(0, n));
  }
}

TEST(HostileInput, NoiseEndsCleanly) {
  // Bytes drawn mostly from the characters that steer the reader.
  const std::string alphabet = "()<>[]/\\%\r\n 0123456789.+-Robjtruefalsnl\t#";
  std::mt19937 gen(12345);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 3000; ++round) {
    std::string text(static_cast<size_t>(1 + round % 97), ' ');
    for (char& c : text) c = round % 5 == 0 ? static_cast<char>(byte(gen)) : alphabet[pick(gen)];
    ReadAll(text);
  }
}

TEST(HostileInput, StructureReadersStopAtTheEnd) {
  // Every prefix of a small file: the structure readers fail with the library's errors.
  std::string pdf =
      "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\nxref\n0 2\n0000000000 65535 f\r\n0000000009 00000 n\r\n"
      "trailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n45\n%%EOF\n";
  ASSERT_EQ(45u, pdf.find("xref"));
  for (size_t n = 0; n <= pdf.size(); ++n) {
    SCOPED_TRACE(n);
    TextInput in(pdf.substr(0, n));
    try {
      in.Reader.ReadHeader();
      TkvXRefTable table;
      ReadXRefSection(in.Reader, in.Reader.FindStartXRef(), table, nullptr);
      EXPECT_EQ(2u, table.Items.size());
    } catch (const kv::Exception&) {
      EXPECT_LT(n, pdf.size() - 7);  // only "%%EOF\n" may be cut without harm
    }
  }
}

}  // namespace

namespace {

// A read that fails inside nested containers leaves nothing of them behind: the reader's
// next object is read whole, and the containers of a later read hold only their own items.
TEST(HostileInput, FailedNestedReadLeavesTheNextReadWhole) {
  TextInput in("<< /A [ 1 2 << /B [ 3 4 >> >> ] >>\n[ 5 6 ] << /C 7 /D [ 8 ] >>");
  EXPECT_THROW(in.Reader.ReadObject(), EArrayReadError);
  in.Reader.Seek(in.Stream.Bytes().find('\n'), TkvSeekOrigin::soBeginning);
  EXPECT_EQ(kvtest::ToText(in.Reader.ReadObject().get()), "[ 5 6 ]");
  EXPECT_EQ(kvtest::ToText(in.Reader.ReadObject().get()), "<<\r\n/C 7\r\n/D [ 8 ]\r\n>>");
}

}  // namespace
