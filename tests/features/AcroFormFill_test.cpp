// Setting field values: every validation rule and message, and what a reader sees in the
// saved file (pypdf for values and button states, poppler for the appearance streams).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "FormTestUtil.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvAcroFormConsts.h"

using formtest::FormPdf;
using kv::TkvPDFDocument;

namespace {

// One page (object 4) with these widgets; fields from object 5 on:
//  5 name (text)  6 agree (check box)  7 size (radio, kids 8 and 9)  10 fruit (list box)
//  11 city (combo)  12 free (editable combo)  13 fixed (read-only)  14 zip (/MaxLen 5)
//  15 push (button)  16 sig (signature)  17 norect (text without a widget rectangle)
//  18 the /Helv font  19 an appearance state stream
std::string FillPdf() {
  // Each widget on a row of its own, so that what poppler shows keeps them apart.
  int row = 0;
  auto w = [&row] {
    int y = 276 - 24 * row++;
    return " /Subtype /Widget /P 4 0 R /Rect [20 " + std::to_string(y) + " 220 " + std::to_string(y + 20) + "]";
  };
  return FormPdf(
      "<< /Fields [5 0 R 6 0 R 7 0 R 10 0 R 11 0 R 12 0 R 13 0 R 14 0 R 15 0 R 16 0 R 17 0 R]"
      " /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv 18 0 R >> >> >>",
      {"5 0 R 6 0 R 8 0 R 9 0 R 10 0 R 11 0 R 12 0 R 13 0 R 14 0 R"},
      {"<< /T (name) /FT /Tx /DA (/Helv 12 Tf 0 0 1 rg)" + w() + " >>",
       "<< /T (agree) /FT /Btn /V /Off /AS /Off /AP << /N << /Yes 19 0 R /Off 19 0 R >> >>" + w() + " >>",
       "<< /T (size) /FT /Btn /Ff 49152 /V /S /Kids [8 0 R 9 0 R] >>",
       "<< /Parent 7 0 R /AS /S /AP << /N << /S 19 0 R /Off 19 0 R >> >>" + w() + " >>",
       "<< /Parent 7 0 R /AS /Off /AP << /N << /M 19 0 R /Off 19 0 R >> >>" + w() + " >>",
       "<< /T (fruit) /FT /Ch /Opt [(apple) (banana)] /I [0]" + w() + " >>",
       "<< /T (city) /FT /Ch /Ff 131072 /Opt [(Rome) (Oslo)]" + w() + " >>",
       "<< /T (free) /FT /Ch /Ff 393216 /Opt [(Lima)]" + w() + " >>",
       "<< /T (fixed) /FT /Tx /Ff 1 /V (x)" + w() + " >>", "<< /T (zip) /FT /Tx /MaxLen 5" + w() + " >>",
       "<< /T (push) /FT /Btn /Ff 65536 >>", "<< /T (sig) /FT /Sig >>", "<< /T (norect) /FT /Tx /Subtype /Widget >>",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
       "<< /Length %LEN% /BBox [0 0 200 20] >>\nstream\n0 g\nendstream"});
}

struct Form {
  kvtest::TempDir dir;
  TkvPDFDocument doc;
  explicit Form(const std::string& pdf) { EXPECT_TRUE(kvtest::LoadText(doc, dir, pdf)); }
  void Set(const std::string& name, const std::string& value) {
    int32_t i = doc.IndexOfField(name);
    ASSERT_GE(i, 0) << name;
    doc.SetFieldValue(i, value);
  }
  std::string Save(const std::string& name = "out.pdf") {
    std::string path = dir.File(name);
    doc.SaveToFileAs(path);
    return path;
  }
};

std::string Py(const kvtest::TempDir& dir, const std::string& pdf, const std::string& body) {
  return kvtest::Python(
      dir, "import sys\nfrom pypdf import PdfReader\nr = PdfReader(" + kvtest::ShellQuote(pdf) + ")\n" + body);
}

}  // namespace

TEST(AcroFormFill, ValidationRules) {
  formtest::CodePage utf8(65001);
  Form f(FillPdf());
  struct Row {
    const char* field;
    const char* value;
    const char* error;   // empty: accepted
    const char* stored;  // the field's value afterwards
  };
  const Row rows[] = {
      {"agree", "Yes", "", "Yes"},
      {"agree", "On", kv::msg::SInvalidCheckBoxValue, "Yes"},
      {"agree", "Off", "", "Off"},
      {"size", "M", "", "M"},
      {"size", "Off", kv::msg::SInvalidRadioValue, "M"},  // no toggle to off
      {"size", "L", kv::msg::SInvalidRadioValue, "M"},
      {"fruit", "banana", "", "banana"},
      {"fruit", "kiwi", kv::msg::SInvalidChoiceValue, "banana"},
      {"city", "Paris", kv::msg::SInvalidChoiceValue, ""},
      {"city", "Oslo", "", "Oslo"},
      {"free", "anything at all", "", "anything at all"},
      {"fixed", "y", kv::msg::SFieldReadOnly, "x"},
      {"zip", "12345678", "", "12345"},
      {"zip", "ÄÖÜßxyz", "", "ÄÖÜßx"},  // characters, not bytes
      {"push", "pressed", "", "pressed"},
      {"sig", "signed", "", "signed"},
      {"norect", "x", kv::msg::SSetFieldValueError, ""},
  };
  for (const Row& r : rows) {
    int32_t i = f.doc.IndexOfField(r.field);
    ASSERT_GE(i, 0) << r.field;
    std::string error;
    try {
      f.doc.SetFieldValue(i, r.value);
    } catch (const kv::EAcroFormError& e) {
      error = e.what();
    }
    EXPECT_EQ(r.error, error) << r.field << " = " << r.value;
    EXPECT_EQ(r.stored, f.doc.FieldValue(i)) << r.field << " = " << r.value;
  }
}

// A refused value changes nothing: the document saves to the same bytes as before.
TEST(AcroFormFill, RefusedValuesLeaveTheDocumentAlone) {
  Form f(FillPdf());
  std::string before = kvtest::ReadFile(f.Save("before.pdf"));
  for (auto [name, value] : {std::pair{"agree", "On"}, {"fixed", "y"}, {"fruit", "kiwi"}, {"size", "Off"}}) {
    EXPECT_THROW(f.doc.SetFieldValue(f.doc.IndexOfField(name), value), kv::EAcroFormError);
  }
  EXPECT_EQ(before, kvtest::ReadFile(f.Save("after.pdf")));
  EXPECT_EQ(std::string::npos, before.find("/NeedAppearances"));
}

// What readers find after filling: the values as set (a literal with parentheses and a
// backslash, Cyrillic text), the button states of every widget, the form asking viewers
// for appearances, and appearance streams that show the values.
TEST(AcroFormFill, ReadersSeeTheValues) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  formtest::CodePage utf8(65001);
  Form f(FillPdf());
  f.Set("name", "Hello (world) \\ back");
  f.Set("agree", "Yes");
  f.Set("size", "M");
  f.Set("fruit", "banana");
  f.Set("city", "Oslo");
  f.Set("free", "Привет, мир");
  f.Set("push", "ignored");
  std::string out = f.Save();
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  EXPECT_EQ((std::vector<std::string>{"name=Hello (world) \\ back", "agree=/Yes", "size=/M", "fruit=banana",
                                      "city=Oslo", "free=Привет, мир", "fixed=x", "zip=None", "push=None", "sig=None",
                                      "norect=None", "resolved 11/11"}),
            formtest::PypdfFields(f.dir, out));
  EXPECT_EQ("True\n/Off /M /Yes\nNone\n",
            Py(f.dir, out,
               "form = r.trailer['/Root']['/AcroForm']\n"
               "print(form['/NeedAppearances'])\n"
               "size = [k for k in form['/Fields'] if k.get_object()['/T'] == 'size'][0].get_object()\n"
               "agree = [k for k in form['/Fields'] if k.get_object()['/T'] == 'agree'][0].get_object()\n"
               "print(' '.join(str(k.get_object()['/AS']) for k in size['/Kids']), agree['/AS'])\n"
               "fruit = [k for k in form['/Fields'] if k.get_object()['/T'] == 'fruit'][0].get_object()\n"
               "print(fruit.get('/I'))\n"));
  std::string shown = kvtest::NormaliseSpace(formtest::ShownText(f.dir, out));
  for (const char* v : {"Hello (world) \\ back", "banana", "Oslo", "Привет, мир"})
    EXPECT_NE(std::string::npos, shown.find(v)) << v << " in: " << shown;
}

// The alignment of /Q (the widget's own, else the field's) and the wrapping of multiline
// fields, measured where poppler puts the words.
TEST(AcroFormFill, LayoutOfTextAppearances) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  const std::string w = " /FT /Tx /Subtype /Widget /P 4 0 R /DA (/Helv 10 Tf 0 g)";
  // "centre" is a field with /Q 0 whose widget (object 10) says /Q 1.
  Form f(FormPdf("<< /Fields [5 0 R 6 0 R 7 0 R 8 0 R] /DR << /Font << /Helv 9 0 R >> >> >>",
                 {"5 0 R 10 0 R 7 0 R 8 0 R"},
                 {"<< /T (left)" + w + " /Rect [50 250 250 270] >>",
                  "<< /T (centre) /FT /Tx /Q 0 /DA (/Helv 10 Tf 0 g) /Kids [10 0 R] >>",
                  "<< /T (right) /Q 2" + w + " /Rect [50 150 250 170] >>",
                  "<< /T (notes) /Ff 4096" + w + " /Rect [50 20 150 120] >>",
                  "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
                  "<< /Parent 6 0 R /Subtype /Widget /P 4 0 R /Q 1 /Rect [50 200 250 220] >>"}));
  f.Set("left", "Alpha");
  f.Set("centre", "Beta");
  f.Set("right", "Gamma");
  f.Set("notes", "one two three four five six seven eight nine ten\nEND");
  std::string out = f.Save();
  // Words as "text xMin xMax yMin" in page coordinates (y grows downwards; page 300 high).
  std::string bbox = formtest::ShownText(f.dir, out, 1, "-bbox");
  std::map<std::string, std::vector<double>> words;
  std::istringstream in(bbox);
  std::string line;
  while (std::getline(in, line)) {
    double x0, y0, x1, y1;
    char text[256];
    if (std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]", &x0, &y0, &x1,
                    &y1, text) != 5)
      continue;
    words[text] = {x0, x1, y0};
  }
  ASSERT_TRUE(words.count("Alpha") && words.count("Beta") && words.count("Gamma")) << bbox;
  EXPECT_NEAR(52, words["Alpha"][0], 1.0);                           // 2 points in
  EXPECT_NEAR(152, (words["Beta"][0] + words["Beta"][1]) / 2, 1.0);  // centred (+2)
  EXPECT_NEAR(246, words["Gamma"][1], 1.0);                          // 4 points from the right
  for (const char* word : {"one", "ten", "END"}) {
    ASSERT_TRUE(words.count(word)) << word << "\n" << bbox;
    EXPECT_GE(words[word][0], 50) << word;
    EXPECT_LE(words[word][1], 150) << word;
  }
  EXPECT_LT(words["one"][2], words["ten"][2]);  // wrapped: "ten" is lower
  EXPECT_LT(words["ten"][2], words["END"][2]);  // the line break starts a new line
}

// A widget's existing appearance stream is reused: its filter goes, its resources stay
// and gain the font. A stream shared by two widgets becomes two.
TEST(AcroFormFill, ExistingAppearanceStreams) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  const std::string w = " /FT /Tx /Subtype /Widget /P 4 0 R /DA (/Helv 10 Tf 0 g) /AP << /N 8 0 R >>";
  Form f(FormPdf("<< /Fields [5 0 R 6 0 R 7 0 R] /DR << /Font << /Helv 9 0 R >> >> >>", {"5 0 R 6 0 R 7 0 R"},
                 {"<< /T (a)" + w + " /Rect [10 250 210 270] >>", "<< /T (b)" + w + " /Rect [10 200 210 220] >>",
                  "<< /T (c) /FT /Tx /Subtype /Widget /P 4 0 R /Rect [10 150 210 170] /DA (/Helv 10 Tf 0 g)"
                  " /AP << /N 10 0 R >> >>",
                  "<< /Length %LEN% /BBox [0 0 600 800] /Filter /ASCIIHexDecode >>\nstream\n3020>\nendstream",
                  "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
                  "<< /Length %LEN% /BBox [0 0 200 20] /Resources << /XObject << /Logo 11 0 R >> >> >>\nstream\n"
                  "\nendstream",
                  "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 0 >>\nstream\n\nendstream"}));
  f.Set("a", "first");
  f.Set("b", "second");
  f.Set("c", "third");
  std::string out = f.Save();
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  EXPECT_EQ("3 3 [0, 0, 200, 20]\n[] ['/Font', '/XObject']\n",
            Py(f.dir, out,
               "ws = [a.get_object() for a in r.pages[0]['/Annots']]\n"
               "ns = [w['/AP'].raw_get('/N') for w in ws]\n"
               "print(len(set(n.idnum for n in ns)), len(ns), list(ns[0].get_object()['/BBox']))\n"
               "print([n.get_object().get('/Filter') for n in ns if n.get_object().get('/Filter')],"
               " sorted(ns[2].get_object()['/Resources'].keys()))\n"));
  std::string shown = kvtest::NormaliseSpace(formtest::ShownText(f.dir, out));
  EXPECT_EQ("first second third", shown);
}

// Forms that define no font for their /DA (or no /DA font at all) still fill: the
// appearance draws with Helvetica, added to its own resources.
TEST(AcroFormFill, FieldsWithoutADefinedFont) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  const std::string w = " /FT /Tx /Subtype /Widget /P 4 0 R";
  Form f(FormPdf("<< /Fields [5 0 R 6 0 R 7 0 R] >>", {"5 0 R 6 0 R 7 0 R"},
                 {"<< /T (a)" + w + " /DA (0 0 0 rg /Helvetica 12 Tf) /Rect [10 250 210 270] >>",
                  "<< /T (b)" + w + " /DA (0 g) /Rect [10 200 210 220] >>",
                  "<< /T (c)" + w + " /Rect [10 150 210 170] /DA (/F9 9 Tf) /DR << /Font << /F9 8 0 R >> >> >>",
                  "<< /Type /Font /Subtype /Type0 /BaseFont /Whatever >>"}));
  f.Set("a", "one");
  f.Set("b", "two");
  f.Set("c", "three");
  std::string out = f.Save();
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  EXPECT_EQ("/Helvetica /Helvetica\n/Helv /Helvetica\n/F9 /Helvetica\n",
            Py(f.dir, out,
               "for a in r.pages[0]['/Annots']:\n"
               "    fonts = a.get_object()['/AP']['/N'].get_object()['/Resources']['/Font']\n"
               "    name = list(fonts.keys())[0]\n"
               "    print(name, fonts[name].get_object()['/BaseFont'])\n"));
  EXPECT_EQ("one two three", kvtest::NormaliseSpace(formtest::ShownText(f.dir, out)));
}

// A check box with several widgets: each shows the state set when it has an appearance
// for it, else its off state (a widget whose "on" state has another name).
TEST(AcroFormFill, CheckBoxWidgetsWithOtherStates) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  const std::string w = " /Parent 5 0 R /Subtype /Widget /P 4 0 R /Rect [10 10 30 30] /AS /Off";
  Form f(FormPdf(
      "<< /Fields [5 0 R] >>", {"6 0 R 7 0 R 8 0 R"},
      {"<< /T (box) /FT /Btn /Kids [6 0 R 7 0 R 8 0 R] >>", "<< /AP << /N << /Yes 9 0 R /Off 9 0 R >> >>" + w + " >>",
       "<< /AP << /N << /Alt 9 0 R /Off 9 0 R >> >>" + w + " >>", "<<" + w + " >>",
       "<< /Length 0 >>\nstream\n\nendstream"}));
  ASSERT_EQ((std::vector<std::string>{"Off", "Yes", "Alt"}), f.doc.FieldOptions(0));
  f.Set("box", "Yes");
  std::string yes = f.Save("yes.pdf");
  f.Set("box", "Off");
  std::string off = f.Save("off.pdf");
  const char* program =
      "print(r.get_fields()['box'].get('/V'), *[a.get_object()['/AS'] for a in r.pages[0]['/Annots']])\n";
  EXPECT_EQ("/Yes /Yes /Off /Yes\n", Py(f.dir, yes, program));
  EXPECT_EQ("/Off /Off /Off /Off\n", Py(f.dir, off, program));
}
