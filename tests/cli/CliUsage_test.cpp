// What scripts rely on before any PDF work: help, version, usage errors (exit 2), the
// progress bar only on a terminal, and warnings.
#include <gtest/gtest.h>

#include "cli/CliTestUtil.h"

namespace {

using clitest::Describe;
using clitest::Folio;

const char* const kHint = "Run 'folio --help' or 'folio COMMAND --help' for more information.\n";
const char* const kCommands[] = {"info", "copy", "merge", "append", "insert", "extract", "delete", "rotate", "split"};

TEST(CliHelp, TopLevelHelpListsEveryCommand) {
  for (const auto& args :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"-h"}, std::vector<std::string>{}}) {
    auto r = Folio(args);
    EXPECT_EQ(r.Exit, 0) << Describe(r);
    EXPECT_EQ(r.Err, "");
    for (const char* c : kCommands) EXPECT_NE(r.Out.find(c), std::string::npos) << c;
    // The program's name, not the path it was started by.
    EXPECT_NE(r.Out.find("Usage: folio "), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find(FOLIO_CLI_PATH), std::string::npos) << r.Out;
  }
}

TEST(CliHelp, EachCommandHasHelp) {
  for (const char* c : kCommands) {
    auto r = Folio({c, "--help"});
    EXPECT_EQ(r.Exit, 0) << c << "\n" << Describe(r);
    EXPECT_NE(r.Out.find("--password"), std::string::npos) << c;
    bool writes = std::string(c) != "info";
    EXPECT_EQ(r.Out.find("--output") != std::string::npos, writes) << c;
    EXPECT_EQ(r.Out.find("--encrypt") != std::string::npos, writes) << c;
  }
  EXPECT_NE(Folio({"info", "--help"}).Out.find("--json"), std::string::npos);
}

TEST(CliHelp, Version) {
  auto r = Folio({"--version"});
  EXPECT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(r.Out.rfind("folio ", 0), 0u) << r.Out;
  EXPECT_EQ(r.Err, "");
}

struct UsageCase {
  std::vector<std::string> Args;
  std::string Message;  // the first stderr line after "folio: "
};

TEST(CliUsage, WrongUsageExitsTwoWithMessageAndHint) {
  kvtest::TempDir dir;
  std::string in = kvtest::DataPath("forensics-a-text.pdf");
  std::string out = dir.File("out.pdf");
  const UsageCase cases[] = {
      {{"mrege", in, "-o", out}, "unknown command 'mrege'"},
      {{"copy", in}, "--output is required"},
      {{"copy", "-o", out}, "FILE is required"},
      {{"info", in, "extra"}, "The following argument was not expected: extra"},
      {{"insert", in, in, "-o", out}, "--after is required"},
      {{"insert", in, in, "--after", "x", "-o", out}, "Could not convert: --after = x"},
      {{"extract", in, "-o", out}, "--pages is required"},
      {{"copy", in, "-o", out, "--layout", "bogus"},
       "--layout: bogus not in {none,single-page,one-column,two-column-left,two-column-right}"},
      {{"copy", in, "-o", out, "--mode", "full"}, "--mode: full not in {none,outlines,thumbs,fullscreen}"},
      {{"copy", in, "-o", out, "--viewer", "fit-window,bogus"},
       "--viewer: unknown viewer preference 'bogus' (expected "
       "hide-toolbar|hide-menubar|hide-window-ui|fit-window|center-window|display-doc-title)"},
      {{"copy", in, "-o", out, "--transition", "17"},
       "--transition: unknown transition effect '17' (expected 0-16 or a name)"},
      {{"copy", in, "-o", out, "--transition", "Dissolve"},
       "--transition: unknown transition effect 'Dissolve' (expected 0-16 or a name)"},
      {{"copy", in, "-o", out, "--transition", "dissolve:-1"}, "--transition: invalid transition duration '-1'"},
      {{"copy", in, "-o", out, "--transition", "dissolve:soon"}, "--transition: invalid transition duration 'soon'"},
      {{"copy", in, "-o", out, "--encrypt", "64"}, "--encrypt: 64 not in {40,128,aes128,aes256}"},
      {{"copy", in, "-o", out, "--encrypt", "40", "--allow", "print,fly"},
       "--allow: unknown permission 'fly' (expected all, none or "
       "print|modify|copy|annotate|fill|accessibility|assemble|print-high)"},
      {{"copy", in, "-o", out, "--encrypt", "40", "--decrypt"}, "--encrypt excludes --decrypt"},
      {{"copy", in, "-o", out, "--compress", "lzw"}, "--compress: lzw not in {flate,rle}"},
      {{"copy", in, "-o", out, "--compress", "flate", "--compress-level", "10"},
       "--compress-level: Value 10 not in range 0 to 9"},
      {{"copy", in, "-o", out, "--compress-level", "3"}, "--compress-level requires --compress"},
      {{"copy", in, "-o", out, "--ascii", "64"}, "--ascii: 64 not in {hex,85}"},
      // Only known once the input is read: it is not encrypted, so there is nothing to change.
      {{"copy", in, "-o", out, "--owner-password", "x"},
       "--owner-password, --user-password and --allow need --encrypt"},
      // Encryption that no password protects is refused, also with an empty one given.
      {{"copy", in, "-o", out, "--encrypt", "128"}, "--encrypt needs --owner-password or --user-password"},
      {{"copy", in, "-o", out, "--encrypt", "40", "--allow", "print", "--user-password", ""},
       "--encrypt needs --owner-password or --user-password"},
      // An unset shell variable must not select every page.
      {{"delete", in, "--pages", "", "-o", out}, "--pages is empty: say --pages all for every page"},
      {{"delete", in, "--pages", " , ", "-o", out}, "--pages is empty: say --pages all for every page"},
      {{"extract", in, "--pages", " ", "-o", out}, "--pages is empty: say --pages all for every page"},
      {{"rotate", in, "--angle", "45", "-o", out}, "--angle: 45 not in {90,180,270,-90}"},
      {{"split", in, "--every", "0", "-o", out}, "--every: Value 0 not in range 1 to 2147483647"},
      {{"split", in, "-o", out},
       "--output: the output of split needs one %d (or %03d and the like) for the part number, and %% for a "
       "percent sign"},
      {{"split", in, "-o", dir.File("part-%d-%d.pdf")},
       "--output: the output of split needs one %d (or %03d and the like) for the part number, and %% for a "
       "percent sign"},
      {{"split", in, "-o", "-"}, "--output: split writes several files: -o - cannot take them"},
      // --password takes one value each time it is given.
      {{"copy", in, "--password", "a", "b", "-o", out}, "The following argument was not expected: b"},
  };
  for (const auto& c : cases) {
    auto r = Folio(c.Args);
    std::string where = c.Args.front() + " ... " + c.Args.back();
    EXPECT_EQ(r.Exit, 2) << where << "\n" << Describe(r);
    EXPECT_EQ(r.Err, "folio: " + c.Message + "\n" + kHint) << where;
    EXPECT_EQ(r.Out, "") << where;
    EXPECT_FALSE(kvtest::FileExists(out)) << where;
  }
}

// Long work draws a bar on a terminal only; `script` gives folio a terminal.
TEST(CliProgress, BarOnlyOnATerminalAndNotWhenQuiet) {
  REQUIRE_CHECKERS();
  kvtest::TempDir dir;
  std::string in = kvtest::DataPath("glpk-cnfsat.pdf");
  auto piped = Folio({"copy", in, "-o", dir.File("a.pdf")});
  EXPECT_EQ(piped.Exit, 0) << Describe(piped);
  EXPECT_EQ(piped.Err, "");
  EXPECT_EQ(piped.Out, "");

  if (!kvtest::HaveTool("script")) GTEST_SKIP() << "script not installed";
  auto onTerminal = [&](const std::string& extra) {
    std::string inner = kvtest::ShellQuote(FOLIO_CLI_PATH) + " copy " + kvtest::ShellQuote(in) + " -o " +
                        kvtest::ShellQuote(dir.File("b.pdf")) + extra;
    return kvtest::Run("script -qec " + kvtest::ShellQuote(inner) + " /dev/null </dev/null");
  };
  auto shown = onTerminal("");
  EXPECT_EQ(shown.ExitCode, 0) << shown.Output;
  EXPECT_NE(shown.Output.find("%"), std::string::npos) << shown.Output;
  EXPECT_NE(shown.Output.find("\r"), std::string::npos);
  auto quiet = onTerminal(" --quiet");
  EXPECT_EQ(quiet.ExitCode, 0) << quiet.Output;
  EXPECT_EQ(quiet.Output, "");
}

// A reference to object 0 is a reading problem the library reports and goes on.
TEST(CliWarnings, LibraryWarningsArePrefixed) {
  kvtest::TempDir dir;
  std::string in = dir.File("warn.pdf");
  kvtest::WriteFile(in,
                    kvtest::MakePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Foo 0 0 R >>"}));
  const std::string warning = "folio: warning: Invalid Object number in PDF (0)\n";
  auto info = Folio({"info", in});
  EXPECT_EQ(info.Exit, 0) << Describe(info);
  EXPECT_EQ(info.Err, warning);
  auto copy = Folio({"copy", in, "-o", dir.File("out.pdf")});
  EXPECT_EQ(copy.Exit, 0) << Describe(copy);
  EXPECT_EQ(copy.Err, warning);
  // Each merged file is read on its own; its warnings are not lost.
  auto merge = Folio({"merge", in, in, "-o", dir.File("m.pdf")});
  EXPECT_EQ(merge.Exit, 0) << Describe(merge);
  EXPECT_EQ(merge.Err, warning + warning);
}

}  // namespace
