// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File-system services on code page 932 paths.
#include <string>

namespace platform {

bool FileExists(const std::string& path);       // a regular file (or other non-directory)
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool CreateDir(const std::string& path);
// "Clear all attributes": gives the owner write permission.
bool ClearAttributes(const std::string& path);
bool DeleteFile(const std::string& path);
// Renames from to to, replacing to when it exists (one step).
bool RenameFile(const std::string& from, const std::string& to);
// The path with a "/" added when it does not end with one ("" gives "/").
std::string WithTrailingSlash(std::string path);
// The system (UTF-8) form of a code page 932 path, for the few calls outside this folder.
std::string SystemPath(const std::string& path);
// The code page 932 form of a system path.
std::string ProgramPath(const std::string& systemPath);
// A file or folder name built from tag text (code page 932) in the system's form, for use
// relative to an opened folder or for joining to a system path.
std::string SystemName(const std::string& cp932Name);

}  // namespace platform
