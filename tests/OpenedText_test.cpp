// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/OpenedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "text/jconvertex.h"

namespace {

using library::OpenedFileText;
using platform::Sjis;
using testing_support::Bytes;

// The UTF-16 form of a UTF-8 text with its byte-order mark.
std::string Utf16WithBom(const std::string& utf8, bool bigEndian) {
  Bytes bytes;
  bigEndian ? bytes.U8(0xFE).U8(0xFF) : bytes.U8(0xFF).U8(0xFE);
  for (char16_t unit : platform::Utf8ToUtf16(utf8)) bigEndian ? bytes.Be16(unit) : bytes.Le16(unit);
  return bytes.str();
}

// Shift_JIS trail bytes 0x5C (ソ, 表) and a wave dash.
const std::string kLyrics = "桜の花が\r\n舞い散る～ソ表\r\n";

TEST(OpenedFileText, EveryEncodingBecomesShiftJis) {
  const std::string expected = Sjis(kLyrics);
  EXPECT_EQ(OpenedFileText(kLyrics, "a.txt"), expected);                     // UTF-8
  EXPECT_EQ(OpenedFileText("\xEF\xBB\xBF" + kLyrics, "a.txt"), expected);    // its signature dropped
  EXPECT_EQ(OpenedFileText(Utf16WithBom(kLyrics, false), "a.txt"), expected);  // no "?" for the mark
  EXPECT_EQ(OpenedFileText(Utf16WithBom(kLyrics, true), "a.txt"), expected);
  EXPECT_EQ(OpenedFileText(expected, "a.txt"), expected);
  EXPECT_EQ(OpenedFileText(SjisToEuc(expected), "a.txt"), expected);
  EXPECT_EQ(OpenedFileText(SjisToJis(expected), "a.txt"), expected);
}

TEST(OpenedFileText, PlainTextAndLineBreaksStayAsTheyAre) {
  EXPECT_EQ(OpenedFileText("", "a.txt"), "");
  EXPECT_EQ(OpenedFileText("one\rtwo\nthree\r\n", "a.txt"), "one\rtwo\nthree\r\n");
  EXPECT_EQ(OpenedFileText(Utf16WithBom("", false), "a.txt"), "");
}

TEST(OpenedFileText, JapaneseAfterALongEnglishVerseIsConverted) {
  const std::string english(700, 'a');
  const std::string japanese = Sjis("日本語の行\r\n");
  EXPECT_EQ(OpenedFileText(english + "\n" + "日本語の行\r\n", "a.txt"), english + "\n" + japanese);
  EXPECT_EQ(OpenedFileText(english + "\n" + SjisToEuc(japanese), "a.txt"), english + "\n" + japanese);
  EXPECT_EQ(OpenedFileText(english + "\n" + japanese, "a.txt"), english + "\n" + japanese);
}

TEST(OpenedFileText, AZeroByteInTheFirst8KiBMarksABinaryFile) {
  const std::string path = Sjis("歌詞/ソ.txt");
  std::string text(library::kBinaryProbeBytes, 'x');
  text[library::kBinaryProbeBytes - 1] = '\0';
  try {
    OpenedFileText(text, path);
    ADD_FAILURE() << "a zero byte at the last probed position was accepted";
  } catch (const platform::Error& error) {
    EXPECT_EQ(std::string(error.what()), Sjis("テキストファイルではないため開けません。\r\n") + path);
  }
  Bytes tag;
  tag.Text("ID3").U8(3).U8(0).U8(0).Fill(100, 0);
  EXPECT_THROW(OpenedFileText(tag.str(), path), platform::Error);
  // UTF-16 without its byte-order mark is not recognised: its zero bytes refuse it.
  Bytes wide;
  wide.Le16('a').Le16('b');
  EXPECT_THROW(OpenedFileText(wide.str(), path), platform::Error);

  // One byte further is beyond the probe.
  text[library::kBinaryProbeBytes - 1] = 'x';
  text += std::string(1, '\0') + "y";
  EXPECT_EQ(OpenedFileText(text, path).substr(0, 3), "xxx");
}

TEST(OpenedFileText, Utf16IsNeverTakenForBinary) {
  // Every ASCII character in UTF-16 has a zero byte.
  EXPECT_EQ(OpenedFileText(Utf16WithBom("La la\r\n歌\r\n", false), "a.txt"), Sjis("La la\r\n歌\r\n"));
  EXPECT_EQ(OpenedFileText(Utf16WithBom("La la\r\n歌\r\n", true), "a.txt"), Sjis("La la\r\n歌\r\n"));
}

// What Open reports as not kept: characters a Unicode file has and code page 932 lacks, in
// every Unicode form, and bytes of a Shift_JIS file that are no character.
TEST(OpenTextFile, TellsWhichCharactersWereNotKept) {
  using platform::UnkeptChar;
  const std::string lyrics = "愛\r\nla \xE2\x99\xA1 caf\xC3\xA9\n\xF0\x9F\x98\x80?";  // ♡, é, U+1F600
  const std::vector<UnkeptChar> expected = {{2, 4, 0x2661}, {2, 9, 0xE9}, {3, 1, 0x1F600}};
  for (const std::string& bytes : {lyrics, "\xEF\xBB\xBF" + lyrics, Utf16WithBom(lyrics, false),
                                   Utf16WithBom(lyrics, true)}) {
    const library::OpenedText opened = library::OpenTextFile(bytes, "a.txt");
    EXPECT_EQ(opened.unkept, expected);
    EXPECT_EQ(opened.text, Sjis("愛\r\nla ? caf?\n??"));
  }
  // Nothing lost: Japanese with wave dashes in UTF-8, EUC-JP and Shift_JIS.
  for (const std::string& bytes : {kLyrics, SjisToEuc(Sjis(kLyrics)), Sjis(kLyrics)})
    EXPECT_TRUE(library::OpenTextFile(bytes, "a.txt").unkept.empty());
  // Shift_JIS with an undefined byte (0xA0) on its second line, after a double-byte character.
  const std::string broken = Sjis("歌\r\n愛") + "\xA0" + Sjis("愛");
  EXPECT_EQ(library::OpenTextFile(broken, "a.txt").unkept, (std::vector<UnkeptChar>{{2, 2, 0xFFFD}}));
}

}  // namespace
