#pragma once
// Process-wide engine state that the user interface never sees: SDL windows and renderers, the
// audio device, and the telemetry store.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include <SDL.h>

#include "Player.h"

struct EngineGlobals {
  SDL_Window* window = nullptr;
  SDL_Window* window2 = nullptr;
  uint64_t window_native = 0;   // native ids the SDL windows wrap
  uint64_t window2_native = 0;
  // The renderers outlive playbacks (made again when the window is re-wrapped or the render
  // driver chosen changes): making one costs up to a few hundred ms on GL drivers.
  SDL_Renderer* renderer = nullptr;
  SDL_Renderer* renderer2 = nullptr;
  int renderer_driver = -1;  // the driver index the renderers were asked of
  SDL_AudioDeviceID audio_device = 0;
  std::atomic<int64_t> callback_started_at{0};
  std::string open_path;
  std::string telemetry_text;  // the text last delivered (player thread only)
  std::atomic<int> playback_generation{0};  // counts the playbacks opened

  // Pictures dropped by the playbacks closed so far (read by the benchmark).
  std::atomic<int64_t> total_dropped_before_queue{0};
  std::atomic<int64_t> total_dropped_at_display{0};
  std::atomic<int64_t> total_pictures_shown{0};  // pictures of the first video drawn

  // Telemetry texts by tenth of a second, filled by the text decoder, read by the refresh.
  std::mutex telemetry_mutex;
  std::map<int32_t, std::string> telemetry_map;
};

extern EngineGlobals engine_globals;

// Guarded access to the telemetry store.
void telemetry_store(int32_t tick, std::string text);
bool telemetry_lookup(int32_t tick, std::string* text);
void telemetry_clear();
size_t telemetry_size();
