// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/ID3v2.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace {

using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using platform::Sjis;

// ---- builders ------------------------------------------------------------------------

// "ID3", version, revision 0, flags, syncsafe size of everything after the header.
Bytes TagHeader(int version, std::uint32_t bodySize, int flags = 0) {
  return Bytes().Text("ID3").U8(version).U8(0).U8(flags).Syncsafe32(bodySize);
}

// A version 2.3 frame: 4-character id, 32-bit big-endian size, two flag bytes.
Bytes Frame23(std::string_view id, std::string_view data, int secondFlags = 0) {
  return Bytes().Text(id).Be32(static_cast<std::uint32_t>(data.size())).U8(0).U8(secondFlags).Text(data);
}

// A version 2.4 frame: the size is syncsafe.
Bytes Frame24(std::string_view id, std::string_view data) {
  return Bytes().Text(id).Syncsafe32(static_cast<std::uint32_t>(data.size())).U8(0).U8(0).Text(data);
}

// A version 2.2 frame: 3-character id, 24-bit size, no flags.
Bytes Frame22(std::string_view id, std::string_view data) {
  return Bytes().Text(id).Be24(static_cast<std::uint32_t>(data.size())).Text(data);
}

// A whole tag: header, frames, padding zero bytes.
std::string Tag(int version, const Bytes& frames, std::size_t padding = 0) {
  return Bytes().Append(TagHeader(version, static_cast<std::uint32_t>(frames.size() + padding)))
      .Append(frames).Fill(padding).str();
}

const std::string Audio = Bytes({0xFF, 0xFB, 0x90, 0x64}).Fill(400, 0x55).str();

// Text frame data in each encoding.
std::string Latin(std::string_view text) { return std::string(1, '\0') + std::string(text); }

std::string Utf16LeUnits(std::u16string_view text) {
  Bytes bytes;
  for (char16_t c : text) bytes.Le16(c);
  return bytes.str();
}

std::string Utf16BeUnits(std::u16string_view text) {
  Bytes bytes;
  for (char16_t c : text) bytes.Be16(c);
  return bytes.str();
}

// UTF-16 strings as they follow the encoding byte: little-endian mark, units, zero unit.
std::string MarkedUtf16(std::u16string_view text) { return "\xFF\xFE" + Utf16LeUnits(text) + std::string(2, '\0'); }
std::string PlainUtf16Be(std::u16string_view text) { return Utf16BeUnits(text) + std::string(2, '\0'); }

// Text frame data: encoding 1 with a little-endian or big-endian mark, encoding 2.
std::string Utf16Bom(std::u16string_view text) { return "\x01" + MarkedUtf16(text); }
std::string Utf16BigBom(std::u16string_view text) { return "\x01\xFE\xFF" + PlainUtf16Be(text); }
std::string Utf16Be(std::u16string_view text) { return "\x02" + PlainUtf16Be(text); }
std::string Utf8(std::string_view text) { return "\x03" + std::string(text) + std::string(1, '\0'); }

// COMM/USLT data: encoding, language, description, content (already encoded, with terminators).
std::string LongText(char encoding, std::string_view description, std::string_view content) {
  return std::string(1, encoding) + "eng" + std::string(description) + std::string(content);
}

class ID3v2Test : public ::testing::Test {
protected:
  std::string Write(std::string_view name, const std::string& content) {
    std::string path = dir.File(name);
    WriteBytes(path, content);
    return path;
  }
  // Loads a file made of the tag and some audio bytes.
  TID3v2& Load(const std::string& tagBytes) {
    EXPECT_TRUE(tag.LoadFromFile(Write("song.mp3", tagBytes + Audio)));
    return tag;
  }

  TempDir dir;
  TID3v2 tag;
};

// ---- header and frame walk --------------------------------------------------------------

TEST_F(ID3v2Test, ReadsTheTextFramesOfAVersion23Tag) {
  Bytes frames = Bytes()
                     .Append(Frame23("TIT2", Latin("Title")))
                     .Append(Frame23("TPE1", Latin("Artist")))
                     .Append(Frame23("TALB", Latin("Album")))
                     .Append(Frame23("TRCK", Latin("7/12")))
                     .Append(Frame23("TYER", Latin("1999")))
                     .Append(Frame23("TCON", Latin("(17)Rock")))
                     .Append(Frame23("TCOM", Latin("Composer")))
                     .Append(Frame23("TENC", Latin("Encoder")))
                     .Append(Frame23("TCOP", Latin("Copyright")))
                     .Append(Frame23("TLAN", Latin("jpn")));
  Load(Tag(3, frames, 100));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.VersionID(), 3);
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(frames.size() + 100 + 10));
  EXPECT_EQ(tag.FileFormat(), "unknown");
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "Artist");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Track(), 7);
  EXPECT_EQ(tag.TrackString(), "7/12");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Genre(), "Rock");
  EXPECT_EQ(tag.Composer(), "Composer");
  EXPECT_EQ(tag.Encoder(), "Encoder");
  EXPECT_EQ(tag.Copyright(), "Copyright");
  EXPECT_EQ(tag.Language(), "jpn");
}

TEST_F(ID3v2Test, TrackAndGenreTextRules) {
  struct Case { const char* track; int number; const char* genre; const char* genreOut; };
  for (const Case& c : {Case{"A", 0, "(13)", "Pop"}, Case{"12", 12, "Pop", "Pop"},
                        Case{"3/", 3, "(1)(2)Jazz", "Jazz"}, Case{"70000", 70000 & 0xFFFF, "x)", "x)"},
                        Case{"", 0, "", ""}}) {
    Load(Tag(3, Bytes().Append(Frame23("TRCK", Latin(c.track))).Append(Frame23("TCON", Latin(c.genre)))));
    EXPECT_EQ(tag.Track(), c.number) << c.track;
    EXPECT_EQ(tag.TrackString(), c.track);
    EXPECT_EQ(tag.Genre(), c.genreOut) << c.genre;
  }
}

TEST_F(ID3v2Test, TotalSizeCountsTheFooterAndIsZeroWhenTheFileIsShorter) {
  Bytes frames = Frame23("TIT2", Latin("T"));
  std::string withFooter = TagHeader(4, static_cast<std::uint32_t>(frames.size()), 0x10).Append(frames)
                               .Text("3DI").U8(4).U8(0).U8(0x10).Syncsafe32(frames.size()).str();
  Load(withFooter);
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(frames.size() + 20));
  EXPECT_EQ(tag.Title(), "T");

  // A size that claims more than the file holds: the tag exists, but nothing is read.
  std::string truncated = Tag(3, frames, 1000);
  ASSERT_TRUE(tag.LoadFromFile(Write("short.mp3", truncated.substr(0, 200))));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Size(), 0);
  EXPECT_EQ(tag.Title(), "");
}

TEST_F(ID3v2Test, HugeTagSizeInTheHeaderIsBoundedByTheFile) {
  std::string bytes = Bytes().Text("ID3").U8(3).U8(0).U8(0).U8(0xFF).U8(0xFF).U8(0xFF).U8(0xFF)
                          .Append(Frame23("TIT2", Latin("T"))).str();
  ASSERT_TRUE(tag.LoadFromFile(Write("huge.mp3", bytes)));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Size(), 0);
}

TEST_F(ID3v2Test, VersionTwoPointTwoUsesThreeLetterIdsAnd24BitSizes) {
  std::string longComment(300, 'c');  // size above 255 needs the middle byte of the 24-bit size
  Bytes frames = Bytes()
                     .Append(Frame22("COM", LongText('\0', std::string(1, '\0'), longComment)))
                     .Append(Frame22("TT2", Latin("Two")))
                     .Append(Frame22("TP1", Latin("Artist")))
                     .Append(Frame22("TIT2", Latin("not a 2.2 frame")));
  Load(Tag(2, frames));
  EXPECT_EQ(tag.VersionID(), 2);
  EXPECT_EQ(tag.Comment(), longComment);
  EXPECT_EQ(tag.Title(), "Two");
  EXPECT_EQ(tag.Artist(), "Artist");
  EXPECT_EQ(tag.Album(), "");

  // The ids of the other layout are not taken.
  Load(Tag(3, Frame23("TT2\x01", Latin("x"))));
  EXPECT_EQ(tag.Title(), "");
}

TEST_F(ID3v2Test, Version24FrameSizesAreSyncsafe) {
  std::string first = Latin(std::string(200, 'a'));  // 201 bytes: syncsafe 00 00 01 49
  Load(Tag(4, Bytes().Append(Frame24("TIT2", first)).Append(Frame24("TPE1", Latin("After")))));
  EXPECT_EQ(tag.Title(), std::string(200, 'a'));
  EXPECT_EQ(tag.Artist(), "After");

  // The same layout with plain big-endian sizes is version 2.3.
  Load(Tag(3, Bytes().Append(Frame23("TIT2", first)).Append(Frame23("TPE1", Latin("After")))));
  EXPECT_EQ(tag.Artist(), "After");
}

TEST_F(ID3v2Test, ExtendedHeaderEndsTheFrameWalk) {
  Bytes body = Bytes().Be32(6).U8(0).U8(0).Be32(0).Append(Frame23("TIT2", Latin("Hidden")));
  Load(TagHeader(3, static_cast<std::uint32_t>(body.size()), 0x40).Append(body).str());
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "");
}

TEST_F(ID3v2Test, FrameLongerThanTheLimitGivesItsFirst20480BytesAndTheNextFrameIsFound) {
  std::string longText(30000, 'L');
  Load(Tag(3, Bytes().Append(Frame23("TIT2", Latin(longText))).Append(Frame23("TPE1", Latin("Next")))));
  EXPECT_EQ(tag.Title(), std::string(20479, 'L'));  // the encoding byte is one of the 20480
  EXPECT_EQ(tag.Artist(), "Next");
}

TEST_F(ID3v2Test, LargeFramesAcrossTheReadWindowAreFollowed) {
  // Frames spread over more than one buffered read: a picture-sized frame between texts.
  Bytes frames = Bytes()
                     .Append(Frame23("TIT2", Latin("Before")))
                     .Append(Frame23("APIC", std::string(200000, '\x7F')))
                     .Append(Frame23("TALB", Latin(std::string(20000, 'b'))))
                     .Append(Frame23("TPE1", Latin("After")));
  Load(Tag(3, frames, 50));
  EXPECT_EQ(tag.Title(), "Before");
  EXPECT_EQ(tag.Album(), std::string(20000, 'b'));
  EXPECT_EQ(tag.Artist(), "After");
}

TEST_F(ID3v2Test, WalkStopsAtPaddingAndAtNonLetterIds) {
  Load(Tag(3, Bytes().Append(Frame23("TIT2", Latin("T"))).Fill(20).Append(Frame23("TPE1", Latin("A")))));
  EXPECT_EQ(tag.Title(), "T");
  EXPECT_EQ(tag.Artist(), "");

  Load(Tag(3, Bytes().Append(Frame23("tit2", Latin("lower"))).Append(Frame23("TPE1", Latin("A")))));
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.Artist(), "");
}

TEST_F(ID3v2Test, FrameSizeThatLiesIsCutAtTheEndOfTheTag) {
  Bytes frames = Bytes().Append(Frame23("TPE1", Latin("A"))).Text("TIT2").Be32(0x7FFFFFFF).U8(0).U8(0).Text(Latin("Cut"));
  Load(Tag(3, frames));
  EXPECT_EQ(tag.Artist(), "A");
  EXPECT_EQ(tag.Title(), "Cut");  // the audio after the tag is not part of the frame
}

TEST_F(ID3v2Test, CompressedFramesAreSkippedAndLaterFramesReplaceEarlierOnes) {
  Load(Tag(3, Bytes()
                  .Append(Frame23("TIT2", Latin("First")))
                  .Append(Frame23("TIT2", Latin("Packed"), 0x80))
                  .Append(Frame23("TPE1", Latin("One")))
                  .Append(Frame23("TPE1", Latin("Two")))));
  EXPECT_EQ(tag.Title(), "First");
  EXPECT_EQ(tag.Artist(), "Two");
}

TEST_F(ID3v2Test, FallbackFramesFillEmptyTitleArtistAlbumAndYear) {
  Bytes frames = Bytes()
                     .Append(Frame23("TIT2", Latin("  ")))
                     .Append(Frame23("TIT1", Latin("Group")))
                     .Append(Frame23("TOPE", Latin("Original")))
                     .Append(Frame23("TOAL", Latin("Old album")))
                     .Append(Frame23("TDRC", Latin("2004-05-06")));
  Load(Tag(4, frames));
  EXPECT_EQ(tag.Title(), "Group");
  EXPECT_EQ(tag.Artist(), "Original");
  EXPECT_EQ(tag.Album(), "Old album");
  EXPECT_EQ(tag.Year(), "2004");

  Load(Tag(3, Bytes().Append(Frame23("TIT2", Latin("Main"))).Append(Frame23("TIT1", Latin("Group")))
                  .Append(Frame23("TYER", Latin("1990"))).Append(Frame23("TDRC", Latin("2004")))));
  EXPECT_EQ(tag.Title(), "Main");
  EXPECT_EQ(tag.Year(), "1990");
}

TEST_F(ID3v2Test, UnsupportedVersionExistsWithoutTexts) {
  Load(Tag(5, Frame23("TIT2", Latin("T")), 10));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.VersionID(), 5);
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(Frame23("TIT2", Latin("T")).size() + 20));
  EXPECT_EQ(tag.Title(), "");
}

TEST_F(ID3v2Test, FilesWithoutAHeaderAreRefusedAndLeaveTheClearedState) {
  Load(Tag(3, Bytes().Append(Frame23("TIT2", Latin("T"))).Append(Frame23("TRCK", Latin("4")))));
  ASSERT_EQ(tag.Title(), "T");
  EXPECT_FALSE(tag.LoadFromFile(Write("plain.mp3", Audio)));
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.Size(), 0);
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_FALSE(tag.LoadFromFile(Write("tiny.mp3", "ID3\x03\x00\x00\x00")));
  EXPECT_FALSE(tag.LoadFromFile(dir.File("missing.mp3")));
  EXPECT_FALSE(tag.LoadFromFile(dir.path().string()));
}

// ---- text encodings -----------------------------------------------------------------------

TEST_F(ID3v2Test, Utf16TextFollowsItsByteOrderMark) {
  Load(Tag(3, Bytes()
                  .Append(Frame23("TIT2", Utf16Bom(u"日本語")))
                  .Append(Frame23("TPE1", Utf16BigBom(u"歌手")))
                  .Append(Frame23("TALB", "\x01" + Utf16LeUnits(u"アルバム")))));  // no mark: little-endian
  EXPECT_EQ(tag.Title(), Sjis("日本語"));
  EXPECT_EQ(tag.Artist(), Sjis("歌手"));
  EXPECT_EQ(tag.Album(), Sjis("アルバム"));
}

TEST_F(ID3v2Test, OnlyByteOrderMarksAreDroppedFromUtf16) {
  // U+5BFF (寿) has the low byte FF; U+FFFD and U+00FF too.
  Load(Tag(3, Bytes().Append(Frame23("TIT2", Utf16Bom(u"寿司"))).Append(Frame23("TPE1", Utf16BigBom(u"a\u00FFb")))));
  EXPECT_EQ(tag.Title(), Sjis("寿司"));
  EXPECT_EQ(tag.Artist(), platform::Utf16ToCp932(u"a\u00FFb"));
  EXPECT_EQ(tag.Artist().size(), 3u);
}

TEST_F(ID3v2Test, LoneCarriageReturnsBecomeCrLfAndCrLfStays) {
  std::string lyrics = LongText('\x01', MarkedUtf16(u""), MarkedUtf16(u"one\rtwo\r\nthree\nfour\r"));
  Load(Tag(3, Frame23("USLT", lyrics)));
  EXPECT_EQ(tag.Lyrics(), "one\r\ntwo\r\nthree\nfour");
}

TEST_F(ID3v2Test, Utf16BigEndianAndUtf8FramesAreDecoded) {
  Load(Tag(4, Bytes()
                  .Append(Frame24("TIT2", Utf16Be(u"桜の歌")))
                  .Append(Frame24("TPE1", Utf8("初音")))
                  .Append(Frame24("TALB", Utf8("\xEF\xBB\xBF" "BOM album")))
                  .Append(Frame24("TCON", "\x04" "unknown encoding"))));
  EXPECT_EQ(tag.Title(), Sjis("桜の歌"));
  EXPECT_EQ(tag.Artist(), Sjis("初音"));
  EXPECT_EQ(tag.Album(), "BOM album");
  EXPECT_EQ(tag.Genre(), "");
}

TEST_F(ID3v2Test, FrameInAnUnknownEncodingDoesNotReplaceAnEarlierOne) {
  Load(Tag(3, Bytes().Append(Frame23("TIT2", Latin("Kept"))).Append(Frame23("TIT2", "\x05" "New"))));
  EXPECT_EQ(tag.Title(), "Kept");
}

TEST_F(ID3v2Test, TextEndsAtItsTerminatorAndUnterminatedTextIsComplete) {
  Load(Tag(3, Bytes()
                  .Append(Frame23("TIT2", Latin("Title") + std::string(1, '\0') + "leftover"))
                  .Append(Frame23("TPE1", std::string("\x01\xFF\xFE" "A\x00" "B", 6)))  // odd length, no terminator
                  .Append(Frame23("TALB", "\x03" "Plain"))
                  .Append(Frame23("TCOM", Latin(Sjis("表示")) ))));  // 0x5C trail byte of 表 stays
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "AB");
  EXPECT_EQ(tag.Album(), "Plain");
  EXPECT_EQ(tag.Composer(), Sjis("表示"));
}

// ---- long texts -------------------------------------------------------------------------

TEST_F(ID3v2Test, CommentSkipsLanguageAndDescription) {
  Load(Tag(3, Frame23("COMM", LongText('\0', std::string("desc") + '\0', "The comment"))));
  EXPECT_EQ(tag.Comment(), "The comment");
  Load(Tag(3, Frame23("COMM", LongText('\0', std::string(1, '\0'), "No description"))));
  EXPECT_EQ(tag.Comment(), "No description");
  Load(Tag(3, Frame23("COMM", LongText('\x03', std::string("d") + '\0', "\xE6\x97\xA5"))));
  EXPECT_EQ(tag.Comment(), Sjis("日"));
}

TEST_F(ID3v2Test, Utf16CommentDescriptionEndsAtAnAlignedZeroUnit) {
  std::string emptyDescription = "\xFF\xFE" + std::string(2, '\0');
  Load(Tag(3, Frame23("COMM", LongText('\x01', emptyDescription, MarkedUtf16(u"Comment")))));
  EXPECT_EQ(tag.Comment(), "Comment");

  // "A" is 41 00, then the terminator 00 00: the zero pair at bytes 3 and 4 is not the end.
  std::string oneCharacter = "\xFF\xFE" + Utf16LeUnits(u"A") + std::string(2, '\0');
  Load(Tag(3, Frame23("COMM", LongText('\x01', oneCharacter, MarkedUtf16(u"Comment")))));
  EXPECT_EQ(tag.Comment(), "Comment");

  // A character whose low byte is zero (U+0100) right after the description's first unit.
  std::string tricky = "\xFF\xFE" + Utf16LeUnits(u"A\u0100") + std::string(2, '\0');
  Load(Tag(3, Frame23("COMM", LongText('\x01', tricky, MarkedUtf16(u"Text")))));
  EXPECT_EQ(tag.Comment(), "Text");

  std::string bigEndian = Utf16BeUnits(u"d") + std::string(2, '\0');
  Load(Tag(4, Frame24("COMM", LongText('\x02', bigEndian, PlainUtf16Be(u"歌詞")))));
  EXPECT_EQ(tag.Comment(), Sjis("歌詞"));
}

TEST_F(ID3v2Test, LongTextWithoutDescriptionEndIsEmpty) {
  Load(Tag(3, Frame23("COMM", "\x01" "eng" + Utf16LeUnits(u"unterminated"))));
  EXPECT_EQ(tag.Comment(), "");
  Load(Tag(3, Frame23("COMM", "\x01" "en")));
  EXPECT_EQ(tag.Comment(), "");
}

TEST_F(ID3v2Test, LyricsComeFromUsltElseSylt) {
  Load(Tag(3, Bytes()
                  .Append(Frame23("USLT", LongText('\0', std::string(1, '\0'), "line 1\r\nline 2\r\n")))
                  .Append(Frame23("SYLT", LongText('\0', std::string(1, '\0'), "synced")))));
  EXPECT_EQ(tag.Lyrics(), "line 1\r\nline 2");

  Load(Tag(3, Bytes()
                  .Append(Frame23("USLT", LongText('\0', std::string(1, '\0'), "")))
                  .Append(Frame23("SYLT", LongText('\0', std::string(1, '\0'), "synced")))));
  EXPECT_EQ(tag.Lyrics(), "synced");

  Load(Tag(2, Frame22("ULT", LongText('\x01', std::string(2, '\0'), MarkedUtf16(u"二点二")))));
  EXPECT_EQ(tag.Lyrics(), Sjis("二点二"));
}

TEST_F(ID3v2Test, LinkSkipsTheDescriptionAndReadsTheUrlAsSingleByteText) {
  Load(Tag(3, Frame23("WXXX", std::string(2, '\0') + "http://example.org/")));
  EXPECT_EQ(tag.Link(), "http://example.org/");
  std::string utf16Description = "\x01\xFF\xFE" + Utf16LeUnits(u"site") + std::string(2, '\0');
  Load(Tag(3, Frame23("WXXX", utf16Description + "http://a.b/c")));
  EXPECT_EQ(tag.Link(), "http://a.b/c");
}

// ---- writing ----------------------------------------------------------------------------

void FillAll(TID3v2& tag) {
  tag.SetTitle("Title");
  tag.SetArtist("Artist");
  tag.SetAlbum(Sjis("アルバム"));
  tag.SetTrack(9);
  tag.SetYear("2001");
  tag.SetGenre("Rock");
  tag.SetComment("A comment");
  tag.SetComposer("Composer");
  tag.SetEncoder("Encoder");
  tag.SetCopyright("(c)");
  tag.SetLanguage("jpn");
  tag.SetLink("http://x.y/");
  tag.SetLyrics("first\r\nsecond");
}

void ExpectAllRead(const TID3v2& read) {
  EXPECT_EQ(read.VersionID(), 3);
  EXPECT_EQ(read.Title(), "Title");
  EXPECT_EQ(read.Artist(), "Artist");
  EXPECT_EQ(read.Album(), Sjis("アルバム"));
  EXPECT_EQ(read.Track(), 9);
  EXPECT_EQ(read.Year(), "2001");
  EXPECT_EQ(read.Genre(), "Rock");
  EXPECT_EQ(read.Comment(), "A comment");
  EXPECT_EQ(read.Composer(), "Composer");
  EXPECT_EQ(read.Encoder(), "Encoder");
  EXPECT_EQ(read.Copyright(), "(c)");
  EXPECT_EQ(read.Language(), "jpn");
  EXPECT_EQ(read.Link(), "http://x.y/");
  EXPECT_EQ(read.Lyrics(), "first\r\nsecond");
}

TEST_F(ID3v2Test, WritingToAnUntaggedFilePutsA4096ByteTagInFront) {
  std::string path = Write("plain.mp3", Audio);
  FillAll(tag);
  ASSERT_TRUE(tag.WriteToFile(path));
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 4096 + Audio.size());
  EXPECT_EQ(bytes.substr(4096), Audio);
  TID3v2 read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Size(), 4096);
  ExpectAllRead(read);
}

TEST_F(ID3v2Test, WrittenFramesAreVersion23Latin) {
  std::string path = Write("plain.mp3", Audio);
  tag.SetTitle("T");
  tag.SetTrack(5);
  tag.SetComment("c");
  ASSERT_TRUE(tag.WriteToFile(path));
  // N = 10 + (1 + 11) + (1 + 11) + (5 + 11) = 50; padding 4046; header size 4086.
  std::string expected = Bytes()
                             .Append(TagHeader(3, 4086))
                             .Append(Frame23("TIT2", Latin("T")))
                             .Append(Frame23("TRCK", Latin("5")))
                             .Append(Frame23("COMM", Latin(std::string("eng", 4) + "c")))
                             .Fill(4046)
                             .str();
  EXPECT_EQ(ReadBytes(path).substr(0, 4096), expected);
}

TEST_F(ID3v2Test, TagWithRoomIsReplacedInPlaceAndKeepsTheFileLength) {
  std::string original = Tag(4, Frame24("TIT2", Latin("Old title")), 2000) + Audio;
  std::string path = Write("song.mp3", original);
  FillAll(tag);
  ASSERT_TRUE(tag.WriteToFile(path));
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), original.size());
  EXPECT_EQ(bytes.substr(bytes.size() - Audio.size()), Audio);
  TID3v2 read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Size(), static_cast<std::int32_t>(original.size() - Audio.size()));
  ExpectAllRead(read);
}

TEST_F(ID3v2Test, TagExactlyTheNeededSizeIsReplacedInPlaceWithoutPadding) {
  tag.SetTitle("Exact");
  std::int64_t needed = 10 + 5 + 11;
  std::string path = Write("song.mp3", Tag(3, Frame23("TIT2", Latin("Other"))) + Audio);
  ASSERT_EQ(ReadBytes(path).size(), needed + Audio.size());
  ASSERT_TRUE(tag.WriteToFile(path));
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes, Tag(3, Frame23("TIT2", Latin("Exact"))) + Audio);
}

TEST_F(ID3v2Test, TagTooSmallOrAbove4096BytesIsRebuiltTo4096) {
  for (std::size_t padding : {std::size_t{0}, std::size_t{5000}}) {
    std::string path = Write("song.mp3", Tag(3, Frame23("TIT2", Latin("x")), padding) + Audio);
    FillAll(tag);
    ASSERT_TRUE(tag.WriteToFile(path));
    std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 4096 + Audio.size()) << padding;
    EXPECT_EQ(bytes.substr(4096), Audio);
    TID3v2 read;
    ASSERT_TRUE(read.LoadFromFile(path));
    ExpectAllRead(read);
  }
}

TEST_F(ID3v2Test, FramesNeedingMoreThan4096BytesGetATagOfExactlyThatSize) {
  std::string path = Write("song.mp3", Audio);
  tag.SetLyrics(std::string(5000, 'w'));
  ASSERT_TRUE(tag.WriteToFile(path));
  const std::size_t needed = 10 + (4 + 5000) + 11;
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), needed + Audio.size());
  TID3v2 read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Size(), static_cast<std::int32_t>(needed));
  EXPECT_EQ(read.Lyrics(), std::string(5000, 'w'));
}

TEST_F(ID3v2Test, EmptyValuesWriteNoFramesAndTrackZeroIsLeftOut) {
  std::string path = Write("plain.mp3", Audio);
  ASSERT_TRUE(tag.WriteToFile(path));
  EXPECT_EQ(ReadBytes(path), Bytes().Append(TagHeader(3, 4086)).Fill(4086).str() + Audio);
}

TEST_F(ID3v2Test, RebuildReplacesTheFileInOneStepAndLeavesNoTemporaryFile) {
  std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 5000) + Audio;
  std::string path = Write("song.mp3", original);
  std::string link = dir.File("hardlink.mp3");
  std::filesystem::create_hard_link(path, link);
  tag.SetTitle("New");
  ASSERT_TRUE(tag.WriteToFile(path));
  // The old content was never rewritten in place: a second name of it still holds it.
  EXPECT_EQ(ReadBytes(link), original);
  EXPECT_NE(ReadBytes(path), original);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2u);
}

TEST_F(ID3v2Test, WriteToAMissingFileFailsAndCreatesNothing) {
  tag.SetTitle("T");
  EXPECT_FALSE(tag.WriteToFile(dir.File("missing.mp3")));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_FALSE(tag.StripFromFile(dir.File("missing.mp3")));
}

TEST_F(ID3v2Test, StripRemovesTheTagAndRefusesUntaggedFiles) {
  std::string path = Write("song.mp3", Tag(3, Frame23("TIT2", Latin("T")), 300) + Audio);
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);
  EXPECT_FALSE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);

  std::string withFooter = TagHeader(4, 0, 0x10).Text("3DI").U8(4).U8(0).U8(0x10).Syncsafe32(0).str();
  path = Write("footer.mp3", withFooter + Audio);
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);
}

TEST_F(ID3v2Test, TagClaimingMoreThanTheFileHoldsIsNeitherStrippedNorReplaced) {
  // The header claims 1000 bytes of frames, the file holds 200 bytes in all: where the tag
  // ends cannot be known, so the file is left exactly as it was.
  const std::string claimed = Tag(3, Frame23("TIT2", Latin("Old")), 1000).substr(0, 200);
  const std::string path = Write("lying.mp3", claimed);
  EXPECT_FALSE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), claimed);
  tag.SetTitle("New");
  EXPECT_FALSE(tag.WriteToFile(path));
  EXPECT_EQ(ReadBytes(path), claimed);

  // A size one byte past the end is refused too; exactly the file's size is a tag.
  const std::string whole = Tag(3, Frame23("TIT2", Latin("T")), 20);
  const std::string oneShort = whole.substr(0, whole.size() - 1);
  EXPECT_FALSE(tag.StripFromFile(Write("oneshort.mp3", oneShort)));
  EXPECT_EQ(ReadBytes(dir.File("oneshort.mp3")), oneShort);
  ASSERT_TRUE(tag.StripFromFile(Write("exact.mp3", whole)));
  EXPECT_EQ(ReadBytes(dir.File("exact.mp3")), "");
}

// A file from lame, cut inside its ID3v2 tag as an interrupted copy would leave it.
TEST_F(ID3v2Test, RealLameFileCutInsideItsTagIsLeftAlone) {
  if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "lame is not installed";
  const std::string raw = Write("tone.raw", std::string(44100 * 4, '\0'));
  const std::string mp3 = dir.File("tone.mp3");
  const std::string command = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 128 --tt Tone "
                              "--tc '" + std::string(300, 'c') + "' '" + raw + "' '" + mp3 + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_TRUE(tag.LoadFromFile(mp3));
  ASSERT_GT(tag.Size(), 300);
  const std::string cut = ReadBytes(mp3).substr(0, static_cast<std::size_t>(tag.Size()) - 1);
  const std::string path = Write("cut.mp3", cut);
  EXPECT_FALSE(tag.StripFromFile(path));
  tag.SetTitle("New");
  EXPECT_FALSE(tag.WriteToFile(path));
  EXPECT_EQ(ReadBytes(path), cut);
  // The whole file is stripped to its audio.
  ASSERT_TRUE(tag.StripFromFile(mp3));
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(mp3)[0]), 0xFF);
}

// ---- setters and published properties ------------------------------------------------------

TEST_F(ID3v2Test, SettersTrimControlBytesAndSpaces) {
  tag.SetTitle(std::string("\t  Title \r\n") + '\0');
  EXPECT_EQ(tag.Title(), "Title");
  tag.SetLyrics("\r\nline\r\nline\r\n");
  EXPECT_EQ(tag.Lyrics(), "line\r\nline");
}

TEST_F(ID3v2Test, PublishedPropertiesInOrderWithTheirAccess) {
  std::vector<std::string> names;
  for (const auto& info : tag.Properties()) names.push_back(info.name);
  EXPECT_EQ(names, (std::vector<std::string>{"FileFormat", "Exists", "VersionID", "Size", "Title", "Artist",
                                             "Album", "Track", "TrackString", "Year", "Genre", "Comment",
                                             "Composer", "Encoder", "Copyright", "Language", "Link", "Lyrics"}));
  for (const char* readOnly : {"FileFormat", "Exists", "VersionID", "Size", "TrackString"}) {
    EXPECT_FALSE(tag.FindProperty(readOnly)->set) << readOnly;
  }
  const PropertyInfo* track = tag.FindProperty("track");
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(track->kind, PropKind::Word);
  track->set(tag, PropValue{std::int64_t{65537}});
  EXPECT_EQ(tag.Track(), 1);
  tag.FindProperty("Lyrics")->set(tag, PropValue{std::string(" words ")});
  EXPECT_EQ(std::get<std::string>(tag.FindProperty("Lyrics")->get(tag)), "words");
  EXPECT_EQ(std::get<bool>(tag.FindProperty("Exists")->get(tag)), false);
}

// ---- iTunes comments, legacy text, genre names, tags inside files -----------------------

// A COMM frame in single-byte text: encoding 0, language, description, text.
std::string Comm(std::string_view description, std::string_view text) {
  return Frame23("COMM", LongText('\0', std::string(description) + '\0', text)).str();
}

TEST_F(ID3v2Test, ITunesCommentFramesAreNeverTheComment) {
  struct Case {
    const char* what;
    std::vector<std::string> frames;
    const char* comment;
  };
  const std::string norm = Comm("iTunNORM", " 00000237 0000022D 00001D8E");
  const std::string smpb = Comm("iTunSMPB", " 00000000 00000210 00000A64");
  const std::string cddb = Comm("iTunes_CDDB_IDs", "11+A7B4F4E4B2E2A1D2C2A3C1");
  const std::string pgap = Comm("iTunPGAP", "1");
  const std::string utf16Norm =
      Frame23("COMM", LongText('\x01', "\xFF\xFE" + Utf16LeUnits(u"iTunNORM") + std::string(2, '\0'),
                               MarkedUtf16(u" 0000"))).str();
  const Case cases[] = {
      {"iTunes values around the comment", {norm, Comm("", "Real comment"), smpb, cddb, pgap}, "Real comment"},
      {"only iTunes values", {norm, smpb, cddb, pgap, utf16Norm}, ""},
      {"a described comment after iTunes values", {norm, Comm("Songs-DB", "Described")}, "Described"},
      {"no description wins over a later description", {Comm("", "Plain"), Comm("note", "Described")}, "Plain"},
      {"no description wins over an earlier description", {Comm("note", "Described"), Comm("", "Plain")}, "Plain"},
      {"the last of two without description", {Comm("", "First"), Comm("", "Second")}, "Second"},
      {"the last of two described", {Comm("a", "First"), Comm("b", "Second")}, "Second"},
      {"a description merely containing iTun", {Comm("My iTunes", "Kept")}, "Kept"},
      {"UTF-16 iTunes value before a plain comment", {utf16Norm, Comm("", "Plain")}, "Plain"},
  };
  for (const Case& c : cases) {
    Bytes frames;
    for (const std::string& frame : c.frames) frames.Text(frame);
    Load(Tag(3, frames));
    EXPECT_EQ(tag.Comment(), c.comment) << c.what;
  }
}

TEST_F(ID3v2Test, LatinFlaggedFramesKeepShiftJisAndDecodeLatin1AndUtf8) {
  Load(Tag(3, Bytes()
                  .Append(Frame23("TIT2", Latin(Sjis("日本語の歌"))))
                  .Append(Frame23("TPE1", Latin("Beyonc\xE9")))
                  .Append(Frame23("TALB", Latin("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E")))
                  .Append(Frame23("TCOM", Latin("\xC3\xBD")))  // Shift_JIS "ﾃｽ", valid UTF-8 as well
                  .Text(Comm("", "6\xF7" "3"))));
  EXPECT_EQ(tag.Title(), Sjis("日本語の歌"));
  EXPECT_EQ(tag.Artist(), "Beyonc?");
  EXPECT_EQ(tag.Album(), Sjis("日本語"));
  EXPECT_EQ(tag.Composer(), "\xC3\xBD");
  EXPECT_EQ(tag.Comment(), "6" + Sjis("÷") + "3");
}

TEST_F(ID3v2Test, GenreReferencesShowTheirNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"(13)", "Pop"},           {"13", "Pop"},           {"(13)Pop", "Pop"},
      {"(17)Rock & Roll", "Rock & Roll"},                  {"(RX)", "Remix"},
      {"(CR)", "Cover"},         {"RX", "Remix"},         {"(0)", "Blues"},
      {"(191)", "Psybient"},     {"(192)", ""},           {"192", "192"},
      {"(4)(13)", "Disco"},      {"((Unknown) band", "(Unknown) band"},
      {"(13)((live)", "(live)"}, {"Rock (live)", "Rock (live)"},
      {"J-Pop", "J-Pop"},        {"(abc", "(abc"},        {"0013", "0013"},
  };
  for (const auto& [text, genre] : cases) {
    Load(Tag(3, Frame23("TCON", Latin(text))));
    EXPECT_EQ(tag.Genre(), genre) << text;
  }
  Load(Tag(4, Frame24("TCON", Utf8("(13)"))));
  EXPECT_EQ(tag.Genre(), "Pop");
}

TEST_F(ID3v2Test, TagInsideAFileIsReadWithinItsRange) {
  const std::string inner = Tag(3, Frame23("TIT2", Latin("Inside")), 20);
  const std::string path = Write("chunked.bin", std::string(30, 'x') + inner + "tail");
  platform::File file;
  ASSERT_TRUE(file.Open(path, platform::File::Mode::Read));
  ASSERT_TRUE(tag.LoadFromRange(file, 30, static_cast<std::int64_t>(inner.size())));
  EXPECT_EQ(tag.Title(), "Inside");
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(inner.size()));
  // A range one byte shorter than the tag cannot hold it: the tag exists, its size is 0.
  ASSERT_TRUE(tag.LoadFromRange(file, 30, static_cast<std::int64_t>(inner.size()) - 1));
  EXPECT_EQ(tag.Size(), 0);
  EXPECT_EQ(tag.Title(), "");
  EXPECT_FALSE(tag.LoadFromRange(file, 31, 100));
  EXPECT_FALSE(tag.Exists());
  EXPECT_FALSE(tag.LoadFromRange(file, -1, 100));
}

TEST_F(ID3v2Test, EndOfStackedTags) {
  const std::string first = Tag(3, Frame23("TIT2", Latin("New")), 10);
  const std::string second = Tag(4, Frame24("TIT2", Latin("Old")));
  struct Case {
    const char* what;
    std::string bytes;
    std::int64_t end;
  };
  const std::int64_t both = static_cast<std::int64_t>(first.size() + second.size());
  const Case cases[] = {
      {"one tag", first + Audio, static_cast<std::int64_t>(first.size())},
      {"two tags", first + second + Audio, both},
      {"three tags", first + second + first + Audio, both + static_cast<std::int64_t>(first.size())},
      {"a second tag of an unknown version", first + "ID3\x05" + second.substr(4) + Audio,
       static_cast<std::int64_t>(first.size())},
      {"a second tag running past the end", first + second.substr(0, second.size() - 1),
       static_cast<std::int64_t>(first.size())},
  };
  for (const Case& c : cases) {
    platform::File file;
    ASSERT_TRUE(file.Open(Write("stacked.mp3", c.bytes), platform::File::Mode::Read));
    EXPECT_EQ(EndOfID3v2TagsAt(file, static_cast<std::int64_t>(first.size())), c.end) << c.what;
  }
  platform::File file;
  ASSERT_TRUE(file.Open(Write("plain.mp3", Audio), platform::File::Mode::Read));
  EXPECT_EQ(EndOfID3v2TagsAt(file, 0), 0);
}

}  // namespace
