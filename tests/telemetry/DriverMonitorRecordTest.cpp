#include "DriverMonitorRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DriverMonitorRecord, FormIsDecidedByTheFirstCharacterOnly)
{
    struct Case {
        const char* text;
        bool json;
    };
    const Case cases[] = {
        {"{\"SPEED\":1}", true}, {"{", true}, {"{not json", true}, {" {\"SPEED\":1}", false},
        {"12,0,0,0,0/", false},  {"", false}, {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDriverMonitorText(c.text), c.json) << (c.text ? c.text : "(null)");
}

TEST(DriverMonitorRecord, FullRecord)
{
    const char* text =
        "{\"MODEL\":\"KOTR4\",\"VERSION\":\"2.0.11\",\"SERIAL\":123456,\"SPEEDUNIT\":1,\"SPEEDSOURCE\":2,"
        "\"SPEED\":64,\"GSENSOR\":{\"X\":5000,\"Y\":-500,\"Z\":0},"
        "\"GPS\":{\"FIX\":1,\"LA\":37.5,\"LO\":127},"
        "\"ALGO\":{\"PSR\":6,\"PFID\":1088,\"YAW\":-12,\"PITCH\":7,\"LEYE\":1,\"REYE\":2,\"MOUTH\":3},"
        "\"EXTRA\":[1,2,3]}";
    DriverMonitorRecord r;
    ASSERT_TRUE(ParseDriverMonitorRecord(text, r));
    EXPECT_EQ(r.model, "KOTR4");
    EXPECT_EQ(r.version, "2.0.11");
    EXPECT_EQ(r.serial, 123456);
    EXPECT_EQ(r.speedUnit, 1);
    EXPECT_EQ(r.speedSource, 2);
    EXPECT_EQ(r.speed, 64);
    EXPECT_DOUBLE_EQ(r.accelX, 1.0);
    EXPECT_DOUBLE_EQ(r.accelY, -0.1);
    EXPECT_DOUBLE_EQ(r.accelZ, 0.0);
    EXPECT_EQ(r.gpsFix, 1);
    EXPECT_DOUBLE_EQ(r.latitude, 37.5);
    EXPECT_DOUBLE_EQ(r.longitude, 127.0);  // an integer where a real is read
    EXPECT_EQ(r.psr, 6);
    EXPECT_EQ(r.pfid, 0x440);
    EXPECT_TRUE(r.pfid & 0x400);  // yawning
    EXPECT_TRUE(r.pfid & 0x40);   // drowsiness
    EXPECT_FALSE(r.pfid & 0xC);   // no distraction
    EXPECT_EQ(r.yaw, -12);
    EXPECT_EQ(r.pitch, 7);
    EXPECT_EQ(r.leftEye, 1);
    EXPECT_EQ(r.rightEye, 2);
    EXPECT_EQ(r.mouth, 3);
}

TEST(DriverMonitorRecord, TextsThatAreNotParsed)
{
    const char* const texts[] = {
        "",
        "{",
        "{\"SPEED\":10",
        "{\"SPEED\":10,}",
        "{\"SPEED\":10} trailing",
        "{'SPEED':10}",
        "[1,2]",
        "42",
        "\"text\"",
        "null",
        "12,0,0,0,0/0,0,0,0,0,0",
    };
    for (const char* text : texts) {
        DriverMonitorRecord r;
        EXPECT_FALSE(ParseDriverMonitorRecord(text, r)) << text;
        EXPECT_FALSE(ParseDriverMonitorPosition(text, r)) << text;
        EXPECT_EQ(r.speed, 0) << text;
    }
    DriverMonitorRecord r;
    EXPECT_FALSE(ParseDriverMonitorRecord(nullptr, r));
    EXPECT_FALSE(ParseDriverMonitorPosition(nullptr, r));
}

TEST(DriverMonitorRecord, ValuesOfTheWrongKindAreSkippedAndTheRestIsRead)
{
    struct Case {
        const char* name;
        const char* text;
        int speed, serial, gpsFix, pfid;
        double accelX, latitude;
        std::string model;
    };
    const Case cases[] = {
        {"real where an integer belongs", "{\"SPEED\":12.5,\"SERIAL\":7}", 0, 7, 0, 0, 0, 0, ""},
        {"integral real is still a real", "{\"SPEED\":12.0,\"SERIAL\":1e2}", 0, 0, 0, 0, 0, 0, ""},
        {"string where a number belongs", "{\"SPEED\":\"12\",\"GPS\":{\"FIX\":2,\"LA\":\"37\"}}", 0, 0, 2, 0, 0, 0, ""},
        {"parent of the wrong kind", "{\"GSENSOR\":5000,\"GPS\":[1],\"ALGO\":null,\"SPEED\":3}", 3, 0, 0, 0, 0, 0, ""},
        {"number where a string belongs", "{\"MODEL\":4,\"SPEED\":3}", 3, 0, 0, 0, 0, 0, ""},
        {"boolean and null", "{\"SPEED\":true,\"SERIAL\":null,\"ALGO\":{\"PFID\":false,\"PSR\":2}}", 0, 0, 0, 0, 0, 0, ""},
        {"real accepted as real", "{\"GSENSOR\":{\"X\":2500.0},\"GPS\":{\"LA\":-1.25e1}}", 0, 0, 0, 0, 0.5, -12.5, ""},
        {"nested keys only inside their parent", "{\"X\":5000,\"FIX\":3,\"PFID\":4,\"LA\":1}", 0, 0, 0, 0, 0, 0, ""},
        {"key names are upper case", "{\"speed\":5,\"Model\":\"KOTR4\",\"gps\":{\"FIX\":1}}", 0, 0, 0, 0, 0, 0, ""},
        {"integers keep their low 32 bits", "{\"SERIAL\":4294967297,\"SPEED\":18446744073709551615,\"ALGO\":{\"PFID\":-4294967296}}",
         -1, 1, 0, 0, 0, 0, ""},
        {"too large for any integer is a real", "{\"SERIAL\":99999999999999999999999,\"SPEED\":1}", 1, 0, 0, 0, 0, 0, ""},
        {"escapes in strings", "{\"MODEL\":\"K\\u004fTR4\\n\"}", 0, 0, 0, 0, 0, 0, "KOTR4\n"},
        {"empty object", "{}", 0, 0, 0, 0, 0, 0, ""},
        {"blanks around the object", " \t{\"SPEED\":9}\n ", 9, 0, 0, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        DriverMonitorRecord r;
        ASSERT_TRUE(ParseDriverMonitorRecord(c.text, r)) << c.name;
        EXPECT_EQ(r.speed, c.speed) << c.name;
        EXPECT_EQ(r.serial, c.serial) << c.name;
        EXPECT_EQ(r.gpsFix, c.gpsFix) << c.name;
        EXPECT_EQ(r.pfid, c.pfid) << c.name;
        EXPECT_DOUBLE_EQ(r.accelX, c.accelX) << c.name;
        EXPECT_DOUBLE_EQ(r.latitude, c.latitude) << c.name;
        EXPECT_EQ(r.model, c.model) << c.name;
    }
}

TEST(DriverMonitorRecord, HostileInputDoesNoHarm)
{
    const std::string deep = "{\"A\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    const std::string longString = "{\"MODEL\":\"" + std::string(1 << 20, 'x') + "\"}";
    const std::string texts[] = {
        deep,
        longString,
        "{\"SPEED\":1e999999}",
        "{\"SPEED\":-}",
        "{\"MODEL\":\"\xff\xfe\"}",
        std::string("{\"SPEED\":1}\0{", 13),
    };
    for (const std::string& text : texts) {
        DriverMonitorRecord r;
        ParseDriverMonitorRecord(text.c_str(), r);
        ParseDriverMonitorPosition(text.c_str(), r);
    }
    DriverMonitorRecord r;
    ASSERT_TRUE(ParseDriverMonitorRecord(longString.c_str(), r));
    EXPECT_EQ(r.model.size(), 1u << 20);
}

TEST(DriverMonitorRecord, PositionReadsOnlyTheGpsObject)
{
    DriverMonitorRecord r;
    ASSERT_TRUE(ParseDriverMonitorPosition(
        "{\"SPEED\":50,\"GSENSOR\":{\"X\":5000},\"GPS\":{\"FIX\":1,\"LA\":35.1,\"LO\":129.04}}", r));
    EXPECT_EQ(r.gpsFix, 1);
    EXPECT_DOUBLE_EQ(r.latitude, 35.1);
    EXPECT_DOUBLE_EQ(r.longitude, 129.04);
    EXPECT_EQ(r.speed, 0);
    EXPECT_DOUBLE_EQ(r.accelX, 0.0);

    ASSERT_TRUE(ParseDriverMonitorPosition("{\"GPS\":{\"FIX\":0.5,\"LA\":1,\"LO\":2}}", r));
    EXPECT_EQ(r.gpsFix, 0);
    EXPECT_DOUBLE_EQ(r.latitude, 1.0);
    EXPECT_DOUBLE_EQ(r.longitude, 2.0);
}

}  // namespace
