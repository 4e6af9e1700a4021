// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One level of a folder, filtered by a wildcard with the Windows meaning. The folder and the
// names are in the system's form, as readdir gives them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DirEntry {
  std::string name;
  bool isDirectory = false;  // a folder, or a symbolic link that leads to one
  bool isLink = false;       // the entry itself is a symbolic link
};

// True when name matches wildcard, ignoring letter case: "*" matches any run of characters,
// "?" exactly one character (a double-byte character is one), and a final ".*" also matches
// a name without a dot, so "*.*" matches every name.
bool MatchesWildcard(std::string_view name, std::string_view wildcard);

// The entries of folder (empty: the current folder) whose names match wildcard (code page
// 932, matched against each name's shown form), in the order the system returns them, "."
// and ".." included when they match. A missing or unreadable folder gives no entries.
std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view wildcard);

// One whole folder for a walk of a tree, and which folder was opened (so that a walk can
// tell a folder it has entered before).
struct FolderListing {
  bool opened = false;            // false: missing, not a folder, or not readable
  std::uint64_t device = 0;       // identity of the folder opened (device and inode)
  std::uint64_t inode = 0;
  std::vector<DirEntry> entries;  // every entry but "." and "..", in system order
};
FolderListing ListFolder(const std::string& folder);

}  // namespace platform
