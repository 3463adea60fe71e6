// One pass over a recording's telemetry text track, ahead of playback: every text the
// vehicle panel would take, parsed into a track of points in time order. The scan opens the
// file on its own, with every other stream discarded so that the demuxer skips their samples,
// and stops early when asked to.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Driver states of the driver-monitoring form, as bits of TrackPoint::driverStates.
enum DriverState : std::uint32_t {
    kDriverDrowsy = 1u << 0,      // PFID 0x20 or 0x40
    kDriverDistracted = 1u << 1,  // PFID 0x4 or 0x8
    kDriverYawning = 1u << 2,     // PFID 0x400
    kDriverPhone = 1u << 3,       // PSR 0x2
    kDriverSmoking = 1u << 4,     // PSR 0x4
};

// What one telemetry text says, in the text's own units.
struct TrackPoint {
    std::int32_t tick = 0;      // tenths of a second, as the playback's clock counts them
    bool driverMonitor = false;  // the JSON form of the driver-monitoring camera
    bool fix = false;           // the position is valid (the map follows it)
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t speed = 0;
    std::int32_t speedUnit = 0;  // 0 km/h, else mph
    double accelX = 0.0;         // g
    double accelY = 0.0;
    double accelZ = 0.0;
    // Warnings of the forward cameras.
    std::int32_t laneDeparture = 0;  // 0 none, 1 left, 2 right
    std::int32_t frontVehicle = 0;   // 1-3 red, 4 orange, 5 green, else none
    std::int32_t pedestrian = 0;     // 1 pedestrian, 3 warning, else none
    std::int32_t brake = 0;          // 1 pressed
    std::uint32_t driverStates = 0;  // DriverState bits

    bool operator==(const TrackPoint&) const = default;
};

// A recording's telemetry: one point per tenth of a second that has an accepted text, in tick
// order, and the recording's length.
struct TelemetryTrack {
    std::vector<TrackPoint> points;
    double seconds = 0.0;  // the container's duration; 0 when it does not tell
};

enum class ScanResult {
    Complete,     // the whole text track was read (a damaged tail ends it early, quietly)
    NoTelemetry,  // the file has no telemetry text track
    CannotOpen,   // the file cannot be opened as a recording
    Cancelled,    // `cancel` was set; the track stays empty
};

// One tenth's telemetry text as stored, before any parsing.
struct TelemetryText {
    std::int32_t tick = 0;
    std::string text;
};

// Reads the texts of `path`'s telemetry track into `texts` (emptied first), one per tenth in
// tick order, the last one stored for a tenth counting; `seconds` gets the container's duration
// (0 when it does not tell). Same results and cancelling as ScanTelemetry.
ScanResult ScanTelemetryTexts(const std::string& path, std::vector<TelemetryText>& texts, double& seconds,
                              const std::atomic<bool>* cancel = nullptr);

// Reads the telemetry of `path` into `track` (emptied first). When a tick has several texts
// the last one counts, as in playback. `cancel` (may be null) is polled between texts and
// during reads.
ScanResult ScanTelemetry(const std::string& path, TelemetryTrack& track, const std::atomic<bool>* cancel = nullptr);

// The point a single text gives at `tick`, with the panel's acceptance rules: false when the
// panel would not show the text.
bool TrackPointOfText(const std::string& text, std::int32_t tick, TrackPoint& point);
