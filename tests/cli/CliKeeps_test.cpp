// What folio must not lose or weaken: catalog entries of real files, every information
// entry in the file's own encodings, and the protection of an encrypted input written
// again with --encrypt. Checked with pypdf and qpdf.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::Folio;
using clitest::json;

// Catalog keys and page labels as pypdf reads them.
json PypdfCatalog(const std::string& pdf) {
  static const char* script = R"PY(
import json, sys, pypdf
r = pypdf.PdfReader(sys.argv[1])
print(json.dumps({"keys": sorted(r.trailer["/Root"].keys()), "labels": r.page_labels}))
)PY";
  auto r = kvtest::Run("/usr/bin/python3 -c " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf));
  return json::parse(r.Output, nullptr, false);
}

TEST(CliKeeps, CopyKeepsCatalogEntriesOfRealFiles) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  // Page labels, tagged structure, language, URI base, own entries, forms with metadata.
  for (const char* name : {"bzip2-manual.pdf", "irs-f1040ez.pdf", "forensics-a-text.pdf", "prosper-tour.pdf",
                           "iwb-radio.pdf", "l3pdffield-textfield.pdf", "developers-reference.pdf"}) {
    std::string in = kvtest::DataPath(name), out = dir.File("out.pdf");
    auto r = Folio({"copy", in, "-o", out});
    ASSERT_EQ(r.Exit, 0) << name << "\n" << Describe(r);
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << name << "\n" << check;
    json before = PypdfCatalog(in), after = PypdfCatalog(out);
    ASSERT_TRUE(before.is_object() && after.is_object()) << name;
    // Only the destinations dictionary goes: its names live on in the links that use them.
    json expected = json::array();
    for (const auto& key : before["keys"])
      if (key != "/Dests") expected.push_back(key);
    EXPECT_EQ(after["keys"], expected) << name;
    EXPECT_EQ(after["labels"], before["labels"]) << name;
  }
}

TEST(CliKeeps, InfoShowsEveryEntryInItsEncoding) {
  kvtest::TempDir dir;
  std::string in = dir.File("info.pdf");
  // PDFDocEncoding: E9 is e acute, 80 a bullet, 9E z caron; UTF-16 with its marker; a
  // name, a date and an entry of the file's own.
  kvtest::WriteFile(in,
                    kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>",
                                     "<< /Title (caf\\351 \\200 \\236) /Author <FEFF00E90020263A> "
                                     "/ModDate (D:20240102030405Z) /Trapped /False /Reviewer (Ada) >>"},
                                    "/Info 4 0 R"));
  auto r = Folio({"info", "--json", in});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(json::parse(r.Out)["info"], json({{"Title", "caf\u00e9 \u2022 \u017e"},
                                              {"Author", "\u00e9 \u263a"},
                                              {"ModDate", "D:20240102030405Z"},
                                              {"Trapped", "False"},
                                              {"Reviewer", "Ada"}}));
  r = Folio({"info", in});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_NE(r.Out.find("Title:       caf\u00e9 \u2022 \u017e\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("ModDate:     D:20240102030405Z\n"), std::string::npos) << r.Out;
}

TEST(CliKeeps, EncryptingAgainKeepsPasswordsAndPermissions) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string restricted = CopyData(dir, "rc4-40-restricted.pdf"), locked = CopyData(dir, "rc4-128-userpw.pdf");
  std::string out = dir.File("out.pdf");
  // Opened with the owner password, 40 bits become 128: the empty user password still
  // opens it with nothing but accessibility allowed, and the owner password stays.
  auto r = Folio({"copy", restricted, "--password", "owner40", "--encrypt", "128", "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  json e = clitest::QpdfEncryption(out);
  ASSERT_TRUE(e.is_object()) << "the user password no longer opens it";
  EXPECT_EQ(e["parameters"]["bits"], 128);
  for (const char* capability : {"printlow", "printhigh", "modifyother", "extract", "modifyannotations"})
    EXPECT_EQ(e["capabilities"][capability], false) << capability;
  EXPECT_EQ(clitest::QpdfEncryption(out, "owner40")["ownerpasswordmatched"], true);

  // 128 bits become 40: the user password is still needed; a new user password replaces it.
  r = Folio({"copy", locked, "--password", "owner128", "--encrypt", "40", "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_TRUE(clitest::QpdfEncryption(out).is_null()) << "opens without a password";
  EXPECT_EQ(clitest::QpdfEncryption(out, "user128")["parameters"]["bits"], 40);
  EXPECT_EQ(clitest::QpdfEncryption(out, "owner128")["ownerpasswordmatched"], true);
  r = Folio({"copy", locked, "--password", "owner128", "--encrypt", "128", "--user-password", "fresh", "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::QpdfEncryption(out, "fresh")["userpasswordmatched"], true);
  EXPECT_EQ(clitest::QpdfEncryption(out, "owner128")["ownerpasswordmatched"], true);
}

TEST(CliKeeps, EncryptedOutputHasItsVersionAndIdentifier) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string out = dir.File("out.pdf");
  for (const char* name : {"isorot-rotman.v1.2.pdf", "groff-letter.v1.3.pdf"}) {
    auto r = Folio({"copy", kvtest::DataPath(name), "--encrypt", "128", "--owner-password", "o", "-o", out});
    ASSERT_EQ(r.Exit, 0) << name << "\n" << Describe(r);
    EXPECT_EQ(kvtest::ReadFile(out).substr(0, 8), "%PDF-1.4") << name;
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, "o")) << name << "\n" << check;
  }
  // A merged document had no identifier of its own to build the key from.
  auto r = Folio({"merge", kvtest::DataPath("glpk-cnfsat.pdf"), kvtest::DataPath("iwb-radio.pdf"), "--encrypt", "128",
                  "--user-password", "u", "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  std::string trailer = kvtest::Run("qpdf --show-object=trailer --password=u " + kvtest::ShellQuote(out)).Output;
  EXPECT_NE(trailer.find("/ID [ <"), std::string::npos) << trailer;
  EXPECT_EQ(clitest::PageCount(out, "u"), 9);
}

TEST(CliKeeps, EachPasswordIsTriedOnEachInput) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string out = dir.File("out.pdf");
  auto r = Folio({"merge", kvtest::DataPath("real-pdftools-password.pdf"), kvtest::DataPath("rc4-128-userpw.pdf"),
                  "--password", "user128", "--password", "test", "-o", out});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  // The first file's password is its owner password too; the second was opened with its
  // user password only, and its pages keep that protection.
  EXPECT_EQ(clitest::PageCount(out, "user128"), 5);
}

}  // namespace
