// SPDX-License-Identifier: Zlib
// The frame's drawing. Primitives become triangles in one preallocated vertex
// buffer, handed to the renderer in a single SDL_RenderGeometry call whenever
// the texture or the blending changes, when the buffer is full, and at
// present: a frame of the game costs a handful of renderer calls, not one per
// box. Nothing here allocates.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "common/zglApi.h"

namespace engine {

struct FrameStats {
  uint32_t rendererCalls = 0;  // every SDL call that draws or sets drawing state
  uint32_t flushes = 0;        // SDL_RenderGeometry calls
  uint32_t triangles = 0;
};

class Batch {
 public:
  static constexpr int kCapacity = 3 * 8192;  // vertices
  static constexpr int kMinSegments = 3;
  static constexpr int kMaxSegments = 1024;
  // Coordinates are clamped to this distance from the origin so that the
  // renderer's fixed-point rasteriser never sees huge values.
  static constexpr double kFar = 32768.0;
  // No sensible triangle list is longer; a wild `last` stops here.
  static constexpr int64_t kMaxTriListTriangles = 1 << 16;

  void Attach(SDL_Renderer* renderer);
  void Detach();

  // Drops anything drawn outside a frame and clears the back buffer to black.
  void BeginFrame();
  // Draws what is pending and shows the frame.
  void Present();
  // Draws what is pending.
  void Flush();

  void Rect(float x, float y, float w, float h, uint32_t color, uint8_t alpha, uint32_t flags);
  void Circle(float x, float y, float radius, uint32_t color, uint8_t alpha, uint16_t segments, uint32_t flags);
  // Draws every triangle (points 3t, 3t+1, 3t+2) that has at least one point
  // in first..last. The caller gives no count: `points` (and `texCoords`)
  // must hold every point of those triangles, up to 3 * (last / 3) + 2. A null
  // texture or null texCoords draws in flat colour.
  void TriList(SDL_Texture* texture, const Point2D* points, const Point2D* texCoords, int32_t first, int32_t last,
               uint32_t color, uint8_t alpha, uint32_t flags);

  const FrameStats& LastFrame() const { return last_; }
  int Pending() const { return count_; }

 private:
  // Rectangles and free triangles go to the renderer in separate calls: SDL's
  // software renderer draws a call that mixes the two through a temporary
  // surface per triangle, which allocates in every frame.
  void Use(SDL_Texture* texture, bool blend, bool quads);
  SDL_Vertex* Reserve(int vertices);
  void Quad(double x0, double y0, double x1, double y1, SDL_Color c);
  // Two triangles over the corners a, b, c, d taken in order around the quad.
  void Quad4(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy, SDL_Color c);

  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool blend_ = false;
  bool quads_ = false;
  // The renderer's blend mode for flat geometry, set only when it changes.
  SDL_BlendMode flatMode_ = SDL_BLENDMODE_NONE;
  bool flatModeSet_ = false;
  int count_ = 0;
  FrameStats current_;
  FrameStats last_;
  SDL_Vertex vertices_[kCapacity];
};

}  // namespace engine
