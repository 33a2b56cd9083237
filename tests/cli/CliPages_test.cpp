// merge, append, insert, extract and delete give the right pages, in the right order, in
// a file qpdf finds clean, and leave their inputs as they were.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::Folio;

using Texts = std::vector<std::string>;

Texts PageTexts(const std::string& pdf) {
  Texts out;
  int n = clitest::PageCount(pdf);
  for (int p = 1; p <= n; ++p) out.push_back(kvtest::PageText(pdf, p));
  return out;
}

// Pages of `texts` by 1-based number.
Texts Pick(const Texts& texts, std::initializer_list<int> pages) {
  Texts out;
  for (int p : pages) out.push_back(texts.at(static_cast<size_t>(p - 1)));
  return out;
}

Texts Join(std::initializer_list<Texts> parts) {
  Texts out;
  for (const Texts& t : parts) out.insert(out.end(), t.begin(), t.end());
  return out;
}

class CliPages : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed";
    two_ = CopyData(dir_, "forensics-a-text.pdf");
    three_ = CopyData(dir_, "iwb-radio.pdf");
    six_ = CopyData(dir_, "glpk-cnfsat.pdf");
    for (const std::string* f : {&two_, &three_, &six_}) bytes_.push_back(kvtest::ReadFile(*f));
    twoText_ = PageTexts(two_);
    threeText_ = PageTexts(three_);
    sixText_ = PageTexts(six_);
    // The fixtures' pages must be told apart by their text for the checks to mean anything.
    ASSERT_EQ(twoText_.size(), 2u);
    ASSERT_EQ(threeText_.size(), 3u);
    ASSERT_EQ(sixText_.size(), 6u);
  }
  void TearDown() override {
    if (bytes_.empty()) return;
    EXPECT_EQ(kvtest::ReadFile(two_), bytes_[0]);
    EXPECT_EQ(kvtest::ReadFile(three_), bytes_[1]);
    EXPECT_EQ(kvtest::ReadFile(six_), bytes_[2]);
  }
  // Runs a writing command and checks its output: clean for qpdf, and these pages.
  void ExpectPages(const std::vector<std::string>& args, const Texts& expected) {
    std::string out = dir_.File("out.pdf");
    std::vector<std::string> full = args;
    full.insert(full.end(), {"-o", out});
    auto r = Folio(full);
    std::string what = args[0] + " " + args.back();
    ASSERT_EQ(r.Exit, 0) << what << "\n" << Describe(r);
    EXPECT_EQ(r.Out, "") << what;
    EXPECT_EQ(r.Err, "") << what;
    std::string check;
    EXPECT_TRUE(kvtest::QpdfCheckClean(out, &check)) << what << "\n" << check;
    EXPECT_EQ(PageTexts(out), expected) << what;
    std::filesystem::remove(out);
  }
  kvtest::TempDir dir_;
  std::string two_, three_, six_;
  std::vector<std::string> bytes_;
  Texts twoText_, threeText_, sixText_;
};

TEST_F(CliPages, MergeInTheOrderGiven) {
  ExpectPages({"merge", two_, three_, two_}, Join({twoText_, threeText_, twoText_}));
  ExpectPages({"merge", six_}, sixText_);
}

TEST_F(CliPages, AppendAllOrSomePages) {
  ExpectPages({"append", two_, three_}, Join({twoText_, threeText_}));
  ExpectPages({"append", two_, six_, "--pages", "2,4-5"}, Join({twoText_, Pick(sixText_, {2, 4, 5})}));
  // The same page twice gives two pages.
  ExpectPages({"append", two_, two_, "--pages", "1 1"}, Join({twoText_, Pick(twoText_, {1, 1})}));
}

TEST_F(CliPages, InsertAtTheStartInTheMiddleAndAtTheEnd) {
  ExpectPages({"insert", two_, three_, "--after", "0", "--pages", "3"}, Join({Pick(threeText_, {3}), twoText_}));
  ExpectPages({"insert", six_, three_, "--after", "2", "--pages", "3,1"},
              Join({Pick(sixText_, {1, 2}), Pick(threeText_, {3, 1}), Pick(sixText_, {3, 4, 5, 6})}));
  ExpectPages({"insert", two_, three_, "--after", "2"}, Join({twoText_, threeText_}));
}

TEST_F(CliPages, ExtractInRangeOrder) {
  ExpectPages({"extract", six_, "--pages", "6 1,3"}, Pick(sixText_, {6, 1, 3}));
  ExpectPages({"extract", six_, "--pages", "2-4"}, Pick(sixText_, {2, 3, 4}));
}

TEST_F(CliPages, DeleteKeepsTheOthersInOrder) {
  ExpectPages({"delete", six_, "--pages", "2-5"}, Pick(sixText_, {1, 6}));
  ExpectPages({"delete", three_, "--pages", "2"}, Pick(threeText_, {1, 3}));
}

}  // namespace
