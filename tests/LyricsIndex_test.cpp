// SPDX-License-Identifier: GPL-3.0-or-later
// One identity for a song's lyrics: the lyrics file is found by the song key's letter-case
// rule, by every command, from one listing of MusicDatas; only regular files are read.
#include "library/LyricsIndex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeFeedback.h"
#include "PlayerSupport.h"
#include "TestSupport.h"
#include "library/ListCommands.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/LyricsStore.h"
#include "library/NotesWriter.h"
#include "platform/CodePage.h"
#include "platform/Error.h"

namespace {

using library::ListId;
using library::ListSelection;
using library::LyricsIndex;
using library::MainState;
using library::SongRow;
using platform::Sjis;
using testing_support::FakeFeedback;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

SongRow Row(const std::string& title, const std::string& album, bool checked = false) {
  SongRow row;
  row.caption = title;
  row.sub[library::kAlbum] = album;
  row.checked = checked;
  return row;
}

class LyricsIdentity : public ::testing::Test {
protected:
  LyricsIdentity() : state(dir.path().string() + "/data/") { fs::create_directories(Data()); }

  fs::path Data() const { return dir.path() / "data" / "MusicDatas"; }
  // A file in MusicDatas by its system (UTF-8) name.
  void Put(const std::string& name, const std::string& bytes) { WriteBytes((Data() / name).string(), bytes); }
  std::string Get(const std::string& name) const { return ReadBytes((Data() / name).string()); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Data())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string EditorText(ListId list, std::size_t row) {
    auto content = library::OpenLyricsEditor(state, list, ListSelection{{row}});
    return content && content->text ? *content->text : std::string("(none)");
  }

  TempDir dir;
  MainState state;
  FakeFeedback ui;
};

TEST_F(LyricsIdentity, ExactNameFirstThenOneThatDiffersOnlyInLetterCase) {
  Put("Love Song-Best.txt", "a\r\n");
  Put("love song-Best.txt", "b\r\n");
  Put("OTHER-ALBUM.txt", "c\r\n");
  Put("カナ-x.txt", "kana\r\n");
  const LyricsIndex index(state);
  const std::string folder = state.DataFolder();
  EXPECT_EQ(index.Find("Love Song", "Best"), folder + "Love Song-Best.txt");
  EXPECT_EQ(index.Find("love song", "Best"), folder + "love song-Best.txt");
  // Neither exact: the lowest of the equal names in byte order, every time.
  EXPECT_EQ(index.Find("LOVE SONG", "Best"), folder + "Love Song-Best.txt");
  EXPECT_EQ(index.Find("other", "album"), folder + "OTHER-ALBUM.txt");
  // Letter case only: width and kana stay different, as in the song key.
  EXPECT_FALSE(index.Existing(Sjis("ｶﾅ"), "x"));
  EXPECT_FALSE(index.Existing(Sjis("かな"), "x"));
  EXPECT_TRUE(index.Existing(Sjis("カナ"), "X"));
  // No file: the exact name, where a new file goes.
  EXPECT_EQ(index.Find("New", "Best"), folder + "New-Best.txt");
  EXPECT_FALSE(index.Existing("New", "Best"));
}

TEST_F(LyricsIdentity, AsciiAndOtherNamesAreMatchedEachByItsOwnFold) {
  Put("ＬＯＶＥ-Ｂｅｓｔ.txt", "wide\r\n");
  Put("Plain-Best.txt", "plain\r\n");
  LyricsIndex index(state);
  const std::string folder = state.DataFolder();
  EXPECT_FALSE(index.Existing("LOVE", "Best"));  // full width is not ASCII
  EXPECT_EQ(index.Find(Sjis("ｌｏｖｅ"), Sjis("ＢＥＳＴ")), folder + "ＬＯＶＥ-Ｂｅｓｔ.txt");
  EXPECT_EQ(index.Find("PLAIN", "best"), folder + "Plain-Best.txt");
  // Files written once both kinds were folded are found by both kinds of lookup.
  const auto written = [&](const std::string& title) {
    const std::string path = index.Find(title, "Best");
    library::WriteLyricsFile(path, "x");
    index.Add(path);
    return path;
  };
  EXPECT_EQ(written("New"), folder + "New-Best.txt");
  EXPECT_EQ(index.Find("NEW", "best"), folder + "New-Best.txt");
  EXPECT_EQ(written(Sjis("Ｎｅｗ")), folder + "Ｎｅｗ-Best.txt");
  EXPECT_EQ(index.Find(Sjis("ＮＥＷ"), "BEST"), folder + "Ｎｅｗ-Best.txt");
}

TEST_F(LyricsIdentity, AFileWrittenDuringTheCommandIsFoundByTheSongsAfterIt) {
  LyricsIndex index(state);
  EXPECT_FALSE(index.Existing("LOVE", "Best"));  // the fold table is built now, still empty
  const std::string path = index.Find("LOVE", "Best");
  library::WriteLyricsFile(path, "x");
  index.Add(path);
  EXPECT_EQ(index.Find("Love", "best"), path);
  EXPECT_EQ(LyricsIndex(MainState(dir.File("missing") + "/")).Size(), 0u);
}

TEST_F(LyricsIdentity, LoveAndLOVEInBestShareOneFileInEveryCommand) {
  Put("LOVE-Best.txt", Sjis("手で直した歌詞\r\n"));
  state.AList = {Row("LOVE", "Best", true), Row("Love", "Best", true), Row("Love", "BEST", true)};
  state.MList = state.AList;

  // The editor of each row shows the one file and saves back into it under its name.
  for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(EditorText(ListId::AList, row), Sjis("手で直した歌詞\r\n"));
  ASSERT_TRUE(library::OpenLyricsEditor(state, ListId::MList, ListSelection{{1}}));
  state.LyricsText = "edited";
  library::SaveLyrics(state);
  EXPECT_EQ(Names(), std::vector<std::string>{"LOVE-Best.txt"});
  EXPECT_EQ(Get("LOVE-Best.txt"), "edited\r\n");

  // The registered list's opening line, the details and the export's page read it too.
  library::SaveRegistered(state);
  const std::string list = Get("MusicList.lst");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 3);
  for (const char* title : {"LOVE\t", "Love\tBest", "Love\tBEST"})
    EXPECT_NE(list.find(std::string(title)), std::string::npos) << title;
  std::size_t withLine = 0;
  for (std::size_t at = list.find("\tedited\t"); at != std::string::npos; at = list.find("\tedited\t", at + 1)) ++withLine;
  EXPECT_EQ(withLine, 3u);

  const fs::path player = dir.path() / "player";
  testing_support::MakePlayer(player);
  state.DriveRoot = player.string() + "/";
  state.AList = {Row("Love", "best", true)};
  library::ExportNotes(state, ui);
  EXPECT_NE(ReadBytes((player / "Notes" / "best" / "Love").string()).find("edited\r\n"), std::string::npos);
}

TEST_F(LyricsIdentity, SavingAListOpensNoFileForSongsWithoutLyrics) {
  // A FIFO under a name no row uses would block a reader that opened it; no row asks for it.
  ASSERT_EQ(::mkfifo((Data() / "Unused-Song.txt.fifo").c_str(), 0644), 0);
  Put("A-X.txt", "first\r\nsecond\r\n");
  state.AList = {Row("A", "x"), Row("B", "X")};
  library::SaveRegistered(state);
  EXPECT_EQ(Get("MusicList.lst"), "A\tx\t\t\t\t\t0\tfirst\t\t\r\nB\tX\t\t\t\t\t0\t\t\t\r\n");
}

TEST_F(LyricsIdentity, ATabOrLineBreakInATitleFindsTheSameFileAfterAListRoundTrip) {
  state.AList = {Row("Tab\there", "Line\r\nbreak")};
  ASSERT_TRUE(library::OpenLyricsEditor(state, ListId::AList, ListSelection{{0}}));
  state.LyricsText = "words";
  library::SaveLyrics(state);
  EXPECT_EQ(Names(), std::vector<std::string>{"Tab here-Line  break.txt"});

  library::SaveRegistered(state);
  library::LoadLists(state, library::ListsToLoad::RegisteredOnly);
  ASSERT_EQ(state.AList.size(), 1u);
  EXPECT_EQ(state.AList[0].caption, "Tab here");
  EXPECT_EQ(state.AList[0].sub[library::kOpeningLine], "words");
  EXPECT_EQ(EditorText(ListId::AList, 0), "words\r\n");
}

TEST_F(LyricsIdentity, ALongListKeepsItsOrderAndNamesTheFirstFileItRefuses) {
  // More rows than one range of the save: each range is built on its own.
  constexpr std::size_t kRows = 1500;
  std::string expected;
  for (std::size_t i = 0; i < kRows; ++i) {
    const std::string title = "Song " + std::to_string(i);
    state.AList.push_back(Row(title, "A"));
    const std::string line = i % 3 == 0 ? "line " + std::to_string(i) : std::string();
    if (!line.empty()) Put(title + "-A.txt", line + "\r\nsecond\r\n");
    expected += title + "\tA\t\t\t\t\t0\t" + line + "\t\t\r\n";
  }
  library::SaveRegistered(state);
  EXPECT_EQ(Get("MusicList.lst"), expected);

  // A link far down the list and a FIFO before it: the error names the one met first in order.
  fs::remove(Data() / "Song 1200-A.txt");
  fs::create_symlink(dir.File("anywhere"), Data() / "Song 1200-A.txt");
  fs::remove(Data() / "Song 600-A.txt");
  ASSERT_EQ(::mkfifo((Data() / "Song 600-A.txt").c_str(), 0644), 0);
  try {
    library::SaveRegistered(state);
    ADD_FAILURE() << "the FIFO was not refused";
  } catch (const platform::Error& error) {
    EXPECT_NE(std::string(error.what()).find("Song 600-A.txt"), std::string::npos) << error.what();
  }
  EXPECT_EQ(Get("MusicList.lst"), expected);
}

// --- only regular files ---------------------------------------------------------------------

class NotRegular : public LyricsIdentity {
protected:
  void SetUp() override {
    secret = dir.File("secret");
    WriteBytes(secret, "root:SECRET\n");
    state.AList = {Row("Song", "Album", true)};
    state.MList = state.AList;
  }
  // Every way a user reaches the song's lyrics refuses the file and names it.
  void ExpectRefusedEverywhere(const std::string& name) {
    auto refused = [&](auto&& run, const char* what) {
      try {
        run();
        ADD_FAILURE() << what << " did not refuse " << name;
      } catch (const platform::Error& error) {
        const std::string text = platform::Cp932ToUtf8(error.what());
        EXPECT_NE(text.find("通常のファイルではない"), std::string::npos) << what << ": " << text;
        EXPECT_NE(text.find(name), std::string::npos) << what << ": " << text;
        EXPECT_EQ(text.find("SECRET"), std::string::npos) << what;
      }
    };
    refused([&] { library::OpenLyricsEditor(state, ListId::AList, ListSelection{{0}}); }, "editor");
    refused([&] { library::SaveRegistered(state); }, "list save");
    const fs::path player = dir.path() / "player";
    testing_support::MakePlayer(player);
    state.DriveRoot = player.string() + "/";
    refused([&] { library::ExportNotes(state, ui); }, "export");
    EXPECT_FALSE(fs::exists(player / "Notes" / "Album" / "Song"));
    EXPECT_FALSE(fs::exists(Data() / "MusicList.lst"));
    EXPECT_EQ(ReadBytes(secret), "root:SECRET\n");
  }
  std::string secret;
};

TEST_F(NotRegular, ASymbolicLinkToASecretFileIsNeverFollowed) {
  fs::create_symlink(secret, Data() / "Song-Album.txt");
  ExpectRefusedEverywhere("Song-Album.txt");
  // Found by letter case too: the link is not passed over for a new file beside it.
  fs::rename(Data() / "Song-Album.txt", Data() / "SONG-album.txt");
  ExpectRefusedEverywhere("SONG-album.txt");
}

TEST_F(NotRegular, AFifoOrAFolderIsRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo((Data() / "Song-Album.txt").c_str(), 0644), 0);
  ExpectRefusedEverywhere("Song-Album.txt");
  fs::remove(Data() / "Song-Album.txt");
  fs::create_directory(Data() / "Song-Album.txt");
  ExpectRefusedEverywhere("Song-Album.txt");
}

TEST_F(NotRegular, AListFileThatIsALinkIsNotLoaded) {
  fs::create_symlink(secret, Data() / "MusicList.lst");
  try {
    library::LoadLists(state);
    ADD_FAILURE() << "a linked list file was loaded";
  } catch (const platform::Error& error) {
    EXPECT_NE(platform::Cp932ToUtf8(error.what()).find("MusicList.lst"), std::string::npos);
  }
}

}  // namespace
