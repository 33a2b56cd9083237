// Page labels (the numbers a viewer shows: i, ii, 1, 2, A-1...) follow their pages
// through page operations. The catalog's /PageLabels numbers pages by position, so a page
// deleted or inserted would shift every label after it; instead each page keeps the
// label it showed, a copy of one of its pages shows the label of the original, and a page
// from elsewhere continues the numbering of the page before it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace kv {

class TkvCustomPDFDocument;
class TkvPDFIndirectObject;

class TkvPageLabelKeeper {
 public:
  // Notes the label of every page now in `doc`; nothing when the document has no page
  // labels, or ones it cannot read with certainty (they are then left as they are).
  explicit TkvPageLabelKeeper(TkvCustomPDFDocument& doc);
  // Writes page labels that give every page the label noted for it.
  void Apply();

  struct Label {
    std::string Style;   // the numbering style name (/D, /R, /r, /A, /a), empty for none
    std::string Prefix;  // the prefix string as written (with its delimiters), empty for none
    bool PrefixHex = false;
    int64_t Value = 1;
  };

 private:
  TkvCustomPDFDocument& doc_;
  std::unordered_map<const TkvPDFIndirectObject*, Label> labels_;
  std::unordered_map<int64_t, Label> byKey_;  // the first page of each object key
};

}  // namespace kv
