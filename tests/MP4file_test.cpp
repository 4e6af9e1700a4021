// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MP4file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// An atom: 32-bit size (header included), four type bytes, payload.
Bytes Atom(std::string_view type, const Bytes& payload = {}) {
  return Bytes().Be32(static_cast<std::uint32_t>(8 + payload.size())).Text(type).Append(payload);
}

// An atom with the 64-bit size form (size field 1).
Bytes LargeAtom(std::string_view type, const Bytes& payload) {
  return Bytes().Be32(1).Text(type).Be64(16 + payload.size()).Append(payload);
}

Bytes Children(std::initializer_list<Bytes> atoms) {
  Bytes all;
  for (const Bytes& atom : atoms) all.Append(atom);
  return all;
}

Bytes Container(std::string_view type, std::initializer_list<Bytes> children) {
  return Atom(type, Children(children));
}

// meta carries version and flags before its children.
Bytes Meta(std::initializer_list<Bytes> children) {
  return Atom("meta", Bytes().Be32(0).Append(Children(children)));
}

Bytes DataAtom(int valueType, const Bytes& value) {
  return Atom("data", Bytes().Be32(static_cast<std::uint32_t>(valueType)).Be32(0).Append(value));
}

constexpr int TypeNumber = 0;
constexpr int TypeUtf8 = 1;
constexpr int TypeUtf16 = 2;
constexpr int TypeJpeg = 13;
constexpr int TypeSigned = 21;

Bytes Item(std::string_view type, int valueType, const Bytes& value) {
  return Atom(type, DataAtom(valueType, value));
}

Bytes TextItem(std::string_view type, std::string_view utf8) { return Item(type, TypeUtf8, Bytes().Text(utf8)); }

const std::string Nam = "\xA9nam";
const std::string Art = "\xA9" "ART";
const std::string Alb = "\xA9" "alb";
const std::string Lyr = "\xA9lyr";
const std::string Cmt = "\xA9" "cmt";
const std::string Gen = "\xA9gen";

Bytes MovieHeaderV0(std::uint32_t timeScale, std::uint32_t duration) {
  Bytes payload;
  payload.U8(0).Be24(0).Be32(0).Be32(0).Be32(timeScale).Be32(duration).Fill(80);
  return Atom("mvhd", payload);
}

Bytes MovieHeaderV1(std::uint32_t timeScale, std::uint64_t duration) {
  Bytes payload;
  payload.U8(1).Be24(0).Be64(0).Be64(0).Be32(timeScale).Be64(duration).Fill(80);
  return Atom("mvhd", payload);
}

Bytes Ftyp(std::string_view type = "ftyp") {
  return Atom(type, Bytes().Text("M4A ").Be32(0x200).Text("M4A mp42isom"));
}

// A file of ftyp followed by moov (with the given movie header) and an ilst of items.
Bytes FileWithItems(std::initializer_list<Bytes> items, const Bytes& movieHeader = MovieHeaderV0(1000, 1000)) {
  Bytes ilst = Atom("ilst", Children(items));
  return Children({Ftyp(), Container("moov", {movieHeader, Container("udta", {Meta({Atom("hdlr", Bytes().Fill(25)), ilst})})})});
}

class MP4fileTest : public ::testing::Test {
protected:
  // Writes the bytes to a file and loads it with a fresh reader.
  bool Load(const std::string& bytes) {
    path_ = dir_.File("song.m4a");
    WriteBytes(path_, bytes);
    return reader_.LoadFromFile(path_);
  }

  TempDir dir_;
  std::string path_;
  TMP4file reader_;
};

std::string Utf8(const std::u16string& wide) { return platform::Utf16ToUtf8(wide); }

}  // namespace

TEST_F(MP4fileTest, TypicalLayoutIsWalkedInFileOrderAndOtherAtomsAreSkipped) {
  // Atoms that are skipped hold what would look like items if the walker entered them.
  Bytes decoy = TextItem(Nam, "decoy");
  Bytes stbl = Container("stbl", {Atom("stsd", decoy), Atom("stts", Bytes().Fill(8)), Atom("stsz", Bytes().Fill(12)),
                                  Atom("stsc", Bytes().Fill(8)), Atom("stco", Bytes().Fill(8))});
  Bytes minf = Container("minf", {Atom("smhd", Bytes().Fill(8)), Atom("dinf", decoy), stbl});
  Bytes mdia = Container("mdia", {Atom("mdhd", Bytes().Fill(24)), Atom("hdlr", Bytes().Fill(25)), minf});
  Bytes trak = Container("trak", {Atom("tkhd", decoy), mdia});
  Bytes ilst = Container("ilst", {TextItem(Nam, "Song"), TextItem(Art, "Singer"), TextItem(Lyr, "la la"),
                                  Item("trkn", TypeNumber, Bytes{0, 0, 0, 5, 0, 12, 0, 0})});
  Bytes udta = Container("udta", {Meta({Atom("hdlr", Bytes().Fill(25)), ilst})});
  Bytes moov = Container("moov", {MovieHeaderV0(44100, 10584000), trak, udta});
  ASSERT_TRUE(Load(Children({Ftyp(), moov, Atom("free", decoy), Atom("mdat", decoy)})));

  EXPECT_EQ(reader_.FileFormat(), "M4A");
  std::vector<std::string> expected = {"SECS=240", "MM=4",   "SS=0",      "MS=0",  "NAM=Song",
                                       "ART=Singer", "LYR=la la", "TRKN=5", "TrackCount=12"};
  EXPECT_EQ(reader_.RawValues(), expected);
  EXPECT_EQ(reader_.Title(), u"Song");
  EXPECT_EQ(reader_.Artist(), u"Singer");
  EXPECT_EQ(reader_.Lyrics(), u"la la");
  EXPECT_EQ(reader_.Track(), 5);
  EXPECT_DOUBLE_EQ(reader_.Duration(), 240.0);
  EXPECT_EQ(reader_.Time(), u"04:00");
  EXPECT_EQ(reader_.SampleRate(), 0);
}

TEST_F(MP4fileTest, FirstAtomMustBeFtypInAnyLetterCase) {
  Bytes rest = Container("moov", {Container("udta", {Meta({Container("ilst", {TextItem(Nam, "T")})})})});
  EXPECT_TRUE(Load(Children({Ftyp("FTYP"), rest})));
  EXPECT_EQ(reader_.Title(), u"T");
  EXPECT_TRUE(Load(Children({Ftyp("fTyP"), rest})));

  EXPECT_FALSE(Load(Children({rest, Ftyp()})));
  EXPECT_EQ(reader_.FileFormat(), "unknown");
  EXPECT_TRUE(reader_.RawValues().empty());
  EXPECT_EQ(reader_.Title(), u"");

  EXPECT_FALSE(Load(Bytes().Be32(8).Text("fty")));  // fewer than 8 bytes
  EXPECT_FALSE(reader_.LoadFromFile(dir_.File("missing.m4a")));
}

TEST_F(MP4fileTest, LoadingAgainClearsTheEarlierFile) {
  ASSERT_TRUE(Load(FileWithItems({TextItem(Nam, "First"), TextItem(Alb, "Album")})));
  ASSERT_TRUE(Load(FileWithItems({TextItem(Nam, "Second")})));
  EXPECT_EQ(reader_.Title(), u"Second");
  EXPECT_EQ(reader_.Album(), u"");
  EXPECT_EQ(reader_.RawValue("ALB"), "");
}

TEST_F(MP4fileTest, TrackNumberForms) {
  struct Case {
    Bytes value;
    std::string track, count;
  };
  std::vector<Case> cases = {
      {Bytes{0, 0, 0, 5, 0, 12, 0, 0}, "5", "12"},
      {Bytes{0, 0, 1, 2, 0x13, 0x88, 0, 0}, "258", "5000"},  // count from the fifth and sixth bytes
      {Bytes{1, 2}, "258", "0"},
      {Bytes{0, 0, 1, 2}, "258", "0"},
      {Bytes{7}, "7", "0"},
      {Bytes{9, 1, 2}, "9", "0"},           // other lengths: the first byte
      {Bytes{3, 0, 0, 0, 0, 0}, "3", "0"},  // six bytes: the first byte, no count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.track + "/" + c.count);
    ASSERT_TRUE(Load(FileWithItems({Item("trkn", TypeNumber, c.value)})));
    EXPECT_EQ(reader_.RawValue("TRKN"), c.track);
    EXPECT_EQ(reader_.RawValue("TrackCount"), c.count);
    EXPECT_EQ(std::to_string(reader_.Track()), c.track);
  }
}

TEST_F(MP4fileTest, NumberItemsAndGenreCodeBeforeGenreText) {
  // The code is the ID3v1 genre number plus one: 18 is "Rock" (17).
  ASSERT_TRUE(Load(FileWithItems({Item("gnre", TypeNumber, Bytes{0, 14}), TextItem(Gen, "Rock")})));
  EXPECT_EQ(reader_.Genre(), u"Pop");
  EXPECT_EQ(reader_.RawValue("GNRE"), "14");  // the raw line keeps the code
  ASSERT_TRUE(Load(FileWithItems({TextItem(Gen, "Other"), Item("gnre", TypeNumber, Bytes{0, 18})})));
  EXPECT_EQ(reader_.Genre(), u"Rock");  // the code wins wherever it stands
  for (const auto& [code, genre] : {std::pair{1, u"Blues"}, {192, u"Psybient"}, {193, u"193"}, {0, u"0"}}) {
    ASSERT_TRUE(Load(FileWithItems({Item("gnre", TypeNumber, Bytes().Be16(code))})));
    EXPECT_EQ(reader_.Genre(), genre) << code;
  }
  ASSERT_TRUE(Load(FileWithItems({TextItem(Gen, "Rock")})));
  EXPECT_EQ(reader_.Genre(), u"Rock");

  ASSERT_TRUE(Load(FileWithItems({Item("disk", TypeNumber, Bytes{0, 0, 0, 2, 0, 3, 0, 0}),
                                  Item("rtng", TypeNumber, Bytes{4}),
                                  Item("cnid", TypeNumber, Bytes{0xFF, 0xFF, 0xFF, 0xFF}),
                                  Item("akID", TypeNumber, Bytes{6, 1, 2})})));
  EXPECT_EQ(reader_.RawValue("DISK"), "2");
  EXPECT_EQ(reader_.RawValue("RTNG"), "4");
  EXPECT_EQ(reader_.RawValue("CNID"), "4294967295");
  EXPECT_EQ(reader_.RawValue("AKID"), "6");
}

TEST_F(MP4fileTest, ItemsThatAddNoLine) {
  ASSERT_TRUE(Load(FileWithItems({Item(Nam, TypeUtf16, Bytes{0xFE, 0xFF, 0, 'A'}), Item("covr", TypeJpeg, Bytes{0xFF, 0xD8, 0xFF}),
                                  Item("tmpo", TypeNumber, Bytes{}), Atom(Art, Bytes().Fill(15))})));
  EXPECT_TRUE(reader_.RawValues().size() == 4) << "only the movie header lines";
  EXPECT_EQ(reader_.Title(), u"");
  EXPECT_EQ(reader_.Tempo(), u"");
}

TEST_F(MP4fileTest, SignedIntegerItemsGiveDecimalNumbers) {
  ASSERT_TRUE(Load(FileWithItems({Item("tmpo", TypeSigned, Bytes{0, 120}), Item("cpil", TypeSigned, Bytes{1}),
                                  Item("rtng", TypeSigned, Bytes{0xFF, 0xFE}),
                                  Item("plID", TypeSigned, Bytes{0, 0, 0, 1, 0, 0, 0, 0})})));
  EXPECT_EQ(reader_.Tempo(), u"120");
  EXPECT_EQ(reader_.RawValue("CPIL"), "1");
  EXPECT_EQ(reader_.RawValue("RTNG"), "-2");
  EXPECT_EQ(reader_.RawValue("PLID"), "4294967296");
}

TEST_F(MP4fileTest, TextItemsAreConvertedToShiftJis) {
  ASSERT_TRUE(Load(FileWithItems({TextItem(Nam, "日本語の歌"), TextItem(Art, platform::Sjis("歌手")),
                                  TextItem("\xA9too", "Lavf"), TextItem("\xA9wrt", "Composer"),
                                  TextItem("\xA9" "day", "2004"), TextItem(Alb, "a=b")})));
  EXPECT_EQ(reader_.RawValue("NAM"), platform::Sjis("日本語の歌"));
  EXPECT_EQ(Utf8(reader_.Title()), "日本語の歌");
  EXPECT_EQ(Utf8(reader_.Artist()), "歌手");  // already Shift_JIS: unchanged
  EXPECT_EQ(reader_.Encoder(), u"Lavf");
  EXPECT_EQ(reader_.Composer(), u"Composer");
  EXPECT_EQ(reader_.Year(), u"2004");
  EXPECT_EQ(reader_.Album(), u"a=b");  // the value is everything after the first "="
}

TEST_F(MP4fileTest, LyricsAndCommentLineEndsBecomeCrLf) {
  ASSERT_TRUE(Load(FileWithItems({TextItem(Lyr, "one\rtwo\r\nthree\r"), TextItem(Cmt, "a\r\rb\nc")})));
  EXPECT_EQ(reader_.Lyrics(), u"one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(reader_.Comment(), u"a\r\n\r\nb\nc");
  EXPECT_EQ(reader_.RawValue("LYR"), "one\rtwo\r\nthree\r");  // the raw line keeps the file's text
}

TEST_F(MP4fileTest, FirstOfTwoItemsWithOneNameWinsAndLookupIgnoresCase) {
  ASSERT_TRUE(Load(FileWithItems({TextItem(Nam, "first"), TextItem(Nam, "second")})));
  EXPECT_EQ(reader_.Title(), u"first");
  EXPECT_EQ(reader_.RawValue("nam"), "first");
  EXPECT_EQ(reader_.RawValue("NA"), "");
}

TEST_F(MP4fileTest, OnlyTheFirstDataAtomOfAnItemIsRead) {
  Bytes twoValues = Atom(Nam, Children({DataAtom(TypeUtf8, Bytes().Text("one")), DataAtom(TypeUtf8, Bytes().Text("two"))}));
  ASSERT_TRUE(Load(FileWithItems({twoValues, TextItem(Art, "after")})));
  EXPECT_EQ(reader_.Title(), u"one");
  EXPECT_EQ(reader_.Artist(), u"after");
  EXPECT_EQ(reader_.RawValues().size(), 6u);
}

// An item whose data atom declares the given size (header included) over a text value.
Bytes ItemWithDataSize(std::string_view type, std::uint32_t dataSize, std::string_view text) {
  return Atom(type, Bytes().Be32(dataSize).Text("data").Be32(TypeUtf8).Be32(0).Text(text));
}

// A broken data atom ends its own item only; the items after it are still read.
TEST_F(MP4fileTest, BrokenDataAtomsEndOnlyTheirItem) {
  struct Case {
    const char* what;
    Bytes broken;
  };
  const Case cases[] = {
      {"size 0", ItemWithDataSize(Nam, 0, "Broken title")},
      {"one byte past its item", ItemWithDataSize(Nam, 16 + 12 + 1, "Broken title")},
      {"far past the list", ItemWithDataSize(Nam, 0x7FFFFFF0, "Broken title")},
      {"too small for its header", ItemWithDataSize(Nam, 3, "Broken title")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Load(FileWithItems({c.broken, TextItem(Art, "Singer"), TextItem(Alb, "Album"),
                                    TextItem("\xA9" "day", "2004")})));
    EXPECT_EQ(reader_.Title(), u"");
    EXPECT_EQ(reader_.Artist(), u"Singer");
    EXPECT_EQ(reader_.Album(), u"Album");
    EXPECT_EQ(reader_.Year(), u"2004");
  }
  // A data atom that exactly fills its item is read.
  ASSERT_TRUE(Load(FileWithItems({ItemWithDataSize(Nam, 16 + 5, "Title"), TextItem(Art, "Singer")})));
  EXPECT_EQ(reader_.Title(), u"Title");
  EXPECT_EQ(reader_.Artist(), u"Singer");
}

TEST_F(MP4fileTest, AtomNamesKeepOnlyLettersAndMatchTailsOfListedNames) {
  // "-RT-" keeps "RT", the tail of "ART"; "----" keeps nothing, and the empty name is an item too.
  ASSERT_TRUE(Load(FileWithItems({TextItem("-RT-", "tail"), TextItem("----", "empty"), TextItem("xyzq", "unlisted")})));
  std::vector<std::string> items(reader_.RawValues().begin() + 4, reader_.RawValues().end());
  EXPECT_EQ(items, (std::vector<std::string>{"RT=tail", "=empty"}));
}

TEST_F(MP4fileTest, MovieHeaderVersionsAndLimits) {
  ASSERT_TRUE(Load(FileWithItems({}, MovieHeaderV1(1000, 5000000123ULL))));
  EXPECT_DOUBLE_EQ(reader_.Duration(), 5000000.123);
  EXPECT_EQ(reader_.Time(), u"83333:20");
  EXPECT_EQ(reader_.RawValue("MS"), "123");

  ASSERT_TRUE(Load(FileWithItems({}, MovieHeaderV0(1000, 61999))));
  EXPECT_EQ(reader_.Time(), u"01:01");
  EXPECT_EQ(reader_.RawValue("SECS"), "62");
  EXPECT_EQ(reader_.RawValue("MS"), "999");

  ASSERT_TRUE(Load(FileWithItems({}, Atom("mvhd", Bytes().U8(0).Fill(11).Be32(10).Be32(25).Fill(12)))));  // 32 bytes
  EXPECT_DOUBLE_EQ(reader_.Duration(), 2.5);

  ASSERT_TRUE(Load(FileWithItems({}, Atom("mvhd", Bytes().U8(0).Fill(11).Be32(10).Be32(25).Fill(11)))));  // 31 bytes
  EXPECT_EQ(reader_.Duration(), 0.0);
  EXPECT_EQ(reader_.Time(), u"");
  EXPECT_EQ(reader_.RawValue("SECS"), "");

  Bytes version2 = MovieHeaderV0(1000, 5000);
  std::string patched = version2.str();
  patched[8] = 2;
  ASSERT_TRUE(Load(FileWithItems({}, Bytes().Text(patched))));
  EXPECT_EQ(reader_.Duration(), 0.0);
  EXPECT_EQ(reader_.Time(), u"");
}

TEST_F(MP4fileTest, TimeScaleZeroRefusesTheFileButKeepsTheWalksTrack) {
  Bytes moov = Container("moov", {Container("udta", {Meta({Container("ilst", {Item("trkn", TypeNumber, Bytes{0, 0, 0, 4, 0, 9, 0, 0})})})}),
                                  MovieHeaderV0(0, 100)});
  EXPECT_FALSE(Load(Children({Ftyp(), moov})));
  EXPECT_EQ(reader_.FileFormat(), "unknown");
  EXPECT_EQ(reader_.Track(), 4);
  EXPECT_EQ(reader_.Title(), u"");
}

TEST_F(MP4fileTest, SeveralMovieHeadersAppendLinesAndTheLastSetsTheTime) {
  Bytes moov = Container("moov", {MovieHeaderV0(10, 600), MovieHeaderV0(10, 1200)});
  ASSERT_TRUE(Load(Children({Ftyp(), moov})));
  EXPECT_EQ(reader_.RawValues(), (std::vector<std::string>{"SECS=60", "MM=1", "SS=0", "MS=0", "SECS=120", "MM=2", "SS=0", "MS=0"}));
  EXPECT_EQ(reader_.Time(), u"02:00");
  EXPECT_EQ(reader_.RawValue("SECS"), "60");
}

TEST_F(MP4fileTest, ExtendedSizesAreFollowed) {
  Bytes ilst = LargeAtom("ilst", TextItem(Nam, "large"));
  Bytes moov = LargeAtom("moov", Container("udta", {Meta({ilst})}));
  ASSERT_TRUE(Load(Children({Ftyp(), LargeAtom("mdat", TextItem(Nam, "decoy")), moov})));
  EXPECT_EQ(reader_.Title(), u"large");

  // The 64-bit size cut off by the end of the file cannot be read: the file is refused.
  EXPECT_FALSE(Load(Children({Ftyp(), Bytes().Be32(1).Text("mdat").Be32(0)})));
}

TEST_F(MP4fileTest, SizeZeroReachesToTheEndOfItsLevel) {
  Bytes moov = Container("moov", {Container("udta", {Meta({Container("ilst", {TextItem(Nam, "real")})})})});
  // Media data that happens to hold atoms must not be read as metadata.
  Bytes mdatToEnd = Bytes().Be32(0).Text("mdat").Append(Container("moov", {Container("udta", {Meta({Container("ilst", {TextItem(Art, "decoy")})})})}));
  ASSERT_TRUE(Load(Children({Ftyp(), moov, mdatToEnd})));
  EXPECT_EQ(reader_.Title(), u"real");
  EXPECT_EQ(reader_.Artist(), u"");

  // A container of size 0 holds the rest of the level.
  Bytes openMoov = Bytes().Be32(0).Text("moov").Append(Container("udta", {Meta({Container("ilst", {TextItem(Nam, "open")})})}));
  ASSERT_TRUE(Load(Children({Ftyp(), openMoov})));
  EXPECT_EQ(reader_.Title(), u"open");
}

TEST_F(MP4fileTest, DeclaredSizesBeyondTheFileStopTheWalk) {
  // A lyrics value that claims a gigabyte: what the file holds is taken, the rest is not read.
  Bytes hugeValue = Bytes().Be32(0x40000010).Text("data").Be32(TypeUtf8).Be32(0).Text("cut short");
  Bytes item = Bytes().Be32(0x40000018).Text(Lyr).Append(hugeValue);
  ASSERT_TRUE(Load(FileWithItems({TextItem(Nam, "before"), item})));
  EXPECT_EQ(reader_.Title(), u"before");
  EXPECT_EQ(reader_.Lyrics(), u"cut short");

  // A container running past the end of the file, and a file ending inside a header.
  Bytes openEnded = Bytes().Be32(0x7FFFFFF0).Text("moov").Append(Container("udta", {Meta({Container("ilst", {TextItem(Nam, "inside")})})})).Be16(0x1234);
  ASSERT_TRUE(Load(Children({Ftyp(), openEnded})));
  EXPECT_EQ(reader_.Title(), u"inside");

  // An item whose payload is cut before its data atom header ends.
  ASSERT_TRUE(Load(Children({Ftyp(), Bytes().Be32(40).Text("trkn").Be32(24).Text("data").Be32(0)})));
  EXPECT_EQ(reader_.RawValue("TRKN"), "");
}

TEST_F(MP4fileTest, BytesTooFewForAHeaderEndALevel) {
  // Four stray bytes at the end of udta are padding; the ilst after udta still counts.
  Bytes udta = Atom("udta", Bytes().Append(Atom("free")).Be32(0xDEADBEEF));
  Bytes moov = Container("moov", {udta, Meta({Container("ilst", {TextItem(Nam, "next")})})});
  ASSERT_TRUE(Load(Children({Ftyp(), moov, Bytes{1, 2, 3}})));
  EXPECT_EQ(reader_.Title(), u"next");

  // Sizes below 8 move on by the header alone.
  ASSERT_TRUE(Load(Children({Ftyp(), Bytes().Be32(4).Text("junk"), Bytes().Be32(8).Text("free"),
                             Container("moov", {Container("udta", {Meta({Container("ilst", {TextItem(Nam, "ok")})})})})})));
  EXPECT_EQ(reader_.Title(), u"ok");
}

TEST_F(MP4fileTest, NestingBeyondThirtyTwoLevelsIsSkipped) {
  auto nested = [](int containers, const Bytes& inner) {
    Bytes atom = inner;
    for (int i = 0; i < containers; ++i) atom = Atom("moov", atom);
    return atom;
  };
  // Inside 32 containers the item is read; inside 33 it is not.
  ASSERT_TRUE(Load(Children({Ftyp(), nested(32, TextItem(Nam, "deep"))})));
  EXPECT_EQ(reader_.Title(), u"deep");
  ASSERT_TRUE(Load(Children({Ftyp(), nested(33, TextItem(Nam, "too deep")), TextItem(Art, "sibling")})));
  EXPECT_EQ(reader_.Title(), u"");
  EXPECT_EQ(reader_.Artist(), u"sibling");
  // Far deeper than any stack would allow without the limit (headers written outermost first).
  const int depth = 100000;
  Bytes inner = TextItem(Nam, "x");
  Bytes deep = Ftyp();
  for (int i = depth; i > 0; --i) deep.Be32(static_cast<std::uint32_t>(8 * i + inner.size())).Text("moov");
  ASSERT_TRUE(Load(deep.Append(inner)));
  EXPECT_EQ(reader_.Title(), u"");
}

TEST_F(MP4fileTest, PublishedPropertiesInOrder) {
  std::vector<std::string> names;
  for (const auto& info : reader_.Properties()) names.push_back(info.name);
  EXPECT_EQ(names, (std::vector<std::string>{"FileFormat", "SampleRate", "Duration", "Title", "Artist", "Album", "Track", "Year",
                                             "Genre", "Comment", "Time", "Tempo", "Encoder", "Composer", "Lyrics"}));
  EXPECT_FALSE(reader_.StripFromFile(dir_.File("x.m4a")));
  EXPECT_FALSE(reader_.WriteToFile(dir_.File("x.m4a")));
}

// Made with:
//   ffmpeg -f lavfi -i "sine=frequency=440:duration=0.5:sample_rate=22050" -c:a aac -b:a 24k -ac 1
//     -metadata title="サイン波" -metadata artist="Test Artist" -metadata album="Test Album"
//     -metadata track="3/9" -metadata date="2021" -metadata genre="Ambient"
//     -metadata lyrics="$(printf 'first line\rsecond line')" -metadata comment="made by ffmpeg" mp4-sine.m4a
// Its mdat comes before moov; the movie header has time scale 1000 and duration 500.
TEST(MP4fileRealFile, FfmpegFileThroughTheDispatcher) {
  std::string path = std::string(LYRIMATE_TEST_DATA) + "/mp4-sine.m4a";
  TMP4file reader;
  ASSERT_TRUE(reader.LoadFromFile(path));
  EXPECT_EQ(Utf8(reader.Title()), "サイン波");
  EXPECT_EQ(reader.Artist(), u"Test Artist");
  EXPECT_EQ(reader.Album(), u"Test Album");
  EXPECT_EQ(reader.Track(), 3);
  EXPECT_EQ(reader.RawValue("TrackCount"), "9");
  EXPECT_EQ(reader.Year(), u"2021");
  EXPECT_EQ(reader.Genre(), u"Ambient");
  EXPECT_EQ(reader.Lyrics(), u"first line\r\nsecond line");
  EXPECT_EQ(reader.Comment(), u"made by ffmpeg");
  EXPECT_EQ(reader.Encoder().substr(0, 4), u"Lavf");
  EXPECT_DOUBLE_EQ(reader.Duration(), 0.5);
  EXPECT_EQ(reader.Time(), u"00:00");
  EXPECT_EQ(reader.RawValue("SECS"), "1");
  EXPECT_EQ(reader.RawValue("MS"), "500");

  TsMediaTagReader dispatcher;
  ASSERT_TRUE(dispatcher.Open(path));
  EXPECT_EQ(dispatcher.GetValue("FileFormat"), "M4A");
  EXPECT_EQ(dispatcher.GetValue("Title"), platform::Sjis("サイン波"));
  EXPECT_EQ(dispatcher.GetValue("Track"), "3");
  EXPECT_EQ(dispatcher.GetValue("Time"), "00:00");
  EXPECT_EQ(dispatcher.GetValue("Duration"), "0.5");
  EXPECT_EQ(dispatcher.GetValue("Lyrics"), "first line\r\nsecond line");
}
