// The file-structure readers on a memory input and on a plain stream: header, startxref
// and the chain of cross-reference sections with their trailers, read as the library reads
// by default and as it reads modern files (cross-reference streams, hybrid sections, odd
// headers and tables), and the rebuilding of the table by scanning.
#include <string>

#include "FuzzSupport.h"
#include "pdf/parser/kvPDFParsers.h"
#include "pdf/parser/kvXRefRepair.h"

namespace {

constexpr int kMaxVisitedEntries = 32;

void VisitEntries(kv::TkvPDFStreamReader& reader, const kv::TkvXRefTable& table) {
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
}

void ReadStructure(kv::TkvStream& input, bool modern) {
  kv::TkvPDFStreamReader reader(1, &input);
  reader.ReadModernFiles = modern;
  kvfuzz::Guarded([&] {
    if (modern)
      reader.ReadModernHeader();
    else
      reader.ReadHeader();
  });
  int64_t start = -1;
  kvfuzz::Guarded([&] { start = reader.FindStartXRef(); });
  if (start >= 0)
    kvfuzz::Guarded([&] {
      kv::TkvXRefTable table;
      int sections = 0;
      kv::ReadXRefSection(reader, start, table, [&] { ++sections; });
      VisitEntries(reader, table);
    });
  if (modern)
    kvfuzz::Guarded([&] {
      kv::TkvXRefTable table;
      kv::RebuildXRefTable(reader, table);
      VisitEntries(reader, table);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  for (bool modern : {false, true}) {
    kv::TkvMemoryStream memory(bytes);
    ReadStructure(memory, modern);
    kvfuzz::ViewStream view(bytes);
    ReadStructure(view, modern);
  }
  return 0;
}
