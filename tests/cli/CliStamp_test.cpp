// folio stamp and folio thumbs as a user runs them: markings land on the pages named
// with the options' fonts, colours, sizes and places, thumbnails on the pages given,
// and wrong usage or unreadable pictures end with the contract's exit codes and nothing
// written.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::Folio;
using kvtest::ShellQuote;

std::string Picture(const std::string& name) { return kvtest::DataPath("pictures/" + name); }

// Per page of a file: the operators of its content streams that come from a marking
// ("cm" lines of pictures, "Tf"/"rg"/"Tm" lines of text), and the /Thumb size.
std::vector<std::string> PageFacts(const std::string& pdf) {
  static const char* script = R"PY(
import sys, pypdf
for p in pypdf.PdfReader(sys.argv[1]).pages:
    c = p.get('/Contents')
    c = c.get_object() if c is not None else []
    data = b''.join(s.get_object().get_data() for s in (c if isinstance(c, list) else [c])).decode('latin-1')
    keep = [l for l in data.replace('\r', '\n').split('\n') if ' cm' in l and not l.startswith('1 0 0 1')
            or 'XKRFnt' in l or l.endswith(' rg') or l.endswith(' Tr')]
    t = p.get('/Thumb')
    t = t.get_object() if t is not None else None
    keep.append('thumb %s x %s' % (t['/Width'], t['/Height']) if t is not None else 'no thumb')
    print(' | '.join(keep))
)PY";
  auto r = kvtest::Run("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(pdf) + " 2>&1");
  std::vector<std::string> lines;
  for (size_t at = 0; at < r.Output.size();) {
    size_t nl = r.Output.find('\n', at);
    lines.push_back(r.Output.substr(at, nl - at));
    at = nl == std::string::npos ? r.Output.size() : nl + 1;
  }
  return lines;
}

class CliStamp : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_CHECKERS();
    in_ = CopyData(dir_, "iwb-radio.pdf");
    out_ = dir_.File("out.pdf");
  }
  std::vector<std::string> With(std::vector<std::string> args) {
    args.insert(args.begin() + 1, in_);
    args.insert(args.end(), {"-o", out_});
    return args;
  }
  kvtest::TempDir dir_;
  std::string in_, out_;
};

TEST_F(CliStamp, TextOnTheNamedPagesWithItsOptions) {
  auto r = Folio(With({"stamp", "--text", "\xD0\xA7\xD0\x95\xD0\xA0\xD0\x9D\xD0\x9E\xD0\x92\xD0\x98\xD0\x9A (v2)",
                       "--pages", "2-last", "--size", "30", "--color", "C00000", "--stroke-color", "0000FF", "--render",
                       "fill-stroke", "--bold", "--angle", "0"}));
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_TRUE(kvtest::QpdfCheckClean(out_));
  EXPECT_EQ(kvtest::PageText(out_, 1).find("\xD0\xA7\xD0\x95\xD0\xA0"), std::string::npos);
  for (int page : {2, 3})
    EXPECT_NE(kvtest::PageText(out_, page).find("\xD0\xA7\xD0\x95\xD0\xA0\xD0\x9D"), std::string::npos);
  std::vector<std::string> facts = PageFacts(out_);
  ASSERT_EQ(facts.size(), 3u);
  EXPECT_NE(facts[2].find("0.7529 0.0000 0.0000 rg | 2 Tr | /XKRFnt"), std::string::npos) << facts[2];
  EXPECT_NE(facts[2].find(" 30 Tf"), std::string::npos) << facts[2];
}

TEST_F(CliStamp, PicturesOfEachKindAtTheirSizeOrTheOneGiven) {
  struct Row {
    std::vector<std::string> Args;
    std::string Scale;  // the picture's "cm" line
  } rows[] = {
      {{"--image", Picture("bmp-24.bmp")}, "13.000 0.000 0.000 7.000 0 0 cm"},
      {{"--image", Picture("ico-sizes-32-alpha.ico")}, "32.000 0.000 0.000 32.000 0 0 cm"},
      {{"--image", Picture("jpeg-cmyk-adobe.jpg"), "--width", "2", "--height", "1.5", "--unit", "in"},
       "144.000 0.000 0.000 108.000 0 0 cm"},
      {{"--image", Picture("png-rgba-8.png"), "--width", "10", "--unit", "mm", "--x", "5", "--y", "5"},
       "28.350 0.000 0.000 7.000 0 0 cm"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Args[1]);
    std::vector<std::string> args = {"stamp", "--pages", "1"};
    args.insert(args.end(), row.Args.begin(), row.Args.end());
    auto r = Folio(With(args));
    ASSERT_EQ(r.Exit, 0) << Describe(r);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out_));
    std::vector<std::string> facts = PageFacts(out_);
    ASSERT_EQ(facts.size(), 3u);
    EXPECT_NE(facts[0].find(row.Scale), std::string::npos) << facts[0];
    EXPECT_EQ(facts[1], "no thumb");
  }
}

TEST_F(CliStamp, UnderGoesBeneathThePageContent) {
  auto r = Folio(With({"stamp", "--image", Picture("bmp-8.bmp"), "--under", "--pages", "1"}));
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  auto q = kvtest::Run("/usr/bin/python3 -c " +
                       ShellQuote("import sys, pypdf\nc = pypdf.PdfReader(sys.argv[1]).pages[0]['/Contents']\n"
                                  "print(c[0].get_object().get_data()[:6])") +
                       " " + ShellQuote(out_));
  EXPECT_EQ(q.Output, "b'q\\r0 g '\n");
}

TEST_F(CliStamp, ThumbnailsOnTheGivenPages) {
  auto r = Folio({"thumbs", in_, "--set", "1=" + Picture("rose-rgb-baseline.jpg"), "--set",
                  "3=" + Picture("png-palette-4.png"), "-o", out_});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_TRUE(kvtest::QpdfCheckClean(out_));
  std::vector<std::string> facts = PageFacts(out_);
  ASSERT_EQ(facts.size(), 3u);
  EXPECT_TRUE(facts[0].ends_with("thumb 210 x 138")) << facts[0];
  EXPECT_EQ(facts[1], "no thumb");
  EXPECT_TRUE(facts[2].ends_with("thumb 13 x 7")) << facts[2];
}

TEST_F(CliStamp, WrongUsageAndFailuresWriteNothing) {
  kvtest::WriteFile(dir_.File("notes.txt"), "not a picture");
  struct Row {
    std::vector<std::string> Args;
    int Exit;
    std::string Message;  // the first line of stderr
  } rows[] = {
      {{"stamp"}, 2, "folio: stamp: --text or --image is required"},
      {{"stamp", "--text", "a", "--image", Picture("bmp-8.bmp")}, 2, "folio: --text excludes --image"},
      {{"stamp", "--text", "a", "--angle", "361"}, 2, "folio: --angle: 361 is not within 0-360"},
      {{"stamp", "--text", "a", "--color", "red"}, 2, "folio: --color: 'red' is not a colour RRGGBB"},
      {{"stamp", "--text", "a", "--charset", "klingon"}, 2, "folio: --charset: unknown value 'klingon' (expected "},
      {{"stamp", "--text", "a", "--render", "glow"}, 2, "folio: --render: unknown value 'glow' (expected "},
      {{"stamp", "--text", "a", "--unit", "ft"}, 2, "folio: --unit: unknown value 'ft' (expected "},
      {{"stamp", "--text", "a", "--x", "nowhere"}, 2, "folio: --x: 'nowhere' is not left, center, right or a number"},
      {{"stamp", "--text", "a", "--size", "0"}, 2, "folio: --size: 0 is not a size in points"},
      {{"stamp", "--image", Picture("bmp-8.bmp"), "--width", "-3"},
       2,
       "folio: --width and --height must not be negative"},
      {{"thumbs", "--set", "one=x.png"}, 2, "folio: --set: 'one=x.png' is not N=PICTURE"},
      {{"stamp", "--text", "a", "--pages", "4"}, 1, "folio: Invalid page number (4)"},
      {{"stamp", "--image", dir_.File("missing.png")},
       1,
       "folio: Cannot read picture \"" + dir_.File("missing.png") + "\""},
      {{"stamp", "--image", dir_.File("notes.txt")}, 1, "folio: Unsupported image format (txt)"},
      {{"thumbs", "--set", "4=" + Picture("bmp-8.bmp")}, 1, "folio: Invalid page number (4)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Message);
    auto r = Folio(With(row.Args));
    EXPECT_EQ(r.Exit, row.Exit) << Describe(r);
    EXPECT_TRUE(r.Err.starts_with(row.Message)) << r.Err;
    EXPECT_FALSE(kvtest::FileExists(out_));
  }
}

}  // namespace
