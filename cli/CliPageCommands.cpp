// folio's page commands: copy, merge, append, insert, extract, delete and rotate.
#include <stdexcept>

#include "CliCommands.h"
#include "CliConsts.h"
#include "CliInput.h"
#include "CliPageSelection.h"

namespace folio {

namespace {

constexpr const char* kRangeHelp =
    "page numbers and ranges as \"1,3,5-12\", also last, odd, even, 5-last and descending ranges (12-5) "
    "for pages in reverse order";

// A FILE:RANGE argument of merge: the suffix is a range only when the whole argument
// names no input, so that a file whose name has a colon is still read as it is.
std::pair<std::string, std::string> SplitInputRange(const std::string& argument) {
  size_t colon = argument.find_last_of(':');
  if (colon == std::string::npos || IsInputAsGiven(argument)) return {argument, ""};
  return {argument.substr(0, colon), argument.substr(colon + 1)};
}

// Refuses a selection that names no page where it would remove or select pages: an unset
// shell variable must not read as every page.
void RequirePages(const std::string& pages) {
  if (IsEmptySelection(pages)) throw UsageError(msg::SEmptyPages);
}

}  // namespace

void Commands::RegisterPageCommands(CLI::App& app) {
  auto* copy = app.add_subcommand("copy", "Load FILE and write it anew (applying the output options)");
  copy->add_option("FILE", file_, "PDF file (- reads standard input)")->required();
  AddInputOptions(*copy, in_);
  AddOutputOptions(*copy, out_);
  copy->callback([this] { run_ = [this] { return Copy(); }; });

  auto* merge = app.add_subcommand("merge", "Merge files, in the order given, into one document");
  merge->add_option("FILE", files_, "PDF files; FILE:RANGE takes those pages of FILE (for example a.pdf:1-3,7)")
      ->required()
      ->expected(1, -1);
  AddInputOptions(*merge, in_);
  AddOutputOptions(*merge, out_);
  merge->callback([this] { run_ = [this] { return Merge(); }; });

  auto* append = app.add_subcommand("append", "Append pages of OTHER after the last page of FILE");
  append->add_option("FILE", file_, "PDF file receiving pages")->required();
  append->add_option("OTHER", other_, "PDF file giving pages")->required();
  append->add_option("--pages", pages_, std::string("Pages of OTHER (default all): ") + kRangeHelp)->type_name("RANGE");
  AddInputOptions(*append, in_);
  AddOutputOptions(*append, out_);
  append->callback([this] { run_ = [this] { return Append(false); }; });

  auto* insert = app.add_subcommand("insert", "Insert pages of OTHER after page N of FILE (0 = before page 1)");
  insert->add_option("FILE", file_, "PDF file receiving pages")->required();
  insert->add_option("OTHER", other_, "PDF file giving pages")->required();
  insert->add_option("--after", after_, "Page of FILE after which the pages go (0 = before page 1)")
      ->required()
      ->type_name("N");
  insert->add_option("--pages", pages_, std::string("Pages of OTHER (default all): ") + kRangeHelp)->type_name("RANGE");
  AddInputOptions(*insert, in_);
  AddOutputOptions(*insert, out_);
  insert->callback([this] { run_ = [this] { return Append(true); }; });

  auto* extract = app.add_subcommand("extract", "Write a new document of pages RANGE of FILE");
  extract->add_option("FILE", file_, "PDF file")->required();
  extract->add_option("--pages", pages_, std::string("Pages to extract (all for every page): ") + kRangeHelp)
      ->required()
      ->type_name("RANGE");
  AddInputOptions(*extract, in_);
  AddOutputOptions(*extract, out_);
  extract->callback([this] { run_ = [this] { return Extract(); }; });

  auto* del = app.add_subcommand("delete", "Write FILE without pages RANGE");
  del->add_option("FILE", file_, "PDF file")->required();
  del->add_option("--pages", pages_, std::string("Pages to delete: ") + kRangeHelp)->required()->type_name("RANGE");
  AddInputOptions(*del, in_);
  AddOutputOptions(*del, out_);
  del->callback([this] { run_ = [this] { return Delete(); }; });

  auto* rotate = app.add_subcommand("rotate", "Turn pages clockwise by a quarter turn, a half turn or three quarters");
  rotate->add_option("FILE", file_, "PDF file")->required();
  rotate->add_option("--angle", angle_, "Degrees clockwise, added to each page's rotation (-90 turns back)")
      ->required()
      ->check(CLI::IsMember({90, 180, 270, -90}))
      ->type_name("90|180|270|-90");
  rotate->add_option("--pages", pages_, std::string("Pages to turn (default all): ") + kRangeHelp)->type_name("RANGE");
  AddInputOptions(*rotate, in_);
  AddOutputOptions(*rotate, out_);
  rotate->callback([this] { run_ = [this] { return Rotate(); }; });
}

int Commands::Copy() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  Save(doc);
  return 0;
}

int Commands::Merge() {
  kv::TkvPDFDocument& doc = NewDocument();
  for (const std::string& argument : files_) {
    auto [file, range] = SplitInputRange(argument);
    // Each input is let go once its pages are taken: the merged document owns copies.
    kv::TkvPDFDocument source;
    Load(source, file);
    progress_->Attach(doc);
    try {
      doc.MergePagesFrom(source, TranslatePages(range, source.PageCount()));
    } catch (const std::exception& e) {
      throw InputFailure(file, ToUtf8(e.what()));
    }
  }
  Save(doc);
  return 0;
}

int Commands::Append(bool insert) {
  kv::TkvPDFDocument& doc = NewDocument();
  kv::TkvPDFDocument& other = NewDocument();
  Load(doc, file_);
  Load(other, other_);
  progress_->Attach(doc);
  std::string pages = TranslatePages(pages_, other.PageCount());
  if (insert)
    doc.InsertPagesFrom(other, pages, after_);
  else
    doc.AppendPagesFrom(other, pages);
  Save(doc);
  return 0;
}

void Commands::ExtractPart(kv::TkvPDFDocument& doc, const std::string& range, kv::TkvPDFDocument& target) {
  doc.ExtractPagesTo(target, range);
  // The new document is protected as its source was.
  if (target.EncryptionSettings().CanChange()) target.EncryptionSettings().Assign(doc.EncryptionSettings());
}

int Commands::Extract() {
  RequirePages(pages_);
  kv::TkvPDFDocument& doc = NewDocument();
  // Only the pages taken are read beyond their own dictionaries.
  doc.SetDeferPageLoading(true);
  Load(doc, file_);
  kv::TkvPDFDocument& target = NewDocument();
  const std::string range = TranslatePages(pages_, doc.PageCount());
  LoadInputPages(doc, file_, kv::TkvCustomPDFDocument::ParsePageRange(range, doc.PageCount()));
  ExtractPart(doc, range, target);
  Save(target);
  return 0;
}

int Commands::Delete() {
  RequirePages(pages_);
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  doc.DeletePages(TranslatePages(pages_, doc.PageCount()));
  Save(doc);
  return 0;
}

int Commands::Rotate() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  doc.RotatePages(TranslatePages(pages_, doc.PageCount()), angle_);
  Save(doc);
  return 0;
}

}  // namespace folio
