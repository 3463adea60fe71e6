#include "CsvWriter.h"

#include "DriverMonitorRecord.h"
#include "RecordingClock.h"
#include "TelemetryRecord.h"

#include <cstdio>

namespace {

// Leading columns, then the forward cameras' 28 fields, then the driver-monitoring fields.
const char* const kLeading[] = {"recording", "tick", "position_s", "time_utc", "form"};
const char* const kForward[] = {
    "speed",      "rpm",        "leftSignal", "rightSignal", "brake",         "reserved6",    "gpsFix",
    "reserved8",  "latitude",   "longitude",  "reserved11",  "accelX",        "accelY",       "accelZ",
    "laneDeparture", "frontVehicle", "pedestrian", "reserved18", "reserved19", "reserved20", "fwMajor",
    "fwMinor",    "fwPatch",    "deviceCode", "speedUnit",   "reserved26",    "signState",    "signSpeed"};
const char* const kDriver[] = {"dm_model",  "dm_version",  "dm_serial",    "dm_speedUnit", "dm_speedSource",
                               "dm_speed",  "dm_accelX",   "dm_accelY",    "dm_accelZ",    "dm_gpsFix",
                               "dm_latitude", "dm_longitude", "dm_psr",    "dm_pfid",      "dm_yaw",
                               "dm_pitch",  "dm_leftEye",  "dm_rightEye",  "dm_mouth"};

std::string Quoted(const std::string& text)
{
  if (text.find_first_of(",\"\r\n") == std::string::npos)
    return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"')
      out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Number(double value, const char* format)
{
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Int(std::int32_t value) { return std::to_string(value); }

void AppendForward(std::string& row, const TelemetryRecord& r)
{
  const std::string fields[] = {
      Int(r.speed),         Int(r.rpm),          Int(r.leftSignal),       Int(r.rightSignal),
      Int(r.brake),         Int(r.reserved6),    Int(r.gpsFix),           Int(r.reserved8),
      Number(r.latitude, "%.7f"), Number(r.longitude, "%.7f"), Int(r.reserved11),
      Number(r.accelX, "%.4f"), Number(r.accelY, "%.4f"), Number(r.accelZ, "%.4f"),
      Int(r.laneDeparture), Int(r.frontVehicle), Int(r.pedestrian),       Int(r.reserved18),
      Int(r.reserved19),    Int(r.reserved20),   Int(r.fwMajor),          Int(r.fwMinor),
      Int(r.fwPatch),       Int(r.deviceCode),   Int(r.speedUnit),        Int(r.reserved26),
      Int(r.signState),     Int(r.signSpeed)};
  for (const std::string& f : fields)
    row += "," + f;
}

void AppendDriver(std::string& row, const DriverMonitorRecord& d)
{
  const std::string fields[] = {
      Quoted(d.model),  Quoted(d.version), Int(d.serial),   Int(d.speedUnit), Int(d.speedSource),
      Int(d.speed),     Number(d.accelX, "%.4f"), Number(d.accelY, "%.4f"), Number(d.accelZ, "%.4f"),
      Int(d.gpsFix),    Number(d.latitude, "%.7f"), Number(d.longitude, "%.7f"), Int(d.psr),
      Int(d.pfid),      Int(d.yaw),        Int(d.pitch),    Int(d.leftEye),   Int(d.rightEye),
      Int(d.mouth)};
  for (const std::string& f : fields)
    row += "," + f;
}

}  // namespace

std::vector<std::string> CsvFieldNames()
{
  std::vector<std::string> names(std::begin(kLeading), std::end(kLeading));
  names.insert(names.end(), std::begin(kForward), std::end(kForward));
  names.insert(names.end(), std::begin(kDriver), std::end(kDriver));
  return names;
}

std::string CsvDocument(const std::vector<CsvRecording>& recordings)
{
  std::string out;
  const std::vector<std::string> names = CsvFieldNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    out += (i ? "," : "") + names[i];
  out += "\r\n";
  const std::string no_forward(std::size(kForward), ',');
  const std::string no_driver(std::size(kDriver), ',');
  for (const CsvRecording& recording : recordings) {
    for (const TelemetryText& t : recording.texts) {
      std::string row = Quoted(recording.name) + "," + Int(t.tick) + "," + Int(t.tick / 10) + "." +
                        Int(t.tick % 10) + ",";
      if (recording.start_utc)
        row += FormatUtcTime(*recording.start_utc, t.tick);
      if (IsDriverMonitorText(t.text.c_str())) {
        DriverMonitorRecord d;
        if (!ParseDriverMonitorRecord(t.text.c_str(), d))
          continue;
        row += ",json" + no_forward;
        AppendDriver(row, d);
      } else {
        TelemetryRecord r;
        if (!ParseTelemetryRecord(t.text.c_str(), r))
          continue;
        row += ",csv";
        AppendForward(row, r);
        row += no_driver;
      }
      out += row + "\r\n";
    }
  }
  return out;
}
