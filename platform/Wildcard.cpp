// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Wildcard.h"

#include "platform/CodePage.h"
#include "platform/TextCompare.h"

namespace platform {

namespace {

constexpr char16_t Star = u'*';
constexpr char16_t AnyCharacter = u'?';

// Backtracks to the last "*" only, which is enough because a later "*" can absorb whatever
// an earlier one would.
bool MatchAnyRun(std::u16string_view name, std::u16string_view pattern) {
  std::size_t n = 0, p = 0;
  std::size_t starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == Star) {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == AnyCharacter || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == Star) ++p;
  return p == pattern.size();
}

bool MatchLastOccurrence(std::u16string_view name, std::u16string_view pattern) {
  std::size_t n = 0, p = 0;
  while (n < name.size()) {
    if (p >= pattern.size()) return false;
    if (pattern[p] == Star) {
      const std::u16string_view rest = pattern.substr(p + 1);
      if (rest.empty()) return true;
      const std::u16string_view segment = rest.substr(0, rest.find_first_of(u"?*"));
      // An empty segment is found at the end of the name.
      const std::size_t hit = name.substr(n).rfind(segment);
      if (hit == std::u16string_view::npos) return false;
      n += hit + segment.size();
      p += 1 + segment.size();
    } else if (pattern[p] == AnyCharacter || pattern[p] == name[n]) {
      ++p;
      ++n;
    } else {
      return false;
    }
  }
  const std::u16string_view rest = pattern.substr(p);
  return rest.empty() || rest == u"*";
}

}  // namespace

std::u16string WildcardCharacters(std::string_view text, WildcardCase letterCase) {
  if (letterCase == WildcardCase::Folded) return CaseFold(text);
  std::u16string characters;
  characters.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t next = CharNext(text, pos);
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (next - pos == 2) {
      characters.push_back(static_cast<char16_t>(lead << 8 | static_cast<unsigned char>(text[pos + 1])));
    } else {
      characters.push_back(static_cast<unsigned char>(UpperAsciiChar(static_cast<char>(lead))));
    }
    pos = next;
  }
  return characters;
}

bool MatchWildcardCharacters(std::u16string_view name, std::u16string_view pattern, WildcardStar star) {
  return star == WildcardStar::AnyRun ? MatchAnyRun(name, pattern) : MatchLastOccurrence(name, pattern);
}

bool MatchWildcard(std::string_view name, std::string_view pattern, WildcardRules rules) {
  return MatchWildcardCharacters(WildcardCharacters(name, rules.letterCase),
                                 WildcardCharacters(pattern, rules.letterCase), rules.star);
}

}  // namespace platform
