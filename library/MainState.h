// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's state without the window: the player's root, the data folder, the
// song-key table, the four settings, the lyrics hand-over fields and the two song lists.
// Every operation of the library works on one MainState.
#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "library/SongRow.h"
#include "platform/FileSystem.h"
#include "util/Hash.h"

namespace library {

// The settings of Lyrimate.ini, section "Lyrimate".
struct Settings {
  bool AutoConnect = false;
  bool AutoGetMusic = true;  // true: start-up does not scan the player
  bool AutoCheck = true;
  bool AutoCopy = false;
  bool SplitPages = false;   // the export cuts pages over 4,096 bytes into linked parts
  bool CleanNotes = false;   // the export removes the unchanged pages it no longer writes
};

// AppDir + "Lyrimate.ini".
std::string SettingsPath(const std::string& appDir);
// Reads the keys: a whole number other than 0 is true, 0 false; a missing key or a
// value that is not a whole number gives the default. Never creates the file.
Settings ReadSettings(const std::string& appDir);
// Writes the keys as "1"/"0" in the order AutoConnect, AutoGetMusic, AutoCheck, AutoCopy,
// SplitPages, CleanNotes, each replacing the file atomically; throws platform::Error when it
// cannot.
void WriteSettings(const std::string& appDir, const Settings& settings);

// True when text is a whole number (an optional sign and decimal digits, spaces around
// allowed); value then holds it.
bool ParseWholeNumber(const std::string& text, long long& value);

class MainState {
public:
  // FormCreate without the window: AppDir from the platform (or the given folder), the
  // settings read from its Lyrimate.ini, everything else empty or false.
  MainState();
  explicit MainState(const std::string& appDir);

  std::string DriveRoot;   // the player's root, ending with "/"; empty while none is known
  std::string AppDir;      // the data folder, ending with "/"
  std::string LyricsPath;  // lyrics file of the song last opened in the editor
  std::string LyricsText;  // text handed over by the editor for saving
  THash SongTable;         // song key -> audio file path

  bool AutoConnect = false;
  bool AutoGetMusic = true;
  bool AutoCheck = true;
  bool AutoCopy = false;
  bool SplitPages = false;
  bool CleanNotes = false;
  bool Connected = false;
  bool ImportLyrics = false;

  SongList MList;  // the player's songs
  SongList AList;  // the registered songs
  ListId Visible = ListId::MList;
  // Sort direction flags, one per column position, shared by both lists; clear: the next
  // click on that column sorts ascending.
  std::array<bool, 7> SortFlags{};

  // The volumes the player is looked for on (ascending roots ending with "/"); by default
  // the mounted volumes plus the --player roots. Tests and the application may replace it.
  std::function<std::vector<std::string>()> Volumes;
  // The roots given with --player (ending with "/"): when there are any, the player is
  // looked for among them alone, so a named player is never passed over for another one.
  std::vector<std::string> GivenPlayerRoots;
  // Device and inode of DriveRoot, taken when the player was found: a removal forgets the
  // player only when its root no longer is that mounted player.
  std::optional<platform::FileIdentity> DriveIdentity;

  // List files that failed to load in this run; each is copied to NAME.bak once before it
  // is next rewritten, so the rows after its bad line survive.
  std::set<std::string> FailedListFiles;

  SongList& List(ListId id) { return id == ListId::MList ? MList : AList; }
  const SongList& List(ListId id) const { return id == ListId::MList ? MList : AList; }
  Settings CurrentSettings() const;
  // "MusicDatas/" under AppDir.
  std::string DataFolder() const;
};

}  // namespace library
