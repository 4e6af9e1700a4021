// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/MusicScan.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "FakeFeedback.h"
#include "PlayerSupport.h"
#include "library/LyricsFiles.h"
#include "library/PlayerDetect.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;
using library::FormatSongTime;
using library::GetSongInfo;
using library::MainState;
using library::ScanMusic;
using library::ScanReport;
using library::SongRow;
using library::TMusicData;
using platform::Sjis;
using testing_support::AddSong;
using testing_support::Bytes;
using testing_support::FakeFeedback;
using testing_support::Id3Text;
using testing_support::Id3v23Frame;
using testing_support::MakePlayer;
using testing_support::SongTags;
using testing_support::Tags;
using testing_support::TempDir;
using testing_support::WriteBytes;

const char* const kScanning = "曲リスト一覧を作成しています。";

// A fake whose ProcessMessages can run what the window would handle at that point.
class HookedFeedback : public FakeFeedback {
public:
  std::function<void()> onProcess;
  void ProcessMessages() override {
    FakeFeedback::ProcessMessages();
    if (onProcess) onProcess();
  }
};

// The entries readdir gives for a folder, in its order, without "." and "..".
std::vector<std::string> SystemOrder(const fs::path& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}


SongRow Row(const std::string& caption, const std::string& album) {
  SongRow row;
  row.caption = caption;
  row.sub[library::kAlbum] = album;
  return row;
}

std::vector<std::string> Titles(const library::SongList& rows) {
  std::vector<std::string> titles;
  for (const SongRow& row : rows) titles.push_back(platform::Cp932ToUtf8(row.caption));
  return titles;
}

class Scan : public ::testing::Test {
protected:
  Scan() : state(dataDir.path().string() + "/") {
    MakePlayer(player.path());
    state.DriveRoot = player.path().string() + "/";
    state.Connected = true;
  }

  fs::path Music() const { return player.path() / "iPod_Control" / "Music"; }
  std::string MusicFolder() const { return Music().string() + "/"; }
  // A song whose title is its file name without ".mp3".
  std::string Song(const std::string& relative) {
    const std::string stem = fs::path(relative).stem().string();
    return AddSong(player.path(), relative, Tags(stem, "Album"));
  }

  TempDir dataDir;
  TempDir player;
  MainState state;
  HookedFeedback ui;
};

TEST(FormatSongTime, TheReaderTimeAsItIsElseMinutesAndSecondsOfTheDuration) {
  EXPECT_EQ(FormatSongTime("03:25", ""), "03:25");
  EXPECT_EQ(FormatSongTime("25:07", "1507.2"), "25:07");
  EXPECT_EQ(FormatSongTime("", "272.9"), "04:32");
  EXPECT_EQ(FormatSongTime("", "4500"), "75:00");
  EXPECT_EQ(FormatSongTime("", "59.999"), "00:59");
  EXPECT_EQ(FormatSongTime("", "60"), "01:00");
  EXPECT_EQ(FormatSongTime("", "0.5"), "00:00");
  EXPECT_EQ(FormatSongTime("", "6000000"), "100000:00");
  EXPECT_EQ(FormatSongTime("", "3.6E3"), "60:00");
}

TEST(FormatSongTime, NoUsableDurationGivesZero) {
  for (const char* duration : {"", "0", "abc", "12abc", "-5", "NAN", "INF", "1E20"})
    EXPECT_EQ(FormatSongTime("", duration), "00:00") << duration;
}

TEST_F(Scan, FoldersInTheirOrderWithProgressRoundedHalfToEven) {
  for (const char* folder : {"F00", "F01", "F02", "F03"}) {
    Song(std::string(folder) + "/" + folder + "a.mp3");
    Song(std::string(folder) + "/" + folder + "b.mp3");
  }
  std::vector<std::string> expected;
  for (const std::string& folder : SystemOrder(Music()))
    for (const std::string& file : SystemOrder(Music() / folder)) expected.push_back(fs::path(file).stem().string());

  const ScanReport report = GetSongInfo(state, ui);
  EXPECT_EQ(Titles(state.MList), expected);
  EXPECT_EQ(report.songs, 8u);
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 33, 67, 100, 0}));
  // The status is put back; no notice when nothing was passed over.
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{kScanning, "iPod が認識されていません。"}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Scan, ProgressIsSetBeforeEachSubFolderIsWalked) {
  for (int i = 0; i < 7; ++i) Song("D" + std::to_string(i) + "/s" + std::to_string(i) + ".mp3");
  // Seven folders: sixths of 100 are 16.67, 33.33, 50, 66.67, 83.33.
  ScanMusic(state, ui, MusicFolder());
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 17, 33, 50, 67, 83, 100, 0}));
  std::vector<std::string> order;
  for (const std::string& event : ui.events)
    if (event.rfind("progress:", 0) == 0 || event == "process") order.push_back(event);
  // Before each folder: process, then progress; at the end process, process, progress 0.
  ASSERT_EQ(order.size(), 1 + 7 * 2 + 3u);
  EXPECT_EQ(order[1], "process");
  EXPECT_EQ(order[2], "progress:0");
}

TEST_F(Scan, HalvesGoToTheEvenNeighbour) {
  // Nine folders: eighths of 100 are 12.5, 25, 37.5, 50, 62.5, 75, 87.5.
  for (int i = 0; i < 9; ++i) fs::create_directory(Music() / ("D" + std::to_string(i)));
  ScanMusic(state, ui, MusicFolder());
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100, 0}));
}

TEST_F(Scan, FilesOfAFolderComeBeforeItsSubFoldersAndOneSubFolderGives100) {
  Song("Album/Deep/deep.mp3");
  Song("Album/inner.mp3");
  Song("top.mp3");
  fs::create_directories(Music() / ".hidden");
  Song(".hidden/secret.mp3");
  Song(".dotfile.mp3");  // a file whose name begins with "." is read like any other

  ScanMusic(state, ui, MusicFolder());
  std::vector<std::string> titles = Titles(state.MList);
  ASSERT_EQ(titles.size(), 4u);
  std::sort(titles.begin(), titles.begin() + 2);
  EXPECT_EQ(titles, (std::vector<std::string>{".dotfile", "top", "inner", "deep"}));
  // One sub-folder at each level (the dot folder does not count).
  EXPECT_EQ(ui.progress, (std::vector<int>{100, 100, 0}));
}

TEST_F(Scan, ARowHoldsTheSongAndItsKeyLeadsToTheFile) {
  SongTags tags = Tags("ソフトな夜", "表の顔");
  tags.artist = "歌手";
  tags.track = "3";
  tags.year = "2004";
  tags.comment = "コメント";
  tags.frames = 2400;
  // Folder and file names are the system's bytes, kept as they are.
  const std::string path = AddSong(player.path(), "ソ表/曲.mp3", tags);
  ScanMusic(state, ui, MusicFolder());
  ASSERT_EQ(state.MList.size(), 1u);
  const SongRow& row = state.MList[0];
  EXPECT_EQ(row.caption, Sjis("ソフトな夜"));
  EXPECT_EQ(row.sub, (std::array<std::string, 7>{Sjis("表の顔"), "3", Sjis("歌手"), "01:02", "2004", "", path}));
  EXPECT_FALSE(row.checked);
  EXPECT_EQ(state.SongTable.Get(Sjis("ソフトな夜-表の顔")), path);

  TMusicData record;
  library::ReadSong(state, path, record);
  EXPECT_EQ(record.Comment, Sjis("コメント"));
  EXPECT_EQ(record.Rate, "128");
  EXPECT_EQ(record.FileName, path);
  EXPECT_EQ(record.Lyrics, "");  // only while importing
}

TEST_F(Scan, GenreComesFromTheTag) {
  Bytes frames;
  frames.Append(Id3v23Frame("TIT2", Id3Text("Rock song"))).Append(Id3v23Frame("TCON", Id3Text("ロック")));
  Bytes file;
  file.Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(frames.size())).Append(frames);
  for (int i = 0; i < 10; ++i) file.U8(0xFF).U8(0xFB).U8(0x90).U8(0x44).Fill(413, 0x55);
  WriteBytes((Music() / "rock.mp3").string(), file.str());
  TMusicData record;
  library::ReadSong(state, MusicFolder() + "rock.mp3", record);
  EXPECT_EQ(record.Title, "Rock song");
  EXPECT_EQ(record.Genre, Sjis("ロック"));
}

TEST_F(Scan, AiffSongsAreListedLikeAnyOther) {
  // An AIFF file from ffmpeg with an "ID3 " chunk written by mutagen, as iTunes rips them.
  fs::create_directories(Music() / "F01");
  fs::copy_file(fs::path(LYRIMATE_TEST_DATA) / "aiff-silence.aiff", Music() / "F01" / "silence.aif");
  ScanMusic(state, ui, MusicFolder());
  ASSERT_EQ(state.MList.size(), 1u);
  EXPECT_EQ(state.MList[0].caption, "Silence");
  TMusicData record;
  library::ReadSong(state, MusicFolder() + "F01/silence.aif", record);
  EXPECT_EQ(record.Artist, "Beyonc?");
  EXPECT_EQ(record.Genre, "Ambient");  // "(26)" in the tag
  EXPECT_EQ(record.Comment, "Quiet");   // not the iTunNORM values
  EXPECT_EQ(record.Rate, "128");
}

TEST_F(Scan, UnreadableFilesGiveEmptyRowsAndTheLastOfEqualKeysWins) {
  WriteBytes((Music() / "junk.bin").string(), "not a song");
  ASSERT_EQ(::mkfifo((Music() / "pipe.mp3").c_str(), 0644), 0);  // opening it would block
  const std::string first = Song("A/same.mp3");
  const std::string second = Song("B/same.mp3");
  ScanMusic(state, ui, MusicFolder());
  ASSERT_EQ(state.MList.size(), 4u);
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < 2; ++i) {
    const SongRow& row = state.MList[i];
    EXPECT_EQ(row.caption, "");
    EXPECT_EQ(row.sub, (std::array<std::string, 7>{"", "", "", "00:00", "", "", row.sub[library::kPath]}));
    paths.push_back(fs::path(row.sub[library::kPath]).filename().string());
  }
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"junk.bin", "pipe.mp3"}));
  EXPECT_TRUE(state.SongTable.Exists("-"));
  EXPECT_EQ(state.SongTable.Get("same-Album"), state.MList[3].sub[library::kPath]);
}

TEST_F(Scan, ALinkToAParentFolderIsNotFollowed) {
  Song("A/one.mp3");
  Song("B/two.mp3");
  fs::create_directory_symlink("..", Music() / "A" / "up");
  fs::create_directory_symlink(Music() / "B", Music() / "A" / "sideways");
  fs::create_symlink(Music() / "B" / "two.mp3", Music() / "A" / "linked.mp3");  // a link to a file is read
  const ScanReport report = GetSongInfo(state, ui);
  std::vector<std::string> titles = Titles(state.MList);
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"one", "two", "two"}));
  EXPECT_EQ(report.skippedFolders, 2u);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, "notice");
  EXPECT_EQ(ui.boxes[0].text, "曲の一覧に入れなかったもの: 読めないフォルダ・フォルダへのリンク・二度目のフォルダ 2 件。");
}

TEST_F(Scan, NamesWithoutACodePageFormAreReadAtTheirSystemPaths) {
  Song("ok.mp3");
  Song("\xF0\x9F\x8E\xB5.mp3");  // U+1F3B5 has no code page 932 form
  fs::create_directories(Music() / "\xF0\x9F\x8E\xB6");
  Song("\xF0\x9F\x8E\xB6/inside.mp3");
  GetSongInfo(state, ui);
  std::vector<std::string> paths;
  for (const library::SongRow& row : state.MList) paths.push_back(row.sub[library::kPath]);
  std::sort(paths.begin(), paths.end());
  const std::string music = Music().string() + "/";
  EXPECT_EQ(paths, (std::vector<std::string>{music + "ok.mp3", music + "\xF0\x9F\x8E\xB5.mp3",
                                             music + "\xF0\x9F\x8E\xB6/inside.mp3"}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Scan, AFileWhosePathAListCannotKeepIsLeftOutAndNamed) {
  Song("ok.mp3");
  Song("tab\there.mp3");
  fs::create_directories(Music() / "line\nbreak");
  Song("line\nbreak/inside.mp3");
  const ScanReport report = GetSongInfo(state, ui);
  EXPECT_EQ(Titles(state.MList), std::vector<std::string>{"ok"});
  EXPECT_EQ(report.skippedFiles, 2u);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text.find("パスにタブか改行があって一覧に保存できないファイル 2 件（" + MusicFolder()),
            std::string::npos)
      << ui.boxes[0].text;
}

TEST_F(Scan, AFolderIsNeverEnteredTwice) {
  // A bind mount of a folder below itself makes a loop that no link shows; it needs a
  // private mount namespace, so the scan runs in a child process.
  Song("A/a.mp3");
  fs::create_directories(Music() / "A" / "again");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string folder = (Music() / "A").string(), mountPoint = (Music() / "A" / "again").string();
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
      ::_exit(77);
    const ScanReport report = ScanMusic(state, ui, MusicFolder());
    ::_exit(report.songs == 1 && report.skippedFolders == 1 && state.MList.size() == 1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no bind mounts here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Scan, AFolderThatCannotBeReadIsSkipped) {
  Song("Open/a.mp3");
  Song("Closed/b.mp3");
  fs::permissions(Music() / "Closed", fs::perms::none);
  auto scan = [this] {
    const ScanReport report = ScanMusic(state, ui, MusicFolder());
    return Titles(state.MList) == std::vector<std::string>{"a"} && report.skippedFolders == 1u;
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(scan());
  } else {
    // Permissions do not hold back root: the scan runs in a child that is an ordinary user.
    fs::permissions(player.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(77);
      ::_exit(scan() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  fs::permissions(Music() / "Closed", fs::perms::owner_all);
}

TEST_F(Scan, AFolderThatVanishesBeforeItIsWalkedIsSkipped) {
  Song("One/a.mp3");
  Song("Two/b.mp3");
  const std::string gone = SystemOrder(Music())[1];
  int calls = 0;
  // The second ProcessMessages comes just before the first sub-folder is walked.
  ui.onProcess = [&] {
    if (++calls == 2) fs::remove_all(Music() / gone);
  };
  const ScanReport report = ScanMusic(state, ui, MusicFolder());
  EXPECT_EQ(state.MList.size(), 1u);
  EXPECT_EQ(report.skippedFolders, 1u);
  EXPECT_EQ(ui.progress, (std::vector<int>{0, 100, 0}));
}

TEST_F(Scan, ARemovalDuringTheScanClearsTheRootButTheScanGoesOn) {
  for (const char* folder : {"X", "Y", "Z"}) Song(std::string(folder) + "/" + folder + ".mp3");
  ui.SetStatus(Sjis("iPodは どこか にありました。"));
  ui.statuses.clear();
  int calls = 0;
  ui.onProcess = [&] {
    if (++calls == 3) library::DeviceChange(state, ui, 0x8004);
  };
  const ScanReport report = GetSongInfo(state, ui);
  EXPECT_EQ(report.songs, 3u);
  EXPECT_EQ(state.MList.size(), 3u);
  EXPECT_EQ(state.DriveRoot, "");
  EXPECT_FALSE(state.Connected);
  EXPECT_EQ(ui.statuses,
            (std::vector<std::string>{kScanning, "iPodが認識されていません。", "iPodは どこか にありました。"}));
}

TEST_F(Scan, AStopKeepsTheRowsSoFarAndEndsLikeAFinishedScan) {
  for (int i = 0; i < 5; ++i) Song("s" + std::to_string(i) + ".mp3");
  fs::create_directory(Music() / "Sub");
  Song("Sub/later.mp3");
  state.AList.push_back(Row("s0", "ALBUM"));
  state.AList.push_back(Row("s1", "album"));
  state.AutoCopy = true;
  ui.stopAfterPolls = 2;
  const ScanReport report = GetSongInfo(state, ui);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(report.songs, 3u);
  EXPECT_EQ(state.MList.size(), 3u);
  EXPECT_EQ(ui.polls, 3);
  EXPECT_EQ(ui.status, "iPod が認識されていません。");
  EXPECT_EQ(ui.progress, std::vector<int>{0});
  // The registered songs among those read are ticked as after any scan.
  for (const SongRow& row : state.MList) {
    const bool registered = row.caption == "s0" || row.caption == "s1";
    EXPECT_EQ(row.checked, registered) << row.caption;
  }
}

TEST_F(Scan, PollsComeBetweenTwoFilesOnly) {
  Song("A/a.mp3");
  Song("B/b.mp3");
  Song("B/c.mp3");
  ScanMusic(state, ui, MusicFolder());
  EXPECT_EQ(ui.polls, 2);
}

TEST_F(Scan, WithoutAPlayerOrMusicFolderNothingIsScanned) {
  state.MList.push_back(Row("kept", ""));
  state.DriveRoot.clear();
  GetSongInfo(state, ui);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0], (FakeFeedback::Box{"error", "iPodが認識されていません。"}));

  state.DriveRoot = player.path().string() + "/";
  fs::remove_all(Music());
  GetSongInfo(state, ui);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1], (FakeFeedback::Box{"error", "iPod 曲が保存されているディレクトリがありません。"}));
  EXPECT_EQ(Titles(state.MList), std::vector<std::string>{"kept"});
  EXPECT_TRUE(ui.statuses.empty());
}

TEST_F(Scan, ImportingWritesTheLyricsThatAreNotBlank) {
  const std::string withLyrics =
      Sjis(AddSong(player.path(), "a.mp3", Tags("歌/詞", "ソ", "一行目\r\n二行目")));
  const std::string blank = Sjis(AddSong(player.path(), "b.mp3", Tags("空", "X", " \r\n\t ")));
  const std::string lyricsFile = library::LyricsFileName(state, Sjis("歌/詞"), Sjis("ソ"));
  const std::string blankFile = library::LyricsFileName(state, Sjis("空"), "X");

  ScanMusic(state, ui, MusicFolder());
  EXPECT_FALSE(fs::exists(lyricsFile));

  state.ImportLyrics = true;
  TMusicData record;
  library::ReadSong(state, withLyrics, record);
  EXPECT_EQ(record.Lyrics, Sjis("一行目\r\n二行目"));
  EXPECT_EQ(testing_support::ReadBytes(lyricsFile), Sjis("一行目\r\n二行目\r\n"));
  library::ReadSong(state, blank, record);
  EXPECT_FALSE(fs::exists(blankFile));
}

TEST_F(Scan, ALyricsFileThatCannotBeWrittenEndsTheScanWithTheRowsSoFar) {
  Song("first.mp3");
  AddSong(player.path(), "Sub/sung.mp3", Tags("sung", "Album", "歌詞"));
  WriteBytes(dataDir.File("MusicDatas"), "a file where the data folder belongs");
  state.ImportLyrics = true;
  EXPECT_THROW(GetSongInfo(state, ui), platform::Error);
  EXPECT_EQ(Titles(state.MList), std::vector<std::string>{"first"});
  EXPECT_EQ(ui.status, "iPod が認識されていません。");
  ASSERT_FALSE(ui.progress.empty());
  EXPECT_EQ(ui.progress.back(), 0);
}

}  // namespace
