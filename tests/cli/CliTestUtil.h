// Running folio as a user would, and reading what it wrote with independent tools.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace clitest {

using nlohmann::json;

struct FolioResult {
  int Exit = -1;
  std::string Out;  // stdout
  std::string Err;  // stderr
};

// Runs folio with `args`, each quoted for the shell, stdout and stderr kept apart. The
// locale is fixed so that messages and text conversions do not depend on the caller's.
inline FolioResult Folio(const std::vector<std::string>& args) {
  kvtest::TempDir capture;
  std::string cmd = "( LC_ALL=C.UTF-8 " + kvtest::ShellQuote(FOLIO_CLI_PATH);
  for (const std::string& a : args) cmd += " " + kvtest::ShellQuote(a);
  cmd += " >" + kvtest::ShellQuote(capture.File("out")) + " 2>" + kvtest::ShellQuote(capture.File("err")) + " )";
  FolioResult r;
  r.Exit = kvtest::Run(cmd).ExitCode;
  r.Out = kvtest::ReadFile(capture.File("out"));
  r.Err = kvtest::ReadFile(capture.File("err"));
  return r;
}

inline std::string Describe(const FolioResult& r) {
  return "exit " + std::to_string(r.Exit) + "\nstdout: " + r.Out + "\nstderr: " + r.Err;
}

// A fixture copied into `dir`, so that a test can check the copy is never touched.
inline std::string CopyData(const kvtest::TempDir& dir, const std::string& name) {
  std::string to = dir.File(name);
  std::filesystem::copy_file(kvtest::DataPath(name), to);
  std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  return to;
}

inline std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

inline int PageCount(const std::string& pdf, const std::string& password = "") {
  std::string cmd = "qpdf --show-npages";
  if (!password.empty()) cmd += " --password=" + kvtest::ShellQuote(password);
  auto r = kvtest::Run(cmd + " " + kvtest::ShellQuote(pdf) + " 2>/dev/null");
  return r.ExitCode == 0 ? std::atoi(r.Output.c_str()) : -1;
}

// The value of one `pdfinfo` line ("Title:  X" gives "X"); empty when absent.
inline std::string PdfInfoField(const std::string& pdf, const std::string& field) {
  auto r = kvtest::Run("LC_ALL=C.UTF-8 pdfinfo -enc UTF-8 " + kvtest::ShellQuote(pdf) + " 2>/dev/null");
  std::string key = "\n" + field + ":";
  std::string text = "\n" + r.Output;
  size_t p = text.find(key);
  if (p == std::string::npos) return {};
  p += key.size();
  size_t e = text.find('\n', p);
  std::string value = text.substr(p, e - p);
  size_t b = value.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : value.substr(b);
}

// What pypdf reads of the catalog's view settings and of each page's /Trans.
inline json PypdfView(const std::string& pdf) {
  static const char* script = R"PY(
import json, sys, pypdf
r = pypdf.PdfReader(sys.argv[1])
root = r.trailer["/Root"]
def plain(v):
    v = v.get_object() if hasattr(v, "get_object") else v
    if isinstance(v, dict): return {str(k): plain(x) for k, x in v.items()}
    if isinstance(v, list): return [plain(x) for x in v]
    if isinstance(v, bool) or type(v).__name__ == "BooleanObject": return bool(getattr(v, "value", v))
    if isinstance(v, (int, float)): return float(v)
    return str(v)
out = {"layout": plain(root.get("/PageLayout", "")), "mode": plain(root.get("/PageMode", "")),
       "viewer": plain(root.get("/ViewerPreferences", {})),
       "trans": [plain(p.get("/Trans")) if p.get("/Trans") is not None else None for p in r.pages]}
print(json.dumps(out))
)PY";
  auto r =
      kvtest::Run("/usr/bin/python3 -c " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf) + " 2>/dev/null");
  return json::parse(r.Output, nullptr, false);
}

// qpdf's report on a file's encryption ("encrypt" of its JSON output).
inline json QpdfEncryption(const std::string& pdf, const std::string& password = "") {
  std::string cmd = "qpdf --json=2 --json-key=encrypt";
  if (!password.empty()) cmd += " --password=" + kvtest::ShellQuote(password);
  auto r = kvtest::Run(cmd + " " + kvtest::ShellQuote(pdf) + " 2>/dev/null");
  json j = json::parse(r.Output, nullptr, false);
  return j.is_object() && j.contains("encrypt") ? j["encrypt"] : json();
}

inline bool HaveCheckers() {
  return kvtest::HaveTool("qpdf") && kvtest::HaveTool("pdftotext") && kvtest::HaveTool("pdfinfo");
}

#define REQUIRE_CHECKERS() \
  if (!clitest::HaveCheckers()) GTEST_SKIP() << "qpdf or poppler tools not installed"

}  // namespace clitest
