// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FileErrors.h"

#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace library {

platform::Error FileError(const char* whatUtf8, const std::string& path, int reason) {
  std::string message = platform::Sjis(whatUtf8) + "\r\n" + path;
  if (reason != 0) message += "\r\n(" + platform::Utf8ToCp932(std::strerror(reason)) + ")";
  return platform::Error(message);
}

void EnsureFolder(const std::string& folder) {
  if (platform::DirectoryExists(folder)) return;
  errno = 0;
  if (!platform::ForceDirectories(folder)) throw FileError("フォルダを作成できません。", folder, errno);
}

void ReplaceFileOrThrow(const std::string& path, const std::string& content) {
  errno = 0;
  if (!platform::ReplaceFileContent(path, content)) throw FileError("ファイルに書き込めません。", path, errno);
}

}  // namespace library
