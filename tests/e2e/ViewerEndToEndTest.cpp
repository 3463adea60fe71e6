// Starts the real viewer on a generated two-camera recording and checks, from screenshots of
// the test display, that it lays the window out, plays both cameras, pauses, seeks by a click
// on the seek slider, flips and switches the videos, and enters and leaves full screen.
#include "RecordingGenerator.h"
#include "TestPicture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kFps = 10;
constexpr double kDuration = 40.0;

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The visible top-level window of `pid` that has the main window's size, if any.
std::optional<Rect> FindWindow(pid_t pid, std::string* id_out = nullptr) {
  std::istringstream ids(Run("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  std::string id;
  std::optional<Rect> best;
  while (ids >> id) {
    std::istringstream geometry(Run("xdotool getwindowgeometry --shell " + id));
    Rect r;
    std::string line;
    while (std::getline(geometry, line)) {
      if (line.rfind("X=", 0) == 0) r.x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) r.y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) r.w = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) r.h = std::stoi(line.substr(7));
    }
    if (!best || r.w * r.h > best->w * best->h) {
      best = r;
      if (id_out) *id_out = id;
    }
  }
  return best;
}

QImage Screenshot(const std::string& name) {
  fs::create_directories(TAVRO_SCREENSHOT_DIR);
  const std::string path = std::string(TAVRO_SCREENSHOT_DIR) + "/" + name + ".png";
  Run("import -window root " + path + " 2>/dev/null");
  return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

recgen::TestPictureReading ReadPicture(const QImage& image, Rect area) {
  return recgen::ReadTestPicture(area.w, area.h, [&](int x, int y) {
    const QRgb p = image.pixel(area.x + x, area.y + y);
    return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
  });
}

QImage Crop(const QImage& image, Rect r) { return image.copy(r.x, r.y, r.w, r.h); }

void Click(int x, int y) {
  Run("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void Key(const std::string& window, const std::string& key) {
  Run("xdotool windowfocus --sync " + window + " 2>/dev/null; xdotool key " + key);
}

class ViewerEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavro-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "runtime");
    recording_ = (dir_ / "20260101_120000_N.mp4").string();
    recgen::RecordingSpec spec;
    spec.durationSeconds = kDuration;
    spec.videos = {recgen::VideoSize{640, 360}, recgen::VideoSize{640, 360}};
    spec.fps = kFps;
    spec.audio = true;
    ASSERT_EQ(recgen::WriteRecording(recording_, spec), 0);
    // No drive of this machine may pass for a card: an empty mount table.
    std::ofstream(dir_ / "mountinfo").flush();
  }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  void Start() { Start(recording_); }

  void Start(const std::string& recording) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("TAVRO_MESSAGE_BOX_STDERR=1");
    env.push_back("TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string());
    env.push_back("XDG_RUNTIME_DIR=" + (dir_ / "runtime").string());
    env.push_back("QT_QPA_PLATFORM=xcb");
    if (!std::getenv("SDL_AUDIODRIVER")) env.push_back("SDL_AUDIODRIVER=dummy");
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string bin = TAVRO_VIEWER_BIN;
    std::string file = recording;
    std::vector<char*> argv = {bin.data(), file.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string errors = (dir_ / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string cwd = dir_.string();
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    ASSERT_EQ(posix_spawn(&pid_, bin.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  // Waits until `done` holds, checking every 200 ms, for at most `limit`.
  template <class F>
  bool WaitFor(F done, std::chrono::milliseconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
      if (done()) return true;
      std::this_thread::sleep_for(200ms);
    }
    return done();
  }

  std::string Errors() const {
    std::ifstream in(dir_ / "stderr.txt");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
  std::string recording_;
  pid_t pid_ = -1;
};

TEST_F(ViewerEndToEnd, PlaysBothCamerasPausesSeeksAndGoesFullScreen) {
  Start();
  std::string window;
  std::optional<Rect> win;
  ASSERT_TRUE(WaitFor([&] { return (win = FindWindow(pid_, &window)) && win->w == 1080; }, 20s))
      << "no 1080 x 645 window appeared";
  EXPECT_EQ(win->w, 1080);
  EXPECT_EQ(win->h, 645);

  const Rect front{win->x + 0, win->y + 42, 720, 405};
  const Rect rearVideo{win->x + 720, win->y + 42 + 43, 360, 202};
  const Rect elapsed{win->x + 5, win->y + 447 + 2, 45, 15};

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
  Click(win->x + 50 + 310, win->y + 447 + 10);
  recgen::TestPictureReading afterSeek;
  const int64_t half = static_cast<int64_t>(kDuration * kFps / 2);
  EXPECT_TRUE(WaitFor([&] {
    afterSeek = ReadPicture(Screenshot("seeked"), front);
    return afterSeek.valid && afterSeek.frame >= half - 30 && afterSeek.frame <= half + 40;
  }, 6s)) << "after the click the front camera shows frame " << afterSeek.frame << ", expected about " << half;

  // The title bar's flip mirrors the front video; its switch exchanges the two cameras' panes.
  const Rect rearNow{win->x + 720, win->y + 85, 360, 202};
  Click(win->x + 806 + 23, win->y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const auto f = ReadPicture(Screenshot("flipped"), front);
    return f.valid && f.camera == 0 && f.mirrored;
  }, 5s)) << "flip did not mirror the front video";
  Click(win->x + 806 + 23, win->y + 21);
  Click(win->x + 853 + 23, win->y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const QImage swapped = Screenshot("switched");
    const auto f = ReadPicture(swapped, front);
    const auto r = ReadPicture(swapped, rearNow);
    return f.valid && f.camera == 1 && !f.mirrored && r.valid && r.camera == 0;
  }, 5s)) << "switch did not exchange the cameras";
  Click(win->x + 853 + 23, win->y + 21);
  EXPECT_TRUE(WaitFor([&] {
    const auto f = ReadPicture(Screenshot("switched-back"), front);
    return f.valid && f.camera == 0;
  }, 5s));

  // Enter while playing: the front video fills the screen.
  Key(window, "Return");
  QImage full;
  recgen::TestPictureReading fullReading;
  EXPECT_TRUE(WaitFor([&] {
    full = Screenshot("fullscreen");
    fullReading = ReadPicture(full, Rect{0, 0, full.width(), full.height()});
    return fullReading.valid && fullReading.camera == 0;
  }, 6s)) << "full screen does not show the front camera over the whole screen";

  // Escape three seconds later restores the layout.
  std::this_thread::sleep_for(3200ms);
  Key(window, "Escape");
  EXPECT_TRUE(WaitFor([&] {
    win = FindWindow(pid_);
    if (!win || win->w != 1080 || win->h != 645) return false;
    const QImage normal = Screenshot("restored");
    const auto f = ReadPicture(normal, Rect{win->x, win->y + 42, 720, 405});
    const auto r = ReadPicture(normal, Rect{win->x + 720, win->y + 85, 360, 202});
    return f.valid && f.camera == 0 && r.valid && r.camera == 1;
  }, 8s)) << "leaving full screen did not restore the layout";

  // The close button ends the program.
  Click(win->x + 1028 + 19, win->y + 21);
  int status = 0;
  EXPECT_TRUE(WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 10s)) << "close did not end the viewer";
  pid_ = -1;
}

TEST_F(ViewerEndToEnd, ARecordingThatCannotBeOpenedGivesTheMessageAndTheViewerCarriesOn) {
  const std::string corrupted = (dir_ / "corrupted.mp4").string();
  {
    std::ofstream junk(corrupted, std::ios::binary);
    uint32_t x = 12345;
    for (int i = 0; i < 64 * 1024; ++i) junk.put(static_cast<char>((x = x * 1103515245 + 12345) >> 24));
  }
  Start(corrupted);
  EXPECT_TRUE(WaitFor([&] { return Errors().find("The file is corrupted and connot be opened.") != std::string::npos; }, 20s))
      << Errors();
  std::optional<Rect> win;
  ASSERT_TRUE(WaitFor([&] { return (win = FindWindow(pid_)) && win->w == 1080; }, 10s));
  Click(win->x + 1028 + 19, win->y + 21);
  int status = 0;
  EXPECT_TRUE(WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 10s)) << "close did not end the viewer";
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
