// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Notes pages: one page per ticked registered song under the player's Notes folder.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/Feedback.h"
#include "library/MainState.h"

namespace library {

struct TAlbumData {
  bool HasNext = false;
  bool HasPrev = false;
  std::string Next;   // title of the successor
  std::string Prev;   // title of the predecessor
  std::string Songs;  // every title of the album in album order, joined with "&"
  // File names of the neighbours' pages (NotesPageName of their titles).
  std::string NextPage;
  std::string PrevPage;
};

// A whole number for a track text; 0 when it is not one.
long long TrackNumber(const std::string& track);

// The registered rows grouped by album once, in album order (tracks ascending, with the
// exchange sort's order for equal tracks).
class AlbumIndex {
public:
  explicit AlbumIndex(const SongList& rows);
  TAlbumData FindAlbumNeighbours(const std::string& album, const std::string& title) const;

private:
  struct Album {
    std::vector<std::string> titles;                                 // in album order
    std::string songs;                                               // titles joined with "&"
    std::unordered_map<std::u16string, std::size_t> firstPosition;  // case-folded title -> position
  };
  std::unordered_map<std::string, Album> albums_;  // album, byte for byte -> its songs
};

TAlbumData FindAlbumNeighbours(const SongList& rows, const std::string& album, const std::string& title);
std::size_t CountChecked(const SongList& rows);

// The page text of one row (before it is stored as CR LF lines); lyrics: the lines of the
// song's lyrics file joined with CR LF, none when it has no file.
std::string NotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics);

struct ExportReport {
  std::size_t pagesWritten = 0;
  std::size_t pagesOverLimit = 0;              // pages longer than 4,096 bytes
  std::vector<std::string> firstOverLimit;     // up to five of them, as paths below Notes/
  std::size_t pagesInNotes = 0;                // pages the Notes folder holds afterwards
  bool stopped = false;
};
// The report's text for the information box (code page 932).
std::string ExportReportText(const ExportReport& report);

// The create-list command. Writes the pages under the DriveRoot it had at its start, then
// MusicList.lst, then reloads the registered list; shows the report in an information box.
ExportReport ExportNotes(MainState& state, Feedback& ui);

}  // namespace library
