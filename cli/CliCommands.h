// folio's subcommands.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CliProgress.h"

namespace folio {

class Commands {
public:
  void Register(CLI::App& app);
  // Runs the chosen command: 0 success, 1 the operation failed.
  int Run();

private:
  int Info();
  int Copy();
  int Merge();
  int Append(bool insert);
  int Extract();
  int Delete();
  void RegisterBookmarks(CLI::App& app);  // CliBookmarks.cpp
  int Bookmarks();
  // Form fields (CliFields.cpp).
  void RegisterFields(CLI::App& app);
  int Fields();
  int Fill();
  std::vector<std::string> assignments_;
  std::string valuesFile_;
  // Loads a document with the password and progress wiring of the command.
  void Load(kv::TkvPDFDocument& doc, const std::string& file);
  void Save(kv::TkvPDFDocument& doc);

  // Documents live as long as the command object: the tool may end without freeing them
  // (see main), which saves taking apart hundreds of thousands of objects at exit.
  kv::TkvPDFDocument& NewDocument();
  std::vector<std::unique_ptr<kv::TkvPDFDocument>> documents_;

  std::function<int()> run_;
  InputOptions in_;
  OutputOptions out_;
  std::vector<std::string> files_;
  std::string file_, other_, pages_;
  int after_ = -1;
  bool json_ = false;
  std::string import_, unit_ = "pt";
  std::unique_ptr<Progress> progress_;
};

// Process code page text to UTF-8, for terminals and JSON.
std::string ToUtf8(const std::string& text);
// UTF-8 text made printable on one line, for messages on stderr.
std::string OneLine(const std::string& text);

}  // namespace folio
