// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextCompare.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "platform/CodePage.h"

namespace {

using platform::CaseFold;
using platform::CompareLocale;
using platform::SameTextIgnoringCase;
using platform::Sjis;

TEST(SameTextIgnoringCase, LetterCaseOnly) {
  EXPECT_TRUE(SameTextIgnoringCase("Love-Song", "lOVE-sONG"));
  EXPECT_TRUE(SameTextIgnoringCase("", ""));
  EXPECT_FALSE(SameTextIgnoringCase("abc", "abd"));
  EXPECT_FALSE(SameTextIgnoringCase("abc", "abc "));
  // Full-width letters have case too, but stay apart from half-width ones.
  EXPECT_TRUE(SameTextIgnoringCase(Sjis("ＡＢＣ"), Sjis("ａｂｃ")));
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ＡＢＣ"), "ABC"));
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ａｂｃ"), "abc"));
  // Kana: hiragana/katakana and full/half width are different texts.
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("あ"), Sjis("ア")));
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ア"), Sjis("ｱ")));
  // Greek and Cyrillic rows of the code page.
  EXPECT_TRUE(SameTextIgnoringCase(Sjis("ΑΒΓ"), Sjis("αβγ")));
  EXPECT_TRUE(SameTextIgnoringCase(Sjis("ДЖЁ"), Sjis("джё")));
}

TEST(SameTextIgnoringCase, RomanNumeralsFromBothExtensionRows) {
  // U+2160 (NEC row 13, 87 54) folds to U+2170 (IBM extension FA 40).
  EXPECT_TRUE(SameTextIgnoringCase("\x87\x54", "\xFA\x40"));
  EXPECT_FALSE(SameTextIgnoringCase("\x87\x54", "\x87\x55"));
}

TEST(SameTextIgnoringCase, TrailBytesAreNeverFolded) {
  // "ア" is 83 41: a byte-wise lower-casing would make it 83 61, which is "ヂ".
  EXPECT_EQ(Sjis("ア"), "\x83\x41");
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ア"), "\x83\x61"));
  // 0x5C as a trail byte ("ソ", "表") is part of the character.
  EXPECT_TRUE(SameTextIgnoringCase(Sjis("ソA表"), Sjis("ソa表")));
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ソ"), Sjis("表")));
}

TEST(SameTextIgnoringCase, UndecodableBytesStayDistinct) {
  // Both bytes decode to U+FFFD; as keys they must still differ.
  EXPECT_FALSE(SameTextIgnoringCase("\x80", "\xA0"));
  EXPECT_FALSE(SameTextIgnoringCase("x\xFD", "x\xFE"));
  EXPECT_TRUE(SameTextIgnoringCase("A\x80", "a\x80"));
  // A lead byte at the end, and a lead byte whose next byte is no trail byte.
  EXPECT_TRUE(SameTextIgnoringCase("AB\x81", "ab\x81"));
  EXPECT_FALSE(SameTextIgnoringCase("ab\x81", "ab\x82"));
  EXPECT_FALSE(SameTextIgnoringCase("\x81 a", "\x82 a"));
  EXPECT_TRUE(SameTextIgnoringCase("\x81 A", "\x81 a"));
}

TEST(CaseFold, EqualFoldsExactlyForEqualTexts) {
  EXPECT_EQ(CaseFold("Title-ALBUM"), u"title-album");
  EXPECT_EQ(CaseFold(Sjis("曲Ａ")), u"曲ａ");
  EXPECT_NE(CaseFold("\x80"), CaseFold("\xA0"));
  EXPECT_EQ(CaseFold(""), u"");
}

// The fold of every double-byte character must be ICU's full case folding of its UTF-16 form.
TEST(CaseFold, AgreesWithIcuForEveryDoubleByteCharacter) {
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!platform::IsDBCSLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string wide = platform::Cp932ToUtf16(character);
      if (wide.size() != 1 || wide[0] == u'\uFFFD') continue;
      char16_t folded[8];
      UErrorCode status = U_ZERO_ERROR;
      int32_t length = u_strFoldCase(folded, 8, wide.data(), 1, U_FOLD_CASE_DEFAULT, &status);
      ASSERT_TRUE(U_SUCCESS(status));
      ASSERT_EQ(CaseFold(character), std::u16string(folded, static_cast<std::size_t>(length)))
          << std::hex << lead << " " << trail;
      ++checked;
    }
  }
  EXPECT_GT(checked, 7000);
}

// Lookups by fold keep ASCII names apart from the others: that holds only while no other
// character of the code page folds to ASCII.
TEST(CaseFold, NoCharacterButAsciiFoldsToAscii) {
  const auto hasNonAscii = [](const std::u16string& folded) {
    for (const char16_t unit : folded)
      if (unit >= 0x80) return true;
    return false;
  };
  for (int byte = 0; byte < 0x100; ++byte) {
    const std::string character(1, static_cast<char>(byte));
    EXPECT_EQ(hasNonAscii(CaseFold(character)), byte >= 0x80) << std::hex << byte;
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!platform::IsDBCSLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
      ASSERT_TRUE(hasNonAscii(CaseFold(character))) << std::hex << lead << " " << trail;
    }
  }
}

TEST(CompareLocale, JapaneseLocaleOrder) {
  EXPECT_EQ(CompareLocale("abc", "abc"), 0);
  EXPECT_LT(CompareLocale("a", "b"), 0);
  EXPECT_GT(CompareLocale("b", "a"), 0);
  // Unlike byte order, letters sort before their case variant is considered.
  EXPECT_LT(CompareLocale("a", "B"), 0);
  EXPECT_LT(CompareLocale("apple", "Banana"), 0);
  EXPECT_NE(CompareLocale("a", "A"), 0);  // tertiary strength: case still decides in the end
  EXPECT_LT(CompareLocale(Sjis("あ"), Sjis("い")), 0);
  EXPECT_LT(CompareLocale(Sjis("か"), Sjis("さ")), 0);
  // Equal for the collator at this strength: ordered by code unit, hiragana first.
  EXPECT_LT(CompareLocale(Sjis("あ"), Sjis("ア")), 0);
  EXPECT_LT(CompareLocale("", "a"), 0);
  // Antisymmetric.
  EXPECT_EQ(CompareLocale(Sjis("ア"), Sjis("あ")), -CompareLocale(Sjis("あ"), Sjis("ア")));
}

}  // namespace

namespace {

// A code page 932 text's search fold as UTF-8, for readable expectations.
std::string Fold(const char* utf8) { return platform::Utf16ToUtf8(platform::SearchFold(platform::Sjis(utf8))); }

TEST(SearchFold, IgnoresCaseAndWidthAndTakesHalfWidthKanaAsFullWidth) {
  const std::pair<const char*, const char*> cases[] = {
      {"Best", "best"},
      {"ｂｅｓｔ", "best"},
      {"ＢＥＳＴ　ＯＦ", "best of"},
      {"ｶﾞｸｾｲ", "ガクセイ"},     // the voiced mark joins its kana
      {"ﾊﾟﾝ ﾊﾞﾝﾄﾞ", "パン バンド"},
      {"ﾞｱ", "\xE3\x82\x99ア"},  // a sound mark with nothing before it stays a mark
      {"ソ表ー", "ソ表ー"},        // trail bytes 5C and 5B
      {"①㍻", "1平成"},
      {"ひらがな", "ひらがな"},    // hiragana and katakana stay apart
  };
  for (const auto& [text, folded] : cases) EXPECT_EQ(Fold(text), folded) << text;
  // The table and ICU agree on every double-byte character and on every single byte.
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!platform::IsDBCSLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string wide = platform::Cp932ToUtf16(character);
      if (wide.size() != 1 || wide[0] == u'\uFFFD') continue;
      ASSERT_EQ(platform::SearchFold("x" + character), platform::SearchFoldWide(u"x" + wide)) << lead << " " << trail;
    }
  }
  EXPECT_EQ(platform::SearchFoldWide(u"\uFF42\uFF45\uFF53\uFF54"), u"best");
}

}  // namespace
