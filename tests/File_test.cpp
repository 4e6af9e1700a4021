// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/File.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace {

using platform::File;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string ReadAt(File& file, std::int64_t position, std::size_t count) {
  std::string bytes(count, '\0');
  EXPECT_TRUE(file.Seek(position));
  bytes.resize(file.Read(bytes.data(), count));
  return bytes;
}

std::size_t EntriesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(FileOpen, ModesAndFailures) {
  TempDir dir;
  const std::string path = dir.File("a.bin");
  File file;
  EXPECT_FALSE(file.Open(path, File::Mode::Read));
  EXPECT_FALSE(file.Open(path, File::Mode::ReadWrite));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(file.Open(dir.path().string(), File::Mode::Read));  // a folder
  EXPECT_FALSE(file.Open("", File::Mode::Read));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Size(), -1);
  char byte;
  EXPECT_EQ(file.Read(&byte, 1), 0u);
  EXPECT_FALSE(file.Write("x"));

  WriteBytes(path, "old content");
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  EXPECT_EQ(file.Size(), 11);
  EXPECT_FALSE(file.Write("x"));  // read-only
  EXPECT_FALSE(file.Truncate(0));
  file.Close();
  EXPECT_EQ(ReadBytes(path), "old content");

  ASSERT_TRUE(file.Open(path, File::Mode::ReadWrite));
  EXPECT_TRUE(file.Write("NEW"));
  file.Close();
  EXPECT_EQ(ReadBytes(path), "NEW content");

  ASSERT_TRUE(file.Open(path, File::Mode::Create));  // empties an existing file
  EXPECT_EQ(file.Size(), 0);
  file.Close();
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(FileRead, ShortReadsAtTheEndAndPastIt) {
  TempDir dir;
  const std::string path = dir.File("a.bin");
  WriteBytes(path, "0123456789");
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  char buffer[16] = {};
  ASSERT_TRUE(file.Seek(7));
  EXPECT_EQ(file.Read(buffer, 16), 3u);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(file.Position(), 10);
  EXPECT_EQ(file.Read(buffer, 1), 0u);

  ASSERT_TRUE(file.Seek(8));
  EXPECT_FALSE(file.ReadExact(buffer, 3));
  ASSERT_TRUE(file.Seek(7));
  EXPECT_TRUE(file.ReadExact(buffer, 3));

  // Seeking past the end is allowed; reading there gives nothing.
  EXPECT_TRUE(file.Seek(1000));
  EXPECT_EQ(file.Position(), 1000);
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_TRUE(file.ReadBytes(4).empty());
  EXPECT_FALSE(file.Seek(-1));

  // ReadBytes never holds more than the file has, whatever is asked for.
  ASSERT_TRUE(file.Seek(4));
  const std::vector<std::uint8_t> rest = file.ReadBytes(std::size_t(1) << 40);
  EXPECT_EQ(std::string(rest.begin(), rest.end()), "456789");
  EXPECT_EQ(file.Position(), 10);
}

// Counts and positions computed from a size field that lies.
TEST(FileRead, HugeCountsAndPositionsReadNothingBeyondTheFile) {
  TempDir dir;
  const std::string path = dir.File("a.bin");
  WriteBytes(path, "0123456789");
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  char buffer[16];
  ASSERT_TRUE(file.Seek(INT64_MAX - 2));
  EXPECT_EQ(file.Read(buffer, 16), 0u);
  EXPECT_TRUE(file.ReadBytes(16).empty());
  ASSERT_TRUE(file.Seek(8));
  const std::vector<std::uint8_t> tail = file.ReadBytes(SIZE_MAX);
  EXPECT_EQ(std::string(tail.begin(), tail.end()), "89");
}

TEST(FileRead, CachedReadsMatchTheFileAtRandomPositions) {
  TempDir dir;
  const std::string path = dir.File("big.bin");
  const std::string content = Pattern(100'000);
  WriteBytes(path, content);
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t position = random() % 101'000;
    const std::size_t count = (i % 10 == 0) ? random() % 40'000 : random() % 64;
    const std::string expected = position < 100'000 ? content.substr(position, count) : std::string();
    ASSERT_EQ(ReadAt(file, position, count), expected) << position << " " << count;
  }
  // Field by field across the cache's edges.
  ASSERT_TRUE(file.Seek(16 * 1024 - 3));
  std::string fields;
  for (int i = 0; i < 4; ++i) {
    char two[2];
    ASSERT_TRUE(file.ReadExact(two, 2));
    fields.append(two, 2);
  }
  EXPECT_EQ(fields, content.substr(16 * 1024 - 3, 8));
}

TEST(FileRead, TheCacheFollowsWritesAndTruncation) {
  TempDir dir;
  const std::string path = dir.File("a.bin");
  WriteBytes(path, Pattern(1000));
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::ReadWrite));
  EXPECT_EQ(ReadAt(file, 100, 4), Pattern(1000).substr(100, 4));  // fills the cache

  ASSERT_TRUE(file.Seek(102));
  ASSERT_TRUE(file.Write("WXYZ"));
  EXPECT_EQ(file.Position(), 106);
  EXPECT_EQ(ReadAt(file, 100, 8), Pattern(1000).substr(100, 2) + "WXYZ" + Pattern(1000).substr(106, 2));

  ASSERT_TRUE(file.Truncate(103));
  EXPECT_EQ(file.Size(), 103);
  EXPECT_EQ(ReadAt(file, 100, 8), Pattern(1000).substr(100, 2) + "W");
  EXPECT_EQ(ReadAt(file, 500, 4), "");

  // Extending by truncation gives zero bytes; the position stays where it was.
  ASSERT_TRUE(file.Seek(50));
  ASSERT_TRUE(file.Truncate(110));
  EXPECT_EQ(file.Position(), 50);
  EXPECT_EQ(ReadAt(file, 102, 8), "W" + std::string(7, '\0'));

  // Writing past the end leaves a zero-filled gap.
  ASSERT_TRUE(file.Seek(120));
  ASSERT_TRUE(file.Write("end"));
  EXPECT_EQ(file.Size(), 123);
  EXPECT_EQ(ReadAt(file, 108, 15), std::string(12, '\0') + "end");
  file.Close();
  EXPECT_EQ(ReadBytes(path).size(), 123u);
}

TEST(FileRead, AMovedFileKeepsItsPositionAndDescriptor) {
  TempDir dir;
  const std::string path = dir.File("a.bin");
  WriteBytes(path, "abcdef");
  File first;
  ASSERT_TRUE(first.Open(path, File::Mode::Read));
  ASSERT_TRUE(first.Seek(2));
  File second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(second.Position(), 2);
  char c;
  ASSERT_EQ(second.Read(&c, 1), 1u);
  EXPECT_EQ(c, 'c');
  File third;
  third = std::move(second);
  EXPECT_EQ(third.ReadBytes(10).size(), 3u);
}

TEST(WholeFile, ReadAndReplace) {
  TempDir dir;
  const std::string path = dir.File("list.lst");
  std::string content = "stale";
  EXPECT_FALSE(platform::ReadWholeFile(path, content));
  EXPECT_TRUE(content.empty());

  ASSERT_TRUE(platform::ReplaceFileContent(path, "first\r\n"));
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(content, "first\r\n");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(platform::ReplaceFileContent(path, ""));
  ASSERT_TRUE(platform::ReadWholeFile(path, content));
  EXPECT_EQ(content, "");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replacement keeps the permissions
  EXPECT_EQ(EntriesIn(dir.path()), 1u);   // no temporary file left
}

TEST(WholeFile, ReadAtASystemPathUpToALimit) {
  TempDir dir;
  // A name no code page 932 path can give (Hangul).
  const std::string path = (dir.path() / "가사.txt").string();
  const std::string bytes = Pattern(200 * 1024);
  WriteBytes(path, bytes);
  std::string content = "stale";
  ASSERT_TRUE(platform::ReadWholeFileAt(path, content, bytes.size()));
  EXPECT_EQ(content, bytes);

  content = "stale";
  errno = 0;
  EXPECT_FALSE(platform::ReadWholeFileAt(path, content, bytes.size() - 1));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_TRUE(content.empty());

  WriteBytes(dir.File("empty.txt"), "");
  EXPECT_TRUE(platform::ReadWholeFileAt(dir.File("empty.txt"), content, 0));
  EXPECT_TRUE(content.empty());
  WriteBytes(dir.File("one.txt"), "x");
  EXPECT_FALSE(platform::ReadWholeFileAt(dir.File("one.txt"), content, 0));
  EXPECT_EQ(errno, EFBIG);

  EXPECT_FALSE(platform::ReadWholeFileAt(dir.File("missing.txt"), content, 100));
  EXPECT_EQ(errno, ENOENT);
}

TEST(WholeFile, ReadAtRefusesWhatIsNotARegularFileWithoutBlocking) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string content = "stale";
  // With no writer a blocking open of the FIFO would never return.
  EXPECT_FALSE(platform::ReadWholeFileAt(fifo, content, 100));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(content.empty());
  EXPECT_FALSE(platform::ReadWholeFileAt(dir.path().string(), content, 100));
  EXPECT_EQ(errno, EISDIR);
}

TEST(WholeFile, AReadErrorHalfwayFailsTheWholeRead) {
  TempDir dir;
  WriteBytes(dir.File("song.txt"), Pattern(64 * 1024));
  std::string content;
  platform::SimulateReadErrorAt(40 * 1024);
  errno = 0;
  const bool read = platform::ReadWholeFileAt(dir.File("song.txt"), content, 1 << 20);
  const int reason = errno;
  platform::SimulateReadErrorAt(-1);
  EXPECT_FALSE(read);
  EXPECT_EQ(reason, EIO);
}

TEST(WholeFile, AFailedReplacementLeavesTheTargetAndNoTemporaryFile) {
  TempDir dir;
  EXPECT_FALSE(platform::ReplaceFileContent(dir.File("missing/list.lst"), "x"));
  EXPECT_FALSE(fs::exists(dir.File("missing")));

  // A folder where the file should be: the rename fails, the folder stays as it was.
  fs::create_directory(dir.File("taken"));
  WriteBytes(dir.File("taken/inside"), "keep");
  EXPECT_FALSE(platform::ReplaceFileContent(dir.File("taken"), "x"));
  EXPECT_TRUE(fs::is_directory(dir.File("taken")));
  EXPECT_EQ(ReadBytes(dir.File("taken/inside")), "keep");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(FileSystem, ExistenceFoldersAttributesDeleteRename) {
  TempDir dir;
  const std::string file = dir.File("f.txt");
  WriteBytes(file, "x");
  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_FALSE(platform::DirectoryExists(file));
  EXPECT_TRUE(platform::DirectoryExists(dir.path().string()));
  EXPECT_FALSE(platform::FileExists(dir.path().string()));
  EXPECT_FALSE(platform::FileExists(dir.File("none")));
  EXPECT_FALSE(platform::FileExists(""));

  const std::string nested = dir.File("a/b/c/");
  EXPECT_TRUE(platform::ForceDirectories(nested));
  EXPECT_TRUE(fs::is_directory(dir.File("a/b/c")));
  EXPECT_TRUE(platform::ForceDirectories(nested));  // already there
  EXPECT_FALSE(platform::ForceDirectories(file + "/sub"));  // under a file

  ::chmod(file.c_str(), 0444);
  EXPECT_TRUE(platform::ClearAttributes(file));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IWUSR);
  EXPECT_FALSE(platform::ClearAttributes(dir.File("none")));

  const std::string other = dir.File("g.txt");
  WriteBytes(other, "replaced");
  EXPECT_TRUE(platform::RenameFile(file, other));
  EXPECT_FALSE(platform::FileExists(file));
  EXPECT_EQ(ReadBytes(other), "x");
  EXPECT_FALSE(platform::RenameFile(file, other));
  EXPECT_TRUE(platform::DeleteFile(other));
  EXPECT_FALSE(platform::DeleteFile(other));
}

TEST(FileSystem, WithTrailingSlashAddsOneOnlyWhenMissing) {
  EXPECT_EQ(platform::WithTrailingSlash(""), "/");
  EXPECT_EQ(platform::WithTrailingSlash("/"), "/");
  EXPECT_EQ(platform::WithTrailingSlash("/media/IPOD"), "/media/IPOD/");
  EXPECT_EQ(platform::WithTrailingSlash("/media/IPOD/"), "/media/IPOD/");
  EXPECT_EQ(platform::WithTrailingSlash("a//"), "a//");  // a run of them is left as it is
  const std::string table = platform::Sjis("表");  // 95 5C: a trail byte is not a slash
  EXPECT_EQ(platform::WithTrailingSlash(table), table + "/");
}

TEST(FileSystem, SystemPathsAreUsedAsTheyAreAndTagNamesAreConvertedWhenJoined) {
  TempDir dir;
  // "Zoë" has no code page 932 form: the path works exactly as given.
  const std::string folder = dir.path().string() + "/Zoë/歌詞";
  ASSERT_TRUE(platform::ForceDirectories(folder));
  EXPECT_TRUE(fs::is_directory(dir.path() / "Zoë" / "歌詞"));
  EXPECT_FALSE(fs::exists(dir.path() / "Zo?"));
  File file;
  const std::string song = folder + "/" + platform::SystemName(platform::Sjis("曲ソ.txt"));
  ASSERT_TRUE(file.Open(song, File::Mode::Create));
  ASSERT_TRUE(file.Write("x"));
  file.Close();
  EXPECT_EQ(ReadBytes((dir.path() / "Zoë" / "歌詞" / "曲ソ.txt").string()), "x");
  EXPECT_TRUE(platform::FileExists(song));
  // Shown in a message, the path is code page 932 text with "?" for what the code page lacks.
  EXPECT_EQ(platform::DisplayPath("/a/Zoë/" + std::string("歌詞")), platform::Sjis("/a/Zo?/歌詞"));
}

TEST(WholeFile, ARegularFileReadNeverGoesThroughALink) {
  TempDir dir;
  WriteBytes(dir.File("secret"), "SECRET");
  WriteBytes(dir.File("plain"), "words");
  fs::create_symlink(dir.File("secret"), dir.File("link"));
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  fs::create_directory(dir.path() / "folder");
  struct Case {
    const char* name;
    int reason;
  };
  for (const Case& c : {Case{"link", ELOOP}, Case{"fifo", EINVAL}, Case{"folder", EISDIR}, Case{"missing", ENOENT}}) {
    std::string content = "stale";
    errno = 0;
    EXPECT_FALSE(platform::ReadRegularFile(dir.File(c.name), content)) << c.name;
    EXPECT_EQ(errno, c.reason) << c.name;
    EXPECT_EQ(content, "") << c.name;
  }
  std::string content;
  EXPECT_TRUE(platform::ReadRegularFile(dir.File("plain"), content));
  EXPECT_EQ(content, "words");
  // The ordinary reader still follows links (song files may be links).
  EXPECT_TRUE(platform::ReadWholeFile(dir.File("link"), content));
}

TEST(FileSystem, LinkFileNeverOverwrites) {
  TempDir dir;
  WriteBytes(dir.File("a"), "a");
  WriteBytes(dir.File("b"), "b");
  errno = 0;
  EXPECT_FALSE(platform::LinkFile(dir.File("a"), dir.File("b")));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadBytes(dir.File("b")), "b");
  EXPECT_TRUE(platform::LinkFile(dir.File("a"), dir.File("c")));
  // Replacing the first name keeps the old content under the second.
  ASSERT_TRUE(platform::ReplaceFileContent(dir.File("a"), "new"));
  EXPECT_EQ(ReadBytes(dir.File("c")), "a");
}

TEST(FileOpen, OnlyRegularFilesAndNeverBlocking) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.mp3");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  File file;
  // Opening a FIFO without a writer would block a blocking open forever.
  EXPECT_FALSE(file.Open(fifo, File::Mode::Read));
  EXPECT_FALSE(file.Open(fifo, File::Mode::ReadWrite));
  EXPECT_FALSE(file.Open(dir.path().string(), File::Mode::Read));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(file.Open("/dev/null", File::Mode::Read));
  WriteBytes(dir.File("song.mp3"), "abc");
  ASSERT_TRUE(file.Open(dir.File("song.mp3"), File::Mode::Read));
  char buffer[3];
  EXPECT_TRUE(file.ReadExact(buffer, 3));
}

TEST(WholeFile, AFullDiskHalfwayKeepsTheOldContent) {
  TempDir dir;
  const std::string path = dir.File("MusicList.lst");
  WriteBytes(path, "old content\r\n");
  platform::SimulateFullDiskAfter(5);
  errno = 0;
  const bool replaced = platform::ReplaceFileContent(path, std::string(100, 'x'));
  const int reason = errno;
  platform::SimulateFullDiskAfter(-1);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(reason, ENOSPC);
  EXPECT_EQ(ReadBytes(path), "old content\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_TRUE(platform::ReplaceFileContent(path, "new", platform::Durability::Unsynced));
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_TRUE(platform::SyncFileSystem(path));
}

TEST(WholeFile, PiecesAreWrittenInOrderOrNotAtAll) {
  TempDir dir;
  const std::string path = dir.File("MusicList.lst");
  const std::vector<std::string> pieces{"first\r\n", "", "second\r\n", "third"};
  ASSERT_TRUE(platform::ReplaceFileContent(path, pieces));
  EXPECT_EQ(ReadBytes(path), "first\r\nsecond\r\nthird");
  // The disk fills up inside the third piece: the file stays as it was, nothing is left beside it.
  platform::SimulateFullDiskAfter(12);
  EXPECT_FALSE(platform::ReplaceFileContent(path, std::vector<std::string>{"1234567", "89", "abcdefgh"}));
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(ReadBytes(path), "first\r\nsecond\r\nthird");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  ASSERT_TRUE(platform::ReplaceFileContent(path, std::vector<std::string>{}));
  EXPECT_EQ(ReadBytes(path), "");
}

TEST(FileRead, AnInputOutputErrorIsToldFromTheEndOfTheFile) {
  TempDir dir;
  const std::string path = dir.File("bad.bin");
  const std::string content = Pattern(20'000);
  WriteBytes(path, content);
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  // The end of the file is no error.
  EXPECT_EQ(ReadAt(file, 19'990, 100), content.substr(19'990));
  EXPECT_FALSE(file.ReadFailed());

  // A bad sector at 9000: a small read there and a large read across it stop at it.
  platform::SimulateReadErrorAt(9000);
  const std::string small = ReadAt(file, 8990, 20);
  const std::string large = ReadAt(file, 0, 15'000);
  platform::SimulateReadErrorAt(-1);
  EXPECT_TRUE(file.ReadFailed());
  EXPECT_EQ(file.ReadError(), EIO);
  EXPECT_EQ(small, content.substr(8990, 10));
  EXPECT_EQ(large, content.substr(0, 9000));
  // Reads that succeed later do not hide it; opening again starts afresh.
  EXPECT_EQ(ReadAt(file, 100, 10), content.substr(100, 10));
  EXPECT_TRUE(file.ReadFailed());
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  EXPECT_FALSE(file.ReadFailed());

  std::string whole;
  platform::SimulateReadErrorAt(100);
  const bool read = platform::ReadWholeFile(path, whole);
  platform::SimulateReadErrorAt(-1);
  EXPECT_FALSE(read);
  EXPECT_EQ(errno, EIO);
}

TEST(FileRead, SmallReadsStayInsideTheFileAndItsPages) {
  // A file that ends inside a page, read field by field from the cache at its last bytes
  // and past them.
  TempDir dir;
  const std::string path = dir.File("tail.bin");
  const std::string content = Pattern(4096 * 3 + 100);
  WriteBytes(path, content);
  File file;
  ASSERT_TRUE(file.Open(path, File::Mode::Read));
  EXPECT_EQ(ReadAt(file, 4096 * 3 + 90, 4), content.substr(4096 * 3 + 90, 4));
  EXPECT_EQ(ReadAt(file, 4096 * 3 + 96, 8), content.substr(4096 * 3 + 96));
  EXPECT_EQ(ReadAt(file, 4096 * 3 + 100, 8), "");
  // A read that straddles a page boundary, then one that straddles the cache's reach.
  EXPECT_EQ(ReadAt(file, 4090, 12), content.substr(4090, 12));
  EXPECT_EQ(ReadAt(file, 100, 12'000), content.substr(100, 12'000));
  EXPECT_EQ(ReadAt(file, 5, 4096 * 3 + 95), content.substr(5));
  EXPECT_FALSE(file.ReadFailed());
}

}  // namespace
