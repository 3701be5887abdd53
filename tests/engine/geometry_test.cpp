// SPDX-License-Identifier: Zlib
// The engine's 2D tests and measures: tables of edges, corners, touching and
// degenerate shapes and extreme magnitudes, then properties over many random
// segments and boxes checked against a brute-force reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/geometry.h"

namespace {

constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kTiny = std::numeric_limits<float>::denorm_min();

TEST(RectVsRect, Table) {
  const struct {
    const char* what;
    Rect2D a, b;
    bool overlap;
  } cases[] = {
      {"plain overlap", {0, 0, 10, 10}, {5, 5, 10, 10}, true},
      {"contained", {0, 0, 10, 10}, {2, 2, 1, 1}, true},
      {"identical", {0, 0, 10, 10}, {0, 0, 10, 10}, true},
      {"touching side", {0, 0, 10, 10}, {10, 0, 10, 10}, false},
      {"touching bottom", {0, 0, 10, 10}, {0, 10, 10, 10}, false},
      {"touching corner", {0, 0, 10, 10}, {10, 10, 5, 5}, false},
      {"apart", {0, 0, 10, 10}, {20, 0, 10, 10}, false},
      {"negative size is its mirror", {10, 10, -10, -10}, {5, 5, 1, 1}, true},
      {"zero size inside", {0, 0, 10, 10}, {5, 5, 0, 0}, true},
      {"zero size on an edge", {0, 0, 10, 10}, {10, 5, 0, 0}, false},
      {"two points at one place", {5, 5, 0, 0}, {5, 5, 0, 0}, false},
      {"overlap of a hair", {0, 0, 10, 10}, {9.999f, 0, 10, 10}, true},
      {"spans the float range", {-kMax, -kMax, kMax, kMax}, {-1, -1, 0.5f, 0.5f}, true},
      {"end past the float range", {3e38f, 0, 3e38f, 1}, {3.3e38f, 0, 1e38f, 1}, true},
      {"tiny sizes", {0, 0, 3 * kTiny, 3 * kTiny}, {2 * kTiny, 2 * kTiny, kTiny, kTiny}, true},
      {"NaN never overlaps", {NAN, 0, 10, 10}, {0, 0, 10, 10}, false},
      {"infinity never overlaps", {0, 0, INFINITY, 10}, {0, 0, 10, 10}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(geo::RectVsRect(c.a, c.b), c.overlap) << c.what;
    EXPECT_EQ(geo::RectVsRect(c.b, c.a), c.overlap) << c.what << " (swapped)";
  }
}

TEST(RectVsCircle, Table) {
  const struct {
    const char* what;
    Rect2D r;
    Circle2D c;
    bool overlap;
  } cases[] = {
      {"centre inside", {0, 0, 10, 10}, {5, 5, 1}, true},
      {"centre inside, radius 0", {0, 0, 10, 10}, {5, 5, 0}, true},
      {"centre on an edge, radius 0", {0, 0, 10, 10}, {10, 5, 0}, false},
      {"reaches over a side", {0, 0, 10, 10}, {12, 5, 2.5f}, true},
      {"touches a side", {0, 0, 10, 10}, {12, 5, 2}, false},
      {"touches a corner (3-4-5)", {0, 0, 10, 10}, {13, 14, 5}, false},
      {"reaches a corner", {0, 0, 10, 10}, {13, 14, 5.001f}, true},
      {"short of a corner though within both slabs' reach", {0, 0, 10, 10}, {13, 14, 4.5f}, false},
      {"negative radius is its size", {0, 0, 10, 10}, {12, 5, -2.5f}, true},
      {"zero-size box inside", {5, 5, 0, 0}, {5, 6, 2}, true},
      {"squares beyond float range", {0, 0, 1, 1}, {3e19f, 0, 3.5e19f}, true},
      {"squares beyond float range, apart", {0, 0, 1, 1}, {3e19f, 0, 2e19f}, false},
      {"squares below float range", {0, 0, 1e-30f, 1e-30f}, {2e-30f, 0, 1.5e-30f}, true},
      {"NaN radius", {0, 0, 10, 10}, {5, 5, NAN}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(geo::RectVsCircle(c.r, c.c), c.overlap) << c.what;
}

TEST(LineVsRect, Table) {
  const Rect2D box{0, 0, 10, 10};
  const struct {
    const char* what;
    Line2D l;
    Rect2D r;
    bool hit;
    Point2D at;  // checked only on a hit
  } cases[] = {
      {"enters the left side", {-5, 5, 20, 5}, box, true, {0, 5}},
      {"enters the right side going left", {20, 5, -5, 5}, box, true, {10, 5}},
      {"enters the top", {5, -5, 5, 20}, box, true, {5, 0}},
      {"diagonal enters the bottom", {15, 20, 5, 0}, box, true, {10, 10}},
      {"starts inside: its exit", {5, 5, 25, 5}, box, true, {10, 5}},
      {"wholly inside: its end", {2, 2, 8, 7}, box, true, {8, 7}},
      {"ends inside: its entry", {-10, 5, 5, 5}, box, true, {0, 5}},
      {"through a corner into the box", {-5, -5, 5, 5}, box, true, {0, 0}},
      {"starts on an edge heading in: its start", {0, 5, 20, 5}, box, true, {0, 5}},
      {"starts at a corner heading in: its start", {0, 0, 5, 5}, box, true, {0, 0}},
      {"starts on an edge heading out", {0, 5, -20, 5}, box, false, {}},
      {"runs along an edge", {-5, 0, 15, 0}, box, false, {}},
      {"grazes a corner", {-5, 5, 5, -5}, box, false, {}},
      {"stops on an edge", {-5, 5, 0, 5}, box, false, {}},
      {"stops short", {-5, 5, -1, 5}, box, false, {}},
      {"passes by", {-5, 11, 20, 11}, box, false, {}},
      {"zero length inside", {3, 4, 3, 4}, box, true, {3, 4}},
      {"zero length on an edge", {0, 4, 0, 4}, box, false, {}},
      {"zero-size box", {-5, 5, 20, 5}, {5, 5, 0, 0}, false, {}},
      {"zero-width box", {-5, 5, 20, 5}, {5, 0, 0, 10}, false, {}},
      {"negative-size box", {-5, 5, 20, 5}, {10, 10, -10, -10}, true, {0, 5}},
      {"from the ends of the float range", {-kMax, 5, kMax, 5}, box, true, {0, 5}},
      {"huge box, tiny segment inside", {-2, -2, -1, -1}, {-kMax, -kMax, kMax, kMax}, true, {-1, -1}},
      {"huge box, segment out of its far corner", {-1, -1, 1, 1}, {-kMax, -kMax, kMax, kMax}, true, {0, 0}},
      {"NaN segment", {NAN, 5, 20, 5}, box, false, {}},
  };
  for (const auto& c : cases) {
    Point2D at{-123, -456};
    ASSERT_EQ(geo::LineVsRect(c.l, c.r, &at), c.hit) << c.what;
    if (c.hit) {
      EXPECT_FLOAT_EQ(at.X, c.at.X) << c.what;
      EXPECT_FLOAT_EQ(at.Y, c.at.Y) << c.what;
    } else {
      EXPECT_EQ(at.X, -123) << c.what << ": a miss writes nothing";
    }
    EXPECT_EQ(geo::LineVsRect(c.l, c.r, nullptr), c.hit) << c.what << " without a crossing to write";
  }
}

TEST(LineVsCircle, Table) {
  const Circle2D c{0, 0, 5};
  const struct {
    const char* what;
    Line2D l;
    Circle2D c;
    bool hit;
  } cases[] = {
      {"through the centre", {-10, 0, 10, 0}, c, true},
      {"tangent", {-10, 5, 10, 5}, c, false},
      {"just inside the tangent", {-10, 4.999f, 10, 4.999f}, c, true},
      {"ends inside", {-10, 0, -4, 0}, c, true},
      {"ends on the rim", {-10, 0, -5, 0}, c, false},
      {"stops short", {-10, 0, -6, 0}, c, false},
      {"wholly inside", {-1, -1, 1, 1}, c, true},
      {"zero length inside", {1, 1, 1, 1}, c, true},
      {"zero length outside", {6, 0, 6, 0}, c, false},
      {"points away past the end", {6, 0, 10, 0}, c, false},
      {"radius 0 on the segment", {-1, 0, 1, 0}, {0, 0, 0}, false},
      {"negative radius is its size", {-10, 0, 10, 0}, {0, 0, -5}, true},
      {"from the ends of the float range", {-kMax, 0, kMax, 0}, c, true},
      {"tiny circle, tiny miss", {0, 2e-30f, 1e-29f, 2e-30f}, {5e-30f, 0, 1.5e-30f}, false},
      {"tiny circle, tiny hit", {0, 1e-30f, 1e-29f, 1e-30f}, {5e-30f, 0, 1.5e-30f}, true},
  };
  for (const auto& k : cases) EXPECT_EQ(geo::LineVsCircle(k.l, k.c), k.hit) << k.what;
}

TEST(AngleAndDistance, Table) {
  struct {
    float x1, y1, x2, y2, degrees;
  } angles[] = {
      {1, 0, 0, 0, 0},    {0, 1, 0, 0, 90},      {-1, 0, 0, 0, 180},  {0, -1, 0, 0, -90},
      {1, 1, 0, 0, 45},   {-1, -0.0f, 0, 0, 180}, {3, 3, 3, 3, 0},     {5, 7, 6, 8, -135},
      {kMax, kMax, -kMax, -kMax, 45},             {kTiny, kTiny, 0, 0, 45},
  };
  for (auto& a : angles) EXPECT_FLOAT_EQ(geo::Angle(a.x1, a.y1, a.x2, a.y2), a.degrees) << a.x1 << "," << a.y1;

  EXPECT_EQ(geo::Distance(0, 0, 3, 4), 5.0f);
  EXPECT_EQ(geo::Distance(3, 4, 3, 4), 0.0f);
  // Squares that float would lose below its range and beyond it.
  EXPECT_EQ(geo::Distance(0, 0, 3 * kTiny, 4 * kTiny), 5 * kTiny);
  EXPECT_EQ(geo::Distance(0, 0, 3e30f, 4e30f), 5e30f);
  const float far = geo::Distance(-kMax, 0, kMax, 0);
  EXPECT_FALSE(std::isnan(far));
  EXPECT_GE(far, kMax);
}

TEST(AngleAndDistance, NeverNaNFromFiniteInput) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> bits;
  int checked = 0;
  while (checked < 20000) {
    float v[4];
    for (float& f : v) {
      uint32_t b = bits(rng);
      std::memcpy(&f, &b, 4);
    }
    if (!std::all_of(v, v + 4, [](float f) { return std::isfinite(f); })) continue;
    const float a = geo::Angle(v[0], v[1], v[2], v[3]);
    ASSERT_FALSE(std::isnan(a));
    ASSERT_GT(a, -180.0f);
    ASSERT_LE(a, 180.0f);
    ASSERT_FALSE(std::isnan(geo::Distance(v[0], v[1], v[2], v[3])));
    ++checked;
  }
}

// ---- Properties of the crossing against a brute-force reference ----------

struct Ref {
  bool hit;
  double t;  // parameter of the outline crossing nearest the start (1 when wholly inside)
};

// A box's extent, whichever way its size points.
struct Extent {
  double x0, y0, x1, y1;
  explicit Extent(const Rect2D& r)
      : x0(std::min(double(r.X), double(r.X) + r.W)), y0(std::min(double(r.Y), double(r.Y) + r.H)),
        x1(std::max(double(r.X), double(r.X) + r.W)), y1(std::max(double(r.Y), double(r.Y) + r.H)) {}
  bool StrictlyInside(double x, double y) const { return x0 < x && x < x1 && y0 < y && y < y1; }
};

// Cuts the segment at every place it meets an edge line and looks at the
// pieces: the segment meets the open box iff some piece's middle is inside.
Ref Reference(const Line2D& l, const Rect2D& r) {
  const Extent e(r);
  const double dx = double(l.X1) - l.X0, dy = double(l.Y1) - l.Y0;
  std::vector<double> ts{0.0, 1.0};
  for (double x : {e.x0, e.x1})
    if (dx != 0) ts.push_back((x - l.X0) / dx);
  for (double y : {e.y0, e.y1})
    if (dy != 0) ts.push_back((y - l.Y0) / dy);
  std::erase_if(ts, [](double t) { return !(t >= 0.0 && t <= 1.0); });
  std::sort(ts.begin(), ts.end());
  auto inside = [&](double t) { return e.StrictlyInside(l.X0 + t * dx, l.Y0 + t * dy); };
  const bool zeroLength = dx == 0 && dy == 0;
  if (zeroLength) return {inside(0), 1.0};
  for (size_t i = 0; i + 1 < ts.size(); ++i) {
    if (ts[i + 1] > ts[i] && inside((ts[i] + ts[i + 1]) / 2)) {
      // Starting strictly inside, the first crossing is where it leaves.
      if (ts[i] == 0.0 && inside(0.0)) return {true, ts[i + 1]};
      return {true, ts[i]};
    }
  }
  return {false, 0};
}

double Scale(const Line2D& l, const Rect2D& r) {
  double s = 1.0;
  for (float v : {l.X0, l.Y0, l.X1, l.Y1, r.X, r.Y, r.W, r.H}) s = std::max(s, std::fabs(double(v)));
  return s;
}

void CheckCrossing(const Line2D& l, const Rect2D& r, double tolerance) {
  Point2D at{};
  const bool hit = geo::LineVsRect(l, r, &at);
  const Ref ref = Reference(l, r);
  ASSERT_EQ(hit, ref.hit) << "segment " << l.X0 << "," << l.Y0 << " -> " << l.X1 << "," << l.Y1 << " box " << r.X
                          << "," << r.Y << " " << r.W << "x" << r.H;
  if (!hit) return;
  const double dx = double(l.X1) - l.X0, dy = double(l.Y1) - l.Y0;
  // On the segment: within its bounds and near its line.
  EXPECT_GE(at.X, std::min(l.X0, l.X1));
  EXPECT_LE(at.X, std::max(l.X0, l.X1));
  EXPECT_GE(at.Y, std::min(l.Y0, l.Y1));
  EXPECT_LE(at.Y, std::max(l.Y0, l.Y1));
  const double len = std::hypot(dx, dy);
  if (len > 0) {
    EXPECT_LE(std::fabs((at.X - l.X0) * dy - (at.Y - l.Y0) * dx) / len, tolerance);
  }
  // The reference's crossing, hence on the outline (or the end of a segment wholly inside)
  // and none nearer the start.
  EXPECT_NEAR(at.X, l.X0 + ref.t * dx, tolerance);
  EXPECT_NEAR(at.Y, l.Y0 + ref.t * dy, tolerance);
  const Extent e(r);
  const double toOutline =
      std::min({std::fabs(at.X - e.x0), std::fabs(at.X - e.x1), std::fabs(at.Y - e.y0), std::fabs(at.Y - e.y1)});
  if (ref.t < 1.0 || !e.StrictlyInside(l.X1, l.Y1)) {
    EXPECT_LE(toOutline, tolerance);
  }
}

TEST(LineVsRectProperty, GridSegmentsMeetEdgesAndCornersExactly) {
  // Small whole numbers make touching, collinear and corner cases common.
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> coord(-4, 14), size(-3, 12);
  for (int i = 0; i < 40000; ++i) {
    const Line2D l{float(coord(rng)), float(coord(rng)), float(coord(rng)), float(coord(rng))};
    const Rect2D r{float(coord(rng)), float(coord(rng)), float(size(rng)), float(size(rng))};
    CheckCrossing(l, r, 1e-5);
    if (HasFatalFailure() || HasFailure()) return;
  }
}

TEST(LineVsRectProperty, RandomSegmentsAtEveryScale) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  for (float scale : {1e-30f, 1.0f, 800.0f, 1e20f, 1e38f}) {
    for (int i = 0; i < 20000; ++i) {
      const Line2D l{unit(rng) * scale, unit(rng) * scale, unit(rng) * scale, unit(rng) * scale};
      const Rect2D r{unit(rng) * scale, unit(rng) * scale, unit(rng) * scale, unit(rng) * scale};
      CheckCrossing(l, r, 1e-5 * Scale(l, r));
      if (HasFatalFailure() || HasFailure()) return;
    }
  }
}

}  // namespace
