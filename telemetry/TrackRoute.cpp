#include "TrackRoute.h"

#include <charconv>
#include <cmath>

namespace {

void AppendFixed6(std::string& out, double value)
{
    char buffer[400];  // room for any double in fixed notation
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec == std::errc())
        out.append(buffer, result.ptr);
}

}  // namespace

std::int32_t SpeedKmh(const TrackPoint& point)
{
    if (point.speedUnit == 0)
        return point.speed;
    return static_cast<std::int32_t>(std::lround(point.speed * 1.609344));
}

std::string RouteJson(const std::vector<TrackPoint>& points)
{
    std::string out = "[";
    for (const TrackPoint& p : points) {
        if (!p.fix || !std::isfinite(p.latitude) || !std::isfinite(p.longitude))
            continue;
        if (out.size() > 1)
            out += ',';
        out += '[';
        out += std::to_string(p.tick);
        out += ',';
        AppendFixed6(out, p.latitude);
        out += ',';
        AppendFixed6(out, p.longitude);
        out += ',';
        out += std::to_string(SpeedKmh(p));
        out += ']';
    }
    out += ']';
    return out;
}
