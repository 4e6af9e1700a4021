// SPDX-License-Identifier: GPL-3.0-or-later
// Imports never destroy hand-written lyrics: a differing file is moved to MusicDatas/Backup/
// first, by the one-row import (after asking), get-all-lyrics and the scan's import.
#include "library/LyricsImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeFeedback.h"
#include "PlayerSupport.h"
#include "TestSupport.h"
#include "library/LyricsFiles.h"
#include "library/LyricsStore.h"
#include "library/MusicScan.h"
#include "platform/CodePage.h"

namespace {

using library::LyricsImporter;
using library::MainState;
using platform::Sjis;
using testing_support::Bytes;
using testing_support::FakeFeedback;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;
using Outcome = LyricsImporter::Outcome;

class Importing : public ::testing::Test {
protected:
  Importing() : state(dir.path().string() + "/data/") {
    fs::create_directories(Data());
    testing_support::MakePlayer(Player());
    state.DriveRoot = Player().string() + "/";
  }

  fs::path Data() const { return dir.path() / "data" / "MusicDatas"; }
  fs::path Backup() const { return Data() / "Backup"; }
  fs::path Player() const { return dir.path() / "player"; }
  std::string Get(const std::string& name) const { return ReadBytes((Data() / name).string()); }
  void Put(const std::string& name, const std::string& bytes) { WriteBytes((Data() / name).string(), bytes); }
  std::vector<std::string> Backups() const {
    std::vector<std::string> names;
    if (fs::exists(Backup()))
      for (const auto& entry : fs::directory_iterator(Backup())) names.push_back(ReadBytes(entry.path().string()));
    std::sort(names.begin(), names.end());
    return names;
  }
  void Song(const std::string& file, const std::string& title, const std::string& album, const std::string& lyrics) {
    testing_support::AddSong(Player(), file, testing_support::Tags(title, album, lyrics));
  }

  TempDir dir;
  MainState state;
  FakeFeedback ui;
};

TEST(BackupName, NamePlusDateAndTimeBeforeTheExtension) {
  std::tm local{};
  local.tm_year = 126;
  local.tm_mon = 11;
  local.tm_mday = 9;
  local.tm_hour = 2;
  local.tm_min = 15;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  EXPECT_EQ(library::BackupName("LOVE-Best.txt", when), "LOVE-Best.20261209-021530.txt");
  EXPECT_EQ(library::BackupName("a.b-c.txt", when), "a.b-c.20261209-021530.txt");
}

TEST_F(Importing, OnlyAFileWithOtherLyricsIsMovedAndNeverOneThisImportWrote) {
  Put("Same-A.txt", "one\ntwo");  // the same lines, other line ends: not replaced
  Put("LOVE-Best.txt", Sjis("手で直した\r\n"));
  LyricsImporter importer(state);
  EXPECT_FALSE(importer.WouldReplace("Same", "A", "one\r\ntwo\r\n"));
  EXPECT_TRUE(importer.WouldReplace("Love", "Best", "tag"));
  EXPECT_FALSE(importer.WouldReplace("New", "A", "tag"));

  EXPECT_EQ(importer.Import("Same", "A", "one\r\ntwo\r\n"), Outcome::Unchanged);
  EXPECT_EQ(Get("Same-A.txt"), "one\ntwo");
  EXPECT_EQ(importer.Import("New", "A", "new"), Outcome::Written);
  EXPECT_EQ(importer.Import("Love", "Best", "tag of Love"), Outcome::Replaced);
  // "LOVE" of the same album later in the same import: the file holds tag lyrics now.
  EXPECT_EQ(importer.Import("LOVE", "best", "tag of LOVE"), Outcome::Written);

  EXPECT_EQ(Get("LOVE-Best.txt"), "tag of LOVE\r\n");
  EXPECT_FALSE(fs::exists(Data() / "Love-Best.txt"));
  EXPECT_EQ(Backups(), std::vector<std::string>{Sjis("手で直した\r\n")});
  ASSERT_EQ(importer.Backups().size(), 1u);
  EXPECT_EQ(fs::path(importer.Backups()[0]).parent_path(), Backup());
  EXPECT_EQ(fs::path(importer.Backups()[0]).filename().string().rfind("LOVE-Best.", 0), 0u);
}

TEST_F(Importing, BackupsWithinOneSecondGetTheirOwnNames) {
  for (int i = 0; i < 3; ++i) {
    Put("S-A.txt", "hand " + std::to_string(i) + "\r\n");
    LyricsImporter importer(state);
    EXPECT_EQ(importer.Import("S", "A", "tag"), Outcome::Replaced);
  }
  EXPECT_EQ(Backups(), (std::vector<std::string>{"hand 0\r\n", "hand 1\r\n", "hand 2\r\n"}));
}

TEST_F(Importing, TheOneRowImportAsksBeforeReplacingAndKeepsTheOldFile) {
  Song("F00/a.mp3", "Love", "Best", "tag lyrics");
  library::GetSongInfo(state, ui);
  Put("LOVE-Best.txt", "hand\r\n");

  ui.answer = false;
  ui.boxes.clear();
  library::ImportLyricsOfRow(state, ui, library::ListSelection{{0}});
  EXPECT_EQ(Get("LOVE-Best.txt"), "hand\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, "yes-no");

  ui.answer = true;
  ui.boxes.clear();
  library::ImportLyricsOfRow(state, ui, library::ListSelection{{0}});
  EXPECT_EQ(Get("LOVE-Best.txt"), "tag lyrics\r\n");
  EXPECT_EQ(Backups(), std::vector<std::string>{"hand\r\n"});
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].kind, "information");
  EXPECT_EQ(ui.boxes[1].text.rfind("歌詞を保存しました。\r\n元の歌詞ファイルは " + Backup().string() + "/LOVE-Best.", 0), 0u)
      << ui.boxes[1].text;

  // The same lyrics again: nothing to ask, nothing kept.
  ui.boxes.clear();
  library::ImportLyricsOfRow(state, ui, library::ListSelection{{0}});
  EXPECT_EQ(ui.boxes, (std::vector<FakeFeedback::Box>{{"information", "歌詞を保存しました。"}}));
  EXPECT_EQ(Backups().size(), 1u);
}

TEST_F(Importing, GetAllLyricsKeepsEveryHandWrittenFileAndSaysHowMany) {
  Song("F00/a.mp3", "A", "X", "tag a");
  Song("F00/b.mp3", "B", "X", "tag b");
  Song("F00/c.mp3", "C", "X", "tag c");
  Put("a-x.txt", "hand a\r\n");
  Put("B-X.txt", "tag b\r\n");
  library::GetAllLyrics(state, ui, false);
  EXPECT_EQ(Get("a-x.txt"), "tag a\r\n");
  EXPECT_EQ(Get("C-X.txt"), "tag c\r\n");
  EXPECT_EQ(Backups(), std::vector<std::string>{"hand a\r\n"});
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.back(),
            (FakeFeedback::Box{"information", "完了しました。\r\n歌詞ファイル 1 件を置き換えました。元のファイルは " +
                                                  Backup().string() + "/ にあります。"}));

  ui.boxes.clear();
  library::GetAllLyrics(state, ui, false);
  EXPECT_EQ(ui.boxes.back(), (FakeFeedback::Box{"information", "完了しました。\r\n置き換えた歌詞ファイルはありません。"}));
}

TEST_F(Importing, Latin1TagTextThatIsNotShiftJisNamesAFileAndNeverFails) {
  // ID3v2.3 frames flagged Latin-1 with "Café del Mar" and "Café/Bar" in Latin-1 bytes, read as
  // code page 932: 0xE9 is a lead byte without a valid trail byte.
  auto frame = [](const char* id, const std::string& data) { return testing_support::Id3v23Frame(id, data); };
  const std::string nul(1, '\0');
  Bytes frames;
  frames.Append(frame("TIT2", nul + "Intro"))
      .Append(frame("TALB", nul + "Caf\xE9 del Mar"))
      .Append(frame("USLT", nul + "eng" + nul + "Caf\xE9 lyrics"));
  Bytes second;
  second.Append(frame("TIT2", nul + "Caf\xE9/Bar")).Append(frame("TALB", nul + "x")).Append(frame("USLT", nul + "eng" + nul + "y"));
  for (const auto& [name, tag] : {std::pair{"a.mp3", frames}, std::pair{"b.mp3", second}}) {
    Bytes file;
    file.Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(tag.size())).Append(tag);
    for (int i = 0; i < 20; ++i) file.U8(0xFF).U8(0xFB).U8(0x90).U8(0x44).Fill(413, 0x55);
    fs::create_directories(Player() / "iPod_Control" / "Music" / "F00");
    WriteBytes((Player() / "iPod_Control" / "Music" / "F00" / name).string(), file.str());
  }
  library::GetAllLyrics(state, ui, false);
  // The reader takes such text as Windows-1252; "é" has no code page 932 form and becomes "?".
  EXPECT_EQ(Get("Intro-Caf_ del Mar.txt"), "Caf? lyrics\r\n");
  EXPECT_EQ(Get("Caf__Bar-x.txt"), "y\r\n");
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(Data())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2u);  // the two lyrics files, no temporaries
}

}  // namespace
