// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An exclusive advisory lock (flock) on a file that also records the process id of its
// holder, so that a process that finds it taken can say who holds it. The path is code
// page 932. The lock belongs to the open file: it ends when the object is destroyed or the
// process ends, however it ends. The file itself stays; removing it would let two processes
// lock two different files of the same name.
#include <chrono>
#include <string>

namespace platform {

class FileLock {
public:
  enum class Outcome {
    Locked,    // this object holds the lock
    Busy,      // another open file of it held the lock for the whole wait
    ReadOnly,  // the file is missing and its folder is on a read-only file system: nothing
               // can write there, so there is nobody to exclude
    Failed,    // the file could not be opened or locked (Error() tells why)
  };

  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;

  // Opens or creates the file (never through a symbolic link; only a regular file) and
  // takes the lock, trying again until wait has passed (zero: one try). On success the
  // file holds this process's id. A lock already held by this object is released first.
  Outcome Acquire(const std::string& path, std::chrono::milliseconds wait);
  void Release();
  bool Held() const { return fd_ >= 0; }
  // errno of the last Failed outcome.
  int Error() const { return error_; }

  // The process id a holder recorded in the file at path; 0 when there is none to read.
  static long RecordedHolder(const std::string& path);

private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace platform
