// SPDX-License-Identifier: Zlib
// The view cone: ray ends and texture coordinates to the bit, the 5-degree
// grid, clipping by Solids, sighting and the alert countdown.
#include <cmath>
#include <numbers>

#include "scene.h"

namespace {

class ConeTest : public SceneTest {
 protected:
  // A caster facing along +x, by default at (100, 100); the hero far out of sight.
  TEnemy* Caster(float angle = 0, float cx = 100, float cy = 100) {
    if (!Hero) MakeHero(-1000, -1000);
    TEnemy* caster = MakeGuard(cx, cy);
    caster->Angle = angle;
    return caster;
  }
  static Point2D Vertex(const TLiveObj* o, int tri, int v) { return o->ViewTris[size_t(3 * tri + v)]; }
  static Point2D UV(const TLiveObj* o, int tri, int v) { return o->ViewUV[size_t(3 * tri + v)]; }
  static void ExpectBits(Point2D p, float x, float y) {
    EXPECT_EQ(Bits(p.X), Bits(x)) << p.X << " vs " << x;
    EXPECT_EQ(Bits(p.Y), Bits(y)) << p.Y << " vs " << y;
  }
};

TEST_F(ConeTest, UnclippedConeMatchesTheReferenceNumbersToTheBit) {
  TEnemy* c = Caster();
  c->CastView();
  ASSERT_EQ(c->TriangleCount(), 13);
  const Point2D first = Vertex(c, 0, 2);
  EXPECT_EQ(Bits(first.X), Bits(273.20508f));
  // Not exactly 0: the degree factor is 0.017453292, not pi / 180.
  EXPECT_GT(first.Y, 0.00000775f);
  EXPECT_LT(first.Y, 0.00000785f);
  ExpectBits(Vertex(c, 6, 2), 300, 100);
  ExpectBits(UV(c, 6, 2), 0.99751246f, 0.5f);
  ExpectBits(Vertex(c, 12, 2), 273.20508f, 199.99998f);
  // Triangle 0: two vertices at the centre, no area.
  ExpectBits(Vertex(c, 0, 0), 100, 100);
  ExpectBits(Vertex(c, 0, 1), 100, 100);
  ExpectBits(UV(c, 0, 0), 0.5f, 0.5f);
  ExpectBits(UV(c, 0, 1), 0.5f, 0.5f);
  ExpectBits(UV(c, 0, 2), 0.93085837f, 0.25124380f);
  // Triangle 1 joins the ends of rays 0 and 1.
  ExpectBits(Vertex(c, 1, 0), 100, 100);
  ExpectBits(Vertex(c, 1, 1), first.X, first.Y);
  ExpectBits(Vertex(c, 1, 2), 281.26157f, 15.476353f);
  ExpectBits(UV(c, 1, 1), 0.93085837f, 0.25124380f);
  // Every unclipped coordinate stays within 0.5 +- 200 / 402 (as float32:
  // 0.00248756213 to 0.99751246); facing each way, a middle ray meets one bound.
  for (float facing : {0.0f, 90.0f, 180.0f, 270.0f}) {
    c->Angle = facing;
    c->CastView();
    for (const Point2D& uv : c->ViewUV) {
      EXPECT_GE(uv.X, 0.00248756213f) << "facing " << facing;
      EXPECT_LE(uv.X, 0.99751246f) << "facing " << facing;
      EXPECT_GE(uv.Y, 0.00248756213f) << "facing " << facing;
      EXPECT_LE(uv.Y, 0.99751246f) << "facing " << facing;
    }
  }
}

// Ends and texture coordinates away from (100, 100): a float sum or quotient
// shows up only in some rays at some places, so each row is one that a float
// step would change (the centre plus 200 * cos in double, the offset over
// TexSpan 402 plus 0.5 in double, each stored once as float32).
TEST_F(ConeTest, RayEndsAndTextureCoordinatesAreToTheBitAtOtherPlaces) {
  struct Ray {
    int tri;  // the ray at (tri - 6) * 5 degrees
    float x, y, u, v;
  };
  struct {
    float cx, cy;
    Ray rays[5];
  } cases[] = {
      {50, 50,
       {{0, 223.205078f, -49.9999924f, 0.930858374f, 0.2512438f},
        {2, 237.938522f, -18.404026f, 0.967508733f, 0.32984072f},
        {3, 243.185165f, -1.76380467f, 0.980560124f, 0.371234328f},
        {8, 246.961548f, 84.7296371f, 0.989954114f, 0.586392105f},
        {11, 231.261566f, 134.523651f, 0.950899422f, 0.710257828f}}},
      {640.5f, 480.75f,
       {{0, 813.705078f, 380.75f, 0.930858374f, 0.25124377f},
        {2, 828.438538f, 412.345978f, 0.967508793f, 0.32984075f},
        {3, 833.685181f, 428.986206f, 0.980560124f, 0.371234357f},
        {8, 837.461548f, 515.479614f, 0.989954114f, 0.586392105f},
        {11, 821.761536f, 565.273621f, 0.950899363f, 0.710257769f}}},
      {333.25f, 17.5f,
       {{0, 506.455078f, -82.4999924f, 0.930858374f, 0.2512438f},
        {2, 521.188538f, -50.904026f, 0.967508793f, 0.32984072f},
        {3, 526.435181f, -34.2638054f, 0.980560124f, 0.371234328f},
        {8, 530.211548f, 52.2296333f, 0.989954114f, 0.586392105f},
        {11, 514.511536f, 102.023651f, 0.950899363f, 0.710257828f}}},
  };
  for (const auto& k : cases) {
    TEnemy* c = Caster(0, k.cx, k.cy);
    c->CastView();
    for (const Ray& r : k.rays) {
      SCOPED_TRACE(testing::Message() << "caster " << k.cx << "," << k.cy << " ray " << r.tri);
      ExpectBits(Vertex(c, r.tri, 2), r.x, r.y);
      ExpectBits(UV(c, r.tri, 2), r.u, r.v);
      ExpectBits(Vertex(c, r.tri + 1, 1), r.x, r.y);  // the next triangle starts there
      ExpectBits(UV(c, r.tri + 1, 1), r.u, r.v);
    }
  }
}

TEST_F(ConeTest, RaysLieOnTheFiveDegreeGridAroundTheTruncatedFacing) {
  struct {
    float angle;
    int firstDeg;  // 13 rays from here, 5 degrees apart
  } cases[] = {{7, -25}, {-7, -35}, {4.9f, -30}, {-4.9f, -30}, {359, 325}, {0, -30}};
  for (const auto& c : cases) {
    TEnemy* caster = Caster(c.angle);
    caster->CastView();
    for (int i = 0; i < 13; ++i) {
      const double deg = (c.firstDeg + 5 * i) * std::numbers::pi / 180;
      const Point2D end = Vertex(caster, i, 2);
      EXPECT_NEAR(end.X, 100 + 200 * std::cos(deg), 1e-3) << "facing " << c.angle << ", ray " << i;
      EXPECT_NEAR(end.Y, 100 + 200 * std::sin(deg), 1e-3) << "facing " << c.angle << ", ray " << i;
    }
  }
}

TEST_F(ConeTest, HalfAngleGivesRaysTexSpanAndTheLastIndexDrawn) {
  struct {
    int32_t halfAngle, halfFov, triangles, lastIndex;
  } cases[] = {{30, 6, 13, 37}, {34, 6, 13, 37}, {4, 0, 1, 1}};
  MakeHero(-1000, -1000);
  texAngle = reinterpret_cast<Texture*>(uintptr_t(77));
  for (const auto& c : cases) {
    TEnemy* caster = NewGuard();
    caster->Setup(0xFF2050, c.halfAngle, 100, 100, 20, 20, 200);
    EXPECT_EQ(caster->HalfFov, c.halfFov);
    EXPECT_EQ(caster->TexSpan, 402);
    caster->CastView();
    EXPECT_EQ(caster->TriangleCount(), c.triangles);
    fake::engine.calls.clear();
    caster->DrawView();
    EXPECT_EQ(fake::engine.calls, std::vector<std::string>{"pr2d_TriList(tex77,[100;100],[0.5;0.5],0," +
                                                            std::to_string(c.lastIndex) +
                                                            ",16777215,187,1114112)"});
  }
  texAngle = nullptr;
}

TEST_F(ConeTest, NegativeRangeKeepsTheTextureAtTheTipInsteadOfDividingByZero) {
  struct {
    int32_t range, texSpan;
    float middleEndX;  // the rays point backwards, |range| long
  } cases[] = {{-1, 0, 99}, {-10, -18, 90}};
  MakeHero(-1000, -1000);
  for (const auto& k : cases) {
    TEnemy* c = NewGuard();
    c->Setup(0xFF2050, 30, 100, 100, 20, 20, k.range);
    EXPECT_EQ(c->TexSpan, k.texSpan);
    c->CastView();
    for (const Point2D& uv : c->ViewUV) ExpectBits(uv, 0.5f, 0.5f);
    EXPECT_EQ(Vertex(c, 6, 2).X, k.middleEndX);
  }
}

TEST_F(ConeTest, SolidsCutRaysAndTheCasterIsNeverItsOwnObstacle) {
  TEnemy* c = Caster();
  Solids.Add(c);  // even standing in Solids it does not block itself
  c->CastView();
  ExpectBits(Vertex(c, 6, 2), 300, 100);
  MakeWall(160, 100, 20, 20);  // spans x 150..170 across the middle ray
  c->CastView();
  ExpectBits(Vertex(c, 6, 2), 150, 100);
  ExpectBits(UV(c, 6, 2), float(50.0 / 402 + 0.5), 0.5f);
  ExpectBits(Vertex(c, 7, 1), 150, 100);
}

TEST_F(ConeTest, SightingTurnsTowardTheHeroAndIsBlockedByWallsAndHiding) {
  struct {
    float hx, hy;
    bool wall, hidden, seen;
    int32_t seenDist;  // the centre distance cut toward zero
  } cases[] = {{180, 130, false, false, true, 85},    // 85.44, seen by several rays, same values
               {185.6f, 100, false, false, true, 85},  // 85.6 is cut, not rounded
               {250, 100, true, false, false, 200},   // beyond the clipped end of the ray
               {140, 100, true, false, true, 40},     // in front of the wall
               {180, 130, false, true, false, 200}};  // hidden under a box
  for (const auto& k : cases) {
    ClearWorld();
    MakeHero(k.hx, k.hy)->Hidden = k.hidden;
    TEnemy* c = Caster(3);
    c->AlertTimer = 7;
    if (k.wall) MakeWall(160, 100, 20, 120);
    c->CastView();
    if (k.seen) {
      EXPECT_FLOAT_EQ(c->Angle, float(std::atan2(k.hy - 100.0, k.hx - 100.0) * 180 / std::numbers::pi));
      EXPECT_EQ(c->AlertTimer, 100);
    } else {
      EXPECT_EQ(c->Angle, 3.0f);
      EXPECT_EQ(c->AlertTimer, 7);
    }
    EXPECT_EQ(c->SeenDist, k.seenDist) << "hero at " << k.hx << "," << k.hy;
  }
}

TEST_F(ConeTest, SightingDuringACastDoesNotMoveThatCastsRays) {
  MakeHero(100, 180);  // straight below: seen only by a ray near 90 degrees
  TEnemy* c = Caster(65);
  c->CastView();
  EXPECT_EQ(c->Angle, 90.0f);
  EXPECT_NEAR(Vertex(c, 0, 2).Y, 100 + 200 * std::sin(35 * std::numbers::pi / 180), 1e-3);
  // The hero's own rays start inside his circle: he "sees" himself at distance 0.
  Hero->Angle = 45;
  Hero->CastView();
  EXPECT_EQ(Hero->SeenDist, 0);
  EXPECT_EQ(Hero->Angle, 0.0f);
  EXPECT_EQ(Hero->AlertTimer, 100);
  EXPECT_NEAR(Vertex(Hero, 0, 2).X, 100 + 200 * std::cos(15 * std::numbers::pi / 180), 1e-3);
}

TEST(AlertExpired, CountsDownOneTickPerCallAndStopsAtZero) {
  TLiveObj obj;
  EXPECT_TRUE(obj.AlertExpired());
  EXPECT_EQ(obj.AlertTimer, 0);
  obj.AlertTimer = 1;
  EXPECT_FALSE(obj.AlertExpired());
  EXPECT_EQ(obj.AlertTimer, 0);
  EXPECT_TRUE(obj.AlertExpired());
  obj.AlertTimer = 100;
  int falses = 0;
  while (!obj.AlertExpired()) ++falses;
  EXPECT_EQ(falses, 100);
  obj.AlertTimer = -3;
  EXPECT_TRUE(obj.AlertExpired());
  EXPECT_EQ(obj.AlertTimer, -3);
}

}  // namespace
