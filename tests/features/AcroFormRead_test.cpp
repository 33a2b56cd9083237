// Reading the field list of a form: types, full names, values, allowed values, the font
// of the default appearance, the indexed read operations and their errors, and field
// trees that are not trees.
#include <gtest/gtest.h>

#include "FormTestUtil.h"
#include "pdf/document/kvPDFDoc.h"
#include "pdf/features/kvAcroForm.h"
#include "pdf/features/kvAcroFormConsts.h"

using formtest::FieldLines;
using formtest::FormPdf;
using kv::TkvPDFDocument;

namespace {

struct Loaded {
  kvtest::TempDir dir;
  TkvPDFDocument doc;
  std::vector<std::string> warnings;
  explicit Loaded(const std::string& pdf) {
    doc.OnWarning = [this](kv::TkvCustomPDFDocument*, const std::string& w) { warnings.push_back(w); };
    EXPECT_TRUE(kvtest::LoadText(doc, dir, pdf));
  }
};

}  // namespace

// The type follows /FT, and for buttons the push-button and radio bits of /Ff.
TEST(AcroFormRead, TypeFromFieldTypeAndFlags) {
  struct Row {
    const char* ft;
    const char* ff;  // empty: no /Ff
    const char* type;
  };
  const Row rows[] = {{"/Btn", "", "CheckBox"},    {"/Btn", "0", "CheckBox"},   {"/Btn", "65536", "Button"},
                      {"/Btn", "32768", "Radio"},  {"/Btn", "98304", "Button"}, {"/Btn", "2", "CheckBox"},
                      {"/Tx", "", "Text"},         {"/Tx", "4097", "Text"},     {"/Sig", "", "Signature"},
                      {"/Ch", "131072", "Choice"}, {"/Whatever", "", "Choice"}};
  std::string refs;
  std::vector<std::string> more;
  int n = 0;
  for (const Row& r : rows) {
    refs += std::to_string(5 + n) + " 0 R ";
    more.push_back(std::string("<< /T (f") + std::to_string(n++) + ") /FT " + r.ft + (*r.ff ? " /Ff " : "") + r.ff +
                   " >>");
  }
  Loaded l(FormPdf("<< /Fields [" + refs + "] >>", {""}, more));
  ASSERT_EQ(static_cast<int32_t>(std::size(rows)), l.doc.FieldCount());
  for (int32_t i = 0; i < l.doc.FieldCount(); ++i)
    EXPECT_STREQ(rows[i].type, kv::FieldTypeName(l.doc.FieldType(i))) << rows[i].ft << " " << rows[i].ff;
  const kv::TkvAcroFormFields& fields = *l.doc.FormFields();
  EXPECT_EQ(-1, fields.Field(0).Flags);
  EXPECT_TRUE(fields.Field(7).ReadOnly);  // 4097 = read-only + multiline
  EXPECT_TRUE(fields.Field(7).Multiline);
  EXPECT_FALSE(fields.Field(6).ReadOnly);
}

// Full names join /T down the tree; a node without /T passes its parent's name on;
// widgets (kids without /T) add their appearance states and value to their field.
TEST(AcroFormRead, FullNamesValuesAndOptions) {
  formtest::CodePage utf8(65001);
  Loaded l(FormPdf("<< /Fields [5 0 R 9 0 R 12 0 R 15 0 R] >>", {"8 0 R 10 0 R 11 0 R"},
                   {
                       // 5: address (no /FT) > [unnamed] > name, street
                       "<< /T (address) /Kids [6 0 R] >>",
                       "<< /Kids [7 0 R 14 0 R] >>",
                       "<< /T (name) /FT /Tx /V (Ann \\(A\\)) /Parent 6 0 R >>",
                       "<< /Subtype /Widget /Rect [0 0 10 10] >>",
                       // 9: a radio group whose widgets hold the states
                       "<< /T (size) /FT /Btn /Ff 49152 /V /M /Kids [10 0 R 11 0 R] >>",
                       "<< /Parent 9 0 R /Subtype /Widget /AP << /N << /S 1 0 R /Off 1 0 R >> >> >>",
                       "<< /Parent 9 0 R /Subtype /Widget /AP << /N << /M 1 0 R /Off 1 0 R >> >> >>",
                       // 12: a check box with its own states, value a name with an escape
                       "<< /T (ok#) /FT /Btn /V /Yes#20Sir /AP << /N << /Yes#20Sir 1 0 R /Off 1 0 R >> >> >>",
                       "<< /Length %LEN% >>\nstream\nfrom a stream\nendstream",
                       "<< /T <FEFF0073007400720065006500740020041C> /FT /Tx /V 13 0 R /Parent 6 0 R >>",
                       // 15: choices: strings, [export display] pairs, longer arrays at 0, 2, 4
                       "<< /T (pick) /FT /Ch /V <FEFF00E9> /Opt [(one) [(two) (Two)] [(a) (b) (c)]] >>",
                   }));
  EXPECT_EQ((std::vector<std::string>{
                "address.name|Text|Ann (A)|",
                "address.street М|Text|from a stream|",
                "size|Radio|M|S,M",
                "ok#|CheckBox|Yes Sir|Off,Yes Sir",
                "pick|Choice|é|one,two,a,c",
            }),
            FieldLines(l.doc));
  EXPECT_TRUE(l.warnings.empty());
}

// A radio group without "no toggle to off" offers Off among its states.
TEST(AcroFormRead, RadioOffStateFollowsNoToggleToOff) {
  for (const char* ff : {"32768", "49152"}) {
    Loaded l(FormPdf("<< /Fields [5 0 R] >>", {"6 0 R"},
                     {std::string("<< /T (r) /FT /Btn /Ff ") + ff + " /Kids [6 0 R] >>",
                      "<< /Parent 5 0 R /AP << /N << /a 1 0 R /Off 1 0 R >> >> >>"}));
    ASSERT_EQ(1, l.doc.FieldCount());
    std::vector<std::string> expected =
        std::string(ff) == "32768" ? std::vector<std::string>{"a", "Off"} : std::vector<std::string>{"a"};
    EXPECT_EQ(expected, l.doc.FieldOptions(0));
  }
}

// The font of the default appearance: the nearest /DA, and the font its name has in the
// nearest /DR that defines it.
TEST(AcroFormRead, FontInfoFromDefaultAppearanceAndResources) {
  Loaded l(FormPdf("<< /Fields [5 0 R 6 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv 7 0 R >> >> >>", {""},
                   {"<< /T (plain) /FT /Tx >>",
                    "<< /T (own) /FT /Tx /DA (0.5 0 0 rg /Cour 9.5 Tf) /DR << /Font << /Cour 8 0 R >> >> /Q 2 >>",
                    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                    "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"}));
  ASSERT_EQ(2, l.doc.FieldCount());
  const kv::TkvFontInfo& plain = l.doc.FormFields()->Field(0).FontInfo;
  EXPECT_EQ("/Helv", plain.FontName);
  EXPECT_EQ(0, plain.FontSize);
  EXPECT_EQ("0 g", plain.ColorText);
  ASSERT_TRUE(plain.FontObject && plain.FontObject->IsReference());
  EXPECT_EQ(7, static_cast<kv::TkvPDFIndirectReference*>(plain.FontObject.get())->ObjectNumber);
  const kv::TkvAcroFormField& own = l.doc.FormFields()->Field(1);
  EXPECT_EQ("/Cour", own.FontInfo.FontName);
  EXPECT_EQ(9.5, own.FontInfo.FontSize);
  EXPECT_EQ("0.5 0 0 rg", own.FontInfo.ColorText);
  EXPECT_EQ(8, static_cast<kv::TkvPDFIndirectReference*>(own.FontInfo.FontObject.get())->ObjectNumber);
  EXPECT_EQ(2, own.Alignment);
}

TEST(AcroFormRead, DefaultAppearanceParsing) {
  struct Row {
    const char* da;
    const char* name;
    double size;
    const char* color;
  };
  const Row rows[] = {
      {"/Helv 12 Tf 0 g", "/Helv", 12, "0 g"},
      {"0 0 1 rg\n/F1 9.96 Tf", "/F1", 9.96, "0 0 1 rg"},
      {"/A 1 Tf /B 7 Tf 0.1 0.2 0.3 0.4 k", "/B", 7, "0.1 0.2 0.3 0.4 k"},
      {"[1 2] 0 d /Helv -8 Tf", "/Helv", 8, ""},  // a negative size draws the same size
      {"12 Tf 0 g", "", 0, "0 g"},                // no name: no font
      {"/Helv Tf", "", 0, ""},
      {"", "", 0, ""},
  };
  for (const Row& r : rows) {
    kv::TkvFontInfo info;
    kv::ParseDefaultAppearance(r.da, info);
    EXPECT_EQ(r.name, info.FontName) << r.da;
    EXPECT_EQ(r.size, info.FontSize) << r.da;
    EXPECT_EQ(r.color, info.ColorText) << r.da;
  }
}

TEST(AcroFormRead, IndexedReadsAndTheirErrors) {
  {
    Loaded none(kvtest::MakePdf(kvtest::OnePageObjects()));
    EXPECT_EQ(0, none.doc.FieldCount());
    kvtest::ExpectRaises<kv::ENoAcroFields>([&] { none.doc.FieldName(0); }, kv::msg::SNoAcroFields);
    kvtest::ExpectRaises<kv::EAcroFormError>([&] { none.doc.SetFieldValue(0, "x"); }, kv::msg::SNoAcroFields);
  }
  Loaded l(FormPdf("<< /Fields [5 0 R] >>", {""}, {"<< /T (a) /FT /Tx >>"}));
  ASSERT_EQ(1, l.doc.FieldCount());
  for (int32_t bad : {-1, 1, 7}) {
    std::string message = "Field corresponding to index (" + std::to_string(bad) + ") does not exist.";
    kvtest::ExpectRaises<kv::EFieldNotFound>([&] { l.doc.FieldValue(bad); }, message);
    kvtest::ExpectRaises<kv::EFieldNotFound>([&] { l.doc.FieldType(bad); }, message);
    kvtest::ExpectRaises<kv::EFieldNotFound>([&] { l.doc.FieldOptions(bad); }, message);
    kvtest::ExpectRaises<kv::EFieldNotFound>([&] { l.doc.FieldReadOnly(bad); }, message);
    kvtest::ExpectRaises<kv::EFieldNotFound>([&] { l.doc.SetFieldValue(bad, ""); }, message);
  }
  // An empty /Fields is a form without fields: a list, not an error.
  Loaded empty(FormPdf("<< /Fields [] >>", {""}, {}));
  EXPECT_EQ(0, empty.doc.FieldCount());
  kvtest::ExpectRaises<kv::EFieldNotFound>([&] { empty.doc.FieldName(0); },
                                           "Field corresponding to index (0) does not exist.");
}

// Field trees that loop or nest without end are read once, to a bounded depth, with a
// warning; entries of the wrong kind read as absent; the document stays usable.
TEST(AcroFormRead, HostileFieldTrees) {
  {
    Loaded loop(FormPdf("<< /Fields [5 0 R 6 0 R 5 0 R] >>", {""},
                        {"<< /T (a) /FT /Tx /Kids [6 0 R 5 0 R] >>", "<< /T (b) /FT /Tx /Kids [5 0 R 6 0 R] >>"}));
    EXPECT_EQ((std::vector<std::string>{"a|Text||", "a.b|Text||"}), FieldLines(loop.doc));
    EXPECT_FALSE(loop.warnings.empty());
    EXPECT_EQ(kv::Format(kv::msg::SFieldListedAgain, 5), loop.warnings.front());
  }
  {
    const int depth = 3000;
    std::vector<std::string> chain;
    for (int i = 0; i < depth; ++i)
      chain.push_back("<< /T (n) /FT /Tx" + (i + 1 < depth ? " /Kids [" + std::to_string(6 + i) + " 0 R]" : "") +
                      " >>");
    Loaded deep(FormPdf("<< /Fields [5 0 R] >>", {""}, chain));
    EXPECT_EQ(kv::kMaxFieldDepth + 1, deep.doc.FieldCount());
    ASSERT_EQ(1u, deep.warnings.size());
    EXPECT_EQ(kv::Format(kv::msg::SFieldTreeTooDeep, kv::kMaxFieldDepth), deep.warnings[0]);
    std::string saved = deep.dir.File("deep.pdf");
    deep.doc.SaveToFileAs(saved);
    if (kvtest::HaveTool("qpdf")) {
      EXPECT_TRUE(kvtest::QpdfCheckClean(saved));
    }
  }
  Loaded odd(FormPdf("<< /Fields [5 0 R 6 0 R 7 0 R 42 0 R (x)] /DA 5 /DR [1] >>", {""},
                     {"<< /T (a) /FT /Tx /Ff (1) /MaxLen /Big /Kids << /x 1 >> /DA [1] /Q (2) >>", "<< /T 5 /FT /Tx >>",
                      "[(not a dictionary)]"}));
  EXPECT_EQ((std::vector<std::string>{"a|Text||"}), FieldLines(odd.doc));
  EXPECT_EQ(-1, odd.doc.FormFields()->Field(0).Flags);
}
