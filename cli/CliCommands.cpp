#include "CliCommands.h"

#include <cstdio>
#include <iostream>

#include "CliConsts.h"
#include "CliInput.h"
#include "CliOutput.h"
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
  RegisterInfo(app);
  RegisterPageCommands(app);
  RegisterSplit(app);

  RegisterBookmarks(app);
  RegisterFields(app);
  RegisterMarkings(app);
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
  } catch (const InputFailure& e) {
    progress_->Finish();
    std::fprintf(stderr, "folio: %s\n", OneLine(e.what()).c_str());
    return 1;
  } catch (const std::exception& e) {
    progress_->Finish();
    std::fprintf(stderr, "folio: %s\n", OneLine(ToUtf8(e.what())).c_str());
    return 1;
  }
}

void Commands::Load(kv::TkvPDFDocument& doc, const std::string& file) {
  progress_->Attach(doc);
  LoadInput(doc, file, in_);
}

void Commands::PrepareOutput(kv::TkvPDFDocument& doc) {
  if (doc.PageCount() == 0) throw std::runtime_error(msg::SNoPagesLeft);
  ApplyOutputOptions(doc, out_);
  progress_->Attach(doc);
}

void Commands::Save(kv::TkvPDFDocument& doc) {
  PrepareOutput(doc);
  OutputFile output(out_.Output);
  output.Write(doc);
  output.Commit();
}

}  // namespace folio
