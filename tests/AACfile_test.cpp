// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AACfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/File.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// Collects bit fields most significant bit first.
class BitWriter {
public:
  BitWriter& Put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      current_ = static_cast<std::uint8_t>((current_ << 1) | ((value >> i) & 1));
      if (++used_ == 8) Flush();
    }
    return *this;
  }
  // The bytes so far, a partial last byte padded with zero bits.
  Bytes Done() {
    while (used_ != 0) Put(0, 1);
    return bytes_;
  }

private:
  void Flush() {
    bytes_.U8(current_);
    current_ = 0;
    used_ = 0;
  }
  Bytes bytes_;
  std::uint8_t current_ = 0;
  int used_ = 0;
};

struct AdtsFields {
  bool mpeg2 = true;
  int profile = 1;        // 2-bit object type: 1 is LC
  int rateIndex = 4;      // 44100
  int channels = 2;
  int length = 372;       // the frame length field; the frame holds max(length, 7) bytes
  int fullness = 0x7FF;   // 0x7FF marks a VBR stream
};

Bytes AdtsFrame(const AdtsFields& f) {
  BitWriter bits;
  bits.Put(0xFFF, 12).Put(f.mpeg2 ? 1 : 0, 1).Put(0, 2).Put(1, 1);      // sync, ID, layer, no CRC
  bits.Put(f.profile, 2).Put(f.rateIndex, 4).Put(0, 1).Put(f.channels, 3);  // bits 16..25
  bits.Put(0, 4);                                                        // original, home, copyright bits
  bits.Put(f.length, 13).Put(f.fullness, 11).Put(0, 2);                  // bits 30, 43, 54
  Bytes frame = bits.Done();
  if (f.length > 7) frame.Fill(static_cast<std::size_t>(f.length - 7), 0x21);
  return frame;
}

Bytes AdtsFrames(int count, const AdtsFields& f) {
  Bytes all;
  for (int i = 0; i < count; ++i) all.Append(AdtsFrame(f));
  return all;
}

struct AdifFields {
  bool copyrightId = false;
  bool vbr = false;
  std::uint32_t bitRate = 128000;
  int profile = 1;
  int rateIndex = 3;  // 48000
  int front = 1, side = 0, back = 1, lfe = 1;
};

Bytes AdifHeader(const AdifFields& f) {
  BitWriter bits;
  for (char c : std::string("ADIF")) bits.Put(static_cast<std::uint8_t>(c), 8);
  bits.Put(f.copyrightId ? 1 : 0, 1);
  if (f.copyrightId) bits.Put(0xABCDEF, 24).Put(0x123456, 24).Put(0xFFFFFF, 24);
  bits.Put(0, 1).Put(0, 1);                          // original/copy, home
  bits.Put(f.vbr ? 1 : 0, 1).Put(f.bitRate, 23).Put(0, 4);  // bit-stream type, bit rate, program count
  if (!f.vbr) bits.Put(0xFFFFF, 20);                 // buffer fullness of a CBR stream
  bits.Put(0xF, 4).Put(f.profile, 2).Put(f.rateIndex, 4);  // element tag, object type, rate
  bits.Put(f.front, 4).Put(f.side, 4).Put(f.back, 4).Put(f.lfe, 2);
  return bits.Done().Fill(64, 0x55);
}

// An ID3v2.3 tag with one title frame, padded to the given total size.
Bytes Id3v2Tag(std::string_view title, std::uint32_t totalSize) {
  Bytes frame = Bytes().Text("TIT2").Be32(static_cast<std::uint32_t>(1 + title.size())).Be16(0).U8(0).Text(title);
  std::uint32_t body = totalSize - 10;
  return Bytes().Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(body).Append(frame).Fill(body - frame.size());
}

Bytes Id3v1Tag(std::string_view title, std::string_view artist) {
  auto field = [](std::string_view text, std::size_t width) {
    return Bytes().Text(text).Fill(width - text.size());
  };
  return Bytes().Text("TAG").Append(field(title, 30)).Append(field(artist, 30)).Append(field("", 30))
      .Text("2001").Append(field("", 30)).U8(12);
}

class AACfileTest : public ::testing::Test {
protected:
  // Reads the stream of the bytes as a file without tags.
  void ReadStream(const std::string& bytes) {
    WriteBytes(path_, bytes);
    platform::File file;
    ASSERT_TRUE(file.Open(path_, platform::File::Mode::Read));
    ASSERT_TRUE(reader_.ReadStream(file));
  }
  bool Load(const std::string& bytes) {
    WriteBytes(path_, bytes);
    return reader_.LoadFromFile(path_);
  }

  TempDir dir_;
  std::string path_ = dir_.File("song.aac");
  TAACfile reader_;
};

}  // namespace

TEST_F(AACfileTest, AdtsVbrRateAveragesTheFirstThousandFrames) {
  AdtsFields f;
  Bytes stream = AdtsFrames(1000, f);
  ReadStream(stream);
  EXPECT_EQ(reader_.HeaderTypeID(), TAACfile::HeaderADTS);
  EXPECT_EQ(reader_.HeaderType(), "ADTS");
  EXPECT_EQ(reader_.BitRate(), 128166);  // 372 000 * 8 / 1024 / 1000 * 44 100 = 128 165.625
  EXPECT_EQ(reader_.BitRateTypeID(), 2);
  EXPECT_EQ(reader_.BitRateType(), "VBR");
  EXPECT_EQ(reader_.FileSize(), 372000);
  EXPECT_DOUBLE_EQ(reader_.Duration(), 372000.0 * 8 / 128166);
  EXPECT_TRUE(reader_.Valid());

  // The 1000th frame is the last one counted: a different length there changes the rate,
  // one after it does not.
  Bytes longLast = AdtsFrames(999, f);
  AdtsFields big = f;
  big.length = 1372;
  longLast.Append(AdtsFrame(big)).Append(AdtsFrames(5, big));
  ReadStream(longLast);
  EXPECT_EQ(reader_.BitRate(), static_cast<int>(std::nearbyint((999 * 372 + 1372) * 8.0 / 1024 / 1000 * 44100)));
}

TEST_F(AACfileTest, AdtsCbrReadsTheFirstFrameOnly) {
  AdtsFields f;
  f.fullness = 0x123;
  AdtsFields other = f;
  other.length = 1000;
  ReadStream(Bytes().Append(AdtsFrame(f)).Append(AdtsFrames(3, other)));
  EXPECT_EQ(reader_.BitRate(), 128166);
  EXPECT_EQ(reader_.BitRateType(), "CBR");
}

TEST_F(AACfileTest, APositionWithoutSyncIsNotAFrame) {
  AdtsFields f;
  ReadStream(Bytes().Append(AdtsFrames(2, f)).Text("no sync here"));
  EXPECT_EQ(reader_.BitRate(), static_cast<int>(std::nearbyint(744 * 8.0 / 1024 / 2 * 44100)));
}

TEST_F(AACfileTest, TheWalkEndsAtTheID3v1TagAndDurationLeavesItOut) {
  // Four frames end where the ID3v1 tag begins: "TAG" is not taken for a fifth position.
  AdtsFields f;
  Bytes file = Bytes().Append(Id3v2Tag("T", 50)).Append(AdtsFrames(4, f)).Append(Id3v1Tag("T", "A"));
  ASSERT_TRUE(Load(file));
  const int rate = static_cast<int>(std::nearbyint(4 * 372 * 8.0 / 1024 / 4 * 44100));
  EXPECT_EQ(reader_.BitRate(), rate);
  EXPECT_DOUBLE_EQ(reader_.Duration(), 4 * 372 * 8.0 / rate);

  // A stream cut short inside the ID3v1 tag's position: the cut frame is counted, nothing after.
  Bytes cut = Bytes().Append(Id3v2Tag("T", 50)).Append(AdtsFrames(3, f));
  cut = Bytes().Text(cut.str().substr(0, cut.size() - 100)).Append(Id3v1Tag("T", "A"));
  ASSERT_TRUE(Load(cut));
  EXPECT_EQ(reader_.BitRate(), static_cast<int>(std::nearbyint(3 * 372 * 8.0 / 1024 / 3 * 44100)));
}

TEST_F(AACfileTest, AdtsRateRoundsHalvesToEven) {
  AdtsFields f;
  f.fullness = 0;
  f.rateIndex = 11;  // 8000 Hz: each byte of the frame is worth 62.5 bit/s
  f.length = 5;
  ReadStream(AdtsFrame(f));
  EXPECT_EQ(reader_.BitRate(), 312);  // 312.5
  f.length = 3;
  ReadStream(AdtsFrame(f));
  EXPECT_EQ(reader_.BitRate(), 188);  // 187.5
}

TEST_F(AACfileTest, AdtsHeaderFields) {
  AdtsFields f;
  f.mpeg2 = true;
  f.profile = 0;
  f.rateIndex = 3;
  f.channels = 6;
  ReadStream(AdtsFrames(2, f));
  EXPECT_EQ(reader_.MPEGVersionID(), 1);
  EXPECT_EQ(reader_.MPEGVersion(), "MPEG-2");
  EXPECT_EQ(reader_.ProfileID(), 1);
  EXPECT_EQ(reader_.Profile(), "AAC Main");
  EXPECT_EQ(reader_.SampleRate(), 48000);
  EXPECT_EQ(reader_.Channels(), 6);

  // MPEG-4 streams keep the frame length at the same bit as MPEG-2 ones.
  f.mpeg2 = false;
  f.profile = 3;
  f.rateIndex = 4;
  f.channels = 7;
  ReadStream(AdtsFrames(1000, f));
  EXPECT_EQ(reader_.MPEGVersion(), "MPEG-4");
  EXPECT_EQ(reader_.Profile(), "AAC LTP");
  EXPECT_EQ(reader_.Channels(), 7);
  EXPECT_EQ(reader_.BitRate(), 128166);
}

TEST_F(AACfileTest, ReservedSampleRateIndexMakesTheStreamInvalid) {
  for (int index : {12, 15}) {
    AdtsFields f;
    f.rateIndex = index;
    ReadStream(AdtsFrames(3, f));
    EXPECT_EQ(reader_.SampleRate(), 0);
    EXPECT_EQ(reader_.BitRate(), 0);
    EXPECT_EQ(reader_.Duration(), 0.0);
    EXPECT_FALSE(reader_.Valid());
  }
}

TEST_F(AACfileTest, UnrecognisedHeaders) {
  for (const Bytes& start : {Bytes{0xFF, 0xE0, 0, 0, 0, 0, 0, 0}, Bytes().Text("ADIX1234"), Bytes{0xFF, 0xF1}}) {
    ReadStream(start);
    EXPECT_EQ(reader_.HeaderTypeID(), 0);
    EXPECT_EQ(reader_.HeaderType(), "Unknown");
    EXPECT_EQ(reader_.MPEGVersion(), "Unknown");
    EXPECT_EQ(reader_.Profile(), "Unknown");
    EXPECT_EQ(reader_.BitRateType(), "Unknown");
    EXPECT_EQ(reader_.Duration(), 0.0);
    EXPECT_FALSE(reader_.Valid());
  }
}

TEST_F(AACfileTest, AdifHeaderWithAndWithoutCopyrightIdentifier) {
  AdifFields f;
  Bytes header = AdifHeader(f);
  ReadStream(header);
  EXPECT_EQ(reader_.HeaderTypeID(), TAACfile::HeaderADIF);
  EXPECT_EQ(reader_.HeaderType(), "ADIF");
  EXPECT_EQ(reader_.BitRateType(), "CBR");
  EXPECT_EQ(reader_.BitRate(), 128000);
  EXPECT_EQ(reader_.MPEGVersion(), "MPEG-4");
  EXPECT_EQ(reader_.Profile(), "AAC LC");
  EXPECT_EQ(reader_.SampleRate(), 48000);
  EXPECT_EQ(reader_.Channels(), 3);
  EXPECT_DOUBLE_EQ(reader_.Duration(), header.size() * 8.0 / 128000);
  EXPECT_TRUE(reader_.Valid());

  // Bit 35 after the tag is the bit-stream type.
  platform::File file;
  ASSERT_TRUE(file.Open(path_, platform::File::Mode::Read));
  EXPECT_EQ(TAACfile::TakeBits(file, 35, 1), 0u);

  f.copyrightId = true;
  f.vbr = true;
  f.bitRate = 0x7FFFFF;
  f.profile = 2;
  f.rateIndex = 8;
  f.front = 15;
  f.side = 15;
  f.back = 15;
  f.lfe = 3;
  ReadStream(AdifHeader(f));
  EXPECT_EQ(reader_.BitRateType(), "VBR");
  EXPECT_EQ(reader_.BitRate(), 0x7FFFFF);
  EXPECT_EQ(reader_.Profile(), "AAC SSR");
  EXPECT_EQ(reader_.SampleRate(), 16000);
  EXPECT_EQ(reader_.Channels(), 48);
}

TEST_F(AACfileTest, TakeBitsAcrossBytesAndPastTheEnd) {
  WriteBytes(path_, Bytes{0x12, 0x34, 0x56, 0x78, 0x9A}.str());
  platform::File file;
  ASSERT_TRUE(file.Open(path_, platform::File::Mode::Read));
  EXPECT_EQ(TAACfile::TakeBits(file, 0, 8), 0x12u);
  EXPECT_EQ(TAACfile::TakeBits(file, 4, 12), 0x234u);
  EXPECT_EQ(TAACfile::TakeBits(file, 7, 24), 0x1A2B3Cu);  // 0x2345678 shifted by one bit
  EXPECT_EQ(TAACfile::TakeBits(file, 32, 8), 0x9Au);
  EXPECT_EQ(TAACfile::TakeBits(file, 36, 12), 0xA00u);    // bytes past the end read as 0
  EXPECT_EQ(TAACfile::TakeBits(file, 80, 24), 0u);
}

TEST_F(AACfileTest, OnlyFilesWithBothTagsAreAccepted) {
  Bytes stream = AdtsFrames(3, AdtsFields{});
  EXPECT_FALSE(Load(stream));
  EXPECT_FALSE(Load(Bytes().Append(Id3v2Tag("T", 100)).Append(stream)));
  EXPECT_FALSE(Load(Bytes().Append(stream).Append(Id3v1Tag("T", "A"))));
  EXPECT_EQ(reader_.FileFormat(), "unknown");
  EXPECT_EQ(reader_.HeaderTypeID(), 0);
  EXPECT_FALSE(reader_.LoadFromFile(dir_.File("missing.aac")));

  // An unknown stream between two tags is still an AAC file.
  EXPECT_TRUE(Load(Bytes().Append(Id3v2Tag("T", 100)).Text("not audio").Append(Id3v1Tag("T", "A"))));
  EXPECT_EQ(reader_.FileFormat(), "AAC");
  EXPECT_EQ(reader_.HeaderTypeID(), 0);
}

TEST_F(AACfileTest, StreamStartsAfterTheId3v2Tag) {
  // Three VBR frames, then the ID3v1 tag where a fourth frame would be.
  Bytes file = Bytes().Append(Id3v2Tag("Title2", 100)).Append(AdtsFrames(3, AdtsFields{})).Append(Id3v1Tag("Title1", "Artist1"));
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(reader_.FileFormat(), "AAC");
  EXPECT_EQ(reader_.ID3v2()->Size(), 100);
  EXPECT_EQ(reader_.HeaderType(), "ADTS");
  EXPECT_EQ(reader_.FileSize(), static_cast<std::int32_t>(file.size()));
  int rate = static_cast<int>(std::nearbyint(3 * 372 * 8.0 / 1024 / 3 * 44100));
  EXPECT_EQ(reader_.BitRate(), rate);
  EXPECT_DOUBLE_EQ(reader_.Duration(), (file.size() - 100 - 128) * 8.0 / rate);

  TsMediaTagReader dispatcher;
  ASSERT_TRUE(dispatcher.Open(path_));
  EXPECT_EQ(dispatcher.GetValue("FileFormat"), "AAC");
  EXPECT_EQ(dispatcher.GetValue("Title"), "Title2");
  EXPECT_EQ(dispatcher.GetValue("Artist"), "Artist1");
  EXPECT_EQ(dispatcher.GetValue("Valid"), "True");
  EXPECT_EQ(dispatcher.GetValue("Time"), "");
}

TEST_F(AACfileTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& info : reader_.Properties()) names.push_back(info.name);
  EXPECT_EQ(names, (std::vector<std::string>{"FileFormat", "ID3v1", "ID3v2", "FileSize", "HeaderTypeID", "HeaderType",
                                             "MPEGVersionID", "MPEGVersion", "ProfileID", "Profile", "Channels",
                                             "SampleRate", "BitRate", "BitRateTypeID", "BitRateType", "Duration", "Valid"}));
  const PropertyInfo* id3v2 = reader_.FindProperty("ID3v2");
  ASSERT_NE(id3v2, nullptr);
  EXPECT_EQ(id3v2->kind, PropKind::Object);
  EXPECT_EQ(std::get<TsMediaTag*>(id3v2->get(reader_)), reader_.ID3v2());
}

// Made with:
//   ffmpeg -f lavfi -i "sine=frequency=440:duration=0.5:sample_rate=22050" -c:a aac -b:a 24k -ac 1
//     -f adts aac-sine.aac
// Twelve VBR MPEG-4 LC frames (buffer fullness 7FF), mono, 22050 Hz, 1859 bytes in all. Behind
// them the ID3v1 tag stands where a thirteenth frame would; the walk ends there.
TEST(AACfileRealFile, FfmpegAdtsStream) {
  std::string stream = testing_support::ReadBytes(std::string(LYRIMATE_TEST_DATA) + "/aac-sine.aac");
  ASSERT_EQ(stream.size(), 1859u);
  TempDir dir;
  std::string path = dir.File("sine.aac");
  WriteBytes(path, Bytes().Append(Id3v2Tag("Sine", 64)).Text(stream).Append(Id3v1Tag("Sine", "ffmpeg")).str());
  TAACfile reader;
  ASSERT_TRUE(reader.LoadFromFile(path));
  EXPECT_EQ(reader.MPEGVersion(), "MPEG-4");
  EXPECT_EQ(reader.Profile(), "AAC LC");
  EXPECT_EQ(reader.SampleRate(), 22050);
  EXPECT_EQ(reader.Channels(), 1);
  EXPECT_EQ(reader.BitRateType(), "VBR");
  EXPECT_EQ(reader.BitRate(), 26687);  // 1859 * 8 / 1024 / 12 * 22050 = 26 686.8
  EXPECT_DOUBLE_EQ(reader.Duration(), 1859 * 8.0 / 26687);
}
