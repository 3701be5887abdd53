// The loop and its timers on a simulated clock: the game's pace must not
// depend on the frame rate, a stall must not replay seconds of ticks, and
// the loop must end cleanly on a closed window or a signal.
#include <csignal>

#include "engineTestSupport.h"

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

// A clock that moves only when the loop sleeps or a frame is charged.
class FakeClock final : public engine::Clock {
 public:
  uint64_t now = 0;
  uint64_t sleeps = 0;
  uint64_t Now() override { return now; }
  uint64_t Frequency() override { return kNs; }
  void SleepUntil(uint64_t deadline) override {
    ++sleeps;
    if (deadline > now) now = deadline;
  }
};

struct LoopRecord {
  FakeClock clock;
  uint64_t frameCost = 0;  // ticks each draw takes
  uint64_t stopAt = kNs;  // the last frame is the one whose successor would start later
  int loads = 0, draws = 0, exits = 0, ticks = 0;
  bool drewBeforeLoad = false;
  int stopSignal = 0;  // raised at stopAt instead of closing the window
} gLoop;

void OnLoad() { ++gLoop.loads; }
void OnTick() { ++gLoop.ticks; }
void OnExit() { ++gLoop.exits; }
void OnDraw() {
  if (gLoop.loads == 0) gLoop.drewBeforeLoad = true;
  ++gLoop.draws;
  gLoop.clock.now += gLoop.frameCost;
  if (gLoop.clock.now > gLoop.stopAt) {
    if (gLoop.stopSignal) {
      std::raise(gLoop.stopSignal);
    } else {
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    }
  }
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
};

TEST_F(Loop, RunsLoadOnceThenFramesAndTicksThenExitOnce) {
  for (double fps : {20.0, 300.0}) {
    SetUp();
    gLoop.frameCost = uint64_t(double(kNs) / fps);
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.loads, 1);
    EXPECT_FALSE(gLoop.drewBeforeLoad);
    EXPECT_EQ(gLoop.exits, 1);
    EXPECT_NEAR(gLoop.draws, fps + 1, 1) << fps << " frames a second";
    EXPECT_EQ(gLoop.ticks, 58) << fps << " frames a second";  // 1000 / 17 = 58.8
    EXPECT_FALSE(Core().Running());
    EXPECT_EQ(Core().Window(), nullptr) << "everything released";
  }
}

TEST_F(Loop, PacesItselfBySleepingWhenFramesAreQuick) {
  gLoop.frameCost = kMs;  // a 1 ms frame would spin at 1000 a second
  ASSERT_EQ(Core().Run(gLoop.clock, kNs / 60), "");
  EXPECT_NEAR(gLoop.draws, 60, 1);
  EXPECT_GE(gLoop.clock.sleeps, 59u);
  EXPECT_NEAR(gLoop.ticks, 58, 1);
}

TEST_F(Loop, StopsOnSigtermAndSigint) {
  for (int sig : {SIGTERM, SIGINT}) {
    SetUp();
    gLoop.frameCost = 10 * kMs;
    gLoop.stopAt = 100 * kMs;
    gLoop.stopSignal = sig;
    ASSERT_EQ(Core().Run(gLoop.clock, 0), "");
    EXPECT_EQ(gLoop.draws, 11);
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
