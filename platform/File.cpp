// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
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
  return OpenSystemPath(SystemPath(path), mode);
}

bool File::OpenSystemPath(const std::string& systemPath, Mode mode) {
  Close();
  // Non-blocking, so that opening a FIFO or a device returns at once; such files are then
  // refused below, since only regular files are read or written.
  int fd = ::open(systemPath.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0644);
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
  readOnlySize_ = mode == Mode::Read ? static_cast<std::int64_t>(info.st_size) : -1;
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
  return ReadWholeFileAt(SystemPath(path), content, std::numeric_limits<std::size_t>::max());
}

bool ReadWholeFileAt(const std::string& systemPath, std::string& content, std::size_t maxBytes) {
  content.clear();
  File file;
  if (!file.OpenSystemPath(systemPath, File::Mode::Read)) return false;
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

bool File::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool CreateTemporaryBeside(const std::string& path, File& file, std::string& temporaryPath) {
  std::string pattern = SystemPath(path) + ".XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  // The replacement keeps the permissions of the file it replaces.
  struct stat original {};
  mode_t mode = 0644;
  if (::stat(SystemPath(path).c_str(), &original) == 0) mode = original.st_mode & 07777;
  ::fchmod(fd, mode);
  ::close(fd);
  temporaryPath = ProgramPath(pattern);
  if (!file.Open(temporaryPath, File::Mode::ReadWrite)) {
    DeleteFile(temporaryPath);
    return false;
  }
  return true;
}

bool CommitTemporary(File& file, const std::string& temporaryPath, const std::string& path,
                     Durability durability) {
  bool written = durability == Durability::Unsynced || file.Sync();
  file.Close();
  if (written && RenameFile(temporaryPath, path)) return true;
  const int reason = errno;
  DeleteFile(temporaryPath);
  errno = reason;
  return false;
}

bool ReplaceFileContent(const std::string& path, const std::string& content, Durability durability) {
  File file;
  std::string temporary;
  if (!CreateTemporaryBeside(path, file, temporary)) return false;
  if (!file.Write(content)) {
    const int reason = errno;
    file.Close();
    DeleteFile(temporary);
    errno = reason;
    return false;
  }
  return CommitTemporary(file, temporary, path, durability);
}

bool SyncFileSystem(const std::string& path) {
  int fd = ::open(SystemPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const bool synced = ::syncfs(fd) == 0;
  ::close(fd);
  return synced;
}

void SimulateFullDiskAfter(std::int64_t bytes) { writeBudget = bytes < 0 ? -1 : bytes; }

void SimulateReadErrorAt(std::int64_t offset) { readErrorOffset = offset < 0 ? -1 : offset; }

}  // namespace platform
