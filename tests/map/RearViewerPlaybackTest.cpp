// The rear pane with the real engine: generated recordings play into a stand-in main window's
// video surfaces, and the engine's notifications reach the pane on the user-interface thread
// as the viewer's own notifier delivers them.
#include "CRearViewerDlg.h"

#include "CBitmapButton.h"
#include "CWebBrowser2.h"
#include "MapTestSupport.h"
#include "Player.h"
#include "PlayerNotifier.h"
#include "QueuedCall.h"
#include "RecordingGenerator.h"
#include "TelemetryRecord.h"
#include "VideoSurface.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

namespace {

// Delivers what the rear pane receives: 0x417 as a posted message, SelectRearView queued to
// the user-interface thread.
class PaneNotifier : public PlayerNotifier {
public:
  explicit PaneNotifier(CRearViewerDlg* pane) : pane_(pane) {}
  void post(PlayerMessage m) override {
    if (m.message == kMsgTelemetryMap)
      ViewerMessage::post(pane_, m.message, m.wparam, m.lparam, std::move(m.text));
  }
  void set_duration(int64_t) override {}
  void SelectRearView(int has_second_video) override {
    post_queued_call(pane_, [pane = pane_, has_second_video] { pane->SelectRearView(has_second_video); });
  }

private:
  CRearViewerDlg* pane_;
};

std::string WriteFixture(const char* name, int videos, double seconds) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = seconds;
  spec.videos.assign(videos, recgen::VideoSize{320, 180});
  spec.form = recgen::TelemetryForm::Csv;
  const std::string path = QDir::current().filePath(QString::fromLatin1(name)).toStdString();
  return recgen::WriteRecording(path, spec) == 0 ? path : std::string();
}

class RearPanePlayback : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("TAVRO_INTERNET_CONNECTED", "1", 1);
    ui_language = 1033;
    lastCsvMapMove = lastJsonMapMove = 0;
    ASSERT_EQ(player_startup(), 0);

    window.resize(1080, 645);
    switchButton = new QPushButton(&window);
    switchButton->setObjectName(QStringLiteral("ctl1019"));
    switchButton->setGeometry(853, 0, 47, 42);
    switchButton->setEnabled(false);
    auto* front = new VideoSurface(&window);
    front->setGeometry(0, 42, 720, 405);
    pane = new CRearViewerDlg(&window);
    pane->move(720, 42);
    // What the main window's switch button does.
    QObject::connect(switchButton, &QPushButton::clicked, pane, [this] {
      toggle_swap();
      pane->ToggleViewerHeader();
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    notifier = std::make_unique<PaneNotifier>(pane);
    PlayerGlobals& g = player_globals;
    g.main_window = notifier.get();
    g.video_hwnd = front->nativeId();
    g.screen_width = 1080;
    g.screen_height = 645;
    g.swap_videos = 0;
    g.playback_speed = 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->browser()->HasDocument(); }, 20000));
  }

  void TearDown() override {
    Stop();
    player_globals.main_window = nullptr;
    player_globals.playing = 0;
    unsetenv("TAVRO_INTERNET_CONNECTED");
  }

  void Play(const std::string& path) {
    Stop();
    player_globals.playing = 1;
    player = std::thread([path] { player_main(nullptr, path); });
  }
  void Stop() {
    if (!player.joinable()) return;
    stop_player();
    player.join();
    QCoreApplication::sendPostedEvents();
  }

  QWidget window;
  QPushButton* switchButton = nullptr;
  CRearViewerDlg* pane = nullptr;
  std::unique_ptr<PaneNotifier> notifier;
  std::thread player;
};

TEST_F(RearPanePlayback, SecondVideoOpensTheViewerAndItsSwitchButtonSwapsTheCaption) {
  const std::string two = WriteFixture("two-videos.mp4", 2, 3.0);
  const std::string one = WriteFixture("one-video.mp4", 1, 3.0);
  ASSERT_FALSE(two.empty());
  ASSERT_FALSE(one.empty());
  auto* viewerHeader = pane->findChild<CBitmapButton*>(QStringLiteral("ctl1018"));

  Play(two);
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane->viewerMode() == 1; }, 5000));
  EXPECT_TRUE(switchButton->isEnabled());
  EXPECT_TRUE(pane->videoSurface()->isVisible());
  QTest::mouseClick(switchButton, Qt::LeftButton);
  EXPECT_EQ(viewerHeader->BitmapId(), 270) << "Front Camera";
  QTest::mouseClick(switchButton, Qt::LeftButton);
  EXPECT_EQ(viewerHeader->BitmapId(), 254) << "Rear Camera";
  QTest::qWait(300);
  EXPECT_EQ(Evaluate(pane->browser()->page(), QStringLiteral("vehicleMap.positions.length")).toInt(), 0)
      << "the Viewer section is open: the map does not move";

  Play(one);
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane->viewerMode() == 0; }, 5000));
  EXPECT_FALSE(switchButton->isEnabled());
  EXPECT_TRUE(pane->browser()->isVisible());
  EXPECT_FALSE(pane->videoSurface()->isVisible());
}

// Plays a recording in the Map section, checks that the map followed the recording's own
// positions no faster than twice a second, and keeps a screenshot of the section.
TEST_F(RearPanePlayback, MapFollowsTheRecordingAndDrawsTheRoute) {
  const double seconds = 4.0;
  const std::string path = WriteFixture("drive.mp4", 1, seconds);
  ASSERT_FALSE(path.empty());
  recgen::RecordingSpec spec;
  spec.durationSeconds = seconds;
  std::vector<std::pair<double, double>> recorded;
  for (const recgen::TextSample& sample : recgen::ScriptedSamples(spec)) {
    TelemetryRecord r;
    ASSERT_TRUE(ParseTelemetryPosition(sample.payload.c_str(), r));
    recorded.emplace_back(r.latitude, r.longitude);
  }

  QElapsedTimer wall;
  wall.start();
  Play(path);
  QWebEnginePage* page = pane->browser()->page();
  ASSERT_TRUE(WaitForScript(page, QStringLiteral("vehicleMap.positions.length >= 6"), 10000));
  const qint64 elapsed = wall.elapsed();
  Stop();

  const QJsonArray positions =
      QJsonDocument::fromJson(
          Evaluate(page, QStringLiteral("JSON.stringify(vehicleMap.positions)")).toString().toUtf8())
          .array();
  EXPECT_LE(positions.size(), elapsed / 500 + 2) << "at most one move per 500 ms";
  for (const auto& p : positions) {
    const double lat = p.toArray()[0].toDouble(), lon = p.toArray()[1].toDouble();
    bool found = false;
    for (const auto& [rlat, rlon] : recorded)
      found = found || (std::fabs(rlat - lat) < 1e-6 && std::fabs(rlon - lon) < 1e-6);
    EXPECT_TRUE(found) << lat << "," << lon << " is no position of the recording";
  }
  EXPECT_EQ(Evaluate(page, QStringLiteral("vehicleMap.route.getLatLngs().length")).toInt(), positions.size());

  // The compositor shows the last move a moment later.
  QImage shot;
  int routePixels = 0;
  for (int attempt = 0; attempt < 40 && routePixels < 30; ++attempt) {
    QTest::qWait(50);
    // What the X server shows: the map is a window of its own inside the pane.
    const QPoint at = pane->mapToGlobal(QPoint(0, 0));
    shot = QGuiApplication::primaryScreen()
               ->grabWindow(0, at.x(), at.y(), 360, 288)
               .toImage()
               .convertToFormat(QImage::Format_RGB32);
    routePixels = 0;
    for (int y = 86; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        if (c.blue() > 150 && c.red() < 80) ++routePixels;
      }
  }
  const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/map-section-playback.png");
  EXPECT_TRUE(shot.save(file));
  EXPECT_GE(routePixels, 30) << "route line drawn; screenshot in " << file.toStdString();
}

}  // namespace
