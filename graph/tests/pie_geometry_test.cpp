#include "graph/core/pie_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(PieGeometry, SliceAngleOfAPercentage) {
    const struct {
        long percent;
        int angle;
    } cases[] = {{1, 266}, {25, 180}, {50, 90}, {51, 86}, {75, 0}, {99, -86}};
    for (const auto& c : cases) EXPECT_EQ(c.angle, graph::SliceAngle(c.percent)) << c.percent;
}

TEST(PieGeometry, PointsRunFromTheBottomThroughTheRightEnd) {
    const struct {
        int degrees;
        graph::Point point;
    } cases[] = {
        {0, {100, 100}},  {90, {200, 50}},  {180, {100, 0}},   {270, {0, 49}},
        {-86, {0, 53}},   {274, {0, 53}},   {360, {100, 100}}, {-360, {100, 100}},
        {720, {100, 100}}, {45, {170, 85}}, {-1, {98, 99}},
    };
    for (const auto& c : cases) {
        const graph::Point p = graph::EllipsePoint(0, 0, 200, 100, c.degrees);
        EXPECT_EQ(c.point.x, p.x) << c.degrees;
        EXPECT_EQ(c.point.y, p.y) << c.degrees;
    }
}

}  // namespace
