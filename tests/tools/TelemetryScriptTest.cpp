// The scripted telemetry: every text has the shape the parsers expect, and a full cycle of
// the drive shows every indicator state the panel can draw.
#include "TelemetryScript.h"

#include <boost/json.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>

namespace {

using recgen::DriveState;
using recgen::TelemetryForm;
using recgen::TelemetryScript;

constexpr const char* kFullPattern =
    "%d,%d,%d,%d,%d/%d,%d,%d,%lf,%lf,%d/%f,%f,%f,%d,%d,%d,%d,%d,%d/%d.%d.%d,%d,%d,%d,%d,%d%n";

struct CsvFields {
    int i[23] = {};
    double lat = 0, lon = 0;
    float ax = 0, ay = 0, az = 0;
    int consumed = 0;
};

// Scans with the devices' 28-field pattern; returns the number of fields read.
int ScanCsv(const std::string& text, CsvFields& f) {
    int* i = f.i;
    return std::sscanf(text.c_str(), kFullPattern, &i[0], &i[1], &i[2], &i[3], &i[4], &i[5], &i[6], &i[7], &f.lat,
                       &f.lon, &i[8], &f.ax, &f.ay, &f.az, &i[9], &i[10], &i[11], &i[12], &i[13], &i[14], &i[15],
                       &i[16], &i[17], &i[18], &i[19], &i[20], &i[21], &i[22], &f.consumed);
}

bool OnlyBlanksFrom(const std::string& text, std::size_t pos) {
    return text.find_first_not_of(' ', pos) == std::string::npos;
}

// Distance in metres between two nearby positions.
double Metres(double lat1, double lon1, double lat2, double lon2) {
    const double dy = (lat2 - lat1) * 111320.0;
    const double dx = (lon2 - lon1) * 111320.0 * std::cos(lat1 * M_PI / 180.0);
    return std::hypot(dx, dy);
}

TEST(TelemetryScript, CommaSeparatedTextsScanCompletelyAndCarryTheDrive) {
    TelemetryScript script;
    for (int tenth = 0; tenth < 400; ++tenth) {
        SCOPED_TRACE(tenth);
        const std::string text = recgen::ScriptedText(script, TelemetryForm::Csv, tenth);
        ASSERT_GE(text.size(), 80u) << text;
        ASSERT_EQ(text.find('\n'), std::string::npos);
        CsvFields f;
        ASSERT_EQ(ScanCsv(text, f), 28) << text;
        EXPECT_TRUE(OnlyBlanksFrom(text, f.consumed)) << text;

        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        const int expected[23] = {s.speed, s.rpm, s.leftSignal, s.rightSignal, s.brake, 0, s.gpsFix,
                                  s.satellites, s.heading, s.laneDeparture, s.frontVehicle, s.pedestrian, 0, 0, 0,
                                  1, 2, 5, 0x92, 0, 0, s.signState, s.signSpeed};
        for (int k = 0; k < 23; ++k) EXPECT_EQ(f.i[k], expected[k]) << "integer field " << k << " of " << text;
        EXPECT_NEAR(f.lat, s.latitude, 1e-6);
        EXPECT_NEAR(f.lon, s.longitude, 1e-6);
        EXPECT_NEAR(f.ax, s.accelX, 1e-3);
        EXPECT_NEAR(f.ay, s.accelY, 1e-3);
        EXPECT_NEAR(f.az, s.accelZ, 1e-3);
    }
}

TEST(TelemetryScript, JsonTextsParseWithTheKindsTheReaderExpects) {
    TelemetryScript script;
    for (int tenth = 0; tenth < 200; ++tenth) {
        SCOPED_TRACE(tenth);
        const std::string text = recgen::ScriptedText(script, TelemetryForm::Json, tenth);
        ASSERT_GE(text.size(), 80u);
        ASSERT_EQ(text.front(), '{');
        boost::json::error_code ec;
        const boost::json::value value = boost::json::parse(text, ec);
        ASSERT_FALSE(ec) << text;
        const boost::json::object& o = value.as_object();
        EXPECT_TRUE(o.at("MODEL").is_string());
        EXPECT_TRUE(o.at("VERSION").is_string());
        for (const char* key : {"SERIAL", "SPEEDUNIT", "SPEEDSOURCE", "SPEED"}) EXPECT_TRUE(o.at(key).is_int64()) << key;
        const boost::json::object& g = o.at("GSENSOR").as_object();
        for (const char* key : {"X", "Y", "Z"}) {
            ASSERT_TRUE(g.at(key).is_int64()) << key;
            EXPECT_LE(std::abs(g.at(key).as_int64()), 5000) << key << ": within 1 g";
        }
        const boost::json::object& gps = o.at("GPS").as_object();
        EXPECT_TRUE(gps.at("FIX").is_int64());
        EXPECT_TRUE(gps.at("LA").is_double());
        EXPECT_TRUE(gps.at("LO").is_double());
        const boost::json::object& algo = o.at("ALGO").as_object();
        for (const char* key : {"PSR", "PFID", "YAW", "PITCH", "LEYE", "REYE", "MOUTH"})
            EXPECT_TRUE(algo.at(key).is_int64()) << key;

        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        EXPECT_EQ(o.at("SPEED").as_int64(), s.speed);
        EXPECT_EQ(algo.at("PFID").as_int64(), s.pfid);
        EXPECT_EQ(algo.at("PSR").as_int64(), s.psr);
        EXPECT_NEAR(gps.at("LA").as_double(), s.latitude, 1e-6);
    }
}

TEST(TelemetryScript, OneCycleShowsEveryIndicatorState) {
    TelemetryScript script;
    std::set<int> left, right, brake, lane, front, pedestrian, fix, signStates, steadySigns, blinkingSigns, pfid, psr;
    for (int tenth = 0; tenth < 200; ++tenth) {
        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        left.insert(s.leftSignal);
        right.insert(s.rightSignal);
        brake.insert(s.brake);
        lane.insert(s.laneDeparture);
        front.insert(s.frontVehicle);
        pedestrian.insert(s.pedestrian);
        fix.insert(s.gpsFix);
        signStates.insert(s.signState);
        if (s.signState == 0) steadySigns.insert(s.signSpeed);
        if (s.signState != 0 && s.signState != 3) blinkingSigns.insert(s.signSpeed);
        pfid.insert(s.pfid);
        psr.insert(s.psr);
        if (s.pfid & 0x60) {
            EXPECT_EQ(s.leftEye + s.rightEye, 0) << "eyes closed while drowsy";
        }
        if (s.pfid & 0x400) {
            EXPECT_EQ(s.mouth, 1) << "mouth open while yawning";
        }
    }
    EXPECT_EQ(left, (std::set<int>{0, 1}));
    EXPECT_EQ(right, (std::set<int>{0, 1}));
    EXPECT_EQ(brake, (std::set<int>{0, 1}));
    EXPECT_EQ(lane, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(front, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(pedestrian, (std::set<int>{0, 1, 3}));
    EXPECT_EQ(fix, (std::set<int>{1, 3}));
    EXPECT_EQ(signStates, (std::set<int>{0, 1, 3}));
    EXPECT_FALSE(steadySigns.empty());
    EXPECT_FALSE(blinkingSigns.empty());
    // Drowsiness (both bits), distraction (both bits), yawning, yawning with drowsiness, and 1.
    EXPECT_EQ(pfid, (std::set<int>{0, 0x1, 0x4, 0x8, 0x20, 0x40, 0x400, 0x440}));
    EXPECT_EQ(psr, (std::set<int>{0, 0x2, 0x4}));
}

TEST(TelemetryScript, TheDriveIsPlausible) {
    TelemetryScript script;
    DriveState previous = recgen::DriveAt(script, 0);
    for (int tenth = 1; tenth < 3000; ++tenth) {  // five minutes, also past the route's end
        SCOPED_TRACE(tenth);
        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        EXPECT_GE(s.speed, 29);
        EXPECT_LE(s.speed, 71);
        EXPECT_GT(s.rpm, 600);
        EXPECT_LE(std::fabs(s.accelX), 1.0);
        EXPECT_LE(std::fabs(s.accelY), 1.0);
        EXPECT_LE(std::fabs(s.accelZ), 1.0);
        // The vehicle moves along the road at its speed: 30 to 70 km/h is 0.8 to 2 m per tenth.
        const double step = Metres(previous.latitude, previous.longitude, s.latitude, s.longitude);
        EXPECT_GT(step, 0.5);
        EXPECT_LT(step, 2.5);
        EXPECT_NEAR(s.latitude, 37.555, 0.03);
        EXPECT_NEAR(s.longitude, 126.975, 0.03);
        EXPECT_GE(s.heading, 0);
        EXPECT_LT(s.heading, 360);
        previous = s;
    }
}

TEST(TelemetryScript, MilesPerHourAndTheScriptOptionsReachTheTexts) {
    TelemetryScript script;
    script.speedUnit = 1;
    script.deviceCode = 0x52;
    script.firmware[2] = 123;
    script.startSeconds = 5;
    const DriveState kmh = recgen::DriveAt(TelemetryScript{}, 5.0);
    const DriveState mph = recgen::DriveAt(script, 5.0);
    EXPECT_NEAR(mph.speed, kmh.speed / 1.609344, 1.0);

    CsvFields f;
    ASSERT_EQ(ScanCsv(recgen::ScriptedText(script, TelemetryForm::Csv, 0), f), 28);
    EXPECT_EQ(f.i[0], mph.speed);
    EXPECT_EQ(f.i[17], 123);   // field 23
    EXPECT_EQ(f.i[18], 0x52);  // field 24
    EXPECT_EQ(f.i[19], 1);     // field 25

    const boost::json::value v = boost::json::parse(recgen::ScriptedText(script, TelemetryForm::Json, 0));
    EXPECT_EQ(v.at("SPEEDUNIT").as_int64(), 1);
    EXPECT_EQ(v.at("SPEED").as_int64(), mph.speed);
    EXPECT_EQ(recgen::ScriptedText(script, TelemetryForm::None, 0), "");
}

TEST(TelemetryScript, PadTextOnlyAppendsBlanks) {
    struct Case {
        std::string text;
        std::size_t length;
        std::string expected;
    };
    const Case cases[] = {
        {"1,2", 5, "1,2  "},
        {"{}", 2, "{}"},
        {"12345", 3, "12345"},
        {"", 2, "  "},
    };
    for (const Case& c : cases) EXPECT_EQ(recgen::PadText(c.text, c.length), c.expected) << c.text;
}

}  // namespace
