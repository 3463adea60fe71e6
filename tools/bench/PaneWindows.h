#pragma once
// Two plain X11 windows of the video panes' sizes (720 x 405 front, 360 x 202 rear) for the
// development player and the benchmark, and the engine's start-up into them.

#include <cstdint>

struct _XDisplay;
class PlayerNotifier;

class PaneWindows {
public:
  explicit PaneWindows(bool keyboard);
  ~PaneWindows();
  PaneWindows(const PaneWindows&) = delete;
  PaneWindows& operator=(const PaneWindows&) = delete;

  bool ok() const { return display_ != nullptr; }
  uint64_t front() const { return front_; }
  uint64_t rear() const { return rear_; }
  // Next key pressed in either window as an X keysym, 0 when none is pending; closed is set
  // when the user closed a window.
  unsigned long poll_key(bool* closed);

private:
  _XDisplay* display_ = nullptr;
  uint64_t front_ = 0;
  uint64_t rear_ = 0;
  unsigned long delete_atom_ = 0;
};

// Starts SDL and points the engine at `windows` (on a 1920 x 1080 screen) and at `notifier`.
// Prints why and returns false when the X display or SDL cannot be opened.
bool StartEngine(const PaneWindows& windows, PlayerNotifier& notifier);
