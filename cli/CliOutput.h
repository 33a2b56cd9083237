// Where folio writes a PDF file.
#pragma once

#include <string>

#include "pdf/document/kvPDFDoc.h"

namespace folio {

// One output of a command. A regular file, or a name not taken yet, is written beside
// its target under a temporary name and renamed over it once whole (Commit), so that a
// failure or an interruption never leaves half a file where a good one was; a symbolic
// link is written through to its target; a FIFO, a device or standard output ("-") is
// written directly, from the whole file made ready in memory first. Messages name the
// output as given, never the temporary file.
class OutputFile {
 public:
  explicit OutputFile(std::string target);
  // Removes the temporary file of an output not committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Writes the document to the temporary file or to memory.
  void Write(kv::TkvCustomPDFDocument& doc);
  // Puts what Write wrote in place.
  void Commit();

 private:
  void CreateTemporary();
  [[noreturn]] void Fail(int error) const;

  std::string target_;  // as given, for messages
  std::string path_;    // the file written or replaced, symbolic links followed
  std::string temp_;
  bool direct_ = false;
  bool stdout_ = false;
  std::string bytes_;  // the whole file, for direct outputs
};

}  // namespace folio
