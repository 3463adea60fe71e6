#pragma once
// Two plain X11 windows of the video panes' sizes (720 x 405 front, 360 x 202 rear) for the
// development player and the benchmark.

#include <cstdint>

struct _XDisplay;

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
