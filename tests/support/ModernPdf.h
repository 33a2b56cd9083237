// Modern PDF files written as readable templates for tests: objects numbered 1..n as text,
// some of them kept in an object stream, and a cross-reference stream (or a hybrid
// classic table naming one) computed here, so a test shows the file it reads.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "pdf/filters/kvFilterCodecs.h"
#include "pdf/filters/kvPredictors.h"

namespace kvtest {

struct ModernPdfOptions {
  std::vector<int> InObjectStream;  // object numbers kept in the object stream (n + 1)
  bool Predictor = true;            // PNG Up over the entries, as most writers do
  bool LZW = false;                 // LZW instead of Flate, for both streams
  bool Hybrid = false;              // a classic table for the direct objects, /XRefStm for the rest
  std::string Header = "%PDF-1.5";
  std::string TrailerExtra;
};

inline std::string ModernBigEndian(unsigned long value, int width) {
  std::string out(static_cast<size_t>(width), '\0');
  for (int i = width - 1; i >= 0; --i, value >>= 8) out[static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
  return out;
}

inline std::string ModernCompress(const std::string& data, bool lzw) {
  return lzw ? kv::codec::LZWEncode(data, true) : kv::codec::FlateEncode(data, 6);
}

// The file. Object bodies may use %LEN% as MakePdf's do only for direct streams.
inline std::string MakeModernPdf(const std::vector<std::string>& objects, const ModernPdfOptions& o = {}) {
  const std::set<int> packed(o.InObjectStream.begin(), o.InObjectStream.end());
  const int n = static_cast<int>(objects.size());
  const int objStm = n + 1, xrefStm = n + 2;
  const std::string filter = o.LZW ? "/LZWDecode" : "/FlateDecode";
  std::string pdf = o.Header + "\n%\xE2\xE3\xCF\xD3\n";
  std::vector<long> offsets(static_cast<size_t>(n + 3), 0);
  std::vector<int> index(static_cast<size_t>(n + 3), 0);
  auto body = [](std::string text) {
    size_t pos = text.find("%LEN%");
    if (pos == std::string::npos) return text;
    size_t start = text.find("stream\n", pos) + 7, end = text.find("\nendstream", start);
    return text.replace(pos, 5, std::to_string(end - start));
  };
  for (int i = 1; i <= n; ++i) {
    if (packed.count(i)) continue;
    offsets[static_cast<size_t>(i)] = static_cast<long>(pdf.size());
    pdf += std::to_string(i) + " 0 obj\n" + body(objects[static_cast<size_t>(i - 1)]) + "\nendobj\n";
  }
  if (!packed.empty()) {
    std::string header, values;
    int k = 0;
    for (int number : packed) {
      header += std::to_string(number) + " " + std::to_string(values.size()) + " ";
      values += objects[static_cast<size_t>(number - 1)] + "\n";
      index[static_cast<size_t>(number)] = k++;
    }
    const std::string data = ModernCompress(header + values, o.LZW);
    offsets[static_cast<size_t>(objStm)] = static_cast<long>(pdf.size());
    pdf += std::to_string(objStm) + " 0 obj\n<< /Type /ObjStm /N " + std::to_string(packed.size()) + " /First " +
           std::to_string(header.size()) + " /Filter " + filter + " /Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream\nendobj\n";
  }
  // Entries: type 1 byte, offset or object stream 4 bytes, generation or index 2 bytes.
  auto row = [&](int i) {
    if (packed.count(i))
      return "\x02" + ModernBigEndian(static_cast<unsigned long>(objStm), 4) +
             ModernBigEndian(static_cast<unsigned long>(index[static_cast<size_t>(i)]), 2);
    if (offsets[static_cast<size_t>(i)] == 0) return std::string("\x00\x00\x00\x00\x00\xFF\xFF", 7);
    return "\x01" + ModernBigEndian(static_cast<unsigned long>(offsets[static_cast<size_t>(i)]), 4) +
           std::string(2, '\0');
  };
  std::string rows, index_entry;
  const int size = n + 3;
  if (o.Hybrid) {
    for (int i : packed) rows += row(i);
    for (int i : packed) index_entry += std::to_string(i) + " 1 ";
  } else {
    offsets[static_cast<size_t>(xrefStm)] = static_cast<long>(pdf.size());
    for (int i = 0; i < size; ++i) rows += row(i);
    index_entry = "0 " + std::to_string(size);
  }
  std::string parms;
  if (o.Predictor) {
    rows = kv::ApplyPredictor(rows, {12, 1, 8, 7}, 2);
    parms = " /DecodeParms << /Predictor 12 /Columns 7 >>";
  }
  const std::string data = ModernCompress(rows, o.LZW);
  const long xrefAt = static_cast<long>(pdf.size());
  pdf += std::to_string(xrefStm) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(size) + " /Index [" + index_entry +
         "] /W [1 4 2] /Filter " + filter + parms + " /Length " + std::to_string(data.size()) +
         (o.Hybrid ? "" : " /Root 1 0 R " + o.TrailerExtra) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
  if (!o.Hybrid) return pdf + "startxref\n" + std::to_string(xrefAt) + "\n%%EOF\n";
  // The classic table lists the direct objects and the object stream; the packed ones
  // are free there.
  const long tableAt = static_cast<long>(pdf.size());
  pdf += "xref\n0 " + std::to_string(n + 2) + "\n0000000000 65535 f\r\n";
  char line[32];
  for (int i = 1; i <= n + 1; ++i) {
    const bool inUse = offsets[static_cast<size_t>(i)] != 0 && !packed.count(i);
    std::snprintf(line, sizeof line, "%010ld 00000 %c\r\n", offsets[static_cast<size_t>(i)], inUse ? 'n' : 'f');
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(n + 2) + " /Root 1 0 R /XRefStm " + std::to_string(xrefAt) + " " +
         o.TrailerExtra + " >>\nstartxref\n" + std::to_string(tableAt) + "\n%%EOF\n";
  return pdf;
}

}  // namespace kvtest
