// The geometry of the tilted pie: points on an ellipse by whole degrees and
// the slice angle of a percentage. Portable.
#pragma once

namespace graph {

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

// 0 degrees is the bottom of the ellipse, 90 its right end, 180 its top,
// 270 its left end. Any angle is brought into 0..359 first.
Point EllipsePoint(int left, int top, int right, int bottom, int degrees);

// Angle of the slice's moving edge for 1 <= percent <= 99 (the fixed edge is
// at 270 degrees); may be negative, which EllipsePoint normalises.
int SliceAngle(long percent);

}  // namespace graph
