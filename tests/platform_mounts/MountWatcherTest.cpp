#include "MountWatcher.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir()
  {
    std::string pattern = (fs::temp_directory_path() / "watcher-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

std::string Line(int id, const std::string& point, const std::string& source = "/dev/sdb1")
{
  return std::to_string(id) + " 26 8:17 / " + point + " rw,relatime - vfat " + source + " rw\n";
}

// Replaces the table the way a fixture has to be changed: write aside, rename over.
void ReplaceTable(const fs::path& table, const std::string& text)
{
  const fs::path temporary = table.string() + ".new";
  std::ofstream(temporary, std::ios::binary) << text;
  fs::rename(temporary, table);
}

QStringList Arguments(const QSignalSpy& spy)
{
  QStringList points;
  for (const QList<QVariant>& call : spy)
    points << call.at(0).toString();
  return points;
}

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

TEST(MountWatcher, RescanReportsRemovedThenAdded)
{
  TempDir dir;
  const fs::path table = dir.path / "mountinfo";
  ReplaceTable(table, Line(20, "/") + Line(30, "/media/u/VRAN-3") + Line(31, "/media/u/OTHER"));
  MountWatcher watcher(MountTable(table.string(), (dir.path / "by-label").string()));
  QSignalSpy added(&watcher, &MountWatcher::driveAdded);
  QSignalSpy removed(&watcher, &MountWatcher::driveRemoved);

  watcher.rescan();  // nothing changed: the initial table is known, not reported
  EXPECT_TRUE(added.isEmpty());
  EXPECT_TRUE(removed.isEmpty());

  ReplaceTable(table, Line(20, "/") + Line(32, "/media/u/KOTR4") + Line(31, "/media/u/OTHER") +
                          Line(33, "/media/u/my\\040card"));
  watcher.rescan();
  EXPECT_EQ(Arguments(removed), QStringList{"/media/u/VRAN-3"});
  EXPECT_EQ(Arguments(added), (QStringList{"/media/u/KOTR4", "/media/u/my card"}));

  // The same mount point mounted anew (another mount id) is one removal and one addition.
  added.clear();
  removed.clear();
  ReplaceTable(table, Line(20, "/") + Line(40, "/media/u/KOTR4") + Line(31, "/media/u/OTHER") +
                          Line(33, "/media/u/my\\040card"));
  watcher.rescan();
  EXPECT_EQ(Arguments(removed), QStringList{"/media/u/KOTR4"});
  EXPECT_EQ(Arguments(added), QStringList{"/media/u/KOTR4"});
}

// A table that cannot be read is not an empty table: it must not report every mount as gone.
TEST(MountWatcher, UnreadableTableReportsNothing)
{
  TempDir dir;
  const fs::path table = dir.path / "mountinfo";
  ReplaceTable(table, Line(20, "/") + Line(30, "/media/u/VRAN-3"));
  MountWatcher watcher(MountTable(table.string(), (dir.path / "by-label").string()));
  QSignalSpy added(&watcher, &MountWatcher::driveAdded);
  QSignalSpy removed(&watcher, &MountWatcher::driveRemoved);

  fs::remove(table);
  watcher.rescan();
  ReplaceTable(table, Line(20, "/") + Line(30, "/media/u/VRAN-3"));
  watcher.rescan();
  EXPECT_TRUE(added.isEmpty());
  EXPECT_TRUE(removed.isEmpty());
}

// A fixture table is followed without calling rescan(): the file watcher notices the rename.
TEST(MountWatcher, FollowsAFixtureFileByItself)
{
  TempDir dir;
  const fs::path table = dir.path / "mountinfo";
  ReplaceTable(table, Line(20, "/"));
  MountWatcher watcher(MountTable(table.string(), (dir.path / "by-label").string()));
  QSignalSpy added(&watcher, &MountWatcher::driveAdded);
  QSignalSpy removed(&watcher, &MountWatcher::driveRemoved);

  ReplaceTable(table, Line(20, "/") + Line(30, "/media/u/VRAN-3"));
  ASSERT_TRUE(added.wait(3000));
  EXPECT_EQ(Arguments(added), QStringList{"/media/u/VRAN-3"});

  ReplaceTable(table, Line(20, "/"));
  ASSERT_TRUE(removed.wait(3000));
  EXPECT_EQ(Arguments(removed), QStringList{"/media/u/VRAN-3"});
}

// Unmounts on scope exit, so that a failed expectation leaves no mount behind.
struct LoopMount {
  fs::path point;
  bool mounted = false;
  bool Mount(const fs::path& image)
  {
    mounted = Shell("mount -o loop '" + image.string() + "' '" + point.string() + "'");
    return mounted;
  }
  bool Unmount()
  {
    if (mounted && Shell("umount '" + point.string() + "'"))
      mounted = false;
    return !mounted;
  }
  ~LoopMount()
  {
    if (mounted)
      Shell("umount -l '" + point.string() + "'");
  }
};

// The kernel's own table with a real filesystem: an ext2 image labelled "VRAN-3" mounted
// under a folder whose name has a space, while the watcher runs.
TEST(MountWatcher, RealLoopMountIsAddedWithItsLabelAndRemoved)
{
  if (!Shell("command -v mkfs.ext2"))
    GTEST_SKIP() << "mkfs.ext2 (e2fsprogs) is not installed";
  TempDir dir;
  const fs::path image = dir.path / "card.img";
  std::ofstream(image, std::ios::binary) << std::string(4 << 20, '\0');
  ASSERT_TRUE(Shell("mkfs.ext2 -q -F -L VRAN-3 '" + image.string() + "'"));
  LoopMount mount{dir.path / "media" / "VRAN-3 card"};
  fs::create_directories(mount.point);

  MountWatcher watcher(MountTable(MountTable::kDefaultMountInfo, MountTable::kDefaultByLabel));
  QSignalSpy added(&watcher, &MountWatcher::driveAdded);
  QSignalSpy removed(&watcher, &MountWatcher::driveRemoved);
  if (!mount.Mount(image))
    GTEST_SKIP() << "mounting a loop image is not permitted here (needs root and a free loop device)";

  const QString point = QString::fromStdString(mount.point.string());
  for (int i = 0; i < 30 && !Arguments(added).contains(point); ++i)
    added.wait(100);
  ASSERT_TRUE(Arguments(added).contains(point)) << "no drive-added for the mount";
  EXPECT_EQ(watcher.table().LabelOf(mount.point.string()), "VRAN-3");

  ASSERT_TRUE(mount.Unmount());
  for (int i = 0; i < 30 && !Arguments(removed).contains(point); ++i)
    removed.wait(100);
  EXPECT_TRUE(Arguments(removed).contains(point)) << "no drive-removed for the mount";
  EXPECT_EQ(watcher.table().LabelOf(mount.point.string()), std::nullopt);
}

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
