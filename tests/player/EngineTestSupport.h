#pragma once
// Helpers of the engine tests: a notifier that records what the engine posts, generated
// recordings cached per test process, and a refresh pump that plays the part of the player
// thread for tests that drive the engine's internals.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Engine.h"
#include "Player.h"
#include "RecordingGenerator.h"

class RecordingNotifier : public PlayerNotifier {
public:
  void post(PlayerMessage message) override;
  void set_duration(int64_t duration_us) override;
  void SelectRearView(int has_second_video) override;

  std::vector<PlayerMessage> messages() const;
  std::vector<PlayerMessage> messages(unsigned id) const;
  std::vector<int64_t> durations() const;
  std::vector<int> rear_views() const;
  // Waits until pred holds over the messages so far; false on timeout.
  bool wait_for(const std::function<bool(const std::vector<PlayerMessage>&)>& pred,
                std::chrono::milliseconds timeout);
  bool wait_for_message(unsigned id, std::chrono::milliseconds timeout);
  void clear();

  // The order of everything the engine told, as "0x41b", "duration", "rear", ... entries.
  std::vector<std::string> sequence() const;

private:
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  std::vector<PlayerMessage> messages_;
  std::vector<int64_t> durations_;
  std::vector<int> rear_views_;
  std::vector<std::string> sequence_;
};

// Writes the recording once per test process and returns its path.
std::string fixture(const std::string& name, const recgen::RecordingSpec& spec);
// A file in the per-process fixture directory.
std::string fixture_path(const std::string& name);

// SDL audio (dummy driver unless set) and events, for tests that do not draw.
void init_sdl_without_video();

// Calls refresh on the calling thread every few milliseconds until pred holds or the timeout
// passes; returns whether pred held.
bool pump(VideoState* vs, const std::function<bool()>& pred, std::chrono::milliseconds timeout);
