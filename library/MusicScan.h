// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The music scan: walks the player's music folder, reads every file with the tag dispatcher
// and fills the song list and SongTable.
#include <cstddef>
#include <string>
#include <string_view>

#include "library/Feedback.h"
#include "library/LyricsImport.h"
#include "library/MainState.h"

namespace library {

// One song as read from its file. All text is code page 932.
struct TMusicData {
  std::string Title;
  std::string Album;
  std::string Artist;
  std::string Time;  // "mm:ss", see FormatSongTime
  std::string Track;
  std::string Genre;
  std::string Rate;  // bit rate in kbit/s, when the reader gives one
  std::string Year;
  std::string Comment;
  std::string Lyrics;  // only while state.ImportLyrics is true
  std::string FileName;
};

// What a scan passed over.
struct ScanReport {
  std::size_t songs = 0;           // rows added
  std::size_t skippedFolders = 0;  // unreadable folders, folder links, folders seen before
  // Files whose path holds a TAB, CR or LF: a list file could not keep such a path, so the
  // song could never be opened again from it. The first of them, for the notice.
  std::size_t skippedFiles = 0;
  std::string firstSkippedFile;
  bool stopped = false;            // the user stopped the scan (rows so far stay)
  std::size_t lyricsReplaced = 0;  // lyrics files an import moved to Backup/ and replaced
};

// The time column: the reader's "Time" when it gives one, otherwise "Duration" (seconds)
// as %02d:%02d of truncated minutes and seconds; "00:00" without either.
std::string FormatSongTime(const std::string& readerTime, const std::string& durationSeconds);

// The get-song-info command: needs DriveRoot; scans DriveRoot + "iPod_Control/Music/",
// then MarkRegistered when AutoCopy is set. Reports skipped names through ui.Notice.
ScanReport GetSongInfo(MainState& state, Feedback& ui);
// Clears the song list and walks one folder tree (folder ends with "/").
ScanReport ScanMusic(MainState& state, Feedback& ui, const std::string& folder);
// Reads one file into record and puts its song key into SongTable; while ImportLyrics is
// true also imports the tag's lyrics into the song's lyrics file through importer (one of
// its own when none is given), keeping a differing old file in Backup/ (throws
// platform::Error when a write fails).
void ReadSong(MainState& state, const std::string& path, TMusicData& record, LyricsImporter* importer = nullptr);
// Appends the record as a row of the song list.
void AddSongRow(MainState& state, const TMusicData& record);

}  // namespace library
