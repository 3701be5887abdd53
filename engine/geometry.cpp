// SPDX-License-Identifier: Zlib
#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace geo {
namespace {

bool Finite(float v) { return std::isfinite(v); }
bool Finite(const Rect2D& r) { return Finite(r.X) && Finite(r.Y) && Finite(r.W) && Finite(r.H); }
bool Finite(const Circle2D& c) { return Finite(c.CX) && Finite(c.CY) && Finite(c.Radius); }
bool Finite(const Line2D& l) { return Finite(l.X0) && Finite(l.Y0) && Finite(l.X1) && Finite(l.Y1); }

// A rectangle with a negative size covers the same ground as its mirror.
struct Box {
  double x0, y0, x1, y1;
};

Box Span(const Rect2D& r) {
  double x0 = r.X, x1 = double(r.X) + double(r.W);
  double y0 = r.Y, y1 = double(r.Y) + double(r.H);
  return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

// Squared distance from (px, py) to the nearest point of the segment.
double SegmentDistanceSq(const Line2D& l, double px, double py) {
  double dx = double(l.X1) - double(l.X0), dy = double(l.Y1) - double(l.Y0);
  double len2 = dx * dx + dy * dy;
  double t = 0.0;
  if (len2 > 0.0) t = std::clamp(((px - l.X0) * dx + (py - l.Y0) * dy) / len2, 0.0, 1.0);
  double ex = double(l.X0) + t * dx - px, ey = double(l.Y0) + t * dy - py;
  return ex * ex + ey * ey;
}

}  // namespace

bool RectVsRect(const Rect2D& a, const Rect2D& b) {
  if (!Finite(a) || !Finite(b)) return false;
  Box p = Span(a), q = Span(b);
  return p.x0 < q.x1 && q.x0 < p.x1 && p.y0 < q.y1 && q.y0 < p.y1;
}

bool RectVsCircle(const Rect2D& r, const Circle2D& c) {
  if (!Finite(r) || !Finite(c)) return false;
  Box b = Span(r);
  double cx = c.CX, cy = c.CY;
  if (b.x0 < cx && cx < b.x1 && b.y0 < cy && cy < b.y1) return true;
  double nx = std::clamp(cx, b.x0, b.x1) - cx, ny = std::clamp(cy, b.y0, b.y1) - cy;
  double rad = std::fabs(double(c.Radius));
  return nx * nx + ny * ny < rad * rad;
}

bool LineVsRect(const Line2D& l, const Rect2D& r, Point2D* crossing) {
  const Box b = Span(r);
  const double x0 = l.X0, y0 = l.Y0, x1 = l.X1, y1 = l.Y1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double sx0 = std::min(x0, x1), sx1 = std::max(x0, x1);
  const double sy0 = std::min(y0, y1), sy1 = std::max(y0, y1);

  // Whether they meet is decided by separating axes in coordinates, not by
  // the segment's parameter: a parameter cannot place a small box on a
  // segment 1e16 times longer. Touching is not meeting.
  // The segment's closed extent against the box's open one, on each axis.
  if (!(b.x0 < b.x1 && sx0 < b.x1 && b.x0 < sx1)) return false;
  if (!(b.y0 < b.y1 && sy0 < b.y1 && b.y0 < sy1)) return false;
  // Most rays miss most boxes: the extents above turn them away before this
  // (a NaN fails every comparison there, so the answer is the same).
  if (!Finite(l) || !Finite(r)) return false;
  if (dx != 0.0 || dy != 0.0) {
    bool left = false, right = false;
    for (double cx : {b.x0, b.x1}) {
      for (double cy : {b.y0, b.y1}) {
        const double side = (cx - x0) * dy - (cy - y0) * dx;
        left = left || side > 0.0;
        right = right || side < 0.0;
      }
    }
    if (!(left && right)) return false;
  }
  if (!crossing) return true;

  // The crossing: where the segment enters through the outline (at its start
  // when it starts on an edge heading in), or, when it starts strictly
  // inside, where it leaves; the end for a segment wholly inside.
  const bool startsInside = b.x0 < x0 && x0 < b.x1 && b.y0 < y0 && y0 < b.y1;
  double t = startsInside ? 1.0 : 0.0;
  int axis = -1;  // 0: a vertical edge, 1: a horizontal one
  double edge = 0.0;
  auto consider = [&](double p0, double d, double lo, double hi, int which) {
    if (d == 0.0) return;
    const double e = (d > 0.0) == startsInside ? hi : lo;
    const double te = (e - p0) / d;
    if (startsInside ? te < t : te >= t) t = te, axis = which, edge = e;
  };
  consider(x0, dx, b.x0, b.x1, 0);
  consider(y0, dy, b.y0, b.y1, 1);
  double px = x1, py = y1;
  if (axis == 0) {
    px = edge, py = y0 + t * dy;
  } else if (axis == 1) {
    px = x0 + t * dx, py = edge;
  }
  // Keep the point on the segment and on the box despite rounding of t.
  px = std::clamp(std::clamp(px, b.x0, b.x1), sx0, sx1);
  py = std::clamp(std::clamp(py, b.y0, b.y1), sy0, sy1);
  *crossing = {float(px), float(py)};
  return true;
}

bool LineVsCircle(const Line2D& l, const Circle2D& c) {
  if (!Finite(l) || !Finite(c)) return false;
  double rad = std::fabs(double(c.Radius));
  return SegmentDistanceSq(l, c.CX, c.CY) < rad * rad;
}

float Angle(float x1, float y1, float x2, float y2) {
  double dx = double(x1) - double(x2), dy = double(y1) - double(y2);
  if (std::isnan(dx) || std::isnan(dy) || (dx == 0.0 && dy == 0.0)) return 0.0f;
  float deg = float(std::atan2(dy, dx) * (180.0 / std::numbers::pi));
  return deg <= -180.0f ? 180.0f : deg;
}

float Distance(float x1, float y1, float x2, float y2) {
  double d = std::hypot(double(x1) - double(x2), double(y1) - double(y2));
  return std::isnan(d) ? 0.0f : float(d);
}

}  // namespace geo
