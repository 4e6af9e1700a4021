// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NoteReading.h"

#include <string_view>

#include "library/NotesWriter.h"
#include "platform/CodePage.h"

namespace library {

namespace {

bool IsLinkOpening(std::string_view tag) { return tag.size() > 2 && (tag[1] == 'a' || tag[1] == 'A') && tag[2] == ' '; }
bool IsLinkClosing(std::string_view tag) { return tag == "</a>" || tag == "</A>"; }

// Appends text at offset of the note to pieces, split where it passes the cut.
void Add(std::vector<ShownText>& pieces, std::string_view text, std::size_t offset, bool link) {
  std::size_t split = 0;
  if (offset < kNoteByteLimit) {
    // Whole characters only: a lead byte whose trail byte lies past the cut goes with it.
    for (std::size_t next; split < text.size() && (next = platform::CharNext(text, split)) + offset <= kNoteByteLimit;)
      split = next;
  }
  if (split > 0) pieces.push_back({std::string(text.substr(0, split)), link, false});
  if (split < text.size()) pieces.push_back({std::string(text.substr(split)), link, true});
}

}  // namespace

std::vector<ShownText> AsTheReaderShows(const std::string& note) {
  std::vector<ShownText> pieces;
  bool inLink = false;
  std::size_t at = 0;
  while (at < note.size()) {
    const std::size_t tag = note.find('<', at);
    const std::size_t textEnd = tag == std::string::npos ? note.size() : tag;
    if (textEnd > at) Add(pieces, std::string_view(note).substr(at, textEnd - at), at, inLink);
    if (tag == std::string::npos) break;
    const std::size_t close = note.find('>', tag);
    // An unclosed "<" hides the rest, as markup would.
    if (close == std::string::npos) break;
    const std::string_view markup = std::string_view(note).substr(tag, close + 1 - tag);
    if (IsLinkOpening(markup)) inLink = true;
    else if (IsLinkClosing(markup)) inLink = false;
    at = close + 1;
  }
  return pieces;
}

}  // namespace library
