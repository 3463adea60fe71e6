#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "TelemetryRecord.h"

#include <cstring>
#include <string>

namespace {

// Same bits, so that two NaNs read from the same text compare equal.
template <typename T>
bool Same(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace

void FuzzTelemetryText(const std::uint8_t* data, std::size_t size)
{
    // The engine hands the parsers NUL-terminated texts; an embedded NUL ends the text.
    const std::string text(reinterpret_cast<const char*>(data), size);

    TelemetryRecord full;
    const bool accepted = ParseTelemetryRecord(text.c_str(), full);
    FUZZ_CHECK(accepted == (full.speed >= 0 && full.rpm >= 0 && !text.empty() && text[0] != '\0'));

    TelemetryRecord position;
    const bool read = ParseTelemetryPosition(text.c_str(), position);
    FUZZ_CHECK(read == (text[0] != '\0'));

    // The map's read scans the same first three groups as the full read.
    FUZZ_CHECK(Same(full.speed, position.speed) && Same(full.rpm, position.rpm));
    FUZZ_CHECK(Same(full.leftSignal, position.leftSignal) && Same(full.rightSignal, position.rightSignal));
    FUZZ_CHECK(Same(full.brake, position.brake) && Same(full.gpsFix, position.gpsFix));
    FUZZ_CHECK(Same(full.latitude, position.latitude) && Same(full.longitude, position.longitude));
    FUZZ_CHECK(Same(full.accelX, position.accelX) && Same(full.accelY, position.accelY));
    FUZZ_CHECK(Same(full.accelZ, position.accelZ) && Same(full.laneDeparture, position.laneDeparture));
    FUZZ_CHECK(Same(full.frontVehicle, position.frontVehicle) && Same(full.pedestrian, position.pedestrian));

    // The version text is made from whatever the fields hold.
    const std::string version = FormatFirmwareVersion(full.fwMajor, full.fwMinor, full.fwPatch);
    FUZZ_CHECK(!version.empty() && version.size() < 48);
}
