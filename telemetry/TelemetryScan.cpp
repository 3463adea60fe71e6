#include "TelemetryScan.h"

#include "DriverMonitorRecord.h"
#include "MediaPointers.h"
#include "TelemetryRecord.h"
#include "TelemetrySample.h"

#include <map>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

int InterruptCheck(void* opaque) { return Cancelled(static_cast<const std::atomic<bool>*>(opaque)) ? 1 : 0; }

// The text stream playback would pick. Containers without a header (MPEG-TS) tell their
// streams' kinds only once probed.
int TextStreamOf(AVFormatContext* ic)
{
    int index = av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (index < 0 && (ic->ctx_flags & AVFMTCTX_NOHEADER) && avformat_find_stream_info(ic, nullptr) >= 0)
        index = av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    return index;
}

}  // namespace

bool TrackPointOfText(const std::string& text, std::int32_t tick, TrackPoint& point)
{
    point = TrackPoint{};
    point.tick = tick;
    if (IsDriverMonitorText(text.c_str())) {
        DriverMonitorRecord d;
        if (!ParseDriverMonitorRecord(text.c_str(), d))
            return false;
        point.driverMonitor = true;
        point.fix = d.gpsFix != 0;
        point.latitude = d.latitude;
        point.longitude = d.longitude;
        point.speed = d.speed;
        point.speedUnit = d.speedUnit;
        point.accelX = d.accelX;
        point.accelY = d.accelY;
        point.accelZ = d.accelZ;
        if (d.pfid & (0x20 | 0x40))
            point.driverStates |= kDriverDrowsy;
        if (d.pfid & (0x4 | 0x8))
            point.driverStates |= kDriverDistracted;
        if (d.pfid & 0x400)
            point.driverStates |= kDriverYawning;
        if (d.psr & 0x2)
            point.driverStates |= kDriverPhone;
        if (d.psr & 0x4)
            point.driverStates |= kDriverSmoking;
        return true;
    }
    TelemetryRecord r;
    if (!ParseTelemetryRecord(text.c_str(), r))
        return false;
    point.fix = r.gpsFix > 1;
    point.latitude = r.latitude;
    point.longitude = r.longitude;
    point.speed = r.speed;
    point.speedUnit = r.speedUnit;
    point.accelX = r.accelX;
    point.accelY = r.accelY;
    point.accelZ = r.accelZ;
    point.laneDeparture = r.laneDeparture;
    point.frontVehicle = r.frontVehicle;
    point.pedestrian = r.pedestrian;
    point.brake = r.brake;
    return true;
}

ScanResult ScanTelemetryTexts(const std::string& path, std::vector<TelemetryText>& texts, double& seconds,
                              const std::atomic<bool>* cancel)
{
    texts.clear();
    seconds = 0.0;
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return ScanResult::CannotOpen;
    raw->interrupt_callback.callback = InterruptCheck;
    raw->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(cancel);
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)  // frees the context
        return Cancelled(cancel) ? ScanResult::Cancelled : ScanResult::CannotOpen;
    InputPtr ic(raw);

    const int text = TextStreamOf(ic.get());
    if (Cancelled(cancel))
        return ScanResult::Cancelled;
    if (text < 0)
        return ScanResult::NoTelemetry;
    // The demuxer skips the samples of discarded streams instead of reading them.
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = static_cast<int>(i) == text ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVRational time_base = ic->streams[text]->time_base;

    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return ScanResult::CannotOpen;
    // As in playback, a later text of the same tenth replaces an earlier one.
    std::map<std::int32_t, std::string> by_tick;
    // A read error other than the end is a damaged tail: what was read so far stands.
    while (!Cancelled(cancel) && av_read_frame(ic.get(), packet.get()) >= 0) {
        const AVPacket* p = packet.get();
        if (p->stream_index == text && p->size >= kMinTelemetrySampleBytes && p->pts != AV_NOPTS_VALUE) {
            const int64_t tick = av_rescale_q(p->pts, time_base, AVRational{1, 10});
            std::string sample = TelemetryTextOfSample(p->data, p->size);
            if (tick >= 0 && tick <= INT32_MAX && !sample.empty())
                by_tick[static_cast<std::int32_t>(tick)] = std::move(sample);
        }
        av_packet_unref(packet.get());
    }
    if (Cancelled(cancel))
        return ScanResult::Cancelled;
    texts.reserve(by_tick.size());
    for (auto& [tick, sample] : by_tick)
        texts.push_back(TelemetryText{tick, std::move(sample)});
    if (ic->duration != AV_NOPTS_VALUE && ic->duration > 0)
        seconds = ic->duration / double(AV_TIME_BASE);
    return ScanResult::Complete;
}

ScanResult ScanTelemetry(const std::string& path, TelemetryTrack& track, const std::atomic<bool>* cancel)
{
    track = TelemetryTrack{};
    std::vector<TelemetryText> texts;
    const ScanResult result = ScanTelemetryTexts(path, texts, track.seconds, cancel);
    if (result != ScanResult::Complete)
        return result;
    // A text the panel would not accept leaves its tenth without a point.
    track.points.reserve(texts.size());
    TrackPoint point;
    for (const TelemetryText& t : texts)
        if (TrackPointOfText(t.text, t.tick, point))
            track.points.push_back(point);
    return ScanResult::Complete;
}
