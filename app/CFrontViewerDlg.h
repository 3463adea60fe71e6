#pragma once
// The front video pane: hosts the native surface (control 1024) the engine draws the first
// video into. The surface is published as video_hwnd when the pane is built and is never
// replaced; the main window only moves, shows and hides it (full screen). Between recordings
// the pane shows the front-camera placeholder picture; while a recording plays, an exposed
// surface has the engine draw its last picture again (a paused frame survives being covered).

#include <QWidget>

class CViewerCtlDlg;
class QLabel;
class QMenu;
class VideoSurface;

class CFrontViewerDlg : public QWidget {
  Q_OBJECT
public:
  static constexpr int kSurfaceId = 1024;

  explicit CFrontViewerDlg(QWidget* parent = nullptr);

  VideoSurface* videoSurface() const { return m_videoSurface; }
  // A playback starts: the placeholder shown over the surface goes away.
  void PlaybackStarted();
  // Nothing plays any more: the placeholder covers the surface and its last picture again.
  void PlaybackStopped();
  // The control panel whose paused state keeps the placeholder away.
  void setControlPanel(CViewerCtlDlg* panel) { m_controlPanel = panel; }

  // The right-click menu of evidence commands (disabled while nothing plays); choosing one
  // emits evidenceCommand. The caller owns the menu.
  QMenu* EvidenceMenu();

signals:
  // A key of the main window's table (Enter, Escape, Space, Left, Right, and the evidence keys
  // ".", ",", "S", "[", "]") reached the pane.
  void keyCommand(int key);
  // An EvidenceTools::Command chosen in the pane's menu.
  void evidenceCommand(int command);

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

private:
  VideoSurface* m_videoSurface = nullptr;
  QLabel* m_placeholder = nullptr;
  CViewerCtlDlg* m_controlPanel = nullptr;
};
