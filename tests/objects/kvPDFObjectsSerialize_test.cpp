// Serialisation of objects to PDF text: exact bytes, one row a case where it reads better.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "pdf/objects/kvPDFObjects.h"
#include "support/TestSupport.h"

namespace {

using kv::TkvPDFObjectPtr;

TkvPDFObjectPtr Int(int32_t v) { return std::make_unique<kv::TkvPDFIntegerObject>(v); }
TkvPDFObjectPtr Real(double v) { return std::make_unique<kv::TkvPDFRealObject>(v); }
TkvPDFObjectPtr Name(const char* v) { return std::make_unique<kv::TkvPDFNameObject>(v); }
TkvPDFObjectPtr Str(std::string v, bool hex = false) {
  return std::make_unique<kv::TkvPDFStringObject>(std::move(v), hex);
}
TkvPDFObjectPtr Ref(int32_t owner, int32_t number, uint16_t gen = 0) {
  return std::make_unique<kv::TkvPDFIndirectReference>(owner, number, gen);
}
std::unique_ptr<kv::TkvPDFArrayObject> Array(std::initializer_list<double> values) {
  auto a = std::make_unique<kv::TkvPDFArrayObject>();
  for (double v : values) {
    if (v == static_cast<int32_t>(v))
      a->AddInteger(static_cast<int32_t>(v));
    else
      a->Add(Real(v));
  }
  return a;
}

// A document being written: output numbers by key, marked encryption, and optional
// output filters that replace a stream's dictionary and data.
class FakeWriteContext : public kv::TkvPDFWriteContext {
 public:
  std::map<int64_t, int32_t> numbers;
  bool encrypting = false;
  bool filtering = false;

  int32_t OutputNumberOf(const kv::TkvPDFIndirectReference& ref) override {
    auto it = numbers.find(ref.Key());
    return it == numbers.end() ? 0 : it->second;
  }
  bool IsEncrypting() override { return encrypting; }
  std::string EncryptString(const std::string& bytes, int32_t n) override {
    return "E" + std::to_string(n) + "[" + bytes + "]";
  }
  bool FilterStreamForOutput(const kv::TkvPDFStreamObject& stream, std::unique_ptr<kv::TkvPDFDictObject>& dict,
                             std::string& data) override {
    if (!filtering) return false;
    dict = stream.Dictionary->CloneDict();
    dict->SetName("/Filter", "/FlateDecode");
    data = "<" + std::string(stream.DataBytes()) + ">";
    return true;
  }
};

TEST(Serialize, SimpleValues) {
  struct Case {
    TkvPDFObjectPtr obj;
    const char* text;
  };
  Case cases[] = {
      {std::make_unique<kv::TkvPDFBooleanObject>(true), "true"},
      {std::make_unique<kv::TkvPDFBooleanObject>(false), "false"},
      {Int(-42), "-42"},
      {Int(INT32_MIN), "-2147483648"},
      {std::make_unique<kv::TkvPDFInt64Object>(-9000000000LL), "-9000000000"},
      {Real(0.5), "0.5"},
      {Real(-612.25), "-612.25"},
      {Real(1e-7), "0.0000001"},
      {Real(1e20), "100000000000000000000"},
      {Name("/Type"), "/Type"},
      {Name("/A#20B"), "/A#20B"},
      {std::make_unique<kv::TkvPDFNullObject>(), "null"},
      {Str("<FEFF0041>", true), "<FEFF0041>"},
      {Str("<a b c>", true), "<a b c>"},  // hex strings are written exactly as read
      {Str("()"), "()"},
      {Str("(a(b)\n)"), "(a\\(b\\)\\n)"},
      {Str("(\r\t\b\f\\x)"), "(\\r\\t\\b\\f\\\\x)"},
  };
  for (auto& c : cases) EXPECT_EQ(c.obj->ToText(), c.text) << c.text;
  EXPECT_EQ(Str(std::string("(\0\xFF)", 4))->ToText(), std::string("(\0\xFF)", 4));
}

TEST(Serialize, Arrays) {
  EXPECT_EQ(kv::TkvPDFArrayObject().ToText(), "[ ]");
  EXPECT_EQ(Array({0, 0, 612.5, 792})->ToText(), "[ 0 0 612.5 792 ]");
  auto nested = std::make_unique<kv::TkvPDFArrayObject>();
  nested->Add(std::make_unique<kv::TkvPDFArrayObject>());
  nested->Add(Name("/XYZ"));
  nested->Add(Str("(x)"));
  EXPECT_EQ(nested->ToText(), "[ [ ] /XYZ (x) ]");
}

TEST(Serialize, PageDictionaryGetsTheParentLine) {
  kv::TkvPDFDictObject page;
  page.AddName("/Type", "/Page");
  page.AddObject("/MediaBox", Array({0, 0, 612, 792}));
  EXPECT_EQ(page.ToText(), "<<\r\n/Type /Page\r\n/MediaBox [ 0 0 612 792 ]\r\n/Parent 3 0 R\r\n>>");

  kv::TkvPDFDictObject pages;  // only /Page, not /Pages, gets a parent
  pages.AddName("/Type", "/Pages");
  EXPECT_EQ(pages.ToText(), "<<\r\n/Type /Pages\r\n>>");
  kv::TkvPDFDictObject typeAsString;
  typeAsString.AddObject("/Type", Str("(/Page)"));
  EXPECT_EQ(typeAsString.ToText(), "<<\r\n/Type (/Page)\r\n>>");
  EXPECT_EQ(kv::TkvPDFDictObject().ToText(), "<<\r\n>>");
}

TEST(Serialize, NestedDictionary) {
  kv::TkvPDFDictObject d;
  auto inner = std::make_unique<kv::TkvPDFDictObject>();
  inner->AddInteger("/N", 3);
  d.AddObject("/DecodeParms", std::move(inner));
  d.AddInt64("/Big", 4294967296LL);
  EXPECT_EQ(d.ToText(), "<<\r\n/DecodeParms <<\r\n/N 3\r\n>>\r\n/Big 4294967296\r\n>>");
}

TEST(Serialize, ReferencesUseOutputNumbersOrNull) {
  FakeWriteContext ctx;
  ctx.numbers[kv::MakeObjectKey(1, 12, 0)] = 7;
  ctx.numbers[kv::MakeObjectKey(1, 13, 0)] = 0;  // known but not written
  EXPECT_EQ(Ref(1, 12)->ToText(&ctx), "7 0 R");
  EXPECT_EQ(Ref(11, 2)->ToText(&ctx), "null");  // the old colliding key finds nothing
  EXPECT_EQ(Ref(1, 13)->ToText(&ctx), "null");
  EXPECT_EQ(Ref(1, 99)->ToText(&ctx), "null");
  EXPECT_EQ(Ref(1, 12)->ToText(), "null");  // no document at all
  ctx.numbers[kv::MakeObjectKey(1, 12, 5)] = 9;
  EXPECT_EQ(Ref(1, 12, 5)->ToText(&ctx), "9 0 R");  // the generation written is always 0

  kv::TkvPDFArrayObject kids;
  kids.Add(Ref(1, 12));
  kids.Add(Ref(1, 99));
  EXPECT_EQ(kids.ToText(&ctx), "[ 7 0 R null ]");
}

TEST(Serialize, IndirectObjectFraming) {
  kv::TkvPDFIndirectObject obj(1, 5, 0, Int(42));
  obj.OutputNumber = 12;
  std::string out;
  obj.SerializeIndirect(out, nullptr);
  EXPECT_EQ(out, "\r\n12 0 obj\r\n42\r\nendobj\r\n");
  EXPECT_EQ(obj.ToText(), "null");  // met as a value it writes null in place

  auto arr = std::make_unique<kv::TkvPDFArrayObject>();
  arr->Add(std::make_unique<kv::TkvPDFIndirectObject>(1, 6, 0, Int(1)));
  arr->AddInteger(2);
  EXPECT_EQ(arr->ToText(), "[ null 2 ]");
}

TEST(Serialize, EncryptionUsesTheObjectNumberAndRawBytes) {
  FakeWriteContext ctx;
  ctx.encrypting = true;
  kv::TkvPDFIndirectObject obj(1, 5, 0, nullptr);
  auto dict = std::make_unique<kv::TkvPDFDictObject>();
  dict->AddObject("/T", Str("(a(b)"));
  dict->AddObject("/H", Str("<4142>", true));
  dict->AddObject("/N", Name("/Name"));
  obj.Value = std::move(dict);
  obj.OutputNumber = 8;
  std::string out;
  obj.SerializeIndirect(out, &ctx);
  EXPECT_EQ(out, "\r\n8 0 obj\r\n<<\r\n/T (E8[a\\(b])\r\n/H (E8[AB])\r\n/N /Name\r\n>>\r\nendobj\r\n");
  // Without an object number (-1) nothing is encrypted.
  EXPECT_EQ(Str("(x)")->ToText(&ctx, -1), "(x)");
  EXPECT_EQ(Str("<78>", true)->ToText(&ctx, -1), "<78>");
}

TEST(Serialize, StreamsWithAndWithoutTheDocument) {
  auto dict = std::make_unique<kv::TkvPDFDictObject>();
  dict->AddInteger("/Length", 5);
  kv::TkvPDFStreamObject stream(std::move(dict), std::make_unique<kv::TkvMemoryStream>(std::string("BT\r\nE")));
  EXPECT_EQ(stream.ToText(), "<<\r\n/Length 5\r\n>>\r\nstream\r\nBT\r\nE\r\nendstream");

  FakeWriteContext ctx;
  ctx.filtering = true;
  EXPECT_EQ(stream.ToText(&ctx, 4),
            "<<\r\n/Length 5\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\n<BT\r\nE>\r\nendstream");
  ctx.encrypting = true;
  EXPECT_EQ(stream.ToText(&ctx, 4),
            "<<\r\n/Length 5\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\nE4[<BT\r\nE>]\r\nendstream");
  // Filters work on copies: the stream itself is unchanged.
  EXPECT_EQ(stream.Dictionary->Count(), 1);
  EXPECT_EQ(stream.DataBytes(), "BT\r\nE");

  kv::TkvPDFStreamObject empty(std::make_unique<kv::TkvPDFDictObject>());
  EXPECT_EQ(empty.ToText(), "<<\r\n>>\r\nstream\r\n\r\nendstream");
}

// Real numbers keep "." whatever the locale says the decimal separator is.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    savedC_ = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "ru_RU.UTF-8"})
      if (std::setlocale(LC_NUMERIC, name)) return;
    // No comma locale is installed: compile one into a scratch folder if the tools are here.
    if (kvtest::HaveTool("localedef") &&
        kvtest::Run("localedef -i de_DE -f UTF-8 " + kvtest::ShellQuote(dir_.File("de_DE.UTF-8"))).ExitCode == 0) {
      const char* old = std::getenv("LOCPATH");
      if (old) savedLocPath_ = old;
      hadLocPath_ = old != nullptr;
      setenv("LOCPATH", dir_.Path().c_str(), 1);
      changedLocPath_ = true;
      if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return;
    }
    GTEST_SKIP() << "no locale with a decimal comma";
  }
  void TearDown() override {
    std::setlocale(LC_NUMERIC, savedC_.c_str());
    if (changedLocPath_) {
      if (hadLocPath_)
        setenv("LOCPATH", savedLocPath_.c_str(), 1);
      else
        unsetenv("LOCPATH");
    }
  }

  kvtest::TempDir dir_;
  std::string savedC_;
  std::string savedLocPath_;
  bool hadLocPath_ = false;
  bool changedLocPath_ = false;
};

TEST_F(CommaLocale, RealsKeepTheDecimalPoint) {
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  EXPECT_EQ(Real(0.5)->ToText(), "0.5");
  EXPECT_EQ(Real(-1234.125)->ToText(), "-1234.125");
  EXPECT_EQ(Real(1e-7)->ToText(), "0.0000001");
  EXPECT_EQ(Array({0, 0, 612.5, 792})->ToText(), "[ 0 0 612.5 792 ]");
  EXPECT_EQ(kv::TkvPDFRealObject(2.75).AsText(), "2.75");
  double back = 0;
  EXPECT_TRUE(kv::TryStrToFloat("612.5", back));
  EXPECT_EQ(back, 612.5);
  EXPECT_FALSE(kv::TryStrToFloat("612,5", back));
}

// ---- viewer preferences ----

TEST(ViewerPreferences, FixedOrderAndEmptyCase) {
  kv::TkvPDFViewerPreferences prefs;
  EXPECT_EQ(prefs.SerializeText(nullptr, -1), "");
  prefs.SetFitWindow(true);
  EXPECT_TRUE(prefs.FitWindow());
  EXPECT_EQ(prefs.SerializeText(nullptr, -1), "<<\r\n/FitWindow true\r\n>>");
  prefs.SetFitWindow(false);
  EXPECT_FALSE(prefs.FitWindow());
  EXPECT_EQ(prefs.Entries->Count(), 0);
  EXPECT_EQ(prefs.SerializeText(nullptr, -1), "");

  // Entries set in reverse order come out in the fixed order; false, unknown and
  // other kinds are skipped.
  prefs.Entries->SetName("/PrintClip", "/CropBox");
  prefs.Entries->SetName("/Direction", "/R2L");
  prefs.Entries->SetName("/NonFullScreenPageMode", "/UseOutlines");
  prefs.Entries->SetBoolean("/CenterWindow", false);
  prefs.Entries->SetInteger("/ViewArea", 3);
  prefs.Entries->SetBoolean("/PickTrayByPDFSize", true);
  prefs.SetDisplayDocTitle(true);
  prefs.SetHideWindowUI(true);
  prefs.SetHideMenubar(true);
  prefs.SetHideToolbar(true);
  EXPECT_EQ(prefs.SerializeText(nullptr, -1),
            "<<\r\n/HideToolbar true\r\n/HideMenubar true\r\n/HideWindowUI true\r\n/DisplayDocTitle true\r\n"
            "/NonFullScreenPageMode /UseOutlines\r\n/Direction /R2L\r\n/PrintClip /CropBox\r\n>>");
  EXPECT_FALSE(prefs.CenterWindow());

  prefs.Entries->SetInteger("/FitWindow", 1);  // not a boolean: reads as false
  EXPECT_FALSE(prefs.FitWindow());
  prefs.SetEntries(nullptr);
  EXPECT_EQ(prefs.SerializeText(nullptr, -1), "");
}

}  // namespace
