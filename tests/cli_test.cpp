// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built lyrimate-cli, which lands in the same folder as this test program, on players
// and data folders made in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "PlayerSupport.h"
#include "TestSupport.h"
#include "ToolSupport.h"
#include "library/NotesWriter.h"
#include "platform/CodePage.h"

using testing_support::AddSong;
using testing_support::Bytes;
using testing_support::MakePlayer;
using testing_support::Quote;
using testing_support::RunTool;
using testing_support::ReadBytes;
using testing_support::SongTags;
using testing_support::TempDir;
using testing_support::ToolPath;
using testing_support::ToolResult;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

const std::string kTool = "lyrimate-cli";
using platform::Sjis;

// One row of `list` output, fields as printed (UTF-8, escaped).
using ListLine = std::vector<std::string>;

std::vector<ListLine> ParseList(const std::string& out) {
  std::vector<ListLine> rows;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end - start);
    ListLine fields;
    std::size_t from = 0;
    while (true) {
      const std::size_t tab = line.find('\t', from);
      fields.push_back(line.substr(from, tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    rows.push_back(fields);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return rows;
}

// 240 frames of 417 bytes at 128 kbit/s: 6.26 seconds.
constexpr int kSixSeconds = 240;

const SongTags kYoru{"夜に駆ける", "THE BOOK", "YOASOBI", "1", "2021", "沈むように\r\n溶けてゆくように", "", kSixSeconds};
const SongTags kGunjo{"群青", "THE BOOK", "YOASOBI", "2", "2021", "", "", kSixSeconds};
// ソ and 表 end in the byte 0x5C in code page 932; the title holds a "/".
const SongTags kSora{"ソ/ラ", "表", "アーティスト", "1", "1999", "", "", kSixSeconds};

class Cli : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(ToolPath(kTool))) << "build lyrimate-cli first: " << ToolPath(kTool);
    player_ = dir_.path() / "player";
    data_ = dir_.path() / "data";
    fs::create_directories(data_);
  }

  // Runs the tool on the data folder and the player with the arguments (quoted where needed).
  ToolResult Tool(const std::string& args, const std::string& input = "") {
    return RunTool(kTool, "--data-dir " + Quote(data_.string()) + " --player " + Quote(player_.string()) + " " + args,
                   input, dir_);
  }

  // A player with the three songs, scanned; returns title -> row number in the song list.
  std::map<std::string, std::string> ScannedPlayer() {
    MakePlayer(player_);
    AddSong(player_, "F00/yoru.mp3", kYoru);
    AddSong(player_, "F00/gunjo.mp3", kGunjo);
    AddSong(player_, "F01/sora.mp3", kSora);
    const ToolResult scan = Tool("scan");
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(scan.out, "3\n");
    return RowsByTitle("player");
  }

  std::map<std::string, std::string> RowsByTitle(const std::string& list) {
    std::map<std::string, std::string> rows;
    for (const ListLine& line : ParseList(Tool("list " + list).out))
      if (line.size() > 2) rows[line[2]] = line[0];
    return rows;
  }

  std::string DataFile(const std::string& nameUtf8) const { return (data_ / "MusicDatas" / nameUtf8).string(); }
  std::string Registered() const { return ReadBytes(DataFile("MusicList.lst")); }
  std::string Song(const std::string& relative) const { return (player_ / "iPod_Control" / "Music" / relative).string(); }
  std::string PlayerRoot() const { return player_.string() + "/"; }

  TempDir dir_;
  fs::path player_;
  fs::path data_;
};

TEST_F(Cli, DetectPrintsThePlayersRootOrFails) {
  ToolResult run = Tool("detect");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("iPodが認識されていません。"), std::string::npos) << run.err;

  MakePlayer(player_);
  run = Tool("detect");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, PlayerRoot() + "\n");
  EXPECT_NE(run.err.find("iPodは " + PlayerRoot() + " にありました。"), std::string::npos) << run.err;
}

TEST_F(Cli, ScanSavesTheSongListAndListPrintsItsRows) {
  const auto rows = ScannedPlayer();
  ASSERT_EQ(rows.size(), 3u);
  const std::string saved = ReadBytes(DataFile("iPodMusicList.lst"));
  EXPECT_NE(saved.find(Sjis("ソ/ラ\t表\t1\tアーティスト\t00:06\t1999\t" + Song("F01/sora.mp3") + "\t\r\n")),
            std::string::npos);

  const std::vector<ListLine> list = ParseList(Tool("list player").out);
  ASSERT_EQ(list.size(), 3u);
  for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i][0], std::to_string(i + 1));
  const ListLine& sora = list[std::stoul(rows.at("ソ/ラ")) - 1];
  EXPECT_EQ(sora, (ListLine{rows.at("ソ/ラ"), "0", "ソ/ラ", "表", "1", "アーティスト", "00:06", "1999", "",
                            Song("F01/sora.mp3")}));
  // The two songs of one folder are read one after the other.
  const long yoru = std::stol(rows.at("夜に駆ける"));
  const long gunjo = std::stol(rows.at("群青"));
  EXPECT_EQ(std::abs(yoru - gunjo), 1);
}

// A TAB, CR or LF cannot reach a list file (they end its fields and lines), so only the
// backslash can be seen escaped; the trail byte 0x5C of ソ and 表 is not a backslash.
TEST_F(Cli, ListEscapesBackslashesButNotTrailBytes) {
  MakePlayer(player_);
  SongTags odd{"a\\b", "ソ表", "", "7", "", "", "", kSixSeconds};
  AddSong(player_, "odd.mp3", odd);
  ASSERT_EQ(Tool("scan").exitCode, 0);
  const ToolResult run = Tool("list player");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "1\t0\ta\\\\b\tソ表\t7\t\t00:06\t\t\t" + Song("odd.mp3") + "\n");
}

TEST_F(Cli, RegisterTickExportWritesPagesByteForByte) {
  auto rows = ScannedPlayer();
  ToolResult run = Tool("register " + rows.at("群青") + " " + rows.at("夜に駆ける"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // Registered in song-list order, unticked, with the paths from the song table.
  const std::vector<ListLine> registered = ParseList(Tool("list registered").out);
  ASSERT_EQ(registered.size(), 2u);
  const bool yoruFirst = rows.at("夜に駆ける") < rows.at("群青");
  const std::size_t yoruRow = yoruFirst ? 1 : 2;
  EXPECT_EQ(registered[yoruRow - 1],
            (ListLine{std::to_string(yoruRow), "0", "夜に駆ける", "THE BOOK", "1", "YOASOBI", "00:06", "2021", "",
                      Song("F00/yoru.mp3")}));

  run = Tool("lyrics set " + std::to_string(yoruRow) + " --registered", "沈むように\n溶けてゆくように\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = Tool("tick --all");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(Registered().find(Sjis("夜に駆ける\tTHE BOOK\t1\tYOASOBI\t00:06\t2021\t-1\t沈むように\t" +
                                   Song("F00/yoru.mp3") + "\t\r\n")),
            std::string::npos)
      << Registered();

  run = Tool("export");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  library::ExportReport report;
  report.pagesWritten = 2;
  report.pagesInNotes = 2;
  std::string expectedReport = platform::Cp932ToUtf8(library::ExportReportText(report));
  for (std::size_t at; (at = expectedReport.find("\r\n")) != std::string::npos;) expectedReport.replace(at, 2, "\n");
  if (expectedReport.back() != '\n') expectedReport += '\n';
  EXPECT_EQ(run.out, expectedReport);

  const std::string block =
      "<?xml encoding=\"Shift_JIS\"?><meta name=\"NowPlaying\" content=\"false\">"
      "Title:  <a href=\"ipod:music?album=THE BOOK&song=%T\">%T</a>\r\n"
      "Album:  <a href=\"ipod:music?album=THE BOOK&song=夜に駆ける&群青\">THE BOOK</a>\r\n"
      "Track No:  %N\r\n"
      "Artist:  YOASOBI(2021)\r\n"
      "Time:  00:06\r\n"
      "Now Playing:  <a href=\"ipod:music?NowPlaying=true\">ON</a> / "
      "<a href=\"ipod:music?NowPlaying=false\">OFF</a>\r\n";
  auto fill = [&](const std::string& title, const std::string& track) {
    std::string text = block;
    for (std::size_t at; (at = text.find("%T")) != std::string::npos;) text.replace(at, 2, title);
    text.replace(text.find("%N"), 2, track);
    return text;
  };
  const fs::path album = player_ / "Notes" / "THE BOOK";
  EXPECT_EQ(ReadBytes((album / "夜に駆ける").string()),
            Sjis(fill("夜に駆ける", "1") + "\r\n【Words】\r\n\r\n沈むように\r\n溶けてゆくように\r\n\r\n\r\n\r\n"
                                         "Next:<a href=\"群青\">群青</a>\r\n"));
  // Without a lyrics file: the six lines only, no links to the neighbours.
  EXPECT_EQ(ReadBytes((album / "群青").string()), Sjis(fill("群青", "2")));
  // The export rewrote the registered list with the ticks and the opening line.
  EXPECT_NE(Registered().find(Sjis("群青\tTHE BOOK\t2\tYOASOBI\t00:06\t2021\t-1\t\t" + Song("F00/gunjo.mp3") +
                                   "\t\r\n")),
            std::string::npos);
}

TEST_F(Cli, TickUntickAndRemoveWorkOnTheGivenRegisteredRows) {
  auto rows = ScannedPlayer();
  ASSERT_EQ(Tool("register --all").exitCode, 0);
  ASSERT_EQ(Tool("tick 3 1").exitCode, 0);
  std::vector<ListLine> list = ParseList(Tool("list registered").out);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0][1] + list[1][1] + list[2][1], "101");
  ASSERT_EQ(Tool("untick 3").exitCode, 0);
  list = ParseList(Tool("list registered").out);
  EXPECT_EQ(list[0][1] + list[1][1] + list[2][1], "100");

  const std::string removedTitle = list[1][2];
  ASSERT_EQ(Tool("remove 2 2").exitCode, 0);
  list = ParseList(Tool("list registered").out);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1][0], "2");
  EXPECT_NE(list[0][2], removedTitle);
  EXPECT_NE(list[1][2], removedTitle);
  EXPECT_EQ(list[0][1] + list[1][1], "10");
  EXPECT_EQ(Tool("untick --all").exitCode, 0);
  EXPECT_EQ(Registered().find("\t-1\t"), std::string::npos);
}

TEST_F(Cli, LyricsSetTakesUtf8AndJapaneseEncodingsAndStoresShiftJis) {
  auto rows = ScannedPlayer();
  const std::string sora = rows.at("ソ/ラ");
  const std::string file = DataFile("ソ_ラ-表.txt");
  const std::string expected = Sjis("こんにちは\r\n漢字\r\n");

  const std::map<std::string, std::string> inputs = {
      {"UTF-8", "こんにちは\n漢字"},
      {"UTF-8 with signature", "\xEF\xBB\xBFこんにちは\r\n漢字\r\n"},
      {"Shift_JIS", Sjis("こんにちは\r漢字\r\n")},
      {"EUC-JP", Bytes({0xA4, 0xB3, 0xA4, 0xF3, 0xA4, 0xCB, 0xA4, 0xC1, 0xA4, 0xCF, '\n', 0xB4, 0xC1, 0xBB, 0xFA, '\n'}).str()},
      {"ISO-2022-JP", "\x1B$B$3$s$K$A$O\x1B(B\n\x1B$B4A;z\x1B(B\n"},
      {"UTF-16LE", Bytes({0xFF, 0xFE, 0x53, 0x30, 0x93, 0x30, 0x6B, 0x30, 0x61, 0x30, 0x6F, 0x30, '\n', 0, 0x22, 0x6F,
                          0x57, 0x5B, '\n', 0}).str()},
  };
  for (const auto& [name, input] : inputs) {
    std::filesystem::remove(file);
    const ToolResult run = Tool("lyrics set " + sora, input);
    EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
    EXPECT_EQ(ReadBytes(file), expected) << name;
    EXPECT_EQ(Tool("lyrics show " + sora).out, "こんにちは\n漢字\n") << name;
  }
  // Japanese that begins after the bytes the detector looks at is still recognised.
  const std::string late = std::string(600, 'a') + "\n" + Sjis("表示") + "\n";
  ASSERT_EQ(Tool("lyrics set " + sora, late).exitCode, 0);
  EXPECT_EQ(ReadBytes(file), std::string(600, 'a') + "\r\n" + Sjis("表示") + "\r\n");

  // From a file; an empty text gives an empty file.
  const std::string empty = dir_.File("empty.txt");
  WriteBytes(empty, "");
  ASSERT_EQ(Tool("lyrics set " + sora + " " + Quote(empty)).exitCode, 0);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(ReadBytes(file), "");
}

TEST_F(Cli, LyricsSetRefusesWhatItCannotStoreFaithfully) {
  auto rows = ScannedPlayer();
  const std::string file = DataFile("群青-THE BOOK.txt");
  WriteBytes(file, Sjis("前の歌詞\r\n"));
  // A character without a Shift_JIS form would become "?": nothing is written.
  ToolResult run = Tool("lyrics set " + rows.at("群青"), "顔 \xF0\x9F\x98\x80 ?\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("1 行 3 文字目 U+1F600"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(file), Sjis("前の歌詞\r\n"));
  // A literal "?" is not a loss.
  run = Tool("lyrics set " + rows.at("群青"), "なぜ?\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(file), Sjis("なぜ?\r\n"));
  // A missing input file is named.
  run = Tool("lyrics set " + rows.at("群青") + " " + Quote(dir_.File("nowhere.txt")));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("nowhere.txt"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(file), Sjis("なぜ?\r\n"));
}

TEST_F(Cli, AnInputThatCannotBeReadIsNamedWithTheSystemsReason) {
  auto rows = ScannedPlayer();
  const std::string row = rows.at("群青");
  const std::string missing = dir_.File("nowhere.txt");
  ToolResult run = Tool("lyrics set " + row + " " + Quote(missing));
  EXPECT_EQ(run.exitCode, 1);
  // The reason in Japanese; the system's English text goes to a log line before it.
  EXPECT_EQ(run.err, "lyrimate-cli: " + missing + ": No such file or directory\nファイルを読み込めません。\n" + missing +
                         "\n(ファイルまたはフォルダが見つかりません)\n");
  // A folder opens but its reading fails.
  const std::string folder = dir_.path().string();
  run = Tool("lyrics set " + row + " " + Quote(folder));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "lyrimate-cli: " + folder + ": Is a directory\nファイルを読み込めません。\n" + folder + "\n(Is a directory)\n");
  // Standard input that is a folder.
  TempDir other;
  fs::create_directory(other.path() / "stdin");
  run = RunTool(kTool, "--data-dir " + Quote(data_.string()) + " --player " + Quote(player_.string()) + " lyrics set " + row,
                "", other);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "標準入力を読み込めません。 (Is a directory)\n");
  EXPECT_FALSE(fs::exists(DataFile("群青-THE BOOK.txt")));
}

TEST_F(Cli, LyricsShowPrefersTheFileOverTheTag) {
  auto rows = ScannedPlayer();
  const std::string yoru = rows.at("夜に駆ける");
  EXPECT_EQ(Tool("lyrics show " + yoru).out, "沈むように\n溶けてゆくように\n");
  WriteBytes(DataFile("夜に駆ける-THE BOOK.txt"), Sjis("手直し\r\n"));
  EXPECT_EQ(Tool("lyrics show " + yoru).out, "手直し\n");
  // No file and no tag lyrics: nothing.
  const ToolResult run = Tool("lyrics show " + rows.at("群青"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
}

TEST_F(Cli, LyricsImportStoresTheTagLyricsOfOneRow) {
  auto rows = ScannedPlayer();
  ToolResult run = Tool("lyrics import " + rows.at("夜に駆ける"));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("歌詞を保存しました。"), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(DataFile("夜に駆ける-THE BOOK.txt")), Sjis("沈むように\r\n溶けてゆくように\r\n"));

  run = Tool("lyrics import " + rows.at("群青"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("歌詞が設定されていません。"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(DataFile("群青-THE BOOK.txt")));

  // The same from the registered list; the song list is left as it was.
  fs::remove(DataFile("夜に駆ける-THE BOOK.txt"));
  ASSERT_EQ(Tool("register " + rows.at("夜に駆ける")).exitCode, 0);
  const std::string songList = ReadBytes(DataFile("iPodMusicList.lst"));
  run = Tool("lyrics import 1 --registered");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(DataFile("夜に駆ける-THE BOOK.txt")), Sjis("沈むように\r\n溶けてゆくように\r\n"));
  EXPECT_EQ(ReadBytes(DataFile("iPodMusicList.lst")), songList);
}

TEST_F(Cli, ScanWithImportLyricsWritesEveryTagsLyrics) {
  MakePlayer(player_);
  AddSong(player_, "F00/yoru.mp3", kYoru);
  AddSong(player_, "F00/gunjo.mp3", kGunjo);
  fs::create_directories(data_ / "MusicDatas");
  WriteBytes(DataFile("夜に駆ける-THE BOOK.txt"), Sjis("古い\r\n"));
  const ToolResult run = Tool("scan --import-lyrics");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "2\n");
  EXPECT_EQ(ReadBytes(DataFile("夜に駆ける-THE BOOK.txt")), Sjis("沈むように\r\n溶けてゆくように\r\n"));
  EXPECT_FALSE(fs::exists(DataFile("群青-THE BOOK.txt")));
}

TEST_F(Cli, ImportsMoveHandWrittenLyricsToBackupAndSaySo) {
  auto rows = ScannedPlayer();
  WriteBytes(DataFile("夜に駆ける-the book.txt"), Sjis("手で書いた\r\n"));
  ToolResult run = Tool("lyrics import " + rows.at("夜に駆ける"));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string backups = (data_ / "MusicDatas" / "Backup").string();
  EXPECT_NE(run.err.find("元の歌詞ファイルは " + backups + "/夜に駆ける-the book."), std::string::npos) << run.err;
  // Replaced under the name it was found by.
  EXPECT_EQ(ReadBytes(DataFile("夜に駆ける-the book.txt")), Sjis("沈むように\r\n溶けてゆくように\r\n"));
  EXPECT_FALSE(fs::exists(DataFile("夜に駆ける-THE BOOK.txt")));

  WriteBytes(DataFile("夜に駆ける-the book.txt"), Sjis("また手で\r\n"));
  run = Tool("scan --import-lyrics");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("完了しました。\n歌詞ファイル 1 件を置き換えました。元のファイルは " + backups + "/ にあります。"),
            std::string::npos)
      << run.err;
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(backups)) kept.push_back(platform::Cp932ToUtf8(ReadBytes(entry.path().string())));
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{"また手で\r\n", "手で書いた\r\n"}));
}

TEST_F(Cli, ALinkedLyricsFileIsNeitherShownNorListedNorExported) {
  auto rows = ScannedPlayer();
  const std::string secret = dir_.File("shadow");
  WriteBytes(secret, "root:SECRET:19000\n");
  fs::create_symlink(secret, DataFile("夜に駆ける-THE BOOK.txt"));
  for (const std::string& command : {"lyrics show " + rows.at("夜に駆ける"), "register " + rows.at("夜に駆ける")}) {
    const ToolResult run = Tool(command);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(run.out.find("SECRET"), std::string::npos) << command;
    EXPECT_NE(run.err.find("通常のファイルではないため開きません"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("夜に駆ける-THE BOOK.txt"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(DataFile("MusicList.lst")));
  EXPECT_EQ(ReadBytes(secret), "root:SECRET:19000\n");
}

TEST_F(Cli, PathsTheCodePageCannotHoldAreUsedExactly) {
  data_ = dir_.path() / "Zoë" / "d";
  player_ = dir_.path() / "Zoë's iPod";
  auto rows = ScannedPlayer();
  EXPECT_EQ(Tool("detect").out, PlayerRoot() + "\n");
  ASSERT_EQ(Tool("lyrics set " + rows.at("群青"), "青\n").exitCode, 0);
  EXPECT_EQ(ReadBytes(DataFile("群青-THE BOOK.txt")), Sjis("青\r\n"));
  EXPECT_TRUE(fs::exists(DataFile("iPodMusicList.lst")));
  EXPECT_FALSE(fs::exists(dir_.path() / "Zo?"));
  // The song's path is the system's bytes, and a later run reads it back and opens it.
  const std::vector<ListLine> list = ParseList(Tool("list player").out);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list[0].back().rfind(PlayerRoot() + "iPod_Control/Music/", 0), 0u) << list[0].back();
  EXPECT_EQ(Tool("lyrics show " + rows.at("夜に駆ける")).out, "沈むように\n溶けてゆくように\n");
}

TEST_F(Cli, TagTextThatIsNotShiftJisStillNamesALyricsFile) {
  MakePlayer(player_);
  // An ID3v2.3 title frame flagged Latin-1 holding "Café/Bar" as Latin-1 bytes.
  const std::string nul(1, '\0');
  Bytes frames;
  frames.Append(testing_support::Id3v23Frame("TIT2", nul + "Caf\xE9/Bar"))
      .Append(testing_support::Id3v23Frame("TALB", nul + "Caf\xE9 del Mar"));
  Bytes song;
  song.Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(frames.size())).Append(frames);
  for (int i = 0; i < 20; ++i) song.U8(0xFF).U8(0xFB).U8(0x90).U8(0x44).Fill(413, 0x55);
  fs::create_directories(player_ / "iPod_Control" / "Music" / "F00");
  WriteBytes(Song("F00/cafe.mp3"), song.str());
  ASSERT_EQ(Tool("scan").exitCode, 0);
  const ToolResult run = Tool("lyrics set 1", "la\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(DataFile("Caf__Bar-Caf_ del Mar.txt")), "la\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(data_ / "MusicDatas")) ++entries;
  EXPECT_EQ(entries, 2u);  // the lyrics and the song list, no temporary left behind
}

TEST_F(Cli, ScanAndExportWithoutAPlayerFailAndSaveNothing) {
  ToolResult run = Tool("scan");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("iPodが認識されていません。"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(DataFile("iPodMusicList.lst")));
  run = Tool("export");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_FALSE(fs::exists(player_ / "Notes"));
  // A player without its music folder.
  MakePlayer(player_);
  fs::remove(player_ / "iPod_Control" / "Music");
  run = Tool("scan");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("iPod 曲が保存されているディレクトリがありません。"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(DataFile("iPodMusicList.lst")));
}

TEST_F(Cli, UsageErrorsExitWithTwoAndChangeNothing) {
  ScannedPlayer();
  ASSERT_EQ(Tool("register 1 2").exitCode, 0);
  const std::string registered = Registered();
  const std::string songList = ReadBytes(DataFile("iPodMusicList.lst"));
  for (const std::string args :
       {"", "frobnicate", "detect now", "scan --lyrics", "list", "list both", "register", "register 4",
        "register 0", "register 1 4", "register x", "register -1", "register 1 --all", "remove", "remove --all",
        "remove 3", "tick", "tick 3", "untick 1 3", "export 1", "lyrics", "lyrics show", "lyrics show 9",
        "lyrics show 3 --registered", "lyrics frob 1", "lyrics import 1 2", "lyrics set 1 a b",
        "lyrics set 4"}) {
    const ToolResult run = Tool(args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_TRUE(run.out.empty()) << args;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << args;
    EXPECT_EQ(Registered(), registered) << args;
    EXPECT_EQ(ReadBytes(DataFile("iPodMusicList.lst")), songList) << args;
  }
  EXPECT_FALSE(fs::exists(player_ / "Notes"));
  // A row out of range names the list and its size.
  EXPECT_NE(Tool("remove 3").err.find("registered list has 2 rows"), std::string::npos);
  // A global option without its value.
  const ToolResult run = Tool("--player");
  EXPECT_EQ(run.exitCode, 2);
}

TEST_F(Cli, HelpExitsWithZero) {
  const ToolResult run = Tool("--help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("lyrics set ROW [FILE]"), std::string::npos);
  EXPECT_FALSE(fs::exists(data_ / "MusicDatas"));
}

TEST_F(Cli, ABrokenListFileEndsTheRunAndIsKept) {
  ScannedPlayer();
  ASSERT_EQ(Tool("register --all").exitCode, 0);
  std::string broken = Registered();
  // The second line loses its last field's TAB: eight fields.
  const std::size_t secondLine = broken.find("\r\n") + 2;
  const std::size_t secondEnd = broken.find("\r\n", secondLine);
  broken.erase(secondEnd - 1, 1);
  WriteBytes(DataFile("MusicList.lst"), broken);
  const std::string songList = ReadBytes(DataFile("iPodMusicList.lst"));

  for (const std::string args : {"list registered", "tick --all", "register 1", "remove 1", "export", "scan",
                                 "lyrics set 1", "lyrics set 1 --registered"}) {
    const ToolResult run = Tool(args, "text\n");
    EXPECT_EQ(run.exitCode, 1) << args;
    EXPECT_TRUE(run.out.empty()) << args;
    EXPECT_NE(run.err.find("MusicList.lst"), std::string::npos) << args << ": " << run.err;
    EXPECT_EQ(Registered(), broken) << args;
    EXPECT_EQ(ReadBytes(DataFile("iPodMusicList.lst")), songList) << args;
  }
  EXPECT_FALSE(fs::exists(player_ / "Notes"));
  EXPECT_FALSE(fs::exists(DataFile("MusicList.lst.bak")));
}

TEST_F(Cli, PageRowPrintsExactlyWhatTheExportWrites) {
  auto rows = ScannedPlayer();
  ASSERT_EQ(Tool("register --all").exitCode, 0);
  const auto registered = RowsByTitle("registered");
  std::string lyrics;
  for (int i = 0; i < 400; ++i) lyrics += "沈むように溶けてゆくように " + std::to_string(i) + "\n";
  ASSERT_EQ(Tool("lyrics set " + registered.at("夜に駆ける") + " --registered", lyrics).exitCode, 0);
  ASSERT_EQ(Tool("tick --all").exitCode, 0);

  const ToolResult whole = Tool("page " + registered.at("夜に駆ける"));
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  const ToolResult parts = Tool("page " + registered.at("夜に駆ける") + " --split-pages");
  ASSERT_EQ(parts.exitCode, 0) << parts.err;
  ToolResult run = Tool("export");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const fs::path album = player_ / "Notes" / "THE BOOK";
  EXPECT_TRUE(whole.out == ReadBytes((album / "夜に駆ける").string())) << whole.out.size() << " bytes printed";
  EXPECT_NE(run.out.find("夜に駆ける ("), std::string::npos) << run.out;  // named as too long

  run = Tool("export --split-pages --clean-notes");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string written = ReadBytes((album / "夜に駆ける").string());
  int count = 1;
  for (; fs::exists(album / ("夜に駆ける～" + std::to_string(count + 1))); ++count)
    written += ReadBytes((album / ("夜に駆ける～" + std::to_string(count + 1))).string());
  EXPECT_EQ(count, 4);
  EXPECT_TRUE(parts.out == written) << parts.out.size() << " bytes printed, " << written.size() << " written";
  EXPECT_EQ(run.out.find("4,096"), std::string::npos) << run.out;

  EXPECT_EQ(Tool("page 9").exitCode, 2);
  EXPECT_EQ(Tool("page").exitCode, 2);
  EXPECT_EQ(Tool("export --split").exitCode, 2);
}

}  // namespace
