// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text that a tag stores without naming its encoding (ID3v1 fields, ID3v2 frames flagged as
// Latin-1). Japanese taggers write Shift_JIS there, iTunes and most others real Latin-1, a few
// UTF-8; the bytes themselves tell which.
#include <string>
#include <string_view>

namespace tags {

// The text as code page 932: bytes that are valid code page 932 are kept as they are;
// otherwise well-formed UTF-8 with at least one multi-byte character is decoded as UTF-8;
// otherwise the bytes are Windows-1252. Characters that code page 932 lacks become "?".
std::string LegacyTextToCp932(std::string_view bytes);

}  // namespace tags
