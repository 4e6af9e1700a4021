// SPDX-License-Identifier: GPL-3.0-or-later
// Folder handles and the program's temporary files: handle-relative writes that stay with
// the folder opened, temporaries made through the descriptor mkstemp gave, and the clean-up
// of temporaries that removes only abandoned ones of our own pattern.
#include "platform/DirHandle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "TestSupport.h"
#include "platform/File.h"

namespace {

namespace fs = std::filesystem;
using platform::DirHandle;
using platform::File;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TemporaryName, OnlyOurExactPattern) {
  const std::string prefix = platform::TemporaryPrefix;
  for (const std::string& ours : {prefix + "abcXYZ", prefix + "000000", prefix + "Zz9aA1"})
    EXPECT_TRUE(platform::IsTemporaryName(ours)) << ours;
  for (const std::string& other : {prefix + "abcde", prefix + "abcdefg", prefix + "abc_ef", prefix + "abc.ef",
                                   std::string("MusicList.lst.abcdef"), std::string(".lyrimate-tmp"),
                                   "x" + prefix + "abcdef", std::string("lyrimate-tmp.abcdef")})
    EXPECT_FALSE(platform::IsTemporaryName(other)) << other;
}

TEST(DirHandle, ChildrenFilesAndRenamesRelativeToTheFolderOpened) {
  TempDir dir;
  DirHandle root = DirHandle::Open(dir.path().string());
  ASSERT_TRUE(root.IsOpen());
  EXPECT_TRUE(root.IsAt(dir.path().string()));

  bool created = false;
  DirHandle album = root.Child("Al", true, &created);
  ASSERT_TRUE(album.IsOpen());
  EXPECT_TRUE(created);
  EXPECT_TRUE(root.Child("Al", true, &created).IsOpen());
  EXPECT_FALSE(created);  // made once only
  EXPECT_FALSE(root.Child("missing", false).IsOpen());

  File file;
  std::string temporary;
  ASSERT_TRUE(root.CreateTemporary(file, temporary));
  EXPECT_TRUE(platform::IsTemporaryName(temporary));
  ASSERT_TRUE(file.Write("page"));
  ASSERT_TRUE(root.RenameTo(temporary, album, "song"));
  file.Close();
  EXPECT_EQ(ReadBytes((dir.path() / "Al" / "song").string()), "page");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Al"});

  std::int64_t size = 0;
  EXPECT_TRUE(album.IsRegularFile("song", &size));
  EXPECT_EQ(size, 4);
  std::string content;
  EXPECT_TRUE(album.ReadFile("song", content, 4));
  EXPECT_EQ(content, "page");
  EXPECT_FALSE(album.ReadFile("song", content, 3));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_TRUE(album.RemoveFile("song"));
  EXPECT_TRUE(root.RemoveFolder("Al"));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DirHandle, NamesThatLeaveTheFolderAndLinksAreRefused) {
  TempDir dir;
  TempDir outside;
  fs::create_directory(dir.path() / "in");
  WriteBytes(outside.File("secret"), "secret");
  fs::create_directory_symlink(outside.path(), dir.path() / "in" / "link");
  fs::create_symlink(outside.File("secret"), dir.path() / "in" / "file-link");
  const DirHandle in = DirHandle::Open((dir.path() / "in").string());

  for (const std::string name : {"..", ".", "", "a/b", "../escape"}) {
    errno = 0;
    EXPECT_FALSE(in.Child(name, true).IsOpen()) << name;
    EXPECT_EQ(errno, EINVAL) << name;
  }
  EXPECT_FALSE(in.Child("link", true).IsOpen());  // not followed, and not replaced by a folder
  EXPECT_TRUE(fs::is_symlink(dir.path() / "in" / "link"));
  std::string content;
  EXPECT_FALSE(in.ReadFile("file-link", content, 100));
  EXPECT_FALSE(in.IsRegularFile("file-link"));
  EXPECT_FALSE(in.ReadFile("link", content, 100));
  EXPECT_EQ(Names(outside.path()), std::vector<std::string>{"secret"});
}

TEST(DirHandle, TheStartOfARegularFileOnly) {
  TempDir dir;
  WriteBytes(dir.File("lyrics.txt"), "first line\r\nsecond\r\n");
  fs::create_symlink(dir.File("lyrics.txt"), dir.path() / "link.txt");
  ASSERT_EQ(::mkfifo(dir.File("fifo.txt").c_str(), 0644), 0);  // opened without blocking
  fs::create_directory(dir.path() / "folder.txt");
  const DirHandle folder = DirHandle::Open(dir.path().string());
  std::string content;
  EXPECT_TRUE(folder.ReadFileStart("lyrics.txt", content, 5));
  EXPECT_EQ(content, "first");
  EXPECT_TRUE(folder.ReadFileStart("lyrics.txt", content, 1000));
  EXPECT_EQ(content, "first line\r\nsecond\r\n");
  struct Refusal {
    const char* name;
    int reason;
  };
  for (const Refusal refusal : {Refusal{"link.txt", ELOOP}, Refusal{"fifo.txt", EINVAL}, Refusal{"folder.txt", EISDIR},
                                Refusal{"missing.txt", ENOENT}, Refusal{"../lyrics.txt", EINVAL}}) {
    content = "stale";
    errno = 0;
    EXPECT_FALSE(folder.ReadFileStart(refusal.name, content, 1000)) << refusal.name;
    EXPECT_EQ(errno, refusal.reason) << refusal.name;
    EXPECT_EQ(content, "") << refusal.name;
  }
  errno = 0;
  EXPECT_FALSE(DirHandle().ReadFileStart("lyrics.txt", content, 1000));
  EXPECT_EQ(errno, EBADF);
}

TEST(DirHandle, AFolderMovedAwayIsNoLongerAtItsPathButStillTheOneWrittenTo) {
  TempDir dir;
  fs::create_directory(dir.path() / "player");
  const DirHandle player = DirHandle::Open((dir.path() / "player").string());
  fs::rename(dir.path() / "player", dir.path() / "moved");
  fs::create_directory(dir.path() / "player");  // an empty mount point in its place
  EXPECT_FALSE(player.IsAt((dir.path() / "player").string()));
  EXPECT_TRUE(player.IsAt((dir.path() / "moved").string()));
  EXPECT_TRUE(player.Child("Notes", true).IsOpen());
  EXPECT_TRUE(fs::is_directory(dir.path() / "moved" / "Notes"));
  EXPECT_TRUE(fs::is_empty(dir.path() / "player"));
  fs::remove(dir.path() / "moved" / "Notes");
  fs::remove(dir.path() / "moved");
  EXPECT_FALSE(player.IsAt((dir.path() / "moved").string()));
  EXPECT_FALSE(player.Child("Notes", true).IsOpen());  // a removed folder takes nothing new
}

TEST(RemoveTemporaries, OnlyAbandonedFilesOfOurPattern) {
  TempDir dir;
  const std::string prefix = platform::TemporaryPrefix;
  for (const std::string name : {"MusicList.lst", "MusicList.lst.abcdef", "notes.txt.XXXXXX"})
    WriteBytes(dir.File(name), "user");
  WriteBytes(dir.File(prefix + "abcde"), "user");
  WriteBytes(dir.File(prefix + "abcdef"), "abandoned");
  fs::create_directory(dir.File(prefix + "folder"));
  fs::create_directory(dir.File(prefix + "Folder"));
  fs::create_symlink(dir.File("MusicList.lst"), dir.File(prefix + "linked"));

  const DirHandle folder = DirHandle::Open(dir.path().string());
  File held;
  std::string heldName;
  ASSERT_TRUE(folder.CreateTemporary(held, heldName));  // a write still running
  File dropped;
  std::string droppedName;
  ASSERT_TRUE(folder.CreateTemporary(dropped, droppedName));
  dropped.Close();  // what a killed run leaves

  EXPECT_EQ(platform::RemoveTemporaries(folder), 2u);
  std::vector<std::string> expected = {"MusicList.lst", "MusicList.lst.abcdef", "notes.txt.XXXXXX", prefix + "abcde",
                                       prefix + "folder", prefix + "Folder", prefix + "linked", heldName};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir.path()), expected);
  held.Close();
  EXPECT_EQ(platform::RemoveTemporaries(folder), 1u);
}

TEST(RemoveTemporaries, ATemporaryHeldByAnotherProcessStays) {
  TempDir dir;
  int ready[2];
  int done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    File file;
    std::string name;
    const bool made = platform::CreateTemporaryBeside(dir.File("MusicList.lst"), file, name);
    char signal = made ? 'y' : 'n';
    (void)!::write(ready[1], &signal, 1);
    (void)!::read(done[0], &signal, 1);
    ::_exit(0);  // killed halfway: the temporary stays, no longer held
  }
  char signal = 0;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  ASSERT_EQ(signal, 'y');
  const DirHandle folder = DirHandle::Open(dir.path().string());
  EXPECT_EQ(platform::RemoveTemporaries(folder), 0u);
  EXPECT_EQ(Names(dir.path()).size(), 1u);
  (void)!::write(done[1], &signal, 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(platform::RemoveTemporaries(folder), 1u);
  EXPECT_TRUE(fs::is_empty(dir.path()));
  for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST(TemporaryBeside, ANameCodePage932CannotHoldIsWrittenAndNothingIsLeft) {
  TempDir dir;
  // "Café del Mar" read from a Latin-1 tag: E9 is no whole code page 932 character.
  const std::string path = dir.File("Caf\xE9 del Mar-Best.txt");
  ASSERT_TRUE(platform::ReplaceFileContent(path, "lyrics"));
  const std::vector<std::string> names = Names(dir.path());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_FALSE(platform::IsTemporaryName(names[0]));
  EXPECT_EQ(ReadBytes((dir.path() / names[0]).string()), "lyrics");

  File file;
  std::string temporary;
  ASSERT_TRUE(platform::CreateTemporaryBeside(path, file, temporary));
  EXPECT_EQ(fs::path(temporary).parent_path(), dir.path());  // the path mkstemp made, as it is
  EXPECT_TRUE(fs::exists(temporary));
  ASSERT_TRUE(file.Write("second"));
  ASSERT_TRUE(platform::CommitTemporary(file, temporary, path));
  EXPECT_EQ(ReadBytes((dir.path() / names[0]).string()), "second");
  EXPECT_EQ(Names(dir.path()), names);

  platform::SimulateFullDiskAfter(2);
  EXPECT_FALSE(platform::ReplaceFileContent(path, "third"));
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(Names(dir.path()), names);  // the failed write removed its temporary
}

}  // namespace
