// Shared pieces of the hostile-input tests: loading a file the way a host does and
// saving what loaded, running the folio tool on a file, and the two acceptable endings
// of hostile input (a correct result, or one clear exception of the library).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document/kvPDFDoc.h"
#include "support/TestSupport.h"

namespace kvtest {

// How loading (and, when it loaded, saving and reloading) a file ended.
struct Outcome {
  bool Loaded = false;
  int Pages = -1;         // of the loaded document
  int SavedPages = -1;    // of the saved file, loaded again
  std::string Error;      // the library exception's message; empty when none was raised
  std::string SavedPath;  // where the saved file is, when saving succeeded
};

// Loads `path` (with `password` when it is encrypted), saves what loaded into `dir` and
// loads the saved file again. Only kv::Exception is caught: anything else escapes and
// fails the test.
inline Outcome LoadAndSave(const std::string& path, const TempDir& dir, const std::string& password = "") {
  Outcome o;
  try {
    kv::TkvPDFDocument doc;
    doc.OnPassword = [&](kv::TkvCustomPDFDocument*, std::string& pw, bool& cont) {
      pw = password;
      cont = true;
    };
    o.Loaded = doc.LoadFromFile(path);
    o.Pages = doc.PageCount();
    std::string out = dir.File("saved.pdf");
    doc.SaveToFileAs(out);
    o.SavedPath = out;
    kv::TkvPDFDocument again;
    again.OnPassword = doc.OnPassword;
    again.LoadFromFile(out);
    o.SavedPages = again.PageCount();
  } catch (const kv::Exception& e) {
    o.Error = e.what();
  }
  return o;
}

// The failure is one clear line of the library.
inline void ExpectCleanError(const Outcome& o, const std::string& what) {
  EXPECT_FALSE(o.Error.empty()) << what << ": expected an exception, loaded " << o.Pages << " pages";
  EXPECT_EQ(std::string::npos, o.Error.find('\n')) << what << ": " << o.Error;
}

// The file loaded with `pages` pages, saved, and the saved file has them too.
inline void ExpectCorrectPages(const Outcome& o, int pages, const std::string& what) {
  EXPECT_EQ("", o.Error) << what;
  EXPECT_TRUE(o.Loaded) << what;
  EXPECT_EQ(pages, o.Pages) << what;
  EXPECT_EQ(pages, o.SavedPages) << what;
}

struct CliOutcome {
  int ExitCode = -1;
  std::string Output;  // stdout and stderr
  bool Wrote = false;  // the output file exists afterwards
};

// Runs `folio ARGS` with "-o OUT" appended when `writes`; OUT is a fresh name in `dir`.
// The run is cut off after a minute, so a hang shows as a wrong exit status, not as a
// test that never ends.
inline CliOutcome Folio(const std::string& args, const TempDir& dir, bool writes = true) {
  static int serial = 0;
  std::string out = dir.File("cli-out-" + std::to_string(++serial) + ".pdf");
  std::string cmd = "timeout 60 " + ShellQuote(FOLIO_CLI_PATH) + " " + args;
  if (writes) cmd += " -o " + ShellQuote(out);
  CommandResult r = Run(cmd + " </dev/null");
  return CliOutcome{r.ExitCode, r.Output, writes && FileExists(out)};
}

// Exit status 1, exactly one line "folio: MESSAGE", no output file. An empty `message`
// accepts any message.
inline void ExpectCliFailure(const CliOutcome& o, const std::string& what, const std::string& message = "") {
  EXPECT_EQ(1, o.ExitCode) << what << ": " << o.Output;
  EXPECT_FALSE(o.Wrote) << what;
  EXPECT_EQ(0u, o.Output.rfind("folio: ", 0)) << what << ": " << o.Output;
  ASSERT_FALSE(o.Output.empty()) << what;
  EXPECT_EQ(o.Output.size() - 1, o.Output.find('\n')) << what << ": not one line: " << o.Output;
  // A failure while loading an input may name it: "folio: FILE: MESSAGE".
  const std::string tail = ": " + message + "\n";
  if (!message.empty() && o.Output != "folio: " + message + "\n") {
    EXPECT_TRUE(o.Output.size() > tail.size() &&
                o.Output.compare(o.Output.size() - tail.size(), tail.size(), tail) == 0)
        << what << ": expected " << message << ", got " << o.Output;
  }
}

// Without --strict the tool reads modern and damaged files too: a command either succeeds
// (a writing command with a file the library reads back) or fails as ExpectCliFailure says.
// Warnings of a rebuilt file may come before either.
inline void ExpectToolReadsOrFailsCleanly(const CliOutcome& o, const std::string& what, bool writes = true) {
  if (o.ExitCode == 0) {
    EXPECT_EQ(writes, o.Wrote) << what;
    return;
  }
  CliOutcome last = o;
  const size_t lastLine = o.Output.rfind('\n', o.Output.size() >= 2 ? o.Output.size() - 2 : 0);
  if (lastLine != std::string::npos && o.Output.compare(0, 16, "folio: warning: ") == 0)
    last.Output = o.Output.substr(lastLine + 1);
  ExpectCliFailure(last, what);
}

// The commands that read FILE and write a document, with FILE already quoted.
inline std::vector<std::string> WritingCommands(const std::string& quotedFile) {
  return {"copy " + quotedFile, "delete " + quotedFile + " --pages 1", "extract " + quotedFile + " --pages 1"};
}

}  // namespace kvtest
