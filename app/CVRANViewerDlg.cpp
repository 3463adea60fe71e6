#include "CVRANViewerDlg.h"

#include "CBackupProgress.h"
#include "CBitmapButton.h"
#include "EvidenceTools.h"
#include "CFileListEvent.h"
#include "CFileListManual.h"
#include "CFileListNomal.h"
#include "CFrontViewerDlg.h"
#include "CGdipButton.h"
#include "CRearViewerDlg.h"
#include "CVehicleInfoDlg.h"
#include "CViewerCtlDlg.h"
#include "DebounceSeconds.h"
#include "DrawPngResource.h"
#include "Player.h"
#include "MountWatcher.h"
#include "QtPlayerNotifier.h"
#include "CMySliderControl.h"
#include "RecordingNavigation.h"
#include "ResourceStrings.h"
#include "TripOverview.h"
#include "VideoSurface.h"
#include "ViewerMessage.h"
#include "ViewerMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <SDL.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace {

constexpr unsigned kMsgOpenFailedId = 0x419;
constexpr unsigned kMsgModelChangedId = 0x41C;

QString ControlName(int id) { return QStringLiteral("ctl%1").arg(id); }

}  // namespace

CVRANViewerDlg::CVRANViewerDlg(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setWindowTitle(QString());
  setFocusPolicy(Qt::StrongFocus);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(100, 100, 100));
  setPalette(palette);
  setAutoFillBackground(false);
  // The panes are built in OnInitDialog, once the interface language is known: they choose
  // their images, tooltips and map page as they are built.
  m_cards = std::make_unique<RecordingCards>(m_state, *this);
}

CVRANViewerDlg::~CVRANViewerDlg() { ShutDown(); }

QWidget* CVRANViewerDlg::control(int id) const { return findChild<QWidget*>(ControlName(id)); }

bool CVRANViewerDlg::OnInitDialog() {
  setWindowIcon(QIcon(QStringLiteral(":/icon/128.png")));
  setGeometry(0, 0, 1080, 645);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    player_globals.screen_width = screen->geometry().width();
    player_globals.screen_height = screen->geometry().height();
  }
  ChooseUiLanguage(m_nTabImage);

  m_pFrontViewer = new CFrontViewerDlg(this);
  m_pRearViewer = new CRearViewerDlg(this);
  m_pViewerCtl = new CViewerCtlDlg(this);
  m_pVehicleInfo = new CVehicleInfoDlg(this);
  m_pBackupProgress = new CBackupProgress(this);
  m_notifier = new QtPlayerNotifier;
  m_notifier->mainWindow = this;
  m_notifier->vehiclePanel = m_pVehicleInfo;
  m_notifier->rearPane = m_pRearViewer;
  m_notifier->controlPanel = m_pViewerCtl;
  player_globals.main_window = m_notifier;

  m_pFrontViewer->setControlPanel(m_pViewerCtl);
  m_pFrontViewer->setGeometry(0, 42, 720, 405);
  m_pViewerCtl->setGeometry(0, 447, 720, 75);
  m_pVehicleInfo->setGeometry(0, 522, 720, 123);
  m_pRearViewer->setGeometry(720, 42, 360, 288);
  for (QWidget* pane : {static_cast<QWidget*>(m_pFrontViewer), static_cast<QWidget*>(m_pViewerCtl),
                        static_cast<QWidget*>(m_pVehicleInfo), static_cast<QWidget*>(m_pRearViewer)})
    pane->show();
  m_pBackupProgress->hide();

  connect(m_pFrontViewer, &CFrontViewerDlg::keyCommand, this, &CVRANViewerDlg::HandlePlaybackKey);
  m_evidence = new EvidenceTools(this, {[this] { return m_state.current_path; },
                                        [this](double start, double end) { m_pViewerCtl->SetClipMarks(start, end); },
                                        [this] { return m_pFrontViewer->geometry(); }});
  connect(m_pFrontViewer, &CFrontViewerDlg::evidenceCommand, this,
          [this](int command) { m_evidence->Run(EvidenceTools::Command(command)); });
  connect(m_pViewerCtl, &CViewerCtlDlg::fullScreenRequested, this, &CVRANViewerDlg::ToggleFullScreen);
  connect(m_pViewerCtl, &CViewerCtlDlg::fileChosen, this, [this](const QString& path) { OpenRecordingFile(path); });
  connect(m_pViewerCtl, &CViewerCtlDlg::folderChosen, this,
          [this](const QString& path) { OpenFolder(QFile::encodeName(path).toStdString()); });
  connect(m_pViewerCtl, &CViewerCtlDlg::nextRequested, this, [this] { NextRecording(*this); });
  connect(m_pViewerCtl, &CViewerCtlDlg::previousRequested, this, [this] { PreviousRecording(*this); });

  m_pVehicleInfo->setDeviceVersionText = [this](const std::string& version, int32_t deviceCode) {
    m_versionInfo.SetDeviceVersionText(version, deviceCode);
  };
  m_pVehicleInfo->isFullScreen = [this] { return m_bFullScreen != 0; };
  m_pVehicleInfo->toggleFullScreen = [this] { ToggleFullScreen(); };
  m_pVehicleInfo->togglePlayPause = [this] { m_pViewerCtl->toggle_play_pause(); };
  // The map browser is a window of its own, outside this window's key filter: the rear pane
  // handles its keys.
  m_pRearViewer->toggleFullScreen = [this] { ToggleFullScreen(); };
  m_pRearViewer->togglePlayPause = [this] { m_pViewerCtl->toggle_play_pause(); };
  m_pTrip = new TripOverview(*this, *m_pRearViewer,
                             *m_pViewerCtl->findChild<CMySliderControl*>(QStringLiteral("ctl1003")), this);
  m_pRearViewer->seekToTick = [this](int tick) { m_pTrip->SeekToTick(tick); };
  m_pRearViewer->openTripAt = [this](int id, int tick) { m_pTrip->OpenTripAt(id, tick); };
  m_pRearViewer->jumpToEvent = [this](int direction) { m_pTrip->JumpToEvent(direction); };
  m_pRearViewer->recordingOpened = [this] { m_pTrip->RecordingOpened(); };

  CreateTabs();
  CreateTitleBar();

  // Centre on the desktop.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->geometry();
    move(desktop.x() + (desktop.width() - width()) / 2, desktop.y() + (desktop.height() - height()) / 2);
  }

  StartSdl();
  LoadViewerConfig();
  m_cards->FindDeviceCard();
  if (device_model != VRAN3) LoadTabImages();

  // Cards inserted and removed: the mount table's changes (the media notifications).
  m_mountWatcher = new MountWatcher(m_cards->mounts(), this);
  connect(m_mountWatcher, &MountWatcher::driveAdded, this, [this](const QString& mountPoint) {
    m_cards->OnCardChange(RecordingCards::kDriveAdded, mountPoint.toStdString());
  });
  connect(m_mountWatcher, &MountWatcher::driveRemoved, this, [this](const QString& mountPoint) {
    m_cards->OnCardChange(RecordingCards::kDriveRemoved, mountPoint.toStdString());
  });

  qApp->installEventFilter(this);
  // Recordings and folders dropped from a file manager.
  setAcceptDrops(true);
  return true;
}

void CVRANViewerDlg::CreateTabs() {
  for (int i = 0; i < 3; ++i) {
    m_btnTab[i] = new CBitmapButton(this);
    m_btnTab[i]->setObjectName(ControlName(kTabNormal + i));
    m_btnTab[i]->setGeometry(720 + 120 * i, 330, 120, 34);
    connect(m_btnTab[i], &QAbstractButton::clicked, this, [this, i] { SelectTab(i); });
  }
  LoadTabImages();
  m_listPage[Normal] = new CFileListNomal(*this, this);
  m_listPage[Event] = new CFileListEvent(*this, this);
  m_listPage[Manual] = new CFileListManual(*this, this);
  for (int i = 0; i < 3; ++i) {
    m_listPage[i]->setGeometry(720, 364, 360, 281);
    m_listPage[i]->setVisible(i == 0);
  }
  m_bListVisible[0] = 1;
  m_bListVisible[1] = m_bListVisible[2] = 0;
  m_rcTabStrip = QRect(720, 330, 360, 34);
}

void CVRANViewerDlg::LoadTabImages() {
  // Slots: normal dark, normal highlighted, event dark/highlighted, user dark/highlighted,
  // driver-monitoring dark/highlighted; the user tab shows the driver-monitoring images on KOTR4.
  const int userBase = device_model == KOTR4 ? 6 : 4;
  const int base[3] = {0, 2, userBase};
  for (int i = 0; i < 3; ++i)
    if (m_btnTab[i]) m_btnTab[i]->LoadBitmaps(static_cast<int>(m_nTabImage[base[i] + (m_bListVisible[i] ? 1 : 0)]));
  update(m_rcTabStrip);
}

// Arial, thin, 21 pixels high and 21 wide as a Windows font is sized: the height is the whole
// character cell (ascent plus descent, so an underscore still fits the 20-pixel title line) and
// the width the average character width, which stretches the face sideways.
QFont CVRANViewerDlg::TitleFont() {
  QFont font(QStringLiteral("Arial"));
  font.setWeight(QFont::Thin);
  font.setPixelSize(21);
  const QFontMetricsF cell(font);
  font.setPixelSize(std::max(1, int(21 * 21 / cell.height())));  // the cell may not exceed 21
  const QFontMetricsF sized(font);
  if (sized.averageCharWidth() > 0) font.setStretch(std::clamp(qRound(100 * 21 / sized.averageCharWidth()), 1, 4000));
  return font;
}

void CVRANViewerDlg::CreateTitleBar() {
  m_staticTitle = new QLabel(this);
  m_staticTitle->setObjectName(ControlName(kTitle));
  m_staticTitle->setGeometry(220, 11, 585, 20);
  m_staticTitle->setFont(TitleFont());
  // Bottom-aligned: the face's cell is a little taller than the 20-pixel line, with empty
  // leading on top, and its underscores sit lowest, so a file name shows whole.
  m_staticTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QPalette palette = m_staticTitle->palette();
  palette.setColor(QPalette::WindowText, QColor(184, 184, 184));
  m_staticTitle->setPalette(palette);

  struct ButtonSpec {
    CGdipButton** member;
    int id, x, width, image, tip;
    bool enabled;
    void (CVRANViewerDlg::*action)();
  };
  const ButtonSpec buttons[] = {
      {&m_btnZoom, kZoom, 759, 47, 262, 263, false, &CVRANViewerDlg::OnZoom},
      {&m_btnFlip, kFlip, 806, 47, 255, 225, false, &CVRANViewerDlg::OnFlip},
      {&m_btnSwitch, kSwitch, 853, 47, 148, 241, false, &CVRANViewerDlg::OnSwitch},
      {&m_btnVersion, kVersion, 900, 47, 149, 249, true, &CVRANViewerDlg::OnVersion},
      {&m_btnMinimize, kMinimize, 952, 38, 151, 260, true, nullptr},
      {&m_btnFullScreen, kFullScreen, 990, 38, 153, 257, false, &CVRANViewerDlg::ToggleFullScreen},
      {&m_btnClose, kClose, 1028, 38, 155, 245, true, &CVRANViewerDlg::CloseViewer},
  };
  for (const ButtonSpec& spec : buttons) {
    auto* button = new CGdipButton(this);
    button->setObjectName(ControlName(spec.id));
    button->setGeometry(spec.x, 0, spec.width, 42);
    button->LoadStandardImage(spec.image, "PNG");
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(spec.enabled);
    button->setToolTip(LoadResourceString(spec.tip, ui_language));
    *spec.member = button;
    if (spec.action)
      connect(button, &QAbstractButton::clicked, this, spec.action);
  }
  connect(m_btnMinimize, &QAbstractButton::clicked, this, &QWidget::showMinimized);
}

void CVRANViewerDlg::StartSdl() {
  std::string error;
  if (player_startup(&error) != 0) {
    ShowPlainMessage(this, "SDL Init error");
    _exit(259);
  }
  // The render driver named "direct3d" when there is one; otherwise SDL chooses (-1).
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info{};
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name && std::strcmp(info.name, "direct3d") == 0) {
      player_globals.render_driver_index = i;
      break;
    }
  }
}

void CVRANViewerDlg::OpenRecordingFile(const std::string& path) {
  if (m_shutDown) return;
  std::error_code error;
  std::filesystem::path file = std::filesystem::absolute(path, error);
  if (error) file = path;
  m_state.current_name = file.filename().string();
  m_state.current_path = file.string();
  m_state.recordings_root = file.parent_path().string();
  m_state.ClearLists();
  m_cards->ScanRecordingFolder();
  PlayCurrentRecording(*this);
  m_state.card_mode = 0;
  m_pViewerCtl->enable_transport(true);
  for (int id : {kFullScreen, kFlip, kZoom})
    if (QWidget* button = control(id)) button->setEnabled(true);
}

void CVRANViewerDlg::OpenFolder(const std::string& folder) {
  if (m_shutDown) return;
  std::error_code error;
  std::filesystem::path root = std::filesystem::absolute(folder, error);
  if (error) root = folder;
  const DeviceModel before = device_model;
  m_cards->OpenFolder(root.string());
  if (device_model != before) LoadTabImages();
}

void CVRANViewerDlg::OpenPaths(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  std::error_code error;
  if (std::filesystem::is_directory(paths.front(), error))
    OpenFolder(paths.front());
  else
    OpenRecordingFile(paths.front());
}

void CVRANViewerDlg::RaiseWindow() {
  if (m_shutDown) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

std::string CVRANViewerDlg::DroppablePath(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile() || (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))) return {};
  // The bytes of the name as the URL encodes them: a name that is not UTF-8 stays what it is.
  const std::string path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return path;
  if (!std::filesystem::is_regular_file(status)) return {};
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".mp4" || extension == ".avi" ? path : std::string();
}

bool CVRANViewerDlg::AcceptDrag(QDropEvent* event) {
  Qt::DropAction action = Qt::IgnoreAction;
  if (event->possibleActions() & Qt::CopyAction)
    action = Qt::CopyAction;
  else if (event->possibleActions() & Qt::LinkAction)
    action = Qt::LinkAction;
  if (action == Qt::IgnoreAction || DroppablePath(event->mimeData()).empty()) {
    event->ignore();  // the no-drop cursor
    return false;
  }
  event->setDropAction(action);
  event->accept();
  return true;
}

void CVRANViewerDlg::dragEnterEvent(QDragEnterEvent* event) { AcceptDrag(event); }

void CVRANViewerDlg::dragMoveEvent(QDragMoveEvent* event) { AcceptDrag(event); }

void CVRANViewerDlg::dropEvent(QDropEvent* event) {
  if (!AcceptDrag(event)) return;
  const std::string path = DroppablePath(event->mimeData());
  // After the drop has returned: the source waits for it, and a playback start takes a while.
  QTimer::singleShot(0, this, [this, path] { OpenPaths({path}); });
}

void CVRANViewerDlg::ShowRecordings(RecordingKind kind, const std::vector<FileInfo>& list) {
  if (m_listPage[kind]) m_listPage[kind]->ShowRecordings(list);
}

void CVRANViewerDlg::ShowTitle(const std::string& name) { SetTitleText(name); }

bool CVRANViewerDlg::IsPlaying() const { return player_globals.playing != 0; }

void CVRANViewerDlg::StopPlayback() {
  ShowNothingPlaying();
  EnablePlaybackControls();
}

void CVRANViewerDlg::ShowNothingPlaying() {
  StopRunningPlayer();
  SetTitleText(std::string());
  m_pViewerCtl->clear_times();
  m_pVehicleInfo->OnTelemetry(0, 0, std::string());  // the panel's figures go too
  m_pFrontViewer->PlaybackStopped();
  m_pRearViewer->PlaybackStopped();
  m_pTrip->PlaybackStopped();
}

int CVRANViewerDlg::VisibleListKind() const {
  for (int i = 0; i < 3; ++i)
    if (m_bListVisible[i]) return i;
  return -1;
}

void CVRANViewerDlg::SetTitleText(const std::string& text) {
  m_staticTitle->hide();
  m_staticTitle->setText(QString::fromStdString(text));
  if (!m_bFullScreen) m_staticTitle->show();
}

bool CVRANViewerDlg::StopRunningPlayer() { return m_pViewerCtl->stop_running_player(); }

void CVRANViewerDlg::ClearGraphReferences() { m_pVehicleInfo->ClearGraphReferences(); }

void CVRANViewerDlg::ResetGraph() { m_pVehicleInfo->ResetGraph(); }

void CVRANViewerDlg::StartPlayer(const std::string& path) {
  m_pFrontViewer->PlaybackStarted();
  m_pTrip->PlaybackStarted(path);
  m_pViewerCtl->start_player_thread(path);
}

void CVRANViewerDlg::EnablePlaybackControls() {
  m_pViewerCtl->enable_transport(true);
  for (int id : {kFullScreen, kSwitch, kFlip, kZoom})
    if (QWidget* button = control(id)) button->setEnabled(true);
}

void CVRANViewerDlg::ToggleFullScreen() {
  // Accepted only when the whole second is at least 3 above the last accepted toggle.
  debounce_now_seconds = DebounceClockSeconds();
  if (int64_t{debounce_last_seconds} + 2 >= debounce_now_seconds) return;
  debounce_last_seconds = debounce_now_seconds;

  VideoSurface* surface = m_pFrontViewer->videoSurface();
  QWidget* const chrome[] = {m_staticTitle, m_btnSwitch, m_btnMinimize, m_btnFullScreen, m_btnClose,
                             m_btnTab[0], m_btnTab[1], m_btnTab[2], m_btnVersion, m_btnFlip, m_btnZoom,
                             m_pRearViewer, m_pViewerCtl, m_pVehicleInfo};
  if (!m_bFullScreen) {
    QRect screenRect(0, 0, 1080, 645);
    if (const QScreen* s = screen()) screenRect = s->geometry();
    for (QWidget* w : chrome) w->hide();
    for (int i = 0; i < 3; ++i)
      if (m_bListVisible[i]) m_listPage[i]->hide();
    surface->hide();
    m_pFrontViewer->hide();
    m_normalGeometry = geometry();
    showMaximized();
    // Without a window manager nothing maximises a frameless window: cover the screen directly.
    setGeometry(screenRect);
    m_pFrontViewer->setGeometry(0, 0, screenRect.width(), screenRect.height());
    surface->setGeometry(0, 0, screenRect.width(), screenRect.height());
    m_pFrontViewer->show();
    surface->show();
  } else {
    surface->hide();
    m_pFrontViewer->hide();
    showNormal();
    setGeometry(m_normalGeometry);
    m_pFrontViewer->setGeometry(0, 42, 720, 405);
    surface->setGeometry(0, 0, 720, 405);
    m_pFrontViewer->show();
    surface->show();
    for (QWidget* w : chrome) w->show();
    for (int i = 0; i < 3; ++i)
      if (m_bListVisible[i]) m_listPage[i]->show();
  }
  m_bFullScreen = !m_bFullScreen;
  update();
  toggle_fullscreen_video();
}

bool CVRANViewerDlg::HandlePlaybackKey(int key) {
  const bool playing = player_globals.playing != 0;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // A full screen whose playback ended (the card removed, a failed open) can still be left.
      if (playing || m_bFullScreen) ToggleFullScreen();
      return true;
    case Qt::Key_Space:
      if (playing) m_pViewerCtl->toggle_play_pause();
      return true;
    case Qt::Key_Left:
      if (playing) seek_relative(-5);
      return true;
    case Qt::Key_Right:
      if (playing) seek_relative(5);
      return true;
    case Qt::Key_Period: m_evidence->Run(EvidenceTools::NextFrame); return true;
    case Qt::Key_Comma: m_evidence->Run(EvidenceTools::PreviousFrame); return true;
    case Qt::Key_S: m_evidence->Run(EvidenceTools::Snapshot); return true;
    case Qt::Key_BracketLeft: m_evidence->Run(EvidenceTools::ClipStart); return true;
    case Qt::Key_BracketRight: m_evidence->Run(EvidenceTools::ClipEnd); return true;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
      if (playing) m_pTrip->JumpToEvent(key == Qt::Key_PageDown ? 1 : -1);
      return true;
    default:
      return false;
  }
}

bool CVRANViewerDlg::eventFilter(QObject* watched, QEvent* event) {
  // Keys meant for any widget of this window pass here first, as through a pre-translation
  // step: the playback keys act for the whole window. The list pages keep Enter and Escape
  // (Enter plays the selected row); modal dialogs keep every key.
  if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget()) return false;
  auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != this) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  // They keep PageUp and PageDown too, to page through their rows.
  const bool listKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
                       key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  if (listKey)
    for (CFileList* page : m_listPage)
      if (page && page->isAncestorOf(target)) return false;
  return HandlePlaybackKey(key);
}

void CVRANViewerDlg::keyPressEvent(QKeyEvent* event) {
  if (HandlePlaybackKey(event->key()))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}

void CVRANViewerDlg::OnZoom() {
  toggle_zoom();
  m_btnZoom->setToolTip(LoadResourceString(m_bZoomed ? 263 : 266, ui_language));
  m_bZoomed = !m_bZoomed;
}

void CVRANViewerDlg::OnFlip() { toggle_flip(); }

void CVRANViewerDlg::OnSwitch() {
  toggle_swap();
  m_pRearViewer->ToggleViewerHeader();
}

void CVRANViewerDlg::OnVersion() { m_versionInfo.ShowVersionInfo(this); }

void CVRANViewerDlg::SelectTab(int index) {
  if (m_bListVisible[index]) return;
  for (int i = 0; i < 3; ++i) m_listPage[i]->setVisible(i == index);
  for (int i = 0; i < 3; ++i) m_bListVisible[i] = i == index;
  LoadTabImages();
}

void CVRANViewerDlg::OnModelChanged() { LoadTabImages(); }

int CVRANViewerDlg::OnFileOpenFailed(int64_t wParam, int64_t) {
  // Once closing has begun no box may come up: it would outlive the window and keep the
  // process (and its instance lock) alive.
  if (m_shutDown) return 0;
  // Unless another playback is already being started (this message then came in while the
  // failed one was stopped for it), nothing plays now.
  if (wParam == 1 && player_globals.playing) ShowNothingPlaying();
  if (wParam == 1) ShowPlainMessage(this, "The file is corrupted and connot be opened.");
  return 0;
}

bool CVRANViewerDlg::event(QEvent* e) {
  if (e->type() != ViewerMessage::eventType()) return QWidget::event(e);
  const auto* message = static_cast<ViewerMessage*>(e);
  switch (message->message) {
    case kMsgOpenFailedId: OnFileOpenFailed(message->wparam, message->lparam); break;
    case kMsgModelChangedId: OnModelChanged(); break;
    default: break;
  }
  return true;
}

void CVRANViewerDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(100, 100, 100));
  if (m_bFullScreen) return;
  DrawPngResource(painter, 147, 0, 0, 1080, 42);
  DrawPngResource(painter, 207, 720, 364, 360, 281);
}

void CVRANViewerDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    setFocus(Qt::MouseFocusReason);
    // Dragging the window's own surface moves it, as dragging a caption would.
    if (!windowHandle() || !windowHandle()->startSystemMove()) {
      m_dragging = true;
      m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
  }
  QWidget::mousePressEvent(event);
}

void CVRANViewerDlg::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging && !m_bFullScreen) move(event->globalPosition().toPoint() - m_dragOffset);
  QWidget::mouseMoveEvent(event);
}

void CVRANViewerDlg::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  QWidget::mouseReleaseEvent(event);
}

void CVRANViewerDlg::CloseViewer() {
  ShutDown();
  close();
}

void CVRANViewerDlg::ShutDown() {
  if (m_shutDown) return;
  m_shutDown = true;
  qApp->removeEventFilter(this);
  // The engine draws into the panes' surfaces and posts to the panes: let the player thread
  // finish before any pane goes away.
  if (m_pViewerCtl) {
    m_pViewerCtl->stop_running_player();
    m_pViewerCtl->join_player_thread();
  }
  exit_player();
  DestroyPanes();
  if (player_globals.main_window == m_notifier) player_globals.main_window = nullptr;
  delete m_notifier;
  m_notifier = nullptr;
}

void CVRANViewerDlg::DestroyPanes() {
  delete m_pTrip;  // it draws into the rear pane and the control panel
  m_pTrip = nullptr;
  delete m_pBackupProgress;
  m_pBackupProgress = nullptr;
  delete m_pFrontViewer;
  m_pFrontViewer = nullptr;
  delete m_pRearViewer;
  m_pRearViewer = nullptr;
  delete m_pViewerCtl;
  m_pViewerCtl = nullptr;
  delete m_pVehicleInfo;
  m_pVehicleInfo = nullptr;
}

void CVRANViewerDlg::closeEvent(QCloseEvent* event) {
  ShutDown();
  event->accept();
}
