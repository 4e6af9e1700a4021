// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/LegacyText.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"

namespace {

using platform::Sjis;

struct Case {
  const char* what;
  std::string bytes;
  std::string expected;  // code page 932
};

TEST(LegacyText, ShiftJisStaysUtf8AndLatinAreConverted) {
  const Case cases[] = {
      {"ASCII", "Hello, World", "Hello, World"},
      {"Shift_JIS", Sjis("日本語の歌"), Sjis("日本語の歌")},
      // Half-width katakana "ﾃｽ" is C3 BD, which is also the UTF-8 of "ý": it stays.
      {"Shift_JIS that is valid UTF-8", "\xC3\xBD", "\xC3\xBD"},
      // UTF-8 "あい" reads as three double-byte characters of code page 932: kept as it is.
      {"UTF-8 that is valid code page 932", "\xE3\x81\x82\xE3\x81\x84", "\xE3\x81\x82\xE3\x81\x84"},
      {"UTF-8 Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", Sjis("日本語")},
      {"UTF-8 ending in a lead byte of code page 932", "\xE3\x81\x82", Sjis("あ")},
      {"UTF-8 with a byte 0xA0 (à)", "Voil\xC3\xA0 \xE2\x80\x94 1", "Voil? " + Sjis("—") + " 1"},
      {"Latin-1 ending in a lead byte (é)", "Beyonc\xE9", "Beyonc?"},
      {"Latin-1 division sign before a digit", "6\xF7" "3=2", "6" + Sjis("÷") + "3=2"},
      {"Windows-1252 quotes", "\x93Quote\x94", Sjis("“Quote”")},
      {"Windows-1252 euro sign (0x80)", "100\x80", "100?"},
      {"Windows-1252 undefined byte 0x81 at the end", "A\x81", "A?"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tags::LegacyTextToCp932(c.bytes), c.expected) << c.what;
  }
}

TEST(LegacyText, PlatformHelpers) {
  EXPECT_TRUE(platform::IsCp932Text(Sjis("歌詞 lyrics")));
  EXPECT_TRUE(platform::IsCp932Text(std::string("a\0b", 3)));
  for (const char* bad : {"\x80", "\xA0", "\xFD", "\x82", "\x82\x20", "ok\xFF"}) {
    EXPECT_FALSE(platform::IsCp932Text(bad)) << bad;
  }
  EXPECT_TRUE(platform::IsWellFormedUtf8("\xE6\x97\xA5 ascii"));
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE6\x97", "\xF4\x90\x80\x80", "\xBF"}) {
    EXPECT_FALSE(platform::IsWellFormedUtf8(bad));
  }
  EXPECT_EQ(platform::Cp1252ToUtf16("\x80\x8D\x9F\xA0\xFF"), u"\u20AC\u008D\u0178\u00A0\u00FF");
}

}  // namespace
