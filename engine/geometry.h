// SPDX-License-Identifier: Zlib
// The engine's 2D tests and measures, free of SDL so that test doubles of the
// engine can answer geometry exactly as the real library does. All work is
// done in double: products of float coordinates neither overflow nor
// underflow there. Shapes that only touch do not overlap.
#pragma once

#include "common/zglApi.h"

namespace geo {

bool RectVsRect(const Rect2D& a, const Rect2D& b);
bool RectVsCircle(const Rect2D& r, const Circle2D& c);
// Writes the crossing of the outline nearest the segment's start (the start
// itself for a segment that starts on an edge heading in, the exit point for
// one that starts inside, the segment's end for one wholly inside). The
// written point always lies on the segment. Nothing is written on a miss.
bool LineVsRect(const Line2D& l, const Rect2D& r, Point2D* crossing);
bool LineVsCircle(const Line2D& l, const Circle2D& c);
// Degrees in (-180, 180] of the direction from (x2, y2) toward (x1, y1); 0 for equal points.
float Angle(float x1, float y1, float x2, float y2);
float Distance(float x1, float y1, float x2, float y2);

}  // namespace geo
