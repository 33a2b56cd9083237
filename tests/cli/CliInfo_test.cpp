// `folio info`: the JSON keys scripts read, checked against what independent tools measured
// on real files, and the text form.
#include <gtest/gtest.h>

#include <cmath>

#include "cli/CliTestUtil.h"

namespace {

using clitest::Describe;
using clitest::Folio;
using clitest::json;

struct InfoCase {
  std::string File;
  std::string Password;
  std::string Version;
  int Pages;
  std::vector<double> MediaBox;  // of every page
  json Info;                     // entries that must be present with these values
  std::string Layout, Mode;
  std::vector<std::string> Viewer;
  json Encryption;  // null or {"level", "permissions"}
};

const std::vector<std::string> kAll = {"print", "modify",        "copy",     "annotate",
                                       "fill",  "accessibility", "assemble", "print-high"};

std::vector<InfoCase> Cases() {
  return {
      {"forensics-a-text.pdf",
       "",
       "1.4",
       2,
       {0, 0, 595.3039, 841.8898},
       {{"Author", "Eriberto Mota"}, {"Creator", "Writer"}, {"Producer", "LibreOffice 7.0"}},
       "none",
       "none",
       {},
       nullptr},
      {"iwb-radio.pdf",
       "",
       "1.4",
       3,
       {0, 0, 612, 792},
       {{"Title", "radio.dvi"}, {"Producer", "Acrobat Distiller 4.0 for Windows"}},
       "none",
       "none",
       {"hide-toolbar", "hide-window-ui", "fit-window", "center-window"},
       nullptr},
      {"isorot-rotman.v1.2.pdf",
       "",
       "1.2",
       17,
       {0, 0, 611.998, 791.997},
       {{"Creator", "TeX"}, {"Producer", "pdfTeX-0.13d"}},
       "none",
       "none",
       {},
       nullptr},
      {"gitmagic.v1.5.pdf",
       "",
       "1.5",
       58,
       {0, 0, 609.714, 789.041},
       {{"Producer", "pdfTeX-1.40.20"}},
       "none",
       "outlines",
       {},
       nullptr},
      {"groff-mom-pdf.pdf",
       "",
       "1.4",
       8,
       {0, 0, 595, 842},
       {{"Title", "Producing PDFs with groff and mom"}},
       "none",
       "outlines",
       {},
       nullptr},
      // qpdf made it with an empty user password and everything forbidden.
      {"rc4-40-restricted.pdf",
       "",
       "1.4",
       2,
       {0, 0, 595.3039, 841.8898},
       {{"Producer", "LibreOffice 7.0"}},
       "none",
       "none",
       {},
       {{"level", 40}, {"permissions", json::array()}}},
      {"rc4-40-restricted.pdf",
       "owner40",
       "1.4",
       2,
       {0, 0, 595.3039, 841.8898},
       json::object(),
       "none",
       "none",
       {},
       {{"level", 40}, {"permissions", kAll}}},
      {"rc4-128-userpw.pdf",
       "user128",
       "1.4",
       1,
       {0, 0, 612, 792},
       {{"Title", "Hello World"}},
       "none",
       "outlines",
       {},
       {{"level", 128}, {"permissions", kAll}}},
  };
}

// The information entries pypdf reads, keys without the slash, names without it too;
// empty values left out as folio leaves them out.
json PypdfInfo(const std::string& pdf, const std::string& password) {
  static const char* script = R"PY(
import json, sys, pypdf
r = pypdf.PdfReader(sys.argv[1])
if r.is_encrypted: r.decrypt(sys.argv[2])
info = r.trailer.get("/Info")
out = {}
for k, v in (info.get_object() if info is not None else {}).items():
    v = v.get_object()
    text = str(v)[1:] if isinstance(v, pypdf.generic.NameObject) else str(v)
    if text: out[k[1:]] = text
print(json.dumps(out))
)PY";
  auto r = kvtest::Run("/usr/bin/python3 -c " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf) + " " +
                       kvtest::ShellQuote(password) + " 2>/dev/null");
  return json::parse(r.Output, nullptr, false);
}

TEST(CliInfo, JsonMatchesIndependentFacts) {
  for (const auto& c : Cases()) {
    std::vector<std::string> args = {"info", "--json", kvtest::DataPath(c.File)};
    if (!c.Password.empty()) args.insert(args.end(), {"--password", c.Password});
    auto r = Folio(args);
    ASSERT_EQ(r.Exit, 0) << c.File << "\n" << Describe(r);
    EXPECT_EQ(r.Err, "") << c.File;
    json j = json::parse(r.Out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << r.Out;
    SCOPED_TRACE(c.File + " " + c.Password);
    EXPECT_EQ(j["version"], c.Version);
    EXPECT_EQ(j["pages"], c.Pages);
    EXPECT_EQ(j["encrypted"], !c.Encryption.is_null());
    if (c.Encryption.is_null()) {
      EXPECT_TRUE(j["encryption"].is_null()) << j["encryption"];
    } else {
      EXPECT_EQ(j["encryption"]["level"], c.Encryption["level"]);
      EXPECT_EQ(j["encryption"]["permissions"], c.Encryption["permissions"]);
    }
    ASSERT_TRUE(j["info"].is_object());
    for (const auto& [key, value] : c.Info.items()) EXPECT_EQ(j["info"][key], value) << key;
    // Every entry the file has, as pypdf decodes it (dates, /Trapped and entries of the
    // file's own included).
    EXPECT_EQ(j["info"], PypdfInfo(kvtest::DataPath(c.File), c.Password));
    EXPECT_EQ(j["page_layout"], c.Layout);
    EXPECT_EQ(j["page_mode"], c.Mode);
    EXPECT_EQ(j["viewer_preferences"], json(c.Viewer));
    ASSERT_TRUE(j["media_boxes"].is_array());
    ASSERT_EQ(j["media_boxes"].size(), static_cast<size_t>(c.Pages));
    for (const auto& box : j["media_boxes"]) {
      ASSERT_EQ(box.size(), 4u);
      for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(box[i].get<double>(), c.MediaBox[i], 1e-3) << box;
    }
  }
}

TEST(CliInfo, TextShowsTheSameFacts) {
  auto r = Folio({"info", kvtest::DataPath("iwb-radio.pdf")});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(r.Err, "");
  for (const char* line :
       {"Version:     1.4\n", "Pages:       3\n", "Encryption:  none\n", "Title:       radio.dvi\n",
        "Page layout: none\n", "Page mode:   none\n",
        "Viewer:      hide-toolbar, hide-window-ui, fit-window, center-window\n", "Pages 1-3: [0 0 612 792]\n"})
    EXPECT_NE(r.Out.find(line), std::string::npos) << line << "in\n" << r.Out;
  // A label as long as the column still has a space after it.
  EXPECT_NE(r.Out.find("CreationDate: D:1999"), std::string::npos) << r.Out;

  auto e = Folio({"info", kvtest::DataPath("rc4-40-restricted.pdf")});
  ASSERT_EQ(e.Exit, 0) << Describe(e);
  EXPECT_NE(e.Out.find("Encryption:  RC4 40-bit, opened with the user password\n"), std::string::npos) << e.Out;
  EXPECT_NE(e.Out.find("Permissions: none\n"), std::string::npos) << e.Out;
}

}  // namespace
