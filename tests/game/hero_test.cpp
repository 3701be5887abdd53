// SPDX-License-Identifier: Zlib
// The hero: facing, movement, reach, take and set-down, hiding.
#include <cmath>

#include "scene.h"

namespace {

class HeroTest : public SceneTest {};

TEST_F(HeroTest, MovesFivePerTickOrThreeAndAHalfPerAxisDiagonally) {
  struct {
    bool w, a, s, d;
    float dx, dy;
  } cases[] = {{false, false, false, false, 0, 0}, {false, false, false, true, 5, 0},
               {false, true, false, false, -5, 0}, {true, false, false, false, 0, -5},
               {false, false, true, true, 3.5f, 3.5f}, {true, true, false, false, -3.5f, -3.5f},
               {true, true, true, false, -5, 0},   {true, true, true, true, 0, 0}};
  for (const auto& c : cases) {
    ClearWorld();
    THero* hero = MakeHero(300, 300);
    Hold(c.w, c.a, c.s, c.d);
    hero->Update();
    EXPECT_EQ(hero->Circle.CX, 300 + c.dx);
    EXPECT_EQ(hero->Circle.CY, 300 + c.dy);
    EXPECT_EQ(hero->Left, int32_t(std::nearbyint(290 + c.dx)));
  }
}

TEST_F(HeroTest, FacesThePointerAndReadsInputInAFixedOrder) {
  THero* hero = MakeHero(300, 300);
  fake::engine.mouseX = 310;
  fake::engine.mouseY = 310;
  hero->Update();
  EXPECT_FLOAT_EQ(hero->Angle, 45);
  const std::vector<std::string> expected = {"mouse_X()",     "mouse_Y()",     "m_Angle(310,310,300,300)",
                                             "key_Down(17)", "key_Down(31)", "key_Down(30)",
                                             "key_Down(32)", "key_Press(18)"};
  std::vector<std::string> head(fake::engine.calls.begin(), fake::engine.calls.begin() + 8);
  EXPECT_EQ(head, expected);
}

TEST_F(HeroTest, ReachIsStrictlyWithin25PixelsOfTheWholePixelBounds) {
  // Hero at (300, 300): Left 290, Right 310, Top 290, Bottom 310.
  struct {
    float bx, by;
    bool taken;
  } cases[] = {{265, 300, false}, {265.5f, 300, true}, {335, 300, false}, {334.5f, 300, true},
               {300, 265, false}, {300, 265.5f, true}, {300, 335, false}, {300, 334.5f, true}};
  for (const auto& c : cases) {
    ClearWorld();
    THero* hero = MakeHero(300, 300);
    TBox* box = MakeBox(c.bx, c.by);
    PressE();
    hero->Update();
    EXPECT_EQ(hero->Carried == box, c.taken) << c.bx << "," << c.by;
    EXPECT_EQ(Solids.Count(), c.taken ? 0 : 1);
  }
}

TEST_F(HeroTest, TakesTheFirstBoxInReachAndTheOthersKeepTheirOrder) {
  THero* hero = MakeHero(300, 300);
  TObj* wall = MakeWall(600, 600, 30, 30);
  TBox* far = MakeBox(500, 500);
  TBox* first = MakeBox(320, 300);
  TBox* second = MakeBox(280, 300);
  PressE();
  hero->Update();
  EXPECT_EQ(hero->Carried, first);
  ASSERT_EQ(Solids.Count(), 3);
  EXPECT_EQ(Solids[0], wall);
  EXPECT_EQ(Solids[1], far);
  EXPECT_EQ(Solids[2], second);
  EXPECT_EQ(Boxes.Count(), 3);
}

TEST_F(HeroTest, TakeKeyActsOncePerPress) {
  THero* hero = MakeHero(300, 300);
  TBox* box = MakeBox(320, 300);
  PressE();
  Tick();
  EXPECT_EQ(hero->Carried, box);
  fake::engine.down[keys::E] = true;  // still held, no new press
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(hero->Carried, box);
  PressE();
  Tick();
  EXPECT_EQ(hero->Carried, nullptr);
}

TEST_F(HeroTest, HiddenOnlyWhileCarryingAndStandingStill) {
  THero* hero = MakeHero(300, 300);
  MakeBox(320, 300);
  PressE();
  Tick();  // taken without moving: hidden in the very tick of the take
  EXPECT_TRUE(hero->Hidden);
  Hold(false, false, false, true);
  Tick();
  EXPECT_FALSE(hero->Hidden);
  Hold(true, true, true, true);  // all four keys cancel
  Tick();
  EXPECT_TRUE(hero->Hidden);
  Hold(false, false, false, false);
  for (int i = 0; i < 20; ++i) Tick();  // offset settles onto the hero
  EXPECT_TRUE(hero->Hidden);
  PressE();
  Tick();  // set down: the box now rests on his centre and does not push him
  EXPECT_EQ(hero->Carried, nullptr);
  EXPECT_FALSE(hero->Hidden);
  EXPECT_EQ(hero->Circle.CX, 305.0f);
}

TEST_F(HeroTest, HiddenComparesTheCentreAfterThePushOutNotTheKeys) {
  // The hero at (300, 300), radius 10. Wall A (centre 320, 30 wide) overlaps
  // him where he stands and pushes him left to 298, 295.8, 293.38. Wall B
  // (centre 355, 82 wide, left edge 314) overlaps him after a step right to
  // 305 and pushes him back a tenth of 50: exactly to where he started. Wall C
  // (x 313..343) overlaps him after that step too, and pushes him back short of it.
  enum Wall { kNone, kA, kB, kC };
  struct {
    bool carrying, w, a, s, d;
    Wall wall;
    float endX;
    bool hidden;
  } cases[] = {
      {true, false, false, false, false, kNone, 300, true},
      {true, false, false, false, false, kA, 293.379974f, false},  // no key held, yet moved
      {true, true, true, true, true, kNone, 300, true},            // keys held, yet still
      {true, true, true, true, true, kA, 293.379974f, false},
      {true, false, false, false, true, kNone, 305, false},
      {true, false, false, false, true, kB, 300, true},  // walked and was pushed back exactly
      {true, false, false, false, true, kC, 302.700012f, false},  // walked into a wall: not hiding
      {false, false, false, false, false, kNone, 300, false},
  };
  for (const auto& c : cases) {
    ClearWorld();
    THero* hero = MakeHero(300, 300);
    if (c.carrying) MakeCarried(300, 300);
    if (c.wall == kA) MakeWall(320, 300, 30, 30);
    if (c.wall == kB) MakeWall(355, 300, 82, 40);
    if (c.wall == kC) MakeWall(328, 300, 30, 30);
    Hold(c.w, c.a, c.s, c.d);
    hero->Update();
    SCOPED_TRACE(testing::Message() << "keys " << c.w << c.a << c.s << c.d << ", wall " << c.wall);
    EXPECT_EQ(Bits(hero->Circle.CX), Bits(c.endX)) << hero->Circle.CX;
    EXPECT_EQ(hero->Circle.CY, 300.0f);
    EXPECT_EQ(hero->Hidden, c.hidden);
  }
}

TEST_F(HeroTest, BoxTakenInATickNoLongerBlocksTheHeroThatTick) {
  THero* hero = MakeHero(300, 300);
  TBox* box = MakeBox(322, 300);  // just right of him, overlapping his path
  Hold(false, false, false, true);
  PressE();
  hero->Update();
  EXPECT_EQ(hero->Carried, box);
  EXPECT_EQ(hero->Circle.CX, 305.0f);
  // Its first update followed the hero's new centre.
  EXPECT_EQ(box->Circle.CX, float(305 + float(double(22 * 9) / 10.0)));
}

TEST_F(HeroTest, DrawsHisSquareThenTheCarriedBoxOverIt) {
  THero* hero = MakeHero(300, 300);
  MakeCarried(300, 300, 30);
  fake::engine.calls.clear();
  hero->Draw();
  EXPECT_EQ(fake::engine.calls, (std::vector<std::string>{"pr2d_Rect(290,290,20,20,11489874,255,65536)",
                                                          "pr2d_Rect(288,288,25,25,15790112,255,65536)"}));
}

}  // namespace
