// The decoder threads: audio, first and second video, and the telemetry text.

#include <chrono>
#include <cmath>
#include <cstring>

#include "Engine.h"
#include "EngineGlobals.h"
#include "Player.h"
#include "TelemetrySample.h"

void audio_thread(VideoState* vs) {
  FramePtr frame(av_frame_alloc());
  if (!frame) return;
  for (;;) {
    const int got = vs->audio_decoder.decode_frame(frame.get(), nullptr);
    if (got < 0) break;
    if (got == 0) continue;
    // Sound from before an exact seek's target would be heard before its picture.
    if (vs->audio_decoder.packet_serial == vs->exact_audio_serial && frame->pts != AV_NOPTS_VALUE &&
        (frame->pts + frame->nb_samples) / double(frame->sample_rate) <= vs->exact_target) {
      av_frame_unref(frame.get());
      continue;
    }
    DecodedItem* slot = vs->sample_queue.wait_writable();
    if (!slot) break;
    const AVRational tb{1, frame->sample_rate};
    slot->pts = frame->pts == AV_NOPTS_VALUE ? NAN : frame->pts * av_q2d(tb);
    slot->byte_pos = frame->pkt_pos;
    slot->serial = vs->audio_decoder.packet_serial;
    slot->duration = av_q2d(AVRational{frame->nb_samples, frame->sample_rate});
    av_frame_move_ref(slot->frame, frame.get());
    vs->sample_queue.commit();
  }
}

namespace {

// Decodes the next picture; 1 picture, 0 none (drained or dropped as late), -1 aborted.
int get_picture(VideoState* vs, StreamDecoder& decoder, AVStream* stream, AVFrame* frame) {
  const int got = decoder.decode_frame(frame, nullptr);
  if (got <= 0) return got;
  const double dpts = frame->pts != AV_NOPTS_VALUE ? av_q2d(stream->time_base) * frame->pts : NAN;
  frame->sample_aspect_ratio = av_guess_sample_aspect_ratio(vs->format_ctx, stream, frame);
  // At 3x and 4x a small machine cannot decode and show every picture: while they come out late
  // for the master clock, the decoder leaves out the pictures no other one refers to (such as the
  // B-frames of most encoders), which would only be dropped, until the pictures are on time again.
  const double late = master_time(*vs) - dpts;
  const AVDiscard skip = player_globals.playback_speed >= 3 && late > 0 && late < SyncClock::kFollowThreshold &&
                                 decoder.packet_serial == vs->clock_video.serial()
                             ? AVDISCARD_NONREF
                             : AVDISCARD_DEFAULT;
  if (decoder.codec->skip_frame != skip) decoder.codec->skip_frame = skip;
  const int drop = player_globals.drop_pictures;
  if ((drop > 0 || (drop != 0 && effective_sync(*vs) != SYNC_VIDEO)) && frame->pts != AV_NOPTS_VALUE) {
    const double diff = dpts - master_time(*vs);
    if (!std::isnan(diff) && std::fabs(diff) < SyncClock::kFollowThreshold && diff < 0 &&
        decoder.packet_serial == vs->clock_video.serial()) {
      ++vs->dropped_before_queue;
      av_frame_unref(frame);
      return 0;
    }
  }
  return 1;
}

}  // namespace

int queue_picture(VideoState* vs, AVFrame* frame, double pts, double duration, int64_t pos, int serial,
                  int which, int packet_size) {
  DecodedQueue& queue = which == 0 ? vs->picture_queue : vs->picture_queue2;
  DecodedItem* vp = queue.wait_writable();
  if (!vp) return -1;
  vp->aspect = frame->sample_aspect_ratio;
  vp->drawn = false;
  vp->width = frame->width;
  vp->height = frame->height;
  vp->pixel_format = frame->format;
  vp->pts = pts;
  vp->duration = duration;
  vp->byte_pos = pos;
  vp->serial = serial;
  vp->packet_size = packet_size;
  av_frame_move_ref(vp->frame, frame);
  queue.commit();
  return 0;
}

void video_thread(VideoState* vs, int which) {
  StreamDecoder& decoder = which == 0 ? vs->video_decoder : vs->video2_decoder;
  AVStream* stream = which == 0 ? vs->video_stream_ptr : vs->video2_stream_ptr;
  FramePtr frame(av_frame_alloc());
  if (!frame) return;
  const AVRational tb = stream->time_base;
  const AVRational rate = av_guess_frame_rate(vs->format_ctx, stream, nullptr);
  for (;;) {
    const int got = get_picture(vs, decoder, stream, frame.get());
    if (got < 0) break;
    if (got == 0) continue;
    const double duration = rate.num && rate.den ? av_q2d(AVRational{rate.den, rate.num}) : 0;
    const double pts = frame->pts == AV_NOPTS_VALUE ? NAN : frame->pts * av_q2d(tb);
    // After an exact seek the pictures between the keyframe and the target are decoded, not shown.
    const int exact_serial = which == 0 ? vs->exact_video_serial : vs->exact_video2_serial;
    if (decoder.packet_serial == exact_serial && pts < vs->exact_target - duration / 2) {
      av_frame_unref(frame.get());
      continue;
    }
    // The frame's packet size tells pictures from real packets apart from drain leftovers.
    const int packet_size = frame->pkt_size;
    const int ret = queue_picture(vs, frame.get(), pts, duration, frame->pkt_pos, decoder.packet_serial,
                                  which, packet_size);
    av_frame_unref(frame.get());
    if (ret < 0) break;
  }
}

void text_thread(VideoState* vs) {
  StreamDecoder& decoder = vs->text_decoder;
  const AVRational tenths{1, 10};
  while (!vs->abort_all) {
    // Texts are taken only once the master clock runs.
    const double t = master_time(*vs);
    if (std::isnan(t) || static_cast<int64_t>(t * 10) < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    DecodedItem* sp = vs->text_queue.wait_writable();
    if (!sp) break;
    std::memset(&sp->text_item, 0, sizeof(sp->text_item));
    const int got = decoder.decode_frame(nullptr, &sp->text_item);
    if (got < 0) break;
    if (got > 0) {
      const AVPacket* pkt = decoder.packet.get();
      // Keyed in tenths of a second whatever the stream's time base.
      const int64_t tick = av_rescale_q(pkt->pts, vs->text_stream_ptr->time_base, tenths);
      telemetry_store(static_cast<int32_t>(tick), TelemetryTextOfSample(pkt->data, pkt->size));
      sp->has_text_item = true;
      sp->pts = sp->text_item.pts != AV_NOPTS_VALUE ? sp->text_item.pts / double(AV_TIME_BASE) : NAN;
      sp->serial = decoder.packet_serial;
      vs->text_queue.commit();
    } else {
      avsubtitle_free(&sp->text_item);
    }
  }
}
