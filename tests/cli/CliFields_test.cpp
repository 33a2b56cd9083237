// folio fields and folio fill on real forms, checked against pypdf, qpdf and poppler.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "CliTestUtil.h"
#include "features/FormTestUtil.h"

using clitest::Describe;
using clitest::Folio;
using clitest::json;

namespace {

const char* const kForms[] = {"gen-reportlab-fields.pdf", "gen-pdflib-fields.pdf",    "irs-f1040ez.pdf",
                              "cups-form-english.pdf",    "l3pdffield-textfield.pdf", "dvdcoll-dcexample.pdf"};

// pypdf's reading of the terminal fields (/T and /FT) as the JSON of `folio fields`
// would give them: name, type word, value (a name without its slash, a list as a list,
// none as "").
json PypdfFieldList(const kvtest::TempDir& dir, const std::string& pdf) {
  std::string out = kvtest::Python(
      dir, "import json, sys\nfrom pypdf import PdfReader\nr = PdfReader(" + kvtest::ShellQuote(pdf) + R"()
out = []
def typ(ft, ff):
    ff = int(ff or 0)
    if ft == '/Btn': return 'Button' if ff & 65536 else 'Radio' if ff & 32768 else 'CheckBox'
    return {'/Tx': 'Text', '/Sig': 'Signature'}.get(ft, 'Choice')
def val(v):
    if v is None: return ''
    if isinstance(v, list): return [str(x) for x in v]
    s = str(v)
    return s[1:] if s.startswith('/') else s
def walk(ref, parent, depth):
    o = ref.get_object()
    if depth > 64 or not hasattr(o, 'get'): return
    name = parent
    if '/T' in o:
        name = (parent + '.' if parent else '') + str(o['/T'])
        if '/FT' in o: out.append({'name': name, 'type': typ(o['/FT'], o.get('/Ff')), 'value': val(o.get('/V'))})
    kids = o.get('/Kids')
    for k in (kids.get_object() if kids is not None else []): walk(k, name, depth + 1)
fields = r.trailer['/Root']['/AcroForm'].get_object().get('/Fields')
for f in (fields.get_object() if fields is not None else []): walk(f, '', 0)
print(json.dumps(out))
)");
  return json::parse(out);
}

json FieldsJson(const std::string& pdf) {
  clitest::FolioResult r = Folio({"fields", pdf, "--json"});
  EXPECT_EQ(0, r.Exit) << Describe(r);
  return r.Exit == 0 ? json::parse(r.Out) : json::array();
}

}  // namespace

class CliFieldsOnForms : public testing::TestWithParam<const char*> {};

// The list names, types and values every terminal field as pypdf reads them.
TEST_P(CliFieldsOnForms, ListMatchesPypdf) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  kvtest::TempDir dir;
  std::string pdf = kvtest::DataPath(GetParam());
  json ours = FieldsJson(pdf);
  json theirs = PypdfFieldList(dir, pdf);
  ASSERT_EQ(theirs.size(), ours.size());
  ASSERT_GT(ours.size(), 0u);
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i), ours[i]["index"]);
    EXPECT_EQ(theirs[i]["name"], ours[i]["name"]);
    EXPECT_EQ(theirs[i]["type"], ours[i]["type"]) << ours[i]["name"];
    EXPECT_EQ(theirs[i]["value"], ours[i]["value"]) << ours[i]["name"];
    EXPECT_TRUE(ours[i]["options"].is_array());
    EXPECT_TRUE(ours[i]["read_only"].is_boolean());
  }
}

// Every text field takes a value with parentheses and a backslash: pypdf reads it back,
// the field's own appearance shows it, qpdf finds the file clean, and the other fields
// keep their values.
TEST_P(CliFieldsOnForms, FillEveryTextField) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  kvtest::TempDir dir;
  std::string pdf = kvtest::DataPath(GetParam());
  json before = FieldsJson(pdf);
  std::vector<std::string> args = {"fill", pdf, "-o", dir.File("filled.pdf")};
  json expected = before;
  int texts = 0;
  for (auto& f : expected) {
    if (f["type"] != "Text" || f["read_only"]) continue;
    std::string value = "V" + std::to_string(texts++) + " (x) \\ y";
    // Fields with a maximum length keep that many characters.
    args.push_back(f["name"].get<std::string>() + "=" + value);
    f["value"] = value;
  }
  if (texts == 0) GTEST_SKIP() << "no text fields";
  clitest::FolioResult r = Folio(args);
  ASSERT_EQ(0, r.Exit) << Describe(r);
  std::string out = dir.File("filled.pdf");
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  json after = PypdfFieldList(dir, out);
  ASSERT_EQ(expected.size(), after.size());
  std::string shown = kvtest::NormaliseSpace(formtest::ShownText(dir, out));
  for (size_t i = 0; i < after.size(); ++i) {
    std::string value = expected[i]["value"].is_string() ? expected[i]["value"].get<std::string>() : "";
    if (before[i]["type"] == "Text" && !before[i]["read_only"]) {
      // A /MaxLen cuts the value; the cut value is what pypdf and the appearance show.
      std::string read = after[i]["value"];
      EXPECT_EQ(0u, value.rfind(read, 0)) << after[i]["name"] << ": " << read;
      EXPECT_GE(read.size(), 2u);
      EXPECT_NE(std::string::npos, shown.find(read)) << after[i]["name"] << ": " << read;
    } else {
      EXPECT_EQ(expected[i]["value"], after[i]["value"]) << after[i]["name"];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, CliFieldsOnForms, testing::ValuesIn(kForms), [](const auto& info) {
  std::string n = info.param;
  n = n.substr(0, n.find('.'));
  for (char& c : n)
    if (c == '-') c = '_';
  return n;
});

// Buttons and choices by name and by --values: check boxes on and off, a radio button, a
// list box and a combo box; JSON true names the box's own "on" state.
TEST(CliFill, ButtonsAndChoices) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  kvtest::TempDir dir;
  std::string values = dir.File("values.json");
  kvtest::WriteFile(values, R"({"rl_agree": false, "rl_news": true, "rl_fruit": "cherry", "rl_zip": 90210})");
  std::string out = dir.File("out.pdf");
  clitest::FolioResult r = Folio({"fill", kvtest::DataPath("gen-reportlab-fields.pdf"), "--values", values,
                                  "rl_color=blue", "rl_city=Rome", "-o", out});
  ASSERT_EQ(0, r.Exit) << Describe(r);
  EXPECT_TRUE(kvtest::QpdfCheckClean(out));
  json read = PypdfFieldList(dir, out);
  std::map<std::string, json> byName;
  for (const auto& f : read) byName[f["name"]] = f["value"];
  EXPECT_EQ("Off", byName["rl_agree"]);
  EXPECT_EQ("Yes", byName["rl_news"]);
  EXPECT_EQ("blue", byName["rl_color"]);
  EXPECT_EQ("cherry", byName["rl_fruit"]);
  EXPECT_EQ("Rome", byName["rl_city"]);
  EXPECT_EQ("90210", byName["rl_zip"]);
  EXPECT_EQ("/Off /Off /blue\n",
            kvtest::Python(dir, "from pypdf import PdfReader\nr = PdfReader(" + kvtest::ShellQuote(out) +
                                    ")\nf = [x.get_object() for x in r.trailer['/Root']['/AcroForm']['/Fields'] "
                                    "if x.get_object()['/T'] == 'rl_color'][0]\n"
                                    "print(' '.join(str(k.get_object()['/AS']) for k in f['/Kids']))\n"));
}

// A refused value or an unknown name fails the command with the library's message (or
// ours), and nothing is written.
TEST(CliFill, RefusalsWriteNothing) {
  kvtest::TempDir dir;
  std::string src = kvtest::DataPath("gen-reportlab-fields.pdf");
  std::string out = dir.File("out.pdf");
  struct Row {
    std::vector<std::string> assignments;
    int exit;
    const char* message;
  };
  const Row rows[] = {
      {{"rl_name=ok", "rl_agree=On"}, 1, "folio: Invalid value for checkbox field\n"},
      {{"rl_color=purple"}, 1, "folio: Invalid value for radio field\n"},
      {{"rl_fruit=kiwi"}, 1, "folio: Invalid value for choice field\n"},
      {{"rl_readonly=changed"}, 1, "folio: The field is read only\n"},
      {{"nope=1"}, 1, "folio: no field named 'nope'\n"},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {"fill", src, "-o", out};
    args.insert(args.end(), row.assignments.begin(), row.assignments.end());
    clitest::FolioResult r = Folio(args);
    EXPECT_EQ(row.exit, r.Exit) << Describe(r);
    EXPECT_EQ(row.message, r.Err);
    EXPECT_FALSE(kvtest::FileExists(out)) << row.message;
  }
  for (const std::vector<std::string>& usage :
       std::vector<std::vector<std::string>>{{"fill", src, "-o", out, "no-equals-sign"}, {"fill", src, "-o", out}}) {
    clitest::FolioResult r = Folio(usage);
    EXPECT_EQ(2, r.Exit) << Describe(r);
    EXPECT_FALSE(kvtest::FileExists(out));
  }
}

// Merging a form with itself: twice the fields, every name unique, every /Fields entry a
// field; the text listing names each field once.
TEST(CliFields, MergedFormHasUniqueNames) {
  if (!formtest::HaveCheckers()) GTEST_SKIP() << "qpdf, poppler or pypdf missing";
  for (const char* form : {"gen-reportlab-fields.pdf", "irs-f1040ez.pdf"}) {
    kvtest::TempDir dir;
    std::string src = kvtest::DataPath(form), out = dir.File("merged.pdf");
    clitest::FolioResult r = Folio({"merge", src, src, "-o", out});
    ASSERT_EQ(0, r.Exit) << Describe(r);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out));
    json once = FieldsJson(src), twice = FieldsJson(out);
    EXPECT_EQ(2 * once.size(), twice.size()) << form;
    std::set<std::string> names;
    for (const auto& f : twice) names.insert(f["name"].get<std::string>());
    EXPECT_EQ(twice.size(), names.size()) << form;
    json read = PypdfFieldList(dir, out);
    EXPECT_EQ(twice.size(), read.size()) << form;
    int ok = -1, all = -2;
    std::sscanf(formtest::PypdfFields(dir, out).back().c_str(), "resolved %d/%d", &ok, &all);
    EXPECT_EQ(all, ok) << form;
  }
  clitest::FolioResult text = Folio({"fields", kvtest::DataPath("gen-reportlab-fields.pdf")});
  EXPECT_EQ(0, text.Exit);
  EXPECT_NE(std::string::npos, text.Out.find("rl_fruit (Choice) = banana  [apple|banana|cherry]\n")) << text.Out;
  EXPECT_NE(std::string::npos, text.Out.find("rl_readonly (Text) = fixed  read-only\n")) << text.Out;
  clitest::FolioResult none = Folio({"fields", kvtest::DataPath("pdftools-hello.pdf"), "--json"});
  EXPECT_EQ(0, none.Exit) << Describe(none);
  EXPECT_EQ("[]\n", none.Out);
}
