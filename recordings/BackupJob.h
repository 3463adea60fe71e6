#pragma once
// The backup's copy loop and progress computation, free of any toolkit: the progress window is
// reached through BackupObserver, whose calls come from the thread that runs the job.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "CopyFileWithProgress.h"

struct BackupRequest {
  std::vector<std::string> m_backupFiles;   // names without folder, in ascending row order
  std::filesystem::path m_strBackupSourceDir;  // recordings_root when the backup was asked for
  std::filesystem::path m_strBackupTargetDir;  // the folder the user chose
  bool card_mode = false;                      // sources lie in their kind folders
};

// What the copy loop changes in the progress window, in the order the loop does it.
class BackupObserver {
public:
  virtual ~BackupObserver() = default;
  virtual void EnableDone(bool enabled) = 0;
  virtual void SetRange(int maximum) = 0;  // the bar runs from 0 to maximum
  virtual void SetPosition(int position) = 0;
  virtual void SetDisplayText(const std::string& text) = 0;
  virtual void ShowProgress() = 0;  // show the window unless it is visible already
  virtual void BackupFailed() = 0;  // tell the user ("Backup Fail!!!!")
};

// Per-file percentage: transferred × 100 / total truncated, 0 … 100. An empty file is complete
// at once (100), and a file that grew while it was copied never counts more than 100.
int BackupFilePercent(std::uint64_t transferred, std::uint64_t total);

// "%s,  %d %%": the current file's name and the overall percentage.
std::string FormatBackupText(std::string_view name, int overall);

// Where a recording lies under the card root, from its name's suffix alone: "ory_rec", "evt_rec",
// "usr_rec", "NOR", "EVT" or "DSM"; empty for a suffix outside the naming table.
std::string BackupKindFolder(std::string_view name);

// One backup: copies every requested file in order and stops at the first failure.
class BackupJob {
public:
  BackupJob(BackupRequest request, BackupObserver& observer, std::size_t chunk_size = 1 << 20);

  // Returns 1 when every file was copied, 0 after a failed or cancelled copy.
  int Run();
  // Abandons the backup from any thread: the current copy stops and leaves no file behind, and
  // no failure is reported.
  void Cancel() { m_cancel = true; }

  // The progress routine of the current file's copy.
  CopyProgress OnProgress(std::uint64_t total, std::uint64_t transferred);

  int m_nBackupDonePercent = 0;
  std::string m_strBackupCurrentFile;

private:
  BackupRequest m_request;
  BackupObserver& m_observer;
  std::size_t m_chunkSize;
  std::atomic<bool> m_cancel{false};
};
