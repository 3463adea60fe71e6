#pragma once
// Recognising a device card among the mounted filesystems, turning a card or the folder of
// an opened recording into the three recording lists, and following cards as they are
// mounted and unmounted. A card's "drive root" is its mount point; its volume label is the
// filesystem label. Everything here runs on the user-interface thread.

#include "CSortStringArray.h"
#include "MountTable.h"
#include "RecordingCardsHost.h"
#include "RecordingState.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class RecordingCards {
public:
  // The change events OnCardChange understands.
  static constexpr long kMediaInserted = 0x20;
  static constexpr long kMediaRemoved = 0x40;
  static constexpr long kDriveRemoved = 0x80;
  static constexpr long kDriveAdded = 0x100;

  RecordingCards(RecordingState& state, RecordingCardsHost& host, MountTable mounts = MountTable());

  const MountTable& mounts() const { return m_mounts; }

  // Start-up: adopts the first card in mount-table order, scans it and saves the model to
  // Config.ini. Without a card nothing changes.
  void FindDeviceCard();

  // Adopt `root` when its label is "VRAN-2X" or "VRAN-3" (exact case): sets device_model,
  // m_strCardRoot and m_bCardPresent. Otherwise changes nothing and returns false.
  bool IdentifyVranCard(const std::string& root);
  // The same for the driver-monitoring label "KOTR4".
  bool IdentifyKotrCard(const std::string& root);

  // Scan the kind folders of the card at m_strCardRoot, append what they hold to the lists
  // and hand the lists to the pages. card_mode becomes 1 when something was found, else 0.
  void ScanVranCard();
  void ScanKotrCard();  // also skips hidden files (names starting with ".")

  // Folder mode: lists every recording of any kind in recordings_root and sets, per kind,
  // current_index to the row of current_name. The caller has set current_name,
  // current_path and recordings_root and emptied the lists. An unlistable folder leaves the
  // lists and the pages as they are.
  void ScanRecordingFolder();

  // The layout whose kind folders `folder` holds: driver-assistance ("ory_rec", "evt_rec",
  // "usr_rec") gives VRAN3, or VRAN2X when `current` is VRAN2X (the folders do not tell the
  // two apart); driver-monitoring ("NOR", "EVT", "DSM") gives KOTR4. Any one kind folder is
  // enough; with both sets the driver-assistance one counts. nullopt when there is none.
  static std::optional<DeviceModel> CardLayoutOf(const std::string& folder, DeviceModel current);

  // A folder the user opened by itself: a card's root (a card copied to a disk, say), told
  // by its kind folders, is scanned as a card of that layout, and device_model follows (not
  // saved); any other folder is listed as the folder of an opened recording. The lists are
  // emptied first and always shown; the current rows start again at 0, or at the current
  // recording's row where it is listed. Nothing plays; the card in use, current_name and
  // current_path keep their values.
  void OpenFolder(const std::string& folder);

  // A mount appeared (kMediaInserted, kDriveAdded) or went away (kMediaRemoved,
  // kDriveRemoved) at `path`, the mount point the watcher reports. Insertion adopts and
  // scans a driver-assistance card while no card is present (the model is not saved).
  // Removal of the card in use forgets it, empties the lists when they were taken from the
  // card and stops a playback of a recording on it; mode, root and current recording keep
  // their values. Everything else is ignored.
  void OnCardChange(long event, const std::string& path);

private:
  using SuffixFilter = bool (*)(std::string_view);

  // Adds "name/size" for each file directly in `folder` whose suffix `keep` accepts (and,
  // with `skip_hidden`, whose name does not start with "."); false when the folder cannot
  // be listed.
  static bool CollectFolder(const std::filesystem::path& folder, SuffixFilter keep, bool skip_hidden,
                            CSortStringArray& texts);
  // Scans the kind folders of `layout` under `root`, which becomes recordings_root.
  void ScanCard(DeviceModel layout, const std::string& root);
  // Appends the sorted texts to the lists; when `track_current`, sets current_index of a
  // kind to the row of the element named current_name.
  void Distribute(const CSortStringArray& texts, bool track_current);
  void ShowAll();
  bool Identify(const std::string& root, bool driver_monitoring);
  bool UnderCardRoot(const std::string& path) const;

  RecordingState& m_state;
  RecordingCardsHost& m_host;
  MountTable m_mounts;
};
