// Page shortcuts (last, odd, even, all, descending ranges), merge FILE:RANGE, split and
// rotate, checked on real files with pdftotext, qpdf and pypdf.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::Folio;
using Texts = std::vector<std::string>;

class CliShortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed";
    six_ = CopyData(dir_, "glpk-cnfsat.pdf");
    two_ = CopyData(dir_, "forensics-a-text.pdf");
    sixText_ = PageTexts(six_);
    twoText_ = PageTexts(two_);
    ASSERT_EQ(sixText_.size(), 6u);
    ASSERT_EQ(twoText_.size(), 2u);
  }
  static Texts PageTexts(const std::string& pdf, const std::string& password = "") {
    Texts out;
    int n = clitest::PageCount(pdf, password);
    for (int p = 1; p <= n; ++p) out.push_back(kvtest::PageText(pdf, p, password));
    return out;
  }
  // Pages of the six-page file by number.
  Texts Six(const std::vector<int>& pages) const {
    Texts out;
    for (int p : pages) out.push_back(sixText_.at(static_cast<size_t>(p - 1)));
    return out;
  }
  // Runs a writing command to out.pdf and returns its pages' texts, the file checked clean.
  Texts Written(std::vector<std::string> args) {
    std::string out = dir_.File("out.pdf");
    args.insert(args.end(), {"-o", out});
    auto r = Folio(args);
    EXPECT_EQ(r.Exit, 0) << Describe(r);
    EXPECT_EQ(r.Err, "");
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << check;
    return PageTexts(out);
  }
  kvtest::TempDir dir_;
  std::string six_, two_;
  Texts sixText_, twoText_;
};

TEST_F(CliShortcuts, SelectionsGiveThesePagesInThisOrder) {
  // Vectors, not initializer lists: the lists' arrays would not outlive this table.
  const std::pair<std::string, std::vector<int>> cases[] = {
      {"last", {6}},
      {"odd", {1, 3, 5}},
      {"even", {2, 4, 6}},
      {"all", {1, 2, 3, 4, 5, 6}},
      {"5-3", {5, 4, 3}},
      {"4-last", {4, 5, 6}},
      {"last-4", {6, 5, 4}},
      {"LAST,1", {6, 1}},
      {"2,odd", {2, 1, 3, 5}},
      {"\"6 - 4\" 1", {6, 5, 4, 1}},
      {"1-2 even", {1, 2, 2, 4, 6}},
      {"last-1", {6, 5, 4, 3, 2, 1}},
  };
  for (const auto& [pages, expected] : cases)
    EXPECT_EQ(Written({"extract", six_, "--pages", pages}), Six(expected)) << pages;
  EXPECT_EQ(Written({"delete", six_, "--pages", "odd"}), Six({2, 4, 6}));
  EXPECT_EQ(Written({"delete", six_, "--pages", "2-last"}), Six({1}));
  // Where a range of another file is taken, and for transitions.
  Texts appended = Six({1, 2, 3, 4, 5, 6});
  appended.insert(appended.end(), {twoText_[1], twoText_[0]});
  EXPECT_EQ(Written({"append", six_, two_, "--pages", "last-1"}), appended);
  EXPECT_EQ(Written({"insert", two_, six_, "--after", "1", "--pages", "even"}),
            (Texts{twoText_[0], sixText_[1], sixText_[3], sixText_[5], twoText_[1]}));
  Written({"copy", six_, "--transition", "dissolve:2:even"});
  clitest::json view = clitest::PypdfView(dir_.File("out.pdf"));
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(view["trans"][i].is_null(), i % 2 == 0) << view["trans"];
}

TEST_F(CliShortcuts, MergeTakesRangesOfEachInput) {
  Texts expected = Six({2, 4, 6});
  expected.insert(expected.end(), {twoText_[1], twoText_[0]});
  expected.push_back(sixText_[5]);
  EXPECT_EQ(Written({"merge", six_ + ":even", two_ + ":last-1", six_ + ":last"}), expected);
  // A file whose name holds a colon is read as it is.
  std::string odd = dir_.File("a:1.pdf");
  std::filesystem::copy_file(two_, odd);
  EXPECT_EQ(Written({"merge", odd, odd + ":2"}), (Texts{twoText_[0], twoText_[1], twoText_[1]}));
}

TEST_F(CliShortcuts, SplitWritesNumberedParts) {
  auto r = Folio({"split", six_, "--every", "4", "-o", dir_.File("part-%03d.pdf")});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(PageTexts(dir_.File("part-001.pdf")), Six({1, 2, 3, 4}));
  EXPECT_EQ(PageTexts(dir_.File("part-002.pdf")), Six({5, 6}));
  EXPECT_FALSE(kvtest::FileExists(dir_.File("part-003.pdf")));
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(dir_.File("part-002.pdf"), &check)) << check;

  // One page a part by default; %% is a percent sign.
  r = Folio({"split", two_, "-o", dir_.File("p%%%d.pdf")});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(PageTexts(dir_.File("p%1.pdf")), (Texts{twoText_[0]}));
  EXPECT_EQ(PageTexts(dir_.File("p%2.pdf")), (Texts{twoText_[1]}));

  // The parts of an encrypted file are protected as it is.
  std::string locked = CopyData(dir_, "rc4-128-userpw.pdf");
  r = Folio({"split", locked, "--password", "user128", "-o", dir_.File("locked-%d.pdf")});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::QpdfEncryption(dir_.File("locked-1.pdf"), "user128")["userpasswordmatched"], true);
  EXPECT_TRUE(clitest::QpdfEncryption(dir_.File("locked-1.pdf")).is_null());
}

TEST_F(CliShortcuts, RotateAddsQuarterTurnsAsPypdfReadsThem) {
  static const char* script = R"PY(
import sys, pypdf
print([p.rotation for p in pypdf.PdfReader(sys.argv[1]).pages])
)PY";
  auto rotations = [&](const std::string& pdf) {
    return kvtest::Run("/usr/bin/python3 -c " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf)).Output;
  };
  std::string once = dir_.File("once.pdf"), twice = dir_.File("twice.pdf");
  auto r = Folio({"rotate", six_, "--angle", "90", "--pages", "odd", "-o", once});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(rotations(once), "[90, 0, 90, 0, 90, 0]\n");
  r = Folio({"rotate", once, "--angle", "-90", "--pages", "1-2", "-o", twice});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(rotations(twice), "[0, 270, 90, 0, 90, 0]\n");
  r = Folio({"rotate", twice, "--angle", "180", "-o", twice});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(rotations(twice), "[180, 90, 270, 180, 270, 180]\n");
  // Turning changes how the page shows, not what it holds (read in content order).
  for (int p = 1; p <= 6; ++p) {
    auto raw = [p](const std::string& pdf) {
      std::string n = std::to_string(p);
      std::string text =
          kvtest::Run("pdftotext -q -raw -f " + n + " -l " + n + " " + kvtest::ShellQuote(pdf) + " -").Output;
      // Turned pages break lines and words elsewhere; the characters stay in their order.
      text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return c <= ' '; }), text.end());
      return text;
    };
    EXPECT_EQ(raw(twice), raw(six_)) << "page " << p;
  }
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(twice, &check)) << check;
}

}  // namespace
