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

// Splits program output into lines.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// A Python program that reads files with pypdf. Given one file it prints, for every
// link annotation, "page:target" with both 1-based, and for every outline item
// "outline:title:target". Given "--compare" and pairs of files (original, copy) it
// prints, per pair, whether page count, every MediaBox and every link and outline
// target agree. Named destinations are resolved through /Dests and the /Names tree
// here, not by pypdf, so files whose names pypdf cannot read are still checked.
inline const char* kPdfFactsProgram = R"(
import sys
from pypdf import PdfReader
from pypdf.generic import IndirectObject, ArrayObject, DictionaryObject, NullObject

def facts(path):
    r = PdfReader(path)
    index = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
    root = r.trailer['/Root']
    names = {}
    dests = root.get('/Dests')
    if dests is not None:
        for k, v in dests.get_object().items():
            names[k[1:]] = v
    def walk(node, depth=0):
        node = node.get_object()
        if depth > 64: return
        for kid in node.get('/Kids', []): walk(kid, depth + 1)
        arr = node.get('/Names', [])
        for i in range(0, len(arr) - 1, 2): names[str(arr[i])] = arr[i + 1]
    if '/Names' in root and '/Dests' in root['/Names'].get_object(): walk(root['/Names'].get_object()['/Dests'])
    def target(d, depth=0):
        if d is None or depth > 8: return 'none'
        d = d.get_object()
        if isinstance(d, NullObject) or d is None: return 'null'
        if isinstance(d, DictionaryObject): return target(d.get('/D'), depth + 1)
        if isinstance(d, ArrayObject):
            if not d: return 'empty'
            first = d[0]
            if isinstance(first, IndirectObject): return str(index.get(first.idnum, 'nopage'))
            if isinstance(first, NullObject): return 'nullpage'
            return 'int' + str(first)
        key = str(d)
        if key.startswith('/'): key = key[1:]
        return target(names.get(key), depth + 1) if key in names else 'unknown ' + key
    def goto(item):
        d = item.get('/Dest')
        if d is None and '/A' in item and item['/A'].get_object().get('/S') == '/GoTo':
            d = item['/A'].get_object().get('/D')
        return d
    links = []
    boxes = []
    for i, p in enumerate(r.pages):
        boxes.append(' '.join('%g' % float(x) for x in p.mediabox))
        annots = p.get('/Annots')
        annots = annots.get_object() if annots is not None else None
        for a in (annots or []):
            a = a.get_object()
            if a is None or a.get('/Subtype') != '/Link' or goto(a) is None: continue
            links.append('%d:%s' % (i + 1, target(goto(a))))
    def outline(item, depth=0):
        while item is not None and depth < 64:
            item = item.get_object()
            title = item.get('/Title')
            links.append('outline:%s:%s' % (title.get_object() if title is not None else None, target(goto(item))))
            if '/First' in item: outline(item['/First'], depth + 1)
            item = item.get('/Next')
    if '/Outlines' in root and root['/Outlines'].get_object() is not None:
        outline(root['/Outlines'].get_object().get('/First'))
    return len(r.pages), boxes, links

if sys.argv[1] == '--compare':
    args = sys.argv[2:]
    for a, b in zip(args[0::2], args[1::2]):
        fa, fb = facts(a), facts(b)
        name = a.rsplit('/', 1)[-1]
        print('%s pages %d %d' % (name, fa[0], fb[0]))
        bad = [i + 1 for i, (x, y) in enumerate(zip(fa[1], fb[1])) if x != y]
        print('%s boxes %s' % (name, 'same' if not bad and len(fa[1]) == len(fb[1]) else 'differ on %s' % bad[:5]))
        bad = [(x, y) for x, y in zip(fa[2], fb[2]) if x != y]
        same = not bad and len(fa[2]) == len(fb[2])
        verdict = 'same %d' % len(fa[2]) if same else 'differ %d/%d %s' % (len(fa[2]), len(fb[2]), bad[:3])
        print('%s links %s' % (name, verdict))
else:
    for line in facts(sys.argv[1])[2]: print(line)
)";

// Runs kPdfFactsProgram with `args`.
inline std::vector<std::string> PdfFacts(const TempDir& dir, const std::string& args) {
  std::string script = dir.File("facts.py");
  if (!FileExists(script)) WriteFile(script, kPdfFactsProgram);
  CommandResult r = Run("/usr/bin/python3 " + ShellQuote(script) + " " + args);
  EXPECT_EQ(0, r.ExitCode) << r.Output;
  return Lines(r.Output);
}

// Link and outline targets of a file.
inline std::vector<std::string> LinkTargets(const TempDir& dir, const std::string& pdf) {
  return PdfFacts(dir, ShellQuote(pdf));
}

// Every page's MediaBox as pypdf resolves it, "llx lly urx ury" with %g numbers.
inline std::vector<std::string> MediaBoxes(const TempDir& dir, const std::string& pdf) {
  return Lines(Python(dir, "from pypdf import PdfReader\nfor p in PdfReader(" + ShellQuote(pdf) +
                               ").pages: print(' '.join('%g' % float(x) for x in p.mediabox))\n"));
}

// A document whose page i shows texts[i] on a MediaBox of (200 + 10 i) x (300 + 10 i);
// all pages share one font object, the last object.
inline std::string PagesPdf(const std::vector<std::string>& texts, const std::string& header = "%PDF-1.4") {
  int n = static_cast<int>(texts.size());
  int font = 3 + 2 * n;
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
  std::string kids;
  for (int i = 0; i < n; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
  for (int i = 0; i < n; ++i) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(200 + 10 * i) + " " +
                      std::to_string(300 + 10 * i) + "] /Contents " + std::to_string(4 + 2 * i) +
                      " 0 R /Resources << /Font << /F1 " + std::to_string(font) + " 0 R >> >> >>");
    objects.push_back("<< /Length %LEN% >>\nstream\nBT /F1 12 Tf 20 20 Td (" + texts[static_cast<size_t>(i)] +
                      ") Tj ET\nendstream");
  }
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  return MakePdf(objects, "", header);
}

// The MediaBox text of page `index` (0-based) of a PagesPdf document.
inline std::string PagesPdfBox(int index) {
  return "0 0 " + std::to_string(200 + 10 * index) + " " + std::to_string(300 + 10 * index);
}

// One page with its own content stream and font resources, numbered from 1: catalog,
// pages, page, content, font. `text` is what the page shows.
inline std::vector<std::string> OnePageObjects(const std::string& text = "Hello") {
  return {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> "
          ">> >>",
          "<< /Length %LEN% >>\nstream\nBT /F1 24 Tf 72 700 Td (" + text + ") Tj ET\nendstream",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
}

}  // namespace kvtest
