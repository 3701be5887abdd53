// SPDX-License-Identifier: Zlib
// A long scripted session through the real tick and frame: no NaN, no heap
// allocation in any tick or frame, and the world's lists intact every tick.
#include <cmath>

#include "alloc_counter.h"
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

// Every box in Solids or carried, never both; the walls first, in order.
void ExpectListsIntact(const std::vector<TObj*>& walls, const std::vector<TBox*>& boxes,
                       const std::vector<TEnemy*>& guards) {
  const int carried = Hero->Carried ? 1 : 0;
  ASSERT_EQ(Solids.Count(), 37 - carried);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(Solids[i], walls[size_t(i)]);
  ASSERT_EQ(Boxes.Count(), 7);
  ASSERT_EQ(Enemies.Count(), 5);
  for (int i = 0; i < 7; ++i) {
    TBox* box = Boxes[i];
    ASSERT_EQ(box, boxes[size_t(i)]);
    int inSolids = 0;
    for (int s = 30; s < Solids.Count(); ++s) inSolids += Solids[s] == box;
    const bool isCarried = Hero->Carried == box;
    ASSERT_EQ(inSolids + int(isCarried), 1) << "box " << i;
    ASSERT_EQ(box->Held, isCarried);
    ASSERT_TRUE(Finite(box->Circle.CX) && Finite(box->Circle.CY) && Finite(box->Lift));
  }
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Enemies[i], guards[size_t(i)]);
}

class SessionTest : public SceneTest {};

TEST_F(SessionTest, ThousandsOfScriptedTicksKeepTheWorldSoundWithoutAllocating) {
  RandSeed(20240611);
  OnLoad();
  fake::engine.record = false;
  std::vector<TObj*> walls;
  std::vector<TBox*> boxes;
  std::vector<TEnemy*> guards;
  for (int i = 0; i < 30; ++i) walls.push_back(Solids[i]);
  for (int i = 0; i < 7; ++i) boxes.push_back(Boxes[i]);
  for (int i = 0; i < 5; ++i) guards.push_back(Enemies[i]);

  // The player walks toward a box, takes it, wanders or stands still for a
  // while, sets it down, and starts over with the next box.
  uint32_t rng = 12345;
  auto next = [&rng] { return rng = rng * 1664525u + 1013904223u; };
  int target = 0, phaseTicks = 0, takes = 0, drops = 0, hiddenTicks = 0;
  int wanderH = 0, wanderV = 0;
  for (int tick = 0; tick < 6000; ++tick) {
    const TBox* goal = Boxes[target];
    fake::engine.mouseX = int32_t(next() % 800);
    fake::engine.mouseY = int32_t(next() % 600);
    if (++phaseTicks % 40 == 0) wanderH = int(next() % 3) - 1, wanderV = int(next() % 3) - 1;
    int h = wanderH, v = wanderV;
    if (!Hero->Carried && phaseTicks % 200 < 150) {
      const float dx = goal->Circle.CX - Hero->Circle.CX, dy = goal->Circle.CY - Hero->Circle.CY;
      h = dx > 3 ? 1 : dx < -3 ? -1 : 0;
      v = dy > 3 ? 1 : dy < -3 ? -1 : 0;
      if (std::fabs(dx) < 30 && std::fabs(dy) < 30) fake::engine.pressed[keys::E] = true;
    } else if (Hero->Carried && phaseTicks > 120) {
      fake::engine.pressed[keys::E] = true;
    }
    if (Hero->Carried && phaseTicks % 50 < 15) h = v = 0;  // stand still under the box
    Hold(v < 0, h < 0, v > 0, h > 0);
    // Keep the hero on the field so that the walk keeps meeting things.
    if (Hero->Circle.CX < 0) Hold(false, false, false, true);
    if (Hero->Circle.CX > 800) Hold(false, true, false, false);
    if (Hero->Circle.CY < 0) Hold(false, false, true, false);
    if (Hero->Circle.CY > 600) Hold(true, false, false, false);

    const TBox* before = Hero->Carried;
    const auto allocations = alloc_counter::CountIn([&] {
      OnTimer();
      fake::engine.pressed.fill(false);
      OnDraw();
      if (tick % 3 == 0) OnDraw();  // frames need not match ticks
    });
    ASSERT_EQ(allocations.Total(), 0u) << "tick " << tick;

    if (!before && Hero->Carried) ++takes, phaseTicks = 0;
    if (before && !Hero->Carried) ++drops, phaseTicks = 0, target = (target + 1) % 7;
    if (phaseTicks > 600) phaseTicks = 0, target = (target + 1) % 7;
    hiddenTicks += Hero->Hidden;
    ExpectListsIntact(walls, boxes, guards);
    ExpectSane(Hero);
    for (TEnemy* g : guards) ExpectSane(g);
    if (HasFatalFailure()) FAIL() << "tick " << tick;
  }
  std::printf("takes %d, drops %d, hidden ticks %d, line tests %ld\n", takes, drops, hiddenTicks,
              fake::engine.counts[fake::op_col2d_LineVsRect]);
  EXPECT_GT(takes, 5);
  EXPECT_GT(drops, 5);
  EXPECT_GT(hiddenTicks, 20);
  EXPECT_GT(fake::engine.counts[fake::op_pr2d_TriList], 6 * 6000);
}

}  // namespace
