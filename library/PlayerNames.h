// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File and folder names that the player's FAT disk can hold, made from tag texts.
#include <cstddef>
#include <string>

namespace library {

// TAB, CR and LF become a space: the one rule for these bytes in list values and in file
// names, so that a row read back from its list file names the same files. None of them is
// ever a trail byte.
void SpacesForTabsAndLineBreaks(std::string& text, std::size_t from = 0);

// Every byte that is not part of a valid code page 932 character becomes "_" (a lone byte
// 0x80, 0xA0 or 0xFD-0xFF, a lead byte without a valid trail byte, an undefined pair's lead
// byte); TAB, CR and LF become a space; each of \ / : * ? " < > | and every other control
// character (below 0x20) becomes "_"; then the name is cut at a character boundary to at
// most 240 bytes in UTF-8. Code page 932 in and out; a trail byte 0x5C or 0x7C of a
// double-byte character is part of that character and stays, while a "/" after a lead byte
// that has no valid trail byte is a character of its own and is replaced.
std::string PlayerSafeName(const std::string& text);

// The Notes album folder name (empty album: empty, the page then lies directly in Notes/)
// and the page file name: PlayerSafeName, then a last space or dot becomes "_"; an empty
// page name becomes "_". Neither can ever be "." or "..".
std::string NotesFolderName(const std::string& album);
std::string NotesPageName(const std::string& title);

}  // namespace library
