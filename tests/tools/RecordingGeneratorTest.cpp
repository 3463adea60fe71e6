// Generated recordings read back through libavformat/libavcodec as the engine will see them.
#include "RecordingGenerator.h"
#include "TestPicture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

namespace fs = std::filesystem;
using recgen::RecordingSpec;
using recgen::TelemetryForm;
using recgen::TextSample;
using recgen::VideoSize;

struct InputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

InputPtr Open(const fs::path& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    InputPtr input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return nullptr;
    return input;
}

struct Packet {
    int64_t pts;
    int64_t duration;
    std::string data;
    bool key;
};

std::vector<Packet> ReadPackets(const fs::path& path, int streamIndex) {
    std::vector<Packet> packets;
    InputPtr input = Open(path);
    if (!input) return packets;
    PacketPtr p(av_packet_alloc());
    while (av_read_frame(input.get(), p.get()) >= 0) {
        if (p->stream_index == streamIndex)
            packets.push_back({p->pts, p->duration, std::string(reinterpret_cast<char*>(p->data), p->size),
                               (p->flags & AV_PKT_FLAG_KEY) != 0});
        av_packet_unref(p.get());
    }
    return packets;
}

// The muxer's closing samples: two zero bytes.
bool IsEmptySample(const Packet& p) { return p.data == std::string(2, '\0'); }

std::vector<Packet> WithoutEmptySamples(std::vector<Packet> packets) {
    std::erase_if(packets, IsEmptySample);
    return packets;
}

// Decodes every frame of one stream.
std::vector<FramePtr> DecodeStream(const fs::path& path, int streamIndex) {
    std::vector<FramePtr> frames;
    InputPtr input = Open(path);
    if (!input) return frames;
    const AVCodecParameters* par = input->streams[streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    CodecPtr ctx(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(ctx.get(), par);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return frames;
    PacketPtr p(av_packet_alloc());
    const auto receive = [&] {
        for (;;) {
            FramePtr f(av_frame_alloc());
            if (avcodec_receive_frame(ctx.get(), f.get()) < 0) return;
            frames.push_back(std::move(f));
        }
    };
    while (av_read_frame(input.get(), p.get()) >= 0) {
        if (p->stream_index == streamIndex) {
            avcodec_send_packet(ctx.get(), p.get());
            receive();
        }
        av_packet_unref(p.get());
    }
    avcodec_send_packet(ctx.get(), nullptr);
    receive();
    return frames;
}

// The colour of a decoded YUV 4:2:0 picture at (x, y), BT.601 limited range.
recgen::Rgb PixelOf(const AVFrame* f, int x, int y) {
    const double Y = f->data[0][y * f->linesize[0] + x] - 16;
    const double U = f->data[1][(y / 2) * f->linesize[1] + x / 2] - 128;
    const double V = f->data[2][(y / 2) * f->linesize[2] + x / 2] - 128;
    const auto clamp = [](double v) { return static_cast<int>(std::fmax(0, std::fmin(255, std::lround(v)))); };
    return {clamp(1.164 * Y + 1.596 * V), clamp(1.164 * Y - 0.392 * U - 0.813 * V), clamp(1.164 * Y + 2.017 * U)};
}

class RecordingGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("recgen-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const RecordingSpec& spec, const std::string& name = "r.mp4") {
        const fs::path path = dir_ / name;
        EXPECT_EQ(recgen::WriteRecording(path.string(), spec), 0);
        return path;
    }

    fs::path dir_;
};

TEST_F(RecordingGeneratorTest, TextStreamReadsBackWithTimeBaseOneTenthAndConsecutivePts) {
    for (const TelemetryForm form : {TelemetryForm::Csv, TelemetryForm::Json}) {
        for (const bool prefixed : {false, true}) {
            SCOPED_TRACE(std::string(form == TelemetryForm::Csv ? "csv" : "json") + (prefixed ? " prefixed" : ""));
            RecordingSpec spec;
            spec.durationSeconds = 2;
            spec.audio = true;
            spec.form = form;
            spec.lengthPrefixedTexts = prefixed;
            const fs::path path = Write(spec);

            InputPtr input = Open(path);
            ASSERT_TRUE(input);
            const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
            ASSERT_EQ(index, 2) << "videos, audio, then the text stream";
            const AVStream* st = input->streams[index];
            EXPECT_EQ(st->codecpar->codec_id, AV_CODEC_ID_MOV_TEXT);
            EXPECT_EQ(st->time_base.num, 1);
            EXPECT_EQ(st->time_base.den, 10);

            const std::vector<TextSample> expected = recgen::ScriptedSamples(spec);
            ASSERT_EQ(expected.size(), 20u);
            const std::vector<Packet> all = ReadPackets(path, index);
            std::vector<Packet> texts;
            for (const Packet& p : all) {
                if (p.data.size() >= 80) texts.push_back(p);
                else EXPECT_TRUE(IsEmptySample(p)) << "only the muxer's empty samples are short";
            }
            ASSERT_EQ(texts.size(), expected.size());
            for (std::size_t i = 0; i < texts.size(); ++i) {
                EXPECT_EQ(texts[i].pts, static_cast<int64_t>(i));
                EXPECT_EQ(texts[i].duration, 1);
                std::string payload = expected[i].payload;
                if (prefixed) {
                    ASSERT_EQ(static_cast<uint8_t>(texts[i].data[0]) * 256 + static_cast<uint8_t>(texts[i].data[1]),
                              static_cast<int>(payload.size()));
                    payload.insert(0, texts[i].data.substr(0, 2));
                }
                EXPECT_EQ(texts[i].data, payload);
            }
        }
    }
}

TEST_F(RecordingGeneratorTest, StreamsHaveTheRequestedSizesAndOrder) {
    struct Case {
        std::vector<VideoSize> videos;
        bool audio;
        TelemetryForm form;
    };
    const Case cases[] = {
        {{{1920, 1080}}, false, TelemetryForm::Csv},
        {{{1280, 720}, {640, 360}}, true, TelemetryForm::Json},
        {{{640, 360}, {640, 360}}, false, TelemetryForm::None},
        {{}, true, TelemetryForm::Csv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.videos.size() << " videos, audio " << c.audio);
        RecordingSpec spec;
        spec.durationSeconds = 1;
        spec.videos = c.videos;
        spec.audio = c.audio;
        spec.form = c.form;
        const fs::path path = Write(spec);
        InputPtr input = Open(path);
        ASSERT_TRUE(input);
        const std::size_t expectedStreams = c.videos.size() + (c.audio ? 1 : 0) + (c.form != TelemetryForm::None);
        ASSERT_EQ(input->nb_streams, expectedStreams);
        unsigned s = 0;
        for (const VideoSize& size : c.videos) {
            const AVCodecParameters* par = input->streams[s++]->codecpar;
            EXPECT_EQ(par->codec_type, AVMEDIA_TYPE_VIDEO);
            EXPECT_EQ(par->codec_id, AV_CODEC_ID_H264);
            EXPECT_EQ(par->width, size.width);
            EXPECT_EQ(par->height, size.height);
        }
        if (c.audio) {
            const AVCodecParameters* par = input->streams[s++]->codecpar;
            EXPECT_EQ(par->codec_type, AVMEDIA_TYPE_AUDIO);
            EXPECT_EQ(par->codec_id, AV_CODEC_ID_AAC);
            EXPECT_EQ(par->sample_rate, 44100);
        }
        if (c.form != TelemetryForm::None) {
            EXPECT_EQ(input->streams[s]->codecpar->codec_type, AVMEDIA_TYPE_SUBTITLE);
        }
        EXPECT_NEAR(input->duration / double(AV_TIME_BASE), 1.0, 0.1);
    }
}

TEST_F(RecordingGeneratorTest, EachCameraShowsItsColourAndTheFrameNumber) {
    RecordingSpec spec;
    spec.durationSeconds = 1.5;
    spec.fps = 10;
    spec.gopFrames = 4;
    spec.videos = {{640, 360}, {320, 180}};
    const fs::path path = Write(spec);
    for (int camera = 0; camera < 2; ++camera) {
        SCOPED_TRACE(camera);
        const std::vector<Packet> packets = ReadPackets(path, camera);
        ASSERT_EQ(packets.size(), 15u);
        for (std::size_t n = 0; n < packets.size(); ++n) EXPECT_EQ(packets[n].key, n % 4 == 0) << "packet " << n;

        const std::vector<FramePtr> frames = DecodeStream(path, camera);
        ASSERT_EQ(frames.size(), 15u);
        for (std::size_t n = 0; n < frames.size(); ++n) {
            const AVFrame* f = frames[n].get();
            const auto pixel = [f](int x, int y) { return PixelOf(f, x, y); };
            const recgen::TestPictureReading r = recgen::ReadTestPicture(f->width, f->height, pixel);
            ASSERT_TRUE(r.valid) << "frame " << n;
            EXPECT_EQ(r.camera, camera);
            EXPECT_EQ(r.frame, static_cast<int64_t>(n));
            EXPECT_FALSE(r.mirrored);

            const auto mirrored = [f](int x, int y) { return PixelOf(f, f->width - 1 - x, y); };
            const recgen::TestPictureReading m = recgen::ReadTestPicture(f->width, f->height, mirrored);
            EXPECT_TRUE(m.valid);
            EXPECT_TRUE(m.mirrored);
            EXPECT_EQ(m.frame, static_cast<int64_t>(n));
        }
    }
}

// A decoded frame as RGB, read with the range and matrix its stream is tagged with.
std::vector<recgen::Rgb> ToRgb(const AVFrame* f) {
    const bool full = f->color_range == AVCOL_RANGE_JPEG;
    SwsContext* s = sws_alloc_context();
    av_opt_set_int(s, "srcw", f->width, 0);
    av_opt_set_int(s, "srch", f->height, 0);
    av_opt_set_int(s, "src_format", f->format, 0);
    av_opt_set_int(s, "src_range", full, 0);
    av_opt_set_int(s, "dstw", f->width, 0);
    av_opt_set_int(s, "dsth", f->height, 0);
    av_opt_set_int(s, "dst_format", AV_PIX_FMT_RGB24, 0);
    av_opt_set_int(s, "sws_flags", SWS_POINT, 0);
    std::vector<recgen::Rgb> out;
    if (sws_init_context(s, nullptr, nullptr) >= 0) {
        const int matrix = f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
        sws_setColorspaceDetails(s, sws_getCoefficients(matrix), full, sws_getCoefficients(SWS_CS_ITU601), 1, 0,
                                 1 << 16, 1 << 16);
        std::vector<uint8_t> rgb(std::size_t(f->width) * f->height * 3);
        uint8_t* planes[] = {rgb.data()};
        const int pitches[] = {f->width * 3};
        sws_scale(s, f->data, f->linesize, 0, f->height, planes, pitches);
        for (std::size_t i = 0; i < rgb.size(); i += 3) out.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
    }
    sws_freeContext(s);
    return out;
}

TEST_F(RecordingGeneratorTest, OtherPixelFormatsAndColoursDecodeToTheSamePicture) {
    struct Case {
        const char* codec;
        const char* pixelFormat;
        recgen::ColourMatrix matrix;
        const char* container;
        AVCodecID codecId;
        AVPixelFormat decoded;
        AVColorRange range;
        AVColorSpace colorspace;
    };
    using recgen::ColourMatrix;
    const Case cases[] = {
        {"libx264", "yuvj420p", ColourMatrix::Untagged, "mp4", AV_CODEC_ID_H264, AV_PIX_FMT_YUVJ420P,
         AVCOL_RANGE_JPEG, AVCOL_SPC_UNSPECIFIED},
        {"libx264", "yuv422p", ColourMatrix::Bt601, "mp4", AV_CODEC_ID_H264, AV_PIX_FMT_YUV422P, AVCOL_RANGE_MPEG,
         AVCOL_SPC_SMPTE170M},
        {"libx264", "yuv444p", ColourMatrix::Untagged, "mp4", AV_CODEC_ID_H264, AV_PIX_FMT_YUV444P,
         AVCOL_RANGE_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED},
        {"libx264", "yuv420p10le", ColourMatrix::Untagged, "mpegts", AV_CODEC_ID_H264, AV_PIX_FMT_YUV420P10LE,
         AVCOL_RANGE_UNSPECIFIED, AVCOL_SPC_UNSPECIFIED},
        {"libx264", "yuv420p", ColourMatrix::Bt709, "mp4", AV_CODEC_ID_H264, AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG,
         AVCOL_SPC_BT709},
        {"mjpeg", "yuvj422p", ColourMatrix::Untagged, "avi", AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ422P,
         AVCOL_RANGE_JPEG, AVCOL_SPC_BT470BG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.codec << " " << c.pixelFormat << " in " << c.container);
        RecordingSpec spec;
        spec.durationSeconds = 0.5;
        spec.videos = {{640, 360}};
        spec.videoCodec = c.codec;
        spec.pixelFormat = c.pixelFormat;
        spec.colourMatrix = c.matrix;
        spec.container = c.container;
        spec.form = TelemetryForm::None;
        const fs::path path = Write(spec, std::string("r.") + c.container);
        InputPtr input = Open(path);
        ASSERT_TRUE(input);
        EXPECT_EQ(input->streams[0]->codecpar->codec_id, c.codecId);
        const std::vector<FramePtr> frames = DecodeStream(path, 0);
        ASSERT_EQ(frames.size(), 5u);
        for (std::size_t n = 0; n < frames.size(); ++n) {
            const AVFrame* f = frames[n].get();
            EXPECT_EQ(f->format, c.decoded);
            EXPECT_EQ(f->color_range, c.range);
            EXPECT_EQ(f->colorspace, c.colorspace);
            const std::vector<recgen::Rgb> rgb = ToRgb(f);
            ASSERT_EQ(rgb.size(), std::size_t(f->width) * f->height);
            const auto pixel = [&](int x, int y) { return rgb[std::size_t(y) * f->width + x]; };
            const recgen::TestPictureReading r = recgen::ReadTestPicture(f->width, f->height, pixel);
            EXPECT_TRUE(r.valid);
            EXPECT_EQ(r.frame, static_cast<int64_t>(n));
            const recgen::Rgb band = pixel(f->width / 2, f->height / 12);
            const recgen::Rgb grey = pixel(f->width / 4, f->height / 4);
            const recgen::Rgb red = recgen::CameraColour(0);
            EXPECT_NEAR(band.r, red.r, 6);
            EXPECT_NEAR(band.g, red.g, 6);
            EXPECT_NEAR(band.b, red.b, 6);
            EXPECT_NEAR(grey.r, 50, 6);
            EXPECT_NEAR(grey.g, 50, 6);
            EXPECT_NEAR(grey.b, 50, 6);
        }
    }
}

TEST_F(RecordingGeneratorTest, ReadingSomethingElseIsNotATestPicture) {
    const auto grey = [](int, int) { return recgen::Rgb{128, 128, 128}; };
    EXPECT_FALSE(recgen::ReadTestPicture(640, 360, grey).valid);
    const auto stripes = [](int x, int y) {
        return y < 60 ? recgen::Rgb{0, 255, 0} : x < 320 ? recgen::Rgb{255, 255, 255} : recgen::Rgb{0, 0, 0};
    };
    EXPECT_FALSE(recgen::ReadTestPicture(640, 360, stripes).valid) << "green is neither camera";
}

TEST_F(RecordingGeneratorTest, AudioIsAnAudibleTone) {
    RecordingSpec spec;
    spec.durationSeconds = 1;
    spec.audio = true;
    spec.audioChannels = 2;
    spec.audioSampleRate = 48000;
    spec.videos.clear();
    spec.form = TelemetryForm::None;
    const fs::path path = Write(spec);
    const std::vector<FramePtr> frames = DecodeStream(path, 0);
    ASSERT_FALSE(frames.empty());
    double sum = 0;
    int64_t count = 0;
    for (const FramePtr& f : frames) {
        ASSERT_EQ(f->format, AV_SAMPLE_FMT_FLTP);
        EXPECT_EQ(f->ch_layout.nb_channels, 2);
        EXPECT_EQ(f->sample_rate, 48000);
        for (int i = 0; i < f->nb_samples; ++i) {
            const float v = reinterpret_cast<const float*>(f->data[1])[i];
            sum += v * v;
            ++count;
        }
    }
    EXPECT_NEAR(count / 48000.0, 1.0, 0.05);
    EXPECT_NEAR(std::sqrt(sum / count), 0.3 / std::sqrt(2.0), 0.03) << "a 0.3 amplitude sine";
}

TEST_F(RecordingGeneratorTest, GivenTextsAreWrittenAsTheyAre) {
    const std::string csv = "0,800,0,0,0/0,3,9,37.5,127.0,0/0.0,0.0,1.0,0,0,0,0,0,0/1.2.5,146,0,0,3,0";
    RecordingSpec spec;
    spec.durationSeconds = 1;
    spec.texts = {
        {0, recgen::PadText(csv, 79)},
        {1, recgen::PadText(csv, 80)},
        {5, std::string("12,900\0tail", 11)},  // a zero byte inside
        {6, "{}"},
    };
    const fs::path path = Write(spec);
    const std::vector<Packet> packets = WithoutEmptySamples(ReadPackets(path, 1));
    ASSERT_EQ(packets.size(), spec.texts.size());
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].pts, spec.texts[i].pts);
        EXPECT_EQ(packets[i].data, spec.texts[i].payload);
    }
    EXPECT_EQ(packets[0].data.size(), 79u);
    EXPECT_EQ(packets[1].data.size(), 80u);
}

TEST_F(RecordingGeneratorTest, DataStreamVariantCarriesTheTextsWhereNoTextStreamChoiceFindsThem) {
    RecordingSpec spec;
    spec.durationSeconds = 1;
    spec.textTrack = recgen::TextTrack::Data;
    const fs::path path = Write(spec);
    InputPtr input = Open(path);
    ASSERT_TRUE(input);
    ASSERT_EQ(input->nb_streams, 2u);
    EXPECT_EQ(input->streams[1]->codecpar->codec_type, AVMEDIA_TYPE_DATA);
    EXPECT_EQ(input->streams[1]->time_base.den, 10);
    EXPECT_LT(av_find_best_stream(input.get(), AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0), 0);
    const std::vector<Packet> packets = ReadPackets(path, 1);
    const std::vector<TextSample> expected = recgen::ScriptedSamples(spec);
    ASSERT_EQ(packets.size(), expected.size()) << "no empty samples in a data stream";
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].pts, static_cast<int64_t>(i));
        EXPECT_EQ(packets[i].data, expected[i].payload);
    }
}

TEST_F(RecordingGeneratorTest, SameSpecGivesTheSameBytes) {
    RecordingSpec spec;
    spec.durationSeconds = 1;
    spec.videos = {{640, 360}, {320, 180}};
    spec.audio = true;
    spec.form = TelemetryForm::Json;
    const auto bytes = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string first = bytes(Write(spec, "a.mp4"));
    const std::string second = bytes(Write(spec, "b.mp4"));
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == second);
}

TEST_F(RecordingGeneratorTest, BadSpecsFailAndLeaveNoFile) {
    struct Case {
        const char* what;
        RecordingSpec spec;
        fs::path path;
    };
    RecordingSpec three;
    three.videos = {{320, 180}, {320, 180}, {320, 180}};
    RecordingSpec noFps;
    noFps.fps = 0;
    RecordingSpec oddSize;
    oddSize.videos = {{321, 181}};
    const Case cases[] = {
        {"three videos", three, dir_ / "three.mp4"},
        {"no frame rate", noFps, dir_ / "fps.mp4"},
        {"odd picture size", oddSize, dir_ / "odd.mp4"},
        {"missing folder", RecordingSpec{}, dir_ / "missing" / "r.mp4"},
    };
    for (const Case& c : cases) {
        EXPECT_LT(recgen::WriteRecording(c.path.string(), c.spec), 0) << c.what;
        EXPECT_FALSE(fs::exists(c.path)) << c.what;
    }
    // A spec refused before writing leaves an existing file alone.
    const fs::path existing = dir_ / "existing.mp4";
    std::ofstream(existing) << "keep";
    EXPECT_LT(recgen::WriteRecording(existing.string(), three), 0);
    EXPECT_EQ(fs::file_size(existing), 4u);
}

}  // namespace
