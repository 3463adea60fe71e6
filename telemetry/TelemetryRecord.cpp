#include "TelemetryRecord.h"

#include <cstdio>

bool ParseTelemetryRecord(const char* text, TelemetryRecord& record)
{
    record = TelemetryRecord{};
    if (!text || !*text)
        return false;
    record.speedUnit = 0;
    record.signState = 3;
    TelemetryRecord& r = record;
    std::sscanf(text, "%d,%d,%d,%d,%d/%d,%d,%d,%lf,%lf,%d/%f,%f,%f,%d,%d,%d,%d,%d,%d/%d.%d.%d,%d,%d,%d,%d,%d",
                &r.speed, &r.rpm, &r.leftSignal, &r.rightSignal, &r.brake,
                &r.reserved6, &r.gpsFix, &r.reserved8, &r.latitude, &r.longitude, &r.reserved11,
                &r.accelX, &r.accelY, &r.accelZ, &r.laneDeparture, &r.frontVehicle, &r.pedestrian,
                &r.reserved18, &r.reserved19, &r.reserved20,
                &r.fwMajor, &r.fwMinor, &r.fwPatch, &r.deviceCode, &r.speedUnit, &r.reserved26,
                &r.signState, &r.signSpeed);
    return r.speed >= 0 && r.rpm >= 0;
}

bool ParseTelemetryPosition(const char* text, TelemetryRecord& record)
{
    record = TelemetryRecord{};
    if (!text || !*text)
        return false;
    TelemetryRecord& r = record;
    std::sscanf(text, "%d,%d,%d,%d,%d/%d,%d,%d,%lf,%lf,%d/%f,%f,%f,%d,%d,%d,%d,%d,%d",
                &r.speed, &r.rpm, &r.leftSignal, &r.rightSignal, &r.brake,
                &r.reserved6, &r.gpsFix, &r.reserved8, &r.latitude, &r.longitude, &r.reserved11,
                &r.accelX, &r.accelY, &r.accelZ, &r.laneDeparture, &r.frontVehicle, &r.pedestrian,
                &r.reserved18, &r.reserved19, &r.reserved20);
    return true;
}

std::string FormatFirmwareVersion(std::int32_t major, std::int32_t minor, std::int32_t patch)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%02d", major, minor, patch);
    return buffer;
}
