// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MPEGplus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MonkeyBuilders.h"
#include "TestSupport.h"
#include "tags/TagBytes.h"
#include "tags/sMediaTagReader.h"

using namespace monkey_test;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// A stream version 7 header: "MP+" 07, the frame count, then bytes 8 to 11 of which byte 10
// is the profile and bit 6 of byte 11 marks joint stereo.
Bytes Sv7Header(std::uint32_t frames, int profileByte = 0xA0, int byte11 = 0) {
  return Bytes().Text("MP+").U8(0x07).Le32(frames).U8(0).U8(0).U8(profileByte).U8(byte11);
}

// A stream version 4 to 6 header: word 0 holds the bit rate in its top 9 bits, the version
// code in bits 1 to 4 of byte 1 and the joint stereo bits in byte 2 (low 7 bits); word 1
// is the frame count (version 4: in its top 16 bits).
Bytes OldHeader(int versionCode, std::uint32_t bitRate, std::uint32_t word1, int stereoBits = 0,
                int otherByte1Bits = 0) {
  const std::uint32_t word0 = (bitRate << 23) | (static_cast<std::uint32_t>(stereoBits & 0x7F) << 16) |
                              (static_cast<std::uint32_t>((versionCode << 1) | otherByte1Bits) << 8);
  return Bytes().Le32(word0).Le32(word1).Le32(0);
}

// The size in bytes of an untagged stream of the given frames at the given kbit/s.
std::size_t SizeForRate(double kbps, std::uint32_t frames) {
  return static_cast<std::size_t>(kbps * 1000 / 8 * frames * 1152 / 44100 + 0.5);
}

class MPEGplusTest : public ::testing::Test {
protected:
  std::string Write(const std::string& bytes, const std::string& name = "a.mpc") {
    const std::string path = dir.File(name);
    WriteBytes(path, bytes);
    return path;
  }
  // The header followed by filler up to size bytes, without tags.
  std::string WriteUntagged(const Bytes& header, std::size_t size = 0) {
    return Write(TaggedFile(Bytes(), header, Bytes(), Bytes(), size));
  }
  TempDir dir;
  TMPEGplus mpc;
};

TEST_F(MPEGplusTest, Version7DurationAndComputedBitRate) {
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(10000), 5000000)));
  EXPECT_TRUE(mpc.Valid());
  EXPECT_EQ(mpc.FileFormat(), "unknown");
  EXPECT_EQ(mpc.StreamVersion(), 7);
  EXPECT_EQ(mpc.FileSize(), 5000000);
  EXPECT_EQ(mpc.FrameCount(), 10000);
  EXPECT_NEAR(mpc.Duration(), 261.22, 0.005);
  EXPECT_DOUBLE_EQ(mpc.Duration(), 10000.0 * 1152.0 / 44100.0);
  EXPECT_EQ(mpc.BitRate(), 153);
  EXPECT_EQ(mpc.Profile(), "Standard");
  EXPECT_EQ(mpc.ChannelMode(), "Stereo");
  EXPECT_FALSE(mpc.Corrupted());

  // With a 128-byte ID3v1 tag the rate is taken over 4 999 872 bytes: still 153.
  ASSERT_TRUE(mpc.LoadFromFile(
      Write(TaggedFile(Bytes(), Sv7Header(10000), Bytes(), Id3v1Tag("Song"), 5000000))));
  EXPECT_TRUE(mpc.ID3v1()->Exists());
  EXPECT_EQ(mpc.BitRate(), 153);
}

TEST_F(MPEGplusTest, BitRateLeavesOutEveryTag) {
  // 4 914 223 audio bytes over 10 000 frames give 150.498 kbit/s; 128 bytes more would
  // round to 151. The stream header counts as audio.
  const Bytes id3v2 = Id3v2Tag({{"TIT2", "Song"}}, 40000);
  const Bytes ape = ApeTag({{"Comment", std::string(20000, 'c')}});
  const Bytes id3v1 = Id3v1Tag("Song");
  const std::size_t size = id3v2.size() + ape.size() + id3v1.size() + 4914223;
  ASSERT_TRUE(mpc.LoadFromFile(Write(TaggedFile(id3v2, Sv7Header(10000), ape, id3v1, size))));
  ASSERT_EQ(mpc.ID3v2()->Size(), 40000);
  ASSERT_EQ(mpc.APEtag()->Size(), static_cast<std::int32_t>(ape.size()));
  EXPECT_EQ(mpc.StreamVersion(), 7);  // found behind the ID3v2 tag
  EXPECT_EQ(mpc.BitRate(), 150);
}

TEST_F(MPEGplusTest, OldStreamVersions) {
  struct Case {
    int code;
    std::uint32_t word1;
    int version;
    std::int32_t frames;
  };
  const Case cases[] = {
      {3, 0x12340000u, 4, 0x1234},  // version 4 keeps the top half of word 1
      {7, 0x00001235u, 5, 0x1235},
      {11, 0x00001236u, 6, 0x1236},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(c.code, 32, c.word1), SizeForRate(32, c.frames))));
    EXPECT_EQ(mpc.StreamVersion(), c.version);
    EXPECT_EQ(mpc.FrameCount(), c.frames) << c.version;
    EXPECT_EQ(mpc.ProfileID(), 0);
    EXPECT_EQ(mpc.Profile(), "Unknown");
  }
  // Versions 4 and 5 store their bit rate; version 6 computes it from the size.
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(7, 200, 10000), 5000000)));
  EXPECT_EQ(mpc.BitRate(), 200);
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(11, 200, 10000), 5000000)));
  EXPECT_EQ(mpc.BitRate(), 153);
}

TEST_F(MPEGplusTest, VersionCodeIgnoresTheOtherBitsOfByte1) {
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(3, 128, 0x00050000, 0, 0xE1), SizeForRate(128, 5))));
  EXPECT_EQ(mpc.StreamVersion(), 4);
}

TEST_F(MPEGplusTest, UnknownStreamsAreRefusedAndCleared) {
  const std::string cases[] = {
      OldHeader(5, 128, 100).str(),
      OldHeader(15, 128, 100).str(),
      OldHeader(0, 128, 100).str(),
      Bytes().Text("MPCK").Fill(20).str(),  // stream version 8
      Bytes().Text("MP+").U8(0x08).Fill(20).str(),
      Sv7Header(100).str().substr(0, 11),  // one byte short
      "",
  };
  for (const std::string& bytes : cases) {
    ASSERT_TRUE(mpc.LoadFromFile(Write(TaggedFile(Id3v2Tag({{"TIT2", "x"}}), Sv7Header(9), Bytes(),
                                                  Id3v1Tag("x"), 2000))));
    EXPECT_FALSE(mpc.LoadFromFile(Write(bytes, "bad.mpc")));
    EXPECT_FALSE(mpc.Valid());
    EXPECT_EQ(mpc.StreamVersion(), 0);
    EXPECT_EQ(mpc.FrameCount(), 0);
    EXPECT_EQ(mpc.FileSize(), 0);
    EXPECT_FALSE(mpc.ID3v2()->Exists());
    EXPECT_FALSE(mpc.ID3v1()->Exists());
    EXPECT_FALSE(mpc.Corrupted());
  }
  // Twelve stream bytes must follow the ID3v2 tag.
  EXPECT_FALSE(mpc.LoadFromFile(Write(Id3v2Tag({{"TIT2", "x"}}).str() + "MP+\x07", "tagonly.mpc")));
  EXPECT_FALSE(mpc.LoadFromFile(dir.File("missing.mpc")));
}

// Files of other formats whose byte 1 passes for a version 4 to 6 stream are not Musepack:
// AIFF showed as about 200 days long, a short WMA file as two minutes.
TEST_F(MPEGplusTest, ContainersOfOtherReadersAreNoGhostStreams) {
  const Bytes asfGuid{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  // Bytes 4 to 7 chosen so that the frame count is small where the version allows it.
  const std::pair<const char*, Bytes> heads[] = {
      {"FORM", Bytes().Text("FORM").Le32(16).Text("AIFF")},
      {"RIFF", Bytes().Text("RIFF").Le32(4000).Text("WAVE")},
      {"RF64", Bytes().Text("RF64").Le16(0).Le16(16).Text("WAVE")},
      {"OggS", Bytes().Text("OggS").U8(0).U8(2).Le16(16).Fill(4)},
      {"fLaC", Bytes().Text("fLaC").U8(0x80).Be24(34).Fill(4)},
      {"MAC ", Bytes().Text("MAC ").Le16(3990).Le16(16).Fill(4)},
      {"ASF", asfGuid},
  };
  for (const auto& [name, head] : heads) {
    SCOPED_TRACE(name);
    TMPEGplusHeader header;
    std::memcpy(header.bytes, head.str().data(), 12);
    for (int i = 0; i < 3; ++i) header.word[i] = tagbytes::Le32At(header.bytes + 4 * i);
    const std::uint16_t rate = TMPEGplus::DecodeHeaderBitRate(header);
    const auto frames = static_cast<std::uint32_t>(TMPEGplus::DecodeFrameCount(header));
    const std::size_t size = SizeForRate(rate ? rate : 128, frames);
    if (TMPEGplus::DecodeStreamVersion(header) != 0 && size < 1000000) {
      // The same header without the signature's first byte would pass for a stream.
      std::string control = head.str();
      control[0] = 'X';
      EXPECT_TRUE(mpc.LoadFromFile(WriteUntagged(Bytes().Text(control), size)));
    }
    EXPECT_FALSE(mpc.LoadFromFile(WriteUntagged(head, std::max<std::size_t>(size, 16))));
    EXPECT_EQ(mpc.StreamVersion(), 0);
  }
}

TEST_F(MPEGplusTest, OldVersionsNeedAHeaderThatFitsTheFileSize) {
  struct Case {
    const char* what;
    int code;
    std::uint32_t storedRate, frames;
    std::size_t size;
    bool accepted;
  };
  const Case cases[] = {
      {"version 6 at 8 kbit/s", 11, 0, 1000, SizeForRate(8.01, 1000), true},
      {"version 6 below 8 kbit/s", 11, 0, 1000, SizeForRate(7.9, 1000), false},
      {"version 6 at 1000 kbit/s", 11, 0, 10, SizeForRate(999.9, 10), true},
      {"version 6 above 1000 kbit/s", 11, 0, 10, SizeForRate(1001, 10), false},
      {"version 6 without frames", 11, 0, 0, 5000, false},
      {"version 5 stored rate twice the real one", 7, 256, 100, SizeForRate(128.1, 100), true},
      {"version 5 stored rate more than twice", 7, 256, 100, SizeForRate(127, 100), false},
      {"version 5 stored rate half the real one", 7, 64, 100, SizeForRate(127.9, 100), true},
      {"version 5 stored rate less than half", 7, 64, 100, SizeForRate(129, 100), false},
      {"version 4 frame count in the top half", 3, 128, 0x00640000, SizeForRate(128, 100), true},
      {"a huge frame count in a small file", 7, 0, 0x41534D43, 5000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(mpc.LoadFromFile(WriteUntagged(OldHeader(c.code, c.storedRate, c.frames), c.size)), c.accepted);
    EXPECT_EQ(mpc.Valid(), c.accepted);
  }
  // The tags do not count as audio: the same stream with a large ID3v2 tag in front is
  // too small for its frames.
  const Bytes id3v2 = Id3v2Tag({{"TIT2", "Song"}}, 40000);
  const std::size_t audio = SizeForRate(10, 1000);
  EXPECT_TRUE(mpc.LoadFromFile(Write(TaggedFile(id3v2, OldHeader(11, 0, 1000), Bytes(), Bytes(), 40000 + audio))));
  EXPECT_FALSE(mpc.LoadFromFile(Write(TaggedFile(id3v2, OldHeader(11, 0, 1000), Bytes(), Bytes(), 40000 + audio / 2))));
}

TEST_F(MPEGplusTest, ChannelModes) {
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(10, 0xA0, 0x40))));
  EXPECT_EQ(mpc.ChannelModeID(), 2);
  EXPECT_EQ(mpc.ChannelMode(), "Joint Stereo");
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(10, 0xA0, 0xBF))));
  EXPECT_EQ(mpc.ChannelMode(), "Stereo");

  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(7, 128, 10, 0x01), SizeForRate(128, 10))));
  EXPECT_EQ(mpc.ChannelMode(), "Joint Stereo");
  // Bit 7 of byte 2 belongs to the bit rate, not to the stereo mode.
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(7, 129, 10, 0), SizeForRate(129, 10))));
  EXPECT_EQ(mpc.BitRate(), 129);
  EXPECT_EQ(mpc.ChannelMode(), "Stereo");
}

TEST_F(MPEGplusTest, ProfilesOfVersion7Only) {
  const std::pair<int, const char*> profiles[] = {{0x80, "Thumb"}, {0x90, "Radio"}, {0xA0, "Standard"},
                                                  {0xB0, "Xtreme"}, {0xC0, "Insane"}, {0xA1, "Unknown"},
                                                  {0x70, "Unknown"}, {0xD0, "Unknown"}};
  for (const auto& [byte, name] : profiles) {
    ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(10, byte))));
    EXPECT_EQ(mpc.Profile(), name) << byte;
  }
  Bytes v6 = OldHeader(11, 128, 10);
  std::string bytes = v6.str();
  bytes[10] = static_cast<char>(0xA0);
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Bytes().Text(bytes), SizeForRate(128, 10))));
  EXPECT_EQ(mpc.Profile(), "Unknown");
}

TEST_F(MPEGplusTest, CorruptedOutsideSixteenTo480) {
  const std::pair<std::uint32_t, bool> rates[] = {{15, true}, {16, false}, {480, false},
                                                  {481, true}, {500, true}};
  for (const auto& [rate, corrupted] : rates) {
    ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(OldHeader(7, rate, 100), SizeForRate(rate, 100))));
    EXPECT_EQ(mpc.BitRate(), rate);
    EXPECT_EQ(mpc.Corrupted(), corrupted) << rate;
  }
}

TEST_F(MPEGplusTest, FrameCountsThatCannotGiveARate) {
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(0))));
  EXPECT_EQ(mpc.BitRate(), 0);
  EXPECT_DOUBLE_EQ(mpc.Duration(), 0.0);
  EXPECT_TRUE(mpc.Corrupted());

  // A negative count (top bit set) gives neither a rate nor a negative duration.
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(0x80000000u))));
  EXPECT_EQ(mpc.BitRate(), 0);
  EXPECT_DOUBLE_EQ(mpc.Duration(), 0.0);

  // One frame in 5 MB would be 153 125 kbit/s: capped, and corrupted.
  ASSERT_TRUE(mpc.LoadFromFile(WriteUntagged(Sv7Header(1), 5000000)));
  EXPECT_EQ(mpc.BitRate(), 65535);
  EXPECT_TRUE(mpc.Corrupted());
}

TEST_F(MPEGplusTest, DispatcherFindsItThroughTheFixedSlots) {
  // No ID3 tags, so the MPEG audio reader (tried first for .mpc) refuses the file.
  const std::string path =
      Write(TaggedFile(Bytes(), Sv7Header(10000), ApeTag({{"Title", "APE title"}}), Bytes(), 5000000),
            "song.mpc");
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("FileFormat"), "unknown");
  EXPECT_EQ(reader.GetValue("StreamVersion"), "7");
  EXPECT_EQ(reader.GetValue("Title"), "APE title");
  EXPECT_EQ(reader.GetValue("Track"), "0");
  EXPECT_EQ(reader.GetValue("Profile"), "Standard");
}

}  // namespace
