// SPDX-License-Identifier: GPL-3.0-or-later
// The dispatcher on arbitrary bytes: Open, then every name of PropertyNames. The input's
// size picks the file's extension, so the reader chosen by extension is tried first as often
// as the fixed order is, without taking bytes away from the file.
#include <iterator>

#include "fuzz/FuzzFile.h"
#include "tags/sMediaTagReader.h"

namespace {

constexpr const char* Extensions[] = {".bin", ".mp3", ".m4a", ".aac", ".ogg", ".flac", ".wav",
                                      ".wma", ".ape", ".mpc", ".vqf", ".cda", ".MP2", ".aiff"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::InputPath(Extensions[size % std::size(Extensions)]);
  if (!fuzzing::WriteInput(data, size, path)) return 0;
  TsMediaTagReader reader;
  reader.Open(path);
  if (auto names = reader.PropertyNames()) {
    for (const auto& name : *names) (void)reader.GetValue(name);
  }
  return 0;
}
