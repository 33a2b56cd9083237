#include "FuzzSupport.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace kvfuzz {

namespace {

std::string& Dir() {
  static std::string dir;
  return dir;
}

void RemoveScratch() {
  const std::string& dir = Dir();
  if (dir.empty()) return;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") ::unlink((dir + "/" + name).c_str());
    }
    closedir(d);
  }
  ::rmdir(dir.c_str());
}

}  // namespace

const std::string& ScratchDir() {
  std::string& dir = Dir();
  if (dir.empty()) {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    std::string pattern = std::string(base) + "/folio-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    dir = pattern;
    atexit(RemoveScratch);
  }
  return dir;
}

std::string WithRebuiltXRef(std::string_view input) {
  // Object numbers above this are left out: the table costs 20 bytes per number.
  constexpr int64_t kMaxRebuiltNumber = 10000;
  std::vector<std::pair<int64_t, int64_t>> entries;  // offset, generation by number
  auto digitsBefore = [&](size_t end, size_t& start) {
    start = end;
    while (start > 0 && input[start - 1] >= '0' && input[start - 1] <= '9' && end - start < 10) --start;
    return start < end;
  };
  for (size_t at = input.find(" obj"); at != std::string_view::npos; at = input.find(" obj", at + 1)) {
    size_t genStart, numStart;
    if (!digitsBefore(at, genStart) || genStart < 2 || input[genStart - 1] != ' ') continue;
    if (!digitsBefore(genStart - 1, numStart)) continue;
    if (numStart > 0 && input[numStart - 1] != '\n' && input[numStart - 1] != '\r') continue;
    int64_t number = std::stoll(std::string(input.substr(numStart, genStart - 1 - numStart)));
    int64_t generation = std::stoll(std::string(input.substr(genStart, at - genStart)));
    if (number < 1 || number > kMaxRebuiltNumber || generation > 65535) continue;
    if (entries.size() <= static_cast<size_t>(number)) entries.resize(static_cast<size_t>(number) + 1, {-1, 0});
    entries[static_cast<size_t>(number)] = {static_cast<int64_t>(numStart), generation};
  }
  if (entries.empty()) return {};

  std::string trailer = "<< /Root 1 0 R >>";
  size_t t = input.rfind("trailer");
  if (t != std::string_view::npos) {
    size_t end = input.find("startxref", t);
    trailer = std::string(input.substr(t + 7, end == std::string_view::npos ? std::string_view::npos : end - t - 7));
    for (size_t p = trailer.find("/Prev"); p != std::string::npos; p = trailer.find("/Prev", p)) trailer[p + 1] = 'X';
  }
  std::string out(input);
  out += "\n";
  size_t xref = out.size();
  out += "xref\n0 " + std::to_string(entries.size()) + "\n0000000000 65535 f\r\n";
  char line[32];
  for (size_t n = 1; n < entries.size(); ++n) {
    if (entries[n].first < 0)
      std::snprintf(line, sizeof line, "0000000000 00000 f\r\n");
    else
      std::snprintf(line, sizeof line, "%010lld %05lld n\r\n", static_cast<long long>(entries[n].first),
                    static_cast<long long>(entries[n].second));
    out += line;
  }
  out += "trailer\n" + trailer + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

// Saving raised the version to what the output needs (AES among it), so the version tells.
bool WrittenAsModern(kv::TkvCustomPDFDocument& doc) { return doc.PDFMajorVersion() > 1 || doc.PDFVersion() > 5; }

void AbortOnRebuild(kv::TkvCustomPDFDocument*, const std::string& warning) {
  if (warning.rfind("The cross-reference data is damaged", 0) == 0) {
    fprintf(stderr, "a file the library wrote needed rebuilding: %s\n", warning.c_str());
    abort();
  }
}

}  // namespace kvfuzz
