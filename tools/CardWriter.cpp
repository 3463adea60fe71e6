#include "CardWriter.h"

#include <array>
#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

namespace recgen {

const char* VolumeLabel(CardModel model) {
    switch (model) {
        case CardModel::Vran3: return "VRAN-3";
        case CardModel::Vran2x: return "VRAN-2X";
        case CardModel::Kotr4: return "KOTR4";
    }
    return "";
}

CardLayout LayoutOf(CardModel model) {
    return model == CardModel::Kotr4 ? CardLayout::DriverMonitor : CardLayout::DriverAssistance;
}

const char* CodeText(FileCode code) {
    switch (code) {
        case FileCode::N: return "N";
        case FileCode::E: return "E";
        case FileCode::U: return "U";
        case FileCode::NOR: return "NOR";
        case FileCode::EVT: return "EVT";
        case FileCode::DRO: return "DRO";
        case FileCode::DIS: return "DIS";
        case FileCode::PHO: return "PHO";
        case FileCode::SMO: return "SMO";
        case FileCode::YAW: return "YAW";
    }
    return "";
}

const char* KindFolder(FileCode code) {
    switch (code) {
        case FileCode::N: return "ory_rec";
        case FileCode::E: return "evt_rec";
        case FileCode::U: return "usr_rec";
        case FileCode::NOR: return "NOR";
        case FileCode::EVT: return "EVT";
        default: return "DSM";
    }
}

std::string RecordingFileName(const std::string& stamp, FileCode code, const std::string& extension) {
    return stamp + "_" + CodeText(code) + extension;
}

std::string TimeStamp(int seconds) {
    const int t = 8 * 3600 + 30 * 60 + seconds;
    char text[32];
    std::snprintf(text, sizeof text, "20260314_%02d%02d%02d", t / 3600 % 24, t / 60 % 60, t % 60);
    return text;
}

RecordingSpec ModelRecording(CardModel model) {
    RecordingSpec spec;
    spec.audio = true;
    spec.form = model == CardModel::Kotr4 ? TelemetryForm::Json : TelemetryForm::Csv;
    spec.script.deviceCode = model == CardModel::Vran2x ? 0x52 : 0x92;
    return spec;
}

int WriteCard(const std::filesystem::path& root, const CardSpec& card) {
    std::error_code ec;
    static constexpr std::array<const char*, 3> kAssistance = {"ory_rec", "evt_rec", "usr_rec"};
    static constexpr std::array<const char*, 3> kMonitor = {"NOR", "EVT", "DSM"};
    for (const char* folder : card.layout == CardLayout::DriverMonitor ? kMonitor : kAssistance) {
        std::filesystem::create_directories(root / folder, ec);
        if (ec) return AVERROR(ec.value());
    }
    for (std::size_t i = 0; i < card.files.size(); ++i) {
        const CardFile& file = card.files[i];
        const std::filesystem::path folder = root / (file.folder.empty() ? KindFolder(file.code) : file.folder);
        std::filesystem::create_directories(folder, ec);
        if (ec) return AVERROR(ec.value());
        const std::string name =
            file.name.empty() ? RecordingFileName(TimeStamp(60 * static_cast<int>(i)), file.code) : file.name;
        const int err = WriteRecording((folder / name).string(), file.recording);
        if (err < 0) return err;
    }
    return 0;
}

CardSpec DemoCard(CardModel model) {
    const auto recording = [model](double seconds, std::vector<VideoSize> videos, bool audio, double start) {
        RecordingSpec spec = ModelRecording(model);
        spec.durationSeconds = seconds;
        spec.videos = std::move(videos);
        spec.audio = audio;
        spec.fps = 15;
        spec.gopFrames = 15;
        spec.script.startSeconds = start;
        return spec;
    };
    const VideoSize hd{1280, 720}, full{1920, 1080}, small{640, 360};
    CardSpec card;
    card.layout = LayoutOf(model);
    if (model == CardModel::Kotr4) {
        card.files = {
            {FileCode::NOR, recording(4, {hd}, true, 0), {}, {}},
            {FileCode::NOR, recording(4, {hd}, false, 4), {}, {}},
            {FileCode::EVT, recording(3, {hd, small}, true, 8), {}, {}},
            {FileCode::DRO, recording(3, {small}, true, 1), {}, {}},
            {FileCode::DIS, recording(3, {small}, true, 5), {}, {}},
            {FileCode::PHO, recording(3, {small}, true, 12), {}, {}},
            {FileCode::SMO, recording(3, {small}, true, 15), {}, {}},
            {FileCode::YAW, recording(3, {small}, true, 8.5), {}, {}},
        };
    } else {
        card.files = {
            {FileCode::N, recording(5, {hd, small}, true, 0), {}, {}},
            {FileCode::N, recording(5, {full}, true, 5), {}, {}},
            {FileCode::N, recording(5, {small}, false, 10), {}, {}},
            {FileCode::E, recording(4, {hd, small}, true, 5), {}, {}},
            {FileCode::E, recording(4, {small, small}, true, 16), {}, {}},
            {FileCode::U, recording(4, {hd}, true, 12), {}, {}},
        };
    }
    return card;
}

}  // namespace recgen
