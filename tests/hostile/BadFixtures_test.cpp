// Every damaged or hostile fixture: what loading it gives, and what the folio tool does
// with it. A defect that does not touch what an operation reads leaves a correct result;
// any other ends in one clear message of the library.
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "hostile/HostileTestUtil.h"

using namespace kvtest;

namespace {

struct BadFile {
  const char* Name;
  int Pages;            // > 0: the operations succeed with this many pages
  const char* Message;  // otherwise: the library's message (nullptr: any, the text varies)
  // What folio does without --strict, reading modern and damaged files too: > 0 pages
  // read and written, 0 a clean failure.
  int ModernPages;
};
void PrintTo(const BadFile& f, std::ostream* os) { *os << f.Name; }

// The defect of each file is in the comment.
const BadFile kBadFiles[] = {
    {"empty.pdf", 0, "Invalid PDF Header ()", 0},                                   // 0 bytes
    {"header-only.pdf", 0, "Error reading document. Unable to read offset", 0},     // "%PDF-1.4" alone
    {"garbage.pdf", 0, nullptr, 0},                                                 // random bytes
    {"truncated-half.pdf", 0, "Error reading document. Unable to read offset", 0},  // no xref or startxref
    // A truncated linearized file: the startxref of its first page names an offset past its end.
    {"real-pdfparse-03-invalid.pdf", 0,
     "Error reading PDF trailer (offset 101358 lies outside the file of 17109 bytes)", 0},
    {"xref-stream-only.pdf", 0, "Error reading PDF trailer", 1},  // cross-reference stream, no table
    {"header-1.6.pdf", 0, "Unsupported PDF Version (%PDF-1.6)", 1},
    {"header-2.0.pdf", 0, "Invalid PDF Header (%PDF-2.)", 1},
    {"prev-loop-self.pdf", 0, "Error reading PDF trailer (the /Prev chain returns to the section at offset 623)", 1},
    {"kids-loop.pdf", 0, "Invalid page tree: node 2 is its own ancestor", 0},
    // 100000 nested arrays, but under a catalog key that no operation reads.
    {"deep-nesting-arrays.pdf", 1, nullptr, 1},
    {"stream-length-too-long.pdf", 0, "Expected PDF endstream", 1},  // /Length runs past the end
    {"encrypted-aes128-r4.pdf", 0, "Unsupported PDF Version (%PDF-1.6)", 1},
    {"startxref-past-eof.pdf", 0, "Error reading document. Unable to read offset", 1},
    // Garbage Flate data: the operations copy stream data without decoding it.
    {"flate-garbage.pdf", 1, nullptr, 1},
    {"huge-count.pdf", 1, nullptr, 1},  // /Count 2147483647 over one page
};

class BadFixture : public testing::TestWithParam<BadFile> {};

TEST_P(BadFixture, LoadsCorrectlyOrFailsClearly) {
  const BadFile& f = GetParam();
  TempDir dir;
  Outcome o = LoadAndSave(DataPath(f.Name), dir);
  if (f.Pages > 0) {
    ExpectCorrectPages(o, f.Pages, f.Name);
  } else {
    ExpectCleanError(o, f.Name);
    if (f.Message) {
      EXPECT_EQ(f.Message, o.Error) << f.Name;
    }
  }
}

// With --strict the tool does what the library does; without it, it reads modern and
// damaged files, and fails on the rest as cleanly.
TEST_P(BadFixture, ToolSucceedsOrFailsWithOneLineAndNoOutput) {
  const BadFile& f = GetParam();
  TempDir dir;
  std::string file = ShellQuote(DataPath(f.Name));
  for (bool strict : {true, false}) {
    const int pages = strict ? f.Pages : f.ModernPages;
    const std::string option = strict ? " --strict" : "";
    for (const std::string& cmd : WritingCommands(file)) {
      CliOutcome o = Folio(cmd + option, dir);
      if (pages == 0 && strict) {
        ExpectCliFailure(o, cmd, f.Message ? f.Message : "");
      } else if (pages == 0) {
        ExpectToolReadsOrFailsCleanly(o, cmd);
        // Extraction reads only the pages it takes: from a file damaged elsewhere (the end
        // of a truncated file) it may write them; the others must fail.
        if (cmd.rfind("extract", 0) != 0) {
          EXPECT_NE(0, o.ExitCode) << cmd;
        }
      } else if (cmd.rfind("delete", 0) == 0 && o.ExitCode != 0) {
        ExpectToolReadsOrFailsCleanly(o, cmd);  // deleting the only page may be refused, cleanly
      } else {
        EXPECT_EQ(0, o.ExitCode) << cmd << option << ": " << o.Output;
        EXPECT_TRUE(o.Wrote) << cmd << option;
      }
    }
    CliOutcome info = Folio("info" + option + " " + file, dir, false);
    if (pages > 0)
      EXPECT_EQ(0, info.ExitCode) << option << ": " << info.Output;
    else if (strict)
      ExpectCliFailure(info, "info", f.Message ? f.Message : "");
    else
      ExpectToolReadsOrFailsCleanly(info, "info", false);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BadFixture, testing::ValuesIn(kBadFiles), [](const auto& info) {
  std::string name = info.param.Name;
  std::string id;
  for (char c : name.substr(0, name.size() - 4)) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return id;
});

// What is readable of the readable ones is what the file holds.
TEST(BadFixtureContent, ReadableFilesKeepTheirPageText) {
  if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext missing";
  TempDir dir;
  for (const char* name : {"deep-nesting-arrays.pdf", "huge-count.pdf"}) {
    Outcome o = LoadAndSave(DataPath(name), dir);
    ASSERT_EQ("", o.Error) << name;
    EXPECT_EQ("Hello, damaged world", PageText(o.SavedPath, 1)) << name;
    std::string saved = ReadFile(o.SavedPath);
    EXPECT_NE(std::string::npos, saved.find("/Count 1")) << name;
    EXPECT_EQ(std::string::npos, saved.find("[[[[")) << name;
  }
}

TEST(BadFixtureContent, GarbageFlateDataIsCopiedUnchanged) {
  TempDir dir;
  Outcome o = LoadAndSave(DataPath("flate-garbage.pdf"), dir);
  ASSERT_EQ("", o.Error);
  // The 64 random bytes of the content stream travel as they are.
  std::string in = ReadFile(DataPath("flate-garbage.pdf"));
  std::string out = ReadFile(o.SavedPath);
  size_t s = in.find("stream\n") + 7;
  std::string data = in.substr(s, in.find("\nendstream", s) - s);
  ASSERT_FALSE(data.empty());
  EXPECT_NE(std::string::npos, out.find(data));
}

// The same AES file with a header the library reads by default: the security handler, not
// the version check, must turn it away, naming what it does not support.
TEST(BadFixtureContent, AesEncryptionBehindASupportedHeaderIsRefused) {
  TempDir dir;
  std::string pdf = ReadFile(DataPath("encrypted-aes128-r4.pdf"));
  ASSERT_EQ(0u, pdf.rfind("%PDF-1.6", 0));
  pdf.replace(0, 8, "%PDF-1.4");  // same length: every offset stays right
  std::string path = dir.File("aes.pdf");
  WriteFile(path, pdf);
  for (const char* password : {"", "owner"}) {
    Outcome o = LoadAndSave(path, dir, password);
    ExpectCleanError(o, password);
    try {
      kv::TkvPDFDocument doc;
      doc.LoadFromFile(path);
      ADD_FAILURE() << "loaded";
    } catch (const kv::EUnsupportedEncryptionError&) {
    }
  }
  ExpectCliFailure(Folio("copy --strict " + ShellQuote(path), dir), "copy aes");
  // Reading modern files, the tool opens it with either password.
  EXPECT_EQ(0, Folio("copy " + ShellQuote(path), dir).ExitCode);
  EXPECT_EQ(0, Folio("copy --password owner " + ShellQuote(path), dir).ExitCode);
}

}  // namespace
