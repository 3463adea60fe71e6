#include "VideoState.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "EngineConstants.h"
#include "Player.h"

VideoState::~VideoState() {
  av_freep(&resample_buf);
  av_channel_layout_uninit(&resample_from.layout);
  av_channel_layout_uninit(&device_format.layout);
}

bool PictureBuffer::ensure(int w, int h) {
  if (planes[0] && width == w && height == h) return true;
  av_freep(&planes[0]);
  width = height = 0;
  if (av_image_alloc(planes, pitches, w, h, AV_PIX_FMT_YUV420P, 32) < 0) return false;
  width = w;
  height = h;
  return true;
}

int effective_sync(const VideoState& vs) {
  if (vs.sync_preference == SYNC_VIDEO) return vs.video_stream_ptr ? SYNC_VIDEO : SYNC_EXTERNAL;
  if (vs.sync_preference == SYNC_AUDIO) return vs.audio_stream_ptr ? SYNC_AUDIO : SYNC_EXTERNAL;
  return SYNC_EXTERNAL;
}

double master_time(const VideoState& vs) {
  switch (effective_sync(vs)) {
    case SYNC_VIDEO: return vs.clock_video.read();
    case SYNC_AUDIO: return vs.clock_audio.read();
    default: return vs.clock_external.read();
  }
}

void adjust_external_speed(VideoState& vs) {
  using namespace engine;
  const bool video = vs.video_index >= 0;
  const bool audio = vs.audio_index >= 0;
  SyncClock& ext = vs.clock_external;
  if ((video && vs.video_packets.count() <= kExternalClockLowPackets) ||
      (audio && vs.audio_packets.count() <= kExternalClockLowPackets)) {
    ext.set_speed(std::max(kExternalClockSpeedMin, ext.speed() - kExternalClockSpeedStep));
  } else if ((!video || vs.video_packets.count() > kExternalClockHighPackets) &&
             (!audio || vs.audio_packets.count() > kExternalClockHighPackets)) {
    const double p = player_globals.playback_speed.load();
    ext.set_speed(p * std::min(kExternalClockSpeedMax, ext.speed() + kExternalClockSpeedStep));
  } else {
    const double speed = ext.speed();
    if (speed != 1.0)
      ext.set_speed(speed + kExternalClockSpeedStep * (1.0 - speed) / std::fabs(1.0 - speed));
  }
}

bool has_enough_packets(const AVStream* stream, int stream_index, const DemuxQueue& queue) {
  if (stream_index < 0 || queue.aborted() || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
    return true;
  if (queue.count() <= engine::kEnoughPacketsCount) return false;
  const int64_t duration = queue.duration();
  return duration == 0 || av_q2d(stream->time_base) * duration > engine::kEnoughPacketsSeconds;
}
