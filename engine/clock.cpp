// SPDX-License-Identifier: Zlib
#include "clock.h"

#include <algorithm>

namespace engine {

uint64_t SystemClock::Now() { return SDL_GetPerformanceCounter(); }

uint64_t SystemClock::Frequency() { return SDL_GetPerformanceFrequency(); }

bool SystemClock::WaitEvent(uint64_t deadline, SDL_Event* event) {
  const uint64_t now = Now();
  if (now >= deadline) return SDL_PollEvent(event) == 1;
  // Whole milliseconds, rounded up: a wait rounded down to 0 would return at
  // once and leave the loop polling through the last fraction of a millisecond.
  // At most a second at a time, which also keeps the product below in range.
  const uint64_t frequency = std::max<uint64_t>(1, Frequency());
  const uint64_t left = std::min(deadline - now, frequency);
  const uint64_t ms = (left * 1000 + frequency - 1) / frequency;
  return SDL_WaitEventTimeout(event, int(ms)) == 1;
}

uint64_t PacingPeriod(uint64_t frequency, bool vsyncClaimed, int refreshHz) {
  constexpr int kDefaultHz = 60;
  if (!vsyncClaimed) return frequency / kDefaultHz;
  const int hz = refreshHz > 0 ? refreshHz : kDefaultHz;
  return uint64_t(double(frequency) * 0.9 / double(hz));
}

}  // namespace engine
