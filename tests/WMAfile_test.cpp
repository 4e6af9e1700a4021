// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WMAfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// A GUID in ASF byte order: first three groups little-endian, the last eight as written.
Bytes Guid(std::uint32_t first, std::uint16_t second, std::uint16_t third, std::uint64_t last) {
  return Bytes().Le32(first).Le16(second).Le16(third).Be64(last);
}

const Bytes HeaderGuid = Guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6CULL);
const Bytes FilePropertiesGuid = Guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ULL);
const Bytes StreamPropertiesGuid = Guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ULL);
const Bytes ContentDescriptionGuid = Guid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6CULL);
const Bytes ExtendedContentGuid = Guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ULL);
const Bytes PaddingGuid = Guid(0x1806D474, 0xCADF, 0x4509, 0xA4BA9AABCB96AAE8ULL);

// UTF-16LE of an ASCII text, with the terminating NUL ASF strings carry.
Bytes Utf16z(std::string_view ascii) {
  Bytes bytes;
  for (char c : ascii) bytes.Le16(static_cast<unsigned char>(c));
  return bytes.Le16(0);
}

Bytes AsfObject(const Bytes& guid, const Bytes& body) {
  return Bytes().Append(guid).Le64(24 + body.size()).Append(body);
}

// An object whose size field says something else than its length.
Bytes AsfObjectWithSize(const Bytes& guid, std::uint64_t size, const Bytes& body) {
  return Bytes().Append(guid).Le64(size).Append(body);
}

Bytes FileProperties(std::uint32_t maxBitRate) {
  return AsfObject(FilePropertiesGuid, Bytes().Fill(100 - 24).Le32(maxBitRate));
}

// An audio stream: the wave format record starts at offset 78 of the object.
Bytes StreamProperties(std::uint16_t channels, std::uint32_t sampleRate, std::uint32_t byteRate) {
  Bytes body;
  body.Fill(78 - 24).Le16(0x0161).Le16(channels).Le32(sampleRate).Le32(byteRate).Le16(0).Le16(16).Le16(0);
  return AsfObject(StreamPropertiesGuid, body);
}

Bytes ContentDescription(std::string_view title, std::string_view author, std::string_view description) {
  Bytes strings[5] = {Utf16z(title), Utf16z(author), Utf16z("(c)"), Utf16z(description), Utf16z("")};
  Bytes body;
  for (const auto& s : strings) body.Le16(s.size());
  for (const auto& s : strings) body.Append(s);
  return AsfObject(ContentDescriptionGuid, body);
}

struct Descriptor {
  std::string name;
  std::uint16_t type;
  Bytes value;
};

Descriptor TextDescriptor(std::string name, std::string_view value) { return {std::move(name), 0, Utf16z(value)}; }

Bytes ExtendedContent(const std::vector<Descriptor>& descriptors) {
  Bytes body;
  body.Le16(descriptors.size());
  for (const auto& d : descriptors) {
    Bytes name = Utf16z(d.name);
    body.Le16(name.size()).Append(name).Le16(d.type).Le16(d.value.size()).Append(d.value);
  }
  return AsfObject(ExtendedContentGuid, body);
}

Bytes AsfHeader(const std::vector<Bytes>& objects, std::int64_t count = -1) {
  Bytes all;
  for (const auto& o : objects) all.Append(o);
  Bytes header;
  header.Append(HeaderGuid).Le64(30 + all.size()).Le32(count < 0 ? objects.size() : static_cast<std::uint32_t>(count));
  return header.U8(1).U8(2).Append(all);
}

// A plausible stereo 44.1 kHz header with the given extra objects after the stream.
Bytes PlainHeader(const std::vector<Bytes>& extra = {}) {
  std::vector<Bytes> objects = {FileProperties(128000), StreamProperties(2, 44100, 16000)};
  objects.insert(objects.end(), extra.begin(), extra.end());
  return AsfHeader(objects);
}

class WMAfileTest : public ::testing::Test {
protected:
  bool Load(const Bytes& bytes) {
    WriteBytes(path_, bytes.str());
    return wma_.LoadFromFile(path_);
  }

  TempDir dir_;
  std::string path_ = dir_.File("song.wma");
  TWMAfile wma_;
};

TEST_F(WMAfileTest, StreamValuesAndDurationFromFileSize) {
  WriteBytes(path_, PlainHeader().str());
  std::filesystem::resize_file(path_, 4'000'000);
  ASSERT_TRUE(wma_.LoadFromFile(path_));
  EXPECT_TRUE(wma_.Valid());
  EXPECT_EQ(wma_.FileFormat(), "WMA");
  EXPECT_EQ(wma_.FileSize(), 4'000'000);
  EXPECT_EQ(wma_.ChannelModeID(), 2);
  EXPECT_EQ(wma_.ChannelMode(), "Stereo");
  EXPECT_EQ(wma_.SampleRate(), 44100);
  EXPECT_DOUBLE_EQ(wma_.Duration(), 250.0);
  EXPECT_EQ(wma_.BitRate(), 128);
}

TEST_F(WMAfileTest, BitRateUsesIntegerDivision) {
  ASSERT_TRUE(Load(AsfHeader({FileProperties(64000), StreamProperties(1, 22050, 3999)})));
  EXPECT_EQ(wma_.BitRate(), 31);  // 31 992 bit/s
  EXPECT_EQ(wma_.ChannelMode(), "Mono");
}

TEST_F(WMAfileTest, PlausibilityLimits) {
  struct Case {
    std::uint32_t maxBitRate;
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint32_t byteRate;
    bool valid;
  } cases[] = {
      {128000, 1, 8000, 1000, true},    {128000, 2, 96000, 16000, true}, {319999, 2, 44100, 39999, true},
      {1, 2, 44100, 1, true},           {128000, 6, 44100, 16000, false}, {128000, 0, 44100, 16000, false},
      {128000, 3, 44100, 16000, false}, {128000, 2, 7999, 16000, false},  {128000, 2, 96001, 16000, false},
      {320000, 2, 44100, 16000, false}, {0, 2, 44100, 16000, false},      {128000, 2, 44100, 40000, false},
      {128000, 2, 44100, 0, false},     {0x80000000u, 2, 44100, 16000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.maxBitRate << " " << c.channels << " " << c.sampleRate << " " << c.byteRate);
    EXPECT_EQ(Load(AsfHeader({FileProperties(c.maxBitRate), StreamProperties(c.channels, c.sampleRate, c.byteRate)})),
              c.valid);
    EXPECT_EQ(wma_.Valid(), c.valid);
    if (!c.valid) {
      EXPECT_EQ(wma_.SampleRate(), 0);
    }
  }
}

TEST_F(WMAfileTest, RefusesWithoutEitherPropertiesObjectOrAsfHeader) {
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000)})));
  EXPECT_FALSE(Load(AsfHeader({StreamProperties(2, 44100, 16000)})));
  EXPECT_FALSE(Load(Bytes().Text("RIFF").Fill(200)));
  EXPECT_FALSE(Load(Bytes()));
  EXPECT_FALSE(Load(Bytes().Append(HeaderGuid).Fill(5)));  // header object cut short
  EXPECT_FALSE(wma_.LoadFromFile(dir_.File("missing.wma")));
}

TEST_F(WMAfileTest, RefusalClearsEarlierValues) {
  ASSERT_TRUE(Load(PlainHeader({ContentDescription("Song", "Singer", "Note")})));
  ASSERT_EQ(wma_.Title(), u"Song");
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), StreamProperties(6, 44100, 16000),
                               ContentDescription("Other", "", "")})));
  EXPECT_FALSE(wma_.Valid());
  EXPECT_EQ(wma_.FileFormat(), "unknown");
  EXPECT_EQ(wma_.Title(), u"");
  EXPECT_EQ(wma_.Artist(), u"");
  EXPECT_EQ(wma_.ChannelModeID(), 0);
  EXPECT_EQ(wma_.Duration(), 0.0);
}

TEST_F(WMAfileTest, ContentDescriptionTextsAreTrimmed) {
  ASSERT_TRUE(Load(PlainHeader({ContentDescription("  Song  ", "Singer", "A note")})));
  EXPECT_EQ(wma_.Title(), u"Song");
  EXPECT_EQ(wma_.Artist(), u"Singer");
  EXPECT_EQ(wma_.Comment(), u"A note");
  EXPECT_EQ(wma_.Album(), u"");
}

TEST_F(WMAfileTest, TitleOfSixBytesKeepsTwoLetters) {
  Bytes body;
  body.Le16(6).Le16(0).Le16(0).Le16(0).Le16(0).Le16('A').Le16('B').Le16(0);
  ASSERT_TRUE(Load(PlainHeader({AsfObject(ContentDescriptionGuid, body)})));
  EXPECT_EQ(wma_.Title(), u"AB");
}

TEST_F(WMAfileTest, OddStringLengthDropsLastByte) {
  Bytes body;
  body.Le16(5).Le16(0).Le16(0).Le16(0).Le16(0).Le16('A').Le16('B').U8('C');
  ASSERT_TRUE(Load(PlainHeader({AsfObject(ContentDescriptionGuid, body)})));
  EXPECT_EQ(wma_.Title(), u"AB");
}

TEST_F(WMAfileTest, LengthsBeyondTheObjectReadOnlyWhatTheObjectHolds) {
  Bytes body;
  body.Le16(0xFFFF).Le16(0xFFFF).Le16(0).Le16(0).Le16(0).Append(Utf16z("Hi"));
  ASSERT_TRUE(Load(PlainHeader({AsfObject(ContentDescriptionGuid, body), Bytes().Text("trailing bytes")})));
  EXPECT_EQ(wma_.Title(), u"Hi");
  EXPECT_EQ(wma_.Artist(), u"");
}

TEST_F(WMAfileTest, ExtendedDescriptorNamesIgnoreLetterCase) {
  ASSERT_TRUE(Load(PlainHeader({ExtendedContent({
      TextDescriptor("wm/albumTitle", "Album"),
      TextDescriptor("WM/Author", "Singer"),
      TextDescriptor("WM/Title", "Song"),
      TextDescriptor("Wm/Year", "2003"),
      TextDescriptor("WM/Genre", "Pop"),
      TextDescriptor("WM/Description", "Note"),
      TextDescriptor("WM/TRACK", "12"),
  })})));
  EXPECT_EQ(wma_.Album(), u"Album");
  EXPECT_EQ(wma_.Artist(), u"Singer");
  EXPECT_EQ(wma_.Title(), u"Song");
  EXPECT_EQ(wma_.Year(), u"2003");
  EXPECT_EQ(wma_.Genre(), u"Pop");
  EXPECT_EQ(wma_.Comment(), u"Note");
  EXPECT_EQ(wma_.Track(), 12);
}

TEST_F(WMAfileTest, NamesWithMoreLettersMatchNothing) {
  ASSERT_TRUE(Load(PlainHeader({ExtendedContent({
      TextDescriptor("WM/TrackNumber", "4"),
      TextDescriptor("WM/AlbumTitleSort", "Sorted"),
      TextDescriptor("title", "plain name"),
  })})));
  EXPECT_EQ(wma_.Track(), 0);
  EXPECT_EQ(wma_.Album(), u"");
  EXPECT_EQ(wma_.Title(), u"");
}

TEST_F(WMAfileTest, TrackMustBeWhollyANumber) {
  const std::pair<const char*, int> cases[] = {{" 5 ", 5}, {"5a", 0}, {"", 0}, {"3/12", 0}, {"-2", -2}, {"99999999999", 0}};
  for (const auto& [text, track] : cases) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(Load(PlainHeader({ExtendedContent({TextDescriptor("WM/TRACK", text)})})));
    EXPECT_EQ(wma_.Track(), track);
  }
}

TEST_F(WMAfileTest, LaterObjectWins) {
  const Bytes content = ContentDescription("Old title", "Old artist", "");
  const Bytes extended = ExtendedContent({TextDescriptor("WM/TITLE", "New title")});
  ASSERT_TRUE(Load(PlainHeader({content, extended})));
  EXPECT_EQ(wma_.Title(), u"New title");
  EXPECT_EQ(wma_.Artist(), u"Old artist");

  ASSERT_TRUE(Load(PlainHeader({extended, content})));
  EXPECT_EQ(wma_.Title(), u"Old title");
}

TEST_F(WMAfileTest, LaterDescriptorOfTheSameNameWins) {
  ASSERT_TRUE(Load(PlainHeader({ExtendedContent({TextDescriptor("WM/GENRE", "Rock"), TextDescriptor("wm/genre", "Jazz")})})));
  EXPECT_EQ(wma_.Genre(), u"Jazz");
}

TEST_F(WMAfileTest, NonTextValuesAreSkippedAndLeaveTheText) {
  ASSERT_TRUE(Load(PlainHeader({ExtendedContent({
      TextDescriptor("WM/GENRE", "Rock"),
      {"WM/GENRE", 3, Bytes().Le32(7)},
      {"WM/Picture", 1, Bytes().Fill(300, 0xAB)},
      TextDescriptor("WM/YEAR", "1999"),
  })})));
  EXPECT_EQ(wma_.Genre(), u"Rock");
  EXPECT_EQ(wma_.Year(), u"1999");
}

TEST_F(WMAfileTest, DescriptorCountBeyondTheObjectStopsAtItsEnd) {
  Bytes body;
  body.Le16(0xFFFF);
  Bytes name = Utf16z("WM/YEAR"), value = Utf16z("2001");
  body.Le16(name.size()).Append(name).Le16(0).Le16(value.size()).Append(value);
  ASSERT_TRUE(Load(PlainHeader({AsfObject(ExtendedContentGuid, body), ContentDescription("After", "", "")})));
  EXPECT_EQ(wma_.Year(), u"2001");
  EXPECT_EQ(wma_.Title(), u"After");
}

TEST_F(WMAfileTest, LaterStreamObjectOverwritesEarlier) {
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000), StreamProperties(6, 48000, 16000)})));
  ASSERT_TRUE(Load(AsfHeader({FileProperties(128000), StreamProperties(6, 48000, 16000), StreamProperties(1, 32000, 8000)})));
  EXPECT_EQ(wma_.SampleRate(), 32000);
}

TEST_F(WMAfileTest, TooShortPropertiesObjectsAreIgnored) {
  // A file properties object that ends before its bit rate field must not take the field
  // from the object that follows it (here a plausible 128 000 at the same file offset).
  const Bytes shortFile = AsfObject(FilePropertiesGuid, Bytes().Fill(50));
  const Bytes next = AsfObject(PaddingGuid, Bytes().Le16(0).Le32(128000).Fill(20));
  EXPECT_FALSE(Load(AsfHeader({StreamProperties(2, 44100, 16000), shortFile, next})));
  const Bytes shortStream = AsfObject(StreamPropertiesGuid, Bytes().Fill(80 - 24));
  const Bytes audioAfter = Bytes().Le16(2).Le32(44100).Le32(16000).Fill(20);
  EXPECT_FALSE(Load(Bytes(AsfHeader({FileProperties(128000), shortStream}, 2)).Append(audioAfter)));
}

TEST_F(WMAfileTest, WalkEndsAtObjectSmallerThanItsHeader) {
  // Without the check a zero size would read the same object for ever.
  const Bytes stuck = AsfObjectWithSize(PaddingGuid, 0, Bytes());
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), stuck, StreamProperties(2, 44100, 16000)}, 2'000'000'000)));
  const Bytes tooSmall = AsfObjectWithSize(PaddingGuid, 23, Bytes());
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), tooSmall, StreamProperties(2, 44100, 16000)})));
}

TEST_F(WMAfileTest, WalkEndsAtObjectReachingPastTheEnd) {
  const Bytes huge = AsfObjectWithSize(PaddingGuid, 1'000'000, Bytes().Fill(10));
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), huge, StreamProperties(2, 44100, 16000)})));
  // A size with high bits set is not cut to its low 32 bits.
  const Bytes highBits = AsfObjectWithSize(PaddingGuid, (1ULL << 32) + 24, Bytes());
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), highBits, StreamProperties(2, 44100, 16000)})));
  // What came before the bad object still counts.
  ASSERT_TRUE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000), huge})));
}

TEST_F(WMAfileTest, HugeCountEndsAtTheEndOfTheFile) {
  ASSERT_TRUE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000),
                              ContentDescription("Song", "", "")},
                             2'000'000'000)));
  EXPECT_EQ(wma_.Title(), u"Song");
}

TEST_F(WMAfileTest, CountLimitsTheWalk) {
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000)}, 1)));
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000)}, 0)));
  EXPECT_FALSE(Load(AsfHeader({FileProperties(128000), StreamProperties(2, 44100, 16000)}, 0xFFFFFFFF)));
}

TEST_F(WMAfileTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& p : wma_.Properties()) names.push_back(p.name);
  const std::vector<std::string> expected = {"FileFormat", "Valid", "FileSize", "ChannelModeID", "ChannelMode",
                                             "SampleRate", "Duration", "BitRate", "Title", "Artist", "Album",
                                             "Track", "Year", "Genre", "Comment"};
  EXPECT_EQ(names, expected);
  for (const auto& p : wma_.Properties()) EXPECT_FALSE(p.set) << p.name;
  EXPECT_EQ(wma_.FindProperty("lyrics"), nullptr);
  EXPECT_EQ(wma_.FindProperty("Time"), nullptr);
  EXPECT_EQ(wma_.FindProperty("ID3v2"), nullptr);
}

TEST_F(WMAfileTest, PropertiesAnswerTheReadValues) {
  ASSERT_TRUE(Load(PlainHeader({ContentDescription("Song", "", ""), ExtendedContent({TextDescriptor("WM/TRACK", "9")})})));
  EXPECT_EQ(std::get<std::u16string>(wma_.FindProperty("title")->get(wma_)), u"Song");
  EXPECT_EQ(std::get<std::int64_t>(wma_.FindProperty("Track")->get(wma_)), 9);
  EXPECT_EQ(std::get<std::string>(wma_.FindProperty("ChannelMode")->get(wma_)), "Stereo");
  EXPECT_EQ(std::get<bool>(wma_.FindProperty("Valid")->get(wma_)), true);
  EXPECT_EQ(wma_.FindProperty("Title")->kind, PropKind::WideString);
}

// Made by: ffmpeg -f lavfi -i sine=f=440:d=1:r=22050 -ac 1 -c:a wmav2 -b:a 32k
//   -metadata title="Sine Title" -metadata artist="Sine Artist" -metadata album="Sine Album"
//   -metadata date=2024 -metadata genre=Test -metadata comment="made by ffmpeg" -metadata track=7 wma-sine.wma
// ffmpeg stores the album as WM/AlbumTitle, the track as a number in WM/TrackNumber, and the
// date and comment under names this reader does not know.
TEST(WMAfileRealTest, FileMadeByFfmpeg) {
  TWMAfile wma;
  ASSERT_TRUE(wma.LoadFromFile(std::string(LYRIMATE_TEST_DATA) + "/wma-sine.wma"));
  EXPECT_EQ(wma.FileFormat(), "WMA");
  EXPECT_EQ(wma.ChannelModeID(), 1);
  EXPECT_EQ(wma.SampleRate(), 22050);
  EXPECT_EQ(wma.BitRate(), 32);
  EXPECT_EQ(wma.FileSize(), 7324);
  EXPECT_NEAR(wma.Duration(), 7324 * 8 / 32000.0, 1e-9);
  EXPECT_EQ(wma.Title(), u"Sine Title");
  EXPECT_EQ(wma.Artist(), u"Sine Artist");
  EXPECT_EQ(wma.Album(), u"Sine Album");
  EXPECT_EQ(wma.Genre(), u"Test");
  EXPECT_EQ(wma.Track(), 0);
  EXPECT_EQ(wma.Year(), u"");
}

}  // namespace
