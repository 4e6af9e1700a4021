// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the registered list's opening-line column true after lyrics were written, without
// waiting for the next list save or export.
#include <cstddef>
#include <string>

#include "library/MainState.h"

namespace library {

// Every registered row whose lyrics file is lyricsPath gets that file's first line; returns
// how many rows changed.
std::size_t RefreshOpeningLines(MainState& state, const std::string& lyricsPath);
// The same for the lyrics file of the current row of a list (nothing without a row).
std::size_t RefreshOpeningLinesOfRow(MainState& state, ListId list, const ListSelection& selection);
// Every registered row from its lyrics file.
std::size_t RefreshAllOpeningLines(MainState& state);

}  // namespace library
