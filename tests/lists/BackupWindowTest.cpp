// The backup window with real copies: bar, text, Done, the failure message, one backup at a time.
#include "CBackupProgress.h"
#include "CNoFlickerStatic.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class BackupWindow : public ::testing::Test {
protected:
  void SetUp() override
  {
    root = fs::temp_directory_path() /
           ("tavro-lists-window-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "src");
    fs::create_directories(root / "dst");
    for (const char* name : {"a_N.mp4", "b_N.mp4", "c_N.mp4"})
      std::ofstream(root / "src" / name) << std::string(100000, name[0]);
  }
  void TearDown() override { fs::remove_all(root); }

  BackupRequest Request() const { return {{"a_N.mp4", "b_N.mp4", "c_N.mp4"}, root / "src", root / "dst", false}; }

  fs::path root;
  QWidget owner;
};

}  // namespace

TEST_F(BackupWindow, ShowsProgressAndEnablesDoneAtTheEnd)
{
  CBackupProgress window(&owner);
  EXPECT_EQ(window.windowTitle(), "Backup");
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.doneButton()->text(), "Done");

  QSignalSpy finished(&window, &CBackupProgress::backupFinished);
  ASSERT_TRUE(window.StartBackup(Request()));
  // While it runs the window cannot be closed and a second backup is refused.
  EXPECT_TRUE(window.IsBackupRunning());
  EXPECT_FALSE(window.StartBackup(Request()));
  window.reject();
  window.close();
  EXPECT_TRUE(window.isVisible());

  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
  EXPECT_FALSE(window.IsBackupRunning());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.progressBar()->maximum(), 300);
  EXPECT_EQ(window.progressBar()->value(), 300);
  EXPECT_EQ(window.textLine()->DisplayText(), "c_N.mp4,  100 %");
  EXPECT_TRUE(window.doneButton()->isEnabled());
  for (const char* name : {"a_N.mp4", "b_N.mp4", "c_N.mp4"})
    EXPECT_EQ(fs::file_size(root / "dst" / name), 100000u);

  QTest::mouseClick(window.doneButton(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.progressBar()->value(), 300);  // kept until the next backup
}

TEST_F(BackupWindow, FailureShowsTheMessageAndEnablesDone)
{
  fs::create_directories(root / "dst" / "b_N.mp4" / "in-the-way");
  CBackupProgress window(&owner);
  QSignalSpy finished(&window, &CBackupProgress::backupFinished);
  ASSERT_TRUE(window.StartBackup(Request()));
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(finished.at(0).at(0).toInt(), 0);

  const auto boxes = window.findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0]->text(), "Backup Fail!!!!");
  EXPECT_TRUE(boxes[0]->isVisible());
  EXPECT_TRUE(window.doneButton()->isEnabled());
  EXPECT_GE(window.progressBar()->value(), 100);  // the first file is complete, not the second
  EXPECT_LT(window.progressBar()->value(), 200);
  EXPECT_TRUE(fs::is_regular_file(root / "dst" / "a_N.mp4"));
  EXPECT_FALSE(fs::exists(root / "dst" / "c_N.mp4"));
  boxes[0]->accept();

  // The next backup may start once this one has ended.
  fs::remove_all(root / "dst" / "b_N.mp4");
  ASSERT_TRUE(window.StartBackup(Request()));
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(finished.at(1).at(0).toInt(), 1);
}

TEST_F(BackupWindow, ClosingTheViewerDuringABackupLeavesNoPartialFile)
{
  // Big enough that the copy is still running when the window goes away.
  {
    std::ofstream big(root / "src" / "big_N.mp4", std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 64; ++i)
      big << block;
  }
  {
    CBackupProgress window(&owner);
    ASSERT_TRUE(window.StartBackup({{"big_N.mp4"}, root / "src", root / "dst", false}));
  }
  // The copy was abandoned at once: neither the target nor its temporary file is left.
  EXPECT_TRUE(fs::is_empty(root / "dst"));
}
