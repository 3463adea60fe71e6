#include "MountWatcher.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

MountWatcher::MountWatcher(MountTable table, QObject* parent) : QObject(parent), m_table(std::move(table))
{
  if (auto entries = m_table.Read())
    m_known = KeysOf(*entries);

  const std::string& path = m_table.mountinfo_path();
  struct statfs fsinfo {};
  if (statfs(path.c_str(), &fsinfo) == 0 && fsinfo.f_type == PROC_SUPER_MAGIC) {
    // The open file is what the kernel flags; it must stay open while we watch.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd >= 0) {
      m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
      connect(m_notifier, &QSocketNotifier::activated, this, &MountWatcher::rescan);
      return;
    }
  }

  // A plain file: watch the file and its folder (a rename over the file replaces the
  // watched inode, after which the file must be added again).
  m_fileWatcher = new QFileSystemWatcher(this);
  const QString file = QFile::decodeName(path.c_str());
  m_fileWatcher->addPath(file);
  const QString folder = QFile::decodeName(std::filesystem::path(path).parent_path().c_str());
  if (!folder.isEmpty())
    m_fileWatcher->addPath(folder);
  auto changed = [this, file] {
    if (!m_fileWatcher->files().contains(file))
      m_fileWatcher->addPath(file);
    rescan();
  };
  connect(m_fileWatcher, &QFileSystemWatcher::fileChanged, this, changed);
  connect(m_fileWatcher, &QFileSystemWatcher::directoryChanged, this, changed);
}

MountWatcher::~MountWatcher()
{
  delete m_notifier;  // before its descriptor goes
  if (m_fd >= 0)
    ::close(m_fd);
}

std::vector<MountWatcher::Key> MountWatcher::KeysOf(const std::vector<MountEntry>& entries)
{
  std::vector<Key> keys;
  keys.reserve(entries.size());
  for (const MountEntry& entry : entries)
    keys.emplace_back(entry.mount_id, entry.mount_point);
  return keys;
}

void MountWatcher::rescan()
{
  const auto entries = m_table.Read();
  if (!entries)
    return;
  std::vector<Key> current = KeysOf(*entries);
  auto contains = [](const std::vector<Key>& keys, const Key& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
  };

  std::vector<Key> removed, added;
  for (const Key& key : m_known)
    if (!contains(current, key))
      removed.push_back(key);
  for (const Key& key : current)
    if (!contains(m_known, key))
      added.push_back(key);

  // Update first, so that a slot that rescans again sees a settled state.
  m_known = std::move(current);
  for (const Key& key : removed)
    emit driveRemoved(QFile::decodeName(key.second.c_str()));
  for (const Key& key : added)
    emit driveAdded(QFile::decodeName(key.second.c_str()));
}
