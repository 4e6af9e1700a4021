// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PlayerDetect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "FakeFeedback.h"
#include "library/NotesWriter.h"
#include "PlayerSupport.h"
#include "platform/CodePage.h"
#include "platform/Volumes.h"

namespace {

using library::ConnectPlayer;
using library::DeviceChange;
using library::FindPlayerDrive;
using library::HasSysInfo;
using library::MainState;
using library::Timer1Timer;
using platform::Sjis;
using testing_support::FakeFeedback;
using testing_support::MakePlayer;
using testing_support::TempDir;

const char* const kChanged = "デバイスに変更がありました。";
const char* const kNotRecognised = "iPodが認識されていません。";

// Volumes below a temporary folder; a volume with a marker is a player. Roots are the
// system's bytes and end with "/", as the volume list gives them.
class Volumes {
public:
  // name is UTF-8.
  std::string Add(const std::string& name, bool player) {
    const std::filesystem::path path = dir_.path() / name;
    std::filesystem::create_directories(path);
    if (player) MakePlayer(path);
    return path.string() + "/";
  }
  const std::filesystem::path& path() const { return dir_.path(); }

private:
  TempDir dir_;
};

std::string FoundText(const std::string& root) { return "iPodは " + root + " にありました。"; }

class Detection : public ::testing::Test {
protected:
  Detection() : state(dataDir.path().string() + "/") {
    state.Volumes = [this] {
      ++searches;
      return volumeList;
    };
  }

  TempDir dataDir;
  MainState state;
  Volumes volumes;
  std::vector<std::string> volumeList;
  int searches = 0;
  FakeFeedback ui;
};

TEST(HasSysInfo, OnlyTheMarkerFileCounts) {
  Volumes volumes;
  EXPECT_TRUE(HasSysInfo(volumes.Add("player", true)));
  EXPECT_FALSE(HasSysInfo(volumes.Add("stick", false)));
  const std::string folderMarker = volumes.Add("odd", false);
  std::filesystem::create_directories(volumes.path() / "odd" / "iPod_Control" / "Device" / "SysInfo");
  EXPECT_FALSE(HasSysInfo(folderMarker));
  EXPECT_FALSE(HasSysInfo(volumes.Add("missing", false) + "gone/"));
}

TEST(FindPlayerDrive, TheLastMarkerVolumeWins) {
  Volumes volumes;
  const std::string a = volumes.Add("a", true);
  const std::string b = volumes.Add("b", true);
  const std::string c = volumes.Add("c", false);
  EXPECT_EQ(FindPlayerDrive(std::vector<std::string>{a, b, c}), b);
  EXPECT_EQ(FindPlayerDrive(std::vector<std::string>{a, c}), a);
  EXPECT_EQ(FindPlayerDrive(std::vector<std::string>{c}), "");
  EXPECT_EQ(FindPlayerDrive(std::vector<std::string>{}), "");
}

TEST_F(Detection, ConnectFindsThePlayerAndSaysWhere) {
  volumeList = {volumes.Add("e", true), volumes.Add("f", false)};
  ConnectPlayer(state, ui);
  EXPECT_TRUE(state.Connected);
  EXPECT_EQ(state.DriveRoot, volumeList[0]);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"status:" + std::string(kChanged), "process",
                                                 "status:" + FoundText(volumeList[0])}));
}

TEST_F(Detection, ConnectWithoutAPlayer) {
  volumeList = {volumes.Add("f", false)};
  ConnectPlayer(state, ui);
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(state.DriveRoot, "");
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kChanged, kNotRecognised}));
}

TEST_F(Detection, ConnectDoesNothingWhileAPlayerIsKnown) {
  volumeList = {volumes.Add("e", true)};
  ConnectPlayer(state, ui);
  // The player moves without a removal: the old root stays until an arrival.
  volumeList = {volumes.Add("g", true)};
  ui.statuses.clear();
  ConnectPlayer(state, ui);
  EXPECT_EQ(searches, 1);
  EXPECT_TRUE(ui.statuses.empty());
  EXPECT_EQ(state.DriveRoot, (volumes.path() / "e").string() + "/");
}

TEST_F(Detection, ARootIsKeptAsTheSystemGaveIt) {
  volumeList = {volumes.Add("ソフト", true)};
  ConnectPlayer(state, ui);
  EXPECT_EQ(state.DriveRoot, volumeList[0]);
  // A root the code page cannot hold is recognised at its exact path.
  state.DriveRoot.clear();
  volumeList = {volumes.Add("Zoë's iPod", true)};
  ConnectPlayer(state, ui);
  EXPECT_EQ(state.DriveRoot, volumeList[0]);
  EXPECT_EQ(state.Connected, true);
}

TEST_F(Detection, ArrivalWhileNotConnected) {
  volumeList = {volumes.Add("e", true), volumes.Add("g", true)};
  DeviceChange(state, ui, platform::kDeviceArrival);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kChanged, FoundText(volumeList[1])}));
  EXPECT_EQ(ui.processed, 0);
  EXPECT_TRUE(state.Connected);
  EXPECT_EQ(state.DriveRoot, volumeList[1]);
}

TEST_F(Detection, ArrivalWhileConnectedSearchesAgainAndReplacesTheRoot) {
  volumeList = {volumes.Add("e", true)};
  ConnectPlayer(state, ui);
  volumeList.push_back(volumes.Add("g", true));
  ui.statuses.clear();
  DeviceChange(state, ui, 0x8000);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{FoundText(volumeList[1])}));
  EXPECT_EQ(state.DriveRoot, volumeList[1]);
  EXPECT_TRUE(state.Connected);
}

TEST_F(Detection, ArrivalWithoutAMarkerChangesNoState) {
  volumeList = {volumes.Add("e", true)};
  ConnectPlayer(state, ui);
  const std::string root = state.DriveRoot;
  volumeList = {volumes.Add("f", false)};
  ui.statuses.clear();
  DeviceChange(state, ui, platform::kDeviceArrival);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kNotRecognised}));
  EXPECT_EQ(state.DriveRoot, root);
  EXPECT_TRUE(state.Connected);
}

// How a connected player can stop being one; each is a removal of the player itself.
struct PlayerGoing {
  const char* what;
  std::function<void(const std::filesystem::path&)> go;
};

TEST_F(Detection, ARemovalForgetsThePlayerOnlyWhenItsRootIsNoLongerThatPlayer) {
  const PlayerGoing goings[] = {
      {"the marker is gone", [](const std::filesystem::path& root) { std::filesystem::remove_all(root / "iPod_Control"); }},
      {"the root is gone", [](const std::filesystem::path& root) { std::filesystem::remove_all(root); }},
      {"another folder with a marker took its place",
       [](const std::filesystem::path& root) {
         std::filesystem::rename(root, root.string() + ".old");
         MakePlayer(root);
       }},
  };
  for (const PlayerGoing& going : goings) {
    SCOPED_TRACE(going.what);
    const std::string name = std::string("p") + std::to_string(&going - goings);
    volumeList = {volumes.Add(name, true), volumes.Add(name + "-stick", false)};
    state.DriveRoot.clear();
    ConnectPlayer(state, ui);
    ASSERT_TRUE(state.Connected);

    // An unrelated file system went: nothing changes and nothing is said.
    ui.statuses.clear();
    DeviceChange(state, ui, platform::kDeviceRemoval);
    EXPECT_TRUE(ui.statuses.empty());
    EXPECT_TRUE(state.Connected);
    EXPECT_EQ(state.DriveRoot, volumeList[0]);

    going.go(volumes.path() / name);
    DeviceChange(state, ui, platform::kDeviceRemoval);
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{kNotRecognised}));
    EXPECT_EQ(state.DriveRoot, "");
    EXPECT_FALSE(state.Connected);
    EXPECT_FALSE(state.DriveIdentity);
  }
  // Not connected: a removal first shows the change, as any notification does.
  ui.statuses.clear();
  DeviceChange(state, ui, platform::kDeviceRemoval);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kChanged, kNotRecognised}));
}

TEST_F(Detection, ARootNotFoundBySearchingCannotBeVouchedForAndIsForgotten) {
  // Set from outside the search, the root has no identity to compare with.
  state.DriveRoot = volumes.Add("e", true);
  state.Connected = true;
  DeviceChange(state, ui, platform::kDeviceRemoval);
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(state.DriveRoot, "");
}

// A mount table the test edits, read by a watcher and by the search, as the application
// wires them.
TEST_F(Detection, AnUnrelatedUnmountKeepsTheConnectionAndThePlayersOwnRemovalDropsIt) {
  const std::string player = volumes.Add("IPOD", true);
  const std::string stick = volumes.Add("STICK", false);
  auto line = [](int id, const std::string& root) {
    return std::to_string(id) + " 1 8:" + std::to_string(id) + " / " + root + " rw - vfat /dev/sd" +
           std::to_string(id) + " rw\n";
  };
  std::string mounts = line(1, "/") + line(2, player) + line(3, stick);
  platform::MountWatcher watcher([&] { return std::optional<std::string>(mounts); });
  state.Volumes = [&] { return platform::VolumeRoots(mounts, {}); };
  auto follow = [&] {
    for (const platform::MountWatcher::Change& change : watcher.Check()) DeviceChange(state, ui, change.code);
  };
  ConnectPlayer(state, ui);
  ASSERT_EQ(state.DriveRoot, player);

  ui.statuses.clear();
  mounts = line(1, "/") + line(2, player);
  follow();
  EXPECT_TRUE(state.Connected);
  EXPECT_EQ(state.DriveRoot, player);
  EXPECT_TRUE(ui.statuses.empty());

  // The player is unmounted: its mount point stays behind as an empty folder.
  std::filesystem::remove_all(volumes.path() / "IPOD" / "iPod_Control");
  mounts = line(1, "/");
  follow();
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(state.DriveRoot, "");
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kNotRecognised}));

  // Mounted again: the arrival finds it.
  MakePlayer(volumes.path() / "IPOD");
  mounts = line(1, "/") + line(4, player);
  follow();
  EXPECT_TRUE(state.Connected);
  EXPECT_EQ(state.DriveRoot, player);
}

TEST_F(Detection, UnrelatedCodesOnlyShowTheChangeWhileNotConnected) {
  volumeList = {volumes.Add("e", true)};
  DeviceChange(state, ui, 0x0007);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kChanged}));
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(searches, 0);
  Timer1Timer(state, ui);
  EXPECT_EQ(ui.status, kNotRecognised);

  ConnectPlayer(state, ui);
  ui.statuses.clear();
  DeviceChange(state, ui, 0x0007);
  DeviceChange(state, ui, 0x8001);
  Timer1Timer(state, ui);
  EXPECT_TRUE(ui.statuses.empty());
  EXPECT_TRUE(state.Connected);
}

// A feedback that runs an action at one of the moments the export lets messages through.
class FeedbackWithEvent : public FakeFeedback {
public:
  std::function<void()> action;
  void ProcessMessages() override {
    FakeFeedback::ProcessMessages();
    if (processed == 2 && action) action();
  }
};

library::SongRow TickedRow(const std::string& title) {
  library::SongRow row;
  row.caption = title;
  row.sub[library::kAlbum] = "Album";
  row.sub[library::kTrack] = "1";
  row.checked = true;
  return row;
}

TEST_F(Detection, AnUnrelatedRemovalDuringTheExportLetsItFinish) {
  volumeList = {volumes.Add("IPOD", true)};
  ConnectPlayer(state, ui);
  state.AList = {TickedRow("one"), TickedRow("two"), TickedRow("three")};
  FeedbackWithEvent exporting;
  exporting.action = [&] { DeviceChange(state, exporting, platform::kDeviceRemoval); };
  const library::ExportReport report = library::ExportNotes(state, exporting);
  for (const FakeFeedback::Box& box : exporting.boxes) EXPECT_NE(box.kind, "error") << box.text;
  EXPECT_EQ(report.pagesWritten, 3u);
  for (const char* title : {"one", "two", "three"})
    EXPECT_TRUE(std::filesystem::exists(volumes.path() / "IPOD" / "Notes" / "Album" / title)) << title;
  EXPECT_TRUE(state.Connected);
}

TEST_F(Detection, GivenRootsWinOverDetectedVolumesAndAreTheOnlyOnesSearched) {
  const std::string mounted = volumes.Add("z-mounted", true);
  const std::string given = volumes.Add("a-given", true);
  const std::string otherGiven = volumes.Add("b-given", false);
  volumeList = {given, mounted};
  state.GivenPlayerRoots = {given, otherGiven};
  EXPECT_EQ(FindPlayerDrive(state), given);
  EXPECT_EQ(searches, 0);
  // A named player that is not there is not replaced by another one.
  state.GivenPlayerRoots = {otherGiven};
  ConnectPlayer(state, ui);
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(ui.status, kNotRecognised);
  // An arrival while connected to the named player keeps it.
  state.GivenPlayerRoots = {given};
  ConnectPlayer(state, ui);
  DeviceChange(state, ui, platform::kDeviceArrival);
  EXPECT_EQ(state.DriveRoot, given);
  state.GivenPlayerRoots.clear();
  EXPECT_EQ(FindPlayerDrive(state), mounted);
}

TEST_F(Detection, TheStartConnectsWhenSetToOrWhenAPlayerIsNamed) {
  const struct {
    bool autoConnect;
    bool named;
    bool connects;
  } cases[] = {{false, false, false}, {true, false, true}, {false, true, true}, {true, true, true}};
  for (const auto& c : cases) {
    state.AutoConnect = c.autoConnect;
    state.GivenPlayerRoots = c.named ? std::vector<std::string>{"/media/IPOD/"} : std::vector<std::string>{};
    EXPECT_EQ(library::ConnectsAtStart(state), c.connects) << c.autoConnect << c.named;
  }
}

TEST_F(Detection, TheGivenRootsComeFromThePlayerArguments) {
  const std::vector<std::string> saved = platform::ExtraRoots();
  platform::SetExtraRoots({"/media/IPOD"});
  const MainState named(dataDir.path().string() + "/");
  platform::SetExtraRoots(saved);
  EXPECT_EQ(named.GivenPlayerRoots, std::vector<std::string>{"/media/IPOD/"});
}

TEST_F(Detection, TheDefaultVolumeListIncludesThePlayerArguments) {
  const std::string root = volumes.Add("given", true);
  const std::vector<std::string> saved = platform::ExtraRoots();
  platform::SetExtraRoots({root});
  state.Volumes = nullptr;
  const std::string found = FindPlayerDrive(state);
  platform::SetExtraRoots(saved);
  // The mounted volumes sort before or after the temporary folder; none of them is a
  // player on a test machine unless it really carries the marker.
  EXPECT_TRUE(found == root || HasSysInfo(found)) << found;
}

}  // namespace
