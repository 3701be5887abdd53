// The world: free places, push-out, population and the order of a tick and
// of a frame.
#include <algorithm>
#include <cmath>

#include "engine/geometry.h"
#include "scene.h"

namespace {

class WorldTest : public SceneTest {};

TEST_F(WorldTest, FreePlaceTestsOnlySolidsWithTheCandidateFirst) {
  EXPECT_TRUE(IsFreePlace({0, 0, 800, 600}));
  MakeHero(100, 100);
  MakeGuard(200, 200);
  EXPECT_TRUE(IsFreePlace({90, 90, 120, 120}));  // only the hero and a guard lie there
  MakeWall(500, 500, 30, 30);
  MakeWall(100, 100, 30, 30);
  fake::engine.calls.clear();
  EXPECT_FALSE(IsFreePlace({90, 90, 10, 10}));
  EXPECT_EQ(fake::engine.calls.back(), "col2d_Rect({90;90;10;10},{85;85;30;30})");
  EXPECT_FALSE(IsFreePlace({490, 490, 10, 10}));
  EXPECT_EQ(fake::engine.calls.size(), 3u);  // stopped at the first overlap
}

TEST_F(WorldTest, PushOutStepsATenthOfTheCentreDistanceAtMostThreeTimes) {
  struct {
    float wallWidth;
    float endX;  // circle of radius 10 starting 20 right of the wall's centre at 100
  } cases[] = {{24, 122}, {28, float(122 + 2.2)}, {50, float(float(122 + 2.2) + (float(122 + 2.2) - 100) / 10.0)}};
  for (const auto& c : cases) {
    ClearWorld();
    MakeWall(100, 100, c.wallWidth, 40);
    TObj* obj = NewWall();
    obj->Init(0, 120, 100, 20, 20);
    const Rect2D rect = obj->Rect;
    PushOut(obj);
    EXPECT_EQ(Bits(obj->Circle.CX), Bits(c.endX)) << "wall " << c.wallWidth;
    EXPECT_EQ(obj->Circle.CY, 100.0f);
    EXPECT_EQ(obj->Rect.X, rect.X);  // bounds wait for UpdateBounds
    EXPECT_EQ(obj->Left, 110);
  }
  EXPECT_NEAR(float(122 + 2.2) + 2.42, 126.62, 1e-4);
}

TEST_F(WorldTest, PushOutLeavesSelfCoincidentAndClearObjectsAlone) {
  TObj* wall = MakeWall(100, 100, 30, 30);
  PushOut(wall);  // itself in Solids
  EXPECT_EQ(wall->Circle.CX, 100.0f);
  TObj* same = NewWall();
  same->Init(0, 100, 100, 20, 20);
  PushOut(same);  // centres coincide: no direction to push in
  EXPECT_EQ(same->Circle.CX, 100.0f);
  EXPECT_EQ(same->Circle.CY, 100.0f);
  TObj* clear = NewWall();
  clear->Init(0, 300, 300, 20, 20);
  PushOut(clear);
  EXPECT_EQ(clear->Circle.CX, 300.0f);
}

TEST_F(WorldTest, PushOutVisitsSolidsOnceInListOrder) {
  MakeWall(100, 100, 50, 50);  // pushes right, then is not looked at again
  MakeWall(160, 100, 50, 50);  // pushes back left into the first
  TObj* obj = NewWall();
  obj->Init(0, 130, 100, 20, 20);
  fake::engine.calls.clear();
  PushOut(obj);
  EXPECT_TRUE(geo::RectVsCircle(Solids[0]->Rect, obj->Circle));
  const auto tests = fake::CallsStartingWith("col2d_RectVsCircle({75");
  EXPECT_EQ(tests.size(), 3u);  // the first wall: one test and two steps, never again
}

// A scripted generator: each draw returns the next value in the script.
std::vector<int32_t> script;
size_t drawn = 0;
int32_t Scripted(int32_t) { return drawn < script.size() ? script[drawn++] : 0; }

TEST_F(WorldTest, PopulationRetriesRejectedPlacesWithFreshDraws) {
  script.clear();
  drawn = 0;
  for (int i = 0; i < 30; ++i) {
    script.insert(script.end(), {(i % 10) * 80, (i / 10) * 80 + 300, i % 10});
    if (i == 0) script.insert(script.end(), {0, 300, 9});  // rejected: three draws
  }
  script.insert(script.end(), {-30 + 80, -30 + 300});  // rejected: a wall only right of and below the box
  script.insert(script.end(), {16 + 80, 300});         // accepted though the box reaches over the wall
  for (int i = 1; i < 7; ++i) script.insert(script.end(), {i * 100, 50});
  script.insert(script.end(), {600, 50});  // a guard's attempt on the last box: rejected
  for (int i = 0; i < 5; ++i) script.insert(script.end(), {700, 150});  // guards may overlap
  SetRandomSource(Scripted);
  CreateWorld();
  EXPECT_EQ(drawn, script.size());
  ASSERT_EQ(Solids.Count(), 37);
  ASSERT_EQ(Boxes.Count(), 7);
  ASSERT_EQ(Enemies.Count(), 5);
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(Solids[i]->Circle.CX, float((i % 10) * 80));
    EXPECT_EQ(Solids[i]->Width, 30 + i % 10);
    EXPECT_EQ(Solids[i]->Color, 0x404040u);
  }
  EXPECT_EQ(Boxes[0]->Circle.CX, 96.0f);
  EXPECT_TRUE(geo::RectVsRect(Boxes[0]->Rect, Solids[1]->Rect));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Solids[30 + i], Boxes[i]);
  EXPECT_EQ(Enemies[4]->Circle.CX, 700.0f);
  EXPECT_EQ(Enemies[4]->HalfFov, 6);
  EXPECT_EQ(Enemies[4]->Color, 0xFF2050u);
  EXPECT_EQ(Hero->Circle.CX, 50.0f);
  EXPECT_EQ(Hero->ViewRange, 200);
  EXPECT_EQ(Hero->Carried, nullptr);
}

TEST_F(WorldTest, SeededPopulationPlacesEachObjectAgainstTheSolidsBeforeIt) {
  for (uint64_t seed : {1u, 2u, 3u}) {
    RandSeed(seed);
    CreateWorld();
    ASSERT_EQ(Solids.Count(), 37);
    for (int i = 0; i < 37; ++i) {
      const TObj* o = Solids[i];
      const Rect2D candidate = {o->Circle.CX, o->Circle.CY, o->Rect.W, o->Rect.H};
      EXPECT_GE(o->Circle.CX, 0);
      EXPECT_LT(o->Circle.CX, 800);
      for (int j = 0; j < i; ++j) EXPECT_FALSE(geo::RectVsRect(candidate, Solids[j]->Rect));
    }
    for (int g = 0; g < 5; ++g) {
      const TObj* o = Enemies[g];
      const Rect2D candidate = {o->Circle.CX, o->Circle.CY, 20, 20};
      for (int j = 0; j < 37; ++j) EXPECT_FALSE(geo::RectVsRect(candidate, Solids[j]->Rect));
    }
  }
}

TEST_F(WorldTest, BoxTakenInATickStopsBlockingRaysInThatTick) {
  TEnemy* guard = MakeGuard(100, 100);
  THero* hero = MakeHero(180, 100);
  MakeBox(150, 100);
  guard->Angle = 0;
  Tick();
  EXPECT_EQ(guard->SeenDist, 200);
  Hold(false, false, false, true);  // he must move, or he hides under it
  PressE();
  guard->Angle = 0;
  Tick();
  EXPECT_NE(hero->Carried, nullptr);
  EXPECT_EQ(guard->SeenDist, 85);
  EXPECT_EQ(guard->AlertTimer, 99);
  EXPECT_EQ(Bits(hero->Carried->Lift), Bits(float(float(0.1) + 0.1)));  // two updates a tick
}

TEST_F(WorldTest, BoxSetDownInATickBlocksRaysFromItsCarriedPlace) {
  TEnemy* guard = MakeGuard(100, 100);
  THero* hero = MakeHero(180, 100);
  TBox* box = MakeBox(180, 100);
  CarryBox(box, true);
  Solids.Remove(box);
  Hold(false, false, true, false);
  guard->Angle = 0;
  Tick();  // moving: seen
  EXPECT_LT(guard->SeenDist, 200);
  Hold(false, false, false, false);
  PressE();
  Tick();
  EXPECT_EQ(hero->Carried, nullptr);
  EXPECT_EQ(guard->SeenDist, 200);
}

TEST_F(WorldTest, FrameDrawsConesThenSolidsThenGuardsThenTheHeroWithHisBox) {
  MakeWall(400, 400, 30, 30);
  TBox* resting = MakeBox(600, 400);
  TEnemy* guard = MakeGuard(700, 500);
  THero* hero = MakeHero(300, 300);
  TBox* carried = MakeBox(300, 300);
  CarryBox(carried, true);
  Solids.Remove(carried);
  Tick();
  fake::engine.calls.clear();
  DrawWorld();
  const std::vector<std::string> names = fake::CallNames();
  EXPECT_EQ(names, (std::vector<std::string>{"pr2d_TriList", "pr2d_TriList", "pr2d_Rect", "pr2d_Rect",
                                              "pr2d_Rect", "pr2d_Rect", "pr2d_Rect"}));
  EXPECT_EQ(fake::engine.calls[0].find("pr2d_TriList(tex0,[300;300]"), 0u);
  EXPECT_EQ(fake::engine.calls[1].find("pr2d_TriList(tex0,[700;500]"), 0u);
  EXPECT_EQ(fake::engine.calls[3].find("pr2d_Rect(" + std::to_string(resting->Left)), 0u);
  EXPECT_EQ(fake::engine.calls[4].find("pr2d_Rect(" + std::to_string(guard->Left)), 0u);
  EXPECT_EQ(fake::engine.calls[5].find("pr2d_Rect(" + std::to_string(hero->Left)), 0u);
  EXPECT_NE(fake::engine.calls[6].find(",15790112,"), std::string::npos);
}

}  // namespace
