// One test per fault found by fuzzing or by hostile files, named after what broke.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "hostile/HostileTestUtil.h"
#include "pdf/parser/kvPDFParsers.h"

using namespace kvtest;

namespace {

// The range loop counted in 32 bits: ending at INT_MAX, the counter overflowed (undefined
// behaviour; in practice it wrapped and filled memory until allocation failed).
TEST(Regressions, PageRangeEndingAtTheLargestPageNumberOverflowed) {
  EXPECT_EQ((std::vector<int32_t>{INT_MAX - 1, INT_MAX}),
            kv::TkvCustomPDFDocument::ParsePageRange("2147483646-2147483647", INT_MAX));
  EXPECT_EQ(std::vector<int32_t>{INT_MAX}, kv::TkvCustomPDFDocument::ParsePageRange("2147483647", INT_MAX));
}

// Reading a stream read its /Length object with that object's own stream data, so two
// streams whose /Length named each other recursed until the stack overflowed (and a long
// chain of such streams did the same).
TEST(Regressions, StreamLengthsNamingEachOtherRecursedWithoutEnd) {
  TempDir dir;
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  const std::string pages = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>";
  auto stream = [](int lengthObject) {
    return "<< /Length " + std::to_string(lengthObject) + " 0 R >>\nstream\nBT ET\nendstream";
  };
  std::string loop = dir.File("loop.pdf");
  WriteFile(loop, MakePdf({catalog, pages, page, stream(5), stream(4)}));
  Outcome o = LoadAndSave(loop, dir);
  EXPECT_EQ("Expected PDF endstream", o.Error);
  ExpectCliFailure(Folio("copy --strict " + ShellQuote(loop), dir), "loop", "Expected PDF endstream");
  // Reading modern files, the data is found up to "endstream" and the length mended.
  EXPECT_EQ(0, Folio("copy " + ShellQuote(loop), dir).ExitCode);

  std::vector<std::string> objects = {catalog, pages, page};
  for (int n = 4; n < 20000; ++n) objects.push_back(stream(n + 1));
  objects.push_back("<< /Length 5 >>\nstream\nBT ET\nendstream");
  std::string chain = dir.File("chain.pdf");
  WriteFile(chain, MakePdf(objects));
  EXPECT_EQ("Expected PDF endstream", LoadAndSave(chain, dir).Error);

  // A /Length naming an integer object still reads.
  std::string good = dir.File("good.pdf");
  WriteFile(good, MakePdf({catalog, pages, page, stream(5), "5"}));
  ExpectCorrectPages(LoadAndSave(good, dir), 1, "indirect length");
}

// Inherited attributes were copied into every page, so one large direct /Resources on a
// /Pages node over thousands of small pages turned a 240 KB file into 2.8 GB of objects.
TEST(Regressions, LargeInheritedResourcesMultipliedByEveryPage) {
  TempDir dir;
  const int pages = 200, numbers = 5000;
  std::string kids, big;
  for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
  for (int i = 0; i < numbers; ++i) big += "0 ";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                                          " /MediaBox [0 0 200 200] /Resources << /ProcSet [/PDF] /X [" + big +
                                          "] >> >>"};
  for (int i = 0; i < pages; ++i) objects.push_back("<< /Type /Page >>");
  const std::string pdf = MakePdf(objects);
  const std::string path = dir.File("inherited.pdf");
  WriteFile(path, pdf);
  Outcome o = LoadAndSave(path, dir);
  ExpectCorrectPages(o, pages, "inherited");
  // The large value is written once and shared; the small box is still copied.
  const std::string saved = ReadFile(o.SavedPath);
  EXPECT_LT(saved.size(), 2 * pdf.size());
  EXPECT_NE(std::string::npos, saved.find("/MediaBox [ 0 0 200 200 ]"));
  kv::TkvPDFDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(o.SavedPath));
  for (int page : {1, pages}) {
    auto* dict = static_cast<kv::TkvPDFDictObject*>(doc.Pages[static_cast<size_t>(page - 1)]->Value.get());
    auto* resources = doc.ObjectStore->ResolveDictionary(dict->GetValue("/Resources"));
    ASSERT_NE(nullptr, resources) << page;
    auto* x = doc.ObjectStore->ResolveArray(resources->GetValue("/X"));
    ASSERT_NE(nullptr, x) << page;
    EXPECT_EQ(numbers, x->Count()) << page;
  }
  // Deleting and extracting pages keeps the shared value as long as a page uses it.
  doc.DeletePages("1-199");
  doc.SaveToFileAs(dir.File("last.pdf"));
  kv::TkvPDFDocument last;
  ASSERT_TRUE(last.LoadFromFile(dir.File("last.pdf")));
  ASSERT_EQ(1, last.PageCount());
  auto* dict = static_cast<kv::TkvPDFDictObject*>(last.Pages[0]->Value.get());
  auto* resources = last.ObjectStore->ResolveDictionary(dict->GetValue("/Resources"));
  ASSERT_NE(nullptr, resources);
  EXPECT_EQ(numbers, last.ObjectStore->ResolveArray(resources->GetValue("/X"))->Count());
}

// A named destination was copied into every link naming it, so a destination array of
// thousands of numbers named by thousands of links multiplied into gigabytes (168 KB
// of file: 47 s and 6.5 GB). Destinations are a page and a few numbers; larger ones
// are dropped, like a destination that is missing.
TEST(Regressions, HugeNamedDestinationCopiedIntoEveryLink) {
  TempDir dir;
  const int links = 200, numbers = 5000;
  std::string annots, big;
  for (int i = 0; i < links; ++i) annots += "<< /Subtype /Link /Rect [0 0 1 1] /Dest (big) >> ";
  annots += "<< /Subtype /Link /Rect [0 0 1 1] /Dest (small) >>";
  for (int i = 0; i < numbers; ++i) big += "0 ";
  const std::string pdf =
      MakePdf({"<< /Type /Catalog /Pages 2 0 R /Dests 4 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /MediaBox [0 0 200 200] /Annots [" + annots + "] >>",
               "<< /big [3 0 R /XYZ " + big + "] /small [3 0 R /XYZ 0 200 0] >>"});
  const std::string path = dir.File("dests.pdf");
  WriteFile(path, pdf);
  Outcome o = LoadAndSave(path, dir);
  ExpectCorrectPages(o, 1, "dests");
  const std::string saved = ReadFile(o.SavedPath);
  EXPECT_LT(saved.size(), pdf.size());
  EXPECT_NE(std::string::npos, saved.find("/Dest [ 4 0 R /XYZ 0 200 0 ]")) << saved.substr(0, 2000);
}

// A page listed again in /Kids was read and parsed anew for every mention, and each
// further mention became a copy: one page of 60000 numbers listed 15000 times (a 210 KB
// file) ran past a minute and 5.8 GB. Repeats are now taken from the store, and a tree
// whose repeated pages would cost more than a bound is refused.
TEST(Regressions, LargePageListedThousandsOfTimesMultiplied) {
  TempDir dir;
  auto tree = [](int mentions, const std::string& page) {
    std::string kids;
    for (int i = 0; i < mentions; ++i) kids += "3 0 R ";
    return MakePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                    "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(mentions) + " >>", page,
                    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  };
  std::string numbers;
  for (int i = 0; i < 3000; ++i) numbers += "0 ";
  const std::string large = dir.File("large.pdf");
  WriteFile(large, tree(1000, "<< /Type /Page /MediaBox [0 0 612 792] /X [" + numbers + "] >>"));
  EXPECT_EQ("Invalid page tree: node 3 is listed more than once", LoadAndSave(large, dir).Error);
  ExpectCliFailure(Folio("copy " + ShellQuote(large), dir), "large",
                   "Invalid page tree: node 3 is listed more than once");

  // A small page listed many times is many pages, each its own object once loaded.
  const std::string small = dir.File("small.pdf");
  WriteFile(small, tree(3000, "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> >> >>"));
  ExpectCorrectPages(LoadAndSave(small, dir), 3000, "small");
}

// Destinations naming one object were each read from the file anew, so thousands of
// names for one large object parsed it thousands of times (a 277 KB file: 41 s). The
// reading of objects is now bounded by a multiple of the file's size.
TEST(Regressions, OneLargeObjectNamedByThousandsOfDestinationsParsedOverAndOver) {
  TempDir dir;
  auto file = [&](int names) {
    std::string dests, numbers;
    for (int i = 0; i < names; ++i) dests += "/d" + std::to_string(i) + " 5 0 R ";
    for (int i = 0; i < 60000; ++i) numbers += "0 ";
    return MakePdf({"<< /Type /Catalog /Pages 2 0 R /Dests 4 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /MediaBox [0 0 9 9] >>", "<< " + dests + ">>",
                    "<< /D [3 0 R /Fit] /Junk [" + numbers + "] >>"});
  };
  const std::string many = dir.File("many.pdf");
  WriteFile(many, file(2000));
  Outcome o = LoadAndSave(many, dir);
  EXPECT_EQ(0u, o.Error.rfind("The document refers to its objects too often: object 5 read past ", 0)) << o.Error;
  // A few names for it are fine.
  const std::string few = dir.File("few.pdf");
  WriteFile(few, file(3));
  ExpectCorrectPages(LoadAndSave(few, dir), 1, "few");
}

// Reals of 2^63 and more are written in whole digits without a point, and the reader took
// such digits for an integer too large to hold: a saved file could not be loaded again.
TEST(Regressions, LargeRealWrittenInWholeDigitsDidNotReadBack) {
  TempDir dir;
  const std::string path = dir.File("large-real.pdf");
  WriteFile(path, MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /MediaBox [0 0 612 792] /UserUnit 99999999999999999999.9 >>"}));
  Outcome o = LoadAndSave(path, dir);
  ExpectCorrectPages(o, 1, "large real");
  EXPECT_NE(std::string::npos, ReadFile(o.SavedPath).find("/UserUnit 100000000000000000000"));
  // Whole digits beyond 64 bits read as the real they approximate; beyond a double, fail.
  kv::TkvMemoryStream digits(std::string("123456789012345678901234567890 ") + std::string(400, '9'));
  kv::TkvPDFStreamReader reader(1, &digits);
  kv::TkvPDFObjectPtr big = reader.ReadObject();
  ASSERT_TRUE(big && big->IsReal());
  EXPECT_DOUBLE_EQ(1.2345678901234568e29, static_cast<kv::TkvPDFRealObject*>(big.get())->Value);
  EXPECT_THROW(reader.ReadObject(), kv::EConvertError);
}

// Damaged values were written as nothing: a key directly followed by ">>" took the next
// entry (a page always gets /Parent) as its value, an object nested in an array ("2 0 obj"
// among its elements) shifted the elements after it, and "N 0 obj" without a value got an
// empty body. Each saved file failed to load again; each is now written as null.
TEST(Regressions, DamagedValuesWrittenAsNothingDidNotReadBack) {
  TempDir dir;
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  const std::string pages = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
  struct Case {
    const char* What;
    std::vector<std::string> More;  // the page (3) and what follows
    const char* Written;            // in the saved file
  };
  const Case cases[] = {
      {"key without value", {"<< /Type /Page /MediaBox [0 0 9 9] /Contents >>"}, "/Contents null\r\n/Parent 3 0 R"},
      {"object nested in an array",
       {"<< /Type /Page /MediaBox [0 0 9 9] /Extra 4 0 R >>", "[ 1 5 0 obj 7 3 ]"},
       "[ 1 null 3 ]"},
      {"object without value", {"<< /Type /Page /MediaBox [0 0 9 9] /Extra 4 0 R >>", "]"}, "obj\r\nnull\r\nendobj"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> objects = {catalog, pages};
    objects.insert(objects.end(), c.More.begin(), c.More.end());
    const std::string path = dir.File("damaged.pdf");
    WriteFile(path, MakePdf(objects));
    Outcome o = LoadAndSave(path, dir);
    ExpectCorrectPages(o, 1, c.What);
    if (!o.SavedPath.empty()) {
      EXPECT_NE(std::string::npos, ReadFile(o.SavedPath).find(c.Written)) << c.What;
    }
  }
}

}  // namespace
