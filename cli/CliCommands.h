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
  void RegisterInfo(CLI::App& app);  // CliInfo.cpp
  int Info();
  // Page commands (CliPageCommands.cpp, CliSplit.cpp).
  void RegisterPageCommands(CLI::App& app);
  void RegisterSplit(CLI::App& app);
  int Copy();
  int Merge();
  int Append(bool insert);
  int Extract();
  int Delete();
  int Rotate();
  int Split();
  // Makes `target` a new document of pages `range` of `doc`, protected as `doc` is.
  void ExtractPart(kv::TkvPDFDocument& doc, const std::string& range, kv::TkvPDFDocument& target);
  int angle_ = 0;
  int every_ = 1;
  // Markings and thumbnails (CliStamp.cpp).
  void RegisterMarkings(CLI::App& app);
  int Stamp();
  int Thumbs();
  std::shared_ptr<struct MarkingOptions> marking_;
  void RegisterBookmarks(CLI::App& app);  // CliBookmarks.cpp
  int Bookmarks();
  // Form fields (CliFields.cpp).
  void RegisterFields(CLI::App& app);
  int Fields();
  int Fill();
  std::vector<std::string> assignments_;
  std::string valuesFile_;
  // Loads a document ("-" reads standard input) with the passwords and progress wiring of
  // the command; a failure names the file.
  void Load(kv::TkvPDFDocument& doc, const std::string& file);
  // Applies the output options and writes the document to -o (see OutputFile). A document
  // without pages is never written.
  void Save(kv::TkvPDFDocument& doc);
  // What Save does before writing.
  void PrepareOutput(kv::TkvPDFDocument& doc);

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
