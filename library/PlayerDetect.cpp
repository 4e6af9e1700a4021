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
  return before + driveRoot + after;
}

void PlayerFound(MainState& state, Feedback& ui, const std::string& root) {
  state.DriveRoot = platform::WithTrailingSlash(root);
  ui.SetStatus(FoundText(state.DriveRoot));
  state.Connected = true;
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
  return FindPlayerDrive(state.Volumes ? state.Volumes() : platform::CurrentVolumes());
}

void ConnectPlayer(MainState& state, Feedback& ui) {
  if (!state.DriveRoot.empty()) return;
  ui.SetStatus(DeviceChangedText());
  ui.ProcessMessages();
  const std::string root = FindPlayerDrive(state);
  if (!root.empty()) {
    PlayerFound(state, ui, root);
  } else {
    ui.SetStatus(NotRecognisedText());
    state.Connected = false;
    state.DriveRoot.clear();
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
    // Any removal forgets the player, whichever device went.
    state.DriveRoot.clear();
    ui.SetStatus(NotRecognisedText());
    state.Connected = false;
  }
}

void Timer1Timer(MainState& state, Feedback& ui) {
  if (!state.Connected) ui.SetStatus(NotRecognisedText());
}

}  // namespace library
