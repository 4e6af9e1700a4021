// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PlayerDetect.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"

namespace library {

namespace {

const std::string& DeviceChangedText() {
  static const std::string text = platform::Sjis("デバイスに変更がありました。");
  return text;
}

std::string FoundText(const std::string& driveRoot) {
  static const std::string before = platform::Sjis("iPodは ");
  static const std::string after = platform::Sjis(" にありました。");
  return before + platform::DisplayPath(driveRoot) + after;
}

void PlayerFound(MainState& state, Feedback& ui, const std::string& root) {
  state.DriveRoot = platform::WithTrailingSlash(root);
  state.DriveIdentity = platform::IdentityOf(state.DriveRoot);
  ui.SetStatus(FoundText(state.DriveRoot));
  state.Connected = true;
}

void ForgetPlayer(MainState& state, Feedback& ui) {
  state.DriveRoot.clear();
  state.DriveIdentity.reset();
  ui.SetStatus(NotRecognisedText());
  state.Connected = false;
}

}  // namespace

const std::string& NotRecognisedText() {
  static const std::string text = platform::Sjis("iPodが認識されていません。");
  return text;
}

bool HasSysInfo(const std::string& root) {
  return platform::FileExists(platform::WithTrailingSlash(root) + "iPod_Control/Device/SysInfo");
}

std::string FindPlayerDrive(const std::vector<std::string>& volumes) {
  std::string found;
  // Every volume is tested; a later match replaces an earlier one.
  for (const std::string& root : volumes)
    if (HasSysInfo(root)) found = root;
  return found;
}

std::string FindPlayerDrive(const MainState& state) {
  if (!state.GivenPlayerRoots.empty()) return FindPlayerDrive(state.GivenPlayerRoots);
  return FindPlayerDrive(state.Volumes ? state.Volumes() : platform::CurrentVolumes());
}

bool PlayerStillThere(const MainState& state) {
  if (state.DriveRoot.empty() || !state.DriveIdentity || !HasSysInfo(state.DriveRoot)) return false;
  return platform::IdentityOf(state.DriveRoot) == state.DriveIdentity;
}

bool ConnectsAtStart(const MainState& state) { return state.AutoConnect || !state.GivenPlayerRoots.empty(); }

void ConnectPlayer(MainState& state, Feedback& ui) {
  if (!state.DriveRoot.empty()) return;
  ui.SetStatus(DeviceChangedText());
  ui.ProcessMessages();
  const std::string root = FindPlayerDrive(state);
  if (!root.empty()) {
    PlayerFound(state, ui, root);
  } else {
    ForgetPlayer(state, ui);
  }
}

void DeviceChange(MainState& state, Feedback& ui, unsigned eventCode) {
  if (!state.Connected) ui.SetStatus(DeviceChangedText());
  if (eventCode == platform::kDeviceArrival) {
    // Searched again even while a player is known: the result replaces the old root.
    const std::string root = FindPlayerDrive(state);
    if (!root.empty())
      PlayerFound(state, ui, root);
    else
      ui.SetStatus(NotRecognisedText());
  } else if (eventCode == platform::kDeviceRemoval) {
    // File systems come and go without the user (other disks, automounts, snaps): only the
    // player's own going forgets it; any other removal passes in silence.
    if (!state.Connected || !PlayerStillThere(state)) ForgetPlayer(state, ui);
  }
}

void Timer1Timer(MainState& state, Feedback& ui) {
  if (!state.Connected) ui.SetStatus(NotRecognisedText());
}

}  // namespace library
