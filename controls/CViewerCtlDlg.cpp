#include "CViewerCtlDlg.h"

#include "CGdipButton.h"
#include "CMySliderControl.h"
#include "DrawPngResource.h"
#include "OpenDialog.h"
#include "Player.h"
#include "ResourceStrings.h"
#include "ViewerConfig.h"
#include "ViewerMessage.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr unsigned kMsgPositionId = 0x414;
constexpr unsigned kMsgElapsedId = 0x415;
constexpr unsigned kMsgEndOfFileId = 0x418;
constexpr unsigned kMsgLoadLevelId = 0x41B;

const QColor kLabelColour(184, 184, 184);

// Horizontal-scroll requests of the sliders.
constexpr int kClickJump = 0;
constexpr int kThumbTrack = 5;

QString ControlName(int id) { return QStringLiteral("ctl%1").arg(id); }

QString SpeedTip(int speed) { return QString::asprintf("Speed %dx", speed); }
QString VolumeTip(int position) { return QString::asprintf("Volume: %d%%", position * 100 / 128); }

}  // namespace

CViewerCtlDlg::CViewerCtlDlg(QWidget* parent) : QWidget(parent) {
  // Clicking the panel must not take the keyboard focus from the main window.
  setFocusPolicy(Qt::NoFocus);
  resize(720, 75);

  auto label = [this](int id, QRect rect) {
    auto* l = new QLabel(this);
    l->setObjectName(ControlName(id));
    l->setGeometry(rect);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, kLabelColour);
    l->setPalette(palette);
    QFont font = l->font();
    font.setPixelSize(10);
    l->setFont(font);
    l->setText(QStringLiteral("00:00:00"));
    return l;
  };
  m_elapsed = label(kElapsedLabel, QRect(5, 2, 45, 15));
  m_total = label(kTotalLabel, QRect(670, 2, 45, 15));

  auto slider = [this](int id, QRect rect, int maximum, int position) {
    auto* s = new CMySliderControl(this);
    s->setObjectName(ControlName(id));
    s->setOrientation(Qt::Horizontal);
    s->setGeometry(rect);
    s->setRange(0, maximum);
    s->setValue(position);
    s->setFocusPolicy(Qt::NoFocus);
    return s;
  };
  m_seek = slider(kSeekSlider, QRect(50, 0, 620, 20), 1000, 0);
  m_speed = slider(kSpeedSlider, QRect(507, 38, 90, 20), 350, 0);
  m_volume = slider(kVolumeSlider, QRect(621, 38, 99, 20), 128, 63);

  auto button = [this](int id, int x, int image, int tip) {
    auto* b = new CGdipButton(this);
    b->setObjectName(ControlName(id));
    b->setGeometry(x, 27, 38, 38);
    b->LoadStandardImage(image, "PNG");
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(LoadResourceString(tip, ui_language));
    return b;
  };
  m_open = button(kOpenButton, 17, 159, 222);
  m_prev = button(kPrevButton, 101, 160, 223);
  m_rewind = button(kRewindButton, 171, 161, 227);
  m_play = button(kPlayButton, 239, 163, 231);
  m_play->LoadAlternateImage(162, "PNG");
  m_play->EnableToggleMode(true);
  m_forward = button(kForwardButton, 309, 164, 233);
  m_next = button(kNextButton, 377, 165, 237);

  m_speed->setToolTip(SpeedTip(1));
  m_volume->setToolTip(QStringLiteral("Volume: 50%"));

  connect(m_open, &QAbstractButton::clicked, this, &CViewerCtlDlg::OnOpen);
  connect(m_prev, &QAbstractButton::clicked, this, &CViewerCtlDlg::previousRequested);
  connect(m_rewind, &QAbstractButton::clicked, this, [] { seek_relative(-5); });
  connect(m_play, &QAbstractButton::clicked, this, &CViewerCtlDlg::OnPlayButton);
  connect(m_forward, &QAbstractButton::clicked, this, [] { seek_relative(5); });
  connect(m_next, &QAbstractButton::clicked, this, &CViewerCtlDlg::nextRequested);

  for (CMySliderControl* s : {m_seek, m_speed, m_volume})
    connect(s, &CMySliderControl::HScroll, this,
            [this, s](int request, int position) { OnHScroll(s, request, position); });

  enable_transport(false);
}

CViewerCtlDlg::~CViewerCtlDlg() {
  // The player thread posts to this panel: it must be gone before the panel is.
  if (player_globals.playing) {
    stop_player();
    player_globals.playing = 0;
  }
  join_player_thread();
}

int CViewerCtlDlg::SpeedForPosition(int position) { return position / 100 + 1; }

int CViewerCtlDlg::SpeedMaximumForLoadLevel(int level) {
  switch (level) {
    case 1: return 250;
    case 2: return 150;
    default: return 350;
  }
}

QString CViewerCtlDlg::FormatClock(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  return QString::asprintf("%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                           static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
}

void CViewerCtlDlg::start_player_thread(const std::string& path) {
  join_player_thread();
  player_globals.playing = 1;
  // Set before the thread runs, so a stop that comes before player_main starts still waits for it.
  player_globals.player_running = 1;
  m_playerThread = std::thread([owner = static_cast<QObject*>(this), path] { player_main(owner, path); });
}

bool CViewerCtlDlg::stop_running_player() {
  if (!player_globals.playing) return false;
  stop_player();
  player_globals.playing = 0;
  while (player_globals.player_running) {
    QEventLoop slice;
    QTimer::singleShot(100, &slice, &QEventLoop::quit);
    slice.exec();
  }
  return true;
}

void CViewerCtlDlg::join_player_thread() {
  if (m_playerThread.joinable()) m_playerThread.join();
}

void CViewerCtlDlg::toggle_play_pause() {
  ::toggle_play_pause();
  UpdatePlayTooltip();
  if (!m_fromButton) m_play->FlipToggleState();
  m_shownPaused = !m_shownPaused;
}

void CViewerCtlDlg::UpdatePlayTooltip() {
  m_play->setToolTip(LoadResourceString(m_shownPaused ? 231 : 229, ui_language));
}

void CViewerCtlDlg::OnPlayButton() {
  m_fromButton = true;
  toggle_play_pause();
  m_fromButton = false;
}

void CViewerCtlDlg::set_duration(int64_t duration_us) {
  m_elapsedCache[0] = m_elapsedCache[1] = m_elapsedCache[2] = -1;
  // A new recording: its time starts at zero, not where the last one stopped.
  SetLabelText(m_elapsed, FormatClock(0));
  m_durationUs = duration_us;
  m_seek->SetClipRange(-1, -1);  // marks belong to the recording before
  if (duration_us < 0) return;
  SetLabelText(m_total, FormatClock(duration_us / 1000000));
}

void CViewerCtlDlg::SetClipMarks(double start_seconds, double end_seconds) {
  auto permille = [this](double s) {
    if (std::isnan(s) || m_durationUs <= 0) return -1;
    return static_cast<int>(std::clamp(s * 1e6 * 1000 / double(m_durationUs), 0.0, 1000.0));
  };
  m_seek->SetClipRange(permille(start_seconds), permille(end_seconds));
}

void CViewerCtlDlg::clear_times() {
  // The engine's reports reach the panel as viewer messages, or as queued calls when posted
  // from its threads (the duration).
  QCoreApplication::removePostedEvents(this, ViewerMessage::eventType());
  QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
  m_elapsedCache[0] = m_elapsedCache[1] = m_elapsedCache[2] = -1;
  SetLabelText(m_elapsed, FormatClock(0));
  SetLabelText(m_total, FormatClock(0));
  m_seek->setValue(0);
}

void CViewerCtlDlg::enable_transport(bool enable) {
  for (QWidget* w : {static_cast<QWidget*>(m_seek), static_cast<QWidget*>(m_play),
                     static_cast<QWidget*>(m_next), static_cast<QWidget*>(m_forward),
                     static_cast<QWidget*>(m_prev), static_cast<QWidget*>(m_rewind)})
    w->setEnabled(enable);
}

void CViewerCtlDlg::OnHScroll(CMySliderControl* slider, int request, int position) {
  // Thumb tracking carries the position. A click makes the slider jump to the clicked place and
  // notify with request 0; the slider's new value is acted on too, so that a click seeks (and
  // sets speed or volume) rather than only moving the thumb.
  if (request == kClickJump)
    position = slider->value();
  else if (request != kThumbTrack)
    return;
  if (slider == m_seek)
    OnSeekTrack(position);
  else if (slider == m_speed)
    OnSpeedTrack(position);
  else if (slider == m_volume)
    OnVolumeTrack(position);
}

void CViewerCtlDlg::OnSeekTrack(int position) { seek_to_permille(position); }

void CViewerCtlDlg::OnSpeedTrack(int position) {
  const int speed = SpeedForPosition(position);
  set_speed(speed);
  m_speed->setToolTip(SpeedTip(speed));
}

void CViewerCtlDlg::OnVolumeTrack(int position) {
  set_volume(position);
  m_volume->setToolTip(VolumeTip(position));
}

void CViewerCtlDlg::OnLoadLevel(int level) {
  const int maximum = SpeedMaximumForLoadLevel(level);
  const int position = std::min(m_speed->value(), maximum);
  m_speed->setRange(0, maximum);
  m_speed->setValue(position);
  const int speed = SpeedForPosition(position);
  set_speed(speed);
  m_speed->setToolTip(SpeedTip(speed));
}

void CViewerCtlDlg::OnElapsed(int64_t seconds) {
  // No time while the clock settles after a seek: the last time shown stays, rather than a
  // 00:00:00 in the middle of the recording.
  if (seconds < 0) return;
  const int h = static_cast<int>(seconds / 3600);
  const int m = static_cast<int>(seconds % 3600 / 60);
  const int s = static_cast<int>(seconds % 60);
  if (h >= 720 || (h == m_elapsedCache[0] && m == m_elapsedCache[1] && s == m_elapsedCache[2])) return;
  m_elapsedCache[0] = h;
  m_elapsedCache[1] = m;
  m_elapsedCache[2] = s;
  SetLabelText(m_elapsed, FormatClock(seconds));
}

void CViewerCtlDlg::SetLabelText(QLabel* label, const QString& text) {
  // The label is transparent: repaint the panel's background under it with the new text.
  update(label->geometry());
  label->setText(text);
}

void CViewerCtlDlg::OnOpen() {
  const OpenChoice choice = ChooseFileOrFolder(this);
  if (choice.kind == OpenChoice::File) emit fileChosen(choice.path);
  if (choice.kind == OpenChoice::Folder) emit folderChosen(choice.path);
}

bool CViewerCtlDlg::event(QEvent* e) {
  if (e->type() != ViewerMessage::eventType()) return QWidget::event(e);
  const auto* message = static_cast<ViewerMessage*>(e);
  switch (message->message) {
    case kMsgPositionId: m_seek->setValue(static_cast<int>(message->wparam)); break;
    case kMsgElapsedId: OnElapsed(message->lparam); break;
    case kMsgEndOfFileId: emit nextRequested(); break;
    case kMsgLoadLevelId: OnLoadLevel(static_cast<int>(message->wparam)); break;
    default: break;
  }
  return true;
}

void CViewerCtlDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(100, 100, 100));
  DrawPngResource(painter, 158, 0, 0, 720, 75);
  DrawPngResource(painter, 224, 454, 37, 56, 23);
  DrawPngResource(painter, 226, 597, 37, 27, 23);
}

void CViewerCtlDlg::keyPressEvent(QKeyEvent* event) {
  const bool playing = player_globals.playing != 0;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      if (playing) emit fullScreenRequested();
      break;
    case Qt::Key_Space:
      if (playing) toggle_play_pause();
      break;
    case Qt::Key_Left:
      if (playing) seek_relative(-5);
      break;
    case Qt::Key_Right:
      if (playing) seek_relative(5);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}
