// tavro-play FILE: plays a recording into two windows of the panes' sizes, for watching the
// engine without the main window. Keys: the engine's table (Space/p pause, arrows seek, m mute,
// 0/9 volume, z zoom, Escape/q quit) plus w swap, h flip, 1-4 speed.

#include <cstdio>
#include <thread>

#include <X11/keysym.h>

#include "PaneWindows.h"
#include "Player.h"

namespace {

class PrintingNotifier : public PlayerNotifier {
public:
  void post(PlayerMessage m) override {
    if (m.message == kMsgElapsed) std::printf("time %lld s\n", static_cast<long long>(m.lparam));
    if (m.message == kMsgEndOfFile) std::printf("end of file\n");
    if (m.message == kMsgOpenFailed) std::printf("cannot open the recording\n");
    if (m.message == kMsgLoadLevel) std::printf("load level %lld\n", static_cast<long long>(m.wparam));
    if (m.message == kMsgTelemetry && !m.text.empty()) std::printf("telemetry %s\n", m.text.c_str());
    std::fflush(stdout);
  }
  void set_duration(int64_t us) override { std::printf("duration %.1f s\n", us / 1e6); }
  void SelectRearView(int has_second) override { std::printf("second video: %d\n", has_second); }
};

bool forward(unsigned long keysym) {
  switch (keysym) {
    case XK_space: send_player_key(PlayerKey::Space); return true;
    case XK_p: send_player_key(PlayerKey::P); return true;
    case XK_Left: send_player_key(PlayerKey::Left); return true;
    case XK_Right: send_player_key(PlayerKey::Right); return true;
    case XK_Up: send_player_key(PlayerKey::Up); return true;
    case XK_Down: send_player_key(PlayerKey::Down); return true;
    case XK_m: send_player_key(PlayerKey::M); return true;
    case XK_0: send_player_key(PlayerKey::Digit0); return true;
    case XK_9: send_player_key(PlayerKey::Digit9); return true;
    case XK_z: send_player_key(PlayerKey::Z); return true;
    case XK_w: toggle_swap(); return true;
    case XK_h: toggle_flip(); return true;
    case XK_1: case XK_2: case XK_3: case XK_4: set_speed(int(keysym - XK_0)); return true;
    default: return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  PaneWindows windows(true);
  PrintingNotifier notifier;
  if (!StartEngine(windows, notifier)) return 1;
  player_globals.requested_volume = 128;
  std::thread player([path = std::string(argv[1])] { player_main(nullptr, path); });
  bool closed = false;
  while (!closed && player_globals.player_running) {
    const unsigned long key = windows.poll_key(&closed);
    if (key == XK_Escape || key == XK_q) break;
    if (!key || !forward(key)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  stop_player();
  player.join();
  player_globals.main_window = nullptr;
  return 0;
}
