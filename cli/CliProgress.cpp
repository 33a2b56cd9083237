#include "CliProgress.h"

#include <unistd.h>

#include <cstdio>

#include "CliCommands.h"

namespace folio {

Progress::Progress(bool enabled) : active_(enabled && isatty(STDERR_FILENO)) {}

Progress::~Progress() { Clear(); }

void Progress::Attach(kv::TkvCustomPDFDocument& doc) {
  doc.OnWarning = [this](kv::TkvCustomPDFDocument*, const std::string& w) {
    Clear();
    PrintWarning(w);
  };
  if (!active_) return;
  doc.OnIOProgress = [this](kv::TkvCustomPDFDocument*, int p) {
    if (p == percent_) return;
    percent_ = p;
    Draw();
  };
  doc.OnStatusMessage = [this](kv::TkvCustomPDFDocument*, const std::string& s) {
    status_ = s;
    Draw();
  };
  doc.OnOperationProgress = [this](kv::TkvCustomPDFDocument*, kv::TkvOperation, int current, int total) {
    if (total > 0) percent_ = current * 100 / total;
    Draw();
  };
}

void Progress::Draw() {
  if (!active_) return;
  constexpr int kWidth = 30;
  int filled = percent_ * kWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kWidth, ' ');
  std::string status = status_.size() > 40 ? status_.substr(0, 37) + "..." : status_;
  std::fprintf(stderr, "\r[%s] %3d%% %-40s", bar.c_str(), percent_, status.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void Progress::Clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", 80, "");
  std::fflush(stderr);
  drawn_ = false;
}

void Progress::Finish() { Clear(); }

void PrintWarning(const std::string& warning) {
  std::fprintf(stderr, "folio: warning: %s\n", OneLine(ToUtf8(warning)).c_str());
}

}  // namespace folio
