#pragma once

#include <cstdint>
#include <string>

// One listed recording.
struct FileInfo {
  std::string name;  // file name without any folder
  // Length in bytes kept to its low 32 bits, read as signed: a recording of 2 GiB or more
  // shows a wrapped (possibly negative) value here.
  std::int32_t size = 0;

  bool operator==(const FileInfo&) const = default;
};
