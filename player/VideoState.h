#pragma once
// The record of the one playback in progress. Only the engine touches it.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <SDL.h>

#include "DecodedQueue.h"
#include "DemuxQueue.h"
#include "StreamDecoder.h"
#include "SyncClock.h"

enum SyncMaster { SYNC_AUDIO = 0, SYNC_VIDEO = 1, SYNC_EXTERNAL = 2 };

struct AudioFormat {
  int rate = 0;
  int channels = 0;
  AVChannelLayout layout{};
  AVSampleFormat sample_format = AV_SAMPLE_FMT_NONE;
  int bytes_per_frame = 0;
  int bytes_per_second = 0;
};

struct SwrDeleter {
  void operator()(SwrContext* c) const { swr_free(&c); }
};

// A YUV 4:2:0 picture of the output size, kept between pictures: the scaler writes into it
// and the texture is updated from it, without an allocation per picture.
struct PictureBuffer {
  uint8_t* planes[4] = {};
  int pitches[4] = {};
  int width = 0;
  int height = 0;
  PictureBuffer() = default;
  PictureBuffer(const PictureBuffer&) = delete;
  PictureBuffer& operator=(const PictureBuffer&) = delete;
  ~PictureBuffer() { av_freep(&planes[0]); }
  bool ensure(int w, int h);
};

// A pane's scaler and what it was set up for: the frame's size, format, range and matrix, the
// picture's size and the scaler flags. Compared at every picture without asking libswscale.
struct PaneScaler {
  SwsContext* context = nullptr;
  std::array<int64_t, 8> setup{};
  PaneScaler() = default;
  PaneScaler(const PaneScaler&) = delete;
  PaneScaler& operator=(const PaneScaler&) = delete;
  ~PaneScaler() { sws_freeContext(context); }
};

struct VideoState {
  int generation = 0;  // which playback this is; tells its exit event from earlier ones
  std::thread reader_thread;
  const AVInputFormat* forced_format = nullptr;
  std::atomic<int> abort_all{0};
  std::atomic<int> redraw_pending{0};
  std::atomic<int> paused{0};
  int demux_paused = 0;
  std::atomic<int> attached_pics_pending{0};
  std::atomic<int> byte_seeking{0};  // this file seeks by bytes (decided at its opening)
  std::atomic<int> seek_pending{0};
  std::atomic<int> seek_mode_flags{0};
  std::atomic<int64_t> seek_target{0};
  std::atomic<int64_t> seek_increment{0};
  std::atomic<int> seek_exact{0};
  // The target (seconds) of the last exact seek, and the serials of the queues it flushed: the
  // decoders drop pictures and sound of those serials that come before the target.
  std::atomic<double> exact_target{0.0};
  std::atomic<int> exact_video_serial{-1};
  std::atomic<int> exact_video2_serial{-1};
  std::atomic<int> exact_audio_serial{-1};
  std::atomic<int> demux_pause_result{0};
  std::atomic<AVFormatContext*> format_ctx{nullptr};

  SyncClock clock_audio;
  SyncClock clock_video;
  SyncClock clock_external;

  DecodedQueue picture_queue;
  DecodedQueue picture_queue2;
  DecodedQueue text_queue;
  DecodedQueue sample_queue;

  StreamDecoder audio_decoder;
  StreamDecoder video_decoder;
  StreamDecoder video2_decoder;
  StreamDecoder text_decoder;

  std::atomic<int> audio_index{-1};
  int sync_preference = SYNC_AUDIO;
  double audio_end_pts = NAN;
  int audio_end_serial = -1;
  double sync_diff_sum = 0;
  double sync_diff_weight = 0;
  double sync_diff_threshold = 0;
  int sync_diff_count = 0;
  AVStream* audio_stream_ptr = nullptr;
  DemuxQueue audio_packets;
  int device_buffer_bytes = 0;
  const uint8_t* play_buf = nullptr;
  uint8_t* resample_buf = nullptr;
  unsigned play_buf_len = 0;
  unsigned resample_buf_capacity = 0;
  int play_buf_pos = 0;
  int play_buf_left = 0;
  std::atomic<int> volume{0};
  std::atomic<int> muted{0};
  AudioFormat resample_from;
  AudioFormat device_format;
  std::unique_ptr<SwrContext, SwrDeleter> resampler;

  std::atomic<int> dropped_before_queue{0};
  std::atomic<int> dropped_at_display{0};
  std::atomic<int> display_mode{-1};
  double last_timed_redraw = 0;
  SDL_Texture* texture = nullptr;
  SDL_Texture* texture2 = nullptr;
  std::atomic<int> text_index{-1};
  AVStream* text_stream_ptr = nullptr;
  DemuxQueue text_packets;
  double frame_due_time = 0;
  std::atomic<int> video_index{-1};
  AVStream* video_stream_ptr = nullptr;
  DemuxQueue video_packets;
  std::atomic<int> video2_index{-1};
  AVStream* video2_stream_ptr = nullptr;
  DemuxQueue video2_packets;
  double max_credible_frame_duration = 3600.0;
  PaneScaler scaler;   // first window
  PaneScaler scaler2;  // second window
  PictureBuffer upload_buffer[2];  // first and second window
  std::atomic<int> at_end_of_file{0};
  std::string path;
  int out_width = 720;
  int out_height = 405;
  std::atomic<int> step_mode{0};
  std::atomic<int> end_of_play{0};  // every decoder drained and shown: the refresh may report the end
  int out_width2 = 360;
  int out_height2 = 202;
  std::condition_variable reader_wakeup;

  ~VideoState();
};

// Master clock choice and reading.
int effective_sync(const VideoState& vs);
double master_time(const VideoState& vs);
void adjust_external_speed(VideoState& vs);
bool has_enough_packets(const AVStream* stream, int stream_index, const DemuxQueue& queue);
