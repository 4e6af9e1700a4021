// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ListFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "FakeFeedback.h"
#include "TestSupport.h"
#include "library/LyricsFiles.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace {

using library::ListsToLoad;
using library::MainState;
using library::SongRow;
using testing_support::FakeFeedback;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

// One list line: every field followed by a TAB, no line break.
std::string Line(std::initializer_list<std::string> fields) {
  std::string line;
  for (const std::string& field : fields) line += field + "\t";
  return line;
}

std::string RegisteredFields(const std::string& title, const std::string& check, const std::string& path = "/m/a.mp3") {
  return Line({title, "Album", "3", "Artist", "04:10", "2004", check, "first line", path});
}

SongRow Row(const std::string& title, const std::string& album, bool checked = false) {
  SongRow row;
  row.caption = title;
  row.sub[library::kAlbum] = album;
  row.sub[library::kTrack] = "1";
  row.sub[library::kArtist] = "Artist";
  row.sub[library::kTime] = "03:25";
  row.sub[library::kYear] = "1999";
  row.sub[library::kOpeningLine] = "stale opening line";
  row.sub[library::kPath] = "/stale/path.mp3";
  row.checked = checked;
  return row;
}

// Runs f expecting a platform::Error and returns its message in UTF-8.
template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const platform::Error& error) {
    return platform::Cp932ToUtf8(error.what());
  }
  ADD_FAILURE() << "no platform::Error";
  return {};
}

class ListFilesTest : public ::testing::Test {
protected:
  ListFilesTest() : state(dir.path().string() + "/") {}

  std::string DataFolder() const { return dir.File("MusicDatas"); }
  std::string Registered() const { return dir.File("MusicDatas/MusicList.lst"); }
  std::string Player() const { return dir.File("MusicDatas/iPodMusicList.lst"); }
  void WriteRegistered(const std::string& content) {
    fs::create_directories(DataFolder());
    WriteBytes(Registered(), content);
  }
  void WritePlayer(const std::string& content) {
    fs::create_directories(DataFolder());
    WriteBytes(Player(), content);
  }
  // Writes a lyrics file by the program's own naming rule (code page 932 title and album).
  void WriteLyrics(const std::string& title, const std::string& album, const std::string& bytes) {
    fs::create_directories(DataFolder());
    WriteBytes(library::LyricsFileName(state, title, album), bytes);
  }
  std::size_t EntriesInDataFolder() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(DataFolder()), fs::directory_iterator()));
  }

  TempDir dir;
  MainState state;
};

TEST_F(ListFilesTest, PathsLieInTheDataFolder) {
  EXPECT_EQ(library::RegisteredListPath(state), Registered());
  EXPECT_EQ(library::PlayerListPath(state), Player());
}

TEST_F(ListFilesTest, RegisteredLineFillsEveryPositionAndTheSongTable) {
  WriteRegistered(Line({"Title", "Album", "3", "Artist", "04:10", "2004", "-1", "first line", "/m/F01/A.mp3"}) + "\r\n");
  library::LoadLists(state);
  ASSERT_EQ(state.AList.size(), 1u);
  const SongRow& row = state.AList[0];
  EXPECT_EQ(row.caption, "Title");
  EXPECT_EQ(row.sub[library::kAlbum], "Album");
  EXPECT_EQ(row.sub[library::kTrack], "3");
  EXPECT_EQ(row.sub[library::kArtist], "Artist");
  EXPECT_EQ(row.sub[library::kTime], "04:10");
  EXPECT_EQ(row.sub[library::kYear], "2004");
  EXPECT_EQ(row.sub[library::kOpeningLine], "first line");
  EXPECT_EQ(row.sub[library::kPath], "/m/F01/A.mp3");
  EXPECT_TRUE(row.checked);
  EXPECT_EQ(state.SongTable.Get("title-ALBUM"), "/m/F01/A.mp3");
  EXPECT_TRUE(state.FailedListFiles.empty());
}

TEST_F(ListFilesTest, CrLfLoneCrLoneLfAndAFinalLineWithoutBreakAllEndLines) {
  WriteRegistered(RegisteredFields("a", "0") + "\r\n" + RegisteredFields("b", "0") + "\r" +
                  RegisteredFields("c", "0") + "\n" + RegisteredFields("d", "0"));
  library::LoadLists(state);
  ASSERT_EQ(state.AList.size(), 4u);
  EXPECT_EQ(state.AList[0].caption, "a");
  EXPECT_EQ(state.AList[1].caption, "b");
  EXPECT_EQ(state.AList[2].caption, "c");
  EXPECT_EQ(state.AList[3].caption, "d");
  // The path field is whole: no CR is left on it.
  EXPECT_EQ(state.AList[1].sub[library::kPath], "/m/a.mp3");
}

TEST_F(ListFilesTest, CheckMarksAcceptAnyNumberAndTrueFalseInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"-1", true},  {"0", false},    {"1", true},      {"2", true},    {"True", true},  {"tRUE", true},
      {"FALSE", false}, {"false", false}, {" 3 ", true}, {"+0", false}, {"0.0", false}, {"0.5", true},
      {"-00", false}, {"1e3", true},
  };
  std::string content;
  for (const auto& [text, ticked] : cases) content += RegisteredFields(text, text) + "\r\n";
  WriteRegistered(content);
  library::LoadLists(state);
  ASSERT_EQ(state.AList.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(state.AList[i].checked, cases[i].second) << cases[i].first;
}

TEST_F(ListFilesTest, ABadCheckMarkStopsTheLoadNamingFileAndLine) {
  for (const char* bad : {"yes", "", "1x", "-", "Truee", "1e", "."}) {
    WriteRegistered(RegisteredFields("kept", "-1") + "\r\n" + RegisteredFields("bad", bad) + "\r\n" +
                    RegisteredFields("lost", "0") + "\r\n");
    state.FailedListFiles.clear();
    std::string message = ErrorOf([&] { library::LoadLists(state); });
    EXPECT_NE(message.find(Registered()), std::string::npos) << message;
    EXPECT_NE(message.find("2 行目"), std::string::npos) << message;
    ASSERT_EQ(state.AList.size(), 1u) << bad;
    EXPECT_EQ(state.AList[0].caption, "kept");
    EXPECT_EQ(state.FailedListFiles.count(Registered()), 1u);
  }
}

TEST_F(ListFilesTest, ALineMissingItsLastTabLosesTheFieldAndStopsTheLoad) {
  std::string shortLine = RegisteredFields("short", "0");
  shortLine.pop_back();
  WriteRegistered(RegisteredFields("one", "0") + "\n" + RegisteredFields("two", "0") + "\n" + shortLine + "\n");
  WritePlayer(Line({"p", "a", "1", "r", "00:01", "2000", "/p.mp3"}) + "\r\n");
  state.MList.push_back(Row("scanned", "x"));

  std::string message = ErrorOf([&] { library::LoadLists(state); });
  EXPECT_NE(message.find("3 行目"), std::string::npos) << message;
  EXPECT_EQ(state.AList.size(), 2u);
  // The second file is not loaded after a failure.
  ASSERT_EQ(state.MList.size(), 1u);
  EXPECT_EQ(state.MList[0].caption, "scanned");
  EXPECT_EQ(state.FailedListFiles.count(Player()), 0u);
}

TEST_F(ListFilesTest, EmptyLinesAndTextAfterTheLastTab) {
  // Text after the last TAB and fields beyond the ninth are ignored.
  WriteRegistered(RegisteredFields("a", "0") + "trailing" + "\r\n" + RegisteredFields("b", "0") + "extra\t\r\n");
  library::LoadLists(state);
  ASSERT_EQ(state.AList.size(), 2u);
  EXPECT_EQ(state.AList[0].sub[library::kPath], "/m/a.mp3");

  // An empty line is a line without fields.
  WriteRegistered(RegisteredFields("a", "0") + "\r\n\r\n" + RegisteredFields("b", "0") + "\r\n");
  std::string message = ErrorOf([&] { library::LoadLists(state); });
  EXPECT_NE(message.find("2 行目"), std::string::npos) << message;
}

TEST_F(ListFilesTest, EmptyAndMissingFiles) {
  state.AList.push_back(Row("old", "x"));
  state.MList.push_back(Row("scanned", "x"));
  library::LoadLists(state);
  EXPECT_TRUE(state.AList.empty());
  EXPECT_EQ(state.MList.size(), 1u);  // no saved player list: the song list keeps its rows
  EXPECT_FALSE(fs::exists(DataFolder()));  // loading creates nothing

  WriteRegistered("");
  WritePlayer("");
  library::LoadLists(state);
  EXPECT_TRUE(state.AList.empty());
  EXPECT_TRUE(state.MList.empty());
  EXPECT_TRUE(state.FailedListFiles.empty());
}

TEST_F(ListFilesTest, PlayerListRowsComeUncheckedWithoutOpeningLine) {
  WritePlayer(Line({"T1", "A", "1", "R", "03:00", "2001", "/m/1.mp3"}) + "\r\n" +
              Line({"T2", "A", "2", "R", "03:01", "2001", "/m/2.mp3"}) + "\r\n");
  state.MList.push_back(Row("from an earlier scan", "x"));
  library::LoadLists(state);
  ASSERT_EQ(state.MList.size(), 2u);
  EXPECT_EQ(state.MList[0].caption, "T1");
  EXPECT_EQ(state.MList[1].sub[library::kTrack], "2");
  EXPECT_EQ(state.MList[1].sub[library::kPath], "/m/2.mp3");
  EXPECT_EQ(state.MList[1].sub[library::kOpeningLine], "");
  EXPECT_FALSE(state.MList[0].checked);
  EXPECT_EQ(state.SongTable.Get("T2-A"), "/m/2.mp3");

  // A six-field player line is short.
  WritePlayer(Line({"T1", "A", "1", "R", "03:00", "2001"}) + "/m/1.mp3\r\n");
  std::string message = ErrorOf([&] { library::LoadLists(state); });
  EXPECT_NE(message.find(Player()), std::string::npos);
  EXPECT_NE(message.find("1 行目"), std::string::npos);
  EXPECT_EQ(state.FailedListFiles.count(Player()), 1u);
}

TEST_F(ListFilesTest, LaterLoadsLeaveTheSongList) {
  WritePlayer(Line({"saved", "A", "1", "R", "03:00", "2001", "/m/1.mp3"}) + "\r\n");
  WriteRegistered(RegisteredFields("r", "-1") + "\r\n");
  state.MList.push_back(Row("unsaved scan", "x"));
  library::LoadLists(state, ListsToLoad::RegisteredOnly);
  ASSERT_EQ(state.MList.size(), 1u);
  EXPECT_EQ(state.MList[0].caption, "unsaved scan");
  EXPECT_EQ(state.AList.size(), 1u);
}

TEST_F(ListFilesTest, RegisteredLineRecomputesOpeningLineAndPath) {
  SongRow withLyrics = Row("Love/Hate", "Best", true);
  WriteLyrics("Love/Hate", "Best", "opening\r\nsecond\r\n");
  state.SongTable.Put("love/hate-best", "/m/F01/LOVE.mp3");
  EXPECT_EQ(library::RegisteredLine(state, withLyrics),
            "Love/Hate\tBest\t1\tArtist\t03:25\t1999\t-1\topening\t/m/F01/LOVE.mp3\t");

  // No lyrics file and no table entry: both fields empty, not the row's stale sub-items.
  SongRow bare = Row("Bare", "None");
  EXPECT_EQ(library::RegisteredLine(state, bare), "Bare\tNone\t1\tArtist\t03:25\t1999\t0\t\t\t");

  // A lyrics file whose first line is empty, or that is empty.
  WriteLyrics("Blank", "First", "\r\nsecond\r\n");
  EXPECT_EQ(library::RegisteredLine(state, Row("Blank", "First")), "Blank\tFirst\t1\tArtist\t03:25\t1999\t0\t\t\t");
  WriteLyrics("Empty", "File", "");
  EXPECT_EQ(library::RegisteredLine(state, Row("Empty", "File")), "Empty\tFile\t1\tArtist\t03:25\t1999\t0\t\t\t");
}

TEST_F(ListFilesTest, RegisteredLineWithAGivenOpeningLineLeavesTheFileAlone) {
  WriteLyrics("Song", "Al", "from the file\r\n");
  state.SongTable.Put("song-al", "/m/s.mp3");
  EXPECT_EQ(library::RegisteredLine(state, Row("Song", "Al"), "given\tline"),
            "Song\tAl\t1\tArtist\t03:25\t1999\t0\tgiven line\t/m/s.mp3\t");
  EXPECT_EQ(library::RegisteredLine(state, Row("Song", "Al"), ""), "Song\tAl\t1\tArtist\t03:25\t1999\t0\t\t/m/s.mp3\t");
}

TEST_F(ListFilesTest, SaveRegisteredWritesEveryRowAndARestartShowsThemAgain) {
  state.AList = {Row("one", "A", true), Row("two", "A", false)};
  state.SongTable.Put("one-A", "/m/1.mp3");
  WriteLyrics("two", "A", "la la\r\n");
  library::SaveRegistered(state);  // MusicDatas does not exist yet
  EXPECT_EQ(ReadBytes(Registered()), "one\tA\t1\tArtist\t03:25\t1999\t-1\t\t/m/1.mp3\t\r\n"
                                     "two\tA\t1\tArtist\t03:25\t1999\t0\tla la\t\t\r\n");

  MainState restarted(dir.path().string() + "/");
  library::LoadLists(restarted);
  ASSERT_EQ(restarted.AList.size(), 2u);
  EXPECT_TRUE(restarted.AList[0].checked);
  EXPECT_FALSE(restarted.AList[1].checked);
  EXPECT_EQ(restarted.AList[1].sub[library::kOpeningLine], "la la");
  EXPECT_EQ(restarted.AList[0].sub[library::kPath], "/m/1.mp3");

  state.AList.clear();
  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Registered()), "");
}

TEST_F(ListFilesTest, JapaneseTitlesWithTrailByte5CSurviveTheRoundTrip) {
  const std::string title = platform::Sjis("表ソ");  // 95 5C 83 5C
  const std::string album = platform::Sjis("ソフト/表");
  ASSERT_EQ(title, std::string("\x95\x5C\x83\x5C"));
  SongRow row = Row(title, album, true);
  row.sub[library::kArtist] = platform::Sjis("予能");  // 97 5C 94 5C
  state.AList.push_back(row);
  state.SongTable.Put(title + "-" + album, platform::Sjis("/m/表.mp3"));
  WriteLyrics(title, album, platform::Sjis("歌い出し表\r\n"));
  library::SaveRegistered(state);

  MainState restarted(dir.path().string() + "/");
  library::LoadLists(restarted);
  ASSERT_EQ(restarted.AList.size(), 1u);
  const SongRow& back = restarted.AList[0];
  EXPECT_EQ(back.caption, title);
  EXPECT_EQ(back.sub[library::kAlbum], album);
  EXPECT_EQ(back.sub[library::kArtist], platform::Sjis("予能"));
  EXPECT_EQ(back.sub[library::kOpeningLine], platform::Sjis("歌い出し表"));
  EXPECT_EQ(back.sub[library::kPath], platform::Sjis("/m/表.mp3"));
  EXPECT_EQ(restarted.SongTable.Get(title + "-" + album), platform::Sjis("/m/表.mp3"));
}

TEST_F(ListFilesTest, PlayerListRoundTripAndItsMessage) {
  state.MList = {Row("T1", "A"), Row(platform::Sjis("ソ"), "B", true)};
  FakeFeedback ui;
  library::SavePlayerList(state, ui);
  EXPECT_EQ(ReadBytes(Player()), "T1\tA\t1\tArtist\t03:25\t1999\t/stale/path.mp3\t\r\n" +
                                     platform::Sjis("ソ") + "\tB\t1\tArtist\t03:25\t1999\t/stale/path.mp3\t\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0], (FakeFeedback::Box{"information", "保存しました。\r\n次回からはこの設定で読み込みます。"}));

  MainState restarted(dir.path().string() + "/");
  library::LoadLists(restarted);
  ASSERT_EQ(restarted.MList.size(), 2u);
  EXPECT_EQ(restarted.MList[1].caption, platform::Sjis("ソ"));
  EXPECT_FALSE(restarted.MList[1].checked);
}

TEST_F(ListFilesTest, TabsAndLineBreaksInsideValuesBecomeSpacesSoTheFileStillLoads) {
  SongRow odd = Row("a\tb\r\nc", "x\ry");
  odd.sub[library::kPath] = "/m/t\tab.mp3";
  state.MList = {odd, Row("next", "A")};
  state.AList = {odd, Row("next", "A")};
  state.SongTable.Put(SongKey(odd), "/m/t\tab.mp3");
  WriteLyrics(odd.caption, odd.sub[library::kAlbum], "one\ttwo\r\n");
  library::WritePlayerList(state);
  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Player()).substr(0, 45), "a b  c\tx y\t1\tArtist\t03:25\t1999\t/m/t ab.mp3\t\r\n");
  EXPECT_EQ(library::RegisteredLine(state, odd), "a b  c\tx y\t1\tArtist\t03:25\t1999\t0\tone two\t/m/t ab.mp3\t");

  MainState restarted(dir.path().string() + "/");
  library::LoadLists(restarted);
  ASSERT_EQ(restarted.MList.size(), 2u);
  ASSERT_EQ(restarted.AList.size(), 2u);
  EXPECT_EQ(restarted.AList[0].sub[library::kPath], "/m/t ab.mp3");
  EXPECT_EQ(restarted.AList[1].caption, "next");
}

TEST_F(ListFilesTest, AWriteThatFailsHalfwayLeavesTheOldFile) {
  const std::string old = RegisteredFields("old", "-1") + "\r\n";
  WriteRegistered(old);
  WritePlayer("old player\t\t\t\t\t\t\t\r\n");
  for (int i = 0; i < 200; ++i) state.AList.push_back(Row("new song " + std::to_string(i), "A"));
  state.MList = state.AList;
  FakeFeedback ui;

  platform::SimulateFullDiskAfter(100);
  std::string registeredError = ErrorOf([&] { library::SaveRegistered(state); });
  std::string playerError = ErrorOf([&] { library::SavePlayerList(state, ui); });
  platform::SimulateFullDiskAfter(-1);

  EXPECT_NE(registeredError.find(Registered()), std::string::npos) << registeredError;
  EXPECT_NE(playerError.find(Player()), std::string::npos) << playerError;
  EXPECT_EQ(ReadBytes(Registered()), old);
  EXPECT_EQ(ReadBytes(Player()), "old player\t\t\t\t\t\t\t\r\n");
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(EntriesInDataFolder(), 2u);  // no temporary file left behind
}

TEST_F(ListFilesTest, AFailedFileIsKeptOnceInBakBeforeItIsRewritten) {
  const std::string failed = RegisteredFields("a", "0") + "\r\n" + RegisteredFields("b", "maybe") + "\r\n" +
                             RegisteredFields("c", "0") + "\r\n";
  WriteRegistered(failed);
  WriteBytes(Registered() + ".bak", "older backup");
  EXPECT_THROW(library::LoadLists(state), platform::Error);

  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Registered() + ".bak"), failed);  // the newer failed file replaces the old .bak
  EXPECT_EQ(ReadBytes(Registered()), "a\tAlbum\t3\tArtist\t04:10\t2004\t0\t\t/m/a.mp3\t\r\n");
  EXPECT_TRUE(state.FailedListFiles.empty());

  // Later saves leave the .bak alone.
  state.AList.push_back(Row("d", "A"));
  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Registered() + ".bak"), failed);
  EXPECT_EQ(state.AList.size(), 2u);
}

TEST_F(ListFilesTest, ABakIsOnlyWrittenForFilesThatFailed) {
  WriteRegistered(RegisteredFields("good", "0") + "\r\n");
  WriteBytes(Registered() + ".bak", "earlier failure");
  library::LoadLists(state);
  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Registered() + ".bak"), "earlier failure");

  // A file that failed and was mended by hand before the next load is no longer failed.
  WriteRegistered(RegisteredFields("bad", "?") + "\r\n");
  EXPECT_THROW(library::LoadLists(state), platform::Error);
  WriteRegistered(RegisteredFields("mended", "0") + "\r\n");
  library::LoadLists(state);
  library::SaveRegistered(state);
  EXPECT_EQ(ReadBytes(Registered() + ".bak"), "earlier failure");
}

TEST_F(ListFilesTest, AFailedPlayerListIsKeptByTheNextSave) {
  const std::string failed = Line({"p1", "A", "1", "R", "00:01", "2000", "/1.mp3"}) + "\r\nbroken\r\n" +
                             Line({"p3", "A", "3", "R", "00:03", "2000", "/3.mp3"}) + "\r\n";
  WritePlayer(failed);
  EXPECT_THROW(library::LoadLists(state), platform::Error);
  EXPECT_EQ(state.MList.size(), 1u);
  library::WritePlayerList(state);
  EXPECT_EQ(ReadBytes(Player() + ".bak"), failed);
  EXPECT_EQ(ReadBytes(Player()), "p1\tA\t1\tR\t00:01\t2000\t/1.mp3\t\r\n");
}

TEST_F(ListFilesTest, WriteRegisteredListStoresTheGivenContentAndKeepsAFailedFile) {
  WriteRegistered("no tabs at all\r\n");
  EXPECT_THROW(library::LoadLists(state), platform::Error);
  library::WriteRegisteredList(state, "x\t\r\n");
  EXPECT_EQ(ReadBytes(Registered()), "x\t\r\n");
  EXPECT_EQ(ReadBytes(Registered() + ".bak"), "no tabs at all\r\n");
}

TEST_F(ListFilesTest, AListFileThatCannotBeReadIsReportedAndNotOverwritten) {
  fs::create_directories(Registered());  // a folder where the file should be
  std::string message = ErrorOf([&] { library::LoadLists(state); });
  EXPECT_NE(message.find(Registered()), std::string::npos) << message;
  EXPECT_THROW(library::SaveRegistered(state), platform::Error);
  EXPECT_TRUE(fs::is_directory(Registered()));
}

TEST_F(ListFilesTest, FortyThousandRowsLoadInOrder) {
  std::string content;
  for (int i = 0; i < 40000; ++i)
    content += Line({platform::Sjis("表題") + std::to_string(i), "Album", std::to_string(i % 12 + 1), "R", "03:00",
                     "2000", i % 2 ? "-1" : "0", "", "/m/" + std::to_string(i) + ".mp3"}) +
               "\r\n";
  WriteRegistered(content);
  library::LoadLists(state);
  ASSERT_EQ(state.AList.size(), 40000u);
  EXPECT_EQ(state.AList[39999].caption, platform::Sjis("表題") + "39999");
  EXPECT_TRUE(state.AList[39999].checked);
  EXPECT_EQ(state.SongTable.Get(platform::Sjis("表題") + "12345-Album"), "/m/12345.mp3");
}

}  // namespace
