// SPDX-License-Identifier: Zlib
// The floor program's parts: its options, and the picture it draws.
#include "floor_parts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

bool Parse(std::vector<const char*> args, floorbench::Options* out) {
  args.insert(args.begin(), "floor");
  return floorbench::ParseOptions(int(args.size()), const_cast<char**>(args.data()), out);
}

TEST(FloorOptions, ReadsTimeAndPace) {
  floorbench::Options o;
  ASSERT_TRUE(Parse({}, &o));
  EXPECT_EQ(o.seconds, 0);  // until closed
  EXPECT_EQ(o.fps, 0);      // the engine's pace
  ASSERT_TRUE(Parse({"--seconds", "10", "--full-screen", "--fps", "300"}, &o));
  EXPECT_EQ(o.seconds, 10);
  EXPECT_EQ(o.fps, 300);
  EXPECT_TRUE(o.fullScreen && !o.idle);
}

TEST(FloorOptions, RefusesBadInput) {
  const std::vector<std::vector<const char*>> bad = {
      {"--seconds"},         {"--seconds", "ten"}, {"--seconds", "-1"}, {"--fps", "nan"},
      {"--fps", "inf"},      {"--fps", "60x"},     {"--fps", ""},       {"--speed", "2"},
      {"--seconds", "1e999"}};
  for (const auto& args : bad) {
    floorbench::Options o;
    EXPECT_FALSE(Parse(args, &o)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
  }
}

using floorbench::Vertex;

TEST(FloorScene, FanMatchesTheGameCone) {
  // A caster at (100, 100) facing 0: rays from -30 to 30 degrees, 200 long.
  std::array<Vertex, floorbench::kConeVertices> fan{};
  floorbench::CastFan(100, 100, 0, &fan);
  const Vertex& firstEnd = fan[2];
  EXPECT_NEAR(firstEnd.x, 273.20508f, 1e-3);
  EXPECT_NEAR(firstEnd.y, 0.0f, 1e-3);
  EXPECT_NEAR(firstEnd.u, 0.93085837f, 1e-6);
  EXPECT_NEAR(firstEnd.v, 0.25124380f, 1e-6);
  const Vertex& middleEnd = fan[6 * 3 + 2];
  EXPECT_NEAR(middleEnd.x, 300.0f, 1e-4);
  EXPECT_NEAR(middleEnd.y, 100.0f, 1e-4);
  EXPECT_NEAR(middleEnd.u, 0.99751246f, 1e-6);
  // Triangle 0 has no area: two of its points are the centre.
  EXPECT_EQ(fan[0].x, fan[1].x);
  EXPECT_EQ(fan[0].y, fan[1].y);
  // Each triangle starts where the last one ended.
  for (int t = 1; t < floorbench::kRaysPerCone; ++t) {
    EXPECT_EQ(fan[t * 3 + 1].x, fan[t * 3 - 1].x) << t;
    EXPECT_EQ(fan[t * 3 + 1].y, fan[t * 3 - 1].y) << t;
  }
}

TEST(FloorScene, SceneIsTheStandardPopulationAndRepeatable) {
  static floorbench::Scene a, b;
  floorbench::Build(7, &a);
  floorbench::Build(7, &b);
  int walls = 0, boxes = 0;
  for (size_t i = 0; i < a.solids.size(); ++i) {
    const auto& s = a.solids[i];
    walls += s.color == 0x404040;
    boxes += s.color == 0xF0F020;
    EXPECT_EQ(s.x, b.solids[i].x);
    EXPECT_EQ(s.y, b.solids[i].y);
    for (size_t j = 0; j < i; ++j) {
      const auto& o = a.solids[j];
      const bool apart = s.x >= o.x + o.w || o.x >= s.x + s.w || s.y >= o.y + o.h || o.y >= s.y + s.h;
      EXPECT_TRUE(apart) << i << " overlaps " << j;
    }
  }
  EXPECT_EQ(walls, floorbench::kWalls);
  EXPECT_EQ(boxes, floorbench::kBoxes);
  // Every cone lies within its range of its owner's centre, texture inside the square.
  for (int c = 0; c < floorbench::kLiving; ++c) {
    const Vertex centre = a.cones[c][0];
    for (const Vertex& v : a.cones[c]) {
      EXPECT_LE(std::hypot(v.x - centre.x, v.y - centre.y), floorbench::kConeRange + 1e-3);
      EXPECT_GE(v.u, 0.0f);
      EXPECT_LE(v.u, 1.0f);
      EXPECT_GE(v.v, 0.0f);
      EXPECT_LE(v.v, 1.0f);
    }
  }
}

TEST(FloorScene, SweepTurnsTheGuardsOnly) {
  static floorbench::Scene s;
  floorbench::Build(3, &s);
  const auto before = s.facing;
  const Vertex heroEnd = s.cones[floorbench::kGuards][2];
  floorbench::Sweep(10, &s);
  for (int g = 0; g < floorbench::kGuards; ++g)
    EXPECT_FLOAT_EQ(s.facing[g], std::fmod(before[g] + 10.0f, 360.0f)) << g;
  EXPECT_EQ(s.facing[floorbench::kGuards], before[floorbench::kGuards]);
  EXPECT_EQ(s.cones[floorbench::kGuards][2].x, heroEnd.x);
}

}  // namespace
