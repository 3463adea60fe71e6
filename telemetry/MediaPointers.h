#pragma once
// Owning pointers for FFmpeg's objects, shared by the Qt-free cores that read recordings: the
// telemetry scan, the exports and the playback engine.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

struct InputDeleter {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ScalerDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
