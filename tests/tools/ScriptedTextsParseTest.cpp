// The viewer's own parsers read the generated texts back to the scripted drive.
#include "DriverMonitorRecord.h"
#include "TelemetryRecord.h"
#include "TelemetryScript.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using recgen::DriveState;
using recgen::TelemetryForm;
using recgen::TelemetryScript;

TEST(ScriptedTextsParse, CommaSeparatedTextsAreAcceptedWithEveryField) {
    TelemetryScript script;
    script.deviceCode = 0x55;
    for (int tenth = 0; tenth < 200; ++tenth) {
        SCOPED_TRACE(tenth);
        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        const std::string text = recgen::ScriptedText(script, TelemetryForm::Csv, tenth);
        // Padding with blanks must not change the record.
        for (const std::string& t : {text, recgen::PadText(text, 200)}) {
            ASSERT_FALSE(IsDriverMonitorText(t.c_str()));
            TelemetryRecord r;
            ASSERT_TRUE(ParseTelemetryRecord(t.c_str(), r)) << t;
            EXPECT_EQ(r.speed, s.speed);
            EXPECT_EQ(r.rpm, s.rpm);
            EXPECT_EQ(r.leftSignal, s.leftSignal);
            EXPECT_EQ(r.rightSignal, s.rightSignal);
            EXPECT_EQ(r.brake, s.brake);
            EXPECT_EQ(r.gpsFix, s.gpsFix);
            EXPECT_NEAR(r.latitude, s.latitude, 1e-6);
            EXPECT_NEAR(r.longitude, s.longitude, 1e-6);
            EXPECT_NEAR(r.accelX, s.accelX, 1e-3);
            EXPECT_NEAR(r.accelY, s.accelY, 1e-3);
            EXPECT_NEAR(r.accelZ, s.accelZ, 1e-3);
            EXPECT_EQ(r.laneDeparture, s.laneDeparture);
            EXPECT_EQ(r.frontVehicle, s.frontVehicle);
            EXPECT_EQ(r.pedestrian, s.pedestrian);
            EXPECT_EQ(FormatFirmwareVersion(r.fwMajor, r.fwMinor, r.fwPatch), "1.2.05");
            EXPECT_EQ(r.deviceCode, 0x55);
            EXPECT_EQ(r.speedUnit, 0);
            EXPECT_EQ(r.signState, s.signState);
            EXPECT_EQ(r.signSpeed, s.signSpeed);
        }
    }
}

TEST(ScriptedTextsParse, JsonTextsParseWithEveryKey) {
    TelemetryScript script;
    for (int tenth = 0; tenth < 200; ++tenth) {
        SCOPED_TRACE(tenth);
        const DriveState s = recgen::DriveAt(script, tenth / 10.0);
        const std::string text = recgen::ScriptedText(script, TelemetryForm::Json, tenth);
        for (const std::string& t : {text, recgen::PadText(text, 400)}) {
            ASSERT_TRUE(IsDriverMonitorText(t.c_str()));
            DriverMonitorRecord r;
            ASSERT_TRUE(ParseDriverMonitorRecord(t.c_str(), r)) << t;
            EXPECT_EQ(r.model, "KOTR4");
            EXPECT_EQ(r.version, "1.0.3");
            EXPECT_EQ(r.serial, 40123);
            EXPECT_EQ(r.speedUnit, 0);
            EXPECT_EQ(r.speedSource, 1);
            EXPECT_EQ(r.speed, s.speed);
            // Raw units are whole 1/5000 g.
            EXPECT_NEAR(r.accelX, s.accelX, 1.0 / 5000);
            EXPECT_NEAR(r.accelY, s.accelY, 1.0 / 5000);
            EXPECT_NEAR(r.accelZ, s.accelZ, 1.0 / 5000);
            EXPECT_EQ(r.gpsFix, s.gpsFix > 1 ? 1 : 0) << "the map follows a JSON record when FIX is not 0";
            EXPECT_NEAR(r.latitude, s.latitude, 1e-6);
            EXPECT_NEAR(r.longitude, s.longitude, 1e-6);
            EXPECT_EQ(r.psr, s.psr);
            EXPECT_EQ(r.pfid, s.pfid);
            EXPECT_EQ(r.yaw, s.yaw);
            EXPECT_EQ(r.pitch, s.pitch);
            EXPECT_EQ(r.leftEye, s.leftEye);
            EXPECT_EQ(r.rightEye, s.rightEye);
            EXPECT_EQ(r.mouth, s.mouth);

            DriverMonitorRecord position;
            ASSERT_TRUE(ParseDriverMonitorPosition(t.c_str(), position));
            EXPECT_EQ(position.gpsFix, r.gpsFix);
            EXPECT_NEAR(position.latitude, s.latitude, 1e-6);
        }
    }
}

}  // namespace
