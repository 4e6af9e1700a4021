// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/MainState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Error.h"

namespace {

using library::MainState;
using library::ParseWholeNumber;
using library::ReadSettings;
using library::Settings;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

std::string AppDirOf(const TempDir& dir) { return dir.path().string() + "/"; }

TEST(WholeNumber, SignDigitsAndSpacesOnly) {
  long long value = 7;
  EXPECT_TRUE(ParseWholeNumber("12", value));
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(ParseWholeNumber("  -3 ", value));
  EXPECT_EQ(value, -3);
  EXPECT_TRUE(ParseWholeNumber("+0", value));
  EXPECT_EQ(value, 0);
  for (const char* bad : {"", " ", "yes", "1/12", "1.0", "+", "-", "+-1", "0x10", "1 2", "99999999999999999999"}) {
    value = 42;
    EXPECT_FALSE(ParseWholeNumber(bad, value)) << bad;
    EXPECT_EQ(value, 42) << bad;
  }
}

TEST(Settings, DefaultsWithoutAFileAndReadingCreatesNothing) {
  TempDir dir;
  const Settings settings = ReadSettings(AppDirOf(dir));
  EXPECT_FALSE(settings.AutoConnect);
  EXPECT_TRUE(settings.AutoGetMusic);
  EXPECT_TRUE(settings.AutoCheck);
  EXPECT_FALSE(settings.AutoCopy);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Lyrimate.ini")));
}

TEST(Settings, WholeNumbersOtherThanZeroAreTrueAndAnythingElseIsTheDefault) {
  TempDir dir;
  WriteBytes(dir.File("Lyrimate.ini"),
             "[lyrimate]\r\nautoconnect=yes\r\nAutoGetMusic=0\r\nAutoCheck= -2 \r\nAutoCopy=5\r\n");
  const Settings settings = ReadSettings(AppDirOf(dir));
  EXPECT_FALSE(settings.AutoConnect);  // "yes" is not a whole number: default
  EXPECT_FALSE(settings.AutoGetMusic);
  EXPECT_TRUE(settings.AutoCheck);
  EXPECT_TRUE(settings.AutoCopy);
}

TEST(Settings, WrittenAsOneAndZeroAndReadBack) {
  TempDir dir;
  WriteBytes(dir.File("Lyrimate.ini"), "; kept\r\n[Other]\r\nx=1\r\n");
  library::WriteSettings(AppDirOf(dir), Settings{true, false, false, true});
  const std::string text = ReadBytes(dir.File("Lyrimate.ini"));
  EXPECT_NE(text.find("; kept"), std::string::npos);
  EXPECT_NE(text.find("AutoConnect=1"), std::string::npos);
  EXPECT_NE(text.find("AutoGetMusic=0"), std::string::npos);
  EXPECT_LT(text.find("AutoConnect"), text.find("AutoCopy"));
  MainState state(AppDirOf(dir));
  EXPECT_TRUE(state.AutoConnect);
  EXPECT_FALSE(state.AutoGetMusic);
  EXPECT_FALSE(state.AutoCheck);
  EXPECT_TRUE(state.AutoCopy);
}

TEST(Settings, AFolderThatCannotBeWrittenRaisesAndKeepsTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
  TempDir dir;
  WriteBytes(dir.File("Lyrimate.ini"), "[Lyrimate]\r\nAutoConnect=0\r\n");
  ::chmod(dir.path().c_str(), 0555);
  EXPECT_THROW(library::WriteSettings(AppDirOf(dir), Settings{true, true, true, true}), platform::Error);
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(dir.File("Lyrimate.ini")), "[Lyrimate]\r\nAutoConnect=0\r\n");
}

TEST(MainState, StartsDisconnectedWithEmptyFieldsAndADataFolderUnderAppDir) {
  TempDir dir;
  MainState state(dir.path().string());  // no trailing slash given
  EXPECT_EQ(state.AppDir, AppDirOf(dir));
  EXPECT_EQ(state.DataFolder(), AppDirOf(dir) + "MusicDatas/");
  EXPECT_TRUE(state.DriveRoot.empty());
  EXPECT_FALSE(state.Connected);
  EXPECT_FALSE(state.ImportLyrics);
  EXPECT_TRUE(state.LyricsPath.empty() && state.LyricsText.empty());
  EXPECT_EQ(state.Visible, library::ListId::MList);
  for (bool flag : state.SortFlags) EXPECT_FALSE(flag);
  ASSERT_TRUE(static_cast<bool>(state.Volumes));
}

}  // namespace
