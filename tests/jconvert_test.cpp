// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/jconvert.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

using testing_support::Bytes;

namespace {

TextCode Detect(const std::string& text) { return DetectTextCode(text); }

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out.append(piece);
  return out;
}

TEST(DetectTextCode, WorkedExamples) {
  EXPECT_EQ(Detect(Bytes{0x82, 0xA0, 0x82, 0xA2, 0x82, 0xA4}), jcSJIS);
  // EUC-JP あいう: decided by its last byte A6, a byte in A1..DF with nothing after it.
  EXPECT_EQ(Detect(Bytes{0xA4, 0xA2, 0xA4, 0xA4, 0xA4, 0xA6}), jcSJIS);
  // EUC-JP 漢字テスト wins on score (the UTF-8 walks on C1 and C8 go nowhere).
  EXPECT_EQ(Detect(Bytes{0xB4, 0xC1, 0xBB, 0xFA, 0xA5, 0xC6, 0xA5, 0xB9, 0xA5, 0xC8}), jcEUC);
  EXPECT_EQ(Detect(Bytes{0xE3, 0x81, 0x82, 0xE3, 0x81, 0x84, 0xE3, 0x81, 0x86}), jcUTF8);
  EXPECT_EQ(Detect(Bytes{0xEF, 0xBB, 0xBF, 0xE3, 0x81, 0x82, 0xE3, 0x81, 0x84, 0xE3, 0x81, 0x86}),
            jcUTF8BOM);
  EXPECT_EQ(Detect(Bytes{0x1B, 0x24, 0x42, 0x24, 0x22, 0x24, 0x24, 0x24, 0x26, 0x1B, 0x28, 0x42}),
            jcJIS);
  EXPECT_EQ(Detect(Bytes{0xB1, 0xB2, 0xB3}), jcSJIS);
  EXPECT_EQ(Detect(Bytes{0x63, 0x61, 0x66, 0xC3, 0xA9}), jcUTF8);
}

TEST(DetectTextCode, EmptyAsciiAndSpaces) {
  EXPECT_EQ(DetectTextCode(""), jcUnknown);
  EXPECT_EQ(DetectTextCode("Lyrics!"), jcASCII);
  // A space fails the printable test; nothing raises a score.
  EXPECT_EQ(DetectTextCode("two words\r\n"), jcASCII);
  EXPECT_EQ(DetectTextCode(std::string("\0", 1)), jcASCII);
}

TEST(DetectTextCode, ByteOrderMarksWinOverEverythingAfterThem) {
  EXPECT_EQ(Detect(Bytes{0xFF, 0xFE, 0x82, 0xA0}), jcUTF16LE);
  EXPECT_EQ(Detect(Bytes{0xFE, 0xFF, 0x1B, 0x24, 0x42, 0x21}), jcUTF16BE);
  EXPECT_EQ(Detect(Bytes{0xFF, 0xFE}), jcUTF16LE);
  // A mark that is not at the very start is just bytes.
  EXPECT_NE(Detect(Bytes{' ', 0xFF, 0xFE}), jcUTF16LE);
}

TEST(DetectTextCode, EscapeSequences) {
  EXPECT_EQ(Detect(Bytes{0x1B, '$', 'B', 0x30}), jcJIS);
  EXPECT_EQ(Detect(Bytes{0x1B, '$', '@', 0x30}), jcJIS2);
  EXPECT_EQ(Detect(Bytes{0x1B, '&', '@', 0x30}), jcJIS);
  EXPECT_EQ(Detect(Bytes{0x1B, '(', 'J', 0x30}), jcJIS2);
  // Another second byte returns what is provisional: nothing yet, or EUC after an EUC byte.
  EXPECT_EQ(Detect(Bytes{0x1B, 'K', 'x', 'y'}), jcUnknown);
  EXPECT_EQ(Detect(Bytes{0xB4, 0x30, 0x1B, 'K', 'x', 'y'}), jcEUC);
}

TEST(DetectTextCode, EscapeInTheLastThreeBytesIsNotTested) {
  // Exactly three bytes from ESC to the end: no escape test, and nothing scores.
  EXPECT_EQ(Detect(Bytes{0x1B, '$', 'B'}), jcASCII);
  EXPECT_EQ(Detect(Bytes{' ', 0x1B, '$', 'B'}), jcASCII);
  EXPECT_EQ(Detect(Bytes{' ', 0x1B, '$', 'B', '!'}), jcJIS);
}

TEST(DetectTextCode, ShiftJisLeadByteDecidesAtOnce) {
  EXPECT_EQ(Detect(Bytes{' ', 0x81, 0x40}), jcSJIS);
  EXPECT_EQ(Detect(Bytes{' ', 0x9F, 0xFC}), jcSJIS);
  // ソ and 表 have the trail byte 0x5C ("\").
  EXPECT_EQ(Detect(Bytes{'a', 0x83, 0x5C, 0x95, 0x5C}), jcSJIS);
  // EUC half-width katakana start with 0x8E, so they read as Shift_JIS.
  EXPECT_EQ(Detect(Bytes{'x', ' ', 0x8E, 0xB1, 0x8E, 0xB2}), jcSJIS);
  // A Shift_JIS text whose first byte is a kanji lead in E0..EF scores instead of deciding.
  EXPECT_EQ(Detect(Bytes{0xE0, 0x40, ' '}), jcSJIS);
}

TEST(DetectTextCode, EucThreeByteFormNeedsThreeFollowingBytes) {
  EXPECT_EQ(Detect(Bytes{' ', 0x8F, 0xFD, 0xA1, 'x'}), jcEUC);
  EXPECT_EQ(Detect(Bytes{' ', 0x8F, 0xA1, 0xFE, 'x'}), jcEUC);
  // Only two bytes follow: the EUC test is skipped and 0x8F is a Shift_JIS lead.
  EXPECT_EQ(Detect(Bytes{' ', 0x8F, 0xFD, 0xA1}), jcSJIS);
  // Neither byte is FD or FE.
  EXPECT_EQ(Detect(Bytes{' ', 0x8F, 0xA1, 0xA1, 'x'}), jcSJIS);
}

TEST(DetectTextCode, EucBytesFdAndFeDecide) {
  EXPECT_EQ(Detect(Bytes{' ', 0xFD}), jcEUC);
  // A kana byte followed by FE: the Shift_JIS test itself decides EUC.
  EXPECT_EQ(Detect(Bytes{' ', 0xB1, 0xFE, 'x'}), jcEUC);
}

TEST(DetectTextCode, TiesGoToTheLowerCode) {
  // E0 followed by a space: Shift_JIS and EUC one point each (the UTF-8 walk fails).
  EXPECT_EQ(Detect(Bytes{0xE0, ' ', 'x'}), jcEUC);
  // é then E0 40: UTF-8 two, Shift_JIS two, EUC one.
  EXPECT_EQ(Detect(Bytes{0xC3, 0xA9, 0xE0, 0x40}), jcSJIS);
}

TEST(DetectTextCode, Utf8WalkDetails) {
  // A continuation byte where a character should start sends the walk back; the Shift_JIS
  // test then decides on 0x82.
  EXPECT_EQ(Detect(Bytes{0xC3, 0xA9, 0x82, 0xA0}), jcSJIS);
  // A bad continuation byte zeroes the UTF-8 score gathered so far (eight points here),
  // leaving Shift_JIS two points from E3 41.
  EXPECT_EQ(Detect(Bytes{0xC3, 0xA9, 'a', 'b', 'c', 'd', 'e', 'f', 0xE3, 0x41, 0x41}), jcSJIS);
  // ASCII visited by the walk counts: é a b and the cut E0 give UTF-8 four points against
  // Shift_JIS two; counting only the non-ASCII characters would tie and give Shift_JIS.
  EXPECT_EQ(Detect(Bytes{0xC3, 0xA9, 'a', 'b', 0xE0, 0x40}), jcUTF8);
  // Four- to six-byte forms.
  EXPECT_EQ(Detect(Bytes{' ', 0xF0, 0x9F, 0x98, 0x80}), jcUTF8);
  EXPECT_EQ(Detect(Bytes{' ', 0xFC, 0x80, 0x80, 0x80, 0x80, 0x80}), jcUTF8);
}

TEST(DetectTextCode, SignatureAloneOrBeforeText) {
  // The walk skips the signature and lands past the end: no score at all.
  EXPECT_EQ(Detect(Bytes{0xEF, 0xBB, 0xBF}), jcASCII);
  EXPECT_EQ(Detect(Bytes{0xEF, 0xBB, 0xBF, 'a', 'b'}), jcUTF8BOM);
  EXPECT_EQ(Detect(Bytes{0xEF, 0xBB, 0xBF, 0x82, 0xA0}), jcSJIS);
}

TEST(DetectTextCode, NeverReadsBeyondTheText) {
  // The view ends inside a UTF-8 character whose rest lies in memory after it; reading on
  // would complete the character and call it UTF-8.
  const std::string buffer = "\xE3\x81\x82\xE3\x81\x84";
  EXPECT_EQ(DetectTextCode(std::string_view(buffer).substr(0, 2)), jcSJIS);
  // The same with a three-byte EUC form whose last byte is outside the view.
  const std::string euc = Bytes{' ', 0x8F, 0xFD, 0xA1, 'x'};
  EXPECT_EQ(DetectTextCode(std::string_view(euc).substr(0, 4)), jcSJIS);
  // The walk on a lead at the very end steps two past the end; the rest reads as zero.
  const std::string lead = Bytes{' ', 'x', 0xC3, 0xA1, 0xA1};
  EXPECT_EQ(DetectTextCode(std::string_view(lead).substr(0, 3)), jcUTF8);
}

TEST(DetectTextCode, OnlyTheFirst512BytesCount) {
  // 512 letters decide ASCII whatever follows.
  EXPECT_EQ(DetectTextCode(Repeat("a", 512) + "\x82\xA0"), jcASCII);
  EXPECT_EQ(DetectTextCode(Repeat("a", 511) + "\x82\xA0"), jcSJIS);
  // With spaces the loop runs: a Japanese byte at 513 is never reached.
  EXPECT_EQ(DetectTextCode(Repeat(" ", 512) + "\x82\xA0"), jcASCII);
  EXPECT_EQ(DetectTextCode(Repeat(" ", 511) + "\x82\xA0"), jcSJIS);
}

TEST(DetectTextCode, TestsAtTheLastPositionMayLookOneByteFurther) {
  // A4 at 512 sees A2 at 513 (EUC points); position 513 itself is never tested, where A2
  // as a last byte would decide Shift_JIS.
  EXPECT_EQ(DetectTextCode(Repeat(" ", 511) + "\xA4\xA2"), jcEUC);
  EXPECT_EQ(DetectTextCode(Repeat(" ", 510) + "\xA4\xA2"), jcSJIS);
}

TEST(DetectTextCode, LongUtf8TextWalksToTheLimit) {
  // 200 × あ is 600 bytes; the walk stops at the limit and UTF-8 wins on score.
  EXPECT_EQ(DetectTextCode(Repeat("\xE3\x81\x82", 200)), jcUTF8);
  EXPECT_EQ(DetectTextCode("\xEF\xBB\xBF" + Repeat("\xE3\x81\x82", 200)), jcUTF8BOM);
  // A bad sequence beyond the limit is never seen.
  EXPECT_EQ(DetectTextCode(Repeat("\xE3\x81\x82", 171) + "\xE3\x41\x41"), jcUTF8);
}

TEST(FirstNonAsciiOrEscape, FindsTheFirstHighByteOrEscape) {
  EXPECT_EQ(FirstNonAsciiOrEscape(""), 0u);
  EXPECT_EQ(FirstNonAsciiOrEscape("plain text\r\n\x7F"), 13u);  // DEL is still ASCII: none found
  EXPECT_EQ(FirstNonAsciiOrEscape("ab\x80\x1B"), 2u);
  EXPECT_EQ(FirstNonAsciiOrEscape("ab\x1B\x80"), 2u);
  EXPECT_EQ(FirstNonAsciiOrEscape("\xFF"), 0u);  // a byte that is negative as a char
  EXPECT_EQ(FirstNonAsciiOrEscape(std::string("a\0b\x1A\x1C", 5)), 5u);
}

TEST(DetectTextCodeBeyondAscii, JapaneseAfterTheDetectionLimitIsFound) {
  const std::string english = Repeat("an English verse\r\n", 40);  // 720 bytes
  ASSERT_GT(english.size(), static_cast<std::size_t>(DetectLimit));
  const std::pair<std::string, TextCode> cases[] = {
      {"\x82\xA0\x82\xA2\x82\xA4", jcSJIS},
      {"\xB4\xC1\xBB\xFA\xA5\xC6\xA5\xB9\xA5\xC8", jcEUC},
      {"\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86", jcUTF8},
      {"\x1B$B$\"$$$&\x1B(B", jcJIS},
  };
  for (const auto& [japanese, code] : cases) {
    EXPECT_EQ(DetectTextCode(english + japanese), jcASCII);
    EXPECT_EQ(DetectTextCodeBeyondAscii(english + japanese), code) << static_cast<int>(code);
    // Shorter English changes nothing.
    EXPECT_EQ(DetectTextCodeBeyondAscii("La la\r\n" + japanese), code) << static_cast<int>(code);
  }
}

TEST(DetectTextCodeBeyondAscii, JudgedAgainFromTheVeryFirstHighByte) {
  // Judged from one byte later, "81 82 E3 81 84" reads as Shift_JIS.
  EXPECT_EQ(DetectTextCodeBeyondAscii(Repeat("a", 600) + "\xE3\x81\x82\xE3\x81\x84"), jcUTF8);
  // The second look again sees only DetectLimit bytes: UTF-8 that goes bad after them counts.
  EXPECT_EQ(DetectTextCodeBeyondAscii(Repeat("a", 600) + Repeat("\xE3\x81\x82", 171) + "\xE3\x41\x41"), jcUTF8);
}

TEST(DetectTextCodeBeyondAscii, ADecidedOrPlainTextKeepsItsCode) {
  EXPECT_EQ(DetectTextCodeBeyondAscii(""), jcUnknown);
  EXPECT_EQ(DetectTextCodeBeyondAscii(Repeat("words and spaces ", 100)), jcASCII);
  // Decided by the leading bytes: what follows is not looked at.
  EXPECT_EQ(DetectTextCodeBeyondAscii("\x82\xA0 " + Repeat("a", 600) + "\xE3\x81\x82\xE3\x81\x84"), jcSJIS);
  EXPECT_EQ(DetectTextCodeBeyondAscii("\xFF\xFE" + Repeat(std::string_view("a\0", 2), 300) + "\x42\x30"), jcUTF16LE);
  // An undecided escape at the very start stays undecided.
  EXPECT_EQ(DetectTextCodeBeyondAscii("\x1BKxy"), jcUnknown);
  // An undecided escape later is judged on its own: still undecided.
  EXPECT_EQ(DetectTextCodeBeyondAscii(Repeat("a", 600) + "\x1BKxy"), jcUnknown);
}

}  // namespace
