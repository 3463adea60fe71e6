#include "TelemetryRecord.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

constexpr const char* kFull =
    "87,2450,1,0,1/6,3,8,37.566535,126.977969,11/0.125,-0.5,1.0,2,4,3,18,19,20/1.2.5,145,1,26,2,80";

TEST(TelemetryRecord, FullTextFillsEveryFieldInOrder)
{
    TelemetryRecord r;
    ASSERT_TRUE(ParseTelemetryRecord(kFull, r));
    EXPECT_EQ(r.speed, 87);
    EXPECT_EQ(r.rpm, 2450);
    EXPECT_EQ(r.leftSignal, 1);
    EXPECT_EQ(r.rightSignal, 0);
    EXPECT_EQ(r.brake, 1);
    EXPECT_EQ(r.reserved6, 6);
    EXPECT_EQ(r.gpsFix, 3);
    EXPECT_EQ(r.reserved8, 8);
    EXPECT_DOUBLE_EQ(r.latitude, 37.566535);
    EXPECT_DOUBLE_EQ(r.longitude, 126.977969);
    EXPECT_EQ(r.reserved11, 11);
    EXPECT_FLOAT_EQ(r.accelX, 0.125f);
    EXPECT_FLOAT_EQ(r.accelY, -0.5f);
    EXPECT_FLOAT_EQ(r.accelZ, 1.0f);
    EXPECT_EQ(r.laneDeparture, 2);
    EXPECT_EQ(r.frontVehicle, 4);
    EXPECT_EQ(r.pedestrian, 3);
    EXPECT_EQ(r.reserved18, 18);
    EXPECT_EQ(r.reserved19, 19);
    EXPECT_EQ(r.reserved20, 20);
    EXPECT_EQ(r.fwMajor, 1);
    EXPECT_EQ(r.fwMinor, 2);
    EXPECT_EQ(r.fwPatch, 5);
    EXPECT_EQ(r.deviceCode, 145);
    EXPECT_EQ(r.speedUnit, 1);
    EXPECT_EQ(r.reserved26, 26);
    EXPECT_EQ(r.signState, 2);
    EXPECT_EQ(r.signSpeed, 80);
    EXPECT_TRUE(r.versionText.empty());
}

struct Case {
    const char* name;
    const char* text;
    bool accepted;
    int speed, rpm, rightSignal, gpsFix, speedUnit, signState, signSpeed;
};

TEST(TelemetryRecord, ShortWrongAndOddTexts)
{
    const Case cases[] = {
        {"ends after group 3", "50,900,0,1,0/0,2,0,1.5,2.5,0/0.1,0.2,0.3,0,0,0,0,0,0", true, 50, 900, 1, 2, 0, 3, 0},
        {"group 4 cut after the device code", "50,900,0,1,0/0,2,0,1.5,2.5,0/0.1,0.2,0.3,0,0,0,0,0,0/1.0.3,80", true,
         50, 900, 1, 2, 0, 3, 0},
        {"negative speed", "-1,900,0,0,0/0,2,0,0,0,0/0,0,0,0,0,0,0,0,0/1.0.3,80,1,0,0,50", false, -1, 900, 0, 2, 1, 0, 50},
        {"negative rpm", "10,-5,0,0,0/0,2,0,0,0,0/0,0,0,0,0,0,0,0,0/1.0.3,80,1,0,0,50", false, 10, -5, 0, 2, 1, 0, 50},
        {"zero speed and rpm", "0,0", true, 0, 0, 0, 0, 0, 3, 0},
        {"speed only", "10", false, 10, -1, 0, 0, 0, 3, 0},
        {"no number at all", "hello", false, -1, -1, 0, 0, 0, 3, 0},
        {"a blank before '{'", " {\"SPEED\":1}", false, -1, -1, 0, 0, 0, 3, 0},
        {"wrong separator stops the scan", "10,20,1;1,1/0,2", true, 10, 20, 0, 0, 0, 3, 0},
        {"'/' where ',' belongs", "10,20,1,1,1,0,2", true, 10, 20, 1, 0, 0, 3, 0},
        {"blanks before numbers are skipped", " 10, 20, 1, 1, 1/ 0, 2", true, 10, 20, 1, 2, 0, 3, 0},
        {"values outside the known sets", "1,1,9,9,9/0,0,0,0,0,0/0,0,0,7,9,9,0,0,0/0.0.0,0,5,0,9,35", true, 1, 1, 9, 0,
         5, 9, 35},
        {"huge numbers do no harm", "99999999999999999999999,1", false, -1, 1, 0, 0, 0, 3, 0},
    };
    for (const Case& c : cases) {
        TelemetryRecord r;
        bool accepted = ParseTelemetryRecord(c.text, r);
        EXPECT_EQ(accepted, c.accepted) << c.name;
        if (std::string(c.name) == "huge numbers do no harm")
            continue;  // the saturated value is the C library's business
        EXPECT_EQ(r.speed, c.speed) << c.name;
        EXPECT_EQ(r.rpm, c.rpm) << c.name;
        EXPECT_EQ(r.rightSignal, c.rightSignal) << c.name;
        EXPECT_EQ(r.gpsFix, c.gpsFix) << c.name;
        EXPECT_EQ(r.speedUnit, c.speedUnit) << c.name;
        EXPECT_EQ(r.signState, c.signState) << c.name;
        EXPECT_EQ(r.signSpeed, c.signSpeed) << c.name;
    }
}

TEST(TelemetryRecord, EmptyTextIsNotParsedAndAnOldRecordDoesNotLeakIn)
{
    TelemetryRecord r;
    ASSERT_TRUE(ParseTelemetryRecord(kFull, r));
    EXPECT_FALSE(ParseTelemetryRecord("", r));
    EXPECT_FALSE(ParseTelemetryRecord(nullptr, r));
    // A short text after a full one starts from the defined values, not the last record.
    ASSERT_TRUE(ParseTelemetryRecord("5,6", r));
    EXPECT_EQ(r.gpsFix, 0);
    EXPECT_EQ(r.signSpeed, 0);
    EXPECT_EQ(r.signState, 3);
    EXPECT_EQ(r.speedUnit, 0);
}

TEST(TelemetryRecord, PositionReadsGroupsOneToThreeOnly)
{
    TelemetryRecord r;
    ASSERT_TRUE(ParseTelemetryPosition(kFull, r));
    EXPECT_EQ(r.speed, 87);
    EXPECT_EQ(r.gpsFix, 3);
    EXPECT_DOUBLE_EQ(r.latitude, 37.566535);
    EXPECT_DOUBLE_EQ(r.longitude, 126.977969);
    EXPECT_EQ(r.reserved20, 20);
    EXPECT_EQ(r.fwMajor, 0);  // group 4 is not read
    EXPECT_EQ(r.speedUnit, 0);
    EXPECT_EQ(r.signSpeed, 0);

    ASSERT_TRUE(ParseTelemetryPosition("-1,-1,0,0,0/0,2,0,-33.5,151.25,0", r));  // no acceptance test
    EXPECT_EQ(r.gpsFix, 2);
    EXPECT_DOUBLE_EQ(r.latitude, -33.5);
    EXPECT_DOUBLE_EQ(r.longitude, 151.25);

    ASSERT_TRUE(ParseTelemetryPosition("junk", r));
    EXPECT_EQ(r.gpsFix, 0);
    EXPECT_FALSE(ParseTelemetryPosition("", r));
}

TEST(TelemetryRecord, FirmwareVersionText)
{
    struct VersionCase {
        int major, minor, patch;
        const char* text;
    };
    const VersionCase cases[] = {
        {1, 2, 5, "1.2.05"},
        {1, 2, 123, "1.2.123"},
        {0, 0, 0, "0.0.00"},
        {10, 20, 30, "10.20.30"},
        {-1, 2, -3, "-1.2.-3"},
        {INT_MIN, INT_MIN, INT_MIN, "-2147483648.-2147483648.-2147483648"},
    };
    for (const VersionCase& c : cases)
        EXPECT_EQ(FormatFirmwareVersion(c.major, c.minor, c.patch), c.text);
}

}  // namespace
