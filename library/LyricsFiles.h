// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics files in MusicDatas, one per song: naming, reading and writing.
#include <optional>
#include <string>
#include <vector>

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

}  // namespace library
