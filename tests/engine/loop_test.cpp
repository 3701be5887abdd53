// SPDX-License-Identifier: Zlib
// The loop and its timers on a simulated clock: the game's pace must not
// depend on the frame rate, a stall must not replay seconds of ticks, and
// the loop must end cleanly on a closed window or a signal.
#include <algorithm>
#include <csignal>
#ifndef _WIN32
#include <pthread.h>
#endif
#include <utility>
#include <vector>

#include "engine_test_support.h"
#include "stopSignals.h"

namespace {

using engine::Core;
using engine::TimerSet;

constexpr uint64_t kNs = 1000000000;  // simulated ticks per second
constexpr uint64_t kMs = kNs / 1000;

int gCalls = 0;
void CountCall() { ++gCalls; }

// Frames of a fixed length for `seconds` of simulated time; returns timer calls.
int RunAtFrameRate(TimerSet& timers, double fps, double seconds) {
  gCalls = 0;
  timers.SetFrequency(kNs);
  timers.Start(0);
  const uint64_t frame = uint64_t(double(kNs) / fps), end = uint64_t(seconds * double(kNs));
  for (uint64_t now = frame; now <= end; now += frame) timers.Advance(now);
  timers.Advance(end);
  return gCalls;
}

TEST(Timers, A17msTimerKeepsItsPaceAtAnyFrameRate) {
  for (double fps : {20.0, 60.0, 300.0, 1000.0, 7.0}) {
    TimerSet timers;
    timers.Add(CountCall, 17);
    EXPECT_EQ(RunAtFrameRate(timers, fps, 1.0), 58) << fps << " frames a second";  // 1000 / 17 = 58.8
    EXPECT_EQ(RunAtFrameRate(timers, fps, 10.0), 588) << fps << " frames a second";
  }
}

TEST(Timers, AStallIsMadeUpOnlyToTheBacklogBound) {
  TimerSet timers;
  timers.Add(CountCall, 17);
  timers.SetFrequency(kNs);
  timers.Start(0);
  gCalls = 0;
  timers.Advance(5 * kNs);  // a five-second stall
  EXPECT_EQ(gCalls, int(TimerSet::kMaxBacklogMs / 17)) << "at most 250 ms of ticks back to back";
  gCalls = 0;
  for (uint64_t now = 5 * kNs; now <= 6 * kNs; now += kNs / 60) timers.Advance(now);
  EXPECT_NEAR(gCalls, 59, 1) << "then the normal pace";
}

TEST(Timers, ATimerSlowerThanTheBoundStillFires) {
  TimerSet timers;
  timers.Add(CountCall, 1000);
  EXPECT_EQ(RunAtFrameRate(timers, 60, 3.5), 3);
  EXPECT_EQ(RunAtFrameRate(timers, 0.25, 8.0), 2) << "frames four seconds apart: one call each";
}

TEST(Timers, RejectsNullAndOverflowAndClampsAZeroInterval) {
  TimerSet timers;
  EXPECT_EQ(timers.Add(nullptr, 17), nullptr);
  EXPECT_NE(timers.Add(CountCall, 0), nullptr);
  EXPECT_EQ(RunAtFrameRate(timers, 60, 0.1), 100) << "0 ms counts as 1 ms";
  for (int i = 1; i < TimerSet::kCapacity; ++i) ASSERT_NE(timers.Add(CountCall, 17), nullptr);
  EXPECT_EQ(timers.Add(CountCall, 17), nullptr) << "full";
}

TEST(Timers, NextDueIsWhenTheSoonestCallIsOwed) {
  TimerSet timers;
  EXPECT_EQ(timers.NextDue(), UINT64_MAX) << "no timer: nothing to wait for";
  timers.Add(CountCall, 17);
  timers.Add(CountCall, 40);
  timers.SetFrequency(kNs);
  timers.Start(0);
  EXPECT_EQ(timers.NextDue(), 17 * kMs);
  timers.Advance(20 * kMs);  // 3 ms into the 17 ms timer's next interval
  EXPECT_EQ(timers.NextDue(), 34 * kMs);
  timers.Advance(39 * kMs);
  EXPECT_EQ(timers.NextDue(), 40 * kMs) << "the 40 ms timer is the sooner now";
}

// A clock that moves only when the loop waits or a frame is charged, and the
// events a window would deliver at given moments.
class FakeClock final : public engine::Clock {
 public:
  uint64_t now = 0;
  int waits = 0;
  std::vector<std::pair<uint64_t, SDL_Event>> due;  // in time order
  size_t next = 0;

  uint64_t Now() override { return now; }
  uint64_t Frequency() override { return kNs; }
  bool WaitEvent(uint64_t deadline, SDL_Event* event) override {
    ++waits;
    if (SDL_PollEvent(event)) return true;  // pushed by a callback
    if (next < due.size() && due[next].first <= deadline) {
      now = std::max(now, due[next].first);
      *event = due[next++].second;
      return true;
    }
    now = std::max(now, deadline);
    return false;
  }
  void At(uint64_t when, Uint8 windowEvent) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = windowEvent;
    due.emplace_back(when, e);
  }
};

struct LoopRecord {
  FakeClock clock;
  uint64_t frameCost = 0;  // ticks each draw takes
  int refreshHz = 0;       // a display whose present waits for its next refresh
  uint64_t stopAt = kNs;   // the first tick or frame past this ends the run
  int stopSignal = 0;      // raised then instead of closing the window
  bool stopped = false;
  int loads = 0, draws = 0, exits = 0, ticks = 0;
  bool drewBeforeLoad = false;
  std::vector<int> ticksAtFrame;       // ticks made before each frame
  std::vector<uint64_t> shownAt;       // when each frame reached the screen
  std::vector<uint64_t> drawnAt;       // when each frame began
} gLoop;

void MaybeStop() {
  if (gLoop.stopped || gLoop.clock.now <= gLoop.stopAt) return;
  gLoop.stopped = true;
  if (gLoop.stopSignal) {
    std::raise(gLoop.stopSignal);
  } else {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }
}

void OnLoad() { ++gLoop.loads; }
void OnTick() {
  ++gLoop.ticks;
  MaybeStop();
}
void OnExit() { ++gLoop.exits; }
void OnDraw() {
  if (gLoop.loads == 0) gLoop.drewBeforeLoad = true;
  ++gLoop.draws;
  gLoop.drawnAt.push_back(gLoop.clock.now);
  gLoop.ticksAtFrame.push_back(gLoop.ticks);
  gLoop.clock.now += gLoop.frameCost;
  if (gLoop.refreshHz) {
    // The present that follows returns at the display's next refresh.
    const uint64_t period = kNs / uint64_t(gLoop.refreshHz);
    gLoop.clock.now = (gLoop.clock.now + period - 1) / period * period;
  }
  gLoop.shownAt.push_back(gLoop.clock.now);
  MaybeStop();
}

class Loop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 1); }
  void SetUp() override {
    gLoop = LoopRecord{};
    Core().ResetRegistrations();
    zgl_Reg(zgl::kRegLoad, OnLoad);
    zgl_Reg(zgl::kRegDraw, OnDraw);
    zgl_Reg(zgl::kRegExit, OnExit);
    timer_Add(OnTick, 17);
  }
  // Frames drawn in [from, to).
  static int DrawsBetween(uint64_t from, uint64_t to) {
    return int(std::count_if(gLoop.drawnAt.begin(), gLoop.drawnAt.end(),
                             [&](uint64_t t) { return t >= from && t < to; }));
  }
};

TEST_F(Loop, RunsLoadOnceThenFramesAndTicksThenExitOnce) {
  // Frames slower than the ticks: each has ticks to show. Quicker: only ticks make frames.
  for (double fps : {20.0, 300.0}) {
    SetUp();
    gLoop.frameCost = uint64_t(double(kNs) / fps);
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.loads, 1);
    EXPECT_FALSE(gLoop.drewBeforeLoad);
    EXPECT_EQ(gLoop.exits, 1);
    EXPECT_NEAR(gLoop.draws, std::min(fps, 1000.0 / 17) + 1, 1) << fps << " frames a second";
    // 1000 / 17 = 58.8 in the second, and perhaps the one past it that ends the run.
    EXPECT_NEAR(gLoop.ticks, 58.5, 0.5) << fps << " frames a second";
    EXPECT_FALSE(Core().Running());
    EXPECT_EQ(Core().Window(), nullptr) << "everything released";
  }
}

TEST_F(Loop, WaitsForTheNextTickInsteadOfSpinning) {
  gLoop.frameCost = kMs;  // without waiting, a 1 ms frame would come 1000 times a second
  ASSERT_EQ(Core().Run(gLoop.clock, kNs / 60), "");
  EXPECT_EQ(gLoop.ticks, 59);
  EXPECT_EQ(gLoop.draws, gLoop.ticks + 1) << "the first frame, then one per tick";
  EXPECT_LE(gLoop.clock.waits, gLoop.ticks + 2) << "one wait per tick, not a poll";
}

TEST_F(Loop, DrawsOnlyWhatTheTicksChangeAtAnyRefreshRate) {
  for (int hz : {60, 75, 144, 240}) {
    SetUp();
    gLoop.refreshHz = hz;
    gLoop.stopAt = 10 * kNs;
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.ticks, 589) << hz << " Hz";  // 588 in 10 s, and the one that ends the run
    EXPECT_LE(gLoop.draws, gLoop.ticks + 1) << hz << " Hz: a frame that repeats the last picture";
    EXPECT_GE(gLoop.draws, gLoop.ticks - 1) << hz << " Hz";
    // Each tick's picture reaches the screen at the first refresh after the tick fell due.
    const uint64_t period = kNs / uint64_t(hz);
    size_t frame = 0;
    for (int tick = 1; tick < gLoop.ticks; ++tick) {
      while (frame < gLoop.ticksAtFrame.size() && gLoop.ticksAtFrame[frame] < tick) ++frame;
      ASSERT_LT(frame, gLoop.shownAt.size()) << hz << " Hz: tick " << tick << " never shown";
      const uint64_t due = uint64_t(tick) * 17 * kMs;
      EXPECT_EQ(gLoop.shownAt[frame], (due + period - 1) / period * period)
          << hz << " Hz: tick " << tick << " due at " << due << " ns";
    }
  }
}

TEST_F(Loop, EachEventThatSpoilsThePictureRedrawsItOnce) {
  gLoop.refreshHz = 144;
  // Each event and the redraws it makes, between ticks (17 ms apart), each at its own moment.
  const std::pair<Uint8, int> events[] = {
      {SDL_WINDOWEVENT_EXPOSED, 1},         {SDL_WINDOWEVENT_RESTORED, 1},     {SDL_WINDOWEVENT_SIZE_CHANGED, 1},
      {SDL_WINDOWEVENT_DISPLAY_CHANGED, 1}, {SDL_WINDOWEVENT_SHOWN, 1},        {SDL_WINDOWEVENT_FOCUS_GAINED, 0},
      {SDL_WINDOWEVENT_ENTER, 0},           {SDL_WINDOWEVENT_MOVED, 0}};
  auto when = [](size_t i) { return 100 * 17 * kMs + 8 * kMs + uint64_t(i) * 17 * kMs; };
  for (size_t i = 0; i < std::size(events); ++i) gLoop.clock.At(when(i), events[i].first);
  gLoop.stopAt = 3 * kNs;
  ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
  int redraws = 0;
  for (size_t i = 0; i < std::size(events); ++i) {
    const auto [event, draws] = events[i];
    EXPECT_EQ(DrawsBetween(when(i), when(i) + 8 * kMs), draws)
        << "event " << int(event) << (draws ? " at " + std::to_string(when(i)) : " changes nothing on screen");
    redraws += draws;
  }
  EXPECT_EQ(gLoop.draws, gLoop.ticks + 1 + redraws);
}

TEST_F(Loop, AHiddenOrMinimisedWindowDrawsNothingAndKeepsTicking) {
  const std::pair<Uint8, Uint8> ways[] = {{SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_SHOWN},
                                          {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED}};
  for (auto [away, back] : ways) {
    SetUp();
    gLoop.refreshHz = 60;
    gLoop.stopAt = 10 * kNs;
    const uint64_t hideAt = kNs + 5 * kMs, showAt = 8 * kNs + 5 * kMs;
    gLoop.clock.At(hideAt, away);
    gLoop.clock.At(showAt, back);
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.ticks, 589) << "the game goes on while nobody can see it";
    EXPECT_EQ(DrawsBetween(hideAt, showAt), 0) << "drawn while away (" << int(away) << ")";
    ASSERT_EQ(DrawsBetween(showAt, showAt + 1), 1) << "the current picture, as soon as the window is back";
    const int ticksWhileAway = int(7 * kNs / (17 * kMs));
    EXPECT_LE(gLoop.clock.waits, gLoop.ticks + 2 + 2) << "the ticks while away (" << ticksWhileAway
                                                      << ") woke the loop once each";
    EXPECT_NEAR(gLoop.draws, gLoop.ticks - ticksWhileAway + 2, 2);
  }
}

TEST_F(Loop, StopsOnSigtermAndSigint) {
  for (int sig : {SIGTERM, SIGINT}) {
    SetUp();
    gLoop.frameCost = 10 * kMs;
    gLoop.stopAt = 100 * kMs;
    gLoop.stopSignal = sig;
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.ticks, 6) << "the tick at 102 ms raised it; no tick after";
    EXPECT_EQ(gLoop.exits, 1);
    // The previous disposition is back once the loop has ended.
#ifdef _WIN32
    void (*now)(int) = std::signal(sig, SIG_DFL);
    EXPECT_EQ(now, SIG_DFL);
#else
    struct sigaction now {};
    sigaction(sig, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
#endif
  }
}

#ifndef _WIN32
// The game holds the stop signals until the engine watches for them: one that came
// meanwhile ends the run before any window or callback, and the hold is back after.
TEST_F(Loop, AStopHeldUntilTheLoopStartsEndsItBeforeTheWindowOpens) {
  sigset_t term, held;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &term, nullptr), 0);
  std::raise(SIGTERM);
  EXPECT_EQ(Core().Run(gLoop.clock, 0), "");
  EXPECT_EQ(gLoop.loads + gLoop.draws + gLoop.ticks + gLoop.exits, 0) << "a callback ran";
  EXPECT_EQ(Core().Window(), nullptr);
  sigpending(&held);
  EXPECT_FALSE(sigismember(&held, SIGTERM)) << "the stop was not taken";
  pthread_sigmask(SIG_BLOCK, nullptr, &held);
  EXPECT_TRUE(sigismember(&held, SIGTERM)) << "the hold was not given back";
  pthread_sigmask(SIG_UNBLOCK, &term, nullptr);
}

// A stop that whoever started the game ignores (a shell does so for its background
// jobs) stays ignored while the engine runs, and after.
TEST(StopSignals, OnesIgnoredByTheParentStayIgnored) {
  struct sigaction ignore {}, before {}, now {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGINT, &ignore, &before), 0);
  engine::TakeStopSignals();
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  std::raise(SIGINT);
  EXPECT_FALSE(engine::StopRequested());
  engine::GiveBackStopSignals(false);
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  sigaction(SIGINT, &before, nullptr);
}
#endif

TEST(Pacing, PeriodFollowsTheDisplay) {
  EXPECT_EQ(engine::PacingPeriod(kNs, false, 0), kNs / 60) << "no vsync: 60 a second";
  EXPECT_EQ(engine::PacingPeriod(kNs, false, 144), kNs / 60);
  EXPECT_LT(engine::PacingPeriod(kNs, true, 60), kNs / 60) << "under a working vsync, never fight it";
  EXPECT_GT(engine::PacingPeriod(kNs, true, 60), kNs / 70) << "a vsync that does not wait still stops near 60";
  EXPECT_LT(engine::PacingPeriod(kNs, true, 144), kNs / 144);
}

#ifndef _WIN32
// Windows always has its desktop; there the refusal is of a missing engine (the play tests).
TEST(NoDisplay, WithoutADisplayOrANamedDriverInitFailsLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("SDL_VIDEODRIVER");
        zgl_Init(0, 0);
        std::exit(0);  // a window that plays on unseen would end up here
      },
      ::testing::ExitedWithCode(EXIT_FAILURE), "ZenGL: .*(display|video)");
}
#endif

}  // namespace
