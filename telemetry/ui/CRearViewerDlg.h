#pragma once
// The rear pane at the right of the main window, above the lists: an accordion of two sections
// under two header bars. The upper "Viewer" section holds the native surface the engine draws
// the second video into (published as video2_hwnd); the lower "Map" section holds the map.

#include <QWidget>

class CBitmapButton;
class VideoSurface;

class CRearViewerDlg : public QWidget {
  Q_OBJECT
public:
  enum ControlId { kViewerHeader = 1018, kMapHeader = 1020, kVideoSurface = 1022 };

  explicit CRearViewerDlg(QWidget* parent = nullptr);

  // Called (through the user-interface thread) when a recording is opened: 1 when it has a
  // second video. Enables the main window's switch button (1019) accordingly and opens the
  // Viewer section for 1, the Map section otherwise.
  void SelectRearView(int has_second_video);
  // Swaps the upper header's caption between the rear- and the front-camera image.
  void ToggleViewerHeader();
  void ShowViewer();
  void ShowMap();

  int viewerMode() const { return m_viewerMode; }
  int viewerHeaderImage() const { return m_viewerHeaderImage; }
  VideoSurface* videoSurface() const { return m_videoSurface; }

protected:
  void paintEvent(QPaintEvent*) override;

private:
  CBitmapButton* m_viewerHeader = nullptr;
  CBitmapButton* m_mapHeader = nullptr;
  VideoSurface* m_videoSurface = nullptr;
  int m_viewerMode = 0;
  int m_mapAvailable = 0;  // no map page is loaded in this pane yet
  int m_mapHeaderImage = 247;
  int m_viewerHeaderImage = 254;
};
