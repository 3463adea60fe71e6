#pragma once

#include <cstdint>
#include <string>

// One listed recording.
struct FileInfo {
  std::string name;  // file name without any folder
  std::uint64_t size = 0;  // length in bytes

  bool operator==(const FileInfo&) const = default;
};
