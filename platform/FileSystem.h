// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File-system services. Paths are the system's own bytes, exactly as the system gave them
// (the player's root, the data folder, names read from folders); only names built from tag
// text are code page 932, and they are turned into the system's form when joined to a path.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Which file a path names: its device and inode. A mount point's identity is that of the
// root of the file system mounted there, so it changes when the file system goes.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The identity of what path names (links followed); nothing when it cannot be examined.
std::optional<FileIdentity> IdentityOf(const std::string& path);

bool FileExists(const std::string& path);       // a regular file (or other non-directory)
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool CreateDir(const std::string& path);
// "Clear all attributes": gives the owner write permission.
bool ClearAttributes(const std::string& path);
bool DeleteFile(const std::string& path);
// Renames from to to, replacing to when it exists (one step).
bool RenameFile(const std::string& from, const std::string& to);
// Gives the file at existing a second name (a hard link); never replaces a file that has
// that name already (EEXIST).
bool LinkFile(const std::string& existing, const std::string& newPath);
// The path with a "/" added when it does not end with one ("" gives "/").
std::string WithTrailingSlash(std::string path);
// A file or folder name built from tag text (code page 932) in the system's form, for use
// relative to an opened folder or for joining to a system path.
std::string SystemName(const std::string& cp932Name);
// A name read from a folder in the code page 932 form of names built from tag text, for
// comparing the two.
std::string ProgramName(const std::string& systemName);
// A system path as code page 932 text for a message or a window, for showing only: a
// character the code page lacks is shown as "?"; the path itself is never built from it.
std::string DisplayPath(const std::string& systemPath);

}  // namespace platform
