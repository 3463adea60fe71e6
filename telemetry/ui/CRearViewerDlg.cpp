#include "CRearViewerDlg.h"

#include "CBitmapButton.h"
#include "CWebBrowser2.h"
#include "DrawPngResource.h"
#include "DriverMonitorRecord.h"
#include "InternetConnection.h"
#include "MapPage.h"
#include "MapViewerBridge.h"
#include "Player.h"
#include "PlayerNotifier.h"
#include "TelemetryRecord.h"
#include "VideoSurface.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QPainter>
#include <QWindow>

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <ctime>

std::uint32_t lastCsvMapMove = 0;
std::uint32_t lastJsonMapMove = 0;

std::uint32_t MonotonicTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

namespace {

constexpr std::uint16_t kKorean = 1042;

enum class PaneCommand { FullScreen, PlayPause, SeekBack, SeekForward, NextEvent, PreviousEvent };

// The pane's keyboard table. The keys are consumed whether or not a playback runs.
constexpr struct {
  int key;
  PaneCommand command;
} kPaneKeys[] = {
    {Qt::Key_Return, PaneCommand::FullScreen}, {Qt::Key_Enter, PaneCommand::FullScreen},
    {Qt::Key_Escape, PaneCommand::FullScreen}, {Qt::Key_Space, PaneCommand::PlayPause},
    {Qt::Key_Left, PaneCommand::SeekBack},     {Qt::Key_Right, PaneCommand::SeekForward},
    {Qt::Key_PageDown, PaneCommand::NextEvent}, {Qt::Key_PageUp, PaneCommand::PreviousEvent},
};

// "%.6f" in the C locale whatever the process locale is (a decimal comma would split each
// number into two arguments).
// Room for any double in fixed notation (up to 309 integer digits).
void AppendFixed6(std::string& out, double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

}  // namespace

CRearViewerDlg::CRearViewerDlg(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  resize(360, 288);
  if (ui_language == kKorean) {
    m_mapHeaderImage = 216;
    m_viewerHeaderImage = 217;
  }

  m_viewerHeader = new CBitmapButton(this);
  m_viewerHeader->setObjectName(QStringLiteral("ctl%1").arg(kViewerHeader));
  m_mapHeader = new CBitmapButton(this);
  m_mapHeader->setObjectName(QStringLiteral("ctl%1").arg(kMapHeader));
  m_videoSurface = new VideoSurface(this);
  m_videoSurface->setObjectName(QStringLiteral("ctl%1").arg(kVideoSurface));

  player_globals.video2_hwnd = m_videoSurface->nativeId();
  // Uncovered, the surface shows what covered it until the engine draws again.
  connect(m_videoSurface, &VideoSurface::exposed, this, [] {
    if (player_globals.playing) redraw_video();
  });

  SetUpBrowser();

  m_viewerHeader->setGeometry(0, 0, 360, 43);
  m_videoSurface->setGeometry(0, 43, 360, 202);
  m_mapHeader->setGeometry(0, 43, 360, 43);
  m_viewerHeader->LoadBitmaps(m_viewerHeaderImage);
  m_mapHeader->LoadBitmaps(m_mapHeaderImage);
  m_browser->setGeometry(0, 86, 360, 202);
  m_browser->setEnabled(true);
  m_browser->show();
  // The pane starts in its Map state, as ShowMap leaves it.
  m_videoSurface->hide();
  m_videoSurface->setEnabled(false);
  m_viewerHeader->show();
  m_mapHeader->show();
  m_mapHeader->raise();

  connect(m_viewerHeader, &QAbstractButton::clicked, this, &CRearViewerDlg::ShowViewer);
  connect(m_mapHeader, &QAbstractButton::clicked, this, &CRearViewerDlg::ShowMap);
  // Keys reach the pane's own handling before the focused child (the browser would scroll the
  // map with the arrow keys).
  qApp->installEventFilter(this);
}

CRearViewerDlg::~CRearViewerDlg() {
  qApp->removeEventFilter(this);
  // The browser's window lives inside this pane's window: it goes first.
  m_browser.reset();
}

void CRearViewerDlg::SetUpBrowser() {
  // The question is asked once; without an answer of yes the page asks for no tiles.
  m_tilesRequested = InternetConnected();
  // Chromium refuses to start as root with its sandbox; the web engine reads this when the
  // first view is made.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  // The browser is a window of its own, embedded into this pane's native window. As a child
  // widget it would turn on GL composition for the whole main window, which recreates the
  // native windows (the published video surfaces go stale) and leaves every other native
  // child of the window unpainted.
  m_browser.reset(new CWebBrowser2);
  m_browser->setObjectName(QStringLiteral("ctl%1").arg(kBrowser));
  m_browser->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  m_browser->installEventFilter(this);
  // Clicks on a route come back through the web channel; the routes are given again whenever
  // a page has loaded.
  m_bridge = new MapViewerBridge(this);
  connect(m_bridge, &MapViewerBridge::seekRequested, this, [this](int tick) {
    if (seekToTick) seekToTick(tick);
  });
  connect(m_bridge, &MapViewerBridge::tripRequested, this, [this](int id, int tick) {
    if (openTripAt) openTripAt(id, tick);
  });
  auto* channel = new QWebChannel(m_browser.get());
  channel->registerObject(QStringLiteral("viewer"), m_bridge);
  m_browser->page()->setWebChannel(channel);
  connect(m_browser.get(), &QWebEngineView::loadFinished, this, &CRearViewerDlg::RunRouteScripts);
  EmbedBrowser();
  m_browser->Navigate(MapPageLocation(ui_language), m_tilesRequested);
}

void CRearViewerDlg::EmbedBrowser() {
  m_browser->winId();  // the pane's own native window exists: its video surface made it
  m_browser->windowHandle()->setParent(windowHandle());
  m_browser->setGeometry(0, 86, 360, 202);
}

bool CRearViewerDlg::event(QEvent* e) {
  if (e->type() == ViewerMessage::eventType()) {
    const auto* message = static_cast<ViewerMessage*>(e);
    if (message->message == kMsgTelemetryMap) {
      OnTelemetry(message->wparam, message->lparam, message->text);
      return true;
    }
  }
  return QWidget::event(e);
}

int CRearViewerDlg::OnTelemetry(int64_t /*wParam*/, int64_t lParam, const std::string& text) {
  if (m_viewerMode == 1) return 0;  // the map is not shown
  std::unique_lock<std::mutex> lock(telemetryLock, std::try_to_lock);
  if (!lock.owns_lock()) return 0;
  if (lParam != 0 && player_globals.player_running.load(std::memory_order_relaxed) != 0) {
    if (IsDriverMonitorText(text.c_str()))
      MoveMapFromJson(text);
    else
      MoveMapFromCsv(text);
  }
  return 0;
}

void CRearViewerDlg::MoveMapFromCsv(const std::string& text) {
  const std::uint32_t now = tickCount();
  // The throttle comes first: a text inside the interval is not even parsed.
  if (now - lastCsvMapMove < kMapMoveIntervalMs) return;
  TelemetryRecord record;
  if (!ParseTelemetryPosition(text.c_str(), record)) return;
  if (record.gpsFix <= 1) return;
  MoveMap(record.latitude, record.longitude);
  lastCsvMapMove = now;
}

void CRearViewerDlg::MoveMapFromJson(const std::string& text) {
  const std::uint32_t now = tickCount();
  DriverMonitorRecord record;
  if (!ParseDriverMonitorPosition(text.c_str(), record)) return;
  if (record.gpsFix == 0) return;
  if (now - lastJsonMapMove < kMapMoveIntervalMs) return;
  MoveMap(record.latitude, record.longitude);
  lastJsonMapMove = now;
}

void CRearViewerDlg::MoveMap(double latitude, double longitude) {
  std::string script = "MapMove(";
  AppendFixed6(script, latitude);
  script += ',';
  AppendFixed6(script, longitude);
  script += ')';
  RunScript(script);
}

void CRearViewerDlg::RunScript(const std::string& script) {
  if (script.empty()) return;
  m_browser->ExecScript(QString::fromStdString(script));
}

void CRearViewerDlg::ClearMap() {
  // Positions of the ended playback still queued would put its marker back.
  QCoreApplication::removePostedEvents(this, ViewerMessage::eventType());
  m_routeScripts = {"ClearMap()"};
  RunScript(m_routeScripts.back());
}

void CRearViewerDlg::ShowRoute(const std::string& points, const QString& message) {
  // The message as a JSON string: the array's brackets cut off.
  const QByteArray quoted = QJsonDocument(QJsonArray{message}).toJson(QJsonDocument::Compact);
  m_routeScripts = {"ShowRoute({points:" + points + ",message:" + quoted.mid(1, quoted.size() - 2).toStdString() +
                    "})"};
  RunScript(m_routeScripts.back());
}

void CRearViewerDlg::AddTripRoute(int id, const std::string& points) {
  m_routeScripts.push_back("AddTripRoute({id:" + std::to_string(id) + ",points:" + points + "})");
  RunScript(m_routeScripts.back());
}

void CRearViewerDlg::RunRouteScripts() {
  for (const std::string& script : m_routeScripts) RunScript(script);
}

QString CRearViewerDlg::NoPositionMessage() {
  return ui_language == kKorean ? QStringLiteral("이 영상에는 GPS 위치 정보가 없습니다")
                                : QStringLiteral("No GPS position in this recording");
}

void CRearViewerDlg::SelectRearView(int has_second_video) {
  if (QWidget* swap = window()->findChild<QWidget*>(QStringLiteral("ctl1019")))
    swap->setEnabled(has_second_video == 1);
  m_secondVideo = has_second_video == 1;
  if (has_second_video == 1)
    ShowViewer();
  else
    ShowMap();
  UpdateVideoSurface();  // the Viewer section may have been open already
  if (recordingOpened) recordingOpened();
}

void CRearViewerDlg::PlaybackStopped() {
  m_secondVideo = false;
  UpdateVideoSurface();
}

void CRearViewerDlg::UpdateVideoSurface() {
  const bool shown = m_viewerMode == 1 && m_secondVideo;
  if (m_videoSurface->isHidden() != shown) return;
  m_videoSurface->setVisible(shown);
  update();  // the vacated area shows the placeholder
}

void CRearViewerDlg::ShowViewer() {
  if (m_viewerMode == 1) return;
  m_viewerMode = 1;
  m_videoSurface->hide();
  m_mapHeader->hide();
  m_browser->hide();
  m_mapHeader->setGeometry(0, 245, 360, 43);
  m_videoSurface->setEnabled(true);
  if (m_secondVideo) m_videoSurface->show();
  m_mapHeader->show();
  m_browser->setEnabled(false);
  update();
}

void CRearViewerDlg::ShowMap() {
  if (m_viewerMode == 0) return;
  m_viewerMode = 0;
  m_videoSurface->hide();
  m_mapHeader->hide();
  m_mapHeader->setGeometry(0, 43, 360, 43);
  m_mapHeader->show();
  m_browser->setEnabled(true);
  m_browser->show();
  m_videoSurface->setEnabled(false);
  update();  // the vacated video area shows the background again
}

void CRearViewerDlg::ToggleViewerHeader() {
  m_viewerHeader->hide();
  if (ui_language == kKorean)
    m_viewerHeaderImage = m_viewerHeaderImage == 217 ? 269 : 217;
  else
    m_viewerHeaderImage = m_viewerHeaderImage == 254 ? 270 : 254;
  m_viewerHeader->LoadBitmaps(m_viewerHeaderImage);
  m_viewerHeader->show();
}

void CRearViewerDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(100, 100, 100));
  DrawPngResourceAtOwnSize(painter, 168, 0, 43);
}

void CRearViewerDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) setFocus(Qt::MouseFocusReason);
  QWidget::mousePressEvent(e);
}

bool CRearViewerDlg::eventFilter(QObject* watched, QEvent* e) {
  // The web view recreates its window once its renderer appears; embed the new one.
  if (watched == m_browser.get() && e->type() == QEvent::WinIdChange && m_browser->internalWinId()) {
    EmbedBrowser();
    return false;
  }
  if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    const bool inPane = widget == this || isAncestorOf(widget) ||
                        (m_browser && (widget == m_browser.get() || m_browser->isAncestorOf(widget)));
    if (inPane && HandleKey(static_cast<QKeyEvent*>(e)->key())) return true;
  }
  return QWidget::eventFilter(watched, e);
}

bool CRearViewerDlg::HandleKey(int key) {
  for (const auto& entry : kPaneKeys) {
    if (entry.key != key) continue;
    if (player_globals.playing.load(std::memory_order_relaxed) != 0) {
      switch (entry.command) {
        case PaneCommand::FullScreen:
          if (toggleFullScreen) toggleFullScreen();
          break;
        case PaneCommand::PlayPause:
          if (togglePlayPause) togglePlayPause();
          break;
        case PaneCommand::SeekBack: seek_relative(-5); break;
        case PaneCommand::SeekForward: seek_relative(5); break;
        case PaneCommand::NextEvent:
          if (jumpToEvent) jumpToEvent(1);
          break;
        case PaneCommand::PreviousEvent:
          if (jumpToEvent) jumpToEvent(-1);
          break;
      }
    }
    return true;
  }
  return false;
}
