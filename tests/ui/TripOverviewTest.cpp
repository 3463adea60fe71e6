// The whole trip at a glance, in the viewer's own main window with the real engine and map
// page: a folder of generated recordings of one drive (and one of another), opened as the
// Open command opens them. Each test reads back what the user would see: the page's routes,
// the seek bar's pixels, and where playback went.
#include "CFileList.h"
#include "CMySliderControl.h"
#include "CRearViewerDlg.h"
#include "CViewerCtlDlg.h"
#include "CVRANViewerDlg.h"
#include "CWebBrowser2.h"
#include "Player.h"
#include "RecordingGenerator.h"
#include "TripOverview.h"
#include "art/ArtStyle.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

constexpr double kSeconds = 20.0;

// Recordings of 20 s: three of one drive, back to back, and one of a later drive.
struct Drive {
  const char* name;
  double scriptStart;  // where in the scripted drive it begins
};
constexpr Drive kFirst{"20240501_101500_N.mp4", 0};
constexpr Drive kMiddle{"20240501_101520_N.mp4", 20};
constexpr Drive kLast{"20240501_101540_N.mp4", 40};
constexpr Drive kLater{"20240501_103000_N.mp4", 60};

// The scripted drive's events in any 20 s of it: pedestrian at 3 s, left lane departure at
// 6 s, the vehicle ahead at warning level from 8 s, right lane departure at 17 s.
constexpr int kEventTicks[] = {30, 60, 80, 170};

recgen::RecordingSpec SpecOf(const Drive& drive) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = kSeconds;
  spec.videos = {recgen::VideoSize{320, 180}};
  spec.fps = 10;
  spec.gopFrames = 10;
  spec.script.startSeconds = drive.scriptStart;
  return spec;
}

// The recording's positions with a fix: what its whole route holds.
int FixPoints(const Drive& drive) {
  int n = 0;
  for (int tick = 0; tick < kSeconds * 10; ++tick)
    n += recgen::DriveAt(SpecOf(drive).script, drive.scriptStart + tick / 10.0).gpsFix > 1;
  return n;
}

QVariant Evaluate(QWebEnginePage* page, const QString& script) {
  auto loop = std::make_shared<QEventLoop>();
  auto result = std::make_shared<QVariant>();
  auto done = std::make_shared<bool>(false);
  page->runJavaScript(script, [loop, result, done](const QVariant& v) {
    *result = v;
    *done = true;
    loop->quit();
  });
  if (!*done) {
    QTimer::singleShot(10000, loop.get(), &QEventLoop::quit);
    loop->exec();
  }
  return *result;
}

bool WaitForScript(QWebEnginePage* page, const QString& script, int timeoutMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    if (Evaluate(page, script).toBool()) return true;
    QTest::qWait(20);
  }
  return false;
}

// Waits until playback's clock (in tenths) lies in [from, to].
bool WaitForTick(int from, int to, int timeoutMs = 10000) {
  return QTest::qWaitFor(
      [&] {
        const int tick = player_globals.last_telemetry_tick;
        return tick >= from && tick <= to;
      },
      timeoutMs);
}

// Leaflet's own click at the place of a route point, as a mouse click on its line gives it;
// the map is moved there first.
QString ClickAt(const QString& latlng) {
  return QStringLiteral("(function () { var place = %1; vehicleMap.map.setView(place, vehicleMap.map.getZoom(),"
                        " {animate: false}); var at = vehicleMap.map.latLngToContainerPoint(place);"
                        " var r = vehicleMap.map.getContainer().getBoundingClientRect();"
                        " var target = document.elementFromPoint(r.left + at.x, r.top + at.y);"
                        " target.dispatchEvent(new MouseEvent('click', {bubbles: true, clientX: r.left + at.x,"
                        " clientY: r.top + at.y})); return true; })()")
      .arg(latlng);
}

class TripOverviewTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(fs::current_path() / "trip");
    fs::create_directories(*folder_);
    for (const Drive& d : {kFirst, kMiddle, kLast, kLater})
      ASSERT_EQ(recgen::WriteRecording((*folder_ / d.name).string(), SpecOf(d)), 0);
    setenv("TAVRO_INTERNET_CONNECTED", "0", 1);  // no tiles: the machine has no way to them
    window_ = new CVRANViewerDlg;
    window_->OnInitDialog();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    ASSERT_TRUE(QTest::qWaitFor([] { return window_->m_pRearViewer->browser()->HasDocument(); }, 20000));
    ASSERT_TRUE(WaitForScript(Page(), QStringLiteral("vehicleMap.viewer !== null")))
        << "the page reaches the viewer through the web channel";
  }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
    unsetenv("TAVRO_INTERNET_CONNECTED");
    fs::remove_all(*folder_);
    delete folder_;
  }
  void TearDown() override { window_->StopPlayback(); }

  static QWebEnginePage* Page() { return window_->m_pRearViewer->browser()->page(); }
  static CMySliderControl* SeekBar() {
    return window_->m_pViewerCtl->findChild<CMySliderControl*>(QStringLiteral("ctl1003"));
  }
  static void Open(const Drive& drive) {
    window_->OpenRecordingFile(QString::fromStdString((*folder_ / drive.name).string()));
  }
  // Waits for the whole route of `drive`.
  static bool RouteOf(const Drive& drive) {
    return WaitForScript(Page(), QStringLiteral("vehicleMap.whole !== null && vehicleMap.whole.points.length == %1 &&"
                                                " Math.abs(vehicleMap.whole.points[0][1] - %2) < 1e-6")
                                     .arg(FixPoints(drive))
                                     .arg(recgen::DriveAt({}, drive.scriptStart).latitude, 0, 'f', 7));
  }

  static CVRANViewerDlg* window_;
  static fs::path* folder_;
};

CVRANViewerDlg* TripOverviewTest::window_ = nullptr;
fs::path* TripOverviewTest::folder_ = nullptr;

TEST_F(TripOverviewTest, MapHoldsTheWholeRouteBeforePlaybackHasMovedAndTheNextRecordingReplacesIt) {
  Open(kMiddle);
  ASSERT_TRUE(RouteOf(kMiddle));
  EXPECT_LT(player_globals.last_telemetry_tick, 100) << "the whole route came well before playback got far";
  EXPECT_LT(Evaluate(Page(), QStringLiteral("vehicleMap.positions.length")).toInt(), 30)
      << "playback has moved the marker only a few times";

  Open(kLater);
  ASSERT_TRUE(RouteOf(kLater)) << "the next recording's route replaces it";
  EXPECT_EQ(Evaluate(Page(), QStringLiteral("document.querySelectorAll('.route-legend').length")).toInt(), 1);
}

TEST_F(TripOverviewTest, ClickOnTheRouteSeeksWithinASecondOfThePoint) {
  Open(kMiddle);
  ASSERT_TRUE(RouteOf(kMiddle));
  ASSERT_TRUE(Evaluate(Page(), ClickAt(QStringLiteral("(function () { var p = vehicleMap.whole.points[150];"
                                                      " return [p[1], p[2]]; })()")))
                  .toBool());
  const int clicked = Evaluate(Page(), QStringLiteral("vehicleMap.lastClick ? vehicleMap.lastClick.tick : -1")).toInt();
  ASSERT_NEAR(clicked, 150, 20) << "the click landed on the route near its point";
  EXPECT_TRUE(WaitForTick(clicked - 10, clicked + 10)) << "playback at " << player_globals.last_telemetry_tick;
}

TEST_F(TripOverviewTest, SeekBarMarksLandAtTheScriptedEventTimes) {
  Open(kMiddle);
  CMySliderControl* bar = SeekBar();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->Marks().size() == std::size(kEventTicks); }, 15000));
  const std::vector<TrackEvent>& events = window_->m_pTrip->events();
  ASSERT_EQ(events.size(), std::size(kEventTicks));
  EXPECT_EQ(bar->Marks()[0].text, QStringLiteral("Pedestrian 00:00:03"));
  EXPECT_EQ(bar->Marks()[1].text, QStringLiteral("Lane departure 00:00:06"));
  EXPECT_EQ(bar->Marks()[2].text, QStringLiteral("Vehicle ahead 00:00:08"));

  // What the bar shows: a red mark in the top row (above the thumb) at each event's column.
  const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/seek-bar-marks.png");
  EXPECT_TRUE(window_->m_pViewerCtl->grab().save(file));
  std::vector<int> columns;
  for (int x = 0; x < shot.width(); ++x)
    if (shot.pixelColor(x, 1) == art::kRed && (columns.empty() || x > columns.back() + 3)) columns.push_back(x + 1);
  ASSERT_EQ(columns.size(), std::size(kEventTicks)) << "screenshot in " << file.toStdString();
  for (size_t i = 0; i < columns.size(); ++i) {
    SCOPED_TRACE(kEventTicks[i]);
    const int position = static_cast<int>(kEventTicks[i] * 1000 / (kSeconds * 10));
    EXPECT_NEAR(columns[i], bar->ColumnOf(position), 1) << "the mark's middle column";
  }
}

TEST_F(TripOverviewTest, PageDownLandsThreeSecondsBeforeTheNextEvent) {
  Open(kMiddle);
  ASSERT_TRUE(QTest::qWaitFor([] { return window_->m_pTrip->events().size() == std::size(kEventTicks); }, 15000));
  seek_to_seconds(9.0);
  ASSERT_TRUE(WaitForTick(85, 110));
  QTest::keyClick(window_, Qt::Key_PageDown);
  EXPECT_TRUE(WaitForTick(kEventTicks[3] - 30 - 10, kEventTicks[3] - 30 + 10))
      << "3 s before the lane departure at 17 s; playback at " << player_globals.last_telemetry_tick;
  QTest::keyClick(window_, Qt::Key_PageUp);
  EXPECT_TRUE(WaitForTick(kEventTicks[2] - 30 - 10, kEventTicks[2] - 30 + 10))
      << "3 s before the vehicle ahead at 8 s; playback at " << player_globals.last_telemetry_tick;
}

TEST_F(TripOverviewTest, TripNeighboursAreScannedDrawnAndOpenedOnAClick) {
  Open(kMiddle);
  ASSERT_TRUE(RouteOf(kMiddle));
  ASSERT_TRUE(WaitForScript(Page(), QStringLiteral("vehicleMap.trips.length == 2")))
      << "the recordings before and after it on the drive";
  QTest::qWait(300);
  EXPECT_EQ(Evaluate(Page(), QStringLiteral("vehicleMap.trips.length")).toInt(), 2) << "not the later drive";
  EXPECT_EQ(window_->m_pTrip->tripRoutes(), 2);
  // The first trip route drawn is the nearest one after: the last recording, then the first.
  const QString firstLatitudes =
      QStringLiteral("vehicleMap.trips.map(function (t) { return t.points[0][1].toFixed(5); }).join(' ')");
  EXPECT_EQ(Evaluate(Page(), firstLatitudes).toString(),
            QStringLiteral("%1 %2")
                .arg(recgen::DriveAt({}, kLast.scriptStart).latitude, 0, 'f', 5)
                .arg(recgen::DriveAt({}, kFirst.scriptStart).latitude, 0, 'f', 5));

  // A click on the last recording's route plays it from there.
  ASSERT_TRUE(Evaluate(Page(), ClickAt(QStringLiteral("(function () { var p = vehicleMap.trips[0].points[100];"
                                                      " return [p[1], p[2]]; })()")))
                  .toBool());
  EXPECT_TRUE(QTest::qWaitFor([] { return window_->m_state.current_name == kLast.name; }, 5000));
  ASSERT_TRUE(RouteOf(kLast));
  // Near the point clicked (the click takes the nearest point to its pixel) and within a second.
  EXPECT_TRUE(WaitForTick(80, 120)) << "playback at " << player_globals.last_telemetry_tick;
}

}  // namespace
