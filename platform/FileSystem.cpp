// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"

namespace platform {

namespace {

bool StatPath(const std::string& path, struct stat& info) {
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

std::string DisplayPath(const std::string& systemPath) { return Utf8ToCp932(systemPath); }

std::string SystemName(const std::string& cp932Name) { return Cp932ToUtf8(cp932Name); }

std::string ProgramName(const std::string& systemName) { return Utf8ToCp932(systemName); }

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info {};
  if (!StatPath(path, info)) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool CreateDir(const std::string& path) {
  if (path.empty()) return false;
  return ::mkdir(WithoutTrailingSlashes(path).c_str(), 0755) == 0;
}

bool ForceDirectories(const std::string& path) {
  std::string folder = WithoutTrailingSlashes(path);
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  std::size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(folder.substr(0, slash))) return false;
  if (CreateDir(folder)) return true;
  // Made meanwhile by someone else is fine; otherwise errno keeps mkdir's reason.
  const int reason = errno;
  if (DirectoryExists(folder)) return true;
  errno = reason;
  return false;
}

bool ClearAttributes(const std::string& path) {
  struct stat info {};
  if (!StatPath(path, info)) return false;
  return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool DeleteFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return !from.empty() && !to.empty() &&
         std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace platform

namespace platform {

bool LinkFile(const std::string& existing, const std::string& newPath) {
  return !existing.empty() && !newPath.empty() && ::link(existing.c_str(), newPath.c_str()) == 0;
}

}  // namespace platform
