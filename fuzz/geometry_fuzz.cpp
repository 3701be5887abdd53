// SPDX-License-Identifier: Zlib
// Throws every kind of float at the engine's 2D tests: ordinary coordinates,
// huge and tiny ones, infinities and NaNs. No sanitizer report, no NaN out of
// finite input, every written crossing on its segment and on the rectangle.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/geometry.h"

namespace {

// Reads floats from the input: a tag byte picks raw bits or an everyday coordinate,
// so that both the whole float range and the game's own scale are reached.
struct Reader {
  const uint8_t* p;
  const uint8_t* end;

  uint8_t Byte() { return p < end ? *p++ : 0; }
  float Next() {
    uint8_t tag = Byte();
    if (tag < 96) return float(int(Byte()) * 4 - 200) + float(Byte()) / 256.0f;  // the play field
    if (tag < 160) return float(int16_t(Byte() << 8 | Byte())) / 16.0f;           // nearby
    uint32_t bits = uint32_t(Byte()) | uint32_t(Byte()) << 8 | uint32_t(Byte()) << 16 |
                    uint32_t(Byte()) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
};

bool Finite(std::initializer_list<float> v) {
  return std::all_of(v.begin(), v.end(), [](float f) { return std::isfinite(f); });
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "geometry fuzz: %s\n", what);
  std::abort();
}

// Float rounding allowance for a point computed from coordinates up to magnitude m.
double Slack(double m) { return m * 0x1p-21 + 1e-30; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, data + size};
  const Line2D l{in.Next(), in.Next(), in.Next(), in.Next()};
  const Rect2D r{in.Next(), in.Next(), in.Next(), in.Next()};
  const Rect2D r2{in.Next(), in.Next(), in.Next(), in.Next()};
  const Circle2D c{in.Next(), in.Next(), in.Next()};
  const bool lineFinite = Finite({l.X0, l.Y0, l.X1, l.Y1});
  const bool rectFinite = Finite({r.X, r.Y, r.W, r.H});
  // The rectangle's extent, whichever way its size points.
  const double rx0 = std::min(double(r.X), double(r.X) + r.W), rx1 = std::max(double(r.X), double(r.X) + r.W);
  const double ry0 = std::min(double(r.Y), double(r.Y) + r.H), ry1 = std::max(double(r.Y), double(r.Y) + r.H);

  Check(geo::RectVsRect(r, r2) == geo::RectVsRect(r2, r), "rectangle overlap not symmetric");
  const bool rc = geo::RectVsCircle(r, c);
  const bool lc = geo::LineVsCircle(l, c);

  const Point2D unset{12345.0f, -54321.0f};
  Point2D at = unset;
  const bool hit = geo::LineVsRect(l, r, &at);
  Point2D at2 = unset;
  Check(geo::LineVsRect(l, r, nullptr) == hit, "a null crossing changes the answer");
  Check(geo::LineVsRect(l, r, &at2) == hit && std::memcmp(&at, &at2, sizeof at) == 0,
        "the same segment gives another crossing");

  if (lineFinite && rectFinite) {
    const double x0 = l.X0, y0 = l.Y0, x1 = l.X1, y1 = l.Y1;
    // A segment that starts strictly inside certainly meets the rectangle.
    if (rx0 < x0 && x0 < rx1 && ry0 < y0 && y0 < ry1) Check(hit, "a segment from inside missed");
    if (hit) {
      Check(Finite({at.X, at.Y}), "a crossing out of finite input is not finite");
      // On the segment: inside its bounding box exactly, and on its line within rounding.
      Check(std::min(x0, x1) <= at.X && at.X <= std::max(x0, x1) && std::min(y0, y1) <= at.Y &&
                at.Y <= std::max(y0, y1),
            "crossing beyond the segment's ends");
      const double m = std::max({std::fabs(x0), std::fabs(x1), std::fabs(y0), std::fabs(y1),
                                 std::fabs(rx0), std::fabs(rx1), std::fabs(ry0), std::fabs(ry1)});
      const double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
      const double off = len > 0 ? std::fabs((at.X - x0) * dy - (at.Y - y0) * dx) / len
                                 : std::hypot(at.X - x0, at.Y - y0);
      Check(off <= Slack(m), "crossing off the segment's line");
      // And on the rectangle, its outline or, for a segment wholly inside, within it.
      Check(rx0 - Slack(m) <= at.X && at.X <= rx1 + Slack(m) && ry0 - Slack(m) <= at.Y &&
                at.Y <= ry1 + Slack(m),
            "crossing away from the rectangle");
    } else {
      Check(std::memcmp(&at, &unset, sizeof at) == 0, "a miss wrote a crossing");
    }
  }

  if (rectFinite && Finite({c.CX, c.CY, c.Radius})) {
    if (rx0 < c.CX && c.CX < rx1 && ry0 < c.CY && c.CY < ry1)
      Check(rc, "a circle centred inside a rectangle does not overlap it");
  }
  if (lineFinite && Finite({c.CX, c.CY, c.Radius})) {
    const double d = std::hypot(double(l.X0) - c.CX, double(l.Y0) - c.CY);
    if (d < std::fabs(double(c.Radius)) * (1 - 1e-6)) Check(lc, "a segment from inside a circle missed it");
  }

  const float angle = geo::Angle(l.X0, l.Y0, l.X1, l.Y1);
  const float dist = geo::Distance(l.X0, l.Y0, l.X1, l.Y1);
  if (lineFinite) {
    Check(!std::isnan(angle) && angle > -180.0f && angle <= 180.0f, "angle out of (-180, 180]");
    Check(!std::isnan(dist) && dist >= 0.0f, "distance NaN or negative");
    if (l.X0 == l.X1 && l.Y0 == l.Y1) Check(angle == 0.0f && dist == 0.0f, "equal points");
  }
  return 0;
}
