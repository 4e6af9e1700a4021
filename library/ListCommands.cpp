// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ListCommands.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "library/FlagOverride.h"
#include "library/ListFiles.h"
#include "library/LyricsFiles.h"
#include "library/LyricsIndex.h"
#include "platform/TextCompare.h"

namespace library {

namespace {

void SetChecks(SongList& rows, const std::vector<std::size_t>* shown, bool checked) {
  if (shown == nullptr) {
    for (SongRow& row : rows) row.checked = checked;
    return;
  }
  for (std::size_t index : *shown)
    if (index < rows.size()) rows[index].checked = checked;
}

// The text MarkRegistered compares: title and album joined without a separator.
std::u16string MarkKey(const SongRow& row) { return platform::CaseFold(row.Title() + row.Album()); }

}  // namespace

std::optional<ListId> EditLyricsList(const MainState& state, bool mListHasSelection, bool aListHasSelection) {
  if (mListHasSelection && aListHasSelection) return state.Visible;
  if (mListHasSelection) return ListId::MList;
  if (aListHasSelection) return ListId::AList;
  return std::nullopt;
}

void RegisterSelected(MainState& state, const ListSelection& mListSelection) {
  if (mListSelection.Empty()) return;
  state.AList.reserve(state.AList.size() + mListSelection.rows.size());
  for (std::size_t index : mListSelection.rows) {
    if (index >= state.MList.size()) continue;
    SongRow copy = state.MList[index];
    copy.checked = false;
    state.AList.push_back(std::move(copy));
  }
  SaveRegistered(state);
}

void RemoveSelected(MainState& state, const ListSelection& aListSelection) {
  if (aListSelection.Empty()) return;
  std::vector<bool> removed(state.AList.size(), false);
  for (std::size_t index : aListSelection.rows)
    if (index < removed.size()) removed[index] = true;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < state.AList.size(); ++i)
    if (!removed[i]) {
      if (kept != i) state.AList[kept] = std::move(state.AList[i]);
      ++kept;
    }
  state.AList.resize(kept);
  SaveRegistered(state);
}

void TickAll(MainState& state, const std::vector<std::size_t>* shown) { SetChecks(state.List(state.Visible), shown, true); }

void UntickAll(MainState& state, const std::vector<std::size_t>* shown) { SetChecks(state.List(state.Visible), shown, false); }

void MarkRegistered(MainState& state) {
  std::unordered_set<std::u16string> registered;
  registered.reserve(state.AList.size());
  for (const SongRow& row : state.AList) registered.insert(MarkKey(row));
  for (SongRow& row : state.MList)
    if (!row.checked && registered.count(MarkKey(row)) != 0) row.checked = true;
}

int CompareRows(const SongRow& row1, const SongRow& row2, int key) {
  const int k = std::abs(key);
  int result = 0;
  if (k == 1)
    result = platform::CompareLocale(row1.caption, row2.caption);
  else if (k >= 2 && static_cast<std::size_t>(k - 2) < kSubItemCount)
    result = platform::CompareLocale(row1.sub[k - 2], row2.sub[k - 2]);
  return key > 0 ? result : -result;
}

bool SortByColumn(MainState& state, ListId list, int column) {
  if (list == ListId::MList && !state.Connected) return false;
  if (column < 0 || static_cast<std::size_t>(column) >= state.SortFlags.size()) return false;
  const int key = state.SortFlags[column] ? -(column + 1) : column + 1;
  SongList& rows = state.List(list);
  std::stable_sort(rows.begin(), rows.end(),
                   [key](const SongRow& a, const SongRow& b) { return CompareRows(a, b, key) < 0; });
  state.SortFlags[column] = !state.SortFlags[column];
  return true;
}

std::optional<TMusicData> ShowDetails(MainState& state, ListId list, const ListSelection& selection) {
  if (selection.Empty()) return std::nullopt;
  const SongList& rows = state.List(list);
  if (selection.Current() >= rows.size()) return std::nullopt;
  const std::string title = rows[selection.Current()].Title();
  const std::string album = rows[selection.Current()].Album();

  const std::string key = SongKey(title, album);
  const std::string* found = state.SongTable.Value(key);
  if (!found || found->empty()) return std::nullopt;
  // A copy: reading the song puts its key into the table again.
  const std::string path = *found;

  TMusicData record;
  {
    // The details only read the song; they never write its lyrics file from the tag.
    FlagOverride readOnly(state.ImportLyrics, false);
    ReadSong(state, path, record);
  }
  if (std::optional<std::string> lyrics = ReadLyrics(LyricsIndex(state), title, album)) record.Lyrics = *lyrics;
  return record;
}

}  // namespace library
