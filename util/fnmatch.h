// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file keeps its historical name, but holds no wildcard matcher of its own: TGlob lists
// through platform::ListDirectory, whose MatchesWildcard is the one file-name matcher.
// TGlob: one folder level for a path whose last component may hold "*" and "?", split into
// sub-folder names and other names. It does not recurse.
#include <string>
#include <vector>

class TGlob {
public:
  // Enumerates at once. A pattern ending with "/" lists everything in that folder.
  explicit TGlob(const std::string& pattern);

  // The folder part of the pattern up to and including its last "/" (empty when it has none).
  const std::string& Dir() const { return dir_; }
  // Names of the sub-folders found, in file-system order, without those starting with ".".
  const std::vector<std::string>& Dirs() const { return dirs_; }
  // Names of every other entry found, in file-system order (names starting with "." stay).
  const std::vector<std::string>& Files() const { return files_; }

private:
  void Scan(const std::string& pattern);

  std::string dir_;
  std::vector<std::string> dirs_;
  std::vector<std::string> files_;
};
