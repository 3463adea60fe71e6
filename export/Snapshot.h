// Snapshots: the picture of each camera at a position, decoded at the video's own size
// exactly as recorded (no zoom, no mirroring), saved as PNG with the recording's name, the
// position, the speed and the GPS fix in text chunks.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
  double seconds = 0.0;           // the picture's time in the recording
};

// Decodes the picture of video `camera` (0 the first, 1 the second) shown at `seconds`: the
// last one whose time is not after it. Seeks to the keyframe before and decodes forward.
// False with the reason in *error.
bool DecodePictureAt(const std::string& recording, int camera, double seconds, RgbPicture& picture,
                     std::string* error);

// PNG bytes of `picture` with a tEXt chunk per (keyword, text) pair (Latin-1 texts).
bool EncodePng(const RgbPicture& picture, const std::vector<std::pair<std::string, std::string>>& texts,
               std::string& png, std::string* error);

// "00:01:23.4" (separator ':') or "00-01-23.4" (separator '-', for file names).
std::string PositionText(double seconds, char separator);

struct SnapshotResult {
  bool ok = false;
  std::string error;
  std::vector<std::string> files;  // written, front camera first
};

// Saves "<prefix>_front.png" and, with a second camera, "<prefix>_rear.png". On failure
// nothing of this call is left behind.
SnapshotResult SaveSnapshots(const std::string& recording, double seconds, const std::string& prefix);
