// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LrcText.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"

namespace {

using library::LooksLikeLrc;
using library::LyricsFromLrc;
using platform::Sjis;

// One LRC line: a tag followed by text, both UTF-8 in the test and code page 932 in the file.
std::string Line(const std::string& tag, const char* utf8) { return tag + Sjis(utf8) + "\r\n"; }

TEST(LyricsFromLrc, TimeTagsAndTheIdTagsAtTheTopGo) {
  const std::string lrc = "[ti:" + Sjis("桜") + "]\r\n[ar:Someone]\n[offset:+500]\r\n\r\n" +
                          Line("[00:12.34]", "桜の花が") + Line("[00:15.00][01:15.00]", "舞い散る") +
                          Line("[00:20:50] ", "ソ表") + Line("[00:25]", "") + Line("[3:05.123]", "end") +
                          Line("[04:00.00]", "");
  EXPECT_EQ(LyricsFromLrc(lrc), Sjis("桜の花が\r\n舞い散る\r\nソ表\r\n\r\nend\r\n"));
}

TEST(LyricsFromLrc, WordTagsGoAnywhereInTheLine) {
  EXPECT_EQ(LyricsFromLrc("[00:01.00]<00:01.00>la <00:01.50>la\n"), "la la\r\n");
}

// Only the top holds ID tags; later bracketed text, malformed tags and lone CR/LF stay.
TEST(LyricsFromLrc, WhatIsNotATagStays) {
  EXPECT_EQ(LyricsFromLrc("[00:01]a\r[ti:later]\n[00:2]b\n[0:x]c\n[00:02.]d\n[00:03]e]\n"),
            "a\r\n[ti:later]\r\nb\r\n[0:x]c\r\n[00:02.]d\r\ne]\r\n");
}

// 0x5D ("]") and 0x5B ("[") are also trail bytes: "‐" is 81 5D, "ー" is 81 5B.
TEST(LyricsFromLrc, TrailBytesAreNotBrackets) {
  const std::string openId = "[ti:" + Sjis("ab‐") + "\r\n";  // ends in 5D but is no closed tag
  EXPECT_EQ(LyricsFromLrc(openId + "[00:01]x\r\n"), openId + "x\r\n");
  const std::string closedId = "[ti:" + Sjis("ー‐") + "]\r\n";
  EXPECT_EQ(LyricsFromLrc(closedId + "[00:01]" + Sjis("ー") + "<00:01.10>" + Sjis("‐") + "\n"), Sjis("ー‐\r\n"));
}

TEST(LyricsFromLrc, TextWithoutTimeTagsIsLeftAsItIs) {
  for (const std::string& text : {std::string(), std::string("[ti:x]\nplain\n"), Sjis("歌詞\r\n[Chorus]\n"),
                                 std::string("no break at the end [00:01]")}) {
    EXPECT_FALSE(LooksLikeLrc(text)) << text;
    EXPECT_EQ(LyricsFromLrc(text), text);
  }
  EXPECT_TRUE(LooksLikeLrc("[ar:x]\n\n[00:01.00]y"));
}

}  // namespace
