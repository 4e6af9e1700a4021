// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Guessing the Japanese encoding of a byte string.
#include <cstddef>
#include <string_view>

// The integer that names a text encoding.
using TextCode = int;

constexpr TextCode jcAuto = -1;     // as a source: detect it
constexpr TextCode jcASCII = 0;     // no Japanese content found
constexpr TextCode jcUnknown = 1;   // empty or undecided
constexpr TextCode jcJIS = 2;       // ISO-2022-JP
constexpr TextCode jcJIS2 = 3;      // ISO-2022-JP, second variant; converted like jcJIS
constexpr TextCode jcEUC = 4;       // EUC-JP
constexpr TextCode jcSJIS = 5;      // Shift_JIS (code page 932)
constexpr TextCode jcPass = 6;      // never detected; leaves the text unchanged
constexpr TextCode jcUTF16LE = 7;   // starts with FF FE
constexpr TextCode jcUTF16BE = 8;   // starts with FE FF
constexpr TextCode jcUTF8BOM = 9;   // starts with EF BB BF
constexpr TextCode jcUTF8 = 10;     // UTF-8 without signature

// Detection looks at no more than this many leading bytes.
constexpr int DetectLimit = 512;

// Names the encoding of the text by looking at its first DetectLimit bytes. Never fails and
// never reads outside the text.
TextCode DetectTextCode(std::string_view text);

// The position of the first byte that is not plain ASCII (0x80 and above) or is an escape
// (0x1B); the size of the text when there is none.
std::size_t FirstNonAsciiOrEscape(std::string_view text);

// DetectTextCode for a whole file: when the leading bytes tell nothing (ASCII or undecided),
// the text is judged again from its first byte that is not plain ASCII or is an escape, so
// that Japanese after a long English verse is still recognised.
TextCode DetectTextCodeBeyondAscii(std::string_view text);
