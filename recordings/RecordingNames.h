#pragma once
// The card's naming rules: which file names are recordings, of which kind, and in which
// folder of a card each kind lives.

#include "RecordingKind.h"
#include "ViewerConfig.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text after the last "_", extension included; a name without "_" is its own suffix.
std::string_view RecordingSuffix(std::string_view name);

// True for the five driver-monitoring event codes: "DRO.mp4", "DIS.mp4", "PHO.mp4",
// "SMO.mp4", "YAW.mp4".
bool IsDriverEventSuffix(std::string_view suffix);

// The kind a suffix stands for (exact, case-sensitive), whatever folder the file is in;
// nullopt for a suffix that is not a recording's.
std::optional<RecordingKind> KindOfSuffix(std::string_view suffix);

// Suffixes kept by the scans of a driver-assistance card ("N.mp4", "E.mp4", "U.mp4") and
// of a driver-monitoring card ("NOR.mp4", "EVT.mp4" and the driver event codes), and by the
// folder scan (every suffix that has a kind, ".avi" included).
bool IsVranCardSuffix(std::string_view suffix);
bool IsKotrCardSuffix(std::string_view suffix);
bool IsRecordingSuffix(std::string_view suffix);

// The folder of a kind directly under a card's root: "ory_rec", "evt_rec", "usr_rec" on the
// driver-assistance models, "NOR", "EVT", "DSM" on the driver-monitoring model.
const char* KindFolder(DeviceModel model, RecordingKind kind);
