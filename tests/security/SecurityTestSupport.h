// Pieces of the security tests: an independent view of an encrypted file (qpdf's JSON of
// its decrypted objects, its cross-reference offsets and the file's raw bytes), turned
// into objects of ours where the handler needs them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "core/kvPDFUtils.h"
#include "pdf/objects/kvPDFObjects.h"
#include "support/TestSupport.h"

namespace sectest {

using nlohmann::json;

inline std::string HexDecode(const std::string& hex) { return kv::HexToBytes(hex); }

inline std::string Base64Decode(const std::string& text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  int bits = 0, buffer = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) continue;
    buffer = (buffer << 6) | v;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

// A JSON value of qpdf as one of our objects: "/Name", "b:hex" and "u:text" strings
// (written as hex strings), numbers, booleans, arrays and dictionaries.
inline kv::TkvPDFObjectPtr ToObject(const json& v) {
  if (v.is_boolean()) return std::make_unique<kv::TkvPDFBooleanObject>(v.get<bool>());
  if (v.is_number_integer()) {
    auto n = v.get<int64_t>();
    if (n >= INT32_MIN && n <= INT32_MAX) return std::make_unique<kv::TkvPDFIntegerObject>(static_cast<int32_t>(n));
    return std::make_unique<kv::TkvPDFInt64Object>(n);
  }
  if (v.is_number()) return std::make_unique<kv::TkvPDFRealObject>(v.get<double>());
  if (v.is_array()) {
    auto a = std::make_unique<kv::TkvPDFArrayObject>();
    for (const auto& item : v) a->Add(ToObject(item));
    return a;
  }
  if (v.is_object()) {
    auto d = std::make_unique<kv::TkvPDFDictObject>();
    for (const auto& [key, item] : v.items()) d->AddObject(key, ToObject(item));
    return d;
  }
  auto s = v.get<std::string>();
  if (s.starts_with("/")) return std::make_unique<kv::TkvPDFNameObject>(s);
  if (s.starts_with("b:")) return std::make_unique<kv::TkvPDFStringObject>("<" + s.substr(2) + ">", true);
  if (s.starts_with("u:")) return std::make_unique<kv::TkvPDFStringObject>("(" + s.substr(2) + ")", false);
  return std::make_unique<kv::TkvPDFNullObject>();
}

// An encrypted file as qpdf reads it with a password, beside its raw bytes.
struct QpdfView {
  json Objects;                 // "obj:N G R" -> {"value": ...} or {"stream": {...}}
  json Trailer;                 // the trailer dictionary
  json Encrypt;                 // qpdf's report on the encryption
  std::map<int, long> Offsets;  // object number -> byte offset
  std::string Bytes;

  const json& Object(const std::string& ref) const { return Objects.at("obj:" + ref); }
  int EncryptNumber() const { return std::atoi(Trailer.at("/Encrypt").get<std::string>().c_str()); }
  std::unique_ptr<kv::TkvPDFDictObject> EncryptDict() const {
    auto obj = ToObject(Object(Trailer.at("/Encrypt").get<std::string>()).at("value"));
    return std::unique_ptr<kv::TkvPDFDictObject>(static_cast<kv::TkvPDFDictObject*>(obj.release()));
  }
  std::unique_ptr<kv::TkvPDFArrayObject> IDArray() const {
    if (!Trailer.contains("/ID")) return nullptr;
    auto obj = ToObject(Trailer.at("/ID"));
    return std::unique_ptr<kv::TkvPDFArrayObject>(static_cast<kv::TkvPDFArrayObject*>(obj.release()));
  }
};

inline QpdfView ReadWithQpdf(const std::string& path, const std::string& password) {
  QpdfView view;
  std::string pw = "--password=" + kvtest::ShellQuote(password) + " ";
  auto r = kvtest::Run(
      "qpdf --json=2 --json-key=qpdf --json-key=encrypt --json-stream-data=inline "
      "--decode-level=none " +
      pw + kvtest::ShellQuote(path) + " 2>/dev/null");
  json doc = json::parse(r.Output);
  view.Objects = doc.at("qpdf").at(1);
  view.Trailer = view.Objects.at("trailer").at("value");
  view.Encrypt = doc.at("encrypt");
  auto xref = kvtest::Run("qpdf --show-xref " + pw + kvtest::ShellQuote(path));
  std::istringstream lines(xref.Output);
  std::string line;
  while (std::getline(lines, line)) {
    int number = 0, generation = 0;
    long offset = 0;
    if (std::sscanf(line.c_str(), "%d/%d: uncompressed; offset = %ld", &number, &generation, &offset) == 3)
      view.Offsets[number] = offset;
  }
  view.Bytes = kvtest::ReadFile(path);
  return view;
}

// The raw (encrypted) data of stream object `number` of `length` bytes.
inline std::string RawStreamData(const QpdfView& view, int number, size_t length) {
  size_t pos = static_cast<size_t>(view.Offsets.at(number));
  for (;;) {
    pos = view.Bytes.find("stream", pos);
    if (pos == std::string::npos) return {};
    char before = view.Bytes[pos - 1];
    if (before == '>' || before == ' ' || before == '\n' || before == '\r') break;
    pos += 6;
  }
  pos += 6;
  if (view.Bytes[pos] == '\r') ++pos;
  if (view.Bytes[pos] == '\n') ++pos;
  return view.Bytes.substr(pos, length);
}

// The raw bytes of the string that follows `key` in the text of object `number`; false
// when the key is not found exactly once or holds no string.
inline bool RawStringAfterKey(const QpdfView& view, int number, const std::string& key, std::string& bytes) {
  size_t start = static_cast<size_t>(view.Offsets.at(number));
  size_t end = view.Bytes.find("endobj", start);
  std::string text = view.Bytes.substr(start, end - start);
  auto isDelimiter = [](char c) { return std::string(" \t\r\n\f/<>[]()").find(c) != std::string::npos; };
  size_t found = std::string::npos, count = 0;
  for (size_t p = text.find(key); p != std::string::npos; p = text.find(key, p + 1)) {
    if (p + key.size() < text.size() && isDelimiter(text[p + key.size()])) {
      found = p + key.size();
      ++count;
    }
  }
  if (count != 1) return false;
  size_t p = text.find_first_not_of(" \t\r\n\f", found);
  if (p == std::string::npos) return false;
  if (text[p] == '<' && p + 1 < text.size() && text[p + 1] != '<') {
    size_t close = text.find('>', p);
    std::string hex = text.substr(p + 1, close - p - 1);
    if (hex.size() % 2) hex += '0';
    bytes = kv::HexToBytes(hex);
    return true;
  }
  if (text[p] != '(') return false;
  int depth = 0;
  size_t q = p;
  for (; q < text.size(); ++q) {
    if (text[q] == '\\') {
      ++q;
    } else if (text[q] == '(') {
      ++depth;
    } else if (text[q] == ')' && --depth == 0) {
      break;
    }
  }
  bytes = kv::UnescapeLiteral(std::string_view(text).substr(p + 1, q - p - 1));
  return true;
}

inline std::string Utf16BEToUtf8(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t c = (static_cast<uint8_t>(bytes[i]) << 8) | static_cast<uint8_t>(bytes[i + 1]);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = (static_cast<uint8_t>(bytes[i + 2]) << 8) | static_cast<uint8_t>(bytes[i + 3]);
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Whether qpdf's JSON form of a string ("b:hex" bytes, or "u:" UTF-8 text read from
// UTF-16 or from PDFDocEncoding) shows exactly `bytes`. False for values that are no
// string or whose text cannot be told exactly (PDFDocEncoding beyond ASCII).
inline bool ComparableString(const json& v, const std::string& bytes, bool& same) {
  if (!v.is_string()) return false;
  auto s = v.get<std::string>();
  if (s.starts_with("b:")) {
    same = HexDecode(s.substr(2)) == bytes;
    return true;
  }
  if (!s.starts_with("u:")) return false;
  std::string text = s.substr(2);
  if (bytes.starts_with("\xFE\xFF")) {
    same = Utf16BEToUtf8(std::string_view(bytes).substr(2)) == text;
    return true;
  }
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  same = text == bytes;
  return true;
}

}  // namespace sectest
