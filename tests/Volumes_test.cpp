// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Volumes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/CodePage.h"

namespace {

using platform::kDeviceArrival;
using platform::kDeviceRemoval;
using platform::MountWatcher;
using Change = MountWatcher::Change;
using Roots = std::vector<std::string>;

// One /proc/self/mountinfo line; optional fields (shared:N, master:N) go before the "-".
std::string MountLine(int id, const std::string& mountPoint, const std::string& type,
                      const std::string& optional = "") {
  return std::to_string(id) + " 1 8:" + std::to_string(id) + " / " + mountPoint + " rw,relatime " +
         (optional.empty() ? "" : optional + " ") + "- " + type + " /dev/x" + std::to_string(id) + " rw\n";
}

// Clears the extra roots around each test that sets them.
class ExtraRootsReset : public ::testing::Test {
protected:
  ~ExtraRootsReset() override { platform::SetExtraRoots({}); }
};

TEST(ParseMountInfo, KeepsDisksAndLeavesOutPseudoFileSystems) {
  const std::string text = MountLine(22, "/", "ext4", "shared:1") + MountLine(23, "/proc", "proc") +
                           MountLine(24, "/sys", "sysfs") + MountLine(25, "/sys/fs/cgroup", "cgroup2") +
                           MountLine(26, "/dev", "devtmpfs") + MountLine(27, "/dev/pts", "devpts") +
                           MountLine(28, "/run", "tmpfs") + MountLine(29, "/dev/mqueue", "mqueue") +
                           MountLine(90, "/media/user/IPOD", "vfat", "shared:50 master:3") +
                           MountLine(91, "/media/user/NTFS", "fuseblk");
  const std::vector<platform::MountEntry> entries = platform::ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].mountId, 22);
  EXPECT_EQ(entries[0].root, "/");
  EXPECT_EQ(entries[0].fsType, "ext4");
  EXPECT_EQ(entries[1].root, "/media/user/IPOD/");
  EXPECT_EQ(entries[1].fsType, "vfat");
  EXPECT_EQ(entries[2].root, "/media/user/NTFS/");
  EXPECT_TRUE(platform::IsPseudoFileSystem("cgroup"));
  EXPECT_FALSE(platform::IsPseudoFileSystem("hfsplus"));
}

TEST(ParseMountInfo, DecodesEscapesAndKeepsTheSystemBytes) {
  const std::string text = MountLine(1, "/media/My\\040Disk", "exfat") + MountLine(2, "/mnt/back\\134slash", "ext4") +
                           MountLine(3, "/mnt/a\\0401", "ext4") + MountLine(4, "/mnt/tab\\011x\\012y", "ext4") +
                           MountLine(5, "/mnt/not\\08escape", "ext4") + MountLine(6, "/media/歌詞", "vfat") +
                           MountLine(7, "/media/\xF0\x9F\x98\x80", "vfat") +  // no code page 932 form
                           MountLine(8, "/media/me/Zoë's\\040iPod", "vfat");
  Roots roots;
  for (const auto& entry : platform::ParseMountInfo(text)) roots.push_back(entry.root);
  EXPECT_EQ(roots, (Roots{"/media/My Disk/", "/mnt/back\\slash/", "/mnt/a 1/", "/mnt/tab\tx\ny/",
                          "/mnt/not\\08escape/", "/media/歌詞/", "/media/\xF0\x9F\x98\x80/", "/media/me/Zoë's iPod/"}));
}

TEST(ParseMountInfo, SkipsMalformedLines) {
  const std::string text = std::string("garbage\n\n") +
                           "97 22 8:1 / /no-separator rw shared:1 ext4 /dev/sda1 rw\n" +
                           "x 22 8:1 / /bad-id rw - ext4 /dev/sda1 rw\n" +
                           "98 22 8:1 / relative rw - ext4 /dev/x rw\n" +
                           "99 22 8:1 / /no-type rw -\n" + MountLine(5, "/good", "ext4") +
                           "100 22 8:1 / /last-line-without-end rw - ext4 /dev/y rw";
  Roots roots;
  for (const auto& entry : platform::ParseMountInfo(text)) roots.push_back(entry.root);
  EXPECT_EQ(roots, (Roots{"/good/", "/last-line-without-end/"}));
}

TEST_F(ExtraRootsReset, VolumeRootsAreSortedByBytesWithoutDuplicates) {
  const std::string text = MountLine(5, "/srv/bind", "ext4") + MountLine(6, "/srv/bind", "ext4") +
                           MountLine(7, "/media/歌", "vfat") + MountLine(8, "/media/user/IPOD", "vfat") +
                           MountLine(9, "/", "ext4") + MountLine(10, "/Media", "ext4");
  // Byte order: "/M" < "/m", and "/media/u" (0x75) < "/media/" + the UTF-8 lead byte 0xE6.
  EXPECT_EQ(platform::VolumeRoots(text, {"/tmp/player", "/media/user/IPOD/", ""}),
            (Roots{"/", "/Media/", "/media/user/IPOD/", "/media/歌/", "/srv/bind/",
                   "/tmp/player/"}));
  EXPECT_EQ(platform::VolumeRoots("", {}), Roots{});
}

TEST(PlayerArguments, EveryPlayerOptionWithATrailingSlash) {
  std::vector<std::string> args = {"lyrimate", "--player", "/media/a", "--data-dir", "/d", "--player=/b/",
                                   "--player", "rel", "--player"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(platform::PlayerArguments(static_cast<int>(argv.size()), argv.data()),
            (Roots{"/media/a/", "/b/", platform::Utf8ToCp932(std::string(cwd) + "/rel/")}));
}

// A watcher over a mount table text the test changes between checks.
struct FakeTable {
  std::optional<std::string> text;
  MountWatcher::MountTableSource Source() {
    return [this] { return text; };
  }
};

TEST_F(ExtraRootsReset, WatcherReportsArrivalsAndRemovals) {
  FakeTable table{MountLine(1, "/", "ext4") + MountLine(2, "/proc", "proc")};
  MountWatcher watcher(table.Source());
  EXPECT_EQ(watcher.Fd(), -1);
  EXPECT_FALSE(watcher.WaitForSignal(0));
  EXPECT_EQ(watcher.Volumes(), Roots{"/"});
  EXPECT_TRUE(watcher.Check().empty());

  *table.text += MountLine(3, "/media/IPOD", "vfat") + MountLine(4, "/run/user/0", "tmpfs");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceArrival, "/media/IPOD/"}}));
  EXPECT_EQ(watcher.Volumes(), (Roots{"/", "/media/IPOD/"}));
  EXPECT_TRUE(watcher.Check().empty());

  // One stick pulled and another plugged between two checks: the removal comes first.
  table.text = MountLine(1, "/", "ext4") + MountLine(5, "/media/STICK", "vfat");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceRemoval, "/media/IPOD/"}, {kDeviceArrival, "/media/STICK/"}}));

  // Another medium at the same mount point is a new volume.
  table.text = MountLine(1, "/", "ext4") + MountLine(6, "/media/STICK", "vfat");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceRemoval, "/media/STICK/"}, {kDeviceArrival, "/media/STICK/"}}));

  table.text = MountLine(1, "/", "ext4");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceRemoval, "/media/STICK/"}}));
}

TEST_F(ExtraRootsReset, WatcherKeepsItsListWhenTheTableCannotBeRead) {
  FakeTable table{MountLine(1, "/", "ext4") + MountLine(2, "/media/IPOD", "vfat")};
  MountWatcher watcher(table.Source());
  table.text.reset();
  EXPECT_TRUE(watcher.Check().empty());
  EXPECT_EQ(watcher.Volumes(), (Roots{"/", "/media/IPOD/"}));
  table.text = MountLine(1, "/", "ext4");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceRemoval, "/media/IPOD/"}}));
}

TEST_F(ExtraRootsReset, WatcherListsExtraRootsWithoutReportingThem) {
  platform::SetExtraRoots({"/tmp/fake-player"});
  FakeTable table{MountLine(1, "/", "ext4")};
  MountWatcher watcher(table.Source());
  EXPECT_EQ(watcher.Volumes(), (Roots{"/", "/tmp/fake-player/"}));
  EXPECT_TRUE(watcher.Check().empty());
  // A disk mounted on the extra root's folder is still an arrival.
  *table.text += MountLine(9, "/tmp/fake-player", "vfat");
  EXPECT_EQ(watcher.Check(), (std::vector<Change>{{kDeviceArrival, "/tmp/fake-player/"}}));
  EXPECT_EQ(watcher.Volumes(), (Roots{"/", "/tmp/fake-player/"}));
}

TEST_F(ExtraRootsReset, TheRealMountTable) {
  ASSERT_TRUE(platform::ReadMountInfo().has_value());
  platform::SetExtraRoots({"/tmp/extra"});
  const Roots roots = platform::CurrentVolumes();
  EXPECT_NE(std::find(roots.begin(), roots.end(), "/tmp/extra/"), roots.end());
  for (const std::string& root : roots) {
    EXPECT_EQ(root.back(), '/');
    EXPECT_NE(root.rfind("/proc/", 0), 0u) << root;
  }
  MountWatcher watcher;
  EXPECT_GE(watcher.Fd(), 0);
  EXPECT_EQ(watcher.Volumes(), roots);
  // Nothing mounts or unmounts during the test.
  EXPECT_FALSE(watcher.WaitForSignal(0));
  EXPECT_TRUE(watcher.Check().empty());
}

}  // namespace
