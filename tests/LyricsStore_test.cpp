// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "FakeFeedback.h"
#include "PlayerSupport.h"
#include "TestSupport.h"
#include "library/LyricsFiles.h"
#include "library/MusicScan.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace {

using library::ListId;
using library::ListSelection;
using library::MainState;
using library::SongRow;
using testing_support::FakeFeedback;
using testing_support::ReadBytes;
using testing_support::SongTags;
using testing_support::Tags;
using testing_support::TempDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

using Box = FakeFeedback::Box;

SongRow Row(const std::string& title, const std::string& album, const std::string& audioPath = "") {
  SongRow row;
  row.caption = title;
  row.sub[library::kAlbum] = album;
  row.sub[library::kPath] = audioPath;
  return row;
}


class LyricsStoreTest : public ::testing::Test {
protected:
  LyricsStoreTest() : state(dir.path().string() + "/data/") {
    fs::create_directories(dir.path() / "data");
    testing_support::MakePlayer(Root());
  }

  fs::path Root() const { return dir.path() / "player"; }
  std::string DataFolder() const { return dir.File("data/MusicDatas"); }
  // The lyrics file of a song, by the program's naming rule (code page 932 in), as a system path.
  std::string LyricsFile(const std::string& title, const std::string& album) const {
    return library::LyricsFileName(state, title, album);
  }
  void WriteLyrics(const std::string& title, const std::string& album, const std::string& bytes) {
    fs::create_directories(DataFolder());
    WriteBytes(LyricsFile(title, album), bytes);
  }
  // Scans the made player into the song list.
  void Scan() {
    state.DriveRoot = Root().string() + "/";
    FakeFeedback scanUi;
    library::GetSongInfo(state, scanUi);
  }

  TempDir dir;
  MainState state;
  FakeFeedback ui;
};

// --- the editor's content -------------------------------------------------------------------

TEST_F(LyricsStoreTest, NoSelectionOpensNothing) {
  state.MList.push_back(Row("a", "b"));
  state.LyricsPath = "unchanged";
  EXPECT_FALSE(library::OpenLyricsEditor(state, ListId::MList, ListSelection{}));
  EXPECT_EQ(state.LyricsPath, "unchanged");
  EXPECT_FALSE(fs::exists(DataFolder()));
}

TEST_F(LyricsStoreTest, EditorOfASongWithoutLyricsNamesTheFileAndCreatesTheFolder) {
  state.AList = {Row("x", "y"), Row("AC/DC Live", "X/Y", "/no/such/file.mp3")};
  auto content = library::OpenLyricsEditor(state, ListId::AList, ListSelection{{1}});
  ASSERT_TRUE(content);
  EXPECT_EQ(content->caption, "AC_DC Live (X_Y)");
  EXPECT_FALSE(content->text);  // the editor keeps what it holds
  EXPECT_EQ(state.LyricsPath, DataFolder() + "/AC_DC Live-X_Y.txt");
  EXPECT_TRUE(fs::is_directory(DataFolder()));
}

TEST_F(LyricsStoreTest, EditorShowsTheStoredFileAsCrLfLines) {
  state.MList = {Row("Song", "Album")};
  WriteLyrics("Song", "Album", "first\nsecond\rthird");
  auto content = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
  ASSERT_TRUE(content && content->text);
  EXPECT_EQ(*content->text, "first\r\nsecond\r\nthird\r\n");
}

TEST_F(LyricsStoreTest, EditorTakesTagLyricsOnlyWithoutAFileAndWhenNotBlank) {
  const std::string withLyrics =
      testing_support::AddSong(Root(), "F00/a.mp3", Tags("A", "Al", "歌詞の一行目\n二行目"));
  const std::string blank = testing_support::AddSong(Root(), "F00/b.mp3", Tags("B", "Al", " \r\n\t "));
  state.MList = {Row("A", "Al", withLyrics), Row("B", "Al", blank)};

  auto fromTag = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
  ASSERT_TRUE(fromTag && fromTag->text);
  EXPECT_EQ(platform::Cp932ToUtf8(*fromTag->text), "歌詞の一行目\n二行目");

  auto blankTag = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{1}});
  ASSERT_TRUE(blankTag);
  EXPECT_FALSE(blankTag->text);

  WriteLyrics("A", "Al", "edited\r\n");
  auto fromFile = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
  ASSERT_TRUE(fromFile && fromFile->text);
  EXPECT_EQ(*fromFile->text, "edited\r\n");
}

TEST_F(LyricsStoreTest, EditorOfALyricsFileThatCannotBeReadFailsInsteadOfShowingTheTag) {
  const std::string song = testing_support::AddSong(Root(), "F00/a.mp3", Tags("A", "Al", "tag lyrics"));
  state.MList = {Row("A", "Al", song)};
  fs::create_directories(DataFolder());
  const std::string fifo = LyricsFile("A", "Al");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);  // refused by the reader, never blocks
  try {
    library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_EQ(std::string(error.what()),
              platform::Sjis("通常のファイルではないため開きません（リンク・フォルダ・FIFO・デバイスなど）。\r\n") +
                  state.LyricsPath);
  }
  EXPECT_EQ(state.LyricsPath, DataFolder() + "/A-Al.txt");
}

TEST_F(LyricsStoreTest, EditorWithoutADataFolderFailsBeforeLookingAtAnyLyrics) {
  const std::string song = testing_support::AddSong(Root(), "F00/a.mp3", Tags("A", "Al", "tag lyrics"));
  state.MList = {Row("A", "Al", song)};
  WriteBytes(DataFolder(), "a file where the folder belongs");
  try {
    library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with(platform::Sjis("フォルダを作成できません。") + "\r\n" +
                                                      state.DataFolder()))
        << error.what();
  }
  EXPECT_EQ(state.LyricsPath, DataFolder() + "/A-Al.txt");
}

TEST_F(LyricsStoreTest, EditorTreatsAFolderInPlaceOfTheSongAsMissingAndRefusesOneInPlaceOfTheLyrics) {
  // A folder where the song's audio file should be: no tag lyrics.
  const std::string folderSong = Root().string() + "/iPod_Control/Music/F00/folder.mp3";
  fs::create_directories(folderSong);
  state.MList = {Row("F", "Al", folderSong)};
  auto content = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
  ASSERT_TRUE(content);
  EXPECT_FALSE(content->text);

  // A folder where the lyrics file should be is refused, like a link or a FIFO: showing the
  // tag lyrics would let a save try to replace it.
  const std::string song = testing_support::AddSong(Root(), "F00/a.mp3", Tags("A", "Al", "tag lyrics"));
  state.MList = {Row("A", "Al", song)};
  fs::create_directories(LyricsFile("A", "Al"));
  EXPECT_THROW(library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}}), platform::Error);
}

TEST_F(LyricsStoreTest, JapaneseNamesWithTrailByte5CStayWhole) {
  const std::string title = platform::Sjis("表/ソ");  // 95 5C 2F 83 5C
  const std::string album = platform::Sjis("ソフト");
  state.MList = {Row(title, album)};
  WriteLyrics(title, album, platform::Sjis("表示\r\n"));
  auto content = library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}});
  ASSERT_TRUE(content && content->text);
  EXPECT_EQ(state.LyricsPath, DataFolder() + "/表_ソ-ソフト.txt");
  EXPECT_EQ(content->caption, platform::Sjis("表_ソ (ソフト)"));
  EXPECT_EQ(*content->text, platform::Sjis("表示\r\n"));
}

// --- saving the editor's text ---------------------------------------------------------------

TEST_F(LyricsStoreTest, SaveLyricsWritesCrLfLinesAndEmptiesTheText) {
  state.MList = {Row("Song", "Album")};
  ASSERT_TRUE(library::OpenLyricsEditor(state, ListId::MList, ListSelection{{0}}));
  state.LyricsText = "a\nb";
  library::SaveLyrics(state);
  EXPECT_EQ(ReadBytes(LyricsFile("Song", "Album")), "a\r\nb\r\n");
  EXPECT_EQ(state.LyricsText, "");

  state.LyricsText = "x\r\r\ny\r\n";
  library::SaveLyrics(state);
  EXPECT_EQ(ReadBytes(LyricsFile("Song", "Album")), "x\r\n\r\ny\r\n");

  state.LyricsText = "";
  library::SaveLyrics(state);
  EXPECT_TRUE(fs::exists(LyricsFile("Song", "Album")));
  EXPECT_EQ(ReadBytes(LyricsFile("Song", "Album")), "");
}

TEST_F(LyricsStoreTest, SaveLyricsCreatesTheDataFolderWhenMissing) {
  state.LyricsPath = library::LyricsFileName(state, "t", "a");
  state.LyricsText = "line";
  library::SaveLyrics(state);
  EXPECT_EQ(ReadBytes(LyricsFile("t", "a")), "line\r\n");
}

TEST_F(LyricsStoreTest, AFailedSaveKeepsTheOldFileAndTheText) {
  WriteLyrics("t", "a", "years of corrections\r\n");
  state.LyricsPath = library::LyricsFileName(state, "t", "a");
  state.LyricsText = std::string(5000, 'x');
  platform::SimulateFullDiskAfter(1000);
  EXPECT_THROW(library::SaveLyrics(state), platform::Error);
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(ReadBytes(LyricsFile("t", "a")), "years of corrections\r\n");
  EXPECT_EQ(state.LyricsText.size(), 5000u);
  EXPECT_EQ(std::distance(fs::directory_iterator(DataFolder()), fs::directory_iterator()), 1);

  state.LyricsPath.clear();
  EXPECT_THROW(library::SaveLyrics(state), platform::Error);
}

// --- importing one row ----------------------------------------------------------------------

TEST_F(LyricsStoreTest, ImportOfOneRowStoresTheTagLyrics) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("表/ソ", "アルバム", "一行目\n二行目"));
  Scan();
  ASSERT_EQ(state.MList.size(), 1u);
  WriteLyrics(platform::Sjis("表/ソ"), platform::Sjis("アルバム"), "old\r\n");

  library::ImportLyricsOfRow(state, ui, ListSelection{{0}});
  EXPECT_EQ(ReadBytes(DataFolder() + "/表_ソ-アルバム.txt"),
            platform::Sjis("一行目\r\n二行目\r\n"));
  // The old file differed: asked first, kept in Backup/.
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].kind, "yes-no");
  EXPECT_TRUE(ui.boxes[1].text.starts_with("歌詞を保存しました。\r\n元の歌詞ファイルは " + DataFolder() +
                                           "/Backup/表_ソ-アルバム."))
      << ui.boxes[1].text;
}

TEST_F(LyricsStoreTest, ImportOfARegisteredRowTakesThatRowAndLeavesTheSongListAlone) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("First", "A", "first song"));
  testing_support::AddSong(Root(), "F00/b.mp3", Tags("Second", "A", "second song"));
  Scan();
  ASSERT_EQ(state.MList.size(), 2u);
  // The registered list holds the songs the other way round: row 1 is First.
  state.AList = state.MList;
  if (state.AList[1].caption != "First") std::swap(state.AList[0], state.AList[1]);
  const library::SongList songList = state.MList;

  library::ImportLyricsOfRow(state, ui, ListSelection{{1}}, ListId::AList);
  EXPECT_EQ(ReadBytes(LyricsFile("First", "A")), "first song\r\n");
  EXPECT_FALSE(fs::exists(LyricsFile("Second", "A")));
  EXPECT_EQ(state.MList.size(), songList.size());
  for (std::size_t i = 0; i < songList.size(); ++i) EXPECT_EQ(state.MList[i].caption, songList[i].caption);
  EXPECT_EQ(ui.boxes, (std::vector<Box>{{"information", "歌詞を保存しました。"}}));
}

TEST_F(LyricsStoreTest, ImportWithoutTagLyricsWritesNothing) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("Blank", "A", "  \r\n  "));
  testing_support::AddSong(Root(), "F00/b.mp3", Tags("None", "A"));
  Scan();
  ASSERT_EQ(state.MList.size(), 2u);
  WriteLyrics("Blank", "A", "kept\r\n");

  library::ImportLyricsOfRow(state, ui, ListSelection{{0}});
  library::ImportLyricsOfRow(state, ui, ListSelection{{1}});
  EXPECT_EQ(ReadBytes(LyricsFile("Blank", "A")), "kept\r\n");
  EXPECT_FALSE(fs::exists(LyricsFile("None", "A")));
  EXPECT_EQ(ui.boxes, (std::vector<Box>{{"information", "歌詞が設定されていません。"},
                                        {"information", "歌詞が設定されていません。"}}));
}

TEST_F(LyricsStoreTest, ImportTakesLyricsFromTheRowsOwnFile) {
  const std::string gone = Root().string() + "/iPod_Control/Music/F00/gone.mp3";
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("T", "A", "from the table's file"));
  Scan();
  // The row names a file that is no longer there; the table still knows the song.
  state.MList[0].sub[library::kPath] = gone;
  library::ImportLyricsOfRow(state, ui, ListSelection{{0}});
  EXPECT_FALSE(fs::exists(LyricsFile("T", "A")));
  EXPECT_EQ(ui.boxes, (std::vector<Box>{{"information", "歌詞が設定されていません。"}}));
}

TEST_F(LyricsStoreTest, ImportOfASongUnknownToTheTableFails) {
  state.MList = {Row("Unknown", "Song")};
  try {
    library::ImportLyricsOfRow(state, ui, ListSelection{{0}});
    ADD_FAILURE() << "no error";
  } catch (const platform::Error& error) {
    EXPECT_EQ(platform::Cp932ToUtf8(error.what()), "キーが見つかりません。`Unknown-Song`");
  }
  EXPECT_TRUE(ui.boxes.empty());

  library::ImportLyricsOfRow(state, ui, ListSelection{});  // no row: nothing
  EXPECT_TRUE(ui.boxes.empty());
}

// --- importing all songs --------------------------------------------------------------------

TEST_F(LyricsStoreTest, GetAllLyricsAnsweredNoDoesNothing) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("T", "A", "tag"));
  state.DriveRoot = Root().string() + "/";
  ui.answer = false;
  library::GetAllLyrics(state, ui);
  EXPECT_EQ(ui.boxes, (std::vector<Box>{
                          {"yes-no", "すべての曲から歌詞を取得します。\r\n多少時間がかかりますがよろしいですか？"}}));
  EXPECT_TRUE(state.MList.empty());
  EXPECT_FALSE(fs::exists(LyricsFile("T", "A")));
}

TEST_F(LyricsStoreTest, GetAllLyricsReplacesFilesFromTagsAndKeepsTheOthers) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("Tagged", "A", "from tag\nline 2"));
  testing_support::AddSong(Root(), "F00/b.mp3", Tags("Blank", "A", " \n "));
  testing_support::AddSong(Root(), "F01/c.mp3", Tags("ソ", "表", "表の歌"));
  WriteLyrics("Tagged", "A", "edited by hand\r\n");
  WriteLyrics("Blank", "A", "edited by hand\r\n");
  state.DriveRoot = Root().string() + "/";

  library::GetAllLyrics(state, ui);
  EXPECT_EQ(state.MList.size(), 3u);
  EXPECT_FALSE(state.ImportLyrics);
  EXPECT_EQ(ReadBytes(LyricsFile("Tagged", "A")), "from tag\r\nline 2\r\n");
  EXPECT_EQ(ReadBytes(LyricsFile("Blank", "A")), "edited by hand\r\n");
  EXPECT_EQ(ReadBytes(LyricsFile(platform::Sjis("ソ"), platform::Sjis("表"))), platform::Sjis("表の歌\r\n"));
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.front().kind, "yes-no");
  EXPECT_EQ(ui.boxes.back(), (Box{"information", "完了しました。\r\n歌詞ファイル 1 件を置き換えました。元のファイルは " +
                                                     DataFolder() + "/Backup/ にあります。"}));
}

TEST_F(LyricsStoreTest, GetAllLyricsWithoutPlayerStillSaysFinished) {
  library::GetAllLyrics(state, ui, /*ask=*/false);
  EXPECT_EQ(ui.boxes, (std::vector<Box>{{"error", "iPodが認識されていません。"},
                                        {"information", "完了しました。\r\n置き換えた歌詞ファイルはありません。"}}));
  EXPECT_FALSE(state.ImportLyrics);
}

TEST_F(LyricsStoreTest, AFailedLyricsWriteEndsTheRunAndClearsImportLyrics) {
  testing_support::AddSong(Root(), "F00/a.mp3", Tags("T", "A", std::string(3000, 'x')));
  WriteLyrics("T", "A", "kept\r\n");
  state.DriveRoot = Root().string() + "/";
  platform::SimulateFullDiskAfter(100);
  EXPECT_THROW(library::GetAllLyrics(state, ui, /*ask=*/false), platform::Error);
  platform::SimulateFullDiskAfter(-1);
  EXPECT_FALSE(state.ImportLyrics);
  EXPECT_EQ(ReadBytes(LyricsFile("T", "A")), "kept\r\n");
  for (const Box& box : ui.boxes) EXPECT_NE(box.text, "完了しました。");
}

}  // namespace
