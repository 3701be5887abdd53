// SPDX-License-Identifier: Zlib
// Drawing through the exported operations into a dummy-driver window (the
// software renderer), read back pixel by pixel: opaque means exact, blended
// is checked with a stated tolerance.
#include <cmath>
#include <numbers>
#include <vector>

#include "alloc_counter.h"
#include "engine_test_support.h"

namespace {

using enginetest::DisplayTest;
using enginetest::Near;
using engine::Core;

constexpr uint32_t kFill = zgl::kFill;
constexpr uint32_t kFillBlend = zgl::kFill | zgl::kBlend;
constexpr uint32_t kGrey = 0xCFCFCF;

class Drawing : public DisplayTest {};

TEST_F(Drawing, OpaqueRectIsItsExactColourWhateverItsAlpha) {
  for (int alpha : {0, 1, 128, 254, 255}) {
    Core().batch.BeginFrame();
    pr2d_Rect(0, 0, 800, 600, kGrey, 255, kFill);
    pr2d_Rect(100, 100, 50, 40, 0x3366CC, uint8_t(alpha), kFill);
    EXPECT_EQ(Pixel(100, 100), 0x3366CCu) << "alpha " << alpha << ", top-left corner";
    EXPECT_EQ(Pixel(149, 139), 0x3366CCu) << "alpha " << alpha << ", bottom-right corner";
    EXPECT_EQ(Pixel(150, 120), kGrey) << "alpha " << alpha << ", just right of it";
    EXPECT_EQ(Pixel(120, 140), kGrey) << "alpha " << alpha << ", just below it";
  }
}

TEST_F(Drawing, RectWithoutFillIsAnOutline) {
  pr2d_Rect(10, 10, 20, 20, 0xFF0000, 255, 0);
  EXPECT_EQ(Pixel(10, 10), 0xFF0000u);
  EXPECT_EQ(Pixel(29, 20), 0xFF0000u);
  EXPECT_EQ(Pixel(20, 29), 0xFF0000u);
  EXPECT_EQ(Pixel(20, 20), 0x000000u) << "inside stays as it was";
}

TEST_F(Drawing, BlendedRectMixesWithWhatIsBelow) {
  pr2d_Rect(0, 0, 800, 600, 0x000000, 255, kFill);
  pr2d_Rect(0, 0, 100, 100, 0xFFFFFF, 128, kFillBlend);
  EXPECT_TRUE(Near(Pixel(50, 50), 0x808080, 2));
}

// A cone like a guard's: a fan of 13 triangles from a tip, textured with a
// soft light (opaque white at the centre, transparent by radius 0.5) whose
// centre is pinned to the tip.
struct Fan {
  static constexpr int kTriangles = 13;
  static constexpr double kRange = 200.0;
  std::vector<Point2D> points, uv;

  Fan(float tipX, float tipY, double facingDegrees) {
    for (int i = 0; i < kTriangles; ++i) {
      points.push_back({tipX, tipY});
      uv.push_back({0.5f, 0.5f});
      for (int ray : {i, i + 1}) {
        const double a = (facingDegrees - 30 + 5 * ray) * std::numbers::pi / 180;
        points.push_back({float(tipX + kRange * std::cos(a)), float(tipY + kRange * std::sin(a))});
        uv.push_back({float(0.5 + 0.5 * std::cos(a)), float(0.5 + 0.5 * std::sin(a))});
      }
    }
  }
};

// The light's picture, saved in a folder kept for the run, as a texture.
Texture* SoftLight() {
  static const enginetest::TempDir dir;
  const int n = 64;
  enginetest::SavePng((dir / "light.png"), n, n, [&](int x, int y) {
    const double d = std::hypot((x + 0.5) / n - 0.5, (y + 0.5) / n - 0.5);
    const uint32_t a = uint32_t(std::lround(255 * std::max(0.0, 1.0 - d / 0.5)));
    return (a << 24) | 0xFFFFFF;
  });
  return tex_LoadFromFile((dir / "light.png").c_str(), zgl::kNoColorKey, 0x432);
}

TEST_F(Drawing, BlendedTexturedFanOverGreyBrightAtTheTipFadingTowardTheRim) {
  Texture* light = SoftLight();
  ASSERT_NE(light, nullptr);
  const Fan fan(400, 300, 0);  // facing right
  const uint8_t alpha = 200;
  pr2d_Rect(0, 0, 800, 600, kGrey, 255, kFill);
  pr2d_TriList(light, fan.points.data(), fan.uv.data(), 0, 37, 0xFF0000, alpha, kFillBlend);
  // Along the middle of the fan the light's alpha falls off as 1 - distance / range.
  for (double f : {0.05, 0.25, 0.5, 0.75, 0.985}) {
    const double a = (1.0 - f) * alpha / 255.0;
    const uint32_t expected = (uint32_t(std::lround(0xCF + (0xFF - 0xCF) * a)) << 16) |
                              (uint32_t(std::lround(0xCF * (1 - a))) * 0x0101);
    EXPECT_TRUE(Near(Pixel(int(400 + f * Fan::kRange), 300), expected, 8)) << "at " << f << " of the range";
  }
  EXPECT_EQ(Pixel(380, 300), kGrey) << "behind the tip nothing is drawn";
  EXPECT_EQ(Pixel(500, 300 + 80), kGrey) << "outside the fan's 65 degrees nothing is drawn";
}

TEST_F(Drawing, OpaqueTriListIgnoresAlphaAndNullTextureDrawsFlatColour) {
  const Fan fan(400, 300, 0);
  pr2d_TriList(nullptr, fan.points.data(), fan.uv.data(), 0, 38, 0x00FF00, 10, kFill);
  EXPECT_EQ(Pixel(450, 300), 0x00FF00u);
  EXPECT_EQ(Pixel(590, 300), 0x00FF00u);
}

// 13 small triangles in a row, each alone in its own cell.
struct Row {
  std::vector<Point2D> points;
  Row() {
    for (int t = 0; t < 13; ++t) {
      const float x = 20.0f + 40.0f * t;
      points.push_back({x, 20});
      points.push_back({x + 30, 20});
      points.push_back({x, 50});
    }
  }
  static int CentreX(int t) { return 20 + 40 * t + 8; }
};

TEST_F(Drawing, TriListDrawsEveryTriangleWithAPointInTheRange) {
  const struct {
    int first, last;
    std::vector<int> drawn;
  } cases[] = {
      {0, 37, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {0, 38, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {3, 5, {1}},
      {4, 4, {1}},
      {2, 3, {0, 1}},
      {-10, 4, {0, 1}},  // a negative start counts from the first point
      {5, 4, {}},        // an empty range draws nothing
  };
  const Row row;
  for (const auto& c : cases) {
    Core().batch.BeginFrame();
    pr2d_TriList(nullptr, row.points.data(), nullptr, c.first, c.last, 0xFFFFFF, 255, kFill);
    for (int t = 0; t < 13; ++t) {
      const bool expected = std::find(c.drawn.begin(), c.drawn.end(), t) != c.drawn.end();
      EXPECT_EQ(Pixel(Row::CentreX(t), 28), expected ? 0xFFFFFFu : 0u)
          << "range " << c.first << ".." << c.last << ", triangle " << t;
    }
  }
}

TEST_F(Drawing, CircleCoversItsDisc) {
  for (int segments : {0, 3, 32, 65535}) {
    Core().batch.BeginFrame();
    pr2d_Circle(200, 200, 50, 0xFFFF00, 255, uint16_t(segments), kFill);
    const int n = std::clamp(segments, 3, 1024);
    // Inside the inscribed polygon everything is covered; beyond the radius nothing.
    const double inner = 50 * std::cos(std::numbers::pi / n) - 1.5;
    int checked = 0;
    for (int y = 140; y <= 260; y += 3) {
      for (int x = 140; x <= 260; x += 3) {
        const double d = std::hypot(x + 0.5 - 200, y + 0.5 - 200);
        if (d < inner) {
          ASSERT_EQ(Pixel(x, y), 0xFFFF00u) << segments << " segments, " << x << "," << y;
          ++checked;
        } else if (d > 51.5) {
          ASSERT_EQ(Pixel(x, y), 0u) << segments << " segments, " << x << "," << y;
        }
      }
    }
    EXPECT_GT(checked, 0);
  }
}

TEST_F(Drawing, AFrameIsAFewRendererCallsNotOnePerPrimitive) {
  Texture* light = SoftLight();
  const Fan fan(400, 300, 90);
  Core().batch.BeginFrame();
  pr2d_Rect(0, 0, 800, 600, kGrey, 255, kFill);
  for (int i = 0; i < 6; ++i) pr2d_TriList(light, fan.points.data(), fan.uv.data(), 0, 37, 0xFFFFFF, 128, kFillBlend);
  for (int i = 0; i < 200; ++i) pr2d_Rect(float(i * 3), 10, 2, 2, 0x808080, 255, kFill);
  for (int i = 0; i < 5; ++i) pr2d_Circle(float(100 + i * 50), 500, 8, 0xFF0000, 255, 16, kFill);
  Core().batch.Present();
  const engine::FrameStats& s = Core().batch.LastFrame();
  EXPECT_EQ(s.flushes, 4u) << "grey field, the cones, the walls, then the marks apart from the rectangles";
  EXPECT_LE(s.rendererCalls, 10u) << "clear, a geometry call per batch with its blend mode when it changes, present";
  EXPECT_EQ(s.triangles, 2u + 6 * 13 + 200 * 2 + 5 * 16);
}

TEST_F(Drawing, AFrameAllocatesNothing) {
  Texture* light = SoftLight();
  const Fan fan(400, 300, 45);
  const Row row;
  ASSERT_GT(alloc_counter::CountIn([] { int* volatile p = new int(1); delete p; }).news, 0u)
      << "the counting operator new is in use";
  alloc_counter::Arm();
  for (int frame = 0; frame < 3; ++frame) {
    Core().batch.BeginFrame();
    pr2d_Rect(0, 0, 800, 600, kGrey, 255, kFill);
    pr2d_TriList(light, fan.points.data(), fan.uv.data(), 0, 37, 0xFFFFFF, 128, kFillBlend);
    pr2d_TriList(nullptr, row.points.data(), nullptr, 0, 38, 0xFFFFFF, 255, kFill);
    pr2d_Rect(10, 10, 30, 30, 0x000000, 255, 0);
    pr2d_Circle(100, 100, 10, 0xFF0000, 255, 1024, kFill);
    for (int i = 0; i < 5000; ++i) pr2d_Rect(float(i % 800), 5, 1, 1, 0x123456, 255, kFill);
    Core().batch.Present();
    Core().PumpEvents();
  }
  EXPECT_EQ(alloc_counter::Disarm().news, 0u) << "the engine's C++ heap allocations (SDL's own are not judged here)";
}

TEST_F(Drawing, MoreThanTheBufferHoldsIsStillAllDrawn) {
  const int rects = engine::Batch::kCapacity / 6 * 3 + 7;
  for (int i = 0; i < rects; ++i) pr2d_Rect(float(i % 800), float(i / 800), 1, 1, 0x0000FF, 255, kFill);
  const int last = rects - 1;
  EXPECT_EQ(Pixel(last % 800, last / 800), 0x0000FFu);
  EXPECT_EQ(Pixel(0, 0), 0x0000FFu);
}

TEST_F(Drawing, WildCoordinatesDrawWhatIsVisibleOrNothing) {
  pr2d_Rect(-1e30f, -1e30f, 2e30f, 2e30f, 0x112233, 255, kFill);
  EXPECT_EQ(Pixel(400, 300), 0x112233u);
  Core().batch.BeginFrame();
  pr2d_Rect(NAN, 0, 10, 10, 0xFFFFFF, 255, kFill);
  pr2d_Rect(0, 0, INFINITY, 10, 0xFFFFFF, 255, kFill);
  pr2d_Circle(10, 10, NAN, 0xFFFFFF, 255, 16, kFill);
  const Point2D bad[3] = {{NAN, 0}, {10, 10}, {0, 10}};
  pr2d_TriList(nullptr, bad, nullptr, 0, 2, 0xFFFFFF, 255, kFill);
  EXPECT_EQ(Pixel(5, 5), 0u);
}

}  // namespace
