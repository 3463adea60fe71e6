#pragma once
// Follows the mount table and reports filesystems appearing and disappearing, the
// counterpart of the shell's drive-added / drive-removed notifications. A mount is known
// by its mount id and mount point; a change reports the mount point (the drive root).
//
// The kernel signals /proc/self/mountinfo with POLLPRI on every mount change, which a
// QSocketNotifier of the Exception type receives. A table file elsewhere (a test fixture
// named by the constructor or by TAVRO_MOUNTINFO) never signals POLLPRI; such a file is
// watched with a QFileSystemWatcher instead, so replace it atomically (write a temporary
// file, rename it over the table). rescan() compares the table at once, for both kinds.

#include "MountTable.h"

#include <QObject>
#include <QString>

#include <utility>
#include <vector>

class QFileSystemWatcher;
class QSocketNotifier;

class MountWatcher : public QObject {
  Q_OBJECT
public:
  explicit MountWatcher(MountTable table = MountTable(), QObject* parent = nullptr);
  ~MountWatcher() override;

  const MountTable& table() const { return m_table; }

public slots:
  // Reads the table again and emits one signal per mount that went away (in the old
  // table's order), then one per new mount (in the new table's order). An unreadable
  // table is skipped: nothing is reported and the known set stays as it was.
  void rescan();

signals:
  void driveAdded(const QString& mountPoint);
  void driveRemoved(const QString& mountPoint);

private:
  using Key = std::pair<int, std::string>;  // mount id, mount point

  static std::vector<Key> KeysOf(const std::vector<MountEntry>& entries);

  MountTable m_table;
  std::vector<Key> m_known;
  int m_fd = -1;
  QSocketNotifier* m_notifier = nullptr;
  QFileSystemWatcher* m_fileWatcher = nullptr;
};
