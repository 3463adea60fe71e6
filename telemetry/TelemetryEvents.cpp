#include "TelemetryEvents.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::size_t kKindCount = static_cast<std::size_t>(EventKind::Impact) + 1;

bool Holds(const TrackPoint& p, EventKind kind)
{
    switch (kind) {
    case EventKind::LaneDeparture: return !p.driverMonitor && (p.laneDeparture == 1 || p.laneDeparture == 2);
    case EventKind::VehicleAhead: return !p.driverMonitor && p.frontVehicle >= 1 && p.frontVehicle <= 3;
    case EventKind::Pedestrian: return !p.driverMonitor && (p.pedestrian == 1 || p.pedestrian == 3);
    case EventKind::Drowsy: return p.driverStates & kDriverDrowsy;
    case EventKind::Distracted: return p.driverStates & kDriverDistracted;
    case EventKind::Yawning: return p.driverStates & kDriverYawning;
    case EventKind::Phone: return p.driverStates & kDriverPhone;
    case EventKind::Smoking: return p.driverStates & kDriverSmoking;
    case EventKind::HarshBraking: return p.accelX <= kHarshBrakingG;
    case EventKind::HarshAcceleration: return p.accelX >= kHarshAccelerationG;
    case EventKind::Impact: return std::hypot(p.accelX, p.accelY, p.accelZ - 1.0) >= kImpactG;
    }
    return false;
}

}  // namespace

std::vector<TrackEvent> DetectEvents(const std::vector<TrackPoint>& points)
{
    std::vector<TrackEvent> events;
    std::array<bool, kKindCount> on{};
    std::array<std::int32_t, kKindCount> last_mark;
    last_mark.fill(INT32_MIN);
    std::int32_t previous_tick = INT32_MIN;
    for (const TrackPoint& p : points) {
        const bool gap = previous_tick != INT32_MIN && p.tick - previous_tick > 1;
        previous_tick = p.tick;
        for (std::size_t k = 0; k < kKindCount; ++k) {
            const auto kind = static_cast<EventKind>(k);
            const bool now = Holds(p, kind);
            const bool starts = now && (!on[k] || gap);
            on[k] = now;
            if (!starts)
                continue;
            const bool merged = last_mark[k] != INT32_MIN && p.tick - last_mark[k] < kEventMergeTicks;
            last_mark[k] = p.tick;
            if (!merged)
                events.push_back({p.tick, kind});
        }
    }
    return events;
}

std::int32_t EventJumpTarget(const std::vector<TrackEvent>& events, std::int32_t position, int direction)
{
    std::int32_t found = -1;
    for (const TrackEvent& e : events) {
        const std::int32_t target = std::max(e.tick - kEventLeadTicks, 0);
        if (direction > 0 && target > position + kEventJumpSlackTicks)
            return target;
        if (direction < 0 && target < position - kEventJumpSlackTicks)
            found = target;
    }
    return found;
}

const char* EventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::LaneDeparture: return "Lane departure";
    case EventKind::VehicleAhead: return "Vehicle ahead";
    case EventKind::Pedestrian: return "Pedestrian";
    case EventKind::Drowsy: return "Drowsiness";
    case EventKind::Distracted: return "Distraction";
    case EventKind::Yawning: return "Yawning";
    case EventKind::Phone: return "Phone call";
    case EventKind::Smoking: return "Smoking";
    case EventKind::HarshBraking: return "Harsh braking";
    case EventKind::HarshAcceleration: return "Harsh acceleration";
    case EventKind::Impact: return "Impact";
    }
    return "";
}
