#include "CliCleanup.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace folio::cleanup {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Changed only while the signals above are held, so the handler never sees it half-way
// through a change.
std::vector<std::string>& Pending() {
  // Never destroyed: a signal late in the exit must not find it gone.
  static auto* pending = new std::vector<std::string>;
  return *pending;
}

// Holds the interrupting signals for its lifetime.
class SignalHold {
 public:
  SignalHold() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalHold() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;

 private:
  sigset_t old_;
};

void OnSignal(int sig) {
  // Only async-signal-safe calls: unlink, then the signal's own default action.
  for (const std::string& path : Pending()) unlink(path.c_str());
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

void InstallHandlers() {
  Pending();
  for (int s : kSignals) {
    struct sigaction current {};
    // A signal ignored by whoever started us (nohup) stays ignored.
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    sigaction(s, &action, nullptr);
  }
}

int CreateTemporary(std::string& path) {
  SignalHold hold;
  int fd = mkstemp(path.data());
  if (fd >= 0) Pending().push_back(path);
  return fd;
}

void Forget(const std::string& path) {
  SignalHold hold;
  auto& pending = Pending();
  pending.erase(std::remove(pending.begin(), pending.end(), path), pending.end());
}

void Remove(const std::string& path) {
  SignalHold hold;
  unlink(path.c_str());
  auto& pending = Pending();
  pending.erase(std::remove(pending.begin(), pending.end(), path), pending.end());
}

}  // namespace folio::cleanup
