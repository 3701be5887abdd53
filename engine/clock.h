// SPDX-License-Identifier: Zlib
// The loop's sense of time and its way of waiting, behind an interface so
// that tests can run the real loop on a simulated clock, and the frame pacing
// that keeps a loop without working vertical sync from spinning a core.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace engine {

class Clock {
 public:
  virtual ~Clock() = default;
  // A monotonic tick count and its ticks per second.
  virtual uint64_t Now() = 0;
  virtual uint64_t Frequency() = 0;
  // Blocks until an event arrives or Now() reaches the deadline, whichever
  // comes first, without spinning. True with the event taken from the queue;
  // false at the deadline (or a little before it).
  virtual bool WaitEvent(uint64_t deadline, SDL_Event* event) = 0;
};

// SDL's high-resolution counter and SDL's event wait, which blocks in the
// kernel where the video driver can (X11, Wayland, Windows, macOS).
class SystemClock final : public Clock {
 public:
  uint64_t Now() override;
  uint64_t Frequency() override;
  bool WaitEvent(uint64_t deadline, SDL_Event* event) override;
};

// Keeps frame starts at least `period` ticks apart. A period of 0 leaves
// frames unpaced.
class FramePacer {
 public:
  void SetPeriod(uint64_t ticks) { period_ = ticks; }
  void Started(uint64_t frameStart) {
    last_ = frameStart;
    started_ = true;
  }
  // The earliest tick count at which the next frame may start.
  uint64_t NextStart() const { return started_ ? last_ + period_ : 0; }

 private:
  uint64_t period_ = 0;
  uint64_t last_ = 0;
  bool started_ = false;
};

// The pacing period for a display: with working vertical sync the present
// call already waits, so the pacer only catches a sync that is claimed but
// not in effect, and stays a little below the refresh period so as never to
// fight it; without vertical sync frames are held to 60 a second.
uint64_t PacingPeriod(uint64_t frequency, bool vsyncClaimed, int refreshHz);

}  // namespace engine
