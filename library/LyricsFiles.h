// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics files in MusicDatas, one per song: naming, reading and writing.
#include <optional>
#include <string>
#include <vector>

#include "library/MainState.h"
#include "platform/DirHandle.h"

namespace library {

// T' and A': title and album with every "/" replaced by "_".
std::string SlashToUnderscore(const std::string& text);
// PlayerSafeName(T' + "-" + A') + ".txt", code page 932: the exact name of a song's lyrics
// file (LyricsIndex finds the file of that name or of a name equal to it ignoring case).
std::string LyricsFileBaseName(const std::string& title, const std::string& album);
// AppDir + "MusicDatas/" + the exact name in the system's form.
std::string LyricsFileName(const MainState& state, const std::string& title, const std::string& album);

// Lines split at CR LF, lone CR or lone LF (a final line break ends the last line).
std::vector<std::string> SplitLines(const std::string& text);
// Every line followed by CR LF; an empty text gives an empty string.
std::string JoinLinesCrLf(const std::string& text);
// The content of a lyrics file as lines joined with CR LF; nothing when it does not exist.
// Only a regular file is read: anything else (a link among them) raises platform::Error.
std::optional<std::string> ReadLyricsFile(const std::string& path);
// The first line of the file; empty when it is missing, unreadable or has no lines. A link
// or other file that is not a regular one raises platform::Error naming it.
std::string OpeningLine(const std::string& path);
// The same for the file name in folder, whose path is folderPath + name.
std::string OpeningLineIn(const platform::DirHandle& folder, const std::string& folderPath, const std::string& name);
// Stores text as lines ended by CR LF, atomically, creating MusicDatas when missing.
void WriteLyricsFile(const std::string& path, const std::string& text);
// True when text is empty after trimming spaces and control characters at both ends.
bool IsBlankLyrics(const std::string& text);

}  // namespace library
