// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/DataFolderLock.h"

#include <cerrno>

#include "library/FileErrors.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

// The message when another process keeps the data folder: names it and the holder's
// process id (holder 0: not known). Code page 932.
std::string DataFolderBusyText(const std::string& appDir, long holder) {
  const std::string who = holder > 0 ? "別の Lyrimate（プロセス ID " + std::to_string(holder) + "）" : "別の Lyrimate";
  return platform::Sjis("データフォルダは" + who + "が使用中です。") + "\r\n" + platform::DisplayPath(appDir);
}

}  // namespace

std::string LockFilePath(const std::string& appDir) { return platform::WithTrailingSlash(appDir) + "Lyrimate.lock"; }

DataFolderLock::DataFolderLock(const std::string& appDir, std::chrono::milliseconds wait) {
  errno = 0;
  if (!platform::ForceDirectories(appDir)) {
    if (errno == EROFS) return;
    throw FileError("フォルダを作成できません。", appDir, errno);
  }
  const std::string path = LockFilePath(appDir);
  switch (lock_.Acquire(path, wait)) {
    case platform::FileLock::Outcome::Locked:
    case platform::FileLock::Outcome::ReadOnly:
      return;
    case platform::FileLock::Outcome::Busy:
      throw platform::Error(DataFolderBusyText(appDir, platform::FileLock::RecordedHolder(path)));
    case platform::FileLock::Outcome::Failed:
      break;
  }
  throw FileError("データフォルダをロックできません。", path, lock_.Error());
}

}  // namespace library
