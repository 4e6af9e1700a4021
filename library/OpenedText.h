// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a file the user opens in the lyrics editor, whatever its Japanese encoding.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "text/jconvert.h"

namespace library {

// A zero byte within this many leading bytes marks a file as not text (unless it is UTF-16).
constexpr std::size_t kBinaryProbeBytes = 8 * 1024;

// An opened file as code page 932, and what of it could not be kept: characters the
// encoding has and code page 932 lacks (now "?"), and bytes that are not a character of
// the file's encoding (now U+FFFD where the text is shown).
struct OpenedText {
  std::string text;
  std::vector<platform::UnkeptChar> unkept;
};

// The bytes of an opened file as code page 932: the encoding detected (judged again from the
// first byte that is not plain ASCII when the leading bytes tell nothing) and converted, a
// leading byte-order mark dropped. Throws platform::Error naming displayPath (code page 932)
// for a file that is plainly not text.
OpenedText OpenTextFile(std::string_view bytes, const std::string& displayPath);
// OpenTextFile's text alone.
std::string OpenedFileText(std::string_view bytes, const std::string& displayPath);

// The text as UTF-16 when code is a Unicode encoding (its signature skipped), else nothing.
std::optional<std::u16string> UnicodeForm(std::string_view bytes, TextCode code);

}  // namespace library
