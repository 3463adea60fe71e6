#include "RecordingClock.h"

#include "TripNeighbours.h"

#include <cstdio>
#include <ctime>

std::string RecordingBaseName(std::string_view path)
{
  const auto slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0)
    name = name.substr(0, dot);
  return std::string(name);
}

std::optional<std::int64_t> RecordingStartUtc(std::string_view path)
{
  const std::optional<std::int64_t> civil = RecordingStartSeconds(RecordingBaseName(path));
  if (!civil)
    return std::nullopt;
  // The name's civil date and time as broken-down fields, then read in the local zone.
  const std::time_t as_utc = static_cast<std::time_t>(*civil);
  std::tm fields{};
  if (!gmtime_r(&as_utc, &fields))
    return std::nullopt;
  fields.tm_isdst = -1;  // mktime decides from the zone's rules
  const std::time_t utc = std::mktime(&fields);
  if (utc == static_cast<std::time_t>(-1))
    return std::nullopt;
  return static_cast<std::int64_t>(utc);
}

std::string FormatUtcTime(std::int64_t utc_seconds, std::int32_t tenths)
{
  const std::int64_t whole = utc_seconds + tenths / 10;
  const int tenth = tenths % 10;
  const std::time_t t = static_cast<std::time_t>(whole);
  std::tm fields{};
  gmtime_r(&t, &fields);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%dZ", fields.tm_year + 1900, fields.tm_mon + 1,
                fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec, tenth);
  return text;
}
