// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AIFFfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

namespace {

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// ---- builders ------------------------------------------------------------------------

// A chunk: id, big-endian size of the data, the data, a pad byte after an odd size.
Bytes Chunk(std::string_view id, const Bytes& data, std::uint32_t declared = 0xFFFFFFFF) {
  Bytes chunk = Bytes().Text(id).Be32(declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(data.size()) : declared).Append(data);
  if (data.size() % 2) chunk.U8(0);
  return chunk;
}

// An integer value as an 80-bit extended number: sign and exponent, 64-bit mantissa.
Bytes Extended(std::uint64_t value) {
  if (value == 0) return Bytes().Fill(10);
  int top = 63;
  while (!(value >> top)) --top;
  return Bytes().Be16(static_cast<std::uint32_t>(16383 + top)).Be64(value << (63 - top));
}

Bytes Common(int channels, std::uint32_t frames, int bits, std::uint64_t rate) {
  return Chunk("COMM", Bytes().Be16(channels).Be32(frames).Be16(bits).Append(Extended(rate)));
}

Bytes CommonC(int channels, std::uint32_t frames, int bits, std::uint64_t rate, std::string_view compression) {
  return Chunk("COMM", Bytes().Be16(channels).Be32(frames).Be16(bits).Append(Extended(rate)).Text(compression).U8(0).U8(0));
}

Bytes Sound(std::size_t bytes) { return Chunk("SSND", Bytes().Be32(0).Be32(0).Fill(bytes, 0x11)); }

Bytes Form(std::string_view type, std::initializer_list<Bytes> chunks, std::int64_t declared = -1) {
  Bytes body = Bytes().Text(type);
  for (const Bytes& chunk : chunks) body.Append(chunk);
  return Bytes().Text("FORM").Be32(static_cast<std::uint32_t>(declared < 0 ? body.size() : declared)).Append(body);
}

// An ID3v2.3 tag of single-byte text frames.
Bytes Id3Tag(std::initializer_list<std::pair<std::string_view, std::string_view>> frames) {
  Bytes body;
  for (const auto& [id, text] : frames) {
    body.Text(id).Be32(static_cast<std::uint32_t>(text.size() + 1)).Be16(0).U8(0).Text(text);
  }
  return Bytes().Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(body.size())).Append(body);
}

class AIFFfileTest : public ::testing::Test {
protected:
  bool Load(const Bytes& bytes) {
    WriteBytes(path_, bytes.str());
    return aiff_.LoadFromFile(path_);
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_.File(name);
    WriteBytes(path, bytes.str());
    return path;
  }

  TempDir dir_;
  std::string path_ = dir_.File("song.aiff");
  TAIFFfile aiff_;
};

// ---- tests -----------------------------------------------------------------------------

TEST(AIFFExtended, SampleRatesAndOddValues) {
  const std::pair<Bytes, double> cases[] = {
      {Extended(44100), 44100.0},
      {Extended(48000), 48000.0},
      {Extended(8000), 8000.0},
      {Extended(1), 1.0},
      {Bytes{0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, 22050.0},  // mantissa without the top bit
      {Bytes{0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, -44100.0},
      {Bytes().Fill(10), 0.0},
      {Bytes{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0.0},   // infinity
      {Bytes{0x7F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0.0},   // beyond a double
      {Bytes{0x00, 0x01, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0.0},   // below a double's smallest value
  };
  for (const auto& [bytes, value] : cases) {
    const std::string raw = bytes.str();
    EXPECT_EQ(TAIFFfile::ExtendedToDouble(reinterpret_cast<const std::uint8_t*>(raw.data())), value) << value;
  }
}

TEST_F(AIFFfileTest, PcmStreamPropertiesFromTheCommonChunk) {
  ASSERT_TRUE(Load(Form("AIFF", {Common(2, 132300, 16, 44100), Sound(1000)})));
  EXPECT_EQ(aiff_.FileFormat(), "AIFF");
  EXPECT_EQ(aiff_.Channels(), 2);
  EXPECT_EQ(aiff_.SampleFrames(), 132300u);
  EXPECT_EQ(aiff_.BitsPerSample(), 16);
  EXPECT_EQ(aiff_.SampleRate(), 44100u);
  EXPECT_EQ(aiff_.Compression(), "NONE");
  EXPECT_DOUBLE_EQ(aiff_.Duration(), 3.0);
  EXPECT_EQ(aiff_.BitRate(), 1411);
  EXPECT_TRUE(aiff_.Valid());
  EXPECT_EQ(aiff_.PropertyText("Duration"), "3");
}

TEST_F(AIFFfileTest, AifcRatesOfPcmAndOfCompressedStreams) {
  ASSERT_TRUE(Load(Form("AIFC", {Chunk("FVER", Bytes().Be32(0xA2805140)), CommonC(2, 88200, 16, 44100, "sowt"), Sound(1000)})));
  EXPECT_EQ(aiff_.FileFormat(), "AIFC");
  EXPECT_EQ(aiff_.Compression(), "sowt");
  EXPECT_EQ(aiff_.BitRate(), 1411);  // little-endian PCM
  // IMA ADPCM: 2 s of 44 100 Hz mono in 44 100 bytes of sound data is 176.4 kbit/s.
  ASSERT_TRUE(Load(Form("AIFC", {CommonC(1, 88200, 16, 44100, "ima4"), Sound(44100)})));
  EXPECT_EQ(aiff_.Compression(), "ima4");
  EXPECT_DOUBLE_EQ(aiff_.Duration(), 2.0);
  EXPECT_EQ(aiff_.BitRate(), 176);
  // An AIFF-C common chunk cut before its compression type is not taken.
  ASSERT_TRUE(Load(Form("AIFC", {Common(2, 100, 16, 44100)})));
  EXPECT_FALSE(aiff_.Valid());
  EXPECT_EQ(aiff_.BitRate(), 0);
}

TEST_F(AIFFfileTest, Id3ChunkGivesTheSongValuesThroughTheDispatcher) {
  const Bytes id3 = Id3Tag({{"TIT2", "Tagged title"}, {"TPE1", "Artist"}, {"TALB", "Album"}, {"TRCK", "3/9"},
                            {"TYER", "2001"}, {"TCON", "(8)"}, {"COMM", std::string("eng\0Said", 8)},
                            {"USLT", std::string("eng\0Words", 9)}});
  const std::string path = Write("itunes.aif", Form("AIFF", {Common(2, 44100, 16, 44100), Chunk("NAME", Bytes().Text("Chunk title")),
                                                              Sound(100), Chunk("ID3 ", id3)}));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("FileFormat"), "AIFF");
  const std::pair<const char*, const char*> values[] = {
      {"Title", "Tagged title"}, {"Artist", "Artist"}, {"Album", "Album"}, {"Track", "3"}, {"Year", "2001"},
      {"Genre", "Jazz"}, {"Comment", "Said"}, {"Lyrics", "Words"}, {"Duration", "1"}};
  for (const auto& [name, value] : values) EXPECT_EQ(reader.GetValue(name), value) << name;
}

TEST_F(AIFFfileTest, TextChunksWithoutAnId3Chunk) {
  ASSERT_TRUE(Load(Form("AIFF", {Chunk("NAME", Bytes().Text("Odd")), Chunk("AUTH", Bytes().Text(platform::Sjis("歌手"))),
                                 Chunk("ANNO", Bytes().Text("First note")), Chunk("ANNO", Bytes().Text("Second")),
                                 Common(1, 8000, 8, 8000)})));
  EXPECT_EQ(aiff_.Title(), "Odd");  // odd size: the pad byte is skipped
  EXPECT_EQ(aiff_.Artist(), platform::Sjis("歌手"));
  EXPECT_EQ(aiff_.Comment(), "First note");
  EXPECT_EQ(aiff_.Channels(), 1);  // the common chunk after them is found
  // Latin-1 as older Mac tools wrote it becomes code page 932 text.
  ASSERT_TRUE(Load(Form("AIFF", {Common(1, 8000, 8, 8000), Chunk("NAME", Bytes().Text("Caf\xE9"))})));
  EXPECT_EQ(aiff_.Title(), "Caf?");
}

TEST_F(AIFFfileTest, LyingSizesAreBoundedByTheFile) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::uint16_t channels;
    const char* title;
  };
  const Case cases[] = {
      {"container larger than the file", Form("AIFF", {Common(2, 10, 16, 44100), Chunk("NAME", Bytes().Text("T"))}, 0x7FFFFFFF), 2, "T"},
      {"container smaller than its chunks", Form("AIFF", {Common(2, 10, 16, 44100), Chunk("NAME", Bytes().Text("T"))}, 4 + 26), 2, ""},
      {"sound chunk past the end", Form("AIFF", {Common(2, 10, 16, 44100), Chunk("SSND", Bytes().Fill(8), 0xFFFFFFF0), Chunk("NAME", Bytes().Text("T"))}), 2, ""},
      {"name chunk past the end", Form("AIFF", {Common(2, 10, 16, 44100), Chunk("NAME", Bytes().Text("Cut"), 1000)}), 2, "Cut"},
      {"common chunk too short", Form("AIFF", {Chunk("COMM", Bytes().Fill(17)), Chunk("NAME", Bytes().Text("T"))}), 0, "T"},
      {"ID3 chunk smaller than its tag", Form("AIFF", {Chunk("ID3 ", Id3Tag({{"TIT2", "x"}}).Fill(0), 12), Chunk("NAME", Bytes().Text("T"))}), 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Load(c.bytes));
    EXPECT_EQ(aiff_.Channels(), c.channels);
    EXPECT_EQ(aiff_.Title(), c.title);
  }
}

TEST_F(AIFFfileTest, OtherContainersAreRefusedAndClearTheFields) {
  ASSERT_TRUE(Load(Form("AIFF", {Common(2, 10, 16, 44100), Chunk("NAME", Bytes().Text("T"))})));
  for (const Bytes& other : {Form("AIFX", {Common(2, 10, 16, 44100)}), Form("WAVE", {}), Bytes().Text("FORM").Be32(4),
                             Bytes().Text("RIFF").Le32(4).Text("AIFF"), Bytes()}) {
    EXPECT_FALSE(Load(other));
    EXPECT_EQ(aiff_.FileFormat(), "unknown");
    EXPECT_EQ(aiff_.Channels(), 0);
    EXPECT_EQ(aiff_.Title(), "");
  }
}

TEST_F(AIFFfileTest, DispatcherFindsAiffByExtensionAndByContent) {
  const Bytes aiff = Form("AIFF", {Common(2, 441000, 16, 44100), Chunk("NAME", Bytes().Text("Sound")), Sound(2000)});
  for (const char* name : {"a.aif", "b.AIFF", "c.aifc", "d.mp3", "e.mpc", "f"}) {
    TsMediaTagReader reader;
    ASSERT_TRUE(reader.Open(Write(name, aiff))) << name;
    EXPECT_EQ(reader.GetValue("FileFormat"), "AIFF") << name;
    EXPECT_EQ(reader.GetValue("Title"), "Sound") << name;
    EXPECT_EQ(reader.GetValue("Duration"), "10") << name;
  }
  EXPECT_EQ(TsMediaTagReader::ExtensionClass("x.aiff"), &CreateReader<TAIFFfile>);
  EXPECT_EQ(TsMediaTagReader::ExtensionClass("x.aifc"), &CreateReader<TAIFFfile>);
}

TEST_F(AIFFfileTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& p : aiff_.Properties()) names.push_back(p.name);
  const std::vector<std::string> expected = {"FileFormat", "Channels", "SampleFrames", "BitsPerSample", "SampleRate",
                                             "Compression", "FileSize", "ID3v2", "Title", "Artist", "Comment",
                                             "Duration", "BitRate", "Valid"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(aiff_.FindProperty("ID3v2")->kind, PropKind::Object);
}

// Made by: ffmpeg -f lavfi -i anullsrc=r=8000:cl=mono -t 0.1 -write_id3v2 1 aiff-silence.aiff,
// then tagged with mutagen (see scripts/make-real-tags).
TEST(AIFFfileRealTest, FfmpegFileTaggedWithMutagen) {
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(std::string(LYRIMATE_TEST_DATA) + "/aiff-silence.aiff"));
  EXPECT_EQ(reader.GetValue("FileFormat"), "AIFF");
  EXPECT_EQ(reader.GetValue("SampleRate"), "8000");
  EXPECT_EQ(reader.GetValue("Channels"), "1");
  EXPECT_EQ(reader.GetValue("Duration"), "0.1");
  EXPECT_EQ(reader.GetValue("Title"), "Silence");
  EXPECT_EQ(reader.GetValue("Artist"), "Beyonc?");  // Latin-1 forced by the tagger
  EXPECT_EQ(reader.GetValue("Genre"), "Ambient");
  EXPECT_EQ(reader.GetValue("Comment"), "Quiet");
}

}  // namespace
