// SPDX-License-Identifier: Zlib
#include "shell/uSignals.h"

#ifdef _WIN32

// No such signals to hold: a console's Ctrl+C reaches the engine's own handler.
void HoldStopSignals() {}
void ReleaseStopSignals() {}
bool StopPending() { return false; }

#else

#include <signal.h>

namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void HoldStopSignals() {
  const sigset_t set = StopSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

void ReleaseStopSignals() {
  const sigset_t set = StopSignals();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopPending() {
  sigset_t pending;
  if (sigpending(&pending) != 0) return false;
  return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
}

#endif
