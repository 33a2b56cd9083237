// A failed operation: exit 1, one line "folio: MESSAGE" with the library's message, no
// output file, an existing output left alone, and the inputs never touched, even when
// the output names an input.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::DirEntries;
using clitest::Folio;

struct FailureCase {
  std::vector<std::string> Args;  // "IN", "IN2", "ENC" and "OUT" are replaced by paths
  std::string Message;            // after "folio: "; "MISSING" is replaced by the missing path
};

class CliFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    in_ = CopyData(dir_, "glpk-cnfsat.pdf");
    in2_ = CopyData(dir_, "forensics-a-text.pdf");
    enc_ = CopyData(dir_, "rc4-128-userpw.pdf");
    out_ = dir_.File("out.pdf");
  }
  std::vector<std::string> Expand(const std::vector<std::string>& args) const {
    std::vector<std::string> out;
    for (const std::string& a : args) {
      if (a == "IN")
        out.push_back(in_);
      else if (a == "IN2")
        out.push_back(in2_);
      else if (a == "ENC")
        out.push_back(enc_);
      else if (a == "OUT")
        out.push_back(out_);
      else if (a == "MISSING")
        out.push_back(dir_.File("missing.pdf"));
      else if (a.rfind("IN:", 0) == 0)  // FILE:RANGE of merge
        out.push_back(in_ + a.substr(2));
      else
        out.push_back(a);
    }
    return out;
  }
  // Messages name inputs by the placeholders {IN}, {IN2}, {ENC} and {MISSING}.
  std::string Message(std::string m) const {
    const std::pair<const char*, std::string> names[] = {
        {"{IN}", in_}, {"{IN2}", in2_}, {"{ENC}", enc_}, {"{MISSING}", dir_.File("missing.pdf")}};
    for (const auto& [token, path] : names)
      for (size_t p = m.find(token); p != std::string::npos; p = m.find(token)) m.replace(p, std::strlen(token), path);
    return m;
  }
  kvtest::TempDir dir_;
  std::string in_, in2_, enc_, out_;
};

const FailureCase kFailures[] = {
    {{"delete", "IN", "--pages", "9-3", "-o", "OUT"}, "Invalid page range (9-3)"},
    {{"delete", "IN", "--pages", "7", "-o", "OUT"}, "Invalid page number (7)"},
    {{"extract", "IN", "--pages", "0", "-o", "OUT"}, "Invalid page number (0)"},
    {{"extract", "IN", "--pages", "1,x", "-o", "OUT"}, "Invalid page range (1,x)"},
    {{"extract", "IN", "--pages", "1-x", "-o", "OUT"}, "'x' is not a valid integer value"},
    {{"append", "IN", "IN2", "--pages", "3", "-o", "OUT"}, "Invalid page number (3)"},
    {{"insert", "IN", "IN2", "--after", "7", "-o", "OUT"}, "Invalid page number (7)"},
    {{"insert", "IN", "IN2", "--after", "-1", "-o", "OUT"}, "Invalid page number (-1)"},
    {{"copy", "IN", "--transition", "dissolve:1:2-9", "-o", "OUT"}, "Invalid page range (2-9)"},
    // A failure while reading an input names it.
    {{"copy", "ENC", "-o", "OUT"}, "{ENC}: Wrong password."},
    {{"copy", "ENC", "--password", "user12", "-o", "OUT"}, "{ENC}: Wrong password."},
    {{"merge", "IN", "ENC", "--password", "nope", "-o", "OUT"}, "{ENC}: Wrong password."},
    {{"copy", "ENC", "--password", "user128", "--decrypt", "-o", "OUT"}, "User cannot change encryption settings"},
    {{"info", "MISSING"}, "{MISSING}: No such file or directory"},
    {{"merge", "IN", "MISSING", "-o", "OUT"}, "{MISSING}: No such file or directory"},
    {{"merge", "IN2", "IN:4-last", "IN:9", "-o", "OUT"}, "{IN}: Invalid page number (9)"},
    // Page shortcuts the document cannot satisfy are named as given.
    {{"extract", "IN2", "--pages", "3-last", "-o", "OUT"}, "Invalid page range (3-last)"},
    {{"delete", "IN2", "--pages", "last-0", "-o", "OUT"}, "Invalid page range (last-0)"},
    // A result without pages is never written.
    {{"delete", "IN", "--pages", "all", "-o", "OUT"}, "the result would have no pages"},
    {{"delete", "IN2", "--pages", "odd,even", "-o", "OUT"}, "the result would have no pages"},
    {{"split", "IN", "-o", "/nonexistent-folder/part-%d.pdf"},
     "Cannot write file \"/nonexistent-folder/part-1.pdf\". No such file or directory"},
    {{"copy", "IN", "-o", "/nonexistent-folder/out.pdf"},
     "Cannot write file \"/nonexistent-folder/out.pdf\". No such file or directory"},
};

TEST_F(CliFailure, ExitsOneWithTheLibraryMessageAndWritesNothing) {
  const std::string inBytes = kvtest::ReadFile(in_), in2Bytes = kvtest::ReadFile(in2_),
                    encBytes = kvtest::ReadFile(enc_);
  const auto entries = DirEntries(dir_.Path());
  for (const auto& c : kFailures) {
    auto r = Folio(Expand(c.Args));
    std::string where = c.Args.front() + " " + c.Args[1] + " ... " + c.Args.back();
    EXPECT_EQ(r.Exit, 1) << where << "\n" << Describe(r);
    EXPECT_EQ(r.Err, "folio: " + Message(c.Message) + "\n") << where;
    EXPECT_EQ(r.Out, "") << where;
    // No output and no temporary file left beside it.
    EXPECT_EQ(DirEntries(dir_.Path()), entries) << where;
  }
  EXPECT_EQ(kvtest::ReadFile(in_), inBytes);
  EXPECT_EQ(kvtest::ReadFile(in2_), in2Bytes);
  EXPECT_EQ(kvtest::ReadFile(enc_), encBytes);
}

TEST_F(CliFailure, ExistingOutputIsLeftAlone) {
  const std::string previous = "an earlier result\n";
  kvtest::WriteFile(out_, previous);
  for (const auto& c : kFailures) {
    if (std::find(c.Args.begin(), c.Args.end(), "OUT") == c.Args.end()) continue;
    auto r = Folio(Expand(c.Args));
    EXPECT_EQ(r.Exit, 1) << Describe(r);
    EXPECT_EQ(kvtest::ReadFile(out_), previous) << c.Message;
  }
}

// Messages quoting bytes of a damaged file stay on one printable line.
TEST_F(CliFailure, DamagedInputGivesOnePrintableLine) {
  std::string bad = dir_.File("bad.pdf");
  // Control characters, a byte that starts no UTF-8 sequence and a truncated sequence.
  kvtest::WriteFile(bad, std::string("%P\x01\x1B\xFF\x7F\xC3-1.4\n") + std::string(2000, ' '));
  auto r = Folio({"copy", bad, "-o", out_});
  EXPECT_EQ(r.Exit, 1) << Describe(r);
  EXPECT_EQ(r.Err, "folio: " + bad + ": Invalid PDF Header (%P\\x01\\x1B\\xFF\\x7F\\xC3)\n");
  EXPECT_FALSE(kvtest::FileExists(out_));

  for (const char* name : {"garbage.pdf", "truncated-half.pdf", "empty.pdf", "kids-loop.pdf"}) {
    auto g = Folio({"info", kvtest::DataPath(name)});
    EXPECT_EQ(g.Exit, 1) << name << "\n" << Describe(g);
    EXPECT_EQ(g.Err.rfind("folio: ", 0), 0u) << name;
    // One line for the failure; warnings about what was read before it have their own.
    size_t failure = g.Err.rfind("\nfolio: ");
    std::string last = failure == std::string::npos ? g.Err : g.Err.substr(failure + 1);
    EXPECT_EQ(last.rfind("folio: warning: ", 0), std::string::npos) << name << ": " << g.Err;
    EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 1) << name << ": " << g.Err;
    EXPECT_EQ(g.Out, "") << name;
  }
}

// OUT naming an input: the input is replaced as a whole by a valid result.
TEST_F(CliFailure, OutputNamingAnInputReplacesIt) {
  REQUIRE_CHECKERS();
  std::string page2 = kvtest::PageText(in_, 2);
  auto r = Folio({"delete", in_, "--pages", "1", "-o", in_});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(clitest::PageCount(in_), 5);
  EXPECT_EQ(kvtest::PageText(in_, 1), page2);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(in_, &check)) << check;

  // Both inputs of a merge, one of them the output.
  int before = clitest::PageCount(in2_);
  r = Folio({"merge", in2_, in_, in2_, "-o", in2_});
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::PageCount(in2_), 2 * before + 5);
  EXPECT_TRUE(kvtest::QpdfCheckClean(in2_, &check)) << check;
  EXPECT_EQ(DirEntries(dir_.Path()),
            (std::vector<std::string>{"forensics-a-text.pdf", "glpk-cnfsat.pdf", "rc4-128-userpw.pdf"}));
}

}  // namespace
