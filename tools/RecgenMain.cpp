// tavro-recgen: writes one generated recording, a demo card folder tree, or prints the
// scripted telemetry texts.
#include "CardWriter.h"
#include "RecordingGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace {

const char kUsage[] =
    "usage:\n"
    "  tavro-recgen recording [options] OUTPUT.mp4\n"
    "      --duration SECONDS     length (default 2)\n"
    "      --video WxH            add a video stream, up to two (default: one 640x360)\n"
    "      --no-video             no video stream\n"
    "      --fps N                frame rate (default 10)\n"
    "      --gop N                keyframe interval in frames (default 10)\n"
    "      --audio                add an AAC tone\n"
    "      --tone HZ              tone frequency (default 440)\n"
    "      --telemetry FORM       csv, json or none (default csv)\n"
    "      --start SECONDS        where in the scripted drive the recording begins (default 0)\n"
    "      --device-code N        device code of the comma-separated form (default 0x92)\n"
    "      --length-prefixed      prefix each text sample with its 16-bit length\n"
    "      --data-stream          store the texts in a data stream instead of a text stream\n"
    "      --container NAME       muxer: mp4 (default), avi, mpegts, ...\n"
    "      --codec NAME           video encoder: libx264 (default) or mjpeg\n"
    "      --pixel-format NAME    yuv420p (default), yuvj420p, yuv422p, yuv444p, yuv420p10le, ...\n"
    "      --colours MATRIX       bt601 or bt709: code with that matrix and tag it (default: BT.601 untagged)\n"
    "      --full-range           code and tag the full range (a yuvj format always is)\n"
    "      --textured             a moving road scene under the marks, coded as a camera codes it\n"
    "  tavro-recgen card --model VRAN-3|VRAN-2X|KOTR4 ROOT\n"
    "      writes a small demo card folder tree for that model under ROOT\n"
    "  tavro-recgen texts [--telemetry FORM] [--start SECONDS] [--count N]\n"
    "      prints the scripted texts, one per line (default: csv, 0, 10)\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParseForm(const std::string& text, recgen::TelemetryForm& form) {
    if (text == "csv") form = recgen::TelemetryForm::Csv;
    else if (text == "json") form = recgen::TelemetryForm::Json;
    else if (text == "none") form = recgen::TelemetryForm::None;
    else return false;
    return true;
}

bool ParseMatrix(const std::string& text, recgen::ColourMatrix& matrix) {
    if (text == "bt601") matrix = recgen::ColourMatrix::Bt601;
    else if (text == "bt709") matrix = recgen::ColourMatrix::Bt709;
    else return false;
    return true;
}

bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool ParseInt(const char* text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 0);
    value = static_cast<int>(v);
    return end != text && *end == '\0';
}

int Report(int err, const std::string& what) {
    if (err < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, text, sizeof text);
        std::fprintf(stderr, "tavro-recgen: %s: %s\n", what.c_str(), text);
        return 1;
    }
    return 0;
}

int Recording(int argc, char** argv) {
    recgen::RecordingSpec spec;
    spec.videos.clear();
    bool noVideo = false;
    std::string output;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        bool ok = true;
        if (arg == "--duration" && hasValue) ok = ParseNumber(argv[++i], spec.durationSeconds);
        else if (arg == "--video" && hasValue) {
            recgen::VideoSize size;
            ok = std::sscanf(argv[++i], "%dx%d", &size.width, &size.height) == 2 && size.width > 0 &&
                 size.height > 0 && spec.videos.size() < 2;
            spec.videos.push_back(size);
        } else if (arg == "--no-video") noVideo = true;
        else if (arg == "--fps" && hasValue) ok = ParseInt(argv[++i], spec.fps) && spec.fps > 0;
        else if (arg == "--gop" && hasValue) ok = ParseInt(argv[++i], spec.gopFrames) && spec.gopFrames > 0;
        else if (arg == "--audio") spec.audio = true;
        else if (arg == "--tone" && hasValue) ok = ParseNumber(argv[++i], spec.toneHz);
        else if (arg == "--telemetry" && hasValue) ok = ParseForm(argv[++i], spec.form);
        else if (arg == "--start" && hasValue) ok = ParseNumber(argv[++i], spec.script.startSeconds);
        else if (arg == "--device-code" && hasValue) ok = ParseInt(argv[++i], spec.script.deviceCode);
        else if (arg == "--length-prefixed") spec.lengthPrefixedTexts = true;
        else if (arg == "--data-stream") spec.textTrack = recgen::TextTrack::Data;
        else if (arg == "--container" && hasValue) spec.container = argv[++i];
        else if (arg == "--codec" && hasValue) spec.videoCodec = argv[++i];
        else if (arg == "--pixel-format" && hasValue) spec.pixelFormat = argv[++i];
        else if (arg == "--colours" && hasValue) ok = ParseMatrix(argv[++i], spec.colourMatrix);
        else if (arg == "--full-range") spec.fullRange = true;
        else if (arg == "--textured") spec.textured = true;
        else if (!arg.starts_with("--") && output.empty()) output = arg;
        else ok = false;
        if (!ok) return Usage();
    }
    if (output.empty() || (noVideo && !spec.videos.empty())) return Usage();
    if (spec.videos.empty() && !noVideo) spec.videos.push_back({});
    return Report(recgen::WriteRecording(output, spec), output);
}

int Card(int argc, char** argv) {
    std::string model, root;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--model" && i + 1 < argc) model = argv[++i];
        else if (!arg.starts_with("--") && root.empty()) root = arg;
        else return Usage();
    }
    recgen::CardModel card;
    if (model == "VRAN-3") card = recgen::CardModel::Vran3;
    else if (model == "VRAN-2X") card = recgen::CardModel::Vran2x;
    else if (model == "KOTR4") card = recgen::CardModel::Kotr4;
    else return Usage();
    if (root.empty()) return Usage();
    return Report(recgen::WriteCard(root, recgen::DemoCard(card)), root);
}

int Texts(int argc, char** argv) {
    recgen::TelemetryScript script;
    recgen::TelemetryForm form = recgen::TelemetryForm::Csv;
    int count = 10;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        bool ok = i + 1 < argc;
        if (ok && arg == "--telemetry") ok = ParseForm(argv[++i], form);
        else if (ok && arg == "--start") ok = ParseNumber(argv[++i], script.startSeconds);
        else if (ok && arg == "--count") ok = ParseInt(argv[++i], count);
        else ok = false;
        if (!ok) return Usage();
    }
    for (int i = 0; i < count; ++i) std::printf("%s\n", recgen::ScriptedText(script, form, i).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_WARNING);
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "recording") return Recording(argc - 2, argv + 2);
    if (command == "card") return Card(argc - 2, argv + 2);
    if (command == "texts") return Texts(argc - 2, argv + 2);
    return Usage();
}
