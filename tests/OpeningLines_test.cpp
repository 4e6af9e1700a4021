// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/OpeningLines.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "library/LyricsFiles.h"
#include "platform/CodePage.h"

namespace {

using library::ListId;
using library::MainState;
using library::SongRow;
using platform::Sjis;
using testing_support::TempDir;

SongRow Row(const std::string& title, const std::string& album, const std::string& opening = "") {
  SongRow row;
  row.caption = title;
  row.sub[library::kAlbum] = album;
  row.sub[library::kOpeningLine] = opening;
  return row;
}

struct OpeningLines : testing::Test {
  TempDir dir;
  MainState state{dir.path().string() + "/"};
  std::string Lyrics(const SongRow& row) { return library::LyricsFileName(state, row.caption, row.sub[library::kAlbum]); }
  const std::string& Opening(std::size_t row) { return state.AList[row].sub[library::kOpeningLine]; }
};

// Only the rows of the written file change: the same song registered twice both do, another
// song keeps its (stale) line until it is written itself.
TEST_F(OpeningLines, FollowTheFileThatWasWritten) {
  state.AList = {Row("A", "X", "old"), Row("B", "X", "stale"), Row("A", "X", "")};
  library::WriteLyricsFile(Lyrics(state.AList[0]), Sjis("一行目\r\n二行目\r\n"));
  library::WriteLyricsFile(Lyrics(state.AList[1]), Sjis("B の歌\r\n"));
  EXPECT_EQ(library::RefreshOpeningLines(state, Lyrics(state.AList[0])), 2u);
  EXPECT_EQ(Opening(0), Sjis("一行目"));
  EXPECT_EQ(Opening(1), "stale");
  EXPECT_EQ(Opening(2), Sjis("一行目"));
  EXPECT_EQ(library::RefreshOpeningLines(state, Lyrics(state.AList[0])), 0u);  // nothing new
  EXPECT_EQ(library::RefreshOpeningLines(state, ""), 0u);

  // A song-list row names the file through its own title and album.
  state.MList = {Row("B", "X")};
  EXPECT_EQ(library::RefreshOpeningLinesOfRow(state, ListId::MList, {{0}}), 1u);
  EXPECT_EQ(Opening(1), Sjis("B の歌"));
  EXPECT_EQ(library::RefreshOpeningLinesOfRow(state, ListId::MList, {{}}), 0u);
  EXPECT_EQ(library::RefreshOpeningLinesOfRow(state, ListId::MList, {{5}}), 0u);
}

TEST_F(OpeningLines, AllRowsAndAFileThatIsGoneOrEmpty) {
  state.AList = {Row("A", "X", "old"), Row("B", "X", "old"), Row("C", "X", "")};
  library::WriteLyricsFile(Lyrics(state.AList[1]), "");
  library::WriteLyricsFile(Lyrics(state.AList[2]), "la\r\n");
  EXPECT_EQ(library::RefreshAllOpeningLines(state), 3u);
  EXPECT_EQ(Opening(0), "");
  EXPECT_EQ(Opening(1), "");
  EXPECT_EQ(Opening(2), "la");
}

// A file found under another letter case is the rows' file too, as for every lookup of lyrics.
TEST_F(OpeningLines, AFileInAnotherLetterCaseIsTheRowsFile) {
  state.AList = {Row("Love", "Best", "old"), Row("LOVE", "BEST", "")};
  const std::string file = Lyrics(Row("love", "best"));
  library::WriteLyricsFile(file, "la la\r\n");
  EXPECT_EQ(library::RefreshOpeningLines(state, file), 2u);
  EXPECT_EQ(Opening(0), "la la");
  EXPECT_EQ(Opening(1), "la la");

  state.AList = {Row("Love", "Best", "old")};
  EXPECT_EQ(library::RefreshAllOpeningLines(state), 1u);
  EXPECT_EQ(Opening(0), "la la");
  state.MList = {Row("LOVE", "best")};
  state.AList[0].sub[library::kOpeningLine] = "old";
  EXPECT_EQ(library::RefreshOpeningLinesOfRow(state, ListId::MList, {{0}}), 1u);
}

}  // namespace
