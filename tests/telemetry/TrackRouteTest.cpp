// The route handed to the map: points with a fix only, speeds in km/h, numbers the page reads
// the same in any locale.
#include "TrackRoute.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TrackPoint Point(std::int32_t tick, bool fix, double lat, double lon, int speed, int unit)
{
    TrackPoint p;
    p.tick = tick;
    p.fix = fix;
    p.latitude = lat;
    p.longitude = lon;
    p.speed = speed;
    p.speedUnit = unit;
    return p;
}

TEST(TrackRoute, FixPointsOnlyWithSpeedsInKmh)
{
    const std::vector<TrackPoint> points = {
        Point(0, true, 37.5665, 126.978, 50, 0),
        Point(1, false, 0, 0, 50, 0),              // no fix: left out
        Point(2, true, -33.8688, 151.2093, 62, 1),  // 62 mph
        Point(3, true, 51.5074, -0.1278, 0, 1),
    };
    // A locale with a decimal comma must not split the numbers.
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string json = RouteJson(points);
    if (old) std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(json, "[[0,37.566500,126.978000,50],[2,-33.868800,151.209300,100],[3,51.507400,-0.127800,0]]");
    EXPECT_EQ(RouteJson({}), "[]");
    EXPECT_EQ(RouteJson({Point(5, false, 1, 2, 3, 0)}), "[]");
}

}  // namespace
