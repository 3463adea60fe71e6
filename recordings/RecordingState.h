#pragma once

#include "FileInfo.h"
#include "RecordingKind.h"
#include "ViewerConfig.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What the viewer knows about its recordings: the three lists, where they lie, which one
// plays, and the card in use. The main window holds the one instance; the control panel,
// the list pages, navigation and backup reach it through the main window.
struct RecordingState {
  // What the three list pages show, in this order, indexed by RecordingKind.
  std::array<std::vector<FileInfo>, kRecordingKindCount> m_recordings;
  // The folder the lists refer to: the card root in card mode, the opened file's folder
  // in folder mode.
  std::string recordings_root;
  // 1 when the lists were last filled from a card and at least one recording was found.
  std::uint8_t card_mode = 0;
  // Row, per kind, of the recording of that kind that was played last.
  std::array<std::int32_t, kRecordingKindCount> current_index{};
  std::string current_name;  // the current recording's name, as shown in the title
  std::string current_path;  // full path of the current recording: what the player opens
  std::string m_strCardRoot;  // mount point of the identified card; empty when none
  bool m_bCardPresent = false;  // a card was identified and has not been removed since

  // Where a listed recording lies: in card mode in its kind's folder under the card root
  // (the folder named by `model`'s layout), in folder mode directly in recordings_root.
  std::string PathOf(RecordingKind kind, const std::string& name, DeviceModel model) const;

  void ClearLists();
};
