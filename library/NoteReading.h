// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A note as the player's note reader shows it: markup removed, link texts marked, and the
// text beyond the 4,096 bytes the reader shows marked as cut off.
#include <string>
#include <vector>

namespace library {

struct ShownText {
  std::string text;        // code page 932, line breaks as in the note
  bool link = false;       // the text of a link (the reader underlines it)
  bool beyondCut = false;  // lies past the first 4,096 bytes of the note: the reader leaves it out
  bool operator==(const ShownText&) const = default;
};

// The pieces of text of a note in order. A tag ("<" up to the next ">") shows nothing; the
// text between "<a ...>" and "</a>" is a link. The cut falls between two characters: a
// double-byte character that straddles it is left out whole, as the reader leaves it.
std::vector<ShownText> AsTheReaderShows(const std::string& note);

}  // namespace library
