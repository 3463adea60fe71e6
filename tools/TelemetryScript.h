// The scripted drive behind the generated telemetry texts. The drive repeats every
// 20 seconds (the GPS position keeps moving along its road):
//
//   seconds in cycle   forward cameras (comma-separated form)        driver monitoring (JSON form)
//   0 - 2              no vehicle ahead, no sign                    -
//   1 - 5              speed-limit sign 80 steady                   1-3 drowsiness 0x20, 3-4 drowsiness 0x40
//   2 - 5              left signal blinking, vehicle ahead green     -
//   3 - 4.5 / 4.5-5.5  pedestrian / pedestrian warning              5-6.5 distraction 0x4, 6.5-7.5 0x8
//   5 - 9              sign 60 blinking (over the limit)             8.5-9.5 yawning 0x400
//   6 - 7              left lane departure, vehicle ahead orange     10-11 yawning and drowsiness 0x440
//   8 - 11             vehicle ahead red (3, 1, 2), braking 8-12     12-14 phone call (PSR 0x2)
//   12 - 16            sign 50 steady, 13-16 right signal blinking   15-17 smoking (PSR 0x4)
//   17 - 18            right lane departure                          18.5-19 PFID exactly 1
//   19.5 - 20          no GPS fix (a short tunnel)                   same
//
// Speed swings between 30 and 70 km/h (50 + 20 sin(2 pi t / 20)); acceleration stays
// well within +-1 g on every axis.
#pragma once

#include <cstddef>
#include <string>

namespace recgen {

enum class TelemetryForm {
    None,  // no telemetry track
    Csv,   // the forward cameras' 28-field comma-separated record
    Json,  // the driver-monitoring camera's JSON record
};

struct TelemetryScript {
    double startSeconds = 0.0;  // where in the drive the recording begins
    int deviceCode = 0x92;      // field 24: 0x90-0x9F a VRAN3, 0x50-0x5F a VRAN2X
    int firmware[3] = {1, 2, 5};
    int speedUnit = 0;  // 0 km/h, otherwise mph (the speed is then written in mph)
    std::string model = "KOTR4";
    std::string version = "1.0.3";
    int serial = 40123;
};

// Everything the texts say at one moment, in the units of the comma-separated form.
struct DriveState {
    int speed = 0;  // in the script's speed unit
    int rpm = 0;
    int leftSignal = 0, rightSignal = 0, brake = 0;
    int gpsFix = 0, satellites = 0, heading = 0;  // fix 3 (3D) or 1 (none); the JSON "FIX" is 1 or 0
    double latitude = 0, longitude = 0;
    double accelX = 0, accelY = 0, accelZ = 0;  // g
    int laneDeparture = 0, frontVehicle = 0, pedestrian = 0;
    int signState = 3, signSpeed = 0;
    int psr = 0, pfid = 0, yaw = 0, pitch = 0, leftEye = 1, rightEye = 1, mouth = 0;
};

DriveState DriveAt(const TelemetryScript& script, double seconds);

// The two forms of one moment. Both are at least 80 bytes long.
std::string FormatCsvText(const DriveState& state, const TelemetryScript& script);
std::string FormatJsonText(const DriveState& state, const TelemetryScript& script);

// The text for tenth `tenth` of a recording: the drive at startSeconds + tenth / 10.
// Empty for TelemetryForm::None.
std::string ScriptedText(const TelemetryScript& script, TelemetryForm form, int tenth);

// Pads a text with trailing blanks to `length` bytes (longer texts are left as they are).
// Both parsers ignore trailing blanks, so a padded text still parses to the same record.
std::string PadText(std::string text, std::size_t length);

}  // namespace recgen
