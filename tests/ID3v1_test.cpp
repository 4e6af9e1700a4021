// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/ID3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ID3v1Builders.h"
#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using id3v1_test::CommentWithTrack;
using id3v1_test::Id3v1Block;
using id3v1_test::Id3v1Fields;
using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string Audio(300, '\x11');

// A file of some audio bytes followed by the block.
std::string TaggedFile(const TempDir& dir, const Id3v1Fields& fields, const std::string& name = "song.mp3") {
  const std::string path = dir.File(name);
  WriteBytes(path, Audio + Id3v1Block(fields));
  return path;
}

// The block with its bytes 125 and 126 replaced.
std::string WithBytes125And126(std::string block, int byte125, int byte126) {
  block.replace(125, 2, {static_cast<char>(byte125), static_cast<char>(byte126)});
  return block;
}

void ExpectCleared(const TID3v1& tag) {
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.VersionID(), 1);
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.Artist(), "");
  EXPECT_EQ(tag.Album(), "");
  EXPECT_EQ(tag.Year(), "");
  EXPECT_EQ(tag.Comment(), "");
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_EQ(tag.GenreID(), 255);
  EXPECT_EQ(tag.FileFormat(), "unknown");
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(ID3v1Read, FileShorterThanABlockIsRefusedByReadAndStrip) {
  TempDir dir;
  const std::string path = dir.File("short.mp3");
  WriteBytes(path, Id3v1Block(Id3v1Fields().Title("x")).substr(0, 127));
  TID3v1 tag;
  EXPECT_FALSE(tag.LoadFromFile(path));
  ExpectCleared(tag);
  EXPECT_FALSE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path).size(), 127u);
  EXPECT_FALSE(tag.LoadFromFile(dir.File("missing.mp3")));
}

TEST(ID3v1Read, FileThatIsExactlyOneBlockIsRead) {
  TempDir dir;
  const std::string path = dir.File("only-tag.mp3");
  WriteBytes(path, Id3v1Block(Id3v1Fields().Title("Only").Genre(17)));
  TID3v1 tag;
  ASSERT_TRUE(tag.LoadFromFile(path));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "Only");
  EXPECT_EQ(tag.GenreID(), 17);
  EXPECT_EQ(tag.Genre(), "Rock");
}

TEST(ID3v1Read, IdentifierIsCaseSensitiveAndMustEndTheFile) {
  TempDir dir;
  TID3v1 tag;
  const std::string lower = dir.File("lower.mp3");
  WriteBytes(lower, Audio + "tag" + Id3v1Block(Id3v1Fields().Title("x")).substr(3));
  EXPECT_FALSE(tag.LoadFromFile(lower));
  ExpectCleared(tag);

  // A block one byte before the end is not the last 128 bytes.
  const std::string shifted = dir.File("shifted.mp3");
  WriteBytes(shifted, Audio + Id3v1Block(Id3v1Fields().Title("x")) + "\x01");
  EXPECT_FALSE(tag.LoadFromFile(shifted));
}

TEST(ID3v1Read, FieldsAndTrailingPadding) {
  TempDir dir;
  TID3v1 tag;
  Id3v1Fields fields = Id3v1Fields().Title("abc").Artist(std::string("abc\0de", 6)).Album("Album \t\r\n").Year("1999").Comment("note");
  ASSERT_TRUE(tag.LoadFromFile(TaggedFile(dir, fields)));
  EXPECT_EQ(tag.Title(), "abc");
  EXPECT_EQ(tag.Artist(), std::string("abc\0de", 6));  // inner zero byte kept
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Comment(), "note");
  EXPECT_EQ(tag.VersionID(), 1);

  fields.padding = ' ';
  fields.title = "\x83\x5C";  // a double-byte character whose trail byte is a backslash
  fields.artist = std::string(30, 'A');
  ASSERT_TRUE(tag.LoadFromFile(TaggedFile(dir, fields)));
  EXPECT_EQ(tag.Title(), "\x83\x5C");
  EXPECT_EQ(tag.Artist(), std::string(30, 'A'));
  EXPECT_EQ(tag.Album(), "Album");
}

TEST(ID3v1Read, VersionAndTrackFromBytes125And126) {
  TempDir dir;
  TID3v1 tag;
  const std::string path = dir.File("v.mp3");
  const std::string base = Id3v1Block(Id3v1Fields().Comment(std::string(30, 'c')));
  struct Case {
    int byte125, byte126;
    int version, track;
    std::string comment;
  };
  const Case cases[] = {
      {0, 5, 2, 5, std::string(28, 'c')},
      {' ', 'A', 2, 65, std::string(28, 'c')},
      {' ', 0, 2, 0, std::string(28, 'c')},  // a space then anything but a space
      {' ', ' ', 1, 0, std::string(28, 'c')},
      {0, 0, 1, 0, std::string(28, 'c')},
      {'x', 9, 1, 0, std::string(28, 'c') + "x"},  // the 9 is trailing padding
      {'x', 'y', 1, 0, std::string(28, 'c') + "xy"},
  };
  for (const Case& c : cases) {
    WriteBytes(path, Audio + WithBytes125And126(base, c.byte125, c.byte126));
    ASSERT_TRUE(tag.LoadFromFile(path));
    EXPECT_EQ(tag.VersionID(), c.version) << c.byte125 << "/" << c.byte126;
    EXPECT_EQ(tag.Track(), c.track) << c.byte125 << "/" << c.byte126;
    EXPECT_EQ(tag.Comment(), c.comment) << c.byte125 << "/" << c.byte126;
  }

  WriteBytes(path, Audio + Id3v1Block(Id3v1Fields().Comment(CommentWithTrack("short", 12))));
  ASSERT_TRUE(tag.LoadFromFile(path));
  EXPECT_EQ(tag.Comment(), "short");
  EXPECT_EQ(tag.Track(), 12);
}

TEST(ID3v1Read, FailedReadAfterAGoodOneLeavesTheClearedState) {
  TempDir dir;
  TID3v1 tag;
  ASSERT_TRUE(tag.LoadFromFile(TaggedFile(dir, Id3v1Fields().Title("t").Comment(CommentWithTrack("", 3)).Genre(1))));
  const std::string untagged = dir.File("plain.mp3");
  WriteBytes(untagged, Audio);
  EXPECT_FALSE(tag.LoadFromFile(untagged));
  ExpectCleared(tag);
}

TEST(ID3v1Read, ShiftJisStaysLatin1AndUtf8AreConverted) {
  TempDir dir;
  TID3v1 tag;
  ASSERT_TRUE(tag.LoadFromFile(TaggedFile(dir, Id3v1Fields()
                                                   .Title(platform::Sjis("日本語の歌"))
                                                   .Artist("Beyonc\xE9")
                                                   .Album("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E")
                                                   .Comment("\xC3\xBD"))));
  EXPECT_EQ(tag.Title(), platform::Sjis("日本語の歌"));
  EXPECT_EQ(tag.Artist(), "Beyonc?");
  EXPECT_EQ(tag.Album(), platform::Sjis("日本語"));
  EXPECT_EQ(tag.Comment(), "\xC3\xBD");  // Shift_JIS "ﾃｽ" though also valid UTF-8
}

TEST(ID3v1Genre, TableEntriesAndLimits) {
  EXPECT_EQ(ID3v1GenreName(0), "Blues");
  EXPECT_EQ(ID3v1GenreName(79), "Hard Rock");
  EXPECT_EQ(ID3v1GenreName(80), "Folk");
  EXPECT_EQ(ID3v1GenreName(92), "Progessive Rock");
  EXPECT_EQ(ID3v1GenreName(145), "Anime");
  EXPECT_EQ(ID3v1GenreName(146), "JPop");
  EXPECT_EQ(ID3v1GenreName(147), "Synthpop");
  // Winamp 5.6's extension up to 191.
  EXPECT_EQ(ID3v1GenreName(148), "Abstract");
  EXPECT_EQ(ID3v1GenreName(185), "Neue Deutsche Welle");
  EXPECT_EQ(ID3v1GenreName(191), "Psybient");
  EXPECT_EQ(ID3v1GenreName(192), "");
  EXPECT_EQ(ID3v1GenreName(-1), "");
  for (int i = 0; i < ID3v1GenreCount; ++i) EXPECT_NE(ID3v1GenreName(i), "") << i;

  TID3v1 tag;
  tag.SetGenreID(147);
  EXPECT_EQ(tag.Genre(), "Synthpop");
  tag.SetGenreID(191);
  EXPECT_EQ(tag.Genre(), "Psybient");
  tag.SetGenreID(192);
  EXPECT_EQ(tag.Genre(), "");
  tag.SetGenreID(255);
  EXPECT_EQ(tag.Genre(), "");
}

TEST(ID3v1Setters, TrimThenKeepTheCapacity) {
  TID3v1 tag;
  tag.SetTitle("Title  \t");
  EXPECT_EQ(tag.Title(), "Title");
  tag.SetArtist(std::string(40, 'a'));
  EXPECT_EQ(tag.Artist(), std::string(30, 'a'));
  tag.SetYear("20245");
  EXPECT_EQ(tag.Year(), "2024");
  tag.SetComment(std::string(30, 'c') + "   ");
  EXPECT_EQ(tag.Comment(), std::string(30, 'c'));
  // A double-byte character that would straddle the limit is left out whole.
  tag.SetAlbum(std::string(29, 'b') + "\x83\x41");
  EXPECT_EQ(tag.Album(), std::string(29, 'b'));
  tag.SetAlbum(std::string(28, 'b') + "\x83\x41\x83\x41");
  EXPECT_EQ(tag.Album(), std::string(28, 'b') + "\x83\x41");
  tag.SetTrack(200);
  EXPECT_EQ(tag.Track(), 200);
}

TEST(ID3v1Properties, PublishedInOrderWithWritableFields) {
  TID3v1 tag;
  std::vector<std::string> names;
  for (const PropertyInfo& info : tag.Properties()) names.push_back(info.name);
  const std::vector<std::string> expected = {"FileFormat", "Exists", "VersionID", "Title", "Artist", "Album",
                                             "Year", "Comment", "Track", "GenreID", "Genre"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(tag.FindProperty("Genre")->set, nullptr);
  EXPECT_EQ(tag.FindProperty("Exists")->set, nullptr);
  tag.FindProperty("title")->set(tag, PropValue(std::string("via table   ")));
  EXPECT_EQ(tag.Title(), "via table");
  tag.FindProperty("Track")->set(tag, PropValue(std::int64_t{9}));
  EXPECT_EQ(std::get<std::int64_t>(tag.FindProperty("Track")->get(tag)), 9);
  EXPECT_EQ(std::get<bool>(tag.FindProperty("Exists")->get(tag)), false);
}

TEST(ID3v1Write, RoundTripAndReplacingAnExistingTag) {
  TempDir dir;
  const std::string path = TaggedFile(dir, Id3v1Fields().Title("Old").Comment("old comment"));
  TID3v1 tag;
  tag.SetTitle("\x93\xfa\x96\x7b");  // two double-byte characters
  tag.SetArtist("Artist");
  tag.SetAlbum("Album");
  tag.SetYear("2001");
  tag.SetComment("Comment");
  tag.SetTrack(7);
  tag.SetGenreID(92);
  ASSERT_TRUE(tag.WriteToFile(path));
  const std::string content = ReadBytes(path);
  ASSERT_EQ(content.size(), Audio.size() + 128);
  EXPECT_EQ(content.substr(0, Audio.size()), Audio);
  const std::string block = content.substr(Audio.size());
  EXPECT_EQ(block.substr(0, 3), "TAG");
  EXPECT_EQ(block.substr(3, 30), std::string("\x93\xfa\x96\x7b") + std::string(26, '\0'));
  EXPECT_EQ(block[125], '\0');
  EXPECT_EQ(block[126], '\x07');
  EXPECT_EQ(static_cast<unsigned char>(block[127]), 92);

  TID3v1 read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Title(), "\x93\xfa\x96\x7b");
  EXPECT_EQ(read.Artist(), "Artist");
  EXPECT_EQ(read.Album(), "Album");
  EXPECT_EQ(read.Year(), "2001");
  EXPECT_EQ(read.Comment(), "Comment");
  EXPECT_EQ(read.VersionID(), 2);
  EXPECT_EQ(read.Track(), 7);
  EXPECT_EQ(read.Genre(), "Progessive Rock");
}

TEST(ID3v1Write, TrackZeroKeepsTheCommentsLastBytes) {
  TempDir dir;
  const std::string path = dir.File("plain.mp3");
  WriteBytes(path, Audio);
  TID3v1 tag;
  tag.SetComment(std::string(30, 'z'));
  ASSERT_TRUE(tag.WriteToFile(path));
  std::string block = ReadBytes(path).substr(Audio.size());
  EXPECT_EQ(block.substr(97, 30), std::string(30, 'z'));
  EXPECT_EQ(static_cast<unsigned char>(block[127]), 255);

  tag.SetComment("z");
  ASSERT_TRUE(tag.WriteToFile(path));
  block = ReadBytes(path).substr(Audio.size());
  EXPECT_EQ(block[125], '\0');
  EXPECT_EQ(block[126], '\0');
  EXPECT_EQ(ReadBytes(path).size(), Audio.size() + 128);
}

TEST(ID3v1Write, ReadOnlyFileIsWritten) {
  TempDir dir;
  const std::string path = dir.File("ro.mp3");
  WriteBytes(path, Audio);
  chmod(path.c_str(), 0444);
  TID3v1 tag;
  tag.SetTitle("x");
  EXPECT_TRUE(tag.WriteToFile(path));
  EXPECT_EQ(ReadBytes(path).size(), Audio.size() + 128);
}

TEST(ID3v1Write, FailsWhereTheFileCannotBeReadAsABlock) {
  TempDir dir;
  TID3v1 tag;
  tag.SetTitle("x");
  EXPECT_FALSE(tag.WriteToFile(dir.File("missing.mp3")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.mp3")));
  // The tag is written only after the old one was looked for in the last 128 bytes.
  const std::string tiny = dir.File("tiny.mp3");
  WriteBytes(tiny, "abc");
  EXPECT_FALSE(tag.WriteToFile(tiny));
  EXPECT_EQ(ReadBytes(tiny), "abc");
}

TEST(ID3v1Strip, RemovesTheTagOrLeavesAnUntaggedFileAlone) {
  TempDir dir;
  TID3v1 tag;
  const std::string tagged = TaggedFile(dir, Id3v1Fields().Title("x"));
  chmod(tagged.c_str(), 0444);
  EXPECT_TRUE(tag.StripFromFile(tagged));
  EXPECT_EQ(ReadBytes(tagged), Audio);
  // Nothing left to remove: true and the audio stays.
  EXPECT_TRUE(tag.StripFromFile(tagged));
  EXPECT_EQ(ReadBytes(tagged), Audio);

  const std::string plain = dir.File("plain.mp3");
  WriteBytes(plain, Audio);
  chmod(plain.c_str(), 0444);
  EXPECT_TRUE(tag.StripFromFile(plain));
  EXPECT_EQ(ReadBytes(plain), Audio);
  EXPECT_EQ(ModeOf(plain), 0444u);
}

}  // namespace
