// Entries of the wrong kind (a /Kids that is a number, /Resources that is an array, an
// appearance that is no stream...): every operation that reads the entry either works
// around it or ends in one clear library exception. The rows pin which of the two, so a
// value read as the class it is not shows up here (and under the sanitizers) at once.
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hostile/HostileTestUtil.h"
#include "pdf/features/kvOutlines.h"
#include "pdf/features/kvWatermarkTemplates.h"

using namespace kvtest;

namespace {

struct Files {
  std::string Catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string Pages = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
  std::string Page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>";
  std::string Content = "<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 72 712 Td (Kinds) Tj ET\nendstream";
  std::vector<std::string> More;  // objects 5, 6...
  std::string Trailer;

  std::string Bytes() const {
    std::vector<std::string> objects = {Catalog, Pages, Page, Content};
    objects.insert(objects.end(), More.begin(), More.end());
    return MakePdf(objects, Trailer);
  }
};

// "ok", or the message of the library exception the step raised. Any other exception
// escapes and fails the test.
template <class F>
std::string Step(F&& f) {
  try {
    f();
    return "ok";
  } catch (const kv::Exception& e) {
    return e.what();
  }
}

std::unique_ptr<kv::TkvTextWaterMarkTemplate> Stamp() {
  auto t = std::make_unique<kv::TkvTextWaterMarkTemplate>();
  t->Text = "Draft";
  t->Font.Name = "Arial";
  t->Font.Size = 24;
  t->Font.Charset = kv::kAnsiCharset;
  return t;
}

// Every item's title and target; bounded, as a hostile outline may be long.
void WalkOutline(const kv::TkvPDFOutline* node, int depth) {
  for (int n = 0; node && n < 100 && depth < 20; node = node->Next(), ++n) {
    (void)node->Title();
    (void)node->Destination();
    WalkOutline(node->FirstChild(), depth + 1);
  }
}

// Loads the file, then runs each operation on a fresh load: "load" and one entry per
// operation, saving last.
std::map<std::string, std::string> RunAll(const std::string& path, const TempDir& dir) {
  std::map<std::string, std::string> r;
  r["load"] = Step([&] { kv::TkvPDFDocument().LoadFromFile(path); });
  if (r["load"] != "ok") return r;
  auto on = [&](const char* name, auto&& op) {
    kv::TkvPDFDocument doc;
    doc.LoadFromFile(path);
    r[name] = Step([&] { op(doc); });
  };
  on("box", [](kv::TkvPDFDocument& d) { d.GetPageMediaBox(1); });
  on("rotate", [](kv::TkvPDFDocument& d) { d.RotatePages("1", 90); });
  on("transition", [](kv::TkvPDFDocument& d) { d.SetPageTransition("1", 1, 2.0f); });
  on("stamp", [](kv::TkvPDFDocument& d) { d.InsertWatermark(*Stamp()); });
  on("outline", [](kv::TkvPDFDocument& d) { WalkOutline(d.Outlines() ? d.Outlines()->FirstChild() : nullptr, 0); });
  on("fill", [](kv::TkvPDFDocument& d) {
    for (int32_t i = 0; i < d.FieldCount(); ++i) {
      (void)d.FieldName(i);
      (void)d.FieldOptions(i);
      (void)d.FieldValue(i);
      d.SetFieldValue(i, "x");
    }
  });
  on("extract", [&](kv::TkvPDFDocument& d) {
    kv::TkvPDFDocument target;
    d.ExtractPagesTo(target, "1");
    target.SaveToFileAs(dir.File("extract.pdf"));
  });
  on("save", [&](kv::TkvPDFDocument& d) {
    d.SaveToFileAs(dir.File("saved.pdf"));
    kv::TkvPDFDocument again;
    again.LoadFromFile(dir.File("saved.pdf"));
  });
  return r;
}

struct Row {
  const char* What;
  void (*Make)(Files&);
  std::map<std::string, std::string> Expected;  // the steps that do not end "ok"
};

constexpr const char* kUnexpected = "Unexpected PDF object encountered";

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"KidsIsANumber", [](Files& f) { f.Pages = "<< /Type /Pages /Kids 5 /Count 1 >>"; }, {{"load", kUnexpected}}},
      {"KidsHoldsANumber",
       [](Files& f) { f.Pages = "<< /Type /Pages /Kids [3] /Count 1 >>"; },
       {{"load", kUnexpected}}},
      {"PagesIsADictionary",
       [](Files& f) { f.Catalog = "<< /Type /Catalog /Pages << /Type /Pages /Kids [3 0 R] >> >>"; },
       {{"load", "Unexpected Error"}}},
      {"PageTypeIsAString",
       [](Files& f) { f.Page = "<< /Type (Page) /MediaBox [0 0 612 792] /Contents 4 0 R >>"; },
       {{"load", "Unexpected Error"}}},
      {"ResourcesIsAnArray",
       [](Files& f) { f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents 4 0 R /Resources [/PDF] >>"; },
       {{"stamp", "Error inserting page resource"}}},
      {"FontResourcesIsAString",
       [](Files& f) {
         f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font (F) >> >>";
       },
       {{"stamp", "Error inserting page resource"}}},
      {"ContentsIsADictionary",
       [](Files& f) { f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents << /Length 0 >> >>"; },
       {{"stamp", "Unexpected content object for page 1"}}},
      {"ContentsNamesANumber",
       [](Files& f) {
         f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents 5 0 R >>";
         f.More = {"42"};
       },
       {{"stamp", "Unexpected content object for page 1"}}},
      {"MediaBoxIsAName",
       [](Files& f) { f.Page = "<< /Type /Page /MediaBox /Letter /Contents 4 0 R >>"; },
       {{"box", kUnexpected}}},
      {"RotateIsANameAndAnnotsHoldNoAnnotations",
       [](Files& f) {
         f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents 4 0 R /Rotate /Ninety /Annots [1 /X 5 0 R] >>";
         f.More = {"(not an annotation)"};
       },
       {}},
      {"OutlineLinksAreNumbersAndNames",
       [](Files& f) {
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>";
         f.More = {"<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 2 >>",
                   "<< /Title (A) /Parent 5 0 R /First 7 /Next /Nope /Dest << /D [3 0 R /Fit] >> >>"};
       },
       {}},
      {"OutlineActionIsAnArray",
       [](Files& f) {
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>";
         f.More = {"<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 1 >>",
                   "<< /Title (A) /Parent 5 0 R /A [/GoTo] >>"};
       },
       {{"load", "Unexpected Error"}}},
      {"OutlineActionTargetIsAStringNamingNothing",
       [](Files& f) {
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>";
         f.More = {"<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 1 >>",
                   "<< /Title (B) /Parent 5 0 R /A << /S /GoTo /D (nowhere) >> /Dest 7 >>"};
       },
       {}},
      {"FieldsHoldNumbersNamesAndOddValues",
       [](Files& f) {
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 /X 6 0 R 7 0 R] >> >>";
         f.More = {"(no field)", "<< /FT /Tx /T 12 /V [1] >>",
                   "<< /FT /Ch /T (c) /Rect [0 0 50 10] /Opt [<< /A 1 >> 3 [(x)]] /V << /A 1 >> >>"};
       },
       {}},
      {"WidgetAppearanceIsAnArrayOrANumber",
       [](Files& f) {
         f.Page = "<< /Type /Page /MediaBox [0 0 612 792] /Contents 4 0 R /Annots [6 0 R 7 0 R] >>";
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [6 0 R 7 0 R] /DA (/Helv 0 Tf 0 g) >> >>";
         const std::string widget = " /FT /Tx /Type /Annot /Subtype /Widget /Rect [0 0 100 20] /P 3 0 R";
         f.More = {"(unused)", "<< /T (a)" + widget + " /AP << /N [1 2] /D 5 >> >>",
                   "<< /T (b)" + widget + " /AP 5 /DR [1] >>"};
       },
       {}},
      {"PageLabelsNumsIsADictionary",
       [](Files& f) { f.Catalog = "<< /Type /Catalog /Pages 2 0 R /PageLabels << /Nums << /A 1 >> >> >>"; },
       {}},
      {"PageLabelRangeStyleIsAString",
       [](Files& f) { f.Catalog = "<< /Type /Catalog /Pages 2 0 R /PageLabels << /Nums [0 << /S (D) /P /x >>] >> >>"; },
       {}},
      {"TrailerIDIsADictionary", [](Files& f) { f.Trailer = "/ID << /A 1 >>"; }, {}},
      {"TrailerIDNamesANumber",
       [](Files& f) {
         f.Trailer = "/ID 5 0 R";
         f.More = {"42"};
       },
       {}},
      {"ModesAreStrings",
       [](Files& f) { f.Catalog = "<< /Type /Catalog /Pages 2 0 R /PageMode (UseOutlines) /PageLayout 3 >>"; },
       {}},
      {"NamedDestinationsHoldNumbers",
       [](Files& f) {
         f.Catalog = "<< /Type /Catalog /Pages 2 0 R /Names << /Dests << /Names [(a) 42 7 [3 0 R /Fit]] >> >> >>";
       },
       {}},
  };
  return rows;
}

// Failure output names the row, not its bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << row.What; }

class UnexpectedKinds : public testing::TestWithParam<Row> {};

TEST_P(UnexpectedKinds, EachOperationWorksAroundTheEntryOrFailsCleanly) {
  const Row& row = GetParam();
  Files files;
  row.Make(files);
  TempDir dir;
  const std::string path = dir.File("in.pdf");
  WriteFile(path, files.Bytes());
  std::map<std::string, std::string> got = RunAll(path, dir);
  for (const auto& [step, result] : got) {
    auto expected = row.Expected.find(step);
    EXPECT_EQ(expected == row.Expected.end() ? "ok" : expected->second, result) << step;
  }
  for (const auto& [step, result] : row.Expected) EXPECT_TRUE(got.count(step)) << step << " did not run";
}

INSTANTIATE_TEST_SUITE_P(Entries, UnexpectedKinds, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.What); });

// The page list is the host's to change, so a page's object may hold any kind. Reading
// its box or setting its transition took it for a dictionary whatever it held.
TEST(UnexpectedKindsInMemory, APageObjectThatIsNoDictionary) {
  TempDir dir;
  const std::string path = dir.File("in.pdf");
  WriteFile(path, Files().Bytes());
  struct Case {
    kv::TkvPDFObjectPtr (*Make)();
    const char* Found;
  };
  const Case cases[] = {
      {[]() -> kv::TkvPDFObjectPtr { return std::make_unique<kv::TkvPDFIntegerObject>(7); }, "Integer Object"},
      {[]() -> kv::TkvPDFObjectPtr { return std::make_unique<kv::TkvPDFArrayObject>(); }, "Array Object"},
      {[]() -> kv::TkvPDFObjectPtr { return std::make_unique<kv::TkvPDFNameObject>("/Page"); }, "Name Object"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Found);
    kv::TkvPDFDocument doc;
    doc.LoadFromFile(path);
    doc.Pages[0]->Value = c.Make();
    const std::string expected = std::string("Expected Dictionary Object, found ") + c.Found;
    auto raised = [](auto&& f) {
      try {
        f();
      } catch (const kv::EUnexpectedObjectError& e) {
        return std::string(e.what());
      }
      return std::string("no error");
    };
    EXPECT_EQ(expected, raised([&] { doc.GetPageMediaBox(1); }));
    EXPECT_EQ(expected, raised([&] { doc.SetPageTransition("1", 1, 2.0f); }));
    // Turning and stamping leave such a page alone or refuse it by their own rules.
    EXPECT_EQ("ok", Step([&] { doc.RotatePages("1", 90); }));
    EXPECT_EQ("Unexpected content object for page 1", Step([&] { doc.InsertWatermark(*Stamp()); }));
  }
}

}  // namespace
