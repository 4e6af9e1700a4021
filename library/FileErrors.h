// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The errors the library raises about files: a Japanese message that names the file and the
// system's reason.
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "platform/Error.h"

namespace library {

// The system's reason for an errno value as code page 932 text: Japanese for the reasons a
// user meets (missing file, permission, no space, read-only, device gone, name too long, I/O
// error), the C library's own text for the rest.
std::string SystemReason(int reason);

// what: what failed, as a UTF-8 literal (e.g. "ファイルに書き込めません。"); path: a system
// path, shown in its code page 932 form; reason: an errno value. Gives "WHAT\r\nPATH\r\n(REASON)"
// in code page 932, with SystemReason as REASON; the C library's English text goes to a log
// line on standard error.
platform::Error FileError(const char* whatUtf8, const std::string& path, int reason);

// The whole content of a file the user writes (lyrics, list files), read only as a regular
// file and never through a symbolic link; nothing when it does not exist. A link, folder,
// FIFO, socket or device in its place is refused with an error naming it, without reading
// from it; any other failure raises FileError.
std::optional<std::string> ReadRegularFileOrThrow(const std::string& path);
// Whether a failed regular-file read (reason: its errno) met something that is not a
// regular file, and the error that refuses it by name.
bool IsNotRegularFile(int reason);
platform::Error NotRegularFileError(const std::string& path);

// Creates folder (and missing parents) when it does not exist; throws FileError otherwise.
void EnsureFolder(const std::string& folder);
// Replaces the whole file atomically; throws FileError when it cannot.
void ReplaceFileOrThrow(const std::string& path, const std::string& content);
// The same with the content given as pieces, written one after the other.
void ReplaceFileOrThrow(const std::string& path, std::span<const std::string> pieces);

// Removes the temporary files an interrupted write left in the data folder and in its
// MusicDatas folder (only names of the program's temporary pattern that no write holds).
// appDir: the data folder, ending with "/".
std::size_t RemoveDataFolderTemporaries(const std::string& appDir);

}  // namespace library
