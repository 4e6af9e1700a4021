// SPDX-License-Identifier: GPL-3.0-or-later
// Notes pages: album order and neighbours, the page text byte for byte, and the export
// command on a player made in a temporary folder.
#include "library/NotesWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "FakeFeedback.h"
#include "TestSupport.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/PlayerNames.h"
#include "platform/CodePage.h"
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

TEST(ExportReportText, CountsNamesFiveAndWarnsAboveOneThousand) {
  library::ExportReport report;
  report.pagesWritten = 12;
  report.pagesInNotes = 1000;
  std::string text = platform::Cp932ToUtf8(library::ExportReportText(report));
  EXPECT_NE(text.find("12 件"), std::string::npos);
  EXPECT_EQ(text.find("4,096"), std::string::npos);
  EXPECT_EQ(text.find("1,000 件"), std::string::npos);

  report.pagesOverLimit = 7;
  report.firstOverLimit = {"A/1", "A/2", "A/3", "A/4", "5"};
  report.pagesInNotes = 1001;
  report.stopped = true;
  text = platform::Cp932ToUtf8(library::ExportReportText(report));
  EXPECT_NE(text.find("中止"), std::string::npos);
  EXPECT_NE(text.find("4,096 バイトを超えるノートが 7 件"), std::string::npos);
  EXPECT_NE(text.find("\r\n  A/1\r\n  A/2\r\n  A/3\r\n  A/4\r\n  5\r\n  ほか 2 件"), std::string::npos);
  EXPECT_NE(text.find("1001 件"), std::string::npos);
  EXPECT_NE(text.find("1,000 件"), std::string::npos);
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
    state.AList.push_back(Row("folder", "Al", "21", checked));
    fs::create_directory(library::LyricsFileName(state, "folder", "Al"));

    FakeFeedback run;
    library::ExportNotes(state, run);
    const std::vector<std::string> lines = library::SplitLines(ListFile());
    ASSERT_EQ(lines.size(), files.size() + 2) << checked;
    for (std::size_t i = 0; i < files.size(); ++i)
      EXPECT_EQ(lines[i], "f" + std::to_string(i) + "\tAl\t" + std::to_string(i + 1) + "\tArtist\t04:10\t2004\t" +
                              (checked ? "-1" : "0") + "\t" + files[i].second + "\t\t")
          << checked << " " << i;
    EXPECT_TRUE(lines[files.size()].starts_with("missing\tAl\t20\t")) << lines[files.size()];
    EXPECT_TRUE(lines[files.size()].ends_with("\t\t\t")) << lines[files.size()];
    EXPECT_TRUE(lines[files.size() + 1].ends_with("\t\t\t")) << lines[files.size() + 1];
  }
  // A folder in place of the lyrics file gives a page without lyrics, as a missing file does.
  EXPECT_EQ(library::SplitLines(ReadBytes(Notes("Al/folder"))).size(), 6u);
  EXPECT_EQ(library::SplitLines(ReadBytes(Notes("Al/missing"))).size(), 6u);
}

TEST_F(Export, ALyricsFileThatCannotBeReadEndsTheExportOnlyWhenItsRowIsTicked) {
  const std::string fifo = library::LyricsFileName(state, "pipe", "Al");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);  // opening it for the page is refused, not blocked
  state.AList = {Row("pipe", "Al", "1", false), Row("other", "Al", "2")};
  library::ExportNotes(state, ui);
  EXPECT_TRUE(library::SplitLines(ListFile())[0].ends_with("\t0\t\t\t"));

  state.AList[0].checked = true;
  const std::string before = ListFile();
  try {
    library::ExportNotes(state, ui);
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_NE(std::string(error.what()).find(fifo), std::string::npos) << error.what();
  }
  EXPECT_EQ(ListFile(), before);
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
  EXPECT_EQ(written, (std::vector<std::string>{"Notes/.._.._x/a_b_c", "Notes/.._.._x/next", "Notes/._", "Notes/sp_/_"}));
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

TEST_F(Export, TwoRowsWithOneTitleShareThePageTheLaterWins) {
  state.AList = {Row("same", "Al", "1"), Row("same", "Al", "2")};
  Lyrics("same", "Al", "la");
  const library::ExportReport report = library::ExportNotes(state, ui);
  EXPECT_EQ(report.pagesWritten, 2u);
  const std::string page = ReadBytes(Notes("Al/same"));
  EXPECT_NE(page.find("Track No:  2\r\n"), std::string::npos);
  // Both find the first of them: no previous link, the next one is the other row.
  EXPECT_TRUE(page.ends_with("\r\n\r\n\r\nNext:<a href=\"same\">same</a>\r\n"));
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

TEST_F(Export, PagesOverTheLimitAreCountedAndTheFirstFiveNamed) {
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
  EXPECT_EQ(report.firstOverLimit, (std::vector<std::string>{"o1", "o2", "o3", "o4", "o5"}));
  EXPECT_NE(ui.boxes.back().text.find("ほか 1 件"), std::string::npos);
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

}  // namespace
