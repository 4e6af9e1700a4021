// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileLock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace platform {

namespace {

constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
constexpr std::chrono::milliseconds kRetryInterval{50};

// Only a regular file is a lock file; anything else in its place is refused with errno set.
bool IsRegular(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  if (S_ISREG(info.st_mode)) return true;
  errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  return false;
}

// The lock file opened for writing, or else (a file we may not write) for reading, which
// is enough for flock. writable tells which one.
int OpenLockFile(const std::string& systemPath, bool& writable) {
  writable = true;
  int fd = ::open(systemPath.c_str(), O_RDWR | O_CREAT | kOpenFlags, 0644);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    const int reason = errno;
    writable = false;
    fd = ::open(systemPath.c_str(), O_RDONLY | kOpenFlags);
    if (fd < 0) errno = errno == ENOENT ? reason : errno;
  }
  return fd;
}

void RecordHolder(int fd) {
  const std::string pid = std::to_string(::getpid()) + "\n";
  // The new id goes over the old one before the rest is cut, so a reader sees one whole id.
  if (::pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size()))
    (void)::ftruncate(fd, static_cast<off_t>(pid.size()));
}

}  // namespace

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), error_(other.error_) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    error_ = other.error_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::Outcome FileLock::Acquire(const std::string& path, std::chrono::milliseconds wait) {
  Release();
  error_ = 0;
  bool writable = true;
  const int fd = OpenLockFile(path, writable);
  if (fd < 0) {
    error_ = errno;
    return error_ == EROFS ? Outcome::ReadOnly : Outcome::Failed;
  }
  if (!IsRegular(fd)) {
    error_ = errno;
    ::close(fd);
    return Outcome::Failed;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      error_ = errno;
      ::close(fd);
      return Outcome::Failed;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      ::close(fd);
      return Outcome::Busy;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kRetryInterval, deadline - now));
  }
  fd_ = fd;
  if (writable) RecordHolder(fd_);
  return Outcome::Locked;
}

void FileLock::Release() {
  if (fd_ < 0) return;
  // The id goes with the lock; a file left by a process that died still names it, but is
  // not locked and so is taken over at once.
  (void)::ftruncate(fd_, 0);
  ::close(fd_);
  fd_ = -1;
}

long FileLock::RecordedHolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
  if (fd < 0) return 0;
  char buffer[24] = {};
  ssize_t got = -1;
  if (IsRegular(fd)) got = ::pread(fd, buffer, sizeof buffer - 1, 0);
  ::close(fd);
  if (got <= 0) return 0;
  const std::string_view text(buffer, static_cast<std::size_t>(got));
  long pid = 0;
  for (char c : text) {
    if (c == '\n') break;
    if (c < '0' || c > '9' || pid > 99999999) return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

}  // namespace platform
