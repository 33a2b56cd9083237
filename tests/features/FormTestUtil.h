// Helpers of the form field tests: small form documents written as text, the field list
// as one line per field, and what pypdf and poppler read of a filled form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/kvUtils.h"
#include "document/DocTestUtil.h"
#include "pdf/document/kvPDFDoc.h"
#include "support/CodePage.h"
#include "support/TestSupport.h"

namespace formtest {

// A document whose catalog (object 1) has /AcroForm 3 0 R, whose page tree (object 2)
// lists the pages 4, 5, ... (one per entry of `pageAnnots`, each with those /Annots), and
// whose form dictionary (object 3) is `form`. `more` are the objects after the pages,
// numbered from 4 + pages.
inline std::string FormPdf(const std::string& form, const std::vector<std::string>& pageAnnots,
                           const std::vector<std::string>& more) {
  int pages = static_cast<int>(pageAnnots.size());
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(4 + i) + " 0 R ";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /AcroForm 3 0 R >>",
                                      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>",
                                      form};
  for (const std::string& annots : pageAnnots)
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300]" +
                      (annots.empty() ? std::string() : " /Annots [" + annots + "]") + " >>");
  objects.insert(objects.end(), more.begin(), more.end());
  return kvtest::MakePdf(objects);
}

// "name|Type|value|opt1,opt2|ro" per field, in list order.
inline std::vector<std::string> FieldLines(const kv::TkvPDFDocument& doc) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < doc.FieldCount(); ++i) {
    std::string opts;
    for (const std::string& o : doc.FieldOptions(i)) opts += (opts.empty() ? "" : ",") + o;
    out.push_back(doc.FieldName(i) + "|" + kv::FieldTypeName(doc.FieldType(i)) + "|" + doc.FieldValue(i) + "|" + opts +
                  (doc.FieldReadOnly(i) ? "|ro" : ""));
  }
  return out;
}

using kvtest::CodePage;

// pypdf's reading of a file's fields: "full name=value" per terminal field (with /T and
// /FT), in tree order, names and values as pypdf decodes them (a name value keeps its
// slash), followed by "resolved N/M" for the /Fields entries that lead to a dictionary.
inline std::vector<std::string> PypdfFields(const kvtest::TempDir& dir, const std::string& pdf) {
  std::string script = dir.File("pyfields.py");
  kvtest::WriteFile(script, R"(
import sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
out = []
def walk(ref, parent, depth):
    o = ref.get_object()
    if depth > 64 or not hasattr(o, 'get'): return False
    name = parent
    if '/T' in o:
        name = (parent + '.' if parent else '') + str(o['/T'])
        if '/FT' in o: out.append('%s=%s' % (name, o.get('/V')))
    kids = o.get('/Kids')
    for k in (kids.get_object() if kids is not None else []): walk(k, name, depth + 1)
    return True
fields = r.trailer['/Root']['/AcroForm'].get_object().get('/Fields')
fields = fields.get_object() if fields is not None else []
ok = sum(1 for f in fields if walk(f, '', 0))
for line in out: print(line)
print('resolved %d/%d' % (ok, len(fields)))
)");
  kvtest::CommandResult r =
      kvtest::Run("/usr/bin/python3 " + kvtest::ShellQuote(script) + " " + kvtest::ShellQuote(pdf));
  EXPECT_EQ(0, r.ExitCode) << r.Output;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < r.Output.size()) {
    size_t nl = r.Output.find('\n', start);
    if (nl == std::string::npos) nl = r.Output.size();
    lines.push_back(r.Output.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// What poppler shows of the widgets' own appearance streams: the file with
// /NeedAppearances switched off (a viewer would otherwise draw the fields itself), as
// `pdftotext` reads page `page` (0 = every page), with `extra` options.
inline std::string ShownText(const kvtest::TempDir& dir, const std::string& pdf, int page = 0,
                             const std::string& extra = "") {
  std::string bytes = kvtest::ReadFile(pdf);
  // The same length, so that every cross-reference offset stays right.
  for (size_t p = bytes.find("/NeedAppearances true"); p != std::string::npos;
       p = bytes.find("/NeedAppearances true", p))
    bytes.replace(p, 21, "/NeedAppearances null");
  std::string copy = dir.File("shown.pdf");
  kvtest::WriteFile(copy, bytes);
  std::string range = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  return kvtest::Run("pdftotext -q -enc UTF-8" + range + " " + extra + " " + kvtest::ShellQuote(copy) + " -").Output;
}

inline bool HaveCheckers() {
  return kvtest::HaveTool("qpdf") && kvtest::HaveTool("pdftotext") && kvtest::HaveTool("/usr/bin/python3");
}

}  // namespace formtest
