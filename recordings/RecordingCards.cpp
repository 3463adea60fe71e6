#include "RecordingCards.h"

#include "RecordingNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// The size part of a collected text: its leading digits; 0 when there are none.
std::uint64_t ParseSize(std::string_view text)
{
  std::uint64_t value = 0;
  for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
  return value;
}

}  // namespace

RecordingCards::RecordingCards(RecordingState& state, RecordingCardsHost& host, MountTable mounts)
    : m_state(state), m_host(host), m_mounts(std::move(mounts))
{
}

void RecordingCards::FindDeviceCard()
{
  const auto entries = m_mounts.Read();
  if (!entries)
    return;
  for (const MountEntry& entry : *entries) {
    if (IdentifyVranCard(entry.mount_point)) {
      ScanVranCard();
      SaveViewerModel();
      return;
    }
    if (IdentifyKotrCard(entry.mount_point)) {
      ScanKotrCard();
      SaveViewerModel();
      return;
    }
  }
}

bool RecordingCards::Identify(const std::string& root, bool driver_monitoring)
{
  const std::string label = m_mounts.LabelOf(root).value_or(std::string());
  DeviceModel model;
  if (driver_monitoring && label == "KOTR4")
    model = KOTR4;
  else if (!driver_monitoring && label == "VRAN-2X")
    model = VRAN2X;
  else if (!driver_monitoring && label == "VRAN-3")
    model = VRAN3;
  else
    return false;
  device_model = model;
  m_state.m_strCardRoot = root;
  m_state.m_bCardPresent = true;
  return true;
}

bool RecordingCards::IdentifyVranCard(const std::string& root) { return Identify(root, false); }

bool RecordingCards::IdentifyKotrCard(const std::string& root) { return Identify(root, true); }

bool RecordingCards::CollectFolder(const fs::path& folder, SuffixFilter keep, bool skip_hidden, CSortStringArray& texts)
{
  // readdir and fstatat relative to the open folder: a card holds thousands of recordings
  // and one stat per kept file, without walking the full path again, is what a scan costs.
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir)
    return false;
  const int fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (skip_hidden && name.starts_with('.'))
      continue;
    if (entry->d_type == DT_DIR || !keep(RecordingSuffix(name)))
      continue;
    // Only files: folders, dangling links and special files are not recordings.
    struct stat st {};
    if (fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
      continue;
    std::string text(name);
    text += '/';
    text += std::to_string(static_cast<std::uint64_t>(st.st_size));
    texts.Add(std::move(text));
  }
  return true;
}

void RecordingCards::ScanCard(DeviceModel layout, const std::string& root)
{
  const bool driver_monitoring = layout == KOTR4;
  m_state.recordings_root = root;
  CSortStringArray texts;
  for (RecordingKind kind : {Normal, Event, Manual})
    CollectFolder(fs::path(root) / KindFolder(layout, kind),
                  driver_monitoring ? IsKotrCardSuffix : IsVranCardSuffix, driver_monitoring, texts);

  if (texts.empty()) {
    m_state.card_mode = 0;
  } else {
    m_state.card_mode = 1;
    texts.Sort();
    Distribute(texts, false);
  }
  ShowAll();
}

void RecordingCards::ScanVranCard() { ScanCard(VRAN3, m_state.m_strCardRoot); }

void RecordingCards::ScanKotrCard() { ScanCard(KOTR4, m_state.m_strCardRoot); }

std::optional<DeviceModel> RecordingCards::CardLayoutOf(const std::string& folder, DeviceModel current)
{
  auto has_kind_folders = [&folder](DeviceModel layout) {
    for (RecordingKind kind : {Normal, Event, Manual}) {
      std::error_code error;
      if (fs::is_directory(fs::path(folder) / KindFolder(layout, kind), error))
        return true;
    }
    return false;
  };
  if (has_kind_folders(VRAN3))
    return current == VRAN2X ? VRAN2X : VRAN3;
  if (has_kind_folders(KOTR4))
    return KOTR4;
  return std::nullopt;
}

void RecordingCards::OpenFolder(const std::string& folder)
{
  m_state.ClearLists();
  m_state.current_index = {};
  if (const auto layout = CardLayoutOf(folder, device_model)) {
    device_model = *layout;
    ScanCard(*layout, folder);
    return;
  }
  m_state.recordings_root = folder;
  m_state.card_mode = 0;
  CSortStringArray texts;
  if (CollectFolder(folder, IsRecordingSuffix, false, texts)) {
    texts.Sort();
    Distribute(texts, true);
  }
  ShowAll();
}

void RecordingCards::ScanRecordingFolder()
{
  m_host.ShowTitle(m_state.current_name);
  CSortStringArray texts;
  if (!CollectFolder(m_state.recordings_root, IsRecordingSuffix, false, texts))
    return;
  texts.Sort();
  Distribute(texts, true);
  ShowAll();
}

void RecordingCards::Distribute(const CSortStringArray& texts, bool track_current)
{
  for (const std::string& text : texts) {
    const size_t slash = text.find('/');
    const std::string name = text.substr(0, slash);
    std::string_view rest = slash == std::string::npos ? std::string_view() : std::string_view(text).substr(slash + 1);
    rest = rest.substr(0, rest.find('/'));
    const auto kind = KindOfSuffix(RecordingSuffix(name));
    if (!kind)
      continue;
    auto& list = m_state.m_recordings[*kind];
    list.push_back(FileInfo{name, ParseSize(rest)});
    if (track_current && name == m_state.current_name)
      m_state.current_index[*kind] = static_cast<std::int32_t>(list.size() - 1);
  }
}

void RecordingCards::ShowAll()
{
  for (RecordingKind kind : {Normal, Event, Manual})
    m_host.ShowRecordings(kind, m_state.m_recordings[kind]);
}

bool RecordingCards::UnderCardRoot(const std::string& path) const
{
  const std::string& root = m_state.m_strCardRoot;
  if (root.empty())
    return false;
  if (path == root)
    return true;
  return path.starts_with(root.ends_with('/') ? root : root + "/");
}

void RecordingCards::OnCardChange(long event, const std::string& path)
{
  if (path.empty())
    return;
  switch (event) {
  case kMediaInserted:
  case kDriveAdded:
    if (m_state.m_bCardPresent)
      return;
    // Only the driver-assistance labels are recognised here; a driver-monitoring card is
    // found at the next start.
    if (IdentifyVranCard(path)) {
      m_state.ClearLists();
      ScanVranCard();
    }
    return;
  case kMediaRemoved:
  case kDriveRemoved:
    if (!m_state.m_bCardPresent || path != m_state.m_strCardRoot)
      return;
    // Lists and a playback taken from another folder are not the card's: they survive it.
    if (UnderCardRoot(m_state.recordings_root)) {
      m_state.ClearLists();
      ShowAll();
    }
    if (UnderCardRoot(m_state.current_path) && m_host.IsPlaying())
      m_host.StopPlayback();
    m_state.m_strCardRoot.clear();
    m_state.m_bCardPresent = false;
    return;
  default:
    return;
  }
}
