// SPDX-License-Identifier: Zlib
#include "stopSignals.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include "common/printable.h"

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#endif

namespace engine {
namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gPhase = 0;

}  // namespace

bool StopRequested() { return gStop != 0; }

void SetStopPhase(StopPhase phase) { gPhase = std::sig_atomic_t(phase); }

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

// Windows' C runtime knows signal() only: Ctrl+C, and SIGTERM raised in-process. A page
// has no signals; the loop only ever sees the flag unset there.
namespace {
void (*gOldInt)(int) = SIG_DFL;
void (*gOldTerm)(int) = SIG_DFL;
bool gTaken = false;
extern "C" void OnStop(int) { gStop = 1; }
}  // namespace

void TakeStopSignals() {
  gStop = 0;
  gOldInt = std::signal(SIGINT, OnStop);
  gOldTerm = std::signal(SIGTERM, OnStop);
  gTaken = true;
}

void GiveBackStopSignals(bool) {
  if (!gTaken) return;
  gStop = 0;
  std::signal(SIGINT, gOldInt);
  std::signal(SIGTERM, gOldTerm);
  gTaken = false;
}

#else

namespace {

constexpr int kStops[] = {SIGINT, SIGTERM};

struct Saved {
  struct sigaction action {};
  bool taken = false;
};
Saved gOld[2];
struct sigaction gOldAlarm {};
sigset_t gOldMask{};
bool gTaken = false;

timer_t gDeadline{};
bool gDeadlineMade = false;
// The deadline's line for each phase, made before any stop can come: a signal
// handler may only write what is ready.
char gLines[4][1200];
size_t gLineBytes[4] = {};

extern "C" void OnDeadline(int) {
  const int phase = gPhase;
  if (phase >= 0 && phase < 4) {
    ssize_t ignored = write(STDERR_FILENO, gLines[phase], gLineBytes[phase]);
    (void)ignored;
  }
#ifdef __linux__
  // The system call itself: a sanitizer's _exit would first look for leaks, for seconds.
  syscall(SYS_exit_group, EXIT_FAILURE);
#endif
  _exit(EXIT_FAILURE);
}

extern "C" void OnStop(int) {
  const int savedErrno = errno;
  if (!gStop && gDeadlineMade) {
    itimerspec once{};
    once.it_value.tv_sec = kStopDeadlineMs / 1000;
    once.it_value.tv_nsec = long(kStopDeadlineMs % 1000) * 1'000'000;
    timer_settime(gDeadline, 0, &once, nullptr);  // async-signal-safe
  }
  gStop = 1;
  errno = savedErrno;
}

void MakeLines() {
  const char* x = std::getenv("DISPLAY");
  const std::string display = "the display" + (x && *x ? " '" + Printable(x) + "'" : std::string());
  const std::string reasons[4] = {
      display + " did not answer while the window was being opened",
      "the game was still loading its files",
      display + " did not answer while the game was showing its picture",
      display + " did not answer while the window was being closed",
  };
  for (int i = 0; i < 4; ++i) {
    const std::string line = "ZenGL: stopped: " + reasons[i] + "; the game did not end within " +
                             std::to_string(kStopDeadlineMs) + " ms of the stop, so it ends without waiting\n";
    gLineBytes[i] = line.copy(gLines[i], sizeof gLines[i]);
  }
}

}  // namespace

void TakeStopSignals() {
  gStop = 0;
  gPhase = std::sig_atomic_t(StopPhase::kOpening);
  MakeLines();
  if (!gDeadlineMade) {
    sigevent alarm{};
    alarm.sigev_notify = SIGEV_SIGNAL;
    alarm.sigev_signo = SIGALRM;
    gDeadlineMade = timer_create(CLOCK_MONOTONIC, &alarm, &gDeadline) == 0;
  }
  struct sigaction onDeadline {};
  onDeadline.sa_handler = OnDeadline;
  sigfillset(&onDeadline.sa_mask);
  sigaction(SIGALRM, &onDeadline, &gOldAlarm);

  struct sigaction onStop {};
  onStop.sa_handler = OnStop;
  // No SA_RESTART: a call that waits is cut short by a stop, so that the loop
  // sees it at once. SDL and the X library go back to what they were doing.
  onStop.sa_flags = 0;
  sigemptyset(&onStop.sa_mask);
  sigset_t stops;
  sigemptyset(&stops);
  for (int i = 0; i < 2; ++i) {
    gOld[i].taken = false;
    if (sigaction(kStops[i], nullptr, &gOld[i].action) != 0) continue;
    // Ignored by whoever started the game: it stays ignored.
    if (gOld[i].action.sa_handler == SIG_IGN) continue;
    gOld[i].taken = sigaction(kStops[i], &onStop, nullptr) == 0;
    sigaddset(&stops, kStops[i]);
  }
  // The game may hold both until the engine watches for them; from here on it
  // does, and one held meanwhile arrives now.
  sigaddset(&stops, SIGALRM);
  pthread_sigmask(SIG_UNBLOCK, &stops, &gOldMask);
  gTaken = true;
}

void GiveBackStopSignals(bool untilExit) {
  // The process ends next: a stop then still ends it, through the deadline
  // should the ending stall.
  if (!gTaken || untilExit) return;
  gTaken = false;
  gStop = 0;
  if (gDeadlineMade) {
    itimerspec off{};
    timer_settime(gDeadline, 0, &off, nullptr);
  }
  pthread_sigmask(SIG_SETMASK, &gOldMask, nullptr);
  for (int i = 0; i < 2; ++i)
    if (gOld[i].taken) sigaction(kStops[i], &gOld[i].action, nullptr);
  sigaction(SIGALRM, &gOldAlarm, nullptr);
}

#endif

}  // namespace engine
