#include "MountTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A scratch folder removed at the end of the test.
struct TempDir {
  fs::path path;
  TempDir()
  {
    std::string pattern = (fs::temp_directory_path() / "mounts-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

void WriteFile(const fs::path& file, const std::string& text)
{
  std::ofstream(file, std::ios::binary) << text;
}

// One mountinfo line with the kernel's layout.
std::string Line(int id, const std::string& escaped_point, const std::string& source, const std::string& fstype = "ext2")
{
  return std::to_string(id) + " 26 7:0 / " + escaped_point + " rw,relatime shared:12 - " + fstype + " " + source +
         " rw\n";
}

bool HaveMkfsExt2() { return std::system("command -v mkfs.ext2 >/dev/null 2>&1") == 0; }

}  // namespace

TEST(MountTable, ParsesKernelLines)
{
  struct Case {
    const char* line;
    bool valid;
    int id;
    const char* point;
    const char* fstype;
    const char* source;
  };
  const Case cases[] = {
      {"26 1 254:0 / / rw,relatime - ext4 /dev/vda rw", true, 26, "/", "ext4", "/dev/vda"},
      // optional fields before the separator
      {"44 26 7:0 / /media/u/VRAN-3 rw shared:1 master:2 - vfat /dev/sdb1 rw", true, 44, "/media/u/VRAN-3", "vfat",
       "/dev/sdb1"},
      // no optional field at all
      {"45 26 7:0 / /mnt rw - ext2 /dev/loop1 rw", true, 45, "/mnt", "ext2", "/dev/loop1"},
      // the kernel's octal escapes in mount point and source
      {"46 26 7:0 / /media/u/my\\040card\\011x\\134y\\012z rw - ext2 /dev/a\\040b rw", true, 46,
       "/media/u/my card\tx\\y\nz", "ext2", "/dev/a b"},
      // an escape cut short at the end stays as it is
      {"47 26 7:0 / /mnt/a\\04 rw - ext2 /dev/x rw", true, 47, "/mnt/a\\04", "ext2", "/dev/x"},
      // an empty source is an empty field, not a reason to shift the fields
      {"48 26 0:50 / /run/x rw - tmpfs  rw", true, 48, "/run/x", "tmpfs", ""},
      {"", false, 0, "", "", ""},
      {"49 26 7:0 / /mnt rw ext2 /dev/x rw", false, 0, "", "", ""},   // no separator
      {"x 26 7:0 / /mnt rw - ext2 /dev/x rw", false, 0, "", "", ""},  // id not a number
      {"50 26 7:0 / /mnt rw shared:1 -", false, 0, "", "", ""},      // nothing after the separator
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto entry = MountTable::ParseLine(c.line);
    ASSERT_EQ(entry.has_value(), c.valid);
    if (!c.valid)
      continue;
    EXPECT_EQ(entry->mount_id, c.id);
    EXPECT_EQ(entry->mount_point, c.point);
    EXPECT_EQ(entry->source, c.source);
    EXPECT_EQ(entry->fstype, c.fstype);
  }
}

TEST(MountTable, ReadKeepsTableOrderAndSkipsBadLines)
{
  TempDir dir;
  const fs::path table = dir.path / "mountinfo";
  WriteFile(table, Line(30, "/media/u/VRAN-3", "/dev/sdc1") + "garbage line\n" + Line(20, "/", "/dev/vda", "ext4") +
                       Line(25, "/media/u/B\\040C", "/dev/sdb1"));
  auto entries = MountTable(table.string(), (dir.path / "none").string()).Read();
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[0].mount_point, "/media/u/VRAN-3");
  EXPECT_EQ((*entries)[1].mount_point, "/");
  EXPECT_EQ((*entries)[2].mount_point, "/media/u/B C");

  EXPECT_FALSE(MountTable((dir.path / "missing").string(), dir.path.string()).Read());
  WriteFile(table, "");
  auto empty = MountTable(table.string(), dir.path.string()).Read();
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

TEST(MountTable, ReadsTheRealKernelTable)
{
  auto entries = MountTable(MountTable::kDefaultMountInfo, MountTable::kDefaultByLabel).Read();
  ASSERT_TRUE(entries);
  bool has_root = false;
  for (const MountEntry& e : *entries)
    has_root = has_root || e.mount_point == "/";
  EXPECT_TRUE(has_root);
}

// Label links name the device they point at; relative and absolute targets, udev's
// escapes in the link name, and device paths spelled differently all have to match.
TEST(MountTable, LabelFromLabelLinks)
{
  TempDir dir;
  fs::create_directories(dir.path / "dev");
  fs::create_directories(dir.path / "by-label");
  WriteFile(dir.path / "dev" / "sdb1", "");
  WriteFile(dir.path / "dev" / "sdc1", "");
  WriteFile(dir.path / "dev" / "sdd1", "");
  fs::create_symlink("../dev/sdb1", dir.path / "by-label" / "VRAN-3");
  fs::create_symlink(dir.path / "dev" / "sdc1", dir.path / "by-label" / "My\\x20Card");
  MountTable table((dir.path / "mountinfo").string(), (dir.path / "by-label").string());

  struct Case {
    std::string source;
    std::optional<std::string> label;
  };
  const Case cases[] = {
      {(dir.path / "dev" / "sdb1").string(), "VRAN-3"},
      {(dir.path / "dev" / "." / ".." / "dev" / "sdb1").string(), "VRAN-3"},
      {(dir.path / "dev" / "sdc1").string(), "My Card"},
      {(dir.path / "dev" / "sdd1").string(), std::nullopt},  // no link, nothing on the device
      {(dir.path / "dev" / "gone").string(), std::nullopt},
      {"proc", std::nullopt},
      {"server:/export", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    MountEntry entry;
    entry.source = c.source;
    EXPECT_EQ(table.Label(entry), c.label);
  }
}

// Without a label link the device itself is probed: here an ext2 image file.
TEST(MountTable, LabelProbedOnTheDevice)
{
  if (!HaveMkfsExt2())
    GTEST_SKIP() << "mkfs.ext2 (e2fsprogs) is not installed";
  TempDir dir;
  const fs::path image = dir.path / "card.img";
  const fs::path blank = dir.path / "blank.img";
  WriteFile(blank, std::string(1 << 20, '\0'));
  fs::copy_file(blank, image);
  ASSERT_EQ(std::system(("mkfs.ext2 -q -F -L VRAN-2X '" + image.string() + "' >/dev/null 2>&1").c_str()), 0);

  MountTable table((dir.path / "mountinfo").string(), (dir.path / "no-such-folder").string());
  MountEntry entry;
  entry.source = image.string();
  EXPECT_EQ(table.Label(entry), "VRAN-2X");
  entry.source = blank.string();
  EXPECT_EQ(table.Label(entry), std::nullopt);
}

TEST(MountTable, LabelOfTakesTheMountOnTop)
{
  TempDir dir;
  fs::create_directories(dir.path / "dev");
  fs::create_directories(dir.path / "by-label");
  for (const char* name : {"a", "b"}) {
    WriteFile(dir.path / "dev" / name, "");
    fs::create_symlink(dir.path / "dev" / name, dir.path / "by-label" / (std::string("label-") + name));
  }
  const std::string dev = (dir.path / "dev").string();
  WriteFile(dir.path / "mountinfo", Line(40, "/media/card", dev + "/a") + Line(41, "/media/other", dev + "/b") +
                                         Line(42, "/media/card", dev + "/b"));
  MountTable table((dir.path / "mountinfo").string(), (dir.path / "by-label").string());
  EXPECT_EQ(table.LabelOf("/media/card"), "label-b");
  EXPECT_EQ(table.LabelOf("/media/other"), "label-b");
  EXPECT_EQ(table.LabelOf("/media/card/"), std::nullopt);
  EXPECT_EQ(table.LabelOf("/media/nothing"), std::nullopt);
}

TEST(MountTable, PathsFromArgumentsThenEnvironmentThenDefaults)
{
  unsetenv("TAVRO_MOUNTINFO");
  unsetenv("TAVRO_DISK_BY_LABEL");
  EXPECT_EQ(MountTable().mountinfo_path(), "/proc/self/mountinfo");
  EXPECT_EQ(MountTable().by_label_dir(), "/dev/disk/by-label");

  setenv("TAVRO_MOUNTINFO", "/tmp/fixture-mountinfo", 1);
  setenv("TAVRO_DISK_BY_LABEL", "/tmp/fixture-by-label", 1);
  EXPECT_EQ(MountTable().mountinfo_path(), "/tmp/fixture-mountinfo");
  EXPECT_EQ(MountTable().by_label_dir(), "/tmp/fixture-by-label");
  EXPECT_EQ(MountTable("/a", "/b").mountinfo_path(), "/a");
  EXPECT_EQ(MountTable("/a", "/b").by_label_dir(), "/b");
  unsetenv("TAVRO_MOUNTINFO");
  unsetenv("TAVRO_DISK_BY_LABEL");
}
