// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The errors the library raises about files: a Japanese message that names the file and the
// system's reason.
#include <string>

#include "platform/Error.h"

namespace library {

// what: what failed, as a UTF-8 literal (e.g. "ファイルに書き込めません。"); path: code
// page 932; reason: an errno value. Gives "WHAT\r\nPATH\r\n(REASON)" in code page 932.
platform::Error FileError(const char* whatUtf8, const std::string& path, int reason);

// Creates folder (and missing parents) when it does not exist; throws FileError otherwise.
void EnsureFolder(const std::string& folder);
// Replaces the whole file atomically; throws FileError when it cannot.
void ReplaceFileOrThrow(const std::string& path, const std::string& content);

}  // namespace library
