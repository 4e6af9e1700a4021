// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Code page 932 (Shift_JIS as Windows has it), UTF-16 and UTF-8 conversions, and the
// double-byte character helpers. Working text inside the program is code page 932 in
// std::string; wide text is std::u16string; the system's UTF-8 appears only at the edges.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Code page 932 -> UTF-16. Bytes iconv cannot decode (0x80, 0xA0, 0xFD-0xFF, a lead byte
// without a valid trail byte, a lead byte at the end) become one U+FFFD each.
std::u16string Cp932ToUtf16(std::string_view text);
// UTF-16 -> code page 932. A character without a code page 932 form becomes "?"
// (a surrogate pair is one character; a lone surrogate is one "?").
std::string Utf16ToCp932(std::u16string_view text);

// A character that code page 932 cannot hold, where it stands in its text.
struct UnkeptChar {
  std::size_t line = 0;    // from 1; CR LF, a lone CR and a lone LF each end a line
  std::size_t column = 0;  // from 1, in characters (a surrogate pair is one)
  char32_t code = 0;       // a lone surrogate is itself
  bool operator==(const UnkeptChar&) const = default;
};
// Every character of text that Utf16ToCp932 would turn into "?" (a "?" of the text itself is
// kept), in the order of the text.
std::vector<UnkeptChar> Cp932Unkept(std::u16string_view text);

// What UTF-8 decoding does at a byte that does not begin a well-formed sequence (an
// overlong form, a surrogate, a stray or missing continuation byte, a sequence cut short).
enum class Utf8Malformed {
  Replace,  // the byte decodes to one U+FFFD and decoding goes on
  End,      // the text ends there (a value cut inside a character keeps what came before)
};
// Which byte sequences decode as characters.
enum class Utf8Sequences {
  // Standard UTF-8: one to four bytes; overlong forms, surrogates and values past U+10FFFF
  // are malformed.
  WellFormed,
  // The rule of older tag writers, which Vorbis comments are read with: a lead byte (any
  // byte from 0x80) with bit 5 set starts three bytes, any other two; the following bytes
  // must lie in 0x80-0xBF and nothing else is checked; a character keeps its low 16 bits.
  TwoOrThreeBytes,
};
// UTF-8 codec.
std::u16string Utf8ToUtf16(std::string_view text, Utf8Malformed malformed = Utf8Malformed::Replace,
                           Utf8Sequences sequences = Utf8Sequences::WellFormed);
std::string Utf16ToUtf8(std::u16string_view text);

// Whether every byte of the text decodes as code page 932 (no byte that Cp932ToUtf16 would
// replace). Plain ASCII always does.
bool IsCp932Text(std::string_view text);
// Whether the text is well-formed UTF-8 throughout (Utf8Sequences::WellFormed).
bool IsWellFormedUtf8(std::string_view text);
// Windows-1252 -> UTF-16. The five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D)
// stand for the control characters of the same value, as Windows decodes them.
std::u16string Cp1252ToUtf16(std::string_view text);

// Shortcuts through UTF-16.
std::string Cp932ToUtf8(std::string_view text);
std::string Utf8ToCp932(std::string_view text);

// A Japanese literal written in UTF-8 in the source, as code page 932 text.
// Intended for messages: convert once, e.g. static const std::string m = Sjis("...").
inline std::string Sjis(std::string_view utf8Literal) { return Utf8ToCp932(utf8Literal); }

// Lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
inline bool IsDBCSLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// Index of the character after the one starting at pos (a lead byte with a trail byte
// counts as one character); never beyond text.size().
inline std::size_t CharNext(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  if (IsDBCSLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return pos + 2;
  return pos + 1;
}
// Index of the character before pos (0 when pos is 0), walking from the start.
std::size_t CharPrev(std::string_view text, std::size_t pos);
// Upper-cases ASCII a-z only; every other byte, trail bytes included, stays as it is.
std::string UpperAscii(std::string_view text);
// The one comparison of names and keys that ignores letter case: equal after UpperAscii.
bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b);
inline char UpperAsciiChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace platform
