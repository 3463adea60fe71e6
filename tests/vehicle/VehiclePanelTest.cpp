// The vehicle panel fed with telemetry texts as the engine posts them; every check reads the
// pixels of the panel as it shows on the (virtual) screen.
#include "CVehicleInfoDlg.h"

#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Player.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

namespace {

// Rectangles of the vehicle picture.
const QRect kLeftSignal(14, 2, 34, 38), kLaneLeft(58, 2, 34, 38), kCar(102, 2, 40, 38),
    kLaneRight(151, 2, 34, 38), kRightSignal(195, 2, 34, 38), kPedestrian(31, 44, 34, 38),
    kBrake(99, 44, 43, 38), kSign(168, 44, 43, 38), kUnit(65, 93, 40, 18), kRpmLabel(129, 95, 39, 16);
const QRect kSpeedDigit[3] = {{22, 90, 11, 18}, {33, 90, 11, 18}, {44, 90, 11, 18}};
QRect RpmDigit(int i) { return QRect(171 + 9 * i, 96, 9, 12); }
const QRect kDrowsy(4, 21, 44, 53), kYawn(51, 21, 45, 53), kPhone(99, 21, 44, 53), kSmoking(144, 21, 44, 53),
    kDistraction(192, 21, 44, 53);
const QRect kGraph(240, 0, 480, 123);

constexpr int kAssistBackground = 171;
constexpr int kMonitorBackground = 304;
constexpr int kNothing = 0;  // only the background shows

QImage Png(int id) { return QImage(QStringLiteral(":/png/%1.png").arg(id)); }

// How rectangle r looks with `icon` drawn over background `background` (kNothing: no icon).
QImage Expected(int background, int icon, const QRect& r) {
  QImage picture(720, 123, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::white);
  QPainter p(&picture);
  p.drawImage(QRect(0, 0, 240, 123), Png(background));
  p.drawImage(kGraph, Png(179));
  if (icon != kNothing) p.drawImage(r, Png(icon));
  p.end();
  return picture.copy(r).convertToFormat(QImage::Format_RGB32);
}

// A comma-separated record; designated initialisers pick the fields a case is about.
struct Csv {
  int speed = 0, rpm = 0, left = 0, right = 0, brake = 0;
  double ax = 0, ay = 0, az = 0;
  int lane = 0, front = 0, pedestrian = 0;
  int fwMajor = 2, fwMinor = 0, fwPatch = 3, code = 0x95, unit = 0, signState = 3, signSpeed = 0;

  std::string Text() const {
    char text[512];
    std::snprintf(text, sizeof text,
                  "%d,%d,%d,%d,%d/0,2,0,37.566500,126.978000,0/%.4f,%.4f,%.4f,%d,%d,%d,0,0,0/%d.%d.%d,%d,%d,0,%d,%d",
                  speed, rpm, left, right, brake, ax, ay, az, lane, front, pedestrian, fwMajor, fwMinor, fwPatch,
                  code, unit, signState, signSpeed);
    return text;
  }
};

// A driver-monitoring (JSON) record.
struct Dsm {
  int speed = 0, unit = 0, pfid = 0, psr = 0;
  int gx = 0, gy = 0, gz = 0;  // raw, 5000 = 1 g

  std::string Text() const {
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"MODEL\":\"KOTR4\",\"SPEEDUNIT\":%d,\"SPEED\":%d,\"GSENSOR\":{\"X\":%d,\"Y\":%d,\"Z\":%d},"
                  "\"GPS\":{\"FIX\":1,\"LA\":37.5,\"LO\":127.0},\"ALGO\":{\"PSR\":%d,\"PFID\":%d}}",
                  unit, speed, gx, gy, gz, psr, pfid);
    return text;
  }
};

// Stands in for the main window: keeps the viewer messages posted to it and the keys that
// reach it.
class MainWindowStandIn : public QWidget {
public:
  std::vector<unsigned> messages;
  std::vector<int> keys;

protected:
  bool event(QEvent* e) override {
    if (e->type() == ViewerMessage::eventType()) {
      messages.push_back(static_cast<ViewerMessage*>(e)->message);
      return true;
    }
    return QWidget::event(e);
  }
  void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

std::string ConfigIni() {
  QFile file(QStringLiteral("Config.ini"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

class VehiclePanel : public ::testing::Test {
protected:
  void SetUp() override {
    device_model = VRAN3;
    player_globals.player_running = 1;
    player_globals.playback_speed = 1;
    player_globals.playing = 0;
    QFile::remove(QStringLiteral("Config.ini"));
    window.setGeometry(0, 0, 720, 123);
    NewPanel();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void TearDown() override { player_globals.playback_speed = 1; }

  // A panel as the main window creates it; the old one, with all its hold state, goes.
  void NewPanel() {
    panel = std::make_unique<CVehicleInfoDlg>(&window);
    panel->setGeometry(0, 0, 720, 123);
    panel->setDeviceVersionText = [this](const std::string& v, int32_t code) { versions.emplace_back(v, code); };
    panel->show();
  }

  void Start() { panel->OnTelemetry(0, 0, std::string()); }
  void Feed(const std::string& text) { panel->OnTelemetry(0, 1, text); }
  void Feed(const Csv& r) { Feed(r.Text()); }
  void Feed(const Dsm& d) { Feed(d.Text()); }

  QImage Shot() { return panel->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  ::testing::AssertionResult Shows(int icon, const QRect& r, int background = kAssistBackground) {
    if (Shot().copy(r) == Expected(background, icon, r)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "image " << icon << " not shown at (" << r.x() << ", " << r.y() << ")";
  }

  MainWindowStandIn window;
  std::unique_ptr<CVehicleInfoDlg> panel;
  std::vector<std::pair<std::string, int32_t>> versions;
};

TEST_F(VehiclePanel, ArtworkIsThere) {
  for (int id : {171, 304, 179, 172, 173, 251, 253, 256, 258, 240, 242, 246, 248, 285, 280, 307, 308})
    EXPECT_FALSE(Png(id).isNull()) << id;
}

TEST_F(VehiclePanel, RecordFieldsPickTheirImages) {
  struct Case {
    Csv record;
    std::vector<std::pair<QRect, int>> shown;
  };
  const Case cases[] = {
      {Csv{.left = 1, .lane = 1, .front = 4},
       {{kLeftSignal, 172}, {kLaneLeft, 251}, {kLaneRight, 258}, {kCar, 242}, {kRightSignal, 175}, {kBrake, 178}}},
      {Csv{.right = 1, .brake = 1, .lane = 2, .front = 5, .pedestrian = 1},
       {{kLeftSignal, 173}, {kRightSignal, 174}, {kBrake, 177}, {kLaneLeft, 253}, {kLaneRight, 256}, {kCar, 246},
        {kPedestrian, 264}}},
      {Csv{.left = 2, .brake = 2, .lane = 7, .front = 3, .pedestrian = 3},
       {{kLeftSignal, 173}, {kBrake, 178}, {kLaneLeft, 253}, {kLaneRight, 258}, {kCar, 240}, {kPedestrian, 169}}},
      {Csv{.front = 6, .pedestrian = 2}, {{kCar, 248}, {kPedestrian, 170}, {kSign, 285}, {kRpmLabel, 176}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record.Text());
    NewPanel();
    Feed(c.record);
    for (const auto& [rect, image] : c.shown) EXPECT_TRUE(Shows(image, rect));
  }
}

TEST_F(VehiclePanel, LaneWarningHeldNineRecordsAndReplacedAtOnce) {
  Feed(Csv{.lane = 2});
  EXPECT_TRUE(Shows(256, kLaneRight));
  for (int i = 1; i <= 9; ++i) {
    Feed(Csv{});
    EXPECT_TRUE(Shows(256, kLaneRight)) << "record " << i << " after the warning";
    EXPECT_TRUE(Shows(253, kLaneLeft));
  }
  Feed(Csv{});
  EXPECT_TRUE(Shows(258, kLaneRight)) << "the 10th record ends the hold";

  Feed(Csv{.lane = 2});
  Feed(Csv{});
  Feed(Csv{.lane = 1});
  EXPECT_TRUE(Shows(251, kLaneLeft));
  EXPECT_TRUE(Shows(258, kLaneRight));
}

// A level reported during a hold is shown at once and restarts the hold.
TEST_F(VehiclePanel, VehicleAheadHeldAndNewLevelShownAtOnce) {
  Feed(Csv{.front = 4});
  for (int i = 1; i <= 9; ++i) {
    Feed(Csv{});
    EXPECT_TRUE(Shows(242, kCar)) << "record " << i << " after the report";
  }
  Feed(Csv{});
  EXPECT_TRUE(Shows(248, kCar));

  Feed(Csv{.front = 4});
  Feed(Csv{});
  Feed(Csv{.front = 1});
  EXPECT_TRUE(Shows(240, kCar));
  for (int i = 1; i <= 9; ++i) Feed(Csv{});
  EXPECT_TRUE(Shows(240, kCar)) << "the new level's hold lasts 9 records";
  Feed(Csv{});
  EXPECT_TRUE(Shows(248, kCar));
}

TEST_F(VehiclePanel, SpeedLimitSignSteadyBlinkingAndEmpty) {
  for (int i = 1; i <= 12; ++i) {
    Feed(Csv{.signState = 0, .signSpeed = 80});
    EXPECT_TRUE(Shows(280, kSign)) << "steady, record " << i;
  }
  // Blinking: 4 shown, 5 hidden, 5 shown, 5 hidden.
  const char* pattern = "1111000001111100000";
  for (int i = 0; pattern[i]; ++i) {
    Feed(Csv{.signState = 1, .signSpeed = 80});
    EXPECT_TRUE(Shows(pattern[i] == '1' ? 280 : kNothing, kSign)) << "blinking, record " << i + 1;
  }

  struct Case {
    int state, speed, image;
  };
  const Case cases[] = {{3, 80, 285}, {0, 85, 285}, {0, 30, 275}, {0, 120, 284}, {0, 20, 285}, {0, 130, 285},
                        {2, 35, 285}};
  for (const Case& c : cases) {
    Feed(Csv{.signState = c.state, .signSpeed = c.speed});
    EXPECT_TRUE(Shows(c.image, kSign)) << "state " << c.state << ", speed " << c.speed;
  }
}

// The empty ring of "no sign" leaves the blink phase where it was.
TEST_F(VehiclePanel, NoSignDoesNotAdvanceTheBlink) {
  for (int i = 0; i < 3; ++i) Feed(Csv{.signState = 1, .signSpeed = 50});
  Feed(Csv{.signState = 3, .signSpeed = 50});
  EXPECT_TRUE(Shows(285, kSign));
  Feed(Csv{.signState = 1, .signSpeed = 50});
  EXPECT_TRUE(Shows(277, kSign)) << "4th blinking record";
  Feed(Csv{.signState = 1, .signSpeed = 50});
  EXPECT_TRUE(Shows(kNothing, kSign)) << "5th blinking record";
}

// Values the digits cannot show are saturated: 1000 km/h shows 999, not an image past the nines.
TEST_F(VehiclePanel, SpeedAndRpmDigits) {
  struct Case {
    int speed, rpm;
    int speedDigits[3];
    int rpmDigits[5];
  };
  const Case cases[] = {
      {7, 850, {0, 0, 7}, {0, 0, 8, 5, 0}},
      {123, 45678, {1, 2, 3}, {4, 5, 6, 7, 8}},
      {999, 99999, {9, 9, 9}, {9, 9, 9, 9, 9}},
      {1000, 100000, {9, 9, 9}, {9, 9, 9, 9, 9}},
      {0, 0, {0, 0, 0}, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "speed " << c.speed << ", rpm " << c.rpm);
    Feed(Csv{.speed = c.speed, .rpm = c.rpm});
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Shows(180 + c.speedDigits[i], kSpeedDigit[i]));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Shows(190 + c.rpmDigits[i], RpmDigit(i)));
  }
  // The JSON form does not turn a negative speed away; it shows as 000.
  Feed(Dsm{.speed = -5});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Shows(180, kSpeedDigit[i], kMonitorBackground));
  Feed(Dsm{.speed = 2000});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Shows(189, kSpeedDigit[i], kMonitorBackground));
}

TEST_F(VehiclePanel, MphCarriesIntoTheNeutralLayout) {
  EXPECT_TRUE(Shows(267, kUnit));
  Feed(Csv{.unit = 1});
  EXPECT_TRUE(Shows(268, kUnit));
  Start();
  EXPECT_TRUE(Shows(268, kUnit));
  EXPECT_TRUE(Shows(248, kCar)) << "the neutral layout is shown";
  Feed(Csv{.unit = 0});
  EXPECT_TRUE(Shows(267, kUnit));
  Start();
  EXPECT_TRUE(Shows(267, kUnit));
}

TEST_F(VehiclePanel, NeutralLayoutOfEachModel) {
  struct Case {
    DeviceModel model;
    int background;
    std::vector<std::pair<QRect, int>> shown;
  };
  const Case cases[] = {
      {VRAN2X, kAssistBackground,
       {{kLeftSignal, 173}, {kLaneLeft, 253}, {kCar, 248}, {kLaneRight, 258}, {kRightSignal, 175},
        {kPedestrian, 170}, {kBrake, 178}, {kSign, 285}, {kSpeedDigit[2], 180}, {RpmDigit(4), 190}}},
      {KOTR4, kMonitorBackground,
       {{kDrowsy, 306}, {kYawn, 308}, {kPhone, 310}, {kSmoking, 312}, {kDistraction, 314}, {kSpeedDigit[0], 180},
        {kUnit, 267}}},
  };
  for (const Case& c : cases) {
    device_model = c.model;
    Start();
    for (const auto& [rect, image] : c.shown) EXPECT_TRUE(Shows(image, rect, c.background)) << c.model;
    EXPECT_TRUE(Shot().copy(kGraph) == Expected(c.background, kNothing, kGraph)) << c.model;
  }
}

TEST_F(VehiclePanel, JsonRecordSwitchesToDriverMonitoring) {
  Feed(Csv{.left = 1});
  Feed(Dsm{.pfid = 0x20});
  EXPECT_EQ(device_model, KOTR4);
  EXPECT_NE(ConfigIni().find("Model=KOTR4"), std::string::npos) << ConfigIni();
  QCoreApplication::processEvents();
  EXPECT_EQ(window.messages, std::vector<unsigned>{0x41C});
  EXPECT_TRUE(Shows(305, kDrowsy, kMonitorBackground));
  EXPECT_TRUE(Shows(308, kYawn, kMonitorBackground));

  Feed(Dsm{});
  QCoreApplication::processEvents();
  EXPECT_EQ(window.messages.size(), 1u) << "a second JSON record switches nothing";
}

TEST_F(VehiclePanel, CommaSeparatedRecordSwitchesOnlyFromDriverMonitoring) {
  struct Case {
    DeviceModel before, after;
    bool announced;
  };
  const Case cases[] = {{VRAN2X, VRAN2X, false}, {VRAN3, VRAN3, false}, {KOTR4, VRAN3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    QFile::remove(QStringLiteral("Config.ini"));
    window.messages.clear();
    device_model = c.before;
    Feed(Csv{.right = 1});
    QCoreApplication::processEvents();
    EXPECT_EQ(device_model, c.after);
    EXPECT_EQ(window.messages.size(), c.announced ? 1u : 0u);
    EXPECT_EQ(ConfigIni().find("Model=VRAN3") != std::string::npos, c.announced) << ConfigIni();
    EXPECT_TRUE(Shows(174, kRightSignal)) << "drawn over the new model's layout";
  }
}

TEST_F(VehiclePanel, DriverStateImages) {
  struct Case {
    int pfid, psr;
    int drowsy, distraction, yawn, phone, smoking;
  };
  const Case cases[] = {
      {0x440, 0, 305, 314, 307, 310, 312}, {0x20, 0x2, 305, 314, 308, 309, 312},
      {0x8, 0x6, 306, 313, 308, 309, 311}, {0x4, 0x4, 306, 313, 308, 310, 311},
      {0x1, 0x1, 306, 314, 308, 310, 312},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "PFID " << c.pfid << ", PSR " << c.psr);
    NewPanel();
    Feed(Dsm{.pfid = c.pfid, .psr = c.psr});
    EXPECT_TRUE(Shows(c.drowsy, kDrowsy, kMonitorBackground));
    EXPECT_TRUE(Shows(c.distraction, kDistraction, kMonitorBackground));
    EXPECT_TRUE(Shows(c.yawn, kYawn, kMonitorBackground));
    EXPECT_TRUE(Shows(c.phone, kPhone, kMonitorBackground));
    EXPECT_TRUE(Shows(c.smoking, kSmoking, kMonitorBackground));
  }
}

TEST_F(VehiclePanel, YawningHeld22RecordsAndEndedByPfid1) {
  Feed(Dsm{.pfid = 0x400});
  for (int i = 1; i <= 22; ++i) {
    Feed(Dsm{});
    EXPECT_TRUE(Shows(307, kYawn, kMonitorBackground)) << "record " << i << " after the report";
  }
  Feed(Dsm{});
  EXPECT_TRUE(Shows(308, kYawn, kMonitorBackground));

  Feed(Dsm{.pfid = 0x400});
  Feed(Dsm{});
  Feed(Dsm{.pfid = 1});
  EXPECT_TRUE(Shows(308, kYawn, kMonitorBackground));
  Feed(Dsm{.pfid = 0x400});
  Feed(Dsm{.pfid = 2});
  EXPECT_TRUE(Shows(308, kYawn, kMonitorBackground)) << "2 ends the hold too";
}

// Pure colours of the three traces.
const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 128, 0), kBlue = qRgb(0, 0, 255);

// The rightmost column (above the labels) holding a pixel of the colour, or -1.
int TraceEnd(const QImage& shot, QRgb colour) {
  for (int x = shot.width() - 1; x >= 240; --x)
    for (int y = 0; y < 100; ++y)
      if (shot.pixel(x, y) == colour) return x;
  return -1;
}
// The topmost row of column x holding a pixel of the colour, or -1.
int TraceRow(const QImage& shot, int x, QRgb colour) {
  for (int y = 0; y < shot.height(); ++y)
    if (shot.pixel(x, y) == colour) return y;
  return -1;
}

TEST_F(VehiclePanel, GraphSampleRows) {
  panel->ResetGraph();
  Feed(Csv{.ax = 1.0, .ay = 0.0, .az = -1.0});
  QImage shot = Shot();
  EXPECT_EQ(TraceRow(shot, 260, kRed), 0);
  EXPECT_EQ(TraceRow(shot, 260, kGreen), 61);
  EXPECT_EQ(TraceRow(shot, 260, kBlue), 122);
  EXPECT_NEAR(TraceEnd(shot, kRed), 280, 1) << "one sample: newest point at 240, the first repeated 40 px right";

  Feed(Csv{.ax = 1.01, .ay = 0.5, .az = -1.0});
  shot = Shot();
  EXPECT_EQ(TraceRow(shot, 260, kRed), 0) << "1.01 is not stored; the x trace stays";
  EXPECT_NEAR(TraceEnd(shot, kRed), 280, 1);
  EXPECT_EQ(TraceRow(shot, 240, kGreen), 31);
  EXPECT_NEAR(TraceEnd(shot, kGreen), 320, 1);
}

TEST_F(VehiclePanel, GraphThinnedAtHigherSpeeds) {
  struct Case {
    int speed, records, stored, newestRow;
  };
  // Record k (from 1) carries x = 0.1 k; the newest stored sample starts the trace at x 240.
  const Case cases[] = {
      {1, 4, 4, GraphSeries::PixelRow(0.4)},
      {2, 4, 2, GraphSeries::PixelRow(0.3)},
      {2, 5, 3, GraphSeries::PixelRow(0.5)},
      {4, 6, 2, GraphSeries::PixelRow(0.5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "speed " << c.speed << ", " << c.records << " records");
    NewPanel();
    panel->ResetGraph();
    player_globals.playback_speed = c.speed;
    for (int k = 1; k <= c.records; ++k) Feed(Csv{.ax = 0.1 * k});
    const QImage shot = Shot();
    EXPECT_NEAR(TraceEnd(shot, kRed), 240 + 40 * c.stored, 1);
    EXPECT_EQ(TraceRow(shot, 240, kRed), c.newestRow);
  }
}

TEST_F(VehiclePanel, GraphReferencesAndReset) {
  Feed(Csv{.ax = 0.5});
  EXPECT_TRUE(Shot().copy(kGraph) == Expected(kAssistBackground, kNothing, kGraph)) << "no series before the first reset";

  panel->ResetGraph();
  Feed(Csv{.ax = 0.5});
  Feed(Csv{.ax = 0.5});
  EXPECT_NEAR(TraceEnd(Shot(), kRed), 320, 1);

  panel->ClearGraphReferences();
  Feed(Csv{.ax = -0.5});
  QImage shot = Shot();
  EXPECT_NEAR(TraceEnd(shot, kRed), 320, 1) << "samples go nowhere between recordings";
  EXPECT_EQ(TraceRow(shot, 260, kRed), GraphSeries::PixelRow(0.5));

  panel->ResetGraph();
  Feed(Csv{.ax = -0.5});
  shot = Shot();
  EXPECT_NEAR(TraceEnd(shot, kRed), 280, 1) << "a reset starts an empty trace";
  EXPECT_EQ(TraceRow(shot, 260, kRed), GraphSeries::PixelRow(-0.5));
}

TEST_F(VehiclePanel, DeviceVersionHandedOverOncePerPlayback) {
  using Versions = std::vector<std::pair<std::string, int32_t>>;
  Feed(Csv{});
  EXPECT_EQ(versions, Versions{}) << "no playback start seen yet";

  Start();
  Feed(Csv{.speed = -1});  // not accepted: does not count
  for (int i = 0; i < 3; ++i) Feed(Csv{});
  EXPECT_EQ(versions, (Versions{{"2.0.03", 0x95}}));

  Start();
  Feed(Dsm{});  // the JSON form passes nothing on and leaves the hand-over pending
  Feed(Csv{.fwMajor = 1, .fwMinor = 2, .fwPatch = 123, .code = 0x55});
  Start();
  Feed(Csv{.fwMajor = -1, .code = 0x95});
  EXPECT_EQ(versions, (Versions{{"2.0.03", 0x95}, {"1.2.123", 0x55}, {"", 0}}));
}

TEST_F(VehiclePanel, IgnoredTextsLeaveThePicture) {
  Feed(Csv{.left = 1, .lane = 1});
  const QImage before = Shot();
  struct Case {
    const char* what;
    int running;
    std::string text;
  };
  const Case cases[] = {
      {"player not running", 0, Csv{.right = 1}.Text()},
      {"negative speed", 1, Csv{.speed = -1, .right = 1}.Text()},
      {"negative rpm", 1, Csv{.rpm = -3, .right = 1}.Text()},
      {"empty text", 1, std::string()},
      {"cut before the rpm", 1, "55"},
  };
  for (const Case& c : cases) {
    player_globals.player_running = c.running;
    Feed(c.text);
    EXPECT_TRUE(Shot() == before) << c.what;
  }
  EXPECT_EQ(device_model, VRAN3);
}

// A record handled while another is being handled (an event loop run inside the handler)
// is dropped.
TEST_F(VehiclePanel, NestedTelemetryIsDropped) {
  bool nestedDone = false;
  panel->setDeviceVersionText = [&](const std::string&, int32_t) {
    Feed(Dsm{.pfid = 0x20});
    nestedDone = true;
  };
  Start();
  Feed(Csv{});
  ASSERT_TRUE(nestedDone);
  EXPECT_EQ(device_model, VRAN3);
  EXPECT_TRUE(Shows(248, kCar));
}

TEST_F(VehiclePanel, Keys) {
  int fullScreenToggles = 0, playPauseToggles = 0;
  bool fullScreen = false;
  panel->isFullScreen = [&] { return fullScreen; };
  panel->toggleFullScreen = [&] { ++fullScreenToggles; };
  panel->togglePlayPause = [&] { ++playPauseToggles; };
  struct Case {
    Qt::Key key;
    bool fullScreen, playing;
    int fullScreenToggles, playPauseToggles;
    bool passedOn;
  };
  const Case cases[] = {
      {Qt::Key_Return, false, true, 0, 0, false}, {Qt::Key_Escape, false, true, 0, 0, false},
      {Qt::Key_Return, true, true, 1, 0, false},  {Qt::Key_Escape, true, false, 1, 0, false},
      {Qt::Key_Space, false, true, 0, 1, false},  {Qt::Key_Space, false, false, 0, 0, false},
      {Qt::Key_Left, false, false, 0, 0, false},  {Qt::Key_Right, false, false, 0, 0, false},
      {Qt::Key_A, false, true, 0, 0, true},       {Qt::Key_Up, false, true, 0, 0, true},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<char[]> keyName(QTest::toString(c.key));  // new[]'d, ours to free
    SCOPED_TRACE(keyName.get());
    fullScreen = c.fullScreen;
    player_globals.playing = c.playing;
    fullScreenToggles = playPauseToggles = 0;
    window.keys.clear();
    QTest::keyClick(panel.get(), c.key);
    EXPECT_EQ(fullScreenToggles, c.fullScreenToggles);
    EXPECT_EQ(playPauseToggles, c.playPauseToggles);
    EXPECT_EQ(window.keys.size(), c.passedOn ? 1u : 0u);
  }
  player_globals.playing = 0;
}

// Pictures of the panel while records play, written to the build folder for the issue note.
TEST_F(VehiclePanel, ScreenshotsWhilePlaying) {
  panel->ResetGraph();
  for (int k = 0; k < 14; ++k)
    Feed(Csv{.speed = 87, .rpm = 2450, .left = 1, .ax = 0.3 * ((k % 5) - 2) / 2, .ay = 0.1 * (k % 3), .az = -0.9,
             .lane = 1, .front = 4, .pedestrian = 3, .signState = 0, .signSpeed = 80});
  EXPECT_TRUE(Shot().save(QStringLiteral(VEHICLE_SHOT_DIR "/vehicle_panel_driver_assistance.png")));
  for (int k = 0; k < 14; ++k)
    Feed(Dsm{.speed = 54, .pfid = 0x420, .psr = 0x2, .gx = 400 * (k % 4), .gy = -800, .gz = 4900});
  EXPECT_TRUE(Shot().save(QStringLiteral(VEHICLE_SHOT_DIR "/vehicle_panel_driver_monitoring.png")));
}

}  // namespace
