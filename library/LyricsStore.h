// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics commands: what the editor opens with, saving its text, and importing lyrics
// from the songs' tags.
#include <optional>
#include <string>

#include "library/Feedback.h"
#include "library/LyricsFiles.h"
#include "library/MainState.h"

namespace library {

// What the editor is to show.
struct EditorContent {
  std::string caption;              // T' + " (" + A' + ")"
  std::optional<std::string> text;  // none: the editor keeps the text it holds
};

// For the current row of the list: sets LyricsPath, creates MusicDatas when missing and
// returns the editor's content (the lyrics file, else the tag lyrics when not blank).
// Nothing when the selection is empty.
std::optional<EditorContent> OpenLyricsEditor(MainState& state, ListId list, const ListSelection& selection);
// The import of one row of a list (the song list unless told otherwise). When the song's
// lyrics file holds other lyrics it asks first (AskYesNo); on yes the old file is kept in
// Backup/ and the information box names where.
void ImportLyricsOfRow(MainState& state, Feedback& ui, const ListSelection& selection, ListId list = ListId::MList);
// Asks, then scans with ImportLyrics set; "完了しました。" at the end, followed by a line
// telling how many lyrics files were replaced and where the old ones are. ask = false skips
// the question (lyrimate-cli).
void GetAllLyrics(MainState& state, Feedback& ui, bool ask = true);
// Writes LyricsText to LyricsPath, then empties LyricsText.
void SaveLyrics(MainState& state);

}  // namespace library
