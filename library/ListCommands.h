// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operations of the two lists: register, remove, tick, mark, sort, details.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "library/Feedback.h"
#include "library/MainState.h"
#include "library/MusicScan.h"

namespace library {

// The list whose selection the edit command uses: the visible one when both have a
// selection, else the one that has; none when neither has.
std::optional<ListId> EditLyricsList(const MainState& state, bool mListHasSelection, bool aListHasSelection);

// Appends copies of the selected song-list rows (unticked) to AList, then SaveRegistered.
void RegisterSelected(MainState& state, const ListSelection& mListSelection);
// Deletes the selected registered rows, then SaveRegistered.
void RemoveSelected(MainState& state, const ListSelection& aListSelection);
// Ticks / unticks every row of the visible list, or only the given rows of it when shown
// is not null (a filtered view).
void TickAll(MainState& state, const std::vector<std::size_t>* shown = nullptr);
void UntickAll(MainState& state, const std::vector<std::size_t>* shown = nullptr);
// Ticks the song-list rows whose title + album (joined without separator) is registered,
// ignoring letter case; never clears a mark.
void MarkRegistered(MainState& state);

// The compare of two rows for key (+-1 the caption, +-k sub-item k - 2), in the locale order.
int CompareRows(const SongRow& row1, const SongRow& row2, int key);
// Sorts one list by a column (0 the title) and toggles the shared flag; the song list only
// while Connected. False when nothing was done.
bool SortByColumn(MainState& state, ListId list, int column);

// The song-details values of the list's current row read afresh from its file, the lyrics
// file replacing the tag lyrics; nothing when the row has no entry in SongTable or the
// selection is empty (the dialog then shows what it showed last).
std::optional<TMusicData> ShowDetails(MainState& state, ListId list, const ListSelection& selection);

}  // namespace library
