// The rear pane on its own, in a stand-in main window with the switch button: the sections,
// the headers, the keys, and the telemetry texts that move the map, read back from the page.
#include "CRearViewerDlg.h"

#include "CBitmapButton.h"
#include "CWebBrowser2.h"
#include "DrawPngResource.h"
#include "MapTestSupport.h"
#include "Player.h"
#include "TrackRoute.h"
#include "PlayerNotifier.h"
#include "VideoSurface.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr std::uint16_t kEnglish = 1033, kKorean = 1042, kChinesePrc = 2052;

std::string Csv(int fix, double latitude, double longitude) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "52,2100,0,0,0/0,%d,9,%.8f,%.8f,180/0.01,-0.02,0.98,0,0,0,0,0,0/1.2.5,146,0,0,3,0", fix,
                latitude, longitude);
  return text;
}

std::string Json(int fix, double latitude, double longitude) {
  char text[256];
  std::snprintf(text, sizeof text,
                "{\"MODEL\":\"KOTR4\",\"SPEED\":40,\"GPS\":{\"FIX\":%d,\"LA\":%.7f,\"LO\":%.7f}}", fix,
                latitude, longitude);
  return text;
}

// The main window as far as the pane sees it: the switch button 1019 and the pane at its place.
class StandInWindow : public QWidget {
public:
  StandInWindow() {
    resize(1080, 645);
    switchButton = new QPushButton(this);
    switchButton->setObjectName(QStringLiteral("ctl1019"));
    switchButton->setGeometry(853, 0, 47, 42);
    switchButton->setEnabled(false);
  }
  QPushButton* switchButton = nullptr;
  int keysSeen = 0;

protected:
  void keyPressEvent(QKeyEvent*) override { ++keysSeen; }
};

class RearPane : public ::testing::Test {
protected:
  // A pane in its stand-in window, with the language and connection it was built for.
  struct Setup {
    std::unique_ptr<StandInWindow> window;
    CRearViewerDlg* pane = nullptr;
    std::uint16_t language = kEnglish;
    bool connected = true;
  };

  // Loading the page is what takes time, so one English pane with its map serves the tests one
  // after the other; each test gets it back in the Map section with no move made.
  void SetUp() override {
    if (!shared || shared->language != kEnglish || !shared->connected) {
      Build(kEnglish, true);
      return;
    }
    window = shared->window.get();
    pane = shared->pane;
    Reset();
    pane->ShowMap();
    window->switchButton->setEnabled(false);
    window->keysSeen = 0;
    pane->toggleFullScreen = nullptr;
    pane->togglePlayPause = nullptr;
    ASSERT_TRUE(Evaluate(pane->browser()->page(), QStringLiteral("vehicleMap.positions = []; true")).toBool());
  }

  static void TearDownTestSuite() { shared.reset(); }

  void TearDown() override {
    ui_language = kEnglish;
    unsetenv("TAVRO_INTERNET_CONNECTED");
  }

  void Reset() {
    player_globals.player_running = 1;
    player_globals.playing = 0;
    lastCsvMapMove = lastJsonMapMove = 0;
    pane->tickCount = [this] { return now; };
  }

  void Build(std::uint16_t language, bool connected) {
    shared.reset();
    shared = std::make_unique<Setup>();
    shared->window = std::make_unique<StandInWindow>();
    shared->language = language;
    shared->connected = connected;
    window = shared->window.get();
    ui_language = language;
    setenv("TAVRO_INTERNET_CONNECTED", connected ? "1" : "0", 1);
    pane = shared->pane = new CRearViewerDlg(window);
    pane->move(720, 42);
    Reset();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_NE(pane->browser(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->browser()->HasDocument(); }, 20000));
    ASSERT_TRUE(Evaluate(pane->browser()->page(), QStringLiteral("typeof MapMove == 'function'")).toBool());
  }

  // Posts a map telemetry message as the engine's notifier does and lets the pane handle it.
  void Send(const std::string& text, int64_t lParam = 1) {
    ViewerMessage::post(pane, kMsgTelemetryMap, 0, lParam, text);
    QCoreApplication::sendPostedEvents(pane, ViewerMessage::eventType());
  }

  // Every position the page was moved to, as the page keeps them.
  std::string Positions() {
    return Evaluate(pane->browser()->page(), QStringLiteral("JSON.stringify(vehicleMap.positions)"))
        .toString()
        .toStdString();
  }

  static std::unique_ptr<Setup> shared;
  StandInWindow* window = nullptr;
  CRearViewerDlg* pane = nullptr;
  std::uint32_t now = 100000;
};

std::unique_ptr<RearPane::Setup> RearPane::shared;

TEST_F(RearPane, CommaSeparatedTextMovesTheMapOnlyWithAFixAboveOne) {
  Send(Csv(3, 37.5665, 126.978));
  EXPECT_EQ(Positions(), "[[37.5665,126.978]]") << "MapMove(37.566500,126.978000)";

  const struct {
    int fix;
    bool moves;
  } cases[] = {{1, false}, {0, false}, {-1, false}, {2, true}};
  int moves = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fix);
    now += 1000;
    Send(Csv(c.fix, 37.6, 127.0));
    moves += c.moves;
    EXPECT_EQ(Evaluate(pane->browser()->page(), QStringLiteral("vehicleMap.positions.length")).toInt(), moves);
  }
}

TEST_F(RearPane, PositionsGoToTheScriptWithSixDecimals) {
  Send(Csv(3, 37.56654321, -126.97849999));
  EXPECT_EQ(Positions(), "[[37.566543,-126.9785]]");
  now += 1000;
  Send(Csv(3, 1e300, -1e300));  // every digit written out; no place, so the page refuses it
  now += 1000;
  Send(Csv(3, 1.5, 2.5));
  EXPECT_EQ(Positions(), "[[37.566543,-126.9785],[1.5,2.5]]");
}

TEST_F(RearPane, EachFormMovesTheMapAtMostEvery500Milliseconds) {
  Send(Csv(3, 37.1, 127.1));
  now += 300;
  Send(Csv(3, 37.2, 127.2));  // dropped, not queued
  now += 199;
  Send(Csv(3, 37.3, 127.3));  // 499 ms after the move: still dropped
  now += 101;
  Send(Csv(3, 37.4, 127.4));  // 600 ms after the move
  EXPECT_EQ(Positions(), "[[37.1,127.1],[37.4,127.4]]");

  // The JSON form has a throttle of its own, open although the other just moved.
  now += 100;
  Send(Json(1, 36.1, 128.1));
  now += 300;
  Send(Json(1, 36.2, 128.2));
  now += 300;
  Send(Json(1, 36.3, 128.3));
  EXPECT_EQ(Positions(), "[[37.1,127.1],[37.4,127.4],[36.1,128.1],[36.3,128.3]]");
}

TEST_F(RearPane, ThrottleSurvivesTheTickCounterWrapping) {
  now = 0xFFFFFF00u;
  Send(Csv(3, 37.1, 127.1));
  now = 0x00000100u;  // 512 ms later, after the wrap
  Send(Csv(3, 37.2, 127.2));
  EXPECT_EQ(Positions(), "[[37.1,127.1],[37.2,127.2]]");
}

TEST_F(RearPane, JsonTextMovesTheMapWithAnyFix) {
  Send(Json(0, 36.0, 128.0));
  now += 1000;
  Send("{\"GPS\":{\"FIX\":1,\"LA\":36.5");  // cut short: no record
  now += 1000;
  Send(Json(1, 36.35, 127.385));
  EXPECT_EQ(Positions(), "[[36.35,127.385]]");
}

TEST_F(RearPane, NothingMovesWhileTheViewerIsOpenOrNoPlaybackRuns) {
  pane->ShowViewer();
  Send(Csv(3, 37.1, 127.1));
  Send(Json(1, 36.1, 128.1));
  pane->ShowMap();
  EXPECT_EQ(Positions(), "[]");
  EXPECT_EQ(lastCsvMapMove, 0u) << "ignored texts leave the throttles alone";

  Send(Csv(3, 37.1, 127.1), 0);  // no text reference
  player_globals.player_running = 0;
  Send(Csv(3, 37.2, 127.2));
  player_globals.player_running = 1;
  Send("");
  EXPECT_EQ(Positions(), "[]");

  Send(Csv(3, 37.3, 127.3));
  EXPECT_EQ(Positions(), "[[37.3,127.3]]");
}

TEST_F(RearPane, SecondVideoOpensTheViewerAndEnablesTheSwitchButton) {
  EXPECT_EQ(pane->viewerMode(), 0) << "starts in the Map section";
  EXPECT_TRUE(pane->browser()->isVisible());
  EXPECT_FALSE(pane->videoSurface()->isVisible());

  pane->SelectRearView(1);
  EXPECT_EQ(pane->viewerMode(), 1);
  EXPECT_TRUE(window->switchButton->isEnabled());
  EXPECT_TRUE(pane->videoSurface()->isVisible());
  EXPECT_EQ(pane->videoSurface()->geometry(), QRect(0, 43, 360, 202));
  EXPECT_FALSE(pane->browser()->isVisible());
  auto* mapHeader = pane->findChild<CBitmapButton*>(QStringLiteral("ctl1020"));
  EXPECT_EQ(mapHeader->geometry(), QRect(0, 245, 360, 43));

  pane->SelectRearView(0);
  EXPECT_EQ(pane->viewerMode(), 0);
  EXPECT_FALSE(window->switchButton->isEnabled());
  EXPECT_FALSE(pane->videoSurface()->isVisible());
  EXPECT_TRUE(pane->browser()->isVisible());
  EXPECT_TRUE(pane->browser()->isEnabled());
  EXPECT_EQ(pane->browser()->geometry(), QRect(0, 86, 360, 202));
  EXPECT_EQ(mapHeader->geometry(), QRect(0, 43, 360, 43));
}

TEST_F(RearPane, HeaderClicksOpenTheirSections) {
  auto* viewerHeader = pane->findChild<CBitmapButton*>(QStringLiteral("ctl1018"));
  auto* mapHeader = pane->findChild<CBitmapButton*>(QStringLiteral("ctl1020"));
  QTest::mouseClick(viewerHeader, Qt::LeftButton);
  EXPECT_EQ(pane->viewerMode(), 1);
  QTest::mouseClick(mapHeader, Qt::LeftButton);
  EXPECT_EQ(pane->viewerMode(), 0);
  EXPECT_EQ(viewerHeader->geometry(), QRect(0, 0, 360, 43));
}

// Nothing draws into the surface without a second video: on the screen the Viewer section must
// show the pane's placeholder, not what the surface's window happens to hold (the map that lay
// there).
TEST_F(RearPane, ViewerSectionWithoutASecondVideoShowsThePlaceholder) {
  ASSERT_EQ(LoadPngResource(168).size(), QSize(360, 203));
  QImage expected(360, 202, QImage::Format_RGB32);  // the pane's ground under the picture
  expected.fill(QColor(100, 100, 100));
  {
    QPainter p(&expected);
    p.drawImage(0, 0, LoadPngResource(168));
  }
  auto viewerSection = [&] {
    const QPoint at = pane->mapToGlobal(QPoint(0, 43));
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 360, 202).toImage().convertToFormat(
        QImage::Format_RGB32);
  };
  // The map is on the screen first.
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewerSection().copy(0, 43, 360, 159) != expected.copy(0, 43, 360, 159); }));

  for (bool secondVideoBefore : {false, true}) {
    SCOPED_TRACE(secondVideoBefore ? "after a playback with a second video" : "no playback yet");
    if (secondVideoBefore) {
      pane->SelectRearView(1);
      pane->PlaybackStopped();
    } else {
      QTest::mouseClick(pane->findChild<CBitmapButton*>(QStringLiteral("ctl1018")), Qt::LeftButton);
    }
    ASSERT_EQ(pane->viewerMode(), 1);
    QImage shot;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (shot = viewerSection()) == expected; }, 5000))
        << "placeholder 168 shows; screenshot in "
        << (shot.save(QStringLiteral("viewer-section.png")), QDir::currentPath().toStdString());
    pane->ShowMap();
  }
}

TEST_F(RearPane, PublishesItsVideoSurfaceForTheSecondVideo) {
  EXPECT_NE(player_globals.video2_hwnd.load(), 0u);
  EXPECT_EQ(player_globals.video2_hwnd.load(), pane->videoSurface()->nativeId());
}

TEST_F(RearPane, KeysOfThePaneAreItsOwnWhereverTheFocusIs) {
  int fullScreen = 0, playPause = 0;
  pane->toggleFullScreen = [&] { ++fullScreen; };
  pane->togglePlayPause = [&] { ++playPause; };
  QWidget* targets[] = {pane, pane->browser()->focusProxy() ? pane->browser()->focusProxy() : pane->browser()};
  for (QWidget* target : targets) {
    fullScreen = playPause = window->keysSeen = 0;
    player_globals.playing = 0;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Left, Qt::Key_Right})
      QTest::keyClick(target, key);
    EXPECT_EQ(fullScreen + playPause, 0) << "no playback: consumed, nothing done";

    player_globals.playing = 1;
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter);
    QTest::keyClick(target, Qt::Key_Escape);
    QTest::keyClick(target, Qt::Key_Space);
    EXPECT_EQ(fullScreen, 3);
    EXPECT_EQ(playPause, 1);
    EXPECT_EQ(window->keysSeen, 0) << "the keys never reach the main window";
    player_globals.playing = 0;
  }
  QTest::keyClick(pane, Qt::Key_A);
  EXPECT_EQ(window->keysSeen, 1) << "other keys take the usual way";
}

TEST_F(RearPane, ClickOnThePaneTakesTheFocus) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  pane->clearFocus();
  ASSERT_FALSE(pane->hasFocus());
  QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(10, 280));
  EXPECT_TRUE(pane->hasFocus());
}

// A web view among the main window's children would switch the whole window to GL
// composition: its native windows are made anew (the published surfaces go stale and the
// engine draws into windows that no longer exist) and its other native children stay black.
TEST(RearPaneInTheWindow, MapLeavesTheVideoSurfacesAndTheOtherPanesAlone) {
  setenv("TAVRO_INTERNET_CONNECTED", "1", 1);
  ui_language = kEnglish;
  QWidget window;
  window.setGeometry(0, 0, 1080, 645);
  auto* frontPane = new QWidget(&window);
  frontPane->setGeometry(0, 42, 720, 405);
  frontPane->setAutoFillBackground(true);
  QPalette green = frontPane->palette();
  green.setColor(QPalette::Window, Qt::green);
  frontPane->setPalette(green);
  auto* front = new VideoSurface(frontPane);
  front->setGeometry(0, 0, 100, 100);
  const uint64_t frontId = front->nativeId();  // published before the rear pane exists

  auto* pane = new CRearViewerDlg(&window);
  pane->setGeometry(720, 42, 360, 288);
  const uint64_t rearId = player_globals.video2_hwnd;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane->browser()->HasDocument(); }, 20000));

  EXPECT_EQ(front->nativeId(), frontId);
  EXPECT_EQ(pane->videoSurface()->nativeId(), rearId);
  const QImage header = LoadBitmapResource(254).convertToFormat(QImage::Format_RGB32);
  QImage shot;
  const bool painted = QTest::qWaitFor([&] {
    const QPoint at = window.mapToGlobal(QPoint(0, 0));
    shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1080, 645).toImage().convertToFormat(
        QImage::Format_RGB32);
    return shot.copy(720, 42, 360, 43) == header && shot.pixelColor(400, 300) == QColor(Qt::green);
  });
  EXPECT_TRUE(painted) << "the header and the front pane show on the screen";
  unsetenv("TAVRO_INTERNET_CONNECTED");
}

TEST(RearPaneHeaders, SwitchButtonTogglesTheCaptionBetweenRearAndFrontCamera) {
  const struct {
    std::uint16_t language;
    int map, rear, front;
  } cases[] = {{kEnglish, 247, 254, 270}, {kKorean, 216, 217, 269}, {kChinesePrc, 247, 254, 270}};
  setenv("TAVRO_INTERNET_CONNECTED", "0", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    ui_language = c.language;
    CRearViewerDlg pane;
    auto* viewerHeader = pane.findChild<CBitmapButton*>(QStringLiteral("ctl1018"));
    auto* mapHeader = pane.findChild<CBitmapButton*>(QStringLiteral("ctl1020"));
    EXPECT_EQ(mapHeader->BitmapId(), c.map);
    EXPECT_EQ(viewerHeader->BitmapId(), c.rear);
    pane.ToggleViewerHeader();
    EXPECT_EQ(viewerHeader->BitmapId(), c.front);
    EXPECT_EQ(pane.viewerHeaderImage(), c.front);
    pane.ToggleViewerHeader();
    EXPECT_EQ(viewerHeader->BitmapId(), c.rear);
  }
  ui_language = kEnglish;
  unsetenv("TAVRO_INTERNET_CONNECTED");
}

TEST_F(RearPane, ChineseInterfaceLoadsTheChinaMap) {
  EXPECT_TRUE(pane->browser()->url().path().endsWith(QLatin1String("/html/openstreetmap.html")));
  EXPECT_TRUE(pane->tilesRequested());
  EXPECT_TRUE(Evaluate(pane->browser()->page(), QStringLiteral("vehicleMap.tiles !== null")).toBool())
      << "with a connection the page asks for tiles";
  Build(kChinesePrc, true);
  EXPECT_TRUE(pane->browser()->url().path().endsWith(QLatin1String("/html/baidumap.html")));
  Send(Csv(3, 37.5665, 126.978));
  EXPECT_EQ(Positions(), "[[37.5665,126.978]]");
}

// A recording without any position says so on the map, in the interface language, and a new
// recording's ClearMap takes the note away with the routes.
TEST_F(RearPane, RecordingWithoutAPositionSaysSoInTheInterfaceLanguage) {
  const struct {
    std::uint16_t language;
    const char* note;
  } cases[] = {{kEnglish, "No GPS position in this recording"}, {kKorean, "이 영상에는 GPS 위치 정보가 없습니다"}};
  QWebEnginePage* page = pane->browser()->page();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    ui_language = c.language;
    pane->ShowRoute("[[0,37.5665,126.978,50]]", CRearViewerDlg::NoPositionMessage());
    pane->ShowRoute("[]", CRearViewerDlg::NoPositionMessage());
    ASSERT_TRUE(WaitForScript(page, QStringLiteral("document.querySelectorAll('.route-note').length == 1")));
    EXPECT_EQ(Evaluate(page, QStringLiteral("document.querySelector('.route-note').textContent")).toString(),
              QString::fromUtf8(c.note));
    EXPECT_EQ(Evaluate(page, QStringLiteral("document.querySelectorAll('path.leaflet-interactive').length")).toInt(), 0)
        << "no stale route";
    pane->ClearMap();
    EXPECT_TRUE(WaitForScript(page, QStringLiteral("document.querySelectorAll('.route-note').length == 0")));
  }
}

// Without a connection at start-up the page still loads from the local files, only without
// tiles: a route given before the page has loaded shows once it has, with its legend and the
// marker, on the plain background.
TEST_F(RearPane, WithoutAConnectionTheMapDrawsTheRouteOnItsPlainBackground) {
  shared.reset();
  setenv("TAVRO_INTERNET_CONNECTED", "0", 1);
  StandInWindow offline;
  auto* map = new CRearViewerDlg(&offline);
  map->move(720, 42);
  offline.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&offline));
  EXPECT_FALSE(map->tilesRequested());
  ASSERT_NE(map->browser(), nullptr) << "the page loads without a connection";
  // A drive through every speed band, given at once.
  std::vector<TrackPoint> points;
  for (int tick = 0; tick <= 300; tick += 5) {
    TrackPoint p;
    p.tick = tick;
    p.fix = true;
    p.latitude = 37.5600 + tick * 0.00002;
    p.longitude = 126.9700 + tick * 0.00003;
    p.speed = 10 + tick * 35 / 100;
    points.push_back(p);
  }
  map->ShowRoute(RouteJson(points), CRearViewerDlg::NoPositionMessage());
  QWebEnginePage* page = map->browser()->page();
  ASSERT_TRUE(QTest::qWaitFor([&] { return map->browser()->HasDocument(); }, 20000));
  ASSERT_TRUE(WaitForScript(page, QStringLiteral("vehicleMap.whole !== null && vehicleMap.whole.points.length == 61")));
  EXPECT_TRUE(Evaluate(page, QStringLiteral("vehicleMap.map !== null && vehicleMap.tiles === null")).toBool())
      << "no tile layer";
  EXPECT_EQ(Evaluate(page, QStringLiteral("document.querySelectorAll('.leaflet-tile').length")).toInt(), 0);
  EXPECT_EQ(Evaluate(page, QStringLiteral("document.querySelectorAll('.route-legend span').length")).toInt(), 6);
  player_globals.player_running = 1;
  lastCsvMapMove = 0;
  ViewerMessage::post(map, kMsgTelemetryMap, 0, 1, Csv(3, 37.5630, 126.9745));
  QCoreApplication::sendPostedEvents(map, ViewerMessage::eventType());
  ASSERT_TRUE(WaitForScript(page, QStringLiteral("vehicleMap.marker !== null")));

  // What the X server shows of the Map section: the map is a window of its own in the pane.
  QImage shot;
  int green = 0, red = 0, background = 0;
  for (int attempt = 0; attempt < 100 && (green < 20 || red < 20); ++attempt) {
    QTest::qWait(50);
    const QPoint at = map->mapToGlobal(QPoint(0, 86));
    shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 360, 202).toImage().convertToFormat(
        QImage::Format_RGB32);
    green = red = background = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        auto near = [&](int r, int g, int b) {
          return std::abs(c.red() - r) < 30 && std::abs(c.green() - g) < 30 && std::abs(c.blue() - b) < 30;
        };
        green += near(0x43, 0xa0, 0x47);
        red += near(0xd3, 0x2f, 0x2f);
        background += c == QColor(0xe8, 0xe4, 0xdc);
      }
  }
  const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/map-whole-route-no-network.png");
  EXPECT_TRUE(shot.save(file));
  EXPECT_GE(green, 20) << "40-60 km/h stretch; screenshot in " << file.toStdString();
  EXPECT_GE(red, 20) << "100+ km/h stretch";
  EXPECT_GT(background, shot.width() * shot.height() / 3) << "plain background";
  unsetenv("TAVRO_INTERNET_CONNECTED");
}

}  // namespace
