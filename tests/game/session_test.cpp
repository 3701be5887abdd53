// SPDX-License-Identifier: Zlib
// A long scripted session through the real tick and frame: no NaN, no heap
// allocation in any tick or frame, and the world's lists intact every tick.
#include <cmath>

#include "alloc_counter.h"
#include "input_bot.h"
#include "scene.h"
#include "shell/uShell.h"

namespace {

bool Finite(float v) { return std::isfinite(v); }

void ExpectSane(const TLiveObj* o) {
  ASSERT_TRUE(Finite(o->Circle.CX) && Finite(o->Circle.CY) && Finite(o->Rect.X) && Finite(o->Rect.Y));
  ASSERT_TRUE(Finite(o->Angle));
  for (const Point2D& p : o->ViewTris) ASSERT_TRUE(Finite(p.X) && Finite(p.Y));
  for (const Point2D& p : o->ViewUV) ASSERT_TRUE(Finite(p.X) && Finite(p.Y));
}

// Every box in Solids or carried, never both; the walls first, in the order of the
// populated world's `solids`.
void ExpectListsIntact(const TList<TObj>& solids, const TList<TBox>& boxes, const TList<TEnemy>& guards) {
  const int carried = Hero->Carried ? 1 : 0;
  ASSERT_EQ(Solids.Count(), 37 - carried);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(Solids[i], solids[i]);
  ASSERT_EQ(Boxes.Count(), 7);
  ASSERT_EQ(Enemies.Count(), 5);
  for (int i = 0; i < 7; ++i) {
    TBox* box = Boxes[i];
    ASSERT_EQ(box, boxes[i]);
    int inSolids = 0;
    for (int s = 30; s < Solids.Count(); ++s) inSolids += Solids[s] == box;
    const bool isCarried = Hero->Carried == box;
    ASSERT_EQ(inSolids + int(isCarried), 1) << "box " << i;
    ASSERT_EQ(box->Held, isCarried);
    ASSERT_TRUE(Finite(box->Circle.CX) && Finite(box->Circle.CY) && Finite(box->Lift));
  }
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Enemies[i], guards[i]);
}

class SessionTest : public SceneTest {};

// The scripted player of tests/support walks to a box, takes it, carries it a while,
// stands still under it, sets it down and goes for the next, turning the view round.
TEST_F(SessionTest, ThousandsOfScriptedTicksKeepTheWorldSoundWithoutAllocating) {
  inputbot::Install(&zgl::api);
  RandSeed(20240611);
  OnLoad();
  inputbot::Reset(20240611);
  fake::engine.record = false;
  const TList<TObj> solids = Solids;
  const TList<TBox> boxes = Boxes;
  const TList<TEnemy> guards = Enemies;

  for (int tick = 0; tick < 6000; ++tick) {
    const auto allocations = alloc_counter::CountIn([&] {
      OnTimer();
      OnDraw();
      if (tick % 3 == 0) OnDraw();  // frames need not match ticks
    });
    ASSERT_EQ(allocations.Total(), 0u) << "tick " << tick;
    ExpectListsIntact(solids, boxes, guards);
    ExpectSane(Hero);
    for (int i = 0; i < 5; ++i) ExpectSane(guards[i]);
    if (HasFatalFailure()) FAIL() << "tick " << tick;
  }
  const inputbot::Stats& played = inputbot::GetStats();
  std::printf("takes %llu, drops %llu, hidden ticks %llu, line tests %ld\n", (unsigned long long)played.takes,
              (unsigned long long)played.setDowns, (unsigned long long)played.hidden,
              fake::engine.counts[fake::op_col2d_LineVsRect]);
  EXPECT_GT(played.takes, 5u);
  EXPECT_GT(played.setDowns, 5u);
  EXPECT_GT(played.hidden, 20u);
  EXPECT_GT(fake::engine.counts[fake::op_pr2d_TriList], 6 * 6000);
}

}  // namespace
