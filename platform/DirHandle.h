// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An opened folder, and files and folders reached relative to it (openat, mkdirat,
// renameat, unlinkat). Once opened, a folder stays the same folder: a mount point that is
// unmounted or replaced afterwards never receives what is written through the handle.
// Names are single path components in the system's form; a name with "/" or "." / ".." is
// refused with EINVAL.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

namespace platform {

class DirHandle {
public:
  DirHandle() = default;
  ~DirHandle();
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  DirHandle(DirHandle&& other) noexcept;
  DirHandle& operator=(DirHandle&& other) noexcept;

  // Opens a folder by its system path (following links on the way, as the user gave it).
  // On failure the handle is closed and errno tells why.
  static DirHandle Open(const std::string& systemPath);

  bool IsOpen() const { return fd_ >= 0; }
  // Device and inode of the opened folder.
  std::uint64_t Device() const { return device_; }
  std::uint64_t Inode() const { return inode_; }
  // True when systemPath still names this very folder (same device and inode).
  bool IsAt(const std::string& systemPath) const;

  // Opens the folder name below this one without following a link; with create, makes it
  // first when it is missing (created then tells so).
  DirHandle Child(const std::string& name, bool create, bool* created = nullptr) const;

  struct Entry {
    std::string name;
    bool isDirectory = false;  // the entry itself, links are not followed
    bool isRegular = false;
  };
  // Every entry but "." and "..", in the system's order; false when the folder cannot be read.
  bool List(std::vector<Entry>& entries) const;

  // Whether name is a regular file here (links not followed); size is set when it is.
  bool IsRegularFile(const std::string& name, std::int64_t* size = nullptr) const;
  // Reads the regular file name whole (links refused), at most maxBytes (EFBIG beyond).
  bool ReadFile(const std::string& name, std::string& content, std::size_t maxBytes) const;
  // The first maxBytes bytes at most of the regular file name (ReadRegularFileStart).
  bool ReadFileStart(const std::string& name, std::string& content, std::size_t maxBytes) const;

  // Creates a new, empty file with a unique temporary name (TemporaryPrefix + six
  // characters) here and opens it read-write. The file is held with an exclusive advisory
  // lock while it is open, so that RemoveTemporaries of another run leaves it alone.
  bool CreateTemporary(File& file, std::string& name) const;
  // Renames from (here) to to (in folder target), replacing a file of that name in one step.
  bool RenameTo(const std::string& from, const DirHandle& target, const std::string& to) const;
  bool RemoveFile(const std::string& name) const;
  // Removes the folder name when it is empty.
  bool RemoveFolder(const std::string& name) const;
  // Flushes what was written to the file system that holds this folder (syncfs).
  bool SyncFileSystem() const;

  int Descriptor() const { return fd_; }

private:
  explicit DirHandle(int fd);
  void Close();

  int fd_ = -1;
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
};

// Removes the temporary files of this program in folder that no running write holds (left by
// an interrupted run); other files are never touched. Returns how many were removed.
std::size_t RemoveTemporaries(const DirHandle& folder);

}  // namespace platform
