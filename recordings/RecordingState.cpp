#include "RecordingState.h"

#include "RecordingNames.h"

#include <filesystem>

std::string RecordingState::PathOf(RecordingKind kind, const std::string& name, DeviceModel model) const
{
  std::filesystem::path path(recordings_root);
  if (card_mode)
    path /= KindFolder(model, kind);
  return (path / name).string();
}

void RecordingState::ClearLists()
{
  for (auto& list : m_recordings)
    list.clear();
}
