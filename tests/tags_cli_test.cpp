// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the lyrimate-tags program that is built next to this test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ID3v1Builders.h"
#include "TestSupport.h"
#include "ToolSupport.h"

namespace {

using id3v1_test::CbrMpegFrames;
using id3v1_test::CommentWithTrack;
using id3v1_test::Id3v1Block;
using id3v1_test::Id3v1Fields;
using testing_support::Quote;
using testing_support::RunTool;
using testing_support::TempDir;
using testing_support::ToolResult;
using testing_support::WriteBytes;

ToolResult RunTags(const std::vector<std::string>& arguments) {
  TempDir streams;
  std::string args;
  for (const std::string& argument : arguments) args += " " + Quote(argument);
  return RunTool("lyrimate-tags", args, "", streams);
}

// An MP3 with an ID3v1 tag only.
std::string WriteMp3(const TempDir& dir, const std::string& name, const Id3v1Fields& fields) {
  const std::string path = dir.File(name);
  WriteBytes(path, CbrMpegFrames(10) + Id3v1Block(fields));
  return path;
}

TEST(TagsCli, UsageErrorsGiveStatusTwoAndAUsageLine) {
  TempDir dir;
  const std::string file = WriteMp3(dir, "a.mp3", Id3v1Fields().Title("x"));
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"-n"}, {"-n", "Title"}, {"-x", file}, {"--bogus", file}}) {
    const ToolResult run = RunTags(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments.size();
    EXPECT_EQ(run.err.rfind("usage: lyrimate-tags", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(TagsCli, HelpDescribesTheTool) {
  const ToolResult run = RunTags({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("lyrimate-tags [-n NAME[,NAME...]] FILE..."), std::string::npos);
  EXPECT_NE(run.out.find("!unrecognised"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(TagsCli, UnrecognisedFilesAndTheExitStatus) {
  TempDir dir;
  const std::string text = dir.File("notes.txt");
  WriteBytes(text, "just some text, no audio here\n");
  const std::string missing = dir.File("missing.mp3");
  ToolResult run = RunTags({text, missing});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "# " + text + "\n!unrecognised\n# " + missing + "\n!unrecognised\n");

  // "--" ends the options, so a file may begin with "-".
  run = RunTags({"-n", "Title", "--", "-odd"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "# -odd\n!unrecognised\n");
}

TEST(TagsCli, NamedValuesInTheOrderGiven) {
  TempDir dir;
  const std::string song = WriteMp3(dir, "song.mp3", Id3v1Fields().Title("Title").Artist("Artist").Comment(CommentWithTrack("", 3)));
  const ToolResult run = RunTags({"-n", "Artist,NoSuchName,title,Track", song});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "# " + song + "\nArtist\tArtist\nNoSuchName\t\ntitle\tTitle\nTrack\t0\n");
}

TEST(TagsCli, ValuesAreUtf8WithEscapes) {
  TempDir dir;
  // Shift_JIS "ソ" (its trail byte is 0x5C), then a backslash, TAB, CR and LF inside the title.
  const std::string song = WriteMp3(dir, "esc.mp3", Id3v1Fields().Title("\x83\x5C\\a\tb\rc\nd"));
  const ToolResult run = RunTags({"-n", "Title", song});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "# " + song + "\nTitle\t\xE3\x82\xBD\\\\a\\tb\\rc\\nd\n");
}

TEST(TagsCli, AllNamesByDefaultAndMixedResults) {
  TempDir dir;
  const std::string song = WriteMp3(dir, "\xE6\x9B\xB2.mp3", Id3v1Fields().Title("T"));  // "曲.mp3" in UTF-8
  const std::string text = dir.File("x.txt");
  WriteBytes(text, "x");
  const ToolResult run = RunTags({song, text});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.rfind("# " + song + "\nFileFormat\tMP3\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\nTitle\tT\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nVBR\t\n"), std::string::npos);
  const std::string tail = "# " + text + "\n!unrecognised\n";
  ASSERT_GE(run.out.size(), tail.size());
  EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
  // Each name once.
  std::size_t titles = 0;
  for (std::size_t at = run.out.find("\nTitle\t"); at != std::string::npos; at = run.out.find("\nTitle\t", at + 1)) ++titles;
  EXPECT_EQ(titles, 1u);
}

}  // namespace
