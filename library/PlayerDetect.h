// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which volume holds the player, and keeping DriveRoot and Connected current as volumes
// come and go.
#include <string>
#include <vector>

#include "library/Feedback.h"
#include "library/MainState.h"

namespace library {

// "iPodが認識されていません。" in code page 932: the status while no player is known, and the
// error of the commands that need one.
const std::string& NotRecognisedText();
// True when root + "iPod_Control/Device/SysInfo" exists (root ends with "/").
bool HasSysInfo(const std::string& root);
// The last root of volumes (ascending) that carries the marker; empty when none does.
std::string FindPlayerDrive(const std::vector<std::string>& volumes);
// The same over state.GivenPlayerRoots when there are any, else over state.Volumes().
std::string FindPlayerDrive(const MainState& state);
// True while DriveRoot is still the player found there: the marker is there and the root
// has the device and inode it had when the player was found.
bool PlayerStillThere(const MainState& state);
// True when the start connects to the player: AutoConnect is set or a player was named
// with --player.
bool ConnectsAtStart(const MainState& state);

// The connect command: does nothing while a player is known; otherwise searches and sets
// DriveRoot, Connected and the status text.
void ConnectPlayer(MainState& state, Feedback& ui);
// A device change: platform::kDeviceArrival searches again; platform::kDeviceRemoval forgets
// the player when it is gone (PlayerStillThere is false) and is silent otherwise; any other
// code only shows the change while not connected.
void DeviceChange(MainState& state, Feedback& ui, unsigned eventCode);
// Every two seconds: puts back "iPodが認識されていません。" while not connected. It never
// searches.
void Timer1Timer(MainState& state, Feedback& ui);

}  // namespace library
