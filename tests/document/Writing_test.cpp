// What a save writes: exact file layout, versions, /ID, names, events, output filters,
// and what a failed save leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "pdf/filters/kvFilters.h"

using namespace kv;
using namespace kvtest;

namespace {

// Sets the process code page for one test.
struct CodePage {
  explicit CodePage(int cp) : Old(GetACP()) { SetACP(cp); }
  ~CodePage() { SetACP(Old); }
  int Old;
};

// The file the writer should produce for these object bodies (numbered from 1) and
// trailer lines: written here independently of the writer, offsets counted by hand.
std::string ExpectedFile(const std::string& version, const std::vector<std::string>& bodies,
                         const std::string& trailerExtra) {
  std::string out = "%PDF-" + version + "\r\n%\xE2\xE3\xCF\xD3\r\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < bodies.size(); ++i) {
    out += "\r\n";
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\r\n" + bodies[i] + "\r\nendobj\r\n";
  }
  size_t xref = out.size();
  out += "xref\r\n0 " + std::to_string(bodies.size() + 1) + "\r\n0000000000 65535 f\r\n";
  for (size_t off : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n\r\n", off);
    out += line;
  }
  out += "trailer\r\n<<\r\n/Size " + std::to_string(bodies.size() + 1) + "\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n" +
         trailerExtra + ">>\r\nstartxref\r\n" + std::to_string(xref) + "\r\n%%EOF\r\n";
  return out;
}

// Checks the cross-reference table of a written file against the file itself: every
// entry is 20 bytes and points at its own "N 0 obj", startxref points at "xref".
void ExpectConsistentXref(const std::string& pdf) {
  size_t sx = pdf.rfind("startxref\r\n");
  ASSERT_NE(std::string::npos, sx);
  size_t xref = std::stoul(pdf.substr(sx + 11));
  ASSERT_EQ(0u, pdf.compare(xref, 6, "xref\r\n"));
  size_t p = xref + 6;
  size_t eol = pdf.find("\r\n", p);
  ASSERT_EQ("0 ", pdf.substr(p, 2));
  int count = std::stoi(pdf.substr(p + 2, eol - p - 2));
  p = eol + 2;
  ASSERT_EQ("0000000000 65535 f\r\n", pdf.substr(p, 20));
  for (int n = 1; n < count; ++n) {
    std::string entry = pdf.substr(p + 20 * static_cast<size_t>(n), 20);
    ASSERT_EQ(" 00000 n\r\n", entry.substr(10)) << "entry " << n;
    size_t off = std::stoul(entry.substr(0, 10));
    std::string tag = std::to_string(n) + " 0 obj\r\n";
    EXPECT_EQ(tag, pdf.substr(off, tag.size())) << "entry " << n;
    EXPECT_EQ("\r\n", pdf.substr(off - 2, 2));
  }
  std::string trailer = "trailer\r\n<<\r\n/Size " + std::to_string(count) + "\r\n";
  EXPECT_EQ(trailer, pdf.substr(p + 20 * static_cast<size_t>(count), trailer.size()));
}

const std::string kCatalogBody = "<<\r\n/Type /Catalog\r\n/Pages 3 0 R\r\n>>";
const std::string kOnePageTree = "<<\r\n/Type /Pages\r\n/Count 1\r\n/Kids [ 4 0 R ]\r\n>>";
const std::string kPageBody =
    "<<\r\n/Type /Page\r\n/MediaBox [ 0 0 612 792 ]\r\n/Contents 5 0 R\r\n/Resources <<\r\n/Font <<\r\n/F1 6 0 R\r\n"
    ">>\r\n>>\r\n/Parent 3 0 R\r\n>>";
const std::string kContentBody =
    "<<\r\n/Length 36\r\n>>\r\nstream\r\nBT /F1 24 Tf 72 700 Td (Hello) Tj ET\r\nendstream";
const std::string kFontBody = "<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/BaseFont /Helvetica\r\n>>";

std::vector<std::string> WithInfo(std::vector<std::string> objects, const std::string& info) {
  objects.push_back(info);
  return objects;
}

TEST(WriteLayout, OnePageFileByteForByte) {
  CodePage cp(1252);
  TempDir dir;
  TkvPDFDocument doc;
  std::string in = MakePdf(WithInfo(OnePageObjects(), "<< /Title (Old) /Producer (Someone else) >>"),
                           "/Info 6 0 R /ID [<0102> <0304>]");
  ASSERT_TRUE(LoadText(doc, dir, in));
  std::string info = "<<\r\n/Title (Old)\r\n/Producer (Kestrova Folioworks V1.02)\r\n>>";
  std::string expected = ExpectedFile("1.4", {kCatalogBody, info, kOnePageTree, kPageBody, kContentBody, kFontBody},
                                      "/ID [ <0102> <0304> ]\r\n");
  std::string out = SaveBytes(doc, dir);
  EXPECT_EQ(expected, out);
  ExpectConsistentXref(out);
  // A second save numbers from 4 again and writes the same bytes.
  EXPECT_EQ(out, SaveBytes(doc, dir, "again.pdf"));
}

TEST(WriteLayout, NoIdWrittenWhenTheFileHadNone) {
  CodePage cp(1252);
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
  std::string info = "<<\r\n/Producer (Kestrova Folioworks V1.02)\r\n>>";
  EXPECT_EQ(ExpectedFile("1.4", {kCatalogBody, info, kOnePageTree, kPageBody, kContentBody, kFontBody}, ""),
            SaveBytes(doc, dir));
}

TEST(WriteLayout, VersionOfTheFileIsKept) {
  TempDir dir;
  for (int minor = 0; minor <= 5; ++minor) {
    TkvPDFDocument doc;
    std::string v = "1." + std::to_string(minor);
    ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects(), "", "%PDF-" + v)));
    EXPECT_EQ(minor, doc.PDFVersion());
    EXPECT_EQ("%PDF-" + v + "\r\n", SaveBytes(doc, dir).substr(0, 10));
  }
}

TEST(WriteLayout, NewDocumentIsEmptyVersion14) {
  CodePage cp(1252);
  TempDir dir;
  TkvPDFDocument doc;
  EXPECT_EQ(0, doc.PageCount());
  EXPECT_EQ(muPixels, doc.MeasurementUnit());
  EXPECT_TRUE(doc.ProcessLinks());
  EXPECT_FALSE(doc.DocumentLoaded());
  std::string out = SaveBytes(doc, dir);
  std::string info = "<<\r\n/Producer (Kestrova Folioworks V1.02)\r\n>>";
  EXPECT_EQ(ExpectedFile("1.4", {kCatalogBody, info, "<<\r\n/Type /Pages\r\n/Count 0\r\n/Kids [ ]\r\n>>"}, ""), out);
}

TEST(WriteLayout, ProducerHexUnderAnotherCodePage) {
  CodePage cp(65001);
  TempDir dir;
  TkvPDFDocument doc;
  std::string out = SaveBytes(doc, dir);
  EXPECT_NE(std::string::npos, out.find("/Producer <FEFF004B0065007300740072006F0076006100200046006F006C0069006F0077"
                                        "006F0072006B0073002000560031002E00300032>\r\n"));
  EXPECT_EQ("Kestrova Folioworks V1.02", doc.GetProducer());
}

TEST(WriteEvents, StatusAndProgressInOrder) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
  EventLog log;
  log.Attach(doc);
  std::string target = dir.File("events.pdf");
  doc.SaveToFileAs(target);
  // Three stored objects: page, content, font.
  std::vector<std::string> expected = {"status Saving File " + target,
                                       "status Building Outlines...",
                                       "status Building Objects...",
                                       "status Writing Pages",
                                       "io 33",
                                       "io 66",
                                       "io 100",
                                       "status Writing Cross-Reference Table",
                                       "status Save Complete"};
  EXPECT_EQ(expected, log.Lines);
}

TEST(WriteEvents, OpenAfterSaveUsesTheLauncherBeforeCompletion) {
  TempDir dir;
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  doc.Launcher = [&](const std::string& name) { log.Lines.push_back("launch " + name); };
  doc.SaveToFile(dir.File("a"));
  EXPECT_FALSE(log.Has("launch " + dir.File("a.pdf")));
  doc.SetOpenAfterSave(true);
  log.Lines.clear();
  doc.SaveToFile(dir.File("b"));
  ASSERT_GE(log.Lines.size(), 2u);
  EXPECT_EQ("launch " + dir.File("b.pdf"), log.Lines[log.Lines.size() - 2]);
  EXPECT_EQ("status Save Complete", log.Lines.back());
}

TEST(WriteNames, PdfExtensionAppendedUnlessPresentInAnyCase) {
  struct Row {
    std::string Given, Written;
  } rows[] = {{"out", "out.pdf"},         {"out.PDF", "out.PDF"}, {"out.Pdf", "out.Pdf"},
              {"out.txt", "out.txt.pdf"}, {"out.pdf", "out.pdf"}, {"v1.2/out", "v1.2/out.pdf"}};
  TempDir dir;
  std::filesystem::create_directory(dir.File("v1.2"));
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  for (const Row& row : rows) {
    log.Lines.clear();
    doc.SaveToFile(dir.File(row.Given));
    EXPECT_TRUE(FileExists(dir.File(row.Written))) << row.Given;
    EXPECT_EQ("status Saving File " + dir.File(row.Written), log.Lines.front());
  }
  doc.SaveToFileAs(dir.File("exact.txt"));
  EXPECT_TRUE(FileExists(dir.File("exact.txt")));
  EXPECT_FALSE(FileExists(dir.File("exact.txt.pdf")));
}

// Lists the names in a folder.
std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteFailure, ExistingTargetSurvivesAndNoTemporaryFileRemains) {
  TempDir dir;
  std::vector<std::string> objects = OnePageObjects();
  objects[3] = "<< /Length %LEN% /Filter 5 >>\nstream\nBT ET\nendstream";
  std::string source = Put(dir, "in.pdf", MakePdf(objects));
  std::string target = dir.File("target.pdf");
  WriteFile(target, "precious bytes");
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(source));
  doc.Compression().Active = true;
  ExpectRaises<EUnexpectedFilterObject>([&] { doc.SaveToFile(target); },
                                        "Unexpected filter object, found (Integer Object)");
  EXPECT_EQ("precious bytes", ReadFile(target));
  EXPECT_EQ((std::vector<std::string>{"in.pdf", "target.pdf"}), Listing(dir.Path()));
  // Without a target, nothing at all is left.
  EXPECT_THROW(doc.SaveToFileAs(dir.File("fresh.pdf")), EUnexpectedFilterObject);
  EXPECT_EQ((std::vector<std::string>{"in.pdf", "target.pdf"}), Listing(dir.Path()));
  // The document can still be written once the fault is gone.
  doc.Compression().Active = false;
  doc.SaveToFile(target);
  ExpectConsistentXref(ReadFile(target));
}

TEST(WriteFailure, MissingFolderRaises) {
  TempDir dir;
  TkvPDFDocument doc;
  EXPECT_ANY_THROW(doc.SaveToFile(dir.File("no/such/folder/out.pdf")));
  EXPECT_TRUE(Listing(dir.Path()).empty());
}

// The decoded data of object `n` as qpdf sees it.
std::string QpdfStreamData(const std::string& pdf, int n) {
  return Run("qpdf --show-object=" + std::to_string(n) + " --filtered-stream-data " + ShellQuote(pdf)).Output;
}

TEST(WriteFilters, EveryOutputChoiceDecodesBackToTheSameData) {
  struct Row {
    bool Compress;
    uint8_t CompressMethod;
    bool Ascii;
    uint8_t AsciiMethod;
    std::string Filter;  // what the content stream's /Filter becomes
  } rows[] = {
      {true, 0, false, 0, "/Filter /FlateDecode"},
      {true, 1, false, 0, "/Filter /RunLengthDecode"},
      {false, 0, true, 0, "/Filter /ASCIIHexDecode"},
      {false, 0, true, 1, "/Filter /ASCII85Decode"},
      {true, 0, true, 1, "/Filter [ /ASCII85Decode /FlateDecode ]"},
      {true, 1, true, 0, "/Filter [ /ASCIIHexDecode /RunLengthDecode ]"},
  };
  TempDir dir;
  std::string source = Put(dir, "in.pdf", MakePdf(OnePageObjects("Filtered text")));
  for (const Row& row : rows) {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    doc.Compression().Active = row.Compress;
    doc.Compression().Method = row.CompressMethod;
    doc.ASCIIEncode().Active = row.Ascii;
    doc.ASCIIEncode().Method = row.AsciiMethod;
    std::string out = dir.File("filtered.pdf");
    doc.SaveToFileAs(out);
    std::string bytes = ReadFile(out);
    SCOPED_TRACE(row.Filter);
    EXPECT_NE(std::string::npos, bytes.find(row.Filter + "\r\n"));
    ExpectConsistentXref(bytes);
    std::string check;
    EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
    EXPECT_EQ("Filtered text", PageText(out, 1));
    EXPECT_EQ("BT /F1 24 Tf 72 700 Td (Filtered text) Tj ET", QpdfStreamData(out, 5));
  }
}

TEST(WriteFilters, IndirectFilterAndDecodeParmsArrays) {
  // /Filter and /DecodeParms as references to arrays: the new filter and its null
  // parameters go in front of what the arrays hold, not around the references.
  std::string predicted;
  TkvFlateFilter().EncodeString(std::string("\0A\0B\0C", 6), 6, predicted);
  std::vector<std::string> objects = OnePageObjects();
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
      "/XObject << /P 6 0 R >> >> >>";
  objects.push_back("<< /Length " + std::to_string(predicted.size()) +
                    " /Filter 7 0 R /DecodeParms 8 0 R >>\nstream\n" + predicted + "\nendstream");
  objects.push_back("[/FlateDecode]");
  objects.push_back("[<< /Predictor 12 /Columns 1 >>]");
  TempDir dir;
  std::string source = Put(dir, "in.pdf", MakePdf(objects));
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(source));
  doc.ASCIIEncode().Active = true;
  std::string out = dir.File("indirect.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  EXPECT_EQ("ABC", QpdfStreamData(out, 7));
}

TEST(WriteFilters, ExistingFiltersAndDecodeParmsStayAligned) {
  // A Flate stream with PNG prediction (one column: a filter byte then a data byte per
  // row) and a JPEG-like stream. The writer puts its filters in front and null
  // parameters in front of the existing ones.
  std::string predicted;
  TkvFlateFilter().EncodeString(std::string("\0A\0B\0C", 6), 6, predicted);
  std::vector<std::string> objects = OnePageObjects();
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
      "/XObject << /P 6 0 R /J 7 0 R >> >> >>";
  objects.push_back("<< /Length " + std::to_string(predicted.size()) +
                    " /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 1 >> >>\nstream\n" + predicted +
                    "\nendstream");
  objects.push_back("<< /Length %LEN% /Filter /DCTDecode >>\nstream\nnot really a jpeg\nendstream");
  TempDir dir;
  std::string source = Put(dir, "in.pdf", MakePdf(objects));
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    doc.Compression().Active = true;
    doc.ASCIIEncode().Active = true;
    std::string out = dir.File("both.pdf");
    doc.SaveToFileAs(out);
    std::string bytes = ReadFile(out);
    // Already Flate: only the ASCII encoding is added.
    EXPECT_NE(std::string::npos,
              bytes.find("/Filter [ /ASCIIHexDecode /FlateDecode ]\r\n/DecodeParms [ null <<\r\n/Predictor 12\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("/Filter [ /ASCIIHexDecode /FlateDecode /DCTDecode ]\r\n"));
    EXPECT_EQ("ABC", QpdfStreamData(out, 7));
    EXPECT_EQ("Hello", PageText(out, 1));
  }
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    doc.Compression().Active = true;
    doc.Compression().Method = 1;
    std::string out = dir.File("rle.pdf");
    doc.SaveToFileAs(out);
    std::string bytes = ReadFile(out);
    EXPECT_NE(std::string::npos,
              bytes.find("/Filter [ /RunLengthDecode /FlateDecode ]\r\n/DecodeParms [ null <<\r\n/Predictor 12\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("/Filter [ /RunLengthDecode /DCTDecode ]\r\n"));
    EXPECT_EQ("ABC", QpdfStreamData(out, 7));
  }
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(source));
    doc.Compression().Active = true;
    std::string out = dir.File("flate.pdf");
    doc.SaveToFileAs(out);
    EXPECT_NE(std::string::npos, ReadFile(out).find("/Filter [ /FlateDecode /DCTDecode ]\r\n"));
    // qpdf will not hand out JPEG data undecoded; pypdf leaves it as it is.
    EXPECT_EQ("b'not really a jpeg'\n",
              Python(dir, "from pypdf import PdfReader\nprint(PdfReader('" + out + "').get_object(8).get_data())\n"));
  }
}

}  // namespace
