// A scanned track's route as the map page draws it: the points with a fix, in time order, each
// as [tick, latitude, longitude, km/h].
#pragma once

#include "TelemetryScan.h"

#include <cstdint>
#include <string>
#include <vector>

// The point's speed in km/h, converted when the text gave it in mph.
std::int32_t SpeedKmh(const TrackPoint& point);

// "[[tick,lat,lon,kmh],...]" of the points with a fix (JSON, C locale, six decimals).
std::string RouteJson(const std::vector<TrackPoint>& points);
