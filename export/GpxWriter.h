// GPX 1.1 of recordings' GPS tracks: one track, one segment per recording in the given order,
// a track point per tenth with a fix (latitude, longitude, UTC time, speed). GPX 1.1 has no
// speed element of its own; the speed goes, in metres per second, into the Garmin
// TrackPointExtension (v2) that common GPS tools read.
#pragma once

#include "TelemetryScan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct GpxSegment {
  std::string name;                    // the recording's name, kept in a comment
  std::optional<std::int64_t> start_utc;  // when the recording began; without it points have no time
  TelemetryTrack track;
};

std::string GpxDocument(const std::vector<GpxSegment>& segments);

// Speed in metres per second of a speed in the given unit (0 km/h, else mph).
double SpeedMetresPerSecond(std::int32_t speed, std::int32_t unit);
