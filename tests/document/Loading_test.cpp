// Loading: event order, inherited page attributes, named destinations, reference
// counts, bounded page trees and reference chains, and what loading leaves in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"

using namespace kv;
using namespace kvtest;

namespace {

TkvPDFIndirectObject* Stored(TkvCustomPDFDocument& doc, int number) {
  return doc.ObjectStore->FindKey(MakeObjectKey(doc.DocumentId(), number, 0));
}

TkvPDFDictObject* PageDict(TkvCustomPDFDocument& doc, int page) {
  return static_cast<TkvPDFDictObject*>(doc.Pages[static_cast<size_t>(page - 1)]->Value.get());
}

// Catalog extras that switch on every optional loading step except outlines.
std::vector<std::string> LinkedObjects() {
  std::vector<std::string> objects = OnePageObjects();
  objects[0] = "<< /Type /Catalog /Pages 2 0 R /Dests 6 0 R /Names 7 0 R /AcroForm << /Fields [] >> >>";
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Annots [ << /Subtype /Link /Rect [0 "
      "0 10 10] /Dest /Home >> ] >>";
  objects.push_back("<< /Home [3 0 R /Fit] >>");
  objects.push_back("<< /JavaScript << /Names [] >> >>");
  return objects;
}

TEST(LoadEvents, SequenceWithAndWithoutLinks) {
  const std::vector<std::string> withLinks = {"status Reading Cross-Reference Table",
                                              "begin",
                                              "io 10",
                                              "status Processing Destinations",
                                              "io 30",
                                              "status Processing Name Tree...",
                                              "io 60",
                                              "status Traversing Pages...",
                                              "io 75",
                                              "status Processing Annotations...",
                                              "io 90",
                                              "status AcroForms Processed",
                                              "status Reading Outlines...",
                                              "io 100",
                                              "status Document read complete. Pages read = 1",
                                              "end"};
  std::vector<std::string> withoutLinks;
  for (const auto& line : withLinks)
    if (line.find("Destinations") == std::string::npos && line.find("Name Tree") == std::string::npos &&
        line.find("Annotations") == std::string::npos)
      withoutLinks.push_back(line);
  TempDir dir;
  std::string file = Put(dir, "linked.pdf", MakePdf(LinkedObjects()));
  for (bool links : {true, false}) {
    TkvPDFDocument doc;
    doc.SetProcessLinks(links);
    EventLog log;
    log.Attach(doc);
    ASSERT_TRUE(doc.LoadFromFile(file));
    EXPECT_EQ(links ? withLinks : withoutLinks, log.Lines);
  }
}

TEST(LoadEvents, OutlinesStatusSentForAPlainFile) {
  TempDir dir;
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
  EXPECT_TRUE(log.Has("status Reading Outlines..."));
  EXPECT_FALSE(log.Has("status Processing Destinations"));
  EXPECT_FALSE(log.Has("status AcroForms Processed"));
  EXPECT_EQ("end", log.Lines.back());
}

TEST(LoadEvents, WarningsAndLoadingGoesOn) {
  TempDir dir;
  std::vector<std::string> objects = OnePageObjects();
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Odd [ 0 0 R 5 0 R ] /Resources << /Font "
      "<< /F1 5 0 R >> >> >>";
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  EXPECT_EQ(std::vector<std::string>{"warning Invalid Object number in PDF (0)"}, log.With("warning"));
  EXPECT_EQ(2u, Stored(doc, 5)->RefCount);

  // A stream met directly inside an array is reported and skipped.
  log.Lines.clear();
  auto array = std::make_unique<TkvPDFArrayObject>();
  array->Add(std::make_unique<TkvPDFStreamObject>(std::make_unique<TkvPDFDictObject>()));
  array->Add(std::make_unique<TkvPDFIndirectReference>(doc.DocumentId(), 5, 0));
  doc.ResolveReferences(array.get());
  EXPECT_EQ(std::vector<std::string>{"warning Stream Object found inside Array!"}, log.Lines);
  EXPECT_EQ(3u, Stored(doc, 5)->RefCount);
}

// Root /Pages with every inheritable attribute, a middle node overriding two of them, and
// pages that keep, override or inherit them; page 1 also carries /B and a bead.
std::vector<std::string> InheritingTree() {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 3 /MediaBox [0 0 612 792] /Rotate 90 /Resources << /Font << "
          "/F1 8 0 R >> >> /CropBox [10 10 600 780] >>",
          "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R] /Count 2 /MediaBox [0 0 300 300] /Rotate 180 >>",
          "<< /Type /Page /Parent 3 0 R /Contents 7 0 R /B [9 0 R] >>",
          "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 100 200] /Contents 7 0 R /Resources << >> >>",
          "<< /Type /Page /Parent 2 0 R /Contents 7 0 R /Rotate 270 >>",
          "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (Inherited) Tj ET\nendstream",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
          "<< /Type /Bead /P 4 0 R >>"};
}

TEST(LoadPages, NearestAncestorAndOwnValuesWin) {
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(InheritingTree())));
  ASSERT_EQ(3, doc.PageCount());
  for (int page = 1; page <= 3; ++page) {
    EXPECT_EQ(nullptr, PageDict(doc, page)->GetValue("/Parent"));
    EXPECT_EQ(nullptr, PageDict(doc, page)->GetValue("/B"));
  }
  // The font is reached from the inherited resources of two pages; the content from three.
  EXPECT_EQ(2u, Stored(doc, 8)->RefCount);
  EXPECT_EQ(3u, Stored(doc, 7)->RefCount);
  EXPECT_EQ(1u, Stored(doc, 4)->RefCount);
  EXPECT_EQ(nullptr, Stored(doc, 9));

  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  EXPECT_EQ(std::string::npos, ReadFile(out).find("/Bead"));
  std::string seen = Python(dir, R"(
from pypdf import PdfReader
r = PdfReader(')" + out + R"(')
for p in r.pages:
    o = p.get_object()
    print([float(x) for x in o['/MediaBox']], o.get('/Rotate'), [float(x) for x in o.get('/CropBox', [])],
          sorted(o['/Resources'].get('/Font', {}).keys()), o.raw_get('/Parent').idnum, '/B' in o)
)");
  EXPECT_EQ(
      "[0.0, 0.0, 300.0, 300.0] 180 [10.0, 10.0, 600.0, 780.0] ['/F1'] 3 False\n"
      "[0.0, 0.0, 100.0, 200.0] 180 [10.0, 10.0, 600.0, 780.0] [] 3 False\n"
      "[0.0, 0.0, 612.0, 792.0] 270 [10.0, 10.0, 600.0, 780.0] ['/F1'] 3 False\n",
      seen);
  EXPECT_EQ("Inherited", PageText(out, 3));
}

TEST(LoadPages, TreeFaultsRaiseInsteadOfRecursing) {
  TempDir dir;
  auto pageTree = [](int levels) {
    // Object 2 is the root, 2..levels+1 a chain of /Pages nodes, then the page.
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
    for (int i = 0; i < levels; ++i)
      objects.push_back("<< /Type /Pages /Kids [" + std::to_string(i + 3) + " 0 R] /Count 1 >>");
    objects.push_back("<< /Type /Page /MediaBox [0 0 10 10] >>");
    return MakePdf(objects);
  };
  {
    TkvPDFDocument doc;
    ASSERT_TRUE(LoadText(doc, dir, pageTree(200)));
    EXPECT_EQ(1, doc.PageCount());
  }
  struct Row {
    std::string Pdf, Message;
  } rows[] = {
      {pageTree(300), "Invalid page tree: nested more than 256 levels deep"},
      {MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                "<< /Type /Pages /Kids [4 0 R 2 0 R] /Count 1 >>", "<< /Type /Page >>"}),
       "Invalid page tree: node 2 is its own ancestor"},
      {MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Kids [] /Count 0 >>"}), "Unexpected Error"},
      {MakePdf(
           {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", "<< /Type /Catalog >>"}),
       "Unexpected Error"},
  };
  for (const Row& row : rows) {
    TkvPDFDocument doc;
    ExpectRaises<EUnexpectedError>([&] { LoadText(doc, dir, row.Pdf); }, row.Message);
  }
  TkvPDFDocument doc;
  ExpectRaises<EUnexpectedError>([&] { doc.LoadFromFile(DataPath("kids-loop.pdf")); },
                                 "Invalid page tree: node 2 is its own ancestor");
}

TEST(LoadPages, LinkToAPageOutsideTheTree) {
  // Object 6 is a page the tree no longer lists (as after a careless page deletion); a
  // link still points at it. Its /Parent must not pull the page tree in a second time.
  std::vector<std::string> objects = OnePageObjects();
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Annots [ << /Subtype /Link /Rect [0 0 "
      "1 1] /Dest [6 0 R /Fit] >> ] >>";
  objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R >>");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  EXPECT_EQ(1, doc.PageCount());
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  std::string check;
  EXPECT_TRUE(QpdfCheckClean(out, &check)) << check;
  std::string bytes = ReadFile(out);
  size_t pagesNodes = 0;
  for (size_t p = bytes.find("/Type /Pages"); p != std::string::npos; p = bytes.find("/Type /Pages", p + 1))
    ++pagesNodes;
  EXPECT_EQ(1u, pagesNodes);
}

TEST(LoadPages, SharedNodesCannotMultiplyTheWork) {
  // Each /Pages node lists the next one twice: 2^40 pages if followed. A node met a
  // second time is refused instead.
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
  for (int i = 0; i < 40; ++i) {
    std::string next = std::to_string(i + 3) + " 0 R";
    objects.push_back("<< /Type /Pages /Kids [" + next + " " + next + "] /Count 1 >>");
  }
  objects.push_back("<< /Type /Page /MediaBox [0 0 10 10] >>");
  TempDir dir;
  TkvPDFDocument doc;
  ExpectRaises<EUnexpectedError>([&] { LoadText(doc, dir, MakePdf(objects)); },
                                 "Invalid page tree: node 41 is listed more than once");
}

TEST(LoadInput, EncryptionDictionaryCannotMultiplyTheWork) {
  // /Encrypt refers to an array that refers 200 times to the next one, eight levels
  // deep: the full copy of it would hold 200^8 objects.
  std::vector<std::string> objects = OnePageObjects();
  for (int level = 0; level < 8; ++level) {
    std::string items;
    for (int i = 0; i < 200; ++i) items += std::to_string(level + 7) + " 0 R ";
    objects.push_back("[" + items + "]");
  }
  objects.push_back("<< /Filter /Standard >>");
  TempDir dir;
  TkvPDFDocument doc;
  EXPECT_THROW(LoadText(doc, dir, MakePdf(objects, "/Encrypt << /Filter /Standard /Bad 6 0 R >>")), EPDFException);
}

TEST(LoadPages, ObjectNumberMustMatchItsOffset) {
  TempDir dir;
  std::string pdf = MakePdf(OnePageObjects());
  pdf.replace(pdf.find("\n4 0 obj") + 1, 7, "9 0 obj");
  TkvPDFDocument doc;
  ExpectRaises<EPDFException>([&] { LoadText(doc, dir, pdf); }, "Object 4 not found at its cross-reference offset");
}

TEST(LoadPages, ReferenceChainOfAHundredThousandObjects) {
  // The page points at object 6, each object at the next: every walk over it (loading,
  // copying a page, releasing it) must not use the call stack per link.
  constexpr int kChain = 100000;
  std::vector<std::string> objects = OnePageObjects();
  objects[2] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Chain 6 0 R >>";
  for (int i = 0; i < kChain; ++i) objects.push_back(i + 1 < kChain ? "[" + std::to_string(i + 7) + " 0 R]" : "[null]");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  EXPECT_EQ(kChain + 2, doc.ObjectStore->Count());
  std::string out = SaveBytes(doc, dir);
  EXPECT_NE(std::string::npos, out.find("/Size " + std::to_string(kChain + 6) + "\r\n"));

  TkvPDFDocument copy;
  copy.AppendPagesFrom(doc, "1");
  EXPECT_EQ(kChain + 2, copy.ObjectStore->Count());
  doc.DeletePages("1");
  EXPECT_EQ(0u, Stored(doc, kChain + 5)->RefCount);
  EXPECT_NE(std::string::npos, SaveBytes(doc, dir).find("/Size 4\r\n"));
}

TEST(LoadNames, DestsDictionaryInAnyOrder) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Dests 7 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R /Annots [8 0 R 9 0 R 10 0 R 11 0 R] >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R /Annots 13 0 R >>",
      "<< /Length %LEN% >>\nstream\nBT ET\nendstream",
      "<< /Length %LEN% >>\nstream\nBT ET\nendstream",
      "<< /Zeta [4 0 R /Fit] /Alpha << /D [3 0 R /XYZ 0 792 0] >> /Mid 12 0 R >>",
      "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest /Zeta >>",
      "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest (Alpha) >>",
      "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D (Mid) >> >>",
      "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest /Nowhere >>",
      "[4 0 R /FitH 100]",
      "[ << /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest /Alpha >> ]"};
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  for (const char* name : {"Zeta", "Alpha", "Mid"}) EXPECT_NE(nullptr, doc.LookupNamedDestination(name)) << name;
  EXPECT_EQ(nullptr, doc.LookupNamedDestination("alpha"));
  // Page 2 is counted once for its tree entry and once for each destination naming it.
  EXPECT_EQ(3u, Stored(doc, 4)->RefCount);
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(QpdfCheckClean(out));
  EXPECT_EQ((std::vector<std::string>{"1:2", "1:1", "1:2", "1:unknown Nowhere", "2:1"}), LinkTargets(dir, out));

  // Without links the annotations stay unread and are written as null.
  TkvPDFDocument plain;
  plain.SetProcessLinks(false);
  ASSERT_TRUE(plain.LoadFromFile(dir.File("in.pdf")));
  EXPECT_EQ(nullptr, plain.LookupNamedDestination("Zeta"));
  std::string bytes = SaveBytes(plain, dir, "plain.pdf");
  EXPECT_NE(std::string::npos, bytes.find("/Annots [ null null null null ]\r\n"));
  EXPECT_NE(std::string::npos, bytes.find("/Annots null\r\n"));
  EXPECT_EQ(std::string::npos, bytes.find("/Subtype /Link"));
  EXPECT_TRUE(QpdfCheckClean(dir.File("plain.pdf")));
}

TEST(LoadNames, NameTreeWithDirectValuesUnsortedNamesAndOtherTrees) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Names 7 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 5 0 R /Annots [ << /Subtype /Link /Rect [0 0 "
      "1 1] /Dest (a) >> << /Subtype /Link /Rect [0 0 1 1] /Dest (b) >> << /Subtype /Link /Rect [0 0 1 1] /A << /S "
      "/GoTo /D (c) >> >> << /Subtype /Link /Rect [0 0 1 1] /Dest (e) >> ] >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R >>",
      "<< /Length %LEN% >>\nstream\nBT ET\nendstream",
      "<< /Length %LEN% >>\nstream\nBT ET\nendstream",
      "<< /Dests 8 0 R /JavaScript 13 0 R >>",
      "<< /Kids [9 0 R 10 0 R 8 0 R] >>",
      "<< /Names [(b) 11 0 R (a) [3 0 R /Fit]] >>",
      "<< /Names [(c) << /D [4 0 R /Fit] >> (d) null (e) 99 0 R] >>",
      "<< /D [4 0 R /XYZ 0 0 0] >>",
      "<< /Length %LEN% >>\nstream\nBT ET\nendstream",
      "<< /Names [(js) 14 0 R] >>",
      "<< /S /JavaScript /JS (app.alert\\(1\\)) >>"};
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(QpdfCheckClean(out));
  EXPECT_EQ((std::vector<std::string>{"1:1", "1:2", "1:2", "1:null"}), LinkTargets(dir, out));
  // The destination tree is resolved into the links; the other trees are kept.
  EXPECT_EQ("['/JavaScript'] app.alert(1)\n", Python(dir, R"(
from pypdf import PdfReader
n = PdfReader(')" + out + R"(').trailer['/Root']['/Names']
print(sorted(n.keys()), n['/JavaScript'].get_object()['/Names'][1].get_object()['/JS'])
)"));
}

TEST(LoadNames, DirectNameDictionaryInTheCatalog) {
  std::vector<std::string> objects = OnePageObjects();
  objects[0] = "<< /Type /Catalog /Pages 2 0 R /Names << /Dests 6 0 R /JavaScript 7 0 R >> >>";
  objects[2] =
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Annots [ << /Subtype /Link /Rect [0 0 "
      "1 1] /Dest (home) >> ] >>";
  objects.push_back("<< /Names [(home) [3 0 R /Fit]] >>");
  objects.push_back("<< /Names [(js) << /S /JavaScript /JS (go\\(\\)) >>] >>");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  EXPECT_NE(nullptr, doc.LookupNamedDestination("home"));
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_TRUE(QpdfCheckClean(out));
  EXPECT_EQ(std::vector<std::string>{"1:1"}, LinkTargets(dir, out));
  EXPECT_EQ("['/JavaScript'] go()\n", Python(dir, R"(
from pypdf import PdfReader
n = PdfReader(')" + out + R"(').trailer['/Root']['/Names']
print(sorted(n.keys()), n['/JavaScript'].get_object()['/Names'][1]['/JS'])
)"));
}

TEST(LoadNames, NameTreeNestedTooDeepRaises) {
  std::vector<std::string> objects = OnePageObjects();
  objects[0] = "<< /Type /Catalog /Pages 2 0 R /Names 6 0 R >>";
  objects.push_back("<< /Dests 7 0 R >>");
  for (int i = 0; i < 100; ++i) objects.push_back("<< /Kids [" + std::to_string(i + 8) + " 0 R] >>");
  objects.push_back("<< /Names [] >>");
  TempDir dir;
  TkvPDFDocument doc;
  ExpectRaises<EUnexpectedObjectError>([&] { LoadText(doc, dir, MakePdf(objects)); }, "Name tree nested too deeply");
}

TEST(LoadInput, FileStreamsAndMemoryGiveTheSameFile) {
  TempDir dir;
  for (const char* name : {"groff-mom-pdf.pdf", "fop-cid-fonts.pdf"}) {
    std::string outputs[2];
    for (bool streams : {false, true}) {
      TkvPDFDocument doc;
      doc.SetUseFileStreams(streams);
      ASSERT_TRUE(doc.LoadFromFile(DataPath(name)));
      outputs[streams] = SaveBytes(doc, dir);
    }
    EXPECT_EQ(outputs[0], outputs[1]) << name;
  }
}

TEST(LoadInput, NameWithoutExtensionIsOpenedAsGiven) {
  TempDir dir;
  std::string path = Put(dir, "report", MakePdf(OnePageObjects()));
  TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(path));
  EXPECT_EQ(path + ".pdf", doc.FileName());
  EXPECT_EQ(1, doc.PageCount());
  EXPECT_THROW(doc.LoadFromFile(dir.File("missing")), std::exception);
}

TEST(LoadInput, InformationAndViewSettingsAreRead) {
  std::vector<std::string> objects = OnePageObjects();
  objects[0] =
      "<< /Type /Catalog /Pages 2 0 R /PageMode /UseOutlines /PageLayout /TwoColumnRight /ViewerPreferences << "
      "/HideToolbar true /FitWindow false >> >>";
  objects.push_back(
      "<< /Title (Plain title) /Author <FEFF0041006E006E0061> /Creator (Maker) /CreationDate (D:20200101) /Keywords "
      "(k1 k2) /Subject (About) /Producer (Old) >>");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects, "/Info 6 0 R")));
  EXPECT_EQ("Plain title", doc.GetTitle());
  EXPECT_EQ("Anna", doc.GetAuthor());
  EXPECT_EQ("Maker", doc.GetCreator());
  EXPECT_EQ("D:20200101", doc.GetCreationDate());
  EXPECT_EQ("k1 k2", doc.GetKeywords());
  EXPECT_EQ("About", doc.GetSubject());
  EXPECT_EQ("Old", doc.GetProducer());
  EXPECT_EQ(1, doc.PageMode);
  EXPECT_EQ(4, doc.PageLayout);
  EXPECT_TRUE(doc.ViewerPreferences().HideToolbar());
  EXPECT_FALSE(doc.ViewerPreferences().FitWindow());

  // Names outside the lists read as absent.
  objects[0] = "<< /Type /Catalog /Pages 2 0 R /PageMode /Sideways /PageLayout /Spiral >>";
  TkvPDFDocument odd;
  ASSERT_TRUE(LoadText(odd, dir, MakePdf(objects)));
  EXPECT_EQ(0, odd.PageMode);
  EXPECT_EQ(0, odd.PageLayout);
  std::string bytes = SaveBytes(odd, dir);
  EXPECT_EQ(std::string::npos, bytes.find("/PageMode"));
  EXPECT_EQ(std::string::npos, bytes.find("/PageLayout"));
}

TEST(LoadInput, IndirectInformationValuesAreKept) {
  std::vector<std::string> objects = OnePageObjects();
  objects.push_back("<< /Title 7 0 R /Note 8 0 R >>");
  objects.push_back("(Indirect title)");
  objects.push_back("<< /Deep (yes) >>");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects, "/Info 6 0 R")));
  EXPECT_EQ("Indirect title", doc.GetTitle());
  std::string out = dir.File("out.pdf");
  doc.SaveToFileAs(out);
  EXPECT_NE(std::string::npos,
            kvtest::Run("pdfinfo " + ShellQuote(out)).Output.find("Title:           Indirect title\n"));
  EXPECT_EQ("yes\n", Python(dir, "from pypdf import PdfReader\nprint(PdfReader('" + out +
                                     "').trailer['/Info']['/Note']['/Deep'])\n"));
}

TEST(LoadInput, CancelledPasswordLeavesNothingLoaded) {
  std::string encrypt = "/Encrypt << /Filter /Standard /V 1 /R 2 /O <" + std::string(64, 'A') + "> /U <" +
                        std::string(64, 'B') +
                        "> /P -4 >> /ID [<00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF>]";
  TempDir dir;
  TkvPDFDocument doc;
  EventLog log;
  log.Attach(doc);
  int asked = 0;
  doc.OnPassword = [&](TkvCustomPDFDocument*, std::string& password, bool& cont) {
    ++asked;
    EXPECT_EQ("", password);
    EXPECT_FALSE(cont);
  };
  EXPECT_FALSE(LoadText(doc, dir, MakePdf(OnePageObjects(), encrypt)));
  EXPECT_EQ(1, asked);
  EXPECT_FALSE(doc.DocumentLoaded());
  EXPECT_EQ(0, doc.PageCount());
  EXPECT_FALSE(log.Has("begin"));
}

TEST(Document, ResetGivesNewIdentityAndKeepsProperties) {
  TempDir dir;
  TkvPDFDocument doc;
  doc.SetProcessLinks(false);
  doc.SetMeasurementUnit(muInches);
  EventLog log;
  log.Attach(doc);
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects(), "", "%PDF-1.2")));
  int32_t loadedId = doc.DocumentId();
  doc.Reset();
  int32_t first = doc.DocumentId();
  doc.Reset();
  EXPECT_NE(loadedId, first);
  EXPECT_NE(first, doc.DocumentId());
  EXPECT_EQ(0, doc.PageCount());
  EXPECT_FALSE(doc.DocumentLoaded());
  EXPECT_EQ(4, doc.PDFVersion());
  EXPECT_EQ("", doc.FileName());
  EXPECT_FALSE(doc.ProcessLinks());
  EXPECT_EQ(muInches, doc.MeasurementUnit());
  log.Lines.clear();
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
  EXPECT_FALSE(log.Lines.empty());
  // Loading again resets first: one page, not two.
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(OnePageObjects())));
  EXPECT_EQ(1, doc.PageCount());
}

TEST(Units, ConversionsBothWays) {
  struct Row {
    TkvMeasurementUnit Unit;
    long double Value, Points;
  } rows[] = {{muPoints, 10, 10}, {muInches, 8.5L, 612}, {muMM, 10, 28.35L}, {muTwips, 20, 1}, {muPixels, 96, 72}};
  for (const Row& row : rows) {
    EXPECT_NEAR(static_cast<double>(row.Points), static_cast<double>(ToPoints(row.Unit, row.Value)), 1e-9);
    EXPECT_NEAR(static_cast<double>(row.Value), static_cast<double>(FromPoints(row.Unit, row.Points)), 1e-9);
  }
  // Pixels to points follow the screen; points to pixels never do.
  int old = ScreenPixelsPerInch();
  SetScreenPixelsPerInch(120);
  EXPECT_NEAR(57.6, static_cast<double>(ToPoints(muPixels, 96)), 1e-9);
  EXPECT_NEAR(96.0, static_cast<double>(FromPoints(muPixels, 72)), 1e-9);
  SetScreenPixelsPerInch(old);
}

TEST(Units, PageMediaBoxInEveryUnit) {
  std::vector<std::string> objects = OnePageObjects();
  objects[2] = "<< /Type /Page /Parent 2 0 R /MediaBox 6 0 R /Contents 4 0 R >>";
  objects.push_back("[0 0.0 7 0 R 792]");
  objects.push_back("612");
  TempDir dir;
  TkvPDFDocument doc;
  ASSERT_TRUE(LoadText(doc, dir, MakePdf(objects)));
  struct Row {
    TkvMeasurementUnit Unit;
    double Right, Top;
  } rows[] = {{muPixels, 816, 1056},
              {muPoints, 612, 792},
              {muInches, 8.5, 11},
              {muMM, 612 / 2.835, 792 / 2.835},
              {muTwips, 12240, 15840}};
  for (const Row& row : rows) {
    doc.SetMeasurementUnit(row.Unit);
    TkvPDFRect box = doc.GetPageMediaBox(1);
    EXPECT_DOUBLE_EQ(0, box.Left);
    EXPECT_DOUBLE_EQ(0, box.Bottom);
    EXPECT_NEAR(row.Right, box.Right, 1e-9);
    EXPECT_NEAR(row.Top, box.Top, 1e-9);
  }
  ExpectRaises<EInvalidPageError>([&] { doc.GetPageMediaBox(0); }, "Invalid page number (0)");
  ExpectRaises<EInvalidPageError>([&] { doc.GetPageMediaBox(2); }, "Invalid page number (2)");
  PageDict(doc, 1)->SetValue("/MediaBox", std::make_unique<TkvPDFNameObject>("/Letter"));
  ExpectRaises<EUnexpectedObjectError>([&] { doc.GetPageMediaBox(1); }, "Unexpected PDF object encountered");
}

}  // namespace
