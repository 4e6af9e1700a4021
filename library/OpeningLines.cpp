// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/OpeningLines.h"

#include "library/LyricsFiles.h"
#include "library/LyricsIndex.h"

namespace library {

namespace {

bool SetOpeningLine(SongRow& row, std::string line) {
  if (row.sub[kOpeningLine] == line) return false;
  row.sub[kOpeningLine] = std::move(line);
  return true;
}

}  // namespace

std::size_t RefreshOpeningLines(MainState& state, const std::string& lyricsPath) {
  if (lyricsPath.empty()) return 0;
  const std::string line = OpeningLine(lyricsPath);
  const LyricsIndex lyrics(state);
  std::size_t changed = 0;
  for (SongRow& row : state.AList)
    if (FindLyricsFile(lyrics, row.caption, row.sub[kAlbum]) == lyricsPath && SetOpeningLine(row, line)) ++changed;
  return changed;
}

std::size_t RefreshOpeningLinesOfRow(MainState& state, ListId list, const ListSelection& selection) {
  const SongList& rows = state.List(list);
  if (selection.Empty() || selection.Current() >= rows.size()) return 0;
  const SongRow& row = rows[selection.Current()];
  return RefreshOpeningLines(state, FindLyricsFile(LyricsIndex(state), row.caption, row.sub[kAlbum]));
}

std::size_t RefreshAllOpeningLines(MainState& state) {
  const LyricsIndex lyrics(state);
  std::size_t changed = 0;
  for (SongRow& row : state.AList)
    if (SetOpeningLine(row, OpeningLineOf(lyrics, row.caption, row.sub[kAlbum]))) ++changed;
  return changed;
}

}  // namespace library
