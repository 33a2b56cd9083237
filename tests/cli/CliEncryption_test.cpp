// Writing encrypted files (--encrypt, passwords, --allow) and reading them (--password,
// --decrypt), checked with qpdf and pdftotext.
#include <gtest/gtest.h>

#include <set>

#include "cli/CliTestUtil.h"

namespace {

using clitest::Describe;
using clitest::Folio;
using clitest::json;

struct EncryptCase {
  std::string Level;
  std::string Owner, User, Allow;  // Allow empty: the option is left out (all)
  int P;                           // what /P must be
  std::set<std::string> Granted;   // what the user password allows
};

const std::set<std::string> kAll = {"print", "modify",        "copy",     "annotate",
                                    "fill",  "accessibility", "assemble", "print-high"};

const EncryptCase kEncryptCases[] = {
    {"40", "own40", "usr40", "print,copy", -64 + 4 + 16, {"print", "copy", "accessibility", "print-high"}},
    {"40", "own40", "", "none", -64, {}},
    {"128", "own128", "usr128", "", -4, kAll},
    {"128",
     "own128",
     "",
     "fill,accessibility,assemble",
     -3904 + 256 + 512 + 1024,
     {"fill", "accessibility", "assemble"}},
    {"128",
     "own128",
     "usr128",
     "print,print-high,annotate",
     -3904 + 4 + 2048 + 32,
     {"print", "print-high", "annotate"}},
    // High-resolution printing is a kind of printing: without print it is not granted.
    {"128", "own128", "", "print-high,modify", -3904 + 8, {"modify"}},
};

// qpdf's capability for each permission at 128 bits.
const std::pair<const char*, const char*> kCapabilities[] = {{"print", "printlow"},
                                                             {"print-high", "printhigh"},
                                                             {"modify", "modifyother"},
                                                             {"copy", "extract"},
                                                             {"annotate", "modifyannotations"},
                                                             {"fill", "modifyforms"},
                                                             {"accessibility", "accessibility"},
                                                             {"assemble", "modifyassembly"}};

TEST(CliEncryption, EncryptAtBothLevelsWithPasswordsAndPermissions) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string in = kvtest::DataPath("forensics-a-text.pdf"), out = dir.File("out.pdf"), check;
  const std::string text = kvtest::PageText(in, 1);
  for (const auto& c : kEncryptCases) {
    std::string what = c.Level + " " + c.Allow;
    std::vector<std::string> args = {"copy", in, "-o", out, "--encrypt", c.Level, "--owner-password", c.Owner};
    if (!c.User.empty()) args.insert(args.end(), {"--user-password", c.User});
    if (!c.Allow.empty()) args.insert(args.end(), {"--allow", c.Allow});
    auto r = Folio(args);
    ASSERT_EQ(r.Exit, 0) << what << "\n" << Describe(r);
    EXPECT_EQ(r.Err, "") << what;

    json e = clitest::QpdfEncryption(out, c.Owner);
    ASSERT_TRUE(e.is_object()) << what;
    EXPECT_EQ(e["encrypted"], true) << what;
    EXPECT_EQ(e["ownerpasswordmatched"], true) << what;
    EXPECT_EQ(e["parameters"]["bits"], std::stoi(c.Level)) << what;
    EXPECT_EQ(e["parameters"]["R"], c.Level == "40" ? 2 : 3) << what;
    EXPECT_EQ(e["parameters"]["P"], c.P) << what;
    if (c.Level == "128") {
      for (const auto& [name, capability] : kCapabilities)
        EXPECT_EQ(e["capabilities"][capability], c.Granted.count(name) == 1) << what << " " << name;
    }
    EXPECT_EQ(clitest::QpdfEncryption(out, c.User)["userpasswordmatched"], true) << what;
    EXPECT_TRUE(clitest::QpdfEncryption(out, c.User + "x").is_null()) << what << ": a wrong password opened it";

    for (const std::string& pw : {c.User, c.Owner}) {
      EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check, pw)) << what << " with '" << pw << "'\n" << check;
    }
    EXPECT_EQ(kvtest::PageText(out, 1, c.User), text) << what;

    // folio reads back what it wrote.
    auto info = Folio({"info", "--json", out, "--password", c.User});
    ASSERT_EQ(info.Exit, 0) << what << "\n" << Describe(info);
    json j = json::parse(info.Out);
    EXPECT_EQ(j["encryption"]["level"], std::stoi(c.Level)) << what;
    auto permissions = j["encryption"]["permissions"].get<std::vector<std::string>>();
    EXPECT_EQ(std::set<std::string>(permissions.begin(), permissions.end()), c.Granted) << what;
    info = Folio({"info", "--json", out, "--password", c.Owner});
    ASSERT_EQ(info.Exit, 0) << what << "\n" << Describe(info);
    EXPECT_EQ(json::parse(info.Out)["encryption"]["permissions"].size(), 8u) << what;
  }
}

class CliEncryptedInput : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed";
    in_ = clitest::CopyData(dir_, "rc4-128-userpw.pdf");
    bytes_ = kvtest::ReadFile(in_);
    out_ = dir_.File("out.pdf");
  }
  void TearDown() override {
    if (!bytes_.empty()) {
      EXPECT_EQ(kvtest::ReadFile(in_), bytes_);
    }
  }
  clitest::FolioResult Run(std::vector<std::string> args) {
    args.insert(args.end(), {"-o", out_});
    return Folio(args);
  }
  kvtest::TempDir dir_;
  std::string in_, out_, bytes_;
  const std::string text_ = "Hello World";
};

TEST_F(CliEncryptedInput, KeepsItsProtectionWhenRewritten) {
  for (const char* pw : {"owner128", "user128"}) {
    auto r = Run({"copy", in_, "--password", pw});
    ASSERT_EQ(r.Exit, 0) << pw << "\n" << Describe(r);
    json e = clitest::QpdfEncryption(out_, "user128");
    EXPECT_EQ(e["userpasswordmatched"], true) << pw;
    EXPECT_EQ(e["parameters"]["bits"], 128) << pw;
    EXPECT_EQ(e["parameters"]["P"], -4) << pw;
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out_, &check, "user128")) << pw << "\n" << check;
    EXPECT_NE(kvtest::PageText(out_, 1, "user128").find(text_), std::string::npos) << pw;
  }
  // Opened with the owner password, the owner password stays the owner's.
  auto r = Run({"copy", in_, "--password", "owner128"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::QpdfEncryption(out_, "owner128")["ownerpasswordmatched"], true);
  // Pages taken from it stay protected too.
  r = Run({"extract", in_, "--pages", "1", "--password", "user128"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::QpdfEncryption(out_, "user128")["userpasswordmatched"], true);
}

TEST_F(CliEncryptedInput, OwnerPasswordMayChangeOrRemoveTheProtection) {
  auto r = Run({"copy", in_, "--password", "owner128", "--decrypt"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::QpdfEncryption(out_)["encrypted"], false);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(out_, &check)) << check;
  EXPECT_NE(kvtest::PageText(out_, 1).find(text_), std::string::npos);

  r = Run({"copy", in_, "--password", "owner128", "--allow", "print", "--user-password", "new"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  json e = clitest::QpdfEncryption(out_, "new");
  EXPECT_EQ(e["userpasswordmatched"], true);
  EXPECT_EQ(e["parameters"]["P"], -3904 + 4);
  EXPECT_EQ(clitest::QpdfEncryption(out_, "owner128")["ownerpasswordmatched"], true);
  EXPECT_NE(kvtest::PageText(out_, 1, "new").find(text_), std::string::npos);

  r = Run({"copy", in_, "--password", "owner128", "--encrypt", "40", "--owner-password", "o40"});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  e = clitest::QpdfEncryption(out_, "o40");
  EXPECT_EQ(e["parameters"]["bits"], 40);
  EXPECT_EQ(e["ownerpasswordmatched"], true);
}

TEST_F(CliEncryptedInput, UserPasswordCannotChangeTheProtection) {
  const std::vector<std::vector<std::string>> changes = {
      {"--decrypt"}, {"--encrypt", "40"}, {"--allow", "all"}, {"--user-password", "other"}};
  for (const auto& change : changes) {
    std::vector<std::string> args = {"copy", in_, "--password", "user128"};
    args.insert(args.end(), change.begin(), change.end());
    auto r = Run(args);
    EXPECT_EQ(r.Exit, 1) << change[0] << "\n" << Describe(r);
    EXPECT_EQ(r.Err, "folio: User cannot change encryption settings\n") << change[0];
    EXPECT_FALSE(kvtest::FileExists(out_)) << change[0];
  }
}

TEST_F(CliEncryptedInput, WrongOrMissingPassword) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", in_}, std::vector<std::string>{"info", in_, "--password", "USER128"},
        std::vector<std::string>{"merge", in_, kvtest::DataPath("forensics-a-text.pdf"), "-o", out_}}) {
    auto r = Folio(args);
    EXPECT_EQ(r.Exit, 1) << Describe(r);
    EXPECT_EQ(r.Err, "folio: " + in_ + ": Wrong password.\n");
    EXPECT_EQ(r.Out, "");
  }
  EXPECT_FALSE(kvtest::FileExists(out_));
  // An empty user password needs no --password.
  auto r = Folio({"info", "--json", kvtest::DataPath("rc4-40-emptyuser.pdf")});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(json::parse(r.Out)["encryption"]["level"], 40);
}

}  // namespace
