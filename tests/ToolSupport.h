// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one of the built command-line tools, which land in the same folder as the test program,
// with its standard streams in files of a temporary folder.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace testing_support {

inline std::string ToolPath(const std::string& tool) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / tool).string();
}

// The text in single quotes for the shell.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the tool with the arguments (already quoted where needed) and the standard input;
// the streams pass through files in dir.
inline ToolResult RunTool(const std::string& tool, const std::string& args, const std::string& input,
                          const TempDir& dir) {
  const std::string in = dir.File("stdin");
  WriteBytes(in, input);
  const std::string out = dir.File("stdout");
  const std::string err = dir.File("stderr");
  const std::string command =
      Quote(ToolPath(tool)) + " " + args + " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err);
  const int status = std::system(command.c_str());
  ToolResult run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadBytes(out);
  run.err = ReadBytes(err);
  return run;
}

}  // namespace testing_support
