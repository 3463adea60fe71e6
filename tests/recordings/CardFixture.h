#pragma once
// Card trees and mount tables on disk for the card tests: a scratch folder that is also
// the working directory (Config.ini lands there), a fixture mount table with label links,
// and a host that records what the card logic asked of the main window.

#include "RecordingCards.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct FakeHost : RecordingCardsHost {
  std::vector<std::pair<RecordingKind, std::vector<FileInfo>>> shown;
  std::vector<std::string> titles;
  bool playing = false;
  int stops = 0;

  void ShowRecordings(RecordingKind kind, const std::vector<FileInfo>& list) override { shown.emplace_back(kind, list); }
  void ShowTitle(const std::string& name) override { titles.push_back(name); }
  bool IsPlaying() const override { return playing; }
  void StopPlayback() override
  {
    ++stops;
    playing = false;
  }
};

inline void MakeFile(const fs::path& file, std::uintmax_t size = 0)
{
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).close();
  if (size)
    fs::resize_file(file, size);  // sparse: large sizes cost nothing
}

inline std::vector<std::string> Names(const std::vector<FileInfo>& list)
{
  std::vector<std::string> names;
  for (const FileInfo& info : list)
    names.push_back(info.name);
  return names;
}

class CardTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    std::string pattern = (fs::temp_directory_path() / "cards-XXXXXX").string();
    root = mkdtemp(pattern.data());
    previous_cwd = fs::current_path();
    fs::current_path(root);
    fs::create_directories(root / "dev");
    fs::create_directories(root / "by-label");
    device_model = VRAN3;
  }
  void TearDown() override
  {
    fs::current_path(previous_cwd);
    fs::remove_all(root);
  }

  // Adds a mount at root/media/<name> whose device carries `label` (none: no label at all)
  // and returns its mount point; the card folder is created.
  std::string AddMount(const std::string& name, std::optional<std::string> label)
  {
    const fs::path point = root / "media" / name;
    fs::create_directories(point);
    const fs::path device = root / "dev" / ("sd" + std::to_string(++devices));
    MakeFile(device);
    if (label)
      fs::create_symlink(device, root / "by-label" / *label);
    table << devices + 100 << " 26 8:" << devices << " / " << point.string() << " rw,relatime - vfat "
          << device.string() << " rw\n";
    WriteTable();
    return point.string();
  }
  void RemoveMount(const std::string& point)
  {
    std::istringstream in(table.str());
    std::ostringstream kept;
    for (std::string line; std::getline(in, line);)
      if (line.find(" " + point + " ") == std::string::npos)
        kept << line << "\n";
    table.str(kept.str());
    table.seekp(0, std::ios::end);
    WriteTable();
  }
  void WriteTable() { std::ofstream(root / "mountinfo") << table.str(); }
  MountTable Mounts() const { return MountTable((root / "mountinfo").string(), (root / "by-label").string()); }

  std::string ConfigText() const
  {
    std::ifstream in(root / "Config.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path root;
  fs::path previous_cwd;
  std::ostringstream table;
  int devices = 0;
  RecordingState state;
  FakeHost host;
};
