// SPDX-License-Identifier: GPL-3.0-or-later
// --version and --help of the four installed programs: one version for all, usage on standard
// output, nothing else done (no data folder made, no display needed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ProgramVersion.h"
#include "TestSupport.h"
#include "ToolSupport.h"

using testing_support::Quote;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::ToolPath;
using testing_support::ToolResult;

namespace fs = std::filesystem;

namespace {

const char* const kPrograms[] = {"lyrimate", "lyrimate-cli", "lyrimate-tags", "lyrimate-jconv"};

bool Built(const std::string& program) { return fs::exists(ToolPath(program)); }

// The application must answer without any window system.
class ProgramInfo : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
  }
  TempDir dir_;
};

TEST_F(ProgramInfo, VersionIsNameAndTheProjectVersion) {
  for (const std::string program : kPrograms) {
    if (!Built(program)) continue;
    const ToolResult run = RunTool(program, "--version", "", dir_);
    EXPECT_EQ(run.exitCode, 0) << program << run.err;
    EXPECT_EQ(run.out, program + " " + lyrimate::kVersion + "\n");
    EXPECT_EQ(run.err, "") << program;
  }
}

TEST_F(ProgramInfo, HelpPrintsUsageOnStandardOutput) {
  for (const std::string program : kPrograms) {
    if (!Built(program)) continue;
    for (const char* option : {"--help", "-h"}) {
      if (program == "lyrimate-tags" && std::string(option) == "-h") continue;  // -h is not one of its options
      const ToolResult run = RunTool(program, option, "", dir_);
      EXPECT_EQ(run.exitCode, 0) << program << ' ' << option << run.err;
      EXPECT_EQ(run.out.rfind("usage: " + program + " ", 0), 0u) << program << ' ' << option;
      EXPECT_NE(run.out.find("--version"), std::string::npos) << program;
      EXPECT_EQ(run.err, "") << program;
    }
  }
}

// The data folder's option comes first, as a user types it; answering must not make the folder.
TEST_F(ProgramInfo, OptionsAfterTheDataFolderAreAnsweredWithoutTouchingIt) {
  const std::string data = dir_.File("not-made");
  for (const std::string program : {"lyrimate", "lyrimate-cli"}) {
    if (!Built(program)) continue;
    for (const std::string option : {"--version", "--help"}) {
      const ToolResult run = RunTool(program, "--data-dir " + Quote(data) + " --player /nowhere " + option, "", dir_);
      EXPECT_EQ(run.exitCode, 0) << program << ' ' << option << run.err;
      EXPECT_FALSE(run.out.empty()) << program << ' ' << option;
      EXPECT_FALSE(fs::exists(data)) << program << ' ' << option;
    }
  }
}

TEST_F(ProgramInfo, UnknownOptionIsStillAUsageError) {
  for (const std::string program : {"lyrimate-cli", "lyrimate-tags", "lyrimate-jconv"}) {
    const ToolResult run = RunTool(program, "--versions", "", dir_);
    EXPECT_EQ(run.exitCode, 2) << program;
    EXPECT_EQ(run.out, "") << program;
    EXPECT_NE(run.err.find("usage: " + program), std::string::npos) << program << run.err;
  }
}

}  // namespace
