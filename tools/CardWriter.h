// Names recordings by the devices' file-name rules and lays out a card folder tree.
//
// A card's root holds one folder per kind of recording:
//   forward cameras (labels "VRAN-3", "VRAN-2X"): ory_rec (…_N.mp4), evt_rec (…_E.mp4), usr_rec (…_U.mp4)
//   driver monitoring (label "KOTR4"):            NOR (…_NOR.mp4), EVT (…_EVT.mp4),
//                                                 DSM (…_DRO/_DIS/_PHO/_SMO/_YAW.mp4)
// A folder tree carries no volume label; whoever mounts or presents it supplies VolumeLabel().
#pragma once

#include "RecordingGenerator.h"

#include <filesystem>
#include <string>
#include <vector>

namespace recgen {

enum class CardModel { Vran3, Vran2x, Kotr4 };

enum class CardLayout {
    DriverAssistance,  // ory_rec / evt_rec / usr_rec
    DriverMonitor,     // NOR / EVT / DSM
};

// The recording suffix of a file name, before its extension.
enum class FileCode {
    N, E, U,                        // forward cameras: normal, event, manual
    NOR, EVT,                       // driver monitoring: normal, event
    DRO, DIS, PHO, SMO, YAW,        // driver monitoring: drowsiness, distraction, phone, smoking, yawning
};

const char* VolumeLabel(CardModel model);  // "VRAN-3", "VRAN-2X", "KOTR4"
CardLayout LayoutOf(CardModel model);
const char* CodeText(FileCode code);   // "N", "NOR", "DRO", …
const char* KindFolder(FileCode code);  // where the device stores it: "ory_rec", "NOR", "DSM", …

// `stamp` + "_" + code + extension, for example "20260314_083000_N.mp4".
std::string RecordingFileName(const std::string& stamp, FileCode code, const std::string& extension = ".mp4");

// The device-style time stamp "YYYYMMDD_HHMMSS" of 2026-03-14 08:30:00 plus `seconds` (< one day).
std::string TimeStamp(int seconds);

// A recording of the scripted drive in the shape the model records: forward cameras write
// the comma-separated form (with the model's device code), the driver-monitoring camera JSON.
RecordingSpec ModelRecording(CardModel model);

struct CardFile {
    FileCode code = FileCode::N;
    RecordingSpec recording;
    std::string name;    // file name; empty: RecordingFileName(TimeStamp(60 * position), code)
    std::string folder;  // folder under the root; empty: KindFolder(code)
};

struct CardSpec {
    CardLayout layout = CardLayout::DriverAssistance;
    std::vector<CardFile> files;
};

// Creates `root`, its three kind folders (also when empty) and every file. Returns 0, or a
// negative FFmpeg error code (AVERROR(errno) for a folder that cannot be made).
int WriteCard(const std::filesystem::path& root, const CardSpec& card);

// A small card of a few seconds per recording: normal, event and manual recordings, one and
// two videos of different sizes, with and without sound. The driver-monitoring card holds
// one recording per driver-state code, each showing its state.
CardSpec DemoCard(CardModel model);

}  // namespace recgen
