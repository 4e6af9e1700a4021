// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding detection and every conversion on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Error.h"
#include "text/jconvert.h"
#include "text/jconvertex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)DetectTextCode(text);
  for (int target = jcASCII; target <= jcUTF8; ++target) {
    try {
      (void)ConvertTextCode(text, target, jcAuto);
    } catch (const platform::Error&) {
      // The UTF-8 decoder's error is part of the contract.
    }
  }
  return 0;
}
