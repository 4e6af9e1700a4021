// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lyrics taken from an LRC file: the time tags and the ID tags at its top removed.
#include <string>
#include <string_view>

namespace library {

// True when a line of text (code page 932) begins with a time tag such as "[01:23.45]".
bool LooksLikeLrc(std::string_view text);

// The lyrics of an LRC text (code page 932): the ID tag lines at the top ("[ti:...]",
// "[ar:...]", "[offset:...]") and blank lines among them dropped, the time tags at the start
// of each line ("[mm:ss]", "[mm:ss.xx]", "[mm:ss:xx]", several in a row) and the word tags
// ("<mm:ss.xx>") anywhere removed with the blanks after leading tags, empty lines at the end
// dropped; lines end with CR LF. A text without time tags is returned as it is.
std::string LyricsFromLrc(std::string_view text);

}  // namespace library
