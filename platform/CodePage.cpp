// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CodePage.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace platform {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
// char16_t in memory, as iconv has to name it.
constexpr const char* kNativeUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// One conversion descriptor per direction and thread, opened on first use and kept for the
// thread's life. A descriptor carries state between calls, so threads never share one; every
// call that stops early resets it.
class IconvHandle {
public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }
  void reset() const { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

private:
  iconv_t handle_;
};

const IconvHandle& DecoderCp932() {
  thread_local const IconvHandle handle(kNativeUtf16, "CP932");
  return handle;
}

const IconvHandle& EncoderCp932() {
  thread_local const IconvHandle handle("CP932", kNativeUtf16);
  return handle;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Runs of plain ASCII need no iconv call: CP932 keeps 0x00-0x7F as they are in glibc's table.
std::size_t AsciiRunLength(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
  return end - pos;
}

std::size_t AsciiRunLength(std::u16string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && text[end] < 0x80) ++end;
  return end - pos;
}

// Decodes text[pos..] up to the end or to the first byte iconv refuses; returns the number
// of input bytes consumed. Output goes to out as UTF-16.
std::size_t DecodeRun(const IconvHandle& decoder, std::string_view text, std::size_t pos,
                      std::u16string& out) {
  char* in = const_cast<char*>(text.data() + pos);
  std::size_t inLeft = text.size() - pos;
  const std::size_t inStart = inLeft;
  char16_t buffer[512];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    std::size_t outLeft = sizeof(buffer);
    std::size_t result = iconv(decoder.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, (sizeof(buffer) - outLeft) / sizeof(char16_t));
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) {
      decoder.reset();
      break;
    }
  }
  return inStart - inLeft;
}

// Encodes text[pos..] up to the end or to the first character iconv refuses; returns the
// number of UTF-16 units consumed.
std::size_t EncodeRun(const IconvHandle& encoder, std::u16string_view text, std::size_t pos,
                      std::string& out) {
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data() + pos));
  std::size_t inLeft = (text.size() - pos) * sizeof(char16_t);
  const std::size_t inStart = inLeft;
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof(buffer);
    std::size_t result = iconv(encoder.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof(buffer) - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) {
      encoder.reset();
      break;
    }
  }
  return (inStart - inLeft) / sizeof(char16_t);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at pos (0 when none starts there),
// with its code point in cp. Ranges follow the Unicode table of well-formed byte sequences.
std::size_t WellFormedUtf8(std::string_view text, std::size_t pos, std::uint32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char b0 = byte(0);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (left < 2 || !IsContinuation(byte(1))) return 0;
    cp = ((b0 & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (left < 3) return 0;
    const unsigned char b1 = byte(1);
    const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
    if (b1 < low || b1 > high || !IsContinuation(byte(2))) return 0;
    cp = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (left < 4) return 0;
    const unsigned char b1 = byte(1);
    const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
    if (b1 < low || b1 > high || !IsContinuation(byte(2)) || !IsContinuation(byte(3))) return 0;
    cp = ((b0 & 0x07u) << 18) | ((b1 & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) |
         (byte(3) & 0x3Fu);
    return 4;
  }
  return 0;
}

// Length of the sequence at pos under Utf8Sequences::TwoOrThreeBytes (0 when malformed).
std::size_t TwoOrThreeByteUtf8(std::string_view text, std::size_t pos, std::uint32_t& cp) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  const std::size_t length = (b0 & 0x20) ? 3 : 2;
  if (text.size() - pos < length) return 0;
  std::uint32_t value = b0 & 0x1Fu;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[pos + k]);
    if (!IsContinuation(next)) return 0;
    value = value * 64 + (next & 0x3Fu);
  }
  cp = value & 0xFFFFu;
  return length;
}

}  // namespace

std::u16string Cp932ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const IconvHandle& decoder = DecoderCp932();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t ascii = AsciiRunLength(text, pos);
    for (std::size_t i = 0; i < ascii; ++i) out.push_back(static_cast<unsigned char>(text[pos + i]));
    pos += ascii;
    if (pos >= text.size()) break;
    if (decoder.valid()) pos += DecodeRun(decoder, text, pos, out);
    if (pos < text.size() && static_cast<unsigned char>(text[pos]) >= 0x80) {
      // Either iconv stopped here or it is unavailable: this one byte is undecodable.
      out.push_back(kReplacement);
      ++pos;
    }
  }
  return out;
}

std::string Utf16ToCp932(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  const IconvHandle& encoder = EncoderCp932();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t ascii = AsciiRunLength(text, pos);
    for (std::size_t i = 0; i < ascii; ++i) out.push_back(static_cast<char>(text[pos + i]));
    pos += ascii;
    if (pos >= text.size()) break;
    if (encoder.valid()) pos += EncodeRun(encoder, text, pos, out);
    if (pos < text.size() && text[pos] >= 0x80) {
      // iconv stopped at a character it cannot encode (or is unavailable): one "?" for it.
      const bool pair =
          IsHighSurrogate(text[pos]) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1]);
      out.push_back('?');
      pos += pair ? 2 : 1;
    }
  }
  return out;
}

std::vector<UnkeptChar> Cp932Unkept(std::u16string_view text) {
  std::vector<UnkeptChar> unkept;
  const std::string encoded = Utf16ToCp932(text);
  // Each character without a form adds one "?": the same count means nothing was lost.
  if (std::count(encoded.begin(), encoded.end(), '?') == std::count(text.begin(), text.end(), u'?')) return unkept;
  std::size_t line = 1;
  std::size_t column = 1;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char16_t unit = text[pos];
    const bool pair = IsHighSurrogate(unit) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1]);
    const std::size_t length = pair ? 2 : 1;
    if (unit == u'\r' || unit == u'\n') {
      const bool crlf = unit == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n';
      pos += crlf ? 2 : 1;
      ++line;
      column = 1;
      continue;
    }
    if (unit >= 0x80 && Utf16ToCp932(text.substr(pos, length)) == "?") {
      const char32_t code =
          pair ? 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[pos + 1] - 0xDC00) : unit;
      unkept.push_back({line, column, code});
    }
    pos += length;
    ++column;
  }
  return unkept;
}

std::u16string Utf8ToUtf16(std::string_view text, Utf8Malformed malformed, Utf8Sequences sequences) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = sequences == Utf8Sequences::WellFormed ? WellFormedUtf8(text, pos, cp)
                                                                      : TwoOrThreeByteUtf8(text, pos, cp);
    if (length == 0) {
      if (malformed == Utf8Malformed::End) break;
      out.push_back(kReplacement);
      ++pos;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    pos += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char16_t c = text[pos];
    if (IsHighSurrogate(c) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1])) {
      const std::uint32_t cp = 0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) +
                               (static_cast<std::uint32_t>(text[pos + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++pos;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

bool IsCp932Text(std::string_view text) {
  const IconvHandle& decoder = DecoderCp932();
  std::u16string scratch;
  std::size_t pos = 0;
  while (pos < text.size()) {
    pos += AsciiRunLength(text, pos);
    if (pos >= text.size()) break;
    if (!decoder.valid()) return false;
    scratch.clear();
    const std::size_t decoded = DecodeRun(decoder, text, pos, scratch);
    if (decoded == 0) return false;
    pos += decoded;
  }
  return true;
}

bool IsWellFormedUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = WellFormedUtf8(text, pos, cp);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::u16string Cp1252ToUtf16(std::string_view text) {
  // 0x80-0x9F; the rest of the code page is Latin-1.
  static constexpr char16_t High[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : static_cast<char16_t>(byte));
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view text) { return Utf16ToUtf8(Cp932ToUtf16(text)); }

std::string Utf8ToCp932(std::string_view text) { return Utf16ToCp932(Utf8ToUtf16(text)); }

std::size_t CharPrev(std::string_view text, std::size_t pos) {
  if (pos > text.size()) pos = text.size();
  std::size_t previous = 0;
  std::size_t current = 0;
  while (current < pos) {
    previous = current;
    current = CharNext(text, current);
  }
  return previous;
}

bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<unsigned char>(a[i]))) {
      // A lead byte is equal only to itself, and its trail byte is compared as it is.
      if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
    } else if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) {
      return false;
    }
  }
  return true;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;  // the trail byte may look like a-z but is part of the character
    } else {
      out[i] = UpperAsciiChar(out[i]);
    }
  }
  return out;
}

}  // namespace platform
