// SPDX-License-Identifier: GPL-3.0-or-later
// Ranges of items worked on several threads: every item once, ranges numbered in order, and
// the error a walk in order meets first.
#include "util/ParallelRanges.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

struct Cut {
  std::size_t count;
  std::size_t rangeSize;
};

TEST(ForEachRange, EveryItemOnceInRangesNumberedInOrder) {
  for (const Cut cut : {Cut{0, 4}, Cut{1, 4}, Cut{3, 4}, Cut{4, 4}, Cut{5, 4}, Cut{1000, 7}, Cut{9, 1}, Cut{5, 0}}) {
    const std::size_t size = cut.rangeSize == 0 ? 1 : cut.rangeSize;
    std::vector<std::atomic<int>> visits(cut.count);
    std::vector<std::atomic<int>> ranges(RangeCount(cut.count, cut.rangeSize));
    ForEachRange(cut.count, cut.rangeSize, [&](std::size_t range, std::size_t begin, std::size_t end) {
      EXPECT_EQ(begin, range * size);
      EXPECT_LE(end, cut.count);
      EXPECT_LT(begin, end);
      ++ranges.at(range);
      for (std::size_t i = begin; i < end; ++i) ++visits.at(i);
    });
    EXPECT_EQ(ranges.size(), (cut.count + size - 1) / size) << cut.count << "/" << cut.rangeSize;
    for (const auto& range : ranges) EXPECT_EQ(range, 1) << cut.count << "/" << cut.rangeSize;
    for (const auto& item : visits) EXPECT_EQ(item, 1) << cut.count << "/" << cut.rangeSize;
  }
}

TEST(ForEachRange, TheLowestFailingRangeIsRethrownAfterAllRanges) {
  std::atomic<int> done{0};
  try {
    ForEachRange(64, 4, [&](std::size_t range, std::size_t, std::size_t) {
      ++done;
      if (range == 11 || range == 5 || range == 14) throw std::runtime_error("range " + std::to_string(range));
    });
    ADD_FAILURE() << "nothing was rethrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "range 5");
  }
  EXPECT_EQ(done, 16);
}

}  // namespace
