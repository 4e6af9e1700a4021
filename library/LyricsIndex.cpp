// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsIndex.h"

#include <algorithm>

#include "library/LyricsFiles.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

LyricsIndex::LyricsIndex(const MainState& state)
    : folder_(state.DataFolder()), handle_(platform::DirHandle::Open(folder_)) {
  std::vector<platform::DirHandle::Entry> entries;
  handle_.List(entries);
  names_.reserve(entries.size());
  for (platform::DirHandle::Entry& entry : entries) names_.insert(std::move(entry.name));
}

void LyricsIndex::AddFolded(FoldedNames& folded, const std::string& systemName) {
  std::string cp932 = systemName;
  if (!IsAscii(systemName)) {
    // A name without an exact code page 932 form is never one built from tag text.
    cp932 = platform::Utf8ToCp932(systemName);
    if (platform::SystemName(cp932) != systemName) return;
  }
  auto [slot, added] = folded.names.try_emplace(platform::CaseFold(cp932), systemName);
  if (!added && systemName < slot->second) slot->second = systemName;
}

const std::string* LyricsIndex::CaseInsensitiveMatch(const std::string& cp932Name) const {
  const bool ascii = IsAscii(cp932Name);
  FoldedNames& folded = ascii ? asciiFolded_ : otherFolded_;
  std::call_once(folded.once, [&] {
    for (const std::string& name : names_)
      if (IsAscii(name) == ascii) AddFolded(folded, name);
    folded.built = true;
  });
  const auto found = folded.names.find(platform::CaseFold(cp932Name));
  return found == folded.names.end() ? nullptr : &found->second;
}

const std::string* LyricsIndex::ExistingName(const std::string& title, const std::string& album) const {
  const std::string cp932Name = LyricsFileBaseName(title, album);
  if (const auto exact = names_.find(platform::SystemName(cp932Name)); exact != names_.end()) return &*exact;
  return CaseInsensitiveMatch(cp932Name);
}

std::optional<std::string> LyricsIndex::Existing(const std::string& title, const std::string& album) const {
  if (const std::string* name = ExistingName(title, album)) return folder_ + *name;
  return std::nullopt;
}

std::string LyricsIndex::Find(const std::string& title, const std::string& album) const {
  if (std::optional<std::string> existing = Existing(title, album)) return *existing;
  return folder_ + platform::SystemName(LyricsFileBaseName(title, album));
}

void LyricsIndex::Add(const std::string& path) {
  // The first write of a command may have made the folder.
  if (!handle_.IsOpen()) handle_ = platform::DirHandle::Open(folder_);
  std::string name = NameOf(path);
  if (!names_.insert(name).second) return;
  FoldedNames& folded = IsAscii(name) ? asciiFolded_ : otherFolded_;
  if (folded.built) AddFolded(folded, name);
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
  const std::string* name = index.ExistingName(title, album);
  return name ? OpeningLineIn(index.Folder(), index.FolderPath(), *name) : std::string();
}

}  // namespace library
