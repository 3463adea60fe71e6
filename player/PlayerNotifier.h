#pragma once
// The engine's way out to the user interface. The engine never includes Qt: the application
// installs an implementation of PlayerNotifier in PlayerGlobals::main_window, tests install a
// recording one. Nothing here may block the calling engine thread.

#include <cstdint>
#include <string>

// Message numbers posted by the engine (WM_USER + n in the original message table).
enum PlayerMessageId : unsigned {
  kMsgPosition = 0x414,     // wParam: position in thousandths of the duration, lParam 0 -> control panel
  kMsgElapsed = 0x415,      // wParam 0, lParam: position in whole seconds -> control panel
  kMsgTelemetry = 0x416,    // text: telemetry record (empty with lParam 0: clear the panel) -> vehicle panel
  kMsgTelemetryMap = 0x417, // text: the same telemetry record, right after 0x416 -> rear pane (map)
  kMsgEndOfFile = 0x418,    // wParam 0, lParam 0: played to the end, once per playback -> control panel
  kMsgOpenFailed = 0x419,   // wParam 1, lParam 0: the recording could not be opened -> main window
  kMsgLoadLevel = 0x41B,    // wParam: video load level 0, 1 or 2, lParam 0 -> control panel
};

// One posted notification. The message owns its telemetry text, so receivers never see
// engine memory. For 0x416/0x417 carrying a record, lParam is 1 and `text` holds the record;
// the clearing 0x416 at player start has lParam 0 and an empty text.
struct PlayerMessage {
  unsigned message = 0;
  int64_t wparam = 0;
  int64_t lparam = 0;
  std::string text;
  void* owner = nullptr;  // the control panel that started the playback (player_main's argument)
};

class PlayerNotifier {
public:
  virtual ~PlayerNotifier() = default;

  // Called from the read thread and the player thread. Must queue the message for the user
  // interface thread and return at once; messages must arrive in the order posted.
  virtual void post(PlayerMessage message) = 0;

  // Direct calls made by the read thread once the streams are open, in this order, after the
  // load level (0x41B) was posted. An implementation that marshals them to the UI thread must
  // keep that order (posting them through the same queue as post() does).
  virtual void set_duration(int64_t duration_us) = 0;
  virtual void SelectRearView(int has_second_video) = 0;
};
