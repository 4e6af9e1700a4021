// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PlayerDetect.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeFeedback.h"
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

// Volumes below a temporary folder; a volume with a marker is a player. Roots are code
// page 932 and end with "/", as the volume list gives them.
class Volumes {
public:
  // name is UTF-8.
  std::string Add(const std::string& name, bool player) {
    const std::filesystem::path path = dir_.path() / name;
    std::filesystem::create_directories(path);
    if (player) MakePlayer(path);
    return Sjis(path.string() + "/");
  }
  const std::filesystem::path& path() const { return dir_.path(); }

private:
  TempDir dir_;
};

std::string FoundText(const std::string& root) { return "iPodは " + platform::Cp932ToUtf8(root) + " にありました。"; }

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
  EXPECT_EQ(state.DriveRoot, Sjis((volumes.path() / "e").string() + "/"));
}

TEST_F(Detection, AJapaneseRootKeepsItsTrailByte) {
  // "ソ" is 83 5C in code page 932.
  volumeList = {volumes.Add("ソフト", true)};
  ASSERT_NE(volumeList[0].find("\x83\x5C"), std::string::npos);
  ConnectPlayer(state, ui);
  EXPECT_EQ(state.DriveRoot, volumeList[0]);
  EXPECT_EQ(ui.status, "iPodは " + (volumes.path() / "ソフト").string() + "/ にありました。");
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

TEST_F(Detection, AnyRemovalForgetsThePlayer) {
  volumeList = {volumes.Add("e", true), volumes.Add("stick", false)};
  ConnectPlayer(state, ui);
  ui.statuses.clear();
  DeviceChange(state, ui, 0x8004);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kNotRecognised}));
  EXPECT_EQ(state.DriveRoot, "");
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(searches, 1);
  // Now not connected: a second removal first shows the change.
  DeviceChange(state, ui, platform::kDeviceRemoval);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kNotRecognised, kChanged, kNotRecognised}));
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
