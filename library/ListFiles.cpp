// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ListFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <span>
#include <string_view>

#include "library/FileErrors.h"
#include "library/LyricsFiles.h"
#include "library/LyricsIndex.h"
#include "library/PlayerNames.h"
#include "library/TextLines.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "util/ParallelRanges.h"

namespace library {

namespace {

constexpr std::size_t kRegisteredFields = 9;
constexpr std::size_t kPlayerFields = 7;
constexpr std::size_t kMaxFields = kRegisteredFields;
constexpr const char* kLineBreak = "\r\n";

using Fields = std::array<std::string_view, kMaxFields>;

// The pieces of line that end with a TAB, up to kMaxFields of them; whatever follows the
// last TAB is not a field. Returns how many were found.
std::size_t SplitFields(std::string_view line, Fields& fields) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (count < fields.size()) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) break;
    fields[count++] = line.substr(start, tab - start);
    start = tab + 1;
  }
  return count;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number with spaces around it allowed: optional sign, digits with an optional
// fraction, optional exponent. nonZero tells whether its digits are not all zero.
bool ParseNumber(std::string_view text, bool& nonZero) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  nonZero = false;
  auto takeDigits = [&] {
    while (i < text.size() && IsDigit(text[i])) {
      nonZero = nonZero || text[i] != '0';
      ++digits;
      ++i;
    }
  };
  takeDigits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    takeDigits();
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == exponentStart) return false;
  }
  return i == text.size();
}

// A check-mark field: any number (not zero is true), or True / False in any letter case.
bool ParseCheckMark(std::string_view text, bool& checked) {
  if (ParseNumber(text, checked)) return true;
  if (platform::SameTextIgnoringAsciiCase(text, "true")) {
    checked = true;
    return true;
  }
  if (platform::SameTextIgnoringAsciiCase(text, "false")) {
    checked = false;
    return true;
  }
  return false;
}

// At most limit bytes of text, cut at a character boundary.
std::string Shortened(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t next = platform::CharNext(text, end);
    if (next > limit) break;
    end = next;
  }
  std::string shown(text.substr(0, end));
  if (end < text.size()) shown += "...";
  return shown;
}

platform::Error LineError(const std::string& path, std::size_t lineNumber, const std::string& reason) {
  return platform::Error(platform::Sjis("リストファイルの読み込みを中止しました。") + "\r\n" + platform::DisplayPath(path) + "\r\n" +
                         std::to_string(lineNumber) + platform::Sjis(" 行目: ") + reason);
}

platform::Error ShortLineError(const std::string& path, std::size_t lineNumber, std::size_t found,
                               std::size_t needed) {
  return LineError(path, lineNumber,
                   platform::Sjis("項目が足りません（" + std::to_string(needed) + " 個必要なところ " +
                                  std::to_string(found) + " 個）。"));
}

platform::Error CheckMarkError(const std::string& path, std::size_t lineNumber, std::string_view value) {
  return LineError(path, lineNumber,
                   platform::Sjis("チェックの値が正しくありません（\"") + Shortened(value, 40) +
                       platform::Sjis("\"）。"));
}

// Reads a list file whole. False when it does not exist; throws when it exists but
// cannot be read or is not a regular file.
bool ReadListFile(const std::string& path, std::string& content) {
  std::optional<std::string> read = ReadRegularFileOrThrow(path);
  if (!read) return false;
  content = std::move(*read);
  return true;
}

// Room for about as many rows as the text has lines.
void ReserveRows(MainState& state, SongList& rows, std::string_view content) {
  std::size_t breaks = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
  if (breaks == 0) breaks = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\r'));
  rows.reserve(rows.size() + breaks + 1);
  state.SongTable.Reserve(breaks + 1);
}

// SongTable gets the row's key with its path; key is a buffer reused from row to row.
void PutSongKey(MainState& state, const SongRow& row, std::string& key) {
  key.assign(row.caption).append("-").append(row.sub[kAlbum]);
  state.SongTable.Put(key, row.sub[kPath]);
}

// Where the fields of a list line go: the field number of each sub-item (-1: left empty),
// and of the check mark (-1: the file keeps none).
struct LineFormat {
  std::size_t fields;
  std::array<int, kSubItemCount> subItemField;
  int checkField;
};
constexpr LineFormat kRegisteredFormat{kRegisteredFields, {1, 2, 3, 4, 5, 7, 8}, 6};
constexpr LineFormat kPlayerFormat{kPlayerFields, {1, 2, 3, 4, 5, -1, 6}, -1};

// Appends the rows of one list file to rows, putting each key into SongTable; throws at the
// first malformed line.
void ParseList(MainState& state, const std::string& path, std::string_view content, const LineFormat& format,
               SongList& rows) {
  ReserveRows(state, rows, content);
  LineWalker lines(content);
  std::string_view line;
  Fields fields;
  std::string key;
  std::size_t lineNumber = 0;
  while (lines.Next(line)) {
    ++lineNumber;
    std::size_t found = SplitFields(line, fields);
    if (found < format.fields) throw ShortLineError(path, lineNumber, found, format.fields);
    bool checked = false;
    if (format.checkField >= 0 && !ParseCheckMark(fields[format.checkField], checked))
      throw CheckMarkError(path, lineNumber, fields[format.checkField]);
    SongRow& row = rows.emplace_back();
    row.caption.assign(fields[0]);
    for (std::size_t sub = 0; sub < kSubItemCount; ++sub)
      if (format.subItemField[sub] >= 0) row.sub[sub].assign(fields[format.subItemField[sub]]);
    row.checked = checked;
    PutSongKey(state, row, key);
  }
}

void ParseRegisteredList(MainState& state, const std::string& path, std::string_view content) {
  ParseList(state, path, content, kRegisteredFormat, state.AList);
}

void ParsePlayerList(MainState& state, const std::string& path, std::string_view content) {
  ParseList(state, path, content, kPlayerFormat, state.MList);
}

// Loads one list file with parse; a file that fails is remembered so that its content is
// kept in NAME.bak before the next rewrite. False when the file does not exist.
template <class Parse>
bool LoadListFile(MainState& state, const std::string& path, Parse parse, SongList* replaced) {
  std::string content;
  try {
    if (!ReadListFile(path, content)) return false;
    if (replaced) replaced->clear();
    parse(state, path, content);
  } catch (const platform::Error&) {
    state.FailedListFiles.insert(path);
    throw;
  }
  state.FailedListFiles.erase(path);
  return true;
}

// A list file that failed to load in this run is copied to NAME.bak before its first
// rewrite, replacing an older .bak; later rewrites leave the .bak alone.
void KeepFailedFile(MainState& state, const std::string& path) {
  auto failed = state.FailedListFiles.find(path);
  if (failed == state.FailedListFiles.end()) return;
  std::string old;
  if (ReadListFile(path, old)) ReplaceFileOrThrow(path + ".bak", old);
  state.FailedListFiles.erase(failed);
}

void WriteListFile(MainState& state, const std::string& path, std::span<const std::string> pieces) {
  EnsureFolder(state.DataFolder());
  KeepFailedFile(state, path);
  ReplaceFileOrThrow(path, pieces);
}

// A TAB or line break inside a value would shift the fields or split the line, so that the
// file could not be loaded again; each becomes a space, as in file names.
void AppendField(std::string& line, std::string_view value) {
  const std::size_t start = line.size();
  line.append(value);
  SpacesForTabsAndLineBreaks(line, start);
  line.push_back('\t');
}

std::size_t RowBytes(const SongRow& row) {
  std::size_t bytes = row.caption.size();
  for (const std::string& value : row.sub) bytes += value.size();
  return bytes;
}

}  // namespace

std::string RegisteredListPath(const MainState& state) { return state.DataFolder() + "MusicList.lst"; }
std::string PlayerListPath(const MainState& state) { return state.DataFolder() + "iPodMusicList.lst"; }

void LoadLists(MainState& state, ListsToLoad which) {
  state.AList.clear();
  LoadListFile(state, RegisteredListPath(state), ParseRegisteredList, nullptr);
  if (which == ListsToLoad::Both) LoadListFile(state, PlayerListPath(state), ParsePlayerList, &state.MList);
}

std::string RegisteredLine(const MainState& state, const SongRow& row) {
  return RegisteredLine(state, row, OpeningLineOf(LyricsIndex(state), row.caption, row.sub[kAlbum]));
}

std::string RegisteredLine(const MainState& state, const SongRow& row, std::string_view openingLine) {
  const std::string key = SongKey(row);
  const std::string* found = state.SongTable.Value(key);
  const std::string_view path = found ? std::string_view(*found) : std::string_view();
  std::string line;
  line.reserve(RowBytes(row) + openingLine.size() + path.size() + 16);
  AppendField(line, row.caption);
  for (std::size_t i = kAlbum; i <= kYear; ++i) AppendField(line, row.sub[i]);
  AppendField(line, row.checked ? "-1" : "0");
  AppendField(line, openingLine);
  AppendField(line, path);
  return line;
}

void SaveRegistered(MainState& state) {
  // Each row's lyrics file is opened for its opening line; the ranges of rows are built on
  // several threads, since the time goes into the kernel's open and read. The ranges' texts
  // are written one after the other, never joined.
  constexpr std::size_t kRowsPerRange = 512;
  const LyricsIndex lyrics(state);
  const SongList& rows = state.AList;
  std::vector<std::string> texts(RangeCount(rows.size(), kRowsPerRange));
  ForEachRange(rows.size(), kRowsPerRange, [&](std::size_t range, std::size_t begin, std::size_t end) {
    std::string& text = texts[range];
    std::size_t estimate = 0;
    for (std::size_t i = begin; i < end; ++i) estimate += RowBytes(rows[i]) + 16;
    text.reserve(estimate + estimate / 4);
    for (std::size_t i = begin; i < end; ++i) {
      const SongRow& row = rows[i];
      text += RegisteredLine(state, row, OpeningLineOf(lyrics, row.caption, row.sub[kAlbum]));
      text += kLineBreak;
    }
  });
  WriteListFile(state, RegisteredListPath(state), texts);
}

void WriteRegisteredList(MainState& state, const std::string& content) {
  WriteListFile(state, RegisteredListPath(state), std::span(&content, 1));
}

void SavePlayerList(MainState& state, Feedback& ui) {
  WritePlayerList(state);
  static const std::string saved = platform::Sjis("保存しました。\r\n次回からはこの設定で読み込みます。");
  ui.InformationBox(saved);
}

void WritePlayerList(MainState& state) {
  std::string content;
  std::size_t estimate = 0;
  for (const SongRow& row : state.MList) estimate += RowBytes(row) + 12;
  content.reserve(estimate);
  for (const SongRow& row : state.MList) {
    AppendField(content, row.caption);
    for (std::size_t i = kAlbum; i <= kYear; ++i) AppendField(content, row.sub[i]);
    AppendField(content, row.sub[kPath]);
    content += kLineBreak;
  }
  WriteListFile(state, PlayerListPath(state), std::span(&content, 1));
}

}  // namespace library
