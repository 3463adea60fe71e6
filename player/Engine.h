#pragma once
// Internal operations of the engine, shared between its source files (and its tests).

#include <cstdint>
#include <functional>
#include <string>

#include <SDL.h>

#include "VideoState.h"

// SDL user events carrying commands to the player thread.
enum PlayerEvent : uint32_t {
  kEventStop = SDL_USEREVENT + 2,      // 0x8002
  kEventExit = SDL_USEREVENT + 3,      // 0x8003
  kEventSeekPermille = SDL_USEREVENT + 4,
  kEventVolume = SDL_USEREVENT + 5,
  kEventSwap = SDL_USEREVENT + 6,
  kEventRedraw = SDL_USEREVENT + 7,
  kEventStepFrame = SDL_USEREVENT + 8,  // code: +1 next picture, -1 previous
  kEventSeekTime = SDL_USEREVENT + 9,  // code: the target in milliseconds
};

// Sends a notification through the installed notifier (dropped when none is installed).
void post_message(unsigned message, int64_t wparam, int64_t lparam, std::string text = {});

// Opening, reading and closing.
VideoState* open_player(const std::string& path, const AVInputFormat* format);
void close_player(VideoState* vs);
int open_component(VideoState* vs, int stream_index);
void close_component(VideoState* vs, int stream_index);
// An exact seek lands on the keyframe at or before the target, and the decoders then drop what
// comes before the target, so that the first picture shown is the one at the target.
void request_seek(VideoState* vs, int64_t target, int64_t increment, bool by_bytes, bool exact = false);
int interrupt_check(void* opaque);

// Decoder threads.
void audio_thread(VideoState* vs);
void video_thread(VideoState* vs, int which);
void text_thread(VideoState* vs);
int queue_picture(VideoState* vs, AVFrame* frame, double pts, double duration, int64_t pos,
                  int serial, int which, int packet_size);

// Audio output.
int open_audio(VideoState* vs, const AVChannelLayout* wanted_layout, int wanted_sample_rate,
               AudioFormat* out);
void audio_callback(void* opaque, uint8_t* stream, int len);
int decode_audio_frame(VideoState* vs);
int synchronize_audio(VideoState* vs, int nb_samples);

// Video output and refresh.
void wait_event(VideoState* vs, SDL_Event* event);
void refresh(VideoState* vs, double* remaining_time);
double target_delay(double delay, VideoState* vs);
double frame_duration(VideoState* vs, const DecodedItem* vp, const DecodedItem* next);
// Position in thousandths of the duration for master time t, -1 when not available (no time,
// or a recording shorter than one second).
int64_t position_permille(double t, int64_t duration_us);
// Walks the telemetry ticks from `last` to the current tick k, calling deliver for each tick
// looked up: the next one after a step, every second skipped one after a short jump forward,
// only the one after the new position (once the clock reaches it) after a long jump or a jump
// back. A tick is never looked up before the clock reaches it, so none is delivered twice.
// Returns the new last.
int telemetry_walk(int last, int k, const std::function<void(int)>& deliver);
void update_video_clock(VideoState* vs, double pts, int64_t pos, int serial);
void show_video(VideoState* vs);
bool draw_pictures(VideoState* vs);
// Draws the pictures shown last once more, although they were drawn already: their surface lost
// its pixels (it was covered, or shown again).
void redraw_last_picture(VideoState* vs);
int open_video_output(VideoState* vs);
// Wraps the panes' windows and makes their renderers before the sound starts, so that making a
// renderer (slow on some drivers) does not hold the first pictures back behind the audio clock.
void prepare_video_output();
void destroy_textures(VideoState* vs);
void destroy_windows();  // and their renderers

// Commands executed on the player thread.
void toggle_pause(VideoState* vs);
void stream_toggle_pause(VideoState* vs);
void step_to_next_frame(VideoState* vs);
int volume_step(int volume, int sign);
