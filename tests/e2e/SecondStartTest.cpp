// A second start of the real viewer that names a recording: it hands the file to the viewer
// that runs, which plays it, and goes away quietly, also after a crashed viewer left its
// socket behind. (A second start without a file shows the box: the instance guard's tests.)
#include "RecordingGenerator.h"
#include "TestPicture.h"
#include "ViewerProcess.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using e2e::WaitFor;

namespace {

constexpr const char* kAlreadyRunning = "TAVRO Viewer is alraedy running!!";

class SecondStart : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavro-second-start-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    for (const char* sub : {"first", "again", "runtime"}) fs::create_directories(dir_ / sub);
    fs::permissions(dir_ / "runtime", fs::perms::owner_all);
    // No drive of this machine may pass for a card: an empty mount table.
    std::ofstream(dir_ / "mountinfo").flush();
    // In a folder whose name is not UTF-8: the path travels as bytes.
    folder_ = dir_ / "caf\xE9";
    fs::create_directories(folder_);
    recgen::RecordingSpec spec;
    spec.durationSeconds = 60;
    spec.videos = {recgen::VideoSize{320, 180}};
    ASSERT_EQ(recgen::WriteRecording((folder_ / kRecording).string(), spec), 0);
  }
  void TearDown() override {
    for (e2e::ViewerProcess* viewer : {&first_, &second_}) viewer->Kill();
    fs::remove_all(dir_);
  }

  e2e::ViewerLaunch Launch(const fs::path& folder, std::vector<std::string> args = {}) const {
    return {.program = TAVRO_VIEWER_BIN,
            .args = std::move(args),
            .folder = folder,
            .runtime = dir_ / "runtime",
            .env = {"TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string()}};
  }

  // Starts `viewer` with no file and waits for its window.
  void StartFirst(e2e::ViewerProcess& viewer, const fs::path& folder) {
    ASSERT_NO_FATAL_FAILURE(viewer.Start(Launch(folder)));
    ASSERT_TRUE(viewer.WaitForWindow(1080, 645, &window_));
  }

  // A second start in the recording's folder, naming it by a relative path (the viewer that
  // runs has another working folder): it must end at once, with status 0 and no box.
  void HandOver() {
    ASSERT_NO_FATAL_FAILURE(second_.Start(Launch(folder_, {kRecording})));
    const auto status = second_.WaitForExit(20s);
    ASSERT_TRUE(status.has_value()) << "the second start did not end\n" << second_.Describe();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << second_.Describe();
    EXPECT_EQ(second_.Errors().find(kAlreadyRunning), std::string::npos) << "the second start showed the box";
  }

  // Whether the running viewer's front pane shows the recording's test picture.
  bool FirstPlays(e2e::ViewerProcess& viewer) {
    return WaitFor([&] {
      if (!viewer.Running()) return false;
      const QImage shot = e2e::Screenshot(dir_, "shot");
      if (shot.isNull()) return false;
      const e2e::Rect win = window_.rect;
      return recgen::ReadTestPicture(720, 405, [&](int x, int y) {
               const QRgb p = shot.pixel(win.x + x, win.y + 42 + y);
               return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
             }).valid;
    }, 20s);
  }

  static constexpr const char* kRecording = "20260101_120000_N.mp4";
  fs::path dir_;
  fs::path folder_;
  e2e::ShownWindow window_;
  e2e::ViewerProcess first_;
  e2e::ViewerProcess second_;
};

TEST_F(SecondStart, WithARecordingHandsItToTheRunningViewerWhichPlaysIt) {
  ASSERT_NO_FATAL_FAILURE(StartFirst(first_, dir_ / "first"));
  ASSERT_NO_FATAL_FAILURE(HandOver());
  EXPECT_TRUE(FirstPlays(first_)) << "the running viewer did not play the recording handed over\n"
                                  << first_.Describe();
  EXPECT_TRUE(first_.Running());
}

TEST_F(SecondStart, HandsOverAfterACrashedViewerLeftItsSocket) {
  e2e::ViewerProcess crashed;
  ASSERT_NO_FATAL_FAILURE(StartFirst(crashed, dir_ / "first"));
  const fs::path socket = dir_ / "runtime" / "VRANViewer.socket";
  ASSERT_TRUE(fs::exists(socket)) << "the viewer does not listen where a second start looks";
  crashed.Kill();  // SIGKILL: nothing is cleaned up
  ASSERT_TRUE(fs::exists(socket));

  ASSERT_NO_FATAL_FAILURE(StartFirst(first_, dir_ / "again"));
  ASSERT_NO_FATAL_FAILURE(HandOver());
  EXPECT_TRUE(FirstPlays(first_)) << "the viewer started after the crash did not take the recording\n"
                                  << first_.Describe();
}

}  // namespace
