// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/jconvertex.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/CodePage.h"

using testing_support::Bytes;

namespace {

const std::string kToTwoByte = "\x1B$B";
const std::string kToSingleByte = "\x1B(J";

std::string PairBytes(TJisPair pair) {
  return {static_cast<char>(pair.first), static_cast<char>(pair.second)};
}

TEST(CharArithmetic, JisAndShiftJisOfOneCharacter) {
  EXPECT_EQ(JisToSjisChar(0x30, 0x21), (TJisPair{0x88, 0x9F}));  // 亜
  EXPECT_EQ(SjisToJisChar(0x88, 0x9F), (TJisPair{0x30, 0x21}));
  // Odd row, both branches of the cell: あ 24 22 <-> 82 A0, ソ 25 3D <-> 83 5C, ー 21 3C <-> 81 5B.
  EXPECT_EQ(JisToSjisChar(0x24, 0x22), (TJisPair{0x82, 0xA0}));
  EXPECT_EQ(JisToSjisChar(0x25, 0x3D), (TJisPair{0x83, 0x5C}));
  EXPECT_EQ(SjisToJisChar(0x83, 0x5C), (TJisPair{0x25, 0x3D}));
  EXPECT_EQ(JisToSjisChar(0x21, 0x60), (TJisPair{0x81, 0x80}));  // ÷: cell above 0x5F
  EXPECT_EQ(SjisToJisChar(0x81, 0x80), (TJisPair{0x21, 0x60}));
  EXPECT_EQ(SjisToJisChar(0x81, 0x7E), (TJisPair{0x21, 0x5F}));
  // Rows above 0x5E use the E0.. lead bytes: 堯 (JIS 5F 21) is E0 40.
  EXPECT_EQ(JisToSjisChar(0x5F, 0x21), (TJisPair{0xE0, 0x40}));
  EXPECT_EQ(SjisToJisChar(0xE0, 0x40), (TJisPair{0x5F, 0x21}));
  EXPECT_EQ(JisToSjisChar(0x5E, 0x7E), (TJisPair{0x9F, 0xFC}));
}

TEST(CharArithmetic, EveryJisX0208CellRoundTrips) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const TJisPair sjis = JisToSjisChar(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
      ASSERT_EQ(SjisToJisChar(sjis.first, sjis.second),
                (TJisPair{static_cast<unsigned char>(j1), static_cast<unsigned char>(j2)}))
          << j1 << " " << j2;
    }
  }
}

TEST(HalfWidthKana, EveryTableEntryIsTheFullWidthForm) {
  const std::u16string expected =
      u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
      u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
  ASSERT_EQ(expected.size(), 63u);
  for (int kana = 0xA1; kana <= 0xDF; ++kana) {
    const std::string text(1, static_cast<char>(kana));
    std::size_t pos = 0;
    const TJisPair jis = SjisKanaToJis(text, pos);
    EXPECT_EQ(pos, 1u);
    const TJisPair sjis = JisToSjisChar(jis.first, jis.second);
    EXPECT_EQ(platform::Cp932ToUtf16(PairBytes(sjis)), std::u16string(1, expected[kana - 0xA1])) << kana;
  }
}

TEST(HalfWidthKana, SoundMarksAreAbsorbedOnlyWhereTheyCombine) {
  struct Case {
    std::string text;
    TJisPair pair;
    std::size_t consumed;
  };
  const Case cases[] = {
      {"\xB3\xDE", {0x25, 0x74}, 2},  // ｳﾞ -> ヴ
      {"\xB6\xDE", {0x25, 0x2C}, 2},  // ｶﾞ -> ガ (first of the range)
      {"\xC4\xDE", {0x25, 0x49}, 2},  // ﾄﾞ -> ド (last of the range)
      {"\xC5\xDE", {0x25, 0x4A}, 1},  // ﾅ takes no mark
      {"\xB5\xDE", {0x25, 0x2A}, 1},  // ｵ takes no mark
      {"\xCA\xDE", {0x25, 0x50}, 2},  // ﾊﾞ -> バ
      {"\xCA\xDF", {0x25, 0x51}, 2},  // ﾊﾟ -> パ
      {"\xCE\xDF", {0x25, 0x5D}, 2},  // ﾎﾟ -> ポ
      {"\xC9\xDE", {0x25, 0x4E}, 1},  // ﾉ takes no mark
      {"\xCF\xDF", {0x25, 0x5E}, 1},  // ﾏ takes no mark
      {"\xB6\xDF", {0x25, 0x2B}, 1},  // ｶ takes no semi-voiced mark
      {"\xDE\xDE", {0x21, 0x2B}, 1},  // a mark does not absorb a mark
      {"\xB6", {0x25, 0x2B}, 1},      // nothing follows
  };
  for (const Case& c : cases) {
    std::size_t pos = 0;
    EXPECT_EQ(SjisKanaToJis(c.text, pos), c.pair) << c.text;
    EXPECT_EQ(pos, c.consumed) << c.text;
  }
}

TEST(HalfWidthKana, EucFormsWithTheirPrefixes) {
  const std::string text = Bytes({'x', 0x8E, 0xCA, 0x8E, 0xDF, 0x8E, 0xB6, 0x8E}).str();
  std::size_t pos = 1;
  EXPECT_EQ(EucKanaToJis(text, pos), (TJisPair{0x25, 0x51}));  // ﾊﾟ -> パ
  EXPECT_EQ(pos, 5u);
  // ｶ followed by a lone 0x8E at the end: no mark.
  EXPECT_EQ(EucKanaToJis(text, pos), (TJisPair{0x25, 0x2B}));
  EXPECT_EQ(pos, 7u);
  // A 0x8E at the very end takes only itself.
  EXPECT_EQ(EucKanaToJis(text, pos), (TJisPair{0x22, 0x2E}));
  EXPECT_EQ(pos, 8u);
}

TEST(SjisToJis, KanaWithMarkAndClosingEscape) {
  EXPECT_EQ(SjisToJis("\xB6\xDE"), kToTwoByte + "\x25\x2C" + kToSingleByte);
  EXPECT_EQ(SjisToJis("abc"), "abc");
  EXPECT_EQ(SjisToJis(""), "");
}

TEST(SjisToJis, SwitchesBackBeforeEveryLineBreak) {
  const std::string sjis = "a\x82\xA0\r\n\x82\xA2\nb\x83\x5C";
  const std::string expected = "a" + kToTwoByte + "\x24\x22" + kToSingleByte + "\r\n" + kToTwoByte +
                               "\x24\x24" + kToSingleByte + "\nb" + kToTwoByte + "\x25\x3D" + kToSingleByte;
  EXPECT_EQ(SjisToJis(sjis), expected);
}

TEST(SjisToJis, LeadByteAtTheEndIsPairedWithZero) {
  const TJisPair pair = SjisToJisChar(0x82, 0x00);
  EXPECT_EQ(SjisToJis("\x82"), kToTwoByte + PairBytes(pair) +
                                   kToSingleByte);
}

TEST(EucToJis, NoClosingEscapeAtTheEnd) {
  EXPECT_EQ(EucToJis(Bytes({0x8E, 0xB6, 0x8E, 0xDE}).str()), kToTwoByte + "\x25\x2C");
  EXPECT_EQ(EucToJis(Bytes({0xA4, 0xA2, 'x', 0xB0, 0xA1, '\n'}).str()),
            kToTwoByte + "\x24\x22" + kToSingleByte + "x" + kToTwoByte + "\x30\x21" + kToSingleByte + "\n");
}

TEST(EucToJis, PrefixBeforeANonKanaByteGivesTheStandInAndKeepsTheByte) {
  EXPECT_EQ(EucToJis(Bytes({0x8E, 'A'}).str()), kToTwoByte + "\x22\x2E" + kToSingleByte + "A");
}

TEST(JisToEuc, EscapesSelectTheModeAndProduceNothing) {
  const std::string jis = "a" + kToTwoByte + "\x24\x22\x30\x21" + "\x1B(B" + "b\r\n";
  EXPECT_EQ(JisToEuc(jis), Bytes({'a', 0xA4, 0xA2, 0xB0, 0xA1, 'b', '\r', '\n'}).str());
  // Line breaks in two-byte mode stay as they are; another escape leaves the mode alone.
  EXPECT_EQ(JisToEuc(kToTwoByte + "\r\x24\x22\x1BK@\x24\x24"), Bytes({'\r', 0xA4, 0xA2, 0xA4, 0xA4}).str());
  // ESC ( I is single-byte: the bytes after it are copied.
  EXPECT_EQ(JisToEuc("\x1B(I\x31"), "\x31");
  // An escape cut by the end of the text.
  EXPECT_EQ(JisToEuc("a\x1B$"), "a");
  EXPECT_EQ(JisToEuc("a\x1B"), "a");
}

TEST(JisToSjis, EscapesAndPairs) {
  const std::string jis = "x" + kToTwoByte + "\x30\x21\x25\x3D" + "\x1B(B" + "y";
  EXPECT_EQ(JisToSjis(jis), "x\x88\x9F\x83\x5Cy");
  // Another escape: only ESC is dropped and the next byte is text.
  EXPECT_EQ(JisToSjis("a\x1BKb"), "aKb");
  // In two-byte mode a line break is not special: it pairs with the next byte.
  const TJisPair pair = JisToSjisChar('\r', '\n');
  EXPECT_EQ(JisToSjis(kToTwoByte + "\r\n"), PairBytes(pair));
  // A first byte at the end pairs with a zero byte.
  const TJisPair last = JisToSjisChar(0x30, 0x00);
  EXPECT_EQ(JisToSjis(kToTwoByte + "\x30"), PairBytes(last));
  EXPECT_EQ(JisToSjis("a\x1B"), "a");
}

TEST(EucAndSjis, BothDirections) {
  // ｱ, 亜, ASCII, 0x80 and 0xFF pass, ソ.
  EXPECT_EQ(EucToSjis(Bytes({0x8E, 0xB1, 0xB0, 0xA1, 'A', 0x80, 0xFF, 0xA5, 0xBD}).str()),
            Bytes({0xB1, 0x88, 0x9F, 'A', 0x80, 0xFF, 0x83, 0x5C}).str());
  EXPECT_EQ(SjisToEuc(Bytes({0xB1, 0x88, 0x9F, 'A', 0x83, 0x5C, 0xE0, 0x40}).str()),
            Bytes({0x8E, 0xB1, 0xB0, 0xA1, 'A', 0xA5, 0xBD, 0xDF, 0xA1}).str());
  // 漢字テスト round trip.
  const std::string sjis = platform::Utf8ToCp932("漢字テスト");
  EXPECT_EQ(SjisToEuc(sjis), Bytes({0xB4, 0xC1, 0xBB, 0xFA, 0xA5, 0xC6, 0xA5, 0xB9, 0xA5, 0xC8}).str());
  EXPECT_EQ(EucToSjis(SjisToEuc(sjis)), sjis);
  EXPECT_EQ(JisToSjis(SjisToJis(sjis)), sjis);
  EXPECT_EQ(JisToEuc(EucToJis(SjisToEuc(sjis))), SjisToEuc(sjis));
}

TEST(ConvertTextCode, AutoDetectedUtf8AndShiftJisTitles) {
  const std::string utf8 = "歌詞テスト";
  const std::string sjis = platform::Utf8ToCp932(utf8);
  EXPECT_EQ(ConvertTextCode(utf8, jcSJIS, jcAuto), sjis);
  EXPECT_EQ(ConvertTextCode(sjis, jcSJIS, jcAuto), sjis);
  EXPECT_EQ(ConvertTextCode("Plain Title", jcSJIS, jcAuto), "Plain Title");
  EXPECT_EQ(ConvertTextCode("", jcUTF16LE, jcAuto), "");
  // Any negative source means detect.
  EXPECT_EQ(ConvertTextCode(utf8, jcSJIS, -7), sjis);
}

TEST(ConvertTextCode, UnchangedCases) {
  const std::string sjis = "\x82\xA0";
  EXPECT_EQ(ConvertTextCode(sjis, jcUTF8, jcASCII), sjis);
  EXPECT_EQ(ConvertTextCode(sjis, jcUTF8, jcUnknown), sjis);
  EXPECT_EQ(ConvertTextCode(sjis, jcUTF8, jcPass), sjis);
  EXPECT_EQ(ConvertTextCode(sjis, jcUTF8, 42), sjis);
  for (TextCode target : {jcASCII, jcUnknown, jcJIS2, jcPass, 11, -1})
    EXPECT_EQ(ConvertTextCode(sjis, target, jcSJIS), sjis) << target;
  const std::string jis = kToTwoByte + "\x24\x22";
  EXPECT_EQ(ConvertTextCode(jis, jcJIS, jcJIS2), jis);
}

TEST(ConvertTextCode, ByteLevelEntries) {
  const std::string sjis = "\x82\xA0";
  const std::string euc = "\xA4\xA2";
  const std::string jisOpen = kToTwoByte + "\x24\x22";
  EXPECT_EQ(ConvertTextCode(sjis, jcJIS, jcSJIS), jisOpen + kToSingleByte);
  // From EUC straight through EucToJis: no closing escape.
  EXPECT_EQ(ConvertTextCode(euc, jcJIS, jcEUC), jisOpen);
  EXPECT_EQ(ConvertTextCode(jisOpen, jcEUC, jcJIS), euc);
  EXPECT_EQ(ConvertTextCode(jisOpen, jcEUC, jcJIS2), euc);
  EXPECT_EQ(ConvertTextCode(sjis, jcEUC, jcSJIS), euc);
  EXPECT_EQ(ConvertTextCode(jisOpen, jcSJIS, jcJIS), sjis);
  EXPECT_EQ(ConvertTextCode(euc, jcSJIS, jcEUC), sjis);
}

TEST(ConvertTextCode, UnicodeEntriesGoThroughShiftJis) {
  const std::string utf8 = "\xE3\x81\x82";
  const std::string le = "\xFF\xFE\x42\x30";
  const std::string be = "\xFE\xFF\x30\x42";
  EXPECT_EQ(ConvertTextCode(utf8, jcJIS, jcUTF8), kToTwoByte + "\x24\x22" + kToSingleByte);
  EXPECT_EQ(ConvertTextCode(utf8, jcEUC, jcUTF8), "\xA4\xA2");
  EXPECT_EQ(ConvertTextCode("\x82\xA0", jcUTF16LE, jcSJIS), le);
  EXPECT_EQ(ConvertTextCode("\x82\xA0", jcUTF16BE, jcSJIS), be);
  EXPECT_EQ(ConvertTextCode("\xA4\xA2", jcUTF8, jcEUC), utf8);
  EXPECT_EQ(ConvertTextCode(kToTwoByte + "\x24\x22", jcUTF8BOM, jcJIS), "\xEF\xBB\xBF" + utf8);
  // The mark of UTF-16 input is converted like a character: it has no code page 932 form.
  EXPECT_EQ(ConvertTextCode(le, jcSJIS, jcAuto), "?\x82\xA0");
  EXPECT_EQ(ConvertTextCode(be, jcUTF16LE, jcAuto), std::string("\xFF\xFE?\x00\x42\x30", 6));
  EXPECT_EQ(ConvertTextCode("\xEF\xBB\xBF" + utf8, jcSJIS, jcAuto), "\x82\xA0");
}

TEST(ConvertTextCode, OddEntriesOfTheTable) {
  const std::string signed8 = "\xEF\xBB\xBF\xE3\x81\x82";
  // UTF-8 to UTF-16LE reads the input as possibly signed; to UTF-16BE it does not.
  EXPECT_EQ(ConvertTextCode(signed8, jcUTF16LE, jcUTF8), "\xFF\xFE\x42\x30");
  EXPECT_EQ(ConvertTextCode(signed8, jcUTF16BE, jcUTF8), std::string("\xFE\xFF\x00?\x30\x42", 6));
  // UTF-8 to signed UTF-8 puts the signature in front of whatever is there.
  EXPECT_EQ(ConvertTextCode(signed8, jcUTF8BOM, jcUTF8), "\xEF\xBB\xBF" + signed8);
  // Signed UTF-8 to UTF-8 drops three bytes, signature or not.
  EXPECT_EQ(ConvertTextCode("abcdef", jcUTF8, jcUTF8BOM), "def");
  EXPECT_EQ(ConvertTextCode("ab", jcUTF8, jcUTF8BOM), "");
  EXPECT_EQ(ConvertTextCode(signed8, jcUTF8, jcUTF8BOM), "\xE3\x81\x82");
}

}  // namespace
