// The loop's sense of time, behind an interface so that tests can run the
// real loop on a simulated clock, and the frame pacing that keeps a loop
// without working vertical sync from spinning a core.
#pragma once

#include <cstdint>

namespace engine {

class Clock {
 public:
  virtual ~Clock() = default;
  // A monotonic tick count and its ticks per second.
  virtual uint64_t Now() = 0;
  virtual uint64_t Frequency() = 0;
  // Blocks until Now() >= deadline (or about then).
  virtual void SleepUntil(uint64_t deadline) = 0;
};

// SDL's high-resolution counter; sleeps in the kernel, never spins.
class SystemClock final : public Clock {
 public:
  uint64_t Now() override;
  uint64_t Frequency() override;
  void SleepUntil(uint64_t deadline) override;
};

// Keeps frames at least `period` ticks apart by sleeping out the rest of a
// frame that finished early. A period of 0 leaves frames unpaced.
class FramePacer {
 public:
  void SetPeriod(uint64_t ticks) { period_ = ticks; }
  uint64_t Period() const { return period_; }
  void Wait(Clock& clock, uint64_t frameStart);

 private:
  uint64_t period_ = 0;
};

// The pacing period for a display: with working vertical sync the present
// call already waits, so the pacer only catches a sync that is claimed but
// not in effect, and stays a little below the refresh period so as never to
// fight it; without vertical sync frames are held to 60 a second.
uint64_t PacingPeriod(uint64_t frequency, bool vsyncClaimed, int refreshHz);

}  // namespace engine
