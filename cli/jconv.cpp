// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-jconv: guesses the Japanese encoding of files and converts between encodings.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/WholeInput.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "text/jconvert.h"
#include "text/jconvertex.h"
#include "ProgramVersion.h"

namespace {

constexpr const char* kUsage =
    "usage: lyrimate-jconv --detect [FILE...] | --to CODE [--from CODE] [FILE] | --help | --version\n";
constexpr const char* kHelp =
    "  --detect [FILE...]         print CODE<TAB>FILE for each input (standard input: -)\n"
    "  --to CODE [--from CODE]    convert FILE (or standard input) to CODE on standard output\n"
    "  CODE: ascii unknown jis jis2 euc sjis pass utf16le utf16be utf8bom utf8 auto\n"
    "        (--from defaults to auto)\n"
    "  --version                  print the program's name and version\n";

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct CodeName {
  TextCode code;
  const char* optionName;
  const char* detectName;
};

constexpr CodeName kCodeNames[] = {
    {jcAuto, "auto", "jcAuto"},          {jcASCII, "ascii", "jcASCII"},
    {jcUnknown, "unknown", "jcUnknown"}, {jcJIS, "jis", "jcJIS"},
    {jcJIS2, "jis2", "jcJIS2"},          {jcEUC, "euc", "jcEUC"},
    {jcSJIS, "sjis", "jcSJIS"},          {jcPass, "pass", "jcPass"},
    {jcUTF16LE, "utf16le", "jcUTF16LE"}, {jcUTF16BE, "utf16be", "jcUTF16BE"},
    {jcUTF8BOM, "utf8bom", "jcUTF8BOM"}, {jcUTF8, "utf8", "jcUTF8"},
};

std::optional<TextCode> ParseCode(std::string_view name) {
  const std::string upper = platform::UpperAscii(name);
  for (const CodeName& entry : kCodeNames)
    if (upper == platform::UpperAscii(entry.optionName)) return entry.code;
  return std::nullopt;
}

const char* DetectName(TextCode code) {
  for (const CodeName& entry : kCodeNames)
    if (entry.code == code) return entry.detectName;
  return "jcUnknown";
}

int UsageError(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "lyrimate-jconv: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// Reads a whole file ("-" is standard input); on failure prints a message naming it.
std::optional<std::string> ReadInput(const std::string& name) {
  const bool standardInput = name == "-";
  std::string content;
  int reason = 0;
  if (cli::ReadWholeInput(standardInput ? nullptr : name.c_str(), content, reason)) return content;
  if (standardInput)
    std::fprintf(stderr, "lyrimate-jconv: cannot read standard input: %s\n", std::strerror(reason));
  else
    std::fprintf(stderr, "lyrimate-jconv: cannot read %s: %s\n", name.c_str(), std::strerror(reason));
  return std::nullopt;
}

int Detect(const std::vector<std::string>& files) {
  const std::vector<std::string> inputs = files.empty() ? std::vector<std::string>{"-"} : files;
  int status = 0;
  for (const std::string& name : inputs) {
    const std::optional<std::string> content = ReadInput(name);
    if (!content) {
      status = kExitFailure;
      continue;
    }
    std::printf("%s\t%s\n", DetectName(DetectTextCode(*content)), name.c_str());
  }
  if (std::fflush(stdout) != 0) return kExitFailure;
  return status;
}

int Convert(const std::string& file, TextCode target, TextCode source) {
  const std::optional<std::string> content = ReadInput(file);
  if (!content) return kExitFailure;
  std::string converted;
  try {
    converted = ConvertTextCode(*content, target, source);
  } catch (const platform::Error& error) {
    std::fprintf(stderr, "lyrimate-jconv: %s\n", platform::Cp932ToUtf8(error.what()).c_str());
    return kExitFailure;
  }
  if (std::fwrite(converted.data(), 1, converted.size(), stdout) != converted.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "lyrimate-jconv: cannot write standard output: %s\n", std::strerror(errno));
    return kExitFailure;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool detect = false;
  std::optional<TextCode> target;
  TextCode source = jcAuto;
  std::vector<std::string> files;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("lyrimate-jconv %s\n", lyrimate::kVersion);
      return 0;
    }
    if (arg == "--detect") {
      detect = true;
    } else if (arg == "--to" || arg == "--from") {
      if (i + 1 >= argc) return UsageError(std::string(arg) + " needs a CODE");
      const std::optional<TextCode> code = ParseCode(argv[++i]);
      if (!code) return UsageError("unknown CODE: " + std::string(argv[i]));
      if (arg == "--to") target = *code;
      else source = *code;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option: " + std::string(arg));
    } else {
      files.emplace_back(arg);
    }
  }

  if (detect == target.has_value()) return UsageError(detect ? "--detect and --to exclude each other" : "");
  if (detect) return Detect(files);
  if (files.size() > 1) return UsageError("--to takes at most one FILE");
  return Convert(files.empty() ? "-" : files.front(), *target, source);
}
