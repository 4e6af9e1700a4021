// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names of the pages and album folders of one export, distinct in every folder of Notes/
// when letter case is ignored (the player's disk does not tell "Love" from "LOVE").
#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "library/SongRow.h"

namespace library {

// The names taken in one folder, compared with the song key's case folding.
class FolderNames {
public:
  // name itself when it is free, else the first free of name + " (2)", " (3)", ...; the
  // name returned is taken from then on.
  std::string Claim(const std::string& name);
  bool IsTaken(const std::string& name) const;

private:
  std::unordered_set<std::u16string> taken_;
};

// Where a page goes below Notes/ (code page 932 names).
struct PagePlace {
  std::string folder;  // album folder; empty: the page lies in Notes/ itself
  std::string page;    // page file name
  std::string Relative() const { return folder.empty() ? page : folder + "/" + page; }
};

// A name that had to change because another page or folder took it first.
struct NameClash {
  std::string wanted;  // path below Notes/ the name would have had
  std::string given;   // path below Notes/ it has
};

// The places of the ticked rows' pages, handed out in row order: the first page or folder
// keeps its name, a later one whose name equals a taken one when case is ignored gets a
// distinct name. Rows of one title and album share one page.
class NotesPlan {
public:
  explicit NotesPlan(const SongList& rows);

  // The page of a ticked row; nullptr for an unticked one.
  const PagePlace* PlaceOfRow(std::size_t row) const;
  // The page of the song (album, title) when a ticked row has it.
  const PagePlace* PlaceOfSong(const std::string& album, const std::string& title) const;
  // The folder the album's pages go to; nullptr when no ticked row has the album.
  const std::string* FolderOfAlbum(const std::string& album) const;
  // The names taken in a folder ("" for Notes/ itself); nullptr when none.
  FolderNames* NamesIn(const std::string& folder);
  const FolderNames* NamesIn(const std::string& folder) const;
  const std::vector<NameClash>& Clashes() const { return clashes_; }

private:
  std::string ClaimFolder(const std::string& album);

  std::unordered_map<std::string, std::string> folderOfAlbum_;  // album -> folder name
  std::unordered_map<std::string, FolderNames> namesIn_;        // folder name -> its names
  std::map<std::pair<std::string, std::string>, std::size_t> placeOfSong_;  // (album, title) -> place
  std::vector<PagePlace> places_;
  std::vector<std::size_t> placeOfRow_;  // kNoPlace for unticked rows
  std::vector<NameClash> clashes_;
};

}  // namespace library
