#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/kvPDFUtils.h"
#include "parser/ParserTestUtil.h"
#include "support/TestSupport.h"

using namespace kv;
using kvtest::DataPath;
using kvtest::ExpectFailure;

namespace {

const std::vector<std::string> kClassicFiles = {
    "bzip2-manual.pdf",
    "cups-classified.pdf",
    "cups-default-testpage.pdf",
    "cxxtest-guide.pdf",
    "developers-reference.pdf",
    "fop-cid-fonts.pdf",
    "forensics-a-text.pdf",
    "gitmagic.pdf",
    "gitmagic.v1.5.pdf",
    "glpk-cnfsat.pdf",
    "groff-letter.pdf",
    "groff-letter.v1.3.pdf",
    "groff-mom-pdf.pdf",
    "groff-slide-demo.pdf",
    "isorot-rotman.pdf",
    "isorot-rotman.v1.2.pdf",
    "iwb-radio.pdf",
    "iwb-radio.v1.3.pdf",
    "newlfm-wine.pdf",
    "pdftools-active-links.pdf",
    "pdftools-hello.pdf",
    "pdftools-hello.v1.5.pdf",
    "prosper-tour.pdf",
    "xforms-manual.pdf",
};

// Files that are damaged above the syntax (page tree) or were updated incrementally:
// their structure and every object must still read.
const std::vector<std::string> kOtherReadableFiles = {"inc-title-and-new-object.pdf", "kids-loop.pdf",
                                                      "huge-count.pdf"};

struct Summary {
  int Version = -1;
  int Sections = 0;
  int InUse = 0;
  uint64_t Hash = 1469598103934665603ull;  // over every object's text and stream data

  void Mix(std::string_view bytes) {
    for (unsigned char c : bytes) Hash = (Hash ^ c) * 1099511628211ull;
  }
};

// The /Length of a stream: a direct integer, or a reference read from its own offset.
int64_t ResolveLength(TkvPDFStreamReader& reader, const TkvXRefTable& table, const TkvPDFObject* length) {
  if (length && length->IsInteger()) return static_cast<const TkvPDFIntegerObject*>(length)->Value;
  if (!length || !length->IsReference()) throw std::runtime_error("stream without usable /Length");
  auto* ref = static_cast<const TkvPDFIndirectReference*>(length);
  int64_t back = reader.Pos();
  reader.Seek(table.Items.at(static_cast<size_t>(ref->ObjectNumber)).Offset, TkvSeekOrigin::soBeginning);
  TkvPDFObjectPtr obj = reader.ReadObject();
  reader.Seek(back, TkvSeekOrigin::soBeginning);
  auto* ind = static_cast<TkvPDFIndirectObject*>(obj.get());
  if (!obj->IsIndirectObject() || !ind->Value->IsInteger()) throw std::runtime_error("/Length object is no integer");
  return static_cast<TkvPDFIntegerObject*>(ind->Value.get())->Value;
}

// Header, every cross-reference section, and every object in use at its offset with
// its stream data.
Summary ReadEverything(TkvStream& input) {
  Summary s;
  TkvPDFStreamReader reader(1, &input);
  s.Version = reader.ReadHeader();
  TkvXRefTable table;
  ReadXRefSection(reader, reader.FindStartXRef(), table, [&] { ++s.Sections; });
  for (size_t n = 0; n < table.Items.size(); ++n) {
    const TkvXRefItem& item = table.Items[n];
    if (item.EntryType != 'n') continue;
    ++s.InUse;
    reader.Seek(item.Offset, TkvSeekOrigin::soBeginning);
    TkvPDFObjectPtr obj = reader.ReadObject();
    EXPECT_TRUE(obj && obj->IsIndirectObject()) << "object " << n;
    if (!obj || !obj->IsIndirectObject()) continue;
    auto* ind = static_cast<TkvPDFIndirectObject*>(obj.get());
    EXPECT_EQ(static_cast<int32_t>(n), ind->ObjectNumber);
    EXPECT_EQ(item.Generation, ind->Generation);
    s.Mix(kvtest::ToText(ind->Value.get()));
    if (ind->Value && ind->Value->IsStream()) {
      auto* stream = static_cast<TkvPDFStreamObject*>(ind->Value.get());
      int64_t length = ResolveLength(reader, table, stream->Dictionary->GetValue("/Length"));
      auto data = reader.ReadStreamData(length, ind->ObjectNumber, ind->Generation);
      EXPECT_EQ(length, static_cast<int64_t>(data->Size()));
      s.Mix(data->Bytes());
    }
  }
  return s;
}

int QpdfInUseCount(const std::string& path) {
  kvtest::CommandResult r = kvtest::Run("qpdf --show-xref " + kvtest::ShellQuote(path));
  if (r.ExitCode != 0 && r.ExitCode != 3) return -1;  // 3: warnings only
  int count = 0;
  for (size_t p = 0; (p = r.Output.find("uncompressed", p)) != std::string::npos; ++p) ++count;
  return count;
}

void CheckWholeFile(const std::string& name) {
  SCOPED_TRACE(name);
  std::string path = DataPath(name);
  TkvSharedBytes bytes = ReadWholeFile(path);
  TkvMemoryStream memory(bytes, 0, bytes->size());
  Summary fromMemory;
  ASSERT_NO_THROW(fromMemory = ReadEverything(memory));
  EXPECT_GT(fromMemory.InUse, 0);
  EXPECT_EQ((*bytes)[7] - '0', fromMemory.Version);

  // The same file through a file stream: the block-wise paths give the same result.
  TkvFileStream file(path, TkvFileStream::Mode::fmOpenRead);
  Summary fromFile;
  ASSERT_NO_THROW(fromFile = ReadEverything(file));
  EXPECT_EQ(fromMemory.InUse, fromFile.InUse);
  EXPECT_EQ(fromMemory.Hash, fromFile.Hash);

  if (kvtest::HaveTool("qpdf")) {
    EXPECT_EQ(QpdfInUseCount(path), fromMemory.InUse);
  }
}

TEST(RealFiles, ClassicFilesReadCompletely) {
  for (const std::string& name : kClassicFiles) CheckWholeFile(name);
}

TEST(RealFiles, UpdatedAndPageTreeDamagedFilesReadCompletely) {
  for (const std::string& name : kOtherReadableFiles) CheckWholeFile(name);
  TkvSharedBytes bytes = ReadWholeFile(DataPath("inc-title-and-new-object.pdf"));
  TkvMemoryStream memory(bytes, 0, bytes->size());
  EXPECT_EQ(2, ReadEverything(memory).Sections);
}

// Opens `name` as far as the structure goes: header, startxref, cross-reference sections.
void OpenStructure(const std::string& name) {
  TkvSharedBytes bytes = ReadWholeFile(DataPath(name));
  TkvMemoryStream memory(bytes, 0, bytes->size());
  TkvPDFStreamReader reader(1, &memory);
  reader.ReadHeader();
  TkvXRefTable table;
  ReadXRefSection(reader, reader.FindStartXRef(), table, nullptr);
}

TEST(RealFiles, DamagedFilesFailWithTheirMessages) {
  const std::string offset = "Error reading document. Unable to read offset";
  ExpectFailure<EUnsupportedVersion>([] { OpenStructure("header-1.6.pdf"); }, "Unsupported PDF Version (%PDF-1.6)");
  ExpectFailure<EInvalidHeader>([] { OpenStructure("header-2.0.pdf"); }, "Invalid PDF Header (%PDF-2.)");
  ExpectFailure<EInvalidHeader>([] { OpenStructure("empty.pdf"); }, "Invalid PDF Header ()");
  EXPECT_THROW(OpenStructure("garbage.pdf"), EInvalidHeader);
  ExpectFailure<EOffsetError>([] { OpenStructure("header-only.pdf"); }, offset);
  // 128 bytes of a Macintosh file header stand before "%PDF-": the header must be at 0.
  ExpectFailure<EInvalidHeader>([] { OpenStructure("real-lepton-rf-amp-datasheet.pdf"); }, "Invalid PDF Header ()");
  ExpectFailure<EOffsetError>([] { OpenStructure("truncated-half.pdf"); }, offset);
  ExpectFailure<EOffsetError>([] { OpenStructure("startxref-past-eof.pdf"); }, offset);
  ExpectFailure<ETrailerError>([] { OpenStructure("xref-stream-only.pdf"); }, "Error reading PDF trailer");
  ExpectFailure<ETrailerError>([] { OpenStructure("prev-loop-self.pdf"); },
                               "Error reading PDF trailer (the /Prev chain returns to the section at offset 623)");
}

TEST(RealFiles, TruncatedLinearizedFileEndsInALibraryError) {
  // Cut short: the first-page trailer's /Prev names a section beyond the end.
  ExpectFailure<ETrailerError>([] { OpenStructure("real-pdfparse-03-invalid.pdf"); },
                               "Error reading PDF trailer (offset 101358 lies outside the file of 17109 bytes)");
}

TEST(RealFiles, ObjectFailuresOfDamagedFiles) {
  TkvSharedBytes bytes = ReadWholeFile(DataPath("stream-length-too-long.pdf"));
  TkvMemoryStream memory(bytes, 0, bytes->size());
  TkvPDFStreamReader reader(1, &memory);
  TkvXRefTable table;
  ReadXRefSection(reader, reader.FindStartXRef(), table, nullptr);
  reader.Seek(table.Items.at(4).Offset, TkvSeekOrigin::soBeginning);
  ASSERT_TRUE(reader.ReadObject()->IsIndirectObject());
  ExpectFailure<EEndStreamError>([&] { reader.ReadStreamData(5000, 4, 0); }, "Expected PDF endstream");

  TkvSharedBytes deep = ReadWholeFile(DataPath("deep-nesting-arrays.pdf"));
  TkvMemoryStream deepMemory(deep, 0, deep->size());
  TkvPDFStreamReader deepReader(1, &deepMemory);
  TkvXRefTable deepTable;
  ReadXRefSection(deepReader, deepReader.FindStartXRef(), deepTable, nullptr);
  deepReader.Seek(deepTable.Items.at(5).Offset, TkvSeekOrigin::soBeginning);
  ExpectFailure<EArrayReadError>([&] { deepReader.ReadObject(); },
                                 "Error reading PDF array (nested deeper than 256 levels)");
}

}  // namespace
