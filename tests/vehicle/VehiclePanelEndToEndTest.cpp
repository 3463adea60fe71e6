// Starts the real viewer on a generated recording with scripted telemetry and reads the vehicle
// panel from screenshots of the test display: its speed digits follow the script at the time
// the front video shows, and the acceleration graph moves.
#include "RecordingGenerator.h"
#include "TelemetryScript.h"
#include "TestPicture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <fcntl.h>
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
#include <iterator>
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

std::string Shell(const std::string& command) {
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
  std::istringstream ids(Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  std::string id;
  while (ids >> id) {
    std::istringstream geometry(Shell("xdotool getwindowgeometry --shell " + id));
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
  Shell("import -window root " + path + " 2>/dev/null");
  return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// The large digit (0-9) that rectangle r of the panel shows: the digit image, drawn over the
// panel background `background`, that differs least from the screenshot.
int ReadDigit(const QImage& panel, const QRect& r, int backgroundId) {
  const QImage background(QStringLiteral(":/png/%1.png").arg(backgroundId));
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

int ReadSpeed(const QImage& panel, int backgroundId) {
  return 100 * ReadDigit(panel, QRect(22, 90, 11, 18), backgroundId) +
         10 * ReadDigit(panel, QRect(33, 90, 11, 18), backgroundId) + ReadDigit(panel, QRect(44, 90, 11, 18), backgroundId);
}

// Pixel equality only: a screenshot carries a colour profile that QImage's == would also compare.
bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
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
    std::ofstream(dir_ / "mountinfo").flush();  // no drive of this machine passes for a card
  }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  // Writes the recording with telemetry of `form`, starts the viewer on it and waits for its window.
  void Start(recgen::TelemetryForm form) {
    spec_.form = form;
    ASSERT_EQ(recgen::WriteRecording(recording_, spec_), 0);
    Spawn();
    for (int i = 0; i < 100 && !(origin_ = FindMainWindow(pid_)); ++i) std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(origin_) << "no 1080 x 645 window appeared";
  }

  void Spawn() {
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
    const std::string errors = (dir_ / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(posix_spawn(&pid_, bin.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  std::string ReadFile(const std::string& name) const {
    std::ifstream in(dir_ / name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Presses the gear button; the viewer writes the version box to its standard error.
  std::string VersionBox() {
    const size_t before = ReadFile("stderr.txt").size();
    Shell("xdotool mousemove " + std::to_string(origin_->x() + 923) + " " + std::to_string(origin_->y() + 21) +
        " click 1");
    for (int i = 0; i < 25; ++i) {
      std::this_thread::sleep_for(200ms);
      const std::string errors = ReadFile("stderr.txt");
      const size_t at = errors.find(TAVRO_PROJECT_VERSION, before);
      if (at != std::string::npos) {
        std::this_thread::sleep_for(200ms);
        return ReadFile("stderr.txt").substr(at);
      }
    }
    return {};
  }

  // Reads the panel at `count` moments of the playback: the speed shown must belong to the time
  // the video shows. Returns the graph area of each moment.
  std::vector<QImage> CheckSpeeds(int count, const std::string& name, int backgroundId) {
    const QRect front(origin_->x(), origin_->y() + 42, 720, 405);
    const QRect panel(origin_->x(), origin_->y() + 522, 720, 123);
    std::vector<QImage> graphs;
    for (int attempt = 0; attempt < 60 && static_cast<int>(graphs.size()) < count; ++attempt) {
      std::this_thread::sleep_for(700ms);
      const QImage shot = Screenshot(name + "-" + std::to_string(attempt));
      const int64_t frame = ReadFrame(shot, front);
      if (frame < 10) continue;  // not playing yet
      const QImage strip = shot.copy(panel);
      const int speed = ReadSpeed(strip, backgroundId);
      EXPECT_TRUE(ScriptedNear(speed, frame)) << "speed " << speed << " shown at " << frame / 10.0 << " s";
      graphs.push_back(strip);
    }
    EXPECT_EQ(static_cast<int>(graphs.size()), count) << "the recording did not play long enough to be read";
    return graphs;
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
  std::optional<QPoint> origin_;
};

TEST_F(VehiclePanelEndToEnd, ForwardCameraRecording) {
  ASSERT_NO_FATAL_FAILURE(Start(recgen::TelemetryForm::Csv));
  const std::vector<QImage> moments = CheckSpeeds(5, "vehicle-e2e-csv", 171);
  ASSERT_FALSE(moments.empty());
  EXPECT_FALSE(SamePixels(moments.front().copy(240, 0, 480, 100), moments.back().copy(240, 0, 480, 100)))
      << "the acceleration graph did not move";
  // The first record of the playback handed the firmware version and device code over.
  EXPECT_EQ(VersionBox(), std::string(TAVRO_PROJECT_VERSION) + "\nVRAN-3(0x92) v1.2.05\n");
}

// Driver-monitoring texts switch a viewer set up for VRAN3 to KOTR4 and show the driver's state.
TEST_F(VehiclePanelEndToEnd, DriverMonitoringRecordingSwitchesTheModel) {
  ASSERT_NO_FATAL_FAILURE(Start(recgen::TelemetryForm::Json));
  const std::vector<QImage> moments = CheckSpeeds(3, "vehicle-e2e-json", 304);
  ASSERT_FALSE(moments.empty());
  EXPECT_NE(ReadFile("Config.ini").find("Model=KOTR4"), std::string::npos) << ReadFile("Config.ini");
  const QImage header = QImage(QStringLiteral(":/png/304.png")).convertToFormat(QImage::Format_RGB32).copy(0, 0, 240, 20);
  EXPECT_TRUE(SamePixels(moments.back().copy(0, 0, 240, 20), header)) << "the driver-monitoring picture is not shown";
  EXPECT_EQ(VersionBox(), std::string(TAVRO_PROJECT_VERSION) + "\n") << "no device version from JSON records";
}

}  // namespace
