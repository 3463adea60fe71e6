// The telemetry scan of whole recordings made by the generator: points and warnings where the
// scripted drive has them, in both telemetry forms, and damaged or missing tracks.
#include "TelemetryScan.h"
#include "TrackScanner.h"

#include "RecordingGenerator.h"
#include "TelemetryScript.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <tuple>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using recgen::RecordingSpec;
using recgen::TelemetryForm;

class TelemetryScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tavro-scan-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::string& name, RecordingSpec spec)
    {
        const fs::path path = dir_ / name;
        EXPECT_EQ(recgen::WriteRecording(path, spec), 0) << name;
        return path;
    }

    static RecordingSpec Drive(TelemetryForm form, double seconds)
    {
        RecordingSpec spec;
        spec.durationSeconds = seconds;
        spec.videos = {{160, 90}, {160, 90}};
        spec.audio = true;
        spec.form = form;
        return spec;
    }

    fs::path dir_;
};

const TrackPoint* At(const std::vector<TrackPoint>& points, int tick)
{
    for (const TrackPoint& p : points)
        if (p.tick == tick)
            return &p;
    return nullptr;
}

// Every tenth has its point; position, speed and acceleration are the script's, and each
// warning of the forward cameras shows where the drive has it.
TEST_F(TelemetryScan, ForwardCameraRecordingGivesTheScriptedPointsAndWarnings)
{
    const RecordingSpec spec = Drive(TelemetryForm::Csv, 20);
    TelemetryTrack track;
    const std::vector<TrackPoint>& points = track.points;
    ASSERT_EQ(ScanTelemetry(Write("csv_N.mp4", spec), track), ScanResult::Complete);
    ASSERT_EQ(points.size(), 200u);
    EXPECT_NEAR(track.seconds, 20.0, 0.1);
    for (int tick = 0; tick < 200; ++tick) {
        SCOPED_TRACE(tick);
        const TrackPoint& p = points[tick];
        const recgen::DriveState s = recgen::DriveAt(spec.script, tick / 10.0);
        EXPECT_EQ(p.tick, tick);
        EXPECT_FALSE(p.driverMonitor);
        EXPECT_EQ(p.fix, s.gpsFix > 1);
        EXPECT_NEAR(p.latitude, s.latitude, 1e-6);
        EXPECT_NEAR(p.longitude, s.longitude, 1e-6);
        EXPECT_EQ(p.speed, s.speed);
        EXPECT_NEAR(p.accelX, s.accelX, 1e-3);
        EXPECT_NEAR(p.accelZ, s.accelZ, 1e-3);
        EXPECT_EQ(p.laneDeparture, s.laneDeparture);
        EXPECT_EQ(p.frontVehicle, s.frontVehicle);
        EXPECT_EQ(p.pedestrian, s.pedestrian);
        EXPECT_EQ(p.brake, s.brake);
    }
    // Spot checks against the drive as written down, independent of the script code.
    const struct {
        int tick;
        int lane, vehicle, pedestrian, brake;
        bool fix;
    } cases[] = {
        {5, 0, 0, 0, 0, true},  {35, 0, 5, 1, 0, true},  {50, 0, 5, 3, 0, true},
        {65, 1, 4, 0, 0, true}, {90, 0, 1, 0, 1, true},  {175, 2, 0, 0, 0, true},
        {197, 0, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tick);
        const TrackPoint* p = At(points, c.tick);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->laneDeparture, c.lane);
        EXPECT_EQ(p->frontVehicle, c.vehicle);
        EXPECT_EQ(p->pedestrian, c.pedestrian);
        EXPECT_EQ(p->brake, c.brake);
        EXPECT_EQ(p->fix, c.fix);
    }
}

TEST_F(TelemetryScan, DriverMonitoringRecordingGivesTheFiveDriverStates)
{
    const RecordingSpec spec = Drive(TelemetryForm::Json, 20);
    TelemetryTrack track;
    const std::vector<TrackPoint>& points = track.points;
    ASSERT_EQ(ScanTelemetry(Write("json_NOR.mp4", spec), track), ScanResult::Complete);
    ASSERT_EQ(points.size(), 200u);
    const struct {
        int tick;
        std::uint32_t states;
        bool fix;
    } cases[] = {
        {5, 0, true},
        {20, kDriverDrowsy, true},
        {55, kDriverDistracted, true},
        {90, kDriverYawning, true},
        {105, kDriverYawning | kDriverDrowsy, true},
        {130, kDriverPhone, true},
        {160, kDriverSmoking, true},
        {197, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tick);
        const TrackPoint* p = At(points, c.tick);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(p->driverMonitor);
        EXPECT_EQ(p->driverStates, c.states);
        EXPECT_EQ(p->fix, c.fix);
        EXPECT_EQ(p->speed, recgen::DriveAt(spec.script, c.tick / 10.0).speed);
    }
}

// Texts the panel would refuse are left out; a later text of the same tenth replaces the
// earlier one; length-prefixed samples (other muxers) read like bare ones.
TEST_F(TelemetryScan, KeepsOnlyWhatThePanelWouldShow)
{
    const RecordingSpec drive = Drive(TelemetryForm::Csv, 1);
    const std::string good = recgen::ScriptedText(drive.script, TelemetryForm::Csv, 3);
    const std::string json = recgen::ScriptedText(drive.script, TelemetryForm::Json, 4);
    const std::string refused = recgen::PadText("-1,-1,0,0,0/0,3,9,37.5,127.0,0", 100);  // negative speed
    RecordingSpec spec;
    spec.videos = {};
    spec.lengthPrefixedTexts = true;
    spec.texts = {{1, good}, {2, refused}, {3, good}, {4, json}, {5, "12,1000,0,0,0"}};
    TelemetryTrack track;
    const std::vector<TrackPoint>& points = track.points;
    ASSERT_EQ(ScanTelemetry(Write("mixed_N.mp4", spec), track), ScanResult::Complete);
    ASSERT_EQ(points.size(), 3u);  // 2 refused, 5 shorter than any telemetry text
    EXPECT_EQ(points[0].tick, 1);
    EXPECT_EQ(points[1].tick, 3);
    EXPECT_EQ(points[2].tick, 4);
    EXPECT_TRUE(points[2].driverMonitor);
}

// A card's damaged file: zeroed media data ends the track quietly where the texts stop;
// a file cut before its index cannot be opened, and one without a text track has none.
TEST_F(TelemetryScan, DamagedOrMissingTracksEndQuietly)
{
    const fs::path path = Write("damaged_N.mp4", Drive(TelemetryForm::Csv, 10));
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t mdat = bytes.find("mdat");
    const std::size_t moov = bytes.find("moov");
    ASSERT_NE(mdat, std::string::npos);
    ASSERT_NE(moov, std::string::npos);
    ASSERT_LT(mdat, moov);
    const std::size_t half = mdat + (moov - mdat) / 2;
    std::string zeroed = bytes;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(half), zeroed.begin() + static_cast<std::ptrdiff_t>(moov) - 8, '\0');
    std::ofstream(dir_ / "zeroed_N.mp4", std::ios::binary) << zeroed;
    std::ofstream(dir_ / "cut_N.mp4", std::ios::binary) << bytes.substr(0, half);

    TelemetryTrack track;
    const std::vector<TrackPoint>& points = track.points;
    ASSERT_EQ(ScanTelemetry(dir_ / "zeroed_N.mp4", track), ScanResult::Complete);
    EXPECT_GT(points.size(), 20u);
    EXPECT_LT(points.size(), 90u);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(points[i].tick, static_cast<int>(i));  // the first half, without gaps

    EXPECT_EQ(ScanTelemetry(dir_ / "cut_N.mp4", track), ScanResult::CannotOpen);
    EXPECT_TRUE(points.empty());
    EXPECT_EQ(ScanTelemetry(dir_ / "missing_N.mp4", track), ScanResult::CannotOpen);
    RecordingSpec silent = Drive(TelemetryForm::None, 1);
    EXPECT_EQ(ScanTelemetry(Write("silent_N.mp4", silent), track), ScanResult::NoTelemetry);
}

TEST_F(TelemetryScan, CancelStopsTheScan)
{
    const fs::path path = Write("long_N.mp4", Drive(TelemetryForm::Csv, 5));
    std::atomic<bool> cancel{true};
    TelemetryTrack track;
    const std::vector<TrackPoint>& points = track.points;
    EXPECT_EQ(ScanTelemetry(path, track, &cancel), ScanResult::Cancelled);
    EXPECT_TRUE(points.empty());
}

}  // namespace

namespace {

// The worker delivers each request's track in order, tagged with its number, and a scanner
// destroyed with work waiting ends without delivering it.
TEST_F(TelemetryScan, ScannerDeliversTracksOffTheCallingThread)
{
    const fs::path csv = Write("a_N.mp4", Drive(TelemetryForm::Csv, 2));
    const fs::path json = Write("b_NOR.mp4", Drive(TelemetryForm::Json, 3));
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::tuple<int, ScanResult, std::size_t, std::thread::id>> results;
    {
        TrackScanner scanner([&](int request, ScanResult result, TelemetryTrack track) {
            std::lock_guard lock(mutex);
            results.emplace_back(request, result, track.points.size(), std::this_thread::get_id());
            arrived.notify_all();
        });
        for (const fs::path& path : {csv, json, dir_ / "missing_N.mp4"}) {
            const int request = scanner.Scan(path);
            std::unique_lock lock(mutex);
            ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(20), [&] {
                return !results.empty() && std::get<0>(results.back()) == request;
            }));
        }
        scanner.Scan(json);  // may or may not finish before the scanner goes
    }
    ASSERT_GE(results.size(), 3u);
    EXPECT_EQ(std::get<1>(results[0]), ScanResult::Complete);
    EXPECT_EQ(std::get<2>(results[0]), 20u);
    EXPECT_EQ(std::get<2>(results[1]), 30u);
    EXPECT_EQ(std::get<1>(results[2]), ScanResult::CannotOpen);
    EXPECT_NE(std::get<3>(results[0]), std::this_thread::get_id());
    EXPECT_LT(std::get<0>(results[0]), std::get<0>(results[1]));
}

}  // namespace
