// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/APEtag.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using platform::Sjis;

constexpr std::uint32_t HeaderFlag = 0x80000000u;

// ---- builders ------------------------------------------------------------------------

// value size, item flags, key, zero byte, value.
Bytes ApeItem(std::string_view key, std::string_view value, std::uint32_t valueSize) {
  return Bytes().Le32(valueSize).Le32(0).Text(key).U8(0).Text(value);
}
Bytes ApeItem(std::string_view key, std::string_view value) {
  return ApeItem(key, value, static_cast<std::uint32_t>(value.size()));
}

// "APETAGEX", version, tag size, item count, flags, 8 reserved bytes (header and footer alike).
Bytes ApeFooter(std::uint32_t version, std::uint32_t tagSize, std::uint32_t count, std::uint32_t flags = 0) {
  return Bytes().Text("APETAGEX").Le32(version).Le32(tagSize).Le32(count).Le32(flags).Fill(8);
}

using Items = std::vector<std::pair<std::string, std::string>>;

// A tag of the given items, with a header in front when asked.
std::string ApeTag(std::uint32_t version, const Items& items, bool withHeader = false) {
  Bytes body;
  for (const auto& [key, value] : items) body.Append(ApeItem(key, value));
  auto size = static_cast<std::uint32_t>(body.size() + 32);
  auto count = static_cast<std::uint32_t>(items.size());
  std::uint32_t flags = withHeader ? HeaderFlag : 0;
  Bytes tag;
  if (withHeader) tag.Append(ApeFooter(version, size, count, flags | 0x20000000u));
  return tag.Append(body).Append(ApeFooter(version, size, count, flags)).str();
}

// A 128-byte ID3v1 tag with a title.
std::string ID3v1Block(std::string_view title) {
  return Bytes().Text("TAG").Text(title).Fill(30 - title.size()).Fill(94).U8(0xFF).str();
}

const std::string Audio = Bytes({0x4D, 0x41, 0x43, 0x20}).Fill(300, 0x33).str();

class APEtagTest : public ::testing::Test {
protected:
  std::string Write(std::string_view name, const std::string& content) {
    std::string path = dir.File(name);
    WriteBytes(path, content);
    return path;
  }
  TAPEtag& Load(const std::string& content) {
    EXPECT_TRUE(tag.LoadFromFile(Write("song.ape", content)));
    return tag;
  }

  TempDir dir;
  TAPEtag tag;
};

// ---- reading ----------------------------------------------------------------------------

TEST_F(APEtagTest, ReadsTheKnownItemsOfAVersion1Tag) {
  std::string tagBytes = ApeTag(1000, {{"Title", "Title"}, {"Artist", "Artist"}, {"Album", "Album"},
                                       {"Track", "3/10"}, {"Year", "1998"}, {"Genre", "Jazz"},
                                       {"Comment", "Comment"}, {"Copyright", "(c) me"}});
  Load(Audio + tagBytes);
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Version(), 1000);
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(tagBytes.size()));
  EXPECT_EQ(tag.FileFormat(), "APE");
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "Artist");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Track(), 3);
  EXPECT_EQ(tag.Year(), "1998");
  EXPECT_EQ(tag.Genre(), "Jazz");
  EXPECT_EQ(tag.Comment(), "Comment");
  EXPECT_EQ(tag.Copyright(), "(c) me");
}

TEST_F(APEtagTest, TagBeforeAnID3v1TagAndTagWithAHeaderAreRead) {
  Load(Audio + ApeTag(2000, {{"Title", "Before ID3v1"}}) + ID3v1Block("v1 title"));
  EXPECT_EQ(tag.Title(), "Before ID3v1");
  Load(Audio + ApeTag(2000, {{"Title", "With header"}}, true));
  EXPECT_EQ(tag.Title(), "With header");
  EXPECT_EQ(tag.Size(), static_cast<std::int32_t>(ApeItem("Title", "With header").size() + 32));
}

TEST_F(APEtagTest, KeysIgnoreLetterCaseAndUnknownItemsAreSkipped) {
  Load(Audio + ApeTag(2000, {{"TITLE", "Upper"}, {"Cover Art (Front)", std::string(1000, '\x01')},
                             {"artist", "lower"}, {"Albumx", "not album"}, {" Year ", "2020"}}));
  EXPECT_EQ(tag.Title(), "Upper");
  EXPECT_EQ(tag.Artist(), "lower");
  EXPECT_EQ(tag.Album(), "");
  EXPECT_EQ(tag.Year(), "2020");
}

TEST_F(APEtagTest, Version2ValuesAreUtf8AndVersion1ValuesStayAsTheyAre) {
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC";  // 日本 in UTF-8
  Load(Audio + ApeTag(2000, {{"Title", utf8}, {"Artist", "\xF0\x9F\x8E\xB5 x"}}));
  EXPECT_EQ(tag.Title(), Sjis("日本"));
  EXPECT_EQ(tag.Artist(), "? x");  // a character outside the BMP is one unknown character
  Load(Audio + ApeTag(1000, {{"Title", utf8}}));
  EXPECT_EQ(tag.Title(), utf8);
  Load(Audio + ApeTag(1000, {{"Title", Sjis("表")}}));
  EXPECT_EQ(tag.Title(), Sjis("表"));
}

TEST_F(APEtagTest, MalformedUtf8EndsTheText) {
  Load(Audio + ApeTag(2000, {{"Title", "ab\xE6\x97" "cd"}, {"Artist", "ok\xC0\xAF"}, {"Album", "\xED\xA0\x80"}}));
  EXPECT_EQ(tag.Title(), "ab");
  EXPECT_EQ(tag.Artist(), "ok");
  EXPECT_EQ(tag.Album(), "");
}

TEST_F(APEtagTest, LongValueGivesItsFirst250BytesAndTheNextItemIsRead) {
  Load(Audio + ApeTag(1000, {{"Comment", std::string(300, 'c')}, {"Title", "Next"}}));
  EXPECT_EQ(tag.Comment(), std::string(250, 'c'));
  EXPECT_EQ(tag.Title(), "Next");

  // A UTF-8 character cut by the 250-byte limit is left out whole.
  std::string cut = std::string(249, 'a') + "\xE6\x97\xA5";
  Load(Audio + ApeTag(2000, {{"Comment", cut}, {"Title", "Next"}}));
  EXPECT_EQ(tag.Comment(), std::string(249, 'a'));
  EXPECT_EQ(tag.Title(), "Next");
}

TEST_F(APEtagTest, ValuesAreTrimmedAndEndAtAZeroByte) {
  Load(Audio + ApeTag(2000, {{"Title", std::string(" \tPadded \r\n")}, {"Artist", std::string("One\0Two", 7)}}));
  EXPECT_EQ(tag.Title(), "Padded");
  EXPECT_EQ(tag.Artist(), "One");
}

TEST_F(APEtagTest, TrackRules) {
  for (auto [text, number] : std::vector<std::pair<std::string, int>>{
           {"3/10", 3}, {"x", 0}, {"12", 12}, {"300", 300 & 0xFF}, {"/5", 0}, {"", 0}}) {
    Load(Audio + ApeTag(1000, {{"Track", text}}));
    EXPECT_EQ(tag.Track(), number) << text;
  }
}

TEST_F(APEtagTest, SizesAndCountsThatLieStayInsideTheFile) {
  // An item count of four billion with one real item.
  Bytes item = ApeItem("Title", "Only");
  Load(Audio + item.str() + ApeFooter(1000, static_cast<std::uint32_t>(item.size() + 32), 0xFFFFFFFFu).str());
  EXPECT_EQ(tag.Title(), "Only");

  // A value size past the footer: the bytes up to the footer are the value.
  Bytes first = ApeItem("Artist", "A");
  Bytes last = ApeItem("Title", "Tail", 0x7FFFFFFF);
  Load(Audio + first.str() + last.str() +
       ApeFooter(1000, static_cast<std::uint32_t>(first.size() + last.size() + 32), 2).str());
  EXPECT_EQ(tag.Artist(), "A");
  EXPECT_EQ(tag.Title(), "Tail");

  // A tag size larger than the file: the tag exists, but no item is read.
  Load(Audio + ApeItem("Title", "T").str() + ApeFooter(1000, 0xFFFFFFF0u, 1).str());
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "");

  // A tag size smaller than the footer.
  Load(Audio + ApeItem("Title", "T").str() + ApeFooter(1000, 8, 1).str());
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "");

  // A key without its zero byte runs into the footer.
  Bytes keyless = Bytes().Le32(1).Le32(0).Text("TitleTitleTitle");
  Load(Audio + keyless.str() + ApeFooter(1000, static_cast<std::uint32_t>(keyless.size() + 32), 1).str());
  EXPECT_EQ(tag.Title(), "");
}

TEST_F(APEtagTest, FilesWithoutAFooterAreRefusedAndLeaveTheClearedState) {
  Load(Audio + ApeTag(1000, {{"Title", "T"}, {"Track", "4"}}));
  ASSERT_EQ(tag.Title(), "T");
  EXPECT_FALSE(tag.LoadFromFile(Write("plain.ape", Audio)));
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.Version(), 0);
  EXPECT_EQ(tag.Size(), 0);
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_EQ(tag.FileFormat(), "unknown");
  // A whole tag in a file shorter than 128 bytes is not looked for.
  std::string small = ApeTag(1000, {{"Title", "T"}});
  ASSERT_LT(small.size(), 128u);
  EXPECT_FALSE(tag.LoadFromFile(Write("small.ape", small)));
  EXPECT_FALSE(tag.LoadFromFile(dir.File("missing.ape")));
  // An ID3v1 tag alone is not an APE tag.
  EXPECT_FALSE(tag.LoadFromFile(Write("v1.ape", Audio + ID3v1Block("v1"))));
}

// ---- stripping ------------------------------------------------------------------------

TEST_F(APEtagTest, StripCutsTheTagItsHeaderAndATrailingID3v1Tag) {
  std::string path = Write("a.ape", Audio + ApeTag(2000, {{"Title", "T"}}, true) + ID3v1Block("v1"));
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);

  path = Write("b.ape", Audio + ID3v1Block("v1"));
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);

  path = Write("c.ape", Audio);
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);

  EXPECT_FALSE(tag.StripFromFile(Write("d.ape", "short")));
  EXPECT_FALSE(tag.StripFromFile(dir.File("missing.ape")));
}

TEST_F(APEtagTest, StripNeverCutsAudioOnAFooterThatIsNotOne) {
  // The last 32 bytes of audio happen to have the header flag where a footer's flags would be.
  std::string audio = Bytes().Append(Bytes().Fill(400, 0x11)).Fill(20, 0x22).Le32(HeaderFlag).Fill(8, 0x22).str();
  std::string path = Write("a.ape", audio);
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), audio);

  // A footer that claims more bytes than the file has.
  std::string lying = Audio + ApeFooter(1000, 100000, 0).str();
  path = Write("b.ape", lying);
  EXPECT_FALSE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), lying);
}

TEST_F(APEtagTest, FootersThatLieAboutTheTagAreNeitherStrippedNorReplaced) {
  tag.SetTitle("New");
  auto refusedUnchanged = [&](const std::string& name, const std::string& content) {
    const std::string path = Write(name, content);
    EXPECT_FALSE(tag.StripFromFile(path)) << name;
    EXPECT_FALSE(tag.WriteToFile(path)) << name;
    EXPECT_EQ(ReadBytes(path), content) << name;
  };
  // A header announced in the flags, but the 32 bytes before the items are audio.
  const std::string body = ApeItem("Title", std::string(150, 'o')).str();  // the footer is found in 128 bytes or more
  const auto size = static_cast<std::uint32_t>(body.size() + 32);
  refusedUnchanged("noheader.ape", Audio + body + ApeFooter(1000, size, 1, HeaderFlag).str());
  // A size smaller than the footer itself.
  refusedUnchanged("small.ape", Audio + body + ApeFooter(1000, 16, 1).str());
  // A size one byte more than the file holds; behind an ID3v1 tag too.
  const std::string whole = body + ApeFooter(1000, size, 1).str();
  const auto past = static_cast<std::uint32_t>(whole.size() + 1);
  refusedUnchanged("past.ape", body + ApeFooter(1000, past, 1).str());
  refusedUnchanged("pastv1.ape", body + ApeFooter(1000, past, 1).str() + ID3v1Block("v1"));

  // The same tag with its header, and with a size that is exactly the file, is stripped.
  std::string path = Write("exact.ape", whole);
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), "");
  path = Write("header.ape", Audio + ApeTag(1000, {{"Title", "Old"}}, true));
  ASSERT_TRUE(tag.StripFromFile(path));
  EXPECT_EQ(ReadBytes(path), Audio);
}

// ---- writing ----------------------------------------------------------------------------

TEST_F(APEtagTest, WriteAppendsAVersion1TagOfTheNonEmptyValues) {
  std::string path = Write("a.ape", Audio);
  tag.SetTitle("T");
  tag.SetTrack(7);
  ASSERT_TRUE(tag.WriteToFile(path));
  // Tag size: 32 + (5 + 1 + 10) + (5 + 1 + 10).
  std::string expected = Bytes()
                             .Append(ApeItem("Title", std::string("T\0", 2)))
                             .Append(ApeItem("Track", std::string("7\0", 2)))
                             .Append(ApeFooter(1000, 64, 2))
                             .str();
  EXPECT_EQ(ReadBytes(path), Audio + expected);
}

TEST_F(APEtagTest, WrittenTagReadsBackAndReplacesTheOldOne) {
  std::string path = Write("a.ape", Audio + ApeTag(2000, {{"Title", "Old"}, {"Genre", "Old genre"}}, true));
  tag.SetTitle(Sjis("新しい"));
  tag.SetArtist("Artist");
  tag.SetAlbum("Album");
  tag.SetTrack(12);
  tag.SetYear("2024");
  tag.SetGenre("Genre");
  tag.SetComment("Comment");
  tag.SetCopyright("Copyright");
  ASSERT_TRUE(tag.WriteToFile(path));
  TAPEtag read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Version(), 1000);
  EXPECT_EQ(read.Title(), Sjis("新しい"));
  EXPECT_EQ(read.Artist(), "Artist");
  EXPECT_EQ(read.Album(), "Album");
  EXPECT_EQ(read.Track(), 12);
  EXPECT_EQ(read.Year(), "2024");
  EXPECT_EQ(read.Genre(), "Genre");
  EXPECT_EQ(read.Comment(), "Comment");
  EXPECT_EQ(read.Copyright(), "Copyright");
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, Audio.size()), Audio);
  EXPECT_EQ(bytes.size(), Audio.size() + static_cast<std::size_t>(read.Size()));
}

TEST_F(APEtagTest, WriteKeepsATrailingID3v1TagBehindTheNewTag) {
  std::string v1 = ID3v1Block("v1 title");
  std::string path = Write("a.ape", Audio + ApeTag(1000, {{"Title", "Old"}}) + v1);
  tag.SetTitle("New");
  ASSERT_TRUE(tag.WriteToFile(path));
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes, Audio + ApeTag(1000, {{"Title", std::string("New\0", 4)}}) + v1);
  TAPEtag read;
  ASSERT_TRUE(read.LoadFromFile(path));
  EXPECT_EQ(read.Title(), "New");
}

TEST_F(APEtagTest, WriteFailsWhereStripFails) {
  tag.SetTitle("T");
  EXPECT_FALSE(tag.WriteToFile(dir.File("missing.ape")));
  std::string path = Write("small.ape", "tiny");
  EXPECT_FALSE(tag.WriteToFile(path));
  EXPECT_EQ(ReadBytes(path), "tiny");
}

// ---- setters and published properties ------------------------------------------------------

TEST_F(APEtagTest, PublishedPropertiesInOrderWithTheirAccess) {
  std::vector<std::string> names;
  for (const auto& info : tag.Properties()) names.push_back(info.name);
  EXPECT_EQ(names, (std::vector<std::string>{"FileFormat", "Exists", "Version", "Size", "Title", "Artist", "Album",
                                             "Track", "Year", "Genre", "Comment", "Copyright"}));
  for (const char* readOnly : {"FileFormat", "Exists", "Version", "Size"}) {
    EXPECT_FALSE(tag.FindProperty(readOnly)->set) << readOnly;
  }
  const PropertyInfo* track = tag.FindProperty("TRACK");
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(track->kind, PropKind::Byte);
  track->set(tag, PropValue{std::int64_t{258}});
  EXPECT_EQ(tag.Track(), 2);
  tag.FindProperty("comment")->set(tag, PropValue{std::string("\n  spaced \x01")});
  EXPECT_EQ(tag.Comment(), "spaced");
}

}  // namespace
