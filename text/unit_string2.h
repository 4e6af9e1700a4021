// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversions between the working text (code page 932) and UTF-16 / UTF-8 held as raw bytes.
#include <cstddef>
#include <string>
#include <string_view>

// A growable in-memory byte buffer with a size and a position, written sequentially.
class TMemoryStream {
public:
  // Writes count bytes at the position (growing the buffer as needed) and moves past them.
  void Write(const void* data, std::size_t count);
  void Reserve(std::size_t count) { data_.reserve(count); }
  std::size_t Size() const { return data_.size(); }
  std::size_t Position() const { return position_; }
  void Seek(std::size_t position) { position_ = position; }
  // The whole content from the first byte.
  const std::string& Data() const { return data_; }

private:
  std::string data_;
  std::size_t position_ = 0;
};

// UTF-16 bytes (little- or big-endian) up to the first zero unit -> working text. A leading
// byte-order mark is converted like any other unit; an odd last byte is completed by a zero byte.
std::string Utf16LEToSjis(std::string_view utf16le);
std::string Utf16BEToSjis(std::string_view utf16be);

// Working text -> FF FE and every UTF-16LE unit.
std::string SjisToUtf16LE(std::string_view sjis);
// Working text -> FE FF and the UTF-16BE units up to the first zero unit.
std::string SjisToUtf16BE(std::string_view sjis);
// Appends FE FF and the UTF-16BE units of the text up to its first zero unit to the stream.
// Throws platform::Error when no stream is given.
void WriteUtf16BE(TMemoryStream* stream, std::string_view sjis);

// UTF-8 (lenient decoding) -> working text; a zero byte ends the text. Throws platform::Error
// when the decoder gives no units.
std::string Utf8ToSjis(std::string_view utf8);
// The same after removing a leading EF BB BF, if there is one.
std::string Utf8BomToSjis(std::string_view utf8);

// Working text (up to its first zero unit) -> UTF-8 without signature.
std::string SjisToUtf8(std::string_view sjis);
// EF BB BF followed by SjisToUtf8 of the text.
std::string SjisToUtf8Bom(std::string_view sjis);

