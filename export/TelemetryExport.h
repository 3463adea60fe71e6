// Writes the telemetry of recordings, in the given order, to a GPX or CSV file. Every
// recording must open and carry a telemetry track; otherwise nothing is written.
#pragma once

#include "TelemetryScan.h"

#include <atomic>
#include <string>
#include <vector>

enum class TelemetryFormat { Gpx, Csv };

// False with the reason in *error (naming the file at fault); `cancel` (may be null) stops it.
bool ExportTelemetry(TelemetryFormat format, const std::string& out_path, const std::vector<std::string>& recordings,
                     std::string* error, const std::atomic<bool>* cancel = nullptr);

// The reason a scan gave for a recording, for messages ("cannot be opened as a recording").
std::string ScanFailureText(const std::string& path, ScanResult result);
