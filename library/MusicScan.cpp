// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/MusicScan.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>

#include "library/ListCommands.h"
#include "library/LyricsFiles.h"
#include "library/PlayerDetect.h"
#include "library/Progress.h"
#include "platform/CodePage.h"
#include "platform/DirEnum.h"
#include "platform/FileSystem.h"
#include "tags/sMediaTagReader.h"

namespace library {

namespace {

// The seconds of a "Duration" text; nothing when it is not a usable number.
bool ParseSeconds(const std::string& text, double& seconds) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && *begin == ' ') ++begin;
  while (end != begin && end[-1] == ' ') --end;
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, seconds);
  // Beyond about 3,000 years a length is a damaged header, not a song.
  return error == std::errc() && stop == end && std::isfinite(seconds) && seconds >= 0 && seconds < 1e11;
}

// The value nearest to index / (count - 1) * 100, a half going to the even neighbour; a
// single sub-folder gives 100.
int FolderProgress(std::size_t index, std::size_t count) {
  if (count <= 1) return 100;
  return RoundedPercent(index, count - 1);
}

bool HasTabOrLineBreak(std::string_view path) { return path.find_first_of("\t\r\n") != std::string_view::npos; }

// Identity of a folder already walked.
using FolderId = std::pair<std::uint64_t, std::uint64_t>;

class FolderWalk {
public:
  FolderWalk(MainState& state, Feedback& ui, ScanReport& report) : state_(state), ui_(ui), report_(report) {}

  // Reads the files of folder (ending with "/"), then walks its sub-folders. False once the
  // user asked to stop.
  bool ScanFolder(const std::string& folder) {
    platform::FolderListing listing = platform::ListFolder(folder);
    if (!listing.opened || !seen_.insert({listing.device, listing.inode}).second) {
      ++report_.skippedFolders;
      return true;
    }
    std::vector<const platform::DirEntry*> subFolders;
    for (const platform::DirEntry& entry : listing.entries) {
      if (entry.isDirectory) {
        if (entry.name.front() != '.') subFolders.push_back(&entry);
        continue;
      }
      const std::string path = folder + entry.name;
      if (HasTabOrLineBreak(path)) {
        if (report_.skippedFiles++ == 0) report_.firstSkippedFile = path;
        continue;
      }
      if (!ReadFile(path)) return false;
    }
    for (std::size_t i = 0; i < subFolders.size(); ++i) {
      ui_.ProcessMessages();
      ui_.SetProgress(FolderProgress(i, subFolders.size()));
      // A link to a folder is never followed: it may lead back up the tree.
      if (subFolders[i]->isLink) {
        ++report_.skippedFolders;
        continue;
      }
      if (!ScanFolder(folder + subFolders[i]->name + "/")) return false;
    }
    return true;
  }

private:
  bool ReadFile(const std::string& path) {
    if (filesRead_ > 0 && ui_.PollStop()) {
      report_.stopped = true;
      return false;
    }
    TMusicData record;
    if (state_.ImportLyrics && !importer_) importer_.emplace(state_);
    ReadSong(state_, path, record, importer_ ? &*importer_ : nullptr);
    if (importer_) report_.lyricsReplaced = importer_->Backups().size();
    AddSongRow(state_, record);
    ++filesRead_;
    ++report_.songs;
    return true;
  }

  MainState& state_;
  Feedback& ui_;
  ScanReport& report_;
  std::set<FolderId> seen_;
  std::size_t filesRead_ = 0;
  std::optional<LyricsImporter> importer_;  // one listing of MusicDatas for the whole scan
};

std::string SkippedNotice(const ScanReport& report) {
  std::string text = platform::Sjis("曲の一覧に入れなかったもの: 読めないフォルダ・フォルダへのリンク・二度目のフォルダ ") +
                     std::to_string(report.skippedFolders) + platform::Sjis(" 件。");
  if (report.skippedFiles > 0)
    text += "\r\n" + platform::Sjis("パスにタブか改行があって一覧に保存できないファイル ") +
            std::to_string(report.skippedFiles) + platform::Sjis(" 件（") + platform::DisplayPath(report.firstSkippedFile) +
            platform::Sjis(" など）。");
  return text;
}

}  // namespace

std::string FormatSongTime(const std::string& readerTime, const std::string& durationSeconds) {
  if (!readerTime.empty()) return readerTime;
  double seconds = 0;
  if (!ParseSeconds(durationSeconds, seconds)) return "00:00";
  const long long whole = static_cast<long long>(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
  return text;
}

ScanReport GetSongInfo(MainState& state, Feedback& ui) {
  if (state.DriveRoot.empty()) {
    ui.ErrorBox(NotRecognisedText());
    return {};
  }
  ui.ProcessMessages();
  ScanReport report = ScanMusic(state, ui, state.DriveRoot + "iPod_Control/Music/");
  if (state.AutoCopy) MarkRegistered(state);
  ui.ProcessMessages();
  if (report.skippedFolders > 0 || report.skippedFiles > 0) ui.Notice(SkippedNotice(report));
  return report;
}

ScanReport ScanMusic(MainState& state, Feedback& ui, const std::string& folder) {
  ScanReport report;
  if (!platform::DirectoryExists(folder)) {
    ui.ErrorBox(platform::Sjis("iPod 曲が保存されているディレクトリがありません。"));
    return report;
  }
  state.MList.clear();
  const std::string previous = ui.SetStatus(platform::Sjis("曲リスト一覧を作成しています。"));
  ui.ProcessMessages();
  FolderWalk walk(state, ui, report);
  try {
    walk.ScanFolder(folder);
  } catch (...) {
    // A lyrics file that cannot be written ends the scan; the rows so far stay, and the
    // status and progress are put back as after any scan.
    ui.SetStatus(previous);
    ui.SetProgress(0);
    throw;
  }
  ui.ProcessMessages();
  ui.SetStatus(previous);
  ui.ProcessMessages();
  ui.SetProgress(0);
  return report;
}

void ReadSong(MainState& state, const std::string& path, TMusicData& record, LyricsImporter* importer) {
  record = TMusicData{};
  {
    TsMediaTagReader reader;
    reader.Open(path);
    record.Title = reader.GetValue("Title");
    record.Album = reader.GetValue("Album");
    record.Artist = reader.GetValue("Artist");
    record.Year = reader.GetValue("Year");
    record.Track = reader.GetValue("Track");
    record.Time = FormatSongTime(reader.GetValue("Time"), reader.GetValue("Duration"));
    record.Genre = reader.GetValue("Genre");
    record.Rate = reader.GetValue("BitRate");
    if (record.Rate == "0") record.Rate.clear();  // the stream's rate is not known
    record.Comment = reader.GetValue("Comment");
    record.FileName = path;
    if (state.ImportLyrics) record.Lyrics = reader.GetValue("Lyrics");
  }
  if (state.ImportLyrics && !IsBlankLyrics(record.Lyrics)) {
    std::optional<LyricsImporter> own;
    if (!importer) importer = &own.emplace(state);
    importer->Import(record.Title, record.Album, record.Lyrics);
  }
  state.SongTable.Put(SongKey(record.Title, record.Album), path);
}

void AddSongRow(MainState& state, const TMusicData& record) {
  SongRow row;
  row.caption = record.Title;
  row.sub[kAlbum] = record.Album;
  row.sub[kTrack] = record.Track;
  row.sub[kArtist] = record.Artist;
  row.sub[kTime] = record.Time;
  row.sub[kYear] = record.Year;
  row.sub[kPath] = record.FileName;
  state.MList.push_back(std::move(row));
}

}  // namespace library
