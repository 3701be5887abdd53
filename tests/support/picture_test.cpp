// SPDX-License-Identifier: Zlib
// The play tests' own eyes and legs, checked on drawn pictures: finding the
// hero, planning a way around obstacles, and reading cones.
#include <gtest/gtest.h>

#include "pilot.h"
#include "picture.h"

namespace e2e {
namespace {

Picture Field(int w = 200, int h = 150) {
  Picture p;
  p.width = w, p.height = h;
  p.pixels.assign(size_t(w) * h, kField);
  return p;
}

void Fill(Picture& p, int x0, int y0, int x1, int y1, uint32_t colour) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (p.inside(x, y)) p.pixels[size_t(y) * p.width + x] = colour;
}

struct HeroCase {
  const char* name;
  int left, top;           // where he is drawn (may be off screen)
  bool coverTop;           // a hopping box over his upper half
  bool found;
};

TEST(FindHero, WhereverHeStandsOrIsHalfHidden) {
  const HeroCase cases[] = {
      {"in the open", 40, 40, false, true},
      {"cut by the left edge", -6, 50, false, true},
      {"cut by the top edge", 70, -9, false, true},
      {"cut by the right and bottom edges", 188, 140, false, true},
      {"half under a hopping box", 40, 40, true, false},
  };
  for (const auto& c : cases) {
    Picture p = Field();
    Fill(p, c.left, c.top, c.left + kHeroSize, c.top + kHeroSize, kHero);
    if (c.coverTop) Fill(p, c.left - 3, c.top - 20, c.left + 22, c.top + 8, kBox);
    auto h = FindHero(p);
    ASSERT_EQ(h.has_value(), c.found) << c.name;
    if (h) {
      EXPECT_EQ(h->left, c.left) << c.name;
      EXPECT_EQ(h->top, c.top) << c.name;
      EXPECT_EQ(h->width(), kHeroSize) << c.name;
    }
  }
}

// Walks the legs from the start and returns where they end, failing if a step
// lands where the hero does not fit.
std::pair<int, int> Follow(const FreeMap& free, int x, int y, const std::vector<Leg>& legs) {
  for (const Leg& leg : legs)
    for (int s = 0; s < leg.steps; ++s) {
      x += leg.dir == Dir::Right ? kStep : leg.dir == Dir::Left ? -kStep : 0;
      y += leg.dir == Dir::Down ? kStep : leg.dir == Dir::Up ? -kStep : 0;
      EXPECT_TRUE(free.Free(x, y)) << "step onto an obstacle at " << x << "," << y;
    }
  return {x, y};
}

TEST(PlanWay, GoesAroundAWallOnTheLattice) {
  Picture p = Field();
  Fill(p, 90, 0, 110, 120, kWall);  // a wall from the top, open below
  FreeMap free(p, 2);
  auto goal = [](int x, int y) { return x >= 150 && y < 40; };
  auto legs = PlanWay(free, 50, 30, goal);
  ASSERT_TRUE(legs);
  ASSERT_GE(legs->size(), 3u) << "down, across, up";
  auto [x, y] = Follow(free, 50, 30, *legs);
  EXPECT_TRUE(goal(x, y));
  EXPECT_EQ((x - 50) % kStep, 0);
  EXPECT_EQ((y - 30) % kStep, 0);
}

TEST(PlanWay, NoWayOutOfAWalledRoomAndNoStepsWhenThere) {
  Picture p = Field();
  Fill(p, 20, 20, 100, 25, kWall);
  Fill(p, 20, 95, 100, 100, kWall);
  Fill(p, 20, 20, 25, 100, kWall);
  Fill(p, 95, 20, 100, 100, kWall);
  FreeMap free(p, 2);
  EXPECT_FALSE(PlanWay(free, 60, 60, [](int x, int) { return x > 150; }));
  auto here = PlanWay(free, 60, 60, [](int x, int y) { return x == 60 && y == 60; });
  ASSERT_TRUE(here);
  EXPECT_TRUE(here->empty());
}

TEST(PlanWay, StartsFromPartlyOffScreen) {
  Picture p = Field();
  FreeMap free(p, 2);
  EXPECT_TRUE(free.Free(3, 70)) << "half off screen, where nothing stands";
  auto legs = PlanWay(free, -4, 70, [](int x, int) { return x >= 40; });
  ASSERT_TRUE(legs);
  ASSERT_EQ(legs->size(), 1u);
  EXPECT_EQ(legs->front().dir, Dir::Right);
}

TEST(ConeShare, CountsTranslucentPixelsBesideObjects) {
  Picture p = Field();
  Fill(p, 100, 60, 160, 90, 0xE9D7AE);  // a cone's shade to the right of (100, 75)
  Fill(p, 130, 70, 140, 80, kWall);     // objects are left out of the count
  EXPECT_NEAR(ConeShare(p, 100, 75, 0, 10, 10, 50), 1.0, 1e-9);
  EXPECT_NEAR(ConeShare(p, 100, 75, 180, 10, 10, 50), 0.0, 1e-9);
  EXPECT_TRUE(IsConePixel(0xE9D7AE));
  EXPECT_FALSE(IsConePixel(kField));
  EXPECT_FALSE(IsConePixel(kMark));
}

}  // namespace
}  // namespace e2e
