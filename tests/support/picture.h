// SPDX-License-Identifier: Zlib
// What a player sees, read from captured pixels: where the hero, the boxes and
// the walls are, and where the translucent view cones lie.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The opaque colours the game paints with.
constexpr uint32_t kField = 0xCFCFCF;
constexpr uint32_t kWall = 0x404040;
constexpr uint32_t kBox = 0xF0F020;
constexpr uint32_t kGuard = 0xFF2050;
constexpr uint32_t kHero = 0xAF5252;
constexpr uint32_t kMark = 0xFFFFFF;

constexpr int kHeroSize = 20;
constexpr int kBoxSize = 25;

struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row
  std::chrono::steady_clock::time_point time;

  bool empty() const { return pixels.empty(); }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  int Count(uint32_t colour) const;
  // Writes a binary PPM, for a person to look at after a failure.
  bool SavePpm(const std::string& path) const;
};

// Where a window or canvas of width x height shows the game's 800 x 600 field: scaled by
// the same factor both ways to the largest that fits, centred, with bars on the two other
// sides. A field pixel is read at its middle, where the scaled drawing is exact at any
// factor of 1 or more.
struct FieldPlace {
  int left = 0, top = 0;
  double scale = 1;
  static FieldPlace In(int width, int height);
  int ShownX(int x) const { return left + int((x + 0.5) * scale); }
  int ShownY(int y) const { return top + int((y + 0.5) * scale); }
};
// The field's rows [top, top + rows) of a picture of the whole window, as the game drew them.
Picture FieldOf(const Picture& shown, int top = 0, int rows = 0);

bool IsObjectColour(uint32_t c);
// A cone pixel: neither the bare field nor anything drawn opaque.
inline bool IsConePixel(uint32_t c) { return c != kField && !IsObjectColour(c); }

// Share of the cone pixels that are flat shades of grey, as cones drawn without
// their texture are: near 1 untextured, low with the texture.
double FlatConeShare(const Picture& p, int* cones = nullptr);

struct Blob {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int count = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  double cx() const { return (left + right) / 2.0; }
  double cy() const { return (top + bottom) / 2.0; }
};

// 4-connected areas of exactly one colour.
std::vector<Blob> FindBlobs(const Picture& p, uint32_t colour);
// The hero's square, when at least most of it is visible.
std::optional<Blob> FindHero(const Picture& p);

// Share of the non-object pixels in a ring sector around (cx, cy) that belong to a cone.
// Angles in degrees, screen axes (90 points down).
double ConeShare(const Picture& p, double cx, double cy, double angleDeg, double halfWidthDeg,
                 double r0, double r1);

// Obstacle pixels (walls, boxes, guards and their marks) counted over rectangles.
class ObstacleMap {
 public:
  explicit ObstacleMap(const Picture& p);
  // True when [x0, x1) x [y0, y1) lies on screen and holds no obstacle pixel.
  bool Clear(int x0, int y0, int x1, int y1) const;

 private:
  int w_, h_;
  std::vector<int> sat_;
};

// Hero centres on screen from which the hero's square, grown by margin on every
// side, touches no obstacle (walls, boxes, guards and their marks).
class FreeMap {
 public:
  FreeMap(const Picture& p, int margin);
  bool Free(int x, int y) const;
  // True when the hero's square can slide from (x0, y) to (x1, y) touching nothing.
  bool FreeRow(int x0, int x1, int y) const;
  int width() const { return w_; }
  int height() const { return h_; }

 private:
  int w_, h_;
  std::vector<uint8_t> free_;
};

}  // namespace e2e
