// The progress bar folio shows on a terminal while the library works.
#pragma once

#include <string>

#include "pdf/document/kvPDFDoc.h"

namespace folio {

class Progress {
 public:
  // Shown only when `enabled` and stderr is a terminal.
  explicit Progress(bool enabled);
  ~Progress();
  // Wires the document's progress, status and warning events to this bar.
  void Attach(kv::TkvCustomPDFDocument& doc);
  void Finish();

 private:
  void Draw();
  void Clear();
  bool active_;
  int percent_ = 0;
  std::string status_;
  bool drawn_ = false;
};

// Prints a library warning on stderr ("folio: warning: ...").
void PrintWarning(const std::string& warning);

}  // namespace folio
