// Writes deterministic mp4 recordings shaped like the devices' own: up to two libx264
// video streams, an optional AAC tone and a telemetry text track with time base 1/10
// carrying one text per tenth of a second; or shaped as other programs write them (other
// codecs, pixel formats, colours, containers). Tests, the benchmark and the demo card use it.
//
// Stream order in the file: the videos (front camera first), then the audio, then the text
// track. Read back, the text stream has time base 1/10 and the texts have pts 0, 1, 2, …
// and duration 1. Whenever a packet of another stream is written while a text is showing,
// the mp4 muxer closes that text with an empty 2-byte sample; such samples read back at the
// next text's pts, just before it, and consumers drop them by the 80-byte rule. The data
// stream variant has no such samples.
#pragma once

#include "TelemetryScript.h"

#include <cstdint>
#include <string>
#include <vector>

namespace recgen {

struct VideoSize {
    int width = 640;
    int height = 360;
};

// How the telemetry texts are stored.
enum class TextTrack {
    Subtitle,  // a mov_text stream (what the devices write), time base 1/10
    Data,      // the same texts in a data stream, which no subtitle stream choice picks
};

// One telemetry sample: its pts in tenths of a second and its payload bytes, written as
// they are (no terminating zero; a payload may hold zero bytes). The mp4 muxer needs the
// pts of consecutive samples to increase.
struct TextSample {
    int64_t pts = 0;
    std::string payload;
};

// The colour matrix a video is coded with, and what its stream says of it.
enum class ColourMatrix {
    Untagged,  // BT.601, with no colour tags (what the devices write)
    Bt601,     // BT.601, tagged (SMPTE 170M matrix, primaries and transfer)
    Bt709,     // BT.709, tagged, as HD streams of other programs are
};

struct RecordingSpec {
    double durationSeconds = 2.0;
    // 0, 1 or 2 video streams, in file order: front camera first, then the second camera.
    std::vector<VideoSize> videos = {VideoSize{}};
    int fps = 10;
    int gopFrames = 10;  // keyframe interval; short so that seeks land quickly
    bool audio = false;
    int audioSampleRate = 44100;
    int audioChannels = 1;
    double toneHz = 440.0;
    TextTrack textTrack = TextTrack::Subtitle;
    // Telemetry: with `texts` empty, one scripted text per tenth of a second in `form`
    // (no text track at all for TelemetryForm::None). With `texts` set, exactly those
    // samples are written, in the given order, whatever `form` says.
    TelemetryForm form = TelemetryForm::Csv;
    TelemetryScript script;
    std::vector<TextSample> texts;
    // Prefix every text sample with its 16-bit big-endian length, as standard 3GPP
    // timed text does (the devices write the bare text).
    bool lengthPrefixedTexts = false;
    // How the videos are coded: the encoder and pixel format by FFmpeg's names ("libx264" or
    // "mjpeg"; "yuv420p", "yuvj420p", "yuv422p", "yuv444p", "yuv420p10le", ...), the matrix and
    // the range (a "yuvj" format is always full range). The test picture is drawn as always
    // (BT.601, limited range) and converted, so that it decodes to the same colours in every
    // shape. The encoder must take the format (mjpeg takes the "yuvj" ones).
    std::string videoCodec = "libx264";
    std::string pixelFormat = "yuv420p";
    ColourMatrix colourMatrix = ColourMatrix::Untagged;
    bool fullRange = false;
    // The muxer, by FFmpeg's name: "mp4" (what the devices write), or another program's
    // container such as "avi" or "mpegts" (which keep no 1/10 text time base).
    std::string container = "mp4";
    // The textured test picture (a moving road scene under the same marks), coded as a camera
    // codes its footage (libx264 with its usual tools, at a camera's constant bit rate) rather
    // than the fastest way: for benchmarks, whose plain-decoding baseline must cost what real recordings cost.
    bool textured = false;
    // B-frames between the reference pictures (libx264 only); the devices write none.
    int bFrames = 0;
};

// Writes the recording to `path` (overwriting it) in `spec.container` whatever the name's
// extension (a file named …_N.avi holds mp4 by default). Returns 0, or a negative FFmpeg error
// code; a file already begun is then removed, a spec refused before that leaves whatever
// was at `path` alone. The same spec always gives the same bytes.
int WriteRecording(const std::string& path, const RecordingSpec& spec);

// The texts WriteRecording writes for `spec` when `spec.texts` is empty: pts 0, 1, 2, …
std::vector<TextSample> ScriptedSamples(const RecordingSpec& spec);

}  // namespace recgen
