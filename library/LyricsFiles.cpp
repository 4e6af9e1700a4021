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

std::optional<std::string> ReadIfExists(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  std::string content;
  errno = 0;
  if (!platform::ReadWholeFile(path, content)) throw FileError("ファイルを読み込めません。", path, errno);
  return content;
}

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

std::string LyricsFileName(const MainState& state, const std::string& title, const std::string& album) {
  return state.DataFolder() + PlayerSafeName(SlashToUnderscore(title) + "-" + SlashToUnderscore(album)) + ".txt";
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
  std::optional<std::string> content = ReadIfExists(path);
  if (!content) return std::nullopt;
  return JoinLinesCrLf(*content);
}

std::string OpeningLine(const std::string& path) {
  std::string content;
  if (!platform::ReadWholeFile(path, content)) return std::string();
  std::string_view first;
  LineWalker(content).Next(first);
  return std::string(first);
}

void WriteLyricsFile(const std::string& path, const std::string& text) {
  EnsureFolder(FolderOf(path));
  ReplaceFileOrThrow(path, JoinLinesCrLf(text));
}

bool IsBlankLyrics(const std::string& text) { return tagbytes::TrimControl(text).empty(); }

}  // namespace library
