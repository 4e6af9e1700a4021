// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-cli and the data folder's lock: a command waits for another writer, then gives
// up naming it, and commands run side by side lose no update.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "LockSupport.h"
#include "TestSupport.h"
#include "ToolSupport.h"
#include "platform/CodePage.h"

namespace {

using testing_support::ForkedLockHolder;
using testing_support::Quote;
using testing_support::ReadBytes;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::ToolPath;
using testing_support::ToolResult;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

const std::string kTool = "lyrimate-cli";

// One line of MusicList.lst: title, album, track, artist, time, year, check, opening line,
// path.
std::string RegisteredLine(int n, bool ticked) {
  const std::string number = std::to_string(n);
  return "Song " + number + "\tAlbum\t" + number + "\tArtist\t00:06\t2021\t" + (ticked ? "-1" : "0") +
         "\t\t/player/" + number + ".mp3\t\r\n";
}

class CliLock : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(ToolPath(kTool))) << "build lyrimate-cli first: " << ToolPath(kTool);
    fs::create_directories(data_ / "MusicDatas");
  }
  void TearDown() override { ::unsetenv("LYRIMATE_LOCK_WAIT_MS"); }

  std::string AppDir() const { return data_.string() + "/"; }
  std::string RegisteredFile() const { return (data_ / "MusicDatas" / "MusicList.lst").string(); }
  void WriteRegistered(int rows) {
    std::string content;
    for (int n = 1; n <= rows; ++n) content += RegisteredLine(n, false);
    WriteBytes(RegisteredFile(), content);
  }
  // The command line of one run on the data folder, with an empty player.
  std::string CommandLine(const std::string& args) const {
    return Quote(ToolPath(kTool)) + " --data-dir " + Quote(data_.string()) + " --player " +
           Quote((dir_.path() / "player").string()) + " " + args;
  }
  ToolResult Tool(const std::string& args) {
    return RunTool(kTool, "--data-dir " + Quote(data_.string()) + " " + args, "", dir_);
  }

  TempDir dir_;
  fs::path data_ = dir_.path() / "data";
};

TEST_F(CliLock, ACommandGivesUpOnAHeldFolderNamingTheHolderAndChangesNothing) {
  WriteRegistered(2);
  const std::string before = ReadBytes(RegisteredFile());
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  ::setenv("LYRIMATE_LOCK_WAIT_MS", "100", 1);
  for (const char* command : {"tick --all", "list registered", "remove 1"}) {
    const ToolResult run = Tool(command);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_NE(run.err.find("（プロセス ID " + std::to_string(holder.Pid()) + "）が使用中です。"), std::string::npos)
        << command << ": " << run.err;
  }
  EXPECT_EQ(ReadBytes(RegisteredFile()), before);

  // Once the holder is gone the same command goes through.
  holder.Release();
  const ToolResult run = Tool("tick --all");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(RegisteredFile()), RegisteredLine(1, true) + RegisteredLine(2, true));
}

TEST_F(CliLock, ACommandWaitsForAHolderThatLetsGo) {
  WriteRegistered(1);
  ForkedLockHolder holder(AppDir());
  ASSERT_TRUE(holder.Locked());
  holder.LetGo();
  // Without a wait set, the command waits up to ten seconds: far longer than the holder takes.
  const ToolResult run = Tool("tick 1");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(RegisteredFile()), RegisteredLine(1, true));
}

TEST_F(CliLock, TwoLoopsOfCommandsSideBySideLoseNoUpdate) {
  constexpr int kRows = 24;
  WriteRegistered(kRows);
  // One loop ticks the odd rows, the other the even ones, one command per row, both at once.
  auto loop = [this](int first) {
    std::string script = "(";
    for (int row = first; row <= kRows; row += 2) script += CommandLine("tick " + std::to_string(row)) + " || exit 1; ";
    return script + ")";
  };
  const std::string script = loop(1) + " & a=$!; " + loop(2) + " & b=$!; wait $a && wait $b";
  ASSERT_EQ(std::system(script.c_str()), 0);
  std::string expected;
  for (int n = 1; n <= kRows; ++n) expected += RegisteredLine(n, true);
  EXPECT_EQ(ReadBytes(RegisteredFile()), expected);
}

}  // namespace
