// The file-structure readers on a memory input and on a plain stream: header, startxref
// and the chain of cross-reference sections with their trailers.
#include <string>

#include "FuzzSupport.h"
#include "pdf/parser/kvPDFParsers.h"

namespace {

constexpr int kMaxVisitedEntries = 32;

void ReadStructure(kv::TkvStream& input) {
  kv::TkvPDFStreamReader reader(1, &input);
  kvfuzz::Guarded([&] { reader.ReadHeader(); });
  int64_t start = -1;
  kvfuzz::Guarded([&] { start = reader.FindStartXRef(); });
  if (start < 0) return;
  kvfuzz::Guarded([&] {
    kv::TkvXRefTable table;
    int sections = 0;
    kv::ReadXRefSection(reader, start, table, [&] { ++sections; });
    // The entries the table offers must be places the reader can go. A few suffice: each
    // read may run to the end of the input, and all of them would make the driver quadratic.
    int visited = 0;
    for (const kv::TkvXRefItem& item : table.Items) {
      if (item.EntryType != 'n' || item.Offset <= 0) continue;
      if (++visited > kMaxVisitedEntries) break;
      kvfuzz::Guarded([&] {
        reader.Seek(item.Offset, kv::TkvSeekOrigin::soBeginning);
        reader.ReadObject();
      });
    }
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  kv::TkvMemoryStream memory(bytes);
  ReadStructure(memory);
  kvfuzz::ViewStream view(bytes);
  ReadStructure(view);
  return 0;
}
