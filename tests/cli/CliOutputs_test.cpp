// Where folio writes and reads: devices, FIFOs and symbolic links as OUT, standard
// output and input, failures that never name the temporary file, and an interrupted run
// that leaves no temporary file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/CliTestUtil.h"

namespace {

using clitest::CopyData;
using clitest::Describe;
using clitest::DirEntries;
using clitest::Folio;
namespace fs = std::filesystem;

// Runs a shell command line in which FOLIO stands for the program, stderr apart.
clitest::FolioResult Shell(const kvtest::TempDir& dir, const std::string& line) {
  std::string cmd = line;
  for (size_t p = cmd.find("FOLIO"); p != std::string::npos; p = cmd.find("FOLIO", p + 1))
    cmd.replace(p, 5, kvtest::ShellQuote(FOLIO_CLI_PATH));
  kvtest::CommandResult r =
      kvtest::Run("cd " + kvtest::ShellQuote(dir.Path()) + " && ( exec 2>" +
                  kvtest::ShellQuote(dir.File("stderr.txt")) + "; export LC_ALL=C.UTF-8; " + cmd + " )");
  return {r.ExitCode, r.Output, kvtest::ReadFile(dir.File("stderr.txt"))};
}

bool IsTemporary(const std::string& name) { return name.size() > 7 && name[0] == '.' && name != ".."; }

std::vector<std::string> Temporaries(const std::string& dir) {
  std::vector<std::string> out;
  for (const std::string& name : DirEntries(dir))
    if (IsTemporary(name)) out.push_back(name);
  return out;
}

class CliOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed";
    in_ = CopyData(dir_, "glpk-cnfsat.pdf");
  }
  kvtest::TempDir dir_;
  std::string in_;
};

TEST_F(CliOutputs, DevicesStayDevices) {
  // Run as root, the safe save once renamed a temporary file over /dev/null.
  auto r = Folio({"copy", in_, "-o", "/dev/null"});
  EXPECT_EQ(r.Exit, 0) << Describe(r);
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/null is no longer a device";
  // A device that refuses the bytes fails with its own error.
  r = Folio({"copy", in_, "-o", "/dev/full"});
  EXPECT_EQ(r.Exit, 1) << Describe(r);
  EXPECT_EQ(r.Err, "folio: Cannot write file \"/dev/full\". No space left on device\n");
}

TEST_F(CliOutputs, AFifoIsWrittenToDirectly) {
  auto r = Shell(dir_, "mkfifo pipe && (cat pipe > got.pdf &) && FOLIO copy glpk-cnfsat.pdf -o pipe && sleep 0.2");
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  struct stat st {};
  ASSERT_EQ(lstat(dir_.File("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  for (int i = 0; i < 50 && clitest::PageCount(dir_.File("got.pdf")) != 6; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(clitest::PageCount(dir_.File("got.pdf")), 6);
}

TEST_F(CliOutputs, SymbolicLinksAreWrittenThrough) {
  fs::create_directory(dir_.File("real"));
  kvtest::WriteFile(dir_.File("real/old.pdf"), "old");
  fs::permissions(dir_.File("real/old.pdf"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real/old.pdf", dir_.File("link.pdf"));
  // A link made ahead of the file it names: the file is made where it points.
  fs::create_symlink("real/new.pdf", dir_.File("ahead.pdf"));
  for (const char* out : {"link.pdf", "ahead.pdf"}) {
    auto r = Folio({"copy", in_, "-o", dir_.File(out)});
    ASSERT_EQ(r.Exit, 0) << out << "\n" << Describe(r);
    EXPECT_TRUE(fs::is_symlink(dir_.File(out))) << out << " was replaced by a file";
  }
  EXPECT_EQ(clitest::PageCount(dir_.File("real/old.pdf")), 6);
  EXPECT_EQ(clitest::PageCount(dir_.File("real/new.pdf")), 6);
  // The file replaced keeps its permissions.
  EXPECT_EQ(fs::status(dir_.File("real/old.pdf")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(DirEntries(dir_.File("real")), (std::vector<std::string>{"new.pdf", "old.pdf"}));
  EXPECT_TRUE(Temporaries(dir_.Path()).empty());
}

TEST_F(CliOutputs, StandardInputAndOutput) {
  // Only the PDF goes to standard output.
  auto r = Shell(dir_, "FOLIO copy glpk-cnfsat.pdf -o - > out.pdf");
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(clitest::PageCount(dir_.File("out.pdf")), 6);
  std::string check;
  EXPECT_TRUE(kvtest::QpdfCheckClean(dir_.File("out.pdf"), &check)) << check;
  // A pipe in and out; standard input named twice is read once and used twice.
  // Arguments after -- are inputs even when they start with a dash.
  r = Shell(dir_, "cat glpk-cnfsat.pdf | FOLIO merge -o - -- - -:last-5 | FOLIO extract - --pages 7-last -o piped.pdf");
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(kvtest::PageText(dir_.File("piped.pdf"), 1), kvtest::PageText(in_, 6));
  EXPECT_EQ(clitest::PageCount(dir_.File("piped.pdf")), 2);
  r = Shell(dir_, "FOLIO info --json - < glpk-cnfsat.pdf");
  ASSERT_EQ(r.Exit, 0) << Describe(r);
  EXPECT_EQ(clitest::json::parse(r.Out)["pages"], 6);
  // What cannot be read is named.
  r = Shell(dir_, "echo 'not a PDF' | FOLIO copy - -o out2.pdf");
  EXPECT_EQ(r.Exit, 1) << Describe(r);
  EXPECT_EQ(r.Err.rfind("folio: standard input: ", 0), 0u) << r.Err;
  r = Folio({"info", dir_.Path()});
  EXPECT_EQ(r.Err, "folio: " + dir_.Path() + ": Is a directory\n");
}

TEST_F(CliOutputs, AFailedWriteNamesTheOutputNeverTheTemporaryFile) {
  kvtest::WriteFile(dir_.File("out.pdf"), "an earlier result\n");
  // A file size limit (with its signal ignored) makes the write fail part way.
  auto r = Shell(dir_, "trap '' XFSZ; ulimit -f 16; FOLIO copy glpk-cnfsat.pdf -o out.pdf");
  EXPECT_EQ(r.Exit, 1) << Describe(r);
  EXPECT_EQ(r.Err, "folio: Cannot write file \"out.pdf\". Stream write error (File too large)\n");
  EXPECT_EQ(kvtest::ReadFile(dir_.File("out.pdf")), "an earlier result\n");
  EXPECT_TRUE(Temporaries(dir_.Path()).empty());
}

// Runs a long merge into `out` and sends `sig` once its temporary file exists. False when
// the run ended before the file was seen.
bool InterruptWhileWriting(const kvtest::TempDir& dir, const std::vector<std::string>& args, int sig, int& status) {
  pid_t pid = fork();
  if (pid == 0) {
    // A signal ignored by whoever started the tests would be ignored by folio too.
    signal(sig, SIG_DFL);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("folio"));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(FOLIO_CLI_PATH, argv.data());
    _exit(127);
  }
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    if (!Temporaries(dir.Path()).empty()) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  kill(pid, sig);
  waitpid(pid, &status, 0);
  return true;
}

TEST_F(CliOutputs, AnInterruptedRunRemovesItsTemporaryFile) {
  std::string big = CopyData(dir_, "developers-reference.pdf");
  for (int sig : {SIGTERM, SIGINT}) {
    std::vector<std::string> args = {"merge"};
    bool caught = false;
    int status = 0;
    // More copies each time the run was too quick to be caught writing.
    for (int copies = 4; copies <= 64 && !caught; copies *= 2) {
      args.resize(1);
      for (int i = 0; i < copies; ++i) args.push_back(big);
      args.insert(args.end(), {"-o", dir_.File("out.pdf"), "-q"});
      std::filesystem::remove(dir_.File("out.pdf"));
      caught = InterruptWhileWriting(dir_, args, sig, status);
    }
    ASSERT_TRUE(caught) << "never saw the temporary file";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_TRUE(Temporaries(dir_.Path()).empty()) << sig;
    EXPECT_FALSE(kvtest::FileExists(dir_.File("out.pdf"))) << sig;
  }
}

}  // namespace
