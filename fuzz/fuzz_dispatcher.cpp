// The dispatcher on arbitrary bytes: Open, then every name of PropertyNames.
#include "fuzz/FuzzFile.h"
#include "tags/sMediaTagReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzzing::WriteInput(data, size)) return 0;
  TsMediaTagReader reader;
  reader.Open(fuzzing::InputPath());
  if (auto names = reader.PropertyNames()) {
    for (const auto& name : *names) (void)reader.GetValue(name);
  }
  return 0;
}
