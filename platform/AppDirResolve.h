// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decision behind AppDir, apart from the process and its environment so that every
// branch can be exercised. Inputs and result are paths in the system's form.
#include <optional>
#include <string>

namespace platform {

struct AppDirInputs {
  std::optional<std::string> dataDirArgument;  // "--data-dir DIR" as given
  std::string currentFolder;                   // makes a relative DIR absolute
  std::string executableFolder;                // empty when unknown
  bool executableFolderWritable = false;
  std::string xdgDataHome;                     // $XDG_DATA_HOME, may be empty
  std::string home;                            // $HOME or the user's home folder
};

// "--data-dir DIR" or "--data-dir=DIR" from the command line; the last one wins.
std::optional<std::string> DataDirArgument(int argc, char** argv);
// The data folder for these inputs, ending with "/".
std::string ResolveAppDir(const AppDirInputs& inputs);

}  // namespace platform
