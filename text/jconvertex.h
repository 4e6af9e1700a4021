// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversions among ISO-2022-JP, EUC-JP and Shift_JIS by arithmetic, and the dispatcher that
// converts between any two encodings (Unicode ones through code page 932).
#include <cstddef>
#include <string>
#include <string_view>

#include "text/jconvert.h"
#include "text/unit_string2.h"

// Two bytes of a double-byte character.
struct TJisPair {
  unsigned char first = 0;
  unsigned char second = 0;
  bool operator==(const TJisPair&) const = default;
};

// One character between JIS and Shift_JIS; all arithmetic on bytes, no validation.
TJisPair JisToSjisChar(unsigned char j1, unsigned char j2);
TJisPair SjisToJisChar(unsigned char s1, unsigned char s2);

// The half-width katakana at text[pos] (Shift_JIS) or after the 0x8E at text[pos] (EUC) as a
// full-width JIS pair, absorbing a following voiced or semi-voiced sound mark where one
// combines. pos moves past what was consumed.
TJisPair SjisKanaToJis(std::string_view text, std::size_t& pos);
TJisPair EucKanaToJis(std::string_view text, std::size_t& pos);

std::string JisToEuc(std::string_view text);
std::string EucToJis(std::string_view text);
std::string JisToSjis(std::string_view text);
std::string EucToSjis(std::string_view text);
std::string SjisToJis(std::string_view text);
std::string SjisToEuc(std::string_view text);

// Converts text from source to target; a negative source is detected first. ASCII, unknown,
// pass-through and equal codes return the text unchanged. Errors of the UTF-8 decoding
// (platform::Error) reach the caller.
std::string ConvertTextCode(std::string_view text, TextCode target, TextCode source = jcAuto);
