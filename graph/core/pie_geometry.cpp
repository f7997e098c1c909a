#include "graph/core/pie_geometry.h"

#include <cmath>

namespace graph {

// Every step is stored as a double: on 32-bit x86 the x87 unit would
// otherwise carry extra precision and truncate 25% to 179 degrees, not 180.
Point EllipsePoint(int left, int top, int right, int bottom, int degrees) {
    long long theta = degrees;
    if (theta < 0) theta += 360 * ((359 - theta) / 360);
    if (theta > 359) theta %= 360;
    volatile double r = static_cast<double>(theta) * 3.1415926535;
    r = r * 0.005555555555555556;
    const volatile double sine = std::sin(r), cosine = std::cos(r);
    volatile double x = (right - left) * 0.5 * sine;
    x = x + (left + right) * 0.5;
    volatile double y = (bottom - top) * 0.5 * cosine;
    y = y + (top + bottom) * 0.5;
    return Point{static_cast<int>(x), static_cast<int>(y)};
}

int SliceAngle(long percent) {
    volatile double share = static_cast<double>(percent) * 0.01;
    volatile double degrees = share * 360.0;
    volatile double angle = 270.0 - degrees;
    return static_cast<int>(angle) % 360;
}

}  // namespace graph
