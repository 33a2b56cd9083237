// folio's inputs: files mapped (or read whole when they cannot be: "-" is standard input,
// read once however often it is named), opened with each password given until one fits.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "CliOptions.h"

namespace folio {

// A failure while reading one input: "FILE: MESSAGE", already UTF-8 for the terminal.
class InputFailure : public std::runtime_error {
 public:
  InputFailure(const std::string& file, const std::string& utf8Message);
};

// How messages name an input.
std::string InputName(const std::string& file);

// Loads `file` into `doc`, trying each password of `in` in turn on an encrypted file
// (the library's "Wrong password." when none opens it). Every failure is an InputFailure.
void LoadInput(kv::TkvCustomPDFDocument& doc, const std::string& file, const InputOptions& in);

// Loads what pages `pages` of `doc` refer to when its loading deferred them, failing as
// LoadInput fails: damage in what a page uses is a failure of the input either way.
void LoadInputPages(kv::TkvCustomPDFDocument& doc, const std::string& file, const std::vector<int32_t>& pages);

// True when `argument` names an input as it stands: "-" or an existing file.
bool IsInputAsGiven(const std::string& argument);

}  // namespace folio
