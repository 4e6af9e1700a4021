// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/unit_string2.h"

#include <cstring>

#include "platform/CodePage.h"
#include "platform/Error.h"

namespace {

constexpr char kUtf8Signature[] = "\xEF\xBB\xBF";

enum class ByteOrder { Little, Big };

// Reads 16-bit units until a zero unit or the end; an odd last byte gets a zero partner.
std::u16string ReadUnits(std::string_view bytes, ByteOrder order) {
  std::u16string units;
  units.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]);
    const unsigned second = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
    const char16_t unit = order == ByteOrder::Little ? static_cast<char16_t>(first | (second << 8))
                                                     : static_cast<char16_t>((first << 8) | second);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

std::u16string_view UpToFirstZero(std::u16string_view units) {
  const std::size_t zero = units.find(u'\0');
  return zero == std::u16string_view::npos ? units : units.substr(0, zero);
}

void AppendUnit(std::string& out, char16_t unit, ByteOrder order) {
  const char low = static_cast<char>(unit & 0xFF);
  const char high = static_cast<char>(unit >> 8);
  if (order == ByteOrder::Little) {
    out.push_back(low);
    out.push_back(high);
  } else {
    out.push_back(high);
    out.push_back(low);
  }
}

bool StartsWithUtf8Signature(std::string_view bytes) {
  return bytes.size() >= 3 && bytes.substr(0, 3) == kUtf8Signature;
}

}  // namespace

void TMemoryStream::Write(const void* data, std::size_t count) {
  if (count == 0) return;
  if (position_ + count > data_.size()) data_.resize(position_ + count);
  std::memcpy(data_.data() + position_, data, count);
  position_ += count;
}

std::string Utf16LEToSjis(std::string_view utf16le) {
  if (utf16le.empty()) return std::string();
  return platform::Utf16ToCp932(ReadUnits(utf16le, ByteOrder::Little));
}

std::string Utf16BEToSjis(std::string_view utf16be) {
  if (utf16be.empty()) return std::string();
  return platform::Utf16ToCp932(ReadUnits(utf16be, ByteOrder::Big));
}

std::string SjisToUtf16LE(std::string_view sjis) {
  const std::u16string units = platform::Cp932ToUtf16(sjis);
  std::string out;
  out.reserve(2 + units.size() * 2);
  out.append("\xFF\xFE");
  for (char16_t unit : units) AppendUnit(out, unit, ByteOrder::Little);
  return out;
}

void WriteUtf16BE(TMemoryStream* stream, std::string_view sjis) {
  if (stream == nullptr) {
    static const std::string message = platform::Sjis("無効なMemoryStream.");
    throw platform::Error(message);
  }
  const std::u16string units = platform::Cp932ToUtf16(sjis);
  const std::u16string_view written = UpToFirstZero(units);
  std::string bytes;
  bytes.reserve(2 + written.size() * 2);
  bytes.append("\xFE\xFF");
  for (char16_t unit : written) AppendUnit(bytes, unit, ByteOrder::Big);
  stream->Write(bytes.data(), bytes.size());
}

std::string SjisToUtf16BE(std::string_view sjis) {
  TMemoryStream stream;
  stream.Reserve(2 + sjis.size() * 2);
  WriteUtf16BE(&stream, sjis);
  return stream.Data();
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::string copy;
  copy.reserve(utf8.size() + 2);
  copy.append(utf8);
  copy.append(2, '\0');
  const std::u16string units = platform::Utf8ToUtf16(copy);
  if (units.empty()) {
    static const std::string message = platform::Sjis("UTF8の文字列変換に失敗しました.");
    throw platform::Error(message);
  }
  return platform::Utf16ToCp932(UpToFirstZero(units));
}

std::string Utf8BomToSjis(std::string_view utf8) {
  if (StartsWithUtf8Signature(utf8)) utf8.remove_prefix(3);
  return Utf8ToSjis(utf8);
}

std::string SjisToUtf8(std::string_view sjis) {
  const std::u16string units = platform::Cp932ToUtf16(sjis);
  return platform::Utf16ToUtf8(UpToFirstZero(units));
}

std::string SjisToUtf8Bom(std::string_view sjis) {
  std::string out(kUtf8Signature);
  out.append(SjisToUtf8(sjis));
  return out;
}

