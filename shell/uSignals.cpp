// SPDX-License-Identifier: Zlib
#include "shell/uSignals.h"

#ifdef _WIN32

// No such signals to hold: a console's Ctrl+C reaches the engine's own handler.
void HoldStopSignals() {}
void ReleaseStopSignals() {}

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

#endif
