#include "EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <unistd.h>

void RecordingNotifier::post(PlayerMessage message) {
  std::lock_guard lock(mutex_);
  char name[16];
  std::snprintf(name, sizeof name, "0x%x", message.message);
  sequence_.push_back(name);
  messages_.push_back(std::move(message));
  cond_.notify_all();
}

void RecordingNotifier::set_duration(int64_t duration_us) {
  std::lock_guard lock(mutex_);
  durations_.push_back(duration_us);
  sequence_.push_back("duration");
  cond_.notify_all();
}

void RecordingNotifier::SelectRearView(int has_second_video) {
  std::lock_guard lock(mutex_);
  rear_views_.push_back(has_second_video);
  sequence_.push_back("rear");
  cond_.notify_all();
}

std::vector<PlayerMessage> RecordingNotifier::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<PlayerMessage> RecordingNotifier::messages(unsigned id) const {
  std::lock_guard lock(mutex_);
  std::vector<PlayerMessage> out;
  for (const PlayerMessage& m : messages_)
    if (m.message == id) out.push_back(m);
  return out;
}

std::vector<int64_t> RecordingNotifier::durations() const {
  std::lock_guard lock(mutex_);
  return durations_;
}

std::vector<int> RecordingNotifier::rear_views() const {
  std::lock_guard lock(mutex_);
  return rear_views_;
}

std::vector<std::string> RecordingNotifier::sequence() const {
  std::lock_guard lock(mutex_);
  return sequence_;
}

bool RecordingNotifier::wait_for(const std::function<bool(const std::vector<PlayerMessage>&)>& pred,
                                 std::chrono::milliseconds timeout) {
  // Polls with a copy, so the predicate may call the other accessors.
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pred(messages())) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::unique_lock lock(mutex_);
    cond_.wait_for(lock, std::chrono::milliseconds(5));
  }
}

bool RecordingNotifier::wait_for_message(unsigned id, std::chrono::milliseconds timeout) {
  return wait_for(
      [id](const std::vector<PlayerMessage>& ms) {
        for (const PlayerMessage& m : ms)
          if (m.message == id) return true;
        return false;
      },
      timeout);
}

void RecordingNotifier::clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  durations_.clear();
  rear_views_.clear();
  sequence_.clear();
}

std::string fixture_path(const std::string& name) {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("tavro-engine-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                      ("tavro-engine-" + std::to_string(getpid())),
                                  ec);
    });
    return d;
  }();
  return (dir / name).string();
}

std::string fixture(const std::string& name, const recgen::RecordingSpec& spec) {
  const std::string path = fixture_path(name);
  if (!std::filesystem::exists(path)) {
    const int ret = recgen::WriteRecording(path, spec);
    if (ret < 0) std::fprintf(stderr, "WriteRecording(%s) failed: %d\n", path.c_str(), ret);
  }
  return path;
}

void init_sdl_without_video() {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  av_log_set_level(AV_LOG_ERROR);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_Init(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
}

bool pump(VideoState* vs, const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    double remaining = 0.01;
    if (vs->display_mode != -1 && !vs->paused) refresh(vs, &remaining);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pred();
}
