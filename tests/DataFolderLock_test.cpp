// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/DataFolderLock.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "LockSupport.h"
#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/FileLock.h"

namespace {

using library::DataFolderLock;
using library::LockFilePath;
using platform::FileLock;
using testing_support::ForkedLockHolder;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class Lock : public ::testing::Test {
protected:
  std::string AppDir() const { return dir.path().string() + "/data/"; }
  std::string LockFile() const { return LockFilePath(AppDir()); }

  // The message of the error a lock attempt raises; empty when it took the lock.
  std::string Refusal(std::chrono::milliseconds wait = 0ms) {
    try {
      DataFolderLock lock(AppDir(), wait);
      return std::string();
    } catch (const platform::Error& error) {
      return platform::Cp932ToUtf8(error.what());
    }
  }

  TempDir dir;
};

TEST_F(Lock, CreatesTheDataFolderAndRecordsItsHolderWhileHeld) {
  {
    DataFolderLock lock(AppDir(), 0ms);
    EXPECT_TRUE(lock.Held());
    EXPECT_EQ(ReadBytes(LockFile()), std::to_string(::getpid()) + "\n");
    EXPECT_EQ(FileLock::RecordedHolder(LockFile()), ::getpid());
  }
  // Released: the file stays (removing it could let two processes lock two files) but
  // names nobody.
  EXPECT_TRUE(fs::exists(LockFile()));
  EXPECT_EQ(FileLock::RecordedHolder(LockFile()), 0);
}

TEST_F(Lock, AnotherProcessHoldingItIsNamedByItsProcessId) {
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  const std::string message = Refusal(120ms);
  EXPECT_NE(message.find("データフォルダは別の Lyrimate（プロセス ID " + std::to_string(holder.Pid()) + "）が使用中です。"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find(AppDir()), std::string::npos) << message;
  // The refused attempt left the holder's record alone.
  EXPECT_EQ(FileLock::RecordedHolder(LockFile()), holder.Pid());
}

TEST_F(Lock, TheWaitEndsAsSoonAsTheHolderLetsGo) {
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  holder.LetGo();
  // The wait is far longer than the holder needs to end; it is not a measure of speed.
  EXPECT_EQ(Refusal(20000ms), "");
}

TEST_F(Lock, AHolderThatDiesGivesTheLockBackAtOnce) {
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  holder.Kill();
  // Its record is still in the file, but nothing holds the lock any more.
  EXPECT_NE(FileLock::RecordedHolder(LockFile()), 0);
  EXPECT_EQ(Refusal(), "");
}

TEST_F(Lock, TwoHoldersInOneProcessExcludeEachOtherToo) {
  auto first = std::make_unique<DataFolderLock>(AppDir(), 0ms);
  EXPECT_NE(Refusal(), "");
  first.reset();
  EXPECT_EQ(Refusal(), "");
}

TEST_F(Lock, OnlyARegularFileIsALockFile) {
  fs::create_directories(AppDir());
  const std::string secret = dir.File("secret");
  WriteBytes(secret, "keep me");
  fs::create_symlink(secret, LockFile());
  std::string message = Refusal();
  EXPECT_NE(message.find("データフォルダをロックできません。"), std::string::npos) << message;
  EXPECT_NE(message.find(LockFile()), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(secret), "keep me");

  fs::remove(LockFile());
  fs::create_directory(LockFile());
  EXPECT_NE(Refusal().find("データフォルダをロックできません。"), std::string::npos);

  fs::remove(LockFile());
  ASSERT_EQ(::mkfifo(LockFile().c_str(), 0600), 0);
  // Refused at once, without blocking on the FIFO.
  EXPECT_NE(Refusal().find("データフォルダをロックできません。"), std::string::npos);
}

TEST_F(Lock, ALockFileThatMayNotBeWrittenStillLocks) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  fs::create_directories(AppDir());
  WriteBytes(LockFile(), "");
  fs::permissions(LockFile(), fs::perms::owner_read);
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  EXPECT_NE(Refusal().find("別の Lyrimate"), std::string::npos);
}

// A small tmpfs mounted at a folder while it lives (root only); Mounted() tells whether it is.
class ScratchMount {
public:
  explicit ScratchMount(const std::string& at) : at_(at) {
    mounted_ = ::mount("none", at.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  bool MakeReadOnly() { return ::mount("none", at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
  std::string at_;
  bool mounted_ = false;
};

TEST_F(Lock, OnAReadOnlyFileSystemAnExistingLockFileLocksAndAMissingOneIsNotNeeded) {
  const fs::path mountPoint = dir.path() / "ro";
  fs::create_directories(mountPoint);
  ScratchMount scratch(mountPoint.string());
  if (!scratch.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const std::string withLock = mountPoint.string() + "/with-lock/";
  const std::string withoutLock = mountPoint.string() + "/without-lock/";
  fs::create_directories(withLock);
  fs::create_directories(withoutLock);
  WriteBytes(LockFilePath(withLock), "");
  ASSERT_TRUE(scratch.MakeReadOnly());

  DataFolderLock locked(withLock, 0ms);
  EXPECT_TRUE(locked.Held());
  // Nothing can be written there: there is no writer to keep out, and no error.
  for (const std::string& folder : {withoutLock, mountPoint.string() + "/missing/"}) {
    DataFolderLock unlocked(folder, 0ms);
    EXPECT_FALSE(unlocked.Held()) << folder;
  }
}

TEST(RecordedHolder, ReadsOnlyAWholeProcessId) {
  TempDir dir;
  const std::string path = dir.File("lock");
  const struct {
    const char* content;
    long pid;
  } cases[] = {
      {"4242\n", 4242}, {"4242", 4242}, {"", 0},     {"\n", 0},
      {"42a\n", 0},     {"-42\n", 0},   {" 42\n", 0}, {"123456789012345678901\n", 0},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.content);
    EXPECT_EQ(FileLock::RecordedHolder(path), c.pid) << '"' << c.content << '"';
  }
  EXPECT_EQ(FileLock::RecordedHolder(dir.File("missing")), 0);
}

}  // namespace
