// Events picked out of telemetry tracks: onsets, merging, gaps and the acceleration
// thresholds on hand-made tracks, and the scripted drive's events in both forms.
#include "TelemetryEvents.h"

#include "RecordingGenerator.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

// A quiet forward-camera track of `count` tenths, then `change` applied to each point.
std::vector<TrackPoint> Track(int count, const std::function<void(TrackPoint&)>& change)
{
    std::vector<TrackPoint> points;
    for (int tick = 0; tick < count; ++tick) {
        TrackPoint p;
        p.tick = tick;
        p.fix = true;
        p.accelZ = 1.0;
        change(p);
        points.push_back(p);
    }
    return points;
}

TEST(TelemetryEvents, OnsetsMergingGapsAndThresholds)
{
    const struct {
        const char* what;
        std::function<void(TrackPoint&)> change;
        std::vector<TrackEvent> expected;
    } cases[] = {
        {"quiet drive", [](TrackPoint&) {}, {}},
        {"a lane departure lasting a second is one event at its start",
         [](TrackPoint& p) { p.laneDeparture = p.tick >= 20 && p.tick < 30 ? 2 : 0; },
         {{20, EventKind::LaneDeparture}}},
        {"vehicle ahead counts at red levels only, across level changes",
         [](TrackPoint& p) { p.frontVehicle = p.tick < 10 ? 5 : p.tick < 20 ? 4 : p.tick < 25 ? 3 : p.tick < 30 ? 1 : 5; },
         {{20, EventKind::VehicleAhead}}},
        {"flicker within a second merges, a second later is a new event",
         [](TrackPoint& p) { p.pedestrian = (p.tick == 10 || p.tick == 14 || p.tick == 19 || p.tick == 40) ? 3 : 0; },
         {{10, EventKind::Pedestrian}, {40, EventKind::Pedestrian}}},
        {"harsh braking from -0.45 g, not at -0.44 g",
         [](TrackPoint& p) { p.accelX = p.tick == 5 ? -0.44 : p.tick == 30 ? -0.45 : 0.0; },
         {{30, EventKind::HarshBraking}}},
        {"harsh acceleration from +0.40 g",
         [](TrackPoint& p) { p.accelX = p.tick == 12 ? 0.39 : p.tick == 33 ? 0.41 : 0.0; },
         {{33, EventKind::HarshAcceleration}}},
        {"impact: a sideways jolt or a jump in Z beyond 1.5 g",
         [](TrackPoint& p) {
             if (p.tick == 10) p.accelY = 1.6;
             if (p.tick == 40) p.accelZ = 2.6;
             if (p.tick == 50) p.accelY = 1.4;
         },
         {{10, EventKind::Impact}, {40, EventKind::Impact}}},
        {"kinds at the same tick come in kind order",
         [](TrackPoint& p) {
             if (p.tick == 7) p.accelX = -2.0, p.laneDeparture = 1;
         },
         {{7, EventKind::LaneDeparture}, {7, EventKind::HarshBraking}, {7, EventKind::Impact}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectEvents(Track(60, c.change)), c.expected) << c.what;

    // A gap in the track ends a condition: what holds after it starts again.
    std::vector<TrackPoint> gapped = Track(60, [](TrackPoint& p) { p.laneDeparture = 1; });
    gapped.erase(gapped.begin() + 10, gapped.begin() + 30);
    EXPECT_EQ(DetectEvents(gapped), (std::vector<TrackEvent>{{0, EventKind::LaneDeparture}, {30, EventKind::LaneDeparture}}));
}

class ScriptedDriveEvents : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<TrackEvent> Events(recgen::TelemetryForm form)
    {
        recgen::RecordingSpec spec;
        spec.durationSeconds = 20;
        spec.videos = {};
        spec.form = form;
        const fs::path path = dir_ / "drive_N.mp4";
        EXPECT_EQ(recgen::WriteRecording(path, spec), 0);
        TelemetryTrack track;
        EXPECT_EQ(ScanTelemetry(path, track), ScanResult::Complete);
        return DetectEvents(track.points);
    }

    fs::path dir_ = fs::temp_directory_path() / ("tavro-events-" + std::to_string(getpid()));
};

TEST_F(ScriptedDriveEvents, ForwardCameraWarningsAtTheirScriptedTimes)
{
    EXPECT_EQ(Events(recgen::TelemetryForm::Csv),
              (std::vector<TrackEvent>{{30, EventKind::Pedestrian},
                                       {60, EventKind::LaneDeparture},
                                       {80, EventKind::VehicleAhead},
                                       {170, EventKind::LaneDeparture}}));
}

TEST_F(ScriptedDriveEvents, DriverStatesAtTheirScriptedTimes)
{
    EXPECT_EQ(Events(recgen::TelemetryForm::Json),
              (std::vector<TrackEvent>{{10, EventKind::Drowsy},
                                       {50, EventKind::Distracted},
                                       {85, EventKind::Yawning},
                                       {100, EventKind::Drowsy},
                                       {100, EventKind::Yawning},
                                       {120, EventKind::Phone},
                                       {150, EventKind::Smoking}}));
}

}  // namespace

namespace {

// PageDown and PageUp: three seconds before the next or previous event, counting a target
// within a second of the position as reached.
TEST(TelemetryEvents, JumpTargetsLeadTheEventsByThreeSeconds)
{
    const std::vector<TrackEvent> events = {
        {20, EventKind::Pedestrian}, {200, EventKind::LaneDeparture}, {200, EventKind::HarshBraking},
        {500, EventKind::Impact}};
    const struct {
        std::int32_t position;
        int direction;
        std::int32_t target;
    } cases[] = {
        {0, +1, 170},     // the first event's target is 0, where playback is
        {100, +1, 170},   // 3 s before the event at 20 s
        {165, +1, 470},   // landed half a second early on 170: on to the next
        {170, +1, 470},   // the same moment twice: one target
        {470, +1, -1},    // nothing after the last
        {480, -1, 170},   // just past 470: the event before it
        {470, -1, 170},
        {175, -1, 0},     // never before the start
        {5, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " " << c.direction);
        EXPECT_EQ(EventJumpTarget(events, c.position, c.direction), c.target);
    }
    EXPECT_EQ(EventJumpTarget({}, 100, +1), -1);
}

}  // namespace
