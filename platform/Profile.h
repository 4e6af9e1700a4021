// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Profile (INI) files with the Windows profile API's behaviour: section and key names are
// case-insensitive, values are trimmed, lines starting with ";" are comments, and writing
// one key keeps the rest of the file. Paths and texts are code page 932.
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The value of key in section, or def when the file, section or key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def);
// Writes one key (creating the file or section when needed); false when it cannot write.
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);
// Writes several keys of one section with a single replacement of the file, as if each were
// written by WriteProfileString in turn; nothing is written when any of them cannot be.
bool WriteProfileStrings(const std::string& path, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace platform
