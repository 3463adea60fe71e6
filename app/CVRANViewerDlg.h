#pragma once
// The viewer's only top-level window: frameless, 1080 x 645, with its own title bar (the title
// static and seven image buttons), the three list tabs, and the panes at fixed rectangles:
// front video, rear pane, control panel, vehicle information panel and the list pages. It
// toggles full-screen playback, handles the playback keys for the whole window, follows cards
// being inserted and removed, takes recordings and folders dropped on it, and receives the
// viewer's own messages 0x419, 0x41A and 0x41C.

#include "RecordingCards.h"
#include "RecordingCardsHost.h"
#include "RecordingListHost.h"
#include "RecordingState.h"
#include "VersionInfo.h"
#include "ViewerConfig.h"

#include <QFile>
#include <QFont>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBackupProgress;
class CBitmapButton;
class EvidenceTools;
class CFileList;
class CFrontViewerDlg;
class CGdipButton;
class CRearViewerDlg;
class CVehicleInfoDlg;
class CViewerCtlDlg;
class QLabel;
class QMimeData;
class MountWatcher;
class QtPlayerNotifier;
class TripOverview;

class CVRANViewerDlg : public QWidget, public RecordingCardsHost, public RecordingListHost {
  Q_OBJECT
public:
  // Control ids of the title bar and the tabs; each control's object name is "ctl<id>".
  enum ControlId {
    kZoom = 1002,
    kTitle = 1014,
    kClose = 1015,
    kMinimize = 1016,
    kFullScreen = 1017,
    kSwitch = 1019,
    kVersion = 1021,
    kFlip = 1023,
    kTabNormal = 1066,
    kTabEvent = 1067,
    kTabUser = 1068,
  };

  explicit CVRANViewerDlg(QWidget* parent = nullptr);
  ~CVRANViewerDlg() override;

  // Builds and places everything, starts SDL and reads Config.ini; called once before the
  // window is shown. Ends the process when SDL cannot be started.
  bool OnInitDialog();

  // What the Open command does with a chosen file (its path's bytes): list its folder and
  // play it.
  void OpenRecordingFile(const std::string& path);
  void OpenRecordingFile(const QString& path) { OpenRecordingFile(QFile::encodeName(path).toStdString()); }
  // A folder opened or dropped: its recordings fill the lists (a card's root by its kind
  // folders, as the card itself would); nothing starts playing.
  void OpenFolder(const std::string& folder);
  // What a start, a second start or a drop names: the first path opens, a folder as
  // OpenFolder, anything else as the Open command's file; the others only show in the lists
  // when they lie beside it.
  void OpenPaths(const std::vector<std::string>& paths);
  // Brings the window forward (restored when minimised) for files a second start handed over.
  void RaiseWindow();

  // Full-screen toggle with its 3-second guard (button 1017, Enter/Escape while playing).
  void ToggleFullScreen();
  // Message 0x419.
  int OnFileOpenFailed(int64_t wParam, int64_t lParam);
  // Closes the window: stops the player, destroys the panes, ends the run.
  void CloseViewer();

  QWidget* control(int id) const;
  // The list page of a tab: 0 normal, 1 event, 2 user.
  CFileList* listPage(int index) const { return m_listPage[index]; }

  // What the card rules need (RecordingCardsHost).
  void ShowRecordings(RecordingKind kind, const std::vector<FileInfo>& list) override;
  void ShowTitle(const std::string& name) override;
  bool IsPlaying() const override;
  void StopPlayback() override;

  // What the list pages, next/previous and backup need (RecordingListHost).
  RecordingState& recordingState() override { return m_state; }
  CFileList* ListPage(RecordingKind kind) override { return m_listPage[kind]; }
  int VisibleListKind() const override;
  void SelectListPage(RecordingKind kind) override { SelectTab(kind); }
  void SetTitleText(const std::string& text) override;
  bool StopRunningPlayer() override;
  void ClearGraphReferences() override;
  void ResetGraph() override;
  void StartPlayer(const std::string& path) override;
  void EnablePlaybackControls() override;
  CBackupProgress* BackupProgress() override { return m_pBackupProgress; }

  // Members other parts use (the names of the dialog they come from).
  CFrontViewerDlg* m_pFrontViewer = nullptr;
  EvidenceTools* m_evidence = nullptr;  // the front pane's evidence commands and their keys
  CRearViewerDlg* m_pRearViewer = nullptr;
  CViewerCtlDlg* m_pViewerCtl = nullptr;
  CVehicleInfoDlg* m_pVehicleInfo = nullptr;
  CBackupProgress* m_pBackupProgress = nullptr;
  TripOverview* m_pTrip = nullptr;  // routes, seek-bar marks and the trip of the recording played
  RecordingState m_state;  // the lists, the current recording and the card in use
  QLabel* m_staticTitle = nullptr;
  TabImageIds m_nTabImage{};
  int m_bFullScreen = 0;
  int m_bZoomed = 0;
  int m_bListVisible[3] = {1, 0, 0};
  VersionInfo m_versionInfo;  // program and device version texts

protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void CreateTitleBar();
  static QFont TitleFont();
  void CreateTabs();
  void StartSdl();
  // The playback keys shared by the window and its panes; returns true when `key` is one of them.
  bool HandlePlaybackKey(int key);
  void OnZoom();
  void OnFlip();
  void OnSwitch();
  void OnVersion();
  void SelectTab(int index);
  void LoadTabImages();
  void OnModelChanged();
  void DestroyPanes();
  // After a playback ended without another starting (a failed open, the card removed): stops
  // what is left of it and shows no recording (placeholders, no title, times at zero, the
  // vehicle panel without figures).
  void ShowNothingPlaying();
  // Stops the player, waits for its thread and destroys the panes (once).
  void ShutDown();
  // The path a drag carries when the window takes it: its first URL, a local folder or a
  // local .mp4 or .avi file, as file-name bytes; empty for anything else.
  static std::string DroppablePath(const QMimeData* data);
  // Accepts a drag this window takes (as a copy or a link, never a move: the source would
  // delete the file), refuses any other; true when accepted.
  static bool AcceptDrag(QDropEvent* event);

  CGdipButton* m_btnZoom = nullptr;
  CGdipButton* m_btnFlip = nullptr;
  CGdipButton* m_btnSwitch = nullptr;
  CGdipButton* m_btnVersion = nullptr;
  CGdipButton* m_btnMinimize = nullptr;
  CGdipButton* m_btnFullScreen = nullptr;
  CGdipButton* m_btnClose = nullptr;
  CBitmapButton* m_btnTab[3] = {};
  CFileList* m_listPage[3] = {};
  std::unique_ptr<RecordingCards> m_cards;
  MountWatcher* m_mountWatcher = nullptr;
  QtPlayerNotifier* m_notifier = nullptr;
  QRect m_rcTabStrip;
  QRect m_normalGeometry;
  bool m_shutDown = false;
  bool m_dragging = false;
  QPoint m_dragOffset;
};
