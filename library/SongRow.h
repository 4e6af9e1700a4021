// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the two song lists (the player's songs and the registered songs) as plain
// data: a caption (the title), seven sub-items and a check mark.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace library {

// Positions of the sub-items of a row.
enum SubItem : std::size_t {
  kAlbum = 0,
  kTrack = 1,
  kArtist = 2,
  kTime = 3,
  kYear = 4,
  kOpeningLine = 5,  // shown in the registered list only; empty in the song list
  kPath = 6,         // the audio file; never shown
  kSubItemCount = 7,
};

struct SongRow {
  std::string caption;  // title
  std::array<std::string, kSubItemCount> sub;
  bool checked = false;

  const std::string& Title() const { return caption; }
  const std::string& Album() const { return sub[kAlbum]; }
};

using SongList = std::vector<SongRow>;

// The two lists: MList holds the player's songs, AList the registered songs.
enum class ListId { MList, AList };

// The rows of one list the user selected, as positions in the list, ascending. The first of
// them is the list's current ("selected") row.
struct ListSelection {
  std::vector<std::size_t> rows;

  bool Empty() const { return rows.empty(); }
  std::size_t Current() const { return rows.front(); }
};

// The song key of a row: caption + "-" + album, joined as they are.
inline std::string SongKey(const std::string& title, const std::string& album) {
  return title + "-" + album;
}
inline std::string SongKey(const SongRow& row) { return SongKey(row.caption, row.sub[kAlbum]); }

}  // namespace library
