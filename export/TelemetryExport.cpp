#include "TelemetryExport.h"

#include "CsvWriter.h"
#include "GpxWriter.h"
#include "RecordingClock.h"
#include "TemporaryOutput.h"

#include <filesystem>

std::string ScanFailureText(const std::string& path, ScanResult result)
{
  switch (result) {
    case ScanResult::NoTelemetry: return path + ": the recording has no telemetry track";
    case ScanResult::CannotOpen:
      return path + (std::filesystem::exists(path) ? ": cannot be opened as a recording" : ": no such file");
    case ScanResult::Cancelled: return "cancelled";
    case ScanResult::Complete: break;
  }
  return {};
}

bool ExportTelemetry(TelemetryFormat format, const std::string& out_path, const std::vector<std::string>& recordings,
                     std::string* error, const std::atomic<bool>* cancel)
{
  std::vector<GpxSegment> segments;
  std::vector<CsvRecording> tables;
  for (const std::string& path : recordings) {
    std::vector<TelemetryText> texts;
    double seconds = 0;
    const ScanResult result = ScanTelemetryTexts(path, texts, seconds, cancel);
    if (result != ScanResult::Complete) {
      *error = ScanFailureText(path, result);
      return false;
    }
    const std::string name = RecordingBaseName(path);
    const auto start = RecordingStartUtc(path);
    if (format == TelemetryFormat::Gpx) {
      GpxSegment segment{name, start, {}};
      segment.track.seconds = seconds;
      TrackPoint point;
      for (const TelemetryText& t : texts)
        if (TrackPointOfText(t.text, t.tick, point))
          segment.track.points.push_back(point);
      segments.push_back(std::move(segment));
    } else {
      tables.push_back(CsvRecording{name, start, std::move(texts)});
    }
  }
  const std::string contents = format == TelemetryFormat::Gpx ? GpxDocument(segments) : CsvDocument(tables);
  return WriteFileAtomically(out_path, contents, error);
}
