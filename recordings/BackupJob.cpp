#include "BackupJob.h"

#include "RecordingNames.h"

#include <algorithm>
#include <cstdio>

int BackupFilePercent(std::uint64_t transferred, std::uint64_t total)
{
  if (total == 0)
    return 100;
  const double p = static_cast<double>(transferred * 100) / static_cast<double>(total);
  return std::min(static_cast<int>(p), 100);
}

std::string FormatBackupText(std::string_view name, int overall)
{
  std::string text(name);
  char percent[32];
  std::snprintf(percent, sizeof percent, ",  %d %%", overall);
  return text + percent;
}

std::string BackupKindFolder(std::string_view name)
{
  const std::string_view suffix = RecordingSuffix(name);
  struct Entry {
    std::string_view suffix;
    std::string_view folder;
  };
  static constexpr Entry table[] = {
    {"N.avi", "ory_rec"}, {"N.mp4", "ory_rec"}, {"E.avi", "evt_rec"}, {"E.mp4", "evt_rec"},
    {"U.avi", "usr_rec"}, {"U.mp4", "usr_rec"}, {"NOR.mp4", "NOR"},   {"EVT.mp4", "EVT"},
    {"DRO.mp4", "DSM"},   {"DIS.mp4", "DSM"},   {"PHO.mp4", "DSM"},   {"SMO.mp4", "DSM"},
    {"YAW.mp4", "DSM"},
  };
  for (const Entry& entry : table)
    if (entry.suffix == suffix)
      return std::string(entry.folder);
  return {};
}

BackupJob::BackupJob(BackupRequest request, BackupObserver& observer, std::size_t chunk_size)
  : m_request(std::move(request)), m_observer(observer), m_chunkSize(chunk_size)
{
}

int BackupJob::Run()
{
  const int n = static_cast<int>(m_request.m_backupFiles.size());
  m_observer.EnableDone(false);
  m_observer.SetRange(n * 100);
  m_observer.SetPosition(0);
  m_nBackupDonePercent = 0;
  for (const std::string& name : m_request.m_backupFiles) {
    m_strBackupCurrentFile = name;
    std::filesystem::path source = m_request.m_strBackupSourceDir;
    if (m_request.card_mode)
      source /= BackupKindFolder(name);  // an empty folder adds nothing
    source /= name;
    const std::filesystem::path target = m_request.m_strBackupTargetDir / name;
    m_observer.ShowProgress();
    const bool copied = CopyFileWithProgress(
      source, target, [this](std::uint64_t total, std::uint64_t done) { return OnProgress(total, done); },
      m_chunkSize, &m_cancel);
    if (m_cancel)
      return 0;
    if (!copied) {
      m_observer.BackupFailed();
      m_observer.EnableDone(true);
      return 0;
    }
  }
  m_observer.EnableDone(true);
  return 1;
}

CopyProgress BackupJob::OnProgress(std::uint64_t total, std::uint64_t transferred)
{
  const int n = std::max<int>(1, static_cast<int>(m_request.m_backupFiles.size()));
  const int p = BackupFilePercent(transferred, total);
  m_observer.SetPosition(m_nBackupDonePercent + p);
  m_observer.SetDisplayText(FormatBackupText(m_strBackupCurrentFile, (m_nBackupDonePercent + p) / n));
  if (p >= 100) {
    m_nBackupDonePercent += p;
    return CopyProgress::Quiet;
  }
  return CopyProgress::Continue;
}
