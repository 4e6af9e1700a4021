// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a file the user opens in the lyrics editor, whatever its Japanese encoding.
#include <cstddef>
#include <string>
#include <string_view>

namespace library {

// A zero byte within this many leading bytes marks a file as not text (unless it is UTF-16).
constexpr std::size_t kBinaryProbeBytes = 8 * 1024;

// The bytes of an opened file as code page 932: the encoding detected (judged again from the
// first byte that is not plain ASCII when the leading bytes tell nothing) and converted, a
// leading byte-order mark dropped. Throws platform::Error naming displayPath (code page 932)
// for a file that is plainly not text.
std::string OpenedFileText(std::string_view bytes, const std::string& displayPath);

}  // namespace library
