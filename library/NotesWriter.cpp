// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NotesWriter.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <numeric>
#include <optional>

#include "library/FileErrors.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/PlayerDetect.h"
#include "library/PlayerNames.h"
#include "library/Progress.h"
#include "library/TextLines.h"
#include "platform/CodePage.h"
#include "platform/DirEnum.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

// The note reader shows only the first 4,096 bytes of a note and loads only 1,000 notes.
constexpr std::size_t kNoteByteLimit = 4096;
constexpr std::size_t kNoteCountLimit = 1000;
constexpr std::size_t kReportedOverLimit = 5;
// Album folders are one level below Notes; deeper folders are only counted, never written.
constexpr int kCountedFolderDepth = 8;

// Counts of inserted positions, for "how many smaller tracks lie between two positions".
class PositionCounter {
public:
  explicit PositionCounter(std::size_t size) : tree_(size + 1, 0) {}
  void Insert(std::size_t position) {
    for (std::size_t i = position + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }
  // Inserted positions below position.
  std::size_t Before(std::size_t position) const {
    std::size_t count = 0;
    for (std::size_t i = position; i > 0; i -= i & (~i + 1)) count += tree_[i];
    return count;
  }

private:
  std::vector<std::size_t> tree_;
};

void RotateLeft(std::deque<std::size_t>& run, std::size_t steps) {
  for (steps %= run.size(); steps > 0; --steps) {
    run.push_back(run.front());
    run.pop_front();
  }
}

// The order in which this exchange sort leaves the entries, as their positions:
//   for i: for j > i: if track[j] < track[i] swap(i, j)
// worked out without its quadratic number of steps. Each pass moves the first entry of the
// smallest remaining track to the front; an entry of track v moves only when it is the
// first of the entries with tracks <= v and a smaller one is left: it then jumps to the
// first smaller entry after it. So the entries of one track keep their row order except
// that the leading run of them turns by one place for every smaller entry it passes.
std::vector<std::size_t> ExchangeSortOrder(const std::vector<long long>& tracks) {
  std::vector<std::size_t> byTrack(tracks.size());
  std::iota(byTrack.begin(), byTrack.end(), std::size_t{0});
  std::stable_sort(byTrack.begin(), byTrack.end(),
                   [&](std::size_t a, std::size_t b) { return tracks[a] < tracks[b]; });

  std::vector<std::size_t> order;
  order.reserve(tracks.size());
  PositionCounter smaller(tracks.size());
  std::size_t groupStart = 0;
  while (groupStart < byTrack.size()) {
    std::size_t groupEnd = groupStart + 1;
    while (groupEnd < byTrack.size() && tracks[byTrack[groupEnd]] == tracks[byTrack[groupStart]]) ++groupEnd;

    std::deque<std::size_t> leading{byTrack[groupStart]};
    for (std::size_t k = groupStart + 1; k < groupEnd; ++k) {
      RotateLeft(leading, smaller.Before(byTrack[k]) - smaller.Before(byTrack[k - 1]));
      leading.push_back(byTrack[k]);
    }
    RotateLeft(leading, smaller.Before(tracks.size()) - smaller.Before(byTrack[groupEnd - 1]));
    order.insert(order.end(), leading.begin(), leading.end());

    for (std::size_t k = groupStart; k < groupEnd; ++k) smaller.Insert(byTrack[k]);
    groupStart = groupEnd;
  }
  return order;
}

std::size_t CountFiles(const std::string& folder, int depth) {
  std::size_t count = 0;
  for (const platform::DirEntry& entry : platform::ListDirectory(folder, "*")) {
    if (entry.name == "." || entry.name == "..") continue;
    if (!entry.isDirectory)
      ++count;
    else if (depth > 0)
      count += CountFiles(folder + entry.name + "/", depth - 1);
  }
  return count;
}

// Where one page goes, below the Notes folder of the player.
struct PagePlace {
  std::string folder;    // Notes folder or its album folder, ending with "/"
  std::string path;      // folder + page file
  std::string relative;  // the path below Notes/, for the report
};

PagePlace PlaceOfPage(const std::string& notesFolder, const SongRow& row) {
  const std::string album = NotesFolderName(row.Album());
  const std::string page = NotesPageName(row.Title());
  PagePlace place;
  place.folder = album.empty() ? notesFolder : notesFolder + album + "/";
  place.path = place.folder + page;
  place.relative = album.empty() ? page : album + "/" + page;
  return place;
}

// Writes the pages of one export below the root the export began with. Folders are made
// one level at a time below that root, so a player that went away makes the write fail
// instead of rebuilding its folders somewhere else.
class PageWriter {
public:
  PageWriter(MainState& state, std::string root) : state_(state), root_(std::move(root)), notes_(root_ + "Notes/") {}

  const std::string& NotesFolder() const { return notes_; }
  bool WroteAny() const { return wroteAny_; }

  void Write(const PagePlace& place, const std::string& content) {
    // A removal handled during the run forgets the player; its pages are not written on.
    if (state_.DriveRoot != root_) throw Failure(place, ENODEV);
    EnsureFolder(place, notes_);
    if (place.folder != notes_) EnsureFolder(place, place.folder);
    errno = 0;
    if (!platform::ReplaceFileContent(place.path, content, platform::Durability::Unsynced))
      throw Failure(place, errno);
    wroteAny_ = true;
  }

  void TrySync() const {
    if (wroteAny_) platform::SyncFileSystem(root_);
  }
  void Sync() const {
    errno = 0;
    if (!platform::SyncFileSystem(root_)) throw FileError("iPodへの書き込みを完了できません。", root_, errno);
  }

private:
  static platform::Error Failure(const PagePlace& place, int reason) {
    return FileError("ノートを書き込めません。", place.path, reason);
  }

  void EnsureFolder(const PagePlace& place, const std::string& folder) {
    if (platform::DirectoryExists(folder)) return;
    errno = 0;
    if (!platform::CreateDir(folder)) throw Failure(place, errno);
    wroteAny_ = true;
  }

  MainState& state_;
  const std::string root_;
  const std::string notes_;
  bool wroteAny_ = false;
};

// The first line of a lyrics file's text; empty when there is no file or no line.
std::string FirstLine(const std::optional<std::string>& lyrics) {
  std::string_view first;
  if (lyrics) LineWalker(*lyrics).Next(first);
  return std::string(first);
}

void NoteOverLimit(ExportReport& report, const PagePlace& place) {
  ++report.pagesOverLimit;
  if (report.firstOverLimit.size() < kReportedOverLimit) report.firstOverLimit.push_back(place.relative);
}

}  // namespace

long long TrackNumber(const std::string& track) {
  long long value = 0;
  return ParseWholeNumber(track, value) ? value : 0;
}

AlbumIndex::AlbumIndex(const SongList& rows) {
  std::unordered_map<std::string, std::vector<std::size_t>> rowsOfAlbum;
  for (std::size_t i = 0; i < rows.size(); ++i) rowsOfAlbum[rows[i].Album()].push_back(i);

  albums_.reserve(rowsOfAlbum.size());
  for (const auto& [name, albumRows] : rowsOfAlbum) {
    std::vector<long long> tracks;
    tracks.reserve(albumRows.size());
    for (std::size_t row : albumRows) tracks.push_back(TrackNumber(rows[row].sub[kTrack]));

    Album& album = albums_[name];
    album.titles.reserve(albumRows.size());
    for (std::size_t position : ExchangeSortOrder(tracks)) {
      const std::string& title = rows[albumRows[position]].Title();
      album.firstPosition.emplace(platform::CaseFold(title), album.titles.size());
      if (!album.titles.empty()) album.songs += '&';
      album.songs += title;
      album.titles.push_back(title);
    }
  }
}

TAlbumData AlbumIndex::FindAlbumNeighbours(const std::string& album, const std::string& title) const {
  TAlbumData neighbours;
  const auto found = albums_.find(album);
  if (found == albums_.end()) return neighbours;
  const Album& songs = found->second;
  neighbours.Songs = songs.songs;
  const auto position = songs.firstPosition.find(platform::CaseFold(title));
  if (position == songs.firstPosition.end()) return neighbours;

  const std::size_t idx = position->second;
  if (idx > 0) {
    neighbours.HasPrev = true;
    neighbours.Prev = songs.titles[idx - 1];
    neighbours.PrevPage = NotesPageName(neighbours.Prev);
  }
  if (idx + 1 < songs.titles.size()) {
    neighbours.HasNext = true;
    neighbours.Next = songs.titles[idx + 1];
    neighbours.NextPage = NotesPageName(neighbours.Next);
  }
  return neighbours;
}

TAlbumData FindAlbumNeighbours(const SongList& rows, const std::string& album, const std::string& title) {
  return AlbumIndex(rows).FindAlbumNeighbours(album, title);
}

std::size_t CountChecked(const SongList& rows) {
  return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const SongRow& row) { return row.checked; }));
}

std::string NotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics) {
  static const std::string words = platform::Sjis("【Words】");
  const std::string& title = row.Title();
  const std::string& album = row.Album();

  std::string page = "<?xml encoding=\"Shift_JIS\"?><meta name=\"NowPlaying\" content=\"false\">";
  page.reserve(512 + 4 * (title.size() + album.size()) + neighbours.Songs.size() + (lyrics ? lyrics->size() : 0));
  page += "Title:  <a href=\"ipod:music?album=" + album + "&song=" + title + "\">" + title + "</a>\r\n";
  page += "Album:  <a href=\"ipod:music?album=" + album + "&song=" + neighbours.Songs + "\">" + album + "</a>\r\n";
  page += "Track No:  " + row.sub[kTrack] + "\r\n";
  page += "Artist:  " + row.sub[kArtist] + "(" + row.sub[kYear] + ")\r\n";
  page += "Time:  " + row.sub[kTime] + "\r\n";
  page += "Now Playing:  <a href=\"ipod:music?NowPlaying=true\">ON</a> / <a href=\"ipod:music?NowPlaying=false\">OFF</a>";
  if (lyrics == nullptr) return page;

  page += "\r\n\r\n" + words + "\r\n\r\n";
  page += JoinLinesCrLf(*lyrics);
  page += "\r\n\r\n\r\n";
  if (neighbours.HasPrev) {
    page += "Prev:<a href=\"" + neighbours.PrevPage + "\">" + neighbours.Prev + "</a>";
    if (neighbours.HasNext) page += "\r\n";
  }
  if (neighbours.HasNext) page += "Next:<a href=\"" + neighbours.NextPage + "\">" + neighbours.Next + "</a>";
  return page;
}

std::string ExportReportText(const ExportReport& report) {
  std::string text;
  if (report.stopped) text += platform::Sjis("ノートの作成を中止しました。") + "\r\n";
  text += platform::Sjis("ノートを ") + std::to_string(report.pagesWritten) + platform::Sjis(" 件書き込みました。");
  if (report.pagesOverLimit > 0) {
    text += "\r\n\r\n" + platform::Sjis("4,096 バイトを超えるノートが ") + std::to_string(report.pagesOverLimit) +
            platform::Sjis(" 件あります。iPod では 4,096 バイトより後ろが表示されません。");
    for (const std::string& page : report.firstOverLimit) text += "\r\n  " + page;
    if (report.pagesOverLimit > report.firstOverLimit.size())
      text += "\r\n  " + platform::Sjis("ほか ") + std::to_string(report.pagesOverLimit - report.firstOverLimit.size()) +
              platform::Sjis(" 件");
  }
  if (report.pagesInNotes > kNoteCountLimit)
    text += "\r\n\r\n" + platform::Sjis("Notes フォルダのノートが ") + std::to_string(report.pagesInNotes) +
            platform::Sjis(" 件になりました。iPod が読み込むのは最初の 1,000 件だけです。");
  return text;
}

ExportReport ExportNotes(MainState& state, Feedback& ui) {
  static const std::string working = platform::Sjis("一覧作成中...");
  ExportReport report;
  if (state.DriveRoot.empty()) {
    ui.ErrorBox(NotRecognisedText());
    return report;
  }
  PageWriter writer(state, state.DriveRoot);

  const std::string previous = ui.SetStatus(working);
  ui.ProcessMessages();

  const AlbumIndex albums(state.AList);
  const std::size_t ticked = CountChecked(state.AList);
  std::string registered;
  try {
    for (std::size_t i = 0; i < state.AList.size(); ++i) {
      // Asked between two pages only; the rows after a stop still go into the list file.
      if (state.AList[i].checked && !report.stopped && report.pagesWritten > 0 && ui.PollStop()) report.stopped = true;
      const SongRow& row = state.AList[i];
      const bool writePage = row.checked && !report.stopped;
      // The lyrics file of a page is read once, for the page and for its opening line.
      const std::string lyricsPath = LyricsFileName(state, row.Title(), row.Album());
      const std::optional<std::string> lyrics = writePage ? ReadLyricsFile(lyricsPath) : std::nullopt;
      registered += RegisteredLine(state, row, writePage ? FirstLine(lyrics) : OpeningLine(lyricsPath)) + "\r\n";
      if (!writePage) continue;

      const TAlbumData neighbours = albums.FindAlbumNeighbours(row.Album(), row.Title());
      const std::string content = JoinLinesCrLf(NotesPage(row, neighbours, lyrics ? &*lyrics : nullptr));

      const PagePlace place = PlaceOfPage(writer.NotesFolder(), row);
      writer.Write(place, content);
      ++report.pagesWritten;
      if (content.size() > kNoteByteLimit) NoteOverLimit(report, place);

      ui.ProcessMessages();
      // The position counts every registered row, the divisor only the ticked ones: the
      // value stops at 100.
      ui.SetProgress(RoundedPercent(i, ticked));
    }
    if (writer.WroteAny()) writer.Sync();
  } catch (...) {
    // The pages written before the failure stay on the player: flush them as far as it goes.
    writer.TrySync();
    throw;
  }

  WriteRegisteredList(state, registered);
  ui.ProcessMessages();
  ui.SetStatus(previous);
  ui.SetProgress(0);
  LoadLists(state, ListsToLoad::RegisteredOnly);
  ui.ProcessMessages();

  report.pagesInNotes = CountFiles(writer.NotesFolder(), kCountedFolderDepth);
  ui.InformationBox(ExportReportText(report));
  return report;
}

}  // namespace library
