// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/OpenedText.h"

#include <algorithm>
#include <cstring>

#include "platform/Error.h"
#include "text/jconvertex.h"

namespace library {

namespace {

bool IsUtf16(TextCode code) { return code == jcUTF16LE || code == jcUTF16BE; }

// Where the code page 932 text shows U+FFFD: bytes that were no character.
std::vector<platform::UnkeptChar> Undecodable(const std::string& cp932) {
  std::vector<platform::UnkeptChar> found;
  std::size_t line = 1;
  std::size_t column = 1;
  const std::u16string wide = platform::Cp932ToUtf16(cp932);
  for (std::size_t pos = 0; pos < wide.size(); ++pos) {
    const char16_t unit = wide[pos];
    if (unit == u'\r' || unit == u'\n') {
      if (unit == u'\r' && pos + 1 < wide.size() && wide[pos + 1] == u'\n') ++pos;
      ++line;
      column = 1;
      continue;
    }
    if (unit == u'\uFFFD') found.push_back({line, column, unit});
    ++column;
  }
  return found;
}

}  // namespace

std::optional<std::u16string> UnicodeForm(std::string_view bytes, TextCode code) {
  if (code == jcUTF8) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return platform::Utf8ToUtf16(bytes);
  }
  if (code == jcUTF8BOM) return platform::Utf8ToUtf16(bytes.substr(std::min<std::size_t>(3, bytes.size())));
  if (!IsUtf16(code)) return std::nullopt;
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    wide += static_cast<char16_t>(code == jcUTF16LE ? first | second << 8 : first << 8 | second);
  }
  return wide;
}

OpenedText OpenTextFile(std::string_view bytes, const std::string& displayPath) {
  const TextCode code = DetectTextCodeBeyondAscii(bytes);
  if (!IsUtf16(code) && std::memchr(bytes.data(), 0, std::min(bytes.size(), kBinaryProbeBytes)) != nullptr) {
    throw platform::Error(platform::Sjis("テキストファイルではないため開けません。\r\n") + displayPath);
  }
  OpenedText opened;
  // The UTF-16 readers keep a byte-order mark as a character; the UTF-8 one drops it.
  opened.text = ConvertTextCode(IsUtf16(code) ? bytes.substr(2) : bytes, jcSJIS, code);
  if (const std::optional<std::u16string> wide = UnicodeForm(bytes, code))
    opened.unkept = platform::Cp932Unkept(*wide);
  else
    opened.unkept = Undecodable(opened.text);
  return opened;
}

std::string OpenedFileText(std::string_view bytes, const std::string& displayPath) {
  return OpenTextFile(bytes, displayPath).text;
}

}  // namespace library
