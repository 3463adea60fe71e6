#include "TripOverview.h"

#include "CFileList.h"
#include "CMySliderControl.h"
#include "CRearViewerDlg.h"
#include "CViewerCtlDlg.h"
#include "Player.h"
#include "QueuedCall.h"
#include "RecordingListHost.h"
#include "RecordingState.h"
#include "TrackRoute.h"
#include "TrackScanner.h"
#include "ViewerConfig.h"
#include "art/ArtStyle.h"

#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

namespace {

// Device warnings and driver states in the red the vehicle panel draws them in; harsh driving
// in orange, a notch below a warning; an impact in the artwork's bright white, to stand out.
QColor MarkColour(EventKind kind) {
  switch (kind) {
    case EventKind::HarshBraking:
    case EventKind::HarshAcceleration: return art::kOrange;
    case EventKind::Impact: return art::kBright;
    default: return art::kRed;
  }
}

}  // namespace

TripOverview::TripOverview(RecordingListHost& host, CRearViewerDlg& map, CMySliderControl& seekBar, QObject* parent)
    : QObject(parent), m_host(host), m_map(map), m_seekBar(seekBar) {
  // Results come on the scanner's thread; they are handled on this object's.
  m_scanner = std::make_unique<TrackScanner>([this](int request, ScanResult result, TelemetryTrack track) {
    post_queued_call(this, [this, request, result, track = std::move(track)] { OnScanned(request, result, track); });
  });
}

TripOverview::~TripOverview() { m_scanner.reset(); }

void TripOverview::Forget() {
  m_scanner->Cancel();
  m_request = 0;
  m_scanningCurrent = false;
  m_events.clear();
  m_seekBar.SetMarks({});
  m_opened = false;
  m_pendingSeekTick = -1;
  m_jumpTarget = m_tickAtJump = -1;
  m_trip.reset();
  m_tripNames.clear();
  m_tripRoutes.clear();
  m_scanningRow = -1;
  m_map.ClearMap();
}

void TripOverview::PlaybackStarted(const std::string& path) {
  Forget();
  m_path = path;
  m_scanningCurrent = true;
  m_request = m_scanner->Scan(path);
}

void TripOverview::PlaybackStopped() {
  Forget();
  m_path.clear();
}

void TripOverview::RecordingOpened() {
  m_opened = true;
  if (m_pendingSeekTick < 0) return;
  seek_to_seconds(m_pendingSeekTick / 10.0);
  m_pendingSeekTick = -1;
}

void TripOverview::SeekTo(int tick) {
  // The engine can seek only in an opened file; the scan is often done before that.
  if (m_opened)
    seek_to_seconds(tick / 10.0);
  else
    m_pendingSeekTick = tick;
}

void TripOverview::SeekToTick(int tick) {
  if (player_globals.playing) SeekTo(tick);
}

void TripOverview::JumpToEvent(int direction) {
  const int now = player_globals.last_telemetry_tick;
  // Until the clock shows the last jump, playback is where that jump went.
  const int position = m_jumpTarget >= 0 && now == m_tickAtJump ? m_jumpTarget : now;
  const int target = EventJumpTarget(m_events, position, direction);
  if (target < 0) return;
  m_jumpTarget = target;
  m_tickAtJump = now;
  SeekTo(target);
}

void TripOverview::OpenTripAt(int id, int tick) {
  if (id < 0 || id >= static_cast<int>(m_tripRoutes.size())) return;
  const TripRoute route = m_tripRoutes[id];
  CFileList* page = m_host.ListPage(static_cast<RecordingKind>(route.kind));
  // The lists may have changed since the trip was drawn (a card came or went).
  if (!page || page->RowName(route.row) != route.name) return;
  page->SelectRow(route.row);
  page->PlayListRow(route.row);
  SeekTo(tick);
}

void TripOverview::OnScanned(int request, ScanResult result, const TelemetryTrack& track) {
  if (request != m_request) return;  // a result of a scan since replaced
  m_request = 0;
  if (m_scanningCurrent) {
    m_scanningCurrent = false;
    if (result == ScanResult::CannotOpen) return;  // playback says so
    ShowCurrent(track);
    PlanTrip(track.seconds);
    return;
  }
  if (!m_trip || m_scanningRow < 0) return;
  const int row = m_scanningRow;
  m_scanningRow = -1;
  if (m_trip->Scanned(row, track.seconds)) {
    const std::string points = RouteJson(track.points);
    if (points != "[]") {
      m_map.AddTripRoute(static_cast<int>(m_tripRoutes.size()), points);
      m_tripRoutes.push_back({m_tripKind, row, m_tripNames[row]});
    }
  }
  ScanNextNeighbour();
}

void TripOverview::ShowCurrent(const TelemetryTrack& track) {
  m_map.ShowRoute(RouteJson(track.points), CRearViewerDlg::NoPositionMessage());
  m_events = DetectEvents(track.points);
  if (track.seconds <= 0) return;
  std::vector<CMySliderControl::Mark> marks;
  for (const TrackEvent& e : m_events) {
    CMySliderControl::Mark mark;
    // The seek bar runs over thousandths of the duration.
    mark.position = std::clamp(static_cast<int>(e.tick * 100 / track.seconds + 0.5), 0, 1000);
    mark.colour = MarkColour(e.kind);
    mark.text = QStringLiteral("%1 %2").arg(QLatin1String(EventKindName(e.kind)),
                                            CViewerCtlDlg::FormatClock(e.tick / 10));
    marks.push_back(mark);
  }
  m_seekBar.SetMarks(std::move(marks));
}

void TripOverview::PlanTrip(double seconds) {
  // The visible list, around the row of the recording being played.
  const int kind = m_host.VisibleListKind();
  if (kind < 0 || kind >= kRecordingKindCount) return;
  const CFileList* page = m_host.ListPage(static_cast<RecordingKind>(kind));
  if (!page) return;
  const std::string name = std::filesystem::path(m_path).filename().string();
  std::vector<std::string> names;
  int current = -1;
  for (int row = 0; row < page->list()->topLevelItemCount(); ++row) {
    names.push_back(page->RowName(row));
    if (names.back() == name) current = row;
  }
  if (current < 0) return;
  m_tripKind = kind;
  m_tripNames = names;
  m_trip.emplace(std::move(names), current, seconds);
  ScanNextNeighbour();
}

void TripOverview::ScanNextNeighbour() {
  const int row = m_trip->Next();
  if (row < 0) return;
  m_scanningRow = row;
  const RecordingState& state = m_host.recordingState();
  m_request = m_scanner->Scan(state.PathOf(static_cast<RecordingKind>(m_tripKind), m_tripNames[row], device_model));
}
