#include "DriverMonitorRecord.h"

#include <boost/json.hpp>

namespace json = boost::json;

namespace {

// Parses without exceptions; null on any syntax error or a non-object.
const json::object* ParseObject(const char* text, json::value& storage)
{
    if (!text || !*text)
        return nullptr;
    json::error_code ec;
    storage = json::parse(text, ec);
    if (ec)
        return nullptr;
    return storage.if_object();
}

const json::object* Child(const json::object& parent, const char* key)
{
    const json::value* v = parent.if_contains(key);
    return v ? v->if_object() : nullptr;
}

void ReadString(const json::object& o, const char* key, std::string& out)
{
    if (const json::value* v = o.if_contains(key))
        if (const json::string* s = v->if_string())
            out.assign(s->data(), s->size());
}

// Integral numbers only; a real number is skipped. The value keeps its low
// 32 bits.
void ReadInt(const json::object& o, const char* key, std::int32_t& out)
{
    const json::value* v = o.if_contains(key);
    if (!v)
        return;
    if (const std::int64_t* i = v->if_int64())
        out = static_cast<std::int32_t>(*i);
    else if (const std::uint64_t* u = v->if_uint64())
        out = static_cast<std::int32_t>(*u);
}

void ReadReal(const json::object& o, const char* key, double& out)
{
    const json::value* v = o.if_contains(key);
    if (!v)
        return;
    if (const double* d = v->if_double())
        out = *d;
    else if (const std::int64_t* i = v->if_int64())
        out = static_cast<double>(*i);
    else if (const std::uint64_t* u = v->if_uint64())
        out = static_cast<double>(*u);
}

void ReadGps(const json::object& top, DriverMonitorRecord& r)
{
    if (const json::object* gps = Child(top, "GPS")) {
        ReadInt(*gps, "FIX", r.gpsFix);
        ReadReal(*gps, "LA", r.latitude);
        ReadReal(*gps, "LO", r.longitude);
    }
}

}  // namespace

bool IsDriverMonitorText(const char* text) { return text && text[0] == '{'; }

bool ParseDriverMonitorRecord(const char* text, DriverMonitorRecord& record)
{
    record = DriverMonitorRecord{};
    json::value storage;
    const json::object* top = ParseObject(text, storage);
    if (!top)
        return false;
    DriverMonitorRecord& r = record;
    ReadString(*top, "MODEL", r.model);
    ReadString(*top, "VERSION", r.version);
    ReadInt(*top, "SERIAL", r.serial);
    ReadInt(*top, "SPEEDUNIT", r.speedUnit);
    ReadInt(*top, "SPEEDSOURCE", r.speedSource);
    ReadInt(*top, "SPEED", r.speed);
    if (const json::object* g = Child(*top, "GSENSOR")) {
        ReadReal(*g, "X", r.accelX);
        ReadReal(*g, "Y", r.accelY);
        ReadReal(*g, "Z", r.accelZ);
    }
    ReadGps(*top, r);
    if (const json::object* a = Child(*top, "ALGO")) {
        ReadInt(*a, "PSR", r.psr);
        ReadInt(*a, "PFID", r.pfid);
        ReadInt(*a, "YAW", r.yaw);
        ReadInt(*a, "PITCH", r.pitch);
        ReadInt(*a, "LEYE", r.leftEye);
        ReadInt(*a, "REYE", r.rightEye);
        ReadInt(*a, "MOUTH", r.mouth);
    }
    // 5000 raw units are 1 g.
    r.accelX /= 5000.0;
    r.accelY /= 5000.0;
    r.accelZ /= 5000.0;
    return true;
}

bool ParseDriverMonitorPosition(const char* text, DriverMonitorRecord& record)
{
    record = DriverMonitorRecord{};
    json::value storage;
    const json::object* top = ParseObject(text, storage);
    if (!top)
        return false;
    ReadGps(*top, record);
    return true;
}
