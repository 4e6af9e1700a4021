// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using platform::ReadProfileString;
using platform::WriteProfileString;
using platform::WriteProfileStrings;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(ReadProfileString, MissingFileSectionOrKeyGiveTheDefaultAndCreateNothing) {
  TempDir dir;
  const std::string path = dir.File("Lyrimate.ini");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "AutoConnect", "def"), "def");
  EXPECT_FALSE(std::filesystem::exists(path));

  WriteBytes(path, "[Other]\r\nAutoConnect=1\r\n[Lyrimate]\r\nAutoCheck=0\r\n");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "AutoConnect", "def"), "def");
  EXPECT_EQ(ReadProfileString(path, "Missing", "AutoCheck", "def"), "def");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "AutoCheck", "def"), "0");
}

TEST(ReadProfileString, NamesIgnoreCaseAndValuesAreTrimmed) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path,
             "; AutoCopy=9 is a comment\r\n"
             "  [ lyrimate ]  \r\n"
             "  ;AutoCopy=8\r\n"
             "AUTOCONNECT =  yes please \t\r\n"
             "Empty=\r\n"
             "no equals sign here\r\n"
             "Quoted=\"  spaced  \"\r\n"
             "Half=\"open\r\n"
             "autoconnect=second\r\n");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "AutoConnect", "d"), "yes please");
  EXPECT_EQ(ReadProfileString(path, "LYRIMATE", "autocopy", "d"), "d");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "Empty", "d"), "");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "no equals sign here", "d"), "d");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "Quoted", "d"), "  spaced  ");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "Half", "d"), "\"open");
}

TEST(ReadProfileString, AcceptsEveryLineEnd) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  for (std::string end : {"\r\n", "\r", "\n"}) {
    WriteBytes(path, "[S]" + end + "A=1" + end + "B=2" + end + "[T]" + end + "C=3");
    EXPECT_EQ(ReadProfileString(path, "S", "A", ""), "1") << int(end.back());
    EXPECT_EQ(ReadProfileString(path, "S", "B", ""), "2");
    EXPECT_EQ(ReadProfileString(path, "S", "C", ""), "");
    EXPECT_EQ(ReadProfileString(path, "T", "C", ""), "3");
  }
}

TEST(ReadProfileString, JapaneseValuesAndSectionNames) {
  TempDir dir;
  const std::string path = dir.File("cdplayer.ini");
  const std::string title = platform::Sjis("表示ソフト");  // trail bytes 0x5C
  WriteBytes(path, "[6A1B2C3D]\r\nartist=" + title + "\r\n1=" + platform::Sjis("一曲目") + "\r\n");
  EXPECT_EQ(ReadProfileString(path, "6a1b2c3d", "ARTIST", ""), title);
  EXPECT_EQ(ReadProfileString(path, "6A1B2C3D", "1", ""), platform::Sjis("一曲目"));
}

TEST(WriteProfileString, CreatesTheFileWithCrLfLines) {
  TempDir dir;
  const std::string path = dir.File("Lyrimate.ini");
  ASSERT_TRUE(WriteProfileString(path, "Lyrimate", "AutoConnect", "1"));
  EXPECT_EQ(ReadBytes(path), "[Lyrimate]\r\nAutoConnect=1\r\n");
  for (const char* key : {"AutoGetMusic", "AutoCheck", "AutoCopy"}) ASSERT_TRUE(WriteProfileString(path, "Lyrimate", key, "0"));
  EXPECT_EQ(ReadBytes(path), "[Lyrimate]\r\nAutoConnect=1\r\nAutoGetMusic=0\r\nAutoCheck=0\r\nAutoCopy=0\r\n");
  EXPECT_EQ(ReadProfileString(path, "Lyrimate", "AutoCopy", "1"), "0");
}

TEST(WriteProfileString, ChangesOneKeyAndKeepsTheRestOfTheFile) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path,
             "; settings\n"
             "[Lyrimate]\n"
             "autoconnect = 0\n"
             "AutoCheck=1\n"
             "\n"
             "[Other]\n"
             "AutoConnect=7\n");
  ASSERT_TRUE(WriteProfileString(path, "LYRIMATE", "AutoConnect", "1"));
  EXPECT_EQ(ReadBytes(path),
            "; settings\r\n[Lyrimate]\r\nAutoConnect=1\r\nAutoCheck=1\r\n\r\n[Other]\r\nAutoConnect=7\r\n");

  // A new key goes after the section's last entry, before the blank line and the next section.
  ASSERT_TRUE(WriteProfileString(path, "Lyrimate", "AutoCopy", "0"));
  EXPECT_EQ(ReadBytes(path),
            "; settings\r\n[Lyrimate]\r\nAutoConnect=1\r\nAutoCheck=1\r\nAutoCopy=0\r\n\r\n[Other]\r\n"
            "AutoConnect=7\r\n");

  // A new section goes at the end.
  ASSERT_TRUE(WriteProfileString(path, "New", "K", "v"));
  EXPECT_EQ(ReadProfileString(path, "New", "K", ""), "v");
  EXPECT_EQ(ReadProfileString(path, "Other", "AutoConnect", ""), "7");
  EXPECT_TRUE(ReadBytes(path).ends_with("AutoConnect=7\r\n[New]\r\nK=v\r\n"));
}

TEST(WriteProfileString, FailuresLeaveTheFileAsItWas) {
  TempDir dir;
  EXPECT_FALSE(WriteProfileString(dir.File("missing/a.ini"), "S", "K", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));

  const std::string path = dir.File("a.ini");
  const std::string content = "[S]\r\nK=old\r\n";
  WriteBytes(path, content);
  // Texts that would break the line structure are refused.
  EXPECT_FALSE(WriteProfileString(path, "S", "K", "two\r\nlines"));
  EXPECT_FALSE(WriteProfileString(path, "S", "K=X", "v"));
  EXPECT_FALSE(WriteProfileString(path, "S", "", "v"));
  EXPECT_FALSE(WriteProfileString(path, "S]", "K", "v"));
  EXPECT_FALSE(WriteProfileString(path, "S", ";K", "v"));
  EXPECT_EQ(ReadBytes(path), content);
  // Only the file itself is in the folder: no temporary files are left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(WriteProfileStrings, SeveralKeysInOneWriteKeepOtherSectionsAndRefuseAllOnOneBadKey) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path, "[Lyrimate]\r\nAutoConnect=1\r\n\r\n[layout]\r\nTab=0\r\n");
  ASSERT_TRUE(WriteProfileStrings(path, "Layout", {{"tab", "1"}, {"Columns", "140,100"}, {"Columns", "90"}}));
  EXPECT_EQ(ReadBytes(path), "[Lyrimate]\r\nAutoConnect=1\r\n\r\n[layout]\r\ntab=1\r\nColumns=90\r\n");

  const std::string before = ReadBytes(path);
  EXPECT_FALSE(WriteProfileStrings(path, "Layout", {{"Tab", "0"}, {"Bad", "a\nb"}}));
  EXPECT_EQ(ReadBytes(path), before);

  ASSERT_TRUE(WriteProfileStrings(dir.File("new.ini"), "Layout", {{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(ReadBytes(dir.File("new.ini")), "[Layout]\r\nA=1\r\nB=2\r\n");
}

}  // namespace
