// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-tags: prints what the tag dispatcher reads from audio files.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tags/sMediaTagReader.h"
#include "ProgramVersion.h"

namespace {

constexpr std::string_view UsageLine = "usage: lyrimate-tags [-n NAME[,NAME...]] FILE... | --help | --version";

constexpr std::string_view HelpText =
    "Prints the values the tag dispatcher reads from each FILE.\n"
    "\n"
    "For every FILE, in order, prints the line \"# FILE\", then either \"!unrecognised\"\n"
    "when no reader accepts the file, or one line NAME<TAB>VALUE per property: all the\n"
    "names the accepting reader and its embedded tags publish, or with -n only the names\n"
    "given, in the order given (a name nobody publishes gives an empty value).\n"
    "Values are printed in UTF-8 with backslash, CR, LF and TAB written as \\\\, \\r, \\n, \\t.\n"
    "\n"
    "Options:\n"
    "  -n NAME[,NAME...]  print only these properties (may be given more than once)\n"
    "  --help             print this text\n"
    "  --version          print the program's name and version\n"
    "  --                 end of options\n"
    "\n"
    "Exit status: 0 when every file was accepted, 1 when at least one was not,\n"
    "2 on a usage error.\n";

struct Arguments {
  bool help = false;
  bool version = false;
  bool namesGiven = false;
  std::vector<std::string> names;
  std::vector<std::string> files;
};

void AppendNames(std::string_view list, std::vector<std::string>& names) {
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    names.emplace_back(list.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
}

// False on a usage error.
bool ParseArguments(int argc, char** argv, Arguments& arguments) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      arguments.files.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help") {
      arguments.help = true;
    } else if (argument == "--version") {
      arguments.version = true;
    } else if (argument == "-n") {
      if (i + 1 >= argc) return false;
      AppendNames(argv[++i], arguments.names);
      arguments.namesGiven = true;
    } else {
      return false;
    }
  }
  return arguments.help || arguments.version || !arguments.files.empty();
}

// Backslash, CR, LF and TAB as two-character escapes, so that one value stays one line.
std::string Escaped(std::string_view utf8) {
  std::string result;
  result.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '\\': result += "\\\\"; break;
      case '\r': result += "\\r"; break;
      case '\n': result += "\\n"; break;
      case '\t': result += "\\t"; break;
      default: result += c;
    }
  }
  return result;
}

// Prints one file's block; false when no reader accepted the file.
bool PrintFile(const std::string& systemPath, const Arguments& arguments, std::ostream& out) {
  out << "# " << systemPath << '\n';
  TsMediaTagReader reader;
  if (!reader.Open(systemPath)) {
    out << "!unrecognised\n";
    return false;
  }
  // Names are looked up in code page 932 and printed in UTF-8.
  std::vector<std::string> names;
  if (arguments.namesGiven) {
    for (const std::string& given : arguments.names) names.push_back(platform::Utf8ToCp932(given));
  } else {
    names = reader.PropertyNames().value_or(std::vector<std::string>{});
  }
  for (const std::string& name : names) {
    out << platform::Cp932ToUtf8(name) << '\t' << Escaped(platform::Cp932ToUtf8(reader.GetValue(name)))
        << '\n';
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!ParseArguments(argc, argv, arguments)) {
    std::cerr << UsageLine << '\n';
    return 2;
  }
  if (arguments.help) {
    std::cout << UsageLine << "\n\n" << HelpText;
    return 0;
  }
  if (arguments.version) {
    std::cout << "lyrimate-tags " << lyrimate::kVersion << '\n';
    return 0;
  }
  bool allAccepted = true;
  for (const std::string& file : arguments.files) {
    if (!PrintFile(file, arguments, std::cout)) allAccepted = false;
  }
  std::cout.flush();
  return allAccepted ? 0 : 1;
}
