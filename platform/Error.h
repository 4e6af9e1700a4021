// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error the utility code raises: its message is code page 932 text.
#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
public:
  explicit Error(const std::string& cp932Message) : std::runtime_error(cp932Message) {}
};

}  // namespace platform
