#include "graph/core/pie_geometry.h"

#include <cmath>

namespace graph {

Point EllipsePoint(int left, int top, int right, int bottom, int degrees) {
    long long theta = degrees;
    if (theta < 0) theta += 360 * ((359 - theta) / 360);
    if (theta > 359) theta %= 360;
    const double r = static_cast<double>(theta) * 3.1415926535 * 0.005555555555555556;
    const double x = (right - left) * 0.5 * std::sin(r) + (left + right) * 0.5;
    const double y = (bottom - top) * 0.5 * std::cos(r) + (top + bottom) * 0.5;
    return Point{static_cast<int>(x), static_cast<int>(y)};
}

int SliceAngle(long percent) {
    const int a = static_cast<int>(270.0 - static_cast<double>(percent) * 0.01 * 360.0);
    return a % 360;
}

}  // namespace graph
