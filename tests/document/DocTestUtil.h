// Helpers shared by the document engine tests: loading template files, saving to
// bytes, recording events, and asking independent tools about written files.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pdf/document/kvPDFDoc.h"
#include "support/TestSupport.h"

namespace kvtest {

// Every event of a document as one line each, in the order they came.
struct EventLog {
  std::vector<std::string> Lines;
  void Attach(kv::TkvCustomPDFDocument& doc) {
    doc.OnStatusMessage = [this](kv::TkvCustomPDFDocument*, const std::string& s) { Lines.push_back("status " + s); };
    doc.OnIOProgress = [this](kv::TkvCustomPDFDocument*, int p) { Lines.push_back("io " + std::to_string(p)); };
    doc.OnWarning = [this](kv::TkvCustomPDFDocument*, const std::string& s) { Lines.push_back("warning " + s); };
    doc.OnBeginRead = [this](kv::TkvCustomPDFDocument*) { Lines.push_back("begin"); };
    doc.OnEndRead = [this](kv::TkvCustomPDFDocument*) { Lines.push_back("end"); };
    doc.OnOperationProgress = [this](kv::TkvCustomPDFDocument*, kv::TkvOperation op, int cur, int total) {
      Lines.push_back("op " + std::to_string(op) + " " + std::to_string(cur) + "/" + std::to_string(total));
    };
  }
  // The lines that start with `prefix`.
  std::vector<std::string> With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : Lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  bool Has(const std::string& line) const {
    for (const auto& l : Lines)
      if (l == line) return true;
    return false;
  }
};

// Writes `pdf` into `dir` under `name` and loads it.
inline std::string Put(const TempDir& dir, const std::string& name, const std::string& pdf) {
  std::string path = dir.File(name);
  WriteFile(path, pdf);
  return path;
}

inline bool LoadText(kv::TkvCustomPDFDocument& doc, const TempDir& dir, const std::string& pdf,
                     const std::string& name = "in.pdf") {
  return doc.LoadFromFile(Put(dir, name, pdf));
}

// Saves under `name` in `dir` and returns the written bytes.
inline std::string SaveBytes(kv::TkvCustomPDFDocument& doc, const TempDir& dir, const std::string& name = "out.pdf") {
  std::string path = dir.File(name);
  doc.SaveToFileAs(path);
  return ReadFile(path);
}

// Runs a Python program (with pypdf available) and returns what it printed.
inline std::string Python(const TempDir& dir, const std::string& program) {
  std::string script = dir.File("check.py");
  WriteFile(script, program);
  CommandResult r = Run("/usr/bin/python3 " + ShellQuote(script));
  EXPECT_EQ(0, r.ExitCode) << r.Output;
  return r.Output;
}

// Expects `fn` to raise E with exactly `message`.
template <typename E>
void ExpectRaises(const std::function<void()>& fn, const std::string& message) {
  try {
    fn();
    ADD_FAILURE() << "nothing raised, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(message, e.what());
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception (" << typeid(e).name() << "): " << e.what() << ", expected: " << message;
  }
}

// pdftotext of every page of a file, whitespace-normalised, page 1 first.
inline std::vector<std::string> AllPageTexts(const std::string& pdf) {
  CommandResult r = Run("pdftotext -q -enc UTF-8 " + ShellQuote(pdf) + " -");
  std::vector<std::string> pages;
  size_t start = 0;
  for (;;) {
    size_t ff = r.Output.find('\f', start);
    if (ff == std::string::npos) break;
    pages.push_back(NormaliseSpace(r.Output.substr(start, ff - start)));
    start = ff + 1;
  }
  return pages;
}

// One page with its own content stream and font resources, numbered from 1: catalog,
// pages, page, content, font. `text` is what the page shows.
inline std::vector<std::string> OnePageObjects(const std::string& text = "Hello") {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
          ">> >>",
          "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (" + text + ") Tj ET\nendstream",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
}

}  // namespace kvtest
