#pragma once
// Public face of the playback engine: the process-wide player variables shared with the user
// interface and the operations it calls. Qt-free; the UI links tavro_player and includes only
// this header (and PlayerNotifier.h, which it pulls in).
//
// Threads: player_main runs on a dedicated player thread (one per playback). Every other
// operation may be called from any thread, typically the UI thread; commands travel as events
// into the player thread's event loop and are executed there in the order pushed. Only one
// playback runs at a time: stop the running one (stop_player) before starting another.

#include <atomic>
#include <cstdint>
#include <string>

#include "PlayerNotifier.h"

// Process-wide player variables. Scalars are atomics so that the UI thread and the engine
// threads can set and poll them without locks (relaxed single-value loads and stores).
struct PlayerGlobals {
  // --- written by the user interface ---
  std::atomic<PlayerNotifier*> main_window{nullptr};  // where notifications go; null: dropped
  std::atomic<int32_t> screen_width{0};                // primary screen size (full-screen geometry)
  std::atomic<int32_t> screen_height{0};
  std::atomic<int32_t> render_driver_index{-1};        // SDL render driver index, -1: SDL chooses
  std::atomic<int32_t> playing{0};                     // the UI considers a playback active
  std::atomic<uint64_t> video_hwnd{0};                 // X11 window id of the front video surface
  std::atomic<uint64_t> video2_hwnd{0};                // X11 window id of the rear video surface
  std::atomic<int32_t> playback_speed{1};              // 1..4, read by audio output and external clock
  std::atomic<int32_t> requested_volume{63};           // 0..128, handed over by set_volume
  std::atomic<int32_t> seek_permille{0};               // target of seek_to_permille
  std::atomic<int32_t> zoom_mode{0};                   // show the middle 40 % of the first video
  std::atomic<int32_t> flip_mode{0};                   // mirror the first video left to right
  std::atomic<int32_t> fullscreen_video{0};            // first video over the whole screen
  std::atomic<int32_t> swap_videos{0};                 // exchange the windows of the two videos
  // Time in the recording (seconds) of the first video's picture drawn last; NaN before one.
  std::atomic<double> picture_time{__builtin_nan("")};

  // --- engine state the UI may read ---
  std::atomic<int32_t> player_running{1};  // 1 from the start of a playback until player_main returns
  std::atomic<void*> owner{nullptr};       // control panel that started the playback
  std::atomic<int32_t> stop_requested{0};
  std::atomic<int32_t> quit_event_loop{0};
  std::atomic<int32_t> eof_notified{0};
  std::atomic<int32_t> user_seek{0};
  std::atomic<int32_t> window_fullscreen{0};
  std::atomic<int32_t> paused_mirror{0};
  std::atomic<int32_t> byte_seeking{-1};   // -1 decide per file, 1 by bytes, 0 by time (never set by the engine)
  std::atomic<int32_t> play_count{1};
  std::atomic<int32_t> last_telemetry_tick{0};
  std::atomic<int64_t> last_progress_time{0};
  std::atomic<int64_t> last_posted_second{0};
  std::atomic<int32_t> cursor_hidden{0};
  std::atomic<int64_t> cursor_shown_at{0};

  // --- options: fixed for the life of the process (tests may change them between playbacks) ---
  std::atomic<int32_t> status_enabled{1};
  std::atomic<int32_t> picture_pts_choice{-1};
  std::atomic<int64_t> play_start{INT64_MIN};   // INT64_MIN: not set
  std::atomic<int64_t> play_length{INT64_MIN};  // INT64_MIN: not set
  std::atomic<int32_t> stop_at_end{1};
  std::atomic<int32_t> drop_pictures{-1};
  std::atomic<int32_t> initial_display_mode{-1};
  std::atomic<int32_t> sync_preference{0};      // SYNC_AUDIO
  std::atomic<int32_t> fast_decode{0};
  std::atomic<int32_t> generate_pts{0};
  std::atomic<int32_t> low_resolution{0};
  std::atomic<int32_t> any_key_stops{0};
  std::atomic<int32_t> scaler_flags{2};         // SWS_BILINEAR
  std::atomic<int32_t> out_width_default{720};
  std::atomic<int32_t> out_height_default{405};
  std::atomic<double> timed_redraw_interval{0.01};
};

extern PlayerGlobals player_globals;

// Keys of the engine's keyboard table. The video surfaces do not receive keys themselves (the
// toolkit keeps them), so the UI forwards the keys it wants the engine to act on. Escape and Q
// are the engine's exit (it shuts SDL down, as exit_player does): forward them only to quit.
enum class PlayerKey {
  Escape,      // exit
  Q,           // exit
  F,           // toggle window full screen
  P,           // pause
  Space,       // pause
  M,           // mute
  Digit0,      // volume up one step (0.75 dB)
  KpMultiply,  // volume up
  Digit9,      // volume down one step
  KpDivide,    // volume down
  Z,           // zoom
  Left,        // seek -5 s
  Right,       // seek +5 s
  Down,        // seek -10 s
  Up,          // seek +10 s
};

// Initialises SDL (video, audio, timer) and the hints the engine relies on. Call once on the UI
// thread at start-up before any playback; returns 0, or -1 with SDL's error text in *error.
int player_startup(std::string* error = nullptr);

// Body of the player thread: opens `path`, plays it until stopped or exited, and returns 0.
// `owner` is handed back in every message. A recording with neither sound nor picture ends its
// own playback (player_running returns to 0) without shutting SDL down.
int player_main(void* owner, const std::string& path);

// Synchronous stop: pushes the stop command and returns once player_running is 0. Call it only
// when a playback was started (player_running is 1 in a fresh process). A stop the playback did
// not take is discarded, so it cannot stop the next one.
void stop_player();
// Stop and shut SDL down (application exit).
void exit_player();
// Relative seek by -10, -5, +5 or +10 seconds (any other value: +5).
void seek_relative(int step);
// Seek to p thousandths (0..1000) of the recording.
void seek_to_permille(int p);
// Seek to `seconds` on the recording's own timeline (the time its telemetry ticks count in
// tenths), whatever its length; a negative time seeks to the start.
void seek_to_seconds(double seconds);
// Set the volume 0..128.
void set_volume(int v);
// Playback speed 1..4 (values outside are clamped).
void set_speed(int s);
int get_speed();
void toggle_play_pause();
// While paused, shows the next (direction > 0) or the previous (direction < 0) picture of both
// videos, silently, and reports the position and the telemetry of that picture; the previous one
// is found by seeking to the keyframe before it and decoding forward. Ignored while playing.
void step_frame(int direction);
// Exchange the windows of the two videos (only with a second video).
void toggle_swap();
// Draw the last pictures shown again, for a video surface whose pixels were lost (it was
// exposed after being covered) while no new picture comes, as when paused.
void redraw_video();
// Flip the display flags; each returns the new value.
int toggle_zoom();
int toggle_flip();
int toggle_fullscreen_video();
// Forward a key of the keyboard table to the engine.
void send_player_key(PlayerKey key);
