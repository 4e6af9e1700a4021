// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/FLACfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tags/sMediaTagReader.h"

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

std::string Write(TempDir& dir, const std::string& name, const Bytes& bytes) {
  const std::string path = dir.File(name);
  WriteBytes(path, bytes.str());
  return path;
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
                                             "Samples", "ID3v1", "ID3v2", "Valid", "Duration", "Ratio",
                                             "Title", "Artist", "Album", "Track", "Date", "Genre", "Comment", "Vendor"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(flac_.FindProperty("ID3v1")->kind, PropKind::Object);
  EXPECT_EQ(flac_.FindProperty("Ratio")->kind, PropKind::Double);
  EXPECT_EQ(flac_.FindProperty("Track")->kind, PropKind::Word);
  // The comment values can be changed in memory, as those of the Ogg Vorbis reader.
  for (const auto& p : flac_.Properties()) {
    const bool settable = p.name == "Title" || p.name == "Artist" || p.name == "Album" || p.name == "Track" ||
                          p.name == "Date" || p.name == "Genre" || p.name == "Comment";
    EXPECT_EQ(static_cast<bool>(p.set), settable) << p.name;
  }
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
  EXPECT_EQ(flac.ID3v2()->Title(), "");
  EXPECT_EQ(flac.Title(), "Sine Title");
  EXPECT_EQ(flac.Vendor().substr(0, 9), "reference");
}

// ---- Vorbis comments ---------------------------------------------------------------------

// The signature and STREAMINFO of a 1000-sample stream, with more metadata blocks to come.
Bytes OpenStreamInfo() {
  std::string bytes = StreamInfo(44100, 2, 16, 1000).str();
  bytes[4] = 0;  // not the last block
  return Bytes().Text(bytes);
}

Bytes MetadataBlock(int type, const Bytes& payload, bool last = false, std::uint32_t declared = 0xFFFFFFFF) {
  const std::uint32_t size = declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(payload.size()) : declared;
  return Bytes().U8(type | (last ? 0x80 : 0)).Be24(size).Append(payload);
}

// A VORBIS_COMMENT payload: vendor string, count, entries (little-endian lengths).
Bytes Comments(std::string_view vendor, std::initializer_list<std::string_view> entries) {
  Bytes b;
  b.Le32(static_cast<std::uint32_t>(vendor.size())).Text(vendor).Le32(static_cast<std::uint32_t>(entries.size()));
  for (std::string_view entry : entries) b.Le32(static_cast<std::uint32_t>(entry.size())).Text(entry);
  return b;
}

constexpr int Padding = 1, Application = 2, SeekTable = 3, VorbisComment = 4, Picture = 6;

// Made by: flac --no-padding from a 0.05 s sine, then
//   metaflac --set-tag=TITLE=Commented --set-tag=ARTIST=Singer --set-tag=TRACKNUMBER=4/9
TEST(FLACfileRealTest, FileTaggedByMetaflac) {
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(std::string(LYRIMATE_TEST_DATA) + "/flac-metaflac.flac"));
  EXPECT_EQ(reader.GetValue("Title"), "Commented");
  EXPECT_EQ(reader.GetValue("Artist"), "Singer");
  EXPECT_EQ(reader.GetValue("Track"), "4");
  EXPECT_EQ(reader.GetValue("Vendor").substr(0, 17), "reference libFLAC");
  EXPECT_EQ(reader.GetValue("Duration"), "0.05");
}

TEST_F(FLACfileTest, VorbisCommentsMapAsForOggVorbis) {
  ASSERT_TRUE(Load(Bytes()
                       .Append(OpenStreamInfo())
                       .Append(MetadataBlock(SeekTable, Bytes().Fill(18)))
                       .Append(MetadataBlock(VorbisComment,
                                             Comments("reference libFLAC 1.4.2",
                                                      {"TITLE=First", "title=Second", "PERFORMER=Player",
                                                       "ALBUM=\xE6\x97\xA5\xE6\x9C\xAC", "TRACKNUMBER=300/12",
                                                       "DATE=2004-05-06", "GENRE=Jazz", "DESCRIPTION=Described",
                                                       "UNKNOWN=x", "noequals"})))
                       .Append(MetadataBlock(Padding, Bytes().Fill(100), true))
                       .Append(Bytes().Fill(200, 0xFF))));
  EXPECT_EQ(flac_.Title(), "Second");  // a later value replaces an earlier one
  EXPECT_EQ(flac_.Artist(), "Player");  // PERFORMER without ARTIST
  EXPECT_EQ(flac_.Album(), platform::Sjis("日本"));
  EXPECT_EQ(flac_.Track(), 300 & 0xFF);  // the Ogg reader's low 8 bits
  EXPECT_EQ(flac_.Date(), "2004-05-06");
  EXPECT_EQ(flac_.Genre(), "Jazz");
  EXPECT_EQ(flac_.Comment(), "Described");
  EXPECT_EQ(flac_.Vendor(), "reference libFLAC 1.4.2");
  EXPECT_EQ(flac_.Samples(), 1000);  // the stream information is unchanged
}

TEST_F(FLACfileTest, PicturesOfAnySizeAreSkipped) {
  // The largest block a FLAC file can hold, as a hole in a sparse file, before the comments.
  constexpr std::uint32_t Largest = 0xFFFFFF;
  const std::string head = Bytes().Append(OpenStreamInfo()).U8(Picture).Be24(Largest).str();
  WriteBytes(path_, head);
  std::filesystem::resize_file(path_, head.size() + Largest);
  const Bytes tail = Bytes()
                         .Append(MetadataBlock(Application, Bytes().Text("abcd").Fill(4000)))
                         .Append(MetadataBlock(VorbisComment, Comments("v", {"ARTIST=After the picture"}), true));
  {
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    out << tail.str();
  }
  ASSERT_TRUE(flac_.LoadFromFile(path_));
  EXPECT_EQ(flac_.Artist(), "After the picture");
}

TEST_F(FLACfileTest, CommentBlocksThatLieOrAreMissing) {
  struct Case {
    const char* what;
    Bytes blocks;
    const char* title;
  };
  const Case cases[] = {
      {"no comment block", MetadataBlock(Padding, Bytes().Fill(10), true).Append(MetadataBlock(VorbisComment, Comments("v", {"TITLE=after last"}))), ""},
      {"count larger than the block", MetadataBlock(VorbisComment, Bytes().Le32(1).Text("v").Le32(1000000).Le32(7).Text("TITLE=t")), "t"},
      {"entry length past the block", MetadataBlock(VorbisComment, Bytes().Le32(1).Text("v").Le32(1).Le32(0xFFFFFFF0).Text("TITLE=cut")), "cut"},
      {"block past the end of the file", MetadataBlock(VorbisComment, Comments("v", {"TITLE=short"}), true, 0xFFFFFF), "short"},
      {"picture claiming more than the file", MetadataBlock(Picture, Bytes().Fill(10), false, 0xFFFFFF), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Load(Bytes().Append(OpenStreamInfo()).Append(c.blocks)));
    EXPECT_EQ(flac_.Title(), c.title);
  }
}

TEST_F(FLACfileTest, Id3v2TagsInFrontAreSkippedAndAnswerWhatTheCommentsLeaveEmpty) {
  const Bytes frame = Bytes().Text("TYER").Be32(5).Be16(0).U8(0).Text("1999");
  const Bytes tag = Bytes().Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(frame.size() + 50)).Append(frame).Fill(50);
  const Bytes flac = Bytes().Append(OpenStreamInfo()).Append(MetadataBlock(VorbisComment, Comments("v", {"TITLE=Vorbis"}), true));
  const std::string path = dir_.File("tagged.flac");
  WriteBytes(path, Bytes().Append(tag).Append(tag).Append(flac).str());
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("FileFormat"), "FRAC");
  EXPECT_EQ(reader.GetValue("Samples"), "1000");
  EXPECT_EQ(reader.GetValue("Title"), "Vorbis");
  EXPECT_EQ(reader.GetValue("Year"), "1999");
  // A signature that does not follow the tags is refused, and clears what the tag gave.
  ASSERT_FALSE(flac_.LoadFromFile(Write(dir_, "bad.flac", Bytes().Append(tag).Text("xxxx").Append(flac))));
  EXPECT_FALSE(flac_.ID3v2()->Exists());
}

}  // namespace
