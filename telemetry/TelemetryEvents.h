// The moments of a trip worth finding again, picked out of a scanned telemetry track: the
// device's own warnings, the driver states of the driver-monitoring camera, and harsh
// braking, acceleration or impact read off the acceleration axes.
#pragma once

#include "TelemetryScan.h"

#include <cstdint>
#include <vector>

enum class EventKind {
    LaneDeparture,
    VehicleAhead,  // the vehicle ahead at warning level (red, levels 1-3)
    Pedestrian,    // pedestrian seen or warned of
    Drowsy,
    Distracted,
    Yawning,
    Phone,
    Smoking,
    HarshBraking,
    HarshAcceleration,
    Impact,
};

// Acceleration thresholds, in g. The X axis runs along the vehicle (positive: speeding up);
// at rest Z reads gravity, 1 g.
constexpr double kHarshBrakingG = -0.45;      // X at or below
constexpr double kHarshAccelerationG = 0.40;  // X at or above
constexpr double kImpactG = 1.5;              // length of (X, Y, Z - 1) at or above

// Marks of one kind closer than this to the previous one belong to the same event.
constexpr std::int32_t kEventMergeTicks = 10;

struct TrackEvent {
    std::int32_t tick = 0;  // where the condition starts, in tenths of a second
    EventKind kind = EventKind::LaneDeparture;

    bool operator==(const TrackEvent&) const = default;
};

// The events of `points` (in tick order) in time order; events of different kinds at the same
// tick come in EventKind order. An event starts where its condition turns on; a gap in the
// track (no text for a tenth or more) ends a condition.
std::vector<TrackEvent> DetectEvents(const std::vector<TrackPoint>& points);

// A short English name of the kind ("Lane departure", "Harsh braking", ...).
const char* EventKindName(EventKind kind);
