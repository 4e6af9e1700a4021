// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PlayerNames.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

using library::NotesFolderName;
using library::NotesPageName;
using library::PlayerSafeName;
using platform::Sjis;

TEST(PlayerSafeName, ReplacesWhatFatRefusesAndNothingElse) {
  EXPECT_EQ(PlayerSafeName("AC/DC: \"Live\" <1|2> *?\\"), "AC_DC_ _Live_ _1_2_ ___");
  EXPECT_EQ(PlayerSafeName(std::string("a\x01\x1F\x7F b", 6)), "a__\x7F b");
  EXPECT_EQ(PlayerSafeName("Love & Peace (Remix) [1]!"), "Love & Peace (Remix) [1]!");
  EXPECT_EQ(PlayerSafeName(""), "");
}

TEST(PlayerSafeName, TrailBytesThatLookLikeRefusedCharactersStay) {
  // "ソ" is 83 5C and "表" is 95 5C: their second byte is a backslash in ASCII; "ポ" is 83 7C.
  const std::string title = Sjis("ソフト表ポ");
  ASSERT_EQ(title[1], '\\');
  EXPECT_EQ(PlayerSafeName(title), title);
  EXPECT_EQ(PlayerSafeName(title + "\\" + Sjis("ソ")), title + "_" + Sjis("ソ"));
}

TEST(PlayerSafeName, TabsAndLineBreaksBecomeSpacesAsInListValues) {
  EXPECT_EQ(PlayerSafeName("a\tb\r\nc\rd\ne"), "a b  c d e");
  std::string value = "x\ty\r\n";
  library::SpacesForTabsAndLineBreaks(value, 1);
  EXPECT_EQ(value, "x y  ");
}

TEST(PlayerSafeName, BytesThatAreNotCodePage932BecomeUnderscores) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"Caf\xE9", "Caf_"},                     // a lead byte at the end
      {"Caf\xE9 del Mar", "Caf_ del Mar"},     // a lead byte before a byte that is no trail byte
      {"Caf\xE9/Bar", "Caf__Bar"},             // the "/" after it is a character and is replaced too
      {"\x80\xA0\xFD\xFE\xFF", "_____"},       // bytes that are never characters
      {"\x85\x40", "_@"},                      // an undefined pair: its lead byte goes
      {"\xB1\xDF", "\xB1\xDF"},                 // half-width katakana stay
      {Sjis("表") + "\xE9", Sjis("表") + "_"},   // a valid character before stays whole
  };
  for (const Case& c : cases) EXPECT_EQ(PlayerSafeName(c.in), c.out) << c.in;
  EXPECT_EQ(NotesPageName("Caf\xE9/"), "Caf__");
  EXPECT_EQ(NotesFolderName("\xE9."), "__");
}

TEST(PlayerSafeName, CutsAtACharacterBoundaryTo240Utf8Bytes) {
  const std::string ascii(300, 'a');
  EXPECT_EQ(PlayerSafeName(ascii), std::string(240, 'a'));
  EXPECT_EQ(PlayerSafeName(std::string(240, 'a')), std::string(240, 'a'));
  // 80 kanji are 240 UTF-8 bytes and stay; the 81st goes whole.
  std::string kanji;
  for (int i = 0; i < 81; ++i) kanji += Sjis("漢");
  const std::string cut = PlayerSafeName(kanji);
  EXPECT_EQ(cut, kanji.substr(0, 160));
  EXPECT_EQ(platform::Cp932ToUtf8(cut).size(), 240u);
  // One ASCII byte in front: 79 kanji fit (1 + 237 bytes), the 80th would make 241.
  EXPECT_EQ(PlayerSafeName("a" + kanji), "a" + kanji.substr(0, 158));
  // Half-width katakana take three UTF-8 bytes for one code page 932 byte.
  const std::string kana(100, '\xB1');
  EXPECT_EQ(PlayerSafeName(kana), std::string(80, '\xB1'));
}

TEST(NotesNames, NoTrailingSpaceOrDotAndNeverADotFolder) {
  EXPECT_EQ(NotesFolderName(""), "");
  EXPECT_EQ(NotesPageName(""), "_");
  EXPECT_EQ(NotesFolderName(".."), "._");
  EXPECT_EQ(NotesFolderName("."), "_");
  EXPECT_EQ(NotesPageName("Vol. 2."), "Vol. 2_");
  EXPECT_EQ(NotesPageName("Intro "), "Intro_");
  EXPECT_EQ(NotesFolderName("../../x"), ".._.._x");
  EXPECT_EQ(NotesPageName("What?"), "What_");
  EXPECT_EQ(NotesPageName(Sjis("ソ")), Sjis("ソ"));
}

}  // namespace
