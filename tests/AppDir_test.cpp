// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/AppDirResolve.h"
#include "platform/CodePage.h"

namespace {

using platform::AppDirInputs;
using platform::ResolveAppDir;

AppDirInputs Inputs() {
  AppDirInputs inputs;
  inputs.currentFolder = "/home/someone/here";
  inputs.executableFolder = "/opt/lyrimate/bin";
  inputs.executableFolderWritable = true;
  inputs.xdgDataHome = "/home/u/data";
  inputs.home = "/home/u";
  return inputs;
}

TEST(ResolveAppDir, ChoosesDataDirThenWritableExecutableFolderThenXdg) {
  AppDirInputs inputs = Inputs();
  EXPECT_EQ(ResolveAppDir(inputs), "/opt/lyrimate/bin/");

  inputs.executableFolderWritable = false;
  EXPECT_EQ(ResolveAppDir(inputs), "/home/u/data/Lyrimate/");

  inputs.xdgDataHome = "";
  EXPECT_EQ(ResolveAppDir(inputs), "/home/u/.local/share/Lyrimate/");
  // A relative $XDG_DATA_HOME is not valid and is ignored.
  inputs.xdgDataHome = "data";
  EXPECT_EQ(ResolveAppDir(inputs), "/home/u/.local/share/Lyrimate/");

  inputs.dataDirArgument = "/srv/lyrics";
  EXPECT_EQ(ResolveAppDir(inputs), "/srv/lyrics/");
  inputs.executableFolderWritable = true;
  EXPECT_EQ(ResolveAppDir(inputs), "/srv/lyrics/");
}

TEST(ResolveAppDir, AnInstalledProgramRunByRootKeepsItsDataOutOfTheSystemFolders) {
  AppDirInputs inputs = Inputs();
  for (const char* installed : {"/usr/bin", "/usr/local/bin", "/bin", "/sbin"}) {
    inputs.executableFolder = installed;
    EXPECT_EQ(ResolveAppDir(inputs), "/home/u/data/Lyrimate/") << installed;
  }
  // Folders that only begin with the same letters are ordinary folders.
  for (const char* portable : {"/usr-portable/bin", "/binaries/lyrimate", "/library/lyrimate", "/sbinx"}) {
    inputs.executableFolder = portable;
    EXPECT_EQ(ResolveAppDir(inputs), std::string(portable) + "/") << portable;
  }
}

TEST(ResolveAppDir, EndsWithExactlyOneSlashAndKeepsTheSystemBytes) {
  AppDirInputs inputs = Inputs();
  inputs.dataDirArgument = "/srv/lyrics//";
  EXPECT_EQ(ResolveAppDir(inputs), "/srv/lyrics/");
  inputs.dataDirArgument = "/";
  EXPECT_EQ(ResolveAppDir(inputs), "/");
  inputs.dataDirArgument = "rel/dir";
  EXPECT_EQ(ResolveAppDir(inputs), "/home/someone/here/rel/dir/");
  inputs.dataDirArgument = "/home/u/歌詞";
  EXPECT_EQ(ResolveAppDir(inputs), "/home/u/歌詞/");
  // A name the code page cannot hold is kept exactly, never turned into "?".
  inputs.dataDirArgument = "/home/u/Zoë/d";
  EXPECT_EQ(ResolveAppDir(inputs), "/home/u/Zoë/d/");
  inputs.dataDirArgument.reset();
  inputs.executableFolderWritable = false;
  inputs.xdgDataHome = "/data/";
  EXPECT_EQ(ResolveAppDir(inputs), "/data/Lyrimate/");
}

TEST(DataDirArgument, BothFormsTheLastWins) {
  auto parse = [](std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    return platform::DataDirArgument(static_cast<int>(argv.size()), argv.data());
  };
  EXPECT_FALSE(parse({"lyrimate"}).has_value());
  EXPECT_EQ(parse({"lyrimate", "--data-dir", "/a"}), "/a");
  EXPECT_EQ(parse({"lyrimate", "--data-dir=/b", "--player", "/p"}), "/b");
  EXPECT_EQ(parse({"lyrimate", "--data-dir", "/a", "--data-dir=/b"}), "/b");
  EXPECT_FALSE(parse({"lyrimate", "--data-dir"}).has_value());
  EXPECT_FALSE(parse({"lyrimate", "--data-dir="}).has_value());
  EXPECT_FALSE(parse({"lyrimate", "--data-directory=/c"}).has_value());
  // The program name is never an option.
  EXPECT_FALSE(parse({"--data-dir=/d"}).has_value());
}

TEST(AppDir, InitFromTheCommandLineCreatesTheFolder) {
  testing_support::TempDir dir;
  std::string wanted = dir.File("data/sub");
  std::string option = "--data-dir";
  std::string program = "lyrimate";
  char* argv[] = {program.data(), option.data(), wanted.data()};
  platform::InitAppDir(3, argv);
  EXPECT_EQ(platform::AppDir(), wanted + "/");
  EXPECT_TRUE(std::filesystem::is_directory(wanted));

  platform::SetAppDir("/tmp/x");
  EXPECT_EQ(platform::AppDir(), "/tmp/x/");
  platform::SetAppDir("/tmp/y/");
  EXPECT_EQ(platform::AppDir(), "/tmp/y/");
}

TEST(AppDir, WithoutOptionsItIsTheWritableExecutableFolder) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  ASSERT_EQ(::access(exe.parent_path().c_str(), W_OK), 0);
  std::string program = "test";
  char* argv[] = {program.data()};
  platform::InitAppDir(1, argv);
  EXPECT_EQ(platform::AppDir(), exe.parent_path().string() + "/");
}

}  // namespace
