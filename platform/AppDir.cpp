// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppDir.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/AppDirResolve.h"
#include "platform/FileSystem.h"

namespace platform {

namespace {

constexpr std::string_view kDataDirOption = "--data-dir";
constexpr const char* kXdgFolderName = "Lyrimate";

// The path ending with exactly one "/": a run of them becomes one (unlike WithTrailingSlash).
std::string WithOneTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

std::string Absolute(const std::string& path, const std::string& currentFolder) {
  if (!path.empty() && path.front() == '/') return path;
  if (currentFolder.empty()) return path;
  return WithOneTrailingSlash(currentFolder) + path;
}

// Folders that hold installed programs: writable there only means running as root, never a
// portable copy, so the data goes to the user's data folder instead.
bool IsSystemProgramFolder(std::string_view folder) {
  for (std::string_view root : {"/usr", "/bin", "/sbin", "/lib"}) {
    const bool inside = folder.substr(0, root.size()) == root &&
                        (folder.size() == root.size() || folder[root.size()] == '/');
    if (inside) return true;
  }
  return false;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
  return std::string();
}

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
  return std::string(buffer.data());
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return std::string();
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

AppDirInputs GatherInputs(int argc, char** argv) {
  AppDirInputs inputs;
  inputs.dataDirArgument = DataDirArgument(argc, argv);
  inputs.currentFolder = CurrentFolder();
  inputs.executableFolder = ExecutableFolder();
  inputs.executableFolderWritable =
      !inputs.executableFolder.empty() && ::access(inputs.executableFolder.c_str(), W_OK) == 0;
  inputs.xdgDataHome = EnvironmentValue("XDG_DATA_HOME");
  inputs.home = HomeFolder();
  return inputs;
}

struct AppDirState {
  bool resolved = false;
  std::string folder;
};

AppDirState& State() {
  static AppDirState state;
  return state;
}

void Resolve(int argc, char** argv) {
  AppDirInputs inputs = GatherInputs(argc, argv);
  std::string folder = ResolveAppDir(inputs);
  // A data folder outside the executable's one may not exist yet: the settings file and
  // the data folder are written into it later.
  if (folder != WithOneTrailingSlash(inputs.executableFolder)) ForceDirectories(folder);
  State().folder = std::move(folder);
  State().resolved = true;
}

}  // namespace

std::optional<std::string> DataDirArgument(int argc, char** argv) {
  std::optional<std::string> found;
  for (int i = 1; i < argc && argv && argv[i]; ++i) {
    std::string_view arg = argv[i];
    if (arg == kDataDirOption) {
      if (i + 1 < argc && argv[i + 1]) found = std::string(argv[++i]);
    } else if (arg.size() > kDataDirOption.size() && arg.substr(0, kDataDirOption.size()) == kDataDirOption &&
               arg[kDataDirOption.size()] == '=') {
      found = std::string(arg.substr(kDataDirOption.size() + 1));
    }
  }
  if (found && found->empty()) found.reset();
  return found;
}

std::string ResolveAppDir(const AppDirInputs& inputs) {
  std::string folder;
  if (inputs.dataDirArgument && !inputs.dataDirArgument->empty()) {
    folder = Absolute(*inputs.dataDirArgument, inputs.currentFolder);
  } else if (!inputs.executableFolder.empty() && inputs.executableFolderWritable &&
             !IsSystemProgramFolder(inputs.executableFolder)) {
    folder = inputs.executableFolder;
  } else if (!inputs.xdgDataHome.empty() && inputs.xdgDataHome.front() == '/') {
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    folder = WithOneTrailingSlash(inputs.xdgDataHome) + kXdgFolderName;
  } else if (!inputs.home.empty()) {
    folder = WithOneTrailingSlash(inputs.home) + ".local/share/" + kXdgFolderName;
  } else if (!inputs.executableFolder.empty()) {
    folder = inputs.executableFolder;
  } else {
    folder = Absolute(kXdgFolderName, inputs.currentFolder);
  }
  return WithOneTrailingSlash(folder);
}

void InitAppDir(int argc, char** argv) { Resolve(argc, argv); }

void SetAppDir(const std::string& path) {
  State().folder = WithOneTrailingSlash(path);
  State().resolved = true;
}

const std::string& AppDir() {
  if (!State().resolved) Resolve(0, nullptr);
  return State().folder;
}

}  // namespace platform
