// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NotesNames.h"

#include "library/PlayerNames.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

constexpr std::size_t kNoPlace = static_cast<std::size_t>(-1);

std::string Numbered(const std::string& name, int number) { return name + " (" + std::to_string(number) + ")"; }

}  // namespace

std::string FolderNames::Claim(const std::string& name) {
  std::string candidate = name;
  for (int number = 2; !taken_.insert(platform::CaseFold(candidate)).second; ++number)
    candidate = Numbered(name, number);
  return candidate;
}

bool FolderNames::IsTaken(const std::string& name) const { return taken_.contains(platform::CaseFold(name)); }

NotesPlan::NotesPlan(const SongList& rows) : placeOfRow_(rows.size(), kNoPlace) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].checked) continue;
    const auto key = std::make_pair(rows[i].Album(), rows[i].Title());
    if (const auto known = placeOfSong_.find(key); known != placeOfSong_.end()) {
      placeOfRow_[i] = known->second;
      continue;
    }
    PagePlace place;
    place.folder = ClaimFolder(key.first);
    const std::string wanted = NotesPageName(key.second);
    place.page = namesIn_[place.folder].Claim(wanted);
    if (place.page != wanted) clashes_.push_back({PagePlace{place.folder, wanted}.Relative(), place.Relative()});
    placeOfRow_[i] = places_.size();
    placeOfSong_.emplace(key, places_.size());
    places_.push_back(std::move(place));
  }
}

std::string NotesPlan::ClaimFolder(const std::string& album) {
  if (album.empty()) return std::string();
  if (const auto known = folderOfAlbum_.find(album); known != folderOfAlbum_.end()) return known->second;
  const std::string wanted = NotesFolderName(album);
  const std::string folder = namesIn_[std::string()].Claim(wanted);
  if (folder != wanted) clashes_.push_back({wanted, folder});
  folderOfAlbum_.emplace(album, folder);
  return folder;
}

const PagePlace* NotesPlan::PlaceOfRow(std::size_t row) const {
  return row < placeOfRow_.size() && placeOfRow_[row] != kNoPlace ? &places_[placeOfRow_[row]] : nullptr;
}

const PagePlace* NotesPlan::PlaceOfSong(const std::string& album, const std::string& title) const {
  const auto found = placeOfSong_.find(std::make_pair(album, title));
  return found == placeOfSong_.end() ? nullptr : &places_[found->second];
}

const std::string* NotesPlan::FolderOfAlbum(const std::string& album) const {
  static const std::string notesItself;
  if (album.empty()) return &notesItself;
  const auto found = folderOfAlbum_.find(album);
  return found == folderOfAlbum_.end() ? nullptr : &found->second;
}

FolderNames* NotesPlan::NamesIn(const std::string& folder) {
  const auto found = namesIn_.find(folder);
  return found == namesIn_.end() ? nullptr : &found->second;
}

const FolderNames* NotesPlan::NamesIn(const std::string& folder) const {
  const auto found = namesIn_.find(folder);
  return found == namesIn_.end() ? nullptr : &found->second;
}

}  // namespace library
