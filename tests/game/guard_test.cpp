// SPDX-License-Identifier: Zlib
// The guard: marks by distance, the idle sweep and the alert's timing.
#include <cmath>

#include "scene.h"

namespace {

class GuardTest : public SceneTest {};

TEST_F(GuardTest, MarksFollowTheDistanceSeenInThisTick) {
  struct {
    float distance;  // hero's centre straight ahead of the guard
    int32_t level;
  } cases[] = {{49, 3}, {50, 2}, {99, 2}, {100, 1}, {199, 1}, {200, 0}, {400, 0}};
  for (const auto& c : cases) {
    ClearWorld();
    MakeHero(100 + c.distance, 100);
    TEnemy* guard = MakeGuard(100, 100);
    guard->Update();
    EXPECT_EQ(guard->SeenDist, c.distance < 210 ? int32_t(c.distance) : 200);
    EXPECT_EQ(guard->AlertLevel, c.level) << "at " << c.distance;
  }
}

TEST_F(GuardTest, ShortRangeGuardShowsMarksWithoutASighting) {
  MakeHero(-1000, -1000);
  TEnemy* near = MakeGuard(100, 100, 40);
  TEnemy* mid = MakeGuard(100, 100, 80);
  near->Update();
  mid->Update();
  EXPECT_EQ(near->AlertLevel, 3);
  EXPECT_EQ(mid->AlertLevel, 2);
}

TEST_F(GuardTest, IdleSweepTurnsTheConeFromZeroToAroundOneHundredThirty) {
  // Each tick the phase gains the double 0.02 and is stored as float32; the
  // facing is 135 * cos of that stored phase in double, stored as float32. A
  // float step would give 0.0999999940 in tick 5, a float cosine 134.757065 in tick 3.
  struct {
    float phase, angle;
  } ticks[] = {{0.0199999996f, 134.973007f},
               {0.0399999991f, 134.892014f},
               {0.0599999987f, 134.75708f},
               {0.0799999982f, 134.568237f},
               {0.100000001f, 134.325562f}};
  MakeHero(-1000, -1000);
  TEnemy* guard = MakeGuard(300, 300);
  for (int t = 0; t < 5; ++t) {
    guard->Update();
    EXPECT_EQ(Bits(guard->SweepPhase), Bits(ticks[t].phase)) << "tick " << t + 1;
    EXPECT_EQ(Bits(guard->Angle), Bits(ticks[t].angle)) << "tick " << t + 1;
    if (t == 0) {
      EXPECT_NEAR(guard->ViewTris[2].Y, 300 - 100, 1e-3);  // first cone from -30 degrees
    }
    if (t == 1) {
      // The second cone spans 100 to 160 degrees around its middle ray at 130.
      const double first = 100 * 3.14159265358979 / 180, middle = 130 * 3.14159265358979 / 180;
      EXPECT_NEAR(guard->ViewTris[2].X, 300 + 200 * std::cos(first), 1e-3);
      EXPECT_NEAR(guard->ViewTris[3 * 6 + 2].Y, 300 + 200 * std::sin(middle), 1e-3);
    }
  }
}

TEST_F(GuardTest, OneSightingHoldsTheFacingForOneHundredTicksThenTheSweepResumes) {
  THero* hero = MakeHero(-1000, -1000);
  TEnemy* guard = MakeGuard(300, 300);
  for (int i = 0; i < 10; ++i) guard->Update();
  const float phase = guard->SweepPhase;
  EXPECT_EQ(Bits(phase), Bits(0.199999988f));  // ten double steps of 0.02
  // Tick T: the hero steps into the cone's middle ray, then leaves.
  const float middle = float(std::trunc(guard->Angle / 5) * 5 * 3.14159265358979 / 180);
  hero->Circle = {300 + 150 * std::cos(middle), 300 + 150 * std::sin(middle), 10};
  guard->Update();
  EXPECT_EQ(guard->AlertTimer, 99);
  EXPECT_EQ(guard->AlertLevel, 1);
  const float facing = guard->Angle;
  hero->Circle = {-1000, -1000, 10};
  for (int t = 1; t <= 99; ++t) {
    guard->Update();
    EXPECT_EQ(guard->Angle, facing) << "tick T+" << t;
    EXPECT_EQ(guard->SweepPhase, phase);
    EXPECT_EQ(guard->AlertLevel, 0);
  }
  EXPECT_EQ(guard->AlertTimer, 0);
  guard->Update();  // T + 100: the eleventh step, from where the phase stopped
  EXPECT_EQ(Bits(guard->SweepPhase), Bits(0.219999984f));
  EXPECT_EQ(Bits(guard->Angle), Bits(131.746155f));
}

TEST_F(GuardTest, DrawsItsBodyThenOneMarkPerLevelAboveItsTopEdge) {
  MakeHero(140, 100);
  TEnemy* guard = MakeGuard(100, 100);
  guard->Update();
  ASSERT_EQ(guard->AlertLevel, 3);
  fake::engine.calls.clear();
  guard->Draw();
  EXPECT_EQ(fake::engine.calls, (std::vector<std::string>{"pr2d_Rect(90,90,20,20,16719952,255,65536)",
                                                          "pr2d_Circle(90,80,4,16777215,255,20,65536)",
                                                          "pr2d_Circle(100,80,4,16777215,255,20,65536)",
                                                          "pr2d_Circle(110,80,4,16777215,255,20,65536)"}));
}

}  // namespace
