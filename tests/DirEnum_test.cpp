// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirEnum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using platform::ListDirectory;
using platform::MatchesWildcard;
using platform::Sjis;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(MatchesWildcard, StarAndQuestionMark) {
  EXPECT_TRUE(MatchesWildcard("song.mp3", "*.mp3"));
  EXPECT_TRUE(MatchesWildcard(".mp3", "*.mp3"));
  EXPECT_FALSE(MatchesWildcard("song.mp3x", "*.mp3"));
  EXPECT_FALSE(MatchesWildcard("mp3", "*.mp3"));
  EXPECT_TRUE(MatchesWildcard("a.mp3", "?.mp3"));
  EXPECT_FALSE(MatchesWildcard("ab.mp3", "?.mp3"));
  EXPECT_FALSE(MatchesWildcard(".mp3", "?.mp3"));
  EXPECT_FALSE(MatchesWildcard("ac", "a?c"));
  EXPECT_TRUE(MatchesWildcard("banana", "*an*a"));
  EXPECT_TRUE(MatchesWildcard("aXbYbZc", "a*b*c"));
  EXPECT_FALSE(MatchesWildcard("aXbYbZ", "a*b*c"));
  EXPECT_TRUE(MatchesWildcard("abc", "abc"));
  EXPECT_FALSE(MatchesWildcard("abcd", "abc"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  EXPECT_FALSE(MatchesWildcard("", "?"));
}

TEST(MatchesWildcard, IgnoresLetterCaseOnly) {
  EXPECT_TRUE(MatchesWildcard("SONG.MP3", "*.mp3"));
  EXPECT_TRUE(MatchesWildcard("Song.Mp3", "S*.MP3"));
  EXPECT_TRUE(MatchesWildcard(Sjis("ＡＢ.txt"), Sjis("ａｂ.TXT")));
  EXPECT_FALSE(MatchesWildcard(Sjis("ＡＢ.txt"), "ab.txt"));
  EXPECT_FALSE(MatchesWildcard(Sjis("あ.txt"), Sjis("ア.txt")));
}

TEST(MatchesWildcard, ADoubleByteCharacterIsOneCharacter) {
  EXPECT_TRUE(MatchesWildcard(Sjis("曲.mp3"), "?.mp3"));
  EXPECT_FALSE(MatchesWildcard(Sjis("曲.mp3"), "??.mp3"));
  // Trail byte 0x5C in "ソ" and trail byte 0x41 ('A') in "ア".
  EXPECT_TRUE(MatchesWildcard(Sjis("ソ.txt"), "?.txt"));
  EXPECT_TRUE(MatchesWildcard(Sjis("ソフト"), Sjis("ソ*")));
  EXPECT_FALSE(MatchesWildcard(Sjis("ア"), "*A*"));
  EXPECT_FALSE(MatchesWildcard(Sjis("ア"), "*a*"));
}

TEST(MatchesWildcard, AFinalDotStarAlsoMatchesNamesWithoutADot) {
  for (const char* name : {"README", "a.b.c", ".", "..", ".hidden", "x."}) EXPECT_TRUE(MatchesWildcard(name, "*.*")) << name;
  EXPECT_TRUE(MatchesWildcard("a", "a.*"));
  EXPECT_TRUE(MatchesWildcard("a.txt", "a.*"));
  EXPECT_FALSE(MatchesWildcard("ab", "a.*"));
  EXPECT_TRUE(MatchesWildcard("abc", "a*.*"));
}

// The names readdir gives for a folder, in its order.
std::vector<std::string> SystemOrder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (dirent* entry = ::readdir(dir)) names.push_back(entry->d_name);
  ::closedir(dir);
  return names;
}

TEST(ListDirectory, EntriesInSystemOrderWithTheirKind) {
  TempDir dir;
  WriteBytes(dir.File("a.mp3"), "x");
  WriteBytes(dir.File("B.MP3"), "x");
  WriteBytes(dir.File("notes.txt"), "x");
  std::filesystem::create_directory(dir.path() / "Album");
  std::filesystem::create_directory_symlink(dir.path() / "Album", dir.path() / "link-to-folder");
  std::filesystem::create_symlink(dir.path() / "gone", dir.path() / "broken-link");

  const std::vector<platform::DirEntry> all = ListDirectory(dir.path().string(), "*");
  std::vector<std::string> names;
  for (const auto& entry : all) names.push_back(entry.name);
  EXPECT_EQ(names, SystemOrder(dir.path()));
  auto kind = [&all](const std::string& name) {
    auto found = std::find_if(all.begin(), all.end(), [&](const auto& e) { return e.name == name; });
    return found == all.end() ? std::string("missing") : std::string(found->isDirectory ? "dir" : "file");
  };
  EXPECT_EQ(kind("."), "dir");
  EXPECT_EQ(kind(".."), "dir");
  EXPECT_EQ(kind("Album"), "dir");
  EXPECT_EQ(kind("link-to-folder"), "dir");
  EXPECT_EQ(kind("broken-link"), "file");
  EXPECT_EQ(kind("a.mp3"), "file");

  std::vector<std::string> songs;
  for (const auto& entry : ListDirectory(dir.path().string() + "/", "*.mp3")) songs.push_back(entry.name);
  std::sort(songs.begin(), songs.end());
  EXPECT_EQ(songs, (std::vector<std::string>{"B.MP3", "a.mp3"}));
}

TEST(ListDirectory, NamesComeBackAsTheSystemGaveThemAndWildcardsMatchTheirShownForm) {
  TempDir dir;
  WriteBytes(dir.File("歌詞ソ.txt"), "x");
  WriteBytes(dir.File("\xF0\x9F\x98\x80.txt"), "x");  // no code page 932 form
  std::vector<std::string> names;
  for (const auto& entry : ListDirectory(dir.path().string(), "*.txt")) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"歌詞ソ.txt", "\xF0\x9F\x98\x80.txt"}));
  // A code page 932 wildcard matches a name by its characters.
  EXPECT_EQ(ListDirectory(dir.path().string(), Sjis("歌詞?.TXT")).size(), 1u);
  std::filesystem::create_directory(dir.path() / "Zoë");
  WriteBytes((dir.path() / "Zoë" / "x.mp3").string(), "x");
  EXPECT_EQ(ListDirectory(dir.path().string() + "/Zoë", "*.MP3").size(), 1u);
}

TEST(ListDirectory, MissingFolderGivesNothing) {
  TempDir dir;
  EXPECT_TRUE(ListDirectory(dir.File("missing"), "*").empty());
  WriteBytes(dir.File("file"), "x");
  EXPECT_TRUE(ListDirectory(dir.File("file"), "*").empty());
}

const platform::DirEntry* Find(const platform::FolderListing& listing, const std::string& name) {
  for (const auto& entry : listing.entries)
    if (entry.name == name) return &entry;
  return nullptr;
}

TEST(ListFolder, EveryEntryButDotsWithWhatItIsAndTheFolderIdentity) {
  TempDir dir;
  WriteBytes(dir.File("song.mp3"), "x");
  std::filesystem::create_directory(dir.path() / "Album");
  std::filesystem::create_directory(dir.path() / ".hidden");
  std::filesystem::create_directory_symlink("..", dir.path() / "up");
  std::filesystem::create_symlink("song.mp3", dir.path() / "alias.mp3");
  std::filesystem::create_symlink("gone", dir.path() / "broken");
  std::filesystem::create_directory_symlink("..", dir.path() / "Album" / "back");

  const platform::FolderListing listing = platform::ListFolder(dir.path().string() + "/");
  ASSERT_TRUE(listing.opened);
  std::vector<std::string> names;
  for (const auto& entry : listing.entries) names.push_back(entry.name);
  std::vector<std::string> system = SystemOrder(dir.path());
  system.erase(std::remove_if(system.begin(), system.end(), [](const std::string& n) { return n == "." || n == ".."; }),
               system.end());
  EXPECT_EQ(names, system);

  struct Kind {
    bool isDirectory, isLink;
    bool operator==(const Kind&) const = default;
  };
  auto kind = [&](const std::string& name) {
    const platform::DirEntry* entry = Find(listing, name);
    return entry ? Kind{entry->isDirectory, entry->isLink} : Kind{false, false};
  };
  ASSERT_NE(Find(listing, "broken"), nullptr);
  EXPECT_EQ(kind("song.mp3"), (Kind{false, false}));
  EXPECT_EQ(kind("Album"), (Kind{true, false}));
  EXPECT_EQ(kind(".hidden"), (Kind{true, false}));
  EXPECT_EQ(kind("up"), (Kind{true, true}));
  EXPECT_EQ(kind("alias.mp3"), (Kind{false, true}));
  EXPECT_EQ(kind("broken"), (Kind{false, true}));

  struct stat info {};
  ASSERT_EQ(::stat(dir.path().c_str(), &info), 0);
  EXPECT_EQ(listing.device, static_cast<std::uint64_t>(info.st_dev));
  EXPECT_EQ(listing.inode, static_cast<std::uint64_t>(info.st_ino));
  // The same folder reached through a link has the same identity.
  const platform::FolderListing again = platform::ListFolder(dir.path().string() + "/Album/back/");
  EXPECT_EQ(again.inode, listing.inode);
  EXPECT_EQ(again.device, listing.device);
}

TEST(ListFolder, KeepsNamesWithoutACodePageForm) {
  TempDir dir;
  WriteBytes(dir.File("\xF0\x9F\x98\x80.txt"), "x");
  std::filesystem::create_directory(dir.path() / "\xF0\x9F\x98\x81");
  WriteBytes(dir.File("ソ.txt"), "x");
  const platform::FolderListing listing = platform::ListFolder(dir.path().string());
  std::vector<std::string> names;
  for (const auto& entry : listing.entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ソ.txt", "\xF0\x9F\x98\x80.txt", "\xF0\x9F\x98\x81"}));
}

TEST(ListFolder, NothingOpenedForAMissingFolderOrAFile) {
  TempDir dir;
  WriteBytes(dir.File("file"), "x");
  EXPECT_FALSE(platform::ListFolder(dir.File("missing")).opened);
  EXPECT_FALSE(platform::ListFolder(dir.File("file")).opened);
  EXPECT_TRUE(platform::ListFolder(dir.File("missing")).entries.empty());
}

}  // namespace
