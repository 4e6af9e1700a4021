// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Walks the lines of a text the way every file of the program is read: CR LF, a lone CR and
// a lone LF each end a line; a last line without a break counts, an empty text has none.
// Line breaks are never trail bytes in code page 932, so byte positions are safe.
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace library {

class LineWalker {
public:
  explicit LineWalker(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = std::min(text_.find_first_of("\r\n", pos_), text_.size());
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (end < text_.size() && text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return true;
  }

private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace library
