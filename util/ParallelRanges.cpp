// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/ParallelRanges.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

std::size_t RangeCount(std::size_t count, std::size_t rangeSize) {
  if (rangeSize == 0) rangeSize = 1;
  return (count + rangeSize - 1) / rangeSize;
}

void ForEachRange(std::size_t count, std::size_t rangeSize,
                  const std::function<void(std::size_t range, std::size_t begin, std::size_t end)>& work) {
  if (rangeSize == 0) rangeSize = 1;
  const std::size_t ranges = RangeCount(count, rangeSize);
  std::vector<std::exception_ptr> failures(ranges);
  std::atomic<std::size_t> next{0};
  const auto takeRanges = [&] {
    for (std::size_t range = next++; range < ranges; range = next++) {
      const std::size_t begin = range * rangeSize;
      try {
        work(range, begin, std::min(count, begin + rangeSize));
      } catch (...) {
        failures[range] = std::current_exception();
      }
    }
  };
  const std::size_t workers = std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), kMaxWorkers, ranges});
  std::vector<std::thread> helpers;
  for (std::size_t i = 1; i < workers; ++i) {
    try {
      helpers.emplace_back(takeRanges);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones running, the caller's among them, do it all
    }
  }
  takeRanges();
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}
