// Backup: the progress maths, and real copies between real folders, including copies that fail
// half-way.
#include "BackupJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Records what the copy loop does to the progress window.
struct RecordingObserver : BackupObserver {
  std::vector<std::string> calls;
  std::vector<int> positions;
  std::vector<std::string> texts;
  int maximum = -1;
  bool done_enabled = true;
  int failures = 0;
  int shown = 0;
  std::function<void(int)> on_show;  // a test's hook before each copy: 1 for the first file, …

  void EnableDone(bool enabled) override
  {
    done_enabled = enabled;
    calls.push_back(enabled ? "done on" : "done off");
  }
  void SetRange(int max) override { maximum = max; }
  void SetPosition(int position) override { positions.push_back(position); }
  void SetDisplayText(const std::string& text) override
  {
    texts.push_back(text);
  }
  void ShowProgress() override
  {
    if (on_show)
      on_show(++shown);
  }
  void BackupFailed() override
  {
    ++failures;
    calls.push_back("failed");
  }
};

std::string ReadAll(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& content)
{
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string Bytes(std::size_t size, unsigned seed)
{
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (char& c : data)
    c = static_cast<char>(random());
  return data;
}

std::vector<std::string> Entries(const fs::path& folder)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class BackupFiles : public ::testing::Test {
protected:
  void SetUp() override
  {
    root = fs::temp_directory_path() / ("tavro-backup-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    source = root / "card";
    target = root / "dest";
    fs::create_directories(source);
    fs::create_directories(target);
  }
  void TearDown() override
  {
    if (mounted)
      ::umount2(target.c_str(), MNT_DETACH);
    fs::remove_all(root);
  }
  // A small tmpfs over the destination, where the machine lets us mount one.
  bool MountSmallDestination(const char* options)
  {
    mounted = ::mount("tavro-backup-test", target.c_str(), "tmpfs", 0, options) == 0;
    return mounted;
  }

  fs::path root, source, target;
  bool mounted = false;
};

}  // namespace

TEST(BackupProgress, PercentagesOfThreeFiles)
{
  RecordingObserver observer;
  BackupJob job({{"a_N.mp4", "b_N.mp4", "c_N.mp4"}, "/src", "/dst", false}, observer);
  job.m_strBackupCurrentFile = "a_N.mp4";
  EXPECT_EQ(job.OnProgress(1000, 0), CopyProgress::Continue);
  EXPECT_EQ(observer.positions.back(), 0);
  EXPECT_EQ(job.OnProgress(1000, 500), CopyProgress::Continue);
  EXPECT_EQ(observer.positions.back(), 50);
  EXPECT_EQ(observer.texts.back(), "a_N.mp4,  16 %");
  EXPECT_EQ(job.OnProgress(1000, 1000), CopyProgress::Quiet);  // counted once, no more reports
  EXPECT_EQ(observer.positions.back(), 100);
  EXPECT_EQ(observer.texts.back(), "a_N.mp4,  33 %");
  EXPECT_EQ(job.m_nBackupDonePercent, 100);

  job.m_strBackupCurrentFile = "b_N.mp4";
  job.OnProgress(3, 1);
  EXPECT_EQ(observer.positions.back(), 133);
  EXPECT_EQ(observer.texts.back(), "b_N.mp4,  44 %");
}

TEST(BackupProgress, BarHoldsOneHundredStepsPerFileBeyond655Files)
{
  RecordingObserver observer;
  BackupJob job({std::vector<std::string>(1000, "missing_N.mp4"), "/nonexistent", "/tmp", false}, observer);
  EXPECT_EQ(job.Run(), 0);
  EXPECT_EQ(observer.maximum, 100000);
  job.m_nBackupDonePercent = 65500;
  job.m_strBackupCurrentFile = "x_N.mp4";
  job.OnProgress(2, 1);
  EXPECT_EQ(observer.positions.back(), 65550);
  EXPECT_EQ(observer.texts.back(), "x_N.mp4,  65 %");
}

TEST(BackupProgress, FilePercentTruncatesAndStaysInRange)
{
  const struct {
    std::uint64_t transferred, total;
    int percent;
  } cases[] = {
    {0, 1000, 0},   {9, 1000, 0},       {999, 1000, 99},  {1000, 1000, 100},
    {0, 0, 100},    // an empty file is complete at once
    {1200, 1000, 100},  // a file that grew while it was copied
    {3000000000ull, 6000000000ull, 50},  // beyond 32 bits
  };
  for (const auto& c : cases)
    EXPECT_EQ(BackupFilePercent(c.transferred, c.total), c.percent) << c.transferred << "/" << c.total;
}

TEST(BackupProgress, KindFolderComesFromTheSuffix)
{
  const struct {
    const char* name;
    const char* folder;
  } cases[] = {
    {"x_N.mp4", "ory_rec"}, {"x_N.avi", "ory_rec"}, {"x_E.mp4", "evt_rec"}, {"x_E.avi", "evt_rec"},
    {"x_U.mp4", "usr_rec"}, {"x_U.avi", "usr_rec"}, {"x_NOR.mp4", "NOR"},   {"x_EVT.mp4", "EVT"},
    {"x_DRO.mp4", "DSM"},   {"x_DIS.mp4", "DSM"},   {"x_PHO.mp4", "DSM"},   {"x_SMO.mp4", "DSM"},
    {"x_YAW.mp4", "DSM"},   {"N.mp4", "ory_rec"},   {"x_n.mp4", ""},        {"x_N.MP4", ""},
    {"x_N.mp4.bak", ""},    {"x_yaw.mp4", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BackupKindFolder(c.name), c.folder) << c.name;
}

TEST_F(BackupFiles, CopiesEveryFileByteForByte)
{
  const std::vector<std::string> names = {"a_N.mp4", "b_E.mp4", "c_U.avi", "empty_N.mp4"};
  const std::vector<std::string> contents = {Bytes(300000, 1), Bytes(65536, 2), Bytes(1, 3), ""};
  for (std::size_t i = 0; i < names.size(); ++i)
    WriteFile(source / names[i], contents[i]);

  RecordingObserver observer;
  BackupJob job({names, source, target, false}, observer, 4096);
  ASSERT_EQ(job.Run(), 1);
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(ReadAll(target / names[i]), contents[i]) << names[i];
  EXPECT_EQ(Entries(target), (std::vector<std::string>{"a_N.mp4", "b_E.mp4", "c_U.avi", "empty_N.mp4"}));
  EXPECT_EQ(observer.maximum, 400);
  EXPECT_EQ(observer.positions.back(), 400);
  EXPECT_EQ(observer.texts.back(), "empty_N.mp4,  100 %");
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"done off", "done on"}));
  EXPECT_EQ(observer.failures, 0);
}

TEST_F(BackupFiles, CardModeFindsEachSourceInItsKindFolder)
{
  // The folder follows the suffix, not the folder the list came from.
  WriteFile(source / "ory_rec" / "a_N.mp4", "normal");
  WriteFile(source / "evt_rec" / "b_E.mp4", "event");
  WriteFile(source / "DSM" / "c_YAW.mp4", "yawn");
  RecordingObserver observer;
  BackupJob job({{"a_N.mp4", "b_E.mp4", "c_YAW.mp4"}, source, target, true}, observer);
  ASSERT_EQ(job.Run(), 1);
  EXPECT_EQ(ReadAll(target / "a_N.mp4"), "normal");
  EXPECT_EQ(ReadAll(target / "b_E.mp4"), "event");
  EXPECT_EQ(ReadAll(target / "c_YAW.mp4"), "yawn");
}

TEST_F(BackupFiles, OverwritesAnExistingTargetAndAcceptsATrailingSlash)
{
  WriteFile(source / "a_N.mp4", "new content");
  WriteFile(target / "a_N.mp4", "an older and longer content");
  RecordingObserver observer;
  BackupJob job({{"a_N.mp4"}, source, fs::path(target.string() + "/"), false}, observer);
  ASSERT_EQ(job.Run(), 1);
  EXPECT_EQ(ReadAll(target / "a_N.mp4"), "new content");
  EXPECT_EQ(Entries(target), std::vector<std::string>{"a_N.mp4"});
}

TEST_F(BackupFiles, SecondOfThreeFailingStopsTheBackupWithoutAPartialFile)
{
  for (const char* name : {"a_N.mp4", "b_N.mp4", "c_N.mp4"})
    WriteFile(source / name, Bytes(50000, name[0]));
  // A folder stands where the second copy must go, so that target cannot be written.
  fs::create_directories(target / "b_N.mp4" / "keep");

  RecordingObserver observer;
  BackupJob job({{"a_N.mp4", "b_N.mp4", "c_N.mp4"}, source, target, false}, observer, 8192);
  EXPECT_EQ(job.Run(), 0);
  EXPECT_EQ(ReadAll(target / "a_N.mp4"), ReadAll(source / "a_N.mp4"));
  EXPECT_TRUE(fs::is_directory(target / "b_N.mp4"));
  EXPECT_FALSE(fs::exists(target / "c_N.mp4"));
  EXPECT_EQ(Entries(target), (std::vector<std::string>{"a_N.mp4", "b_N.mp4"}));  // no temporary left
  EXPECT_GT(observer.positions.back(), 100);  // the second copy had run, and failed at its end
  EXPECT_LT(observer.positions.back(), 200);  // so it is never counted as done
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"done off", "failed", "done on"}));
}

TEST_F(BackupFiles, MissingSourceFails)
{
  WriteFile(source / "a_N.mp4", "a");
  RecordingObserver observer;
  BackupJob job({{"a_N.mp4", "gone_N.mp4"}, source, target, false}, observer);
  EXPECT_EQ(job.Run(), 0);
  EXPECT_EQ(Entries(target), std::vector<std::string>{"a_N.mp4"});
  EXPECT_EQ(observer.failures, 1);
}

TEST_F(BackupFiles, DestinationFullHalfWayLeavesNoPartialFile)
{
  if (!MountSmallDestination("size=256k"))
    GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  WriteFile(source / "a_N.mp4", Bytes(100000, 1));
  WriteFile(source / "b_N.mp4", Bytes(400000, 2));  // does not fit in what is left
  WriteFile(source / "c_N.mp4", Bytes(1000, 3));
  WriteFile(target / "b_N.mp4", "previous backup");  // kept: the failed copy never replaces it

  RecordingObserver observer;
  BackupJob job({{"a_N.mp4", "b_N.mp4", "c_N.mp4"}, source, target, false}, observer, 16384);
  EXPECT_EQ(job.Run(), 0);
  EXPECT_EQ(ReadAll(target / "a_N.mp4"), ReadAll(source / "a_N.mp4"));
  EXPECT_EQ(ReadAll(target / "b_N.mp4"), "previous backup");
  EXPECT_EQ(Entries(target), (std::vector<std::string>{"a_N.mp4", "b_N.mp4"}));
  EXPECT_GT(observer.positions.back(), 100);  // the second copy had started writing
  EXPECT_LT(observer.positions.back(), 200);
  EXPECT_EQ(observer.failures, 1);
  EXPECT_TRUE(observer.done_enabled);
}

TEST_F(BackupFiles, DestinationTurnedReadOnlyMidwayFails)
{
  if (!MountSmallDestination("size=4m"))
    GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  for (const char* name : {"a_N.mp4", "b_N.mp4", "c_N.mp4"})
    WriteFile(source / name, Bytes(20000, name[0]));
  RecordingObserver observer;
  observer.on_show = [&](int file) {
    if (file == 2) {  // the first file is complete
      ASSERT_EQ(::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    }
  };
  BackupJob job({{"a_N.mp4", "b_N.mp4", "c_N.mp4"}, source, target, false}, observer);
  EXPECT_EQ(job.Run(), 0);
  EXPECT_EQ(Entries(target), std::vector<std::string>{"a_N.mp4"});
  EXPECT_EQ(ReadAll(target / "a_N.mp4"), ReadAll(source / "a_N.mp4"));
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"done off", "failed", "done on"}));
}
