// SPDX-License-Identifier: GPL-3.0-or-later
// keys N: the song table as a list load fills it, one "title-album" key per song.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "platform/CodePage.h"
#include "util/Hash.h"

namespace {

constexpr long kMaxKeys = 10'000'000;

struct SongKey {
  std::string key;
  std::string path;
};

std::vector<std::string> ToCp932(std::initializer_list<const char*> words) {
  std::vector<std::string> converted;
  for (const char* word : words) converted.push_back(platform::Sjis(word));
  return converted;
}

// Titles and albums mixing Japanese and ASCII as real libraries do; the running number keeps
// every key different.
std::vector<SongKey> MakeSongKeys(long count) {
  const std::vector<std::string> titles = ToCp932({
      "夜に駆ける", "さくら", "残響散歌", "紅蓮華", "マリーゴールド", "Lemon", "First Love",
      "アイドル", "丸の内サディスティック", "ひまわりの約束", "Pretender", "白日", "ドライフラワー",
      "怪獣の花唄", "Subtitle", "廻廻奇譚", "ＫＩＮＧ"});
  const std::vector<std::string> albums = ToCp932({
      "THE BOOK", "ベスト・アルバム", "Traveler", "STRAY SHEEP", "無罪モラトリアム",
      "ＢＥＳＴ　ＯＦ　ＢＥＳＴ", "Editorial", "ｱﾆﾒ主題歌集", "Singles 2000-2010", "日本の歌"});
  std::vector<SongKey> keys;
  keys.reserve(static_cast<std::size_t>(count));
  char number[32];
  for (long i = 0; i < count; ++i) {
    std::snprintf(number, sizeof number, " (Take %ld)", i);
    std::string title = titles[static_cast<std::size_t>(i) % titles.size()] + number;
    std::string album = albums[static_cast<std::size_t>(i / 7) % albums.size()];
    char path[96];
    std::snprintf(path, sizeof path, "/media/IPOD/iPod_Control/Music/F%02ld/%08lX.mp3", i % 50, i * 2654435761L % 0xFFFFFFFFL);
    keys.push_back({title + "-" + album, path});
  }
  return keys;
}

bool ParseCount(const bench::Arguments& args, long& count) {
  if (args.size() != 1 || args[0].empty()) return false;
  count = 0;
  for (char c : args[0]) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + (c - '0');
    if (count > kMaxKeys) return false;
  }
  return count > 0;
}

}  // namespace

namespace bench {

int Keys(const Arguments& args) {
  long count = 0;
  if (!ParseCount(args, count)) {
    std::fprintf(stderr, "usage: lyrimate-bench keys N   (1 <= N <= %ld)\n", kMaxKeys);
    return 2;
  }
  const std::vector<SongKey> songs = MakeSongKeys(count);
  std::vector<std::string> shouted;  // the same keys in other letter case, as a list file may hold them
  shouted.reserve(songs.size());
  for (const SongKey& song : songs) shouted.push_back(platform::UpperAscii(song.key));

  const auto start = std::chrono::steady_clock::now();
  THash table;
  for (const SongKey& song : songs) table.Put(song.key, song.path);
  long wrong = 0;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (table.Get(songs[i].key) != songs[i].path) ++wrong;
    if (!table.Exists(shouted[i])) ++wrong;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (wrong != 0 || table.Count() != songs.size()) {
    std::fprintf(stderr, "keys: %ld lookups gave a wrong answer (%zu keys stored of %ld)\n", wrong,
                 table.Count(), count);
    return 1;
  }
  std::printf("keys: %ld puts+gets in %.3f s\n", count, seconds);
  return 0;
}

}  // namespace bench
