// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsStore.h"

#include "library/FileErrors.h"
#include "library/FlagOverride.h"
#include "library/LyricsImport.h"
#include "library/LyricsIndex.h"
#include "library/MusicScan.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "tags/sMediaTagReader.h"

namespace library {

namespace {

// The "Lyrics" value of an audio file; empty when the path is empty, the file is missing
// or no reader accepts it (a file that cannot be opened, a folder among them, is refused by
// every reader).
std::string TagLyrics(const std::string& audioPath) {
  if (audioPath.empty()) return {};
  TsMediaTagReader reader;
  reader.Open(audioPath);
  return reader.GetValue("Lyrics");
}

const SongRow* CurrentRow(const SongList& rows, const ListSelection& selection) {
  if (selection.Empty() || selection.Current() >= rows.size()) return nullptr;
  return &rows[selection.Current()];
}

}  // namespace

std::optional<EditorContent> OpenLyricsEditor(MainState& state, ListId list, const ListSelection& selection) {
  const SongRow* row = CurrentRow(state.List(list), selection);
  if (!row) return std::nullopt;
  const std::string title = row->caption;
  const std::string album = row->sub[kAlbum];
  state.LyricsPath = FindLyricsFile(LyricsIndex(state), title, album);

  EditorContent content;
  content.caption = SlashToUnderscore(title) + " (" + SlashToUnderscore(album) + ")";

  EnsureFolder(state.DataFolder());
  // A file that exists but cannot be read raises: showing the tag lyrics instead would let
  // the next save replace what the user wrote.
  if (std::optional<std::string> stored = ReadLyricsFile(state.LyricsPath)) {
    content.text = std::move(*stored);
    return content;
  }
  // Without a file, the song's tag lyrics when they are not blank.
  std::string tagLyrics = TagLyrics(row->sub[kPath]);
  if (!IsBlankLyrics(tagLyrics)) content.text = std::move(tagLyrics);
  return content;
}

void ImportLyricsOfRow(MainState& state, Feedback& ui, const ListSelection& selection, ListId list) {
  const SongRow* row = CurrentRow(state.List(list), selection);
  if (!row) return;
  const std::string audioPath = row->sub[kPath];
  const std::string songPath = state.SongTable.Get(SongKey(*row));

  TMusicData record;
  ReadSong(state, songPath, record);
  const std::string lyrics = TagLyrics(audioPath);
  if (IsBlankLyrics(lyrics)) {
    static const std::string none = platform::Sjis("歌詞が設定されていません。");
    ui.InformationBox(none);
    return;
  }
  LyricsImporter importer(state);
  static const std::string differs = platform::Sjis(
      "歌詞ファイルの内容がタグの歌詞と違います。\r\n"
      "今の歌詞ファイルを Backup フォルダに残して、タグの歌詞で置き換えますか？");
  if (importer.WouldReplace(record.Title, record.Album, lyrics) && !ui.AskYesNo(differs)) return;
  importer.Import(record.Title, record.Album, lyrics);
  static const std::string saved = platform::Sjis("歌詞を保存しました。");
  std::string text = saved;
  for (const std::string& backup : importer.Backups())
    text += "\r\n" + platform::Sjis("元の歌詞ファイルは ") + platform::DisplayPath(backup) + platform::Sjis(" に残しました。");
  ui.InformationBox(text);
}

void GetAllLyrics(MainState& state, Feedback& ui, bool ask) {
  static const std::string question =
      platform::Sjis("すべての曲から歌詞を取得します。\r\n多少時間がかかりますがよろしいですか？");
  if (ask && !ui.AskYesNo(question)) return;
  ScanReport report;
  {
    // ImportLyrics is set for this scan only and put back however the scan ends.
    FlagOverride importing(state.ImportLyrics, true);
    report = GetSongInfo(state, ui);
  }
  static const std::string finished = platform::Sjis("完了しました。");
  ui.InformationBox(finished + "\r\n" + ReplacedLyricsText(report.lyricsReplaced, LyricsBackupFolder(state)));
}

void SaveLyrics(MainState& state) {
  if (state.LyricsPath.empty()) throw platform::Error(platform::Sjis("歌詞ファイルが決まっていません。"));
  // On a failed write the text stays, so that the editor's content is not lost.
  WriteLyricsFile(state.LyricsPath, state.LyricsText);
  state.LyricsText.clear();
}

}  // namespace library
