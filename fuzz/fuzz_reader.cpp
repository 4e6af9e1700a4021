// SPDX-License-Identifier: GPL-3.0-or-later
// One reader class's LoadFromFile on arbitrary bytes, followed by every published property.
// Built once per class with READER_HEADER and READER_CLASS defined.
#include READER_HEADER

#include "fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzzing::WriteInput(data, size)) return 0;
  READER_CLASS reader;
  if (reader.LoadFromFile(fuzzing::InputPath())) {
    for (const auto& property : reader.Properties()) (void)property.get(reader);
  }
  return 0;
}
