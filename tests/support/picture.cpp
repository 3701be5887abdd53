// SPDX-License-Identifier: Zlib
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace e2e {

int Picture::Count(uint32_t colour) const {
  return int(std::count(pixels.begin(), pixels.end(), colour));
}

FieldPlace FieldPlace::In(int width, int height) {
  FieldPlace f;
  if (width * 600 < height * 800) {  // narrower than the field: bars above and below
    f.scale = width / 800.0;
    f.top = (height - int(600 * f.scale)) / 2;
  } else {
    f.scale = height / 600.0;
    f.left = (width - int(800 * f.scale)) / 2;
  }
  return f;
}

Picture FieldOf(const Picture& shown, int top, int rows) {
  if (rows <= 0) top = 0, rows = 600;
  const FieldPlace f = FieldPlace::In(shown.width, shown.height);
  Picture p;
  p.width = 800, p.height = rows, p.time = shown.time;
  p.pixels.resize(size_t(800) * size_t(rows));
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < 800; ++x) {
      const int sx = f.ShownX(x), sy = f.ShownY(top + y);
      p.pixels[size_t(y) * 800 + size_t(x)] = shown.inside(sx, sy) ? shown.at(sx, sy) : 0;
    }
  return p;
}

bool Picture::SavePpm(const std::string& path) const {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  std::vector<unsigned char> row(size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    size_t k = 0;
    for (int x = 0; x < width; ++x)
      for (int shift : {16, 8, 0}) row[k++] = (at(x, y) >> shift) & 0xFF;
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

bool IsObjectColour(uint32_t c) {
  return c == kWall || c == kBox || c == kGuard || c == kHero || c == kMark;
}

// Without the cone texture every cone is white at alpha 187 over the grey field, and
// where cones overlap, that again: a few flat shades of grey and nothing between.
static bool FlatConeShade(uint32_t c) {
  static const std::vector<int> layers = [] {
    std::vector<int> v;
    for (double g = 0xCF; v.size() < 8;) g += (255 - g) * 187 / 255, v.push_back(int(g));
    return v;
  }();
  int r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
  bool grey = std::abs(r - g) <= 2 && std::abs(g - b) <= 2;
  return grey && std::any_of(layers.begin(), layers.end(), [&](int v) { return std::abs(v - g) <= 2; });
}

double FlatConeShare(const Picture& p, int* cones) {
  int cone = 0, flat = 0;
  for (uint32_t c : p.pixels)
    if (IsConePixel(c)) ++cone, flat += FlatConeShade(c);
  if (cones) *cones = cone;
  return cone ? double(flat) / cone : 0.0;
}

std::vector<Blob> FindBlobs(const Picture& p, uint32_t colour) {
  std::vector<Blob> blobs;
  std::vector<uint8_t> seen(p.pixels.size(), 0);
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      size_t i = size_t(y) * p.width + x;
      if (seen[i] || p.pixels[i] != colour) continue;
      Blob b{x, y, x + 1, y + 1, 0};
      stack.assign(1, {x, y});
      seen[i] = 1;
      while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        ++b.count;
        b.left = std::min(b.left, px), b.right = std::max(b.right, px + 1);
        b.top = std::min(b.top, py), b.bottom = std::max(b.bottom, py + 1);
        const int nx[4] = {px - 1, px + 1, px, px}, ny[4] = {py, py, py - 1, py + 1};
        for (int k = 0; k < 4; ++k) {
          if (!p.inside(nx[k], ny[k])) continue;
          size_t j = size_t(ny[k]) * p.width + nx[k];
          if (!seen[j] && p.pixels[j] == colour) seen[j] = 1, stack.push_back({nx[k], ny[k]});
        }
      }
      blobs.push_back(b);
    }
  return blobs;
}

std::optional<Blob> FindHero(const Picture& p) {
  auto blobs = FindBlobs(p, kHero);
  if (blobs.empty()) return std::nullopt;
  Blob b = *std::max_element(blobs.begin(), blobs.end(),
                             [](const Blob& l, const Blob& r) { return l.count < r.count; });
  // Pushed out of a wall near the border, he may stand partly off screen: the edge
  // he crosses says where the rest of him is.
  if (b.width() < kHeroSize && b.left == 0) b.left = b.right - kHeroSize;
  if (b.width() < kHeroSize && b.right == p.width) b.right = b.left + kHeroSize;
  if (b.height() < kHeroSize && b.top == 0) b.top = b.bottom - kHeroSize;
  if (b.height() < kHeroSize && b.bottom == p.height) b.bottom = b.top + kHeroSize;
  // A square half under a hopping box does not say where he is.
  if (b.width() != kHeroSize || b.height() != kHeroSize) return std::nullopt;
  return b;
}

double ConeShare(const Picture& p, double cx, double cy, double angleDeg, double halfWidthDeg,
                 double r0, double r1) {
  int cone = 0, open = 0;
  const double a = angleDeg * std::numbers::pi / 180.0;
  for (int y = int(cy - r1) - 1; y <= int(cy + r1) + 1; ++y)
    for (int x = int(cx - r1) - 1; x <= int(cx + r1) + 1; ++x) {
      if (!p.inside(x, y)) continue;
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::hypot(dx, dy);
      if (r < r0 || r > r1) continue;
      double off = std::remainder(std::atan2(dy, dx) - a, 2 * std::numbers::pi);
      if (std::fabs(off) * 180.0 / std::numbers::pi > halfWidthDeg) continue;
      uint32_t c = p.at(x, y);
      if (IsObjectColour(c)) continue;
      ++open;
      if (c != kField) ++cone;
    }
  return open ? double(cone) / open : 0.0;
}

ObstacleMap::ObstacleMap(const Picture& p) : w_(p.width), h_(p.height) {
  sat_.assign(size_t(w_ + 1) * (h_ + 1), 0);
  auto S = [&](int x, int y) -> int& { return sat_[size_t(y) * (w_ + 1) + x]; };
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      uint32_t c = p.at(x, y);
      int o = (c == kWall || c == kBox || c == kGuard || c == kMark) ? 1 : 0;
      S(x + 1, y + 1) = o + S(x, y + 1) + S(x + 1, y) - S(x, y);
    }
}

bool ObstacleMap::Clear(int x0, int y0, int x1, int y1) const {
  if (x0 < 0 || y0 < 0 || x1 > w_ || y1 > h_ || x0 >= x1 || y0 >= y1) return false;
  auto S = [&](int x, int y) { return sat_[size_t(y) * (w_ + 1) + x]; };
  return S(x1, y1) - S(x0, y1) - S(x1, y0) + S(x0, y0) == 0;
}

FreeMap::FreeMap(const Picture& p, int margin) : w_(p.width), h_(p.height) {
  ObstacleMap obstacles(p);
  free_.assign(size_t(w_) * h_, 0);
  const int half = kHeroSize / 2 + margin;
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x)
      // Past the window's edge nothing is seen, and he may stand half off screen.
      free_[size_t(y) * w_ + x] = obstacles.Clear(std::max(x - half, 0), std::max(y - half, 0),
                                                  std::min(x + half, w_), std::min(y + half, h_));
}

bool FreeMap::Free(int x, int y) const {
  return x >= 0 && y >= 0 && x < w_ && y < h_ && free_[size_t(y) * w_ + x];
}

bool FreeMap::FreeRow(int x0, int x1, int y) const {
  if (x0 > x1) std::swap(x0, x1);
  for (int x = x0; x <= x1; ++x)
    if (!Free(x, y)) return false;
  return true;
}

}  // namespace e2e
