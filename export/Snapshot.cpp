#include "Snapshot.h"

#include "MediaPointers.h"
#include "RecordingClock.h"
#include "TelemetryScan.h"
#include "TemporaryOutput.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/crc.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

// Pictures within half a millisecond of the position count as at it (times go through doubles).
constexpr double kSameMoment = 0.0005;

// The frame in RGB at its own size, with the colours its stream is coded in (BT.601 unless it
// says BT.709; limited range unless it is a full-range "yuvj" or tagged full range).
bool ToRgb(const AVFrame* frame, RgbPicture& picture)
{
  AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
  bool full = frame->color_range == AVCOL_RANGE_JPEG;
  switch (format) {
    case AV_PIX_FMT_YUVJ420P: format = AV_PIX_FMT_YUV420P; full = true; break;
    case AV_PIX_FMT_YUVJ422P: format = AV_PIX_FMT_YUV422P; full = true; break;
    case AV_PIX_FMT_YUVJ444P: format = AV_PIX_FMT_YUV444P; full = true; break;
    default: break;
  }
  const int matrix = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  ScalerPtr scaler(
      sws_getContext(frame->width, frame->height, format, frame->width, frame->height, AV_PIX_FMT_RGB24,
                     SWS_POINT | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
  if (!scaler)
    return false;
  sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(matrix), full, sws_getCoefficients(SWS_CS_ITU601), 1, 0,
                           1 << 16, 1 << 16);
  picture.width = frame->width;
  picture.height = frame->height;
  picture.rgb.assign(static_cast<std::size_t>(frame->width) * frame->height * 3, 0);
  uint8_t* planes[] = {picture.rgb.data()};
  int pitches[] = {frame->width * 3};
  return sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, pitches) == frame->height;
}

void PutBigEndian(std::string& out, uint32_t value)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xff);
}

std::string PngChunk(const char type[4], const std::string& data)
{
  std::string chunk;
  PutBigEndian(chunk, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  chunk += body;
  const uint32_t crc = av_crc(av_crc_get_table(AV_CRC_32_IEEE_LE), 0xffffffffu,
                              reinterpret_cast<const uint8_t*>(body.data()), body.size()) ^
                       0xffffffffu;
  PutBigEndian(chunk, crc);
  return chunk;
}

// The point the panel shows at `seconds`: the last one of its tenth or before.
const TrackPoint* PointAt(const TelemetryTrack& track, double seconds)
{
  const auto tick = static_cast<std::int32_t>(std::floor(seconds * 10 + 1e-6));
  const TrackPoint* found = nullptr;
  for (const TrackPoint& p : track.points) {
    if (p.tick > tick)
      break;
    found = &p;
  }
  return found;
}

}  // namespace

std::string PositionText(double seconds, char separator)
{
  const auto tenths = static_cast<long long>(std::floor(std::max(0.0, seconds) * 10 + 1e-6));
  char text[40];
  std::snprintf(text, sizeof text, "%02lld%c%02lld%c%02lld.%lld", tenths / 36000, separator, tenths / 600 % 60,
                separator, tenths / 10 % 60, tenths % 10);
  return text;
}

bool DecodePictureAt(const std::string& recording, int camera, double seconds, RgbPicture& picture,
                     std::string* error)
{
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, recording.c_str(), nullptr, nullptr) < 0) {
    *error = recording + (std::filesystem::exists(recording) ? ": cannot be opened as a recording" : ": no such file");
    return false;
  }
  InputPtr ic(raw);
  if (avformat_find_stream_info(ic.get(), nullptr) < 0) {
    *error = recording + ": cannot be opened as a recording";
    return false;
  }
  int index = -1;
  for (unsigned i = 0, n = 0; i < ic->nb_streams; ++i) {
    const AVStream* st = ic->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
      continue;
    if (static_cast<int>(n++) == camera) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index < 0) {
    *error = recording + (camera == 0 ? ": has no video" : ": has no second video");
    return false;
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    ic->streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  AVStream* st = ic->streams[index];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  CodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (!codec || !decoder || avcodec_parameters_to_context(decoder.get(), st->codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    *error = recording + ": its video cannot be decoded";
    return false;
  }
  const int64_t stream_start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  const int64_t target = stream_start + static_cast<int64_t>(std::floor(seconds / av_q2d(st->time_base)));
  if (seconds > 0)
    avformat_seek_file(ic.get(), index, INT64_MIN, target, target, 0);

  PacketPtr packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc()), kept(av_frame_alloc());
  bool have = false, past = false, draining = false;
  while (!past) {
    if (!draining) {
      const int read = av_read_frame(ic.get(), packet.get());
      if (read < 0) {
        draining = true;
        avcodec_send_packet(decoder.get(), nullptr);
      } else {
        if (packet->stream_index == index)
          avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
      }
    }
    int got;
    while ((got = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
      const int64_t ts = frame->best_effort_timestamp;
      const double t = ts == AV_NOPTS_VALUE ? NAN : (ts - stream_start) * av_q2d(st->time_base);
      // The picture shown at the position is the last one not after it; before the first
      // picture, the first.
      if (have && !std::isnan(t) && t > seconds + kSameMoment) {
        past = true;
        break;
      }
      av_frame_unref(kept.get());
      av_frame_move_ref(kept.get(), frame.get());
      picture.seconds = std::isnan(t) ? seconds : t;
      have = true;
    }
    if (draining && got == AVERROR_EOF)
      break;
  }
  if (!have) {
    *error = recording + ": no picture at " + PositionText(seconds, ':');
    return false;
  }
  if (!ToRgb(kept.get(), picture)) {
    *error = recording + ": the picture cannot be converted";
    return false;
  }
  return true;
}

bool EncodePng(const RgbPicture& picture, const std::vector<std::pair<std::string, std::string>>& texts,
               std::string& png, std::string* error)
{
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
  CodecContextPtr encoder(codec ? avcodec_alloc_context3(codec) : nullptr);
  FramePtr frame(av_frame_alloc());
  PacketPtr packet(av_packet_alloc());
  if (!encoder || !frame || !packet) {
    *error = "no PNG encoder";
    return false;
  }
  encoder->width = picture.width;
  encoder->height = picture.height;
  encoder->pix_fmt = AV_PIX_FMT_RGB24;
  encoder->time_base = AVRational{1, 25};
  if (avcodec_open2(encoder.get(), codec, nullptr) < 0) {
    *error = "no PNG encoder";
    return false;
  }
  frame->format = AV_PIX_FMT_RGB24;
  frame->width = picture.width;
  frame->height = picture.height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) {
    *error = "out of memory";
    return false;
  }
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                picture.rgb.data() + static_cast<std::size_t>(y) * picture.width * 3,
                static_cast<std::size_t>(picture.width) * 3);
  if (avcodec_send_frame(encoder.get(), frame.get()) < 0 || avcodec_receive_packet(encoder.get(), packet.get()) < 0) {
    *error = "the picture cannot be encoded as PNG";
    return false;
  }
  const std::string encoded(reinterpret_cast<const char*>(packet->data), packet->size);
  // Signature (8 bytes) and the IHDR chunk (25 bytes) come first; text chunks may follow them.
  constexpr std::size_t kAfterHeader = 8 + 25;
  if (encoded.size() < kAfterHeader || encoded.compare(12, 4, "IHDR") != 0) {
    *error = "the picture cannot be encoded as PNG";
    return false;
  }
  png = encoded.substr(0, kAfterHeader);
  for (const auto& [keyword, text] : texts)
    png += PngChunk("tEXt", keyword + std::string(1, '\0') + text);
  png += encoded.substr(kAfterHeader);
  return true;
}

SnapshotResult SaveSnapshots(const std::string& recording, double seconds, const std::string& prefix)
{
  SnapshotResult result;
  TelemetryTrack track;
  const ScanResult scan = ScanTelemetry(recording, track);
  const TrackPoint* point = scan == ScanResult::Complete ? PointAt(track, seconds) : nullptr;
  std::vector<std::pair<std::string, std::string>> texts = {
      {"Recording", RecordingBaseName(recording)}, {"Position", PositionText(seconds, ':')}};
  if (point) {
    texts.emplace_back("Speed", std::to_string(point->speed) + (point->speedUnit == 0 ? " km/h" : " mph"));
    char gps[80];
    if (point->fix)
      std::snprintf(gps, sizeof gps, "fix %.7f, %.7f", point->latitude, point->longitude);
    else
      std::snprintf(gps, sizeof gps, "no fix");
    texts.emplace_back("GPS", gps);
  } else {
    texts.emplace_back("Speed", "unknown");
    texts.emplace_back("GPS", "unknown");
  }
  texts.emplace_back("Software", "TAVRO Viewer");

  const char* const suffixes[] = {"_front.png", "_rear.png"};
  for (int camera = 0; camera < 2; ++camera) {
    RgbPicture picture;
    std::string error;
    if (!DecodePictureAt(recording, camera, seconds, picture, &error)) {
      if (camera == 1 && result.files.size() == 1 && error.ends_with(": has no second video"))
        break;
      result.error = error;
    } else {
      std::string png;
      const std::string path = prefix + suffixes[camera];
      if (EncodePng(picture, texts, png, &error) && WriteFileAtomically(path, png, &error)) {
        result.files.push_back(path);
        continue;
      }
      result.error = error;
    }
    for (const std::string& written : result.files)
      ::unlink(written.c_str());
    result.files.clear();
    return result;
  }
  result.ok = true;
  return result;
}
