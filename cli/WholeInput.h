// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a whole input of a command-line tool: standard input or a file named on the command
// line (a system path). Each tool words its own message from the errno value handed back.
#include <cerrno>
#include <cstdio>
#include <string>

namespace cli {

// Appends everything left in stream to content; false when a read fails (errno tells why).
inline bool ReadStream(std::FILE* stream, std::string& content) {
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), stream)) > 0) content.append(buffer, got);
  return !std::ferror(stream);
}

// The whole of the file at path, or of standard input when path is null. False when it cannot
// be opened or read; reason is then the errno value of the failure.
inline bool ReadWholeInput(const char* path, std::string& content, int& reason) {
  content.clear();
  if (path == nullptr) {
    const bool ok = ReadStream(stdin, content);
    reason = errno;
    return ok;
  }
  std::FILE* stream = std::fopen(path, "rb");
  if (stream == nullptr) {
    reason = errno;
    return false;
  }
  const bool ok = ReadStream(stream, content);
  reason = errno;
  std::fclose(stream);
  return ok;
}

}  // namespace cli
