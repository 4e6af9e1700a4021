// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NotesWriter.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <numeric>
#include <optional>
#include <set>

#include "library/FileErrors.h"
#include "library/ListFiles.h"
#include "library/NotesOnPlayer.h"
#include "library/LyricsFiles.h"
#include "library/LyricsIndex.h"
#include "library/PlayerDetect.h"
#include "library/PlayerNames.h"
#include "library/Progress.h"
#include "library/TextLines.h"
#include "platform/CodePage.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

// The note reader loads only the first 1,000 notes.
constexpr std::size_t kNoteCountLimit = 1000;
// Pages beyond the reader's 1,000 notes named in the report text; the rest are counted.
constexpr std::size_t kReportedBeyondLimit = 10;

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

// The first line of a lyrics file's text; empty when there is no file or no line.
std::string FirstLine(const std::optional<std::string>& lyrics) {
  std::string_view first;
  if (lyrics) LineWalker(*lyrics).Next(first);
  return std::string(first);
}

// Builds the pages of an export: the places of the plan, links to pages that exist when the
// export ends, and parts named in the folders of the plan.
class PageBuilder {
public:
  PageBuilder(const SongList& rows, const NotesOnPlayer* player, bool splitPages, bool cleanNotes)
      : rows_(rows), albums_(rows), plan_(rows), player_(player), splitPages_(splitPages), cleanNotes_(cleanNotes),
        pageOfRow_(rows.size()) {}

  const NotesPlan& Plan() const { return plan_; }

  std::vector<NotePart> PagesOfRow(std::size_t row, const std::string* lyrics) {
    const PagePlace& place = *plan_.PlaceOfRow(row);
    const TAlbumData neighbours =
        albums_.LinkedNeighbours(rows_, row, place.page, [this](std::size_t other) { return PageOf(other); });
    const StoredPage page = StoredNotesPage(rows_[row], neighbours, lyrics);
    if (!splitPages_) return {{place.page, page.Whole()}};
    FolderNames& names = *plan_.NamesIn(place.folder);
    return SplitNotesPage(page, place.page, [&](std::size_t number) {
      return names.Claim(place.page + platform::Sjis("～") + std::to_string(number));
    });
  }

private:
  // The name a link to row uses when the row's page exists at the end of the export: the
  // page this run writes, or one on the player under the row's own name that no page of this
  // run takes and that the clean-up leaves.
  std::optional<std::string> PageOf(std::size_t row) {
    std::optional<std::optional<std::string>>& known = pageOfRow_[row];
    if (!known) known = FindPageOf(row);
    return *known;
  }

  std::optional<std::string> FindPageOf(std::size_t row) const {
    if (const PagePlace* place = plan_.PlaceOfRow(row)) return place->page;
    const std::string* folder = plan_.FolderOfAlbum(rows_[row].Album());
    if (folder == nullptr || player_ == nullptr) return std::nullopt;
    const PagePlace place{*folder, NotesPageName(rows_[row].Title())};
    const FolderNames* taken = plan_.NamesIn(*folder);
    if ((taken && taken->IsTaken(place.page)) || !player_->PageExists(place)) return std::nullopt;
    if (cleanNotes_ && player_->IsUnchangedRecordedPage(place)) return std::nullopt;
    return place.page;
  }

  const SongList& rows_;
  const AlbumIndex albums_;
  NotesPlan plan_;
  const NotesOnPlayer* player_;
  const bool splitPages_;
  const bool cleanNotes_;
  std::vector<std::optional<std::optional<std::string>>> pageOfRow_;
};

void NoteOverLimit(ExportReport& report, const PagePlace& place, std::size_t size) {
  ++report.pagesOverLimit;
  report.overLimit.push_back({place.Relative(), size - kNoteByteLimit});
}

std::string Count(std::size_t number) { return std::to_string(number); }

}  // namespace

long long TrackNumber(const std::string& track) {
  long long value = 0;
  return ParseWholeNumber(track, value) ? value : 0;
}

AlbumIndex::AlbumIndex(const SongList& rows) : positionOfRow_(rows.size(), 0) {
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
      positionOfRow_[albumRows[position]] = album.rows.size();
      album.rows.push_back(albumRows[position]);
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

TAlbumData AlbumIndex::LinkedNeighbours(const SongList& rows, std::size_t row, const std::string& ownPage,
                                        const PageOfRow& pageOf) const {
  TAlbumData neighbours;
  const auto found = albums_.find(rows[row].Album());
  if (found == albums_.end()) return neighbours;
  const Album& songs = found->second;
  neighbours.Songs = songs.songs;
  const std::u16string own = platform::CaseFold(ownPage);
  // The nearest row in one direction whose page exists under another name.
  const auto nearest = [&](std::size_t position, int step, bool& has, std::string& title, std::string& page) {
    while ((step < 0 && position > 0) || (step > 0 && position + 1 < songs.rows.size())) {
      position = step < 0 ? position - 1 : position + 1;
      const std::optional<std::string> name = pageOf(songs.rows[position]);
      if (!name || platform::CaseFold(*name) == own) continue;
      has = true;
      title = songs.titles[position];
      page = *name;
      return;
    }
  };
  const std::size_t position = positionOfRow_[row];
  nearest(position, -1, neighbours.HasPrev, neighbours.Prev, neighbours.PrevPage);
  nearest(position, +1, neighbours.HasNext, neighbours.Next, neighbours.NextPage);
  return neighbours;
}

TAlbumData FindAlbumNeighbours(const SongList& rows, const std::string& album, const std::string& title) {
  return AlbumIndex(rows).FindAlbumNeighbours(album, title);
}

std::size_t CountChecked(const SongList& rows) {
  return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const SongRow& row) { return row.checked; }));
}

namespace {

std::string PageHead(const SongRow& row, const TAlbumData& neighbours) {
  const std::string& title = row.Title();
  const std::string& album = row.Album();
  std::string head = "<?xml encoding=\"Shift_JIS\"?><meta name=\"NowPlaying\" content=\"false\">";
  head.reserve(512 + 4 * (title.size() + album.size()) + neighbours.Songs.size());
  head += "Title:  <a href=\"ipod:music?album=" + album + "&song=" + title + "\">" + title + "</a>\r\n";
  head += "Album:  <a href=\"ipod:music?album=" + album + "&song=" + neighbours.Songs + "\">" + album + "</a>\r\n";
  head += "Track No:  " + row.sub[kTrack] + "\r\n";
  head += "Artist:  " + row.sub[kArtist] + "(" + row.sub[kYear] + ")\r\n";
  head += "Time:  " + row.sub[kTime] + "\r\n";
  head += "Now Playing:  <a href=\"ipod:music?NowPlaying=true\">ON</a> / <a href=\"ipod:music?NowPlaying=false\">OFF</a>";
  return head;
}

std::string WordsHeading() {
  static const std::string words = "\r\n\r\n" + platform::Sjis("【Words】") + "\r\n\r\n";
  return words;
}

std::string NeighbourLinks(const TAlbumData& neighbours) {
  std::string links;
  if (neighbours.HasPrev) {
    links += "Prev:<a href=\"" + neighbours.PrevPage + "\">" + neighbours.Prev + "</a>";
    if (neighbours.HasNext) links += "\r\n";
  }
  if (neighbours.HasNext) links += "Next:<a href=\"" + neighbours.NextPage + "\">" + neighbours.Next + "</a>";
  return links;
}

std::string PartLink(const std::string& name, const std::string& label) {
  return "<a href=\"" + name + "\">" + label + "</a>";
}

// Takes lines of rest (stored, each ended by CR LF) that fit into budget bytes; when not even
// the first fits, as much of it as fits, cut between two characters, ended by CR LF. Empty
// when not one character fits.
std::string TakeLines(std::string_view& rest, std::size_t budget) {
  std::size_t end = 0;
  while (end < rest.size()) {
    const std::size_t lineEnd = rest.find("\r\n", end) + 2;
    if (lineEnd > budget) break;
    end = lineEnd;
  }
  if (end > 0) {
    std::string taken(rest.substr(0, end));
    rest.remove_prefix(end);
    return taken;
  }
  const std::string_view line = rest.substr(0, rest.find("\r\n"));
  std::size_t cut = 0;
  for (std::size_t next = platform::CharNext(line, 0); next <= line.size() && next + 2 <= budget && next > cut;
       next = platform::CharNext(line, next))
    cut = next;
  if (cut == 0) return std::string();
  std::string taken = std::string(line.substr(0, cut)) + "\r\n";
  rest.remove_prefix(cut);
  return taken;
}

}  // namespace

std::string NotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics) {
  std::string page = PageHead(row, neighbours);
  if (lyrics == nullptr) return page;
  page += WordsHeading();
  page += JoinLinesCrLf(*lyrics);
  page += "\r\n\r\n\r\n";
  page += NeighbourLinks(neighbours);
  return page;
}

StoredPage StoredNotesPage(const SongRow& row, const TAlbumData& neighbours, const std::string* lyrics) {
  StoredPage page;
  page.hasLyrics = lyrics != nullptr;
  if (!page.hasLyrics) {
    page.head = JoinLinesCrLf(PageHead(row, neighbours));
    return page;
  }
  page.head = JoinLinesCrLf(PageHead(row, neighbours) + WordsHeading());
  page.lyrics = JoinLinesCrLf(*lyrics);
  page.links = JoinLinesCrLf(NeighbourLinks(neighbours));
  return page;
}

std::vector<NotePart> SplitNotesPage(const StoredPage& page, const std::string& pageName,
                                     const std::function<std::string(std::size_t)>& partName) {
  static const std::string more = platform::Sjis("続き");
  static const std::string back = platform::Sjis("戻る");
  std::vector<NotePart> parts{{pageName, page.Whole()}};
  if (!page.hasLyrics || parts.front().content.size() <= kNoteByteLimit) return parts;

  std::vector<NotePart> split{{pageName, std::string()}};
  std::string_view rest = page.lyrics;
  for (std::size_t number = 1;; ++number) {
    const std::string backLink = number > 1 ? PartLink(split[number - 2].name, back) : std::string();
    const std::string lastTail = "\r\n\r\n\r\n" + (number > 1 ? backLink + "\r\n" : std::string()) + page.links;
    if (page.head.size() + rest.size() + lastTail.size() <= kNoteByteLimit) {
      split.back().content = page.head + std::string(rest) + lastTail;
      return split;
    }
    const std::string next = partName(number + 1);
    const std::string tail = "\r\n" + (number > 1 ? backLink + "  " : std::string()) + PartLink(next, more) + "\r\n";
    const std::size_t used = page.head.size() + tail.size();
    const std::string taken = used < kNoteByteLimit ? TakeLines(rest, kNoteByteLimit - used) : std::string();
    if (taken.empty()) return parts;  // the head leaves no room: one page, reported as too long
    split.back().content = page.head + taken + tail;
    split.push_back({next, std::string()});
  }
}

std::string ExportReportText(const ExportReport& report) {
  std::string text;
  if (report.stopped) text += platform::Sjis("ノートの作成を中止しました。") + "\r\n";
  text += platform::Sjis("ノートを ") + Count(report.pagesWritten) + platform::Sjis(" 件書き込みました。");
  if (report.partsWritten > report.pagesWritten)
    text += platform::Sjis("長いノートを分けたので、ファイルは ") + Count(report.partsWritten) + platform::Sjis(" 個です。");
  if (report.pagesRemoved > 0)
    text += "\r\n" + platform::Sjis("書き出さなくなった古いノートを ") + Count(report.pagesRemoved) + platform::Sjis(" 件削除しました。");
  text += "\r\n" + platform::Sjis("iPod のノートは ") + Count(report.pagesInNotes) + platform::Sjis(" 件です。");
  if (report.pagesOverLimit > 0) {
    text += "\r\n\r\n" + platform::Sjis("4,096 バイトを超えるノートが ") + Count(report.pagesOverLimit) +
            platform::Sjis(" 件あります。iPod では 4,096 バイトより後ろが表示されません。");
    for (const OverLimitPage& page : report.overLimit)
      text += "\r\n  " + page.path + platform::Sjis(" (") + Count(page.bytesCut) + platform::Sjis(" バイトが切れます)");
  }
  if (!report.renamed.empty()) {
    text += "\r\n\r\n" + platform::Sjis("大文字と小文字だけが違う名前が ") + Count(report.renamed.size()) +
            platform::Sjis(" 件ありました。上書きしないよう別の名前で書き込みました。");
    for (const NameClash& clash : report.renamed) text += "\r\n  " + clash.wanted + platform::Sjis(" → ") + clash.given;
  }
  if (report.pagesInNotes > kNoteCountLimit) {
    text += "\r\n\r\n" + platform::Sjis("Notes フォルダのノートが ") + Count(report.pagesInNotes) +
            platform::Sjis(" 件になりました。iPod が読み込むのは最初の 1,000 件だけです。");
    if (!report.beyondNoteLimit.empty()) {
      text += platform::Sjis("読み込まれないノート (名前順):");
      const std::size_t shown = std::min(report.beyondNoteLimit.size(), kReportedBeyondLimit);
      for (std::size_t i = 0; i < shown; ++i) text += "\r\n  " + report.beyondNoteLimit[i];
      if (report.beyondNoteLimit.size() > shown)
        text += "\r\n  " + platform::Sjis("ほか ") + Count(report.beyondNoteLimit.size() - shown) + platform::Sjis(" 件");
    }
  }
  return text;
}

namespace {

// The paths of this run's pages that lie beyond the reader's first 1,000 notes.
std::vector<std::string> BeyondNoteLimit(const std::vector<std::string>& notes, const std::set<std::string>& written) {
  std::vector<std::string> beyond;
  for (std::size_t i = kNoteCountLimit; i < notes.size(); ++i)
    if (written.contains(notes[i])) beyond.push_back(notes[i]);
  return beyond;
}

}  // namespace

ExportReport ExportNotes(MainState& state, Feedback& ui) {
  static const std::string working = platform::Sjis("一覧作成中...");
  ExportReport report;
  if (state.DriveRoot.empty()) {
    ui.ErrorBox(NotRecognisedText());
    return report;
  }
  const std::string root = state.DriveRoot;
  NotesOnPlayer player(root);
  RemoveDataFolderTemporaries(state.AppDir);

  const std::string previous = ui.SetStatus(working);
  ui.ProcessMessages();

  const LyricsIndex lyricsFiles(state);
  PageBuilder pages(state.AList, &player, state.SplitPages, state.CleanNotes);
  const std::size_t ticked = CountChecked(state.AList);
  std::set<std::string> written;
  std::string registered;
  try {
    for (std::size_t i = 0; i < state.AList.size(); ++i) {
      // Asked between two pages only; the rows after a stop still go into the list file.
      if (state.AList[i].checked && !report.stopped && report.pagesWritten > 0 && ui.PollStop()) report.stopped = true;
      const SongRow& row = state.AList[i];
      const bool writePage = row.checked && !report.stopped;
      // The lyrics file of a page is read once, for the page and for its opening line.
      const std::optional<std::string> lyrics =
          writePage ? ReadLyrics(lyricsFiles, row.Title(), row.Album()) : std::nullopt;
      registered += RegisteredLine(state, row, writePage ? FirstLine(lyrics)
                                                         : OpeningLineOf(lyricsFiles, row.Title(), row.Album())) +
                    "\r\n";
      if (!writePage) continue;

      const PagePlace& place = *pages.Plan().PlaceOfRow(i);
      // A removal handled during the run forgets the player; its pages are not written on.
      if (state.DriveRoot != root) throw FileError("ノートを書き込めません。", player.PathOf(place), ENODEV);
      for (const NotePart& part : pages.PagesOfRow(i, lyrics ? &*lyrics : nullptr)) {
        const PagePlace partPlace{place.folder, part.name};
        player.Write(partPlace, part.content);
        written.insert(partPlace.Relative());
        ++report.partsWritten;
        if (part.content.size() > kNoteByteLimit) NoteOverLimit(report, partPlace, part.content.size());
      }
      ++report.pagesWritten;

      ui.ProcessMessages();
      // The position counts every registered row, the divisor only the ticked ones: the
      // value stops at 100.
      ui.SetProgress(RoundedPercent(i, ticked));
    }
    // A stopped run leaves the pages it did not get to, and their record, as they are.
    if (state.CleanNotes && !report.stopped) report.pagesRemoved = player.RemoveStalePages();
    player.SaveRecord();
    if (player.WroteAny() || report.pagesRemoved > 0) player.Sync();
  } catch (...) {
    // The pages written before the failure stay on the player: flush them as far as it goes.
    player.TrySync();
    throw;
  }
  report.renamed = pages.Plan().Clashes();

  WriteRegisteredList(state, registered);
  ui.ProcessMessages();
  ui.SetStatus(previous);
  ui.SetProgress(0);
  LoadLists(state, ListsToLoad::RegisteredOnly);
  ui.ProcessMessages();

  // Success is told only about the player the run began with, still in its place.
  player.CheckStillMounted();
  const std::vector<std::string> notes = player.ListNotes();
  report.pagesInNotes = notes.size();
  report.beyondNoteLimit = BeyondNoteLimit(notes, written);
  ui.InformationBox(ExportReportText(report));
  return report;
}

std::vector<NotePart> PreviewNotesPages(const MainState& state, std::size_t row, bool splitPages) {
  if (row >= state.AList.size()) return {};
  SongList rows = state.AList;
  rows[row].checked = true;
  std::optional<NotesOnPlayer> player;
  if (!state.DriveRoot.empty()) {
    try {
      player.emplace(state.DriveRoot, NotesOnPlayer::Use::ReadOnly);
    } catch (const platform::Error&) {
      // No player to look at: links lead only to pages of this export.
    }
  }
  PageBuilder pages(rows, player ? &*player : nullptr, splitPages, state.CleanNotes);
  const std::optional<std::string> lyrics = ReadLyrics(LyricsIndex(state), rows[row].Title(), rows[row].Album());
  return pages.PagesOfRow(row, lyrics ? &*lyrics : nullptr);
}

}  // namespace library
