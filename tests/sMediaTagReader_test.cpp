// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/sMediaTagReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "ID3v1Builders.h"
#include "TestSupport.h"
#include "tags/AACfile.h"
#include "tags/AIFFfile.h"
#include "tags/CDAtrack.h"
#include "tags/FLACfile.h"
#include "tags/ID3v1.h"
#include "tags/MP4file.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGplus.h"
#include "tags/Monkey.h"
#include "tags/OggVorbis.h"
#include "tags/TwinVQ.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// ---------------------------------------------------------------- pattern matching

TEST(MatchPattern, StarQuestionMarkAndLiterals) {
  EXPECT_TRUE(MatchPattern("abc", "a*"));
  EXPECT_TRUE(MatchPattern("abc", "abc*"));  // the name ends, the rest is exactly "*"
  EXPECT_FALSE(MatchPattern("abc", "abc?"));
  EXPECT_FALSE(MatchPattern("abc", "abc**"));
  EXPECT_TRUE(MatchPattern("", ""));
  EXPECT_TRUE(MatchPattern("", "*"));
  EXPECT_FALSE(MatchPattern("", "?"));
  EXPECT_FALSE(MatchPattern("abc", ""));
  EXPECT_FALSE(MatchPattern("abcd", "abc"));
  EXPECT_TRUE(MatchPattern("abc", "a?c"));
  EXPECT_FALSE(MatchPattern("abc", "a?d"));
  EXPECT_FALSE(MatchPattern(nullptr, "*"));
  EXPECT_FALSE(MatchPattern("abc", nullptr));
}

TEST(MatchPattern, GreedyStarWithoutBacktracking) {
  EXPECT_TRUE(MatchPattern("/music/song.mp3", "*.mp?"));
  EXPECT_FALSE(MatchPattern("a.mp3.bak", "*.mp?"));
  EXPECT_TRUE(MatchPattern("x.mp3.mp4", "*.mp?"));  // the last ".mp" decides
  // Only the last "ab" is tried; a backtracking matcher would match from the first one.
  EXPECT_FALSE(MatchPattern("abxcab", "*ab?c*"));
  EXPECT_TRUE(MatchPattern("abxc", "*ab?c*"));
  EXPECT_TRUE(MatchPattern("ab.cd.ef", "*.c*"));
  EXPECT_FALSE(MatchPattern("a.flac", "*.fla"));
  EXPECT_TRUE(MatchPattern("a.b", "*.b*"));
}

TEST(MatchPattern, LetterCaseIsIgnoredForAsciiOnly) {
  EXPECT_TRUE(MatchPattern("SONG.MP3", "*.mp?"));
  EXPECT_TRUE(MatchPattern("song.mp3", "*.MP3"));
  // 0x83 0x61 and 0x83 0x41 are different double-byte characters, although their trail
  // bytes are "a" and "A".
  EXPECT_FALSE(MatchPattern("\x83\x61", "\x83\x41"));
  EXPECT_TRUE(MatchPattern("\x83\x61", "\x83\x61"));
}

TEST(MatchPattern, DoubleByteCharacterCountsAsOne) {
  EXPECT_TRUE(MatchPattern("\x83\x41.txt", "?.txt"));
  EXPECT_FALSE(MatchPattern("\x83\x41.txt", "??.txt"));
  EXPECT_TRUE(MatchPattern("\x83\x5C.mp3", "*.mp3"));
  // The trail byte 0x5C of "\x83\x5C" is not a backslash of its own.
  EXPECT_FALSE(MatchPattern("\x83\x5Cx", "*\\x"));
  EXPECT_TRUE(MatchPattern("\x83\x5C\\x", "*\\x"));
}

TEST(FindLastText, LastHitAtCharacterBoundaries) {
  EXPECT_EQ(FindLastText("a.mp3.mp3", ".MP"), 5u);
  EXPECT_EQ(FindLastText("aaaa", "aa"), 2u);  // overlapping hits are found
  EXPECT_EQ(FindLastText("abc", "x"), std::nullopt);
  EXPECT_EQ(FindLastText("ab", "abc"), std::nullopt);
  EXPECT_EQ(FindLastText("abc", ""), 3u);
  EXPECT_EQ(FindLastText("\x83\x41\x83\x41", "\x83\x41"), 2u);
  // "A" occurs only as the trail byte of 0x83 0x41.
  EXPECT_EQ(FindLastText("\x83\x41", "A"), std::nullopt);
  EXPECT_EQ(FindLastText("\x83\x5C\\", "\\"), 2u);
}

TEST(MatchPatternList, PiecesSeparatorsAndEmptyPieces) {
  EXPECT_TRUE(MatchPatternList("x.fla", "*.flac;*.fla", ";"));
  EXPECT_TRUE(MatchPatternList("x.FLAC", "*.flac;*.fla", ";"));
  EXPECT_FALSE(MatchPatternList("x.fl", "*.flac;*.fla", ";"));
  EXPECT_TRUE(MatchPatternList("", ";*.mp3", ";"));
  EXPECT_FALSE(MatchPatternList("a", ";x", ";"));
  EXPECT_FALSE(MatchPatternList("a", "x;", ";"));
  EXPECT_TRUE(MatchPatternList("", "x;", ";"));
  EXPECT_TRUE(MatchPatternList("b.rmp", "*.mp?;*.rmp", ";"));
}

// ---------------------------------------------------------------- test-only readers

std::vector<std::string> g_events;

template <int Id>
class TRefuser : public TsMediaTag {
public:
  TRefuser() { g_events.push_back("new" + std::to_string(Id)); }
  ~TRefuser() override { g_events.push_back("free" + std::to_string(Id)); }
  bool ReadFrom(platform::File&) override {
    g_events.push_back("load" + std::to_string(Id));
    return false;
  }
};

class TThrowsOnLoad : public TsMediaTag {
public:
  ~TThrowsOnLoad() override { g_events.push_back("freeThrowsOnLoad"); }
  bool ReadFrom(platform::File&) override { throw std::runtime_error("broken file"); }
};

class TThrowsInConstructor : public TsMediaTag {
public:
  TThrowsInConstructor() { throw 42; }
};

std::unique_ptr<TsMediaTag> ThrowingFactory() { throw std::bad_alloc(); }

// A tag carried by TChainReader; logs strip and write calls.
class TTestTag : public TsMediaTag {
public:
  explicit TTestTag(std::string label) : label(std::move(label)) {}
  const PropertyTable& Properties() const override {
    static const PropertyTable table = DeriveProperties(
        BaseProperties(),
        {
            Published<TTestTag>(
                "title", PropKind::ByteString, [](const TTestTag& t) { return t.title; },
                [](TTestTag& t, const PropValue& v) { t.title = PropText(v); }),
            Published<TTestTag>(
                "Track", PropKind::Word, [](const TTestTag& t) { return std::int64_t{t.track}; },
                [](TTestTag& t, const PropValue& v) { t.track = static_cast<std::uint16_t>(PropInt(v)); }),
            Published<TTestTag>(
                "Flag", PropKind::Boolean, [](const TTestTag& t) { return t.flag; },
                [](TTestTag& t, const PropValue& v) { t.flag = PropBool(v); }),
            Published<TTestTag>(
                "Locked", PropKind::ByteString, [](const TTestTag& t) { return t.locked; },
                [](TTestTag& t, const PropValue& v) { t.locked = PropText(v); }),
            Published<TTestTag>(
                "Note", PropKind::ByteString, [](const TTestTag& t) { return t.note; },
                [](TTestTag& t, const PropValue& v) {
                  if (t.refuseNote) throw std::runtime_error("cannot set");
                  t.note = PropText(v);
                }),
        });
    return table;
  }
  bool StripFromFile(const std::string&) override {
    g_events.push_back("strip " + label);
    return result;
  }
  bool WriteToFile(const std::string&) override {
    g_events.push_back("write " + label);
    return result;
  }

  std::string label;
  std::string title, locked, note;
  std::uint16_t track = 0;
  bool flag = false;
  bool refuseNote = false;
  bool result = true;
};

// Accepts every file; carries "v2" as ID3v2 and "v1" as ID3v1, and no APE tag.
class TChainReader : public TsMediaTag {
public:
  const PropertyTable& Properties() const override {
    static const PropertyTable table = DeriveProperties(
        BaseProperties(),
        {
            Published<TChainReader>(
                "Title", PropKind::ByteString, [](const TChainReader& r) { return r.title; },
                [](TChainReader& r, const PropValue& v) { r.title = PropText(v); }),
            Published<TChainReader>("Duration", PropKind::Double, [](const TChainReader&) { return 245.3378; }),
            Published<TChainReader>("Locked", PropKind::ByteString, [](const TChainReader&) { return std::string(); }),
            Published<TChainReader>("ID3v2", PropKind::Object,
                                    [](TChainReader& r) { return static_cast<TsMediaTag*>(r.v2.get()); }),
            Published<TChainReader>("ID3v1", PropKind::Object,
                                    [](TChainReader& r) { return static_cast<TsMediaTag*>(r.v1.get()); }),
            Published<TChainReader>("APEtag", PropKind::Object,
                                    [](const TChainReader&) { return static_cast<TsMediaTag*>(nullptr); }),
        });
    return table;
  }
  bool ReadFrom(platform::File&) override { return true; }
  bool StripFromFile(const std::string&) override {
    g_events.push_back("strip own");
    return false;
  }
  bool WriteToFile(const std::string&) override {
    g_events.push_back("write own");
    return false;
  }

  std::string title;
  std::unique_ptr<TTestTag> v2 = std::make_unique<TTestTag>("v2");
  std::unique_ptr<TTestTag> v1 = std::make_unique<TTestTag>("v1");
};

// Publishes one property of every kind, and a Boolean called ID3v2 that is no tag.
class TKindsReader : public TsMediaTag {
public:
  const PropertyTable& Properties() const override {
    using R = TKindsReader;
    static const PropertyTable table = DeriveProperties(
        BaseProperties(),
        {
            Published<R>("Byte", PropKind::Byte, [](const R&) { return std::int64_t{200}; }),
            Published<R>("Word", PropKind::Word, [](const R&) { return std::int64_t{65535}; }),
            Published<R>("Integer", PropKind::Integer, [](const R&) { return std::int64_t{-5}; }),
            Published<R>("Cardinal", PropKind::Cardinal, [](const R&) { return std::int64_t{4294967295}; }),
            Published<R>("Big", PropKind::Int64, [](const R&) { return std::int64_t{1} << 40; }),
            Published<R>("Valid", PropKind::Boolean, [](const R& r) { return r.valid; },
                         [](R& r, const PropValue& v) { r.valid = PropBool(v); }),
            Published<R>("Duration", PropKind::Double, [](const R&) { return 1.0 / 3.0; }),
            Published<R>("Short", PropKind::ShortString, [](const R&) { return std::string("\x83\x5C"); }),
            Published<R>("Text", PropKind::ByteString, [](const R&) { return std::string("plain"); }),
            Published<R>("Wide", PropKind::WideString, [](const R& r) { return r.wide; },
                         [](R& r, const PropValue& v) { r.wide = PropWide(v); }),
            Published<R>("VBR", PropKind::Record, [](const R&) { return std::monostate{}; }),
            Published<R>("ID3v2", PropKind::Boolean, [](const R&) { return true; }),
        });
    return table;
  }
  bool ReadFrom(platform::File&) override {
    SetFileFormat("KINDS");
    return true;
  }
  bool valid = true;
  std::u16string wide = u"\u65e5\u672c";
};

// A reader table of test classes for one test's dispatchers; every slot starts empty.
class TestReaderTable {
public:
  TestReaderTable() { g_events.clear(); }
  void Set(std::size_t slot, ReaderFactory factory) { table_[slot] = factory; }
  const TsMediaTagReader::ReaderClassTable& table() const { return table_; }

private:
  TsMediaTagReader::ReaderClassTable table_{};
};

constexpr std::size_t WmaSlot = 1, Mp4Slot = 4, OggSlot = 5, WavSlot = 10;

// ---------------------------------------------------------------- Open

TEST(TsMediaTagReaderOpen, ExtensionClassIsTriedFirstAndAgainInItsFixedSlot) {
  TestReaderTable readers;
  readers.Set(WmaSlot, &CreateReader<TRefuser<1>>);
  readers.Set(WavSlot, &CreateReader<TRefuser<10>>);
  TsMediaTagReader reader(readers.table());
  EXPECT_FALSE(reader.Open("/music/Song.WAV"));
  EXPECT_EQ(reader.Current(), nullptr);
  const std::vector<std::string> expected = {"new10", "load10", "free10", "new1",  "load1",
                                             "free1", "new10",  "load10", "free10"};
  EXPECT_EQ(g_events, expected);
}

TEST(TsMediaTagReaderOpen, TheAiffSlotIsTriedRightAfterTheFirst) {
  TestReaderTable readers;
  readers.Set(1, &CreateReader<TRefuser<1>>);
  readers.Set(2, &CreateReader<TRefuser<2>>);
  readers.Set(11, &CreateReader<TRefuser<11>>);
  readers.Set(12, &CreateReader<TRefuser<12>>);
  TsMediaTagReader reader(readers.table());
  EXPECT_FALSE(reader.Open("x.bin"));
  const std::vector<std::string> expected = {"new1",  "load1",  "free1",  "new12", "load12", "free12",
                                             "new2",  "load2",  "free2",  "new11", "load11", "free11"};
  EXPECT_EQ(g_events, expected);
}

TEST(TsMediaTagReaderOpen, UnmatchedNameStartsAtTheFixedSlotsWhateverWasOpenedBefore) {
  TestReaderTable readers;
  readers.Set(OggSlot, &CreateReader<TRefuser<5>>);
  readers.Set(WavSlot, &CreateReader<TRefuser<10>>);
  TsMediaTagReader(readers.table()).Open("a.ogg");
  TsMediaTagReader first(readers.table());
  first.Open("a.wav");
  g_events.clear();
  // Neither the other dispatcher's file nor this one's own last file comes first.
  first.Open("b.m4p");
  EXPECT_EQ(g_events, (std::vector<std::string>{"new5", "load5", "free5", "new10", "load10", "free10"}));
  g_events.clear();
  TsMediaTagReader(readers.table()).Open("c.m4p");
  EXPECT_EQ(g_events, (std::vector<std::string>{"new5", "load5", "free5", "new10", "load10", "free10"}));
}

TEST(TsMediaTagReaderOpen, TwoDispatchersReadTheSameFileAlikeWhateverEachOpenedBefore) {
  TempDir dir;
  const std::string mp3 = dir.File("song.mp3");
  using namespace id3v1_test;
  WriteBytes(mp3, CbrMpegFrames(10) + Id3v1Block(Id3v1Fields().Title("Song")));
  const std::string odd = dir.File("song.m4p");
  WriteBytes(odd, CbrMpegFrames(10) + Id3v1Block(Id3v1Fields().Title("Odd")));
  TsMediaTagReader a, b;
  ASSERT_TRUE(a.Open(mp3));
  ASSERT_TRUE(b.Open(odd));
  ASSERT_TRUE(a.Open(odd));
  EXPECT_EQ(a.GetValue("FileFormat"), b.GetValue("FileFormat"));
  EXPECT_EQ(a.GetValue("Title"), "Odd");
  EXPECT_EQ(b.GetValue("Title"), "Odd");
}

TEST(TsMediaTagReaderOpen, ErrorsInsideReadersAreSwallowed) {
  TestReaderTable readers;
  readers.Set(1, &ThrowingFactory);
  readers.Set(2, &CreateReader<TThrowsInConstructor>);
  readers.Set(3, &CreateReader<TThrowsOnLoad>);
  readers.Set(4, &CreateReader<TKindsReader>);
  readers.Set(5, &CreateReader<TRefuser<5>>);
  TsMediaTagReader reader(readers.table());
  ASSERT_TRUE(reader.Open("x.bin"));
  EXPECT_NE(dynamic_cast<TKindsReader*>(reader.Current()), nullptr);
  EXPECT_EQ(g_events, (std::vector<std::string>{"freeThrowsOnLoad"}));  // freed; later slots untried
}

TEST(TsMediaTagReaderOpen, OpenAgainFreesThePreviousReaderFirst) {
  TestReaderTable readers;
  readers.Set(1, &CreateReader<TRefuser<1>>);
  readers.Set(2, &CreateReader<TRefuser<2>>);
  readers.Set(3, &CreateReader<TKindsReader>);
  TsMediaTagReader reader(readers.table());
  ASSERT_TRUE(reader.Open("x"));
  EXPECT_EQ(reader.GetValue("FileFormat"), "KINDS");
  readers.Set(3, nullptr);
  g_events.clear();
  EXPECT_FALSE(reader.Open("x"));
  EXPECT_EQ(reader.Current(), nullptr);
  EXPECT_EQ(reader.GetValue("FileFormat"), "");
  EXPECT_EQ(reader.PropertyNames(), std::nullopt);
  EXPECT_EQ(g_events, (std::vector<std::string>{"new1", "load1", "free1", "new2", "load2", "free2"}));
}

TEST(TsMediaTagReaderOpen, FixedSlotsAndExtensionsNameTheRealReaders) {
  const auto& classes = TsMediaTagReader::StandardReaderClasses();
  EXPECT_EQ(classes[0], nullptr);
  EXPECT_EQ(classes[1], &CreateReader<TWMAfile>);
  EXPECT_EQ(classes[2], &CreateReader<TMPEGaudio>);
  EXPECT_EQ(classes[3], &CreateReader<TMPEGplus>);
  EXPECT_EQ(classes[4], &CreateReader<TMP4file>);
  EXPECT_EQ(classes[5], &CreateReader<TOggVorbis>);
  EXPECT_EQ(classes[6], &CreateReader<TMonkey>);
  EXPECT_EQ(classes[7], &CreateReader<TAACfile>);
  EXPECT_EQ(classes[8], &CreateReader<TFLACfile>);
  EXPECT_EQ(classes[9], &CreateReader<TTwinVQ>);
  EXPECT_EQ(classes[10], &CreateReader<TWAVfile>);
  EXPECT_EQ(classes[11], &CreateReader<TCDAtrack>);
  EXPECT_EQ(classes[12], &CreateReader<TAIFFfile>);

  const std::pair<std::string, ReaderFactory> cases[] = {
      {"a.aac", &CreateReader<TAACfile>},     {"a.APE", &CreateReader<TMonkey>},
      {"a.cda", &CreateReader<TCDAtrack>},    {"a.flac", &CreateReader<TFLACfile>},
      {"a.fla", &CreateReader<TFLACfile>},    {"a.ogg", &CreateReader<TOggVorbis>},
      {"a.vqf", &CreateReader<TTwinVQ>},      {"a.svf", &CreateReader<TTwinVQ>},
      {"a.wav", &CreateReader<TWAVfile>},     {"a.asf", &CreateReader<TWMAfile>},
      {"a.wma", &CreateReader<TWMAfile>},     {"a.MP3", &CreateReader<TMPEGaudio>},
      {"a.mp4", &CreateReader<TMPEGaudio>},   {"a.mpc", &CreateReader<TMPEGaudio>},
      {"a.rmp", &CreateReader<TMPEGaudio>},   {"a.m4a", &CreateReader<TMP4file>},
      {"a.m4p", nullptr},                     {"a.mp3.bak", nullptr},
      {"/music/x.aac/song", nullptr},       {"a.aif", &CreateReader<TAIFFfile>},
      {"a.AIFF", &CreateReader<TAIFFfile>},  {"a.aifc", &CreateReader<TAIFFfile>},
  };
  for (const auto& [name, factory] : cases) {
    EXPECT_EQ(TsMediaTagReader::ExtensionClass(name), factory) << name;
  }
  // The class comes from the table the dispatcher was given.
  TestReaderTable readers;
  readers.Set(OggSlot, &CreateReader<TRefuser<5>>);
  EXPECT_EQ(TsMediaTagReader::ExtensionClass("a.ogg", readers.table()), &CreateReader<TRefuser<5>>);
  EXPECT_EQ(TsMediaTagReader::ExtensionClass("a.wav", readers.table()), nullptr);
}

// ---------------------------------------------------------------- values

// A dispatcher whose Current is a fresh T.
template <class T>
struct OpenedWith {
  OpenedWith() {
    readers.Set(1, &CreateReader<T>);
    opened = reader.Open("any");
  }
  T& current() { return dynamic_cast<T&>(*reader.Current()); }
  TestReaderTable readers;
  TsMediaTagReader reader{readers.table()};
  bool opened = false;
};

TEST(TsMediaTagReaderGetValue, TextOfEveryKind) {
  OpenedWith<TKindsReader> kinds;
  ASSERT_TRUE(kinds.opened);
  const TsMediaTagReader& r = kinds.reader;
  EXPECT_EQ(r.GetValue("FileFormat"), "KINDS");
  EXPECT_EQ(r.GetValue("Byte"), "200");
  EXPECT_EQ(r.GetValue("Word"), "65535");
  EXPECT_EQ(r.GetValue("Integer"), "-5");
  EXPECT_EQ(r.GetValue("Cardinal"), "4294967295");
  EXPECT_EQ(r.GetValue("Big"), "1099511627776");
  EXPECT_EQ(r.GetValue("Valid"), "True");
  EXPECT_EQ(r.GetValue("Duration"), "0.333333333333333");
  EXPECT_EQ(r.GetValue("Short"), "\x83\x5C");
  EXPECT_EQ(r.GetValue("text"), "plain");
  EXPECT_EQ(r.GetValue("Wide"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(r.GetValue("VBR"), "");
  EXPECT_EQ(r.GetValue("Missing"), "");
  EXPECT_EQ(r.GetValue(""), "");
  // A Boolean named ID3v2 is not an embedded tag: names it lacks stay empty.
  EXPECT_EQ(r.GetValue("ID3v2"), "True");
  EXPECT_EQ(r.GetValue("Year"), "");
  std::string out = "stale";
  r.GetValue("Missing", out);
  EXPECT_EQ(out, "");
}

TEST(TsMediaTagReaderGetValue, OwnPropertyThenID3v2ThenID3v1) {
  OpenedWith<TChainReader> chain;
  ASSERT_TRUE(chain.opened);
  TChainReader& c = chain.current();
  c.v1->title = "from v1";
  c.v1->track = 7;
  EXPECT_EQ(chain.reader.GetValue("Title"), "from v1");
  c.v2->title = "from v2";
  EXPECT_EQ(chain.reader.GetValue("TITLE"), "from v2");
  c.title = "own";
  EXPECT_EQ(chain.reader.GetValue("Title"), "own");
  // An integer always has text, so the first tag answers "0".
  EXPECT_EQ(chain.reader.GetValue("Track"), "0");
  EXPECT_EQ(chain.reader.GetValue("Duration"), "245.3378");
  EXPECT_EQ(chain.reader.GetValue("ID3v1"), "");  // object
  EXPECT_EQ(chain.reader.GetValue("Flag"), "False");
}

TEST(TsMediaTagReaderGetValue, NothingWithoutAReader) {
  TsMediaTagReader reader;
  EXPECT_EQ(reader.Current(), nullptr);
  EXPECT_EQ(reader.GetValue("FileFormat"), "");
  EXPECT_EQ(reader.PropertyNames(), std::nullopt);
  EXPECT_FALSE(reader.StripTags("x"));
  EXPECT_FALSE(reader.WriteTags("x"));
  reader.SetValue("Title", "x");  // no effect, no failure
}

TEST(TsMediaTagReaderSetValue, SetsOwnAndEveryTagThatPublishesTheName) {
  OpenedWith<TChainReader> chain;
  TChainReader& c = chain.current();
  chain.reader.SetValue("title", "New");
  EXPECT_EQ(c.title, "New");
  EXPECT_EQ(c.v2->title, "New");
  EXPECT_EQ(c.v1->title, "New");

  chain.reader.SetValue("Track", "12");
  EXPECT_EQ(c.v2->track, 12);
  EXPECT_EQ(c.v1->track, 12);
  chain.reader.SetValue("Track", "12abc");
  EXPECT_EQ(c.v2->track, 0);
  EXPECT_EQ(c.v1->track, 0);

  chain.reader.SetValue("Flag", "tRUE");
  EXPECT_TRUE(c.v2->flag);
  EXPECT_TRUE(c.v1->flag);
  chain.reader.SetValue("", "x");
  EXPECT_EQ(c.title, "New");
}

TEST(TsMediaTagReaderSetValue, FailureEndsTheOperationSilently) {
  OpenedWith<TChainReader> chain;
  TChainReader& c = chain.current();
  // Read-only on the reader itself: the tags are not reached.
  chain.reader.SetValue("Locked", "x");
  EXPECT_EQ(c.v2->locked, "");
  EXPECT_EQ(c.v1->locked, "");
  // An identifier the enumeration lacks stops at the first tag.
  chain.reader.SetValue("Flag", "TRUE");
  chain.reader.SetValue("Flag", "maybe");
  EXPECT_TRUE(c.v2->flag);
  EXPECT_TRUE(c.v1->flag);
  // A setter that fails in the first tag: swallowed, and the second tag is not reached.
  c.v2->refuseNote = true;
  chain.reader.SetValue("Note", "n");
  EXPECT_EQ(c.v1->note, "");
  c.v2->refuseNote = false;
  chain.reader.SetValue("Note", "n");
  EXPECT_EQ(c.v1->note, "n");
  chain.reader.SetValue("ID3v2", "x");  // an object cannot be set from text
  EXPECT_NE(c.v2, nullptr);
  chain.reader.SetValue("Duration", "1");  // read-only double
  EXPECT_EQ(chain.reader.GetValue("Duration"), "245.3378");
}

TEST(TsMediaTagReaderSetValue, WideAndBooleanOfTheReader) {
  OpenedWith<TKindsReader> kinds;
  kinds.reader.SetValue("Wide", "\x83\x5C");
  EXPECT_EQ(kinds.current().wide, u"\u30bd");
  kinds.reader.SetValue("Valid", "false");
  EXPECT_EQ(kinds.reader.GetValue("Valid"), "False");
  kinds.reader.SetValue("Valid", "0");
  EXPECT_EQ(kinds.reader.GetValue("Valid"), "False");
}

TEST(TsMediaTagReaderTags, StripAndWriteCallReaderThenTagsAndGiveTheLastResult) {
  OpenedWith<TChainReader> chain;
  TChainReader& c = chain.current();
  g_events.clear();
  c.v1->result = false;
  EXPECT_FALSE(chain.reader.StripTags("f"));
  EXPECT_EQ(g_events, (std::vector<std::string>{"strip own", "strip v2", "strip v1"}));
  c.v1->result = true;
  c.v2->result = false;
  g_events.clear();
  EXPECT_TRUE(chain.reader.WriteTags("f"));
  EXPECT_EQ(g_events, (std::vector<std::string>{"write own", "write v2", "write v1"}));
  g_events.clear();
  EXPECT_FALSE(chain.reader.WriteTags(""));
  EXPECT_FALSE(chain.reader.StripTags(""));
  EXPECT_TRUE(g_events.empty());

  OpenedWith<TKindsReader> kinds;  // no tags: only the reader's own (base) answer
  EXPECT_FALSE(kinds.reader.StripTags("f"));
}

TEST(TsMediaTagReaderPropertyNames, ReaderThenTagsEachNameOnce) {
  OpenedWith<TChainReader> chain;
  const std::vector<std::string> expected = {"FileFormat", "Title", "Duration", "Locked", "ID3v2",
                                             "ID3v1",      "APEtag", "Track",   "Flag", "Note"};
  EXPECT_EQ(chain.reader.PropertyNames(), expected);
}

// ---------------------------------------------------------------- with the real readers

using id3v1_test::CbrMpegFrames;
using id3v1_test::CommentWithTrack;
using id3v1_test::Id3v1Block;
using id3v1_test::Id3v1Fields;

TEST(TsMediaTagReaderRealFiles, Mp3WithOnlyID3v1TakesTrackFromTheEmptyID3v2) {
  TempDir dir;
  const std::string path = dir.File("song.mp3");
  WriteBytes(path, CbrMpegFrames(10) +
                       Id3v1Block(Id3v1Fields().Title("V1 Title").Artist("Artist").Comment(CommentWithTrack("c", 5))));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("FileFormat"), "MP3");
  EXPECT_EQ(reader.GetValue("Title"), "V1 Title");
  EXPECT_EQ(reader.GetValue("Artist"), "Artist");
  EXPECT_EQ(reader.GetValue("Track"), "0");
  EXPECT_EQ(reader.GetValue("Time"), "");
  EXPECT_EQ(reader.GetValue("VBR"), "");
  EXPECT_EQ(reader.GetValue("Valid"), "True");
  // Ten 417-byte frames at 128 kbit/s, the ID3v1 tag left out: 4170 * 8 / 128000 s.
  EXPECT_EQ(reader.GetValue("Duration"), "0.260625");
  const auto names = reader.PropertyNames();
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(names->front(), "FileFormat");
  EXPECT_NE(std::find(names->begin(), names->end(), "VersionID"), names->end());
}

TEST(TsMediaTagReaderRealFiles, StripTagsRemovesTheID3v1OfAnMp3) {
  TempDir dir;
  const std::string path = dir.File("song.mp3");
  const std::string audio = CbrMpegFrames(10);
  WriteBytes(path, audio + Id3v1Block(Id3v1Fields().Title("x")));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_TRUE(reader.StripTags(path));
  EXPECT_EQ(ReadBytes(path), audio);
}

TEST(TsMediaTagReaderRealFiles, UntaggedMpegAndMissingFilesAreRefused) {
  TempDir dir;
  const std::string path = dir.File("bare.mp3");
  WriteBytes(path, CbrMpegFrames(10));
  TsMediaTagReader reader;
  EXPECT_FALSE(reader.Open(path));
  EXPECT_EQ(reader.GetValue("Title"), "");
  EXPECT_FALSE(reader.Open(dir.File("missing.mp3")));
  EXPECT_FALSE(reader.Open(""));
  EXPECT_EQ(reader.Current(), nullptr);
}

}  // namespace
