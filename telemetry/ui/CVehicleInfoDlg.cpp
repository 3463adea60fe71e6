#include "CVehicleInfoDlg.h"

#include <QFont>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdio>

#include "Player.h"
#include "DriverMonitorRecord.h"
#include "TelemetryRecord.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

namespace {

constexpr unsigned kMsgModelChanged = 0x41C;

constexpr int kVehicleWidth = 240;  // the vehicle picture; the graph starts here
constexpr int kGraphLeft = 240;
constexpr int kSampleSpacing = 40;

// Panel artwork, decoded once and kept: nothing depends on decoding it again.
const QImage& PanelImage(int id) {
  static QHash<int, QImage> cache;
  auto it = cache.find(id);
  if (it == cache.end()) it = cache.insert(id, QImage(QStringLiteral(":/png/%1.png").arg(id)));
  return *it;
}

// Draws PNG resource `id` scaled into the rectangle; a missing or undecodable image draws nothing.
void DrawPng(QPainter& p, int id, int x, int y, int width, int height) {
  const QImage& image = PanelImage(id);
  if (!image.isNull()) p.drawImage(QRect(x, y, width, height), image);
}

// Three large digits of the speed. Values beyond the digit images are shown at the nearest end
// of the range the digits can show (a negative speed as 000, 1000 and more as 999).
void DrawSpeedDigits(QPainter& p, int32_t speed) {
  const int s = std::clamp(speed, 0, 999);
  DrawPng(p, 180 + s / 100, 22, 90, 11, 18);
  DrawPng(p, 180 + s % 100 / 10, 33, 90, 11, 18);
  DrawPng(p, 180 + s % 10, 44, 90, 11, 18);
}

// The RPM label and five small digits, saturated at 99999 like the speed.
void DrawRpm(QPainter& p, int32_t rpm) {
  DrawPng(p, 176, 129, 95, 39, 16);
  const int r = std::clamp(rpm, 0, 99999);
  const int digits[5] = {r / 10000, r % 10000 / 1000, r % 1000 / 100, r % 100 / 10, r % 10};
  for (int i = 0; i < 5; ++i) DrawPng(p, 190 + digits[i], 171 + 9 * i, 96, 9, 12);
}

QImage NewVehiclePicture() {
  QImage picture(kVehicleWidth, CVehicleInfoDlg::kHeight, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::white);
  return picture;
}

}  // namespace

CVehicleInfoDlg::CVehicleInfoDlg(QWidget* parent)
    : QWidget(parent), m_frame(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied) {
  setFixedSize(kWidth, kHeight);
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_frame.fill(QColor(100, 100, 100));
}

CVehicleInfoDlg::~CVehicleInfoDlg() = default;

bool CVehicleInfoDlg::event(QEvent* e) {
  if (e->type() == ViewerMessage::eventType()) {
    const auto* message = static_cast<ViewerMessage*>(e);
    if (message->message == kMsgTelemetry) {
      OnTelemetry(message->wparam, message->lparam, message->text);
      return true;
    }
  }
  return QWidget::event(e);
}

int CVehicleInfoDlg::OnTelemetry(int64_t /*wParam*/, int64_t lParam, const std::string& text) {
  // Turns away a nested call (a handler that ends up pumping events); never blocks.
  std::unique_lock<std::mutex> lock(telemetryLock, std::try_to_lock);
  if (!lock.owns_lock()) return 0;

  if (lParam == 0) {
    InvalidateWithErase();
    newRecording = true;
    return 0;
  }
  if (player_globals.player_running.load(std::memory_order_relaxed) == 0) return 0;
  // The message owns its copy of the engine's text. An empty text is no record of either
  // form, so it neither switches the model nor draws.
  if (text.empty()) return 0;

  if (IsDriverMonitorText(text.c_str())) {
    if (device_model != KOTR4) SwitchModel(KOTR4);
    DriverMonitorRecord d;
    if (ParseDriverMonitorRecord(text.c_str(), d)) DrawDriverMonitor(d);
  } else {
    if (device_model != VRAN3 && device_model != VRAN2X) SwitchModel(VRAN3);
    TelemetryRecord r;
    if (ParseTelemetryRecord(text.c_str(), r)) {
      if (newRecording) {
        PassFirmwareVersion(r);
        newRecording = false;
      }
      DrawDriverAssistance(r);
    }
  }
  return 0;
}

void CVehicleInfoDlg::SwitchModel(DeviceModel model) {
  device_model = model;
  SaveViewerModel();
  InvalidateWithErase();
  ViewerMessage::post(parentWidget(), kMsgModelChanged, 0, 0);
}

void CVehicleInfoDlg::PassFirmwareVersion(const TelemetryRecord& r) {
  if (!setDeviceVersionText) return;
  if (r.fwMajor >= 0)
    setDeviceVersionText(FormatFirmwareVersion(r.fwMajor, r.fwMinor, r.fwPatch), r.deviceCode);
  else
    setDeviceVersionText(std::string(), 0);
}

void CVehicleInfoDlg::DrawCommonHead(QPainter& p, int32_t speedUnit, int32_t speed) {
  DrawPng(p, device_model == KOTR4 ? 304 : 171, 0, 0, kVehicleWidth, kHeight);
  mphShown = speedUnit != 0;
  DrawPng(p, mphShown ? 268 : 267, 65, 93, 40, 18);
  DrawSpeedDigits(p, speed);
}

void CVehicleInfoDlg::DrawDriverAssistance(const TelemetryRecord& r) {
  FeedGraph(r.accelX, r.accelY, r.accelZ);

  QImage picture = NewVehiclePicture();
  {
    QPainter p(&picture);
    DrawCommonHead(p, r.speedUnit, r.speed);
    DrawRpm(p, r.rpm);
    DrawPng(p, r.leftSignal == 1 ? 172 : 173, 14, 2, 34, 38);
    DrawPng(p, r.rightSignal == 1 ? 174 : 175, 195, 2, 34, 38);
    DrawPng(p, r.brake == 1 ? 177 : 178, 99, 44, 43, 38);
    DrawLaneIndicator(p, r.laneDeparture);
    DrawVehicleIndicator(p, r.frontVehicle);
    DrawPng(p, r.pedestrian == 1 ? 264 : r.pedestrian == 3 ? 169 : 170, 31, 44, 34, 38);
    DrawSpeedLimitSign(p, r.signState, r.signSpeed);
  }
  PutOnWindow(picture);
}

void CVehicleInfoDlg::DrawDriverMonitor(const DriverMonitorRecord& d) {
  FeedGraph(d.accelX, d.accelY, d.accelZ);

  QImage picture = NewVehiclePicture();
  {
    QPainter p(&picture);
    DrawCommonHead(p, d.speedUnit, d.speed);
    DrawPng(p, (d.pfid & 0x20) || (d.pfid & 0x40) ? 305 : 306, 4, 21, 44, 53);
    DrawPng(p, (d.pfid & 0x4) || (d.pfid & 0x8) ? 313 : 314, 192, 21, 44, 53);
    DrawYawnIndicator(p, d.pfid);
    DrawPng(p, (d.psr & 0x2) ? 309 : 310, 99, 21, 44, 53);
    DrawPng(p, (d.psr & 0x4) ? 311 : 312, 144, 21, 44, 53);
  }
  PutOnWindow(picture);
}

// A departure warning stays for the record that reports it and the 9 records after the last
// report; a new warning replaces a held one at once.
void CVehicleInfoDlg::DrawLaneIndicator(QPainter& p, int32_t v) {
  if (laneHoldCount >= 1 && laneHoldCount <= 9) {
    if (v == 1 || v == 2)
      laneHoldCount = 0;
    else
      v = laneHeld;
  } else {
    laneHoldCount = 0;
  }
  if (v == 1) {
    DrawPng(p, 251, 58, 2, 34, 38);
    DrawPng(p, 258, 151, 2, 34, 38);
    ++laneHoldCount;
    laneHeld = 1;
  } else if (v == 2) {
    DrawPng(p, 256, 151, 2, 34, 38);
    DrawPng(p, 253, 58, 2, 34, 38);
    ++laneHoldCount;
    laneHeld = 2;
  } else {
    DrawPng(p, 253, 58, 2, 34, 38);
    DrawPng(p, 258, 151, 2, 34, 38);
  }
}

// Held like the lane warning; a newly reported level during a hold restarts the hold and is
// shown at once (a red car must not be masked by an older orange one).
void CVehicleInfoDlg::DrawVehicleIndicator(QPainter& p, int32_t v) {
  if (vehicleHoldCount >= 1 && vehicleHoldCount <= 9) {
    if (v == 0)
      v = vehicleHeld;
    else
      vehicleHoldCount = 0;
  } else {
    vehicleHoldCount = 0;
  }
  int image = 248;
  if (v >= 1 && v <= 3)
    image = 240;
  else if (v == 4)
    image = 242;
  else if (v == 5)
    image = 246;
  if (image != 248) {
    ++vehicleHoldCount;
    vehicleHeld = v;
  }
  DrawPng(p, image, 102, 2, 40, 38);
}

// Yawning stays for the record that reports it and the 22 records after the last report;
// "PFID" exactly 1 or 2 ends the hold at once.
void CVehicleInfoDlg::DrawYawnIndicator(QPainter& p, int32_t pfid) {
  if (yawnHoldCount >= 1 && yawnHoldCount <= 22) {
    if (pfid == 1 || pfid == 2)
      yawnHoldCount = 0;
    else
      pfid = yawnHeld;
  } else {
    yawnHoldCount = 0;
  }
  if (pfid & 0x400) {
    DrawPng(p, 307, 51, 21, 45, 53);
    yawnHeld = 0x400;
    ++yawnHoldCount;
  } else {
    DrawPng(p, 308, 51, 21, 45, 53);
  }
}

// State 3: no sign. State 0: the sign steadily; any other state: blinking, 4 records shown,
// then 5 hidden, 5 shown, and so on.
void CVehicleInfoDlg::DrawSpeedLimitSign(QPainter& p, int32_t state, int32_t speed) {
  if (state == 3) {
    DrawPng(p, 285, 168, 44, 43, 38);
    return;
  }
  if (state == 0)
    signBlinkCount = 0;
  else
    ++signBlinkCount;
  const bool hasImage = speed >= 30 && speed <= 120 && speed % 10 == 0;
  if (!hasImage) {
    DrawPng(p, 285, 168, 44, 43, 38);
    return;
  }
  if (signBlinkCount / 5 % 2 == 0) DrawPng(p, 275 + (speed - 30) / 10, 168, 44, 43, 38);
}

// At higher playback speeds only every playback_speed-th record feeds the graph, so the trace
// keeps its pace in wall time.
void CVehicleInfoDlg::FeedGraph(double x, double y, double z) {
  const int32_t speed = std::max(1, player_globals.playback_speed.load(std::memory_order_relaxed));
  if (speed == 1) {
    AddSample(seriesX, x);
    AddSample(seriesY, y);
    AddSample(seriesZ, z);
    return;
  }
  if (graphSampleCount % speed == 0) {
    AddSample(seriesX, x);
    AddSample(seriesY, y);
    AddSample(seriesZ, z);
  }
  if (++graphSampleCount > 100000000) graphSampleCount = 0;
}

void CVehicleInfoDlg::AddSample(GraphSeries* series, double v) {
  if (!series || seriesList.empty()) return;
  const bool listed = std::any_of(seriesList.begin(), seriesList.end(),
                                  [series](const auto& owned) { return owned.get() == series; });
  if (!listed || !series->Add(v)) return;
  DrawGraph();
}

void CVehicleInfoDlg::DrawGraph() {
  if (seriesList.empty()) return;
  QImage picture(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  {
    QPainter p(&picture);
    DrawPng(p, 179, kGraphLeft, 0, 480, kHeight);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);

    static const QColor kColours[3] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
    static const char* const kPrefixes[3] = {"x: ", "y: ", "z: "};
    static const int kLabelX[3] = {240, 300, 360};
    for (const auto& s : seriesList) {
      if (!s->visible) continue;
      const int axis = std::clamp(s->axis, 0, 2);
      p.setPen(QPen(kColours[axis], 1));
      // Newest sample at the left edge, older ones 40 px apart to the right; points right of
      // the picture are not drawn (the loop stops once a line would start outside).
      QPoint previous;
      for (int i = s->writePos; i >= 0; --i) {
        const QPoint point(kGraphLeft + kSampleSpacing * (s->writePos - i), s->pixelY[i >= 1 ? i - 1 : 0]);
        if (i < s->writePos) p.drawLine(point, previous);
        if (i == s->writePos - 1) {
          char label[48];
          std::snprintf(label, sizeof label, "%s%0.2lf", kPrefixes[axis], s->value[s->writePos - 1]);
          p.drawText(QRect(kLabelX[axis], 105, 120, 18), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QString::fromLatin1(label));
        }
        if (point.x() > kWidth) break;
        previous = point;
      }
    }
  }
  PutOnWindow(picture);
}

void CVehicleInfoDlg::ClearGraphReferences() {
  seriesX = seriesY = seriesZ = nullptr;
}

void CVehicleInfoDlg::ResetGraph() {
  seriesList.clear();
  for (int32_t axis = 0; axis < 3; ++axis) seriesList.push_back(std::make_unique<GraphSeries>(axis));
  auto it = seriesList.begin();
  seriesX = (it++)->get();
  seriesY = (it++)->get();
  seriesZ = it->get();
}

int CVehicleInfoDlg::DrawNeutralLayout(QPainter& dc) {
  const int unit = mphShown ? 268 : 267;
  if (device_model == VRAN3 || device_model == VRAN2X) {
    DrawPng(dc, 171, 0, 0, 240, 123);
    DrawPng(dc, unit, 65, 93, 40, 18);
    DrawPng(dc, 179, 240, 0, 480, 123);
    DrawPng(dc, 173, 14, 2, 34, 38);
    DrawPng(dc, 253, 58, 2, 34, 38);
    DrawPng(dc, 248, 102, 2, 40, 38);
    DrawPng(dc, 258, 151, 2, 34, 38);
    DrawPng(dc, 175, 195, 2, 34, 38);
    DrawPng(dc, 170, 31, 44, 34, 38);
    DrawPng(dc, 178, 99, 44, 43, 38);
    DrawPng(dc, 285, 168, 44, 43, 38);
    for (int x : {22, 33, 44}) DrawPng(dc, 180, x, 90, 11, 18);
    DrawPng(dc, 176, 129, 95, 39, 16);
    for (int x : {171, 180, 189, 198, 207}) DrawPng(dc, 190, x, 96, 9, 12);
    return 0;
  }
  if (device_model == KOTR4) {
    DrawPng(dc, 304, 0, 0, 240, 123);
    DrawPng(dc, 179, 240, 0, 480, 123);
    DrawPng(dc, unit, 65, 93, 40, 18);
    for (int x : {22, 33, 44}) DrawPng(dc, 180, x, 90, 11, 18);
    DrawPng(dc, 306, 4, 21, 44, 53);
    DrawPng(dc, 308, 51, 21, 45, 53);
    DrawPng(dc, 310, 99, 21, 44, 53);
    DrawPng(dc, 312, 144, 21, 44, 53);
    DrawPng(dc, 314, 192, 21, 44, 53);
    return 0;
  }
  return 1;
}

void CVehicleInfoDlg::InvalidateWithErase() {
  m_eraseNeeded = true;
  update();
}

void CVehicleInfoDlg::EraseIfNeeded() {
  if (!m_eraseNeeded) return;
  m_eraseNeeded = false;
  QPainter p(&m_frame);
  DrawNeutralLayout(p);
}

void CVehicleInfoDlg::PutOnWindow(const QImage& picture) {
  EraseIfNeeded();
  {
    QPainter p(&m_frame);
    p.drawImage(0, 0, picture);
  }
  update();
}

void CVehicleInfoDlg::paintEvent(QPaintEvent*) {
  EraseIfNeeded();
  QPainter p(this);
  p.drawImage(0, 0, m_frame);
}

// Showing the panel erases its background, as a repaint of a shown window does.
void CVehicleInfoDlg::showEvent(QShowEvent* e) {
  InvalidateWithErase();
  QWidget::showEvent(e);
}

void CVehicleInfoDlg::keyPressEvent(QKeyEvent* e) {
  const bool playing = player_globals.playing.load(std::memory_order_relaxed) != 0;
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // Only ever leaves full screen.
      if (isFullScreen && isFullScreen() && toggleFullScreen) toggleFullScreen();
      break;
    case Qt::Key_Space:
      if (playing && togglePlayPause) togglePlayPause();
      break;
    case Qt::Key_Left:
      if (playing) seek_relative(-5);
      break;
    case Qt::Key_Right:
      if (playing) seek_relative(5);
      break;
    default:
      QWidget::keyPressEvent(e);
      return;
  }
  e->accept();
}
