#pragma once

#include <optional>
#include <string>
#include <vector>

// One line of the kernel's mount table.
struct MountEntry {
  int mount_id = 0;
  std::string mount_point;  // unescaped: "\040" is a space again
  std::string source;       // the mounted device (or a pseudo name such as "proc")
  std::string fstype;
};

// The mounted filesystems and their labels. A mounted filesystem plays the part of a
// drive: its mount point is the drive root and its filesystem label the volume label.
//
// Both inputs can be pointed elsewhere, for tests: by the constructor arguments, or, when
// an argument is empty, by the environment (so that a whole program can be run against a
// fixture table):
//   TAVRO_MOUNTINFO      the mount table file       (default /proc/self/mountinfo)
//   TAVRO_DISK_BY_LABEL  the folder of label links  (default /dev/disk/by-label)
class MountTable {
public:
  static constexpr const char* kDefaultMountInfo = "/proc/self/mountinfo";
  static constexpr const char* kDefaultByLabel = "/dev/disk/by-label";

  explicit MountTable(std::string mountinfo_path = {}, std::string by_label_dir = {});

  const std::string& mountinfo_path() const { return mountinfo_path_; }
  const std::string& by_label_dir() const { return by_label_dir_; }

  // The mounted filesystems in table order; nullopt when the table cannot be read.
  std::optional<std::vector<MountEntry>> Read() const;

  // The filesystem label of a mounted source device: the label link in the by-label
  // folder that points at the device, else what libblkid finds on the device itself.
  // nullopt when the device has no label or cannot be read.
  std::optional<std::string> Label(const MountEntry& entry) const;

  // The label of the filesystem visible at a mount point (the last mount on it wins,
  // as it hides the earlier ones); nullopt when nothing is mounted there.
  std::optional<std::string> LabelOf(const std::string& mount_point) const;

  // Parses one mountinfo line; nullopt for a malformed line.
  static std::optional<MountEntry> ParseLine(const std::string& line);

  // Undoes the kernel's octal escapes ("\040" space, "\011" tab, "\012" newline, "\134" backslash).
  static std::string UnescapeOctal(const std::string& text);

  // Undoes udev's "\xHH" escapes in the names of label links.
  static std::string UnescapeHex(const std::string& text);

private:
  std::optional<std::string> LabelFromLinks(const std::string& source) const;
  static std::optional<std::string> LabelFromProbe(const std::string& source);

  std::string mountinfo_path_;
  std::string by_label_dir_;
};
