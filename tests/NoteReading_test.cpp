// SPDX-License-Identifier: GPL-3.0-or-later
// What the note reader shows of a page: markup gone, links marked, the 4,096-byte cut.
#include "library/NoteReading.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

using library::ShownText;
using platform::Sjis;

TEST(AsTheReaderShows, TagsGoLinksAreMarked) {
  const std::string note = "<?xml encoding=\"Shift_JIS\"?><meta name=\"x\">Title:  <a href=\"ipod:music?a=1\">A&B</a>\r\n"
                           "Next:<A href=\"n\">" + Sjis("次") + "</A> <b>bold</b>";
  EXPECT_EQ(library::AsTheReaderShows(note),
            (std::vector<ShownText>{{"Title:  ", false, false}, {"A&B", true, false}, {"\r\nNext:", false, false},
                                    {Sjis("次"), true, false}, {" ", false, false}, {"bold", false, false}}));
  EXPECT_EQ(library::AsTheReaderShows("text <unclosed"), (std::vector<ShownText>{{"text ", false, false}}));
  EXPECT_TRUE(library::AsTheReaderShows("").empty());
}

TEST(AsTheReaderShows, TheCutFallsAtByte4096AndNeverInsideACharacter) {
  // 4,095 ASCII bytes, then "表" (95 5C) straddling the cut, then more.
  const std::string before(4095, 'x');
  const auto pieces = library::AsTheReaderShows(before + Sjis("表") + "tail");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], (ShownText{before, false, false}));
  EXPECT_EQ(pieces[1], (ShownText{Sjis("表") + "tail", false, true}));

  // Exactly 4,096 bytes: nothing cut. A link across the cut is split and stays a link.
  EXPECT_EQ(library::AsTheReaderShows(std::string(4096, 'y')).size(), 1u);
  // The tag's own 12 bytes count: the link text starts at byte 4,092.
  const auto link = library::AsTheReaderShows(std::string(4080, 'z') + "<a href=\"p\">0123456789</a>");
  ASSERT_EQ(link.size(), 3u);
  EXPECT_EQ(link[1], (ShownText{"0123", true, false}));
  EXPECT_EQ(link[2], (ShownText{"456789", true, true}));
}

}  // namespace
