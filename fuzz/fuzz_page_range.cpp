// Page-range text against a page count: the first two bytes give the count (-1 to
// 65534; a document's page count is the number of pages it holds in memory), the rest
// is the text. Every page of a successful result must lie in 1..count.
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "pdf/document/kvCstPDFDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int32_t pageCount = ((data[0] << 8) | data[1]) - 1;
  std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  kvfuzz::Guarded([&] {
    std::vector<int32_t> pages = kv::TkvCustomPDFDocument::ParsePageRange(text, pageCount);
    for (int32_t p : pages)
      if (p < 1 || p > pageCount) abort();
  });
  return 0;
}
