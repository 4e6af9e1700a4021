// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/OggVorbis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// One Ogg page holding one packet (the checksum is left 0: the reader does not verify it).
Bytes OggPage(const Bytes& packet, std::uint64_t granule, std::uint32_t sequence, int flags = 0) {
  Bytes page;
  page.Text("OggS").U8(0).U8(flags).Le64(granule).Le32(0x1234).Le32(sequence).Le32(0);
  std::vector<int> lacing(packet.size() / 255, 255);
  lacing.push_back(static_cast<int>(packet.size() % 255));
  page.U8(static_cast<int>(lacing.size()));
  for (int l : lacing) page.U8(l);
  return page.Append(packet);
}

// One packet over as many pages as it needs, each page holding at most maxSegments lacing
// values; pages after the first are flagged as continuing the packet.
Bytes PacketPages(const Bytes& packet, std::uint32_t sequence, std::size_t maxSegments = 255) {
  std::vector<int> lacing(packet.size() / 255, 255);
  lacing.push_back(static_cast<int>(packet.size() % 255));
  Bytes pages;
  std::size_t used = 0;
  std::size_t at = 0;
  for (bool first = true; used < lacing.size(); first = false) {
    const std::size_t count = std::min(maxSegments, lacing.size() - used);
    std::size_t bytes = 0;
    pages.Text("OggS").U8(0).U8(first ? 0 : 1).Le64(0).Le32(0x1234).Le32(sequence++).Le32(0).U8(static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i) {
      pages.U8(lacing[used + i]);
      bytes += static_cast<std::size_t>(lacing[used + i]);
    }
    pages.Text(packet.str().substr(at, bytes));
    used += count;
    at += bytes;
  }
  return pages;
}

Bytes Identification(int channels, std::uint32_t sampleRate, std::uint32_t nominal) {
  return Bytes()
      .U8(1)
      .Text("vorbis")
      .Le32(0)
      .U8(channels)
      .Le32(sampleRate)
      .Le32(0)
      .Le32(nominal)
      .Le32(0)
      .U8(0xB8)
      .U8(1);
}

Bytes CommentHeader(std::string_view vendor, const std::vector<std::string>& comments) {
  Bytes packet;
  packet.U8(3).Text("vorbis").Le32(vendor.size()).Text(vendor).Le32(comments.size());
  for (const auto& c : comments) packet.Le32(c.size()).Text(c);
  return packet.U8(1);
}

struct Stream {
  int channels = 2;
  std::uint32_t sampleRate = 44100;
  std::uint32_t nominal = 128000;
  std::string vendor = "Xiph.Org libVorbis I 20200704";
  std::vector<std::string> comments;
  std::uint64_t lastGranule = 10'584'000;
  std::size_t audioBytes = 1000;
};

Bytes OggFile(const Stream& s) {
  return Bytes()
      .Append(OggPage(Identification(s.channels, s.sampleRate, s.nominal), 0, 0, 2))
      .Append(OggPage(CommentHeader(s.vendor, s.comments), 0, 1))
      .Append(OggPage(Bytes().Fill(s.audioBytes, 0x55), s.lastGranule, 2, 4));
}

// An ID3v2 tag of the given total size (header included).
Bytes Id3v2Tag(std::uint32_t totalSize, int flags = 0) {
  return Bytes().Text("ID3").U8(3).U8(0).U8(flags).Syncsafe32(totalSize - 10).Fill(totalSize - 10);
}

class OggVorbisTest : public ::testing::Test {
protected:
  bool Load(const Bytes& bytes) {
    WriteBytes(path_, bytes.str());
    size_ = bytes.size();
    return ogg_.LoadFromFile(path_);
  }
  bool LoadComments(const std::vector<std::string>& comments) {
    Stream s;
    s.comments = comments;
    return Load(OggFile(s));
  }

  TempDir dir_;
  std::string path_ = dir_.File("song.ogg");
  std::size_t size_ = 0;
  TOggVorbis ogg_;
};

TEST_F(OggVorbisTest, StreamValuesAndComments) {
  Stream s;
  s.comments = {"TITLE=Song", "ARTIST=Singer", "ALBUM=Album", "TRACKNUMBER=3/12", "DATE=2004",
                "GENRE=Pop", "COMMENT=Note"};
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.FileFormat(), "OggVorbis");
  EXPECT_EQ(ogg_.FileSize(), static_cast<std::int32_t>(size_));
  EXPECT_EQ(ogg_.ChannelModeID(), 2);
  EXPECT_EQ(ogg_.ChannelMode(), "Stereo");
  EXPECT_EQ(ogg_.SampleRate(), 44100u);
  EXPECT_EQ(ogg_.BitRateNominal(), 128);
  EXPECT_EQ(ogg_.Samples(), 10'584'000);
  EXPECT_DOUBLE_EQ(ogg_.Duration(), 240.0);
  EXPECT_EQ(ogg_.BitRate(), 0);  // a tiny file over four minutes rounds to 0 kbit/s
  EXPECT_FALSE(ogg_.Valid());
  EXPECT_FALSE(ogg_.ID3v2());
  EXPECT_EQ(ogg_.Title(), "Song");
  EXPECT_EQ(ogg_.Artist(), "Singer");
  EXPECT_EQ(ogg_.Album(), "Album");
  EXPECT_EQ(ogg_.Track(), 3);
  EXPECT_EQ(ogg_.Date(), "2004");
  EXPECT_EQ(ogg_.Genre(), "Pop");
  EXPECT_EQ(ogg_.Comment(), "Note");
  EXPECT_EQ(ogg_.Vendor(), "Xiph.Org libVorbis I 20200704");
}

TEST_F(OggVorbisTest, BitRateAndValidityFromDuration) {
  Stream s;
  s.lastGranule = 44100;  // one second
  s.audioBytes = 8000;  // the last page must start within the searched end of the file
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_DOUBLE_EQ(ogg_.Duration(), 1.0);
  const double expected = static_cast<double>(size_) / 125;
  EXPECT_EQ(ogg_.BitRate(), static_cast<int>(expected + 0.5));
  EXPECT_TRUE(ogg_.Valid());
}

TEST_F(OggVorbisTest, ValidNeedsMoreThanATenthOfASecond) {
  Stream s;
  s.lastGranule = 4410;  // exactly 0.1 s
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_FALSE(ogg_.Valid());
  s.lastGranule = 4411;
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_TRUE(ogg_.Valid());
}

TEST_F(OggVorbisTest, NominalBitRateRoundsHalfToEven) {
  const std::pair<std::uint32_t, int> cases[] = {{128500, 128}, {129500, 130}, {128499, 128}, {499, 0}, {500, 0}, {501, 1}};
  for (const auto& [nominal, kbit] : cases) {
    Stream s;
    s.nominal = nominal;
    ASSERT_TRUE(Load(OggFile(s)));
    EXPECT_EQ(ogg_.BitRateNominal(), kbit) << nominal;
  }
}

TEST_F(OggVorbisTest, LeadingId3v2TagIsSkippedAndLeftOutOfBitRate) {
  Stream s;
  s.lastGranule = 0;  // no sample count: Duration comes from the nominal bit rate
  s.nominal = 64000;
  s.audioBytes = 20000;
  const Bytes ogg = OggFile(s);
  ASSERT_TRUE(Load(Bytes().Append(Id3v2Tag(4096)).Append(ogg)));
  EXPECT_TRUE(ogg_.ID3v2());
  EXPECT_EQ(ogg_.ID3v2Size(), 4096);
  EXPECT_EQ(ogg_.FileSize(), static_cast<std::int32_t>(4096 + ogg.size()));
  const double duration = static_cast<double>(ogg.size()) / 64 / 2 / 125 * 2;
  EXPECT_DOUBLE_EQ(ogg_.Duration(), duration);
  EXPECT_EQ(ogg_.BitRate(), static_cast<int>(ogg.size() / duration / 125 + 0.5));
  EXPECT_EQ(ogg_.BitRate(), 64);
}

TEST_F(OggVorbisTest, Id3v2FooterFlagAddsTenBytes) {
  const Bytes ogg = OggFile(Stream());
  Bytes tag = Id3v2Tag(100, 0x10);
  ASSERT_TRUE(Load(Bytes().Append(tag).Fill(10, 0).Append(ogg)));
  EXPECT_EQ(ogg_.ID3v2Size(), 110);
}

TEST_F(OggVorbisTest, Id3v2SizeBeyondTheFileIsNoTag) {
  // The size claims more than the file holds, so "ID3" is where the Ogg data should be.
  EXPECT_FALSE(Load(Bytes().Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(1'000'000).Append(OggFile(Stream()))));
  EXPECT_EQ(ogg_.ID3v2Size(), 0);
}

TEST_F(OggVorbisTest, Id3v2SizeBytesAreUsedWhole) {
  // A size byte with its top bit set counts with all eight bits: 1 * 128 + 0x80 + 10 = 266.
  const Bytes ogg = OggFile(Stream());
  Bytes tag = Bytes().Text("ID3").U8(3).U8(0).U8(0).U8(0).U8(0).U8(1).U8(0x80).Fill(256);
  ASSERT_TRUE(Load(Bytes().Append(tag).Append(ogg)));
  EXPECT_EQ(ogg_.ID3v2Size(), 266);
}

TEST_F(OggVorbisTest, RefusesWithoutOggOrVorbisIdentification) {
  EXPECT_FALSE(Load(Bytes().Text("RIFF").Fill(400)));
  EXPECT_FALSE(Load(Bytes()));
  EXPECT_FALSE(Load(Bytes().Text("OggS")));
  Bytes flacInOgg = Bytes().U8(0x7F).Text("FLAC").Fill(40);
  EXPECT_FALSE(Load(OggPage(flacInOgg, 0, 0, 2)));
  Bytes typeTwo = Bytes().U8(2).Text("vorbis").Fill(23);
  EXPECT_FALSE(Load(OggPage(typeTwo, 0, 0, 2)));
  EXPECT_FALSE(ogg_.LoadFromFile(dir_.File("missing.ogg")));
}

TEST_F(OggVorbisTest, RefusalClearsEarlierValues) {
  ASSERT_TRUE(LoadComments({"TITLE=Song"}));
  ASSERT_EQ(ogg_.Title(), "Song");
  EXPECT_FALSE(Load(Bytes().Text("OggX").Fill(400)));
  EXPECT_EQ(ogg_.FileFormat(), "unknown");
  EXPECT_EQ(ogg_.Title(), "");
  EXPECT_EQ(ogg_.SampleRate(), 0u);
  EXPECT_EQ(ogg_.FileSize(), 0);
  EXPECT_EQ(ogg_.Duration(), 0.0);
}

TEST_F(OggVorbisTest, MissingCommentHeaderStillAccepts) {
  Bytes file = Bytes()
                   .Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2))
                   .Append(OggPage(Bytes().U8(5).Text("vorbis").Fill(30), 0, 1))
                   .Append(OggPage(Bytes().Fill(100), 44100, 2, 4));
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(ogg_.Title(), "");
  EXPECT_EQ(ogg_.Vendor(), "");
  EXPECT_EQ(ogg_.Samples(), 44100);
}

TEST_F(OggVorbisTest, TrackFromText) {
  EXPECT_EQ(TOggVorbis::TrackFromText("3/12"), 3);
  EXPECT_EQ(TOggVorbis::TrackFromText("7"), 7);
  EXPECT_EQ(TOggVorbis::TrackFromText("A"), 0);
  EXPECT_EQ(TOggVorbis::TrackFromText(""), 0);
  EXPECT_EQ(TOggVorbis::TrackFromText("/5"), 0);
  EXPECT_EQ(TOggVorbis::TrackFromText("4a/12"), 0);
  EXPECT_EQ(TOggVorbis::TrackFromText("12/3/4"), 12);
  EXPECT_EQ(TOggVorbis::TrackFromText("300"), 300);
  EXPECT_EQ(TOggVorbis::TrackFromText("99999999999"), 0);
}

TEST_F(OggVorbisTest, TrackKeepsItsLowEightBits) {
  const std::pair<const char*, int> cases[] = {{"TRACKNUMBER=300", 44}, {"TRACKNUMBER=255", 255}, {"TRACKNUMBER=256", 0},
                                               {"TRACKNUMBER=x", 0},    {"TRACKNUMBER= 9 ", 9}};
  for (const auto& [comment, track] : cases) {
    ASSERT_TRUE(LoadComments({comment}));
    EXPECT_EQ(ogg_.Track(), track) << comment;
  }
}

TEST_F(OggVorbisTest, FieldNamesIgnoreLetterCaseAndLaterEntryWins) {
  ASSERT_TRUE(LoadComments({"title=First", "Title=Second", "album=A=B", "Genre = x", "unknown=ignored"}));
  EXPECT_EQ(ogg_.Title(), "Second");
  EXPECT_EQ(ogg_.Album(), "A=B");  // only the first "=" separates
  EXPECT_EQ(ogg_.Genre(), "");     // the name is "GENRE " with its space
}

TEST_F(OggVorbisTest, ValuesAreTrimmed) {
  ASSERT_TRUE(LoadComments({"TITLE=  padded  ", "ARTIST=\tTabbed\t"}));
  EXPECT_EQ(ogg_.Title(), "padded");
  EXPECT_EQ(ogg_.Artist(), "Tabbed");
}

TEST_F(OggVorbisTest, PerformerAndDescriptionStandIn) {
  ASSERT_TRUE(LoadComments({"ARTIST=", "PERFORMER=Player", "DESCRIPTION=About"}));
  EXPECT_EQ(ogg_.Artist(), "Player");
  EXPECT_EQ(ogg_.Comment(), "About");
  ASSERT_TRUE(LoadComments({"PERFORMER=Player", "ARTIST=Singer", "COMMENT=Note", "DESCRIPTION=About"}));
  EXPECT_EQ(ogg_.Artist(), "Singer");
  EXPECT_EQ(ogg_.Comment(), "Note");
}

TEST_F(OggVorbisTest, EntriesAreCutTo250BytesAndTheNextEntryStillFound) {
  const std::string longTitle = "TITLE=" + std::string(294, 'a');  // 300 bytes
  ASSERT_TRUE(LoadComments({longTitle, "ARTIST=Next"}));
  EXPECT_EQ(ogg_.Title(), std::string(244, 'a'));
  EXPECT_EQ(ogg_.Artist(), "Next");
  ASSERT_TRUE(LoadComments({"TITLE=" + std::string(244, 'b')}));  // exactly 250 bytes
  EXPECT_EQ(ogg_.Title(), std::string(244, 'b'));
}

TEST_F(OggVorbisTest, Utf8ValuesBecomeShiftJis) {
  ASSERT_TRUE(LoadComments({"TITLE=日本語の歌", "ARTIST=Caf\xC3\xA9"}));
  EXPECT_EQ(ogg_.Title(), platform::Sjis("日本語の歌"));
  EXPECT_EQ(ogg_.Artist(), "Caf?");  // é has no code page 932 form
}

TEST_F(OggVorbisTest, Utf8CutAt250BytesKeepsWholeCharacters) {
  // 6 + 81 * 3 = 249 bytes, then the first byte of a three-byte character at byte 250.
  std::string title = "TITLE=";
  for (int i = 0; i < 82; ++i) title += "あ";
  ASSERT_TRUE(LoadComments({title}));
  std::string expected;
  for (int i = 0; i < 81; ++i) expected += "あ";
  EXPECT_EQ(ogg_.Title(), platform::Sjis(expected));
}

TEST_F(OggVorbisTest, DecodeCommentUtf8) {
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("abc"), u"abc");
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("\xE3\x81\x82x"), u"\u3042x");
  // A following byte outside 80-BF stops decoding for good.
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("ab\xC3(cd"), u"ab");
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("a\xE3\x81zzz"), u"a");
  // A cut sequence at the end.
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("a\xE3\x81"), u"a");
  // A four-byte lead is taken as a three-byte sequence, cut to 16 bits.
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8("\xF0\x9F\x98"), std::u16string(1, static_cast<char16_t>(0x07D8)));
  EXPECT_EQ(TOggVorbis::DecodeCommentUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST_F(OggVorbisTest, VendorFromFirstTextWithoutEquals) {
  Stream s;
  s.vendor = "";
  s.comments = {"TITLE=Song", "loose text", "more text"};
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.Vendor(), "loose text");
  EXPECT_EQ(ogg_.Title(), "Song");
}

TEST_F(OggVorbisTest, VendorStoredUndecoded) {
  Stream s;
  s.vendor = "\xE3\x81\x82 vendor";
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.Vendor(), "\xE3\x81\x82 vendor");
}

TEST_F(OggVorbisTest, CommentPacketOverManyPagesWithAPictureBeforeTheTitle) {
  const std::string picture = "METADATA_BLOCK_PICTURE=" + std::string(70000, 'P');
  const Bytes comments = CommentHeader("vendor", {"ARTIST=Before", picture, "TITLE=After", "ALBUM=Last"});
  Bytes file = Bytes()
                   .Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2))
                   .Append(PacketPages(comments, 1))
                   .Append(OggPage(Bytes().Fill(3000, 0x55), 44100, 9, 4));
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(ogg_.Artist(), "Before");
  EXPECT_EQ(ogg_.Title(), "After");
  EXPECT_EQ(ogg_.Album(), "Last");
  EXPECT_EQ(ogg_.Vendor(), "vendor");
  EXPECT_EQ(ogg_.Samples(), 44100);
}

TEST_F(OggVorbisTest, PageBreaksInsideLengthsAndTextsAreJoined) {
  // Pages of one or two segments: page breaks fall inside length fields and inside values.
  const Bytes comments = CommentHeader("v", {"TITLE=" + std::string(300, 't'), "ARTIST=" + std::string(500, 'a'),
                                             "ALBUM=Album", "GENRE=Genre"});
  for (std::size_t segments : {std::size_t{1}, std::size_t{2}}) {
    Bytes file = Bytes().Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2)).Append(PacketPages(comments, 1, segments));
    ASSERT_TRUE(Load(file)) << segments;
    EXPECT_EQ(ogg_.Title(), std::string(244, 't'));
    EXPECT_EQ(ogg_.Artist(), std::string(243, 'a'));
    EXPECT_EQ(ogg_.Album(), "Album");
    EXPECT_EQ(ogg_.Genre(), "Genre");
  }
}

TEST_F(OggVorbisTest, PacketEndsWhereTheNextPageDoesNotContinueIt) {
  const Bytes comments = CommentHeader("v", {"TITLE=" + std::string(300, 't'), "ARTIST=Lost"});
  Bytes pages = PacketPages(comments, 1, 1);
  std::string bytes = pages.str();
  // The second page: 27 + 1 + 255 bytes into the pages; clear its continued-packet flag.
  bytes[27 + 1 + 255 + 5] = 0;
  Bytes file = Bytes().Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2)).Text(bytes);
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(ogg_.Vendor(), "v");
  EXPECT_EQ(ogg_.Title(), std::string(255 - 7 - 4 - 1 - 4 - 4 - 6, 't'));  // what the first page holds
  EXPECT_EQ(ogg_.Artist(), "");
}

TEST_F(OggVorbisTest, PacketCutByTheEndOfTheFile) {
  const Bytes comments = CommentHeader("v", {"TITLE=Song", "ARTIST=" + std::string(600, 'a'), "ALBUM=Gone"});
  std::string bytes = Bytes().Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2)).Append(PacketPages(comments, 1, 1)).str();
  ASSERT_TRUE(Load(Bytes().Text(bytes.substr(0, bytes.size() - 400))));
  EXPECT_EQ(ogg_.Title(), "Song");
  EXPECT_EQ(ogg_.Album(), "");
}

TEST_F(OggVorbisTest, LyingCommentCountAndLengthsStopAtTheEndOfThePacket) {
  Bytes packet;
  packet.U8(3).Text("vorbis").Le32(3).Text("ven").Le32(0xFFFFFFFF).Le32(10).Text("TITLE=Song").Le32(0x7FFFFFFF).Text("ARTIST=x");
  Bytes file = Bytes().Append(OggPage(Identification(2, 44100, 128000), 0, 0, 2)).Append(OggPage(packet, 0, 1));
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(ogg_.Title(), "Song");
  EXPECT_EQ(ogg_.Artist(), "x");
  EXPECT_EQ(ogg_.Vendor(), "ven");
}

TEST_F(OggVorbisTest, SixChannelsAcceptedButNotValid) {
  Stream s;
  s.channels = 6;
  s.lastGranule = 44100;
  s.audioBytes = 20000;
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.ChannelModeID(), 6);
  EXPECT_EQ(ogg_.ChannelMode(), "Unknown");
  EXPECT_GT(ogg_.BitRate(), 0);
  EXPECT_FALSE(ogg_.Valid());
}

TEST_F(OggVorbisTest, ZeroSampleRateGivesNoDuration) {
  Stream s;
  s.sampleRate = 0;
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.Duration(), 0.0);
  EXPECT_EQ(ogg_.BitRate(), 0);
  EXPECT_FALSE(ogg_.Valid());
}

TEST_F(OggVorbisTest, SampleRateAbove16BitsIsKept) {
  Stream s;
  s.sampleRate = 96000;
  s.lastGranule = 96000 * 3;
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.SampleRate(), 96000u);
  EXPECT_DOUBLE_EQ(ogg_.Duration(), 3.0);
}

TEST_F(OggVorbisTest, GranuleKeepsItsLow32Bits) {
  Stream s;
  s.lastGranule = (7ULL << 32) + 88200;
  ASSERT_TRUE(Load(OggFile(s)));
  EXPECT_EQ(ogg_.Samples(), 88200);
}

TEST_F(OggVorbisTest, LastPageSearchReach) {
  const Bytes head = OggFile(Stream());
  auto withLastPageAt = [&](std::size_t fromEnd) {
    // A page header starting fromEnd bytes before the end, then filler.
    Bytes tail = Bytes().Text("OggS").U8(0).U8(4).Le64(123456);
    Bytes file = Bytes().Append(head).Fill(20000, 0x20).Append(tail);
    return Bytes(file).Fill(fromEnd - tail.size(), 0x20);
  };
  ASSERT_TRUE(Load(withLastPageAt(12060)));
  EXPECT_EQ(ogg_.Samples(), 123456);
  ASSERT_TRUE(Load(withLastPageAt(12061)));
  EXPECT_EQ(ogg_.Samples(), 0);  // out of reach, and the head pages are further back still
  ASSERT_TRUE(Load(withLastPageAt(14)));
  EXPECT_EQ(ogg_.Samples(), 123456);
}

TEST_F(OggVorbisTest, PageStartingInTheLastTenBytesIsNotSeen) {
  Bytes file = Bytes().Append(OggFile(Stream())).Text("OggS").U8(0).U8(4).Le32(999);
  ASSERT_TRUE(Load(file));  // "OggS" 10 bytes before the end is the last place searched
  EXPECT_EQ(ogg_.Samples(), 999);
  Bytes nine = Bytes().Append(OggFile(Stream())).Text("OggS").U8(0).U8(4).Le16(999).U8(0);
  ASSERT_TRUE(Load(nine));
  EXPECT_EQ(ogg_.Samples(), 10'584'000);  // the real last page before it
}

TEST_F(OggVorbisTest, ShortFileSearchesWhatItHas) {
  // Identification page only: the file is shorter than one search block.
  const Bytes file = OggPage(Identification(1, 8000, 32000), 0, 0, 2);
  ASSERT_LT(file.size(), 251u);
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(ogg_.Samples(), 0);
  EXPECT_EQ(ogg_.ChannelMode(), "Mono");
  EXPECT_GT(ogg_.Duration(), 0.0);  // from the nominal bit rate
}

TEST_F(OggVorbisTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& p : ogg_.Properties()) names.push_back(p.name);
  const std::vector<std::string> expected = {"FileFormat", "FileSize", "ChannelModeID", "ChannelMode", "SampleRate",
                                             "BitRateNominal", "Title", "Artist", "Album", "Track", "Date", "Genre",
                                             "Comment", "Vendor", "Duration", "BitRate", "ID3v2", "Valid"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(ogg_.FindProperty("Year"), nullptr);
  EXPECT_EQ(ogg_.FindProperty("ID3v2")->kind, PropKind::Boolean);
  for (const char* writable : {"Title", "Artist", "Album", "Track", "Date", "Genre", "Comment"}) {
    EXPECT_TRUE(ogg_.FindProperty(writable)->set) << writable;
  }
  for (const char* readOnly : {"FileSize", "Vendor", "Duration", "BitRate", "ID3v2", "Valid", "SampleRate"}) {
    EXPECT_FALSE(ogg_.FindProperty(readOnly)->set) << readOnly;
  }
}

TEST_F(OggVorbisTest, SettersChangeOnlyMemory) {
  ASSERT_TRUE(LoadComments({"TITLE=Song"}));
  const std::string before = testing_support::ReadBytes(path_);
  ogg_.FindProperty("title")->set(ogg_, std::string("Changed"));
  ogg_.FindProperty("Track")->set(ogg_, std::int64_t{12});
  EXPECT_EQ(ogg_.Title(), "Changed");
  EXPECT_EQ(std::get<std::int64_t>(ogg_.FindProperty("Track")->get(ogg_)), 12);
  EXPECT_EQ(testing_support::ReadBytes(path_), before);
}

// Made by: ffmpeg -f lavfi -i sine=f=440:d=1:r=22050 -ac 1 sine.wav, then with LANG=C.UTF-8
//   oggenc -q 0 -t "サイン" -a "Sine Artist" -l "Sine Album" -N 3/12 -d 2024 -G Test
//   -c "COMMENT=made by oggenc" sine.wav -o ogg-sine.ogg
// oggenc writes the field names in lower case.
TEST(OggVorbisRealTest, FileMadeByOggenc) {
  TOggVorbis ogg;
  ASSERT_TRUE(ogg.LoadFromFile(std::string(LYRIMATE_TEST_DATA) + "/ogg-sine.ogg"));
  EXPECT_EQ(ogg.FileFormat(), "OggVorbis");
  EXPECT_EQ(ogg.ChannelModeID(), 1);
  EXPECT_EQ(ogg.SampleRate(), 22050u);
  EXPECT_EQ(ogg.Samples(), 22050);
  EXPECT_DOUBLE_EQ(ogg.Duration(), 1.0);
  EXPECT_TRUE(ogg.Valid());
  EXPECT_EQ(ogg.Title(), platform::Sjis("サイン"));
  EXPECT_EQ(ogg.Artist(), "Sine Artist");
  EXPECT_EQ(ogg.Album(), "Sine Album");
  EXPECT_EQ(ogg.Track(), 3);
  EXPECT_EQ(ogg.Date(), "2024");
  EXPECT_EQ(ogg.Genre(), "Test");
  EXPECT_EQ(ogg.Comment(), "made by oggenc");
  EXPECT_EQ(ogg.Vendor().rfind("Xiph.Org libVorbis", 0), 0u) << ogg.Vendor();
}

TEST(OggVorbisRealTest, BehindA4096ByteId3v2Tag) {
  TempDir dir;
  const std::string ogg = testing_support::ReadBytes(std::string(LYRIMATE_TEST_DATA) + "/ogg-sine.ogg");
  ASSERT_FALSE(ogg.empty());
  const std::string path = dir.File("tagged.ogg");
  WriteBytes(path, Bytes().Append(Id3v2Tag(4096)).Text(ogg).str());
  TOggVorbis tagged, plain;
  ASSERT_TRUE(tagged.LoadFromFile(path));
  ASSERT_TRUE(plain.LoadFromFile(std::string(LYRIMATE_TEST_DATA) + "/ogg-sine.ogg"));
  EXPECT_TRUE(tagged.ID3v2());
  EXPECT_EQ(tagged.FileSize(), plain.FileSize() + 4096);
  EXPECT_EQ(tagged.BitRate(), plain.BitRate());
  EXPECT_EQ(tagged.Title(), plain.Title());
  EXPECT_DOUBLE_EQ(tagged.Duration(), plain.Duration());
}

}  // namespace
