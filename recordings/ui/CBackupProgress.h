#pragma once
// The backup's progress window: caption "Backup", no close box, a bar over all files, a line
// with the current file's name and the overall percentage, and "Done", disabled while copying.
// The copy runs on a thread of its own; every change it makes to the window is carried out on
// the user-interface thread, in the order the copy made it.
#include "BackupJob.h"

#include <QDialog>

#include <memory>
#include <thread>

class CNoFlickerStatic;
class QProgressBar;
class QPushButton;

class CBackupProgress : public QDialog {
  Q_OBJECT
public:
  explicit CBackupProgress(QWidget* parent = nullptr);
  ~CBackupProgress() override;  // cancels a running copy (its partial file is removed) and waits

  // Starts copying `request` and returns at once. Refused (false) while a backup runs: the
  // progress window is raised instead, so the user sees the backup that is still going.
  bool StartBackup(BackupRequest request);
  bool IsBackupRunning() const { return m_running; }

  QProgressBar* progressBar() const { return m_bar; }
  CNoFlickerStatic* textLine() const { return m_text; }
  QPushButton* doneButton() const { return m_done; }

signals:
  void backupFinished(int exit_code);  // 1: every file copied, 0: a copy failed

public slots:
  void reject() override;  // Escape and the window manager's close: only once the backup is over

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  class Observer;
  void OnFinished(int exit_code);

  QProgressBar* m_bar = nullptr;
  CNoFlickerStatic* m_text = nullptr;
  QPushButton* m_done = nullptr;
  std::unique_ptr<Observer> m_observer;
  std::unique_ptr<BackupJob> m_job;
  std::thread m_thread;
  bool m_running = false;
};
