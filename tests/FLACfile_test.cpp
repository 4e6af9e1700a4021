// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/FLACfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// The signature and a STREAMINFO metadata block: block sizes, frame sizes, then 20 bits of
// sample rate, 3 bits of channels - 1, 5 bits of bits per sample - 1 and 36 bits of samples.
Bytes StreamInfo(std::uint32_t sampleRate, unsigned channels, unsigned bitsPerSample, std::uint64_t samples,
                 std::string_view signature = "fLaC") {
  const std::uint64_t packed = (std::uint64_t{sampleRate & 0xFFFFF} << 44) | (std::uint64_t{(channels - 1) & 7} << 41) |
                               (std::uint64_t{(bitsPerSample - 1) & 31} << 36) | (samples & 0xFFFFFFFFFULL);
  return Bytes()
      .Text(signature)
      .U8(0x80)  // last metadata block, type 0
      .Be24(34)
      .Be16(4096)
      .Be16(4096)
      .Be24(0)
      .Be24(0)
      .Be64(packed)
      .Fill(16);  // MD5
}

class FLACfileTest : public ::testing::Test {
protected:
  bool Load(const Bytes& bytes) {
    WriteBytes(path_, bytes.str());
    return flac_.LoadFromFile(path_);
  }

  TempDir dir_;
  std::string path_ = dir_.File("song.flac");
  TFLACfile flac_;
};

TEST_F(FLACfileTest, FourMinutesOfCdAudioAtHalfSize) {
  WriteBytes(path_, StreamInfo(44100, 2, 16, 10'584'000).str());
  std::filesystem::resize_file(path_, 21'168'000);
  ASSERT_TRUE(flac_.LoadFromFile(path_));
  EXPECT_EQ(flac_.FileFormat(), "FRAC");
  EXPECT_EQ(flac_.Channels(), 2);
  EXPECT_EQ(flac_.SampleRate(), 44100);
  EXPECT_EQ(flac_.BitsPerSample(), 16);
  EXPECT_EQ(flac_.Samples(), 10'584'000);
  EXPECT_EQ(flac_.FileLength(), 21'168'000);
  EXPECT_TRUE(flac_.Valid());
  EXPECT_DOUBLE_EQ(flac_.Duration(), 240.0);
  EXPECT_DOUBLE_EQ(flac_.Ratio(), 50.0);
}

TEST_F(FLACfileTest, BitFieldsAtTheirLimits) {
  struct Case {
    std::uint32_t rate;
    unsigned channels, bits;
  } cases[] = {{1, 1, 1}, {655350, 8, 32}, {96000, 6, 24}, {0xFFFFF, 3, 17}, {8000, 1, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " " << c.channels << " " << c.bits);
    ASSERT_TRUE(Load(StreamInfo(c.rate, c.channels, c.bits, 1000)));
    EXPECT_EQ(flac_.SampleRate(), static_cast<std::int32_t>(c.rate));
    EXPECT_EQ(flac_.Channels(), c.channels);
    EXPECT_EQ(flac_.BitsPerSample(), c.bits);
    EXPECT_EQ(flac_.Samples(), 1000);
  }
}

TEST_F(FLACfileTest, SampleCountKeepsItsLow32Bits) {
  ASSERT_TRUE(Load(StreamInfo(44100, 2, 16, (1ULL << 32) + 441000)));
  EXPECT_EQ(flac_.Samples(), 441000);
  EXPECT_DOUBLE_EQ(flac_.Duration(), 10.0);
  EXPECT_EQ(flac_.BitsPerSample(), 16);  // the upper count bits share a byte with it
}

TEST_F(FLACfileTest, NeedsTwentySixBytes) {
  const Bytes full = StreamInfo(44100, 2, 16, 1000);
  EXPECT_FALSE(Load(Bytes().Text(full.str().substr(0, 25))));
  EXPECT_EQ(flac_.FileFormat(), "unknown");
  EXPECT_TRUE(Load(Bytes().Text(full.str().substr(0, 26))));
  EXPECT_EQ(flac_.FileLength(), 26);
  EXPECT_FALSE(Load(Bytes()));
  EXPECT_FALSE(flac_.LoadFromFile(dir_.File("missing.flac")));
}

TEST_F(FLACfileTest, SignatureIsTheSumOfItsBytes) {
  EXPECT_TRUE(Load(StreamInfo(44100, 2, 16, 1000, "CaLf")));  // same sum, other order
  EXPECT_TRUE(Load(StreamInfo(44100, 2, 16, 1000, "fLaC")));
  EXPECT_FALSE(Load(StreamInfo(44100, 2, 16, 1000, "fLaD")));  // 343
  EXPECT_FALSE(Load(StreamInfo(44100, 2, 16, 1000, "fLaB")));  // 341
  // Bytes above 0x7F must be added as unsigned values: 0xFF + 0x57 + 0 + 0 = 342.
  EXPECT_TRUE(Load(StreamInfo(44100, 2, 16, 1000, std::string_view("\xFF\x57\x00\x00", 4))));
}

TEST_F(FLACfileTest, RefusalClearsEarlierValues) {
  ASSERT_TRUE(Load(StreamInfo(44100, 2, 16, 1000)));
  EXPECT_FALSE(Load(StreamInfo(44100, 2, 16, 1000, "OggS")));
  EXPECT_EQ(flac_.FileFormat(), "unknown");
  EXPECT_EQ(flac_.Channels(), 0);
  EXPECT_EQ(flac_.SampleRate(), 0);
  EXPECT_EQ(flac_.BitsPerSample(), 0);
  EXPECT_EQ(flac_.Samples(), 0);
  EXPECT_EQ(flac_.FileLength(), 0);
  EXPECT_FALSE(flac_.Valid());
}

TEST_F(FLACfileTest, NotValidWithoutSamplesOrRate) {
  ASSERT_TRUE(Load(StreamInfo(44100, 2, 16, 0)));
  EXPECT_FALSE(flac_.Valid());
  EXPECT_EQ(flac_.Duration(), 0.0);
  EXPECT_EQ(flac_.Ratio(), 0.0);
  ASSERT_TRUE(Load(StreamInfo(0, 2, 16, 1000)));
  EXPECT_FALSE(flac_.Valid());
  EXPECT_EQ(flac_.Duration(), 0.0);
  // A count of 2^31 or more does not fit the signed sample field.
  ASSERT_TRUE(Load(StreamInfo(44100, 2, 16, 0x80000000u)));
  EXPECT_FALSE(flac_.Valid());
}

TEST_F(FLACfileTest, EmbeddedTagsStayEmpty) {
  // An ID3v1 tag at the end is not read: the tag objects are only cleared.
  Bytes file = StreamInfo(44100, 2, 16, 1000);
  file.Text("TAG").Text("Some title").Fill(128 - 13);
  ASSERT_TRUE(Load(file));
  ASSERT_NE(flac_.ID3v1(), nullptr);
  ASSERT_NE(flac_.ID3v2(), nullptr);
  EXPECT_FALSE(flac_.ID3v1()->Exists());
  EXPECT_EQ(flac_.ID3v1()->Title(), "");
  EXPECT_FALSE(flac_.ID3v2()->Exists());
  EXPECT_EQ(std::get<TsMediaTag*>(flac_.FindProperty("ID3v1")->get(flac_)), flac_.ID3v1());
  EXPECT_EQ(std::get<TsMediaTag*>(flac_.FindProperty("id3v2")->get(flac_)), flac_.ID3v2());
}

TEST_F(FLACfileTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& p : flac_.Properties()) names.push_back(p.name);
  const std::vector<std::string> expected = {"FileFormat", "Channels", "SampleRate", "BitsPerSample", "FileLength",
                                             "Samples", "ID3v1", "ID3v2", "Valid", "Duration", "Ratio"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(flac_.FindProperty("ID3v1")->kind, PropKind::Object);
  EXPECT_EQ(flac_.FindProperty("Ratio")->kind, PropKind::Double);
  for (const auto& p : flac_.Properties()) EXPECT_FALSE(p.set) << p.name;
}

// Made by: ffmpeg -f lavfi -i sine=f=440:d=0.5:r=8000 -ac 2 short.wav
//   flac -8 --no-padding -T TITLE="Sine Title" -o flac-sine.flac short.wav
TEST(FLACfileRealTest, FileMadeByFlac) {
  TFLACfile flac;
  const std::string path = std::string(LYRIMATE_TEST_DATA) + "/flac-sine.flac";
  ASSERT_TRUE(flac.LoadFromFile(path));
  EXPECT_EQ(flac.FileFormat(), "FRAC");
  EXPECT_EQ(flac.Channels(), 2);
  EXPECT_EQ(flac.SampleRate(), 8000);
  EXPECT_EQ(flac.BitsPerSample(), 16);
  EXPECT_EQ(flac.Samples(), 4000);
  EXPECT_DOUBLE_EQ(flac.Duration(), 0.5);
  EXPECT_EQ(flac.FileLength(), static_cast<std::int32_t>(std::filesystem::file_size(path)));
  EXPECT_DOUBLE_EQ(flac.Ratio(), flac.FileLength() / 16000.0 * 100);
  EXPECT_EQ(flac.ID3v2()->Title(), "");  // the Vorbis comment is not read
}

}  // namespace
