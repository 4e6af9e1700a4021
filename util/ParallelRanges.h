// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Work over many independent items on the machine's cores, for loops whose items each wait
// on the kernel (a file opened and read per song).
#include <cstddef>
#include <functional>

// Calls work(range, begin, end) for the consecutive ranges of at most rangeSize items that
// cover [0, count), on up to kMaxWorkers threads, the caller's among them; range numbers the
// ranges from 0 in order. Returns when every range is done. When ranges threw, the exception
// of the lowest one is rethrown then: the one a walk in order would have met first. work must
// be safe to call from several threads at once.
void ForEachRange(std::size_t count, std::size_t rangeSize,
                  const std::function<void(std::size_t range, std::size_t begin, std::size_t end)>& work);

// The number of ranges ForEachRange cuts count items into.
std::size_t RangeCount(std::size_t count, std::size_t rangeSize);

constexpr unsigned kMaxWorkers = 4;
