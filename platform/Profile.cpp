// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Profile.h"

#include <optional>
#include <string_view>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/TextCompare.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Lines ended by CR LF, a lone CR or a lone LF; a last line without an end counts too.
std::vector<std::string> SplitLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] != '\r' && content[i] != '\n') continue;
    lines.emplace_back(content.substr(start, i - start));
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

// What one line of a profile file is.
struct ProfileLine {
  enum class Kind { Other, Section, Entry } kind = Kind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // entry value, trimmed
};

ProfileLine Classify(std::string_view line) {
  ProfileLine result;
  std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';') return result;
  if (text.front() == '[') {
    std::size_t close = text.find(']');
    std::string_view inside = text.substr(1, close == std::string_view::npos ? text.npos : close - 1);
    result.kind = ProfileLine::Kind::Section;
    result.name = Trim(inside);
    return result;
  }
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return result;
  result.kind = ProfileLine::Kind::Entry;
  result.name = Trim(text.substr(0, equals));
  result.value = Trim(text.substr(equals + 1));
  return result;
}

// A value enclosed in a matching pair of single or double quotes loses them.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::optional<std::size_t> FindSection(const std::vector<std::string>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ProfileLine line = Classify(lines[i]);
    if (line.kind == ProfileLine::Kind::Section && SameTextIgnoringCase(line.name, section)) return i;
  }
  return std::nullopt;
}

// One past the last line that belongs to the section whose header is at header.
std::size_t SectionEnd(const std::vector<std::string>& lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && Classify(lines[i]).kind != ProfileLine::Kind::Section) ++i;
  return i;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, std::size_t header,
                                   std::string_view key) {
  std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    ProfileLine line = Classify(lines[i]);
    if (line.kind == ProfileLine::Kind::Entry && SameTextIgnoringCase(line.name, key)) return i;
  }
  return std::nullopt;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// Names and values that would change the structure of the file when written are refused.
bool CanWrite(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (section.find(']') != section.npos || Trim(section) != section) return false;
  std::string_view name = Trim(key);
  if (name.empty() || name != key || key.find('=') != key.npos) return false;
  return name.front() != ';' && name.front() != '[';
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  return content;
}

void SetEntry(std::vector<std::string>& lines, const std::string& section, const std::string& key,
              const std::string& value) {
  const std::string entry = key + "=" + value;
  if (std::optional<std::size_t> header = FindSection(lines, section)) {
    if (std::optional<std::size_t> existing = FindKey(lines, *header, key)) {
      lines[*existing] = entry;
      return;
    }
    // After the section's last non-blank line, so blank lines before the next section stay.
    const std::size_t end = SectionEnd(lines, *header);
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < end; ++i)
      if (!Trim(lines[i]).empty()) insertAt = i + 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return;
  }
  lines.push_back("[" + section + "]");
  lines.push_back(entry);
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def) {
  std::string content;
  if (!ReadWholeFile(path, content)) return def;
  const std::vector<std::string> lines = SplitLines(content);
  std::optional<std::size_t> header = FindSection(lines, section);
  if (!header) return def;
  std::optional<std::size_t> entry = FindKey(lines, *header, key);
  if (!entry) return def;
  return std::string(Unquote(Classify(lines[*entry]).value));
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value) {
  return WriteProfileStrings(path, section, {{key, value}});
}

bool WriteProfileStrings(const std::string& path, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
  for (const auto& [key, value] : entries)
    if (!CanWrite(section, key, value)) return false;
  std::string content;
  // An existing file that cannot be read must not be replaced by one holding only these keys.
  if (!ReadWholeFile(path, content) && FileExists(path)) return false;
  std::vector<std::string> lines = SplitLines(content);
  for (const auto& [key, value] : entries) SetEntry(lines, section, key, value);
  return ReplaceFileContent(path, JoinLines(lines));
}

}  // namespace platform
