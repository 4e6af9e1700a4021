// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Byte-order readers, appenders and text trimming shared by the tag readers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace tagbytes {

// Unsigned little-endian values at p.
inline std::uint16_t Le16At(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Le32At(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

inline std::uint64_t Le64At(const std::uint8_t* p) {
  return std::uint64_t{Le32At(p)} | (std::uint64_t{Le32At(p + 4)} << 32);
}

// Unsigned big-endian values at p.
inline std::uint16_t Be16At(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t Be24At(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

inline std::uint32_t Be32At(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline std::uint64_t Be64At(const std::uint8_t* p) {
  return (std::uint64_t{Be32At(p)} << 32) | Be32At(p + 4);
}

// Appends the four bytes of value to out.
inline void AppendLe32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

inline void AppendBe32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// True for the code units 0 to 32: control characters, zero padding and the space. Units
// are compared unsigned, so that a lead byte of a double-byte character is never blank.
template <class CharT>
constexpr bool IsControlOrSpace(CharT c) {
  return static_cast<std::make_unsigned_t<CharT>>(c) <= 32;
}

template <class CharT>
std::basic_string_view<CharT> TrimControlUnits(std::basic_string_view<CharT> text) {
  while (!text.empty() && IsControlOrSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsControlOrSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The text without the runs of code units 0 to 32 at both ends.
inline std::string_view TrimControl(std::string_view text) { return TrimControlUnits(text); }
inline std::u16string_view TrimControl(std::u16string_view text) { return TrimControlUnits(text); }

// A trimmed copy of the text (see TrimControl).
inline std::string Trimmed(std::string_view text) { return std::string(TrimControl(text)); }
inline std::u16string Trimmed(std::u16string_view text) { return std::u16string(TrimControl(text)); }

// The text trimmed, cut at its first zero byte and trimmed again: a terminator followed by
// leftovers or by further values ends the text.
inline std::string_view TextBeforeZero(std::string_view bytes) {
  std::string_view text = TrimControl(bytes);
  return TrimControl(text.substr(0, text.find('\0')));
}

// An optionally signed decimal number of at most ten digits that fits 32 bits; 0 for
// anything else (also for more digits, leading zeros among them).
inline std::int64_t PlainNumberOrZero(std::string_view text) {
  std::size_t pos = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (pos == text.size() || text.size() - pos > 10) return 0;
  std::int64_t value = 0;
  for (std::size_t i = pos; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  if (text[0] == '-') value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return 0;
  return value;
}

// A whole text of an optional sign and decimal digits, any number of them, as a 32-bit
// integer; 0 otherwise.
template <class CharT>
std::int32_t WholeDecimalOrZero(std::basic_string_view<CharT> text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == CharT('+') || text[i] == CharT('-'))) negative = text[i++] == CharT('-');
  if (i == text.size()) return 0;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < CharT('0') || text[i] > CharT('9')) return 0;
    value = value * 10 + (text[i] - CharT('0'));
    if (value > std::int64_t{INT32_MAX} + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

// value in a narrower field whose largest value stands for anything larger (a file size, a
// sample count); values that fit pass unchanged.
template <class Field>
Field CappedTo(std::int64_t value) {
  return static_cast<Field>(std::min<std::int64_t>(value, std::numeric_limits<Field>::max()));
}

// How RoundToWord treats a rounded value outside 0 to 65535.
enum class WordOverflow {
  Clamp,     // to 0 or 65535 (a bit rate shown in kbit/s)
  KeepLow16  // its low 16 bits, as a 16-bit field that takes the rounded value would
};

// value rounded to the nearest integer (halves to the even neighbour) as a 16-bit word;
// NaN gives 0, and so do infinities and values beyond 64 bits when the low 16 bits are kept.
inline std::uint16_t RoundToWord(double value, WordOverflow overflow) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (overflow == WordOverflow::Clamp) {
    if (rounded <= 0) return 0;
    return rounded >= 65535 ? 65535 : static_cast<std::uint16_t>(rounded);
  }
  if (!(rounded < 9.2e18 && rounded > -9.2e18)) return 0;
  return static_cast<std::uint16_t>(static_cast<std::int64_t>(rounded) & 0xFFFF);
}

// A 28-bit syncsafe number of four bytes. The bytes are taken whole: a writer that did not
// keep them 7-bit still gets the value its bytes add up to.
inline std::uint32_t Syncsafe32At(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 21) + (std::uint32_t{p[1]} << 14) + (std::uint32_t{p[2]} << 7) + p[3];
}

}  // namespace tagbytes
