#include "library/LyricsFiles.h"

#include <algorithm>
#include <cerrno>

#include "library/FileErrors.h"
#include "library/PlayerNames.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

// Visits each line of text: CR LF, a lone CR and a lone LF end a line; a final line break
// does not start another line. Line breaks are never trail bytes in code page 932.
template <typename Visit>
void ForEachLine(const std::string& text, Visit&& visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      visit(std::string_view(text).substr(start));
      return;
    }
    if (!visit(std::string_view(text).substr(start, end - start))) return;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

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
  ForEachLine(text, [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::string JoinLinesCrLf(const std::string& text) {
  std::string joined;
  joined.reserve(text.size() + text.size() / 16 + 2);
  ForEachLine(text, [&](std::string_view line) {
    joined.append(line).append("\r\n");
    return true;
  });
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
  std::string first;
  ForEachLine(content, [&](std::string_view line) {
    first = line;
    return false;
  });
  return first;
}

void WriteLyricsFile(const std::string& path, const std::string& text) {
  EnsureFolder(FolderOf(path));
  ReplaceFileOrThrow(path, JoinLinesCrLf(text));
}

bool IsBlankLyrics(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace library
