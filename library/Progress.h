// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values the progress bar is set to.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace library {

// numerator / denominator * 100 rounded to the nearest whole number, a half going to the even
// neighbour; at most 100, and 100 when denominator is 0.
inline int RoundedPercent(std::size_t numerator, std::size_t denominator) {
  if (denominator == 0) return 100;
  const std::uint64_t scaled = static_cast<std::uint64_t>(numerator) * 100;
  std::uint64_t percent = scaled / denominator;
  const std::uint64_t twiceRest = (scaled % denominator) * 2;
  if (twiceRest > denominator || (twiceRest == denominator && percent % 2 == 1)) ++percent;
  return static_cast<int>(std::min<std::uint64_t>(percent, 100));
}

}  // namespace library
