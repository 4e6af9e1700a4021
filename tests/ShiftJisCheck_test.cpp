#include "library/ShiftJisCheck.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

using library::CharactersShiftJisLacks;
using library::MissingCharacter;

struct Found {
  std::string utf8;
  std::size_t line;
  std::size_t column;
  bool operator==(const Found&) const = default;
};

std::vector<Found> Lacks(const std::string& utf8) {
  std::vector<Found> found;
  for (const MissingCharacter& at : CharactersShiftJisLacks(platform::Utf8ToUtf16(utf8)))
    found.push_back({at.utf8, at.line, at.column});
  return found;
}

TEST(CharactersShiftJisLacks, NamesEachWithLineAndColumnInCharacters) {
  EXPECT_TRUE(Lacks("歌詞 ABC ?\r\n～〜−¥").empty());  // one-way mappings and "?" itself are kept
  // ♡ U+2661, é, ゔ (hiragana vu), an emoji (a surrogate pair is one character and one column).
  EXPECT_EQ(Lacks("a♡b\r\nCafé\rゔ\n\xF0\x9F\x98\x80x😀"),
            (std::vector<Found>{{"♡", 1, 2}, {"é", 2, 4}, {"ゔ", 3, 1}, {"\xF0\x9F\x98\x80", 4, 1}, {"😀", 4, 3}}));
  // A lone surrogate has no form either.
  EXPECT_EQ(CharactersShiftJisLacks(std::u16string{u'a', char16_t(0xD800), u'b'}).size(), 1u);
}

TEST(ShiftJisLacksText, RefusesWithTheCountAndTheFirstTenPlaces) {
  const std::string one = platform::Cp932ToUtf8(library::ShiftJisLacksText({{"♡", 3, 5}}));
  EXPECT_EQ(one, "Shift_JIS にない文字が 1 個あります。保存していません。\r\n3 行 5 列: U+2661");
  std::vector<MissingCharacter> many(12, MissingCharacter{"😀", 1, 1});
  const std::string text = platform::Cp932ToUtf8(library::ShiftJisLacksText(many));
  EXPECT_NE(text.find("U+1F600"), std::string::npos);
  EXPECT_NE(text.find("12 個"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\nほか 2 個")) << text;
}

}  // namespace
