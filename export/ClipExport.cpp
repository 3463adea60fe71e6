#include "ClipExport.h"

#include "MediaPointers.h"
#include "TelemetrySample.h"
#include "TemporaryOutput.h"

#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

struct OutputDeleter {
  void operator()(AVFormatContext* c) const
  {
    if (c->pb)
      avio_closep(&c->pb);
    avformat_free_context(c);
  }
};

std::string AvError(int code)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

ClipResult Failure(std::string error)
{
  ClipResult r;
  r.error = std::move(error);
  return r;
}

// Seconds of a timestamp of stream `st`, relative to the file's start.
double Seconds(const AVStream* st, int64_t ts) { return ts * av_q2d(st->time_base); }

}  // namespace

ClipResult ExportClip(const std::string& recording, const std::string& out_path, double from_seconds,
                      double to_seconds, const ClipProgress& progress)
{
  if (!(from_seconds >= 0) || !(to_seconds > from_seconds))
    return Failure("the clip must end after it starts (from " + std::to_string(from_seconds) + " s to " +
                   std::to_string(to_seconds) + " s)");
  if (!std::filesystem::exists(recording))
    return Failure(recording + ": no such file");

  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, recording.c_str(), nullptr, nullptr) < 0)
    return Failure(recording + ": cannot be opened as a recording");
  InputPtr ic(raw);
  if (avformat_find_stream_info(ic.get(), nullptr) < 0)
    return Failure(recording + ": cannot be opened as a recording");

  if (ic->duration != AV_NOPTS_VALUE && from_seconds >= ic->duration / double(AV_TIME_BASE)) {
    char length[32];
    std::snprintf(length, sizeof length, "%.1f", ic->duration / double(AV_TIME_BASE));
    return Failure(recording + ": the clip starts after the recording's end (" + length + " s)");
  }

  TemporaryOutput temporary(out_path);
  std::string error;
  if (!temporary.Create(&error))
    return Failure(error);
  AVFormatContext* out_raw = nullptr;
  if (avformat_alloc_output_context2(&out_raw, nullptr, "mp4", temporary.TemporaryPath().c_str()) < 0)
    return Failure(out_path + ": cannot make an mp4");
  std::unique_ptr<AVFormatContext, OutputDeleter> oc(out_raw);

  // Every stream that an mp4 keeps, in the recording's order.
  std::vector<int> mapping(ic->nb_streams, -1);
  int video = -1;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* in = ic->streams[i];
    const AVMediaType type = in->codecpar->codec_type;
    if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE &&
        type != AVMEDIA_TYPE_DATA)
      continue;
    if (type == AVMEDIA_TYPE_VIDEO && (in->disposition & AV_DISPOSITION_ATTACHED_PIC))
      continue;
    AVStream* st = avformat_new_stream(oc.get(), nullptr);
    if (!st || avcodec_parameters_copy(st->codecpar, in->codecpar) < 0)
      return Failure("out of memory");
    // The muxer picks its own tags; a data track has none but the one it came with.
    if (type != AVMEDIA_TYPE_DATA)
      st->codecpar->codec_tag = 0;
    // Set before the header: the text track then keeps 1/10 and its ticks stay whole.
    st->time_base = in->time_base;
    st->disposition = in->disposition;
    mapping[i] = st->index;
    if (type == AVMEDIA_TYPE_VIDEO && video < 0)
      video = static_cast<int>(i);
  }
  if (oc->nb_streams == 0)
    return Failure(recording + ": has no streams to copy");

  int err = avio_open(&oc->pb, temporary.TemporaryPath().c_str(), AVIO_FLAG_WRITE);
  if (err < 0)
    return Failure(out_path + ": " + AvError(err));
  if ((err = avformat_write_header(oc.get(), nullptr)) < 0)
    return Failure(out_path + ": " + AvError(err));

  const int64_t file_start = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  const int64_t from_us = file_start + static_cast<int64_t>(from_seconds * AV_TIME_BASE);
  // At or before the start: the demuxer lands the first video on its keyframe there.
  if (from_seconds > 0 && avformat_seek_file(ic.get(), -1, INT64_MIN, from_us, from_us, 0) < 0)
    avformat_seek_file(ic.get(), -1, INT64_MIN, from_us, INT64_MAX, 0);

  // The clip starts at the first video keyframe read; what other streams bring before it waits.
  double clip_start = video < 0 ? from_seconds : NAN;
  std::deque<PacketPtr> waiting;
  std::vector<bool> done(ic->nb_streams, false);
  PacketPtr packet(av_packet_alloc());
  if (!packet)
    return Failure("out of memory");

  // Writes one packet with its time moved back by the clip's start; false on a write error.
  auto write = [&](AVPacket* p) -> bool {
    const AVStream* in = ic->streams[p->stream_index];
    const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
    const double t = Seconds(in, ts) - file_start / double(AV_TIME_BASE);
    if (ts == AV_NOPTS_VALUE || t < clip_start - 1e-6)
      return true;  // before the clip (sound of the keyframe's first moments, texts of earlier tenths)
    const int64_t offset = av_rescale_q(static_cast<int64_t>(std::llround((clip_start * AV_TIME_BASE))) + file_start,
                                        AV_TIME_BASE_Q, in->time_base);
    if (p->pts != AV_NOPTS_VALUE)
      p->pts -= offset;
    if (p->dts != AV_NOPTS_VALUE)
      p->dts -= offset;
    if (in->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && p->duration <= 0)
      p->duration = av_rescale_q(1, AVRational{1, 10}, in->time_base);
    AVStream* st = oc->streams[mapping[p->stream_index]];
    av_packet_rescale_ts(p, in->time_base, st->time_base);
    p->stream_index = st->index;
    p->pos = -1;
    const int e = av_interleaved_write_frame(oc.get(), p);
    if (e < 0)
      error = out_path + ": " + AvError(e);
    return e >= 0;
  };

  while (av_read_frame(ic.get(), packet.get()) >= 0) {
    AVPacket* p = packet.get();
    const int index = p->stream_index;
    const AVStream* in = ic->streams[index];
    const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
    const double t = ts == AV_NOPTS_VALUE ? NAN : Seconds(in, ts) - file_start / double(AV_TIME_BASE);
    // Empty text samples only close the text before them; the muxer writes its own.
    const bool wanted = mapping[index] >= 0 && !done[index] &&
                        !(in->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && p->size < kMinTelemetrySampleBytes);
    if (wanted && t >= to_seconds) {
      done[index] = true;
    } else if (wanted) {
      if (std::isnan(clip_start) && index == video && (p->flags & AV_PKT_FLAG_KEY) && !std::isnan(t)) {
        clip_start = t;
        for (PacketPtr& w : waiting)
          if (!write(w.get()))
            return Failure(error);
        waiting.clear();
      }
      if (std::isnan(clip_start)) {
        waiting.emplace_back(av_packet_clone(p));
      } else if (!write(p)) {
        return Failure(error);
      }
      if (index == video && progress && !std::isnan(clip_start) &&
          !progress(std::clamp((t - clip_start) / (to_seconds - clip_start), 0.0, 1.0))) {
        ClipResult r = Failure("cancelled");
        r.cancelled = true;
        return r;
      }
    }
    av_packet_unref(p);
    // Files interleave their streams closely: once the first video is past the end and the
    // others have had a second more, nothing of the clip is left to read.
    if (video >= 0 && done[video] && !std::isnan(t) && t > to_seconds + 1.0)
      break;
  }
  if (std::isnan(clip_start))
    return Failure(recording + ": nothing to cut between " + std::to_string(from_seconds) + " s and " +
                   std::to_string(to_seconds) + " s");
  if ((err = av_write_trailer(oc.get())) < 0)
    return Failure(out_path + ": " + AvError(err));
  if ((err = avio_closep(&oc->pb)) < 0)
    return Failure(out_path + ": " + AvError(err));
  if (!temporary.Commit(&error))
    return Failure(error);
  if (progress)
    progress(1.0);
  ClipResult r;
  r.ok = true;
  r.start = clip_start;
  return r;
}
