// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/fnmatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteBytes;
using Names = std::vector<std::string>;

// The names readdir gives, in its order, kept when keep says so.
template <typename Keep>
Names SystemOrder(const std::filesystem::path& folder, Keep keep) {
  Names names;
  DIR* dir = ::opendir(folder.c_str());
  while (dirent* entry = ::readdir(dir))
    if (keep(std::string(entry->d_name))) names.push_back(entry->d_name);
  ::closedir(dir);
  return names;
}

// A music folder with two songs, a ._ file, a dot folder and a sub-folder.
struct MusicFolder {
  TempDir dir;
  std::string music;
  MusicFolder() : music(dir.File("Music")) {
    std::filesystem::create_directory(music);
    WriteBytes(music + "/a.mp3", "x");
    WriteBytes(music + "/b.m4a", "x");
    WriteBytes(music + "/._a.mp3", "x");
    std::filesystem::create_directory(music + "/.Trashes");
    std::filesystem::create_directory(music + "/Sub");
  }
};

TEST(TGlob, StarListsSubFoldersAndFilesApart) {
  MusicFolder folder;
  TGlob glob(folder.music + "/*");
  EXPECT_EQ(glob.Dir(), folder.music + "/");
  EXPECT_EQ(glob.Dirs(), Names{"Sub"});
  EXPECT_EQ(glob.Files(), SystemOrder(folder.music, [](const std::string& n) {
              return n == "a.mp3" || n == "b.m4a" || n == "._a.mp3";
            }));
  EXPECT_EQ(glob.Files().size(), 3u);
}

TEST(TGlob, TrailingSlashListsLikeStar) {
  MusicFolder folder;
  TGlob withSlash(folder.music + "/");
  TGlob withStar(folder.music + "/*");
  EXPECT_EQ(withSlash.Dir(), folder.music + "/");
  EXPECT_EQ(withSlash.Dirs(), withStar.Dirs());
  EXPECT_EQ(withSlash.Files(), withStar.Files());
}

TEST(TGlob, WildcardFiltersFilesAndFolders) {
  MusicFolder folder;
  std::filesystem::create_directory(folder.music + "/Live.MP3");
  WriteBytes(folder.music + "/C.Mp3", "x");
  TGlob glob(folder.music + "/*.mp3");
  EXPECT_EQ(glob.Dir(), folder.music + "/");
  EXPECT_EQ(glob.Dirs(), Names{"Live.MP3"});
  Names files = glob.Files();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (Names{"._a.mp3", "C.Mp3", "a.mp3"}));
}

TEST(TGlob, FoldersStartingWithADotAreDroppedFilesAreNot) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / ".config");
  std::filesystem::create_directory(dir.path() / "..hidden");
  WriteBytes(dir.File(".profile"), "x");
  TGlob glob(dir.path().string() + "/");
  EXPECT_TRUE(glob.Dirs().empty());
  EXPECT_EQ(glob.Files(), Names{".profile"});
}

TEST(TGlob, MissingFolderGivesTwoEmptyLists) {
  TempDir dir;
  TGlob glob(dir.File("nothing/here") + "/*.mp3");
  EXPECT_EQ(glob.Dir(), dir.File("nothing/here") + "/");
  EXPECT_TRUE(glob.Dirs().empty());
  EXPECT_TRUE(glob.Files().empty());
  TGlob none(dir.File("*.none"));
  EXPECT_TRUE(none.Dirs().empty());
  EXPECT_TRUE(none.Files().empty());
}

TEST(TGlob, JapaneseFolderAndNamesAndAPatternWithoutFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "表示");
  WriteBytes((dir.path() / "表示" / "曲.mp3").string(), "x");
  std::filesystem::create_directory(dir.path() / "表示" / "ソフト");
  // Paths and names are the system's bytes.
  const std::string folder = dir.path().string() + "/表示/";
  TGlob glob(folder);
  EXPECT_EQ(glob.Dir(), folder);
  EXPECT_EQ(glob.Files(), Names{"曲.mp3"});
  EXPECT_EQ(glob.Dirs(), Names{"ソフト"});

  // Without a "/" the pattern names entries of the current folder and Dir is empty.
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir((dir.path() / "表示").c_str()), 0);
  TGlob here("*.MP3");
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(here.Dir(), "");
  EXPECT_EQ(here.Files(), Names{"曲.mp3"});
}

}  // namespace
