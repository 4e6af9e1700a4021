// Runs the lyrimate-tags program that is built next to this test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ID3v1Builders.h"
#include "TestSupport.h"

namespace {

using id3v1_test::CbrMpegFrames;
using id3v1_test::CommentWithTrack;
using id3v1_test::Id3v1Block;
using id3v1_test::Id3v1Fields;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

struct RunResult {
  int status = -1;
  std::string out, err;
};

std::string ToolPath() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "lyrimate-tags").string();
}

RunResult RunTool(const std::vector<std::string>& arguments) {
  TempDir outputs;
  const std::string outPath = outputs.File("out"), errPath = outputs.File("err");
  const std::string tool = ToolPath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(tool.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  RunResult result;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = ReadBytes(outPath);
  result.err = ReadBytes(errPath);
  return result;
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
    const RunResult run = RunTool(arguments);
    EXPECT_EQ(run.status, 2) << arguments.size();
    EXPECT_EQ(run.err.rfind("usage: lyrimate-tags", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(TagsCli, HelpDescribesTheTool) {
  const RunResult run = RunTool({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("lyrimate-tags [-n NAME[,NAME...]] FILE..."), std::string::npos);
  EXPECT_NE(run.out.find("!unrecognised"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(TagsCli, UnrecognisedFilesAndTheExitStatus) {
  TempDir dir;
  const std::string text = dir.File("notes.txt");
  WriteBytes(text, "just some text, no audio here\n");
  const std::string missing = dir.File("missing.mp3");
  RunResult run = RunTool({text, missing});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "# " + text + "\n!unrecognised\n# " + missing + "\n!unrecognised\n");

  // "--" ends the options, so a file may begin with "-".
  run = RunTool({"-n", "Title", "--", "-odd"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "# -odd\n!unrecognised\n");
}

TEST(TagsCli, NamedValuesInTheOrderGiven) {
  TempDir dir;
  const std::string song = WriteMp3(dir, "song.mp3", Id3v1Fields().Title("Title").Artist("Artist").Comment(CommentWithTrack("", 3)));
  const RunResult run = RunTool({"-n", "Artist,NoSuchName,title,Track", song});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "# " + song + "\nArtist\tArtist\nNoSuchName\t\ntitle\tTitle\nTrack\t0\n");
}

TEST(TagsCli, ValuesAreUtf8WithEscapes) {
  TempDir dir;
  // Shift_JIS "ソ" (its trail byte is 0x5C), then a backslash, TAB, CR and LF inside the title.
  const std::string song = WriteMp3(dir, "esc.mp3", Id3v1Fields().Title("\x83\x5C\\a\tb\rc\nd"));
  const RunResult run = RunTool({"-n", "Title", song});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "# " + song + "\nTitle\t\xE3\x82\xBD\\\\a\\tb\\rc\\nd\n");
}

TEST(TagsCli, AllNamesByDefaultAndMixedResults) {
  TempDir dir;
  const std::string song = WriteMp3(dir, "\xE6\x9B\xB2.mp3", Id3v1Fields().Title("T"));  // "曲.mp3" in UTF-8
  const std::string text = dir.File("x.txt");
  WriteBytes(text, "x");
  const RunResult run = RunTool({song, text});
  EXPECT_EQ(run.status, 1);
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
