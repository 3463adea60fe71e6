// tavro-scan-bench: times the telemetry scan of generated dual-camera recordings (front
// 1920x1080, rear 1280x720, 30 fps, sound and telemetry), as a user's card holds them.
//
//   tavro-scan-bench [--minutes M]... [--runs N] [--dir DIR]
//
// Default: 1 and 10 minutes, 5 runs each; prints the median, minimum and maximum wall time and
// the points found. The recordings are written once into DIR (default: a temporary folder)
// and kept there for later runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "RecordingGenerator.h"
#include "TelemetryScan.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  av_log_set_level(AV_LOG_ERROR);
  std::vector<double> minutes;
  int runs = 5;
  fs::path dir = fs::temp_directory_path() / "tavro-scan-bench";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--minutes" && i + 1 < argc) minutes.push_back(std::atof(argv[++i]));
    else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--dir" && i + 1 < argc) dir = argv[++i];
    else {
      std::fprintf(stderr, "usage: tavro-scan-bench [--minutes M]... [--runs N] [--dir DIR]\n");
      return 2;
    }
  }
  if (minutes.empty()) minutes = {1, 10};
  fs::create_directories(dir);
  std::printf("%-10s %8s %10s %10s %10s\n", "recording", "points", "median ms", "min ms", "max ms");
  for (double m : minutes) {
    const fs::path path = dir / ("scan_" + std::to_string(static_cast<int>(m * 60)) + "s_N.mp4");
    if (!fs::exists(path)) {
      recgen::RecordingSpec spec;
      spec.durationSeconds = m * 60;
      spec.videos = {{1920, 1080}, {1280, 720}};
      spec.fps = 30;
      spec.gopFrames = 30;
      spec.audio = true;
      if (recgen::WriteRecording(path, spec) != 0) {
        std::fprintf(stderr, "tavro-scan-bench: cannot write %s\n", path.c_str());
        return 1;
      }
    }
    std::vector<double> ms;
    TelemetryTrack track;
    for (int r = 0; r < runs; ++r) {
      const auto start = std::chrono::steady_clock::now();
      if (ScanTelemetry(path, track) != ScanResult::Complete) {
        std::fprintf(stderr, "tavro-scan-bench: scan of %s failed\n", path.c_str());
        return 1;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%6.1f min %8zu %10.1f %10.1f %10.1f\n", m, track.points.size(), ms[ms.size() / 2], ms.front(), ms.back());
  }
  return 0;
}
