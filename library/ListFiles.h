// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two list files in MusicDatas: MusicList.lst (the registered list) and
// iPodMusicList.lst (the saved song list).
#include <string>
#include <string_view>

#include "library/Feedback.h"
#include "library/MainState.h"

namespace library {

std::string RegisteredListPath(const MainState& state);  // AppDir + "MusicDatas/MusicList.lst"
std::string PlayerListPath(const MainState& state);      // AppDir + "MusicDatas/iPodMusicList.lst"

enum class ListsToLoad {
  Both,            // start-up: the registered list and the saved song list
  RegisteredOnly,  // later loads (after an export or the save command): the song list stays
};

// Fills AList (and MList) from the files, putting every row's key into SongTable. A
// malformed line stops the load with platform::Error naming the file and the line number;
// the file is then remembered in state.FailedListFiles and the second file is not loaded.
void LoadLists(MainState& state, ListsToLoad which = ListsToLoad::Both);
// The nine-field line of one registered row, without the line break.
std::string RegisteredLine(const MainState& state, const SongRow& row);
// The same with the opening line already taken from the row's lyrics file.
std::string RegisteredLine(const MainState& state, const SongRow& row, std::string_view openingLine);
// Writes every row of AList to MusicList.lst (atomically, creating MusicDatas when missing).
void SaveRegistered(MainState& state);
// Writes an already built MusicList.lst content (lines with CR LF), for the Notes export.
void WriteRegisteredList(MainState& state, const std::string& content);
// Writes every row of MList to iPodMusicList.lst, then shows the information box.
void SavePlayerList(MainState& state, Feedback& ui);
// The same without the box (lyrimate-cli).
void WritePlayerList(MainState& state);

}  // namespace library
