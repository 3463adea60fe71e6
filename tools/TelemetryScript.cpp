#include "TelemetryScript.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace recgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCycle = 20.0;
constexpr double kGravity = 9.81;

// A road through central Seoul, from Gwanghwamun south along Sejong-daero past City Hall
// and Seoul Station onto Hangang-daero. The vehicle drives it back and forth.
struct LatLon {
    double lat, lon;
};
constexpr std::array<LatLon, 8> kRoute = {{
    {37.5759200, 126.9768800},
    {37.5703100, 126.9767900},
    {37.5665400, 126.9779800},
    {37.5631000, 126.9767300},
    {37.5600600, 126.9751500},
    {37.5547100, 126.9707400},
    {37.5445800, 126.9724600},
    {37.5346100, 126.9700300},
}};

constexpr double kMetresPerDegreeLat = 111320.0;

double MetresPerDegreeLon(double lat) { return kMetresPerDegreeLat * std::cos(lat * kPi / 180.0); }

double SegmentLength(const LatLon& a, const LatLon& b) {
    const double dy = (b.lat - a.lat) * kMetresPerDegreeLat;
    const double dx = (b.lon - a.lon) * MetresPerDegreeLon(a.lat);
    return std::hypot(dx, dy);
}

double RouteLength() {
    double total = 0;
    for (std::size_t i = 1; i < kRoute.size(); ++i) total += SegmentLength(kRoute[i - 1], kRoute[i]);
    return total;
}

// Position and heading (degrees clockwise from north) after `metres` along the route,
// turning round at either end.
void PlaceOnRoute(double metres, DriveState& state) {
    const double length = RouteLength();
    double along = std::fmod(metres, 2 * length);
    bool back = false;
    if (along > length) {
        along = 2 * length - along;
        back = true;
    }
    for (std::size_t i = 1; i < kRoute.size(); ++i) {
        const LatLon& a = kRoute[i - 1];
        const LatLon& b = kRoute[i];
        const double segment = SegmentLength(a, b);
        if (along <= segment || i + 1 == kRoute.size()) {
            const double f = segment > 0 ? std::fmin(along / segment, 1.0) : 0.0;
            state.latitude = a.lat + (b.lat - a.lat) * f;
            state.longitude = a.lon + (b.lon - a.lon) * f;
            const double dy = (b.lat - a.lat) * kMetresPerDegreeLat;
            const double dx = (b.lon - a.lon) * MetresPerDegreeLon(a.lat);
            double heading = std::atan2(dx, dy) * 180.0 / kPi;
            if (back) heading += 180.0;
            state.heading = static_cast<int>(std::lround(std::fmod(heading + 360.0, 360.0))) % 360;
            return;
        }
        along -= segment;
    }
}

// The JSON form's "FIX" is 0 without a fix (the comma-separated form counts fix levels).
int JsonFix(int gpsFix) { return gpsFix > 1 ? 1 : 0; }

bool In(double c, double from, double to) { return c >= from && c < to; }

// Turn signals blink 0.4 s on, 0.4 s off.
int Blink(double c, double from) { return static_cast<int>(std::floor((c - from) / 0.4)) % 2 == 0 ? 1 : 0; }

}  // namespace

DriveState DriveAt(const TelemetryScript& script, double t) {
    DriveState s;
    const double c = std::fmod(std::fmod(t, kCycle) + kCycle, kCycle);
    const double w = 2 * kPi / kCycle;

    const double kmh = 50.0 + 20.0 * std::sin(w * t);
    const double dkmh = 20.0 * w * std::cos(w * t);  // km/h per second
    s.speed = static_cast<int>(std::lround(script.speedUnit == 0 ? kmh : kmh / 1.609344));
    s.rpm = static_cast<int>(std::lround(650.0 + 30.0 * kmh));
    s.brake = dkmh < -5.0 ? 1 : 0;
    if (In(c, 2, 5)) s.leftSignal = Blink(c, 2);
    if (In(c, 13, 16)) s.rightSignal = Blink(c, 13);

    // Distance: the integral of the speed, in metres.
    const double metres = (50.0 * t - 20.0 / w * (std::cos(w * t) - 1.0)) / 3.6;
    PlaceOnRoute(metres, s);
    s.gpsFix = In(c, 19.5, 20) ? 1 : 3;
    s.satellites = s.gpsFix > 1 ? 9 : 2;

    s.accelX = dkmh / 3.6 / kGravity;
    s.accelY = 0.12 * std::sin(2 * kPi * t / 7.0) + (In(c, 6, 7) || In(c, 17, 18) ? 0.08 : 0.0);
    s.accelZ = 0.96 + 0.03 * std::sin(2 * kPi * t / 0.9);

    if (In(c, 6, 7)) s.laneDeparture = 1;
    if (In(c, 17, 18)) s.laneDeparture = 2;

    if (In(c, 2, 6) || In(c, 11, 15)) s.frontVehicle = 5;
    else if (In(c, 6, 8)) s.frontVehicle = 4;
    else if (In(c, 8, 9)) s.frontVehicle = 3;
    else if (In(c, 9, 10)) s.frontVehicle = 1;
    else if (In(c, 10, 11)) s.frontVehicle = 2;

    if (In(c, 3, 4.5)) s.pedestrian = 1;
    if (In(c, 4.5, 5.5)) s.pedestrian = 3;

    if (In(c, 1, 5)) { s.signState = 0; s.signSpeed = 80; }
    else if (In(c, 5, 9)) { s.signState = 1; s.signSpeed = 60; }
    else if (In(c, 12, 16)) { s.signState = 0; s.signSpeed = 50; }

    if (In(c, 1, 3)) s.pfid = 0x20;
    else if (In(c, 3, 4)) s.pfid = 0x40;
    else if (In(c, 5, 6.5)) s.pfid = 0x4;
    else if (In(c, 6.5, 7.5)) s.pfid = 0x8;
    else if (In(c, 8.5, 9.5)) s.pfid = 0x400;
    else if (In(c, 10, 11)) s.pfid = 0x440;
    else if (In(c, 18.5, 19)) s.pfid = 0x1;
    if (In(c, 12, 14)) s.psr = 0x2;
    if (In(c, 15, 17)) s.psr = 0x4;
    if (s.pfid & 0x60) s.leftEye = s.rightEye = 0;
    if (s.pfid & 0x400) s.mouth = 1;
    s.yaw = static_cast<int>(std::lround(8.0 * std::sin(2 * kPi * t / 6.0) + (s.pfid & 0xC ? 25 : 0)));
    s.pitch = static_cast<int>(std::lround(-3.0 + 4.0 * std::sin(2 * kPi * t / 9.0) + (s.pfid & 0x60 ? -15 : 0)));
    return s;
}

std::string FormatCsvText(const DriveState& s, const TelemetryScript& script) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "%d,%d,%d,%d,%d/%d,%d,%d,%.7f,%.7f,%d/%.3f,%.3f,%.3f,%d,%d,%d,%d,%d,%d/%d.%d.%d,%d,%d,%d,%d,%d",
                  s.speed, s.rpm, s.leftSignal, s.rightSignal, s.brake,
                  0, s.gpsFix, s.satellites, s.latitude, s.longitude, s.heading,
                  s.accelX, s.accelY, s.accelZ, s.laneDeparture, s.frontVehicle, s.pedestrian, 0, 0, 0,
                  script.firmware[0], script.firmware[1], script.firmware[2], script.deviceCode, script.speedUnit, 0,
                  s.signState, s.signSpeed);
    return PadText(text, 80);
}

std::string FormatJsonText(const DriveState& s, const TelemetryScript& script) {
    const auto raw = [](double g) { return static_cast<int>(std::lround(g * 5000.0)); };
    char text[1024];
    std::snprintf(text, sizeof text,
                  "{\"MODEL\":\"%s\",\"VERSION\":\"%s\",\"SERIAL\":%d,\"SPEEDUNIT\":%d,\"SPEEDSOURCE\":1,"
                  "\"SPEED\":%d,\"GSENSOR\":{\"X\":%d,\"Y\":%d,\"Z\":%d},"
                  "\"GPS\":{\"FIX\":%d,\"LA\":%.7f,\"LO\":%.7f},"
                  "\"ALGO\":{\"PSR\":%d,\"PFID\":%d,\"YAW\":%d,\"PITCH\":%d,\"LEYE\":%d,\"REYE\":%d,\"MOUTH\":%d}}",
                  script.model.c_str(), script.version.c_str(), script.serial, script.speedUnit, s.speed,
                  raw(s.accelX), raw(s.accelY), raw(s.accelZ), JsonFix(s.gpsFix), s.latitude, s.longitude,
                  s.psr, s.pfid, s.yaw, s.pitch, s.leftEye, s.rightEye, s.mouth);
    return PadText(text, 80);
}

std::string ScriptedText(const TelemetryScript& script, TelemetryForm form, int tenth) {
    if (form == TelemetryForm::None) return {};
    const DriveState state = DriveAt(script, script.startSeconds + tenth / 10.0);
    return form == TelemetryForm::Csv ? FormatCsvText(state, script) : FormatJsonText(state, script);
}

std::string PadText(std::string text, std::size_t length) {
    if (text.size() < length) text.append(length - text.size(), ' ');
    return text;
}

}  // namespace recgen
