// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/LegacyText.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace tags {

std::string LegacyTextToCp932(std::string_view bytes) {
  const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || platform::IsCp932Text(bytes)) return std::string(bytes);
  // Not ASCII, so well-formed UTF-8 here has a multi-byte character.
  if (platform::IsWellFormedUtf8(bytes)) return platform::Utf8ToCp932(bytes);
  return platform::Utf16ToCp932(platform::Cp1252ToUtf16(bytes));
}

}  // namespace tags
