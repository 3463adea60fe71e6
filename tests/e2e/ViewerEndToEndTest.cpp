// Starts the real viewer on a generated two-camera recording and checks, from screenshots of
// the test display, that it lays the window out, plays both cameras, pauses, seeks by a click
// on the seek slider, flips and switches the videos, and enters and leaves full screen.
#include "RecordingGenerator.h"
#include "TestPicture.h"
#include "ViewerProcess.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using e2e::Click;
using e2e::Key;
using e2e::Rect;
using e2e::WaitFor;

namespace {

constexpr int kFps = 10;
constexpr double kDuration = 120.0;

QImage Screenshot(const std::string& name) { return e2e::Screenshot(TAVRO_SCREENSHOT_DIR, name); }

recgen::TestPictureReading ReadPicture(const QImage& image, Rect area) {
  return recgen::ReadTestPicture(area.w, area.h, [&](int x, int y) {
    const QRgb p = image.pixel(area.x + x, area.y + y);
    return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
  });
}

QImage Crop(const QImage& image, Rect r) { return image.copy(r.x, r.y, r.w, r.h); }

std::string WindowSize(const std::optional<e2e::ShownWindow>& window) {
  return window ? std::to_string(window->rect.w) + " x " + std::to_string(window->rect.h) : "none";
}

class ViewerEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavro-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // No drive of this machine may pass for a card: an empty mount table.
    std::ofstream(dir_ / "mountinfo").flush();
  }

  void TearDown() override {
    viewer_.Kill();
    fs::remove_all(dir_);
  }

  void Start(const std::string& recording) {
    viewer_.Start({.program = TAVRO_VIEWER_BIN,
                   .args = {recording},
                   .folder = dir_,
                   .env = {"TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string()}});
  }

  fs::path dir_;
  e2e::ViewerProcess viewer_;
};

TEST_F(ViewerEndToEnd, PlaysBothCamerasPausesSeeksAndGoesFullScreen) {
  // Long enough that it cannot end while a loaded machine walks through the steps below.
  const std::string recording = (dir_ / "20260101_120000_N.mp4").string();
  recgen::RecordingSpec spec;
  spec.durationSeconds = kDuration;
  spec.videos = {recgen::VideoSize{640, 360}, recgen::VideoSize{640, 360}};
  spec.fps = kFps;
  spec.audio = true;
  ASSERT_EQ(recgen::WriteRecording(recording, spec), 0);
  ASSERT_NO_FATAL_FAILURE(Start(recording));
  e2e::ShownWindow shown;
  ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &shown));
  const std::string window = shown.id;
  Rect win = shown.rect;

  const Rect front{win.x + 0, win.y + 42, 720, 405};
  const Rect rearVideo{win.x + 720, win.y + 42 + 43, 360, 202};
  const Rect elapsed{win.x + 5, win.y + 447 + 2, 45, 15};

  // Both cameras play in their panes.
  QImage shot;
  recgen::TestPictureReading first;
  ASSERT_TRUE(WaitFor([&] {
    shot = Screenshot("playing");
    first = ReadPicture(shot, front);
    return first.valid && first.frame > 5;
  }, 20s)) << "the front camera's picture never appeared in (0, 42, 720, 405)";
  EXPECT_EQ(first.camera, 0);
  const auto rear = ReadPicture(shot, rearVideo);
  EXPECT_TRUE(rear.valid) << "no second camera picture in the rear pane";
  EXPECT_EQ(rear.camera, 1);

  // Time moves: the picture and the elapsed label change.
  std::this_thread::sleep_for(1500ms);
  QImage later = Screenshot("playing-later");
  const auto second = ReadPicture(later, front);
  ASSERT_TRUE(second.valid);
  EXPECT_GT(second.frame, first.frame);
  EXPECT_NE(Crop(shot, elapsed), Crop(later, elapsed)) << "the elapsed label did not advance";

  // Space freezes the picture.
  Key(window, "space");
  std::this_thread::sleep_for(700ms);
  const auto pausedA = ReadPicture(Screenshot("paused"), front);
  std::this_thread::sleep_for(1200ms);
  const auto pausedB = ReadPicture(Screenshot("paused-later"), front);
  ASSERT_TRUE(pausedA.valid && pausedB.valid);
  EXPECT_EQ(pausedA.frame, pausedB.frame) << "Space did not pause";
  Key(window, "space");

  // A click at the middle of the seek slider moves playback to about half.
  Click(win.x + 50 + 310, win.y + 447 + 10);
  recgen::TestPictureReading afterSeek;
  const int64_t half = static_cast<int64_t>(kDuration * kFps / 2);
  EXPECT_TRUE(WaitFor([&] {
    afterSeek = ReadPicture(Screenshot("seeked"), front);
    return afterSeek.valid && afterSeek.frame >= half - 30 && afterSeek.frame <= half + 40;
  }, 6s)) << "after the click the front camera shows frame " << afterSeek.frame << ", expected about " << half;

  // The title bar's flip mirrors the front video; its switch exchanges the two cameras' panes.
  const Rect rearNow{win.x + 720, win.y + 85, 360, 202};
  Click(win.x + 806 + 23, win.y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const auto f = ReadPicture(Screenshot("flipped"), front);
    return f.valid && f.camera == 0 && f.mirrored;
  }, 5s)) << "flip did not mirror the front video";
  Click(win.x + 806 + 23, win.y + 21);
  Click(win.x + 853 + 23, win.y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const QImage swapped = Screenshot("switched");
    const auto f = ReadPicture(swapped, front);
    const auto r = ReadPicture(swapped, rearNow);
    return f.valid && f.camera == 1 && !f.mirrored && r.valid && r.camera == 0;
  }, 5s)) << "switch did not exchange the cameras";
  Click(win.x + 853 + 23, win.y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const auto f = ReadPicture(Screenshot("switched-back"), front);
    return f.valid && f.camera == 0;
  }, 5s));

  // Enter while playing: the front video fills the screen. (Each look reads the whole screen,
  // which takes a second or more on a loaded machine: the waits leave room for several.)
  Key(window, "Return");
  QImage full;
  recgen::TestPictureReading fullReading;
  EXPECT_TRUE(WaitFor([&] {
    full = Screenshot("fullscreen");
    fullReading = ReadPicture(full, Rect{0, 0, full.width(), full.height()});
    return fullReading.valid && fullReading.camera == 0;
  }, 15s)) << "full screen does not show the front camera over the whole screen (reading valid "
             << fullReading.valid << ", camera " << fullReading.camera << "; largest window "
             << WindowSize(viewer_.LargestWindow()) << ")";

  // Escape three seconds later restores the layout.
  std::this_thread::sleep_for(3200ms);
  Key(window, "Escape");
  EXPECT_TRUE(WaitFor([&] {
    const auto now = viewer_.LargestWindow();
    if (!now || now->rect.w != 1080 || now->rect.h != 645) return false;
    win = now->rect;
    const QImage normal = Screenshot("restored");
    const auto f = ReadPicture(normal, Rect{win.x, win.y + 42, 720, 405});
    const auto r = ReadPicture(normal, Rect{win.x + 720, win.y + 85, 360, 202});
    return f.valid && f.camera == 0 && r.valid && r.camera == 1;
  }, 15s)) << "leaving full screen did not restore the layout (largest window "
             << WindowSize(viewer_.LargestWindow()) << ")";

  // The close button ends the program.
  Click(win.x + 1028 + 19, win.y + 21);
  EXPECT_TRUE(viewer_.WaitForExit(10s).has_value()) << "close did not end the viewer";
}

TEST_F(ViewerEndToEnd, ARecordingThatCannotBeOpenedGivesTheMessageAndTheViewerCarriesOn) {
  const std::string corrupted = (dir_ / "corrupted.mp4").string();
  {
    std::ofstream junk(corrupted, std::ios::binary);
    uint32_t x = 12345;
    for (int i = 0; i < 64 * 1024; ++i) junk.put(static_cast<char>((x = x * 1103515245 + 12345) >> 24));
  }
  ASSERT_NO_FATAL_FAILURE(Start(corrupted));
  EXPECT_TRUE(WaitFor([&] {
    return viewer_.Errors().find("The file is corrupted and connot be opened.") != std::string::npos;
  }, e2e::kViewerStartLimit)) << viewer_.Describe();
  e2e::ShownWindow win;
  ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &win, 10s));
  Click(win.rect.x + 1028 + 19, win.rect.y + 21);
  const auto status = viewer_.WaitForExit(10s);
  ASSERT_TRUE(status.has_value()) << "close did not end the viewer";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

// A recording that stays in its opening for as long as the test likes: a FIFO that gets a
// few zero bytes at a time, so the opening keeps reading (and keeps asking whether to stop).
class TrickledRecording {
public:
  explicit TrickledRecording(const fs::path& path) : path_(path) {
    std::signal(SIGPIPE, SIG_IGN);  // the viewer closes its end when it stops the opening
    ok_ = mkfifo(path.c_str(), 0600) == 0;
    if (ok_) feeder_ = std::thread([this] { Feed(); });
  }
  ~TrickledRecording() {
    done_ = true;
    if (feeder_.joinable()) feeder_.join();
  }
  bool ok() const { return ok_; }
  // The viewer has the FIFO open: its opening is under way.
  bool opening() const { return opening_; }

private:
  void Feed() {
    int fd = -1;
    while (!done_ && (fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK)) < 0)
      std::this_thread::sleep_for(20ms);
    if (fd < 0) return;
    opening_ = true;
    const char zeros[16] = {};
    while (!done_ && ::write(fd, zeros, sizeof zeros) > 0) std::this_thread::sleep_for(20ms);
    ::close(fd);
  }

  fs::path path_;
  bool ok_ = false;
  std::atomic<bool> done_{false};
  std::atomic<bool> opening_{false};
  std::thread feeder_;
};

TEST_F(ViewerEndToEnd, ClosingWhileARecordingOpensEndsTheViewerWithoutAMessage) {
  TrickledRecording recording(dir_ / "20260101_120000_N.mp4");
  ASSERT_TRUE(recording.ok());
  ASSERT_NO_FATAL_FAILURE(Start((dir_ / "20260101_120000_N.mp4").string()));
  e2e::ShownWindow win;
  ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &win));
  ASSERT_TRUE(WaitFor([&] { return recording.opening(); }, 20s)) << "the viewer never began opening the recording";

  Click(win.rect.x + 1028 + 19, win.rect.y + 21);
  const auto status = viewer_.WaitForExit(20s);
  ASSERT_TRUE(status.has_value()) << "closing while a recording opens left the viewer running\n" << viewer_.Describe();
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
  EXPECT_EQ(viewer_.Errors().find("connot be opened"), std::string::npos)
      << "a message box came up while closing:\n" << viewer_.Errors();
}

}  // namespace
