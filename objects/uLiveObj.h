// SPDX-License-Identifier: Zlib
// A scene object that sees: a facing and a cone of rays on the 5-degree grid,
// cut short by Solids. A ray that reaches the hero is a sighting. The clipped
// fan is also what the player sees, drawn as a textured triangle list.
#pragma once

#include <vector>

#include "objects/uObj.h"

class TLiveObj : public TObj {
 public:
  float Angle = 0;         // facing in degrees, any value
  int32_t HalfFov = 0;     // half the cone in 5-degree steps
  int32_t ViewRange = 0;   // length of an unobstructed ray
  int32_t TexSpan = 0;     // side of the texture square centred on the caster
  int32_t SeenDist = 0;    // hero's distance on a sighting, else ViewRange
  int32_t AlertTimer = 0;  // ticks of alert left
  // Triangle i is points 3i, 3i + 1, 3i + 2: the flat run the engine draws.
  std::vector<Point2D> ViewUV;
  std::vector<Point2D> ViewTris;

  // Init through the virtual slot, then the cone; the only allocation of the
  // cone's arrays, which every cast overwrites in place.
  void Setup(uint32_t color, int32_t halfAngle, float cx, float cy, float w, float h, int32_t range);
  void CastView();
  void DrawView();
  // True when no alert is left; otherwise spends one tick of it.
  bool AlertExpired();

  int32_t TriangleCount() const { return int32_t(ViewTris.size() / 3); }
};
