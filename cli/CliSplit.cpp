// folio split: a document cut into parts of N pages, each written to a file named after
// a pattern with the part number.
#include <algorithm>
#include <climits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "CliCommands.h"
#include "CliConsts.h"
#include "CliOutput.h"

namespace folio {

namespace {

// Widths past this are no file names anyone wants, and would let a pattern ask for
// names of any length.
constexpr int kMaxNumberWidth = 9;

// One part number in a name: %d, %03d, %5d (and %% for a percent sign).
struct PartPattern {
  std::string Before, After;
  int Width = 0;
  bool ZeroPad = false;
};

// The pattern with exactly one number conversion; none when it has another number of
// them or another conversion.
bool ParsePattern(const std::string& text, PartPattern& pattern) {
  int conversions = 0;
  std::string* out = &pattern.Before;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '%') {
      *out += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool zero = j < text.size() && text[j] == '0';
    if (zero) ++j;
    int width = 0, digits = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && digits < kMaxNumberWidth + 1) {
      width = width * 10 + (text[j++] - '0');
      ++digits;
    }
    if (j >= text.size() || text[j] != 'd' || width > kMaxNumberWidth || ++conversions > 1) return false;
    pattern.Width = width;
    pattern.ZeroPad = zero;
    out = &pattern.After;
    i = j;
  }
  return conversions == 1;
}

std::string PartName(const PartPattern& pattern, int64_t number) {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < pattern.Width)
    digits.insert(0, static_cast<size_t>(pattern.Width) - digits.size(), pattern.ZeroPad ? '0' : ' ');
  return pattern.Before + digits + pattern.After;
}

}  // namespace

void Commands::RegisterSplit(CLI::App& app) {
  auto* split = app.add_subcommand("split", "Write FILE in parts of N pages, to files named after PATTERN");
  split->add_option("FILE", file_, "PDF file")->required();
  split->add_option("--every", every_, "Pages in each part (default 1); the last part takes what is left")
      ->check(CLI::Range(1, INT_MAX))
      ->type_name("N");
  AddInputOptions(*split, in_);
  AddOutputOptions(*split, out_);
  split->get_option("--output")
      ->description("Name of each part: %d (or %03d and the like) is replaced by the part number from 1")
      ->type_name("PATTERN")
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            PartPattern pattern;
            if (value == "-") return msg::SSplitToStdout;
            return ParsePattern(value, pattern) ? std::string() : std::string(msg::SSplitPattern);
          },
          "", "PATTERN"));
  split->callback([this] { run_ = [this] { return Split(); }; });
}

int Commands::Split() {
  PartPattern pattern;
  if (!ParsePattern(out_.Output, pattern)) throw UsageError(msg::SSplitPattern);
  kv::TkvPDFDocument& doc = NewDocument();
  Load(doc, file_);
  const int64_t pages = doc.PageCount();
  if (pages == 0) throw std::runtime_error(msg::SNoPagesLeft);
  // Every part is written before any is put in place: a failure leaves none behind.
  std::vector<std::unique_ptr<OutputFile>> outputs;
  int64_t part = 1;
  for (int64_t first = 1; first <= pages; first += every_, ++part) {
    const int64_t last = std::min(pages, first + every_ - 1);
    // Parts are let go once written: each holds copies of what its pages share.
    kv::TkvPDFDocument piece;
    ExtractPart(doc, std::to_string(first) + "-" + std::to_string(last), piece);
    PrepareOutput(piece);
    outputs.push_back(std::make_unique<OutputFile>(PartName(pattern, part)));
    outputs.back()->Write(piece);
  }
  for (auto& output : outputs) output->Commit();
  return 0;
}

}  // namespace folio
