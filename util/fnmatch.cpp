// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/fnmatch.h"

#include "platform/DirEnum.h"

TGlob::TGlob(const std::string& pattern) {
  if (!pattern.empty() && pattern.back() == '/')
    Scan(pattern + "*");
  else
    Scan(pattern);
}

void TGlob::Scan(const std::string& pattern) {
  const std::size_t slash = pattern.find_last_of('/');
  dir_ = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  dirs_.clear();
  files_.clear();
  const std::string wildcard = pattern.substr(dir_.size());
  for (platform::DirEntry& entry : platform::ListDirectory(dir_, wildcard)) {
    if (!entry.isDirectory)
      files_.push_back(std::move(entry.name));
    else if (entry.name.empty() || entry.name.front() != '.')
      dirs_.push_back(std::move(entry.name));
  }
}
