// When a recording's moments happened, in UTC. The camera names each recording after the
// date and time it began ("YYYYMMDD_HHMMSS_..."), read from its clock, which keeps the local
// time of the place it is set up in. That time is taken as local time of this machine's zone
// (the C library's, from TZ or /etc/localtime) and turned into UTC with mktime, which also
// decides whether daylight saving time applied.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Seconds since the Unix epoch (UTC) at which the recording at `path` began, or nullopt when
// its file name carries no start time.
std::optional<std::int64_t> RecordingStartUtc(std::string_view path);

// "2026-12-10T09:00:01.5Z": `utc_seconds` plus `tenths` tenths of a second.
std::string FormatUtcTime(std::int64_t utc_seconds, std::int32_t tenths);

// The file name of `path` without folder and extension.
std::string RecordingBaseName(std::string_view path);
