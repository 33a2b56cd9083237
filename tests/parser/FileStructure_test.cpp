#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "parser/ParserTestUtil.h"
#include "support/TestSupport.h"

using namespace kv;
using kvtest::ExpectFailure;
using kvtest::MakePdf;
using kvtest::ObjectOffsets;
using kvtest::TextInput;

namespace {

long long LastStartXRef(const std::string& pdf) {
  size_t p = pdf.rfind("startxref");
  return std::stoll(pdf.substr(p + 9));
}

std::string Entry(long long offset, int generation, char type) {
  char line[32];
  std::snprintf(line, sizeof line, "%010lld %05d %c\r\n", offset, generation, type);
  return line;
}

// Appends an update section: the given objects, one subsection per object, and a
// trailer with /Prev to the previous section plus `trailerExtra`.
std::string AppendUpdate(const std::string& base, const std::vector<std::pair<int, std::string>>& objects,
                         const std::string& trailerExtra) {
  std::string pdf = base;
  std::string xref = "xref\n";
  for (const auto& [number, body] : objects) {
    xref += std::to_string(number) + " 1\n" + Entry(static_cast<long long>(pdf.size()), 0, 'n');
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  size_t at = pdf.size();
  pdf += xref + "trailer\n<< /Prev " + std::to_string(LastStartXRef(base)) + " " + trailerExtra + " >>\n";
  pdf += "startxref\n" + std::to_string(at) + "\n%%EOF\n";
  return pdf;
}

// Reads every cross-reference section of `pdf` into a table, counting the sections.
struct Loaded {
  explicit Loaded(const std::string& pdf) : In(pdf) {
    ReadXRefSection(In.Reader, In.Reader.FindStartXRef(), Table, [this] { ++Sections; });
  }
  TextInput In;
  TkvXRefTable Table;
  int Sections = 0;
};

const std::vector<std::string> kThreeObjects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                                "<< /Type /Pages /Kids [] /Count 0 >>", "<< /Producer (x) >>"};

TEST(Header, Versions) {
  for (int minor = 0; minor <= 5; ++minor) {
    TextInput in("%PDF-1." + std::to_string(minor) + "\n%\xE2\xE3\n1 0 obj");
    EXPECT_EQ(minor, in.Reader.ReadHeader());
  }
  TextInput noNewline("%PDF-1.4");
  EXPECT_EQ(4, noNewline.Reader.ReadHeader());
}

TEST(Header, Failures) {
  struct Row {
    std::string Input;
    std::function<void(const std::function<void()>&, const std::string&)> Check;
    std::string Message;
  };
  const std::vector<Row> rows = {
      {"%PDF-1.6\n", ExpectFailure<EUnsupportedVersion>, "Unsupported PDF Version (%PDF-1.6)"},
      {"%PDF-1.9x\n", ExpectFailure<EUnsupportedVersion>, "Unsupported PDF Version (%PDF-1.9x)"},
      {"%PDF-2.0\n", ExpectFailure<EInvalidHeader>, "Invalid PDF Header (%PDF-2.)"},
      {"%pdf-1.4\n", ExpectFailure<EInvalidHeader>, "Invalid PDF Header (%pdf-1.)"},
      {"", ExpectFailure<EInvalidHeader>, "Invalid PDF Header ()"},
      {"%PDF-1\n", ExpectFailure<EInvalidHeader>, "Invalid PDF Header (%PDF-1)"},
      {"%PDF-1.x\n", ExpectFailure<EConvertError>, "'x' is not a valid integer value"},
      {"%PDF-1.\n", ExpectFailure<EConvertError>, "'' is not a valid integer value"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    TextInput in(row.Input);
    row.Check([&] { in.Reader.ReadHeader(); }, row.Message);
  }
}

TEST(StartXRef, FindsTheLastWholeWordAnyCase) {
  std::string pdf = MakePdf(kThreeObjects);
  TextInput plain(pdf);
  EXPECT_EQ(LastStartXRef(pdf), plain.Reader.FindStartXRef());

  // An update written after the file: the second keyword wins.
  std::string updated = AppendUpdate(pdf, {{3, "<< /Producer (y) >>"}}, "");
  TextInput two(updated);
  EXPECT_EQ(LastStartXRef(updated), two.Reader.FindStartXRef());
  EXPECT_NE(LastStartXRef(pdf), LastStartXRef(updated));

  TextInput anyCase("%PDF-1.4\nstartxref\n9\nStartXRef\r\n12\n%%EOF");
  EXPECT_EQ(12, anyCase.Reader.FindStartXRef());
  // Glued to letters or digits it is no keyword.
  TextInput glued("%PDF-1.4\nstartxref 9\nxstartxref 12\nstartxref2 13\n");
  EXPECT_EQ(9, glued.Reader.FindStartXRef());
}

TEST(StartXRef, Failures) {
  for (const char* text : {"%PDF-1.4\n", "%PDF-1.4\nstartxref\n%%EOF\n", "%PDF-1.4\nstartxref\n99999\n",
                           "%PDF-1.4\nstartxref\n99999999999999999999\n", ""}) {
    SCOPED_TRACE(text);
    TextInput in(text);
    ExpectFailure<EOffsetError>([&] { in.Reader.FindStartXRef(); }, "Error reading document. Unable to read offset");
  }
}

TEST(StartXRef, FileStreamSearchesBlocksFromTheEnd) {
  // The keyword straddles the edge of the last 64 KiB block of a file stream.
  kvtest::TempDir dir;
  std::string head = "%PDF-1.4\nstartxref\n3\n" + std::string(70000, ' ');
  std::string pdf = head + "startxref\n123\n";
  const size_t block = 64 * 1024;
  size_t total = head.size() + block - 4;
  pdf += std::string(total - pdf.size(), ' ');
  ASSERT_EQ(total, pdf.size());
  kvtest::WriteFile(dir.File("a.pdf"), pdf);
  TkvFileStream file(dir.File("a.pdf"), TkvFileStream::Mode::fmOpenRead);
  TkvPDFStreamReader reader(1, &file);
  EXPECT_EQ(123, reader.FindStartXRef());

  kvtest::WriteFile(dir.File("b.pdf"), head + std::string(200000, '\n'));
  TkvFileStream file2(dir.File("b.pdf"), TkvFileStream::Mode::fmOpenRead);
  TkvPDFStreamReader reader2(1, &file2);
  EXPECT_EQ(3, reader2.FindStartXRef());
}

TEST(Trailer, ReadsTheDictionaryAfterTheKeyword) {
  TextInput in("xref\n0 1\n0000000000 65535 f\r\ntrailer\n<< /Size 1 /Root 1 0 R >>");
  auto trailer = in.Reader.ReadTrailer();
  EXPECT_EQ(2, trailer->Count());
  for (const char* text : {"xref\n0 1\n", "xref tail <<>>", "trailer [1]", "trailer >>"}) {
    SCOPED_TRACE(text);
    TextInput bad(text);
    ExpectFailure<ETrailerError>([&] { bad.Reader.ReadTrailer(); }, "Error reading PDF trailer");
  }
}

TEST(XRef, SingleSection) {
  std::string pdf = MakePdf(kThreeObjects, "/Info 3 0 R /ID [<01> <02>]");
  Loaded file(pdf);
  EXPECT_EQ(1, file.Sections);
  ASSERT_EQ(4u, file.Table.Items.size());
  EXPECT_EQ('f', file.Table.Items[0].EntryType);
  EXPECT_EQ(65535, file.Table.Items[0].Generation);
  std::vector<long> offsets = ObjectOffsets(pdf);
  for (size_t i = 0; i < offsets.size(); ++i) {
    EXPECT_EQ('n', file.Table.Items[i + 1].EntryType);
    EXPECT_EQ(offsets[i], file.Table.Items[i + 1].Offset);
  }
  EXPECT_EQ(1, file.Table.Trailer.RootNumber);
  ASSERT_TRUE(file.Table.Trailer.Info);
  EXPECT_EQ(3, file.Table.Trailer.Info->ObjectNumber);
  ASSERT_TRUE(file.Table.PendingID);
  EXPECT_EQ("[ <01> <02> ]", kvtest::ToText(file.Table.PendingID.get()));
  EXPECT_FALSE(file.Table.Trailer.Encrypt);
}

TEST(XRef, UpdateOverridesEntriesAndRoot) {
  std::string base = MakePdf(kThreeObjects, "/Info 3 0 R /ID [<AA> <AA>] /Encrypt << /Filter /Standard >>");
  std::string pdf = AppendUpdate(base, {{2, "<< /Type /Pages /Kids [] /Count 0 /New true >>"}, {4, "<< >>"}},
                                 "/Size 5 /Root 4 0 R /ID [<BB> <BB>]");
  Loaded file(pdf);
  EXPECT_EQ(2, file.Sections);
  ASSERT_EQ(5u, file.Table.Items.size());
  EXPECT_EQ(static_cast<int32_t>(pdf.find("2 0 obj\n<< /Type /Pages /Kids [] /Count 0 /New")),
            file.Table.Items[2].Offset);
  EXPECT_EQ(ObjectOffsets(base)[0], file.Table.Items[1].Offset);  // untouched entries stay
  EXPECT_EQ('n', file.Table.Items[4].EntryType);
  EXPECT_EQ(4, file.Table.Trailer.RootNumber);
  EXPECT_EQ("[ <BB> <BB> ]", kvtest::ToText(file.Table.PendingID.get()));
  // What only the older trailer has is still taken.
  ASSERT_TRUE(file.Table.Trailer.Info);
  EXPECT_EQ(3, file.Table.Trailer.Info->ObjectNumber);
  ASSERT_TRUE(file.Table.Trailer.Encrypt && file.Table.Trailer.Encrypt->IsDictionary());
}

TEST(XRef, SeveralSubsectionsAndFreeEntries) {
  std::string pdf = MakePdf(kThreeObjects);
  size_t at = pdf.size();
  pdf += "xref\n0 1\n" + Entry(7, 1, 'f') + "2 2\n" + Entry(100, 0, 'n') + Entry(0, 3, 'f') + "trailer\n<< /Prev " +
         std::to_string(LastStartXRef(pdf)) + " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  Loaded file(pdf);
  ASSERT_EQ(4u, file.Table.Items.size());
  EXPECT_EQ(7, file.Table.Items[0].Offset);
  EXPECT_EQ(1, file.Table.Items[0].Generation);
  EXPECT_EQ(100, file.Table.Items[2].Offset);
  EXPECT_EQ('f', file.Table.Items[3].EntryType);
  EXPECT_EQ(3, file.Table.Items[3].Generation);
}

TEST(XRef, ZeroCountSubsectionEndsTheSection) {
  std::string pdf = MakePdf(kThreeObjects);
  size_t at = pdf.size();
  pdf += "xref\n0 0\n3 1\n" + Entry(999, 0, 'n') + "trailer\n<< /Prev " + std::to_string(LastStartXRef(pdf)) +
         " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  Loaded file(pdf);
  EXPECT_EQ(2, file.Sections);
  EXPECT_EQ(ObjectOffsets(pdf)[2], file.Table.Items[3].Offset);
}

// Appends a section with the given trailer entries (a /Prev to the previous section
// unless `trailer` is given).
std::string WithSection(std::string pdf, const std::string& section, std::string trailer = "") {
  size_t at = pdf.size();
  if (trailer.empty()) trailer = "/Prev " + std::to_string(LastStartXRef(pdf));
  pdf += section + "trailer\n<< " + trailer + " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  return pdf;
}

TEST(XRef, Failures) {
  const std::string base = MakePdf(kThreeObjects);
  struct Row {
    std::string Name;
    std::string Pdf;
    std::function<void(const std::function<void()>&, const std::string&)> Check;
    std::string Message;
  };
  std::string selfLoop = base;
  selfLoop += "xref\n0 0\ntrailer\n<< /Prev " + std::to_string(base.size()) + " >>\nstartxref\n" +
              std::to_string(base.size()) + "\n%%EOF\n";
  // Two update sections naming each other.
  std::string cycle = base;
  size_t a = cycle.size();
  std::string secA = "xref\n0 0\ntrailer\n<< /Prev ";
  size_t b = a + secA.size() + 10 + 4;
  cycle += secA + std::to_string(b) + std::string(10 - std::to_string(b).size(), ' ') + " >>\n";
  ASSERT_EQ(b, cycle.size());
  cycle += "xref\n0 0\ntrailer\n<< /Prev " + std::to_string(a) + " >>\nstartxref\n" + std::to_string(b) + "\n";

  const std::vector<Row> rows = {
      {"gap", WithSection(base, "xref\n9 1\n" + Entry(15, 0, 'n')), ExpectFailure<ECrossReferenceError>,
       "Error reading cross-referenece table"},
      {"self loop", selfLoop, ExpectFailure<ETrailerError>,
       "Error reading PDF trailer (the /Prev chain returns to the section at offset " + std::to_string(base.size()) +
           ")"},
      {"cycle", cycle, ExpectFailure<ETrailerError>,
       "Error reading PDF trailer (the /Prev chain returns to the section at offset " + std::to_string(b) + ")"},
      {"prev outside", WithSection(base, "xref\n0 0\n", "/Prev 99999999"), ExpectFailure<ETrailerError>,
       "Error reading PDF trailer (offset 99999999 lies outside the file of " +
           std::to_string(WithSection(base, "xref\n0 0\n", "/Prev 99999999").size()) + " bytes)"},
      {"prev negative", WithSection(base, "xref\n0 0\n", "/Prev -5"), ExpectFailure<ETrailerError>,
       "Error reading PDF trailer (offset -5 lies outside the file of " +
           std::to_string(WithSection(base, "xref\n0 0\n", "/Prev -5").size()) + " bytes)"},
      {"prev not integer", WithSection(base, "xref\n0 0\n", "/Prev (12)"), ExpectFailure<ETrailerError>,
       "Error reading PDF trailer (/Prev is not an integer)"},
      {"huge count", WithSection(base, "xref\n0 5000000\n" + Entry(0, 65535, 'f')), ExpectFailure<ECrossReferenceError>,
       "Error reading cross-referenece table (subsection 0 5000000 holds more entries than the file has bytes for)"},
      {"beyond object numbers", WithSection(base, "xref\n16777215 2\n" + Entry(0, 0, 'f') + Entry(0, 0, 'f')),
       ExpectFailure<ECrossReferenceError>,
       "Error reading cross-referenece table (subsection 16777215 2: object numbers run from 0 to 16777215)"},
      {"negative count", WithSection(base, "xref\n0 -1\n"), ExpectFailure<ECrossReferenceError>,
       "Error reading cross-referenece table (subsection 0 -1: object numbers run from 0 to 16777215)"},
      {"bad entry", WithSection(base, "xref\n1 1\n00000000x5 00000 n\r\n"), ExpectFailure<EConvertError>,
       "'00000000x5' is not a valid integer value"},
      {"negative offset", WithSection(base, "xref\n1 2\n" + Entry(15, 0, 'n') + "-000000015 00000 n\r\n"),
       ExpectFailure<EConvertError>, "'-000000015' is not a valid integer value"},
      {"bad generation", WithSection(base, "xref\n1 1\n0000000015 0000y n\r\n"), ExpectFailure<EConvertError>,
       "' 0000y' is not a valid integer value"},
      {"bad count token", WithSection(base, "xref\n1 x\n"), ExpectFailure<EConvertError>,
       "'x' is not a valid integer value"},
      {"xref stream",
       "%PDF-1.5\n1 0 obj\n<< /Type /XRef /Size 1 /W [1 1 1] /Length 3 >>\nstream\n\x01\x01\x01"
       "\nendstream\nendobj\nstartxref\n9\n%%EOF\n",
       ExpectFailure<ETrailerError>, "Error reading PDF trailer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    row.Check([&] { Loaded file(row.Pdf); }, row.Message);
  }
}

TEST(XRef, OffsetOutsideTheFileGivenByTheCaller) {
  TextInput in(MakePdf(kThreeObjects));
  TkvXRefTable table;
  ExpectFailure<ETrailerError>([&] { ReadXRefSection(in.Reader, in.Reader.Size, table, nullptr); },
                               "Error reading PDF trailer (offset " + std::to_string(in.Reader.Size) +
                                   " lies outside the file of " + std::to_string(in.Reader.Size) + " bytes)");
}

}  // namespace
