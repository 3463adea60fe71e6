#include "StreamDecoder.h"

#include <cstring>

#include "DecodedQueue.h"
#include "DemuxQueue.h"
#include "TelemetrySample.h"

void StreamDecoder::init(CodecContextPtr c, DemuxQueue* q, std::condition_variable* empty_signal) {
  packet.reset(av_packet_alloc());
  codec = std::move(c);
  queue = q;
  queue_empty_signal = empty_signal;
  packet_serial = 0;
  finished = 0;
  packet_pending = false;
  start_pts = AV_NOPTS_VALUE;
  start_pts_tb = AVRational{0, 1};
  next_pts = AV_NOPTS_VALUE;
  next_pts_tb = AVRational{0, 1};
}

void StreamDecoder::abort(DecodedQueue& frames) {
  queue->abort();
  frames.signal();
  if (thread_.joinable()) thread_.join();
  queue->flush();
}

void StreamDecoder::destroy() {
  packet.reset();
  codec.reset();
}

// Takes packets until one of the current serial arrives; a flush marker on the way resets the
// codec and the timestamp prediction.
int StreamDecoder::fetch_packet() {
  for (;;) {
    if (queue->count() == 0 && queue_empty_signal) queue_empty_signal->notify_all();
    int serial = 0;
    if (queue->take(packet.get(), true, &serial) < 0) return -1;
    if (is_flush_marker(packet.get())) {
      avcodec_flush_buffers(codec.get());
      finished = 0;
      next_pts = start_pts;
      next_pts_tb = start_pts_tb;
      packet->data = nullptr;
      packet_serial = serial;
      continue;
    }
    packet_serial = serial;
    if (serial == queue->serial()) break;
    av_packet_unref(packet.get());
  }
  packet_pending = true;
  return 0;
}

int StreamDecoder::decode_frame(AVFrame* frame, AVSubtitle* text_item) {
  const AVMediaType type = codec->codec_type;
  for (;;) {
    if (queue->aborted()) return -1;

    if (type != AVMEDIA_TYPE_SUBTITLE && queue->serial() == packet_serial) {
      const int ret = avcodec_receive_frame(codec.get(), frame);
      if (ret >= 0) {
        if (type == AVMEDIA_TYPE_VIDEO) {
          if (picture_pts_choice == -1)
            frame->pts = frame->best_effort_timestamp;
          else if (picture_pts_choice == 0)
            frame->pts = frame->pkt_dts;
        } else if (type == AVMEDIA_TYPE_AUDIO) {
          const AVRational tb{1, frame->sample_rate};
          if (frame->pts != AV_NOPTS_VALUE)
            frame->pts = av_rescale_q(frame->pts, codec->pkt_timebase, tb);
          else if (next_pts != AV_NOPTS_VALUE)
            frame->pts = av_rescale_q(next_pts, next_pts_tb, tb);
          if (frame->pts != AV_NOPTS_VALUE) {
            next_pts = frame->pts + frame->nb_samples;
            next_pts_tb = tb;
          }
        }
        return 1;
      }
      if (ret == AVERROR_EOF) {
        // Drained: note the serial and make the codec accept packets again.
        finished = packet_serial;
        avcodec_flush_buffers(codec.get());
        return 0;
      }
      // EAGAIN (or an error): the codec wants the next packet.
    }

    if (!packet_pending || queue->serial() != packet_serial) {
      av_packet_unref(packet.get());
      if (fetch_packet() < 0) return -1;
    }

    if (type == AVMEDIA_TYPE_SUBTITLE) {
      AVPacket view = *packet;
      const uint8_t* text = nullptr;
      TextSamplePayload(packet->data, packet->size, &text, &view.size);
      view.data = const_cast<uint8_t*>(text);
      int got = 0;
      int ret = -1;
      if (view.data && view.size > 0) {
        ret = avcodec_decode_subtitle2(codec.get(), text_item, &got, &view);
      } else {
        // An empty packet: the stream ended; the text codec keeps nothing to drain.
        ret = 0;
        got = 0;
      }
      packet_pending = false;
      if (ret >= 0 && got) return 1;
      if (ret >= 0 && !got && !packet->data) {
        finished = packet_serial;
        return 0;
      }
      if (got) avsubtitle_free(text_item);
      continue;
    }

    // A packet without data is the end of the stream: start draining the codec.
    const int ret = avcodec_send_packet(codec.get(), packet->data ? packet.get() : nullptr);
    if (ret == AVERROR(EAGAIN)) continue;  // frames still inside come out first; packet stays
    packet_pending = false;
  }
}
