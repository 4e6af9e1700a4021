// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Hash.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/TextCompare.h"

namespace {

using platform::Sjis;

TEST(THash, PutReplacesAKeyOfOtherCaseAndMovesItToTheEnd) {
  THash table;
  EXPECT_EQ(table.Put("A-B", "x"), 0);
  EXPECT_EQ(table.Put("c-d", "z"), 1);
  EXPECT_EQ(table.Put("a-b", "y"), 1);
  EXPECT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Keys(), (std::vector<std::string>{"c-d", "a-b"}));
  EXPECT_EQ(table.Values(), (std::vector<std::string>{"z", "y"}));
  EXPECT_EQ(table.Get("A-B"), "y");
}

TEST(THash, PuttingTheFirstKeyAgainReordersAndReturnsTheLastPosition) {
  THash table;
  EXPECT_EQ(table.Put("k1", "1"), 0);
  EXPECT_EQ(table.Put("k2", "2"), 1);
  EXPECT_EQ(table.Put("k3", "3"), 2);
  EXPECT_EQ(table.Put("k1", "4"), 2);
  EXPECT_EQ(table.Keys(), (std::vector<std::string>{"k2", "k3", "k1"}));
  EXPECT_EQ(table.Values(), (std::vector<std::string>{"2", "3", "4"}));
}

TEST(THash, GetOfAnAbsentKeyRaisesTheMessageWithTheKey) {
  THash table;
  table.Put("k", "v");
  try {
    table.Get("zz");
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_EQ(std::string(error.what()), Sjis("キーが見つかりません。`zz`"));
  }
  // A key holding "%s" or a trail byte 0x5C goes into the message as it is.
  const std::string odd = Sjis("ソ%s表");
  try {
    table.Get(odd);
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_EQ(std::string(error.what()), Sjis("キーが見つかりません。`") + odd + "`");
  }
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Get("k"), "v");
}

TEST(THash, ValueFindsTheKeyIgnoringCaseAndIsNullWhenAbsent) {
  THash table;
  EXPECT_EQ(table.Value("k"), nullptr);
  table.Put("Key-Al", "/m/1.mp3");
  table.Put("empty", "");
  table.Put("KEY-al", "/m/2.mp3");  // replaces the first
  const std::string* found = table.Value("key-AL");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, "/m/2.mp3");
  // A key stored with an empty value is there: not the same as an absent one.
  ASSERT_NE(table.Value("EMPTY"), nullptr);
  EXPECT_EQ(*table.Value("EMPTY"), "");
  EXPECT_EQ(table.Value("key-a"), nullptr);
  EXPECT_EQ(table.Value("Key-Al "), nullptr);
  EXPECT_EQ(table.Value(""), nullptr);
}

TEST(THash, KeysCompareIgnoringLetterCaseOnly) {
  THash table;
  table.Put("", "empty");
  table.Put(Sjis("ＡＢＣ-アルバム"), "full");
  table.Put(Sjis("ABC-アルバム"), "half");
  table.Put(Sjis("あ-x"), "hiragana");
  table.Put(Sjis("ア-x"), "katakana");
  table.Put(Sjis("ア"), "a");          // 83 41
  table.Put("\x83\x61", "di");          // 83 61: "ア" with its trail byte lower-cased
  EXPECT_EQ(table.Count(), 7u);
  EXPECT_TRUE(table.Exists(""));
  EXPECT_EQ(table.Get(""), "empty");
  EXPECT_EQ(table.Get(Sjis("ａｂｃ-アルバム")), "full");
  EXPECT_EQ(table.Get(Sjis("abc-アルバム")), "half");
  EXPECT_EQ(table.Get(Sjis("あ-X")), "hiragana");
  EXPECT_EQ(table.Get(Sjis("ア-X")), "katakana");
  EXPECT_EQ(table.Get(Sjis("ア")), "a");
  EXPECT_EQ(table.Get("\x83\x61"), "di");
  EXPECT_FALSE(table.Exists(Sjis("ｱ-x")));
  EXPECT_FALSE(table.Exists("abc"));
}

TEST(THash, TheStoredKeyIsTheLastOnePut) {
  THash table;
  table.Put("Song-Album", "1");
  table.Put("SONG-ALBUM", "2");
  EXPECT_EQ(table.Keys(), (std::vector<std::string>{"SONG-ALBUM"}));
  EXPECT_EQ(table.Get("song-album"), "2");
}

// The indexed table against the plain two-list table it replaces, over many replacements
// (enough to squeeze out dead slots several times).
TEST(THash, BehavesLikeTheLinearTableOverManyOperations) {
  struct Linear {
    std::vector<std::string> keys, values;
    int Find(const std::string& key) const {
      for (std::size_t i = 0; i < keys.size(); ++i)
        if (platform::SameTextIgnoringCase(keys[i], key)) return static_cast<int>(i);
      return -1;
    }
    int Put(const std::string& key, const std::string& value) {
      int at = Find(key);
      if (at >= 0) {
        keys.erase(keys.begin() + at);
        values.erase(values.begin() + at);
      }
      keys.push_back(key);
      values.push_back(value);
      return static_cast<int>(keys.size()) - 1;
    }
  };
  const std::vector<std::string> names = {"alpha", "Beta", Sjis("曲名"), Sjis("ＳＯＮＧ"), "x-y", "", Sjis("ソ")};
  std::mt19937 random(12345);
  THash table;
  Linear model;
  for (int step = 0; step < 5000; ++step) {
    std::string key = names[random() % names.size()] + std::to_string(random() % 40);
    if (random() % 2) key = platform::UpperAscii(key);
    if (random() % 3 == 0) {
      EXPECT_EQ(table.Exists(key), model.Find(key) >= 0) << key;
      continue;
    }
    const std::string value = "v" + std::to_string(step);
    ASSERT_EQ(table.Put(key, value), model.Put(key, value)) << "step " << step;
    ASSERT_EQ(table.Count(), model.keys.size());
  }
  EXPECT_EQ(table.Keys(), model.keys);
  EXPECT_EQ(table.Values(), model.values);
  for (std::size_t i = 0; i < model.keys.size(); ++i) EXPECT_EQ(table.Get(model.keys[i]), model.values[i]);
}

}  // namespace
