// Helpers of the encryption tests of the document class: loading with a password,
// encrypting with qpdf, and asking qpdf, pdftotext and pypdf about a protected file.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "pdf/document/kvPDFDoc.h"
#include "support/TestSupport.h"

namespace enctest {

using nlohmann::json;

// The source of most cases: three pages of real text with form fields and an /Info.
inline std::string SourcePath() { return kvtest::DataPath("iwb-radio.pdf"); }

inline bool HaveCheckers() {
  return kvtest::HaveTool("qpdf") && kvtest::HaveTool("pdftotext") && kvtest::HaveTool("pdfinfo");
}

// Loads `path`, answering the password event with `password`; `handlerCalls` counts
// how often it was asked.
inline bool LoadWithPassword(kv::TkvPDFDocument& doc, const std::string& path, const std::string& password,
                             int* handlerCalls = nullptr) {
  doc.OnPassword = [=](kv::TkvCustomPDFDocument*, std::string& pw, bool& cont) {
    EXPECT_EQ("", pw);
    EXPECT_FALSE(cont);
    if (handlerCalls) ++*handlerCalls;
    pw = password;
    cont = true;
  };
  return doc.LoadFromFile(path);
}

// Encrypts `in` into `out` with qpdf; `keyArgs` is the key length and its options.
inline void QpdfEncrypt(const std::string& in, const std::string& out, const std::string& user,
                        const std::string& owner, const std::string& keyArgs, const std::string& extra = "") {
  auto r = kvtest::Run("qpdf --allow-weak-crypto --object-streams=disable " + extra + " --encrypt " +
                       kvtest::ShellQuote(user) + " " + kvtest::ShellQuote(owner) + " " + keyArgs + " -- " +
                       kvtest::ShellQuote(in) + " " + kvtest::ShellQuote(out));
  // 3: qpdf succeeded with warnings about the input.
  ASSERT_TRUE(r.ExitCode == 0 || r.ExitCode == 3) << r.Output;
}

// qpdf's report on a file opened with `password`.
struct QpdfEncryption {
  bool Opened = false;  // the password was accepted (or the file is not encrypted)
  bool Encrypted = false;
  bool OwnerMatched = false;
  bool UserMatched = false;
  int Bits = 0;
  int R = 0;
  int64_t P = 0;
  kv::TkvUserPermissions Permissions;
};

inline QpdfEncryption ReadQpdfEncryption(const std::string& path, const std::string& password) {
  QpdfEncryption e;
  auto r = kvtest::Run("qpdf --json=2 --json-key=encrypt --password=" + kvtest::ShellQuote(password) + " " +
                       kvtest::ShellQuote(path) + " 2>/dev/null");
  if (r.ExitCode != 0 && r.ExitCode != 3) return e;
  json enc = json::parse(r.Output).at("encrypt");
  e.Opened = true;
  e.Encrypted = enc.at("encrypted").get<bool>();
  if (!e.Encrypted) return e;
  e.OwnerMatched = enc.at("ownerpasswordmatched").get<bool>();
  e.UserMatched = enc.at("userpasswordmatched").get<bool>();
  const json& params = enc.at("parameters");
  e.Bits = params.at("bits").get<int>();
  e.R = params.at("R").get<int>();
  e.P = params.at("P").get<int64_t>();
  const json& caps = enc.at("capabilities");
  auto take = [&](const char* name, kv::TkvUserPermissionsType m) {
    if (caps.at(name).get<bool>()) e.Permissions.Include(m);
  };
  take("printlow", kv::AllowPrint);
  take("modifyother", kv::AllowModify);
  take("extract", kv::AllowCopy);
  take("modifyannotations", kv::AllowAnnotation);
  take("modifyforms", kv::AllowFormFill);
  take("accessibility", kv::AllowAccessibility);
  take("modifyassembly", kv::AllowDocAssembly);
  take("printhigh", kv::AllowHighResPrint);
  return e;
}

// The four permissions that /P of a revision 2 (40-bit) file can hold.
inline constexpr uint8_t kRevision2Bits =
    (1u << kv::AllowCopy) | (1u << kv::AllowModify) | (1u << kv::AllowPrint) | (1u << kv::AllowAnnotation);

// pdftotext of every page, whitespace-normalised, page 1 first. `pwOption` is "-upw"
// or "-opw".
inline std::vector<std::string> PageTexts(const std::string& pdf, const std::string& password = "",
                                          const std::string& pwOption = "-upw") {
  std::string cmd = "pdftotext -q -enc UTF-8 ";
  if (!password.empty()) cmd += pwOption + " " + kvtest::ShellQuote(password) + " ";
  auto r = kvtest::Run(cmd + kvtest::ShellQuote(pdf) + " -");
  std::vector<std::string> pages;
  size_t start = 0;
  for (size_t ff; (ff = r.Output.find('\f', start)) != std::string::npos; start = ff + 1)
    pages.push_back(kvtest::NormaliseSpace(r.Output.substr(start, ff - start)));
  return pages;
}

// One line of pdfinfo ("Title:" ...) without its label, or "" when absent.
inline std::string PdfInfoField(const std::string& pdf, const std::string& field, const std::string& password = "") {
  std::string cmd = "pdfinfo -enc UTF-8 ";
  if (!password.empty()) cmd += "-upw " + kvtest::ShellQuote(password) + " ";
  auto r = kvtest::Run(cmd + kvtest::ShellQuote(pdf));
  size_t p = r.Output.find("\n" + field + ":");
  if (r.Output.rfind(field + ":", 0) == 0)
    p = 0;
  else if (p == std::string::npos)
    return "";
  else
    ++p;
  size_t eol = r.Output.find('\n', p);
  return kvtest::NormaliseSpace(r.Output.substr(p + field.size() + 1, eol - p - field.size() - 1));
}

// Expects `fn` to raise E whose message is `message`.
template <typename E>
void ExpectRaises(const std::function<void()>& fn, const std::string& message) {
  try {
    fn();
    ADD_FAILURE() << "nothing raised, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(message, e.what());
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception: " << e.what() << ", expected: " << message;
  }
}

// Sets the process code page for one test.
struct CodePage {
  explicit CodePage(int cp) : Old(kv::GetACP()) { kv::SetACP(cp); }
  ~CodePage() { kv::SetACP(Old); }
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;
  int Old;
};

}  // namespace enctest
