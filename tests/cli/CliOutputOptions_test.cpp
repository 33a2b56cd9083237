// The output options of every writing command, read back with pdfinfo, pypdf, qpdf and
// pdftotext.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::Describe;
using clitest::Folio;
using clitest::json;

// One page of Helvetica text in an unfiltered content stream, long enough for compression
// levels to differ.
std::string PlainTextPdf() {
  std::string content = "BT /F1 12 Tf 72 740 Td (Plain text for folio) Tj ET\n";
  for (int i = 0; i < 60; ++i)
    content += "BT /F1 8 Tf 72 " + std::to_string(700 - i * 10) + " Td (line " + std::to_string(i) +
               " of the filler text, filler text) Tj ET\n";
  return kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> "
                          ">> /Contents 4 0 R >>",
                          "<< /Length %LEN% >>\nstream\n" + content + "\nendstream",
                          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
}

TEST(CliOutputOptions, InformationEntries) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string out = dir.File("out.pdf");
  auto r = Folio({"copy", kvtest::DataPath("forensics-a-text.pdf"), "-o", out, "--title", "Rapport d\xC3\xA9t\xC3\xA9",
                  "--author", "A. Writer", "--subject", "Tests (with parentheses)", "--keywords", "pdf, cli"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(clitest::PdfInfoField(out, "Title"), "Rapport d\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(clitest::PdfInfoField(out, "Author"), "A. Writer");
  EXPECT_EQ(clitest::PdfInfoField(out, "Subject"), "Tests (with parentheses)");
  EXPECT_EQ(clitest::PdfInfoField(out, "Keywords"), "pdf, cli");
  // Entries not given keep the input's.
  EXPECT_EQ(clitest::PdfInfoField(out, "Creator"), "Writer");
  // The other writing commands take them too.
  r = Folio({"extract", kvtest::DataPath("glpk-cnfsat.pdf"), "--pages", "2", "-o", out, "--title", "Page two"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::PdfInfoField(out, "Title"), "Page two");
}

TEST(CliOutputOptions, LayoutModeAndViewerPreferences) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string in = kvtest::DataPath("forensics-a-text.pdf"), out = dir.File("out.pdf");
  const std::pair<const char*, const char*> layouts[] = {{"single-page", "/SinglePage"},
                                                         {"one-column", "/OneColumn"},
                                                         {"two-column-left", "/TwoColumnLeft"},
                                                         {"two-column-right", "/TwoColumnRight"},
                                                         {"none", ""}};
  const std::pair<const char*, const char*> modes[] = {
      {"outlines", "/UseOutlines"}, {"thumbs", "/UseThumbs"}, {"fullscreen", "/FullScreen"}, {"none", ""}};
  for (size_t i = 0; i < std::size(layouts); ++i) {
    const auto& mode = modes[i % std::size(modes)];
    auto r = Folio({"copy", in, "-o", out, "--layout", layouts[i].first, "--mode", mode.first});
    ASSERT_EQ(r.Exit, 0) << Describe(r);
    json view = clitest::PypdfView(out);
    EXPECT_EQ(view["layout"], layouts[i].second) << layouts[i].first;
    EXPECT_EQ(view["mode"], mode.second) << mode.first;
  }

  auto r = Folio({"copy", in, "-o", out, "--viewer", "hide-toolbar,hide-menubar, hide-window-ui,fit-window"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::PypdfView(out)["viewer"],
            json({{"/HideToolbar", true}, {"/HideMenubar", true}, {"/HideWindowUI", true}, {"/FitWindow", true}}));
  r = Folio({"copy", in, "-o", out, "--viewer", "center-window,display-doc-title"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::PypdfView(out)["viewer"], json({{"/CenterWindow", true}, {"/DisplayDocTitle", true}}));
  // What the input sets survives a plain copy.
  r = Folio({"copy", kvtest::DataPath("iwb-radio.pdf"), "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  json viewer = clitest::PypdfView(out)["viewer"];
  EXPECT_EQ(viewer["/FitWindow"], true) << viewer;
  EXPECT_EQ(viewer["/CenterWindow"], true) << viewer;
}

// The transition dictionary each effect code gives (entries after /Type and /D).
const json kEffects[17] = {
    {{"/S", "/R"}},
    {{"/S", "/Split"}, {"/Dm", "/H"}, {"/M", "/I"}},
    {{"/S", "/Split"}, {"/Dm", "/H"}, {"/M", "/O"}},
    {{"/S", "/Split"}, {"/Dm", "/V"}, {"/M", "/I"}},
    {{"/S", "/Split"}, {"/Dm", "/V"}, {"/M", "/O"}},
    {{"/S", "/Blinds"}, {"/Dm", "/H"}},
    {{"/S", "/Blinds"}, {"/Dm", "/V"}},
    {{"/S", "/Box"}, {"/M", "/I"}},
    {{"/S", "/Box"}, {"/M", "/O"}},
    {{"/S", "/Wipe"}, {"/Di", 0.0}},
    {{"/S", "/Wipe"}, {"/Di", 90.0}},
    {{"/S", "/Wipe"}, {"/Di", 180.0}},
    {{"/S", "/Wipe"}, {"/Di", 270.0}},
    {{"/S", "/Dissolve"}},
    {{"/S", "/Glitter"}, {"/Di", 0.0}},
    {{"/S", "/Glitter"}, {"/Di", 270.0}},
    {{"/S", "/Glitter"}, {"/Di", 315.0}},
};
const char* const kEffectNames[17] = {"none",
                                      "split-horizontal-inward",
                                      "split-horizontal-outward",
                                      "split-vertical-inward",
                                      "split-vertical-outward",
                                      "blinds-horizontal",
                                      "blinds-vertical",
                                      "box-inward",
                                      "box-outward",
                                      "wipe-left-to-right",
                                      "wipe-bottom-to-top",
                                      "wipe-right-to-left",
                                      "wipe-top-to-bottom",
                                      "dissolve",
                                      "glitter-left-to-right",
                                      "glitter-top-to-bottom",
                                      "glitter-top-left-to-bottom-right"};

json Trans(int effect, double seconds) {
  json t = kEffects[effect];
  t["/Type"] = "/Trans";
  t["/D"] = seconds;
  return t;
}

// Page i+1 of a 17-page file gets effect i, once by code and once by name.
TEST(CliOutputOptions, TransitionByCodeAndByNameOnItsPage) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string out = dir.File("out.pdf");
  for (bool byName : {false, true}) {
    std::vector<std::string> args = {"copy", kvtest::DataPath("isorot-rotman.pdf"), "-o", out};
    for (int e = 0; e < 17; ++e) {
      std::string effect = byName ? kEffectNames[e] : std::to_string(e);
      args.insert(args.end(), {"--transition", effect + ":" + std::to_string(e + 1) + ":" + std::to_string(e + 1)});
    }
    auto r = Folio(args);
    ASSERT_EQ(r.Exit, 0) << Describe(r);
    json trans = clitest::PypdfView(out)["trans"];
    ASSERT_EQ(trans.size(), 17u);
    for (int e = 0; e < 17; ++e) EXPECT_EQ(trans[e], Trans(e, e + 1)) << (byName ? kEffectNames[e] : "code") << e;
  }
}

TEST(CliOutputOptions, TransitionDefaultsAndRanges) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string in = kvtest::DataPath("glpk-cnfsat.pdf"), out = dir.File("out.pdf");
  // EFFECT alone: one second, every page.
  auto r = Folio({"copy", in, "-o", out, "--transition", "dissolve"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  json trans = clitest::PypdfView(out)["trans"];
  ASSERT_EQ(trans.size(), 6u);
  for (const auto& t : trans) EXPECT_EQ(t, Trans(13, 1));
  // EFFECT:SECONDS: every page; EFFECT:SECONDS:RANGE: those pages only, later options win.
  r = Folio({"copy", in, "-o", out, "--transition", "9:0.5", "--transition", "split-vertical-outward:2.5:2-3,6"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  trans = clitest::PypdfView(out)["trans"];
  ASSERT_EQ(trans.size(), 6u);
  for (int p : {0, 3, 4}) EXPECT_EQ(trans[p], Trans(9, 0.5)) << p + 1;
  for (int p : {1, 2, 5}) EXPECT_EQ(trans[p], Trans(4, 2.5)) << p + 1;
  // With only some pages named, the others get none.
  r = Folio({"delete", in, "--pages", "1", "-o", out, "--transition", "box-inward:3:2"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  trans = clitest::PypdfView(out)["trans"];
  ASSERT_EQ(trans.size(), 5u);
  EXPECT_EQ(trans[1], Trans(7, 3));
  for (int p : {0, 2, 3, 4}) EXPECT_TRUE(trans[p].is_null()) << p + 1;
}

struct StreamCase {
  std::vector<std::string> Options;
  std::string Filter;  // as written before the stream of the page's content
};

TEST(CliOutputOptions, CompressionAndAsciiEncodingKeepTheText) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string plain = dir.File("plain.pdf");
  kvtest::WriteFile(plain, PlainTextPdf());
  std::string real = kvtest::DataPath("forensics-a-text.pdf");
  const std::string plainText = kvtest::PageText(plain, 1), realText = kvtest::PageText(real, 1);
  ASSERT_NE(plainText.find("Plain text for folio"), std::string::npos) << plainText;
  const StreamCase cases[] = {
      {{"--compress", "flate"}, "/Filter /FlateDecode"},
      {{"--compress", "rle"}, "/Filter /RunLengthDecode"},
      {{"--ascii", "hex"}, "/Filter /ASCIIHexDecode"},
      {{"--ascii", "85"}, "/Filter /ASCII85Decode"},
      {{"--compress", "flate", "--ascii", "85"}, "/Filter [ /ASCII85Decode /FlateDecode ]"},
      {{"--compress", "rle", "--ascii", "hex"}, "/Filter [ /ASCIIHexDecode /RunLengthDecode ]"},
  };
  std::string out = dir.File("out.pdf"), check;
  for (const auto& c : cases) {
    std::string what = c.Options[0] + " " + c.Options[1] + (c.Options.size() > 2 ? " " + c.Options[3] : "");
    std::vector<std::string> args = {"copy", plain, "-o", out};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    auto r = Folio(args);
    ASSERT_EQ(r.Exit, 0) << what << "\n" << Describe(r);
    EXPECT_NE(kvtest::ReadFile(out).find(c.Filter), std::string::npos) << what;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << what << "\n" << check;
    EXPECT_EQ(kvtest::PageText(out, 1), plainText) << what;
    // On a file whose streams are filtered already, the encodings go on top of them.
    args[1] = real;
    r = Folio(args);
    ASSERT_EQ(r.Exit, 0) << what << "\n" << Describe(r);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << what << "\n" << check;
    EXPECT_EQ(kvtest::PageText(out, 1), realText) << what;
  }
}

TEST(CliOutputOptions, CompressionLevel) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string plain = dir.File("plain.pdf");
  kvtest::WriteFile(plain, PlainTextPdf());
  std::string text = kvtest::PageText(plain, 1), check;
  size_t sizes[3];
  const char* levels[3] = {"0", "6", "9"};
  for (int i = 0; i < 3; ++i) {
    std::string out = dir.File(std::string("level") + levels[i] + ".pdf");
    auto r = Folio({"copy", plain, "-o", out, "--compress", "flate", "--compress-level", levels[i]});
    ASSERT_EQ(r.Exit, 0) << Describe(r);
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << check;
    EXPECT_EQ(kvtest::PageText(out, 1), text);
    sizes[i] = kvtest::ReadFile(out).size();
  }
  // Level 0 stores, the others shrink the repetitive text.
  EXPECT_GT(sizes[0], kvtest::ReadFile(plain).size());
  EXPECT_LT(sizes[1] * 2, sizes[0]);
  EXPECT_LE(sizes[2], sizes[1]);
  auto r = Folio({"copy", plain, "-o", dir.File("default.pdf"), "--compress", "flate"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(kvtest::ReadFile(dir.File("default.pdf")).size(), sizes[1]);
}

}  // namespace
