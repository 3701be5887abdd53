#include "clock.h"

#include <SDL.h>

#include <chrono>
#include <thread>

namespace engine {

uint64_t SystemClock::Now() { return SDL_GetPerformanceCounter(); }

uint64_t SystemClock::Frequency() { return SDL_GetPerformanceFrequency(); }

void SystemClock::SleepUntil(uint64_t deadline) {
  const uint64_t now = Now();
  if (now >= deadline) return;
  const double seconds = double(deadline - now) / double(Frequency());
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void FramePacer::Wait(Clock& clock, uint64_t frameStart) {
  if (period_ == 0) return;
  const uint64_t due = frameStart + period_;
  if (clock.Now() < due) clock.SleepUntil(due);
}

uint64_t PacingPeriod(uint64_t frequency, bool vsyncClaimed, int refreshHz) {
  constexpr int kDefaultHz = 60;
  if (!vsyncClaimed) return frequency / kDefaultHz;
  const int hz = refreshHz > 0 ? refreshHz : kDefaultHz;
  return uint64_t(double(frequency) * 0.9 / double(hz));
}

}  // namespace engine
