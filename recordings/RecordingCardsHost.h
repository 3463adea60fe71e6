#pragma once

#include "FileInfo.h"
#include "RecordingKind.h"

#include <string>
#include <vector>

// What the card logic needs from the main window: its list pages, its title, and the
// player. The main window implements it.
class RecordingCardsHost {
public:
  // Rebuilds the page of `kind` from `list` (the page's ShowRecordings).
  virtual void ShowRecordings(RecordingKind kind, const std::vector<FileInfo>& list) = 0;
  // Shows the current recording's name in the window title.
  virtual void ShowTitle(const std::string& name) = 0;
  // Whether a recording is playing (the engine's `playing`).
  virtual bool IsPlaying() const = 0;
  // Stops the playback synchronously (the engine's stop_player, waiting for the player
  // thread), clears `playing` and enables the transport and the fullscreen, switch, flip
  // and zoom buttons again.
  virtual void StopPlayback() = 0;

protected:
  ~RecordingCardsHost() = default;
};
