// SPDX-License-Identifier: Zlib
#include "timers.h"

#include <algorithm>

namespace engine {

uint64_t TimerSet::IntervalTicks(uint32_t ms) const {
  // ms < 2^32 and frequency well under 2^32 on every platform: no overflow.
  return std::max<uint64_t>(1, uint64_t(ms) * frequency_ / 1000);
}

void TimerSet::SetFrequency(uint64_t ticksPerSecond) {
  frequency_ = std::max<uint64_t>(1, ticksPerSecond);
  for (int i = 0; i < count_; ++i) timers_[i].interval = IntervalTicks(timers_[i].intervalMs);
}

void* TimerSet::Add(zglProc proc, uint32_t intervalMs) {
  if (!proc || count_ == kCapacity) return nullptr;
  intervalMs = std::max<uint32_t>(1, intervalMs);
  timers_[count_] = {proc, intervalMs, IntervalTicks(intervalMs), 0};
  return &timers_[count_++];
}

void TimerSet::Start(uint64_t now) {
  last_ = now;
  for (int i = 0; i < count_; ++i) timers_[i].owed = 0;
}

uint32_t TimerSet::Advance(uint64_t now) {
  uint64_t elapsed = now > last_ ? now - last_ : 0;
  last_ = now;
  const uint64_t backlog = IntervalTicks(kMaxBacklogMs);
  uint32_t calls = 0;
  const int count = count_;
  for (int i = 0; i < count; ++i) {
    Timer& t = timers_[i];
    // A timer slower than the backlog bound must still fire once.
    const uint64_t cap = std::max(backlog, t.interval);
    t.owed = std::min(cap, t.owed + std::min(elapsed, cap));
    while (t.owed >= t.interval) {
      t.owed -= t.interval;
      t.proc();
      ++calls;
    }
  }
  return calls;
}

uint64_t TimerSet::NextDue() const {
  uint64_t soonest = UINT64_MAX;
  for (int i = 0; i < count_; ++i) soonest = std::min(soonest, timers_[i].interval - timers_[i].owed);
  return soonest == UINT64_MAX || last_ > UINT64_MAX - soonest ? UINT64_MAX : last_ + soonest;
}

void TimerSet::Clear() {
  count_ = 0;
  last_ = 0;
}

}  // namespace engine
