// The JSON telemetry text of the driver-monitoring camera and its parsed
// record.
#pragma once

#include <cstdint>
#include <string>

// Members whose key a text lacks (or holds with another kind of value) keep
// these starting values.
struct DriverMonitorRecord {
    std::string model;
    std::string version;
    std::int32_t serial = 0;
    std::int32_t speedUnit = 0;  // 0 km/h, else mph
    std::int32_t speedSource = 0;
    std::int32_t speed = 0;
    double accelX = 0.0;  // g (the text's raw units / 5000)
    double accelY = 0.0;
    double accelZ = 0.0;
    std::int32_t gpsFix = 0;  // the map follows the vehicle when not 0
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t psr = 0;   // 0x2 phone call, 0x4 smoking
    std::int32_t pfid = 0;  // 0x4|0x8 distraction, 0x20|0x40 drowsiness, 0x400 yawning
    std::int32_t yaw = 0;
    std::int32_t pitch = 0;
    std::int32_t leftEye = 0;
    std::int32_t rightEye = 0;
    std::int32_t mouth = 0;
};

// True when the text's first character is "{": the driver-monitoring form.
bool IsDriverMonitorText(const char* text);

// Reads a JSON object into a fresh `record`. Keys are optional and matched
// exactly; nested keys count only inside their parent object; a value of the
// wrong kind is skipped like an absent key. Integer members need an integral
// number (cut to 32 bits); real members take either kind. Returns false for an
// empty text, a syntax error or a top-level value that is not an object.
bool ParseDriverMonitorRecord(const char* text, DriverMonitorRecord& record);

// As above, reading only "GPS" into gpsFix, latitude and longitude.
bool ParseDriverMonitorPosition(const char* text, DriverMonitorRecord& record);
