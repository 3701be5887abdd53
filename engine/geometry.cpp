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
  if (!Finite(l) || !Finite(r)) return false;
  Box b = Span(r);
  const double x0 = l.X0, y0 = l.Y0, x1 = l.X1, y1 = l.Y1;
  const double dx = x1 - x0, dy = y1 - y0;
  // Clip the parameter range [0, 1] to the open slabs of the rectangle.
  double tIn = 0.0, tOut = 1.0;
  int inAxis = -1, outAxis = -1;  // 0: a vertical edge set the bound, 1: a horizontal one
  double inEdge = 0.0, outEdge = 0.0;
  auto clip = [&](double p0, double d, double lo, double hi, int axis) {
    if (d == 0.0) return lo < p0 && p0 < hi;
    double ta = (lo - p0) / d, tb = (hi - p0) / d;
    double ea = lo, eb = hi;
    if (ta > tb) std::swap(ta, tb), std::swap(ea, eb);
    if (ta > tIn) tIn = ta, inAxis = axis, inEdge = ea;
    if (tb < tOut) tOut = tb, outAxis = axis, outEdge = eb;
    return tIn < tOut;
  };
  if (!clip(x0, dx, b.x0, b.x1, 0) || !clip(y0, dy, b.y0, b.y1, 1)) return false;
  if (!(tIn < tOut)) return false;

  double t = tIn > 0.0 ? tIn : tOut;
  int axis = tIn > 0.0 ? inAxis : outAxis;
  double edge = tIn > 0.0 ? inEdge : outEdge;
  double px, py;
  if (t >= 1.0) {
    px = x1, py = y1;
  } else if (axis == 0) {
    px = edge, py = y0 + t * dy;
  } else {
    px = x0 + t * dx, py = edge;
  }
  // Keep the point on the segment despite rounding of t.
  px = std::clamp(px, std::min(x0, x1), std::max(x0, x1));
  py = std::clamp(py, std::min(y0, y1), std::max(y0, y1));
  if (crossing) *crossing = {float(px), float(py)};
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
