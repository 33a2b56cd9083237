#include "app/kvDemoStamp.h"

#include "app/kvSimpleDemoConsts.h"
#include "pdf/document/kvPDFDoc.h"

namespace kv {

// SEAM: text markings are not in the library yet; until they are, documents are saved
// without the two demo lines.
void StampDemoMarkings(TkvPDFDocument&) {}

}  // namespace kv
