// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LrcText.h"

#include <cctype>
#include <vector>

#include "library/TextLines.h"
#include "platform/CodePage.h"

namespace library {

namespace {

constexpr std::size_t kNoTag = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t SkipDigits(std::string_view line, std::size_t pos) {
  while (pos < line.size() && IsDigit(line[pos])) ++pos;
  return pos;
}

// The end of a time tag opened by `open` at pos ("[mm:ss]", "[mm:ss.xx]", "[mm:ss:xx]"),
// or kNoTag. pos is the start of a character; the tag is ASCII throughout.
std::size_t TimeTagEnd(std::string_view line, std::size_t pos, char open, char close) {
  if (pos >= line.size() || line[pos] != open) return kNoTag;
  std::size_t at = SkipDigits(line, pos + 1);
  if (at == pos + 1 || at >= line.size() || line[at] != ':') return kNoTag;
  const std::size_t seconds = at + 1;
  at = SkipDigits(line, seconds);
  if (at == seconds) return kNoTag;
  if (at < line.size() && (line[at] == '.' || line[at] == ':')) {
    const std::size_t fraction = at + 1;
    at = SkipDigits(line, fraction);
    if (at == fraction) return kNoTag;
  }
  return at < line.size() && line[at] == close ? at + 1 : kNoTag;
}

// True for a whole line that is one ID tag: "[" letters (or "#") ":" anything "]". The
// closing bracket is looked for character by character, as 0x5D is also a trail byte.
bool IsIdTagLine(std::string_view line) {
  if (line.empty() || line[0] != '[') return false;
  std::size_t at = 1;
  while (at < line.size() && (std::isalpha(static_cast<unsigned char>(line[at])) || line[at] == '#')) ++at;
  if (at == 1 || at >= line.size() || line[at] != ':') return false;
  std::size_t close = kNoTag;
  for (std::size_t pos = at + 1; pos < line.size(); pos = platform::CharNext(line, pos))
    if (line[pos] == ']') close = pos;
  if (close == kNoTag) return false;
  for (std::size_t pos = close + 1; pos < line.size(); ++pos)
    if (!IsBlank(line[pos])) return false;
  return true;
}

// A line without its leading time tags (and the blanks after them) and its word tags.
std::string LineWithoutTags(std::string_view line) {
  std::size_t pos = 0;
  for (std::size_t end; (end = TimeTagEnd(line, pos, '[', ']')) != kNoTag;) {
    pos = end;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
  }
  std::string out;
  while (pos < line.size()) {
    const std::size_t end = TimeTagEnd(line, pos, '<', '>');
    if (end != kNoTag) {
      pos = end;
      continue;
    }
    const std::size_t next = platform::CharNext(line, pos);
    out.append(line.substr(pos, next - pos));
    pos = next;
  }
  return out;
}

bool IsBlankLine(std::string_view line) {
  for (char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

}  // namespace

bool LooksLikeLrc(std::string_view text) {
  LineWalker lines(text);
  for (std::string_view line; lines.Next(line);)
    if (TimeTagEnd(line, 0, '[', ']') != kNoTag) return true;
  return false;
}

std::string LyricsFromLrc(std::string_view text) {
  if (!LooksLikeLrc(text)) return std::string(text);
  std::vector<std::string> kept;
  bool atTop = true;
  LineWalker lines(text);
  for (std::string_view line; lines.Next(line);) {
    if (atTop && (IsIdTagLine(line) || IsBlankLine(line))) continue;
    atTop = false;
    kept.push_back(LineWithoutTags(line));
  }
  while (!kept.empty() && IsBlankLine(kept.back())) kept.pop_back();
  std::string out;
  for (const std::string& line : kept) out += line + "\r\n";
  return out;
}

}  // namespace library
