#pragma once
// The lyrics files in MusicDatas, one per song: naming, reading, writing and importing
// lyrics from the song's tag.
#include <optional>
#include <string>
#include <vector>

#include "library/Feedback.h"
#include "library/MainState.h"

namespace library {

// T' and A': title and album with every "/" replaced by "_".
std::string SlashToUnderscore(const std::string& text);
// AppDir + "MusicDatas/" + PlayerSafeName(T' + "-" + A') + ".txt".
std::string LyricsFileName(const MainState& state, const std::string& title, const std::string& album);

// Lines split at CR LF, lone CR or lone LF (a final line break ends the last line).
std::vector<std::string> SplitLines(const std::string& text);
// Every line followed by CR LF; an empty text gives an empty string.
std::string JoinLinesCrLf(const std::string& text);
// The content of a lyrics file as lines joined with CR LF; nothing when it does not exist.
std::optional<std::string> ReadLyricsFile(const std::string& path);
// The first line of the file; empty when it is missing or has no lines.
std::string OpeningLine(const std::string& path);
// Stores text as lines ended by CR LF, atomically, creating MusicDatas when missing.
void WriteLyricsFile(const std::string& path, const std::string& text);
// True when text is empty after trimming spaces and control characters at both ends.
bool IsBlankLyrics(const std::string& text);

// What the editor is to show.
struct EditorContent {
  std::string caption;              // T' + " (" + A' + ")"
  std::optional<std::string> text;  // none: the editor keeps the text it holds
};

// For the current row of the list: sets LyricsPath, creates MusicDatas when missing and
// returns the editor's content (the lyrics file, else the tag lyrics when not blank).
// Nothing when the selection is empty.
std::optional<EditorContent> OpenLyricsEditor(MainState& state, ListId list, const ListSelection& selection);
// The import of one row of the song list.
void ImportLyricsOfRow(MainState& state, Feedback& ui, const ListSelection& selection);
// Asks, then scans with ImportLyrics set; "完了しました。" at the end. ask = false skips the
// question (lyrimate-cli).
void GetAllLyrics(MainState& state, Feedback& ui, bool ask = true);
// Writes LyricsText to LyricsPath, then empties LyricsText.
void SaveLyrics(MainState& state);

}  // namespace library
