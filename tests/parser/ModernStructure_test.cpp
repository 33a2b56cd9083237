// The structure of modern files: cross-reference streams, hybrid sections, tolerant
// tables, headers after leading bytes, stream data without a trustworthy /Length, object
// streams, and rebuilding the cross-reference data of a damaged file.
#include <gtest/gtest.h>

#include "core/kvPDFUtils.h"
#include "parser/ParserTestUtil.h"
#include "pdf/parser/kvObjectStream.h"
#include "pdf/parser/kvXRefRepair.h"
#include "pdf/parser/kvXRefStream.h"
#include "support/ModernPdf.h"
#include "support/TestSupport.h"

using namespace kv;
using kvtest::ExpectFailure;
using kvtest::MakeModernPdf;
using kvtest::MakePdf;
using kvtest::ObjectOffsets;
using kvtest::TextInput;

namespace {

const std::vector<std::string> kFour = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                        "(three)", "<< /Info (four) >>"};

struct ModernTable {
  explicit ModernTable(const std::string& pdf) : In(pdf) {
    In.Reader.ReadModernFiles = true;
    ReadXRefSection(In.Reader, In.Reader.FindStartXRef(), Table, [this] { ++Sections; });
  }
  char Type(int n) const { return Table.Items.at(static_cast<size_t>(n)).EntryType; }
  TextInput In;
  TkvXRefTable Table;
  int Sections = 0;
};

TEST(XRefStreams, EntriesOfEveryKindWithOrWithoutPredictorAndLZW) {
  for (bool predictor : {true, false})
    for (bool lzw : {false, true}) {
      kvtest::ModernPdfOptions o;
      o.InObjectStream = {3, 4};
      o.Predictor = predictor;
      o.LZW = lzw;
      const std::string pdf = MakeModernPdf(kFour, o);
      ModernTable t(pdf);
      const std::vector<long> at = ObjectOffsets(pdf);
      ASSERT_EQ(7u, t.Table.Items.size());
      EXPECT_EQ('f', t.Type(0));
      EXPECT_EQ('n', t.Type(1));
      EXPECT_EQ(at[0], t.Table.Items[1].Offset);
      EXPECT_EQ(at[1], t.Table.Items[2].Offset);
      // Objects 3 and 4 are the first and second of object stream 5.
      EXPECT_EQ(kXRefCompressed, t.Type(3));
      EXPECT_EQ(5, t.Table.Items[3].Offset);
      EXPECT_EQ(0, t.Table.Items[3].Generation);
      EXPECT_EQ(1, t.Table.Items[4].Generation);
      EXPECT_EQ(1, t.Table.Trailer.RootNumber);
    }
}

TEST(XRefStreams, AChainOfStreamAndTableSectionsNewestWins) {
  // A classic file updated by a cross-reference stream section that moves object 3.
  const std::string base = MakePdf(kFour);
  const size_t baseXRef = std::stoul(base.substr(base.rfind("startxref") + 10));
  std::string pdf = base;
  const size_t obj3 = pdf.size();
  pdf += "3 0 obj\n(new three)\nendobj\n";
  const size_t xref = pdf.size();
  const std::string rows = std::string("\x01", 1) + kvtest::ModernBigEndian(obj3, 2) + std::string("\x01", 1) +
                           kvtest::ModernBigEndian(xref, 2);
  pdf += "6 0 obj\n<< /Type /XRef /Size 7 /Index [3 1 6 1] /W [1 2 0] /Prev " + std::to_string(baseXRef) +
         " /Info 4 0 R /Length " + std::to_string(rows.size()) + " >>\nstream\n" + rows + "\nendstream\nendobj\n";
  pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  ModernTable t(pdf);
  EXPECT_EQ(2, t.Sections);
  EXPECT_EQ(static_cast<int32_t>(obj3), t.Table.Items[3].Offset);
  EXPECT_EQ(ObjectOffsets(base)[3], t.Table.Items[4].Offset);  // the older table's
  EXPECT_EQ(1, t.Table.Trailer.RootNumber);                    // from the older trailer
  ASSERT_TRUE(t.Table.Trailer.Info);
  EXPECT_EQ(4, t.Table.Trailer.Info->ObjectNumber);  // from the newer one
  // Without modern reading the same file fails as it always did.
  TextInput classic(pdf);
  TkvXRefTable table;
  ExpectFailure<ETrailerError>([&] { ReadXRefSection(classic.Reader, classic.Reader.FindStartXRef(), table, {}); },
                               "Error reading PDF trailer");
}

TEST(XRefStreams, HybridTableCompletedByItsStream) {
  kvtest::ModernPdfOptions o;
  o.InObjectStream = {3, 4};
  o.Hybrid = true;
  ModernTable t(MakeModernPdf(kFour, o));
  EXPECT_EQ('n', t.Type(1));
  EXPECT_EQ(kXRefCompressed, t.Type(3));  // free in the table, in use in the stream
  EXPECT_EQ(kXRefCompressed, t.Type(4));
  // A classic reader sees only the table.
  TextInput classic(MakeModernPdf(kFour, o));
  TkvXRefTable table;
  ReadXRefSection(classic.Reader, classic.Reader.FindStartXRef(), table, {});
  EXPECT_EQ('f', table.Items.at(3).EntryType);
}

TEST(XRefStreams, MalformedStreamsFailAsTrailerErrors) {
  auto stream = [](const std::string& dict, const std::string& data) {
    std::string pdf = "%PDF-1.5\n";
    const size_t at = pdf.size();
    pdf += "1 0 obj\n<< /Type /XRef " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream\nendobj\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
    return pdf;
  };
  const std::string row("\x01\x00\x09\x00", 4);
  const struct {
    std::string Dict, Data, Message;
  } rows[] = {
      {"/Size 1 /W [1 2]", row,
       "Error reading PDF trailer (/W of the cross-reference stream is not three widths of 0 to 8 bytes)"},
      {"/Size 1 /W [1 9 1]", row,
       "Error reading PDF trailer (/W of the cross-reference stream is not three widths of 0 to 8 bytes)"},
      {"/Size 1 /W [1 0 1]", row,
       "Error reading PDF trailer (/W of the cross-reference stream is not three widths of 0 to 8 bytes)"},
      {"/W [1 2 1]", row, "Error reading PDF trailer (/Index or /Size of the cross-reference stream is not valid)"},
      {"/Size 1 /Index [0 -1] /W [1 2 1]", row,
       "Error reading PDF trailer (/Index or /Size of the cross-reference stream is not valid)"},
      {"/Size 99999999 /W [1 2 1]", row,
       "Error reading PDF trailer (/Index or /Size of the cross-reference stream is not valid)"},
  };
  for (const auto& r : rows) {
    TextInput in(stream(r.Dict, r.Data));
    in.Reader.ReadModernFiles = true;
    TkvXRefTable table;
    ExpectFailure<ETrailerError>([&] { ReadXRefSection(in.Reader, in.Reader.FindStartXRef(), table, {}); }, r.Message);
  }
  // A /Type other than /XRef, and data that claims more rows than it holds (rows are read
  // as far as they go).
  TextInput other("%PDF-1.5\n1 0 obj\n<< /Type /ObjStm /Length 0 >>\nstream\n\nendstream\nendobj\n");
  other.Reader.ReadModernFiles = true;
  ExpectFailure<ETrailerError>([&] { ReadXRefStream(other.Reader, 9); },
                               "Error reading PDF trailer (no cross-reference stream at the offset)");
  TextInput shortData(stream("/Size 5 /W [1 2 1] /Root 1 0 R", row));
  shortData.Reader.ReadModernFiles = true;
  TkvXRefTable table;
  ReadXRefSection(shortData.Reader, shortData.Reader.FindStartXRef(), table, {});
  EXPECT_EQ(1u, table.Items.size());
}

TEST(ModernTables, OddLineEndsAndGaps) {
  // Entries of 19 bytes (one-byte line ends) and a subsection after a gap.
  std::string pdf = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
  const size_t xref = pdf.size();
  pdf += "xref\n0 2\n0000000000 65535 f\n0000000009 00000 n\n7 1\n0000000009 00002 n\ntrailer\n<< /Root 1 0 R >>\n";
  pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  ModernTable t(pdf);
  ASSERT_EQ(8u, t.Table.Items.size());
  EXPECT_EQ(9, t.Table.Items[1].Offset);
  EXPECT_EQ('f', t.Type(5));
  EXPECT_EQ(2, t.Table.Items[7].Generation);
  // Read strictly, the 19-byte records misalign, and the gap is the classic error.
  TextInput classic(pdf);
  TkvXRefTable table;
  EXPECT_THROW(ReadXRefSection(classic.Reader, classic.Reader.FindStartXRef(), table, {}), Exception);
}

TEST(ModernHeader, VersionsAndLeadingBytes) {
  const struct {
    std::string Text;
    int Major, Minor;
    int64_t Offset;
  } rows[] = {{"%PDF-1.7\n", 1, 7, 0},
              {"%PDF-2.0\r", 2, 0, 0},
              {"%PDF-1.9", 1, 9, 0},
              {"GIF89a junk\r\n%PDF-1.6\n", 1, 6, 13},
              {std::string(1000, ' ') + "%PDF-1.4", 1, 4, 1000}};
  for (const auto& r : rows) {
    TextInput in(r.Text + "\n1 0 obj null endobj");
    TkvPDFHeader h = in.Reader.ReadModernHeader();
    EXPECT_EQ(r.Major, h.Major) << r.Text;
    EXPECT_EQ(r.Minor, h.Minor) << r.Text;
    EXPECT_EQ(r.Offset, h.Offset) << r.Text;
  }
  ExpectFailure<EInvalidHeader>([] { TextInput("%PDF-3.0").Reader.ReadModernHeader(); },
                                "Invalid PDF Header (%PDF-3.)");
  ExpectFailure<EInvalidHeader>([] { TextInput(std::string(1100, 'x') + "%PDF-1.4").Reader.ReadModernHeader(); },
                                "Invalid PDF Header (xxxxxxx)");
  // The classic reader still refuses what it refused.
  ExpectFailure<EUnsupportedVersion>([] { TextInput("%PDF-1.7").Reader.ReadHeader(); },
                                     "Unsupported PDF Version (%PDF-1.7)");
}

TEST(ModernStreamData, DataUpToEndstreamWhenTheLengthIsWrong) {
  const struct {
    int64_t Length;
    std::string Data, Expected;
  } rows[] = {
      {5, "hello", "hello"},     // right
      {9, "hello", "hello"},     // too long: runs into "endstream"
      {2, "hello", "hello"},     // too short
      {-1, "hello\r", "hello"},  // unknown; the line end belongs to the syntax
      {0, "hello", "hello"},     // /Length 0 with data
      {99999, "a\rb", "a\rb"},   // beyond the file
      {0, "", ""},
  };
  for (const auto& r : rows) {
    TextInput in("stream\n" + r.Data + "\nendstream endobj");
    in.Reader.ReadModernFiles = true;
    auto data = in.Reader.ReadStreamData(r.Length, 1, 0);
    EXPECT_EQ(r.Expected, std::string(data->Bytes())) << r.Length;
    EXPECT_TRUE(in.Reader.NextIs(" endobj")) << r.Length;
  }
  TextInput none("stream\nhello and no end");
  none.Reader.ReadModernFiles = true;
  ExpectFailure<EEndStreamError>([&] { none.Reader.ReadStreamData(-1, 1, 0); }, "Expected PDF endstream");
  TextInput strict("stream\nhello\nendstream");
  ExpectFailure<EEndStreamError>([&] { strict.Reader.ReadStreamData(9, 1, 0); }, "Expected PDF endstream");
}

TEST(ObjectStreams, HeaderValuesAndLookups) {
  TkvPDFDictObject dict;
  dict.AddInteger("/N", 4);
  const std::string header = "12 0 13 5 14 7 15 9 ";
  dict.AddInteger("/First", static_cast<int32_t>(header.size()));
  // Each value ends where the next begins: 13 is the number 7, not the start of "7 0 ...".
  TkvObjectStream stream(7, 20, dict, header + "[1 2]7 0 << /A (x) >>");
  ASSERT_EQ(4, stream.Count());
  EXPECT_EQ(13, stream.NumberAt(1));
  int64_t parsed = 0;
  EXPECT_EQ("[ 1 2 ]", kvtest::ToText(stream.ReadValue(12, 0, parsed).get()));
  EXPECT_EQ("7", kvtest::ToText(stream.ReadValue(13, 1, parsed).get()));
  // A wrong index is looked past by number.
  EXPECT_EQ("<<\r\n/A (x)\r\n>>", kvtest::ToText(stream.ReadValue(15, 0, parsed).get()));
  EXPECT_GT(parsed, 0);
  ExpectFailure<EPDFException>([&] { stream.ReadValue(16, 2, parsed); }, "Object 16 not found in object stream 20");

  const struct {
    int N, First;
    std::string Data;
  } bad[] = {{-1, 0, ""}, {2, 4, "1 0 "}, {1, 50, "1 0 "}, {1, 4, "x 0 "}, {1, 4, "1 99"}, {1000000, 8, "1 0 2 0 "}};
  for (const auto& b : bad) {
    TkvPDFDictObject d;
    d.AddInteger("/N", b.N);
    d.AddInteger("/First", b.First);
    ExpectFailure<EPDFException>([&] { TkvObjectStream(7, 20, d, b.Data); },
                                 "Invalid object stream 20 (its header does not list /N objects before /First)");
  }
}

// A stream whose loading needs itself (its /Length kept inside it), or a long chain of
// streams needing the next, fails instead of recursing; a failed stream is not fetched again.
TEST(ObjectStreams, CacheLoadsEachStreamOnceAndBoundsNesting) {
  int fetched = 0;
  TkvObjectStreamCache* self = nullptr;
  TkvObjectStreamCache cache([&](int32_t n) -> std::unique_ptr<TkvObjectStream> {
    ++fetched;
    if (n < 100) self->Get(n == 1 ? 1 : n + 1);  // 1 needs itself; 2 needs 3 needs 4 ...
    TkvPDFDictObject d;
    d.AddInteger("/N", 0);
    d.AddInteger("/First", 0);
    return std::make_unique<TkvObjectStream>(7, n, d, "");
  });
  self = &cache;
  ExpectFailure<EPDFException>([&] { cache.Get(1); },
                               "Invalid object stream 1 (reading it needs itself, or streams nested too deep)");
  EXPECT_EQ(1, fetched);
  EXPECT_THROW(cache.Get(1), EPDFException);
  EXPECT_EQ(1, fetched);
  EXPECT_THROW(cache.Get(2), EPDFException);
  EXPECT_EQ(1 + TkvObjectStreamCache::kMaxNesting, fetched);
  EXPECT_EQ(0, cache.Get(100).Count());
  EXPECT_EQ(&cache.Get(100), &cache.Get(100));
}

TEST(Repair, ObjectsTrailersAndTheCatalogFoundByScanning) {
  // Object 3 defined twice (an update): the later one wins. The table is garbage.
  std::string pdf =
      "junk\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj<</Type/Pages/Kids[]/Count 0>>endobj\n";
  const size_t first3 = pdf.size();
  pdf += "3 0 obj (old) endobj\n";
  const size_t second3 = pdf.size();
  pdf += "3 1 obj (new) endobj\n% 9 0 obj in a comment is not at a line start but still looks like one\n";
  pdf += "4 0 obj\n<< /Type /ObjStm /N 0 /First 0 /Length 0 >>\nstream\n\nendstream\nendobj\n";
  pdf += "endobj 5 0 objection\ntrailer\n<< /Root 1 0 R /Info 3 1 R >>\nxref garbage\nstartxref\n1\n%%EOF";
  TextInput in(pdf);
  TkvXRefTable table;
  TkvRepairResult r = RebuildXRefTable(in.Reader, table);
  EXPECT_EQ(static_cast<int32_t>(second3), table.Items.at(3).Offset);
  EXPECT_NE(static_cast<int32_t>(first3), table.Items.at(3).Offset);
  EXPECT_EQ(1, table.Items.at(3).Generation);
  EXPECT_EQ(std::vector<int32_t>{4}, r.ObjectStreams);
  EXPECT_EQ(1, table.Trailer.RootNumber);
  ASSERT_TRUE(table.Trailer.Info);
  EXPECT_EQ(3, table.Trailer.Info->ObjectNumber);
  EXPECT_EQ(10u, table.Items.size());  // "5 0 objection" is no header; "9 0 obj" is one
  EXPECT_EQ('f', table.Items.at(5).EntryType);
  // No trailer at all: the catalog is found by its type.
  TextInput bare("%PDF-1.4\n7 0 obj\n<< /Pages 2 0 R /Type /Catalog >>\nendobj\n");
  TkvXRefTable t2;
  EXPECT_EQ(1, RebuildXRefTable(bare.Reader, t2).ObjectsFound);
  EXPECT_EQ(7, t2.Trailer.RootNumber);
  // Nothing to find.
  TextInput nothing("%PDF-1.4\nno objects here, obj or not\n");
  TkvXRefTable t3;
  EXPECT_EQ(0, RebuildXRefTable(nothing.Reader, t3).ObjectsFound);
}

}  // namespace
