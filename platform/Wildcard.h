// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one "*" and "?" matcher. File-name listings and the tag reader's extension patterns
// both use it; they differ in what "*" does and in which letters count as equal, and each
// names its rules.
#include <string>
#include <string_view>

namespace platform {

enum class WildcardStar {
  // "*" matches any run of characters, every length tried: the file system's meaning.
  AnyRun,
  // "*" jumps past the last occurrence of the literal run that follows it and never comes
  // back; when the name ends, what is left of the pattern must be empty or exactly "*".
  // The extension patterns rely on this: "a.mp3.bak" is not an "*.mp?".
  LastOccurrence,
};

enum class WildcardCase {
  Folded,        // letter case as Unicode folds it, full-width letters included
  AsciiLetters,  // only A-Z against a-z; a double-byte character equals only itself
};

struct WildcardRules {
  WildcardStar star;
  WildcardCase letterCase;
};

// Code page 932 text as the matcher compares it: one element per character, letter case
// brought to one form. A double-byte character is one element, so its trail byte can never
// be taken for "*", "?" or a letter.
std::u16string WildcardCharacters(std::string_view text, WildcardCase letterCase);

// Matches texts already given as WildcardCharacters of the same letter case rule.
bool MatchWildcardCharacters(std::u16string_view name, std::u16string_view pattern, WildcardStar star);

bool MatchWildcard(std::string_view name, std::string_view pattern, WildcardRules rules);

}  // namespace platform
