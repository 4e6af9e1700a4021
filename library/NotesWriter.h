// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Notes pages: one page per ticked registered song under the player's Notes folder.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/Feedback.h"
#include "library/MainState.h"
#include "library/NotesNames.h"

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

  // The page a row's link may lead to: its name when the row's page exists when the export
  // ends, none otherwise.
  using PageOfRow = std::function<std::optional<std::string>(std::size_t row)>;
  // The links of one row's page: from its own place in album order, Prev and Next are the
  // nearest rows whose page exists and has a name other than ownPage (ignoring case).
  TAlbumData LinkedNeighbours(const SongList& rows, std::size_t row, const std::string& ownPage,
                              const PageOfRow& pageOf) const;

private:
  struct Album {
    std::vector<std::size_t> rows;                                   // row positions in album order
    std::vector<std::string> titles;                                 // in album order
    std::string songs;                                               // titles joined with "&"
    std::unordered_map<std::u16string, std::size_t> firstPosition;  // case-folded title -> position
  };
  std::unordered_map<std::string, Album> albums_;  // album, byte for byte -> its songs
  std::vector<std::size_t> positionOfRow_;          // row -> its position in its album
};

TAlbumData FindAlbumNeighbours(const SongList& rows, const std::string& album, const std::string& title);
std::size_t CountChecked(const SongList& rows);

// The page text of one row (before it is stored as CR LF lines); lyrics: the lines of the
// song's lyrics file joined with CR LF, none when it has no file.
std::string NotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics);

// A page in its stored form (every line ended by CR LF), in the pieces a cut into parts
// needs: the page is head + lyrics + "\r\n\r\n\r\n" + links when it has lyrics, else head.
struct StoredPage {
  std::string head;    // down to the empty line after the words heading when there are lyrics
  std::string lyrics;  // the lyrics lines
  std::string links;   // the Prev and Next lines
  bool hasLyrics = false;
  std::string Whole() const { return hasLyrics ? head + lyrics + "\r\n\r\n\r\n" + links : head; }
};
StoredPage StoredNotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics);

// The note reader shows the first 4,096 bytes of a note.
inline constexpr std::size_t kNoteByteLimit = 4096;

struct NotePart {
  std::string name;     // page file name (the first part keeps the page's own name)
  std::string content;  // stored bytes
};
// A page cut at line ends into parts of at most 4,096 bytes that all start with the page's
// head; a line longer than a part is cut between two characters. Each part but the last
// links on to the next ("続き"), each but the first back ("戻る"); the last carries the Prev
// and Next links. partName(k) names part k (from 2) and is asked only for parts made. A page
// within the limit, or one whose head leaves no room for a line, stays one part.
std::vector<NotePart> SplitNotesPage(const StoredPage& page, const std::string& pageName,
                                     const std::function<std::string(std::size_t)>& partName);

struct OverLimitPage {
  std::string path;        // below Notes/
  std::size_t bytesCut = 0;  // bytes past the 4,096 the reader shows
};
struct ExportReport {
  std::size_t pagesWritten = 0;
  std::size_t partsWritten = 0;                // files written for them (more with SplitPages)
  std::size_t pagesOverLimit = 0;              // pages longer than 4,096 bytes
  std::vector<OverLimitPage> overLimit;        // every one of them
  std::size_t pagesInNotes = 0;                // notes the Notes folder holds afterwards
  std::vector<std::string> beyondNoteLimit;    // pages of this run the reader does not load
  std::size_t pagesRemoved = 0;                // stale pages removed (CleanNotes)
  std::vector<NameClash> renamed;              // pages and folders named apart from a case twin
  bool stopped = false;
};
// The report's text for the information box (code page 932).
std::string ExportReportText(const ExportReport& report);

// The create-list command. Writes the pages onto the player whose root was DriveRoot at its
// start (through a handle opened then), then MusicList.lst, then reloads the registered list;
// shows the report in an information box. A player that was unmounted or replaced during
// the run is reported as a failure (platform::Error), never as success.
// With SplitPages long pages are cut into parts; with CleanNotes the pages earlier exports
// wrote and this one does not are removed when unchanged.
ExportReport ExportNotes(MainState& state, Feedback& ui);

// The files the export would write for registered row (from 0), as it would write them,
// with the row taken as ticked; splitPages as the setting. Links that depend on the player
// look at the connected player, if any. Throws platform::Error when a lyrics file cannot be
// read.
std::vector<NotePart> PreviewNotesPages(const MainState& state, std::size_t row, bool splitPages);

}  // namespace library
