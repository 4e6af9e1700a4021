// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One writer per data folder. Every process that reads, changes and writes the list or
// lyrics files holds this lock meanwhile: the application for its whole run, lyrimate-cli
// for each command. The lock file "Lyrimate.lock" in the data folder names the holder's
// process id.
#include <chrono>
#include <string>

#include "platform/FileLock.h"

namespace library {

// How long one lyrimate-cli command waits for another writer before giving up.
inline constexpr std::chrono::milliseconds kCommandLockWait{10000};

// AppDir + "Lyrimate.lock".
std::string LockFilePath(const std::string& appDir);
class DataFolderLock {
public:
  // Creates appDir when missing and takes its lock, waiting up to wait for another holder.
  // Throws platform::Error naming the folder and the holder's process id when the wait ends with the lock still
  // taken, and a file error naming the lock file when it cannot be taken at all. On a
  // read-only file system, where nothing can be written, it goes on without a lock.
  DataFolderLock(const std::string& appDir, std::chrono::milliseconds wait);

  // False only on a read-only file system.
  bool Held() const { return lock_.Held(); }

private:
  platform::FileLock lock_;
};

}  // namespace library
