// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Wildcard.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

using namespace platform;

namespace {

constexpr WildcardRules Listing{WildcardStar::AnyRun, WildcardCase::Folded};
constexpr WildcardRules Extensions{WildcardStar::LastOccurrence, WildcardCase::AsciiLetters};

// Each case below is one where the two rules answer differently; a matcher that ignored
// its rules would get one side wrong.
TEST(MatchWildcard, StarRulesDifferWhereOnlyAnEarlierOccurrenceFits) {
  EXPECT_TRUE(MatchWildcard("x1yx2", "*x?y*", Listing));
  EXPECT_FALSE(MatchWildcard("x1yx2", "*x?y*", Extensions));
  EXPECT_TRUE(MatchWildcard("abxcab", "*ab?c*", Listing));
  EXPECT_FALSE(MatchWildcard("abxcab", "*ab?c*", Extensions));
}

TEST(MatchWildcard, StarRulesDifferOnStarsLeftWhenTheNameEnds) {
  EXPECT_TRUE(MatchWildcard("abc", "abc**", Listing));
  EXPECT_FALSE(MatchWildcard("abc", "abc**", Extensions));
  EXPECT_TRUE(MatchWildcard("abc", "abc*", Extensions));
  EXPECT_TRUE(MatchWildcard("", "**", Listing));
  EXPECT_FALSE(MatchWildcard("", "**", Extensions));
}

TEST(MatchWildcard, BothRulesAgreeOnPlainExtensions) {
  for (const WildcardRules rules : {Listing, Extensions}) {
    EXPECT_TRUE(MatchWildcard("/music/Song.MP3", "*.mp3", rules));
    EXPECT_FALSE(MatchWildcard("song.mp3x", "*.mp3", rules));
    EXPECT_FALSE(MatchWildcard("a.mp3.bak", "*.mp?", rules));
    EXPECT_TRUE(MatchWildcard("", "", rules));
    EXPECT_FALSE(MatchWildcard("", "?", rules));
  }
}

TEST(MatchWildcard, CaseRulesDifferOnFullWidthLetters) {
  EXPECT_TRUE(MatchWildcard(Sjis("ＡＢ.txt"), Sjis("ａｂ.TXT"), Listing));
  EXPECT_FALSE(MatchWildcard(Sjis("ＡＢ.txt"), Sjis("ａｂ.TXT"), Extensions));
  // Hiragana and katakana stay different under both.
  EXPECT_FALSE(MatchWildcard(Sjis("あ.txt"), Sjis("ア.txt"), Listing));
  EXPECT_FALSE(MatchWildcard(Sjis("あ.txt"), Sjis("ア.txt"), Extensions));
}

TEST(MatchWildcard, TrailBytesAreNeitherWildcardsLettersNorBackslashes) {
  for (const WildcardRules rules : {Listing, Extensions}) {
    // ソ is 83 5C, ー is 81 5B; 83 61 and 83 41 are two katakana, not "a" and "A".
    EXPECT_FALSE(MatchWildcard("\x83\x5Cx", "*\\x", rules));
    EXPECT_TRUE(MatchWildcard("\x83\x5C\\x", "*\\x", rules));
    EXPECT_FALSE(MatchWildcard("\x83\x61", "\x83\x41", rules));
    EXPECT_TRUE(MatchWildcard(Sjis("曲.mp3"), "?.mp3", rules));
    EXPECT_FALSE(MatchWildcard(Sjis("曲.mp3"), "??.mp3", rules));
  }
  // A lead byte followed by 0x2A or 0x3F in a pattern is one character, not a wildcard.
  EXPECT_FALSE(MatchWildcard("\x81x", "\x81*", Extensions));
  EXPECT_FALSE(MatchWildcard("\x81x", "\x81?", Extensions));
}

TEST(WildcardCharacters, OneElementPerCharacterWithAsciiUpperCased) {
  EXPECT_EQ(WildcardCharacters("a\x83\x61Z", WildcardCase::AsciiLetters), (std::u16string{u'A', 0x8361, u'Z'}));
  // A lead byte at the end has no trail byte to pair with.
  EXPECT_EQ(WildcardCharacters("b\x83", WildcardCase::AsciiLetters), (std::u16string{u'B', 0x83}));
  EXPECT_EQ(WildcardCharacters("\xB1", WildcardCase::AsciiLetters), std::u16string(1, 0xB1));
}

}  // namespace
