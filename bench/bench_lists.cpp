// SPDX-License-Identifier: GPL-3.0-or-later
// lists N, mark N, export N: the list files, MarkRegistered and the Notes export at the size
// of a large player, on data folders and players made in a temporary folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/Bench.h"
#include "library/Feedback.h"
#include "library/ListCommands.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/MainState.h"
#include "library/NotesWriter.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace {

constexpr long kMaxRows = 1'000'000;
constexpr int kAlbumSize = 12;

// A folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lyrimate-bench-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path_ = made;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool Made() const { return !path_.empty(); }
  // A sub-folder, created, as a path ending with "/" (the temporary folder's path is ASCII).
  std::string Folder(const std::string& name) const {
    std::filesystem::create_directories(path_ / name);
    return (path_ / name).string() + "/";
  }

private:
  std::filesystem::path path_;
};

// A feedback that shows nothing and never stops.
class SilentFeedback : public library::Feedback {
public:
  std::string SetStatus(const std::string& text) override { return std::exchange(status_, text); }
  void SetProgress(int) override {}
  void ProcessMessages() override {}
  bool PollStop() override { return false; }
  void ErrorBox(const std::string& text) override { std::fprintf(stderr, "%s\n", platform::Cp932ToUtf8(text).c_str()); }
  void InformationBox(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
  bool AskOkCancel(const std::string&) override { return true; }
  void Notice(const std::string&) override {}

private:
  std::string status_;
};

bool ParseCount(const bench::Arguments& args, const char* name, long& count) {
  char* end = nullptr;
  if (args.size() == 1) count = std::strtol(args[0].c_str(), &end, 10);
  if (args.size() != 1 || end == args[0].c_str() || *end != '\0' || count < 1 || count > kMaxRows) {
    std::fprintf(stderr, "usage: lyrimate-bench %s N (1 to %ld)\n", name, kMaxRows);
    return false;
  }
  return true;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The i-th song: Japanese and ASCII titles by turns, twelve songs to an album.
library::SongRow MakeRow(long i) {
  static const std::string japaneseTitle = platform::Sjis("夜に駆ける");
  static const std::string japaneseAlbum = platform::Sjis("ベスト・アルバム");
  const bool japanese = i % 2 == 0;
  library::SongRow row;
  row.caption = (japanese ? japaneseTitle : std::string("Lemon")) + " " + std::to_string(i);
  row.sub[library::kAlbum] = (japanese ? japaneseAlbum : std::string("Traveler")) + " " + std::to_string(i / kAlbumSize);
  row.sub[library::kTrack] = std::to_string(i % kAlbumSize + 1);
  row.sub[library::kArtist] = japanese ? platform::Sjis("アーティスト") : "Artist";
  row.sub[library::kTime] = "04:" + std::to_string(10 + i % 50);
  row.sub[library::kYear] = std::to_string(1980 + i % 40);
  row.sub[library::kPath] = "/media/ipod/iPod_Control/Music/F" + std::to_string(i % 50) + "/S" + std::to_string(i) + ".mp3";
  return row;
}

// Lyrics of some thirty lines.
std::string LyricsText(long i) {
  static const std::string line = platform::Sjis("沈むように溶けてゆくように　二人だけの空が広がる夜に");
  std::string text;
  for (int n = 0; n < 30; ++n) text += line + std::to_string(i) + "\r\n";
  return text;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// Both list files with count rows each; every other registered row ticked.
void WriteListFiles(const std::string& appDir, long count) {
  std::string registered;
  std::string player;
  for (long i = 0; i < count; ++i) {
    const library::SongRow row = MakeRow(i);
    std::string fields = row.caption + '\t';
    for (std::size_t item : {library::kAlbum, library::kTrack, library::kArtist, library::kTime, library::kYear})
      fields += row.sub[item] + '\t';
    registered += fields + (i % 2 == 0 ? "-1\t" : "0\t") + platform::Sjis("沈むように") + '\t' +
                  row.sub[library::kPath] + "\t\r\n";
    player += fields + row.sub[library::kPath] + "\t\r\n";
  }
  WriteFile(appDir + "MusicDatas/MusicList.lst", registered);
  WriteFile(appDir + "MusicDatas/iPodMusicList.lst", player);
}

}  // namespace

int bench::Lists(const Arguments& args) {
  long count = 0;
  const bool lyrics = args.size() == 2 && args[1] == "--lyrics";
  const Arguments countArgument(args.begin(), lyrics ? args.begin() + 1 : args.end());
  if (!ParseCount(countArgument, "lists", count)) return 2;
  ScratchFolder scratch;
  if (!scratch.Made()) return 1;
  const std::string appDir = scratch.Folder("data");
  scratch.Folder("data/MusicDatas");
  WriteListFiles(appDir, count);
  try {
    library::MainState state(appDir);
    // With --lyrics every other registered song has a lyrics file, whose first line each save reads.
    for (long i = 0; lyrics && i < count; i += 2) {
      const library::SongRow row = MakeRow(i);
      WriteFile(library::LyricsFileName(state, row.caption, row.sub[library::kAlbum]), LyricsText(i));
    }
    auto start = std::chrono::steady_clock::now();
    library::LoadLists(state, library::ListsToLoad::Both);
    const double loaded = SecondsSince(start);
    if (state.AList.size() != static_cast<std::size_t>(count) || state.MList.size() != static_cast<std::size_t>(count)) {
      std::fprintf(stderr, "lists: loaded %zu+%zu rows instead of %ld+%ld\n", state.AList.size(), state.MList.size(),
                   count, count);
      return 1;
    }
    start = std::chrono::steady_clock::now();
    library::SaveRegistered(state);
    const double saved = SecondsSince(start);
    std::printf("lists: %ld+%ld rows loaded in %.3f s, saved in %.3f s\n", count, count, loaded, saved);
  } catch (const platform::Error& error) {
    std::fprintf(stderr, "lists: %s\n", platform::Cp932ToUtf8(error.what()).c_str());
    return 1;
  }
  return 0;
}

int bench::Mark(const Arguments& args) {
  long count = 0;
  if (!ParseCount(args, "mark", count)) return 2;
  ScratchFolder scratch;
  if (!scratch.Made()) return 1;
  library::MainState state(scratch.Folder("data"));
  // Half of the registered songs are on the player, in other letter case there.
  long expected = 0;
  for (long i = 0; i < count; ++i) {
    state.AList.push_back(MakeRow(i));
    const bool onPlayer = i % 4 < 2;
    library::SongRow row = MakeRow(onPlayer ? i : count + i);
    row.caption = platform::UpperAscii(row.caption);
    row.sub[library::kAlbum] = platform::UpperAscii(row.sub[library::kAlbum]);
    state.MList.push_back(std::move(row));
    expected += onPlayer ? 1 : 0;
  }
  const auto start = std::chrono::steady_clock::now();
  library::MarkRegistered(state);
  const double seconds = SecondsSince(start);
  long marked = 0;
  for (const library::SongRow& row : state.MList) marked += row.checked ? 1 : 0;
  if (marked != expected) {
    std::fprintf(stderr, "mark: %ld rows marked instead of %ld\n", marked, expected);
    return 1;
  }
  std::printf("mark: %ld x %ld in %.3f s\n", count, count, seconds);
  return 0;
}

int bench::Export(const Arguments& args) {
  long count = 0;
  Arguments rest;
  bool splitPages = false;
  bool cleanNotes = false;
  for (const std::string& arg : args) {
    if (arg == "--split-pages") splitPages = true;
    else if (arg == "--clean-notes") cleanNotes = true;
    else rest.push_back(arg);
  }
  if (!ParseCount(rest, "export", count)) return 2;
  ScratchFolder scratch;
  if (!scratch.Made()) return 1;
  const std::string appDir = scratch.Folder("data");
  scratch.Folder("data/MusicDatas");
  library::MainState state(appDir);
  state.DriveRoot = scratch.Folder("player");
  state.Connected = true;
  for (long i = 0; i < count; ++i) {
    library::SongRow row = MakeRow(i);
    row.checked = true;
    state.SongTable.Put(library::SongKey(row), row.sub[library::kPath]);
    // With --split-pages every eighth lyric is three times as long: a page of about 5 KB.
    std::string lyrics = LyricsText(i);
    if (splitPages && i % 8 == 0) lyrics += LyricsText(i) + LyricsText(i);
    if (i % 2 == 0) WriteFile(library::LyricsFileName(state, row.caption, row.sub[library::kAlbum]), lyrics);
    state.AList.push_back(std::move(row));
  }
  SilentFeedback ui;
  try {
    long expected = count;
    if (cleanNotes) {
      // An earlier export wrote every page; every tenth song is unticked since, so its page
      // is removed by the run timed.
      library::ExportNotes(state, ui);
      for (long i = 0; i < count; i += 10) state.AList[static_cast<std::size_t>(i)].checked = false;
      expected -= (count + 9) / 10;
    }
    state.SplitPages = splitPages;
    state.CleanNotes = cleanNotes;
    const auto start = std::chrono::steady_clock::now();
    const library::ExportReport report = library::ExportNotes(state, ui);
    const double seconds = SecondsSince(start);
    if (report.pagesWritten != static_cast<std::size_t>(expected)) {
      std::fprintf(stderr, "export: %zu pages written instead of %ld\n", report.pagesWritten, expected);
      return 1;
    }
    std::printf("export: %ld pages (%zu files, %zu removed) in %.3f s\n", expected, report.partsWritten,
                report.pagesRemoved, seconds);
  } catch (const platform::Error& error) {
    std::fprintf(stderr, "export: %s\n", platform::Cp932ToUtf8(error.what()).c_str());
    return 1;
  }
  return 0;
}
