// CSV of recordings' telemetry: a header row naming the fields, then one row per tenth that
// has a readable text, every field of both telemetry forms (the other form's columns stay
// empty), with or without a GPS fix. Recordings follow each other in the given order.
#pragma once

#include "TelemetryScan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CsvRecording {
  std::string name;                       // first column of its rows
  std::optional<std::int64_t> start_utc;  // when the recording began; without it the time column is empty
  std::vector<TelemetryText> texts;
};

std::string CsvDocument(const std::vector<CsvRecording>& recordings);

// The header row's field names, in column order.
std::vector<std::string> CsvFieldNames();
