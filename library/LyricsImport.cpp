// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsImport.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "library/FileErrors.h"
#include "library/LyricsFiles.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

constexpr int kMaxBackupsPerSecond = 1000;

bool CannotLink(int reason) { return reason == EPERM || reason == EXDEV || reason == ENOTSUP || reason == EMLINK; }

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The lyrics as the file would hold them, to compare with what it holds.
bool SameLyrics(const std::optional<std::string>& stored, const std::string& lyrics) {
  return stored && *stored == JoinLinesCrLf(lyrics);
}

}  // namespace

std::string LyricsBackupFolder(const MainState& state) { return state.DataFolder() + "Backup/"; }

std::string BackupName(const std::string& fileName, std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot == 0) return fileName + "." + stamp;
  return fileName.substr(0, dot) + "." + stamp + fileName.substr(dot);
}

LyricsImporter::LyricsImporter(const MainState& state) : backupFolder_(LyricsBackupFolder(state)), index_(state) {}

bool LyricsImporter::WouldReplace(const std::string& title, const std::string& album, const std::string& lyrics) const {
  const std::optional<std::string> path = index_.Existing(title, album);
  if (!path) return false;
  return !SameLyrics(ReadLyricsFile(*path), lyrics);
}

LyricsImporter::Outcome LyricsImporter::Import(const std::string& title, const std::string& album,
                                               const std::string& lyrics) {
  const std::string path = index_.Find(title, album);
  const std::optional<std::string> stored = ReadLyricsFile(path);
  if (SameLyrics(stored, lyrics)) return Outcome::Unchanged;
  const bool ours = std::find(written_.begin(), written_.end(), path) != written_.end();
  const bool keepOld = stored.has_value() && !ours;
  // The old file gets its name in Backup/ first; the new content then replaces it atomically,
  // so that a failed write leaves the file as it was.
  if (keepOld) backups_.push_back(KeepInBackup(path));
  WriteLyricsFile(path, lyrics);
  index_.Add(path);
  if (!ours) written_.push_back(path);
  return keepOld ? Outcome::Replaced : Outcome::Written;
}

std::string LyricsImporter::KeepInBackup(const std::string& path) {
  EnsureFolder(backupFolder_);
  const std::string stamped = BackupName(NameOf(path), std::time(nullptr));
  // Several backups of one name within a second get "-2", "-3", ... before the extension.
  for (int n = 1; n <= kMaxBackupsPerSecond; ++n) {
    std::string name = stamped;
    if (n > 1) name.insert(name.rfind('.'), "-" + std::to_string(n));
    const std::string backup = backupFolder_ + name;
    errno = 0;
    if (platform::LinkFile(path, backup)) return backup;
    if (errno == EEXIST) continue;
    if (!CannotLink(errno)) throw FileError("歌詞ファイルをバックアップできません。", path, errno);
    // A file system without hard links (a FAT data folder): a copy of the bytes.
    if (platform::FileExists(backup) || platform::DirectoryExists(backup)) continue;
    ReplaceFileOrThrow(backup, ReadRegularFileOrThrow(path).value_or(std::string()));
    return backup;
  }
  throw FileError("歌詞ファイルをバックアップできません。", path, EEXIST);
}

std::string ReplacedLyricsText(std::size_t replaced, const std::string& backupFolder) {
  if (replaced == 0) return platform::Sjis("置き換えた歌詞ファイルはありません。");
  return platform::Sjis("歌詞ファイル ") + std::to_string(replaced) +
         platform::Sjis(" 件を置き換えました。元のファイルは ") + platform::DisplayPath(backupFolder) +
         platform::Sjis(" にあります。");
}

}  // namespace library
