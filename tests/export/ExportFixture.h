// A per-test folder and generated recordings for the export tests.
#pragma once

#include "RecordingGenerator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

class ExportFixture : public ::testing::Test {
protected:
  void SetUp() override
  {
    dir_ = std::filesystem::temp_directory_path() /
           ("tavro-export-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const recgen::RecordingSpec& spec)
  {
    const std::string path = (dir_ / name).string();
    EXPECT_EQ(recgen::WriteRecording(path, spec), 0) << name;
    return path;
  }
  // Names in the test folder, temporary files included.
  std::vector<std::string> Files() const
  {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static recgen::RecordingSpec Drive(recgen::TelemetryForm form, double seconds, double start = 0)
  {
    recgen::RecordingSpec spec;
    spec.durationSeconds = seconds;
    spec.videos = {{320, 180}, {160, 90}};
    spec.audio = true;
    spec.form = form;
    spec.script.startSeconds = start;
    return spec;
  }

  std::filesystem::path dir_;
};
