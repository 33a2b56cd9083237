// The two text markings every document saved by the wizard carries: a line naming the
// product and one with its web address, centred across page 1's middle.
#pragma once

namespace kv {

class TkvPDFDocument;

void StampDemoMarkings(TkvPDFDocument& document);

}  // namespace kv
