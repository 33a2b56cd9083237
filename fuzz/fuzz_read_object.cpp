// The object reader on arbitrary bytes: every object until the end of the input or the
// first failure, each serialised and read back. A value that reads back differently from
// how it was written is a fault of the reader or of the serialiser.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "pdf/parser/kvPDFParsers.h"

namespace {

// References are written with the number they were read with, so they survive the trip.
class IdentityContext : public kv::TkvPDFWriteContext {
 public:
  int32_t OutputNumberOf(const kv::TkvPDFIndirectReference& ref) override { return ref.ObjectNumber; }
  bool IsEncrypting() override { return false; }
  std::string EncryptString(const std::string& bytes, int32_t) override { return bytes; }
  bool FilterStreamForOutput(const kv::TkvPDFStreamObject&, std::unique_ptr<kv::TkvPDFDictObject>&,
                             std::string&) override {
    return false;
  }
};

// Direct values only, at any depth: an indirect object (the reader accepts "1 0 obj"
// inside an array) writes nothing in place, and stream data is written without its
// reading context.
bool IsDirect(const kv::TkvPDFObject* obj) {
  if (!obj) return true;
  if (obj->IsIndirectObject() || obj->IsStream()) return false;
  if (obj->IsArray()) {
    for (const auto& item : static_cast<const kv::TkvPDFArrayObject*>(obj)->Items)
      if (!IsDirect(item.get())) return false;
  } else if (obj->IsDictionary()) {
    for (const auto& value : static_cast<const kv::TkvPDFDictObject*>(obj)->Values)
      if (!IsDirect(value.get())) return false;
  }
  return true;
}

// The serialiser gives every page dictionary "/Parent 3 0 R" (the page tree of the
// output); dropping /Parent entries before each write makes the trip comparable.
void StripParents(kv::TkvPDFObject* obj) {
  if (!obj) return;
  if (obj->IsArray()) {
    for (auto& item : static_cast<kv::TkvPDFArrayObject*>(obj)->Items) StripParents(item.get());
  } else if (obj->IsDictionary()) {
    auto* dict = static_cast<kv::TkvPDFDictObject*>(obj);
    while (dict->IndexOfKey("/Parent") >= 0) dict->Remove("/Parent");
    for (auto& value : dict->Values) StripParents(value.get());
  }
}

void CheckRoundTrip(kv::TkvPDFObject& obj) {
  if (!IsDirect(&obj)) return;
  IdentityContext ctx;
  StripParents(&obj);
  std::string first = obj.ToText(&ctx);
  kv::TkvMemoryStream input(first);
  kv::TkvPDFStreamReader reader(1, &input);
  kv::TkvPDFObjectPtr again;
  try {
    again = reader.ReadObject();
  } catch (const kv::Exception& e) {
    fprintf(stderr, "what was written does not read back (%s):\n  %s\n", e.what(), first.c_str());
    abort();
  }
  if (!again) abort();
  StripParents(again.get());
  std::string second = again->ToText(&ctx);
  if (second != first) {
    fprintf(stderr, "round trip changed the value:\n  %s\n  %s\n", first.c_str(), second.c_str());
    abort();
  }
}

void ReadStreamOf(kv::TkvPDFStreamReader& reader, kv::TkvPDFIndirectObject& ind) {
  auto* stream = static_cast<kv::TkvPDFStreamObject*>(ind.Value.get());
  kv::TkvPDFObject* length = stream->Dictionary ? stream->Dictionary->GetValue("/Length") : nullptr;
  int64_t n = 0;
  if (length && length->IsInteger()) n = static_cast<kv::TkvPDFIntegerObject*>(length)->Value;
  if (length && length->IsInt64()) n = static_cast<kv::TkvPDFInt64Object*>(length)->Value;
  stream->Data = reader.ReadStreamData(n, ind.ObjectNumber, ind.Generation);
  IdentityContext ctx;
  std::string text;
  ind.SerializeIndirect(text, &ctx);
}

void ReadAll(kv::TkvStream& input) {
  kv::TkvPDFStreamReader reader(1, &input);
  kvfuzz::Guarded([&] {
    while (!reader.AtEnd()) {
      int64_t before = reader.Pos();
      kv::TkvPDFObjectPtr obj = reader.ReadObject();
      if (obj) {
        if (obj->IsIndirectObject()) {
          auto* ind = static_cast<kv::TkvPDFIndirectObject*>(obj.get());
          if (ind->Value && ind->Value->IsStream()) ReadStreamOf(reader, *ind);
          if (ind->Value) CheckRoundTrip(*ind->Value);
        } else {
          CheckRoundTrip(*obj);
        }
      }
      reader.SkipWhitespace();
      // A closing bracket at the top level reads as no object; step over it.
      if (reader.Pos() == before) reader.SkipBytes(1);
    }
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  kv::TkvMemoryStream memory(bytes);
  ReadAll(memory);
  kvfuzz::ViewStream view(bytes);
  ReadAll(view);
  return 0;
}
