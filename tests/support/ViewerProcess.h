#pragma once
// The real viewer started for an end-to-end test on the test display, and what it shows there.

#include "ScreenProbe.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// How long the viewer may take to show its window: start-up with the web engine is slow on a
// loaded machine.
inline constexpr std::chrono::seconds kViewerStartLimit{40};

struct ViewerLaunch {
  std::filesystem::path program = {};
  std::vector<std::string> args = {};
  // Its working folder. The viewer also gets folder/runtime as XDG_RUNTIME_DIR, so that no
  // other viewer's instance lock applies, and writes its standard error to folder/stderr.txt.
  std::filesystem::path folder = {};
  // XDG_RUNTIME_DIR instead of folder/runtime: viewers started in different folders that
  // are to meet (a second start).
  std::filesystem::path runtime = {};
  // NAME=value settings over the inherited environment, besides TAVRO_MESSAGE_BOX_STDERR=1
  // (message boxes go to standard error), QT_QPA_PLATFORM=xcb and SDL_AUDIODRIVER=dummy
  // unless it is set.
  std::vector<std::string> env = {};
  std::string argv0 = {};  // the program's path when empty
};

class ViewerProcess {
public:
  ViewerProcess() = default;
  ~ViewerProcess() { Kill(); }
  ViewerProcess(const ViewerProcess&) = delete;
  ViewerProcess& operator=(const ViewerProcess&) = delete;

  // Starts the viewer; a fatal test failure when it cannot be started.
  void Start(const ViewerLaunch& launch);

  // Whether it runs; notes its exit status once it has ended.
  bool Running();
  // Waits for it to end by itself; its wait status, or nothing when it still runs after `limit`.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  // Asks it to end (SIGTERM) and waits; whether it ended within `limit`.
  bool Terminate(std::chrono::milliseconds limit);
  // Ends it at once (SIGKILL) if it still runs.
  void Kill();

  // What it wrote to its standard error so far.
  std::string Errors() const;

  std::optional<ShownWindow> LargestWindow() const { return e2e::LargestWindow(pid_); }

  // Waits until its largest visible window is `width` x `height` and stores it in *window.
  // Fails at once when the viewer ends; the failure tells whether it still runs or how it
  // ended, the windows it has, and the end of its standard error.
  ::testing::AssertionResult WaitForWindow(int width, int height, ShownWindow* window,
                                           std::chrono::milliseconds limit = kViewerStartLimit);

  // The state, windows and standard error tail, for a failure message.
  std::string Describe();

private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int waitStatus_ = 0;
  std::filesystem::path errors_;
};

}  // namespace e2e
