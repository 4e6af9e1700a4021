// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/OpenedText.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "text/jconvert.h"
#include "text/jconvertex.h"

namespace library {

namespace {

bool IsUtf16(TextCode code) { return code == jcUTF16LE || code == jcUTF16BE; }

}  // namespace

std::string OpenedFileText(std::string_view bytes, const std::string& displayPath) {
  const TextCode code = DetectTextCodeBeyondAscii(bytes);
  if (!IsUtf16(code) && std::memchr(bytes.data(), 0, std::min(bytes.size(), kBinaryProbeBytes)) != nullptr) {
    throw platform::Error(platform::Sjis("テキストファイルではないため開けません。\r\n") + displayPath);
  }
  // The UTF-16 readers keep a byte-order mark as a character; the UTF-8 one drops it.
  if (IsUtf16(code)) bytes.remove_prefix(2);
  return ConvertTextCode(bytes, jcSJIS, code);
}

}  // namespace library
