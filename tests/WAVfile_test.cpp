// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WAVfile.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// One RIFF chunk: identifier, little-endian size, body, and the pad byte of an odd body.
Bytes Chunk(const std::string& id, const Bytes& body) {
  Bytes chunk;
  chunk.Text(id).Le32(static_cast<std::uint32_t>(body.size())).Append(body);
  if (body.size() % 2) chunk.U8(0);
  return chunk;
}

struct Format {
  int code = 1;
  int channels = 2;
  std::uint32_t rate = 44100;
  std::uint32_t bytesPerSecond = 176400;
  int blockAlign = 4;
  int bits = 16;
  Bytes extra;  // bytes after the 16 common ones (cbSize and its data)
};

Bytes FmtChunk(const Format& f) {
  Bytes body;
  body.Le16(f.code).Le16(f.channels).Le32(f.rate).Le32(f.bytesPerSecond).Le16(f.blockAlign).Le16(f.bits);
  body.Append(f.extra);
  return Chunk("fmt ", body);
}

// "RIFF" size "WAVE" and the chunks; the RIFF size is the true one unless given.
std::string Wave(const Bytes& chunks, long riffSize = -1) {
  const std::uint32_t size = riffSize < 0 ? static_cast<std::uint32_t>(4 + chunks.size())
                                          : static_cast<std::uint32_t>(riffSize);
  return Bytes().Text("RIFF").Le32(size).Text("WAVE").Append(chunks).str();
}

class WAVfileTest : public ::testing::Test {
protected:
  std::string Write(const std::string& bytes, const std::string& name = "a.wav") {
    const std::string path = dir.File(name);
    WriteBytes(path, bytes);
    return path;
  }
  TempDir dir;
  TWAVfile wav;
};

TEST_F(WAVfileTest, PlainPcmTakesSizesFromTheRiffHeader) {
  // Only a few sample bytes are on disk; the RIFF size claims four minutes.
  const std::string path =
      Write(Wave(Bytes().Append(FmtChunk({})).Append(Chunk("data", Bytes().Fill(16))), 42336036));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_TRUE(wav.Valid());
  EXPECT_EQ(wav.FileFormat(), "WAV");
  EXPECT_EQ(wav.FormatID(), 1);
  EXPECT_EQ(wav.Format(), "Windows PCM");
  EXPECT_EQ(wav.ChannelNumber(), 2);
  EXPECT_EQ(wav.ChannelMode(), "Stereo");
  EXPECT_EQ(wav.SampleRate(), 44100u);
  EXPECT_EQ(wav.BytesPerSecond(), 176400u);
  EXPECT_EQ(wav.BlockAlign(), 4);
  EXPECT_EQ(wav.BitsPerSample(), 16);
  EXPECT_EQ(wav.HeaderSize(), 44);
  EXPECT_EQ(wav.FileSize(), 42336044u);
  EXPECT_DOUBLE_EQ(wav.Duration(), 240.0);
}

TEST_F(WAVfileTest, ImaAdpcmFactChunkGivesTheSampleCount) {
  Format ima{17, 1, 44100, 22311, 512, 4, Bytes().Le16(2).Le16(1017)};
  const std::string path = Write(Wave(Bytes()
                                          .Append(FmtChunk(ima))
                                          .Append(Chunk("fact", Bytes().Le32(441000)))
                                          .Append(Chunk("data", Bytes().Fill(512)))));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_EQ(wav.Format(), "DVI/IMA ADPCM");
  EXPECT_EQ(wav.ChannelMode(), "Mono");
  EXPECT_EQ(wav.SampleNumber(), 441000);
  EXPECT_EQ(wav.HeaderSize(), 60);
  EXPECT_DOUBLE_EQ(wav.Duration(), 10.0);
}

TEST_F(WAVfileTest, ChunksBeforeTheDataAreWalkedNotReadAsACount) {
  // A LIST chunk between format and data: its first bytes ("INFO") are no sample count.
  const Bytes list = Chunk("LIST", Bytes().Text("INFOISFT").Le32(5).Text("Lavf").U8(0));
  const std::string path = Write(Wave(Bytes()
                                          .Append(FmtChunk({}))
                                          .Append(list)  // 17 bytes of body, padded to 18
                                          .Append(Chunk("data", Bytes().Fill(176400)))));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_EQ(wav.SampleNumber(), 0);
  EXPECT_EQ(wav.HeaderSize(), 36 + 8 + 18 + 8);
  EXPECT_DOUBLE_EQ(wav.Duration(), 1.0);
}

TEST_F(WAVfileTest, EighteenByteFormatChunkFindsDataRightAfterIt) {
  Format f;
  f.extra = Bytes().Le16(0);  // cbSize 0
  const std::string path =
      Write(Wave(Bytes().Append(FmtChunk(f)).Append(Chunk("data", Bytes().Fill(176400)))));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_EQ(wav.SampleNumber(), 0);
  EXPECT_EQ(wav.HeaderSize(), 46);
  EXPECT_DOUBLE_EQ(wav.Duration(), 1.0);
}

TEST_F(WAVfileTest, RealFilesMadeByFfmpeg) {
  // ffmpeg -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.1" -ac 1 -c:a pcm_s16le
  //   WAVfile_ffmpeg_pcm.wav    (and -c:a adpcm_ima_wav WAVfile_ffmpeg_ima.wav)
  // Both put a LIST chunk before the data; the ADPCM file has a fact chunk of 2041 samples.
  ASSERT_TRUE(wav.LoadFromFile(LYRIMATE_TEST_DATA "/WAVfile_ffmpeg_pcm.wav"));
  EXPECT_EQ(wav.Format(), "Windows PCM");
  EXPECT_EQ(wav.SampleRate(), 8000u);
  EXPECT_EQ(wav.FileSize(), 1678u);
  EXPECT_EQ(wav.HeaderSize(), 78);
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.1);

  ASSERT_TRUE(wav.LoadFromFile(LYRIMATE_TEST_DATA "/WAVfile_ffmpeg_ima.wav"));
  EXPECT_EQ(wav.Format(), "DVI/IMA ADPCM");
  EXPECT_EQ(wav.SampleNumber(), 2041);
  EXPECT_DOUBLE_EQ(wav.Duration(), 2041.0 / 8000.0);
}

TEST_F(WAVfileTest, RiffSizeBelowTheHeaderClampsHeaderSize) {
  const std::string path =
      Write(Wave(Bytes().Append(FmtChunk({})).Append(Chunk("data", Bytes().Fill(8))), 20));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_EQ(wav.FileSize(), 28u);
  EXPECT_EQ(wav.HeaderSize(), 28);
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.0);
}

TEST_F(WAVfileTest, DurationGuardsEveryDivisor) {
  // No fact chunk and no byte rate: nothing to divide by.
  Format noRate;
  noRate.bytesPerSecond = 0;
  ASSERT_TRUE(wav.LoadFromFile(
      Write(Wave(Bytes().Append(FmtChunk(noRate)).Append(Chunk("data", Bytes().Fill(8)))))));
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.0);

  // A fact count but a sample rate of 0; and a count past the signed range.
  Format noSampleRate;
  noSampleRate.rate = 0;
  ASSERT_TRUE(wav.LoadFromFile(Write(Wave(Bytes()
                                              .Append(FmtChunk(noSampleRate))
                                              .Append(Chunk("fact", Bytes().Le32(1000)))
                                              .Append(Chunk("data", Bytes()))))));
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.0);
  ASSERT_TRUE(wav.LoadFromFile(Write(Wave(Bytes()
                                              .Append(FmtChunk({}))
                                              .Append(Chunk("fact", Bytes().Le32(0x80000000u)))
                                              .Append(Chunk("data", Bytes()))))));
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.0);
}

TEST_F(WAVfileTest, ChunkSizeThatLiesEndsTheWalk) {
  // A chunk claiming 4 GB before the data: the walk stops at the end of the file and the
  // data is taken to start after one chunk header behind the format chunk.
  const std::string path = Write(Wave(Bytes()
                                          .Append(FmtChunk({}))
                                          .Text("junk")
                                          .Le32(0xFFFFFFF0u)
                                          .Fill(100)));
  ASSERT_TRUE(wav.LoadFromFile(path));
  EXPECT_EQ(wav.HeaderSize(), 56);
  EXPECT_EQ(wav.SampleNumber(), 0);
}

TEST_F(WAVfileTest, RefusesWhatIsNotAOneOrTwoChannelWave) {
  const Bytes data = Chunk("data", Bytes().Fill(8));
  Format six;
  six.channels = 6;
  Format none;
  none.channels = 0;
  const std::string cases[] = {
      Wave(Bytes().Append(FmtChunk(six)).Append(data)),
      Wave(Bytes().Append(FmtChunk(none)).Append(data)),
      // The format chunk must come first.
      Wave(Bytes().Append(Chunk("LIST", Bytes().Text("INFO"))).Append(FmtChunk({})).Append(data)),
      // Identifiers are case-sensitive.
      Bytes().Text("RIFF").Le32(44).Text("wave").Append(FmtChunk({})).Append(data).str(),
      Bytes().Text("RIFX").Le32(44).Text("WAVE").Append(FmtChunk({})).Append(data).str(),
      // 39 bytes: one short of the fixed header.
      Wave(Bytes().Append(FmtChunk({})).Append(data)).substr(0, 39),
      // A 20-byte format chunk fills the fixed header, and nothing follows it.
      Wave(Bytes().Append(FmtChunk({17, 1, 44100, 22311, 512, 4, Bytes().Le16(2).Le16(1017)}))),
  };
  int n = 0;
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(n);
    // A successful load first, so that a refusal must clear the fields again.
    ASSERT_TRUE(wav.LoadFromFile(Write(Wave(Bytes().Append(FmtChunk({})).Append(data)), "good.wav")));
    EXPECT_FALSE(wav.LoadFromFile(Write(bytes, "case" + std::to_string(n++) + ".wav")));
    EXPECT_FALSE(wav.Valid());
    EXPECT_EQ(wav.FileFormat(), "unknown");
    EXPECT_EQ(wav.SampleRate(), 0u);
    EXPECT_EQ(wav.HeaderSize(), 0);
    EXPECT_DOUBLE_EQ(wav.Duration(), 0.0);
  }
  EXPECT_FALSE(wav.LoadFromFile(dir.File("missing.wav")));
}

TEST_F(WAVfileTest, FormatNamesAndUnknownCodes) {
  const std::pair<int, const char*> names[] = {{2, "Microsoft ADPCM"}, {6, "A-LAW"}, {7, "MU-LAW"},
                                               {85, "MPEG Layer III"}, {3, ""}, {0xFFFE, ""}};
  for (const auto& [code, name] : names) {
    Format f;
    f.code = code;
    ASSERT_TRUE(wav.LoadFromFile(Write(Wave(Bytes().Append(FmtChunk(f)).Append(Chunk("data", Bytes()))))));
    EXPECT_EQ(wav.Format(), name) << code;
  }
}

TEST_F(WAVfileTest, DispatcherAnswersDurationButNoTexts) {
  const std::string path =
      Write(Wave(Bytes().Append(FmtChunk({})).Append(Chunk("data", Bytes().Fill(16))), 42336036), "song.wav");
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("FileFormat"), "WAV");
  EXPECT_EQ(reader.GetValue("Duration"), "240");
  EXPECT_EQ(reader.GetValue("Valid"), "True");
  EXPECT_EQ(reader.GetValue("Title"), "");
  EXPECT_EQ(reader.GetValue("SampleNumber"), "");  // not published
}

}  // namespace
