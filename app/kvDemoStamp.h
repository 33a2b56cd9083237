// The two text markings every document saved by the wizard carries, over the content of
// every page: a line naming the product (maroon) and one with its web address (blue),
// centred across the middle of page 1's height.
#pragma once

namespace kv {

class TkvPDFDocument;

void StampDemoMarkings(TkvPDFDocument& document);

}  // namespace kv
