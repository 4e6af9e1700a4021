// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/CDAtrack.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/AppDir.h"
#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Track {
  int number = 1;
  std::uint32_t serial = 0x1A2B3C4D;
  std::uint32_t start = 150;
  std::uint32_t length = 18000;
};

// The 44-byte file Windows shows for a CD track.
std::string TrackFile(const Track& t, const std::string& format = "CDDAfmt ") {
  return Bytes()
      .Text("RIFF")
      .Le32(36)
      .Text(format)
      .Le32(24)
      .Le16(1)
      .Le16(t.number)
      .Le32(t.serial)
      .Le32(t.start)
      .Le32(t.length)
      .Fill(8)  // start and length as minutes, seconds, frames
      .str();
}

class CDAtrackTest : public ::testing::Test {
protected:
  void SetUp() override { platform::SetAppDir(appDir.path().string()); }

  // cdplayer.ini in AppDir, lines ended by CR LF, texts in code page 932.
  void WriteCdPlayerIni(const std::string& utf8Content) {
    WriteBytes(appDir.File("cdplayer.ini"), platform::Utf8ToCp932(utf8Content));
  }
  std::string WriteTrack(const std::string& bytes, const std::string& name = "Track03.cda") {
    const std::string path = files.File(name);
    WriteBytes(path, bytes);
    return path;
  }

  TempDir appDir;
  TempDir files;
  TCDAtrack cda;
};

TEST_F(CDAtrackTest, TrackFileAndTextsFromCdPlayerIni) {
  WriteCdPlayerIni(
      "[1A2B3C4D]\r\nartist=歌手\r\ntitle=アルバム\r\nnumtracks=12\r\n"
      "1=First\r\n3=三曲目\r\n03=Zero padded\r\n");
  Track t;
  t.number = 3;
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_TRUE(cda.Valid());
  EXPECT_EQ(cda.FileFormat(), "CDA");
  EXPECT_EQ(cda.Track(), 3);
  EXPECT_EQ(cda.Title(), platform::Utf8ToUtf16("三曲目"));
  EXPECT_EQ(cda.Artist(), platform::Utf8ToUtf16("歌手"));
  EXPECT_EQ(cda.Album(), platform::Utf8ToUtf16("アルバム"));
  EXPECT_DOUBLE_EQ(cda.Duration(), 240.0);
  EXPECT_DOUBLE_EQ(cda.Position(), 2.0);
}

TEST_F(CDAtrackTest, SectionNameIsUpperHexWithAtLeastTwoDigits) {
  EXPECT_EQ(TCDAtrack::DiscSection(0x0000000F), "0F");
  EXPECT_EQ(TCDAtrack::DiscSection(0), "00");
  EXPECT_EQ(TCDAtrack::DiscSection(0x00000ABC), "ABC");
  EXPECT_EQ(TCDAtrack::DiscSection(0xDEADBEEF), "DEADBEEF");

  WriteCdPlayerIni(
      "[F]\r\n1=Too short\r\n[0000000F]\r\n1=Too long\r\n[0F]\r\n1=Right\r\n");
  Track t;
  t.serial = 0x0F;
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_EQ(cda.Title(), u"Right");
}

TEST_F(CDAtrackTest, TrackKeyIsThePlainDecimalNumber) {
  WriteCdPlayerIni("[1A2B3C4D]\r\n12=Twelfth\r\n1=First\r\n");
  Track t;
  t.number = 12;
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_EQ(cda.Title(), u"Twelfth");
  EXPECT_EQ(cda.Track(), 12);
}

TEST_F(CDAtrackTest, MissingIniSectionOrKeyGivesEmptyTexts) {
  Track t;
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));  // no cdplayer.ini at all
  EXPECT_EQ(cda.Title(), u"");
  EXPECT_EQ(cda.Artist(), u"");

  WriteCdPlayerIni("[CAFE]\r\nartist=Other disc\r\n");
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_EQ(cda.Artist(), u"");

  WriteCdPlayerIni("[1A2B3C4D]\r\nartist=Only the artist\r\n");
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_EQ(cda.Artist(), u"Only the artist");
  EXPECT_EQ(cda.Title(), u"");
  EXPECT_EQ(cda.Album(), u"");
}

TEST_F(CDAtrackTest, LargeSectorCountsDoNotOverflow) {
  Track t;
  t.start = 0xFFFFFFFF;
  t.length = 0x80000000;
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile(t))));
  EXPECT_DOUBLE_EQ(cda.Position(), 4294967295.0 / 75.0);
  EXPECT_DOUBLE_EQ(cda.Duration(), 2147483648.0 / 75.0);
}

TEST_F(CDAtrackTest, RefusesOtherFilesAndClears) {
  WriteCdPlayerIni("[1A2B3C4D]\r\n1=First\r\n");
  const std::string good = WriteTrack(TrackFile({}), "good.cda");
  const std::string wave =
      Bytes().Text("RIFF").Le32(36).Text("WAVEfmt ").Le32(16).Fill(28).str();
  const std::string cases[] = {
      TrackFile({}, "cddafmt "),
      TrackFile({}, "CDDAfmt_"),
      wave,
      TrackFile({}).substr(0, 15),  // stops inside "CDDAfmt "
      "",
  };
  for (const std::string& bytes : cases) {
    ASSERT_TRUE(cda.LoadFromFile(good));
    EXPECT_FALSE(cda.LoadFromFile(WriteTrack(bytes, "bad.cda")));
    EXPECT_FALSE(cda.Valid());
    EXPECT_EQ(cda.FileFormat(), "unknown");
    EXPECT_EQ(cda.Title(), u"");
    EXPECT_EQ(cda.Track(), 0);
    EXPECT_DOUBLE_EQ(cda.Duration(), 0.0);
  }
  EXPECT_FALSE(cda.LoadFromFile(files.File("missing.cda")));
}

TEST_F(CDAtrackTest, ShortFileWithTheHeaderIsAcceptedWithZeroes) {
  ASSERT_TRUE(cda.LoadFromFile(WriteTrack(TrackFile({}).substr(0, 16))));
  EXPECT_EQ(cda.Track(), 0);
  EXPECT_DOUBLE_EQ(cda.Duration(), 0.0);
}

TEST_F(CDAtrackTest, DispatcherAnswersTitleArtistAlbumTrack) {
  WriteCdPlayerIni("[1A2B3C4D]\r\nartist=歌手\r\ntitle=Disc\r\n5=Song five\r\n");
  Track t;
  t.number = 5;
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(WriteTrack(TrackFile(t), "Track05.cda")));
  EXPECT_EQ(reader.GetValue("FileFormat"), "CDA");
  EXPECT_EQ(reader.GetValue("Title"), "Song five");
  EXPECT_EQ(reader.GetValue("Artist"), platform::Sjis("歌手"));
  EXPECT_EQ(reader.GetValue("Album"), "Disc");
  EXPECT_EQ(reader.GetValue("Track"), "5");
  EXPECT_EQ(reader.GetValue("Duration"), "240");
  EXPECT_EQ(reader.GetValue("Comment"), "");
  EXPECT_EQ(reader.GetValue("Year"), "");
}

}  // namespace
