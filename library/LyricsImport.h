// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lyrics taken from songs' tags into their lyrics files without destroying what the user
// wrote: before a file whose lyrics differ from the tag's is replaced, it is kept in
// MusicDatas/Backup/ under its name plus the date and time (a second name for the old file,
// made before the new content replaces it atomically: the file is never missing).
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "library/LyricsIndex.h"
#include "library/MainState.h"

namespace library {

// MusicDatas/Backup/ of the data folder.
std::string LyricsBackupFolder(const MainState& state);
// The backup's name for a file name and a local time: "NAME-STEM.YYYYMMDD-HHMMSS.txt"
// ("LOVE-Best.txt" at 2026-12-09 02:15:30 gives "LOVE-Best.20261209-021530.txt").
std::string BackupName(const std::string& fileName, std::time_t when);

class LyricsImporter {
public:
  // Lists MusicDatas once for the whole import.
  explicit LyricsImporter(const MainState& state);

  enum class Outcome {
    Unchanged,  // the file already held these lyrics
    Written,    // there was no file
    Replaced,   // the old file was kept in Backup/ first
  };
  // True when the song has a lyrics file whose lyrics differ from these (an import would
  // replace it). A file that is not a regular one raises platform::Error naming it.
  bool WouldReplace(const std::string& title, const std::string& album, const std::string& lyrics) const;
  // Writes lyrics as the song's lyrics file (under the name of the file found, if any).
  Outcome Import(const std::string& title, const std::string& album, const std::string& lyrics);

  // The backups made so far, as paths.
  const std::vector<std::string>& Backups() const { return backups_; }

private:
  std::string KeepInBackup(const std::string& path);

  std::string backupFolder_;
  LyricsIndex index_;
  // Files this import wrote: they hold tag lyrics, not the user's, and are not kept again.
  std::vector<std::string> written_;
  std::vector<std::string> backups_;
};

// "歌詞ファイル N 件を置き換えました。元のファイルは FOLDER にあります。", or when none
// was replaced "置き換えた歌詞ファイルはありません。" (code page 932).
std::string ReplacedLyricsText(std::size_t replaced, const std::string& backupFolder);

}  // namespace library
