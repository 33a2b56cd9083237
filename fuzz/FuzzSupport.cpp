#include "FuzzSupport.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>

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

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size && fwrite(data, 1, size, f) != size) abort();
  fclose(f);
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace kvfuzz
