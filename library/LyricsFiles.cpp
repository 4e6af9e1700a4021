// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LyricsFiles.h"

#include <algorithm>
#include <cerrno>

#include "library/FileErrors.h"
#include "library/PlayerNames.h"
#include "library/TextLines.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "tags/TagBytes.h"

namespace library {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string SlashToUnderscore(const std::string& text) {
  std::string result = text;
  std::replace(result.begin(), result.end(), '/', '_');
  return result;
}

std::string LyricsFileBaseName(const std::string& title, const std::string& album) {
  // PlayerSafeName turns every "/" into "_" itself, after the bytes that are no character:
  // replacing "/" first could make a pair of a stray lead byte and "_".
  return PlayerSafeName(title + "-" + album) + ".txt";
}

std::string LyricsFileName(const MainState& state, const std::string& title, const std::string& album) {
  return state.DataFolder() + platform::SystemName(LyricsFileBaseName(title, album));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  LineWalker walker(text);
  for (std::string_view line; walker.Next(line);) lines.emplace_back(line);
  return lines;
}

std::string JoinLinesCrLf(const std::string& text) {
  std::string joined;
  joined.reserve(text.size() + text.size() / 16 + 2);
  LineWalker walker(text);
  for (std::string_view line; walker.Next(line);) joined.append(line).append("\r\n");
  return joined;
}

std::optional<std::string> ReadLyricsFile(const std::string& path) {
  std::optional<std::string> content = ReadRegularFileOrThrow(path);
  if (!content) return std::nullopt;
  return JoinLinesCrLf(*content);
}

namespace {

// The start of the file holds the first line nearly always; the whole file is read only
// when that start has no line break.
constexpr std::size_t kStartBytes = 4096;

bool StartIsWholeFirstLine(bool read, const std::string& start) {
  return read && (start.size() < kStartBytes || start.find_first_of("\r\n") != std::string::npos);
}

std::string FirstLine(const std::string& content) {
  std::string_view first;
  LineWalker(content).Next(first);
  return std::string(first);
}

// The first line after the start of the file at path could not give it (read tells whether
// that start was read).
std::string FirstLineBeyondStart(bool read, const std::string& path) {
  std::string content;
  if (read) read = platform::ReadRegularFile(path, content);
  if (read) return FirstLine(content);
  // What is not a regular file is refused by name; a missing or unreadable file has no line.
  if (IsNotRegularFile(errno)) throw NotRegularFileError(path);
  return std::string();
}

}  // namespace

std::string OpeningLine(const std::string& path) {
  std::string start;
  errno = 0;
  const bool read = platform::ReadRegularFileStart(path, start, kStartBytes);
  return StartIsWholeFirstLine(read, start) ? FirstLine(start) : FirstLineBeyondStart(read, path);
}

std::string OpeningLineIn(const platform::DirHandle& folder, const std::string& folderPath, const std::string& name) {
  std::string start;
  errno = 0;
  const bool read = folder.ReadFileStart(name, start, kStartBytes);
  return StartIsWholeFirstLine(read, start) ? FirstLine(start) : FirstLineBeyondStart(read, folderPath + name);
}

void WriteLyricsFile(const std::string& path, const std::string& text) {
  EnsureFolder(FolderOf(path));
  ReplaceFileOrThrow(path, JoinLinesCrLf(text));
}

bool IsBlankLyrics(const std::string& text) { return tagbytes::TrimControl(text).empty(); }

}  // namespace library
