#pragma once
// The whole trip at a glance. Each recording that starts is scanned in the background (its
// telemetry read ahead of playback, on a thread of its own); once scanned, the map shows its
// whole route, the seek bar marks its events, PageDown and PageUp jump between them and a click
// on the route seeks there. The recordings before and after it in the visible list that
// continue its drive are scanned next, nearest first, and drawn as the trip; a click on one of
// them plays that recording from the moment clicked.

#include "TelemetryEvents.h"
#include "TelemetryScan.h"
#include "TripNeighbours.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMySliderControl;
class CRearViewerDlg;
class RecordingListHost;
class TrackScanner;

class TripOverview : public QObject {
  Q_OBJECT
public:
  TripOverview(RecordingListHost& host, CRearViewerDlg& map, CMySliderControl& seekBar, QObject* parent = nullptr);
  ~TripOverview() override;

  // A playback of `path` starts: the last recording's route, marks and scans go.
  void PlaybackStarted(const std::string& path);
  // Nothing plays any more.
  void PlaybackStopped();
  // The recording being played has been opened: a seek asked for with it can now be made.
  void RecordingOpened();
  // PageDown (+1) and PageUp (-1).
  void JumpToEvent(int direction);
  // A click on the route of the recording being played.
  void SeekToTick(int tick);
  // A click on trip route `id`: plays its recording, as a double-click on its row would, from
  // `tick` on.
  void OpenTripAt(int id, int tick);

  // The events of the recording being played (empty until it is scanned).
  const std::vector<TrackEvent>& events() const { return m_events; }
  // Recordings drawn as the trip so far.
  int tripRoutes() const { return static_cast<int>(m_tripRoutes.size()); }

private:
  void OnScanned(int request, ScanResult result, const TelemetryTrack& track);
  void ShowCurrent(const TelemetryTrack& track);
  void PlanTrip(double seconds);
  void ScanNextNeighbour();
  void Forget();
  // Seeks the recording being played to `tick`, once it has been opened.
  void SeekTo(int tick);

  RecordingListHost& m_host;
  CRearViewerDlg& m_map;
  CMySliderControl& m_seekBar;
  std::unique_ptr<TrackScanner> m_scanner;
  int m_request = 0;  // the scan whose result counts; 0 for none
  bool m_scanningCurrent = false;
  std::string m_path;  // of the recording being played
  std::vector<TrackEvent> m_events;
  bool m_opened = false;       // the recording being played has been opened
  int m_pendingSeekTick = -1;  // where to go once it has
  // The last jump, until the engine's clock has moved on from where it was then.
  int m_jumpTarget = -1;
  int m_tickAtJump = -1;

  struct TripRoute {
    int kind;
    int row;
    std::string name;
  };
  std::optional<TripNeighbours> m_trip;
  int m_tripKind = -1;
  std::vector<std::string> m_tripNames;
  int m_scanningRow = -1;
  std::vector<TripRoute> m_tripRoutes;  // by the id the map gives back
};
