#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "DriverMonitorRecord.h"

#include <cstring>
#include <string>

namespace {

template <typename T>
bool Same(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace

void FuzzDriverMonitorText(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    FUZZ_CHECK(IsDriverMonitorText(text.c_str()) == (!text.empty() && text[0] == '{'));

    DriverMonitorRecord full;
    const bool accepted = ParseDriverMonitorRecord(text.c_str(), full);
    DriverMonitorRecord position;
    const bool read = ParseDriverMonitorPosition(text.c_str(), position);

    // Both reads accept the same texts and agree on the GPS object.
    FUZZ_CHECK(accepted == read);
    FUZZ_CHECK(Same(full.gpsFix, position.gpsFix));
    FUZZ_CHECK(Same(full.latitude, position.latitude) && Same(full.longitude, position.longitude));
    if (!accepted) {
        // A rejected text leaves the starting values.
        const DriverMonitorRecord fresh;
        FUZZ_CHECK(full.model.empty() && full.version.empty());
        FUZZ_CHECK(full.speed == fresh.speed && full.serial == fresh.serial && full.pfid == fresh.pfid);
    }
}
