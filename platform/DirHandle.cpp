// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirHandle.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kCreateAttempts = 100;

bool IsSingleComponent(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// Sets errno to EINVAL for a name that is not one path component.
bool CheckName(const std::string& name) {
  if (IsSingleComponent(name)) return true;
  errno = EINVAL;
  return false;
}

std::string UniqueName() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = TemporaryPrefix;
  const std::string_view alphabet = TemporaryUniqueAlphabet;
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (std::size_t i = 0; i < TemporaryUniqueLength; ++i) name += alphabet[pick(random)];
  return name;
}

}  // namespace

DirHandle::DirHandle(int fd) : fd_(fd) {
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
}

DirHandle::~DirHandle() { Close(); }

DirHandle::DirHandle(DirHandle&& other) noexcept { *this = std::move(other); }

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    device_ = other.device_;
    inode_ = other.inode_;
    other.fd_ = -1;
  }
  return *this;
}

void DirHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

DirHandle DirHandle::Open(const std::string& systemPath) {
  const int fd = ::open(systemPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd < 0 ? DirHandle() : DirHandle(fd);
}

bool DirHandle::IsAt(const std::string& systemPath) const {
  struct stat info {};
  return IsOpen() && ::stat(systemPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_dev == device_ && info.st_ino == inode_;
}

DirHandle DirHandle::Child(const std::string& name, bool create, bool* created) const {
  if (created) *created = false;
  if (!IsOpen() || !CheckName(name)) return DirHandle();
  int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT && create) {
    if (::mkdirat(fd_, name.c_str(), 0755) == 0) {
      if (created) *created = true;
    } else if (errno != EEXIST) {
      return DirHandle();
    }
    fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }
  return fd < 0 ? DirHandle() : DirHandle(fd);
}

bool DirHandle::List(std::vector<Entry>& entries) const {
  entries.clear();
  if (!IsOpen()) return false;
  // The stream takes its own descriptor, so that this handle stays open.
  const int copy = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (copy < 0) return false;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return false;
  }
  while (const dirent* item = ::readdir(dir)) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    Entry entry{name, item->d_type == DT_DIR, item->d_type == DT_REG};
    if (item->d_type == DT_UNKNOWN) {
      struct stat info {};
      if (::fstatat(fd_, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.isDirectory = S_ISDIR(info.st_mode);
        entry.isRegular = S_ISREG(info.st_mode);
      }
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return true;
}

bool DirHandle::IsRegularFile(const std::string& name, std::int64_t* size) const {
  struct stat info {};
  if (!IsOpen() || !CheckName(name) || ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(info.st_mode))
    return false;
  if (size) *size = static_cast<std::int64_t>(info.st_size);
  return true;
}

bool DirHandle::ReadFile(const std::string& name, std::string& content, std::size_t maxBytes) const {
  content.clear();
  if (!IsOpen() || !CheckName(name)) return false;
  const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  File file;
  if (fd < 0 || !file.Adopt(fd, File::Mode::Read)) return false;
  const std::int64_t size = file.Size();
  if (size < 0) return false;
  if (static_cast<std::uint64_t>(size) > maxBytes) {
    errno = EFBIG;
    return false;
  }
  content.resize(static_cast<std::size_t>(size));
  content.resize(file.Read(content.data(), content.size()));
  if (file.ReadFailed()) errno = file.ReadError();
  return content.size() == static_cast<std::size_t>(size) && !file.ReadFailed();
}

bool DirHandle::ReadFileStart(const std::string& name, std::string& content, std::size_t maxBytes) const {
  content.clear();
  if (!IsOpen()) {
    errno = EBADF;
    return false;
  }
  return CheckName(name) && ReadRegularFileStartAt(fd_, name, content, maxBytes);
}

bool DirHandle::CreateTemporary(File& file, std::string& name) const {
  if (!IsOpen()) {
    errno = EBADF;
    return false;
  }
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    name = UniqueName();
    const int fd = ::openat(fd_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return false;
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (file.Adopt(fd, File::Mode::ReadWrite)) return true;
    const int reason = errno;
    ::unlinkat(fd_, name.c_str(), 0);
    errno = reason;
    return false;
  }
  errno = EEXIST;
  return false;
}

bool DirHandle::RenameTo(const std::string& from, const DirHandle& target, const std::string& to) const {
  if (!IsOpen() || !target.IsOpen() || !CheckName(from) || !CheckName(to)) return false;
  return ::renameat(fd_, from.c_str(), target.fd_, to.c_str()) == 0;
}

bool DirHandle::RemoveFile(const std::string& name) const {
  return IsOpen() && CheckName(name) && ::unlinkat(fd_, name.c_str(), 0) == 0;
}

bool DirHandle::RemoveFolder(const std::string& name) const {
  return IsOpen() && CheckName(name) && ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0;
}

bool DirHandle::SyncFileSystem() const { return IsOpen() && ::syncfs(fd_) == 0; }

std::size_t RemoveTemporaries(const DirHandle& folder) {
  std::vector<DirHandle::Entry> entries;
  if (!folder.List(entries)) return 0;
  std::size_t removed = 0;
  for (const DirHandle::Entry& entry : entries) {
    if (!entry.isRegular || !IsTemporaryName(entry.name)) continue;
    const int fd = ::openat(folder.Descriptor(), entry.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A write in progress holds its temporary locked; only an abandoned one is free.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && folder.RemoveFile(entry.name)) ++removed;
    ::close(fd);
  }
  return removed;
}

}  // namespace platform
