// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PlayerNames.h"

#include <string_view>

#include "platform/CodePage.h"

namespace library {

namespace {

constexpr std::size_t kMaxNameUtf8Bytes = 240;

bool IsRefusedByFat(unsigned char c) {
  if (c < 0x20) return true;
  switch (c) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
      return true;
    default:
      return false;
  }
}

// A code page 932 character never takes more than three bytes in UTF-8.
constexpr std::size_t kMaxUtf8BytesPerCp932Byte = 3;

std::size_t Utf8Length(std::string_view cp932Character) {
  if (cp932Character.size() == 1 && static_cast<unsigned char>(cp932Character[0]) < 0x80) return 1;
  return platform::Cp932ToUtf8(cp932Character).size();
}

// Cuts name at a character boundary so that its UTF-8 form has at most limit bytes.
std::string CutToUtf8Bytes(std::string name, std::size_t limit) {
  if (name.size() * kMaxUtf8BytesPerCp932Byte <= limit) return name;
  std::size_t used = 0;
  std::size_t pos = 0;
  while (pos < name.size()) {
    const std::size_t next = platform::CharNext(name, pos);
    used += Utf8Length(std::string_view(name).substr(pos, next - pos));
    if (used > limit) break;
    pos = next;
  }
  name.resize(pos);
  return name;
}

bool IsTabOrLineBreak(char c) { return c == '\t' || c == '\r' || c == '\n'; }

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Decoding gives one U+FFFD for each byte that is not part of a valid character and goes on
// at the next byte; no valid code page 932 character decodes to U+FFFD.
std::string WithInvalidBytesReplaced(const std::string& text) {
  if (IsAscii(text)) return text;
  const std::u16string decoded = platform::Cp932ToUtf16(text);
  std::string name;
  name.reserve(text.size());
  std::size_t in = 0;
  for (const char16_t unit : decoded) {
    if (in >= text.size()) break;
    if (unit == u'\uFFFD') {
      name.push_back('_');
      ++in;
      continue;
    }
    const std::size_t next = platform::CharNext(text, in);
    name.append(text, in, next - in);
    in = next;
  }
  if (in < text.size()) name.append(text, in, std::string::npos);
  return name;
}

// FAT drops a trailing dot and refuses a trailing space; neither byte can be a trail byte.
std::string WithoutTrailingSpaceOrDot(std::string name) {
  if (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.back() = '_';
  return name;
}

}  // namespace

void SpacesForTabsAndLineBreaks(std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i)
    if (IsTabOrLineBreak(text[i])) text[i] = ' ';
}

std::string PlayerSafeName(const std::string& text) {
  std::string name = WithInvalidBytesReplaced(text);
  SpacesForTabsAndLineBreaks(name);
  for (std::size_t pos = 0; pos < name.size(); pos = platform::CharNext(name, pos)) {
    const auto c = static_cast<unsigned char>(name[pos]);
    if (platform::IsDBCSLeadByte(c) && pos + 1 < name.size()) continue;  // its trail byte stays
    if (IsRefusedByFat(c)) name[pos] = '_';
  }
  return CutToUtf8Bytes(std::move(name), kMaxNameUtf8Bytes);
}

std::string NotesFolderName(const std::string& album) { return WithoutTrailingSpaceOrDot(PlayerSafeName(album)); }

std::string NotesPageName(const std::string& title) {
  std::string name = WithoutTrailingSpaceOrDot(PlayerSafeName(title));
  return name.empty() ? std::string("_") : name;
}

}  // namespace library
