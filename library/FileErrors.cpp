// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FileErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/DirHandle.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

const char* JapaneseReason(int reason) {
  switch (reason) {
    case ENOENT: return "ファイルまたはフォルダが見つかりません";
    case EACCES:
    case EPERM: return "アクセスが拒否されました";
    case ENOSPC:
    case EDQUOT: return "ディスクの空き容量が足りません";
    case EROFS: return "読み取り専用のディスクです";
    case ENODEV:
    case ENXIO: return "デバイスが取り外されました";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EIO: return "ディスクの読み書きでエラーが起きました";
    default: return nullptr;
  }
}

}  // namespace

std::string SystemReason(int reason) {
  if (const char* japanese = JapaneseReason(reason)) return platform::Sjis(japanese);
  return platform::Utf8ToCp932(std::strerror(reason));
}

platform::Error FileError(const char* whatUtf8, const std::string& path, int reason) {
  std::string message = platform::Sjis(whatUtf8) + "\r\n" + platform::DisplayPath(path);
  if (reason != 0) {
    message += "\r\n(" + SystemReason(reason) + ")";
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, path.c_str(), std::strerror(reason));
  }
  return platform::Error(message);
}

bool IsNotRegularFile(int reason) { return reason == ELOOP || reason == EISDIR || reason == EINVAL; }

platform::Error NotRegularFileError(const std::string& path) {
  return FileError("通常のファイルではないため開きません（リンク・フォルダ・FIFO・デバイスなど）。", path, 0);
}

std::optional<std::string> ReadRegularFileOrThrow(const std::string& path) {
  std::string content;
  errno = 0;
  if (platform::ReadRegularFile(path, content)) return content;
  const int reason = errno;
  if (reason == ENOENT) return std::nullopt;
  if (IsNotRegularFile(reason)) throw NotRegularFileError(path);
  throw FileError("ファイルを読み込めません。", path, reason);
}

void EnsureFolder(const std::string& folder) {
  if (platform::DirectoryExists(folder)) return;
  errno = 0;
  if (!platform::ForceDirectories(folder)) throw FileError("フォルダを作成できません。", folder, errno);
}

void ReplaceFileOrThrow(const std::string& path, const std::string& content) {
  ReplaceFileOrThrow(path, std::span(&content, 1));
}

void ReplaceFileOrThrow(const std::string& path, std::span<const std::string> pieces) {
  errno = 0;
  if (!platform::ReplaceFileContent(path, pieces)) throw FileError("ファイルに書き込めません。", path, errno);
}

std::size_t RemoveDataFolderTemporaries(const std::string& appDir) {
  const platform::DirHandle data = platform::DirHandle::Open(appDir);
  return platform::RemoveTemporaries(data) + platform::RemoveTemporaries(data.Child("MusicDatas", false));
}

}  // namespace library
