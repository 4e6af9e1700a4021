// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's data folder ("AppDir"): the executable's folder when it is writable,
// otherwise $XDG_DATA_HOME/Lyrimate/ (default ~/.local/share/Lyrimate/); "--data-dir DIR"
// overrides both. Always a path in the system's form, exactly as given, ending with "/".
#include <string>

namespace platform {

// Resolves AppDir from the command line (looks for "--data-dir DIR") and the environment.
void InitAppDir(int argc, char** argv);
// Sets AppDir directly (tests, tools); a missing trailing "/" is added.
void SetAppDir(const std::string& path);
// The resolved folder; before any initialisation it is resolved from the environment alone.
const std::string& AppDir();

}  // namespace platform
