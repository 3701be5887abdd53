// SPDX-License-Identifier: Zlib
#include "objects/uLiveObj.h"

#include <algorithm>
#include <cmath>

#include "objects/uConvert.h"
#include "objects/uHero.h"
#include "objects/uTrig.h"
#include "shell/uMaterials.h"
#include "shell/zglHeader.h"
#include "world/uWorld.h"

namespace {

// Degrees to radians with this literal, not pi / 180: the rays' ends depend on it.
constexpr double kDegToRad = 0.017453292;
constexpr double kRayStepDegrees = 5.0;
constexpr int32_t kAlertTicks = 100;
constexpr uint32_t kConeColor = 0xFFFFFF;
constexpr uint8_t kConeAlpha = 187;

}  // namespace

void TLiveObj::Setup(uint32_t color, int32_t halfAngle, float cx, float cy, float w, float h,
                     int32_t range) {
  Init(color, cx, cy, w, h);
  HalfFov = TruncToInt(double(halfAngle) / kRayStepDegrees);
  ViewRange = range;
  TexSpan = SatAdd(2 * int64_t(range), 2);
  // A negative half-angle leaves no ray at all rather than a negative size.
  int64_t triangles = std::max<int64_t>(0, 2 * int64_t(HalfFov) + 1);
  ViewTris.assign(size_t(3 * triangles), Point2D{0, 0});
  ViewUV.assign(size_t(3 * triangles), Point2D{0, 0});
}

void TLiveObj::CastView() {
  SeenDist = ViewRange;
  // The steps are fixed here: a sighting that turns the caster during the
  // cast moves the cone only from the next cast on.
  const int64_t middle = TruncToInt(double(Angle) / kRayStepDegrees);
  const int64_t lo = middle - HalfFov, hi = middle + HalfFov;
  const Point2D centre = {Circle.CX, Circle.CY};
  Line2D ray = {centre.X, centre.Y, centre.X, centre.Y};
  Point2D prevEnd = centre;
  Point2D prevUV = {0.5f, 0.5f};
  const int32_t triangles = TriangleCount();
  int32_t i = 0;
  for (int64_t k = lo; k <= hi && i < triangles; ++k, ++i) {
    const float r = float(double(k) * kDegToRad * kRayStepDegrees);
    ray.X1 = float(double(ray.X0) + Cos(double(r)) * double(ViewRange));
    ray.Y1 = float(double(ray.Y0) + Sin(double(r)) * double(ViewRange));

    for (const TObj* obstacle : Solids) {
      if (obstacle == this) continue;
      Point2D crossing = {0, 0};
      if (zgl::col2d_LineVsRect(&ray, &obstacle->Rect, &crossing)) {
        ray.X1 = crossing.X;
        ray.Y1 = crossing.Y;
      }
    }

    if (Hero && !Hero->Hidden && zgl::col2d_LineVsCircle(&ray, &Hero->Circle)) {
      Angle = zgl::m_Angle(Hero->Circle.CX, Hero->Circle.CY, Circle.CX, Circle.CY);
      SeenDist = TruncToInt(zgl::m_Distance(Hero->Circle.CX, Hero->Circle.CY, Circle.CX, Circle.CY));
      AlertTimer = kAlertTicks;
    }

    const Point2D end = {ray.X1, ray.Y1};
    Point2D* tri = &ViewTris[size_t(3 * i)];
    tri[0] = centre;
    tri[1] = prevEnd;
    tri[2] = end;
    prevEnd = end;

    // A range below zero leaves no texture square (TexSpan 0 or less): the
    // coordinates stay at the tip rather than divide by zero.
    const Point2D uv = TexSpan <= 0
                           ? Point2D{0.5f, 0.5f}
                           : Point2D{float((double(ray.X1) - double(ray.X0)) / double(TexSpan) + 0.5),
                                     float((double(ray.Y1) - double(ray.Y0)) / double(TexSpan) + 0.5)};
    Point2D* tex = &ViewUV[size_t(3 * i)];
    tex[0] = {0.5f, 0.5f};
    tex[1] = prevUV;
    tex[2] = uv;
    prevUV = uv;
  }
}

void TLiveObj::DrawView() {
  if (ViewTris.empty()) return;
  // The last index is one short of the last point; the engine still draws
  // every triangle that has a point in the range.
  zgl::pr2d_TriList(texAngle, ViewTris.data(), ViewUV.data(), 0, SatAdd(6 * int64_t(HalfFov), 1),
                    kConeColor, kConeAlpha, zgl::kFill | zgl::kBlend);
}

bool TLiveObj::AlertExpired() {
  if (AlertTimer <= 0) return true;
  --AlertTimer;
  return false;
}
