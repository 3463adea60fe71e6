#include "RecordingGenerator.h"

#include "TestPicture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace recgen {
namespace {

struct OutputDeleter {
    void operator()(AVFormatContext* c) const {
        if (c->pb) avio_closep(&c->pb);
        avformat_free_context(c);
    }
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
struct ScalerDeleter {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;

constexpr AVRational kTextTimeBase{1, 10};

// A minimal 3GPP text sample entry: default placement, one style, one font.
std::vector<uint8_t> TextSampleEntry() {
    return {
        0, 0, 0, 0,              // display flags
        1, 0xFF,                 // horizontal centre, vertical bottom
        0, 0, 0, 0,              // background colour
        0, 0, 0, 0, 0, 0, 0, 0,  // text box
        0, 0, 0, 0, 0, 1, 0, 18, 0xFF, 0xFF, 0xFF, 0xFF,  // style: chars 0-0, font 1, 18 px, white
        0, 0, 0, 18, 'f', 't', 'a', 'b', 0, 1, 0, 1, 5, 'S', 'e', 'r', 'i', 'f',  // font table
    };
}

// The converter from the drawn test picture (YUV 4:2:0, BT.601, limited range) to a video's
// pixel format, matrix and range; none when the video is coded as the picture is drawn.
// The ranges go in before the converter is set up: given afterwards libswscale ignores them
// when the size stays the same.
int PictureConverter(const AVCodecContext* c, int matrix, ScalerPtr& converter) {
    const bool full = c->color_range == AVCOL_RANGE_JPEG;
    // libswscale takes a "yuvj" format as its plain twin (same layout) with the full range.
    AVPixelFormat format = c->pix_fmt;
    switch (format) {
        case AV_PIX_FMT_YUVJ420P: format = AV_PIX_FMT_YUV420P; break;
        case AV_PIX_FMT_YUVJ422P: format = AV_PIX_FMT_YUV422P; break;
        case AV_PIX_FMT_YUVJ444P: format = AV_PIX_FMT_YUV444P; break;
        default: break;
    }
    if (format == AV_PIX_FMT_YUV420P && !full && matrix == SWS_CS_ITU601) return 0;
    converter.reset(sws_alloc_context());
    if (!converter) return AVERROR(ENOMEM);
    SwsContext* s = converter.get();
    av_opt_set_int(s, "srcw", c->width, 0);
    av_opt_set_int(s, "srch", c->height, 0);
    av_opt_set_int(s, "src_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(s, "src_range", 0, 0);
    av_opt_set_int(s, "dstw", c->width, 0);
    av_opt_set_int(s, "dsth", c->height, 0);
    av_opt_set_int(s, "dst_format", format, 0);
    av_opt_set_int(s, "dst_range", full, 0);
    // Accurate rounding and full chroma: without them a change of matrix (through RGB) loses
    // two levels.
    av_opt_set_int(s, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT, 0);
    int err = sws_init_context(s, nullptr, nullptr);
    if (err < 0) return err;
    return sws_setColorspaceDetails(s, sws_getCoefficients(SWS_CS_ITU601), 0, sws_getCoefficients(matrix), full, 0,
                                    1 << 16, 1 << 16);
}

// One encoded stream being written: its encoder (none for the text track) and stream.
struct Output {
    CodecPtr codec;
    ScalerPtr converter;  // from the drawn picture to the video's format, when it differs
    AVStream* stream = nullptr;
    int64_t next = 0;   // next frame / sample / text number
    int64_t count = 0;  // how many to write
};

class Writer {
public:
    Writer(const std::string& path, const RecordingSpec& spec) : path_(path), spec_(spec) {}

    int Run() {
        int err = Open();
        if (err >= 0) err = WriteAll();
        if (err >= 0) err = av_write_trailer(out_.get());
        out_.reset();
        if (err < 0 && created_) std::remove(path_.c_str());
        return err < 0 ? err : 0;
    }

private:
    int Open() {
        AVFormatContext* raw = nullptr;
        int err = avformat_alloc_output_context2(&raw, nullptr, spec_.container.c_str(), path_.c_str());
        if (err < 0) return err;
        out_.reset(raw);
        out_->flags |= AVFMT_FLAG_BITEXACT;

        if (spec_.videos.size() > 2 || spec_.fps <= 0 || spec_.gopFrames <= 0 || spec_.durationSeconds < 0 ||
            (spec_.audio && (spec_.audioSampleRate <= 0 || spec_.audioChannels <= 0)))
            return AVERROR(EINVAL);
        for (std::size_t i = 0; i < spec_.videos.size(); ++i) {
            if ((err = AddVideo(spec_.videos[i])) < 0) return err;
        }
        if (spec_.audio && (err = AddAudio()) < 0) return err;
        samples_ = spec_.texts.empty() ? ScriptedSamples(spec_) : spec_.texts;
        if (!samples_.empty() && (err = AddText()) < 0) return err;

        if ((err = avio_open(&out_->pb, path_.c_str(), AVIO_FLAG_WRITE)) < 0) return err;
        created_ = true;
        return avformat_write_header(out_.get(), nullptr);
    }

    int AddVideo(VideoSize size) {
        const AVCodec* codec = avcodec_find_encoder_by_name(spec_.videoCodec.c_str());
        if (!codec) return AVERROR_ENCODER_NOT_FOUND;
        const AVPixelFormat format = av_get_pix_fmt(spec_.pixelFormat.c_str());
        if (format == AV_PIX_FMT_NONE) return AVERROR(EINVAL);
        Output o;
        o.codec.reset(avcodec_alloc_context3(codec));
        if (!o.codec) return AVERROR(ENOMEM);
        AVCodecContext* c = o.codec.get();
        c->width = size.width;
        c->height = size.height;
        c->pix_fmt = format;
        c->time_base = {1, spec_.fps};
        c->framerate = {spec_.fps, 1};
        c->gop_size = spec_.gopFrames;
        c->max_b_frames = spec_.bFrames;
        c->flags |= AV_CODEC_FLAG_BITEXACT;
        if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int matrix = TagColours(c);
        if (spec_.videoCodec == "libx264") {
            av_opt_set(c->priv_data, "preset", spec_.textured ? "veryfast" : "ultrafast", 0);
            av_opt_set(c->priv_data, "tune", "zerolatency", 0);
            if (spec_.textured) {
                // As a camera codes it: a constant bit rate of 0.15 bits per pixel (1920x1080 at
                // 30 fps: 9.3 Mbit/s), so that decoding costs what a camera's footage costs.
                c->bit_rate = static_cast<int64_t>(0.15 * size.width * size.height * spec_.fps);
                c->rc_max_rate = c->bit_rate;
                c->rc_min_rate = c->bit_rate;
                c->rc_buffer_size = static_cast<int>(c->bit_rate / 2);
                av_opt_set(c->priv_data, "nal-hrd", "cbr", 0);
            } else {
                av_opt_set(c->priv_data, "crf", "30", 0);
            }
            // Keyframes exactly every gopFrames frames, whatever the picture does.
            av_opt_set(c->priv_data, "x264-params", "keyint_min=1:scenecut=0", 0);
        } else {
            // A fixed, fine quantiser: the picture's flat colours come back within a level or two.
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * 2;
        }
        int err = avcodec_open2(c, codec, nullptr);
        if (err < 0) return err;
        if ((err = PictureConverter(c, matrix, o.converter)) < 0) return err;
        o.count = std::llround(spec_.durationSeconds * spec_.fps);
        return AddStream(std::move(o), videoCount_++);
    }

    // Tags the encoder with the spec's range and colours; returns the matrix to code with.
    int TagColours(AVCodecContext* c) const {
        const bool full = spec_.fullRange || std::strncmp(spec_.pixelFormat.c_str(), "yuvj", 4) == 0;
        if (full) c->color_range = AVCOL_RANGE_JPEG;
        switch (spec_.colourMatrix) {
            case ColourMatrix::Untagged:
                return SWS_CS_ITU601;
            case ColourMatrix::Bt601:
                c->colorspace = AVCOL_SPC_SMPTE170M;
                c->color_primaries = AVCOL_PRI_SMPTE170M;
                c->color_trc = AVCOL_TRC_SMPTE170M;
                if (!full) c->color_range = AVCOL_RANGE_MPEG;
                return SWS_CS_ITU601;
            case ColourMatrix::Bt709:
                c->colorspace = AVCOL_SPC_BT709;
                c->color_primaries = AVCOL_PRI_BT709;
                c->color_trc = AVCOL_TRC_BT709;
                if (!full) c->color_range = AVCOL_RANGE_MPEG;
                return SWS_CS_ITU709;
        }
        return SWS_CS_ITU601;
    }

    int AddAudio() {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec) return AVERROR_ENCODER_NOT_FOUND;
        Output o;
        o.codec.reset(avcodec_alloc_context3(codec));
        if (!o.codec) return AVERROR(ENOMEM);
        AVCodecContext* c = o.codec.get();
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        c->sample_rate = spec_.audioSampleRate;
        av_channel_layout_default(&c->ch_layout, spec_.audioChannels);
        c->bit_rate = 64000;
        c->time_base = {1, spec_.audioSampleRate};
        c->flags |= AV_CODEC_FLAG_BITEXACT;
        if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int err = avcodec_open2(c, codec, nullptr);
        if (err < 0) return err;
        o.count = std::llround(spec_.durationSeconds * spec_.audioSampleRate);
        audio_ = static_cast<int>(outputs_.size());
        return AddStream(std::move(o), -1);
    }

    int AddStream(Output o, int camera) {
        o.stream = avformat_new_stream(out_.get(), nullptr);
        if (!o.stream) return AVERROR(ENOMEM);
        o.stream->time_base = o.codec->time_base;
        int err = avcodec_parameters_from_context(o.stream->codecpar, o.codec.get());
        if (err < 0) return err;
        cameras_.push_back(camera);
        outputs_.push_back(std::move(o));
        return 0;
    }

    int AddText() {
        AVStream* st = avformat_new_stream(out_.get(), nullptr);
        if (!st) return AVERROR(ENOMEM);
        st->time_base = kTextTimeBase;
        AVCodecParameters* par = st->codecpar;
        if (spec_.textTrack == TextTrack::Subtitle) {
            par->codec_type = AVMEDIA_TYPE_SUBTITLE;
            par->codec_id = AV_CODEC_ID_MOV_TEXT;
            const std::vector<uint8_t> entry = TextSampleEntry();
            par->extradata = static_cast<uint8_t*>(av_mallocz(entry.size() + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!par->extradata) return AVERROR(ENOMEM);
            std::memcpy(par->extradata, entry.data(), entry.size());
            par->extradata_size = static_cast<int>(entry.size());
        } else {
            par->codec_type = AVMEDIA_TYPE_DATA;
            par->codec_id = AV_CODEC_ID_BIN_DATA;
            par->codec_tag = MKTAG('g', 'p', 'm', 'd');
        }
        Output o;
        o.stream = st;
        o.count = static_cast<int64_t>(samples_.size());
        text_ = static_cast<int>(outputs_.size());
        cameras_.push_back(-1);
        outputs_.push_back(std::move(o));
        return 0;
    }

    // Time in seconds of the next unit of output `i`, or infinity when it is done.
    double NextTime(std::size_t i) const {
        const Output& o = outputs_[i];
        if (o.next >= o.count) return INFINITY;
        if (static_cast<int>(i) == text_) return samples_[o.next].pts / 10.0;
        return static_cast<double>(o.next) * av_q2d(o.codec->time_base);
    }

    int WriteAll() {
        frame_.reset(av_frame_alloc());
        drawn_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !drawn_ || !packet_) return AVERROR(ENOMEM);
        for (;;) {
            std::size_t best = outputs_.size();
            double bestTime = INFINITY;
            for (std::size_t i = 0; i < outputs_.size(); ++i) {
                const double t = NextTime(i);
                if (t < bestTime) bestTime = t, best = i;
            }
            if (best == outputs_.size()) break;
            int err = static_cast<int>(best) == text_ ? WriteText() : EncodeNext(best);
            if (err < 0) return err;
        }
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            if (!outputs_[i].codec) continue;
            int err = avcodec_send_frame(outputs_[i].codec.get(), nullptr);
            if (err >= 0) err = Drain(i);
            if (err < 0) return err;
        }
        return 0;
    }

    int EncodeNext(std::size_t i) {
        Output& o = outputs_[i];
        AVCodecContext* c = o.codec.get();
        AVFrame* f = frame_.get();
        av_frame_unref(f);
        int err;
        if (static_cast<int>(i) == audio_) {
            f->format = c->sample_fmt;
            f->sample_rate = c->sample_rate;
            f->nb_samples = static_cast<int>(std::min<int64_t>(c->frame_size, o.count - o.next));
            if ((err = av_channel_layout_copy(&f->ch_layout, &c->ch_layout)) < 0) return err;
            if ((err = av_frame_get_buffer(f, 0)) < 0) return err;
            for (int n = 0; n < f->nb_samples; ++n) {
                const double t = static_cast<double>(o.next + n) / c->sample_rate;
                const float v = static_cast<float>(0.3 * std::sin(2 * M_PI * spec_.toneHz * t));
                for (int ch = 0; ch < c->ch_layout.nb_channels; ++ch) reinterpret_cast<float*>(f->data[ch])[n] = v;
            }
            f->pts = o.next;
            o.next += f->nb_samples;
        } else {
            f->format = c->pix_fmt;
            f->width = c->width;
            f->height = c->height;
            if ((err = av_frame_get_buffer(f, 0)) < 0) return err;
            if (o.converter) {
                AVFrame* drawn = drawn_.get();
                av_frame_unref(drawn);
                drawn->format = AV_PIX_FMT_YUV420P;
                drawn->width = c->width;
                drawn->height = c->height;
                if ((err = av_frame_get_buffer(drawn, 0)) < 0) return err;
                DrawTestPicture(drawn, cameras_[i], o.next, spec_.fps, spec_.textured);
                err = sws_scale(o.converter.get(), drawn->data, drawn->linesize, 0, c->height, f->data, f->linesize);
                if (err < 0) return err;
            } else {
                DrawTestPicture(f, cameras_[i], o.next, spec_.fps, spec_.textured);
            }
            if (c->flags & AV_CODEC_FLAG_QSCALE) f->quality = c->global_quality;
            f->pts = o.next++;
        }
        if ((err = avcodec_send_frame(c, f)) < 0) return err;
        return Drain(i);
    }

    int Drain(std::size_t i) {
        Output& o = outputs_[i];
        for (;;) {
            int err = avcodec_receive_packet(o.codec.get(), packet_.get());
            if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return 0;
            if (err < 0) return err;
            // Without a duration the last frame would fall outside the track's edit list
            // and be dropped on reading.
            if (packet_->duration == 0 && o.codec->codec_type == AVMEDIA_TYPE_VIDEO) packet_->duration = 1;
            av_packet_rescale_ts(packet_.get(), o.codec->time_base, o.stream->time_base);
            packet_->stream_index = o.stream->index;
            if ((err = av_interleaved_write_frame(out_.get(), packet_.get())) < 0) return err;
        }
    }

    int WriteText() {
        Output& o = outputs_[text_];
        const TextSample& sample = samples_[o.next++];
        std::string payload = sample.payload;
        if (spec_.lengthPrefixedTexts) {
            const std::size_t n = payload.size();
            payload.insert(0, {static_cast<char>((n >> 8) & 0xFF), static_cast<char>(n & 0xFF)});
        }
        AVPacket* p = packet_.get();
        av_packet_unref(p);
        int err = av_new_packet(p, static_cast<int>(payload.size()));
        if (err < 0) return err;
        std::memcpy(p->data, payload.data(), payload.size());
        p->pts = p->dts = av_rescale_q(sample.pts, kTextTimeBase, o.stream->time_base);
        p->duration = av_rescale_q(1, kTextTimeBase, o.stream->time_base);
        p->flags |= AV_PKT_FLAG_KEY;
        p->stream_index = o.stream->index;
        return av_interleaved_write_frame(out_.get(), p);
    }

    std::string path_;
    const RecordingSpec& spec_;
    OutputPtr out_;
    std::vector<Output> outputs_;
    std::vector<int> cameras_;  // per output: camera number of a video, else -1
    std::vector<TextSample> samples_;
    bool created_ = false;  // the file at path_ is ours to remove on failure
    int videoCount_ = 0;
    int audio_ = -1;
    int text_ = -1;
    FramePtr frame_;
    FramePtr drawn_;  // the test picture before conversion to a video's format
    PacketPtr packet_;
};

}  // namespace

std::vector<TextSample> ScriptedSamples(const RecordingSpec& spec) {
    std::vector<TextSample> samples;
    if (spec.form == TelemetryForm::None) return samples;
    const int64_t count = std::llround(spec.durationSeconds * 10);
    for (int64_t i = 0; i < count; ++i) samples.push_back({i, ScriptedText(spec.script, spec.form, static_cast<int>(i))});
    return samples;
}

int WriteRecording(const std::string& path, const RecordingSpec& spec) { return Writer(path, spec).Run(); }

}  // namespace recgen
