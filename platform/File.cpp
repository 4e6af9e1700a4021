// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/File.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace platform {

namespace {

constexpr std::size_t CacheSize = 16 * 1024;
constexpr std::int64_t PageSize = 4096;

// Bytes that writes may still put before they fail with ENOSPC; -1: no limit (see
// SimulateFullDiskAfter).
std::int64_t writeBudget = -1;
// Offset at which reads fail with EIO; -1: never (see SimulateReadErrorAt).
std::int64_t readErrorOffset = -1;

int OpenFlags(File::Mode mode) {
  switch (mode) {
    case File::Mode::Read: return O_RDONLY;
    case File::Mode::ReadWrite: return O_RDWR;
    case File::Mode::Create: return O_RDWR | O_CREAT | O_TRUNC;
    case File::Mode::ReadNoLink: return O_RDONLY | O_NOFOLLOW;
  }
  return O_RDONLY;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    pos_ = other.pos_;
    cache_ = std::move(other.cache_);
    cacheLength_ = other.cacheLength_;
    cacheStart_ = other.cacheStart_;
    readOnlySize_ = other.readOnlySize_;
    readError_ = other.readError_;
    other.fd_ = -1;
    other.pos_ = 0;
    other.cacheLength_ = 0;
  }
  return *this;
}

bool File::Open(const std::string& path, Mode mode) {
  Close();
  if (path.empty()) return false;
  return OpenSystemPath(path, mode);
}

bool File::OpenSystemPath(const std::string& systemPath, Mode mode) {
  Close();
  // Non-blocking, so that opening a FIFO or a device returns at once; such files are then
  // refused below, since only regular files are read or written.
  int fd = ::open(systemPath.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return false;
  return Adopt(fd, mode);
}

bool File::Adopt(int fd, Mode mode) {
  Close();
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int reason = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = reason;
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Readers jump from a tag header to the tag's end and to the tail of the file: read-ahead
  // would only fetch pages nobody asked for.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  fd_ = fd;
  pos_ = 0;
  readError_ = 0;
  readOnlySize_ = (mode == Mode::Read || mode == Mode::ReadNoLink) ? static_cast<std::int64_t>(info.st_size) : -1;
  return true;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pos_ = 0;
  DropCache();
}

void File::DropCache() {
  cacheLength_ = 0;
  cacheStart_ = 0;
}

std::int64_t File::Size() const {
  if (fd_ < 0) return -1;
  if (readOnlySize_ >= 0) return readOnlySize_;
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

bool File::Seek(std::int64_t position) {
  if (fd_ < 0 || position < 0) return false;
  pos_ = position;
  return true;
}

std::size_t File::ReadAt(void* buffer, std::size_t count, std::int64_t offset) {
  std::size_t done = 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (done < count) {
    const std::int64_t at = offset + static_cast<std::int64_t>(done);
    std::size_t chunk = count - done;
    if (readErrorOffset >= 0) {
      if (at >= readErrorOffset) {
        readError_ = EIO;
        break;
      }
      chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(readErrorOffset - at));
    }
    ssize_t got = ::pread(fd_, out + done, chunk, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) readError_ = errno;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t File::Available(std::size_t count) const {
  if (readOnlySize_ < 0) return count;
  if (pos_ >= readOnlySize_) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(count, static_cast<std::uint64_t>(readOnlySize_ - pos_)));
}

std::size_t File::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return 0;
  count = Available(count);
  if (count == 0) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t cacheEnd = cacheStart_ + static_cast<std::int64_t>(cacheLength_);
  if (pos_ >= cacheStart_ && pos_ <= cacheEnd &&
      count <= static_cast<std::uint64_t>(cacheEnd - pos_)) {
    std::memcpy(out, cache_.get() + (pos_ - cacheStart_), count);
    pos_ += static_cast<std::int64_t>(count);
    return count;
  }
  // The whole pages that hold the bytes asked for, when they fit the cache; a larger read
  // goes straight to the caller's buffer.
  const std::int64_t firstPage = pos_ / PageSize * PageSize;
  std::int64_t pagesEnd = (pos_ + static_cast<std::int64_t>(count) + PageSize - 1) / PageSize * PageSize;
  if (readOnlySize_ >= 0) pagesEnd = std::min(pagesEnd, readOnlySize_);
  const auto span = static_cast<std::uint64_t>(pagesEnd - firstPage);
  if (span > CacheSize) {
    std::size_t got = ReadAt(out, count, pos_);
    pos_ += static_cast<std::int64_t>(got);
    return got;
  }
  if (!cache_) cache_ = std::make_unique_for_overwrite<std::uint8_t[]>(CacheSize);
  cacheLength_ = ReadAt(cache_.get(), static_cast<std::size_t>(span), firstPage);
  cacheStart_ = firstPage;
  const std::int64_t skip = pos_ - firstPage;
  const std::size_t got = cacheLength_ > static_cast<std::size_t>(skip)
                              ? std::min(count, cacheLength_ - static_cast<std::size_t>(skip)) : 0;
  std::memcpy(out, cache_.get() + skip, got);
  pos_ += static_cast<std::int64_t>(got);
  return got;
}

bool File::ReadExact(void* buffer, std::size_t count) { return Read(buffer, count) == count; }

std::vector<std::uint8_t> File::ReadBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes;
  std::int64_t size = Size();
  if (size <= pos_) return bytes;
  const auto available = static_cast<std::uint64_t>(size - pos_);
  if (count > available) count = static_cast<std::size_t>(available);
  bytes.resize(count);
  bytes.resize(Read(bytes.data(), count));
  return bytes;
}

bool File::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return false;
  DropCache();
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::size_t chunk = count - done;
    if (writeBudget >= 0) {
      if (writeBudget == 0) {
        errno = ENOSPC;
        return false;
      }
      chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(writeBudget));
    }
    ssize_t put = ::pwrite(fd_, in + done, chunk, static_cast<off_t>(pos_ + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    if (writeBudget > 0) writeBudget -= put;
    done += static_cast<std::size_t>(put);
  }
  pos_ += static_cast<std::int64_t>(count);
  return true;
}

bool File::Truncate(std::int64_t size) {
  if (fd_ < 0 || size < 0) return false;
  DropCache();
  return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  if (path.empty()) return false;
  return ReadWholeFileAt(path, content, std::numeric_limits<std::size_t>::max());
}

namespace {

bool ReadWholeFileIn(const std::string& path, File::Mode mode, std::string& content, std::size_t maxBytes) {
  content.clear();
  File file;
  if (!file.Open(path, mode)) return false;
  std::int64_t size = file.Size();
  if (size < 0) return false;
  if (static_cast<std::uint64_t>(size) > maxBytes) {
    errno = EFBIG;
    return false;
  }
  content.resize(static_cast<std::size_t>(size));
  std::size_t got = file.Read(content.data(), content.size());
  content.resize(got);
  if (file.ReadFailed()) errno = file.ReadError();
  return got == static_cast<std::size_t>(size) && !file.ReadFailed();
}

}  // namespace

bool ReadWholeFileAt(const std::string& systemPath, std::string& content, std::size_t maxBytes) {
  return ReadWholeFileIn(systemPath, File::Mode::Read, content, maxBytes);
}

bool ReadRegularFile(const std::string& path, std::string& content) {
  return ReadWholeFileIn(path, File::Mode::ReadNoLink, content, std::numeric_limits<std::size_t>::max());
}

bool ReadRegularFileStart(const std::string& path, std::string& content, std::size_t maxBytes) {
  return ReadRegularFileStartAt(AT_FDCWD, path, content, maxBytes);
}

bool ReadRegularFileStartAt(int folderFd, const std::string& name, std::string& content, std::size_t maxBytes) {
  content.clear();
  if (name.empty()) {
    errno = ENOENT;
    return false;
  }
  // A look at the start of a file is no access worth recording: without the access time
  // the kernel does not write the inode back. Only the owner may ask for that (EPERM else),
  // and after one refusal the flag is no longer asked for.
  static std::atomic<bool> noAtimeRefused{false};
  constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = -1;
  if (!noAtimeRefused.load(std::memory_order_relaxed)) {
    fd = ::openat(folderFd, name.c_str(), kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) noAtimeRefused.store(true, std::memory_order_relaxed);
  }
  if (fd < 0 && noAtimeRefused.load(std::memory_order_relaxed)) fd = ::openat(folderFd, name.c_str(), kFlags);
  if (fd < 0) return false;
  struct stat info {};
  int reason = 0;
  if (::fstat(fd, &info) != 0) {
    reason = errno;
  } else if (!S_ISREG(info.st_mode)) {
    reason = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  } else {
    content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(info.st_size), maxBytes)));
    std::size_t done = 0;
    while (done < content.size()) {
      const ssize_t got = ::pread(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) reason = errno;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    content.resize(done);
  }
  ::close(fd);
  errno = reason;
  return reason == 0;
}

bool File::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

namespace {

// The folder part of a system path, with its final "/" ("" for a bare name).
std::string FolderOf(const std::string& systemPath) {
  const std::size_t slash = systemPath.rfind('/');
  return slash == std::string::npos ? std::string() : systemPath.substr(0, slash + 1);
}

}  // namespace

bool IsTemporaryName(const std::string& name) {
  const std::string_view prefix = TemporaryPrefix;
  return name.size() == prefix.size() + TemporaryUniqueLength && name.starts_with(prefix) &&
         name.find_first_not_of(TemporaryUniqueAlphabet, prefix.size()) == std::string::npos;
}

bool CreateTemporaryBeside(const std::string& path, File& file, std::string& temporaryPath) {
  const std::string target = path;
  std::string pattern = FolderOf(target) + TemporaryPrefix + "XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  // Held while the write runs, so that a clean-up of another run leaves it alone.
  ::flock(fd, LOCK_EX | LOCK_NB);
  // The replacement keeps the permissions of the file it replaces.
  struct stat original {};
  ::fchmod(fd, ::stat(target.c_str(), &original) == 0 ? original.st_mode & 07777 : 0644);
  temporaryPath = pattern;
  if (file.Adopt(fd, File::Mode::ReadWrite)) return true;
  const int reason = errno;
  ::unlink(pattern.c_str());
  errno = reason;
  return false;
}

void DiscardTemporary(File& file, const std::string& temporaryPath) {
  const int reason = errno;
  file.Close();
  ::unlink(temporaryPath.c_str());
  errno = reason;
}

bool CommitTemporary(File& file, const std::string& temporaryPath, const std::string& path,
                     Durability durability) {
  const bool written = durability == Durability::Unsynced || file.Sync();
  if (written && std::rename(temporaryPath.c_str(), path.c_str()) == 0) {
    file.Close();
    return true;
  }
  DiscardTemporary(file, temporaryPath);
  return false;
}

bool ReplaceFileContent(const std::string& path, const std::string& content, Durability durability) {
  return ReplaceFileContent(path, std::span(&content, 1), durability);
}

bool ReplaceFileContent(const std::string& path, std::span<const std::string> pieces, Durability durability) {
  File file;
  std::string temporary;
  if (!CreateTemporaryBeside(path, file, temporary)) return false;
  for (const std::string& piece : pieces) {
    if (!file.Write(piece)) {
      DiscardTemporary(file, temporary);
      return false;
    }
  }
  return CommitTemporary(file, temporary, path, durability);
}

bool SyncFileSystem(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const bool synced = ::syncfs(fd) == 0;
  ::close(fd);
  return synced;
}

void SimulateFullDiskAfter(std::int64_t bytes) { writeBudget = bytes < 0 ? -1 : bytes; }

void SimulateReadErrorAt(std::int64_t offset) { readErrorOffset = offset < 0 ? -1 : offset; }

}  // namespace platform
