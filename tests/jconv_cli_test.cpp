// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built lyrimate-jconv, which lands in the same folder as this test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "ToolSupport.h"

using testing_support::Bytes;
using testing_support::Quote;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::ToolPath;
using testing_support::ToolResult;
using testing_support::WriteBytes;

namespace {

const std::string kTool = "lyrimate-jconv";

class JconvCli : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(ToolPath(kTool))) << "build lyrimate-jconv first: " << ToolPath(kTool);
  }

  // Runs the tool with the arguments (already quoted where needed) and optional standard input.
  ToolResult Tool(const std::string& args, const std::string& input = "") { return RunTool(kTool, args, input, dir_); }

  std::string File(const std::string& name, const std::string& content) {
    const std::string path = dir_.File(name);
    WriteBytes(path, content);
    return path;
  }

  TempDir dir_;
};

TEST_F(JconvCli, DetectPrintsOneLinePerFile) {
  const std::string sjis = File("sjis.txt", "\x82\xA0\x82\xA2");
  const std::string utf8 = File("utf8.txt", "caf\xC3\xA9");
  const std::string ascii = File("ascii.txt", "Title");
  const std::string le = File("le.txt", Bytes({0xFF, 0xFE, 0x41, 0x00}).str());
  const std::string empty = File("empty.txt", "");
  const ToolResult run = Tool("--detect " + Quote(sjis) + " " + Quote(utf8) + " " + Quote(ascii) + " " + Quote(le) +
                       " " + Quote(empty));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "jcSJIS\t" + sjis + "\njcUTF8\t" + utf8 + "\njcASCII\t" + ascii + "\njcUTF16LE\t" + le +
                         "\njcUnknown\t" + empty + "\n");
}

TEST_F(JconvCli, DetectReadsStandardInputNamedDash) {
  EXPECT_EQ(Tool("--detect", "\x1B$B\x24\x22").out, "jcJIS\t-\n");
  EXPECT_EQ(Tool("--detect -", "\xEF\xBB\xBF" "abc").out, "jcUTF8BOM\t-\n");
}

TEST_F(JconvCli, DetectGoesOnAfterAnUnreadableFile) {
  const std::string good = File("good.txt", Bytes({0xB4, 0xC1, 0xBB, 0xFA, 0xA5, 0xC6, 0xA5, 0xB9, 0xA5, 0xC8}).str());
  const std::string missing = dir_.File("missing.txt");
  const ToolResult run = Tool("--detect " + Quote(missing) + " " + Quote(good));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "jcEUC\t" + good + "\n");
}

TEST_F(JconvCli, ConvertWritesRawBytes) {
  const std::string utf8 = File("title.txt", "\xE3\x81\x82\xE3\x82\xBD");  // あソ
  ToolResult run = Tool("--to sjis " + Quote(utf8));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "\x82\xA0\x83\x5C");
  // Code names are case-insensitive; --from may come first.
  run = Tool("--from SJIS --to Utf16BE", "\x82\xA0");
  EXPECT_EQ(run.out, "\xFE\xFF\x30\x42");
  run = Tool("--to euc --from utf8 -", "\xE3\x81\x82");
  EXPECT_EQ(run.out, "\xA4\xA2");
  // Input that detection leaves alone passes through, zero bytes included.
  run = Tool("--to utf8", std::string("ab\0c", 4));
  EXPECT_EQ(run.out, std::string("ab\0c", 4));
}

TEST_F(JconvCli, UsageErrorsExitWithTwo) {
  for (const std::string args : {"", "--to", "--to klingon", "--to sjis --from", "--detect --to sjis",
                                 "--to sjis a b", "--frobnicate"}) {
    const ToolResult run = Tool(args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << args;
    EXPECT_TRUE(run.out.empty()) << args;
  }
}

TEST_F(JconvCli, UnreadableFileIsNamed) {
  const std::string missing = dir_.File("nowhere.txt");
  const ToolResult run = Tool("--to sjis " + Quote(missing));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
  // A folder cannot be read as a file either.
  const ToolResult folder = Tool("--to sjis " + Quote(dir_.path().string()));
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_NE(folder.err.find(dir_.path().string()), std::string::npos) << folder.err;
}

TEST_F(JconvCli, ReadFailuresGiveTheSystemsReason) {
  const std::string missing = dir_.File("nowhere.txt");
  EXPECT_EQ(Tool("--detect " + Quote(missing)).err,
            "lyrimate-jconv: cannot read " + missing + ": No such file or directory\n");
  // A folder opens but its reading fails.
  const std::string folder = dir_.path().string();
  EXPECT_EQ(Tool("--to sjis " + Quote(folder)).err, "lyrimate-jconv: cannot read " + folder + ": Is a directory\n");
  // Standard input that is a folder.
  TempDir other;
  std::filesystem::create_directory(other.path() / "stdin");
  const ToolResult run = RunTool(kTool, "--detect -", "", other);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "lyrimate-jconv: cannot read standard input: Is a directory\n");
}

TEST_F(JconvCli, HelpExitsWithZero) {
  const ToolResult run = Tool("--help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("--detect"), std::string::npos);
  EXPECT_NE(run.out.find("utf8bom"), std::string::npos);
}

}  // namespace
