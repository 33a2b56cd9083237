// Options shared by folio's commands: the password for encrypted inputs, and the output
// options every writing command takes.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdf/document/kvPDFDoc.h"

namespace folio {

// Printed after every usage error.
inline constexpr const char* kUsageHint = "Run 'folio --help' or 'folio COMMAND --help' for more information.";

// A malformed option value or a combination of options the input does not allow: a usage
// error (exit status 2), not a failed operation.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct InputOptions {
  std::vector<std::string> Passwords;  // tried in turn on each encrypted input
  bool Quiet = false;
  bool Strict = false;  // read only what the library reads by default (PDF 1.0-1.5, classic tables)
};

struct OutputOptions {
  std::string Output;
  std::optional<std::string> Title, Author, Subject, Keywords;
  std::string Layout, Mode, Viewer, Compress, Ascii;
  std::vector<std::string> Transitions;
  int CompressLevel = 6;
  std::string Encrypt, Allow;
  std::optional<std::string> OwnerPassword, UserPassword;  // given, even as empty
  bool Decrypt = false;
};

void AddInputOptions(CLI::App& cmd, InputOptions& in);
void AddOutputOptions(CLI::App& cmd, OutputOptions& out);

// Sets how inputs are read: modern files too unless --strict (passwords: see LoadInput).
void PrepareReading(kv::TkvCustomPDFDocument& doc, const InputOptions& in);
// Applies the output options to the document about to be saved. Fails with a library
// exception (or UsageError for a malformed value) before anything is written. Encrypting
// keeps what the options do not replace (an encrypted input's passwords and permissions)
// and is refused when neither password would be set.
void ApplyOutputOptions(kv::TkvPDFDocument& doc, const OutputOptions& out);

// Names shared with `info`.
extern const char* const kLayoutNames[5];
extern const char* const kModeNames[4];
extern const char* const kViewerNames[6];
extern const char* const kPermissionNames[8];
extern const char* const kTransitionNames[17];
// Permission names granted by a set, in the order of kPermissionNames.
std::vector<std::string> PermissionNames(kv::TkvUserPermissions permissions);

}  // namespace folio
