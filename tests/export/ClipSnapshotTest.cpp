// Snapshots and clips of a generated two-camera recording: the snapshot is the recorded
// picture at the position, at its own size, with its texts; the clip holds every stream from
// the keyframe before the start to the end mark, with the telemetry at the same moments.
#include "ExportFixture.h"

#include "ClipExport.h"
#include "Snapshot.h"
#include "TelemetryScan.h"
#include "TelemetryScript.h"
#include "TestPicture.h"

#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

using recgen::TelemetryForm;

struct DecodedPng {
  int width = 0, height = 0;
  std::vector<recgen::Rgb> pixels;
  std::map<std::string, std::string> texts;
  recgen::TestPictureReading read() const
  {
    return recgen::ReadTestPicture(width, height, [this](int x, int y) { return pixels[size_t(y) * width + x]; });
  }
};

// A PNG through FFmpeg's own decoder, which hands its text chunks over as metadata.
DecodedPng ReadPng(const std::string& path)
{
  DecodedPng out;
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << path;
    return out;
  }
  avformat_find_stream_info(ic, nullptr);
  const AVCodec* codec = avcodec_find_decoder(ic->streams[0]->codecpar->codec_id);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(c, ic->streams[0]->codecpar);
  avcodec_open2(c, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (av_read_frame(ic, packet) >= 0 && avcodec_send_packet(c, packet) >= 0 && avcodec_receive_frame(c, frame) >= 0) {
    EXPECT_EQ(frame->format, AV_PIX_FMT_RGB24);
    out.width = frame->width;
    out.height = frame->height;
    for (int y = 0; y < frame->height; ++y)
      for (int x = 0; x < frame->width; ++x) {
        const uint8_t* p = frame->data[0] + y * frame->linesize[0] + 3 * x;
        out.pixels.push_back({p[0], p[1], p[2]});
      }
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(frame->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
      out.texts[e->key] = e->value;
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  avformat_close_input(&ic);
  return out;
}

// The test picture of `camera`, frame n, in RGB at the source size.
std::vector<recgen::Rgb> ExpectedPicture(int width, int height, int camera, int64_t n, int fps)
{
  AVFrame* yuv = av_frame_alloc();
  yuv->format = AV_PIX_FMT_YUV420P;
  yuv->width = width;
  yuv->height = height;
  av_frame_get_buffer(yuv, 0);
  recgen::DrawTestPicture(yuv, camera, n, fps);
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  SwsContext* sws = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB24, SWS_POINT,
                                   nullptr, nullptr, nullptr);
  uint8_t* dst[] = {rgb.data()};
  int pitch[] = {width * 3};
  sws_scale(sws, yuv->data, yuv->linesize, 0, height, dst, pitch);
  sws_freeContext(sws);
  av_frame_free(&yuv);
  std::vector<recgen::Rgb> out(size_t(width) * height);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  return out;
}

double MeanDifference(const std::vector<recgen::Rgb>& a, const std::vector<recgen::Rgb>& b)
{
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    sum += (std::abs(a[i].r - b[i].r) + std::abs(a[i].g - b[i].g) + std::abs(a[i].b - b[i].b)) / 3.0;
  return a.empty() ? 1e9 : sum / a.size();
}

TEST_F(ExportFixture, SnapshotIsTheRecordedPictureAtThePositionWithItsTexts)
{
  const auto spec = Drive(TelemetryForm::Csv, 6);
  const std::string recording = Write("20261210_100001_N.mp4", spec);
  const struct {
    double at;
    int frame;
  } cases[] = {{0.0, 0}, {2.35, 23}, {2.4, 24}, {5.95, 59}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    const std::string prefix = (dir_ / ("snap-" + std::to_string(c.frame))).string();
    const SnapshotResult result = SaveSnapshots(recording, c.at, prefix);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.files, (std::vector<std::string>{prefix + "_front.png", prefix + "_rear.png"}));
    for (int camera = 0; camera < 2; ++camera) {
      SCOPED_TRACE(camera);
      const DecodedPng png = ReadPng(result.files[camera]);
      EXPECT_EQ(png.width, spec.videos[camera].width) << "the video's own size";
      EXPECT_EQ(png.height, spec.videos[camera].height);
      const auto reading = png.read();
      EXPECT_TRUE(reading.valid);
      EXPECT_EQ(reading.camera, camera);
      EXPECT_EQ(reading.frame, c.frame) << "the picture shown at that position";
      EXPECT_FALSE(reading.mirrored);
      EXPECT_LT(MeanDifference(png.pixels, ExpectedPicture(png.width, png.height, camera, c.frame, spec.fps)), 6.0);
    }
  }
  const DecodedPng png = ReadPng(dir_ / "snap-23_front.png");
  const recgen::DriveState d = recgen::DriveAt(spec.script, 2.3);
  char gps[80];
  std::snprintf(gps, sizeof gps, "fix %.7f, %.7f", d.latitude, d.longitude);
  EXPECT_EQ(png.texts.at("Recording"), "20261210_100001_N");
  EXPECT_EQ(png.texts.at("Position"), "00:00:02.3");
  EXPECT_EQ(png.texts.at("Speed"), std::to_string(d.speed) + " km/h");
  EXPECT_EQ(png.texts.at("GPS"), gps);
  EXPECT_EQ(PositionText(83.45, '-'), "00-01-23.4");
}

struct Probe {
  std::vector<AVMediaType> types;
  std::vector<int> widths;
  AVRational text_time_base{0, 1};
  double seconds = 0;
};

Probe ProbeFile(const std::string& path)
{
  Probe p;
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0)
    return p;
  avformat_find_stream_info(ic, nullptr);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* st = ic->streams[i];
    p.types.push_back(st->codecpar->codec_type);
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      p.widths.push_back(st->codecpar->width);
    if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
      p.text_time_base = st->time_base;
  }
  p.seconds = ic->duration / double(AV_TIME_BASE);
  avformat_close_input(&ic);
  return p;
}

TEST_F(ExportFixture, ClipCopiesEveryStreamFromTheKeyframeBeforeTheStartToTheEnd)
{
  const auto spec = Drive(TelemetryForm::Csv, 6);
  const std::string recording = Write("20261210_100001_N.mp4", spec);
  const std::string clip = (dir_ / "clip.mp4").string();
  std::vector<double> fractions;
  const ClipResult result = ExportClip(recording, clip, 2.3, 4.5, [&](double f) {
    fractions.push_back(f);
    return true;
  });
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_DOUBLE_EQ(result.start, 2.0) << "keyframes every second";
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);

  const Probe probe = ProbeFile(clip);
  EXPECT_EQ(probe.types, (std::vector<AVMediaType>{AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                                   AVMEDIA_TYPE_SUBTITLE}));
  EXPECT_EQ(probe.widths, (std::vector<int>{320, 160}));
  EXPECT_EQ(probe.text_time_base.num, 1);
  EXPECT_EQ(probe.text_time_base.den, 10);
  const double keyframe_interval = spec.gopFrames / double(spec.fps);
  EXPECT_GE(probe.seconds, 4.5 - 2.3 - 0.1);
  EXPECT_LE(probe.seconds, 4.5 - 2.3 + keyframe_interval + 0.1);

  // The clip's first pictures are those at its start in the recording.
  for (int camera = 0; camera < 2; ++camera) {
    RgbPicture picture;
    std::string error;
    ASSERT_TRUE(DecodePictureAt(clip, camera, 0.0, picture, &error)) << error;
    const auto reading = recgen::ReadTestPicture(picture.width, picture.height, [&](int x, int y) {
      const uint8_t* p = &picture.rgb[(size_t(y) * picture.width + x) * 3];
      return recgen::Rgb{p[0], p[1], p[2]};
    });
    EXPECT_EQ(reading.camera, camera);
    EXPECT_EQ(reading.frame, 20);
  }

  // The same telemetry texts at the same moments of the drive.
  std::vector<TelemetryText> source, copied;
  double seconds = 0;
  ASSERT_EQ(ScanTelemetryTexts(recording, source, seconds), ScanResult::Complete);
  ASSERT_EQ(ScanTelemetryTexts(clip, copied, seconds), ScanResult::Complete);
  ASSERT_EQ(copied.size(), 25u);
  for (const TelemetryText& t : copied) {
    SCOPED_TRACE(t.tick);
    ASSERT_LT(t.tick + 20, static_cast<int>(source.size()));
    EXPECT_EQ(t.text, source[t.tick + 20].text);
  }
  EXPECT_EQ(copied.front().tick, 0);
}

TEST_F(ExportFixture, ACancelledOrFailedClipLeavesNothingBehind)
{
  const std::string recording = Write("rec.mp4", Drive(TelemetryForm::Csv, 4));
  const ClipResult cancelled =
      ExportClip(recording, (dir_ / "clip.mp4").string(), 0.5, 3.5, [](double f) { return f < 0.3; });
  EXPECT_FALSE(cancelled.ok);
  EXPECT_TRUE(cancelled.cancelled);
  const ClipResult past_end = ExportClip(recording, (dir_ / "late.mp4").string(), 10, 12);
  EXPECT_FALSE(past_end.ok);
  EXPECT_FALSE(past_end.error.empty());
  EXPECT_EQ(Files(), std::vector<std::string>{"rec.mp4"});
}

}  // namespace
