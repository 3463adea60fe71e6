// Starts the real viewer on a generated recording with scripted telemetry and reads the vehicle
// panel from screenshots of the test display: its speed digits follow the script at the time
// the front video shows, and the acceleration graph moves.
#include "RecordingGenerator.h"
#include "TelemetryScript.h"
#include "TestPicture.h"
#include "ViewerProcess.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kFps = 10;
constexpr double kDuration = 30.0;

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
    fs::create_directories(dir_);
    recording_ = (dir_ / "20260101_120000_N.mp4").string();
    spec_.durationSeconds = kDuration;
    spec_.videos = {recgen::VideoSize{640, 360}};
    spec_.fps = kFps;
    std::ofstream(dir_ / "mountinfo").flush();  // no drive of this machine passes for a card
  }

  void TearDown() override {
    viewer_.Kill();
    fs::remove_all(dir_);
  }

  // Writes the recording with telemetry of `form`, starts the viewer on it and waits for its window.
  void Start(recgen::TelemetryForm form) {
    spec_.form = form;
    ASSERT_EQ(recgen::WriteRecording(recording_, spec_), 0);
    ASSERT_NO_FATAL_FAILURE(viewer_.Start({.program = TAVRO_VIEWER_BIN,
                                           .args = {recording_},
                                           .folder = dir_,
                                           .env = {"TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string()}}));
    e2e::ShownWindow window;
    ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &window));
    origin_ = QPoint(window.rect.x, window.rect.y);
  }

  std::string ReadFile(const std::string& name) const {
    std::ifstream in(dir_ / name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Presses the gear button; the viewer writes the version box to its standard error.
  std::string VersionBox() {
    const size_t before = viewer_.Errors().size();
    e2e::Click(origin_.x() + 923, origin_.y() + 21);
    for (int i = 0; i < 25; ++i) {
      std::this_thread::sleep_for(200ms);
      const std::string errors = viewer_.Errors();
      const size_t at = errors.find(TAVRO_PROJECT_VERSION, before);
      if (at != std::string::npos) {
        std::this_thread::sleep_for(200ms);
        return viewer_.Errors().substr(at);
      }
    }
    return {};
  }

  // Reads the panel at `count` moments of the playback: the speed shown must belong to the time
  // the video shows. Returns the graph area of each moment.
  std::vector<QImage> CheckSpeeds(int count, const std::string& name, int backgroundId) {
    const QRect front(origin_.x(), origin_.y() + 42, 720, 405);
    const QRect panel(origin_.x(), origin_.y() + 522, 720, 123);
    std::vector<QImage> graphs;
    for (int attempt = 0; attempt < 60 && static_cast<int>(graphs.size()) < count; ++attempt) {
      std::this_thread::sleep_for(700ms);
      const QImage shot = e2e::Screenshot(VEHICLE_SHOT_DIR, name + "-" + std::to_string(attempt));
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
  e2e::ViewerProcess viewer_;
  QPoint origin_;  // the main window's top-left corner
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
