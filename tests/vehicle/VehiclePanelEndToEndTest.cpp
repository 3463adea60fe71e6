// Starts the real viewer on a generated recording with scripted telemetry and reads the vehicle
// panel from screenshots of the test display: its speed digits follow the script at the time
// the front video shows, and the acceleration graph moves.
#include "RecordingGenerator.h"
#include "TelemetryScript.h"
#include "TestPicture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
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
constexpr double kDuration = 30.0;

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

// Top-left corner of the viewer's 1080 x 645 window, once it is visible.
std::optional<QPoint> FindMainWindow(pid_t pid) {
  std::istringstream ids(Run("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  std::string id;
  while (ids >> id) {
    std::istringstream geometry(Run("xdotool getwindowgeometry --shell " + id));
    int x = 0, y = 0, w = 0, h = 0;
    std::string line;
    while (std::getline(geometry, line)) {
      if (line.rfind("X=", 0) == 0) x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) w = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) h = std::stoi(line.substr(7));
    }
    if (w == 1080 && h == 645) return QPoint(x, y);
  }
  return std::nullopt;
}

QImage Screenshot(const std::string& name) {
  fs::create_directories(VEHICLE_SHOT_DIR);
  const std::string path = std::string(VEHICLE_SHOT_DIR) + "/" + name + ".png";
  Run("import -window root " + path + " 2>/dev/null");
  return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// The large digit (0-9) that rectangle r of the panel shows: the digit image, drawn over the
// panel background, that differs least from the screenshot.
int ReadDigit(const QImage& panel, const QRect& r) {
  const QImage background(QStringLiteral(":/png/171.png"));
  int best = -1;
  long bestDistance = LONG_MAX;
  for (int digit = 0; digit <= 9; ++digit) {
    QImage expected = background.convertToFormat(QImage::Format_RGB32);
    QPainter(&expected).drawImage(r, QImage(QStringLiteral(":/png/%1.png").arg(180 + digit)));
    long distance = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QRgb a = panel.pixel(x, y), b = expected.pixel(x, y);
        distance += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
      }
    if (distance < bestDistance) {
      bestDistance = distance;
      best = digit;
    }
  }
  return best;
}

int ReadSpeed(const QImage& panel) {
  return 100 * ReadDigit(panel, QRect(22, 90, 11, 18)) + 10 * ReadDigit(panel, QRect(33, 90, 11, 18)) +
         ReadDigit(panel, QRect(44, 90, 11, 18));
}

int64_t ReadFrame(const QImage& shot, const QRect& area) {
  const auto reading = recgen::ReadTestPicture(area.width(), area.height(), [&](int x, int y) {
    const QRgb p = shot.pixel(area.x() + x, area.y() + y);
    return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
  });
  return reading.valid ? reading.frame : -1;
}

class VehiclePanelEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavro-vehicle-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "runtime");
    recording_ = (dir_ / "20260101_120000_N.mp4").string();
    spec_.durationSeconds = kDuration;
    spec_.videos = {recgen::VideoSize{640, 360}};
    spec_.fps = kFps;
    spec_.form = recgen::TelemetryForm::Csv;
    ASSERT_EQ(recgen::WriteRecording(recording_, spec_), 0);
    std::ofstream(dir_ / "mountinfo").flush();  // no drive of this machine passes for a card
  }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  void Start() {
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
    std::vector<char*> argv = {bin.data(), recording_.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string cwd = dir_.string();
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    ASSERT_EQ(posix_spawn(&pid_, bin.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  // Whether the script gives `speed` at some tenth within 0.3 s of video frame `frame`.
  bool ScriptedNear(int speed, int64_t frame) const {
    for (int64_t tenth = frame - 3; tenth <= frame + 3; ++tenth)
      if (tenth >= 0 && recgen::DriveAt(spec_.script, tenth / 10.0).speed == speed) return true;
    return false;
  }

  fs::path dir_;
  std::string recording_;
  recgen::RecordingSpec spec_;
  pid_t pid_ = -1;
};

TEST_F(VehiclePanelEndToEnd, DigitsFollowTheScriptAndTheGraphMoves) {
  Start();
  std::optional<QPoint> origin;
  for (int i = 0; i < 100 && !(origin = FindMainWindow(pid_)); ++i) std::this_thread::sleep_for(200ms);
  ASSERT_TRUE(origin) << "no 1080 x 645 window appeared";
  const QRect front(origin->x(), origin->y() + 42, 720, 405);
  const QRect panel(origin->x(), origin->y() + 522, 720, 123);

  // Several moments of the drive: the speed shown belongs to the time the video shows.
  int checked = 0;
  std::vector<QImage> graphs;
  for (int attempt = 0; attempt < 60 && checked < 5; ++attempt) {
    std::this_thread::sleep_for(700ms);
    const QImage shot = Screenshot("vehicle-e2e-" + std::to_string(attempt));
    const int64_t frame = ReadFrame(shot, front);
    if (frame < 10) continue;  // not playing yet
    const QImage strip = shot.copy(panel);
    const int speed = ReadSpeed(strip);
    EXPECT_TRUE(ScriptedNear(speed, frame)) << "speed " << speed << " shown at " << frame / 10.0 << " s";
    graphs.push_back(strip.copy(240, 0, 480, 100));
    ++checked;
  }
  ASSERT_EQ(checked, 5) << "the recording did not play long enough to be read";
  EXPECT_NE(graphs.front(), graphs.back()) << "the acceleration graph did not move";
}

}  // namespace
