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

// PageDown and PageUp land this long before an event, so that its lead-up is seen.
constexpr std::int32_t kEventLeadTicks = 30;
// A jump target this close to the position counts as where playback already is (a seek lands
// up to a keyframe early, and playback moves on meanwhile), so the next press goes further.
constexpr std::int32_t kEventJumpSlackTicks = 10;

// Where a jump from `position` (ticks) goes: kEventLeadTicks (at most back to 0) before the
// first event whose target lies more than kEventJumpSlackTicks after the position (direction
// > 0), or before the last one whose target lies more than that before it (direction < 0).
// -1 when there is none.
std::int32_t EventJumpTarget(const std::vector<TrackEvent>& events, std::int32_t position, int direction);

// A short English name of the kind ("Lane departure", "Harsh braking", ...).
const char* EventKindName(EventKind kind);
