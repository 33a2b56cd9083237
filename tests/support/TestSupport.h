// Helpers for tests: PDF files written as text templates with offsets and the
// cross-reference table computed, temporary folders, and running independent checkers.
#pragma once

#include <string>
#include <vector>

namespace kvtest {

// Path of a file under tests/data.
std::string DataPath(const std::string& name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A classic PDF from object bodies numbered 1..n in order. In a body, "%LEN%" is
// replaced by the byte count between "stream\n" and "\nendstream". The trailer gets
// /Size and /Root 1 0 R plus `trailerExtra`.
std::string MakePdf(const std::vector<std::string>& objects, const std::string& trailerExtra = "",
                    const std::string& header = "%PDF-1.4");
// Offsets of each object ("N 0 obj") of a file made by MakePdf, index 0 = object 1.
std::vector<long> ObjectOffsets(const std::string& pdf);

// A folder removed with its content when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct CommandResult {
  int ExitCode = -1;
  std::string Output;  // stdout and stderr together
};
// Runs a shell command and collects its output.
CommandResult Run(const std::string& command);
// Whether a program is installed. A test skips what needs a missing checker on a developer's
// machine; where checkers are required (CI or FOLIO_REQUIRE_CHECKERS set, to anything but
// 0 or false) a missing one also fails the test, so a run without them cannot pass.
bool HaveTool(const std::string& name);
bool CheckersRequired();
std::string ShellQuote(const std::string& s);
// Collapses every run of whitespace to one space and trims.
std::string NormaliseSpace(const std::string& s);
// `pdftotext` of one page (1-based), whitespace-normalised.
std::string PageText(const std::string& pdf, int page, const std::string& password = "");
// `qpdf --check` passes without errors or warnings.
bool QpdfCheckClean(const std::string& pdf, std::string* output = nullptr, const std::string& password = "");

}  // namespace kvtest
