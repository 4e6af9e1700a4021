#pragma once
// One level of a folder, filtered by a wildcard with the Windows meaning. Names are code
// page 932; the folder is a code page 932 path.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DirEntry {
  std::string name;
  bool isDirectory = false;
};

// True when name matches wildcard, ignoring letter case: "*" matches any run of characters,
// "?" exactly one character (a double-byte character is one), and a final ".*" also matches
// a name without a dot, so "*.*" matches every name.
bool MatchesWildcard(std::string_view name, std::string_view wildcard);

// The entries of folder (empty: the current folder) whose names match wildcard, in the order
// the system returns them, "." and ".." included when they match. Names that have no exact
// code page 932 form are left out, since no path built from them would reach the entry.
// A missing or unreadable folder gives no entries.
std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view wildcard);

}  // namespace platform
