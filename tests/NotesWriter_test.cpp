// SPDX-License-Identifier: GPL-3.0-or-later
// Notes pages: album order and neighbours, the page text byte for byte, and the export
// command on a player made in a temporary folder.
#include "library/NotesWriter.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "FakeFeedback.h"
#include "TestSupport.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/PlayerNames.h"
#include "platform/CodePage.h"
#include "platform/DirHandle.h"
#include "platform/Error.h"
#include "platform/File.h"

namespace {

namespace fs = std::filesystem;
using library::SongRow;
using platform::Sjis;
using testing_support::FakeFeedback;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// A registered row; texts are UTF-8 and stored as code page 932.
SongRow Row(const std::string& title, const std::string& album, const std::string& track, bool checked = true) {
  SongRow row;
  row.caption = Sjis(title);
  row.sub[library::kAlbum] = Sjis(album);
  row.sub[library::kTrack] = track;
  row.sub[library::kArtist] = "Artist";
  row.sub[library::kTime] = "04:10";
  row.sub[library::kYear] = "2004";
  row.checked = checked;
  return row;
}

// The exchange sort as written: for i, for j > i, swap when track[j] < track[i].
std::vector<std::string> ExchangeSorted(std::vector<std::string> titles, std::vector<long long> tracks) {
  for (std::size_t i = 0; i < tracks.size(); ++i)
    for (std::size_t j = i + 1; j < tracks.size(); ++j)
      if (tracks[j] < tracks[i]) {
        std::swap(tracks[i], tracks[j]);
        std::swap(titles[i], titles[j]);
      }
  return titles;
}

std::string Joined(const std::vector<std::string>& titles) {
  std::string joined;
  for (const std::string& title : titles) joined += (joined.empty() ? "" : "&") + title;
  return joined;
}

const char kHead[] = "<?xml encoding=\"Shift_JIS\"?><meta name=\"NowPlaying\" content=\"false\">";
const char kNowPlaying[] =
    "Now Playing:  <a href=\"ipod:music?NowPlaying=true\">ON</a> / <a href=\"ipod:music?NowPlaying=false\">OFF</a>";

TEST(TrackNumber, WholeNumbersWithSignAndSpacesElseZero) {
  EXPECT_EQ(library::TrackNumber("3"), 3);
  EXPECT_EQ(library::TrackNumber(" 12 "), 12);
  EXPECT_EQ(library::TrackNumber("+4"), 4);
  EXPECT_EQ(library::TrackNumber("-2"), -2);
  EXPECT_EQ(library::TrackNumber("007"), 7);
  EXPECT_EQ(library::TrackNumber(""), 0);
  EXPECT_EQ(library::TrackNumber("1/12"), 0);
  EXPECT_EQ(library::TrackNumber("1 2"), 0);
  EXPECT_EQ(library::TrackNumber("0x10"), 0);
  EXPECT_EQ(library::TrackNumber("two"), 0);
  EXPECT_EQ(library::TrackNumber("99999999999999999999"), 0);
}

TEST(AlbumNeighbours, TracksThreeOneTwoGiveABC) {
  const library::SongList rows = {Row("c", "Al", "3"), Row("a", "Al", "1"), Row("b", "Al", "2")};
  const library::TAlbumData a = library::FindAlbumNeighbours(rows, Sjis("Al"), "a");
  EXPECT_EQ(a.Songs, "a&b&c");
  EXPECT_FALSE(a.HasPrev);
  EXPECT_EQ(a.Prev, "");
  EXPECT_TRUE(a.HasNext);
  EXPECT_EQ(a.Next, "b");
  const library::TAlbumData b = library::FindAlbumNeighbours(rows, Sjis("Al"), "b");
  EXPECT_EQ(b.Songs, "a&b&c");
  EXPECT_TRUE(b.HasPrev && b.HasNext);
  EXPECT_EQ(b.Prev, "a");
  EXPECT_EQ(b.Next, "c");
  const library::TAlbumData c = library::FindAlbumNeighbours(rows, Sjis("Al"), "c");
  EXPECT_TRUE(c.HasPrev);
  EXPECT_FALSE(c.HasNext);
  EXPECT_EQ(c.Prev, "b");
  EXPECT_EQ(c.Next, "");
}

TEST(AlbumNeighbours, EqualTracksFollowTheExchangeSortNotAStableOne) {
  const library::SongList rows = {Row("x", "Al", "2"), Row("y", "Al", "2"), Row("z", "Al", "1")};
  EXPECT_EQ(library::FindAlbumNeighbours(rows, Sjis("Al"), "z").Songs, "z&y&x");
  const library::TAlbumData y = library::FindAlbumNeighbours(rows, Sjis("Al"), "y");
  EXPECT_EQ(y.Prev, "z");
  EXPECT_EQ(y.Next, "x");
}

TEST(AlbumNeighbours, SameOrderAsTheExchangeSortOnRandomAlbums) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t size = random() % 40;
    const int distinct = 1 + static_cast<int>(random() % 6);
    library::SongList rows;
    std::vector<std::string> titles;
    std::vector<long long> tracks;
    for (std::size_t i = 0; i < size; ++i) {
      const long long track = static_cast<long long>(random() % distinct) - 1;
      titles.push_back("t" + std::to_string(i));
      tracks.push_back(track);
      rows.push_back(Row(titles.back(), "Al", std::to_string(track)));
      if (random() % 4 == 0) rows.push_back(Row("other" + std::to_string(i), "Other", "1"));
    }
    if (size == 0) continue;
    const std::string expected = Joined(ExchangeSorted(titles, tracks));
    ASSERT_EQ(library::FindAlbumNeighbours(rows, Sjis("Al"), "t0").Songs, expected) << "round " << round;
  }
}

TEST(AlbumNeighbours, OddTrackTextsSortAsZeroInsteadOfEndingTheExport) {
  const library::SongList rows = {Row("a", "Al", "1/12"), Row("b", "Al", "2"), Row("c", "Al", "")};
  EXPECT_EQ(library::FindAlbumNeighbours(rows, Sjis("Al"), "a").Songs, "a&c&b");
}

TEST(AlbumNeighbours, OneSongAlone) {
  const library::SongList rows = {Row("solo", "One", "5"), Row("x", "Two", "1")};
  const library::TAlbumData solo = library::FindAlbumNeighbours(rows, Sjis("One"), "solo");
  EXPECT_EQ(solo.Songs, "solo");
  EXPECT_FALSE(solo.HasPrev);
  EXPECT_FALSE(solo.HasNext);
}

TEST(AlbumNeighbours, AlbumExactTitleIgnoringCaseFirstOfEqualTitles) {
  const library::SongList rows = {Row("Same", "Al", "1"), Row("mid", "Al", "2"), Row("same", "Al", "3"),
                                  Row("x", "al", "1")};
  // Both rows titled same find the first of them.
  for (const char* title : {"same", "SAME", "Same"}) {
    const library::TAlbumData found = library::FindAlbumNeighbours(rows, Sjis("Al"), title);
    EXPECT_FALSE(found.HasPrev) << title;
    EXPECT_EQ(found.Next, "mid") << title;
    EXPECT_EQ(found.Songs, "Same&mid&same");
  }
  // Letter case of the album counts: "al" is another album.
  EXPECT_EQ(library::FindAlbumNeighbours(rows, Sjis("al"), "x").Songs, "x");
  // Full-width letters are not their half-width forms.
  EXPECT_EQ(library::FindAlbumNeighbours(rows, Sjis("Al"), Sjis("ｍｉｄ")).Next, "");
}

TEST(AlbumNeighbours, NeighbourPagesAreTheirPageFileNames) {
  const library::SongList rows = {Row("a/b", "Al", "1"), Row("mid", "Al", "2"), Row("what?.", "Al", "3")};
  const library::TAlbumData mid = library::FindAlbumNeighbours(rows, Sjis("Al"), "mid");
  EXPECT_EQ(mid.Prev, "a/b");
  EXPECT_EQ(mid.PrevPage, "a_b");
  EXPECT_EQ(mid.Next, "what?.");
  EXPECT_EQ(mid.NextPage, "what__");
  EXPECT_EQ(mid.Songs, "a/b&mid&what?.");
}

TEST(AlbumNeighbours, AnIndexAnswersLikeTheSingleSearch) {
  library::SongList rows;
  for (int i = 0; i < 30; ++i) rows.push_back(Row("s" + std::to_string(i), "A" + std::to_string(i % 3), std::to_string(i % 4)));
  const library::AlbumIndex index(rows);
  for (const SongRow& row : rows) {
    const library::TAlbumData once = index.FindAlbumNeighbours(row.Album(), row.Title());
    const library::TAlbumData single = library::FindAlbumNeighbours(rows, row.Album(), row.Title());
    EXPECT_EQ(once.Songs, single.Songs);
    EXPECT_EQ(once.Prev, single.Prev);
    EXPECT_EQ(once.Next, single.Next);
  }
}

TEST(CountChecked, CountsTickedRowsOnly) {
  EXPECT_EQ(library::CountChecked({}), 0u);
  EXPECT_EQ(library::CountChecked({Row("a", "", "1", true), Row("b", "", "1", false), Row("c", "", "1", true)}), 2u);
}

library::TAlbumData Neighbours(const std::string& prev, const std::string& next, const std::string& songs) {
  library::TAlbumData data;
  data.Songs = songs;
  data.HasPrev = !prev.empty();
  data.Prev = prev;
  data.PrevPage = prev.empty() ? "" : library::NotesPageName(prev);
  data.HasNext = !next.empty();
  data.Next = next;
  data.NextPage = next.empty() ? "" : library::NotesPageName(next);
  return data;
}

TEST(NotesPage, WithLyricsAndBothNeighboursByteForByte) {
  SongRow row = Row("b", "Al", "2");
  const std::string lyrics = "line one\r\nline two\r\n";
  const std::string page = library::NotesPage(row, Neighbours("a/x", "c", "a/x&b&c"), &lyrics);
  const std::string expected = std::string(kHead) +
                               "Title:  <a href=\"ipod:music?album=Al&song=b\">b</a>\r\n"
                               "Album:  <a href=\"ipod:music?album=Al&song=a/x&b&c\">Al</a>\r\n"
                               "Track No:  2\r\n"
                               "Artist:  Artist(2004)\r\n"
                               "Time:  04:10\r\n" +
                               kNowPlaying + "\r\n\r\n" + Sjis("【Words】") +
                               "\r\n\r\n"
                               "line one\r\nline two\r\n"
                               "\r\n\r\n\r\n"
                               "Prev:<a href=\"a_x\">a/x</a>\r\n"
                               "Next:<a href=\"c\">c</a>";
  EXPECT_EQ(page, expected);
  // Stored as lines: the same text with a final line break.
  EXPECT_EQ(library::JoinLinesCrLf(page), expected + "\r\n");
}

TEST(NotesPage, WithoutLyricsSixLinesAndNoLinks) {
  const std::string page = library::NotesPage(Row("b", "Al", "2"), Neighbours("a", "c", "a&b&c"), nullptr);
  const std::string stored = library::JoinLinesCrLf(page);
  EXPECT_EQ(library::SplitLines(stored).size(), 6u);
  EXPECT_EQ(stored.substr(stored.size() - std::string(kNowPlaying).size() - 2), std::string(kNowPlaying) + "\r\n");
  EXPECT_EQ(stored.find("Prev:"), std::string::npos);
}

TEST(NotesPage, OnlyOneLinkHasNoLineBreakOfItsOwn) {
  const std::string lyrics = "la";
  const std::string prevOnly = library::NotesPage(Row("c", "Al", "3"), Neighbours("b", "", "b&c"), &lyrics);
  EXPECT_TRUE(prevOnly.ends_with("la\r\n\r\n\r\n\r\nPrev:<a href=\"b\">b</a>")) << prevOnly;
  const std::string nextOnly = library::NotesPage(Row("a", "Al", "1"), Neighbours("", "b", "a&b"), &lyrics);
  EXPECT_TRUE(nextOnly.ends_with("la\r\n\r\n\r\n\r\nNext:<a href=\"b\">b</a>")) << nextOnly;
  const std::string alone = library::NotesPage(Row("a", "Al", "1"), Neighbours("", "", "a"), &lyrics);
  EXPECT_TRUE(alone.ends_with("la\r\n\r\n\r\n\r\n"));
  // An empty lyrics file still gives the heading and the gap.
  const std::string empty;
  const std::string blank = library::NotesPage(Row("a", "Al", "1"), Neighbours("", "", "a"), &empty);
  EXPECT_TRUE(blank.ends_with(std::string(kNowPlaying) + "\r\n\r\n" + Sjis("【Words】") + "\r\n\r\n\r\n\r\n\r\n"));
}

TEST(NotesPage, ValuesGoInUnescaped) {
  SongRow row = Row("R&B <\"1\">", "A&B", "1");
  row.sub[library::kArtist] = Sjis("歌手");
  const std::string page = library::NotesPage(row, Neighbours("", "", row.caption), nullptr);
  EXPECT_NE(page.find("ipod:music?album=A&B&song=R&B <\"1\">\">R&B <\"1\"></a>"), std::string::npos);
  EXPECT_NE(page.find("Artist:  " + Sjis("歌手") + "(2004)"), std::string::npos);
}

TEST(ExportReportText, CountsNamesEveryLongPageAndThePagesBeyondOneThousand) {
  library::ExportReport report;
  report.pagesWritten = 12;
  report.pagesInNotes = 1000;
  std::string text = platform::Cp932ToUtf8(library::ExportReportText(report));
  EXPECT_NE(text.find("12 件"), std::string::npos);
  EXPECT_EQ(text.find("4,096"), std::string::npos);
  EXPECT_EQ(text.find("1,000 件"), std::string::npos);

  report.pagesOverLimit = 2;
  report.overLimit = {{"A/1", 1}, {"5", 4096}};
  report.pagesInNotes = 1012;
  for (int i = 0; i < 12; ++i) report.beyondNoteLimit.push_back("Z/" + std::to_string(i));
  report.pagesRemoved = 3;
  report.stopped = true;
  text = platform::Cp932ToUtf8(library::ExportReportText(report));
  EXPECT_NE(text.find("中止"), std::string::npos);
  EXPECT_NE(text.find("古いノートを 3 件削除しました。"), std::string::npos);
  EXPECT_NE(text.find("iPod のノートは 1012 件です。"), std::string::npos);
  EXPECT_NE(text.find("4,096 バイトを超えるノートが 2 件"), std::string::npos);
  EXPECT_NE(text.find("\r\n  A/1 (1 バイトが切れます)\r\n  5 (4096 バイトが切れます)"), std::string::npos);
  EXPECT_NE(text.find("1,000 件"), std::string::npos);
  EXPECT_NE(text.find("  Z/9\r\n  ほか 2 件"), std::string::npos) << text;
  EXPECT_EQ(text.find("Z/10"), std::string::npos);
}

// A player folder, a data folder and a state pointing at both.
class Export : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(player.path() / "iPod_Control" / "Device");
    fs::create_directories(data.path() / "MusicDatas");
    state.DriveRoot = player.path().string() + "/";
    state.Connected = true;
  }

  std::string Notes(const std::string& relativeUtf8) const {
    return (player.path() / "Notes" / fs::u8path(relativeUtf8)).string();
  }
  void Lyrics(const std::string& title, const std::string& album, const std::string& textUtf8) {
    library::WriteLyricsFile(library::LyricsFileName(state, Sjis(title), Sjis(album)), Sjis(textUtf8));
  }
  std::string ListFile() const { return ReadBytes(library::RegisteredListPath(state)); }

  TempDir player;
  TempDir data;
  library::MainState state{data.path().string() + "/"};
  FakeFeedback ui;
};

// Every regular file below folder, as sorted paths relative to it.
std::vector<std::string> FilesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(Export, NoPlayerShowsTheErrorAndWritesNothing) {
  state.DriveRoot.clear();
  state.AList = {Row("a", "Al", "1")};
  const library::ExportReport report = library::ExportNotes(state, ui);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0], (FakeFeedback::Box{"error", "iPodが認識されていません。"}));
  EXPECT_TRUE(ui.statuses.empty());
  EXPECT_EQ(report.pagesWritten, 0u);
  EXPECT_FALSE(fs::exists(library::RegisteredListPath(state)));
}

TEST_F(Export, AlbumPagesLinksListFileProgressAndReport) {
  state.AList = {Row("c", "Al", "3"), Row("a", "Al", "1"), Row("b", "Al", "2")};
  Lyrics("a", "Al", "la a");
  Lyrics("b", "Al", "la b\nsecond");
  const library::ExportReport report = library::ExportNotes(state, ui);

  EXPECT_EQ(report.pagesWritten, 3u);
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(ReadBytes(Notes("Al/b")), std::string(kHead) +
                                          "Title:  <a href=\"ipod:music?album=Al&song=b\">b</a>\r\n"
                                          "Album:  <a href=\"ipod:music?album=Al&song=a&b&c\">Al</a>\r\n"
                                          "Track No:  2\r\nArtist:  Artist(2004)\r\nTime:  04:10\r\n" +
                                          kNowPlaying + "\r\n\r\n" + Sjis("【Words】") +
                                          "\r\n\r\nla b\r\nsecond\r\n\r\n\r\n\r\n"
                                          "Prev:<a href=\"a\">a</a>\r\nNext:<a href=\"c\">c</a>\r\n");
  EXPECT_TRUE(ReadBytes(Notes("Al/a")).ends_with("la a\r\n\r\n\r\n\r\nNext:<a href=\"b\">b</a>\r\n"));
  // c has no lyrics file: six lines.
  EXPECT_EQ(library::SplitLines(ReadBytes(Notes("Al/c"))).size(), 6u);

  // The list file holds every row, ticked, with the opening lines of the lyrics files.
  const std::vector<std::string> lines = library::SplitLines(ListFile());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "c\tAl\t3\tArtist\t04:10\t2004\t-1\t\t\t");
  EXPECT_EQ(lines[1], "a\tAl\t1\tArtist\t04:10\t2004\t-1\tla a\t\t");
  EXPECT_TRUE(ListFile().ends_with("\r\n"));
  // Reloaded: the opening line column is filled from the files.
  ASSERT_EQ(state.AList.size(), 3u);
  EXPECT_EQ(state.AList[2].sub[library::kOpeningLine], "la b");

  EXPECT_EQ(ui.statuses.front(), "一覧作成中...");
  EXPECT_EQ(ui.status, "iPod が認識されていません。");
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 33, 67, 0}));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, "information");
  EXPECT_NE(ui.boxes[0].text.find("3 件"), std::string::npos);
  EXPECT_EQ(report.pagesInNotes, 3u);
}

TEST_F(Export, OpeningLinesOfTickedAndUntickedRowsEndAtEveryKindOfLineBreak) {
  // Each file's content as it is on disk (no CR LF added) and the opening line it gives.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"one\r\ntwo\r\n", "one"}, {"one\rtwo", "one"}, {"one\ntwo", "one"},     {"\r\nsecond", ""},
      {"\rsecond", ""},          {"only", "only"},    {"", ""},               {Sjis("表\r\nx"), Sjis("表")},
  };
  for (bool checked : {true, false}) {
    state.AList.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
      state.AList.push_back(Row("f" + std::to_string(i), "Al", std::to_string(i + 1), checked));
      WriteBytes(library::LyricsFileName(state, state.AList.back().Title(), "Al"), files[i].first);
    }
    state.AList.push_back(Row("missing", "Al", "20", checked));

    FakeFeedback run;
    library::ExportNotes(state, run);
    const std::vector<std::string> lines = library::SplitLines(ListFile());
    ASSERT_EQ(lines.size(), files.size() + 1) << checked;
    for (std::size_t i = 0; i < files.size(); ++i)
      EXPECT_EQ(lines[i], "f" + std::to_string(i) + "\tAl\t" + std::to_string(i + 1) + "\tArtist\t04:10\t2004\t" +
                              (checked ? "-1" : "0") + "\t" + files[i].second + "\t\t")
          << checked << " " << i;
    EXPECT_TRUE(lines[files.size()].starts_with("missing\tAl\t20\t")) << lines[files.size()];
    EXPECT_TRUE(lines[files.size()].ends_with("\t\t\t")) << lines[files.size()];
  }
  EXPECT_EQ(library::SplitLines(ReadBytes(Notes("Al/missing"))).size(), 6u);
}

TEST_F(Export, AFifoInPlaceOfALyricsFileEndsTheExportTickedOrNot) {
  const std::string fifo = library::LyricsFileName(state, "pipe", "Al");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);  // refused, never blocked on
  state.AList = {Row("other", "Al", "2")};
  library::ExportNotes(state, ui);  // a first list file
  state.AList.push_back(Row("pipe", "Al", "1", false));
  for (bool checked : {false, true}) {
    state.AList[1].checked = checked;
    const std::string before = ListFile();
    try {
      library::ExportNotes(state, ui);
      FAIL() << "no error raised";
    } catch (const platform::Error& error) {
      EXPECT_NE(std::string(error.what()).find(fifo), std::string::npos) << error.what();
    }
    EXPECT_EQ(ListFile(), before);
  }
}

TEST_F(Export, ProgressRoundsHalfToEvenAndStaysFull) {
  for (int i = 0; i < 8; ++i) state.AList.push_back(Row("s" + std::to_string(i), "Al", std::to_string(i)));
  library::ExportNotes(state, ui);
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 0}));

  FakeFeedback second;
  state.AList = {Row("u1", "Al", "1", false), Row("u2", "Al", "2", false), Row("t1", "Al", "3"), Row("t2", "Al", "4")};
  library::ExportNotes(state, second);
  EXPECT_EQ(second.progress, (std::vector<int>{100, 100, 0}));
}

TEST_F(Export, EventsInTheOrderOfTheCommand) {
  state.AList = {Row("a", "Al", "1"), Row("u", "Al", "2", false), Row("b", "Al", "3")};
  library::ExportNotes(state, ui);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"status:一覧作成中...", "process", "process", "progress:0", "poll",
                                                 "process", "progress:100", "process",
                                                 "status:iPod が認識されていません。", "progress:0", "process",
                                                 "box:information"}));
}

TEST_F(Export, NothingTickedStillRewritesTheListAndTouchesNoPlayerFile) {
  state.AList = {Row("a", "Al", "1", false), Row("b", "", "2", false)};
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_EQ(report.pagesWritten, 0u);
  EXPECT_FALSE(fs::exists(player.path() / "Notes"));
  EXPECT_EQ(ListFile(), "a\tAl\t1\tArtist\t04:10\t2004\t0\t\t\t\r\nb\t\t2\tArtist\t04:10\t2004\t0\t\t\t\r\n");
  EXPECT_EQ(state.AList.size(), 2u);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text.find("0 件"), std::string::npos);
}

TEST_F(Export, NamesTheDiskRefusesStayInsideNotes) {
  state.AList = {Row("a/b?c", "../../x", "1"), Row("next", "../../x", "2"), Row("..", "", "1"), Row("", "sp ", "1")};
  Lyrics("a/b?c", "../../x", "la");
  Lyrics("next", "../../x", "la");
  library::ExportNotes(state, ui);

  std::vector<std::string> written;
  for (const auto& entry : fs::recursive_directory_iterator(player.path()))
    if (entry.is_regular_file()) written.push_back(fs::relative(entry.path(), player.path()).string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{".lyrimate/notes.lst", "Notes/.._.._x/a_b_c", "Notes/.._.._x/next",
                                               "Notes/._", "Notes/sp_/_"}));
  // The pages an unguarded "../../x" would write beside the player (the folder x itself may
  // belong to someone else).
  EXPECT_FALSE(fs::exists(player.path().parent_path() / "x" / "next"));
  EXPECT_FALSE(fs::exists(player.path().parent_path() / "x" / "a_b_c"));

  // Links name the page files; link texts and the ipod:music values stay as they are.
  const std::string first = ReadBytes(Notes(".._.._x/a_b_c"));
  EXPECT_NE(first.find("ipod:music?album=../../x&song=a/b?c\">a/b?c</a>"), std::string::npos);
  EXPECT_NE(first.find("ipod:music?album=../../x&song=a/b?c&next\">../../x</a>"), std::string::npos);
  EXPECT_TRUE(first.ends_with("Next:<a href=\"next\">next</a>\r\n"));
  EXPECT_TRUE(ReadBytes(Notes(".._.._x/next")).ends_with("Prev:<a href=\"a_b_c\">a/b?c</a>\r\n"));
}

TEST_F(Export, JapaneseNamesWithTrailByte5CKeepTheirBytes) {
  // "ソ" is 83 5C and "表" 95 5C in code page 932.
  state.AList = {Row("ソフト表", "表現", "1"), Row("表示", "表現", "2")};
  Lyrics("ソフト表", "表現", "歌詞");
  library::ExportNotes(state, ui);
  const std::string page = ReadBytes(Notes("表現/ソフト表"));
  ASSERT_FALSE(page.empty());
  EXPECT_NE(page.find("song=" + Sjis("ソフト表") + "\">"), std::string::npos);
  EXPECT_TRUE(page.ends_with("Next:<a href=\"" + Sjis("表示") + "\">" + Sjis("表示") + "</a>\r\n"));
  EXPECT_TRUE(fs::exists(fs::u8path(Notes("表現/表示"))));
}

TEST_F(Export, TwoRowsWithOneTitleShareThePageTheLaterWinsWithoutLinkingToItself) {
  state.AList = {Row("same", "Al", "1"), Row("same", "Al", "2"), Row("other", "Al", "3"), Row("same", "Al", "4")};
  Lyrics("same", "Al", "la");
  Lyrics("other", "Al", "la");
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_EQ(report.pagesWritten, 4u);
  const std::string page = ReadBytes(Notes("Al/same"));
  EXPECT_NE(page.find("Track No:  4\r\n"), std::string::npos);
  // The last row's own copies are skipped: its nearest other page is "other".
  EXPECT_TRUE(page.ends_with("la\r\n\r\n\r\n\r\nPrev:<a href=\"other\">other</a>\r\n")) << page;
  const std::string other = ReadBytes(Notes("Al/other"));
  EXPECT_TRUE(other.ends_with("Prev:<a href=\"same\">same</a>\r\nNext:<a href=\"same\">same</a>\r\n")) << other;
  EXPECT_EQ(FilesBelow(player.path() / "Notes"), (std::vector<std::string>{"Al/other", "Al/same"}));
}

// Moves into a fresh folder for the life of the object, to see what lands relative to it.
class InFolder {
public:
  explicit InFolder(const fs::path& folder) : saved_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(saved_); }

private:
  fs::path saved_;
};

// Runs an action when the command lets messages be processed for the count-th time.
class FeedbackWithEvent : public FakeFeedback {
public:
  int at = -1;
  std::function<void()> action;
  void ProcessMessages() override {
    FakeFeedback::ProcessMessages();
    if (processed == at && action) action();
  }
};

TEST_F(Export, RemovalBetweenTwoPagesEndsWithAnErrorNamingThePage) {
  state.AList = {Row("a", "Al", "1"), Row("b", "Al", "2")};
  WriteBytes(library::RegisteredListPath(state), "old list");
  FeedbackWithEvent removing;
  removing.at = 2;  // after the first page
  removing.action = [&] {
    fs::remove_all(player.path());
    state.DriveRoot.clear();  // what the removal handler does
    state.Connected = false;
  };
  const std::string root = player.path().string() + "/";
  TempDir working;
  {
    InFolder inside(working.path());
    try {
      library::ExportNotes(state, removing);
      ADD_FAILURE() << "the export went on after the removal";
    } catch (const platform::Error& error) {
      const std::string message = platform::Cp932ToUtf8(error.what());
      EXPECT_NE(message.find("ノートを書き込めません。"), std::string::npos) << message;
      EXPECT_NE(message.find(root + "Notes/Al/b"), std::string::npos) << message;
    }
  }
  EXPECT_FALSE(fs::exists(player.path()));
  EXPECT_TRUE(fs::is_empty(working.path()));
  EXPECT_EQ(ListFile(), "old list");
  EXPECT_EQ(removing.status, "一覧作成中...");
}

TEST_F(Export, PlayerGoneWithoutNoticeIsNotBuiltAgain) {
  state.AList = {Row("a", "Al", "1"), Row("b", "Other", "2"), Row("c", "", "3")};
  FeedbackWithEvent removing;
  removing.at = 2;
  removing.action = [&] { fs::remove_all(player.path()); };
  EXPECT_THROW(library::ExportNotes(state, removing), platform::Error);
  EXPECT_FALSE(fs::exists(player.path()));
}

TEST_F(Export, AFullDiskKeepsTheOldPage) {
  fs::create_directories(player.path() / "Notes" / "Al");
  WriteBytes(Notes("Al/a"), "old page");
  WriteBytes(library::RegisteredListPath(state), "old list");
  state.AList = {Row("a", "Al", "1")};
  platform::SimulateFullDiskAfter(20);
  EXPECT_THROW(library::ExportNotes(state, ui), platform::Error);
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(ReadBytes(Notes("Al/a")), "old page");
  EXPECT_EQ(std::distance(fs::directory_iterator(player.path() / "Notes" / "Al"), fs::directory_iterator()), 1);
  EXPECT_EQ(ListFile(), "old list");
}

TEST_F(Export, PagesOverTheLimitAreEachNamedWithTheBytesCut) {
  // A page of exactly 4,096 bytes is within the limit.
  state.AList = {Row("exact", "E", "1")};
  const std::string noLines;
  const std::string withoutLyrics = library::JoinLinesCrLf(
      library::NotesPage(state.AList[0], library::FindAlbumNeighbours(state.AList, "E", "exact"), &noLines));
  Lyrics("exact", "E", std::string(4096 - withoutLyrics.size() - 2, 'x'));
  for (int i = 1; i <= 6; ++i) {
    state.AList.push_back(Row("o" + std::to_string(i), "", "1"));
    Lyrics("o" + std::to_string(i), "", std::string(4096, 'y'));
  }
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_EQ(fs::file_size(Notes("E/exact")), 4096u);
  EXPECT_EQ(report.pagesOverLimit, 6u);
  ASSERT_EQ(report.overLimit.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(report.overLimit[i].path, "o" + std::to_string(i + 1));
    EXPECT_EQ(report.overLimit[i].bytesCut, fs::file_size(Notes("o" + std::to_string(i + 1))) - 4096);
  }
  EXPECT_NE(ui.boxes.back().text.find("o6 ("), std::string::npos);
}

TEST_F(Export, WarnsWhenNotesHoldsMoreThanOneThousandPages) {
  fs::create_directories(player.path() / "Notes" / "old");
  for (int i = 0; i < 999; ++i) WriteBytes(Notes("old/" + std::to_string(i)), "n");
  state.AList = {Row("a", "Al", "1")};
  EXPECT_EQ(library::ExportNotes(state, ui).pagesInNotes, 1000u);
  EXPECT_EQ(ui.boxes.back().text.find("1,000 件"), std::string::npos);

  WriteBytes(Notes("loose"), "n");
  EXPECT_EQ(library::ExportNotes(state, ui).pagesInNotes, 1001u);
  EXPECT_NE(ui.boxes.back().text.find("1001 件"), std::string::npos);
  EXPECT_NE(ui.boxes.back().text.find("1,000 件"), std::string::npos);
}

TEST_F(Export, StopBetweenPagesKeepsEveryRowInTheList) {
  for (int i = 0; i < 4; ++i) state.AList.push_back(Row("s" + std::to_string(i), "Al", std::to_string(i)));
  ui.stopAfterPolls = 1;
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(report.pagesWritten, 2u);
  EXPECT_EQ(ui.polls, 2);
  EXPECT_FALSE(fs::exists(Notes("Al/s2")));
  EXPECT_EQ(library::SplitLines(ListFile()).size(), 4u);
  EXPECT_EQ(ui.status, "iPod が認識されていません。");
  EXPECT_EQ(ui.progress.back(), 0);
  EXPECT_NE(ui.boxes.back().text.find("中止"), std::string::npos);
}

TEST_F(Export, CaseTwinsGetDistinctNamesLinksFollowAndTheReportListsThem) {
  // "Love"/"LOVE" in "Best", and "Other" in both "BEST" and "Best", plus a title that is
  // already what the second twin would be called.
  state.AList = {Row("Love", "Best", "1"), Row("LOVE", "Best", "2"), Row("Other", "BEST", "1"),
                 Row("Other", "Best", "3"), Row("love (2)", "Best", "4"), Row("Love", "Best", "5")};
  for (const SongRow& row : state.AList) Lyrics(platform::Cp932ToUtf8(row.Title()), platform::Cp932ToUtf8(row.Album()), "la");
  const library::ExportReport report = library::ExportNotes(state, ui);

  EXPECT_EQ(FilesBelow(player.path() / "Notes"),
            (std::vector<std::string>{"BEST (2)/Other", "Best/LOVE (2)", "Best/Love", "Best/Other", "Best/love (2) (2)"}));
  // The rows of one title and album share one page; the twin's page keeps its own text.
  EXPECT_NE(ReadBytes(Notes("Best/LOVE (2)")).find("song=LOVE\">LOVE</a>"), std::string::npos);
  EXPECT_NE(ReadBytes(Notes("BEST (2)/Other")).find("album=BEST&song=Other\">Other</a>"), std::string::npos);
  // Links name the page the twin was given.
  EXPECT_NE(ReadBytes(Notes("Best/Love")).find("Prev:<a href=\"love (2) (2)\">love (2)</a>"), std::string::npos);
  EXPECT_TRUE(ReadBytes(Notes("Best/LOVE (2)")).ends_with("Prev:<a href=\"Love\">Love</a>\r\nNext:<a href=\"Other\">Other</a>\r\n"));
  ASSERT_EQ(report.renamed.size(), 3u);
  EXPECT_EQ(report.renamed[0].wanted, "Best/LOVE");
  EXPECT_EQ(report.renamed[0].given, "Best/LOVE (2)");
  EXPECT_EQ(report.renamed[1].given, "BEST (2)");
  EXPECT_EQ(report.renamed[2].given, "Best/love (2) (2)");
  EXPECT_NE(ui.boxes.back().text.find("Best/LOVE → Best/LOVE (2)"), std::string::npos) << ui.boxes.back().text;
}

TEST_F(Export, LeftoversOfAKilledRunAreRemovedAndOthersKept) {
  // What a run killed while writing leaves: a temporary in our folder on the player and one
  // beside the list file and a lyrics file in the data folder.
  fs::create_directories(player.path() / ".lyrimate" / "tmp");
  for (const fs::path& folder : {player.path() / ".lyrimate" / "tmp", data.path(), data.path() / "MusicDatas"}) {
    platform::File abandoned;
    std::string name;
    ASSERT_TRUE(platform::DirHandle::Open(folder.string()).CreateTemporary(abandoned, name));
  }
  WriteBytes(data.File("MusicDatas/MusicList.lst.abcdef"), "the user's");
  fs::create_directories(player.path() / "Notes");
  WriteBytes(Notes(".hidden note"), "the user's");
  state.AList = {Row("a", "Al", "1")};
  library::ExportNotes(state, ui);

  EXPECT_EQ(FilesBelow(player.path() / "Notes"), (std::vector<std::string>{".hidden note", "Al/a"}));
  EXPECT_TRUE(fs::is_empty(player.path() / ".lyrimate" / "tmp"));
  for (const std::string& file : FilesBelow(data.path())) EXPECT_FALSE(platform::IsTemporaryName(fs::path(file).filename()));
  EXPECT_TRUE(fs::exists(data.File("MusicDatas/MusicList.lst.abcdef")));
}

TEST_F(Export, AWriteThatFailsLeavesNoTemporaryAnywhere) {
  state.AList = {Row("a", "Al", "1")};
  platform::SimulateFullDiskAfter(20);
  EXPECT_THROW(library::ExportNotes(state, ui), platform::Error);
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(FilesBelow(player.path()), std::vector<std::string>{});
}

// A tmpfs mounted as the player, so that it can be unmounted in the middle of an export.
class UnmountedExport : public Export {
protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root; the unmount case is not run";
    if (::mount("tmpfs", player.path().c_str(), "tmpfs", 0, "size=64m") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "); the unmount case is not run";
    mounted = true;
    Export::SetUp();
  }
  void TearDown() override {
    if (mounted) ::umount2(player.path().c_str(), MNT_DETACH);
  }
  bool mounted = false;
};

TEST_F(UnmountedExport, PlayerUnmountedMidRunIsAFailureAndTheMountPointGetsNothing) {
  for (int i = 0; i < 50; ++i) state.AList.push_back(Row("s" + std::to_string(i), "ALBUM", std::to_string(i)));
  WriteBytes(library::RegisteredListPath(state), "old list");
  FeedbackWithEvent unmounting;
  unmounting.at = 10;  // after nine pages
  unmounting.action = [&] { ASSERT_EQ(::umount2(player.path().c_str(), MNT_DETACH), 0) << std::strerror(errno); };
  try {
    library::ExportNotes(state, unmounting);
    ADD_FAILURE() << "an export onto an unmounted player reported success";
  } catch (const platform::Error& error) {
    const std::string message = platform::Cp932ToUtf8(error.what());
    EXPECT_NE(message.find("取り外されました"), std::string::npos) << message;
    EXPECT_NE(message.find(player.path().string()), std::string::npos) << message;
  }
  mounted = false;
  // The bare mount point on the host disk received no folder and no page.
  EXPECT_TRUE(fs::is_empty(player.path()));
  EXPECT_TRUE(std::none_of(unmounting.boxes.begin(), unmounting.boxes.end(),
                           [](const FakeFeedback::Box& box) { return box.kind == "information"; }));
}

// The href targets of a page, in order.
std::vector<std::string> Links(const std::string& page) {
  std::vector<std::string> targets;
  for (std::size_t at = page.find("<a href=\""); at != std::string::npos; at = page.find("<a href=\"", at + 1)) {
    const std::size_t start = at + 9;
    const std::string target = page.substr(start, page.find('"', start) - start);
    if (!target.starts_with("ipod:")) targets.push_back(target);
  }
  return targets;
}

TEST_F(Export, NoDeadLinksWhenOnlyTheFirstAndThirdSongsAreTicked) {
  state.AList = {Row("one", "Al", "1"), Row("two", "Al", "2", false), Row("three", "Al", "3"), Row("four", "Al", "4", false)};
  for (const char* title : {"one", "two", "three", "four"}) Lyrics(title, "Al", "la");
  library::ExportNotes(state, ui);
  EXPECT_EQ(FilesBelow(player.path() / "Notes"), (std::vector<std::string>{"Al/one", "Al/three"}));
  EXPECT_EQ(Links(ReadBytes(Notes("Al/one"))), std::vector<std::string>{"three"});
  EXPECT_EQ(Links(ReadBytes(Notes("Al/three"))), std::vector<std::string>{"one"});
  // Songs still names every registered title.
  EXPECT_NE(ReadBytes(Notes("Al/one")).find("song=one&two&three&four\">"), std::string::npos);

  // A page already on the player under the name the link uses counts as existing; once the
  // clean-up removes it (it is an unchanged page of ours), it does not.
  state.AList[1].checked = true;
  library::ExportNotes(state, ui);
  state.AList = {Row("one", "Al", "1"), Row("two", "Al", "2", false), Row("three", "Al", "3"), Row("four", "Al", "4", false)};
  library::ExportNotes(state, ui);
  EXPECT_EQ(Links(ReadBytes(Notes("Al/one"))), std::vector<std::string>{"two"});
  state.CleanNotes = true;
  library::ExportNotes(state, ui);
  EXPECT_FALSE(fs::exists(Notes("Al/two")));
  EXPECT_EQ(Links(ReadBytes(Notes("Al/one"))), std::vector<std::string>{"three"});
}

// The lyrics lines a chain of parts shows, following the "続き" links from the first part.
std::string FollowParts(const fs::path& folder, const std::string& first, std::size_t& parts) {
  const std::string head = "【Words】\r\n\r\n";
  std::string shown;
  parts = 0;
  for (std::string name = first; !name.empty(); ++parts) {
    const std::string page = platform::Cp932ToUtf8(ReadBytes((folder / fs::u8path(platform::Cp932ToUtf8(name))).string()));
    EXPECT_LE(ReadBytes((folder / fs::u8path(platform::Cp932ToUtf8(name))).string()).size(), 4096u) << name;
    const std::size_t start = page.find(head) + head.size();
    const std::size_t more = page.find("\">続き</a>");
    std::size_t end = page.find("\r\n\r\n", start);
    shown += page.substr(start, end - start + 2);
    name.clear();
    if (more != std::string::npos) name = platform::Utf8ToCp932(page.substr(page.rfind("<a href=\"", more) + 9, more - page.rfind("<a href=\"", more) - 9));
    if (parts > 10) break;
  }
  return shown;
}

TEST_F(Export, SplitPagesCutsANineKilobyteLyricIntoThreeChainedParts) {
  std::string lyrics;
  for (int i = 0; lyrics.size() < 9 * 1024; ++i) lyrics += "line " + std::to_string(i) + " " + std::string(60, 'a' + i % 26) + "\r\n";
  state.AList = {Row("prev", "Al", "1"), Row("long", "Al", "2"), Row("next", "Al", "3")};
  Lyrics("long", "Al", lyrics);
  Lyrics("next", "Al", "la");
  state.SplitPages = true;
  const library::ExportReport report = library::ExportNotes(state, ui);

  std::size_t parts = 0;
  EXPECT_EQ(FollowParts(player.path() / "Notes" / "Al", "long", parts), lyrics);
  EXPECT_EQ(parts, 3u);
  EXPECT_EQ(report.pagesOverLimit, 0u);
  EXPECT_EQ(report.partsWritten, 5u);
  const std::string second = ReadBytes(Notes("Al/long～2"));
  const std::string last = ReadBytes(Notes("Al/long～3"));
  // Every part starts with the page's head; the song's links stand on the last part only.
  const std::string first = ReadBytes(Notes("Al/long"));
  const std::string head = first.substr(0, first.find(Sjis("【Words】")));
  EXPECT_TRUE(second.starts_with(head));
  EXPECT_TRUE(last.starts_with(head));
  EXPECT_EQ(Links(first), std::vector<std::string>{Sjis("long～2")});
  EXPECT_EQ(Links(second), (std::vector<std::string>{"long", Sjis("long～3")}));
  EXPECT_EQ(Links(last), (std::vector<std::string>{Sjis("long～2"), "prev", "next"}));
  EXPECT_EQ(Links(ReadBytes(Notes("Al/next"))), std::vector<std::string>{"long"});

  // Off: one page, reported as too long.
  state.SplitPages = false;
  EXPECT_EQ(library::ExportNotes(state, ui).pagesOverLimit, 1u);
  EXPECT_GT(fs::file_size(Notes("Al/long")), 9 * 1024u);
}

TEST(SplitNotesPage, ALongDoubleByteLineIsCutBetweenCharactersAndPartNamesAreAsked) {
  library::StoredPage page;
  page.hasLyrics = true;
  page.head = "HEAD\r\n";
  // 5,000 bytes of "表" (95 5C) after one ASCII byte, so that halves fall on odd positions.
  std::string line = "x";
  for (int i = 0; i < 2500; ++i) line += Sjis("表");
  page.lyrics = "short\r\n" + line + "\r\n";
  page.links = "Next:<a href=\"n\">n</a>\r\n";
  std::vector<std::size_t> asked;
  const std::vector<library::NotePart> parts = library::SplitNotesPage(page, "p", [&](std::size_t number) {
    asked.push_back(number);
    return "p-" + std::to_string(number);
  });
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(asked, (std::vector<std::size_t>{2, 3}));
  std::string joined;
  for (const library::NotePart& part : parts) {
    EXPECT_LE(part.content.size(), 4096u);
    EXPECT_TRUE(part.content.starts_with(page.head));
    const std::string body = part.content.substr(page.head.size());
    const std::string lyrics = body.substr(0, body.find("\r\n<a") != std::string::npos && &part != &parts.back()
                                                  ? body.find("\r\n<a")
                                                  : body.find("\r\n\r\n\r\n"));
    // Each piece is whole characters: it decodes without a replacement character.
    EXPECT_EQ(platform::Cp932ToUtf8(lyrics).find("\xEF\xBF\xBD"), std::string::npos);
    joined += lyrics;
  }
  std::string expected = "short\r\n" + line + "\r\n";
  std::erase(expected, '\r');
  std::erase(expected, '\n');
  std::erase(joined, '\r');
  std::erase(joined, '\n');
  EXPECT_EQ(joined, expected);
  EXPECT_EQ(parts[0].name, "p");
  EXPECT_TRUE(parts[2].content.ends_with("<a href=\"p-2\">" + Sjis("戻る") + "</a>\r\nNext:<a href=\"n\">n</a>\r\n"));

  // Within the limit, or with a head that leaves no room: one part, the whole page.
  page.lyrics = "short\r\n";
  EXPECT_EQ(library::SplitNotesPage(page, "p", [](std::size_t) { return std::string("never"); }).size(), 1u);
  page.lyrics = line + "\r\n";
  page.head = std::string(4090, 'h') + "\r\n";
  const auto whole = library::SplitNotesPage(page, "p", [](std::size_t n) { return "p" + std::to_string(n); });
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].content, page.Whole());
}

TEST(StoredNotesPage, IsThePageStoredAsLines) {
  const SongRow row = Row("t", "Al", "1");
  const library::TAlbumData both = {true, true, "n", "p", "p&t&n", "n", "p"};
  for (const std::string& lyrics : {std::string("a\r\nb"), std::string(""), std::string("x\ry\n\n")}) {
    EXPECT_EQ(library::StoredNotesPage(row, both, &lyrics).Whole(),
              library::JoinLinesCrLf(library::NotesPage(row, both, &lyrics)));
  }
  EXPECT_EQ(library::StoredNotesPage(row, {}, nullptr).Whole(), library::JoinLinesCrLf(library::NotesPage(row, {}, nullptr)));
}

TEST_F(Export, CleanNotesRemovesOnlyUnchangedPagesOfOursAndTheFoldersThatEmptied) {
  state.AList = {Row("gone", "Old", "1"), Row("edited", "Al", "1"), Row("kept", "Al", "2"), Row("stays", "Al", "3")};
  library::ExportNotes(state, ui);
  fs::create_directories(player.path() / "Notes" / "Mine");
  WriteBytes(Notes("Mine/hand-written"), "my note");
  WriteBytes(Notes("Al/hand-written"), "my note");
  WriteBytes(Notes("Al/edited"), "changed on the player");

  state.AList = {Row("kept", "Al", "2")};
  state.CleanNotes = true;
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_EQ(report.pagesRemoved, 2u);  // gone and stays
  EXPECT_EQ(FilesBelow(player.path() / "Notes"),
            (std::vector<std::string>{"Al/edited", "Al/hand-written", "Al/kept", "Mine/hand-written"}));
  EXPECT_FALSE(fs::exists(player.path() / "Notes" / "Old"));  // our folder, now empty
  EXPECT_EQ(report.pagesInNotes, 4u);
  EXPECT_NE(ui.boxes.back().text.find("2 件削除しました"), std::string::npos);
  EXPECT_NE(ui.boxes.back().text.find("iPod のノートは 4 件です。"), std::string::npos);
  // The edited page is the user's now: a later clean-up leaves it too.
  state.AList.clear();
  EXPECT_EQ(library::ExportNotes(state, ui).pagesRemoved, 1u);
  EXPECT_EQ(FilesBelow(player.path() / "Notes"), (std::vector<std::string>{"Al/edited", "Al/hand-written", "Mine/hand-written"}));
}

TEST_F(Export, TheRecordSurvivesDamageAndIsNoNote) {
  state.AList = {Row("a", "Al", "1")};
  library::ExportNotes(state, ui);
  const std::string record = ReadBytes((player.path() / ".lyrimate" / "notes.lst").string());
  EXPECT_NE(record.find("F\tAl\r\n"), std::string::npos);
  EXPECT_NE(record.find("P\tAl/a\t"), std::string::npos);
  // Lines that do not parse, or that would lead out of Notes/, are dropped.
  WriteBytes((player.path() / ".lyrimate" / "notes.lst").string(),
             record + "P\t../../victim\t1\t0\r\nP\tAl/a/b\t1\t0\r\nF\t..\r\ngarbage\r\nP\tx\tnan\t0\r\n");
  WriteBytes((player.path() / "victim").string(), "v");
  state.AList.clear();
  state.CleanNotes = true;
  EXPECT_EQ(library::ExportNotes(state, ui).pagesRemoved, 1u);
  EXPECT_TRUE(fs::exists(player.path() / "victim"));
  EXPECT_FALSE(fs::exists(player.path() / "Notes" / "Al"));
  EXPECT_EQ(FilesBelow(player.path() / "Notes"), std::vector<std::string>{});
}

TEST_F(Export, PreviewIsWhatTheExportWrites) {
  std::string lyrics;
  for (int i = 0; i < 300; ++i) lyrics += "歌詞の行 " + std::to_string(i) + " ですよ\r\n";
  state.AList = {Row("a", "Al", "1"), Row("b", "Al", "2"), Row("c", "Al", "3", false)};
  Lyrics("b", "Al", lyrics);
  Lyrics("a", "Al", "la");
  const std::vector<library::NotePart> one = library::PreviewNotesPages(state, 1, false);
  const std::vector<library::NotePart> split = library::PreviewNotesPages(state, 1, true);
  const std::vector<library::NotePart> unticked = library::PreviewNotesPages(state, 2, false);
  state.SplitPages = true;
  library::ExportNotes(state, ui);
  ASSERT_EQ(one.size(), 1u);
  ASSERT_GE(split.size(), 2u);
  for (const library::NotePart& part : split) EXPECT_EQ(part.content, ReadBytes(Notes("Al/" + platform::Cp932ToUtf8(part.name))));
  EXPECT_GT(one[0].content.size(), 4096u);
  EXPECT_TRUE(one[0].content.starts_with(split[0].content.substr(0, 200)));
  ASSERT_EQ(unticked.size(), 1u);
  EXPECT_NE(unticked[0].content.find("song=c\">c</a>"), std::string::npos);
  EXPECT_TRUE(library::PreviewNotesPages(state, 3, false).empty());
}

}  // namespace
