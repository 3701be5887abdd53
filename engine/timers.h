// SPDX-License-Identifier: Zlib
// Fixed-step timers. Each timer owes one call for every interval of elapsed
// clock time, so the game's ticks keep wall-clock pace whatever the frame
// rate: slow frames are made up by calls back to back, and the debt is
// capped so that a stall (a dragged window, a debugger) does not replay
// seconds of play.
#pragma once

#include <cstdint>

#include "common/zglApi.h"

namespace engine {

class TimerSet {
 public:
  static constexpr int kCapacity = 32;
  static constexpr uint32_t kMaxBacklogMs = 250;

  // Clock ticks per second of the counter that Start and Advance are given.
  void SetFrequency(uint64_t ticksPerSecond);
  // Null when proc is null or the set is full. An interval of 0 counts as 1 ms.
  void* Add(zglProc proc, uint32_t intervalMs);
  // Forgets every debt and counts from `now`. Registrations stay.
  void Start(uint64_t now);
  // Makes every call that is due at `now`, timer by timer in the order they
  // were added; returns how many calls were made. A timer added by one of the
  // calls starts owing from this moment.
  uint32_t Advance(uint64_t now);
  // The clock count at which the next call falls due (the largest count when
  // there is no timer): the loop may wait until then.
  uint64_t NextDue() const;
  void Clear();

 private:
  struct Timer {
    zglProc proc;
    uint32_t intervalMs;
    uint64_t interval;  // clock ticks
    uint64_t owed;      // clock ticks
  };
  uint64_t IntervalTicks(uint32_t ms) const;

  Timer timers_[kCapacity] = {};
  int count_ = 0;
  uint64_t frequency_ = 1000;
  uint64_t last_ = 0;
};

}  // namespace engine
