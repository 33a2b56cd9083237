// Sets the process code page for one scope and restores the previous one.
#pragma once

#include "core/kvUtils.h"

namespace kvtest {

class CodePage {
 public:
  explicit CodePage(int cp) : saved_(kv::GetACP()) { kv::SetACP(cp); }
  ~CodePage() { kv::SetACP(saved_); }
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

 private:
  int saved_;
};

}  // namespace kvtest
