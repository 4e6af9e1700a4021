// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Monkey.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "MonkeyBuilders.h"
#include "TestSupport.h"
#include "tags/sMediaTagReader.h"

using namespace monkey_test;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class MonkeyTest : public ::testing::Test {
protected:
  // The stream header between a 64-byte ID3v2 tag and an APE and an ID3v1 tag.
  std::string WriteStream(const Bytes& stream, std::size_t totalSize = 0,
                          const std::string& name = "a.ape") {
    return Write(TaggedFile(Id3v2Tag({{"TIT2", "Song"}}, 64), stream, ApeTag({{"Album", "Disc"}}),
                            Id3v1Tag("Song"), totalSize),
                 name);
  }
  std::string Write(const std::string& bytes, const std::string& name = "a.ape") {
    const std::string path = dir.File(name);
    WriteBytes(path, bytes);
    return path;
  }
  TempDir dir;
  TMonkey ape;
};

TEST_F(MonkeyTest, NewLayoutVersion399) {
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader({}))));
  EXPECT_EQ(ape.FileFormat(), "MONKEY");
  EXPECT_TRUE(ape.Valid());
  EXPECT_EQ(ape.Version(), "3.99");
  EXPECT_EQ(ape.Compression(), "Normal");
  EXPECT_EQ(ape.Bits(), 16);
  EXPECT_EQ(ape.ChannelMode(), "Stereo");
  EXPECT_EQ(ape.BlocksPerFrame(), 294912);
  EXPECT_EQ(ape.Samples(), 29197288);
  EXPECT_NEAR(ape.Duration(), 662.07, 0.005);
}

TEST_F(MonkeyTest, OldLayoutDerivesTheSameFromTheVersion) {
  MonkeyFields f;
  f.version = 3970;  // the last versions before the descriptor came
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(f))));
  EXPECT_EQ(ape.Version(), "3.97");
  EXPECT_EQ(ape.BlocksPerFrame(), 294912);
  EXPECT_EQ(ape.Samples(), 29197288);
  EXPECT_NEAR(ape.Duration(), 662.07, 0.005);
}

TEST_F(MonkeyTest, NewLayoutTakesBitsAndBlocksFromItsHeader) {
  MonkeyFields f;
  f.blocksPerFrame = 73728;
  f.bitsPerSample = 24;
  f.compression = 5000;
  f.descriptorBytes = 60;  // a longer descriptor is passed over
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader(f))));
  EXPECT_EQ(ape.Bits(), 24);
  EXPECT_EQ(ape.BlocksPerFrame(), 73728);
  EXPECT_EQ(ape.Samples(), 73728 * 99 + 1000);
  EXPECT_EQ(ape.Compression(), "Unknown");
}

TEST_F(MonkeyTest, BlocksPerFrameByVersionAndCompression) {
  struct Case {
    std::uint16_t version, compression;
    std::int32_t blocks;
  };
  const Case cases[] = {
      {3950, 1000, 294912}, {3949, 1000, 73728}, {3900, 1000, 73728}, {3899, 4000, 73728},
      {3800, 4000, 73728},  {3800, 3000, 9216},  {3799, 4000, 9216},  {3000, 2000, 9216},
  };
  for (const Case& c : cases) {
    MonkeyFields f;
    f.version = c.version;
    f.compression = c.compression;
    f.totalFrames = 3;
    f.finalFrameSamples = 7;
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(f))));
    EXPECT_EQ(ape.BlocksPerFrame(), c.blocks) << c.version << " " << c.compression;
    EXPECT_EQ(ape.Samples(), c.blocks * 2 + 7);
  }
}

TEST_F(MonkeyTest, PeakNeedsItsFlagAndScalesByBits) {
  struct Case {
    std::uint16_t flags;
    std::uint32_t peak;
    int bits;
    double percent;
  };
  const Case cases[] = {
      {0, 16384, 16, 0.0},  // stored, but the flag is clear
      {TMonkey::FlagPeakLevel, 16384, 16, 50.0},
      {TMonkey::FlagPeakLevel | TMonkey::Flag24Bit, 4194304, 24, 50.0},
      {TMonkey::FlagPeakLevel | TMonkey::FlagEightBit, 64, 8, 50.0},
      {TMonkey::FlagPeakLevel | TMonkey::FlagEightBit | TMonkey::Flag24Bit, 4194304, 24, 50.0},
  };
  for (const Case& c : cases) {
    MonkeyFields f;
    f.version = 3930;
    f.flags = c.flags;
    f.peakLevel = c.peak;
    f.seekElements = 99;
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(f))));
    EXPECT_EQ(ape.Bits(), c.bits) << c.flags;
    EXPECT_DOUBLE_EQ(ape.Peak(), c.percent) << c.flags;
    EXPECT_EQ(ape.Header().seekElements, 0u);  // flag 16 is clear in every case
  }
}

TEST_F(MonkeyTest, RatioOverTheUncompressedSize) {
  MonkeyFields f;
  f.version = 3950;
  f.totalFrames = 1;
  f.finalFrameSamples = 1000;  // 1000 x 2 channels x 2 bytes + 44 = 4044 bytes of WAV
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(f), 2022)));
  EXPECT_EQ(ape.Samples(), 1000);
  EXPECT_DOUBLE_EQ(ape.Ratio(), 50.0);
}

TEST_F(MonkeyTest, NamesOutsideTheTablesAreUnknown) {
  const std::pair<std::uint16_t, const char*> levels[] = {
      {0, "Unknown"}, {999, "Unknown"}, {1000, "Fast"}, {1999, "Fast"},
      {3000, "High"}, {4000, "Extra High"}, {4999, "Extra High"}, {5000, "Unknown"}, {65535, "Unknown"}};
  for (const auto& [level, name] : levels) {
    MonkeyFields f;
    f.compression = level;
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader(f))));
    EXPECT_EQ(ape.Compression(), name) << level;
  }
  const std::pair<std::uint16_t, const char*> channels[] = {
      {1, "Mono"}, {2, "Stereo"}, {3, "Unknown"}, {6, "Unknown"}};
  for (const auto& [count, name] : channels) {
    MonkeyFields f;
    f.channels = count;
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader(f))));
    EXPECT_EQ(ape.ChannelMode(), name) << count;
  }
}

TEST_F(MonkeyTest, NotMonkeysAudioButTaggedIsAcceptedAsInvalid) {
  MonkeyFields noRate;
  noRate.version = 3930;
  noRate.sampleRate = 0;
  MonkeyFields noChannels;
  noChannels.version = 3930;
  noChannels.channels = 0;
  MonkeyFields otherId;
  otherId.id = "MAC_";
  const Bytes streams[] = {OldMonkeyHeader(noRate), OldMonkeyHeader(noChannels),
                           OldMonkeyHeader(otherId), Bytes().Fill(200, 0x11)};
  for (const Bytes& stream : streams) {
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(stream)));
    EXPECT_EQ(ape.FileFormat(), "MONKEY");
    EXPECT_FALSE(ape.Valid());
    EXPECT_EQ(ape.Bits(), 0);
    EXPECT_EQ(ape.BlocksPerFrame(), 0);
    EXPECT_EQ(ape.Samples(), 0);
    EXPECT_DOUBLE_EQ(ape.Duration(), 0.0);
    EXPECT_DOUBLE_EQ(ape.Ratio(), 0.0);
    EXPECT_DOUBLE_EQ(ape.Peak(), 0.0);
  }
  // Version and the name tables do not need a valid header.
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(noRate))));
  EXPECT_EQ(ape.Version(), "3.93");
  EXPECT_EQ(ape.Compression(), "Normal");
  EXPECT_EQ(ape.ChannelMode(), "Stereo");
  MonkeyFields noVersion = noRate;
  noVersion.version = 0;
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(OldMonkeyHeader(noVersion))));
  EXPECT_EQ(ape.Version(), "");
}

TEST_F(MonkeyTest, FrameCountsAtTheEdgesOfTheRange) {
  MonkeyFields none;
  none.totalFrames = 0;
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader(none))));
  EXPECT_EQ(ape.Samples(), 0);
  EXPECT_DOUBLE_EQ(ape.Duration(), 0.0);

  MonkeyFields huge;
  huge.totalFrames = 0xFFFFFFFF;
  ASSERT_TRUE(ape.LoadFromFile(WriteStream(NewMonkeyHeader(huge))));
  EXPECT_EQ(ape.Samples(), std::numeric_limits<std::int32_t>::max());
  EXPECT_GT(ape.Duration(), 0.0);
}

TEST_F(MonkeyTest, EveryTagIsRequired) {
  const Bytes stream = NewMonkeyHeader({});
  const Bytes id3v2 = Id3v2Tag({{"TIT2", "Song"}});
  const Bytes apeTag = ApeTag({{"Title", "Song"}});
  const Bytes id3v1 = Id3v1Tag("Song");
  const std::string cases[] = {
      TaggedFile(Bytes(), stream, apeTag, id3v1),
      TaggedFile(id3v2, stream, Bytes(), id3v1),
      TaggedFile(id3v2, stream, apeTag, Bytes()),
  };
  for (const std::string& bytes : cases) {
    ASSERT_TRUE(ape.LoadFromFile(WriteStream(stream)));
    EXPECT_FALSE(ape.LoadFromFile(Write(bytes, "untagged.ape")));
    EXPECT_EQ(ape.FileFormat(), "unknown");
    EXPECT_FALSE(ape.Valid());
    EXPECT_EQ(ape.Version(), "");
    EXPECT_EQ(ape.FileSize(), 0);
    EXPECT_FALSE(ape.ID3v2()->Exists());
    EXPECT_FALSE(ape.ID3v1()->Exists());
    EXPECT_FALSE(ape.APEtag()->Exists());
  }
  EXPECT_FALSE(ape.LoadFromFile(dir.File("missing.ape")));
}

TEST_F(MonkeyTest, DescriptorSizeThatLiesRefusesTheFile) {
  const std::uint32_t sizes[] = {0, 51, 0x7FFFFFFF};
  for (std::uint32_t size : sizes) {
    Bytes stream = NewMonkeyHeader({});
    // Patch the descriptor size in place (bytes 8..11) without moving the header.
    std::string bytes = stream.str();
    bytes[8] = static_cast<char>(size);
    bytes[9] = static_cast<char>(size >> 8);
    bytes[10] = static_cast<char>(size >> 16);
    bytes[11] = static_cast<char>(size >> 24);
    EXPECT_FALSE(ape.LoadFromFile(WriteStream(Bytes().Text(bytes)))) << size;
    EXPECT_EQ(ape.FileFormat(), "unknown");
  }
}

TEST_F(MonkeyTest, HeaderIsReadAtTheEndOfTheId3v2Tag) {
  // A large padded ID3v2 tag whose padding would read as an invalid header.
  const std::string bytes = TaggedFile(Id3v2Tag({{"TIT2", "Song"}}, 5000), NewMonkeyHeader({}),
                                       ApeTag({{"Title", "Song"}}), Id3v1Tag("Song"));
  ASSERT_TRUE(ape.LoadFromFile(Write(bytes)));
  EXPECT_EQ(ape.ID3v2()->Size(), 5000);
  EXPECT_TRUE(ape.Valid());
  EXPECT_EQ(ape.Samples(), 29197288);
  EXPECT_EQ(ape.FileSize(), static_cast<std::int64_t>(bytes.size()));
}

TEST_F(MonkeyTest, DispatcherFallsBackThroughTheThreeTags) {
  const std::string bytes = TaggedFile(Id3v2Tag({{"TIT2", "From ID3v2"}}), NewMonkeyHeader({}),
                                       ApeTag({{"Album", "From APE"}, {"Title", "APE title"}}),
                                       Id3v1Tag("", "From ID3v1", "", 9));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(Write(bytes, "song.ape")));
  EXPECT_EQ(reader.GetValue("FileFormat"), "MONKEY");
  EXPECT_EQ(reader.GetValue("Title"), "From ID3v2");
  EXPECT_EQ(reader.GetValue("Artist"), "From ID3v1");
  EXPECT_EQ(reader.GetValue("Album"), "From APE");
  EXPECT_EQ(reader.GetValue("Track"), "0");  // the empty ID3v2 track answers first
  EXPECT_EQ(reader.GetValue("Version"), "3.99");
  EXPECT_EQ(reader.GetValue("Compression"), "Normal");
  EXPECT_EQ(reader.GetValue("Samples"), "29197288");
  EXPECT_EQ(reader.GetValue("Valid"), "True");
}

}  // namespace
