// The whole program with a real card: a loop-mounted ext2 image labelled "VRAN-3" is mounted
// while the viewer runs; its recordings appear in the list, a double-click plays a row, Next
// moves on to the following row, two rows are backed up to a folder, and unmounting the card
// empties the list and stops the playback. Read back from screenshots of the test display.
// Afterwards the card holds the same bytes as before: the viewer never writes to it.
// Where mounting is not permitted the card folder is presented through a fixture mount table
// and label folder instead, and "unmounted" by taking it out of that table.
#include "CardWriter.h"
#include "RecordingGenerator.h"
#include "ViewerProcess.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using e2e::Click;
using e2e::Rect;
using e2e::Screenshot;
using e2e::Shell;
using e2e::WaitFor;

namespace {

int System(const std::string& command)
{
  return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string ReadAll(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixels of the list's row text colour, RGB(200, 200, 200), in one row band of the list.
int TextPixels(const QImage& shot, const Rect& list, int row)
{
  int count = 0;
  for (int y = list.y + row * 20; y < list.y + row * 20 + 20; ++y)
    for (int x = list.x; x < list.x + 249; ++x)
      if (QColor(shot.pixel(x, y)) == QColor(200, 200, 200))
        ++count;
  return count;
}

// Pixels of a row band that are neither the list's background nor its text: the highlight.
int HighlightPixels(const QImage& shot, const Rect& list, int row)
{
  int count = 0;
  for (int y = list.y + row * 20 + 2; y < list.y + row * 20 + 18; ++y)
    for (int x = list.x + 250; x < list.x + 260; ++x) {  // between the name and the size column
      const QColor c(shot.pixel(x, y));
      if (c != QColor(80, 80, 80) && c != QColor(200, 200, 200))
        ++count;
    }
  return count;
}

// Mean absolute difference between the same area of two screenshots.
double Difference(const QImage& a, const QImage& b, const Rect& r)
{
  double sum = 0;
  for (int y = r.y; y < r.y + r.h; y += 2)
    for (int x = r.x; x < r.x + r.w; x += 2) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / ((r.w / 2) * (r.h / 2));
}

class ListsEndToEnd : public ::testing::Test {
protected:
  void SetUp() override
  {
    dir_ = fs::temp_directory_path() / ("tavro-lists-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "backup");
    fs::create_directories(dir_ / "mnt");
    recgen::CardSpec card;
    for (int i = 0; i < 3; ++i) {
      recgen::CardFile file;
      file.code = recgen::FileCode::N;
      file.recording = recgen::ModelRecording(recgen::CardModel::Vran3);
      file.recording.durationSeconds = 30;
      file.name = recgen::RecordingFileName(recgen::TimeStamp(60 * i), recgen::FileCode::N);
      names_.push_back(file.name);
      card.files.push_back(file);
    }
    ASSERT_EQ(recgen::WriteCard(dir_ / "card", card), 0);
    const std::string image = (dir_ / "card.img").string();
    ASSERT_EQ(System("truncate -s 64M " + image + " && mkfs.ext2 -q -L VRAN-3 -d " + (dir_ / "card").string() + " " +
                     image),
              0)
      << "mkfs.ext2 failed";
  }

  void TearDown() override
  {
    viewer_.Kill();
    if (mounted_)
      ::umount2((dir_ / "mnt").c_str(), MNT_DETACH);
    fs::remove_all(dir_);
  }

  // Loop-mount the card image, or present the card folder through the fixture table.
  void InsertCard()
  {
    if (loop_) {
      // noatime: reading a file must not make the kernel stamp its access time; noinit_itable:
      // no background initialisation of the inode tables.
      ASSERT_EQ(System("mount -o loop,noatime,noinit_itable " + (dir_ / "card.img").string() + " " +
                       (dir_ / "mnt").string()),
                0);
      mounted_ = true;
    } else {
      WriteTable("900 1 0:99 / " + (dir_ / "card").string() + " rw,relatime - ext2 /dev/tavro-test-card rw\n");
    }
  }

  void RemoveCard()
  {
    if (loop_) {
      ASSERT_EQ(::umount2((dir_ / "mnt").c_str(), MNT_DETACH), 0);
      mounted_ = false;
    } else {
      WriteTable("");
    }
  }

  // What the card holds, as a checksum: the image's bytes outside the primary superblock
  // (1024-2047, where the kernel stamps mount time and state on every mount), or the card
  // folder's names, sizes, modification times and contents.
  std::string CardChecksum()
  {
    if (loop_) {
      const std::string image = (dir_ / "card.img").string();
      return Shell("{ head -c 1024 " + image + "; tail -c +2049 " + image + "; } | sha256sum");
    }
    return Shell("cd " + (dir_ / "card").string() +
                 " && find . -printf '%p %s %T@\\n' | sort | sha256sum && find . -type f | sort | xargs sha256sum");
  }

  // Ends the viewer and waits until the lazily unmounted card is really gone (its loop device
  // detached), so that nothing of the session can still reach the image.
  void EndSession()
  {
    EXPECT_TRUE(viewer_.Terminate(10s)) << "the viewer did not end on SIGTERM";
    if (loop_)
      WaitFor([&] { return Shell("losetup -j " + (dir_ / "card.img").string()).empty(); }, 10s);
  }

  // Replaces the fixture mount table in one step, as the watcher expects.
  void WriteTable(const std::string& text)
  {
    std::ofstream(dir_ / "mountinfo.new") << text;
    fs::rename(dir_ / "mountinfo.new", dir_ / "mountinfo");
  }

  void Start()
  {
    std::vector<std::string> env;
    if (!loop_) {
      WriteTable("");
      fs::create_directories(dir_ / "by-label");
      fs::create_symlink("/dev/tavro-test-card", dir_ / "by-label" / "VRAN-3");
      env.push_back("TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string());
      env.push_back("TAVRO_DISK_BY_LABEL=" + (dir_ / "by-label").string());
    }
    viewer_.Start({.program = TAVRO_VIEWER_BIN, .folder = dir_, .env = env});
  }

  fs::path dir_;
  std::vector<std::string> names_;
  e2e::ViewerProcess viewer_;
  bool loop_ = false;     // a real loop mount (else the fixture table)
  bool mounted_ = false;
};

}  // namespace

TEST_F(ListsEndToEnd, CardMountedWhileRunningIsListedPlayedSteppedBackedUpForgottenAndNeverWritten)
{
  // A loop device needs the mount privilege; without it the fixture table stands in.
  const fs::path probe = dir_ / "probe";
  fs::create_directories(probe);
  loop_ = ::mount("tavro-probe", probe.c_str(), "tmpfs", 0, "size=64k") == 0;
  if (loop_)
    ::umount2(probe.c_str(), MNT_DETACH);
  else
    std::fprintf(stderr, "mounting is not permitted here: the card comes through a fixture mount table\n");

  const std::string before = CardChecksum();
  ASSERT_NO_FATAL_FAILURE(Start());
  e2e::ShownWindow shown;
  ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &shown));
  const Rect win = shown.rect;
  const fs::path shots = fs::path(TAVRO_SCREENSHOT_DIR);
  const Rect list{win.x + 720, win.y + 364, 360, 281};
  const Rect front{win.x, win.y + 42, 720, 405};
  std::this_thread::sleep_for(500ms);
  const QImage idle = Screenshot(shots, "lists-idle");
  ASSERT_EQ(TextPixels(idle, list, 0), 0) << "the list is not empty before the card comes";

  // The card arrives.
  InsertCard();
  QImage shot;
  ASSERT_TRUE(WaitFor([&] {
    shot = Screenshot(shots, "lists-card");
    return TextPixels(shot, list, 2) > 0;
  }, 15s)) << "the card's three recordings never appeared in the list";
  EXPECT_EQ(TextPixels(shot, list, 3), 0);

  // A double-click on the first row plays it.
  Click(list.x + 100, list.y + 10, 1, "--repeat 2 --delay 60 ");
  ASSERT_TRUE(WaitFor([&] {
    shot = Screenshot(shots, "lists-playing");
    return Difference(shot, idle, front) > 10;
  }, 15s)) << "the front pane never showed the recording";
  EXPECT_GT(HighlightPixels(shot, list, 0), 0);

  // Next moves the highlight to the following row.
  Click(win.x + 377 + 19, win.y + 447 + 27 + 19);
  ASSERT_TRUE(WaitFor([&] {
    shot = Screenshot(shots, "lists-next");
    return HighlightPixels(shot, list, 1) > 0 && HighlightPixels(shot, list, 0) == 0;
  }, 10s)) << "Next did not move to the second row";

  // Back up rows 0 and 2: select them, right-click, Backup, type the folder.
  Click(list.x + 100, list.y + 10);
  Shell("xdotool keydown ctrl");
  Click(list.x + 100, list.y + 50);
  Shell("xdotool keyup ctrl");
  Click(list.x + 100, list.y + 30, 3);
  std::this_thread::sleep_for(500ms);
  Screenshot(shots, "lists-menu");
  Click(list.x + 100 + 20, list.y + 30 + 10);  // the menu's single item, just below the cursor
  std::this_thread::sleep_for(1500ms);
  Screenshot(shots, "lists-folder-dialog");
  Shell("xdotool type --delay 20 '" + (dir_ / "backup").string() + "'");
  Shell("xdotool key Return");
  ASSERT_TRUE(WaitFor([&] {
    return fs::exists(dir_ / "backup" / names_[0]) && fs::exists(dir_ / "backup" / names_[2]);
  }, 20s)) << "the backup did not arrive";
  Screenshot(shots, "lists-backup-done");
  EXPECT_EQ(ReadAll(dir_ / "backup" / names_[0]), ReadAll(dir_ / "card" / "ory_rec" / names_[0]));
  EXPECT_EQ(ReadAll(dir_ / "backup" / names_[2]), ReadAll(dir_ / "card" / "ory_rec" / names_[2]));
  EXPECT_FALSE(fs::exists(dir_ / "backup" / names_[1]));

  // The card goes away: the list empties and the playback stops.
  RemoveCard();
  ASSERT_TRUE(WaitFor([&] {
    shot = Screenshot(shots, "lists-removed");
    return TextPixels(shot, list, 0) == 0;
  }, 15s)) << "the list kept its rows after the card was removed";
  // The playback stops: the front pane settles (the placeholder comes back) and holds still.
  QImage settled = Screenshot(shots, "lists-stopped");
  EXPECT_TRUE(WaitFor([&] {
    std::this_thread::sleep_for(1000ms);
    const QImage later = Screenshot(shots, "lists-stopped-later");
    const bool still = Difference(settled, later, front) < 1.0;
    settled = later;
    return still;
  }, 15s)) << "the front pane still moves after the card was removed";

  EndSession();
  EXPECT_EQ(CardChecksum(), before) << "the viewer wrote to the card";
}
