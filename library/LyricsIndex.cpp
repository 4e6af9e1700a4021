// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsIndex.h"

#include "library/LyricsFiles.h"
#include "platform/CodePage.h"
#include "platform/DirEnum.h"
#include "platform/FileSystem.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

LyricsIndex::LyricsIndex(const MainState& state) : folder_(state.DataFolder()) {
  platform::FolderListing listing = platform::ListFolder(folder_);
  names_.reserve(listing.entries.size());
  for (platform::DirEntry& entry : listing.entries) names_.insert(std::move(entry.name));
}

void LyricsIndex::AddFolded(const std::string& systemName) const {
  // A name without an exact code page 932 form is never one built from tag text.
  const std::string cp932 = platform::Utf8ToCp932(systemName);
  if (platform::SystemName(cp932) != systemName) return;
  auto [slot, added] = folded_.try_emplace(platform::CaseFold(cp932), systemName);
  if (!added && systemName < slot->second) slot->second = systemName;
}

const std::string* LyricsIndex::CaseInsensitiveMatch(const std::string& cp932Name) const {
  if (!foldedBuilt_) {
    folded_.reserve(names_.size());
    for (const std::string& name : names_) AddFolded(name);
    foldedBuilt_ = true;
  }
  const auto found = folded_.find(platform::CaseFold(cp932Name));
  return found == folded_.end() ? nullptr : &found->second;
}

std::optional<std::string> LyricsIndex::Existing(const std::string& title, const std::string& album) const {
  const std::string cp932Name = LyricsFileBaseName(title, album);
  const std::string systemName = platform::SystemName(cp932Name);
  if (names_.count(systemName) != 0) return folder_ + systemName;
  if (const std::string* match = CaseInsensitiveMatch(cp932Name)) return folder_ + *match;
  return std::nullopt;
}

std::string LyricsIndex::Find(const std::string& title, const std::string& album) const {
  if (std::optional<std::string> existing = Existing(title, album)) return *existing;
  return folder_ + platform::SystemName(LyricsFileBaseName(title, album));
}

void LyricsIndex::Add(const std::string& path) {
  std::string name = NameOf(path);
  if (!names_.insert(name).second) return;
  if (foldedBuilt_) AddFolded(name);
}

std::string FindLyricsFile(const LyricsIndex& index, const std::string& title, const std::string& album) {
  return index.Find(title, album);
}

std::optional<std::string> ReadLyrics(const LyricsIndex& index, const std::string& title, const std::string& album) {
  const std::optional<std::string> path = index.Existing(title, album);
  if (!path) return std::nullopt;
  return ReadLyricsFile(*path);
}

std::string OpeningLineOf(const LyricsIndex& index, const std::string& title, const std::string& album) {
  const std::optional<std::string> path = index.Existing(title, album);
  return path ? OpeningLine(*path) : std::string();
}

}  // namespace library
