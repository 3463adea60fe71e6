// Cuts a clip out of a recording by stream copy: every video, the sound and the telemetry
// text track between two positions, without re-encoding, into an mp4. The clip begins at the
// keyframe of the first video at or before the start (a picture can only begin there) and its
// timestamps start at zero; the text track keeps its time base, so the telemetry stays keyed
// in tenths. Written under a temporary name beside the output and renamed when complete.
#pragma once

#include <functional>
#include <string>

// Called with the fraction done (0 to 1); returning false cancels the export.
using ClipProgress = std::function<bool(double fraction)>;

struct ClipResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;   // why it failed, naming the file at fault
  double start = 0.0;  // where in the recording the clip begins (the keyframe), seconds
};

ClipResult ExportClip(const std::string& recording, const std::string& out_path, double from_seconds,
                      double to_seconds, const ClipProgress& progress = {});
