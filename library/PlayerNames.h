// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File and folder names that the player's FAT disk can hold, made from tag texts.
#include <string>

namespace library {

// Each of \ / : * ? " < > | and every control character (below 0x20) becomes "_", then the
// name is cut at a character boundary to at most 240 bytes in UTF-8. Code page 932 in and
// out; a trail byte 0x5C or 0x7C of a double-byte character is part of that character and
// stays.
std::string PlayerSafeName(const std::string& text);

// The Notes album folder name (empty album: empty, the page then lies directly in Notes/)
// and the page file name: PlayerSafeName, then a last space or dot becomes "_"; an empty
// page name becomes "_". Neither can ever be "." or "..".
std::string NotesFolderName(const std::string& album);
std::string NotesPageName(const std::string& title);

}  // namespace library
