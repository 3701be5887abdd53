// SPDX-License-Identifier: Zlib
// The box: its hop, the carried offset, the glide after a set-down and the
// four places tried for it.
#include <cmath>

#include "scene.h"

namespace {

class BoxTest : public SceneTest {
 protected:
  // In a cleared world, a box taken at the hero's own centre, its offset settled to 0,
  // and the first `walled` of the four places to set it down (Place) walled off.
  TBox* CarriedSettled(float hx, float hy, int walled = 0) {
    ClearWorld();
    MakeHero(hx, hy);
    TBox* box = MakeCarried(hx, hy, 40);
    for (int p = 0; p < walled; ++p) MakeWallOver(Place(p));
    return box;
  }
  static int32_t Raise(const TBox* box) { return int32_t(std::nearbyint(box->Rect.Y)) - box->Top; }
  static Rect2D Place(int which) {
    const Rect2D h = Hero->Rect;
    const Rect2D places[] = {{h.X - 26, h.Y, 25, 25}, {h.X + 26, h.Y, 25, 25}, {h.X, h.Y - 26, 25, 25},
                             {h.X, h.Y + 26, 25, 25}};
    return places[which];
  }
};

TEST_F(BoxTest, NewBoxTakesOneSilentStepAndThenRests) {
  TBox* box = MakeBox(200, 200);
  EXPECT_EQ(Bits(box->Lift), Bits(2.5999999f));
  const int32_t top = box->Top;
  box->Update();
  EXPECT_EQ(Bits(box->Lift), Bits(2.6999998f));
  EXPECT_EQ(box->Top, top);
  box->Update();
  EXPECT_EQ(Bits(box->Lift), Bits(2.6999998f));
  EXPECT_EQ(box->Top, top);
}

TEST_F(BoxTest, LandingHopRaisesTheDrawnTopFor26Updates) {
  const int32_t expected[] = {3,  6,  10, 13, 16, 19, 22, 25, 27, 29, 31, 32, 33,
                              34, 34, 34, 34, 34, 33, 31, 30, 28, 26, 23, 20, 18};
  TBox* box = MakeBox(200, 200);
  box->Lift = 0;
  for (int32_t raise : expected) {
    box->Update();
    EXPECT_EQ(Raise(box), raise);
    EXPECT_EQ(box->Bottom, 200 - 12 + 25);  // the hop is drawn only
  }
  box->Update();
  EXPECT_EQ(Raise(box), 0);
  EXPECT_FALSE(double(box->Lift) < 2.6);
}

TEST_F(BoxTest, CarriedBoxHopsTwoStepsPerTick) {
  const int32_t expected[] = {6, 13, 19, 25, 29, 32, 34, 34, 34, 31, 28, 23, 18, 0, 0};
  MakeHero(300, 300);
  TBox* box = MakeBox(300, 330);
  CarryBox(box, true);
  for (int32_t raise : expected) {
    box->Update();
    box->Update();
    EXPECT_EQ(Raise(box), raise);
  }
}

TEST_F(BoxTest, CarriedOffsetShrinksToNineTenthsInStepsOfOneTenthAndReachesZero) {
  const float expected[] = {30.6f, 27.5f, 24.7f, 22.2f, 19.9f, 17.9f, 16.1f, 14.4f};
  for (float sign : {1.0f, -1.0f}) {
    ClearWorld();
    THero* hero = MakeHero(300, 300);
    TBox* box = MakeBox(300 + 34 * sign, 300);
    CarryBox(box, true);
    EXPECT_EQ(box->AnchorX, 34 * sign);
    EXPECT_EQ(hero->Carried, box);
    for (float value : expected) {
      box->Update();
      EXPECT_EQ(Bits(box->AnchorX), Bits(value * sign));
    }
    for (int updates = int(std::size(expected)); updates < 39; ++updates) box->Update();
    EXPECT_EQ(box->AnchorX, 0.1f * sign);
    box->Update();
    EXPECT_EQ(box->AnchorX, 0.0f);
    EXPECT_EQ(box->Circle.CX, hero->Circle.CX);
    EXPECT_EQ(box->AnchorY, 0.0f);
  }
}

TEST_F(BoxTest, GlideEndsShortOfTheTargetByTheSideItWasSetDownOn) {
  struct {
    int place;
    float low, high;  // distance left after the hop
  } sides[] = {{0, 1.8f, 1.9f}, {1, 2.0f, 2.1f}, {2, 1.8f, 1.9f}, {3, 2.0f, 2.1f}};
  for (float hx : {50.0f, 200.5f, 333.25f, 640.0f}) {
    for (const auto& side : sides) {
      TBox* box = CarriedSettled(hx, hx * 0.75f, side.place);
      CarryBox(box, false);
      ASSERT_FALSE(box->Held);
      const bool alongX = side.place < 2;
      const float start = alongX ? box->AnchorX - box->Circle.CX : box->AnchorY - box->Circle.CY;
      EXPECT_EQ(std::fabs(start), side.place % 2 == 0 ? 24.0f : 28.0f);
      for (int i = 0; i < 40; ++i) box->Update();
      const float left = alongX ? box->AnchorX - box->Circle.CX : box->AnchorY - box->Circle.CY;
      // Within float rounding at these coordinates.
      EXPECT_GE(std::fabs(left), side.low - 1e-3f) << "hero at " << hx << ", place " << side.place;
      EXPECT_LE(std::fabs(left), side.high + 1e-3f) << "hero at " << hx << ", place " << side.place;
    }
  }
}

TEST_F(BoxTest, GlideNearTheWindowsCornerIsToTheBit) {
  // Set down beside a hero at the left or top edge, the box glides across 0,
  // where a tenth rounded to float32 before the sum would land elsewhere (a
  // float tenth ends at -18.1000023 and 0.90000087). Each step adds a tenth of
  // the whole pixels left in double and stores the sum once as float32: 4 to
  // -20 ends at -18.2000008, -25 to 3 at 0.900000632, and the other axis,
  // 300 to 302 in steps of 0.2, at 301.000061.
  struct {
    float hx, hy;
    int place;  // the places before it are walled off
    float endX, endY;
  } cases[] = {{4, 300, 0, -18.2000008f, 301.000061f},
               {-25, 300, 1, 0.900000632f, 301.000061f},
               {300, 4, 2, 301.000061f, -18.2000008f},
               {300, -25, 3, 301.000061f, 0.900000632f}};
  for (const auto& c : cases) {
    TBox* box = CarriedSettled(c.hx, c.hy, c.place);
    CarryBox(box, false);
    ASSERT_FALSE(box->Held);
    for (int i = 0; i < 40; ++i) box->Update();
    SCOPED_TRACE(testing::Message() << "hero at " << c.hx << "," << c.hy);
    EXPECT_EQ(Bits(box->Circle.CX), Bits(c.endX)) << box->Circle.CX;
    EXPECT_EQ(Bits(box->Circle.CY), Bits(c.endY)) << box->Circle.CY;
  }
}

TEST_F(BoxTest, SetDownTriesLeftRightAboveBelowAndKeepsTheBoxWhenAllAreBlocked) {
  for (int blocked = 0; blocked <= 4; ++blocked) {
    TBox* box = CarriedSettled(400, 300, blocked);
    const int solids = Solids.Count();
    const Circle2D carried = box->Circle;
    CarryBox(box, false);
    if (blocked == 4) {
      EXPECT_TRUE(box->Held);
      EXPECT_EQ(Hero->Carried, box);
      EXPECT_EQ(Solids.Count(), solids);
      // The last place tried stays in Rect until the box's next update.
      EXPECT_EQ(box->Rect.Y, Place(3).Y);
      box->Update();
      EXPECT_EQ(box->Rect.X, float(carried.CX - 12.5));
      continue;
    }
    const Rect2D place = Place(blocked);
    EXPECT_FALSE(box->Held);
    EXPECT_EQ(box->Lift, 0.0f);
    EXPECT_EQ(Hero->Carried, nullptr);
    ASSERT_EQ(Solids.Count(), solids + 1);
    EXPECT_EQ(Solids[solids], box);
    EXPECT_EQ(box->AnchorX, place.X + 12);
    EXPECT_EQ(box->AnchorY, place.Y + 12);
    // It enters Solids where it was carried.
    EXPECT_EQ(box->Circle.CX, carried.CX);
    EXPECT_EQ(box->Rect.X, carried.CX - 12.5f);
  }
}

TEST_F(BoxTest, LandingBoxTakenAgainRestartsItsHopAndAbandonsTheGlide) {
  TBox* box = CarriedSettled(400, 300);
  CarryBox(box, false);
  for (int i = 0; i < 5; ++i) box->Update();
  const float offset = box->Circle.CX - Hero->Circle.CX;
  CarryBox(box, true);
  EXPECT_TRUE(box->Held);
  EXPECT_EQ(box->Lift, 0.0f);
  EXPECT_EQ(box->AnchorX, offset);
  Hero->Circle.CX += 50;
  box->Update();
  EXPECT_NEAR(box->Circle.CX, Hero->Circle.CX + offset * 0.9f, 0.1f);
}

}  // namespace
