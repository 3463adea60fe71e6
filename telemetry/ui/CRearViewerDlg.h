#pragma once
// The rear pane at the right of the main window, above the lists: an accordion of two sections
// under two header bars. The upper "Viewer" section holds the native surface the engine draws
// the second video into (published as video2_hwnd); the lower "Map" section holds an embedded
// browser with a map page that follows the vehicle's GPS position from the telemetry texts and
// shows the recording's whole route once it has been scanned. The page is a local file and
// always loads; without a connection at start-up it draws on its plain background, with no
// tiles asked for.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CBitmapButton;
class MapViewerBridge;
class CWebBrowser2;
class VideoSurface;

// Millisecond ticks of the last map move made from a comma-separated and from a JSON text.
// Process-wide: they are not reset between recordings.
extern std::uint32_t lastCsvMapMove;
extern std::uint32_t lastJsonMapMove;

// A millisecond tick count that only moves forward and wraps at 32 bits (the throttles take
// unsigned differences, so a wrap costs nothing).
std::uint32_t MonotonicTickCount();

class CRearViewerDlg : public QWidget {
  Q_OBJECT
public:
  enum ControlId { kViewerHeader = 1018, kMapHeader = 1020, kVideoSurface = 1022, kBrowser = 1063 };
  // Shortest time between two map moves of one text form.
  static constexpr std::uint32_t kMapMoveIntervalMs = 500;

  // Builds the pane in its Map state, publishes the video surface and sets the browser up
  // (once: the connection test at start-up decides whether the page asks for tiles).
  explicit CRearViewerDlg(QWidget* parent = nullptr);
  ~CRearViewerDlg() override;

  // Message 0x417: `text` is the telemetry record of the moment (lParam 1) for the map. Moves
  // the map at most every 500 ms per text form while the Map section is open. Returns 0.
  int OnTelemetry(int64_t wParam, int64_t lParam, const std::string& text);
  // Called (through the user-interface thread) when a recording is opened: 1 when it has a
  // second video. Enables the main window's switch button (1019) accordingly and opens the
  // Viewer section for 1, the Map section otherwise.
  void SelectRearView(int has_second_video);
  // Nothing plays any more: the Viewer section shows its placeholder instead of the surface.
  void PlaybackStopped();
  // Swaps the upper header's caption between the rear- and the front-camera image.
  void ToggleViewerHeader();
  void ShowViewer();
  void ShowMap();
  // Runs script text in the map page; nothing without a loaded page, and a failing script
  // fails silently.
  void RunScript(const std::string& script);

  // The routes of the recording being played, for the page (kept and given again should the
  // page load later). ClearMap forgets the last recording's; ShowRoute draws the whole route
  // (`points` as RouteJson gives them), or `message` when it has no point; AddTripRoute adds
  // another recording of the trip, whose clicks come back with `id`.
  void ClearMap();
  void ShowRoute(const std::string& points, const QString& message);
  void AddTripRoute(int id, const std::string& points);
  // What a recording without any position says on the map, in the interface language.
  static QString NoPositionMessage();

  int viewerMode() const { return m_viewerMode; }
  // Whether the page asks for map tiles: the answer of the connection test at start-up.
  bool tilesRequested() const { return m_tilesRequested; }
  int viewerHeaderImage() const { return m_viewerHeaderImage; }
  int mapHeaderImage() const { return m_mapHeaderImage; }
  VideoSurface* videoSurface() const { return m_videoSurface; }
  // The map's browser, a window of its own embedded in the pane.
  CWebBrowser2* browser() const { return m_browser.get(); }

  // Wiring to the main window and the control panel; unset hooks do nothing.
  std::function<void()> toggleFullScreen;
  std::function<void()> togglePlayPause;
  // A click on the route: the moment of this recording, or of trip route `id`.
  std::function<void(int tick)> seekToTick;
  std::function<void(int id, int tick)> openTripAt;
  // PageDown (+1) and PageUp (-1) while playing: the next or previous event.
  std::function<void(int direction)> jumpToEvent;
  // After SelectRearView: the recording has been opened.
  std::function<void()> recordingOpened;
  // The clock of the map-move throttles.
  std::function<std::uint32_t()> tickCount = MonotonicTickCount;

protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;

private:
  void SetUpBrowser();
  void RunRouteScripts();
  void EmbedBrowser();
  void MoveMapFromCsv(const std::string& text);
  void MoveMapFromJson(const std::string& text);
  void MoveMap(double latitude, double longitude);
  // The pane's keys, whichever of its windows has the focus; true when consumed.
  bool HandleKey(int key);
  // The surface shows only in the Viewer section and only while a second video draws into it:
  // otherwise it would show whatever the screen held there (the map), not the placeholder.
  void UpdateVideoSurface();

  CBitmapButton* m_viewerHeader = nullptr;
  CBitmapButton* m_mapHeader = nullptr;
  VideoSurface* m_videoSurface = nullptr;
  std::unique_ptr<CWebBrowser2> m_browser;
  MapViewerBridge* m_bridge = nullptr;
  std::vector<std::string> m_routeScripts;  // what the page shows of the current recording
  std::mutex telemetryLock;  // turns away re-entry into OnTelemetry, never waits
  int m_viewerMode = 0;
  bool m_secondVideo = false;  // the recording being played has a second video
  bool m_tilesRequested = false;
  int m_mapHeaderImage = 247;
  int m_viewerHeaderImage = 254;
};
