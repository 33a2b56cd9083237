#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kvtest {

std::string DataPath(const std::string& name) { return std::string(FOLIO_TEST_DATA_DIR) + "/" + name; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

static std::string FillLengths(std::string body) {
  size_t pos = body.find("%LEN%");
  if (pos == std::string::npos) return body;
  size_t start = body.find("stream\n", pos);
  size_t end = body.find("\nendstream", start);
  if (start == std::string::npos || end == std::string::npos) return body;
  start += 7;
  body.replace(pos, 5, std::to_string(end - start));
  return body;
}

std::string MakePdf(const std::vector<std::string>& objects, const std::string& trailerExtra,
                    const std::string& header) {
  std::string pdf = header + "\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + FillLengths(objects[i]) + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f\r\n";
  char line[32];
  for (size_t off : offsets) {
    std::snprintf(line, sizeof line, "%010zu 00000 n\r\n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " + trailerExtra + " >>\n";
  pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::vector<long> ObjectOffsets(const std::string& pdf) {
  std::vector<long> out;
  for (size_t n = 1;; ++n) {
    std::string tag = std::to_string(n) + " 0 obj";
    size_t p = pdf.find("\n" + tag);
    if (p == std::string::npos) break;
    out.push_back(static_cast<long>(p + 1));
  }
  return out;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "folio-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CommandResult Run(const std::string& command) {
  CommandResult r;
  std::string full = command + " 2>&1";
  FILE* p = popen(full.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Output.append(buf.data(), n);
  int status = pclose(p);
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

bool CheckersRequired() {
  for (const char* variable : {"CI", "FOLIO_REQUIRE_CHECKERS"}) {
    const char* value = std::getenv(variable);
    if (value && *value && std::string(value) != "0" && std::string(value) != "false") return true;
  }
  return false;
}

bool HaveTool(const std::string& name) {
  if (Run("command -v " + ShellQuote(name) + " >/dev/null").ExitCode == 0) return true;
  if (CheckersRequired()) ADD_FAILURE() << name << " is not installed, and checkers are required here (CI)";
  return false;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string NormaliseSpace(const std::string& s) {
  std::string out;
  bool space = false;
  for (char c : s) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v') {
      space = true;
    } else {
      if (space && !out.empty()) out += ' ';
      space = false;
      out += c;
    }
  }
  return out;
}

std::string PageText(const std::string& pdf, int page, const std::string& password) {
  std::string cmd = "pdftotext -q -enc UTF-8 -f " + std::to_string(page) + " -l " + std::to_string(page);
  if (!password.empty()) cmd += " -upw " + ShellQuote(password);
  cmd += " " + ShellQuote(pdf) + " -";
  return NormaliseSpace(Run(cmd).Output);
}

bool QpdfCheckClean(const std::string& pdf, std::string* output, const std::string& password) {
  std::string cmd = "qpdf --check";
  if (!password.empty()) cmd += " --password=" + ShellQuote(password);
  CommandResult r = Run(cmd + " " + ShellQuote(pdf));
  if (output) *output = r.Output;
  return r.ExitCode == 0 && r.Output.find("WARNING") == std::string::npos &&
         r.Output.find("No syntax or stream encoding errors found") != std::string::npos;
}

}  // namespace kvtest
