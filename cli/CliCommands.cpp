#include "CliCommands.h"

#include <cstdio>
#include <iostream>

#include "CliProgress.h"
#include "core/kvUtils.h"

namespace folio {

std::string ToUtf8(const std::string& text) { return kv::AnsiToUtf8(text); }

std::string OneLine(const std::string& text) {
  // Messages may quote bytes of a damaged file: line breaks, control characters and bytes
  // that are not UTF-8 are shown as \xNN so that a failure stays one readable line.
  std::string out;
  out.reserve(text.size());
  char hex[8];
  auto escape = [&](unsigned char c) {
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += hex;
  };
  for (size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
      ++i;
      continue;
    }
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool valid = len > 0 && i + len <= text.size();
    for (size_t k = 1; valid && k < len; ++k) valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!valid) {
      escape(c);
      ++i;
      continue;
    }
    out.append(text, i, len);
    i += len;
  }
  return out;
}

void Commands::Register(CLI::App& app) {
  auto* info = app.add_subcommand("info", "Show version, pages, encryption, information entries and page sizes");
  info->add_option("FILE", file_, "PDF file")->required();
  info->add_flag("--json", json_, "Print one JSON object");
  AddInputOptions(*info, in_);
  info->callback([this] { run_ = [this] { return Info(); }; });

  auto* copy = app.add_subcommand("copy", "Load FILE and write it anew (applying the output options)");
  copy->add_option("FILE", file_, "PDF file")->required();
  AddInputOptions(*copy, in_);
  AddOutputOptions(*copy, out_);
  copy->callback([this] { run_ = [this] { return Copy(); }; });

  auto* merge = app.add_subcommand("merge", "Merge files, in the order given, into one document");
  merge->add_option("FILE", files_, "PDF files (two or more)")->required()->expected(1, -1);
  AddInputOptions(*merge, in_);
  AddOutputOptions(*merge, out_);
  merge->callback([this] { run_ = [this] { return Merge(); }; });

  auto* append = app.add_subcommand("append", "Append pages of OTHER after the last page of FILE");
  append->add_option("FILE", file_, "PDF file receiving pages")->required();
  append->add_option("OTHER", other_, "PDF file giving pages")->required();
  append->add_option("--pages", pages_, "Pages of OTHER, e.g. \"1,3,5-12\" (default all)")->type_name("RANGE");
  AddInputOptions(*append, in_);
  AddOutputOptions(*append, out_);
  append->callback([this] { run_ = [this] { return Append(false); }; });

  auto* insert = app.add_subcommand("insert", "Insert pages of OTHER after page N of FILE (0 = before page 1)");
  insert->add_option("FILE", file_, "PDF file receiving pages")->required();
  insert->add_option("OTHER", other_, "PDF file giving pages")->required();
  insert->add_option("--after", after_, "Page of FILE after which the pages go (0 = before page 1)")
      ->required()
      ->type_name("N");
  insert->add_option("--pages", pages_, "Pages of OTHER, e.g. \"1,3,5-12\" (default all)")->type_name("RANGE");
  AddInputOptions(*insert, in_);
  AddOutputOptions(*insert, out_);
  insert->callback([this] { run_ = [this] { return Append(true); }; });

  auto* extract = app.add_subcommand("extract", "Write a new document of pages RANGE of FILE");
  extract->add_option("FILE", file_, "PDF file")->required();
  extract->add_option("--pages", pages_, "Pages to extract, e.g. \"1,3,5-12\"")->required()->type_name("RANGE");
  AddInputOptions(*extract, in_);
  AddOutputOptions(*extract, out_);
  extract->callback([this] { run_ = [this] { return Extract(); }; });

  auto* del = app.add_subcommand("delete", "Write FILE without pages RANGE");
  del->add_option("FILE", file_, "PDF file")->required();
  del->add_option("--pages", pages_, "Pages to delete, e.g. \"2-3\"")->required()->type_name("RANGE");
  AddInputOptions(*del, in_);
  AddOutputOptions(*del, out_);
  del->callback([this] { run_ = [this] { return Delete(); }; });

  RegisterBookmarks(app);
  RegisterFields(app);
}

kv::TkvPDFDocument& Commands::NewDocument() {
  documents_.push_back(std::make_unique<kv::TkvPDFDocument>());
  return *documents_.back();
}

int Commands::Run() {
  if (!run_) return 2;
  progress_ = std::make_unique<Progress>(!in_.Quiet);
  try {
    int rc = run_();
    progress_->Finish();
    return rc;
  } catch (const UsageError& e) {
    progress_->Finish();
    std::fprintf(stderr, "folio: %s\n%s\n", OneLine(e.what()).c_str(), kUsageHint);
    return 2;
  } catch (const std::exception& e) {
    progress_->Finish();
    std::fprintf(stderr, "folio: %s\n", OneLine(ToUtf8(e.what())).c_str());
    return 1;
  }
}

void Commands::Load(kv::TkvPDFDocument& doc, const std::string& file) {
  WirePassword(doc, in_);
  progress_->Attach(doc);
  if (!doc.LoadFromFile(file)) throw std::runtime_error("Cannot open " + file);
}

void Commands::Save(kv::TkvPDFDocument& doc) {
  ApplyOutputOptions(doc, out_);
  progress_->Attach(doc);
  doc.SaveToFileAs(out_.Output);
}

int Commands::Copy() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  Save(doc);
  return 0;
}

int Commands::Merge() {
  kv::TkvPDFDocument& doc = NewDocument();
  WirePassword(doc, in_);
  progress_->Attach(doc);
  doc.MergeDocuments(files_);
  if (!doc.DocumentLoaded()) throw std::runtime_error("Merge cancelled");
  Save(doc);
  return 0;
}

int Commands::Append(bool insert) {
  kv::TkvPDFDocument& doc = NewDocument();
  kv::TkvPDFDocument& other = NewDocument();
  Load(doc, file_);
  Load(other, other_);
  progress_->Attach(doc);
  if (insert)
    doc.InsertPagesFrom(other, pages_, after_);
  else
    doc.AppendPagesFrom(other, pages_);
  Save(doc);
  return 0;
}

int Commands::Extract() {
  kv::TkvPDFDocument& doc = NewDocument();
  kv::TkvPDFDocument& target = NewDocument();
  Load(doc, file_);
  doc.ExtractPagesTo(target, pages_);
  // The new document is protected as its source was.
  if (target.EncryptionSettings().CanChange()) target.EncryptionSettings().Assign(doc.EncryptionSettings());
  Save(target);
  return 0;
}

int Commands::Delete() {
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  doc.DeletePages(pages_);
  Save(doc);
  return 0;
}

}  // namespace folio
