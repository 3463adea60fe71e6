// The comma-separated telemetry text of the forward driver-assistance cameras
// and its parsed record.
#pragma once

#include <cstdint>
#include <string>

// Members a text does not reach keep these starting values. speed and rpm
// start negative so that a text that does not even carry them is rejected;
// speedUnit (km/h) and signState (no sign) start as the parser presets them.
struct TelemetryRecord {
    // group 1
    std::int32_t speed = -1;
    std::int32_t rpm = -1;
    std::int32_t leftSignal = 0;   // 1 = on
    std::int32_t rightSignal = 0;  // 1 = on
    std::int32_t brake = 0;        // 1 = pressed
    // group 2
    std::int32_t reserved6 = 0;
    std::int32_t gpsFix = 0;  // the map follows the vehicle above 1
    std::int32_t reserved8 = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t reserved11 = 0;
    // group 3
    float accelX = 0.0f;  // g
    float accelY = 0.0f;
    float accelZ = 0.0f;
    std::int32_t laneDeparture = 0;  // 0 none, 1 left, 2 right
    std::int32_t frontVehicle = 0;   // 1-3 red, 4 orange, 5 green, else none
    std::int32_t pedestrian = 0;     // 1 pedestrian, 3 warning, else none
    std::int32_t reserved18 = 0;
    std::int32_t reserved19 = 0;
    std::int32_t reserved20 = 0;
    // group 4
    std::int32_t fwMajor = 0;
    std::int32_t fwMinor = 0;
    std::int32_t fwPatch = 0;
    std::int32_t deviceCode = 0;  // 0x90-0x9F VRAN3, 0x50-0x5F VRAN2X
    std::int32_t speedUnit = 0;   // 0 km/h, else mph
    std::int32_t reserved26 = 0;
    std::int32_t signState = 3;   // 3 no sign, 0 steady, else blinking
    std::int32_t signSpeed = 0;

    // fwMajor.fwMinor.fwPatch, filled only by whoever shows the device version.
    std::string versionText;
};

// Reads all 28 fields into a fresh `record`. Scanning stops at the first
// character that does not fit; later fields keep their starting values.
// Returns whether the record is accepted: a non-empty text with speed and rpm
// not negative.
bool ParseTelemetryRecord(const char* text, TelemetryRecord& record);

// Reads fields 1 to 20 (groups 1 to 3) into a fresh `record`, for the map;
// a fourth group may follow and is not read. Returns false only for an empty
// text.
bool ParseTelemetryPosition(const char* text, TelemetryRecord& record);

// "%d.%d.%02d": 1, 2, 5 give "1.2.05".
std::string FormatFirmwareVersion(std::int32_t major, std::int32_t minor, std::int32_t patch);
