// SPDX-License-Identifier: Zlib
#include "displayWatch.h"

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

namespace engine {
// Windows opens no X connection; a console's Ctrl+C reaches the loop's own handler.
// A page's canvas is there at once, and a page has no signals to stop it with.
void DisplayWatch::Arm(const std::string&) {}
void DisplayWatch::Disarm() {}
void DisplayWatch::Notice() {}
}  // namespace engine

#else

#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace engine {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "read in a signal handler");

constexpr long kStepMs = 100;
// Less work than this in a step: the thread waited through it.
constexpr long kWorkNs = 5'000'000;

struct Watch {
  sem_t wake;
  bool semaphoreMade = false;
  std::atomic<bool> armed{false};
  std::atomic<bool> done{false};
  pthread_t thread{};
  clockid_t engineClock{};
  char message[1024];
  size_t messageBytes = 0;
} gWatch;

long long Nanoseconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

// Waits for a post until `deadline` (CLOCK_REALTIME, as sem_timedwait has it);
// true when the watch is over.
bool WaitUntil(const timespec& deadline) {
  for (;;) {
    if (sem_timedwait(&gWatch.wake, &deadline) == 0) {
      if (gWatch.done) return true;
    } else if (errno != EINTR) {
      return gWatch.done;
    }
  }
}

void* WatchDisplay(void*) {
  while (sem_wait(&gWatch.wake) != 0 && errno == EINTR) {
  }
  if (gWatch.done) return nullptr;
  // A stop came while the display opens: give the opening time to finish as
  // long as the engine's thread works at it, none once it only waits.
  long long lastWork = Nanoseconds(gWatch.engineClock);
  int idleMs = 0;
  for (int ms = 0; ms < DisplayWatch::kLongestMs && idleMs < DisplayWatch::kIdleMs; ms += kStepMs) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_nsec += kStepMs * 1'000'000;
    deadline.tv_sec += deadline.tv_nsec / 1'000'000'000;
    deadline.tv_nsec %= 1'000'000'000;
    if (WaitUntil(deadline)) return nullptr;
    const long long work = Nanoseconds(gWatch.engineClock);
    idleMs = work - lastWork < kWorkNs ? idleMs + kStepMs : 0;
    lastWork = work;
  }
  // Nothing of the game has started: there is nothing to save or release, so
  // the process ends here, with what a signal handler may call too.
  ssize_t ignored = write(STDERR_FILENO, gWatch.message, gWatch.messageBytes);
  (void)ignored;
  _exit(EXIT_FAILURE);
}

}  // namespace

void DisplayWatch::Arm(const std::string& message) {
  if (!gWatch.semaphoreMade) gWatch.semaphoreMade = sem_init(&gWatch.wake, 0, 0) == 0;
  if (!gWatch.semaphoreMade) return;
  while (sem_trywait(&gWatch.wake) == 0) {  // a post left over from an earlier watch
  }
  gWatch.messageBytes = message.copy(gWatch.message, sizeof gWatch.message);
  gWatch.done = false;
  if (pthread_getcpuclockid(pthread_self(), &gWatch.engineClock) != 0) return;
  // The stop signals stay with the engine's thread, whose handler posts.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  const bool started = pthread_create(&gWatch.thread, nullptr, WatchDisplay, nullptr) == 0;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  gWatch.armed = started;
}

void DisplayWatch::Disarm() {
  if (!gWatch.armed) return;
  gWatch.armed = false;
  gWatch.done = true;
  sem_post(&gWatch.wake);
  pthread_join(gWatch.thread, nullptr);
}

void DisplayWatch::Notice() {
  if (gWatch.armed) sem_post(&gWatch.wake);
}

}  // namespace engine

#endif
