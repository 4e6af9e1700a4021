// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TwinVQ.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

struct Header {
  std::uint32_t channelMode = 1;
  std::uint32_t bitRate = 96;
  std::uint32_t rateCode = 44;
  std::uint32_t headerSize = 2000;
};

// The 40 fixed bytes: "TWIN", version, header size, then the common chunk's header and its
// channel mode, bit rate, sample rate code and security level.
Bytes TwinHeader(const Header& h) {
  return Bytes()
      .Text("TWIN")
      .Text("97012000")
      .Be32(h.headerSize)
      .Text("COMM")
      .Be32(16)
      .Be32(h.channelMode)
      .Be32(h.bitRate)
      .Be32(h.rateCode)
      .Be32(0);
}

// A chunk after the common one: identifier, big-endian size, data.
Bytes Chunk(const std::string& id, const std::string& data) {
  return Bytes().Text(id).Be32(static_cast<std::uint32_t>(data.size())).Text(data);
}

class TwinVQTest : public ::testing::Test {
protected:
  // Writes the bytes and, when size is given, extends the file to it (sparse).
  std::string Write(const Bytes& bytes, std::uintmax_t size = 0, const std::string& name = "a.vqf") {
    const std::string path = dir.File(name);
    WriteBytes(path, bytes.str());
    if (size) std::filesystem::resize_file(path, size);
    return path;
  }
  TempDir dir;
  TTwinVQ vqf;
};

TEST_F(TwinVQTest, HeaderValuesAndDuration) {
  const Bytes file = TwinHeader({}).Append(Chunk("DATA", ""));
  ASSERT_TRUE(vqf.LoadFromFile(Write(file, 2402020)));
  EXPECT_TRUE(vqf.Valid());
  EXPECT_EQ(vqf.FileFormat(), "TwinVQ");
  EXPECT_EQ(vqf.ChannelModeID(), 2);
  EXPECT_EQ(vqf.ChannelMode(), "Stereo");
  EXPECT_EQ(vqf.BitRate(), 96);
  EXPECT_EQ(vqf.SampleRate(), 44100);
  EXPECT_EQ(vqf.FileSize(), 2402020u);
  EXPECT_DOUBLE_EQ(vqf.Duration(), 200.0);
  EXPECT_FALSE(vqf.Corrupted());
}

TEST_F(TwinVQTest, OnlyTheLow16BitsOfHeaderValuesCount) {
  // High halves set everywhere; a bit rate of 320 is 64 in the 8-bit field but the
  // duration divides by the full 16-bit value.
  Header h{0x00070000, 0x00AB0140, 0x12340016, 0xFFFF0000 | 2000};
  ASSERT_TRUE(vqf.LoadFromFile(Write(TwinHeader(h).Append(Chunk("DATA", "")), 2402020)));
  EXPECT_EQ(vqf.ChannelMode(), "Mono");
  EXPECT_EQ(vqf.BitRate(), 64);
  EXPECT_EQ(vqf.SampleRate(), 22050);
  EXPECT_DOUBLE_EQ(vqf.Duration(), 2400000.0 / 125.0 / 320.0);
}

TEST_F(TwinVQTest, SampleRateCodes) {
  const std::pair<std::uint32_t, int> codes[] = {
      {11, 11025}, {22, 22050}, {44, 44100}, {48, 48000}, {8, 8000}, {0, 0},
      {96, 96000 % 65536},  // kept to 16 bits
  };
  for (const auto& [code, rate] : codes) {
    Header h;
    h.rateCode = code;
    ASSERT_TRUE(vqf.LoadFromFile(Write(TwinHeader(h))));
    EXPECT_EQ(vqf.SampleRate(), rate) << code;
  }
}

TEST_F(TwinVQTest, TextChunksAreTrimmedAndStored) {
  const Bytes file = TwinHeader({})
                         .Append(Chunk("NAME", "  Title text \t"))
                         .Append(Chunk("COMT", std::string("Comment\0\0", 9)))
                         .Append(Chunk("AUTH", "Author"))
                         .Append(Chunk("(c) ", "Rights"))
                         .Append(Chunk("FILE", "orig.wav"))
                         .Append(Chunk("ALBM", "\x83\x41\x83\x8B\x83\x6F\x83\x80"))  // katakana "album"
                         .Append(Chunk("name", "lower case is another chunk"))
                         .Append(Chunk("DSIZ", std::string("\0\0\0\x10", 4)))
                         .Append(Chunk("DATA", "audio"));
  ASSERT_TRUE(vqf.LoadFromFile(Write(file)));
  EXPECT_EQ(vqf.Title(), "Title text");
  EXPECT_EQ(vqf.Comment(), "Comment");
  EXPECT_EQ(vqf.Author(), "Author");
  EXPECT_EQ(vqf.Copyright(), "Rights");
  EXPECT_EQ(vqf.OriginalFile(), "orig.wav");
  EXPECT_EQ(vqf.Album(), "\x83\x41\x83\x8B\x83\x6F\x83\x80");
}

TEST_F(TwinVQTest, LongChunkKeeps250BytesAndTheNextChunkIsFound) {
  const std::string longName = std::string(249, 'a') + "bcdefghijklmnopqrstuvwxyz" + std::string(26, 'z');
  ASSERT_EQ(longName.size(), 300u);
  const Bytes file = TwinHeader({}).Append(Chunk("NAME", longName)).Append(Chunk("ALBM", "After"));
  ASSERT_TRUE(vqf.LoadFromFile(Write(file)));
  EXPECT_EQ(vqf.Title(), longName.substr(0, 250));
  EXPECT_EQ(vqf.Album(), "After");
}

TEST_F(TwinVQTest, ChunkSizeUsesItsLow16Bits) {
  // 0x00010005: 5 bytes of data, then the next chunk.
  const Bytes file = TwinHeader({})
                         .Text("NAME")
                         .Be32(0x00010005)
                         .Text("Short")
                         .Append(Chunk("AUTH", "Next"));
  ASSERT_TRUE(vqf.LoadFromFile(Write(file)));
  EXPECT_EQ(vqf.Title(), "Short");
  EXPECT_EQ(vqf.Author(), "Next");
}

TEST_F(TwinVQTest, ListEndsAtDataOrAControlByte) {
  const Bytes atData = TwinHeader({}).Append(Chunk("NAME", "First")).Append(Chunk("DATA", "xx"))
                           .Append(Chunk("ALBM", "Behind the data"));
  ASSERT_TRUE(vqf.LoadFromFile(Write(atData)));
  EXPECT_EQ(vqf.Title(), "First");
  EXPECT_EQ(vqf.Album(), "");

  const Bytes atControl = TwinHeader({}).Append(Chunk("NA\x1f" "E", "x")).Append(Chunk("NAME", "Hidden"));
  ASSERT_TRUE(vqf.LoadFromFile(Write(atControl)));
  EXPECT_EQ(vqf.Title(), "");
}

TEST_F(TwinVQTest, LaterChunkReplacesEarlierAndTruncatedChunkEndsReading) {
  const Bytes file = TwinHeader({})
                         .Append(Chunk("NAME", "Old"))
                         .Append(Chunk("NAME", "New"))
                         .Text("COMT")
                         .Be32(1000)
                         .Text("cut off");
  ASSERT_TRUE(vqf.LoadFromFile(Write(file)));
  EXPECT_EQ(vqf.Title(), "New");
  EXPECT_EQ(vqf.Comment(), "");
  EXPECT_EQ(vqf.SampleRate(), 44100);  // header values stand
}

TEST_F(TwinVQTest, ZeroBitRateGivesZeroDuration) {
  Header h;
  h.bitRate = 0x00050000;  // low half 0
  ASSERT_TRUE(vqf.LoadFromFile(Write(TwinHeader(h), 2402020)));
  EXPECT_DOUBLE_EQ(vqf.Duration(), 0.0);
  EXPECT_TRUE(vqf.Corrupted());
}

TEST_F(TwinVQTest, DurationTakesTheDistanceEvenWhenTheHeaderSizeIsLarger) {
  Header h;
  h.headerSize = 12020;  // 12020 + 20 - 40 = 12000 bytes "before" the start
  ASSERT_TRUE(vqf.LoadFromFile(Write(TwinHeader(h))));
  EXPECT_DOUBLE_EQ(vqf.Duration(), 12000.0 / 125.0 / 96.0);
}

TEST_F(TwinVQTest, CorruptedAtTheLimitsOfEachRange) {
  struct Case {
    Header header;
    std::uintmax_t size;
    bool corrupted;
  };
  const std::uintmax_t twoHundredSeconds = 2402020;
  const Case cases[] = {
      {{1, 8, 8, 2000}, 2000 + 20 + 1000, false},     // 1000 bytes at 8 kbit/s: 1.0 s
      {{1, 7, 44, 2000}, twoHundredSeconds, true},    // bit rate below 8
      {{1, 192, 44, 2000}, twoHundredSeconds, false},
      {{1, 193, 44, 2000}, twoHundredSeconds, true},
      {{1, 96, 48, 2000}, twoHundredSeconds, true},   // 48 kHz is above 44.1 kHz
      {{1, 96, 7, 2000}, twoHundredSeconds, true},    // 7 kHz is below 8 kHz
      {{2, 96, 44, 2000}, twoHundredSeconds, true},   // unknown channel mode
      {{1, 8, 44, 2000}, 2000 + 20 + 99, true},       // 0.099 s
      {{1, 8, 44, 2000}, 2000 + 20 + 100, false},     // 0.1 s
      {{1, 8, 44, 40}, 40 + 20 + 10000000, false},    // exactly 10 000 s
      {{1, 8, 44, 40}, 40 + 20 + 10000001, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n++);
    ASSERT_TRUE(vqf.LoadFromFile(Write(TwinHeader(c.header), c.size)));
    EXPECT_EQ(vqf.Corrupted(), c.corrupted) << vqf.Duration();
  }
}

TEST_F(TwinVQTest, RefusesShortOrForeignFilesAndClears) {
  const Bytes good = TwinHeader({}).Append(Chunk("NAME", "Song"));
  const std::string cases[] = {
      TwinHeader({}).str().substr(0, 39),
      "twin" + TwinHeader({}).str().substr(4),
      Bytes().Fill(64).str(),
  };
  for (const std::string& bytes : cases) {
    ASSERT_TRUE(vqf.LoadFromFile(Write(good)));
    EXPECT_FALSE(vqf.LoadFromFile(Write(Bytes().Text(bytes), 0, "bad.vqf")));
    EXPECT_FALSE(vqf.Valid());
    EXPECT_FALSE(vqf.Corrupted());
    EXPECT_EQ(vqf.FileFormat(), "unknown");
    EXPECT_EQ(vqf.Title(), "");
    EXPECT_EQ(vqf.SampleRate(), 0);
    EXPECT_EQ(vqf.FileSize(), 0u);
  }
  EXPECT_FALSE(vqf.LoadFromFile(dir.File("missing.vqf")));
}

TEST_F(TwinVQTest, DispatcherAnswersTitleAlbumCommentOnly) {
  const Bytes file = TwinHeader({})
                         .Append(Chunk("NAME", "Song"))
                         .Append(Chunk("ALBM", "Disc"))
                         .Append(Chunk("COMT", "Note"))
                         .Append(Chunk("AUTH", "Someone"))
                         .Append(Chunk("DATA", ""));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(Write(file, 2402020, "song.svf")));
  EXPECT_EQ(reader.GetValue("FileFormat"), "TwinVQ");
  EXPECT_EQ(reader.GetValue("Title"), "Song");
  EXPECT_EQ(reader.GetValue("Album"), "Disc");
  EXPECT_EQ(reader.GetValue("Comment"), "Note");
  EXPECT_EQ(reader.GetValue("Artist"), "");
  EXPECT_EQ(reader.GetValue("Duration"), "200");
}

}  // namespace
