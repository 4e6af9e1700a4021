// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/File.h"

namespace {

using library::JoinLinesCrLf;
using library::MainState;
using library::SplitLines;
using platform::Sjis;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Lines = std::vector<std::string>;

TEST(LyricsLines, EveryKindOfLineBreakEndsALine) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitLines("\n\r"), (Lines{"", ""}));  // LF then a lone CR: two empty lines
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(JoinLinesCrLf("a\nb"), "a\r\nb\r\n");
  EXPECT_EQ(JoinLinesCrLf("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(JoinLinesCrLf(""), "");
  EXPECT_EQ(JoinLinesCrLf("\r"), "\r\n");
  const std::string japanese = Sjis("表示\nソ");  // trail bytes 0x5C stay inside their lines
  EXPECT_EQ(JoinLinesCrLf(japanese), Sjis("表示\r\nソ\r\n"));
}

TEST(LyricsFileName, SlashesBecomeUnderscoresAndNothingElseOfAnOrdinaryName) {
  TempDir dir;
  MainState state(dir.path().string());
  const std::string data = dir.path().string() + "/MusicDatas/";
  EXPECT_EQ(library::LyricsFileName(state, "AC/DC Live", "X/Y"), data + "AC_DC Live-X_Y.txt");
  EXPECT_EQ(library::LyricsFileName(state, "Love/Hate", "Best"), data + "Love_Hate-Best.txt");
  EXPECT_EQ(library::LyricsFileName(state, " a ", "B"), data + " a -B.txt");  // nothing trimmed
  EXPECT_EQ(library::LyricsFileName(state, "Why?", "a:b"), data + "Why_-a_b.txt");
  EXPECT_EQ(library::LyricsFileName(state, Sjis("ソ"), Sjis("表")), data + "ソ-表.txt");  // the system's form
  EXPECT_EQ(library::LyricsFileName(state, "../../etc", "x"), data + ".._.._etc-x.txt");
}

TEST(LyricsFiles, WrittenAsCrLfLinesReadBackAndTheOpeningLine) {
  TempDir dir;
  MainState state(dir.path().string());
  const std::string path = library::LyricsFileName(state, "a", "b");
  EXPECT_FALSE(library::ReadLyricsFile(path).has_value());
  EXPECT_EQ(library::OpeningLine(path), "");
  library::WriteLyricsFile(path, "first\nsecond");  // creates MusicDatas
  EXPECT_EQ(ReadBytes(path), "first\r\nsecond\r\n");
  EXPECT_EQ(library::ReadLyricsFile(path), "first\r\nsecond\r\n");
  EXPECT_EQ(library::OpeningLine(path), "first");
  library::WriteLyricsFile(path, "");
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(library::ReadLyricsFile(path), "");
  WriteBytes(path, "\r\nsecond");
  EXPECT_EQ(library::OpeningLine(path), "");
  WriteBytes(path, "only\rline");
  EXPECT_EQ(library::OpeningLine(path), "only");
}

TEST(LyricsFiles, AnOpeningLineLongerThanTheStartThatIsReadFirstIsWhole) {
  TempDir dir;
  MainState state(dir.path().string());
  const std::string path = library::LyricsFileName(state, "a", "b");
  library::WriteLyricsFile(path, "x");
  // By path and relative to the opened folder alike.
  const platform::DirHandle folder = platform::DirHandle::Open(state.DataFolder());
  const auto expectOpeningLine = [&](const std::string& line, std::size_t length) {
    EXPECT_EQ(library::OpeningLine(path), line) << length;
    EXPECT_EQ(library::OpeningLineIn(folder, state.DataFolder(), "a-b.txt"), line) << length;
  };
  for (std::size_t length : {0u, 1u, 4095u, 4096u, 4097u, 9000u}) {
    const std::string line(length, 'l');
    WriteBytes(path, line + "\r\nnext");
    expectOpeningLine(line, length);
    WriteBytes(path, line);
    expectOpeningLine(line, length);
  }
  // A CR as the last byte of the start, its LF after it.
  WriteBytes(path, std::string(4095, 'c') + "\r\nnext");
  expectOpeningLine(std::string(4095, 'c'), 4095);
  std::filesystem::remove(path);
  expectOpeningLine("", 0);
}

TEST(LyricsFiles, AWriteThatFailsHalfwayKeepsTheOldFile) {
  TempDir dir;
  MainState state(dir.path().string());
  const std::string path = library::LyricsFileName(state, "a", "b");
  library::WriteLyricsFile(path, "hand corrected");
  platform::SimulateFullDiskAfter(3);
  EXPECT_THROW(library::WriteLyricsFile(path, std::string(500, 'x')), platform::Error);
  platform::SimulateFullDiskAfter(-1);
  EXPECT_EQ(ReadBytes(path), "hand corrected\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "MusicDatas"),
                          std::filesystem::directory_iterator()), 1);
}

TEST(LyricsFiles, BlankMeansOnlySpacesAndControlCharacters) {
  EXPECT_TRUE(library::IsBlankLyrics(""));
  EXPECT_TRUE(library::IsBlankLyrics(" \r\n\t \x01"));
  EXPECT_FALSE(library::IsBlankLyrics(" \r\na\r\n"));
  EXPECT_FALSE(library::IsBlankLyrics(Sjis("　")));  // an ideographic space is a character
  // The limit is the byte 32, compared unsigned: zero bytes are blank, "!", DEL and any
  // byte from 0x80 (a lead byte read as a negative char would pass for blank) are not.
  EXPECT_TRUE(library::IsBlankLyrics(std::string("\0 \0\x1F", 4)));
  EXPECT_FALSE(library::IsBlankLyrics(" ! "));
  EXPECT_FALSE(library::IsBlankLyrics("\x7F"));
  EXPECT_FALSE(library::IsBlankLyrics(" \x80 "));
  EXPECT_FALSE(library::IsBlankLyrics("\xFF"));
}

}  // namespace
