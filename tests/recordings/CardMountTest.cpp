#include "CardFixture.h"
#include "MountWatcher.h"

#include <QCoreApplication>
#include <QTest>

#include <cstdlib>

namespace {

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

using CardMount = CardTest;

// The whole road on this platform: the kernel's mount table, the label probed on a loop
// device, the watcher's mount point handed to the card logic, and the card forgotten when
// it is unmounted.
TEST_F(CardMount, MountedCardIsAdoptedAndForgotten)
{
  if (!Shell("command -v mkfs.ext2"))
    GTEST_SKIP() << "mkfs.ext2 (e2fsprogs) is not installed";
  const fs::path tree = root / "tree";
  MakeFile(tree / "ory_rec" / "20240101_000000_N.mp4", 100);
  MakeFile(tree / "evt_rec" / "20240101_000100_E.mp4", 200);
  MakeFile(tree / "usr_rec" / "notes.txt", 1);
  const fs::path image = root / "card.img";
  std::ofstream(image, std::ios::binary) << std::string(4 << 20, '\0');
  ASSERT_TRUE(Shell("mkfs.ext2 -q -F -L VRAN-3 -d '" + tree.string() + "' '" + image.string() + "'"));
  const fs::path point = root / "media" / "VRAN-3";
  fs::create_directories(point);

  MountWatcher watcher(MountTable(MountTable::kDefaultMountInfo, MountTable::kDefaultByLabel));
  RecordingCards cards(state, host, watcher.table());
  // Other mounts may come and go meanwhile; only this card's events are passed on.
  const QString ours = QString::fromStdString(point.string());
  QObject::connect(&watcher, &MountWatcher::driveAdded, [&](const QString& p) {
    if (p == ours)
      cards.OnCardChange(RecordingCards::kDriveAdded, p.toStdString());
  });
  QObject::connect(&watcher, &MountWatcher::driveRemoved, [&](const QString& p) {
    if (p == ours)
      cards.OnCardChange(RecordingCards::kDriveRemoved, p.toStdString());
  });

  if (!Shell("mount -o loop,ro '" + image.string() + "' '" + point.string() + "'"))
    GTEST_SKIP() << "mounting a loop image is not permitted here (needs root and a free loop device)";
  struct Unmount {
    std::string point;
    bool done = false;
    ~Unmount()
    {
      if (!done)
        Shell("umount -l '" + point + "'");
    }
  } guard{point.string()};

  for (int i = 0; i < 30 && !state.m_bCardPresent; ++i)
    QTest::qWait(100);
  ASSERT_TRUE(state.m_bCardPresent) << "the mounted card was not adopted";
  EXPECT_EQ(state.m_strCardRoot, point.string());
  EXPECT_EQ(state.card_mode, 1);
  EXPECT_EQ(state.m_recordings[Normal], (std::vector<FileInfo>{{"20240101_000000_N.mp4", 100}}));
  EXPECT_EQ(state.m_recordings[Event], (std::vector<FileInfo>{{"20240101_000100_E.mp4", 200}}));

  ASSERT_TRUE(Shell("umount '" + point.string() + "'"));
  guard.done = true;
  for (int i = 0; i < 30 && state.m_bCardPresent; ++i)
    QTest::qWait(100);
  EXPECT_FALSE(state.m_bCardPresent);
  EXPECT_TRUE(state.m_recordings[Normal].empty());
}

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
