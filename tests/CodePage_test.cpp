// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using namespace platform;
using testing_support::Bytes;

namespace {

const std::u16string kFffd = u"\uFFFD";

TEST(Cp932Decode, AsciiAndDoubleByteAndHalfWidthKana) {
  // "A" + あ (82 A0) + ｱ (B1) + 漢 (8A BF) + "z"
  const std::string text = Bytes{'A', 0x82, 0xA0, 0xB1, 0x8A, 0xBF, 'z'};
  EXPECT_EQ(Cp932ToUtf16(text), u"A\u3042\uFF71\u6F22z");
}

TEST(Cp932Decode, TrailByte5CAnd7EStayPartOfTheCharacter) {
  // ソ is 83 5C, 表 is 95 5C, 〜-like 81 7E is ×; the trail byte must not be read as "\" or "~".
  const std::string text = Bytes{0x83, 0x5C, 0x95, 0x5C, 0x81, 0x7E};
  EXPECT_EQ(Cp932ToUtf16(text), u"\u30BD\u8868\u00D7");
}

TEST(Cp932Decode, BackslashAndTildeAreAscii) {
  EXPECT_EQ(Cp932ToUtf16("\\~"), u"\\~");
}

TEST(Cp932Decode, UndefinedSingleBytesBecomeOneReplacementEach) {
  const std::string text = Bytes{'a', 0x80, 'b', 0xA0, 'c', 0xFD, 0xFE, 0xFF, 'd'};
  EXPECT_EQ(Cp932ToUtf16(text), u"a\uFFFDb\uFFFDc\uFFFD\uFFFD\uFFFDd");
}

TEST(Cp932Decode, LeadByteWithoutValidTrailGivesOneReplacementAndGoesOnAtTheNextByte) {
  // 0x82 followed by "A" (0x41 is no valid trail for 0x82's row of kana): one U+FFFD, then "A".
  const std::string text = Bytes{0x82, 0x41, 0x82, 0xA0};
  const std::u16string decoded = Cp932ToUtf16(text);
  EXPECT_EQ(decoded, u"\uFFFDA\u3042");
}

TEST(Cp932Decode, LeadByteAtTheEnd) {
  EXPECT_EQ(Cp932ToUtf16(Bytes{'x', 0x82}.str()), u"x" + kFffd);
  EXPECT_EQ(Cp932ToUtf16(Bytes{0x82, 0xA0, 0xE0}.str()), u"\u3042" + kFffd);
}

TEST(Cp932Decode, StateDoesNotLeakFromOneCallToTheNext) {
  // A call that ends on an incomplete lead byte must not change how the next call starts.
  (void)Cp932ToUtf16(Bytes{0x82}.str());
  EXPECT_EQ(Cp932ToUtf16(Bytes{0xA0, 'a'}.str()), kFffd + u"a");
  EXPECT_EQ(Cp932ToUtf16(Bytes{0x82, 0xA0}.str()), u"\u3042");
}

TEST(Cp932Decode, EmbeddedZeroAndLongText) {
  std::string text(std::string("a\0b", 3));
  EXPECT_EQ(Cp932ToUtf16(text), std::u16string(u"a\0b", 3));
  // Longer than any internal buffer: 3000 × あ.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "\x82\xA0";
  EXPECT_EQ(Cp932ToUtf16(many), std::u16string(3000, u'\u3042'));
}

TEST(Cp932Encode, RoundTripOfJapanese) {
  const std::u16string wide = u"歌詞\u30BD\u8868\uFF71ABC";
  const std::string encoded = Utf16ToCp932(wide);
  EXPECT_EQ(encoded, Bytes({0x89, 0xCC, 0x8E, 0x8C, 0x83, 0x5C, 0x95, 0x5C, 0xB1}).Text("ABC").str());
  EXPECT_EQ(Cp932ToUtf16(encoded), wide);
}

TEST(Cp932Encode, OneWayMappingsOfTheWindowsTable) {
  EXPECT_EQ(Utf16ToCp932(u"\u301C"), "\x81\x60");  // WAVE DASH
  EXPECT_EQ(Utf16ToCp932(u"\uFF5E"), "\x81\x60");  // FULLWIDTH TILDE
  EXPECT_EQ(Utf16ToCp932(u"\u2212"), "\x81\x7C");  // MINUS SIGN
  EXPECT_EQ(Utf16ToCp932(u"\u00A5"), "\x5C");      // YEN SIGN
}

TEST(Cp932Encode, UnencodableCharactersBecomeOneQuestionMarkEach) {
  // é has no code page 932 form; U+1F600 is a surrogate pair and is one character.
  EXPECT_EQ(Utf16ToCp932(u"a\u00E9b"), "a?b");
  EXPECT_EQ(Utf16ToCp932(u"x\U0001F600y"), "x?y");
}

TEST(Cp932Encode, LoneSurrogatesAreOneQuestionMarkEach) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00), char16_t(0xDBFF)};
  EXPECT_EQ(Utf16ToCp932(lone), "a?b??");
  // After a failure the encoder still encodes normally.
  EXPECT_EQ(Utf16ToCp932(u"\u3042"), "\x82\xA0");
}

// Where the characters without a code page 932 form stand: line and column from 1, a
// question mark of the text is no loss, one-way mappings are kept.
TEST(Cp932Unkept, NamesEachLostCharacterWithLineAndColumn) {
  using U = UnkeptChar;
  struct Case {
    std::u16string text;
    std::vector<UnkeptChar> expected;
  };
  const Case cases[] = {
      {u"", {}},
      {u"\u6B4C\u8A5E? \uFF5E\u301C\u2212\u00A5", {}},  // 歌詞, "?", wave dashes, minus, yen
      {u"a\u2661b", {U{1, 2, 0x2661}}},                       // ♡
      {u"x\r\n\u00E9\r\u3094\n?\U0001F600", {U{2, 1, 0xE9}, U{3, 1, 0x3094}, U{4, 2, 0x1F600}}},
      {u"\U0001F600\u2661", {U{1, 1, 0x1F600}, U{1, 2, 0x2661}}},  // a pair is one column
      {std::u16string(1, u'\xD800') + u"a", {U{1, 1, 0xD800}}},      // a lone surrogate
      {u"a" + std::u16string(1, u'\xDC00'), {U{1, 2, 0xDC00}}},
      {u"\n\n\uFFFD", {U{3, 1, 0xFFFD}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Cp932Unkept(c.text), c.expected) << Utf16ToUtf8(c.text);
}

TEST(Utf8Decode, WellFormedSequencesOfEveryLength) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80"), u"a\u00E9\u3042\U0001F600");
  // Limits of each range.
  EXPECT_EQ(Utf8ToUtf16("\xC2\x80\xDF\xBF"), u"\u0080\u07FF");
  EXPECT_EQ(Utf8ToUtf16("\xE0\xA0\x80\xEF\xBF\xBF"), u"\u0800\uFFFF");
  EXPECT_EQ(Utf8ToUtf16("\xED\x9F\xBF\xEE\x80\x80"), u"\uD7FF\uE000");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), u"\U00010000\U0010FFFF");
}

TEST(Utf8Decode, OverlongFormsAreOneReplacementPerByte) {
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xC1\xBF"), kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), kFffd + kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xF0\x8F\xBF\xBF"), kFffd + kFffd + kFffd + kFffd);
}

TEST(Utf8Decode, SurrogatesAndValuesAboveTheLastCodePointAreNotWellFormed) {
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), kFffd + kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xED\xBF\xBF"), kFffd + kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), kFffd + kFffd + kFffd + kFffd);
  EXPECT_EQ(Utf8ToUtf16("\xF5\x80"), kFffd + kFffd);
}

TEST(Utf8Decode, TwoOrThreeByteRuleAcceptsWhatWellFormedRefuses) {
  const auto oldRule = [](std::string_view text, Utf8Malformed malformed = Utf8Malformed::End) {
    return Utf8ToUtf16(text, malformed, Utf8Sequences::TwoOrThreeBytes);
  };
  // Both read ordinary text alike.
  EXPECT_EQ(oldRule("a\xC3\xA9\xE3\x81\x82"), u"a\u00E9\u3042");
  // Overlong forms, surrogates and lead bytes 0x80-0xC1 decode by arithmetic.
  EXPECT_EQ(oldRule("\xC0\x80"), std::u16string(1, u'\0'));
  EXPECT_EQ(oldRule("\xC1\xBF"), u"\u007F");
  EXPECT_EQ(oldRule("\x80\x81"), u"\u0001");
  EXPECT_EQ(oldRule("\xED\xA0\x80"), std::u16string(1, char16_t(0xD800)));
  // A four-byte lead reads three bytes and keeps the low 16 bits; the fourth byte then
  // starts a sequence of its own, here cut short.
  EXPECT_EQ(oldRule("\xF0\x9F\x98\x80"), std::u16string(1, char16_t(0x07D8)));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80", Utf8Malformed::End), u"\U0001F600");
  // Bit 5 decides the length, so E0 80 41 is malformed (41 is no continuation byte).
  EXPECT_EQ(oldRule("x\xE0\x80\x41"), u"x");
  EXPECT_EQ(oldRule("x\xE0\x80\x41", Utf8Malformed::Replace), u"x\uFFFD\uFFFDA");
  EXPECT_EQ(oldRule("ab\xC3"), u"ab");
}

TEST(Utf8Decode, TruncatedSequenceResumesAtTheNextByte) {
  // E3 81 followed by "A": two replacements then "A"; a cut sequence at the end likewise.
  EXPECT_EQ(Utf8ToUtf16("\xE3\x81" "A"), kFffd + kFffd + u"A");
  EXPECT_EQ(Utf8ToUtf16("ok\xF0\x9F\x98"), u"ok" + kFffd + kFffd + kFffd);
  // A stray continuation byte, then a lead byte whose next byte begins a valid sequence.
  EXPECT_EQ(Utf8ToUtf16("\x80\xC3\xC3\xA9"), kFffd + kFffd + u"\u00E9");
}

TEST(Utf8Encode, EveryLengthAndLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"a\u00E9\u3042\U0001F600"), "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
  const std::u16string lone = {char16_t(0xDC00), u'x', char16_t(0xD83D)};
  EXPECT_EQ(Utf16ToUtf8(lone), "\xEF\xBF\xBDx\xEF\xBF\xBD");
  // Reversed pair: two lone surrogates.
  const std::u16string reversed = {char16_t(0xDE00), char16_t(0xD83D)};
  EXPECT_EQ(Utf16ToUtf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Shortcuts, Cp932AndUtf8BothWays) {
  EXPECT_EQ(Cp932ToUtf8("\x89\xCC\x8E\x8C"), "歌詞");
  EXPECT_EQ(Utf8ToCp932("歌詞"), "\x89\xCC\x8E\x8C");
  EXPECT_EQ(Sjis("キーが見つかりません。"), Utf8ToCp932("キーが見つかりません。"));
  EXPECT_EQ(Cp932ToUtf8(Sjis("表示")), "表示");
}

TEST(DbcsHelpers, LeadByteRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsDBCSLeadByte(static_cast<unsigned char>(b)), expected) << b;
  }
}

TEST(DbcsHelpers, CharNextStepsOverDoubleByteCharactersAndNeverPastTheEnd) {
  // "a" ソ(83 5C) ｱ(B1) then a lone lead byte at the end.
  const std::string text = Bytes{'a', 0x83, 0x5C, 0xB1, 0x82};
  EXPECT_EQ(CharNext(text, 0), 1u);
  EXPECT_EQ(CharNext(text, 1), 3u);
  EXPECT_EQ(CharNext(text, 3), 4u);
  EXPECT_EQ(CharNext(text, 4), 5u);
  EXPECT_EQ(CharNext(text, 5), 5u);
  EXPECT_EQ(CharNext(text, 99), 5u);
  EXPECT_EQ(CharNext("", 0), 0u);
}

TEST(DbcsHelpers, CharPrevWalksFromTheStartSoTrailBytesAreNotTakenForLeads) {
  // 83 83 is ャ; its trail byte 0x83 is also a lead byte value, so walking backwards byte
  // by byte would misplace the boundary.
  const std::string text = Bytes{0x83, 0x83, 0x83, 0x83, 'x'};
  EXPECT_EQ(CharPrev(text, 5), 4u);
  EXPECT_EQ(CharPrev(text, 4), 2u);
  EXPECT_EQ(CharPrev(text, 2), 0u);
  EXPECT_EQ(CharPrev(text, 0), 0u);
  // A position inside a character gives the start of that character.
  EXPECT_EQ(CharPrev(text, 3), 2u);
  EXPECT_EQ(CharPrev(text, 99), 4u);
}

TEST(DbcsHelpers, UpperAsciiLeavesTrailBytesAlone) {
  // 82 61 is Ｂ (full-width), its trail byte is "a"; 82 81 is ａ.
  const std::string text = Bytes{'a', 'z', '{', '`', 0x82, 0x61, 0x82, 0x81, 'q'};
  EXPECT_EQ(UpperAscii(text), Bytes({'A', 'Z', '{', '`', 0x82, 0x61, 0x82, 0x81, 'Q'}).str());
  EXPECT_EQ(UpperAsciiChar('m'), 'M');
  EXPECT_EQ(UpperAsciiChar('M'), 'M');
  EXPECT_EQ(UpperAsciiChar('\xE9'), '\xE9');
}

TEST(Utf8ToUtf16, EndingAtTheFirstMalformedSequenceInsteadOfReplacingIt) {
  EXPECT_EQ(Utf8ToUtf16("a\xE3\x81\x82" "b", Utf8Malformed::End), u"a\u3042b");
  EXPECT_EQ(Utf8ToUtf16("ab\xE3\x81", Utf8Malformed::End), u"ab");       // cut inside a character
  EXPECT_EQ(Utf8ToUtf16("ab\xE3\x81", Utf8Malformed::Replace), u"ab\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("a\xC0\xAFz", Utf8Malformed::End), u"a");         // overlong
  EXPECT_EQ(Utf8ToUtf16("a\xED\xA0\x80z", Utf8Malformed::End), u"a");    // surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80!", Utf8Malformed::End), u"\U0001F600!");
  EXPECT_EQ(Utf8ToUtf16("\x80", Utf8Malformed::End), u"");
}

TEST(SameTextIgnoringAsciiCase, LettersOnlyAndNeverTrailBytes) {
  EXPECT_TRUE(SameTextIgnoringAsciiCase("Title", "TITLE"));
  EXPECT_TRUE(SameTextIgnoringAsciiCase("wm/Title", "WM/TITLE"));
  EXPECT_TRUE(SameTextIgnoringAsciiCase("", ""));
  EXPECT_FALSE(SameTextIgnoringAsciiCase("Title", "Titles"));
  EXPECT_FALSE(SameTextIgnoringAsciiCase("Titl", "Title"));
  // 0x83 0x61 and 0x83 0x41 are two different double-byte characters.
  EXPECT_FALSE(SameTextIgnoringAsciiCase("\x83\x61", "\x83\x41"));
  EXPECT_TRUE(SameTextIgnoringAsciiCase("a\x83\x61" "b", "A\x83\x61" "B"));
  EXPECT_FALSE(SameTextIgnoringAsciiCase("a\x83\x61" "b", "A\x83\x62" "B"));
  EXPECT_FALSE(SameTextIgnoringAsciiCase("\xE9", "\xC9"));  // no case outside ASCII
}

// Conversions that stop at a byte or character the code page refuses reset their converter;
// threads converting at once must not see each other's state.
TEST(CodePage, ThreadsConvertAtOnceWithoutDisturbingEachOther) {
  const std::string cp932 = Sjis("夜に駆ける") + "\x81\xFF" + Sjis("表示") + "\xA0";
  const std::string utf8 = "Zoë ♡ 表示 \xFF ok";
  const std::string expectedUtf8 = Cp932ToUtf8(cp932);
  const std::string expectedCp932 = Utf8ToCp932(utf8);
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < wrong.size(); ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i)
        wrong[t] += (Cp932ToUtf8(cp932) != expectedUtf8) + (Utf8ToCp932(utf8) != expectedCp932);
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
  EXPECT_NE(expectedUtf8.find("表示"), std::string::npos);
}

}  // namespace
