#pragma once
// What the list pages, next/previous and backup need from the main window that holds them:
// the recording state, the three pages and the tab selection, the title, the player start
// and stop through the control panel, the vehicle panel's graph and the backup window.
#include "RecordingKind.h"

#include <string>

struct RecordingState;
class CBackupProgress;
class CFileList;

class RecordingListHost {
public:
  virtual ~RecordingListHost() = default;

  virtual RecordingState& recordingState() = 0;
  virtual CFileList* ListPage(RecordingKind kind) = 0;
  // Kind of the visible page (m_bListVisible, checked normal, event, manual); -1 when none is.
  virtual int VisibleListKind() const = 0;
  // The tab command of a kind (1066, 1067, 1068); nothing happens when its page is visible.
  virtual void SelectListPage(RecordingKind kind) = 0;
  // Hide the title static m_staticTitle, set its text, show it again.
  virtual void SetTitleText(const std::string& text) = 0;
  // When `playing` is set: stop the player synchronously, clear `playing` and keep handling
  // events in 100 ms slices until the player thread has left. True when a player was stopped.
  virtual bool StopRunningPlayer() = 0;
  // The vehicle information panel's ClearGraphReferences and ResetGraph.
  virtual void ClearGraphReferences() = 0;
  virtual void ResetGraph() = 0;
  // The control panel's player start for `path`; sets `playing`.
  virtual void StartPlayer(const std::string& path) = 0;
  // The control panel's transport controls and the title bar's buttons 1017, 1019, 1023, 1002.
  virtual void EnablePlaybackControls() = 0;
  virtual CBackupProgress* BackupProgress() = 0;
};
