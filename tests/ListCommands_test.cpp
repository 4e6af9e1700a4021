// SPDX-License-Identifier: GPL-3.0-or-later
// The list operations: which list the editor takes, register, remove, tick, mark, sort and
// the song details.
#include "library/ListCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeFeedback.h"
#include "PlayerSupport.h"
#include "TestSupport.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;
using library::ListId;
using library::SongRow;
using platform::Sjis;
using testing_support::ReadBytes;
using testing_support::TempDir;

SongRow Row(const std::string& titleUtf8, const std::string& albumUtf8, const std::string& track = "1") {
  SongRow row;
  row.caption = Sjis(titleUtf8);
  row.sub[library::kAlbum] = Sjis(albumUtf8);
  row.sub[library::kTrack] = track;
  row.sub[library::kArtist] = "artist";
  row.sub[library::kTime] = "03:00";
  row.sub[library::kYear] = "1999";
  row.sub[library::kPath] = "/music/" + titleUtf8;
  return row;
}

std::vector<std::string> Titles(const library::SongList& rows) {
  std::vector<std::string> titles;
  for (const SongRow& row : rows) titles.push_back(platform::Cp932ToUtf8(row.caption));
  return titles;
}

std::vector<bool> Checks(const library::SongList& rows) {
  std::vector<bool> checks;
  for (const SongRow& row : rows) checks.push_back(row.checked);
  return checks;
}

class Lists : public ::testing::Test {
protected:
  TempDir data;
  library::MainState state{data.path().string() + "/"};
};

TEST_F(Lists, EditorTakesTheVisibleListWhenBothHaveASelection) {
  state.Visible = ListId::AList;
  EXPECT_EQ(library::EditLyricsList(state, true, true), ListId::AList);
  state.Visible = ListId::MList;
  EXPECT_EQ(library::EditLyricsList(state, true, true), ListId::MList);
  state.Visible = ListId::MList;
  EXPECT_EQ(library::EditLyricsList(state, false, true), ListId::AList);
  state.Visible = ListId::AList;
  EXPECT_EQ(library::EditLyricsList(state, true, false), ListId::MList);
  EXPECT_EQ(library::EditLyricsList(state, false, false), std::nullopt);
}

TEST_F(Lists, RegisterAppendsUntickedCopiesAgainAndAgainAndStoresThem) {
  state.MList = {Row("a", "x"), Row("b", "y"), Row("c", "z")};
  for (SongRow& row : state.MList) row.checked = true;
  state.AList = {Row("old", "o")};
  library::RegisterSelected(state, {{0, 2}});
  library::RegisterSelected(state, {{2}});
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"old", "a", "c", "c"}));
  EXPECT_EQ(Checks(state.AList), (std::vector<bool>{false, false, false, false}));
  EXPECT_EQ(state.AList[1].sub, state.MList[0].sub);
  // Stored in the data folder, which did not exist before.
  const std::vector<std::string> lines = library::SplitLines(ReadBytes(library::RegisteredListPath(state)));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[3].starts_with("c\tz\t1\t"));
}

TEST_F(Lists, RegisterAndRemoveDoNothingWithoutASelection) {
  state.MList = {Row("a", "x")};
  state.AList = {Row("b", "y")};
  library::RegisterSelected(state, {});
  library::RemoveSelected(state, {});
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"b"}));
  EXPECT_FALSE(fs::exists(library::RegisteredListPath(state)));
}

TEST_F(Lists, RemoveDeletesTheSelectedRowsAndStoresTheRest) {
  state.AList = {Row("a", "x"), Row("b", "x"), Row("c", "x"), Row("d", "x"), Row("e", "x")};
  const std::string lyrics = library::LyricsFileName(state, "b", "x");
  library::WriteLyricsFile(lyrics, "kept");
  library::RemoveSelected(state, {{1, 3, 4}});
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(library::SplitLines(ReadBytes(library::RegisteredListPath(state))).size(), 2u);
  EXPECT_TRUE(fs::exists(lyrics));
}

TEST_F(Lists, TickAndUntickTheVisibleListOrItsShownRows) {
  state.MList = {Row("a", "x"), Row("b", "x"), Row("c", "x")};
  state.AList = {Row("d", "x"), Row("e", "x")};
  library::TickAll(state);
  EXPECT_EQ(Checks(state.MList), (std::vector<bool>{true, true, true}));
  EXPECT_EQ(Checks(state.AList), (std::vector<bool>{false, false}));

  const std::vector<std::size_t> shown = {0, 2};
  library::UntickAll(state, &shown);
  EXPECT_EQ(Checks(state.MList), (std::vector<bool>{false, true, false}));

  state.Visible = ListId::AList;
  const std::vector<std::size_t> second = {1};
  library::TickAll(state, &second);
  EXPECT_EQ(Checks(state.AList), (std::vector<bool>{false, true}));
  library::UntickAll(state);
  EXPECT_EQ(Checks(state.AList), (std::vector<bool>{false, false}));
  EXPECT_EQ(Checks(state.MList), (std::vector<bool>{false, true, false}));
}

TEST_F(Lists, MarkJoinsTitleAndAlbumIgnoresLetterCaseOnly) {
  state.AList = {Row("a", "bc"), Row("ソフト", "表"), Row("Ｘ", "")};
  state.MList = {Row("AB", "C"),      // a + bc, letter case aside
                 Row("ソフト表", ""),  // the same bytes joined differently
                 Row("ｘ", ""),        // full-width letters fold too
                 Row("X", ""),         // but half-width is another letter
                 Row("あ", "bc"),      // unrelated
                 Row("zz", "")};
  state.MList[5].checked = true;
  library::MarkRegistered(state);
  EXPECT_EQ(Checks(state.MList), (std::vector<bool>{true, true, true, false, false, true}));
}

TEST_F(Lists, MarkKeepsKanaAndWidthApart) {
  state.AList = {Row("あ", ""), Row("ｶ", "")};
  state.MList = {Row("ア", ""), Row("カ", ""), Row("あ", "")};
  library::MarkRegistered(state);
  EXPECT_EQ(Checks(state.MList), (std::vector<bool>{false, false, true}));
}

TEST(CompareRows, LocaleOrderOfTheKeyedColumnNegatedForANegativeKey) {
  const SongRow one = Row("b", "x", "10");
  const SongRow two = Row("a", "y", "2");
  EXPECT_GT(library::CompareRows(one, two, 1), 0);
  EXPECT_LT(library::CompareRows(one, two, -1), 0);
  EXPECT_LT(library::CompareRows(one, two, 2), 0);   // album x before y
  EXPECT_LT(library::CompareRows(one, two, 3), 0);   // "10" before "2"
  EXPECT_GT(library::CompareRows(one, two, -3), 0);
  EXPECT_EQ(library::CompareRows(one, one, 4), 0);
}

class Sorting : public Lists {
protected:
  void SetUp() override {
    state.MList = {Row("b", "1"), Row("a", "2"), Row("c", "3")};
    state.AList = {Row("y", "", "2"), Row("x", "", "10"), Row("z", "", "1")};
  }
};

TEST_F(Sorting, SongListSortsOnlyWhileConnected) {
  EXPECT_FALSE(library::SortByColumn(state, ListId::MList, 0));
  EXPECT_EQ(Titles(state.MList), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_FALSE(state.SortFlags[0]);

  state.Connected = true;
  EXPECT_TRUE(library::SortByColumn(state, ListId::MList, 0));
  EXPECT_EQ(Titles(state.MList), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(library::SortByColumn(state, ListId::MList, 0));
  EXPECT_EQ(Titles(state.MList), (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(Sorting, FlagsAreSharedByBothLists) {
  state.Connected = true;
  library::SortByColumn(state, ListId::MList, 0);
  // The registered list sorts without a player, and its first title click is descending.
  state.Connected = false;
  EXPECT_TRUE(library::SortByColumn(state, ListId::AList, 0));
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"z", "y", "x"}));
}

TEST_F(Sorting, TracksSortAsTextAndEqualKeysKeepTheirOrder) {
  EXPECT_TRUE(library::SortByColumn(state, ListId::AList, 2));
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"z", "x", "y"}));  // "1", "10", "2"
  EXPECT_TRUE(state.SortFlags[2]);

  state.AList = {Row("d", "same"), Row("a", "same"), Row("c", "same"), Row("b", "other")};
  library::SortByColumn(state, ListId::AList, 1);
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"b", "d", "a", "c"}));
  library::SortByColumn(state, ListId::AList, 1);
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"d", "a", "c", "b"}));
}

TEST_F(Sorting, ColumnsOutsideTheFlagsDoNothing) {
  EXPECT_FALSE(library::SortByColumn(state, ListId::AList, 7));
  EXPECT_FALSE(library::SortByColumn(state, ListId::AList, -1));
  EXPECT_EQ(Titles(state.AList), (std::vector<std::string>{"y", "x", "z"}));
}

class Details : public Lists {
protected:
  void SetUp() override {
    testing_support::MakePlayer(player.path());
    testing_support::SongTags tags;
    tags.title = "ソフト";
    tags.album = "表";
    tags.artist = "歌手";
    tags.track = "4";
    tags.year = "2001";
    tags.comment = "コメント";
    tags.lyrics = "tag lyrics";
    path = testing_support::AddSong(player.path(), "F00/song.mp3", tags);
    state.AList = {Row("ソフト", "表"), Row("missing", "nowhere")};
    state.SongTable.Put(library::SongKey(state.AList[0]), path);
  }
  TempDir player;
  std::string path;
};

TEST_F(Details, ReadsTheSongAfreshAndTakesTheLyricsFile) {
  std::optional<library::TMusicData> details = library::ShowDetails(state, ListId::AList, {{0}});
  ASSERT_TRUE(details);
  EXPECT_EQ(details->Title, Sjis("ソフト"));
  EXPECT_EQ(details->Album, Sjis("表"));
  EXPECT_EQ(details->Artist, Sjis("歌手"));
  EXPECT_EQ(details->Track, "4");
  EXPECT_EQ(details->Comment, Sjis("コメント"));
  EXPECT_EQ(details->Lyrics, "");  // the tag lyrics are not read for the details

  library::WriteLyricsFile(library::LyricsFileName(state, Sjis("ソフト"), Sjis("表")), "file\nlyrics");
  details = library::ShowDetails(state, ListId::AList, {{0, 1}});
  ASSERT_TRUE(details);
  EXPECT_EQ(details->Lyrics, "file\r\nlyrics\r\n");
}

TEST_F(Details, NothingWithoutARowOrATableEntry) {
  EXPECT_FALSE(library::ShowDetails(state, ListId::AList, {}));
  EXPECT_FALSE(library::ShowDetails(state, ListId::AList, {{1}}));
  EXPECT_FALSE(library::ShowDetails(state, ListId::MList, {{0}}));
}

TEST_F(Details, NeverWritesTheLyricsFileEvenDuringAnImport) {
  state.ImportLyrics = true;
  ASSERT_TRUE(library::ShowDetails(state, ListId::AList, {{0}}));
  EXPECT_TRUE(state.ImportLyrics);
  EXPECT_FALSE(fs::exists(library::LyricsFileName(state, Sjis("ソフト"), Sjis("表"))));
}

}  // namespace
