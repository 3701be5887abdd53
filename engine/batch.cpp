// SPDX-License-Identifier: Zlib
#include "batch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace engine {
namespace {

float Clamped(double v) { return float(std::clamp(v, -Batch::kFar, Batch::kFar)); }

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// Without the blend flag a primitive is opaque whatever alpha it was given.
SDL_Color ColorOf(uint32_t color, uint8_t alpha, uint32_t flags) {
  const uint8_t a = (flags & zgl::kBlend) ? alpha : 255;
  return {uint8_t(color >> 16), uint8_t(color >> 8), uint8_t(color), a};
}

SDL_Vertex Vertex(double x, double y, SDL_Color c, float u = 0.0f, float v = 0.0f) {
  return {{Clamped(x), Clamped(y)}, c, {u, v}};
}

}  // namespace

void Batch::Attach(SDL_Renderer* renderer) {
  renderer_ = renderer;
  texture_ = nullptr;
  blend_ = false;
  quads_ = false;
  flatModeSet_ = false;
  count_ = 0;
  current_ = last_ = {};
}

void Batch::Detach() { Attach(nullptr); }

void Batch::BeginFrame() {
  count_ = 0;
  current_ = {};
  if (!renderer_) return;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  current_.rendererCalls += 2;
}

void Batch::Present() {
  Flush();
  if (renderer_) {
    SDL_RenderPresent(renderer_);
    ++current_.rendererCalls;
  }
  last_ = current_;
  current_ = {};
}

void Batch::Flush() {
  if (!renderer_ || count_ == 0) {
    count_ = 0;
    return;
  }
  const SDL_BlendMode mode = blend_ ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE;
  // Geometry takes its blending from the texture, or from the renderer when flat.
  if (texture_) {
    SDL_SetTextureBlendMode(texture_, mode);
    ++current_.rendererCalls;
  } else if (!flatModeSet_ || mode != flatMode_) {
    SDL_SetRenderDrawBlendMode(renderer_, mode);
    flatMode_ = mode;
    flatModeSet_ = true;
    ++current_.rendererCalls;
  }
  SDL_RenderGeometry(renderer_, texture_, vertices_, count_, nullptr, 0);
  ++current_.rendererCalls;
  ++current_.flushes;
  current_.triangles += uint32_t(count_ / 3);
  count_ = 0;
}

void Batch::Use(SDL_Texture* texture, bool blend, bool quads) {
  if (count_ > 0 && (texture != texture_ || blend != blend_ || quads != quads_)) Flush();
  texture_ = texture;
  blend_ = blend;
  quads_ = quads;
}

SDL_Vertex* Batch::Reserve(int vertices) {
  if (count_ + vertices > kCapacity) Flush();
  SDL_Vertex* v = vertices_ + count_;
  count_ += vertices;
  return v;
}

void Batch::Quad(double x0, double y0, double x1, double y1, SDL_Color c) {
  Quad4(x0, y0, x1, y0, x1, y1, x0, y1, c);
}

void Batch::Quad4(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy,
                  SDL_Color c) {
  SDL_Vertex* v = Reserve(6);
  v[0] = Vertex(ax, ay, c);
  v[1] = Vertex(bx, by, c);
  v[2] = Vertex(cx, cy, c);
  v[3] = Vertex(ax, ay, c);
  v[4] = Vertex(cx, cy, c);
  v[5] = Vertex(dx, dy, c);
}

void Batch::Rect(float x, float y, float w, float h, uint32_t color, uint8_t alpha, uint32_t flags) {
  if (!renderer_) return;
  double x0 = x, y0 = y, x1 = double(x) + double(w), y1 = double(y) + double(h);
  if (!Finite(x0, y0) || !Finite(x1, y1)) return;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  if (x1 == x0 || y1 == y0) return;
  const SDL_Color c = ColorOf(color, alpha, flags);
  Use(nullptr, (flags & zgl::kBlend) != 0, true);
  if ((flags & zgl::kFill) || x1 - x0 <= 2.0 || y1 - y0 <= 2.0) {
    Quad(x0, y0, x1, y1, c);
    return;
  }
  // A one-pixel frame just inside the rectangle, corners drawn once (blending).
  Quad(x0, y0, x1, y0 + 1.0, c);
  Quad(x0, y1 - 1.0, x1, y1, c);
  Quad(x0, y0 + 1.0, x0 + 1.0, y1 - 1.0, c);
  Quad(x1 - 1.0, y0 + 1.0, x1, y1 - 1.0, c);
}

void Batch::Circle(float x, float y, float radius, uint32_t color, uint8_t alpha, uint16_t segments, uint32_t flags) {
  if (!renderer_) return;
  const double cx = x, cy = y, r = std::fabs(double(radius));
  if (!Finite(cx, cy) || !std::isfinite(r) || r == 0.0) return;
  const int n = std::clamp<int>(segments, kMinSegments, kMaxSegments);
  const SDL_Color c = ColorOf(color, alpha, flags);
  const bool fill = (flags & zgl::kFill) != 0;
  const double inner = std::max(0.0, r - 1.0);
  Use(nullptr, (flags & zgl::kBlend) != 0, false);
  const double step = 2.0 * std::numbers::pi / n;
  double px = cx + r, py = cy;  // the point at angle 0
  for (int i = 1; i <= n; ++i) {
    const double a = i == n ? 0.0 : step * i;
    const double qx = cx + r * std::cos(a), qy = cy + r * std::sin(a);
    if (fill) {
      SDL_Vertex* v = Reserve(3);
      v[0] = Vertex(cx, cy, c);
      v[1] = Vertex(px, py, c);
      v[2] = Vertex(qx, qy, c);
    } else {
      // A ring one pixel wide: the quad between this chord and the inner one.
      const double pa = step * (i - 1);
      const double ipx = cx + inner * std::cos(pa), ipy = cy + inner * std::sin(pa);
      const double iqx = cx + inner * std::cos(a), iqy = cy + inner * std::sin(a);
      Quad4(px, py, qx, qy, iqx, iqy, ipx, ipy, c);
    }
    px = qx;
    py = qy;
  }
}

void Batch::TriList(SDL_Texture* texture, const Point2D* points, const Point2D* texCoords, int32_t first,
                    int32_t last, uint32_t color, uint8_t alpha, uint32_t flags) {
  if (!renderer_ || !points) return;
  if (first < 0) first = 0;
  if (last < first) return;
  if (!texCoords) texture = nullptr;
  const SDL_Color c = ColorOf(color, alpha, flags);
  Use(texture, (flags & zgl::kBlend) != 0, false);
  const int64_t t0 = first / 3, t1 = std::min<int64_t>(last / 3, t0 + kMaxTriListTriangles - 1);
  for (int64_t t = t0; t <= t1; ++t) {
    const Point2D* p = points + 3 * t;
    bool finite = true;
    for (int k = 0; k < 3; ++k) finite = finite && Finite(p[k].X, p[k].Y);
    if (!finite) continue;
    SDL_Vertex* v = Reserve(3);
    for (int k = 0; k < 3; ++k) {
      float u = 0.0f, w = 0.0f;
      if (texture) {
        const Point2D& uv = texCoords[3 * t + k];
        // Renderers clamp only inside 0..1; keep a stray coordinate there too.
        if (Finite(uv.X, uv.Y)) u = std::clamp(uv.X, 0.0f, 1.0f), w = std::clamp(uv.Y, 0.0f, 1.0f);
      }
      v[k] = Vertex(p[k].X, p[k].Y, c, u, w);
    }
  }
}

}  // namespace engine
