#pragma once
// The test display as the end-to-end tests see and drive it: shell commands, the windows of a
// process (xdotool), screenshots (ImageMagick's import) and pointer and key input.

#include <QImage>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// What `command` writes to its standard output (run by /bin/sh); its exit code goes to
// *status when given, -1 when it did not exit normally.
std::string Shell(const std::string& command, int* status = nullptr);

// Waits until `done` holds, checking every 200 ms, for at most `limit`.
template <class F>
bool WaitFor(F done, std::chrono::milliseconds limit) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return done();
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// A top-level window as xdotool reports it.
struct ShownWindow {
  std::string id;
  Rect rect;
};

// The top-level windows of `pid`: only the mapped ones when `visibleOnly`.
std::vector<ShownWindow> WindowsOf(pid_t pid, bool visibleOnly = true);

// The largest visible top-level window of `pid`.
std::optional<ShownWindow> LargestWindow(pid_t pid);

// The whole screen, saved as dir/name.png and read back as RGB32 (a null image when the
// screenshot failed).
QImage Screenshot(const std::filesystem::path& dir, const std::string& name);

// Moves the pointer to (x, y) and clicks `button`; `options` go to xdotool's click
// (e.g. "--repeat 2 --delay 60").
void Click(int x, int y, int button = 1, const std::string& options = "");

// Gives `window` the keyboard focus and presses `key` (an X key name).
void Key(const std::string& window, const std::string& key);

}  // namespace e2e
