// The player thread's start routine, its event loop, and the commands of the user interface.

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

extern "C" {
#include <libavutil/time.h>
}

#include "Engine.h"
#include "EngineConstants.h"
#include "EngineGlobals.h"
#include "Player.h"

namespace {

void push_user_event(uint32_t type) {
  SDL_Event event{};
  event.type = type;
  SDL_PushEvent(&event);
}

void push_key(SDL_Keycode key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = key;
  SDL_PushEvent(&event);
}

// Drops the exit events that earlier playbacks' read threads left in the queue; the
// application's exit (no generation) stays.
int drop_stale_exit(void*, SDL_Event* event) { return event->type != kEventExit || event->user.code == 0; }

void do_stop(VideoState*& vs) {
  player_globals.quit_event_loop = 1;
  if (vs) close_player(vs);
  vs = nullptr;
}

void do_exit(VideoState*& vs) {
  do_stop(vs);
  destroy_windows();
  if (player_globals.status_enabled) std::printf("\n");
  SDL_Quit();
}

void seek_by_seconds(VideoState* vs, double incr) {
  AVFormatContext* ic = vs->format_ctx;
  if (!ic) return;  // the input could not be opened
  if (vs->byte_seeking > 0) {
    int64_t pos = -1;
    if (vs->video_index >= 0) pos = vs->picture_queue.last_byte_pos();
    if (pos < 0 && vs->video2_index >= 0) pos = vs->picture_queue2.last_byte_pos();
    if (pos < 0 && vs->audio_index >= 0) pos = vs->sample_queue.last_byte_pos();
    if (pos < 0) pos = avio_tell(ic->pb);
    const double bytes = ic->bit_rate ? incr * (ic->bit_rate / 8.0) : incr * 180000.0;
    request_seek(vs, static_cast<int64_t>(pos + bytes), static_cast<int64_t>(bytes), true);
  } else {
    double pos = master_time(*vs);
    if (std::isnan(pos)) pos = double(vs->seek_target) / AV_TIME_BASE;
    pos += incr;
    if (ic->start_time != AV_NOPTS_VALUE && pos < ic->start_time / double(AV_TIME_BASE))
      pos = ic->start_time / double(AV_TIME_BASE);
    request_seek(vs, static_cast<int64_t>(pos * AV_TIME_BASE), static_cast<int64_t>(incr * AV_TIME_BASE), false);
  }
}

void seek_permille(VideoState* vs) {
  AVFormatContext* ic = vs->format_ctx;
  if (!ic) return;
  const int permille = player_globals.seek_permille;
  if (vs->byte_seeking == 0 && ic->duration != AV_NOPTS_VALUE && ic->duration > 0) {
    int64_t target = static_cast<int64_t>(ic->duration * permille / 1000.0);
    if (ic->start_time != AV_NOPTS_VALUE) target += ic->start_time;
    request_seek(vs, target, 0, false);
  } else {
    const int64_t size = ic->pb ? avio_size(ic->pb) : -1;
    if (size <= 0) return;
    request_seek(vs, size * permille / 1000, 0, true);
  }
}

void seek_time(VideoState* vs, int32_t milliseconds) {
  AVFormatContext* ic = vs->format_ctx;
  if (!ic) return;
  const int64_t target = int64_t{std::max(milliseconds, 0)} * 1000;
  if (vs->byte_seeking > 0) {
    // A file sought by bytes: the same share of its bytes as of its duration.
    const int64_t size = ic->pb ? avio_size(ic->pb) : -1;
    if (size <= 0 || ic->duration == AV_NOPTS_VALUE || ic->duration <= 0) return;
    const int64_t from = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
    const double share = std::clamp(double(target - from) / double(ic->duration), 0.0, 1.0);
    request_seek(vs, static_cast<int64_t>(size * share), 0, true);
  } else {
    request_seek(vs, target, 0, false);
  }
}

void handle_key(VideoState*& vs, SDL_Keycode key) {
  PlayerGlobals& g = player_globals;
  if (g.any_key_stops) {
    do_exit(vs);
    return;
  }
  if (!vs) return;
  switch (key) {
    case SDLK_ESCAPE:
    case SDLK_q:
      do_exit(vs);
      return;
    case SDLK_f:
      // The pane's full-screen layout belongs to the main window; the engine keeps the flag and
      // redraws.
      g.window_fullscreen = !g.window_fullscreen;
      vs->redraw_pending = 1;
      return;
    case SDLK_p:
    case SDLK_SPACE:
      toggle_pause(vs);
      return;
    case SDLK_m:
      vs->muted = !vs->muted;
      return;
    case SDLK_0:
    case SDLK_KP_MULTIPLY:
      vs->volume = volume_step(vs->volume, 1);
      return;
    case SDLK_9:
    case SDLK_KP_DIVIDE:
      vs->volume = volume_step(vs->volume, -1);
      return;
    case SDLK_z:
      g.zoom_mode = !g.zoom_mode;
      return;
    case SDLK_LEFT: seek_by_seconds(vs, -5.0); return;
    case SDLK_RIGHT: seek_by_seconds(vs, 5.0); return;
    case SDLK_DOWN: seek_by_seconds(vs, -10.0); return;
    case SDLK_UP: seek_by_seconds(vs, 10.0); return;
    default: return;
  }
}

// The frame step of the user interface, executed on the player thread.
void step_one_frame(VideoState* vs, int direction) {
  if (!vs->paused || vs->video_index < 0 || !vs->format_ctx) return;
  if (direction > 0) {
    step_to_next_frame(vs);
    return;
  }
  if (!vs->picture_queue.shown_held()) return;
  const DecodedItem* shown = vs->picture_queue.last_shown();
  if (std::isnan(shown->pts) || !(shown->duration > 0)) return;
  // The picture before the one shown; none before the first.
  const double target = shown->pts - shown->duration;
  const AVStream* st = vs->video_stream_ptr;
  const double first = st && st->start_time != AV_NOPTS_VALUE ? st->start_time * av_q2d(st->time_base) : 0.0;
  if (target < first - shown->duration / 2) return;
  request_seek(vs, std::llround(target * AV_TIME_BASE), 0, false, true);
}

void event_loop(VideoState*& vs) {
  PlayerGlobals& g = player_globals;
  SDL_Event event;
  for (;;) {
    if (g.quit_event_loop || !vs || vs->abort_all) return;
    wait_event(vs, &event);
    switch (event.type) {
      case SDL_KEYDOWN:
        handle_key(vs, event.key.keysym.sym);
        break;
      case SDL_QUIT:
        do_exit(vs);
        break;
      case kEventExit:
        // Pushed by the read thread (with its playback's generation) when this recording
        // cannot be played: end this playback only, so the application can go on playing
        // others. A leftover from an earlier playback is ignored; a later playback may have
        // been given the same record's address, never its generation. Without a generation
        // it is the application's exit.
        if (event.user.code == 0)
          do_exit(vs);
        else if (event.user.code == vs->generation)
          do_stop(vs);
        break;
      case kEventStop:
        do_stop(vs);
        break;
      case kEventSeekPermille:
        seek_permille(vs);
        break;
      case kEventSeekTime:
        seek_time(vs, event.user.code);
        break;
      case kEventVolume:
        vs->volume = g.requested_volume.load();
        break;
      case kEventSwap:
        if (vs->video2_index >= 0) {
          g.swap_videos = !g.swap_videos;
          vs->redraw_pending = 1;
        }
        break;
      case kEventRedraw:
        redraw_last_picture(vs);
        break;
      case kEventStepFrame:
        step_one_frame(vs, event.user.code);
        break;
      default:
        break;
    }
  }
}

}  // namespace

void stream_toggle_pause(VideoState* vs) {
  if (vs->paused) {
    vs->frame_due_time += SyncClock::now() - vs->clock_video.updated_at();
    if (vs->demux_pause_result != AVERROR(ENOSYS)) vs->clock_video.set_paused(false);
    vs->clock_video.set(vs->clock_video.read(), vs->clock_video.serial());
  }
  vs->clock_external.set(vs->clock_external.read(), vs->clock_external.serial());
  const bool paused = !vs->paused;
  vs->paused = paused;
  vs->clock_audio.set_paused(paused);
  vs->clock_video.set_paused(paused);
  vs->clock_external.set_paused(paused);
  player_globals.paused_mirror = paused;
}

void toggle_pause(VideoState* vs) {
  stream_toggle_pause(vs);
  vs->step_mode = 0;
}

void step_to_next_frame(VideoState* vs) {
  if (vs->paused) stream_toggle_pause(vs);
  vs->step_mode = 1;
}

int volume_step(int volume, int sign) {
  const double level = volume ? 20 * std::log10(volume / double(engine::kMaxVolume)) : -1000.0;
  int next = static_cast<int>(std::lrint(engine::kMaxVolume * std::pow(10.0, (level + sign * engine::kVolumeStepDb) / 20)));
  if (next == volume) next = volume + sign;
  return std::clamp(next, 0, engine::kMaxVolume);
}

int player_startup(std::string* error) {
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) {
    if (error) *error = SDL_GetError();
    return -1;
  }
  return 0;
}

int player_main(void* owner, const std::string& path) {
  PlayerGlobals& g = player_globals;
  g.owner = owner;
  post_message(kMsgTelemetry, 0, 0);
  g.eof_notified = 0;
  g.stop_requested = 0;
  g.quit_event_loop = 0;
  g.player_running = 1;
  g.picture_time = NAN;
  engine_globals.open_path = path;
  SDL_FilterEvents(drop_stale_exit, nullptr);
  init_flush_marker();
  prepare_video_output();
  VideoState* vs = open_player(engine_globals.open_path, nullptr);
  if (!vs) {
    // Ends this playback only: shutting SDL down here would leave the viewer unable to play
    // any later recording.
    av_log(nullptr, AV_LOG_FATAL, "Failed to initialize VideoState!\n");
    do_stop(vs);
  }
  event_loop(vs);
  if (vs) do_stop(vs);
  if (g.paused_mirror) {
    // Carried into the next playback, which then starts paused like the control panel shows.
    g.paused_mirror = 0;
    push_key(SDLK_SPACE);
  }
  telemetry_clear();
  // The decoder threads free their picture buffers into malloc's per-thread arenas, which keep
  // the pages resident for reuse: over a few hundred recordings the viewer grew by tens of MB.
  // Between playbacks they are handed back to the system.
  malloc_trim(0);
  g.picture_time = NAN;  // nothing of this playback is shown any more
  g.owner = nullptr;
  g.player_running = 0;
  return 0;
}

void stop_player() {
  player_globals.stop_requested = 1;
  push_user_event(kEventStop);
  while (player_globals.player_running) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // A stop the ended playback did not take would otherwise stop the next one at once.
  SDL_FlushEvent(kEventStop);
}

void exit_player() { push_user_event(kEventExit); }

void seek_relative(int step) {
  player_globals.user_seek = 1;
  switch (step) {
    case -10: push_key(SDLK_DOWN); break;
    case -5: push_key(SDLK_LEFT); break;
    case 10: push_key(SDLK_UP); break;
    default: push_key(SDLK_RIGHT); break;
  }
}

void seek_to_permille(int p) {
  player_globals.user_seek = 1;
  player_globals.seek_permille = p;
  push_user_event(kEventSeekPermille);
}

void seek_to_seconds(double seconds) {
  player_globals.user_seek = 1;
  SDL_Event event{};
  event.type = kEventSeekTime;
  const double milliseconds = seconds > 0 ? std::min(seconds * 1000, double(INT32_MAX)) : 0.0;  // NaN: 0
  event.user.code = static_cast<int32_t>(std::lround(milliseconds));
  SDL_PushEvent(&event);
}

void set_volume(int v) {
  player_globals.requested_volume = v;
  push_user_event(kEventVolume);
}

void set_speed(int s) { player_globals.playback_speed = std::clamp(s, 1, 4); }

int get_speed() { return player_globals.playback_speed; }

void toggle_play_pause() { push_key(SDLK_SPACE); }

void toggle_swap() { push_user_event(kEventSwap); }

void step_frame(int direction) {
  SDL_Event event{};
  event.type = kEventStepFrame;
  event.user.code = direction < 0 ? -1 : 1;
  SDL_PushEvent(&event);
}

void redraw_video() { push_user_event(kEventRedraw); }

int toggle_zoom() { return player_globals.zoom_mode = !player_globals.zoom_mode; }

int toggle_flip() { return player_globals.flip_mode = !player_globals.flip_mode; }

int toggle_fullscreen_video() { return player_globals.fullscreen_video = !player_globals.fullscreen_video; }

void send_player_key(PlayerKey key) {
  static const SDL_Keycode codes[] = {SDLK_ESCAPE, SDLK_q, SDLK_f,     SDLK_p,           SDLK_SPACE,
                                      SDLK_m,      SDLK_0, SDLK_KP_MULTIPLY, SDLK_9, SDLK_KP_DIVIDE,
                                      SDLK_z,      SDLK_LEFT, SDLK_RIGHT, SDLK_DOWN,    SDLK_UP};
  const auto index = static_cast<size_t>(key);
  if (index < std::size(codes)) push_key(codes[index]);
}
