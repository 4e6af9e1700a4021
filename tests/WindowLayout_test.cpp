// SPDX-License-Identifier: GPL-3.0-or-later
// The remembered layout in the settings file: a round trip, values that do not fit, and the
// settings and other sections left as they were.
#include "library/WindowLayout.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "library/MainState.h"

namespace {

using library::ListId;
using library::WindowLayout;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

std::string AppDir(const TempDir& dir) { return dir.path().string() + "/"; }

WindowLayout ReadWith(const TempDir& dir, const std::string& layoutSection) {
  WriteBytes(AppDir(dir) + "Lyrimate.ini", "[Layout]\r\n" + layoutSection);
  return library::ReadWindowLayout(AppDir(dir));
}

TEST(WindowLayout, NothingRememberedGivesTheDefaults) {
  TempDir dir;
  const WindowLayout layout = library::ReadWindowLayout(AppDir(dir));
  EXPECT_TRUE(layout.geometry.empty());
  EXPECT_TRUE(layout.mList.columnWidths.empty());
  EXPECT_EQ(layout.aList.sortColumn, -1);
  EXPECT_EQ(layout.tab, ListId::MList);
  EXPECT_EQ(layout.editorWidth, 0);
  EXPECT_TRUE(layout.editorFolder.empty());
}

TEST(WindowLayout, RoundTripKeepsTheSettingsAndOtherSections) {
  TempDir dir;
  const std::string ini = AppDir(dir) + "Lyrimate.ini";
  WriteBytes(ini, "[Lyrimate]\r\nAutoConnect=1\r\nAutoCopy=1\r\n[Other]\r\nX=y\r\n");
  WindowLayout layout;
  layout.geometry = "AdnQywADAAAAAAAA+/==";
  layout.windowState = "AAAA/w==";
  layout.mList = {{140, 100, 60, 0, 70, 60}, 3, true};
  layout.aList = {{200, 100, 60, 100, 70, 60, 300}, 0, false};
  layout.tab = ListId::AList;
  layout.editorWidth = 521;
  layout.editorHeight = 365;
  layout.editorFolder = "/home/user/\x89\xCC\x8E\x8C";  // 歌詞, a code page 932 name
  ASSERT_TRUE(library::WriteWindowLayout(AppDir(dir), layout));

  const WindowLayout read = library::ReadWindowLayout(AppDir(dir));
  EXPECT_EQ(read.geometry, layout.geometry);
  EXPECT_EQ(read.windowState, layout.windowState);
  EXPECT_EQ(read.mList.columnWidths, layout.mList.columnWidths);
  EXPECT_EQ(read.mList.sortColumn, 3);
  EXPECT_TRUE(read.mList.sortDescending);
  EXPECT_EQ(read.aList.columnWidths, layout.aList.columnWidths);
  EXPECT_EQ(read.aList.sortColumn, 0);
  EXPECT_FALSE(read.aList.sortDescending);
  EXPECT_EQ(read.tab, ListId::AList);
  EXPECT_EQ(read.editorWidth, 521);
  EXPECT_EQ(read.editorHeight, 365);
  EXPECT_EQ(read.editorFolder, layout.editorFolder);

  const library::Settings settings = library::ReadSettings(AppDir(dir));
  EXPECT_TRUE(settings.AutoConnect);
  EXPECT_TRUE(settings.AutoCopy);
  EXPECT_NE(ReadBytes(ini).find("[Other]\r\nX=y\r\n"), std::string::npos);
}

TEST(WindowLayout, ValuesThatDoNotFitCountAsNotRemembered) {
  TempDir dir;
  const struct {
    const char* line;
    bool (*notRemembered)(const WindowLayout&);
  } cases[] = {
      {"MListColumns=140,,60", [](const WindowLayout& l) { return l.mList.columnWidths.empty(); }},
      {"MListColumns=140,100,", [](const WindowLayout& l) { return l.mList.columnWidths.empty(); }},
      {"MListColumns=1,2,3,4,5,6,7,8", [](const WindowLayout& l) { return l.mList.columnWidths.empty(); }},
      {"MListColumns=140,-1", [](const WindowLayout& l) { return l.mList.columnWidths.empty(); }},
      {"MListColumns=99999999999999999999", [](const WindowLayout& l) { return l.mList.columnWidths.empty(); }},
      {"AListSort=7,A", [](const WindowLayout& l) { return l.aList.sortColumn == -1; }},
      {"AListSort=-1,A", [](const WindowLayout& l) { return l.aList.sortColumn == -1; }},
      {"AListSort=2,X", [](const WindowLayout& l) { return l.aList.sortColumn == -1; }},
      {"AListSort=2", [](const WindowLayout& l) { return l.aList.sortColumn == -1; }},
      {"Tab=2", [](const WindowLayout& l) { return l.tab == ListId::MList; }},
      {"EditorSize=521", [](const WindowLayout& l) { return l.editorWidth == 0 && l.editorHeight == 0; }},
      {"EditorSize=0,365", [](const WindowLayout& l) { return l.editorWidth == 0 && l.editorHeight == 0; }},
      {"EditorSize=521,365,1", [](const WindowLayout& l) { return l.editorWidth == 0 && l.editorHeight == 0; }},
      {"Geometry=ab cd", [](const WindowLayout& l) { return l.geometry.empty(); }},
      {"WindowState=<xml/>", [](const WindowLayout& l) { return l.windowState.empty(); }},
  };
  for (const auto& c : cases) EXPECT_TRUE(c.notRemembered(ReadWith(dir, std::string(c.line) + "\r\n"))) << c.line;
  // Blanks around a value are the file's, not the value's.
  EXPECT_EQ(ReadWith(dir, "MListColumns= 140 , 100 \r\n").mList.columnWidths, (std::vector<int>{140, 100}));
}

TEST(WindowLayout, AFolderTheFileCouldNotKeepIsLeftOutAndTheRestWritten) {
  TempDir dir;
  for (const char* folder : {"/a\r\nTab=1", " /lead", "/trail ", "\"/quoted\""}) {
    WindowLayout layout;
    layout.editorFolder = folder;
    layout.editorWidth = 600;
    layout.editorHeight = 400;
    ASSERT_TRUE(library::WriteWindowLayout(AppDir(dir), layout)) << folder;
    const WindowLayout read = library::ReadWindowLayout(AppDir(dir));
    EXPECT_EQ(read.editorFolder, "") << folder;
    EXPECT_EQ(read.editorWidth, 600) << folder;
    EXPECT_EQ(read.tab, ListId::MList) << folder;
  }
}

TEST(WindowLayout, AFileThatCannotBeWrittenIsReported) {
  TempDir dir;
  EXPECT_FALSE(library::WriteWindowLayout(AppDir(dir) + "missing/", WindowLayout{}));
}

}  // namespace
